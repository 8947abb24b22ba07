#include "render/vectormath.h"

#include <cmath>

double dot(const Vector3 &u, const Vector3 &v)
{
    return u.x * v.x + u.y * v.y + u.z * v.z;
}

void cross(Vector3 &u, const Vector3 &v)
{
    const Vector3 a = u;
    u = {a.y * v.z - a.z * v.y, a.z * v.x - a.x * v.z, a.x * v.y - a.y * v.x};
}

double length(const Vector3 &u)
{
    return std::sqrt(dot(u, u));
}

void normalise(Vector3 &u)
{
    const double factor = 1.0 / length(u);
    u = factor * u;
}

Vector3 componentAlong(const Vector3 &u, const Vector3 &n)
{
    return dot(u, n) * n;
}

void removeComponent(Vector3 &u, const Vector3 &n)
{
    u = u - componentAlong(u, n);
}

Vector3 combine(const Vector3 &u, const Vector3 &v, double a, double b)
{
    return a * u + b * v;
}

double squaredDistance(const Vector3 &u, const Vector3 &v)
{
    const Vector3 d = u - v;
    return dot(d, d);
}

double squaredDistance(const Vector3 &u)
{
    return dot(u, u);
}
