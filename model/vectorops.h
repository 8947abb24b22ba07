#pragma once

#include "model/vector3.h"

#include <cmath>

/// The few vector operations the model's geometry needs (bonds, angles, cells). The view's own
/// operations live with the rendering; these stay in the model, which draws nothing.
namespace vectorops {

inline Vector3 minus(const Vector3 &a, const Vector3 &b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline double dot(const Vector3 &a, const Vector3 &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3 cross(const Vector3 &a, const Vector3 &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(const Vector3 &a)
{
    return std::sqrt(dot(a, a));
}

} // namespace vectorops
