#pragma once

#include "model/linesource.h"
#include "model/numberparse.h"

#include <cstdint>
#include <cstring>

// The token scanner the layout readers share: tokens are separated by spaces and tabs, and the
// reading point moves along a line's characters from p to end.

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline const char *skipBlanks(const char *p, const char *end)
{
    // Eight characters at a time where the text allows: numbers in columns stand behind runs
    // of one to a few blanks, whose varying length a character loop keeps mispredicting.
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        // A byte's top bit is set where the byte is zero; exact for each byte (no carry
        // crosses into the next).
        const auto zeroBytes = [](std::uint64_t x) {
            constexpr std::uint64_t Low7 = 0x7F7F7F7F7F7F7F7Fu;
            return ~(((x & Low7) + Low7) | x) & ~Low7;
        };
        const std::uint64_t blanks =
            zeroBytes(word ^ 0x2020202020202020u) | zeroBytes(word ^ 0x0909090909090909u);
        const std::uint64_t others = ~blanks & 0x8080808080808080u;
        if (others)
            return p + __builtin_ctzll(others) / 8;
        p += 8;
    }
    while (p < end && isBlank(*p))
        ++p;
    return p;
}

inline const char *skipTokens(const char *p, const char *end, int count)
{
    for (int i = 0; i < count && p < end; ++i) {
        p = skipBlanks(p, end);
        while (p < end && !isBlank(*p))
            ++p;
    }
    return p;
}

inline std::int64_t countTokens(const char *p, const char *end)
{
    std::int64_t count = 0;
    for (;;) {
        p = skipBlanks(p, end);
        if (p == end)
            return count;
        ++count;
        while (p < end && !isBlank(*p))
            ++p;
    }
}

// A number converted from the reading point; `next` is where the reading point stands after
// skipping the tokens the conversion is meant to cover. When the numbers sit exactly on their
// tokens (blanks before, a blank or the line end after) that is where the conversion stopped,
// so the characters need not be walked a second time.
struct Converted
{
    int values = 0;
    const char *next = nullptr;
};

// Converts `count` reals (one, or a triple "%lf %lf %lf") into out[0..count) and skips `count`
// tokens. Values converted before a failure keep what was read.
template <int count> Converted convertReals(const char *p, const char *end, double *out)
{
    Converted result;
    const char *q = p;
    bool onTokens = true;
    for (int i = 0; i < count; ++i) {
        const char *start = skipBlanks(q, end);
        const char *after = parseReal(start, end, out[i]);
        if (!after)
            break;
        if (start == end || numberparse::isScanSpace(*start) || (after < end && !isBlank(*after)))
            onTokens = false;
        ++result.values;
        q = after;
    }
    result.next = (result.values == count && onTokens) ? q : skipTokens(p, end, count);
    return result;
}

// Skips `count` whole lines from p; nullptr when fewer are left. The last line of a text may
// end without a line feed.
const char *skipLines(const char *p, const char *end, std::int64_t count);
