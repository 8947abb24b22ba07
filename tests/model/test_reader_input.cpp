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

const std::pair<std::string, std::string> FileChanged{
    "READING FILE ERROR", "The file changed while it was being read"};
const std::pair<std::string, std::string> Damaged{
    "READING FILE ERROR", "The compressed file is damaged or cut short"};

std::string zstded(const std::string &text)
{
    std::string out(ZSTD_compressBound(text.size()), '\0');
    out.resize(ZSTD_compress(out.data(), out.size(), text.data(), text.size(), 3));
    return out;
}

class InputFiles : public FolderTest
{
};

} // namespace

// The file is cut after it was opened and before it is read, as when a simulation starts over:
// the frames wholly before the cut stay, on either path, and the change is told instead of
// whatever the zeros standing for the lost bytes would have made the reader say.
TEST_F(InputFiles, AFileThatShrinksWhileReadKeepsTheFramesBeforeTheCut)
{
    const std::string text = oneAtomFrames(1000); // 20,000 bytes: several pages
    const struct
    {
        off_t cutTo;
        int framesKept;
    } cuts[] = {{0, 0}, {5010, 250}, {5019, 250}, {8192, 409}, {19999, 999}};
    for (const auto &cut : cuts) {
        for (const int threads : {1, 2}) {
            const std::string path = put("run.xyz", text);
            TrajectoryFile file;
            ASSERT_TRUE(file.open(path));
            ASSERT_EQ(truncate(path.c_str(), cut.cutTo), 0);
            const ReadAll read(file, quietFormat(), threads, 2000);
            EXPECT_EQ(read.frames.count(), cut.framesKept) << cut.cutTo << " " << threads;
            EXPECT_EQ(read.messages(), Messages{FileChanged}) << cut.cutTo << " " << threads;
            EXPECT_TRUE(read.outcome.fileChanged);
            EXPECT_EQ(read.outcome.endedWith, ReadResult::FormatError);
        }
    }
    // a file left alone says nothing of the kind
    TrajectoryFile file;
    ASSERT_TRUE(file.open(put("run.xyz", text)));
    const ReadAll whole(file, quietFormat(), 2, 2000);
    EXPECT_EQ(whole.frames.count(), 1000);
    EXPECT_TRUE(whole.messages().empty());
    EXPECT_FALSE(whole.outcome.fileChanged);
}

// Compressed files read as their text does, whatever their name; damage ends the reading
// after the frames before it, with a message.
TEST_F(InputFiles, CompressedFilesReadAsTheirText)
{
    const std::string text = oneAtomFrames(300);
    const std::string zst = zstded(text);
    std::string flipped = gzipped(text);
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    const struct
    {
        const char *name;
        std::string bytes;
        bool damaged;
    } cases[] = {
        {"gzip.xyz.gz", gzipped(text), false},
        {"two members.gz", gzipped(text.substr(0, 2000)) + gzipped(text.substr(2000)), false},
        {"zstd.zst", zst, false},
        {"named plainly.xyz", zst, false},
        {"cut.zst", zst.substr(0, zst.size() / 2), true},
        {"flipped.gz", flipped, true},
    };
    for (const auto &input : cases) {
        for (const bool throughPipe : {false, true}) {
            const std::string path = put(input.name, input.bytes);
            TrajectoryFile file;
            if (throughPipe) {
                std::FILE *pipe = popen(("cat '" + path + "'").c_str(), "r");
                ASSERT_TRUE(pipe);
                ASSERT_TRUE(file.open("/dev/fd/" + std::to_string(fileno(pipe))));
                pclose(pipe);
            } else {
                ASSERT_TRUE(file.open(path));
            }
            const ReadAll read(file, quietFormat(), 2, 2000);
            if (!input.damaged) {
                EXPECT_EQ(read.frames.count(), 300) << input.name;
                EXPECT_EQ(std::string(file.bytes()), text) << input.name;
                EXPECT_TRUE(read.messages().empty()) << input.name;
                continue;
            }
            // what came before the damage may be garbled too: gzip finds out at its end
            EXPECT_LT(read.frames.count(), 300) << input.name;
            ASSERT_FALSE(read.messages().empty()) << input.name;
            EXPECT_EQ(read.messages().back(), Damaged) << input.name << " " << throughPipe;
        }
    }
    // the text is held within the memory bound, as a pipe's bytes are
    TrajectoryFile bounded;
    ASSERT_TRUE(bounded.open(put("big.gz", gzipped(text)), 1000));
    EXPECT_TRUE(bounded.truncated());
    const ReadAll read(bounded, quietFormat(), 1);
    EXPECT_EQ(read.frames.count(), 50);
    EXPECT_EQ(read.messages(),
        (Messages{{"READING FILE ERROR", "Not enough memory"},
            {"READING FILE ERROR",
                "The decompressed text is larger than the memory limit allows (see --memory); "
                "decompress the file to disk to open all of it frame by frame"}}));
}
