#include "test_reader_support.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string dataPath(const std::string &name)
{
    return std::string(TESSALY_TEST_DATA) + "/" + name;
}

std::string fileText(const std::string &path)
{
    TrajectoryFile file;
    EXPECT_TRUE(file.open(path)) << path;
    return std::string(file.bytes());
}

InputFormat formatByExtension(const std::string &name)
{
    InputFormat format;
    const int kind = kindForExtension(fileExtension(name));
    if (kind >= 0)
        format.kind = kind;
    return format;
}

bool sameNumber(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool sameVector(const Vector3 &a, const Vector3 &b)
{
    return sameNumber(a.x, b.x) && sameNumber(a.y, b.y) && sameNumber(a.z, b.z);
}

// Frames equal in every value the reader sets, own orbitals included.
void expectSameFrames(const FrameList &expected, const FrameList &actual)
{
    ASSERT_EQ(expected.count(), actual.count());
    for (int i = 1; i <= expected.count(); ++i) {
        const Frame &a = expected.frameAt(i);
        const Frame &b = actual.frameAt(i);
        ASSERT_EQ(a.atomCount, b.atomCount) << "frame " << i;
        ASSERT_EQ(a.atoms.size(), b.atoms.size()) << "frame " << i;
        EXPECT_TRUE(sameNumber(a.time, b.time));
        EXPECT_TRUE(sameNumber(a.energy, b.energy));
        EXPECT_EQ(a.text(), b.text());
        for (std::size_t k = 0; k < a.atoms.size(); ++k) {
            const FrameAtom &x = a.atoms[k];
            const FrameAtom &y = b.atoms[k];
            EXPECT_TRUE(sameVector(x.position, y.position)) << "frame " << i << " atom " << k;
            EXPECT_TRUE(sameVector(x.impulse, y.impulse)) << "frame " << i << " atom " << k;
            EXPECT_TRUE(sameNumber(x.charge, y.charge));
            ASSERT_TRUE(x.type && y.type);
            EXPECT_EQ(x.type->name, y.type->name);
            EXPECT_EQ(x.usesTypeOrbitals, y.usesTypeOrbitals);
            ASSERT_EQ(a.ownOrbitals(x).size(), b.ownOrbitals(y).size());
            for (std::size_t t = 0; t < a.ownOrbitals(x).size(); ++t) {
                EXPECT_TRUE(termsEqual(a.ownOrbitals(x)[t], b.ownOrbitals(y)[t]));
                EXPECT_TRUE(
                    sameNumber(a.ownOrbitals(x)[t].coefficient, b.ownOrbitals(y)[t].coefficient));
            }
        }
    }
}

// A long Common text whose problems sit between batches: a missing charge in frame 150 (a
// warning in the middle), a lower-case name, numbers that need the slow conversions, and an
// invalid coordinate in frame 260 that ends the reading.
std::string troubledTrajectory()
{
    std::string text;
    for (int f = 1; f <= 300; ++f) {
        text += "4\n" + std::to_string(f * 0.5) + " -7" + std::to_string(f) + " frame\n";
        for (int a = 0; a < 4; ++a) {
            if (f == 260 && a == 3) {
                text += "H 1.0 2.0\n";
                continue;
            }
            const std::string name = (f == 200 && a == 1) ? "o" : (a == 0 ? "O" : "H");
            text += name + " " + std::to_string(f + a) + ".25 " + std::to_string(a) + "e-1 +"
                + std::to_string(f) + ".5";
            if (f == 150 && a == 2) {
                text += "\n";
                continue;
            }
            text += " 0.1 1 2 3 0." + std::to_string(a + 1) + "\n";
        }
    }
    return text;
}

} // namespace

TEST(WholeFileReading, ReadAheadGivesTheSameFramesAndMessagesAsReadingInOrder)
{
    const std::string text = troubledTrajectory();
    const ReadAll inOrder(text, formatOf(LayoutKind::Common), 1);
    EXPECT_EQ(inOrder.outcome.framesReadAhead, 0);
    EXPECT_EQ(inOrder.frames.count(), 259);
    EXPECT_EQ(inOrder.messages(), (Messages{ChargeWarning, ImpulseError, XyzError}));
    EXPECT_EQ(inOrder.outcome.messageLines, (std::vector<std::int64_t>{899, 899, 1560}));
    EXPECT_EQ(inOrder.outcome.stopLine, 1560);
    EXPECT_EQ(inOrder.frame(200).atoms[1].type->name, "?");
    EXPECT_EQ(inOrder.frame(7).atoms[3].position, (Vector3{10.25, 0.3, 7.5}));
    for (const std::size_t batch :
        {std::size_t{1}, std::size_t{300}, std::size_t{5000}, std::size_t{0}}) {
        for (const int threads : {2, 3}) {
            const ReadAll ahead(text, formatOf(LayoutKind::Common), threads, batch);
            EXPECT_EQ(ahead.messages(), inOrder.messages()) << batch << " " << threads;
            EXPECT_EQ(ahead.warned, inOrder.warned);
            EXPECT_EQ(ahead.outcome.framesRead, inOrder.outcome.framesRead);
            EXPECT_EQ(ahead.outcome.endedWith, inOrder.outcome.endedWith);
            EXPECT_EQ(ahead.outcome.messageLines, inOrder.outcome.messageLines);
            EXPECT_EQ(ahead.outcome.stopLine, inOrder.outcome.stopLine);
            EXPECT_GT(ahead.outcome.framesReadAhead, 250) << batch << " " << threads;
            expectSameFrames(inOrder.frames, ahead.frames);
        }
    }
}

TEST(WholeFileReading, AWarningInTheMiddleLeavesTheFrameReadAsInOrder)
{
    // The frame with the missing charge stops its atom line at the impulse error; the atoms
    // after it in that frame are read as usual.
    const ReadAll read(troubledTrajectory(), formatOf(LayoutKind::Common), 2, 700);
    const Frame &frame = read.frame(150);
    EXPECT_EQ(frame.atoms[2].charge, 0.0);
    EXPECT_EQ(frame.atoms[2].position, (Vector3{152.25, 0.2, 150.5}));
    EXPECT_EQ(frame.atoms[3].charge, 0.1);
    EXPECT_EQ(frame.ownOrbitals(frame.atoms[3]).front().coefficient, 0.4);
}

TEST(WholeFileReading, ProgressRisesToOne)
{
    AtomTypeTable types;
    types.buildDefaultTable();
    FrameList frames;
    RecordingSink sink;
    ReaderWarned warned;
    std::string text;
    for (int f = 0; f < 2000; ++f)
        text += "1\n0 0\nH 1 2 3 0 0 0 0 " + std::string(10000, '1') + "\n";
    TrajectoryFile file = TrajectoryFile::fromText(text);
    std::vector<double> seen;
    ReadOptions options;
    options.progress = [&seen](double fraction) { seen.push_back(fraction); };
    const ReadOutcome outcome =
        readTrajectory(file, formatOf(LayoutKind::Common), types, sink, warned, frames, options);
    EXPECT_EQ(outcome.framesRead, 2000);
    ASSERT_GE(seen.size(), 2u);
    for (std::size_t i = 1; i < seen.size(); ++i)
        EXPECT_LE(seen[i - 1], seen[i]);
    EXPECT_EQ(seen.back(), 1.0);
}

namespace {

// Every file of tests/data/bad/ with what reading it must give.
struct MalformedCase
{
    const char *name;
    int frames;
    Messages messages;
    ReadResult endedWith;
    std::function<void(LayoutSettings &)> adjust = {};
};

const std::vector<MalformedCase> &malformedCases()
{
    static const std::vector<MalformedCase> cases = {
        {"truncated.xyz", 2, {}, ReadResult::EndOfFile},
        {"empty.xyz", 0, {}, ReadResult::EndOfFile},
        {"huge_count.xyz", 1, {}, ReadResult::EndOfFile},
        {"more_atoms_than_lines.xyz", 1, {}, ReadResult::EndOfFile},
        {"only_header.prn", 0, {}, ReadResult::EndOfFile},
        {"bad_coordinates.xyz", 1, {XyzError}, ReadResult::FormatError},
        {"long_name.xyz", 1, {{"INPUT FILE FORMAT ERROR", "Invalid or missed atom name"}},
            ReadResult::FormatError},
        {"binary.xyz", 0, {}, ReadResult::FormatError}, // a count line without a number
        {"count_column_late.prn", 0,
            {{"INPUT FILE FORMAT ERROR",
                "Number of atoms column must come before the CHARGE, XYZ and IMPULS columns"}},
            ReadResult::FormatError,
            [](LayoutSettings &layout) {
                layout.useFixedCount = false;
                layout.atomCountPosition = 19;
            }},
    };
    return cases;
}

} // namespace

TEST(WholeFileReading, AStopAskedForKeepsTheFramesReadSoFarAndSaysNothing)
{
    AtomTypeTable types;
    types.buildDefaultTable();
    std::string text;
    for (int f = 1; f <= 3000; ++f)
        text += "1\n" + std::to_string(f) + " 0\nH 1 2 3 0 0 0 0 " + std::string(3000, '1') + "\n";
    for (const int threads : {1, 2}) {
        FrameList frames;
        RecordingSink sink;
        ReaderWarned warned;
        TrajectoryFile file = TrajectoryFile::fromText(text);
        int asked = 0;
        ReadOptions options;
        options.threads = threads;
        options.batchBytes = 64 << 10;
        options.carryOn = [&asked] { return ++asked < 3; };
        const ReadOutcome outcome = readTrajectory(
            file, formatOf(LayoutKind::Common), types, sink, warned, frames, options);
        EXPECT_TRUE(outcome.stopped) << threads;
        EXPECT_EQ(asked, 3) << threads;
        EXPECT_EQ(outcome.endedWith, ReadResult::EndOfFile) << threads;
        EXPECT_TRUE(sink.messages.empty()) << threads;
        // frame by frame the third answer comes after the third frame; ahead, after the third
        // batch of about twenty
        EXPECT_EQ(outcome.framesRead, frames.count()) << threads;
        if (threads == 1)
            EXPECT_EQ(frames.count(), 3);
        else
            EXPECT_GT(frames.count(), 3);
        EXPECT_LT(frames.count(), 3000) << threads;
        int time = 0;
        for (const Frame &frame : frames)
            EXPECT_EQ(frame.time, ++time) << threads;
    }
}

TEST(WholeFileReading, MalformedFilesEndWithTheirMessageAndKeepEarlierFrames)
{
    for (const int threads : {1, 2}) {
        for (const MalformedCase &expected : malformedCases()) {
            InputFormat format = formatByExtension(expected.name);
            if (expected.adjust)
                expected.adjust(format.current());
            const ReadAll read(
                fileText(dataPath(std::string("bad/") + expected.name)), format, threads, 100);
            EXPECT_EQ(read.frames.count(), expected.frames) << expected.name;
            EXPECT_EQ(read.messages(), expected.messages) << expected.name;
            EXPECT_EQ(read.outcome.endedWith, expected.endedWith) << expected.name;
        }
    }
}

TEST(WholeFileReading, EveryMalformedFileHasAnExpectedOutcome)
{
    std::set<std::string> named;
    for (const MalformedCase &expected : malformedCases())
        named.insert(expected.name);
    for (const auto &entry : std::filesystem::directory_iterator(dataPath("bad")))
        EXPECT_EQ(named.count(entry.path().filename().string()), 1u)
            << entry.path() << " has no expected outcome in the table";
}

TEST(WholeFileReading, TheWritersOwnFileReadsBackWithoutMessagesButTheOrbitalOne)
{
    const ReadAll read(fileText(dataPath("written.xyz")), formatOf(LayoutKind::Common), 2, 200);
    EXPECT_EQ(read.frames.count(), 4);
    EXPECT_EQ(read.messages(), Messages{OrbitalError});
    EXPECT_EQ(read.frame(4).time, 1.5);
    EXPECT_EQ(read.frame(4).atoms[0].charge, -0.834);
}

TEST(WholeFileReading, LongTableRowsFromAFileAreReadWhole)
{
    InputFormat format = formatOf(LayoutKind::Table);
    format.current().fixedAtomCount = 100;
    format.current().chargePosition = 4;
    format.current().xyzPosition = 104;
    format.current().readImpulses = false;
    format.current().convertUnits = false;
    for (const int threads : {1, 2}) {
        const ReadAll read(fileText(dataPath("long_rows.prn")), format, threads, 100);
        ASSERT_EQ(read.frames.count(), 3);
        EXPECT_TRUE(read.messages().empty());
        EXPECT_EQ(read.frame(3).atoms[99].charge, 0.99);
        EXPECT_EQ(read.frame(3).atoms[99].position, (Vector3{148.5, 149.0, 149.5}));
    }
}

TEST(WholeFileReading, MalformedTableLayoutIsRefusedWithAClearMessage)
{
    InputFormat format = formatOf(LayoutKind::Table);
    format.current().useFixedCount = false;
    format.current().atomCountPosition = 19;
    const ReadAll read(fileText(dataPath("bad/count_column_late.prn")), format, 2);
    EXPECT_EQ(read.frames.count(), 0);
    ASSERT_EQ(read.messages().size(), 1u);
    EXPECT_EQ(read.messages()[0].first, "INPUT FILE FORMAT ERROR");
}

// An input that cannot be held whole (an endless device, a pipe larger than memory) ends the
// reading as running out of memory does, after the frames that were held.
TEST(WholeFileReading, InputsBeyondMemoryEndAsOutOfMemoryKeepingTheirFrames)
{
    const std::string frames = fileText(dataPath("written.xyz"));
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string piped = frames + std::string(40000, '\0');
    ASSERT_LT(piped.size(), 65536u); // the pipe holds it all, so nothing waits for the reader
    ASSERT_EQ(write(ends[1], piped.data(), piped.size()), static_cast<ssize_t>(piped.size()));
    close(ends[1]);
    const Messages outOfMemory{{"READING FILE ERROR", "Not enough memory"}};
    for (const int threads : {1, 2}) {
        TrajectoryFile zeros;
        ASSERT_TRUE(zeros.open("/dev/zero", 1 << 20));
        EXPECT_TRUE(zeros.truncated());
        const ReadAll none(zeros, formatOf(LayoutKind::Common), threads);
        EXPECT_EQ(none.frames.count(), 0);
        EXPECT_EQ(none.messages(), outOfMemory);
        EXPECT_TRUE(none.outcome.outOfMemory);
    }
    TrajectoryFile pipeFile;
    ASSERT_TRUE(pipeFile.open("/dev/fd/" + std::to_string(ends[0]), frames.size() + 1000));
    close(ends[0]);
    EXPECT_TRUE(pipeFile.truncated());
    const ReadAll some(pipeFile, formatOf(LayoutKind::Common), 2);
    EXPECT_EQ(some.frames.count(), 4);
    EXPECT_EQ(some.messages(), (Messages{OrbitalError, outOfMemory[0]}));
    EXPECT_EQ(some.outcome.endedWith, ReadResult::OutOfMemory);
}

TEST(TrajectoryFileOpening, RefusesMissingFilesAndFolders)
{
    TrajectoryFile file;
    EXPECT_FALSE(file.open(dataPath("no such file.xyz")));
    EXPECT_FALSE(file.open(TESSALY_TEST_DATA));
    EXPECT_TRUE(file.open(dataPath("bad/empty.xyz")));
    EXPECT_TRUE(file.bytes().empty());
    EXPECT_TRUE(file.open(dataPath("written.xyz")));
    EXPECT_EQ(file.bytes().substr(0, 4), "   3");
}

TEST(TrajectoryFileOpening, ReleasingReadBytesKeepsThemReadable)
{
    TrajectoryFile file;
    ASSERT_TRUE(file.open(dataPath("long_rows.prn")));
    const std::string before(file.bytes());
    file.releaseBefore(file.bytes().data() + file.bytes().size());
    EXPECT_EQ(std::string(file.bytes()), before);
}

TEST(TrajectoryFileOpening, TextFilesMoveWithTheirBytes)
{
    TrajectoryFile short_ = TrajectoryFile::fromText("3\n");
    TrajectoryFile moved(std::move(short_));
    EXPECT_EQ(moved.bytes(), "3\n");
}

TEST(LineSourceLines, EndAtLineFeedsWithoutTheCarriageReturnBeforeThem)
{
    LineSource source("a\r\nb\rc\n\nlast");
    TextLine line;
    ASSERT_TRUE(source.nextLine(line));
    EXPECT_EQ(line.text, "a");
    EXPECT_TRUE(line.hasLineFeed);
    EXPECT_EQ(source.linesAvailable(100), 3);
    ASSERT_TRUE(source.nextLine(line));
    EXPECT_EQ(line.text, "b\rc");
    ASSERT_TRUE(source.nextLine(line));
    EXPECT_EQ(line.text, "");
    ASSERT_TRUE(source.nextLine(line));
    EXPECT_EQ(line.text, "last");
    EXPECT_FALSE(line.hasLineFeed);
    EXPECT_FALSE(source.nextLine(line));
    EXPECT_TRUE(source.atEnd());
}

TEST(FrameByFrame, ReturnsTheCodesZeroToThreeInTheirOrder)
{
    EXPECT_EQ(static_cast<int>(ReadResult::FrameComplete), 0);
    EXPECT_EQ(static_cast<int>(ReadResult::EndOfFile), 1);
    EXPECT_EQ(static_cast<int>(ReadResult::FormatError), 2);
    EXPECT_EQ(static_cast<int>(ReadResult::OutOfMemory), 3);
}

TEST(FrameByFrame, EachCallReadsOneFrameAndLeavesTheSourceAfterIt)
{
    AtomTypeTable types;
    types.buildDefaultTable();
    RecordingSink sink;
    ReaderWarned warned;
    const std::string text =
        "1\n0.5 1\nH 1 2 3 0 0 0 0 1\n2\n1.5 2\nO 0 0 0 0 0 0 0 1\nO 1 1 1 0 0 0 0 1\n";
    LineSource source(text);
    const InputFormat format;
    Frame first;
    ASSERT_EQ(readFrame(first, source, format, types, sink, warned), ReadResult::FrameComplete);
    EXPECT_EQ(first.atomCount, 1);
    EXPECT_EQ(source.position(), text.data() + text.find("2\n1.5"));
    Frame second;
    ASSERT_EQ(readFrame(second, source, format, types, sink, warned), ReadResult::FrameComplete);
    EXPECT_EQ(second.atoms[1].position, (Vector3{1, 1, 1}));
    Frame none;
    EXPECT_EQ(readFrame(none, source, format, types, sink, warned), ReadResult::EndOfFile);
    EXPECT_TRUE(sink.messages.empty());
}
