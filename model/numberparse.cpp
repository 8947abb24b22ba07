#include "model/numberparse.h"

#include <climits>
#include <cmath>
#include <cstdint>

namespace numberparse {

namespace {

    bool isDigit(char c)
    {
        return c >= '0' && c <= '9';
    }

    bool isHexDigit(char c)
    {
        return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }

    // from_chars leaves the value alone when it is out of range, where the scan conversion gives an
    // infinity (overflow) or 0 (underflow). The text [begin, after) tells which: a negative
    // exponent, or no exponent and only zeros before the point, can only underflow.
    double outOfRangeValue(const char *begin, const char *after, bool hexadecimal)
    {
        const char exponentLetter = hexadecimal ? 'p' : 'e';
        for (const char *q = begin; q < after; ++q) {
            if ((*q | 0x20) == exponentLetter)
                return (q + 1 < after && q[1] == '-') ? 0.0 : HUGE_VAL;
        }
        for (const char *q = begin; q < after && *q != '.'; ++q) {
            if (*q != '0')
                return HUGE_VAL;
        }
        return 0.0;
    }

} // namespace

const char *parseRealSlow(const char *p, const char *end, double &value)
{
    while (p < end && isScanSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || *p == '+' || *p == '-')
        return nullptr;
    double parsed = 0.0;
    const char *after = nullptr;
    // "0x" starts a hexadecimal number only when a hexadecimal digit (or a point and one)
    // follows; otherwise the "0" alone is the number.
    const bool hexadecimal = end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')
        && (isHexDigit(p[2]) || (p[2] == '.' && end - p > 3 && isHexDigit(p[3])));
    if (hexadecimal) {
        const auto result = std::from_chars(p + 2, end, parsed, std::chars_format::hex);
        after = result.ptr;
        if (result.ec == std::errc::result_out_of_range)
            parsed = outOfRangeValue(p + 2, after, true);
        else if (result.ec != std::errc{})
            return nullptr;
    } else {
        const auto result = std::from_chars(p, end, parsed);
        after = result.ptr;
        if (result.ec == std::errc::result_out_of_range)
            parsed = outOfRangeValue(p, after, false);
        else if (result.ec != std::errc{})
            return nullptr;
    }
    value = negative ? -parsed : parsed;
    return after;
}

} // namespace numberparse

const char *parseInt(const char *p, const char *end, int &value)
{
    while (p < end && numberparse::isScanSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || *p < '0' || *p > '9')
        return nullptr;
    std::uint64_t magnitude = 0;
    const auto [after, error] = std::from_chars(p, end, magnitude);
    if (error == std::errc::result_out_of_range)
        magnitude = UINT64_MAX;
    if (negative)
        value = magnitude > static_cast<std::uint64_t>(INT_MAX) + 1
            ? INT_MIN
            : static_cast<int>(-static_cast<std::int64_t>(magnitude));
    else
        value =
            magnitude > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(magnitude);
    return after;
}
