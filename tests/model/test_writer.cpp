#include "model/trajectorywriter.h"
#include "test_reader_support.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

class WriterTest : public testing::Test
{
protected:
    void SetUp() override { types.buildDefaultTable(); }

    FrameAtom atom(const char *name, Vector3 position, double charge, Vector3 impulse = {})
    {
        FrameAtom made;
        made.type = types.findAtomType(name);
        made.position = position;
        made.charge = charge;
        made.impulse = impulse;
        return made;
    }

    static std::string written(const Frame &frame)
    {
        std::ostringstream out;
        EXPECT_EQ(writeFrame(frame, out), 0);
        return out.str();
    }

    AtomTypeTable types;
};

} // namespace

TEST_F(WriterTest, WritesTheWorkedExampleLetterForLetter)
{
    Frame frame;
    frame.atomCount = 3;
    frame.time = 0.5;
    frame.energy = -12.25;
    frame.setText(" not written\n");
    frame.atoms.push_back(atom("O", {0, 0, 0}, -0.8));
    frame.atoms.push_back(atom("H", {0.75695, 0.520882, 0}, 0.4, {1, -2, 0.5}));
    frame.atoms.push_back(atom("H", {-0.75695, 0.520882, 0}, 0.4));
    EXPECT_EQ(written(frame),
        "   3  //number of atoms\n"
        "  0.500000 -12.250000  //time and energy\n"
        "   O   0.000000   0.000000   0.000000  -0.800000   0.000000   0.000000   0.000000\n"
        "   H   0.756950   0.520882   0.000000   0.400000   1.000000  -2.000000   0.500000\n"
        "   H  -0.756950   0.520882   0.000000   0.400000   0.000000   0.000000   0.000000\n");
}

TEST_F(WriterTest, WideValuesAndLongNamesAreWrittenWhole)
{
    Frame frame;
    frame.atomCount = 1;
    frame.time = 12345.5;
    frame.atoms.push_back(atom("H", {12345.5, -98765.25, 1e-7}, 0));
    types.first().name = "Carbon";
    frame.atoms.push_back(atom("?", {0, 0, 0}, 0));
    frame.atomCount = 2;
    const std::string text = written(frame);
    EXPECT_NE(text.find("12345.500000   0.000000  //time"), std::string::npos);
    EXPECT_NE(text.find("   H 12345.500000 -98765.250000   0.000000"), std::string::npos);
    EXPECT_NE(text.find("\nCarbon   0.000000"), std::string::npos);
}

TEST_F(WriterTest, AFrameWithoutAtomsWritesOnlyItsTwoHeaderLines)
{
    Frame frame;
    EXPECT_EQ(
        written(frame), "   0  //number of atoms\n  0.000000   0.000000  //time and energy\n");
}

TEST_F(WriterTest, FormatsSpecialValuesAsThePrintfFamilyDoes)
{
    EXPECT_EQ(formatFixed(-0.0, 10), " -0.000000");
    EXPECT_EQ(formatFixed(0.0000015, 10), "  0.000002");
    EXPECT_EQ(formatFixed(0.0000005, 10), "  0.000000");
    EXPECT_EQ(formatFixed(HUGE_VAL, 10), "       inf");
    EXPECT_EQ(formatFixed(-HUGE_VAL, 10), "      -inf");
    EXPECT_EQ(formatFixed(std::nan(""), 10), "       nan");
    EXPECT_EQ(formatFixed(1e20, 10), "100000000000000000000.000000");
}

TEST_F(WriterTest, UsesThePointWhateverTheLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale installed";
    Frame frame;
    frame.time = 1.5;
    const std::string text = written(frame);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_NE(text.find("  1.500000"), std::string::npos);
}

TEST_F(WriterTest, ReadingAWrittenFileBackGivesTheSameFrames)
{
    std::string text;
    for (int k = 0; k < 3; ++k) {
        Frame frame;
        frame.atomCount = 2;
        frame.time = 0.123456789 * k;
        frame.energy = -1234.5678901;
        frame.atoms.push_back(atom("Cl", {1.0000004, -2.5, 3.25 * k}, -0.1234567, {4, 5, -6}));
        frame.atoms.push_back(atom("Na", {-7, 8.125, 9}, 0.9876543));
        text += written(frame);
    }
    const ReadAll read(text, formatOf(LayoutKind::Common), 1);
    ASSERT_EQ(read.frames.count(), 3);
    EXPECT_EQ(read.messages(), Messages{OrbitalError});
    const Frame &frame = read.frame(3);
    EXPECT_EQ(frame.atomCount, 2);
    EXPECT_NEAR(frame.time, 0.246914, 1e-12);
    EXPECT_NEAR(frame.energy, -1234.567890, 1e-9);
    EXPECT_EQ(frame.atoms[0].type->name, "Cl");
    EXPECT_EQ(frame.atoms[1].type->name, "Na");
    EXPECT_NEAR(frame.atoms[0].position.x, 1.0, 1e-12);
    EXPECT_NEAR(frame.atoms[0].position.z, 6.5, 1e-12);
    EXPECT_NEAR(frame.atoms[0].charge, -0.123457, 1e-12);
    EXPECT_EQ(frame.atoms[0].impulse, (Vector3{4, 5, -6}));
    EXPECT_NEAR(frame.atoms[1].charge, 0.987654, 1e-12);
}

// Every layout writes the names atoms were read with: none becomes "?". Extended XYZ, whose
// species other readers take as symbols, gives the element and keeps the name in a column.
TEST_F(WriterTest, EveryLayoutWritesTheNamesAsRead)
{
    const ReadAll read(
        "4\ntime=1\nc 0 0 0\nOW 1 0 0\nXq 2 0 0\nBr 3 0 0\n", formatOf(LayoutKind::XYZ));
    ASSERT_EQ(read.frames.count(), 1);
    const auto column = [](const std::string &text, bool last) {
        std::istringstream lines(text);
        std::string line, names;
        std::getline(lines, line);
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            const std::size_t blank = last ? line.rfind(' ') + 1 : line.find_first_not_of(' ');
            names += line.substr(blank, line.find(' ', blank) - blank) + ' ';
        }
        return names;
    };
    std::string written[3];
    const WriteLayout layouts[] = {WriteLayout::Common, WriteLayout::XYZ, WriteLayout::ExtendedXYZ};
    for (int k = 0; k < 3; ++k) {
        std::ostringstream out;
        ASSERT_EQ(writeFrame(read.frame(1), out, layouts[k]), 0);
        written[k] = out.str();
    }
    EXPECT_EQ(column(written[0], false), "c OW Xq Br ");
    EXPECT_EQ(column(written[1], false), "c OW Xq Br ");
    EXPECT_EQ(column(written[2], false), "C O X Br ");
    EXPECT_EQ(column(written[2], true), "c OW Xq Br ");
    EXPECT_NE(written[2].find(":names:S:1"), std::string::npos);

    // the program's own layout reads them back as it always did, extended XYZ as they were
    const ReadAll common(written[0], formatOf(LayoutKind::Common));
    ASSERT_EQ(common.frames.count(), 1);
    EXPECT_EQ(common.frame(1).atomName(0), "c");
    EXPECT_EQ(common.frame(1).atoms[0].type->name, "?");
    const ReadAll extended(written[2], formatOf(LayoutKind::XYZ));
    ASSERT_EQ(extended.frames.count(), 1);
    const char *const types[] = {"C", "O", "?", "Br"};
    const char *const names[] = {"c", "OW", "Xq", "Br"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(extended.frame(1).atomName(i), names[i]);
        EXPECT_EQ(extended.frame(1).atoms[i].type->name, types[i]);
    }
    EXPECT_TRUE(extended.frame(1).keptColumns().empty());
}

TEST_F(WriterTest, ExtendedXyzWritesBackColumnsKeysAndOriginAsRead)
{
    const std::string comment = "Lattice=\"10 0 0 0 11 0 0 0 12\" Origin=\"-1 -2 -3.5\" "
                                "Properties=species:S:1:pos:R:3:velocities:R:3:initial_charges:R:1:"
                                "tags:I:1:fixed:L:1:label:S:1:forces:R:3 "
                                "time=2 energy=-1.5 pbc=\"T T F\" config_type=bulk "
                                "stress=\"1 0 0 0 1 0 0 0 1\"";
    const std::string atoms = "Fe 0 0 0 0 0 0 0 7 T a 0.1 0.2 0.30000000000000004\n"
                              "Au 1 1 1 1 2 3 0 -2 F bc 1e-20 -5 6\n";
    const ReadAll read("2\n" + comment + "\n" + atoms, formatOf(LayoutKind::XYZ));
    ASSERT_EQ(read.messages(), Messages{});
    std::ostringstream out;
    ASSERT_EQ(writeFrame(read.frame(1), out, WriteLayout::ExtendedXYZ), 0);
    // velocities and charges of 0 in the first atom are still written, under their own names
    EXPECT_EQ(out.str(), "2\n" + comment + "\n" + atoms);

    // a cell of right angles read from i-PI is written with exact zeros
    const ReadAll ipi("1\n# CELL(abcABC): 10 11 12 90 90 90 positions{angstrom}\nO 0 0 0\n",
        formatOf(LayoutKind::XYZ));
    std::ostringstream cell;
    ASSERT_EQ(writeFrame(ipi.frame(1), cell, WriteLayout::ExtendedXYZ), 0);
    EXPECT_NE(cell.str().find("Lattice=\"10 0 0 0 11 0 0 0 12\""), std::string::npos) << cell.str();
}

TEST_F(WriterTest, ReportsAFailedWriteAndStops)
{
    Frame frame;
    frame.atomCount = 1;
    frame.atoms.push_back(atom("H", {1, 2, 3}, 0));
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_EQ(writeFrame(frame, broken), -1);
    EXPECT_EQ(writeAtom(frame.atoms[0], broken), -1);
    EXPECT_EQ(writeFrame(frame, static_cast<std::FILE *>(nullptr)), -1);

    std::FILE *full = std::fopen("/dev/full", "w");
    if (!full)
        GTEST_SKIP() << "no /dev/full";
    std::setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_EQ(writeFrame(frame, full), -1);
    EXPECT_EQ(writeAtom(frame.atoms[0], full), -1);
    std::fclose(full);
}

TEST_F(WriterTest, WritesToAFile)
{
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    Frame frame;
    frame.atomCount = 1;
    frame.atoms.push_back(atom("H", {1, 2, 3}, 0));
    EXPECT_EQ(writeFrame(frame, file), 0);
    std::rewind(file);
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
    EXPECT_STREQ(line, "   1  //number of atoms\n");
    std::fclose(file);
}

TEST(FramesToSave, SpreadTheCountEvenlyOverTheRange)
{
    EXPECT_EQ(selectFramesToSave(1, 10, 4, false), (std::vector<int>{1, 4, 7, 10}));
    EXPECT_EQ(selectFramesToSave(3, 9, 3, false), (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(selectFramesToSave(1, 10, 1, false), (std::vector<int>{1}));
}

TEST(FramesToSave, TakeTheWholeRangeWhenAllOrTheCountCoversIt)
{
    EXPECT_EQ(selectFramesToSave(1, 10, 51, false).size(), 10u);
    EXPECT_EQ(selectFramesToSave(2, 4, 1, true), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(selectFramesToSave(5, 5, 7, false), (std::vector<int>{5}));
}

TEST(FramesToSave, AreNoneForAnEmptyRangeOrCount)
{
    EXPECT_TRUE(selectFramesToSave(6, 5, 3, false).empty());
    EXPECT_TRUE(selectFramesToSave(6, 5, 3, true).empty());
    EXPECT_TRUE(selectFramesToSave(1, 10, 0, false).empty());
}
