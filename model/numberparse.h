#pragma once

#include <charconv>
#include <system_error>

// Number conversions with the rules of the formatted-scan conversions "%lf" and "%d", but
// locale-independent ("." is always the decimal point) and without any allocation.

namespace numberparse {

/// True for the characters the scan conversions skip before a number: space, tab, line feed,
/// vertical tab, form feed and carriage return.
constexpr bool isScanSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

/// The slow cases of parseReal: a sign, a hexadecimal number, or a value out of range.
const char *parseRealSlow(const char *p, const char *end, double &value);

} // namespace numberparse

/// Converts a real the way "%lf" does, from p up to end: leading white space is skipped, then an
/// optional sign, a decimal or hexadecimal number with optional exponent, "inf", "infinity" or
/// "nan" in any letter case. Characters after the number are left unread (a number followed by
/// other characters counts as read). A value too large becomes an infinity, one too small 0.
/// Returns the position after the number, or nullptr when no number starts there (value is then
/// left as it was).
inline const char *parseReal(const char *p, const char *end, double &value)
{
    while (p < end && numberparse::isScanSpace(*p))
        ++p;
    if (p == end)
        return nullptr;
    const char c = *p;
    // The common case: an unsigned or negative decimal number that fits a double.
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
        const char *digits = c == '-' ? p + 1 : p;
        if (end - digits > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
            return numberparse::parseRealSlow(p, end, value);
        if (c == '-' && end - p > 1 && (p[1] == '-' || p[1] == '+'))
            return nullptr;
        double parsed;
        const auto [after, error] = std::from_chars(p, end, parsed);
        if (error == std::errc{}) {
            value = parsed;
            return after;
        }
        if (error == std::errc::invalid_argument)
            return nullptr;
    }
    return numberparse::parseRealSlow(p, end, value);
}

/// Converts an integer the way "%d" does: leading white space, optional sign, decimal digits;
/// what follows the digits is left unread. Values beyond the int range saturate.
/// Returns the position after the number, or nullptr when no integer starts there.
const char *parseInt(const char *p, const char *end, int &value);
