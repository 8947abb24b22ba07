#pragma once

#include "model/vector3.h"

/// The angle a-b-c at b, in degrees from 0 to 180; NaN when a or c sits on b.
double bondAngle(const Vector3 &a, const Vector3 &b, const Vector3 &c);

/// The dihedral (torsion) angle a-b-c-d about the axis b-c, in degrees from 0 to 360 (not
/// included), positive when, seen along b->c, the bond c-d is turned clockwise from a-b
/// (the chemists' convention): a cis arrangement gives 0, a trans one 180. NaN when three of the
/// points lie on a line.
double dihedralAngle(const Vector3 &a, const Vector3 &b, const Vector3 &c, const Vector3 &d);
