#include "test_reader_support.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::pair<std::string, std::string> NotFitting{
    "INPUT FILE FORMAT ERROR", "Atom line does not match Properties"};

std::string fileText(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

// One frame of one atom per case: the comment's grammar, and how the atom line follows it.
TEST(XyzReader, ReadsTheCommentLineAndTheAtomLineItDescribes)
{
    struct Case
    {
        const char *name;
        const char *comment;
        const char *atom;
        std::optional<double> time;
        std::optional<double> energy;
        std::optional<std::array<double, 3>> cellDiagonal;
        std::string text;
        Messages messages;
        double charge = 0.0;
        Vector3 impulse{};
    };
    const std::vector<Case> cases = {
        {"quotes", R"(Lattice="10 0 0 0 11 0 0 0 12" Properties=species:S:1:pos:R:3 energy=-3.5)",
            "O 1 2 3", {}, -3.5, {{10, 11, 12}}, "", {}},
        {"braces", "Lattice={4 0 0 0 5 0 0 0 6} Time=2.5 note={a b}", "O 1 2 3", 2.5, {},
            {{4, 5, 6}}, "note={a b}", {}},
        {"escaped quotes", R"(say="a \"b=c\" d" ENERGY=1e-3 energy2=5)", "O 1 2 3", {}, 0.001, {},
            R"(say="a \"b=c\" d" energy2=5)", {}},
        {"case rules", "TIME=3 Energy=2 eNeRgY=7", "O 1 2 3", {}, 2.0, {}, "TIME=3 eNeRgY=7", {}},
        {"lattice of 8 numbers", R"(Lattice="1 0 0 0 1 0 0 0" time=4)", "O 1 2 3", 4.0, {}, {},
            R"(Lattice="1 0 0 0 1 0 0 0")", {}},
        {"missing Properties column", "Properties=species:S:1:pos:R:3:charges:R:1", "O 1 2 3", {},
            {}, {}, "", {NotFitting}},
        {"Properties charge", "Properties=species:S:1:pos:R:3:initial_charges:R:1", "O 1 2 3 -0.7",
            {}, {}, {}, "", {}, -0.7},
        {"CP2K", " i =        5, time =        2.500, E =      -17.17583", "O 1 2 3", 2.5,
            -17.17583, {}, "", {}},
        {"i-PI",
            "# CELL(abcABC):  10.0  12.0  14.0  90.00  90.00  90.00  Step:  4  Bead: 0 "
            "positions{angstrom}  cell{atomic_unit}",
            "O 1 2 3", {}, {}, {{5.2917706, 6.35012472, 7.40847884}}, "Step: 4 Bead: 0", {}},
        {"velocities as impulses", "Properties=species:S:1:pos:R:3:velocities:R:3", "O 1 2 3 4 5 6",
            {}, {}, {}, "", {}, 0.0, {4, 5, 6}},
        {"plain comment and Common columns", "water, frame 1", "O 1 2 3 -0.8 1 2 3", {}, {}, {},
            "water, frame 1", {}, -0.8, {1, 2, 3}},
    };
    for (const Case &expected : cases) {
        const std::string text =
            std::string("1\n") + expected.comment + "\n" + expected.atom + "\n";
        const ReadAll read(text, formatOf(LayoutKind::XYZ));
        EXPECT_EQ(read.messages(), expected.messages) << expected.name;
        if (!expected.messages.empty()) {
            EXPECT_EQ(read.frames.count(), 0) << expected.name;
            EXPECT_EQ(read.outcome.stopLine, 3) << expected.name;
            continue;
        }
        ASSERT_EQ(read.frames.count(), 1) << expected.name;
        const Frame &frame = read.frame(1);
        EXPECT_EQ(frame.hasTime, expected.time.has_value()) << expected.name;
        EXPECT_EQ(frame.time, expected.time.value_or(0.0)) << expected.name;
        EXPECT_EQ(frame.hasEnergy, expected.energy.has_value()) << expected.name;
        EXPECT_EQ(frame.energy, expected.energy.value_or(0.0)) << expected.name;
        EXPECT_EQ(frame.text(), expected.text) << expected.name;
        ASSERT_EQ(frame.cell().has_value(), expected.cellDiagonal.has_value()) << expected.name;
        if (frame.cell()) {
            for (std::size_t k = 0; k < 3; ++k)
                EXPECT_NEAR(
                    frame.cell()->edges[k].x + frame.cell()->edges[k].y + frame.cell()->edges[k].z,
                    (*expected.cellDiagonal)[k], 1e-9)
                    << expected.name;
        }
        EXPECT_EQ(frame.atoms[0].type->name, "O") << expected.name;
        EXPECT_EQ(frame.atoms[0].position, (Vector3{1, 2, 3})) << expected.name;
        EXPECT_EQ(frame.atoms[0].charge, expected.charge) << expected.name;
        EXPECT_EQ(frame.atoms[0].impulse, expected.impulse) << expected.name;
    }
}

TEST(XyzReader, TakesMomentaOverVelocitiesAndKeepsTheOtherColumnsOnBothPaths)
{
    const std::string frame = "2\n"
                              "Properties=species:S:1:velocities:R:3:pos:R:3:momenta:R:3:tags:I:1 "
                              "pbc=\"T F T\" Lattice=\"5 0 0 1 6 0 0 0 7\"\n"
                              "C  9 9 9  1.5 2.5 3.5  0.1 0.2 0.3  7\n"
                              "Si 8 8 8  4.5 5.5 6.5  0.4 0.5 0.6  -2\n";
    for (const int threads : {1, 2}) {
        const ReadAll read(frame + frame + frame, formatOf(LayoutKind::XYZ), threads, 64);
        EXPECT_EQ(read.messages(), Messages{});
        ASSERT_EQ(read.frames.count(), 3);
        const Frame &last = read.frame(3);
        EXPECT_EQ(last.atoms[1].type->name, "Si");
        EXPECT_EQ(last.atoms[1].position, (Vector3{4.5, 5.5, 6.5}));
        EXPECT_EQ(last.atoms[1].impulse, (Vector3{0.4, 0.5, 0.6}));
        ASSERT_TRUE(last.cell());
        EXPECT_EQ(last.cell()->edges[1], (Vector3{1, 6, 0}));
        EXPECT_EQ(last.cell()->periodic, (std::array<bool, 3>{true, false, true}));
        ASSERT_EQ(last.keptColumns().size(), 2u);
        EXPECT_EQ(last.keptColumns()[0].name, "velocities");
        EXPECT_EQ(last.keptColumns()[0].numbers, (std::pmr::vector<double>{9, 9, 9, 8, 8, 8}));
        EXPECT_EQ(last.keptColumns()[1].type, 'I');
        EXPECT_EQ(last.keptColumns()[1].numbers, (std::pmr::vector<double>{7, -2}));
        EXPECT_EQ(last.impulseColumn(), ImpulseColumn::Momenta);
    }
}

TEST(XyzReader, RealFaultsStopTheReadingAtTheirLineKeepingEarlierFrames)
{
    const std::string good = "1\nfirst\nH 0 0 0\n";
    const std::vector<std::pair<std::string, Messages>> cases = {
        {"1\nsecond\nH 0 x 0\n", {XyzError}},
        {"0\nsecond\n", {{"INPUT FILE FORMAT ERROR", "Number of atoms not valid"}}},
        {"1\nProperties=species:S:1:pos:R\nH 0 0 0\n",
            {{"INPUT FILE FORMAT ERROR", "Properties not valid"}}},
        {"1\nProperties=species:S:1:pos:R:3:tags:I:2\nH 0 0 0 7\n", {NotFitting}},
        {"2\nshort\nH 0 0 0\n", {}},
    };
    for (const auto &[bad, messages] : cases) {
        const ReadAll read(good + bad, formatOf(LayoutKind::XYZ));
        EXPECT_EQ(read.frames.count(), 1) << bad;
        EXPECT_EQ(read.messages(), messages) << bad;
    }
}

TEST(XyzReader, KeepsNamesAsReadWhereTheyAreNotTheTypesName)
{
    const ReadAll read("5\n\nc 0 0 0\nOW 1 0 0\nXq 2 0 0\nFe 3 0 0\n26 4 0 0\n"
                       "2\n\nH 0 0 0\nFe 1 0 0\n",
        formatOf(LayoutKind::XYZ));
    ASSERT_EQ(read.frames.count(), 2);
    const Frame &frame = read.frame(1);
    const std::pair<const char *, const char *> expected[] = {
        {"c", "C"}, {"OW", "O"}, {"Xq", "?"}, {"Fe", "Fe"}, {"26", "Fe"}};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(frame.atomName(i), expected[i].first);
        EXPECT_EQ(frame.atoms[i].type->name, expected[i].second) << expected[i].first;
    }
    // a frame of element symbols keeps no names of its own, nor anything else beside its record
    EXPECT_FALSE(read.frame(2).hasExtras());
}

TEST(XyzReader, NumbersOfKeptColumnsAndThePairsOfTheCommentAreKept)
{
    const ReadAll read("2\nProperties=species:S:1:pos:R:3:tags:I:1:fixed:L:3:label:S:1:f:R:2 "
                       "config_type=bulk stress=\"1 2 3\" Origin=\"-1 -2 -3\" "
                       "Lattice=\"10 0 0 0 10 0 0 0 10\" flag\n"
                       "Fe 0 0 0 7 T F T a 0.5 1e-3\n"
                       "Au 1 1 1 -2 F F F bc -0.25 2\n",
        formatOf(LayoutKind::XYZ));
    EXPECT_EQ(read.messages(), Messages{});
    ASSERT_EQ(read.frames.count(), 1);
    const Frame &frame = read.frame(1);
    ASSERT_EQ(frame.keptColumns().size(), 4u);
    EXPECT_EQ(frame.keptColumns()[0].numbers, (std::pmr::vector<double>{7, -2}));
    EXPECT_EQ(frame.keptColumns()[1].numbers, (std::pmr::vector<double>{1, 0, 1, 0, 0, 0}));
    EXPECT_EQ(frame.keptColumns()[2].values, (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(frame.keptColumns()[3].numbers, (std::pmr::vector<double>{0.5, 1e-3, -0.25, 2}));
    EXPECT_EQ(frame.extraPairs(), R"(config_type=bulk stress="1 2 3")");
    ASSERT_TRUE(frame.cell());
    EXPECT_EQ(frame.cell()->origin, (Vector3{-1, -2, -3}));
}

TEST(XyzReader, IpiColumnsOfAnyNameInAUnitAreConvertedAndRightAnglesAreExact)
{
    const ReadAll read("1\n# CELL(abcABC): 10 11 12 90 90 90 Step: 4 Bead: 0 "
                       "x_centroid{atomic_unit} cell{angstrom}\nO 1 2 3\n",
        formatOf(LayoutKind::XYZ));
    ASSERT_EQ(read.frames.count(), 1);
    const Frame &frame = read.frame(1);
    EXPECT_EQ(
        frame.atoms[0].position, (Vector3{BohrToAngstrom, 2 * BohrToAngstrom, 3 * BohrToAngstrom}));
    ASSERT_TRUE(frame.cell());
    EXPECT_EQ(frame.cell()->edges[1], (Vector3{0, 11, 0}));
    EXPECT_EQ(frame.cell()->edges[2], (Vector3{0, 0, 12}));
    EXPECT_EQ(frame.extraPairs(), "Step=4 Bead=0");
}

TEST(XyzRecognition, AnXyzFileIsTheProgramsOwnOnlyWhenItsSecondLineBeginsWithTwoNumbers)
{
    const struct
    {
        const char *extension;
        const char *text;
        int kind;
        int currentKind = 0;
    } cases[] = {
        {".xyz", "3\n0.0 -76.4 water\n", 0},
        {".XYZ", "3\n  1e3\t-2\n", 0},
        {".xyz", "3\nwater\n", 3},
        {".xyz", "3\n12.5fs -3\n", 3},
        {".xyz", "3\n1.5\n", 3},
        {".xyz", "3\nProperties=species:S:1:pos:R:3 energy=1\n", 3},
        {".extxyz", "3\n0.0 -76.4\n", 3},
        {".txt", "3\nwater\n", 2},
        // a name without a layout of its own (a pipe, xtb's .log and .trj, none) is read by
        // its text while the kind is the default, and keeps a kind the user chose
        {"", "3\n0.0 -76.4 water\n", 0},
        {"", "3\nwater\n", 3},
        {".log", " 3\n energy: -5.07 gnorm: 0.0003 xtb: 6.5\n", 3},
        {".trj", "3\n\n", 3},
        {".log", "3\nwater\n", -1, 2},
        {".dat", "3\n0.0 -76.4\n", -1, 3},
    };
    for (const auto &c : cases)
        EXPECT_EQ(kindForFile(c.extension, c.text, 0, c.currentKind), c.kind)
            << c.extension << " " << c.text;
}

TEST(XyzRecognition, EveryExistingExampleAndTestFileReadsAsBefore)
{
    const std::filesystem::path folders[] = {
        TESSALY_EXAMPLES, TESSALY_TEST_DATA, std::filesystem::path(TESSALY_TEST_DATA) / "bad"};
    int files = 0;
    for (const auto &folder : folders) {
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            if (!entry.is_regular_file())
                continue;
            const std::string name = entry.path().string();
            if (kindForExtension(fileExtension(name)) < 0)
                continue; // not a trajectory: a picture to compare with
            const std::string text = fileText(entry.path());
            InputFormat before;
            before.kind = std::max(0, kindForExtension(fileExtension(name)));
            InputFormat now = before;
            now.kind = std::max(0, kindForFile(fileExtension(name), text));
            const ReadAll a(text, before);
            const ReadAll b(text, now);
            EXPECT_EQ(a.frames.count(), b.frames.count()) << name;
            EXPECT_EQ(a.messages(), b.messages()) << name;
            for (int i = 1; i <= a.frames.count() && i <= b.frames.count(); ++i)
                EXPECT_EQ(a.frame(i).text(), b.frame(i).text()) << name;
            ++files;
        }
    }
    EXPECT_GE(files, 12);
}
