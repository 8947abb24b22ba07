#include "model/wholeinput.h"

#include "model/memorybudget.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>
#include <zstd_errors.h>

namespace {

// Small enough that a stop is met within a few milliseconds of decompressing.
constexpr std::size_t Step = std::size_t{4} << 20;

bool startsWith(std::string_view bytes, std::string_view magic)
{
    return bytes.substr(0, magic.size()) == magic;
}

constexpr std::string_view GzipMagic("\x1f\x8b", 2);
constexpr std::string_view ZstdMagic("\x28\xb5\x2f\xfd", 4);

UnpackResult gunzip(std::string_view compressed, GrowingBuffer &buffer)
{
    z_stream stream{};
    // 32: a gzip or zlib header, told apart by zlib
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        return UnpackResult::OutOfMemory;
    const auto *next = reinterpret_cast<const Bytef *>(compressed.data());
    std::size_t left = compressed.size();
    UnpackResult result = UnpackResult::Complete;
    for (;;) {
        if (stream.avail_in == 0 && left > 0) {
            stream.next_in = const_cast<Bytef *>(next);
            stream.avail_in = static_cast<uInt>(std::min<std::size_t>(left, UINT_MAX));
            next += stream.avail_in;
            left -= stream.avail_in;
        }
        std::size_t available = 0;
        char *to = buffer.room(Step, available);
        if (!to) {
            result = buffer.stopped() ? UnpackResult::Stopped : UnpackResult::OutOfMemory;
            break;
        }
        stream.next_out = reinterpret_cast<Bytef *>(to);
        stream.avail_out = static_cast<uInt>(available);
        const int status = inflate(&stream, Z_NO_FLUSH);
        buffer.filledBy(available - stream.avail_out);
        const bool inputLeft = stream.avail_in > 0 || left > 0;
        if (status == Z_STREAM_END) {
            // gzip members may follow one another (cat a.gz b.gz); anything else after the
            // end is not read
            if (stream.avail_in >= 2 && stream.next_in[0] == 0x1f && stream.next_in[1] == 0x8b
                && inflateReset(&stream) == Z_OK)
                continue;
            break;
        }
        if (status == Z_OK || (status == Z_BUF_ERROR && inputLeft))
            continue;
        result = status == Z_MEM_ERROR ? UnpackResult::OutOfMemory : UnpackResult::Damaged;
        break;
    }
    inflateEnd(&stream);
    return result;
}

// The largest window a frame may ask for: what the format allows (frames made with --long=31
// ask for 2 GiB), but no more than the text may take.
int windowLogWithin(std::size_t limit)
{
    const ZSTD_bounds bounds = ZSTD_dParam_getBounds(ZSTD_d_windowLogMax);
    int log = ZSTD_isError(bounds.error) ? 27 : bounds.upperBound;
    while (log > 10 && (std::size_t{1} << log) > limit)
        --log;
    return log;
}

UnpackResult unzstd(std::string_view compressed, GrowingBuffer &buffer, std::size_t limit)
{
    ZSTD_DStream *stream = ZSTD_createDStream();
    if (!stream)
        return UnpackResult::OutOfMemory;
    ZSTD_DCtx_setParameter(stream, ZSTD_d_windowLogMax, windowLogWithin(limit));
    ZSTD_inBuffer in{compressed.data(), compressed.size(), 0};
    UnpackResult result = UnpackResult::Complete;
    for (;;) {
        std::size_t available = 0;
        char *to = buffer.room(Step, available);
        if (!to) {
            result = buffer.stopped() ? UnpackResult::Stopped : UnpackResult::OutOfMemory;
            break;
        }
        ZSTD_outBuffer out{to, available, 0};
        const std::size_t hint = ZSTD_decompressStream(stream, &out, &in);
        buffer.filledBy(out.pos);
        if (ZSTD_isError(hint)) {
            const ZSTD_ErrorCode code = ZSTD_getErrorCode(hint);
            result = code == ZSTD_error_memory_allocation          ? UnpackResult::OutOfMemory
                : code == ZSTD_error_frameParameter_windowTooLarge ? UnpackResult::WindowTooLarge
                                                                   : UnpackResult::Damaged;
            break;
        }
        // a text that ends exactly where the room does is whole, not out of memory
        if (hint == 0 && in.pos == in.size)
            break;
        if (in.pos < in.size || out.pos == out.size)
            continue;
        // everything was taken in and nothing more came out: whole when the last frame ended
        if (hint != 0)
            result = UnpackResult::Damaged;
        break;
    }
    ZSTD_freeDStream(stream);
    return result;
}

} // namespace

GrowingBuffer::GrowingBuffer(std::size_t limit, OpenProgress *progress)
    : limit(limit == 0 ? defaultMemoryLimit() : limit)
    , progress(progress)
{
}

bool GrowingBuffer::stopWanted()
{
    if (progress && progress->stop.load(std::memory_order_relaxed))
        stopAsked = true;
    return stopAsked;
}

void GrowingBuffer::filledBy(std::size_t count)
{
    filled += count;
    if (progress)
        progress->held.store(filled, std::memory_order_relaxed);
}

GrowingBuffer::~GrowingBuffer()
{
    if (buffer)
        munmap(buffer, capacity);
}

char *GrowingBuffer::room(std::size_t step, std::size_t &available)
{
    available = 0;
    if (ranOut || stopWanted())
        return nullptr;
    if (filled == capacity) {
        if (capacity >= limit) {
            ranOut = true;
            return nullptr;
        }
        const std::size_t grown =
            std::min(capacity == 0 ? (std::size_t{1} << 20) : 2 * capacity, limit);
        void *memory = capacity == 0
            ? mmap(nullptr, grown, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
            : mremap(buffer, capacity, grown, MREMAP_MAYMOVE);
        if (memory == MAP_FAILED) {
            ranOut = true;
            return nullptr;
        }
        buffer = static_cast<char *>(memory);
        capacity = grown;
    }
    const std::size_t chunk = std::min(capacity - filled, step);
#if defined(MADV_POPULATE_WRITE)
    // Pages made present in one call cost less than a fault each; without memory for them the
    // writing would fail alike.
    if (madvise(buffer + filled, chunk, MADV_POPULATE_WRITE) != 0 && errno == ENOMEM) {
        ranOut = true;
        return nullptr;
    }
#endif
    available = chunk;
    return buffer + filled;
}

char *GrowingBuffer::release(std::size_t &held)
{
    held = capacity;
    capacity = 0;
    filled = 0;
    char *memory = buffer;
    buffer = nullptr;
    return memory;
}

Compression compressionOf(std::string_view start)
{
    if (startsWith(start, GzipMagic))
        return Compression::Gzip;
    if (startsWith(start, ZstdMagic))
        return Compression::Zstd;
    return Compression::None;
}

UnpackResult unpack(Compression kind, std::string_view compressed, GrowingBuffer &buffer)
{
    switch (kind) {
    case Compression::Gzip:
        return gunzip(compressed, buffer);
    case Compression::Zstd:
        return unzstd(compressed, buffer, buffer.limitBytes());
    case Compression::None:
        break;
    }
    return UnpackResult::Complete;
}
