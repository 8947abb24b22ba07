#pragma once

#include "model/mappingwatch.h"
#include "model/wholeinput.h"

#include <cstddef>
#include <string>
#include <string_view>

/// The bytes of one trajectory file, read with a single mapping (or read into memory for inputs
/// that cannot be mapped), or a text held in memory.
class TrajectoryFile
{
public:
    TrajectoryFile() = default;
    ~TrajectoryFile();
    TrajectoryFile(const TrajectoryFile &) = delete;
    TrajectoryFile &operator=(const TrajectoryFile &) = delete;

    /// A file whose bytes are the given text (for tests and for data already in memory).
    static TrajectoryFile fromText(std::string text);
    TrajectoryFile(TrajectoryFile &&other) noexcept;

    /// Opens path for reading; false when it cannot be opened (missing, unreadable, a folder).
    /// An input that cannot be mapped (a pipe, a device) is read whole, holding at most
    /// memoryLimit bytes (0: a quarter of the machine's memory); see truncated(). A gzip or
    /// zstd input (told by its first bytes) gives its decompressed text, held within the same
    /// bound; see damaged(). A mapped file that shrinks while it is read reads as zeros from
    /// where it changed; see change().
    /// A pipe is waited for (a FIFO with no writer yet, a slow writer) and a compressed file
    /// decompressed on the calling thread, which another thread may follow and stop through
    /// progress; see stopped().
    bool open(
        const std::string &path, std::size_t memoryLimit = 0, OpenProgress *progress = nullptr);
    /// Every byte of the file.
    std::string_view bytes() const { return {data, size}; }
    /// Lets the memory of the bytes before position go: they will not be read again. Keeps a
    /// large file from staying resident as a whole while its frames are built.
    void releaseBefore(const char *position);
    /// Lets the memory of the pages from begin to end go (a mapped file's only): they are read
    /// from the file again when needed.
    void releaseRange(const char *begin, const char *end);
    /// True when memory ran out before the whole input could be held (an endless or enormous
    /// pipe or device): the bytes are those read until then.
    bool truncated() const { return outOfMemory; }
    /// How the input was compressed: not None when the bytes are its decompressed text.
    Compression compression() const { return packed; }
    /// True when the input was compressed and its data is corrupt or cut short: the bytes are
    /// the text before the fault.
    bool damaged() const { return unpackDamaged; }
    /// True when a zstd frame asked for a larger window than the memory bound allows: the
    /// bytes are the text of the frames before it.
    bool needsLargerWindow() const { return windowTooLarge; }
    /// True when the progress passed to open stopped receiving or decompressing: the bytes
    /// are those held until then.
    bool stopped() const { return stopAsked; }
    /// Bytes of memory that hold the text (a pipe's bytes, a decompressed text, a text
    /// given), as against a mapped file's, which the system can drop and read again.
    std::size_t heldBytes() const { return anonymous ? mappedBytes : owned.capacity(); }
    /// True once a change of the file was met while reading its bytes (cheap to ask often).
    bool changeNoticed() const { return unpackChanged || watch.faulted(); }
    /// How the file has shrunk since it was opened (nothing while it has not), in terms of
    /// bytes(). Asks the system: not for every line.
    FileChange change() const;

private:
    void close();
    void holdAnonymous(char *memory, std::size_t capacity, std::size_t filled);
    void holdUnpacked(Compression compression, std::string_view compressed, std::size_t memoryLimit,
        OpenProgress *progress);
    const char *data = "";
    std::size_t size = 0;
    void *mapping = nullptr;
    std::size_t mappedBytes = 0;
    bool anonymous = false; ///< the mapping holds bytes read from a pipe or device
    std::size_t released = 0;
    std::string owned;
    bool outOfMemory = false;
    MappingWatch watch;
    bool unpackDamaged = false;
    bool unpackChanged = false; ///< the compressed file shrank while it was decompressed
    bool windowTooLarge = false;
    bool stopAsked = false;
    Compression packed = Compression::None;
};
