// The memory a trajectory takes is bounded by what it decodes to. (Stopping a FIFO or a
// decompression that keeps the opening waiting is tested through the window, tst_open.)

#include "test_input_texts.h"
#include "test_reader_support.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

namespace {

const std::pair<std::string, std::string> OutOfMemory{"READING FILE ERROR", "Not enough memory"};
const std::pair<std::string, std::string> TextTooLarge{"READING FILE ERROR",
    "The decompressed text is larger than the memory limit allows (see --memory); decompress "
    "the file to disk to open all of it frame by frame"};

// text repeated times, zstd-compressed as a stream of unknown size with the given window (so
// the frame states the window, as one written through a pipe does)
std::string zstdStream(const std::string &text, int repeated, int windowLog)
{
    ZSTD_CCtx *context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 1);
    ZSTD_CCtx_setParameter(context, ZSTD_c_windowLog, windowLog);
    std::string out;
    std::string block(ZSTD_CStreamOutSize(), '\0');
    // the text goes in before the end is asked for, so its size is not known up front
    for (int i = 0; i <= repeated; ++i) {
        const bool last = i == repeated;
        ZSTD_inBuffer in{text.data(), last ? 0 : text.size(), 0};
        for (;;) {
            ZSTD_outBuffer to{block.data(), block.size(), 0};
            const std::size_t left =
                ZSTD_compressStream2(context, &to, &in, last ? ZSTD_e_end : ZSTD_e_continue);
            EXPECT_FALSE(ZSTD_isError(left));
            out.append(block.data(), to.pos);
            if (last ? left == 0 : in.pos == in.size)
                break;
        }
    }
    ZSTD_freeCCtx(context);
    return out;
}

class MemoryBound : public FolderTest
{
protected:
    // Reads file with the list bounded to limit bytes.
    static void readBounded(ReadAll &read, TrajectoryFile &file, std::size_t limit, int threads,
        FrameHolding holding = FrameHolding::Whole, const InputFormat &format = quietFormat())
    {
        read.frames.budget().setLimit(limit);
        ReadOptions options;
        options.holding = holding;
        options.threads = threads;
        options.batchBytes = 1 << 16;
        read.outcome =
            readTrajectory(file, format, read.types, read.sink, read.warned, read.frames, options);
    }

    // The frames kept are the file's first ones, whole, and they and the text fit the bound.
    static void expectStoppedAtTheBound(const ReadAll &read, std::size_t limit, int written,
        const Messages &said = Messages{OutOfMemory})
    {
        EXPECT_EQ(read.messages(), said);
        EXPECT_TRUE(read.outcome.outOfMemory);
        const int kept = read.frames.count();
        EXPECT_GT(kept, 1000);
        EXPECT_LT(kept, written);
        // a loaded one-atom frame takes at least its atom and its record
        if (!read.frames.onDemand()) {
            EXPECT_LE(static_cast<std::size_t>(kept) * (sizeof(Frame) + sizeof(FrameAtom)), limit);
        }
        for (const int i : {1, kept / 2, kept}) {
            EXPECT_EQ(read.frame(i).time, i - 1);
            ASSERT_EQ(read.frame(i).atoms.size(), 1u);
            EXPECT_EQ(read.frame(i).atoms[0].position, (Vector3{1, 2, 3}));
        }
    }
};

} // namespace

// A plain file of one-atom frames decodes to many times its size: held whole, the frames stop
// at the bound, not the system's memory; read on demand, only their index counts, which stops at
// a bound too small for it.
TEST_F(MemoryBound, DecodedFramesStopAtTheBoundKeepingTheFramesRead)
{
    constexpr int Written = 200000; // 4 MB of text, some 60 MB of frames, a 6.4 MB index
    constexpr std::size_t Limit = std::size_t{8} << 20;
    const std::string path = put("one-atom.xyz", oneAtomFrames(Written));
    const struct
    {
        FrameHolding holding;
        std::size_t limit;
        bool onDemand;
        bool whole; // every frame is there
    } cases[] = {
        {FrameHolding::Whole, Limit, false, false},
        {FrameHolding::Automatic, Limit, true, true},
        {FrameHolding::Automatic, Limit / 4, true, false},
    };
    for (const auto &bound : cases) {
        for (const int threads : {1, 2}) {
            TrajectoryFile file;
            ASSERT_TRUE(file.open(path));
            ReadAll read("", quietFormat());
            read.frames.clearFrames();
            readBounded(read, file, bound.limit, threads, bound.holding);
            SCOPED_TRACE(testing::Message() << bound.limit << " " << threads);
            EXPECT_EQ(read.frames.onDemand(), bound.onDemand);
            if (bound.whole) {
                EXPECT_EQ(read.frames.count(), Written);
                EXPECT_TRUE(read.messages().empty());
                EXPECT_EQ(read.frame(Written).time, Written - 1);
            } else {
                expectStoppedAtTheBound(read, bound.limit, Written);
            }
            EXPECT_LE(read.frames.budget().used(), bound.limit);
        }
    }
    // the same frames within a larger bound are read whole, without a message
    TrajectoryFile file;
    ASSERT_TRUE(file.open(put("short.xyz", oneAtomFrames(1000))));
    ReadAll read("", quietFormat());
    read.frames.clearFrames();
    readBounded(read, file, Limit, 2, FrameHolding::Automatic);
    EXPECT_EQ(read.frames.count(), 1000);
    EXPECT_FALSE(read.frames.onDemand());
    EXPECT_TRUE(read.messages().empty());
}

// Frames with a cell and kept columns hold a block besides their record: it counts too.
TEST_F(MemoryBound, TheExtrasOfFramesCountAgainstTheBound)
{
    constexpr int Written = 20000;
    constexpr std::size_t Limit = std::size_t{4} << 20;
    std::string text;
    for (int i = 0; i < Written; ++i)
        text += "1\nLattice=\"5 0 0 0 5 0 0 0 5\" Properties=species:S:1:pos:R:3:tags:I:1 time="
            + std::to_string(i) + "\nH 1 2 3 7\n";
    const std::string path = put("extended.xyz", text);
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        TrajectoryFile file;
        ASSERT_TRUE(file.open(path));
        ReadAll read("", formatOf(LayoutKind::XYZ));
        read.frames.clearFrames();
        readBounded(read, file, Limit, threads, FrameHolding::Whole, formatOf(LayoutKind::XYZ));
        EXPECT_EQ(read.messages(), Messages{OutOfMemory});
        const auto kept = static_cast<std::size_t>(read.frames.count());
        EXPECT_GT(kept, 1000u);
        EXPECT_LE(kept * (sizeof(Frame) + sizeof(FrameExtras) + sizeof(FrameAtom)), Limit);
        EXPECT_EQ(read.frame(static_cast<int>(kept)).keptColumns().size(), 1u);
    }
}

// A small compressed file can hold far more text than memory: the text takes half the bound
// and the frames the rest, and the reading ends within it, saying so once and why.
TEST_F(MemoryBound, CompressedBombsEndWithinTheBound)
{
    constexpr std::size_t Limit = std::size_t{8} << 20;
    const std::string text = oneAtomFrames(50000); // 1 MB, repeated 20 times by zstd
    const struct
    {
        const char *name;
        std::string bytes;
    } bombs[] = {
        {"bomb.zst", zstdStream(text, 20, 21)},
        {"bomb.gz", gzipped(text + text + text + text + text + text + text + text, 9)},
    };
    for (const auto &bomb : bombs) {
        SCOPED_TRACE(bomb.name);
        EXPECT_LT(bomb.bytes.size(), std::size_t{4} << 20);
        TrajectoryFile file;
        ASSERT_TRUE(file.open(put(bomb.name, bomb.bytes), Limit / 2));
        EXPECT_TRUE(file.truncated());
        EXPECT_LE(file.heldBytes(), Limit / 2);
        ReadAll read("", quietFormat());
        read.frames.clearFrames();
        readBounded(read, file, Limit, 2);
        expectStoppedAtTheBound(read, Limit, 50000, Messages{OutOfMemory, TextTooLarge});
        // the text's share is given back once the frames are read
        EXPECT_LE(read.frames.budget().used(), Limit - file.heldBytes());
    }
}

// A zstd text cut at its share of the bound, while the frames still have room: the
// frames before the cut are kept and the reading says why it ended there. With a share of
// exactly its size the same text is whole and says nothing.
TEST_F(MemoryBound, CompressedTextCutAtTheBoundKeepsItsFramesAndSaysWhy)
{
    constexpr int Written = 10000;
    constexpr int Fitting = 3000; // frames of 20 bytes whole within the text's share
    const std::string text = oneAtomFrames(Written);
    const std::string path = put("cut.xyz.zst", zstdStream(text, 1, 15));
    TrajectoryFile file;
    ASSERT_TRUE(file.open(path, Fitting * 20));
    ReadAll read("", quietFormat());
    read.frames.clearFrames();
    readBounded(read, file, std::size_t{64} << 20, 2);
    EXPECT_EQ(read.messages(), (Messages{OutOfMemory, TextTooLarge}));
    EXPECT_TRUE(read.outcome.outOfMemory);
    ASSERT_EQ(read.frames.count(), Fitting);
    EXPECT_EQ(read.frame(Fitting).time, Fitting - 1);

    TrajectoryFile whole;
    ASSERT_TRUE(whole.open(path, text.size()));
    ReadAll all("", quietFormat());
    all.frames.clearFrames();
    readBounded(all, whole, std::size_t{64} << 20, 2);
    EXPECT_TRUE(all.messages().empty());
    EXPECT_EQ(all.frames.count(), Written);
}

// zstd's long mode states a window beyond the decoder's default: it is allowed up to the
// bound, and a window beyond the bound is told as such, not as damage.
TEST_F(MemoryBound, ZstdLongWindowsAreReadUpToTheBound)
{
    const std::string text = oneAtomFrames(1000);
    const std::string path = put("long.zst", zstdStream(text, 1, 28));
    TrajectoryFile wide;
    ASSERT_TRUE(wide.open(path, std::size_t{1} << 30));
    EXPECT_FALSE(wide.damaged());
    EXPECT_EQ(wide.bytes(), text);

    TrajectoryFile narrow;
    ASSERT_TRUE(narrow.open(path, std::size_t{16} << 20));
    EXPECT_TRUE(narrow.needsLargerWindow());
    EXPECT_FALSE(narrow.damaged());
    const ReadAll read(narrow, quietFormat());
    EXPECT_EQ(read.frames.count(), 0);
    EXPECT_EQ(read.messages(),
        (Messages{{"READING FILE ERROR",
            "The compressed file needs a larger decompression window than the memory limit "
            "allows (see --memory)"}}));
}

// The numbers of a kept column live in the frames' memory: a frame whose columns pass the bound
// ends as memory running out does, and within a larger bound the same frame is read whole.
TEST(MemoryBoundFrame, KeptColumnsPastTheBoundEndAsNotEnoughMemory)
{
    constexpr int Atoms = 200;
    constexpr int Values = 1000; // 1.6 MB of numbers in 400 kB of text
    std::string text = std::to_string(Atoms)
        + "\nProperties=species:S:1:pos:R:3:wide:R:" + std::to_string(Values) + "\n";
    for (int i = 0; i < Atoms; ++i) {
        text += "H 0 0 0";
        for (int k = 0; k < Values; ++k)
            text += " 1";
        text += '\n';
    }
    const struct
    {
        std::size_t limit;
        ReadResult result;
        Messages said;
    } bounds[] = {
        {std::size_t{1} << 20, ReadResult::OutOfMemory, {OutOfMemory}},
        {std::size_t{16} << 20, ReadResult::FrameComplete, {}},
    };
    for (const auto &bound : bounds) {
        SCOPED_TRACE(bound.limit);
        AtomTypeTable types;
        types.buildDefaultTable();
        RecordingSink sink;
        ReaderWarned warned;
        FrameList frames;
        frames.budget().setLimit(bound.limit);
        Frame frame(frames.memory());
        LineSource source(text);
        EXPECT_EQ(
            readFrame(frame, source, formatOf(LayoutKind::XYZ), types, sink, warned), bound.result);
        EXPECT_EQ(sink.messages, bound.said);
        EXPECT_LE(frames.budget().used(), bound.limit);
        if (bound.result == ReadResult::FrameComplete) {
            ASSERT_EQ(frame.keptColumns().size(), 1u);
            EXPECT_EQ(frame.keptColumns()[0].numbers.size(), std::size_t{Atoms} * Values);
        }
    }
}

TEST(MemorySizes, ReadAsTheCommandLinesTakeThem)
{
    const struct
    {
        const char *text;
        std::size_t bytes; // 0: refused
    } cases[] = {
        {"4096", 4096},
        {"1000000", 1000000},
        {"512M", std::size_t{512} << 20},
        {"2g", std::size_t{2} << 30},
        {"3GiB", std::size_t{3} << 30},
        {"64KB", std::size_t{64} << 10},
        {"0", 0},
        {"", 0},
        {"M", 0},
        {"12X", 0},
        {"-5M", 0},
        {"1.5G", 0},
        {"99999999999999999999", 0},
    };
    for (const auto &size : cases) {
        std::size_t bytes = 0;
        EXPECT_EQ(parseMemorySize(size.text, bytes), size.bytes != 0) << size.text;
        if (size.bytes != 0) {
            EXPECT_EQ(bytes, size.bytes) << size.text;
            // as the window shows it, in the largest whole unit, it reads back the same
            std::size_t back = 0;
            EXPECT_TRUE(parseMemorySize(memorySizeText(bytes).c_str(), back)) << size.text;
            EXPECT_EQ(back, bytes) << size.text;
        }
    }
}
