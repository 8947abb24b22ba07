#include "render/pixelmath.h"

#include <charconv>

std::string formatGeneral(double value, int significantDigits)
{
    char buffer[64];
    const auto result = std::to_chars(
        buffer, buffer + sizeof buffer, value, std::chars_format::general, significantDigits);
    return std::string(buffer, result.ptr);
}
