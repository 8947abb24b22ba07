#pragma once

#include "test_reader_support.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <zlib.h>

// Texts for the reading tests of whole files: frames of a known size and their compressed forms.

// count one-atom frames of exactly 20 bytes each, frame i (from 0) at time i, that read without
// a message under quietFormat()
inline std::string oneAtomFrames(int count)
{
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 20);
    for (int i = 0; i < count; ++i) {
        char frame[32];
        std::snprintf(frame, sizeof frame, "1\n%07d 0\nH 1 2 3\n", i);
        text += frame;
    }
    return text;
}

inline InputFormat quietFormat()
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().readCharge = false;
    format.current().readImpulses = false;
    format.current().readOrbitals = false;
    return format;
}

// text as one gzip member at the given compression level
inline std::string gzipped(const std::string &text, int level = 6)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, text.size()) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// A test with a fresh folder of its own for the files it writes, removed afterwards.
class FolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    // Writes bytes to the file name in the folder; returns its path.
    std::string put(const std::string &name, const std::string &bytes)
    {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::filesystem::path folder;
};
