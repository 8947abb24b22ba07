#pragma once

#include "model/vector3.h"

/// The dot product u·v.
double dot(const Vector3 &u, const Vector3 &v);
/// Replaces u by the cross product u × v.
void cross(Vector3 &u, const Vector3 &v);
/// The Euclidean length of u.
double length(const Vector3 &u);
/// Scales u in place to length 1. A zero vector becomes NaN: callers guard against it.
void normalise(Vector3 &u);
/// The part of u along the unit vector n: (u·n)·n.
Vector3 componentAlong(const Vector3 &u, const Vector3 &n);
/// Removes from u, in place, its part along the unit vector n.
void removeComponent(Vector3 &u, const Vector3 &n);
/// The linear combination a·u + b·v.
Vector3 combine(const Vector3 &u, const Vector3 &v, double a, double b);
/// The squared distance (u − v)·(u − v).
double squaredDistance(const Vector3 &u, const Vector3 &v);
/// The squared length u·u.
double squaredDistance(const Vector3 &u);

inline Vector3 operator+(const Vector3 &u, const Vector3 &v)
{
    return {u.x + v.x, u.y + v.y, u.z + v.z};
}
inline Vector3 operator-(const Vector3 &u, const Vector3 &v)
{
    return {u.x - v.x, u.y - v.y, u.z - v.z};
}
inline Vector3 operator*(double a, const Vector3 &u)
{
    return {a * u.x, a * u.y, a * u.z};
}
