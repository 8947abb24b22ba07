#include "model/geometry.h"

#include "model/vectorops.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

using namespace vectorops;

constexpr double Degrees = 180.0 / std::numbers::pi;

} // namespace

double bondAngle(const Vector3 &a, const Vector3 &b, const Vector3 &c)
{
    const Vector3 u = minus(a, b), v = minus(c, b);
    if (norm(u) == 0.0 || norm(v) == 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    // atan2 keeps its digits near 0 and 180 degrees, where an arccosine loses them
    return std::atan2(norm(cross(u, v)), dot(u, v)) * Degrees;
}

double dihedralAngle(const Vector3 &a, const Vector3 &b, const Vector3 &c, const Vector3 &d)
{
    const Vector3 b0 = minus(b, a), b1 = minus(c, b), b2 = minus(d, c);
    const double axisLength = norm(b1);
    const Vector3 n1 = cross(b0, b1), n2 = cross(b1, b2);
    if (axisLength == 0.0 || norm(n1) == 0.0 || norm(n2) == 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    const Vector3 axis{b1.x / axisLength, b1.y / axisLength, b1.z / axisLength};
    const double x = dot(n1, n2);
    // positive when, seen along b->c, the far bond c-d is turned clockwise from the near a-b
    const double y = dot(cross(n1, n2), axis);
    double angle = std::atan2(y, x) * Degrees;
    if (angle < 0.0)
        angle += 360.0;
    if (angle >= 360.0)
        angle -= 360.0;
    return angle;
}
