#pragma once

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
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

/// Powers of ten that a double holds exactly.
inline constexpr double ExactPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
    1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/// True for the characters a plain decimal may start with: a digit, "-" and ".".
inline bool startsNumber(char c)
{
    static constexpr auto table = [] {
        std::array<bool, 256> starts{};
        for (char d = '0'; d <= '9'; ++d)
            starts[static_cast<unsigned char>(d)] = true;
        starts['-'] = starts['.'] = true;
        return starts;
    }();
    return table[static_cast<unsigned char>(c)];
}

/// Appends the decimal digits at p to mantissa one by one; false when there would be more
/// than 19 digits in all (mantissa could overflow).
inline bool takeShortDigits(const char *&p, const char *end, std::uint64_t &mantissa, int &digits)
{
    for (; p < end && *p >= '0' && *p <= '9'; ++p, ++digits) {
        if (digits == 19)
            return false;
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
    return true;
}

/// As takeShortDigits, eight characters at a time where the text allows: their leading run of
/// digits is found and converted with a few multiplications (cheaper from about four digits).
inline bool takeDigits(const char *&p, const char *end, std::uint64_t &mantissa, int &digits)
{
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t values = word - 0x3030303030303030u;
        // A byte's top bit is set unless it holds 0 to 9 after the subtraction; a borrow only
        // runs past the first character that is not a digit.
        const std::uint64_t notDigit =
            (values | (values + 0x7676767676767676u)) & 0x8080808080808080u;
        const int count = notDigit ? __builtin_ctzll(notDigit) / 8 : 8;
        if (count == 0)
            return true;
        if (digits + count > 19)
            return false;
        // The run's digits to the top bytes, zeros below: then the eight-digit conversion
        // yields the run's value.
        std::uint64_t run = values << (8 * (8 - count));
        run = run * 10 + (run >> 8);
        run = (((run & 0x000000FF000000FFu) * (100 + (1000000ull << 32)))
                  + (((run >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32))))
            >> 32;
        mantissa = mantissa * static_cast<std::uint64_t>(ExactPowersOfTen[count])
            + static_cast<std::uint32_t>(run);
        digits += count;
        p += count;
        if (count < 8)
            return true;
    }
    return takeShortDigits(p, end, mantissa, digits);
}

/// Converts a plain decimal "digits[.digits]" at p (sign already taken) when its digits form an
/// integer m of at most 2^53 with at most 22 digits after the point: m and the power of ten are
/// then exact doubles, and one correctly rounded division gives the correctly rounded value,
/// the same as any exact conversion. nullptr for every other text (an exponent, more digits,
/// no digit), which the caller converts the general way.
inline const char *parsePlainDecimal(const char *p, const char *end, double &value)
{
    std::uint64_t mantissa = 0;
    int digits = 0;
    // Numbers in trajectories have few digits before the point and more after it.
    if (!takeShortDigits(p, end, mantissa, digits))
        return nullptr;
    int fraction = 0;
    if (p < end && *p == '.') {
        ++p;
        const int before = digits;
        if (!takeDigits(p, end, mantissa, digits))
            return nullptr;
        fraction = digits - before;
    }
    // An exponent, or the "x" of a hexadecimal number after a lone 0, is not plain.
    if (digits == 0 || fraction > 22 || mantissa > (std::uint64_t{1} << 53)
        || (p < end && ((*p | 0x20) == 'e' || (*p | 0x20) == 'x')))
        return nullptr;
    value = static_cast<double>(mantissa) / ExactPowersOfTen[fraction];
    return p;
}

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
    // The common case: an unsigned or negative decimal number that fits a double. The tests
    // are written so that the sign and the digits of the number (which vary from one number
    // to the next) decide as few branches as possible.
    const bool negative = c == '-';
    if (numberparse::startsNumber(c)) {
        const char *digits = p + (negative ? 1 : 0);
        double plain;
        if (const char *after = numberparse::parsePlainDecimal(digits, end, plain)) {
            // plain is not negative: setting the sign bit negates it without a branch.
            value = std::bit_cast<double>(
                std::bit_cast<std::uint64_t>(plain) | std::uint64_t{negative} << 63);
            return after;
        }
        if (end - digits > 1 && (digits[1] == 'x' || digits[1] == 'X') && digits[0] == '0')
            return numberparse::parseRealSlow(p, end, value);
        if (negative && end - p > 1 && (p[1] == '-' || p[1] == '+'))
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
