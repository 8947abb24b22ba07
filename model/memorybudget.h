#pragma once

#include <atomic>
#include <cstddef>
#include <string>

/// The memory a loaded trajectory may take: its frames as they are decoded, and the text a
/// pipe or a compressed file holds in memory while it is read. Any thread may take from it.
class MemoryBudget
{
public:
    /// limit: the most bytes taken at once; 0 for no limit.
    explicit MemoryBudget(std::size_t limit = 0)
        : limitBytes(limit)
    {
    }
    MemoryBudget(const MemoryBudget &) = delete;
    MemoryBudget &operator=(const MemoryBudget &) = delete;

    /// Sets the limit (0: none); what is taken already stays taken.
    void setLimit(std::size_t limit) { limitBytes.store(limit, std::memory_order_relaxed); }
    std::size_t limit() const { return limitBytes.load(std::memory_order_relaxed); }
    /// Takes bytes; false, taking nothing, when they would pass the limit.
    [[nodiscard]] bool take(std::size_t bytes);
    /// Returns bytes taken before.
    void giveBack(std::size_t bytes);
    /// Bytes taken now.
    std::size_t used() const { return usedBytes.load(std::memory_order_relaxed); }

private:
    std::atomic<std::size_t> limitBytes;
    std::atomic<std::size_t> usedBytes{0};
};

/// A quarter of the machine's memory: the default limit of a trajectory, where running out
/// is better met early than by the system ending the program.
std::size_t defaultMemoryLimit();

/// Reads a memory size as the command lines take it: a whole number of bytes, or followed by
/// K, M, G or T (powers of 1024; "MB", "GiB" and lower case alike). false for anything else or
/// for 0.
bool parseMemorySize(const char *text, std::size_t &bytes);

/// bytes as parseMemorySize reads it back, in the largest unit that holds it whole: "512M",
/// "2G", "1536K", or plain bytes.
std::string memorySizeText(std::size_t bytes);
