#include "model/linecounter.h"

#include "model/textscanner.h"

#include <algorithm>
#include <exception>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

std::int64_t countLineFeeds(const char *p, const char *end)
{
    std::int64_t count = 0;
#if defined(__SSE2__)
    // Each byte lane counts up to 255 line feeds before the lanes are summed.
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
        __m128i lanes = zero;
        const std::ptrdiff_t vectors = std::min<std::ptrdiff_t>((end - p) / 16, 255);
        for (std::ptrdiff_t i = 0; i < vectors; ++i, p += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(block, lineFeed));
        }
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        count += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums));
    }
#endif
    return count + std::count(p, end, '\n');
}

LineCounter::LineCounter(const char *begin, const char *end, int threads)
    : begin(begin)
    , end(end)
    , blocks((static_cast<std::size_t>(end - begin) + BlockBytes - 1) / BlockBytes)
    , threads(threads > 0
              ? threads
              : static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u)))
{
}

std::size_t LineCounter::countOf(std::size_t block)
{
    if (block >= firstBlock && block < firstBlock + counts.size())
        return counts[block - firstBlock];
    // Count the next stretch on every thread; what lies behind is never asked for again.
    constexpr std::size_t BlocksPerThread = 4096; // 16 MB
    firstBlock = block;
    const std::size_t stretch =
        std::min(blocks - block, BlocksPerThread * static_cast<std::size_t>(threads));
    counts.assign(stretch, 0);
    const auto work = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const char *const start = begin + (firstBlock + i) * BlockBytes;
            counts[i] = static_cast<std::uint16_t>(
                countLineFeeds(start, std::min(start + BlockBytes, end)));
        }
    };
    const std::size_t share =
        (stretch + static_cast<std::size_t>(threads) - 1) / static_cast<std::size_t>(threads);
    std::vector<std::thread> helpers;
    std::size_t from = share;
    try {
        helpers.reserve(static_cast<std::size_t>(threads));
        for (; from < stretch; from += share)
            helpers.emplace_back(work, from, std::min(from + share, stretch));
    } catch (const std::exception &) {
        // fewer helpers: this thread counts the rest
    }
    work(0, std::min(share, stretch));
    if (from < stretch)
        work(from, stretch);
    for (std::thread &helper : helpers)
        helper.join();
    return counts[0];
}

const char *LineCounter::skip(const char *p, std::int64_t count)
{
    if (count <= 0 || p >= end)
        return count <= 0 ? p : nullptr;
    std::size_t block = static_cast<std::size_t>(p - begin) / BlockBytes;
    // The text's last block holds its last line, which may have no line feed: the plain skip
    // knows that.
    if (block + 1 >= blocks)
        return skipLines(p, end, count);
    const char *blockEnd = begin + (block + 1) * BlockBytes;
    const std::int64_t here = countLineFeeds(p, blockEnd);
    if (here >= count)
        return skipLines(p, blockEnd, count);
    count -= here;
    for (++block; block + 1 < blocks; ++block) {
        const auto feeds = static_cast<std::int64_t>(countOf(block));
        if (feeds >= count) {
            const char *const start = begin + block * BlockBytes;
            return skipLines(start, start + BlockBytes, count);
        }
        count -= feeds;
    }
    return skipLines(begin + block * BlockBytes, end, count);
}
