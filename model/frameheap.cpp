#include "model/frameheap.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <new>
#include <sys/mman.h>
#include <thread>

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

// Arrays that get a mapping of their own take whole multiples of this.
constexpr std::size_t Step = std::size_t{2} << 20;
// Every mapping starts at least this well aligned (the smallest page size there is).
constexpr std::size_t MappingAlignment = 4096;

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
    // Giving back hundreds of megabytes is mostly the system freeing their pages, which two
    // threads do side by side (unmapping itself would take turns); the mappings then go
    // quickly.
    if (mappings.size() >= 4 && std::thread::hardware_concurrency() > 1) {
        const std::size_t half = mappings.size() / 2;
        const auto drop = [this](std::size_t first, std::size_t last) {
            for (std::size_t i = first; i < last; ++i)
                madvise(mappings[i].address, mappings[i].size, MADV_DONTNEED);
        };
        try {
            std::thread helper(drop, 0, half);
            drop(half, mappings.size());
            helper.join();
        } catch (const std::exception &) {
            // Without a thread the unmapping below frees the pages alone.
        }
    }
    for (const Mapping &mapping : mappings) {
        unpoison(mapping.address, mapping.size); // the addresses may be mapped again
        munmap(mapping.address, mapping.size);
        if (budget)
            budget->giveBack(mapping.size);
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

void FrameHeap::setBudget(MemoryBudget *counted)
{
    const std::lock_guard lock(mutex);
    budget = counted;
}

std::size_t FrameHeap::chunkBytes() const
{
    const std::size_t bound = budget ? budget->limit() : 0;
    if (bound == 0)
        return ChunkBytes;
    constexpr std::size_t Small = std::size_t{64} << 10;
    return std::clamp(bound / 32 / Small * Small, 4 * Small, ChunkBytes);
}

// Maps bytes of normal pages; throws bad_alloc.
//
// Huge pages first-touch a large load three times faster when runs follow one another, but a
// virtual machine that hands idle memory back to its host makes them five times slower after
// a few seconds' pause, which is how files are opened; normal pages cost the same either way,
// so the heap asks for them even where the system would give huge pages unasked.
FrameHeap::Mapping FrameHeap::map(std::size_t bytes)
{
    if (budget && !budget->take(bytes))
        throw std::bad_alloc();
    void *address =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED) {
        if (budget)
            budget->giveBack(bytes);
        throw std::bad_alloc();
    }
#if defined(MADV_NOHUGEPAGE)
    madvise(address, bytes, MADV_NOHUGEPAGE);
#endif
    poison(address, bytes);
    return {address, bytes};
}

void *FrameHeap::do_allocate(std::size_t bytes, std::size_t alignment)
{
    if (bytes == 0)
        bytes = 1;
    alignment = std::max(alignment, Granule);
    if (alignment > MappingAlignment || bytes > SIZE_MAX - Step - GuardBytes)
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
    const std::size_t chunkSize = chunkBytes();
    if (needed > chunkSize / 4) {
        const Mapping own = map(roundUp(needed, std::min(Step, chunkSize)));
        mappings.push_back(own);
        unpoison(own.address, bytes);
        return own.address;
    }
    const Mapping chunk = map(chunkSize);
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
