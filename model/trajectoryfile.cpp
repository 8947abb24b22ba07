// The bytes of a trajectory: a mapped file, or what a pipe, a device or a compressed file
// gives, held in memory.

#include "model/trajectoryfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Waits until the descriptor has bytes or has ended; false when asked to stop first. A FIFO
// without a writer yet waits here (it was opened without waiting for one), looking at the
// progress every few milliseconds.
bool waitForInput(int descriptor, GrowingBuffer &buffer)
{
    constexpr int LookEveryMs = 20;
    for (;;) {
        if (buffer.stopWanted())
            return false;
        pollfd watched{descriptor, POLLIN, 0};
        const int ready = poll(&watched, 1, LookEveryMs);
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return true;
    }
}

} // namespace

TrajectoryFile::~TrajectoryFile()
{
    close();
}

TrajectoryFile::TrajectoryFile(TrajectoryFile &&other) noexcept
    : size(other.size)
    , mapping(std::exchange(other.mapping, nullptr))
    , mappedBytes(other.mappedBytes)
    , anonymous(other.anonymous)
    , released(other.released)
    , owned(std::move(other.owned))
    , outOfMemory(other.outOfMemory)
    , watch(std::move(other.watch))
    , unpackDamaged(other.unpackDamaged)
    , unpackChanged(other.unpackChanged)
    , windowTooLarge(other.windowTooLarge)
    , stopAsked(other.stopAsked)
    , packed(other.packed)
{
    data = mapping ? static_cast<const char *>(mapping) : (size ? owned.data() : "");
    other.data = "";
    other.size = 0;
}

TrajectoryFile TrajectoryFile::fromText(std::string text)
{
    TrajectoryFile file;
    file.owned = std::move(text);
    file.data = file.owned.data();
    file.size = file.owned.size();
    return file;
}

void TrajectoryFile::close()
{
    watch = MappingWatch();
    if (mapping)
        munmap(mapping, mappedBytes);
    mapping = nullptr;
    mappedBytes = 0;
    anonymous = false;
    data = "";
    size = 0;
    released = 0;
    owned.clear();
    outOfMemory = false;
    unpackDamaged = false;
    unpackChanged = false;
    windowTooLarge = false;
    stopAsked = false;
    packed = Compression::None;
}

void TrajectoryFile::holdAnonymous(char *memory, std::size_t capacity, std::size_t filled)
{
    if (filled == 0) {
        if (memory)
            munmap(memory, capacity);
        return;
    }
    mapping = memory;
    mappedBytes = capacity;
    anonymous = true;
    data = memory;
    size = filled;
}

void TrajectoryFile::holdUnpacked(Compression compression, std::string_view compressed,
    std::size_t memoryLimit, OpenProgress *progress)
{
    packed = compression;
    GrowingBuffer text(memoryLimit, progress);
    const UnpackResult result = unpack(compression, compressed, text);
    outOfMemory = outOfMemory || result == UnpackResult::OutOfMemory;
    unpackDamaged = result == UnpackResult::Damaged;
    windowTooLarge = result == UnpackResult::WindowTooLarge;
    stopAsked = stopAsked || result == UnpackResult::Stopped;
    const std::size_t filled = text.size();
    std::size_t capacity = 0;
    char *memory = text.release(capacity);
    holdAnonymous(memory, capacity, filled);
}

bool TrajectoryFile::open(const std::string &path, std::size_t memoryLimit, OpenProgress *progress)
{
    close();
    // A FIFO is opened without waiting for its writer: the reading below waits for the bytes
    // where a stop can reach it.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return false;
    struct stat status
    {
    };
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        return false;
    }
    if (S_ISREG(status.st_mode) && status.st_size > 0) {
        const auto length = static_cast<std::size_t>(status.st_size);
        void *mapped = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (mapped != MAP_FAILED) {
            // The watch keeps the descriptor, to learn the file's size when it changes.
            MappingWatch mappedWatch(static_cast<const char *>(mapped), length, descriptor);
            const std::string_view bytes(static_cast<const char *>(mapped), length);
            const Compression compression = compressionOf(bytes.substr(0, 4));
            if (compression == Compression::None) {
                watch = std::move(mappedWatch);
                mapping = mapped;
                mappedBytes = length;
                data = bytes.data();
                size = length;
                return true;
            }
            // the text goes into memory: the compressed bytes are read once, from the mapping
            holdUnpacked(compression, bytes, memoryLimit, progress);
            unpackChanged = mappedWatch.change().any();
            unpackDamaged = unpackDamaged && !unpackChanged;
            mappedWatch = MappingWatch();
            munmap(mapped, length);
            return true;
        }
    }
    // Pipes, devices and files that cannot be mapped are read whole instead, as far as memory
    // allows: an endless input (a device such as /dev/zero) ends where memory does.
    GrowingBuffer buffer(memoryLimit, progress);
    constexpr std::size_t Step = std::size_t{4} << 20;
    bool failed = false;
    for (;;) {
        std::size_t available = 0;
        char *to = buffer.room(Step, available);
        if (!to || !waitForInput(descriptor, buffer))
            break;
        const ssize_t got = ::read(descriptor, to, available);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        failed = got < 0;
        if (got <= 0)
            break;
        buffer.filledBy(static_cast<std::size_t>(got));
    }
    ::close(descriptor);
    if (failed)
        return false;
    outOfMemory = buffer.outOfMemory();
    stopAsked = buffer.stopped();
    const std::size_t filled = buffer.size();
    std::size_t capacity = 0;
    char *memory = buffer.release(capacity);
    const Compression compression =
        compressionOf(std::string_view(memory ? memory : "", std::min<std::size_t>(filled, 4)));
    if (compression == Compression::None) {
        holdAnonymous(memory, capacity, filled);
        return true;
    }
    // compressed bytes cut by the memory bound or a stop are short, not damaged
    const bool cut = outOfMemory || stopAsked;
    holdUnpacked(compression, std::string_view(memory, filled), memoryLimit, progress);
    unpackDamaged = unpackDamaged && !cut;
    munmap(memory, capacity);
    return true;
}

FileChange TrajectoryFile::change() const
{
    // the text decompressed from a file that shrank ends where the damage began
    if (unpackChanged)
        return FileChange{nullptr, data + size, data + size};
    return watch.change();
}

void TrajectoryFile::releaseBefore(const char *position)
{
    // Memory read from a pipe is the only copy of its bytes: it stays.
    if (!mapping || anonymous || position < data || position > data + size)
        return;
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t upTo = static_cast<std::size_t>(position - data) / page * page;
    if (upTo <= released)
        return;
    madvise(static_cast<char *>(mapping) + released, upTo - released, MADV_DONTNEED);
    released = upTo;
}

void TrajectoryFile::releaseRange(const char *begin, const char *end)
{
    if (!mapping || anonymous || begin >= end || begin < data || end > data + size)
        return;
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const auto base = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(begin) - base) / page * page;
    const std::uintptr_t to =
        (reinterpret_cast<std::uintptr_t>(end) - base + page - 1) / page * page;
    madvise(static_cast<char *>(mapping) + from, std::min<std::uintptr_t>(to, mappedBytes) - from,
        MADV_DONTNEED);
}
