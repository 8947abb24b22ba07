#pragma once

#include "model/memorybudget.h"

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <mutex>
#include <vector>

// Under AddressSanitizer the heap keeps every byte that no array owns poisoned (the rest of a
// chunk, a guard after each array, given-back arrays), so overruns and uses after free of the
// memory the program really uses are caught.
#if defined(__SANITIZE_ADDRESS__)
#define TESSALY_FRAMEHEAP_POISONED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSALY_FRAMEHEAP_POISONED 1
#endif
#endif

/// The memory of a loaded trajectory's frames: arrays are cut one after the other from large
/// mappings of normal pages, with no per-array bookkeeping and nothing to free one by one. Any
/// thread may allocate at any time; giving memory back does nothing, and the memory returns
/// to the system as a whole with release(). A heap is only equal to itself.
class FrameHeap : public std::pmr::memory_resource
{
public:
    FrameHeap() = default;
    FrameHeap(const FrameHeap &) = delete;
    FrameHeap &operator=(const FrameHeap &) = delete;
    ~FrameHeap() override;

    /// Returns every mapping to the system. Nothing allocated from the heap may be used after.
    void release();
    /// Bytes mapped for the heap so far (for tests and diagnostics).
    std::size_t mappedBytes() const;
    /// Counts every mapping against budget (which must outlive the heap's mappings): a
    /// mapping it refuses throws bad_alloc, as a failed one does. With a small limit the
    /// heap maps smaller chunks, so the bound is met closely.
    void setBudget(MemoryBudget *budget);

    /// Poisoned bytes left after every array under AddressSanitizer; 0 otherwise.
#if defined(TESSALY_FRAMEHEAP_POISONED)
    static constexpr std::size_t GuardBytes = 32;
#else
    static constexpr std::size_t GuardBytes = 0;
#endif
    /// The size of the mappings arrays are usually cut from.
    static constexpr std::size_t ChunkBytes = std::size_t{32} << 20;

private:
    struct Mapping
    {
        void *address = nullptr;
        std::size_t size = 0;
    };

    void *do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void *memory, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource &other) const noexcept override
    {
        return this == &other;
    }
    Mapping map(std::size_t bytes);

    std::size_t chunkBytes() const;

    MemoryBudget *budget = nullptr;
    mutable std::mutex mutex;
    std::vector<Mapping> mappings;
    std::uintptr_t cursor = 0; ///< next free byte of the last chunk
    std::uintptr_t limit = 0; ///< end of the last chunk (cursor == limit: no chunk to cut from)
};
