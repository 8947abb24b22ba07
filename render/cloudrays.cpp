#include "render/cloudrays.h"

#include "render/colorblend.h"
#include "render/spherepicture.h"
#include "render/vectormath.h"

#include <algorithm>
#include <cmath>

namespace {

// A ray is evaluated this many points at a time, which keeps its working memory small.
constexpr long long StepsAtOnce = 256;
// A ray gathers only near atoms, so its length costs nothing; beyond this many steps the
// positions along it would no longer be told apart.
constexpr double MostSpan = 1e15;
// A ray that must be gathered whole (only when a value is not a number, so that an atom's
// reach has no bound) and is longer than this gathers nothing rather than keep the pass busy
// for days.
constexpr long long MostSteps = 1000000;
// The pixels per unit of the start view. The integrals along a ray are in model units and
// divided by its square, which is how the start view has always weighed them; the cloud then
// looks the same at every zoom.
constexpr double StartScale = 32.0;

} // namespace

double transmission(double density, double absorption)
{
    return std::exp(-absorption * density);
}

CloudRays::CloudRays(const Frame &frame, const CloudContext &context)
    : frame(frame)
    , context(context)
    , field(frame, DensitySettings{context.display.ComputingModel, context.display.ChargeWeighted})
{
    const SceneScratch &scratch = context.scratch;
    const std::size_t count = std::min(atomsIn(frame), scratch.screenPos.size());
    for (const int index : scratch.depthList) {
        const auto i = static_cast<std::size_t>(index);
        if (i < count && isDrawablePosition(frame.atoms[i].position))
            depthOrder.push_back(index);
    }
    bool first = true;
    for (const int index : depthOrder) {
        const double depth = scratch.positionOf(index).z;
        if (first)
            zmax = zmin = depth;
        zmin = std::min(zmin, depth);
        first = false;
    }
    const std::vector<DensityField::Atom> &atoms = field.fieldAtoms();
    for (std::size_t index = 0; index < atoms.size(); ++index) {
        if (atoms[index].reach != 0.0 && isDrawablePosition(atoms[index].position))
            gathered.push_back(static_cast<int>(index));
    }
}

RayResult CloudRays::rayDensity(int x, int y, RayWork &work) const
{
    const SceneScratch &scratch = context.scratch;
    const ViewTransform &view = context.view;
    const double k = view.scale;

    // the nearest atom under the pixel is the last in the depth order
    const FrameAtom *hit = nullptr;
    double hitDepth = 0.0;
    for (const int index : depthOrder) {
        const auto i = static_cast<std::size_t>(index);
        if (hitsAtom(frame.atoms[i], scratch.screenPos[i], x, y, context.settings)) {
            hit = &frame.atoms[i];
            hitDepth = scratch.screenPos[i].z;
        }
    }
    const double zstart = zmin - 4.0 * k;
    const double zend = hit ? hitDepth : zmax + 4.0 * k;
    const double h = 0.1 * k;
    const double span = (zend - zstart) / h + 0.5;
    // a view or a frame of non-finite numbers gathers nothing
    if (!(span >= 0.0 && span < MostSpan))
        return {};
    const auto steps = static_cast<long long>(span);

    // The model points of (x, y, z) as the view maps them back, with the parts that do not
    // change along the ray worked out once in the same order.
    const double qx = (static_cast<double>(x) - view.originX) / k;
    const double qy = (static_cast<double>(y) - view.originY) / k;
    const Vector3 base{view.centre.x + (qx * view.axisX.x + qy * view.axisY.x),
        view.centre.y + (qx * view.axisX.y + qy * view.axisY.y),
        view.centre.z + (qx * view.axisX.z + qy * view.axisY.z)};
    const Vector3 along = view.axisZ;
    const double alongLength = std::sqrt(dot(along, along));

    // The steps within each atom's reach, one step wider on either side; the rest of the ray
    // adds nothing a picture can show, and its densities are taken as 0.
    work.runs.clear();
    const std::vector<DensityField::Atom> &atoms = field.fieldAtoms();
    for (const int index : gathered) {
        const DensityField::Atom &atom = atoms[static_cast<std::size_t>(index)];
        long long first = 0, last = steps;
        if (!std::isfinite(atom.reach)) {
            // a value that is not a number bounds no reach: the whole ray is gathered, unless
            // that would take too long
            if (steps >= MostSteps)
                return {};
        } else {
            // the ray's model points are base + (z / k) along; the atom's nearest one
            const Vector3 offset = atom.position - base;
            const double t = dot(offset, along) / (alongLength * alongLength);
            const Vector3 across = offset - t * along;
            const double inside = atom.reach * atom.reach - dot(across, across);
            if (!(inside > 0.0))
                continue;
            const double half = std::sqrt(inside) / alongLength;
            const double from = std::floor(((t - half) * k - zstart) / h) - 1.0;
            const double to = std::ceil(((t + half) * k - zstart) / h) + 1.0;
            if (!(to >= 0.0 && from <= static_cast<double>(steps)))
                continue;
            first = from > 0.0 ? static_cast<long long>(from) : 0;
            last = to < static_cast<double>(steps) ? static_cast<long long>(to) : steps;
        }
        work.runs.push_back({first, last, index});
    }
    std::sort(work.runs.begin(), work.runs.end(),
        [](const RayWork::Run &a, const RayWork::Run &b) { return a.first < b.first; });
    for (std::vector<double> *part : {&work.x, &work.y, &work.z, &work.density})
        part->resize(StepsAtOnce);

    const double absorption = context.display.Absorption;
    const bool tone = context.settings.toneBrightness;
    const double V = k * StartScale * StartScale;
    double sum = 0.0, E = 0.0, G = 0.0;
    double rhoA = 0.0;
    for (std::size_t run = 0; run < work.runs.size(); ++run) {
        // overlapping runs are gathered as one, from the atoms of them all in the frame's order
        const long long first = work.runs[run].first;
        long long last = work.runs[run].last;
        work.near.assign(1, work.runs[run].atom);
        while (run + 1 < work.runs.size() && work.runs[run + 1].first <= last + 1) {
            ++run;
            last = std::max(last, work.runs[run].last);
            work.near.push_back(work.runs[run].atom);
        }
        std::sort(work.near.begin(), work.near.end());
        // the step before a run lies outside every reach
        rhoA = 0.0;
        // the densities of the points first ... last, a batch at a time; point 0 lies at zstart
        for (long long batch = first; batch <= last; batch += StepsAtOnce) {
            const auto points =
                static_cast<std::size_t>(std::min<long long>(StepsAtOnce, last + 1 - batch));
            for (std::size_t j = 0; j < points; ++j) {
                const long long i = batch + static_cast<long long>(j);
                const double z = i == 0 ? zstart : zstart + static_cast<double>(i) * h;
                const double qz = z / k;
                work.x[j] = base.x + qz * along.x;
                work.y[j] = base.y + qz * along.y;
                work.z[j] = base.z + qz * along.z;
            }
            field.atPoints(work.x.data(), work.y.data(), work.z.data(), points, work.density.data(),
                work.field, work.near);
            work.points += static_cast<long long>(points);
            for (std::size_t j = 0; j < points; ++j) {
                const long long i = batch + static_cast<long long>(j);
                const double rhoB = work.density[j];
                if (i > 0) {
                    const double z = zstart + static_cast<double>(i) * h;
                    // trapezoid step
                    const double r = h * (rhoA + rhoB) / 2.0;
                    sum += r;
                    const double a = transmission(sum / V, absorption);
                    E += r * a;
                    if (tone)
                        G += r * a * (z - zstart) / (zend - zstart);
                }
                rhoA = rhoB;
            }
        }
    }
    return {sum / V, E / V, G / V};
}

RayResult rayDensity(const Frame &frame, int x, int y, const CloudContext &context)
{
    RayWork work;
    return CloudRays(frame, context).rayDensity(x, y, work);
}

void CloudRays::drawRow(
    int y, const std::uint32_t *from, std::uint32_t *to, int width, RayWork &work) const
{
    const DisplayState &display = context.display;
    const std::uint32_t electron = display.effectiveElectronColor();
    for (int x = 0; x < width; ++x) {
        const RayResult ray = rayDensity(x, y, work);
        if (!(ray.density > display.Electron3DMinimum))
            continue;
        std::uint32_t emitted = electron;
        if (context.settings.toneBrightness) {
            const double f = ray.depthTone * display.ToneLevel;
            emitted = blendColor(electron, 1.0, display.ToneColor, f, electron);
        }
        const double T = transmission(ray.density, display.Absorption);
        const double B = ray.emission * display.Brightness;
        // no emission leaves the old colour as it was
        if (B == 0.0)
            continue;
        to[x] = pixelOfColor(blendColor(colorOfPixel(from[x]), T, emitted, B, emitted));
    }
}
