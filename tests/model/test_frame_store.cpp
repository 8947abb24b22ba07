// Frames read on demand from a file's index are the frames a whole read gives, however they are
// asked for.

#include "model/framestore.h"
#include "model/trajectoryfile.h"
#include "model/trajectorywriter.h"
#include "test_input_texts.h"
#include "test_reader_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::string repeated(const std::string &path, std::size_t bytes, int skipLines = 0)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t header = 0;
    for (int i = 0; i < skipLines; ++i)
        header = text.find('\n', header) + 1;
    std::string out = text;
    while (out.size() < bytes)
        out += text.substr(header);
    return out;
}

// Extended XYZ frames of 1 to 40 atoms with everything a frame may carry: cell, pairs, kept
// columns, names of their own; every fifth frame is a plain one.
std::string extendedXyz(int frames)
{
    std::string text;
    char line[200];
    for (int f = 0; f < frames; ++f) {
        const int atoms = 1 + f % 40;
        text += std::to_string(atoms) + "\n";
        if (f % 5 == 4) {
            text += "plain frame " + std::to_string(f) + "\n";
        } else {
            std::snprintf(line, sizeof line,
                "Lattice=\"%d 0 0 0 9 0 0 0 9\" Properties=species:S:1:pos:R:3:tag:I:1:note:S:1 "
                "time=%d.25 energy=-%d.5 config_type=run%d pbc=\"T T F\"\n",
                10 + f % 3, f, f, f % 7);
            text += line;
        }
        for (int a = 0; a < atoms; ++a) {
            const char *name = a % 3 == 0 ? "OW" : a % 3 == 1 ? "H" : "CA";
            if (f % 5 == 4)
                std::snprintf(line, sizeof line, "%s %d.5 %d.125 -%d.0625\n", name, a, f, a + f);
            else
                std::snprintf(line, sizeof line, "%s %d.5 %d.125 -%d.0625 %d n%d\n", name, a, f,
                    a + f, a * f, a);
            text += line;
        }
    }
    return text;
}

// Everything a frame holds, as bytes: its atoms as they lie in memory, their own orbitals, and
// the frame written in both layouts that carry all of it.
std::string contents(const Frame &frame)
{
    std::ostringstream out;
    out << frame.atomCount << ' ' << frame.hasTime << frame.time << ' ' << frame.hasEnergy
        << frame.energy << '\n';
    out.write(reinterpret_cast<const char *>(frame.atoms.data()),
        static_cast<std::streamsize>(frame.atoms.size() * sizeof(FrameAtom)));
    for (const FrameAtom &atom : frame.atoms)
        for (const OrbitalTerm &term : frame.ownOrbitals(atom))
            out << term.n << term.l << term.m << term.coefficient << ';';
    writeFrame(frame, out, WriteLayout::ExtendedXYZ);
    writeFrame(frame, out, WriteLayout::Common);
    return out.str();
}

class FrameStoreTest : public FolderTest
{
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        types.buildDefaultTable();
    }

    struct Read
    {
        FrameList frames;
        RecordingSink sink;
        ReadOutcome outcome;
    };

    // Reads the file at path whole, or on demand within limit bytes (0: none).
    void read(Read &into, const std::string &path, const InputFormat &format, FrameHolding holding,
        std::size_t limit = 0, std::function<bool()> carryOn = {})
    {
        TrajectoryFile file;
        ASSERT_TRUE(file.open(path));
        into.frames.budget().setLimit(limit);
        ReaderWarned warned;
        ReadOptions options;
        options.holding = holding;
        options.lineNumbers = true;
        options.carryOn = std::move(carryOn);
        into.outcome = readTrajectory(file, format, types, into.sink, warned, into.frames, options);
    }

    AtomTypeTable types;
};

} // namespace

// Every layout, read on demand within a budget that holds a few of its frames at a time: the
// index tells each frame's summary, and every frame, asked for in order, at random and while
// playing with frames read ahead, is byte for byte the whole read's.
TEST_F(FrameStoreTest, FramesOnDemandAreTheWholeReadsFrames)
{
    const std::string examples = TESSALY_EXAMPLES;
    const struct
    {
        const char *name;
        std::string text;
        std::string extension;
    } files[] = {
        {"extended xyz", extendedXyz(6000), ".xyz"},
        {"common", repeated(examples + "/water.xyz", 2 << 20), ".xyz"},
        {"table", repeated(examples + "/table.prn", 1 << 20, 2), ".prn"},
        {"custom", repeated(examples + "/custom.txt", 1 << 20), ".txt"},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = put(std::string("file") + file.extension, file.text);
        InputFormat format;
        format.kind = kindForFile(file.extension, file.text);
        Read whole;
        Read onDemand;
        read(whole, path, format, FrameHolding::Whole);
        read(onDemand, path, format, FrameHolding::Automatic, 1 << 20);
        ASSERT_TRUE(onDemand.frames.onDemand());
        ASSERT_FALSE(whole.frames.onDemand());
        const int count = whole.frames.count();
        ASSERT_GT(count, 100);
        ASSERT_EQ(onDemand.frames.count(), count);
        EXPECT_EQ(onDemand.sink.messages, whole.sink.messages);
        EXPECT_EQ(onDemand.outcome.endedWith, whole.outcome.endedWith);

        std::vector<int> order(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            order[static_cast<std::size_t>(i)] = i + 1;
        std::vector<int> shuffled = order;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
        for (const std::vector<int> *asked : {&order, &shuffled}) {
            for (const int i : *asked) {
                const Frame &expected = whole.frames.frameAt(i);
                const FrameSummary summary = onDemand.frames.summaryAt(i);
                ASSERT_EQ(summary.atomCount, expected.atomCount) << i;
                ASSERT_EQ(summary.hasTime, expected.hasTime) << i;
                ASSERT_EQ(summary.time, expected.time) << i;
                ASSERT_EQ(summary.hasEnergy, expected.hasEnergy) << i;
                ASSERT_EQ(summary.energy, expected.energy) << i;
                ASSERT_EQ(contents(onDemand.frames.frameAt(i)), contents(expected)) << i;
            }
        }
        // playing: each frame shown is held and the next ones are read ahead meanwhile
        for (const int i : order) {
            const Frame &shown = onDemand.frames.frameAt(i);
            onDemand.frames.hold(i, 1);
            ASSERT_EQ(contents(shown), contents(whole.frames.frameAt(i))) << i;
        }
        EXPECT_GT(onDemand.frames.framesReadAhead(), 0);
        EXPECT_LE(onDemand.frames.budget().used(), std::size_t{1} << 20);
        EXPECT_FALSE(onDemand.frames.takeFailure());
    }
}

// A file whose frames break: a frame whose lines are out of place ends the index where it ends
// a whole read, with the same message on the same line; a value that cannot be read is found
// when its frame is asked for, and told once.
TEST_F(FrameStoreTest, BrokenFramesEndWhereAWholeReadEndsThem)
{
    const std::string good = "2\ntime=1\nH 0 0 0\nO 1 1 1\n";
    const struct
    {
        const char *name;
        std::string text;
        int framesIndexed;
        bool failsOnDemand;
    } files[] = {
        {"count line", good + good + "two\nx\nH 0 0 0\n" + good, 2, false},
        {"cut short", good + good + "3\nx\nH 0 0 0\n", 2, false},
        {"coordinate", good + "2\nx\nH 0 zero 0\nO 1 1 1\n" + good, 3, true},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = put("broken.xyz", file.text);
        InputFormat format;
        format.kind = static_cast<int>(LayoutKind::XYZ);
        Read whole;
        Read onDemand;
        read(whole, path, format, FrameHolding::Whole);
        read(onDemand, path, format, FrameHolding::OnDemand);
        ASSERT_TRUE(onDemand.frames.onDemand());
        EXPECT_EQ(onDemand.frames.count(), file.framesIndexed);
        if (!file.failsOnDemand) {
            EXPECT_EQ(onDemand.frames.count(), whole.frames.count());
            EXPECT_EQ(onDemand.sink.messages, whole.sink.messages);
            EXPECT_EQ(onDemand.outcome.stopLine, whole.outcome.stopLine);
            EXPECT_EQ(onDemand.outcome.endedWith, whole.outcome.endedWith);
            continue;
        }
        EXPECT_TRUE(onDemand.sink.messages.empty());
        EXPECT_EQ(onDemand.frames.frameAt(1).atomCount, 2);
        EXPECT_EQ(&onDemand.frames.frameAt(2), &onDemand.frames.head());
        EXPECT_EQ(
            onDemand.frames.takeFailure(), (FrameFailure{2, XyzError.first, XyzError.second}));
        EXPECT_EQ(&onDemand.frames.frameAt(2), &onDemand.frames.head());
        EXPECT_FALSE(onDemand.frames.takeFailure());
        EXPECT_EQ(contents(onDemand.frames.frameAt(3)), contents(onDemand.frames.frameAt(1)));
    }
}

// Esc while the index is made keeps the frames indexed so far, each as a whole read gives it.
TEST_F(FrameStoreTest, StoppingTheIndexKeepsTheFramesIndexed)
{
    const std::string path = put("one-atom.xyz", oneAtomFrames(200000));
    Read whole;
    Read stopped;
    read(whole, path, quietFormat(), FrameHolding::Whole);
    int asked = 0;
    read(stopped, path, quietFormat(), FrameHolding::OnDemand, 0, [&asked] { return ++asked < 3; });
    EXPECT_TRUE(stopped.outcome.stopped);
    const int kept = stopped.frames.count();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 200000);
    EXPECT_EQ(stopped.outcome.framesRead, kept);
    for (const int i : {1, kept / 2, kept})
        EXPECT_EQ(contents(stopped.frames.frameAt(i)), contents(whole.frames.frameAt(i))) << i;
}

// A frame the user changed stays as changed while every other frame comes and goes.
TEST_F(FrameStoreTest, AChangedFrameIsKept)
{
    const std::string path = put("long.xyz", extendedXyz(3000));
    InputFormat format;
    format.kind = static_cast<int>(LayoutKind::XYZ);
    Read onDemand;
    read(onDemand, path, format, FrameHolding::OnDemand, 1 << 20);
    FrameList &frames = onDemand.frames;
    Frame &changed = frames.frameAt(500);
    changed.atoms[0].charge = 42.0;
    frames.keep(500);
    for (int i = 1; i <= frames.count(); ++i)
        frames.frameAt(i);
    EXPECT_EQ(frames.frameAt(500).atoms[0].charge, 42.0);
    // nor can a type go that frames not at hand may name (gold is in none of them)
    const AtomType &gold = *types.findTypeForName("Au");
    EXPECT_EQ(types.canRemove(gold, frames), AtomTypeTable::RemoveRefusal::MayBeInUse);
    frames.clearFrames();
    EXPECT_EQ(types.canRemove(gold, frames), AtomTypeTable::RemoveRefusal::None);
}
