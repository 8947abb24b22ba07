#pragma once

#include <cmath>
#include <string>

/// Truncates toward zero, as every screen coordinate is made. Values beyond ±2^30 are held
/// there and NaN becomes 0, so no extreme zoom can overflow a pixel coordinate.
inline int truncToInt(double value)
{
    constexpr double limit = 1073741824.0;
    if (!(value == value))
        return 0;
    if (value > limit)
        return static_cast<int>(limit);
    if (value < -limit)
        return -static_cast<int>(limit);
    return static_cast<int>(value);
}

/// The value with the given number of significant digits in the shorter of fixed or exponent
/// notation, trailing zeros dropped, always with "." as decimal point (printf's "%.4g" for 4).
std::string formatGeneral(double value, int significantDigits);
