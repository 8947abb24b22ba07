#pragma once

#include <cstddef>
#include <string_view>

// Inputs held whole in memory: the bytes of a pipe or a device, and the text of a compressed
// file.

/// Anonymous memory that grows in place (the system moves its pages rather than copying them)
/// up to a limit, a large step at a time.
class GrowingBuffer
{
public:
    /// limit: the most bytes held; 0 for a quarter of the machine's memory, where running out
    /// is better met early (the frames need more).
    explicit GrowingBuffer(std::size_t limit);
    ~GrowingBuffer();
    GrowingBuffer(const GrowingBuffer &) = delete;
    GrowingBuffer &operator=(const GrowingBuffer &) = delete;

    /// Where the next bytes go; available is how many fit there (at most step, never 0).
    /// nullptr when the limit or the memory is reached, which outOfMemory() then tells.
    char *room(std::size_t step, std::size_t &available);
    /// Counts count bytes written at the last room as held.
    void filledBy(std::size_t count) { filled += count; }
    std::size_t size() const { return filled; }
    bool outOfMemory() const { return ranOut; }
    /// Hands the memory over: the caller unmaps capacity bytes at the result (nullptr when
    /// nothing was held).
    char *release(std::size_t &capacity);

private:
    std::size_t limit;
    char *buffer = nullptr;
    std::size_t capacity = 0;
    std::size_t filled = 0;
    bool ranOut = false;
};

/// How an input is compressed, as its first bytes tell.
enum class Compression {
    None,
    Gzip, ///< gzip (.gz), one member or several one after the other
    Zstd, ///< zstd (.zst), one frame or several
};

Compression compressionOf(std::string_view start);

enum class UnpackResult {
    Complete,
    OutOfMemory, ///< the text outgrew the buffer's limit: the buffer holds its start
    Damaged, ///< the data is corrupt or cut short: the buffer holds the text before the fault
};

/// Decompresses compressed into buffer.
UnpackResult unpack(Compression kind, std::string_view compressed, GrowingBuffer &buffer);
