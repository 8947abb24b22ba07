#include "render/redraw.h"

#include "model/geometry.h"
#include "render/electroncloud.h"
#include "render/labelcache.h"
#include "render/legend.h"
#include "render/pixelmath.h"
#include "render/pixelshapes.h"
#include "render/spherepicture.h"
#include "render/vectormath.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPoint>

#include <algorithm>
#include <cmath>

namespace {

constexpr double UnboundedExtent = 1.7e308;
constexpr double ArrowHeadLength = 10.0;
constexpr double ArrowHeadHalfWidth = 0.25;
constexpr double AxisHalfLength = 5.0;
constexpr int TextMargin = 4;

// Screen positions come from the last composition of the frame; a frame that has not been
// composed with this scratch is projected afresh.
struct ScreenPositions
{
    const Frame &frame;
    const RedrawInputs &inputs;

    Vector3 of(std::size_t index) const
    {
        if (inputs.scratch.frame == &frame && index < inputs.scratch.screenPos.size())
            return inputs.scratch.screenPos[index];
        return inputs.view.projectToScreen(frame.atoms[index].position);
    }
    double chargeRadiusOf(std::size_t index) const
    {
        if (inputs.scratch.frame == &frame && index < inputs.scratch.chargeRadius.size())
            return inputs.scratch.chargeRadius[index];
        return 0.0;
    }
};

// The overlay's few texts each get a painter of their own; lines and shapes go straight onto
// the pixels, clipped there, so far-off coordinates cost nothing.
void drawText(QImage &canvas, int x, int y, const QString &text, const DisplayState &display)
{
    QPainter painter(&canvas);
    painter.setFont(QFont());
    drawOpaqueText(
        painter, x, y, text, display.effectiveForeground(), display.effectiveBackground());
}

void drawDistances(QImage &canvas, const Frame &frame, const RedrawInputs &inputs,
    const ScreenPositions &positions)
{
    const DisplayState &display = inputs.display;
    const std::size_t count = atomsIn(frame);
    const QFontMetrics metrics(QFont(), &canvas);
    const std::uint32_t penPixel = pixelOfColor(display.effectiveForeground());
    for (const DistancePair &pair : display.DistancePairs) {
        // pairs outlive frames with fewer atoms: such a pair has nothing to measure
        if (pair.first < 0 || pair.second < 0 || static_cast<std::size_t>(pair.first) >= count
            || static_cast<std::size_t>(pair.second) >= count)
            continue;
        const auto i = static_cast<std::size_t>(pair.first);
        const auto j = static_cast<std::size_t>(pair.second);
        // nor has a pair with an atom that is not drawn
        if (!isDrawablePosition(frame.atoms[i].position)
            || !isDrawablePosition(frame.atoms[j].position))
            continue;
        const Vector3 a = positions.of(i), b = positions.of(j);
        const int xA = truncToInt(a.x), yA = truncToInt(a.y);
        const int xB = truncToInt(b.x), yB = truncToInt(b.y);
        const double rA =
            atomScreenRadius(frame.atoms[i], positions.chargeRadiusOf(i), inputs.settings);
        const double rB =
            atomScreenRadius(frame.atoms[j], positions.chargeRadiusOf(j), inputs.settings);
        const double dx = double(xB) - xA, dy = double(yB) - yA;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (rA + rB < d) {
            drawSolidLine(canvas,
                QPoint(truncToInt(xA + dx * rA / d), truncToInt(yA + dy * rA / d)),
                QPoint(truncToInt(xB - dx * rB / d), truncToInt(yB - dy * rB / d)), penPixel);
        }
        const double distance =
            std::sqrt(squaredDistance(frame.atoms[i].position, frame.atoms[j].position));
        const QString text = QString::fromStdString(formatGeneral(distance, 4));
        const int w = metrics.horizontalAdvance(text);
        const int h = metrics.height();
        const long long left = (static_cast<long long>(xA) + xB - w) / 2;
        const long long top = (static_cast<long long>(yA) + yB - h) / 2;
        drawText(canvas, truncToInt(double(left)), truncToInt(double(top)), text, display);
    }
}

// The angle at the middle of each three atoms picked in a row, beside the middle atom, and
// the dihedral of four, beside the middle of the bond it turns about.
void drawAngles(QImage &canvas, const Frame &frame, const RedrawInputs &inputs,
    const ScreenPositions &positions)
{
    const std::vector<int> &chain = inputs.display.PickChain;
    const std::size_t count = atomsIn(frame);
    for (const int index : chain)
        if (index < 0 || static_cast<std::size_t>(index) >= count)
            return; // a frame without one of the picked atoms has no angle to show
    const auto at = [&frame](int index) {
        return frame.atoms[static_cast<std::size_t>(index)].position;
    };
    const QString degree(QChar(0x00B0));
    for (std::size_t k = 0; k + 2 < chain.size(); ++k) {
        const double angle = bondAngle(at(chain[k]), at(chain[k + 1]), at(chain[k + 2]));
        const Vector3 middle = positions.of(static_cast<std::size_t>(chain[k + 1]));
        const double radius = atomScreenRadius(frame.atoms[static_cast<std::size_t>(chain[k + 1])],
            positions.chargeRadiusOf(static_cast<std::size_t>(chain[k + 1])), inputs.settings);
        drawText(canvas, truncToInt(middle.x + radius), truncToInt(middle.y + radius),
            QString::fromStdString(formatGeneral(angle, 4)) + degree, inputs.display);
    }
    if (chain.size() == 4) {
        const double dihedral =
            dihedralAngle(at(chain[0]), at(chain[1]), at(chain[2]), at(chain[3]));
        const Vector3 b = positions.of(static_cast<std::size_t>(chain[1]));
        const Vector3 c = positions.of(static_cast<std::size_t>(chain[2]));
        drawText(canvas, truncToInt(0.5 * (b.x + c.x)), truncToInt(0.5 * (b.y + c.y)),
            QStringLiteral("dihedral ") + QString::fromStdString(formatGeneral(dihedral, 4))
                + degree,
            inputs.display);
    }
}

void drawImpulses(QImage &canvas, const Frame &frame, const RedrawInputs &inputs,
    const ScreenPositions &positions)
{
    // a frame may carry thousands of arrows: a painter's set-up per shape would cost more
    // than their pixels
    const DisplayState &display = inputs.display;
    const std::uint32_t penPixel = pixelOfColor(display.effectiveForeground());
    const std::uint32_t headPixel = pixelOfColor(display.ForegroundColor);
    const std::size_t count = atomsIn(frame);
    for (std::size_t i = 0; i < count; ++i) {
        const FrameAtom &atom = frame.atoms[i];
        // an arrow from an atom that is not drawn, or to a point that cannot be, is left out
        const Vector3 end = atom.position + display.ImpulseZoom * atom.impulse;
        if (!isDrawablePosition(atom.position) || !isDrawablePosition(end))
            continue;
        const Vector3 centre = positions.of(i);
        const int a = truncToInt(centre.x), b = truncToInt(centre.y), z = truncToInt(centre.z);
        const Vector3 tip = inputs.view.projectToScreen(end);
        const int tx = truncToInt(tip.x), ty = truncToInt(tip.y);
        drawDottedLine(canvas, QPoint(a, b), QPoint(tx, ty), penPixel);

        const double ex = tip.x - a, ey = tip.y - b, ez = tip.z - z;
        const double len3 = std::sqrt(ex * ex + ey * ey + ez * ez);
        const double len2 = std::sqrt(ex * ex + ey * ey);
        // an arrow pointing away from the viewer gets a larger head, one toward it a smaller
        const double t = len3 != 0.0 ? (tip.z - centre.z) / (2.0 * len3) : 0.0;
        const double headLength = (t + 1.0) * ArrowHeadLength;
        const double halfWidth = headLength * ArrowHeadHalfWidth;
        if (len2 > halfWidth) {
            const double k = (len2 - headLength) / len2;
            const double u = halfWidth / len2;
            const int f = truncToInt(-u * (ty - b));
            const int g = truncToInt(u * (tx - a));
            const QPoint head[3] = {
                QPoint(tx, ty),
                QPoint(truncToInt((tx - a) * k + a + f), truncToInt((ty - b) * k + b + g)),
                QPoint(truncToInt((tx - a) * k + a - f), truncToInt((ty - b) * k + b - g)),
            };
            fillTriangle(canvas, head, headPixel, penPixel);
        } else if (halfWidth < len3) {
            const int left = truncToInt(a - halfWidth), top = truncToInt(b - halfWidth);
            const int right = truncToInt(a + halfWidth), bottom = truncToInt(b + halfWidth);
            fillEllipse(canvas, left, top, right, bottom, headPixel, penPixel);
        }
    }
}

void drawAxes(QImage &canvas, const RedrawInputs &inputs)
{
    static const char *const names[3] = {"x", "y", "z"};
    const DisplayState &display = inputs.display;
    for (int axis = 0; axis < 3; ++axis) {
        Vector3 from, to;
        double *fromPart = axis == 0 ? &from.x : axis == 1 ? &from.y : &from.z;
        double *toPart = axis == 0 ? &to.x : axis == 1 ? &to.y : &to.z;
        *fromPart = -AxisHalfLength;
        *toPart = AxisHalfLength;
        const Vector3 p = inputs.view.projectToScreen(from);
        const Vector3 q = inputs.view.projectToScreen(to);
        drawSolidLine(canvas, QPoint(truncToInt(p.x), truncToInt(p.y)),
            QPoint(truncToInt(q.x), truncToInt(q.y)), pixelOfColor(display.effectiveForeground()));
        drawText(
            canvas, truncToInt(q.x), truncToInt(q.y), QString::fromLatin1(names[axis]), display);
    }
}

// The 12 edges of the frame's cell: from each corner on the origin's side along each edge vector
// that does not lead back to it.
void drawCell(QImage &canvas, const Cell &cell, const RedrawInputs &inputs)
{
    const std::uint32_t pixel = pixelOfColor(inputs.display.effectiveForeground());
    const auto corner = [&cell](int mask) {
        Vector3 point = cell.origin;
        for (int k = 0; k < 3; ++k) {
            if (mask & (1 << k))
                point = point + cell.edges[static_cast<std::size_t>(k)];
        }
        return point;
    };
    for (int from = 0; from < 8; ++from) {
        for (int k = 0; k < 3; ++k) {
            if (from & (1 << k))
                continue;
            const Vector3 p = inputs.view.projectToScreen(corner(from));
            const Vector3 q = inputs.view.projectToScreen(corner(from | (1 << k)));
            drawSolidLine(canvas, QPoint(truncToInt(p.x), truncToInt(p.y)),
                QPoint(truncToInt(q.x), truncToInt(q.y)), pixel);
        }
    }
}

void drawTextLines(QImage &canvas, const Frame &frame, const RedrawInputs &inputs)
{
    const DisplayState &display = inputs.display;
    const QFontMetrics metrics(QFont(), &canvas);
    int y = TextMargin;
    // A frame whose file gives no time or energy shows no number for it, not a 0.
    if (inputs.readTime) {
        if (frame.hasTime) {
            const QString text = QString::fromStdString("Time: " + formatGeneral(frame.time, 4));
            drawText(canvas, TextMargin, y, text, display);
        }
        y += metrics.height() + TextMargin;
    }
    if (inputs.readEnergy && frame.hasEnergy) {
        const QString text = QString::fromStdString("Energy: " + formatGeneral(frame.energy, 5));
        drawText(canvas, TextMargin + 1, y, text, display);
    }
}

// Makes canvas a Format_RGB32 picture to draw on, converting it when needed; false when there
// is no picture at all.
bool prepareCanvas(QImage &canvas)
{
    if (canvas.isNull())
        return false;
    if (canvas.format() != QImage::Format_RGB32)
        canvas = canvas.convertToFormat(QImage::Format_RGB32);
    return true;
}

// Draws a view kept in the view's pixels at the picture's own density for one redraw: the
// scales and the centre's screen position grow by the pixel ratio and shrink back afterwards,
// keeping whatever factor the fit applied.
class PicturePixels
{
public:
    PicturePixels(ViewTransform &view, SceneSettings &settings, double ratio)
        : view(view)
        , settings(settings)
        , ratio(ratio)
        , scale(view.scale)
        , atomScale(settings.atomScale)
        , originX(view.originX)
        , originY(view.originY)
    {
        if (ratio == 1.0)
            return;
        view.scale *= ratio;
        settings.atomScale *= ratio;
        view.originX *= ratio;
        view.originY *= ratio;
    }
    ~PicturePixels()
    {
        if (ratio == 1.0)
            return;
        const double fitted = scale != 0.0 ? view.scale / (scale * ratio) : 1.0;
        view.scale = scale * fitted;
        settings.atomScale = atomScale * fitted;
        view.originX = originX;
        view.originY = originY;
    }
    PicturePixels(const PicturePixels &) = delete;
    PicturePixels &operator=(const PicturePixels &) = delete;

private:
    ViewTransform &view;
    SceneSettings &settings;
    double ratio, scale, atomScale, originX, originY;
};

} // namespace

double FitToWindow(
    int viewWidth, int viewHeight, const Frame *frame, bool shrinkOnly, RedrawInputs &inputs)
{
    if (inputs.FrameCount < 1 || atomsIn(inputs.CurrentFrame) < 1)
        return 1.0;
    const Frame &fitted = frame ? *frame : inputs.CurrentFrame;
    const std::size_t count = atomsIn(fitted);
    if (inputs.scratch.frame != &fitted || inputs.scratch.screenPos.size() != count)
        inputs.scratch.bindTo(fitted, count);

    double minX = UnboundedExtent, maxX = -UnboundedExtent;
    double minY = UnboundedExtent, maxY = -UnboundedExtent;
    for (std::size_t i = 0; i < count; ++i) {
        const FrameAtom &atom = fitted.atoms[i];
        const Vector3 s = inputs.view.projectToScreen(atom.position);
        inputs.scratch.screenPos[i] = s;
        if (!isDrawablePosition(atom.position))
            continue;
        // the type's radius, also when radii follow the charge
        const double r = atom.type ? inputs.settings.atomScale * atom.type->radius : 0.0;
        minX = std::min(minX, s.x - r);
        maxX = std::max(maxX, s.x + r);
        minY = std::min(minY, s.y - r);
        maxY = std::max(maxY, s.y + r);
    }

    // integer halves, as the view centre is
    const auto cx = static_cast<double>(viewWidth / 2);
    const auto cy = static_cast<double>(viewHeight / 2);
    if (cx <= 0.0 || cy <= 0.0)
        return 1.0;
    double fx;
    if (maxX <= cx)
        fx = 1.0 / ((cx - minX) / cx);
    else if (minX > cx)
        fx = 1.0 / ((maxX - cx) / cx);
    else
        fx = std::min(1.0 / ((maxX - cx) / cx), 1.0 / ((cx - minX) / cx));
    double fy;
    if (maxY <= cy)
        fy = 1.0 / ((cy - minY) / cy);
    else if (minY > cy)
        fy = 1.0 / ((maxY - cy) / cy);
    else
        fy = std::min(1.0 / ((maxY - cy) / cy), 1.0 / ((cy - minY) / cy));
    const double f = std::min(fx, fy);

    if (shrinkOnly && f >= 1.0)
        return 1.0;
    // a collapsed view (zoom 0, every disc on the centre) would give an infinite or zero
    // factor and poison the zoom with NaN
    if (!std::isfinite(f) || f <= 0.0)
        return 1.0;
    inputs.view.scale *= f;
    inputs.settings.atomScale *= f;
    return f;
}

void DrawOverlay(QImage &canvas, const Frame *frame, RedrawInputs &inputs)
{
    const Frame &drawn = frame ? *frame : inputs.CurrentFrame;
    const DisplayState &display = inputs.display;
    if (!prepareCanvas(canvas))
        return;
    const ScreenPositions positions{drawn, inputs};

    if (display.ShowDistances) {
        drawDistances(canvas, drawn, inputs, positions);
        if (display.PickChain.size() >= 3)
            drawAngles(canvas, drawn, inputs, positions);
    }
    if (display.ShowImpulses && drawn.hasAtoms())
        drawImpulses(canvas, drawn, inputs, positions);
    if (display.ShowCell && drawn.cell())
        drawCell(canvas, *drawn.cell(), inputs);
    if (display.ShowAxes)
        drawAxes(canvas, inputs);
    if (display.ShowText)
        drawTextLines(canvas, drawn, inputs);
    if (display.ShowLegend)
        drawLegend(
            canvas, legendEntries(drawn, display.AtomColorMode == 0, inputs.gradient), display);
}

void redrawFrame(QImage &ViewBitmap, const Frame *frame, RedrawInputs &inputs)
{
    const Frame &drawn = frame ? *frame : inputs.CurrentFrame;
    const DisplayState &display = inputs.display;
    if (!prepareCanvas(ViewBitmap))
        return;
    const bool sized = inputs.pixelRatio > 0.0 && std::isfinite(inputs.pixelRatio);
    const PicturePixels pixels(inputs.view, inputs.settings, sized ? inputs.pixelRatio : 1.0);

    switch (inputs.fitAllowed ? display.FitMode : 3) {
    case 0:
        if (inputs.Frames.isFirst(drawn))
            FitToWindow(ViewBitmap.width(), ViewBitmap.height(), &drawn, false, inputs);
        break;
    case 1:
        FitToWindow(ViewBitmap.width(), ViewBitmap.height(), &drawn, false, inputs);
        break;
    case 2:
        FitToWindow(ViewBitmap.width(), ViewBitmap.height(), &drawn, true, inputs);
        break;
    default:
        break;
    }

    ViewBitmap.fill(pixelOfColor(display.effectiveBackground()));

    inputs.settings.labelMode = display.ShowLabels ? display.LabelKind : -1;
    inputs.settings.colourByType = display.AtomColorMode == 0;
    inputs.settings.radiusByType = display.AtomRadiusMode == 0;
    inputs.settings.showBonds = display.ShowBonds;
    inputs.settings.bondRadius = display.BondRadius;

    const CloudContext cloud{inputs.view, inputs.settings, inputs.scratch, display, inputs.status,
        inputs.cloudThreads, inputs.cloudCarryOn};
    ElectronCloudPainter painter = inputs.electronCloud;
    if (!painter)
        painter = [&cloud](const Frame &composed, QImage &bitmap) {
            drawElectronCloud(composed, bitmap, cloud);
        };
    SceneContext context{inputs.view, inputs.settings, inputs.scratch, inputs.gradient,
        inputs.status, display.effectiveForeground(), display.effectiveBackground(), QFont(),
        display.ShowElectrons, std::move(painter)};
    composeFrame(drawn, ViewBitmap, context);
    DrawOverlay(ViewBitmap, &drawn, inputs);
}
