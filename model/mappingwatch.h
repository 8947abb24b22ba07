#pragma once

#include <cstddef>

/// Where a file that shrank while it was read no longer reads as it was.
struct FileChange
{
    /// The first page found gone: from there on everything reads as zeros. nullptr when none.
    const char *gonePage = nullptr;
    /// Where the file ends now, when it is shorter than its bytes were; nullptr otherwise.
    const char *newEnd = nullptr;
    /// The end of the page newEnd lies in: up to there the bytes past newEnd read as zeros
    /// without any fault.
    const char *newEndPage = nullptr;

    bool any() const { return gonePage || newEnd; }
    /// True when the bytes from begin to end may have been read as zeros instead of the file's.
    bool spoils(const char *begin, const char *end) const
    {
        return (gonePage && end > gonePage) || (newEnd && end > newEnd && begin < newEndPage);
    }
};

/// Keeps a read-only mapping of a file readable when the file shrinks under it. Reading a page
/// the file no longer has would end the process with SIGBUS; while a watch lives, such a page
/// and every page after it read as zeros instead, and the watch notes where the file changed.
/// Faults anywhere else go on to whatever handled them before.
///
///     MappingWatch watch(mapped, size, descriptor); // takes the descriptor
///     ... read the bytes ...
///     if (watch.change().spoils(frameStart, frameEnd)) ... the frame read zeros, not the file
class MappingWatch
{
public:
    MappingWatch() = default;
    /// Watches the mapping of length bytes at begin, made from descriptor, which the watch
    /// keeps open (to learn the file's size) and closes at its end. With too many watches at
    /// once the mapping goes unwatched.
    MappingWatch(const char *begin, std::size_t length, int descriptor);
    ~MappingWatch();
    MappingWatch(MappingWatch &&other) noexcept;
    MappingWatch &operator=(MappingWatch &&other) noexcept;
    MappingWatch(const MappingWatch &) = delete;
    MappingWatch &operator=(const MappingWatch &) = delete;

    /// True once a page of the mapping was found gone (cheap: no system call).
    bool faulted() const;
    /// How the file has changed so far (nothing while it is as long as the mapping). Asks the
    /// system for the file's size.
    FileChange change() const;

private:
    void release();
    int slot = -1;
    const char *begin = nullptr;
    std::size_t length = 0;
    int descriptor = -1;
};
