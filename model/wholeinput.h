#pragma once

#include <atomic>
#include <cstddef>
#include <string_view>

// Inputs held whole in memory: the bytes of a pipe or a device, and the text of a compressed
// file.

/// Lets another thread follow the receiving or decompressing of an input, and stop it.
struct OpenProgress
{
    /// Set by the other thread to stop: the text held until then is kept.
    std::atomic<bool> stop{false};
    /// Bytes of text held so far.
    std::atomic<std::size_t> held{0};
};

/// Anonymous memory that grows in place (the system moves its pages rather than copying them)
/// up to a limit, a large step at a time.
class GrowingBuffer
{
public:
    /// limit: the most bytes held; 0 for a quarter of the machine's memory, where running out
    /// is better met early (the frames need more).
    explicit GrowingBuffer(std::size_t limit, OpenProgress *progress = nullptr);
    ~GrowingBuffer();
    GrowingBuffer(const GrowingBuffer &) = delete;
    GrowingBuffer &operator=(const GrowingBuffer &) = delete;

    /// Where the next bytes go; available is how many fit there (at most step, never 0).
    /// nullptr when the limit or the memory is reached, which outOfMemory() then tells, or
    /// when the progress asks to stop, which stopped() tells.
    char *room(std::size_t step, std::size_t &available);
    /// Counts count bytes written at the last room as held.
    void filledBy(std::size_t count);
    std::size_t size() const { return filled; }
    /// The most bytes held.
    std::size_t limitBytes() const { return limit; }
    bool outOfMemory() const { return ranOut; }
    bool stopped() const { return stopAsked; }
    /// True when the progress asks to stop (noted for stopped()).
    bool stopWanted();
    /// Hands the memory over: the caller unmaps capacity bytes at the result (nullptr when
    /// nothing was held).
    char *release(std::size_t &capacity);

private:
    std::size_t limit;
    char *buffer = nullptr;
    std::size_t capacity = 0;
    std::size_t filled = 0;
    bool ranOut = false;
    OpenProgress *progress;
    bool stopAsked = false;
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
    Stopped, ///< the buffer's progress asked to stop: the buffer holds the text until then
    /// a zstd frame needs a larger window than the buffer's limit allows: the buffer holds the
    /// frames before it
    WindowTooLarge,
};

/// Decompresses compressed into buffer.
UnpackResult unpack(Compression kind, std::string_view compressed, GrowingBuffer &buffer);
