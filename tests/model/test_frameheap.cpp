#include "model/frame.h"
#include "model/frameheap.h"
#include "model/trajectoryreader_shared.h"
#include "test_reader_support.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

#if defined(TESSALY_FRAMEHEAP_POISONED)
#include <sanitizer/asan_interface.h>
#endif

namespace {

struct Block
{
    std::uintptr_t begin = 0;
    std::size_t size = 0;
    std::size_t alignment = 1;
    unsigned char fill = 0;
};

// Allocates blocks of varied sizes and alignments, each filled with its own byte.
std::vector<Block> allocateBlocks(FrameHeap &heap, unsigned char fill, int count)
{
    std::vector<Block> blocks;
    for (int i = 0; i < count; ++i) {
        const std::size_t size = 1 + static_cast<std::size_t>(i * 7919 % 20000);
        const std::size_t alignment = std::size_t{1} << (i % 13);
        void *memory = heap.allocate(size, alignment);
        std::memset(memory, fill, size);
        blocks.push_back({reinterpret_cast<std::uintptr_t>(memory), size, alignment, fill});
    }
    return blocks;
}

TEST(FrameHeap, ThreadsAllocatingAtOnceGetSeparateAlignedBlocks)
{
    FrameHeap heap;
    std::vector<Block> first;
    std::vector<Block> second;
    std::thread other([&] { first = allocateBlocks(heap, 0xA5, 2000); });
    second = allocateBlocks(heap, 0x5A, 2000);
    other.join();

    std::vector<Block> all = first;
    all.insert(all.end(), second.begin(), second.end());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].begin % all[i].alignment, 0u) << "block " << i;
        const auto *bytes = reinterpret_cast<const unsigned char *>(all[i].begin);
        EXPECT_TRUE(std::all_of(
            bytes, bytes + all[i].size, [&](unsigned char b) { return b == all[i].fill; }))
            << "block " << i << " was overwritten";
    }
    std::sort(
        all.begin(), all.end(), [](const Block &a, const Block &b) { return a.begin < b.begin; });
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_LE(all[i - 1].begin + all[i - 1].size, all[i].begin);
    for (const Block &block : all)
        heap.deallocate(reinterpret_cast<void *>(block.begin), block.size, block.alignment);
}

TEST(FrameHeap, LargeArraysGetMemoryOfTheirOwnAndReleaseReturnsEverything)
{
    FrameHeap heap;
    void *small = heap.allocate(100, 8);
    const std::size_t oneChunk = heap.mappedBytes();
    EXPECT_EQ(oneChunk, FrameHeap::ChunkBytes);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(small) % (std::size_t{2} << 20), 0u);

    const std::size_t large = FrameHeap::ChunkBytes + 1;
    auto *big = static_cast<char *>(heap.allocate(large, 64));
    big[0] = 1;
    big[large - 1] = 2;
    EXPECT_GE(heap.mappedBytes(), oneChunk + large);
    // the chunk still serves small arrays after the large one
    auto *next = static_cast<char *>(heap.allocate(100, 8));
    EXPECT_EQ(next, static_cast<char *>(small) + (100 + FrameHeap::GuardBytes + 7) / 8 * 8);

    heap.release();
    EXPECT_EQ(heap.mappedBytes(), 0u);
    EXPECT_NE(heap.allocate(16, 16), nullptr);
    EXPECT_EQ(heap.mappedBytes(), FrameHeap::ChunkBytes);
}

#if defined(TESSALY_FRAMEHEAP_POISONED)
TEST(FrameHeap, UnderAddressSanitizerOnlyLiveArraysAreAddressable)
{
    FrameHeap heap;
    auto *first = static_cast<char *>(heap.allocate(100, 8));
    auto *second = static_cast<char *>(heap.allocate(40, 8));
    EXPECT_EQ(__asan_region_is_poisoned(first, 100), nullptr);
    EXPECT_EQ(__asan_region_is_poisoned(second, 40), nullptr);
    EXPECT_TRUE(__asan_address_is_poisoned(first + 100)) << "no guard after an array";
    EXPECT_TRUE(__asan_address_is_poisoned(second + 40 + 1000)) << "the chunk's rest is open";
    auto *own = static_cast<char *>(heap.allocate(FrameHeap::ChunkBytes, 64));
    EXPECT_EQ(__asan_region_is_poisoned(own, FrameHeap::ChunkBytes), nullptr);
    EXPECT_TRUE(__asan_address_is_poisoned(own + FrameHeap::ChunkBytes));
    heap.deallocate(first, 100, 8);
    EXPECT_TRUE(__asan_address_is_poisoned(first)) << "a given-back array is still usable";
    heap.release();
}
#endif

TEST(FrameHeap, IsEqualOnlyToItself)
{
    FrameHeap one;
    FrameHeap other;
    EXPECT_TRUE(one.is_equal(one));
    EXPECT_FALSE(one.is_equal(other));
    EXPECT_FALSE(one.is_equal(*std::pmr::new_delete_resource()));
}

TEST(FrameList, FramesKeepTheirAtomsInPlaceWhileMoreAreAppended)
{
    FrameList frames;
    std::vector<const FrameAtom *> where;
    for (int i = 0; i < 3000; ++i) {
        Frame frame(frames.memory());
        frame.atomCount = 1 + i % 50;
        ASSERT_TRUE(allocateAtoms(frame, frame.atomCount));
        frame.atoms.back().charge = i;
        where.push_back(frame.atoms.data());
        const Frame &kept = frames.appendFrame(std::move(frame));
        ASSERT_EQ(kept.atoms.data(), where.back());
    }
    int index = 0;
    for (const Frame &frame : frames) {
        EXPECT_EQ(frame.atoms.data(), where[static_cast<std::size_t>(index)]);
        EXPECT_EQ(frame.atoms.get_allocator().resource(), frames.memory());
        EXPECT_EQ(frame.atoms.back().charge, index);
        ++index;
    }
    // a copy lives on its own, in ordinary memory
    const Frame copy = frames.frameAt(7);
    EXPECT_NE(copy.atoms.get_allocator().resource(), frames.memory());
    EXPECT_EQ(copy.atoms.back().charge, 6);

    auto *heap = dynamic_cast<FrameHeap *>(frames.memory());
    ASSERT_NE(heap, nullptr);
    EXPECT_GT(heap->mappedBytes(), 0u);
    frames.clearFrames();
    EXPECT_EQ(heap->mappedBytes(), 0u);
    EXPECT_EQ(copy.atoms.back().charge, 6);
}

// A copy (the cloud's, say) outlives the list: its text and extras are its own.
TEST(FrameList, ACopyKeepsAllOfTheFrameAfterTheListIsCleared)
{
    FrameList frames;
    Frame made(frames.memory());
    ASSERT_TRUE(allocateAtoms(made, 2));
    made.setText("water, frame 1\n");
    made.editExtras().cell = Cell{{Vector3{5, 0, 0}, Vector3{0, 6, 0}, Vector3{0, 0, 7}}};
    const OrbitalTerm terms[] = {newTerm(2, 1, 0.25, true, 0)};
    made.setOwnOrbitals(made.atoms[1], terms);
    made.setNameOf(0, made.addName("OW"));
    KeptColumn &tags = made.editExtras().keptColumns.emplace_back(frames.memory());
    tags.type = 'I';
    tags.numbers = {7, -2};
    const Frame copy = frames.appendFrame(std::move(made));
    frames.clearFrames();
    EXPECT_EQ(copy.text(), "water, frame 1\n");
    ASSERT_TRUE(copy.cell());
    EXPECT_EQ(copy.cell()->edges[2], (Vector3{0, 0, 7}));
    ASSERT_EQ(copy.ownOrbitals(copy.atoms[1]).size(), 1u);
    EXPECT_EQ(copy.ownOrbitals(copy.atoms[1])[0].coefficient, 0.25);
    EXPECT_EQ(copy.atomName(0), "OW");
    ASSERT_EQ(copy.keptColumns().size(), 1u);
    EXPECT_EQ(copy.keptColumns()[0].numbers, (std::pmr::vector<double>{7, -2}));
}

TEST(FrameList, FramesMadeElsewhereKeepOrdinaryMemory)
{
    FrameList frames;
    Frame frame;
    ASSERT_TRUE(allocateAtoms(frame, 4));
    const FrameAtom *atoms = frame.atoms.data();
    const Frame &kept = frames.appendFrame(std::move(frame));
    EXPECT_EQ(kept.atoms.data(), atoms);
    EXPECT_EQ(kept.atoms.get_allocator().resource(), std::pmr::get_default_resource());
}

TEST(FrameList, ReadFramesTakeTheirArraysFromTheList)
{
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "2\nframe " + std::to_string(i) + "\nC 1 2 3\nO " + std::to_string(i) + " 0 0\n";
    for (const int threads : {1, 2}) {
        ReadAll read(text, formatOf(LayoutKind::Common), threads);
        ASSERT_EQ(read.frames.count(), 40) << threads << " threads";
        for (int i = 1; i <= 40; ++i) {
            const Frame &frame = read.frame(i);
            EXPECT_EQ(frame.atoms.get_allocator().resource(), read.frames.memory());
            ASSERT_EQ(frame.atoms.size(), 2u);
            EXPECT_EQ(frame.atoms[1].position.x, i - 1);
        }
        if (threads == 2) {
            EXPECT_GT(read.outcome.framesReadAhead, 0);
        }
    }
}

// A reader's large array (atoms, kept columns) is made present before it is written, so that
// filling it costs no fault per page; an unaligned start or end leaves the partial pages alone.
TEST(FrameHeap, PrefaultMakesTheWholePagesOfALargeArrayPresent)
{
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    FrameHeap heap;
    const std::size_t bytes = 256 * page;
    auto *array = static_cast<char *>(heap.allocate(bytes, 8)); // a fresh mapping of its own
    const auto present = [&](std::size_t first, std::size_t count) {
        std::vector<unsigned char> resident(count);
        EXPECT_EQ(mincore(array + first * page, count * page, resident.data()), 0);
        return static_cast<std::size_t>(std::count_if(
            resident.begin(), resident.end(), [](unsigned char r) { return (r & 1) != 0; }));
    };
    ASSERT_EQ(present(0, 256), 0u) << "fresh pages are not present before their first touch";
#if defined(MADV_POPULATE_WRITE)
    if (madvise(array, page, MADV_POPULATE_WRITE) != 0)
        GTEST_SKIP() << "this system cannot make pages present in advance";
#else
    GTEST_SKIP() << "this system cannot make pages present in advance";
#endif
    prefaultForWriting(array + 100, bytes - 200);
    EXPECT_EQ(present(1, 254), 254u);
    EXPECT_EQ(present(255, 1), 0u);
}

} // namespace
