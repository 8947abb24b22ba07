#include "render/electroncloud.h"

#include "render/pixelmath.h"
#include "render/pixelshapes.h"
#include "render/spherepicture.h"
#include "render/vectormath.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Beyond this many threads a pass of a few hundred rows gains nothing.
constexpr int MostThreads = 64;
constexpr auto ReportEvery = std::chrono::milliseconds(100);
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

std::uint32_t channel(std::uint32_t color, int shift)
{
    return (color >> shift) & 0xFFu;
}

// trunc((a × wa + b × wb) / (wa + wb)) for one channel; a when the weights leave nothing to
// divide by or the mix is not a number, so no NaN ever reaches a pixel.
std::uint32_t blendChannel(double a, double wa, double b, double wb)
{
    const double mixed = (a * wa + b * wb) / (wa + wb);
    if (!std::isfinite(mixed))
        return static_cast<std::uint32_t>(a);
    return static_cast<std::uint32_t>(std::clamp(mixed, 0.0, 255.0));
}

// Channel by channel for red, green and blue; the flag byte is keep's.
std::uint32_t blendColor(std::uint32_t a, double wa, std::uint32_t b, double wb, std::uint32_t keep)
{
    std::uint32_t mixed = keep & 0xFF000000u;
    for (const int shift : {0, 8, 16})
        mixed |= blendChannel(channel(a, shift), wa, channel(b, shift), wb) << shift;
    return mixed;
}

// The radii of the quick model in model units, for shell n of an atom of Z protons.
double sLikeRadius(double P, int n, double Z)
{
    return P * (1.62525 * n * n - 0.34245 * n + 0.01005) / Z;
}

double lobeDistance(double P, int n, double Z)
{
    return 0.5 * P * (1.58825 * n * n - 0.68125 * n + 0.16075) / Z;
}

void drawDisc(QImage &canvas, double x, double y, double R, std::uint32_t color, PixelMix mix)
{
    mixEllipse(canvas, truncToInt(x - R + 0.5), truncToInt(y - R + 0.5), truncToInt(x + R + 0.5),
        truncToInt(y + R + 0.5), pixelOfColor(color), mix);
}

// A group of p terms of one shell: its weighted coefficients along x, y and z.
struct PGroup
{
    bool open = false;
    int n = 0;
    double p[3] = {0.0, 0.0, 0.0};
};

void drawPGroup(const PGroup &group, const FrameAtom &atom, double P, double Z, QImage &canvas,
    const CloudContext &context)
{
    const double q =
        std::sqrt(group.p[0] * group.p[0] + group.p[1] * group.p[1] + group.p[2] * group.p[2]);
    // without a direction (only p terms with m outside -1 ... 1 carried weight) there are
    // no lobes to draw
    if (!(q > 0.0) || !std::isfinite(q))
        return;
    const Vector3 u{group.p[0] / q, group.p[1] / q, group.p[2] / q};
    const double d = lobeDistance(P, group.n, Z);
    const double R = d * context.view.scale;
    const std::uint32_t color = electronShade(q, context.display);
    const PixelMix mix = context.display.PrintColors ? PixelMix::MergeNotScreen : PixelMix::Merge;
    for (const double side : {1.0, -1.0}) {
        const Vector3 centre = context.view.projectToScreen({atom.position.x + side * d * u.x,
            atom.position.y + side * d * u.y, atom.position.z + side * d * u.z});
        drawDisc(canvas, centre.x, centre.y, R, color, mix);
    }
}

void drawQuickCloud(const Frame &frame, QImage &canvas, const CloudContext &context)
{
    for (const int index : context.scratch.depthList)
        drawQuickElectrons(frame, index, canvas, context);
}

// The rows of one 3D pass, shared by its threads. Each thread takes the next row not yet
// taken; the pixels are read from the picture as composed and written to a copy of it, both
// reached through plain pointers taken before the threads start (QImage's own accessors may
// touch its shared state).
struct Pass
{
    const CloudRays &rays;
    const CloudContext &context;
    const uchar *source;
    uchar *target;
    qsizetype bytesPerLine;
    int width;
    int height;
    std::atomic<int> nextRow{0};
    std::atomic<int> rowsDone{0};
    std::atomic<bool> stop{false};

    void drawRow(int y, RayWork &work)
    {
        const DisplayState &display = context.display;
        const auto *from = reinterpret_cast<const std::uint32_t *>(source + y * bytesPerLine);
        auto *to = reinterpret_cast<std::uint32_t *>(target + y * bytesPerLine);
        const std::uint32_t electron = display.effectiveElectronColor();
        for (int x = 0; x < width; ++x) {
            const RayResult ray = rays.rayDensity(x, y, work);
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

    void work(const std::function<void()> &afterRow = {})
    {
        RayWork rayWork;
        while (!stop.load(std::memory_order_relaxed)) {
            const int y = nextRow.fetch_add(1, std::memory_order_relaxed);
            if (y >= height)
                return;
            drawRow(y, rayWork);
            rowsDone.fetch_add(1, std::memory_order_relaxed);
            if (afterRow)
                afterRow();
        }
    }
};

int threadsFor(int asked, int rows)
{
    int threads = asked > 0 ? asked : static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(threads, 1, std::max(1, std::min(rows, MostThreads)));
}

// The 3D pass over bitmap; false, with bitmap untouched, when it was abandoned.
bool draw3DCloud(const Frame &frame, QImage &bitmap, const CloudContext &context)
{
    // The picture may be replaced while events are handled during the pass (a window resized):
    // this reference keeps the pixels being read alive, and a replaced picture is left alone.
    const QImage source = bitmap;
    if (context.status)
        context.status->showBusy(CloudBusyText);
    if (context.carryOn && !context.carryOn())
        return false;

    const CloudRays rays(frame, context);
    QImage drawn = source.copy();
    if (drawn.isNull() || drawn.bytesPerLine() != source.bytesPerLine())
        return false;
    Pass pass{rays, context, source.constBits(), drawn.bits(), source.bytesPerLine(),
        source.width(), source.height()};
    const bool reporting = context.status || context.carryOn;
    auto lastReport = std::chrono::steady_clock::now();
    const auto report = [&] {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReport < ReportEvery)
            return;
        lastReport = now;
        const int percent =
            static_cast<int>(100LL * pass.rowsDone.load() / std::max(1, pass.height));
        if (context.status)
            context.status->showBusy(
                std::string(CloudBusyText) + " " + std::to_string(percent) + "%");
        if (context.carryOn && !context.carryOn())
            pass.stop = true;
    };

    std::vector<std::thread> helpers;
    const int threads = threadsFor(context.threads, pass.height);
    try {
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back([&pass] { pass.work(); });
    } catch (const std::system_error &) {
        // fewer threads than asked draw the same picture
    }
    if (reporting)
        pass.work(report);
    else
        pass.work();
    for (std::thread &helper : helpers)
        helper.join();
    if (pass.stop || bitmap.constBits() != source.constBits())
        return false;
    bitmap = std::move(drawn);
    return true;
}

} // namespace

double transmission(double density, double absorption)
{
    return std::exp(-absorption * density);
}

std::uint32_t electronShade(double q, const DisplayState &display)
{
    double t = q * display.Brightness * 0.0002;
    // a quarter circle lifts weak values
    if (t < 1.0)
        t = std::sqrt(1.0 - (1.0 - t) * (1.0 - t));
    const std::uint32_t electron = display.effectiveElectronColor();
    return blendColor(display.effectiveBackground(), 1.0, electron, t, electron);
}

double quickSizeFactor(double L)
{
    return 6.27817 * L - 33.84722 * L * L + 97.22012 * L * L * L - 121.27182 * L * L * L * L
        + 54.85112 * L * L * L * L * L;
}

void drawQuickElectrons(const Frame &frame, int index, QImage &canvas, const CloudContext &context)
{
    const auto i = static_cast<std::size_t>(index);
    if (index < 0 || i >= atomsIn(frame) || i >= context.scratch.screenPos.size())
        return;
    const FrameAtom &atom = frame.atoms[i];
    if (!atom.type)
        return;
    const DisplayState &display = context.display;
    const double w = display.ChargeWeighted ? atom.charge : 1.0;
    const double Z = atom.type->protons;
    const double P = quickSizeFactor(display.ElectronQuickMinimum);
    const Vector3 centre = context.scratch.screenPos[i];

    PGroup group;
    // the orbital family is not consulted: every expansion has a quick picture
    for (const OrbitalTerm &term : frame.activeOrbitals(atom)) {
        const double weighted = w * term.coefficient;
        if (weighted == 0.0)
            continue;
        if (term.l != 1) {
            const double R = sLikeRadius(P, term.n, Z) * context.view.scale;
            drawDisc(canvas, centre.x, centre.y, R, electronShade(std::fabs(weighted), display),
                PixelMix::Merge);
            continue;
        }
        // s and d terms in between leave a group open; a p term of another shell closes it
        if (group.open && term.n != group.n) {
            drawPGroup(group, atom, P, Z, canvas, context);
            group = PGroup{};
        }
        if (!group.open) {
            group.open = true;
            group.n = term.n;
        }
        if (term.m >= -1 && term.m <= 1)
            group.p[term.m + 1] = weighted;
    }
    if (group.open)
        drawPGroup(group, atom, P, Z, canvas, context);
}

CloudRays::CloudRays(const Frame &frame, const CloudContext &context)
    : frame(frame)
    , context(context)
    , field(frame, DensitySettings{context.display.ComputingModel, context.display.ChargeWeighted})
{
    const SceneScratch &scratch = context.scratch;
    bool first = true;
    for (const int index : scratch.depthList) {
        const double depth = scratch.positionOf(index).z;
        if (first)
            zmax = zmin = depth;
        zmin = std::min(zmin, depth);
        first = false;
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
    const std::size_t count = std::min(atomsIn(frame), scratch.screenPos.size());
    for (const int index : scratch.depthList) {
        const auto i = static_cast<std::size_t>(index);
        if (i < count && hitsAtom(frame.atoms[i], scratch.screenPos[i], x, y, context.settings)) {
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
    for (std::size_t index = 0; index < atoms.size(); ++index) {
        const DensityField::Atom &atom = atoms[index];
        if (atom.reach == 0.0)
            continue;
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
        work.runs.push_back({first, last, static_cast<int>(index)});
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

CloudDrawn drawElectronCloud(const Frame &frame, QImage &bitmap, const CloudContext &context)
{
    const double k = context.view.scale;
    if (context.scratch.frame != &frame || !(k > 0.0) || !std::isfinite(k) || bitmap.isNull())
        return CloudDrawn::Nothing;
    if (bitmap.format() != QImage::Format_RGB32)
        bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    if (context.display.DrawingModel == 0 || context.display.QuickDraw) {
        drawQuickCloud(frame, bitmap, context);
        return CloudDrawn::Quick;
    }
    const bool drawn = draw3DCloud(frame, bitmap, context);
    if (context.status)
        context.status->showCounter();
    if (drawn)
        return CloudDrawn::ThreeD;
    drawQuickCloud(frame, bitmap, context);
    return CloudDrawn::Abandoned;
}

struct ThreeDRows::Rows
{
    Rows(const Frame &frame, const QImage &atoms, const CloudContext &context)
        : rays(frame, context)
        , source(atoms)
        , drawn(atoms.copy())
        , pass{rays, context, source.constBits(), drawn.bits(), source.bytesPerLine(),
              source.width(), drawn.bytesPerLine() == source.bytesPerLine() ? source.height() : 0}
        , context(context)
    {
    }
    CloudRays rays;
    const QImage source; // kept alive: the pass reads its pixels
    QImage drawn;
    Pass pass;
    const CloudContext &context;
};

ThreeDRows::ThreeDRows(const Frame &frame, const QImage &atoms, const CloudContext &context)
    : state(std::make_unique<Rows>(frame, atoms, context))
{
}

ThreeDRows::~ThreeDRows() = default;

void ThreeDRows::work()
{
    state->pass.work();
}

void ThreeDRows::stop()
{
    state->pass.stop = true;
}

bool ThreeDRows::stopped() const
{
    return state->pass.stop;
}

int ThreeDRows::rowsDone() const
{
    return state->pass.rowsDone.load();
}

int ThreeDRows::rows() const
{
    return state->pass.height;
}

int ThreeDRows::threads() const
{
    return threadsFor(state->context.threads, state->pass.height);
}

QImage &ThreeDRows::picture()
{
    return state->drawn;
}
