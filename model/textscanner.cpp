#include "model/textscanner.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

const char *skipLines(const char *p, const char *end, std::int64_t count)
{
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const auto maskOf = [&lineFeed](const char *at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        return static_cast<std::uint64_t>(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lineFeed))));
    };
    while (count > 0 && end - p >= 64) {
        std::uint64_t mask =
            maskOf(p) | maskOf(p + 16) << 16 | maskOf(p + 32) << 32 | maskOf(p + 48) << 48;
        // Lines are usually longer than a few bytes, so visiting each set bit is cheaper than a
        // population count (a library call without the popcnt instruction).
        while (mask) {
            if (--count == 0)
                return p + __builtin_ctzll(mask) + 1;
            mask &= mask - 1;
        }
        p += 64;
    }
#endif
    while (count > 0) {
        if (p == end)
            return nullptr;
        const void *lineFeed = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        p = lineFeed ? static_cast<const char *>(lineFeed) + 1 : end;
        --count;
    }
    return p;
}

bool LineSource::nextLine(TextLine &line)
{
    if (cursor == last)
        return false;
    const void *lineFeed = std::memchr(cursor, '\n', static_cast<std::size_t>(last - cursor));
    const char *lineEnd = lineFeed ? static_cast<const char *>(lineFeed) : last;
    const char *textEnd = lineEnd;
    if (lineFeed && textEnd > cursor && textEnd[-1] == '\r')
        --textEnd;
    line.text = std::string_view(cursor, static_cast<std::size_t>(textEnd - cursor));
    line.hasLineFeed = lineFeed != nullptr;
    cursor = lineFeed ? lineEnd + 1 : last;
    return true;
}

std::int64_t LineSource::linesAvailable(std::int64_t limit) const
{
    std::int64_t count = 0;
    const char *p = cursor;
    while (count < limit && p < last) {
        const void *lineFeed = std::memchr(p, '\n', static_cast<std::size_t>(last - p));
        p = lineFeed ? static_cast<const char *>(lineFeed) + 1 : last;
        ++count;
    }
    return count;
}
