#include "test_reader_support.h"

#include <gtest/gtest.h>
#include <string>

class LayoutReader : public testing::TestWithParam<int>
{
protected:
    int threads() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(
    BothPaths, LayoutReader, testing::Values(1, 2), [](const testing::TestParamInfo<int> &info) {
        return info.param == 1 ? std::string("InOrder") : std::string("ReadAhead");
    });

namespace {

const std::string TableHeader = "water run\nstep time energy - - - q1 q2 q3 coordinates\n";
const std::string TableRow = "7 0.5 -1.5 0 0 0 -0.8 0.4 0.45 1 2 3 4 5 6 7 8 9\n";

} // namespace

TEST_P(LayoutReader, TableReadsTheWorkedExample)
{
    const ReadAll read(TableHeader + TableRow + TableRow, formatOf(LayoutKind::Table), threads());
    ASSERT_EQ(read.frames.count(), 2);
    EXPECT_TRUE(read.messages().empty());
    const Frame &frame = read.frame(2);
    EXPECT_EQ(frame.atomCount, 3);
    EXPECT_EQ(frame.time, 0.5);
    EXPECT_EQ(frame.energy, -1.5);
    EXPECT_FALSE(frame.text().has_value());
    ASSERT_EQ(frame.atoms.size(), 3u);
    EXPECT_EQ(frame.atoms[0].charge, -0.8);
    EXPECT_EQ(frame.atoms[2].charge, 0.45);
    EXPECT_DOUBLE_EQ(frame.atoms[1].position.x, 4 * 0.52917706);
    EXPECT_DOUBLE_EQ(frame.atoms[2].position.z, 9 * 0.52917706);
    for (const FrameAtom &atom : frame.atoms) {
        EXPECT_EQ(atom.type->name, "?");
        EXPECT_EQ(atom.impulse, Vector3{});
        EXPECT_TRUE(atom.usesTypeOrbitals);
    }
}

TEST_P(LayoutReader, TableRowWithTooFewCoordinatesStops)
{
    const ReadAll read(
        TableHeader + TableRow + "7 0.5 -1.5 0 0 0 -0.8 0.4 0.45 1 2 3 4 5 6 7 8\n" + TableRow,
        formatOf(LayoutKind::Table), threads());
    EXPECT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.messages(), Messages{XyzError});
}

TEST_P(LayoutReader, TableMissingTimeWarnsOnceAndMissingChargesAreZero)
{
    const std::string row = "7 - -1.5 0 0 0 -0.8 0.4 x 1 2 3 4 5 6 7 8 9\n";
    const ReadAll read(TableHeader + row + row, formatOf(LayoutKind::Table), threads());
    ASSERT_EQ(read.frames.count(), 2);
    EXPECT_EQ(read.messages(), (Messages{TimeWarning, ChargeWarning}));
    EXPECT_EQ(read.frame(2).atoms[2].charge, 0.0);
    EXPECT_EQ(read.frame(2).time, 0.0);
}

TEST_P(LayoutReader, TableReadsItsCountFromTheRow)
{
    InputFormat format = formatOf(LayoutKind::Table);
    LayoutSettings &table = format.current();
    table.useFixedCount = false;
    table.atomCountPosition = 1;
    table.convertUnits = false;
    // Two charges at 7 and 8, so the coordinates start at 10 after one ignored column.
    const std::string row = "2 0.5 -1.5 0 0 0 -0.8 0.4 99 1 2 3 4 5 6\n";
    const ReadAll read(TableHeader + row + "1 0 0 0 0 0 0.1 99 99 7 8 9\n", format, threads());
    ASSERT_EQ(read.frames.count(), 2);
    EXPECT_TRUE(read.messages().empty());
    EXPECT_EQ(read.frame(1).atomCount, 2);
    EXPECT_EQ(read.frame(1).atoms[1].position, (Vector3{4, 5, 6}));
    EXPECT_EQ(read.frame(1).atoms[1].charge, 0.4);
    EXPECT_EQ(read.frame(2).atomCount, 1);
    EXPECT_EQ(read.frame(2).atoms[0].position, (Vector3{7, 8, 9}));
}

TEST_P(LayoutReader, TableRowWithoutCountEndsSilentlyAndZeroCountIsAnError)
{
    // A blank row ends the reading silently, with the count fixed (the default) or read.
    for (const std::string blankRow : {"\n", " \t\r\n"}) {
        const ReadAll fixed(
            TableHeader + TableRow + TableRow + blankRow, formatOf(LayoutKind::Table), threads());
        EXPECT_EQ(fixed.frames.count(), 2);
        EXPECT_TRUE(fixed.messages().empty());
        EXPECT_EQ(fixed.outcome.endedWith, ReadResult::EndOfFile);
    }
    InputFormat format = formatOf(LayoutKind::Table);
    format.current().useFixedCount = false;
    const std::string row = "1 0 0 0 0 0 0.1 99 99 7 8 9\n";
    const ReadAll blank(TableHeader + row + "\n" + row, format, threads());
    EXPECT_EQ(blank.frames.count(), 1);
    EXPECT_TRUE(blank.messages().empty());
    EXPECT_EQ(blank.outcome.endedWith, ReadResult::EndOfFile);

    const ReadAll zero(TableHeader + row + "0 1 2\n", format, threads());
    EXPECT_EQ(zero.frames.count(), 1);
    EXPECT_EQ(
        zero.messages(), (Messages{{"INPUT FILE FORMAT ERROR", "Number of atoms not valid"}}));
}

TEST_P(LayoutReader, TableCountColumnAfterTheDataColumnsIsRefused)
{
    InputFormat format = formatOf(LayoutKind::Table);
    format.current().useFixedCount = false;
    format.current().atomCountPosition = 11;
    const ReadAll read(TableHeader + TableRow, format, threads());
    EXPECT_EQ(read.frames.count(), 0);
    ASSERT_EQ(read.messages().size(), 1u);
    EXPECT_EQ(read.messages()[0].first, "INPUT FILE FORMAT ERROR");
    EXPECT_EQ(read.outcome.endedWith, ReadResult::FormatError);

    // Unread columns do not matter: without charges and impulses only the coordinates count.
    format.current().atomCountPosition = 8;
    format.current().readCharge = false;
    format.current().readImpulses = false;
    format.current().convertUnits = false;
    const ReadAll allowed(TableHeader + "0 0 0 0 0 0 0 1 9 1 2 3\n", format, threads());
    ASSERT_EQ(allowed.frames.count(), 1);
    EXPECT_EQ(allowed.frame(1).atoms[0].position, (Vector3{1, 2, 3}));
}

TEST_P(LayoutReader, TableImpulsesAreReadAndTheirLackStopsEveryTime)
{
    InputFormat format = formatOf(LayoutKind::Table);
    format.current().impulsePosition = 19;
    format.current().convertUnits = false;
    const std::string row = "7 0.5 -1.5 0 0 0 -0.8 0.4 0.45 1 2 3 4 5 6 7 8 9 "
                            "0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9\n";
    const ReadAll read(TableHeader + row + TableRow + row, format, threads());
    EXPECT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.frame(1).atoms[2].impulse, (Vector3{0.7, 0.8, 0.9}));
    EXPECT_EQ(read.frame(1).atoms[2].position, (Vector3{7, 8, 9}));
    EXPECT_EQ(read.messages(), Messages{ImpulseError});
    EXPECT_EQ(read.outcome.endedWith, ReadResult::FormatError);
}

TEST_P(LayoutReader, TableAbsurdCountIsRefusedWithoutTakingTheMemory)
{
    InputFormat format = formatOf(LayoutKind::Table);
    format.current().useFixedCount = false;
    const ReadAll read(
        TableHeader + "1 0 0 0 0 0 0.1 99 99 7 8 9\n2147483647 0 0 1 2 3\n", format, threads());
    EXPECT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.messages(), Messages{XyzError});
}

TEST_P(LayoutReader, TableRowsOfAHundredAtomsAreReadWhole)
{
    InputFormat format = formatOf(LayoutKind::Table);
    format.current().fixedAtomCount = 100;
    format.current().chargePosition = 4;
    format.current().xyzPosition = 104;
    format.current().impulsePosition = 404;
    format.current().readImpulses = false;
    format.current().convertUnits = false;
    std::string row = "0 1.25 -2.5";
    for (int i = 0; i < 100; ++i)
        row += " 0.1234567890";
    for (int i = 0; i < 300; ++i) {
        // appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on " " + string
        row += ' ';
        row += std::to_string(i);
        row += ".000000001";
    }
    row += "\n";
    ASSERT_GT(row.size(), 3000u);
    const ReadAll read(TableHeader + row + row, format, threads());
    ASSERT_EQ(read.frames.count(), 2);
    EXPECT_TRUE(read.messages().empty());
    EXPECT_DOUBLE_EQ(read.frame(2).atoms[99].position.z, 299.000000001);
    EXPECT_EQ(read.frame(2).time, 1.25);
}

TEST_P(LayoutReader, CustomReadsTheWorkedExample)
{
    const std::string frame = "step 0 at 0.0 fs\n"
                              "units bohr\n"
                              "-76.4  total energy\n"
                              "-\n-\n-\n"
                              "0 -1 0 0 0 0 -0.834 0 0 0.5 0.25 -0.5 0.9 7\n"
                              "1 1 0 0 0 0 0.417 0 0 0 0 0 0.8\n"
                              "-1 1 0 0 0 0 0.417 0 0 0 0 0 0.7\n";
    const ReadAll read(frame + frame, formatOf(LayoutKind::Custom), threads());
    ASSERT_EQ(read.frames.count(), 2);
    EXPECT_TRUE(read.messages().empty());
    const Frame &first = read.frame(1);
    EXPECT_EQ(first.atomCount, 3);
    EXPECT_EQ(first.energy, -76.4);
    EXPECT_EQ(first.time, 0.0);
    EXPECT_EQ(first.text(), std::optional<std::string>("step 0 at 0.0 fs\n"));
    const FrameAtom &oxygen = first.atoms[0];
    EXPECT_EQ(oxygen.type->name, "?");
    EXPECT_DOUBLE_EQ(oxygen.position.y, -0.52917706);
    EXPECT_EQ(oxygen.charge, -0.834);
    EXPECT_EQ(oxygen.impulse, (Vector3{0.5, 0.25, -0.5}));
    ASSERT_FALSE(oxygen.usesTypeOrbitals);
    EXPECT_EQ(first.ownOrbitals(oxygen).size(), 1u);
    EXPECT_EQ(first.ownOrbitals(oxygen)[0].coefficient, 0.9);
    EXPECT_EQ(first.ownOrbitals(first.atoms[2])[0].coefficient, 0.7);
}

TEST_P(LayoutReader, ExampleFilesReadCleanly)
{
    struct Example
    {
        const char *name;
        LayoutKind kind;
    };
    for (const Example &example :
        {Example{"water.xyz", LayoutKind::Common}, Example{"single.xyz", LayoutKind::Common},
            Example{"table.prn", LayoutKind::Table}, Example{"custom.txt", LayoutKind::Custom}}) {
        TrajectoryFile file;
        if (!file.open(std::string(TESSALY_EXAMPLES) + "/" + example.name))
            continue; // the examples may not be in this checkout
        const ReadAll read(std::string(file.bytes()), formatOf(example.kind), threads(), 0);
        EXPECT_GT(read.frames.count(), 0) << example.name;
        EXPECT_TRUE(read.messages().empty()) << example.name;
        for (const Frame &frame : read.frames)
            EXPECT_EQ(frame.atoms.size(), static_cast<std::size_t>(frame.atomCount));
    }
}
