#pragma once

/// A point or direction in model space (Angstrom) or, after projection, in screen space
/// (pixels, with the depth as z). A plain value, copied freely.
struct Vector3
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    friend bool operator==(const Vector3 &, const Vector3 &) = default;
};
