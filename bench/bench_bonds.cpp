// Bond finding for big water boxes, and drawing 10,000 atoms with and without their bonds.
// The whole-process figures against runs without bonds come from scripts/bench_bonds.sh.
#include "drawingbench.h"
#include "model/bonds.h"

#include <cmath>
#include <random>

namespace {

// count atoms of water (O, H, H) at about 1 g/cm^3 on a grid, each molecule turned at random,
// as the shared generator lays them out.
void fillWater(DrawingState &state, int count)
{
    Frame frame;
    allocateAtoms(frame, count);
    frame.atomCount = count;
    const int molecules = count / 3;
    const double box = std::cbrt(29.9 * molecules);
    const int perSide = static_cast<int>(std::ceil(std::cbrt(double(molecules))));
    const double spacing = box / perSide;
    std::mt19937 random(11);
    std::normal_distribution<double> normal;
    AtomType *oxygen = state.types.findAtomType("O");
    AtomType *hydrogen = state.types.findAtomType("H");
    const double half = 104.52 * M_PI / 360.0;
    for (int m = 0; m < molecules; ++m) {
        const Vector3 o{(m % perSide + 0.5) * spacing, (m / perSide % perSide + 0.5) * spacing,
            (m / (perSide * perSide) + 0.5) * spacing};
        Vector3 u{normal(random), normal(random), normal(random)};
        Vector3 v{normal(random), normal(random), normal(random)};
        const double lu = std::sqrt(u.x * u.x + u.y * u.y + u.z * u.z);
        u = {u.x / lu, u.y / lu, u.z / lu};
        const double d = v.x * u.x + v.y * u.y + v.z * u.z;
        v = {v.x - d * u.x, v.y - d * u.y, v.z - d * u.z};
        const double lv = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        v = {v.x / lv, v.y / lv, v.z / lv};
        const auto at = [&](double sign) {
            const double a = 0.9572 * std::cos(half), b = 0.9572 * std::sin(half) * sign;
            return Vector3{
                o.x + a * u.x + b * v.x, o.y + a * u.y + b * v.y, o.z + a * u.z + b * v.z};
        };
        frame.atoms[3 * m] = {o, {}, 0.0, oxygen};
        frame.atoms[3 * m + 1] = {at(1.0), {}, 0.0, hydrogen};
        frame.atoms[3 * m + 2] = {at(-1.0), {}, 0.0, hydrogen};
    }
    state.frames.appendFrame(std::move(frame));
}

void BM_FindBonds(benchmark::State &run)
{
    DrawingState state;
    fillWater(state, static_cast<int>(run.range(0)));
    const Frame &frame = *state.frames.first();
    std::size_t bonds = 0;
    for (auto _ : run) {
        const std::vector<Bond> found = findBonds(frame, {}, static_cast<int>(run.range(1)));
        bonds = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    run.counters["bonds"] = static_cast<double>(bonds);
}
BENCHMARK(BM_FindBonds)
    ->Args({100002, 1})
    ->Args({100002, 2})
    ->Args({999999, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A redraw of a turning view: the bonds are kept, the sticks laid out and painted anew.
void BM_DrawWater(benchmark::State &run)
{
    DrawingState state;
    fillWater(state, 10002);
    state.display.ShowLabels = false;
    state.display.ShowBonds = run.range(0) != 0;
    state.display.FitMode = 1;
    for (auto _ : run) {
        state.view.rotateView(0.0, 0.0, 0.01);
        state.redraw();
        benchmark::DoNotOptimize(state.picture.constBits());
    }
}
BENCHMARK(BM_DrawWater)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runDrawingBenchmarks(argc, argv);
}
