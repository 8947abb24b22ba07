#include "render/viewtransform.h"

#include "render/vectormath.h"

#include <cmath>

namespace {
constexpr double Pi = 3.141592653589793;
constexpr double HalfPi = 1.5707963267948966;
constexpr double ThreeHalfPi = 4.71238898038469;
constexpr double TwoPi = 6.283185307179586;
} // namespace

void ViewTransform::resetView()
{
    orientView(Vector3{0.0, 0.0, 1.0}, Vector3{0.0, 1.0, 0.0});
    scale = 32.0;
    originX = 0.0;
    originY = 0.0;
    centre = {};
}

void ViewTransform::orientView(std::optional<Vector3> direction, std::optional<Vector3> up)
{
    if (direction)
        axisZ = *direction;
    if (up)
        upHint = *up;
    normalise(axisZ);
    axisY = upHint;
    removeComponent(axisY, axisZ);
    if (axisY.x == 0.0 && axisY.y == 0.0 && axisY.z == 0.0)
        axisY = {0.0, 1.0, 0.0};
    else
        normalise(axisY);
    axisX = axisY;
    cross(axisX, axisZ);
}

void ViewTransform::rotateView(double alpha, double beta, double gamma)
{
    // Each new pair is built from the old pair, so both rows are read before either is written.
    if (gamma != 0.0) {
        const double c = std::cos(gamma), s = std::sin(gamma);
        const Vector3 x = axisX, z = axisZ;
        axisX = combine(x, z, c, s);
        axisZ = combine(z, x, c, -s);
    }
    if (beta != 0.0) {
        const double c = std::cos(beta), s = std::sin(beta);
        const Vector3 y = axisY, z = axisZ;
        axisY = combine(y, z, c, s);
        axisZ = combine(z, y, c, -s);
    }
    if (alpha != 0.0) {
        const double c = std::cos(alpha), s = std::sin(alpha);
        const Vector3 x = axisX, y = axisY;
        axisX = combine(x, y, c, -s);
        axisY = combine(x, y, s, c);
    }
}

Vector3 ViewTransform::projectToScreen(const Vector3 &point) const
{
    // subtracting a centre of 0 leaves every coordinate as it was, to the last bit
    const Vector3 p = point - centre;
    return {
        dot(axisX, p) * scale + originX, dot(axisY, p) * scale + originY, dot(axisZ, p) * scale};
}

void ViewTransform::panView(double dx, double dy)
{
    if (scale == 0.0)
        return;
    centre = centre - (dx / scale) * axisX - (dy / scale) * axisY;
}

void ViewTransform::zoomAbout(double factor, double x, double y)
{
    const double before = scale;
    scale *= factor;
    if (before == 0.0 || scale == 0.0)
        return;
    // the pointer's offset from the drawn centre spans fewer Angstrom after zooming in
    const double keep = 1.0 / before - 1.0 / scale;
    centre = centre + ((x - originX) * keep) * axisX + ((y - originY) * keep) * axisY;
}

Vector3 ViewTransform::screenToModel(const Vector3 &s) const
{
    if (scale == 0.0)
        return {};
    const Vector3 q{(s.x - originX) / scale, (s.y - originY) / scale, s.z / scale};
    return centre + (q.x * axisX + q.y * axisY + q.z * axisZ);
}

double polarAngle(double dy, double dx)
{
    if (dx > 0.0) {
        const double t = std::atan(dy / dx);
        return t < 0.0 ? t + TwoPi : t;
    }
    if (dx < 0.0)
        return std::atan(dy / dx) + Pi;
    return dy >= 0.0 ? HalfPi : ThreeHalfPi;
}
