#include "render/electroncloud.h"

#include "render/colorblend.h"
#include "render/pixelmath.h"
#include "render/pixelshapes.h"
#include "render/spherepicture.h"
#include "render/vectormath.h"

#include <cmath>

namespace {

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

} // namespace

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
    if (!atom.type || !isDrawablePosition(atom.position))
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
    const bool drawn = drawThreeDCloud(frame, bitmap, context);
    if (context.status)
        context.status->showCounter();
    if (drawn)
        return CloudDrawn::ThreeD;
    drawQuickCloud(frame, bitmap, context);
    return CloudDrawn::Abandoned;
}
