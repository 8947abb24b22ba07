#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

/// Skips lines of a large text at the speed of every core: the line feeds of each block are
/// counted ahead by all threads at once, so skipping a frame's lines reads only the blocks it
/// starts and ends in.
class LineCounter
{
public:
    /// threads: 0 for every core.
    LineCounter(const char *begin, const char *end, int threads = 0);

    /// As skipLines(p, end, count): where the line after count lines from p starts; nullptr
    /// when the text ends first (a last line without a line feed counts as a line). p never
    /// goes back before the p of an earlier call.
    const char *skip(const char *p, std::int64_t count);

    static constexpr std::size_t BlockBytes = 4096;

private:
    std::size_t countOf(std::size_t block);

    const char *begin;
    const char *end;
    std::size_t blocks;
    int threads;
    std::size_t firstBlock = 0; ///< the block counts[0] is of
    std::vector<std::uint16_t> counts;
};

/// The line feeds from p to end.
std::int64_t countLineFeeds(const char *p, const char *end);
