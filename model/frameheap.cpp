#include "model/frameheap.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <sys/mman.h>

#if defined(TESSALY_FRAMEHEAP_POISONED)
#include <sanitizer/asan_interface.h>
#endif

namespace {

#if defined(TESSALY_FRAMEHEAP_POISONED)
// AddressSanitizer tracks memory in granules of 8 bytes: an array must start on one.
constexpr std::size_t Granule = 8;
void poison(const void *address, std::size_t bytes)
{
    ASAN_POISON_MEMORY_REGION(address, bytes);
}
void unpoison(const void *address, std::size_t bytes)
{
    ASAN_UNPOISON_MEMORY_REGION(address, bytes);
}
#else
constexpr std::size_t Granule = 1;
void poison(const void *, std::size_t) { }
void unpoison(const void *, std::size_t) { }
#endif

// The size of a huge page on the machines that matter; a mapping aligned to it lets the kernel
// back the memory with huge pages.
constexpr std::size_t HugePage = std::size_t{2} << 20;

std::uintptr_t roundUp(std::uintptr_t value, std::size_t step)
{
    return (value + step - 1) / step * step;
}

} // namespace

FrameHeap::~FrameHeap()
{
    release();
}

void FrameHeap::release()
{
    const std::lock_guard lock(mutex);
    for (const Mapping &mapping : mappings) {
        unpoison(mapping.address, mapping.size); // the addresses may be mapped again
        munmap(mapping.address, mapping.size);
    }
    mappings.clear();
    cursor = 0;
    limit = 0;
}

std::size_t FrameHeap::mappedBytes() const
{
    const std::lock_guard lock(mutex);
    std::size_t total = 0;
    for (const Mapping &mapping : mappings)
        total += mapping.size;
    return total;
}

// Maps at least bytes (a multiple of HugePage) at a HugePage boundary; throws bad_alloc.
FrameHeap::Mapping FrameHeap::map(std::size_t bytes)
{
    if (bytes > SIZE_MAX - HugePage)
        throw std::bad_alloc();
    // Mapping one huge page more and trimming is the portable way to get the alignment.
    const std::size_t padded = bytes + HugePage;
    void *raw = mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = roundUp(start, HugePage);
    if (aligned > start)
        munmap(raw, aligned - start);
    const std::uintptr_t tail = aligned + bytes;
    if (start + padded > tail)
        munmap(reinterpret_cast<void *>(tail), start + padded - tail);
    void *address = reinterpret_cast<void *>(aligned);
#if defined(MADV_HUGEPAGE)
    // Without huge pages (refused, or not built in) the memory still works with small ones.
    madvise(address, bytes, MADV_HUGEPAGE);
#endif
    poison(address, bytes);
    return {address, bytes};
}

void *FrameHeap::do_allocate(std::size_t bytes, std::size_t alignment)
{
    if (bytes == 0)
        bytes = 1;
    alignment = std::max(alignment, Granule);
    if (alignment > HugePage || bytes > SIZE_MAX - HugePage - GuardBytes)
        throw std::bad_alloc();
    const std::size_t needed = bytes + GuardBytes;
    const std::lock_guard lock(mutex);
    const std::uintptr_t start = roundUp(cursor, alignment);
    if (start <= limit && needed <= limit - start) {
        cursor = start + needed;
        unpoison(reinterpret_cast<void *>(start), bytes);
        return reinterpret_cast<void *>(start);
    }
    mappings.reserve(mappings.size() + 1); // so recording a new mapping cannot fail
    // An array too large to leave a useful rest of a chunk gets a mapping of its own, so
    // the current chunk goes on serving the small ones.
    if (needed > ChunkBytes / 4) {
        const Mapping own = map(roundUp(needed, HugePage));
        mappings.push_back(own);
        unpoison(own.address, bytes);
        return own.address;
    }
    const Mapping chunk = map(ChunkBytes);
    mappings.push_back(chunk);
    cursor = reinterpret_cast<std::uintptr_t>(chunk.address) + needed;
    limit = reinterpret_cast<std::uintptr_t>(chunk.address) + chunk.size;
    unpoison(chunk.address, bytes);
    return chunk.address;
}

void FrameHeap::do_deallocate(void *memory, std::size_t bytes, std::size_t)
{
    // Cut memory goes back with its whole mapping; until then a use of it is an error.
    poison(memory, bytes);
}
