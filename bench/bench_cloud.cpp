// Times the 3D electron cloud of the water example's first frame in the window's start view
// (481 x 351 pixels, the start settings, atoms shrunk as the electrons switch does), on one
// thread and on every core. The pictures are the same either way; only the time differs.
#include "bench/drawingbench.h"
#include "model/atomtype.h"
#include "model/chargegradient.h"
#include "model/frame.h"
#include "model/inputformat.h"
#include "model/trajectoryreader.h"
#include "render/displaystate.h"
#include "render/electroncloud.h"
#include "render/redraw.h"
#include "render/scene.h"
#include "render/viewtransform.h"

#include <QImage>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace {

struct WaterScene : DrawingState
{
    QImage atoms;

    WaterScene()
    {
        TrajectoryFile file;
        if (!file.open(TESSALY_EXAMPLES "/water.xyz")) {
            std::fprintf(stderr, "bench_cloud: cannot open the water example\n");
            std::exit(1);
        }
        RecordingSink sink;
        ReaderWarned warned;
        (void)readTrajectory(file, InputFormat{}, types, sink, warned, frames);
        if (frames.empty()) {
            std::fprintf(stderr, "bench_cloud: no frames in the water example\n");
            std::exit(1);
        }
        // as after the electrons switch: no labels, atoms at a fifth of their size
        display.ShowLabels = false;
        settings.atomScale *= 0.2;
        display.DrawingModel = 1;
        redraw();
        atoms = picture;
    }
};

void threeDCloud(benchmark::State &state)
{
    static WaterScene scene;
    const CloudContext context{scene.view, scene.settings, scene.scratch, scene.display, nullptr,
        static_cast<int>(state.range(0))};
    for (auto _ : state) {
        QImage picture = scene.atoms.copy();
        drawElectronCloud(*scene.frames.first(), picture, context);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.SetItemsProcessed(state.iterations() * scene.atoms.width() * scene.atoms.height());
}

} // namespace

// threads 0: every core
BENCHMARK(threeDCloud)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char **argv)
{
    return runDrawingBenchmarks(argc, argv);
}
