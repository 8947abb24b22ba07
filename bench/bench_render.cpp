// Times one redraw of a frame (fit, background, projection, depth sort, balls, labels and
// overlay) in the start-size view, for frames of 1,000 to 100,000 atoms, with the default
// switches (labels and impulse arrows on) and with both off, and for frames either side of the
// label cache's capacity.
#include "bench/drawingbench.h"
#include "model/atomtype.h"
#include "model/chargegradient.h"
#include "model/frame.h"
#include "render/displaystate.h"
#include "render/redraw.h"
#include "render/scene.h"
#include "render/viewtransform.h"

#include <QImage>

#include <benchmark/benchmark.h>
#include <cmath>
#include <random>

namespace {

struct BenchScene : DrawingState
{
    BenchScene(int atomCount, bool labelsAndArrows)
    {
        AtomType *water[3] = {
            types.findAtomType("O"), types.findAtomType("H"), types.findAtomType("H")};
        // liquid water density: about 30 cubic Angstrom per molecule of three atoms
        const double side = std::cbrt(atomCount * 10.0);
        std::mt19937 random(42);
        std::uniform_real_distribution<double> place(-side / 2, side / 2);
        std::normal_distribution<double> push(0.0, 0.02);
        Frame frame;
        allocateAtoms(frame, atomCount);
        frame.atomCount = atomCount;
        for (int i = 0; i < atomCount; ++i) {
            FrameAtom &atom = frame.atoms[static_cast<std::size_t>(i)];
            atom.position = {place(random), place(random), place(random)};
            atom.impulse = {push(random), push(random), push(random)};
            atom.type = water[i % 3];
            atom.charge = i % 3 == 0 ? -0.8 : 0.4;
        }
        frames.appendFrame(std::move(frame));
        display.ShowLabels = labelsAndArrows;
        display.ShowImpulses = labelsAndArrows;
    }
};

void redrawFrameBenchmark(benchmark::State &state)
{
    BenchScene scene(static_cast<int>(state.range(0)), state.range(1) != 0);
    scene.redraw();
    for (auto _ : state) {
        // a slow spin, as the rotation timer turns a shown frame
        scene.view.rotateView(0.0, 0.0, 0.01);
        scene.redraw();
        benchmark::DoNotOptimize(scene.picture.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(redrawFrameBenchmark)
    ->ArgNames({"atoms", "labelsAndArrows"})
    ->ArgsProduct({{1000, 10000, 100000}, {1, 0}})
    // either side of the label cache's capacity of 200,000 boxes: past it the time per frame
    // grows with the labels drawn afresh, with no jump
    ->Args({190000, 1})
    ->Args({210000, 1})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runDrawingBenchmarks(argc, argv);
}
