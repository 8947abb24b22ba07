#include "test_reader_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

// Every case runs through the plain loop (1 thread) and through the read-ahead path (2 threads,
// tiny batches), which must give the same frames and the same messages.
class CommonReader : public testing::TestWithParam<int>
{
protected:
    int threads() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(
    BothPaths, CommonReader, testing::Values(1, 2), [](const testing::TestParamInfo<int> &info) {
        return info.param == 1 ? std::string("InOrder") : std::string("ReadAhead");
    });

namespace {

const std::string WaterFrame = "3\n"
                               "0.5 -12.25 water\n"
                               "O 0.0 0.1 0.2 -0.8 1 2 3\n"
                               "H 1.0 1.1 1.2 0.4 4 5 6\n"
                               "H 2.0 2.1 2.2 0.4 7 8 9\n";

} // namespace

TEST_P(CommonReader, ReadsTheWorkedExampleWithOneOrbitalErrorForTheFile)
{
    const ReadAll read(WaterFrame + WaterFrame, formatOf(LayoutKind::Common), threads());
    ASSERT_EQ(read.frames.count(), 2);
    EXPECT_EQ(read.messages(), Messages{OrbitalError});
    const Frame &frame = read.frame(1);
    EXPECT_EQ(frame.atomCount, 3);
    ASSERT_EQ(frame.atoms.size(), 3u);
    EXPECT_EQ(frame.time, 0.5);
    EXPECT_EQ(frame.energy, -12.25);
    EXPECT_EQ(frame.text(), std::optional<std::string>(" water\n"));
    EXPECT_EQ(frame.atoms[0].type->name, "O");
    EXPECT_EQ(frame.atoms[1].type->name, "H");
    EXPECT_EQ(frame.atoms[2].type->name, "H");
    EXPECT_EQ(frame.atoms[1].position, (Vector3{1.0, 1.1, 1.2}));
    EXPECT_EQ(frame.atoms[0].charge, -0.8);
    EXPECT_EQ(frame.atoms[2].impulse, (Vector3{7, 8, 9}));
    for (const FrameAtom &atom : frame.atoms)
        EXPECT_TRUE(atom.usesTypeOrbitals);
    EXPECT_EQ(read.outcome.framesRead, 2);
    EXPECT_EQ(read.outcome.endedWith, ReadResult::EndOfFile);
}

TEST_P(CommonReader, AtomLinesWithOnlyCoordinatesShowEachProblemOnceInFieldOrder)
{
    // The first atom stops at its missing impulse, so the orbital error comes from the second.
    const std::string frame = "2\n0 0\nC 1 2 3\nN 4 5 6\n";
    const ReadAll read(frame + frame + frame, formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(read.frames.count(), 3);
    EXPECT_EQ(read.messages(), (Messages{ChargeWarning, ImpulseError, OrbitalError}));
    EXPECT_EQ(read.frame(3).atoms[1].position, (Vector3{4, 5, 6}));
    EXPECT_EQ(read.frame(3).atoms[1].charge, 0.0);
}

TEST_P(CommonReader, FirstImpulseErrorIgnoresTheRestOfTheLineLaterOnesGoOn)
{
    InputFormat format = formatOf(LayoutKind::Common);
    const std::string text = "2\n0 0\n"
                             "H 0 0 0 0.1 x y z 0.7\n"
                             "H 0 0 0 0.2 x y z 0.6\n";
    const ReadAll read(text, format, threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.messages(), Messages{ImpulseError});
    const Frame &frame = read.frame(1);
    EXPECT_TRUE(frame.atoms[0].usesTypeOrbitals);
    ASSERT_FALSE(frame.atoms[1].usesTypeOrbitals);
    EXPECT_EQ(frame.ownOrbitals(frame.atoms[1]).front().coefficient, 0.6);
    EXPECT_EQ(frame.atoms[1].charge, 0.2);
}

TEST_P(CommonReader, PartialImpulseKeepsTheValuesReadBeforeTheFailure)
{
    const std::string text = "1\n0 0\nH 0 0 0 0.1 1.5 2.5\n";
    const ReadAll read(text, formatOf(LayoutKind::Common), threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.frame(1).atoms[0].impulse, (Vector3{1.5, 2.5, 0}));
}

TEST_P(CommonReader, CoefficientsGoIntoTheAtomsOwnCopyOfItsTypesActiveTerms)
{
    // Argon's default expansion has three active terms: (3,1,-1), (3,1,0), (3,1,1).
    const std::string text = "2\n0 0\n"
                             "Ar 0 0 0 0 0 0 0 0.5 0.25 0.125 99\n"
                             "C 0 0 0 0 0 0 0 0.75 5\n";
    const ReadAll read(text, formatOf(LayoutKind::Common), threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_TRUE(read.messages().empty());
    const FrameAtom &argon = read.frame(1).atoms[0];
    ASSERT_FALSE(argon.usesTypeOrbitals);
    EXPECT_EQ(argon.ownOrbitalFamily, 0);
    const auto terms = read.frame(1).ownOrbitals(argon);
    ASSERT_EQ(terms.size(), 3u);
    EXPECT_EQ(terms[0].m, -1);
    EXPECT_EQ(terms[0].coefficient, 0.5);
    EXPECT_EQ(terms[1].m, 0);
    EXPECT_EQ(terms[1].coefficient, 0.25);
    EXPECT_EQ(terms[2].m, 1);
    EXPECT_EQ(terms[2].coefficient, 0.125);
    EXPECT_EQ(terms[2].n, 3);
    EXPECT_EQ(terms[2].l, 1);
    // The extra token after carbon's one coefficient is ignored; its term is (2,1,0).
    const auto carbon = read.frame(1).ownOrbitals(read.frame(1).atoms[1]);
    ASSERT_EQ(carbon.size(), 1u);
    EXPECT_EQ(carbon[0].n, 2);
    EXPECT_EQ(carbon[0].l, 1);
    EXPECT_EQ(carbon[0].coefficient, 0.75);
}

TEST_P(CommonReader, DroppedCoefficientShiftsTheLaterOnesOntoEarlierTerms)
{
    const std::string text = "2\n0 0\n"
                             "Ar 0 0 0 0 0 0 0\n"
                             "Ar 0 0 0 0 0 0 0 bad 0.5 0.25\n";
    const ReadAll read(text, formatOf(LayoutKind::Common), threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.messages(), Messages{OrbitalError});
    const auto terms = read.frame(1).ownOrbitals(read.frame(1).atoms[1]);
    ASSERT_EQ(terms.size(), 2u);
    EXPECT_EQ(terms[0].m, -1);
    EXPECT_EQ(terms[0].coefficient, 0.5);
    EXPECT_EQ(terms[1].m, 0);
    EXPECT_EQ(terms[1].coefficient, 0.25);
}

TEST_P(CommonReader, ATrailingEmptyLineEndsTheReadingSilently)
{
    const ReadAll read(WaterFrame + WaterFrame + "\n", formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(read.frames.count(), 2);
    EXPECT_EQ(read.messages(), Messages{OrbitalError});
    EXPECT_EQ(read.outcome.endedWith, ReadResult::FormatError);
}

TEST_P(CommonReader, KeepsTheCompleteFramesOfATruncatedFile)
{
    const std::string text = WaterFrame + WaterFrame + "3\n0.5 -12.25\nO 0 0 0 0 0 0 0 1\n";
    const ReadAll read(text, formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(read.frames.count(), 2);
    EXPECT_EQ(read.outcome.endedWith, ReadResult::EndOfFile);
}

TEST_P(CommonReader, CountOnOrAfterTheFirstAtomLineIsRefusedOnce)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().firstAtomLine = 1;
    const ReadAll read(WaterFrame, format, threads());
    EXPECT_EQ(read.frames.count(), 0);
    EXPECT_EQ(read.messages(),
        (Messages{{"INPUT FILE FORMAT ERROR", "Atoms number line >= First atom line"}}));
    EXPECT_EQ(read.outcome.endedWith, ReadResult::FormatError);
}

TEST_P(CommonReader, ZeroOrNegativeCountStopsWithItsMessage)
{
    for (const char *count : {"0", "-4"}) {
        const ReadAll read(WaterFrame + count + "\n0 0\n", formatOf(LayoutKind::Common), threads());
        EXPECT_EQ(read.frames.count(), 1);
        ASSERT_EQ(read.messages().size(), 2u);
        EXPECT_EQ(read.messages()[1],
            (std::pair<std::string, std::string>{
                "INPUT FILE FORMAT ERROR", "Number of atoms not valid"}));
    }
}

TEST_P(CommonReader, InvalidCoordinatesStopAndKeepTheFramesBefore)
{
    const std::string text = WaterFrame + "1\n0 0\nH 1.0 2.0\n" + WaterFrame;
    const ReadAll read(text, formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.messages(), (Messages{OrbitalError, XyzError}));
    EXPECT_EQ(read.outcome.endedWith, ReadResult::FormatError);
}

TEST_P(CommonReader, NamesAreMatchedExactly)
{
    const std::string text = "3\n0 0\nc 0 0 0 0 0 0 0 1\nC 0 0 0 0 0 0 0 1\nXx 0 0 0 0 0 0 0 1\n";
    const ReadAll read(text, formatOf(LayoutKind::Common), threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.frame(1).atoms[0].type->name, "?");
    EXPECT_EQ(read.frame(1).atoms[1].type->name, "C");
    EXPECT_EQ(read.frame(1).atoms[2].type->name, "?");
}

TEST_P(CommonReader, NamesOfThirtyCharactersAreAcceptedLongerOnesStop)
{
    const std::string name30(30, 'Q');
    const std::string ok = "1\n0 0\n" + name30 + " 1 2 3 0 0 0 0 1\n";
    const ReadAll accepted(ok, formatOf(LayoutKind::Common), threads());
    ASSERT_EQ(accepted.frames.count(), 1);
    EXPECT_EQ(accepted.frame(1).atoms[0].type->name, "?");
    EXPECT_EQ(accepted.frame(1).atoms[0].position, (Vector3{1, 2, 3}));

    const ReadAll refused(
        ok + "1\n0 0\n" + name30 + "Q 1 2 3 0 0 0 0 1\n", formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(refused.frames.count(), 1);
    EXPECT_EQ(
        refused.messages(), (Messages{{"INPUT FILE FORMAT ERROR", "Invalid or missed atom name"}}));
}

TEST_P(CommonReader, AtomicUnitsConvertPositionsButNotImpulses)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().convertUnits = true;
    const ReadAll read("1\n0 0\nH 1 2 3 0 1 2 3 1\n", format, threads());
    ASSERT_EQ(read.frames.count(), 1);
    const FrameAtom &atom = read.frame(1).atoms[0];
    EXPECT_DOUBLE_EQ(atom.position.x, 0.52917706);
    EXPECT_DOUBLE_EQ(atom.position.y, 1.05835412);
    EXPECT_DOUBLE_EQ(atom.position.z, 1.58753118);
    EXPECT_EQ(atom.impulse, (Vector3{1, 2, 3}));
}

TEST_P(CommonReader, WithoutTimeAndEnergyTheWholeTimeLineBecomesTheText)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().readTime = false;
    format.current().readEnergy = false;
    const ReadAll read("1\n  7.5 hello\tworld\nH 1 2 3 0 0 0 0 1\n", format, threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.frame(1).text(), std::optional<std::string>("  7.5 hello\tworld\n"));
    EXPECT_EQ(read.frame(1).time, 0.0);
    EXPECT_TRUE(read.messages().empty());
}

TEST_P(CommonReader, EnergyAloneOnItsLineIsTheFirstToken)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().readTime = false;
    const ReadAll read("1\n-3.5 9\nH 1 2 3 0 0 0 0 1\n", format, threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.frame(1).energy, -3.5);
    EXPECT_EQ(read.frame(1).time, 0.0);
    EXPECT_EQ(read.frame(1).text(), std::optional<std::string>(" 9\n"));
}

TEST_P(CommonReader, CountTimeAndEnergySharingALineAreReadInThatOrder)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().timePosition = 1;
    format.current().energyPosition = 1;
    format.current().firstAtomLine = 2;
    const ReadAll read("1 2.5 -7 rest\nH 1 2 3 0 0 0 0 1\n", format, threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.frame(1).atomCount, 1);
    EXPECT_EQ(read.frame(1).time, 2.5);
    EXPECT_EQ(read.frame(1).energy, -7.0);
    EXPECT_EQ(read.frame(1).text(), std::optional<std::string>(" rest\n"));
}

TEST_P(CommonReader, MissingTimeAndEnergyWarnOnceAndStayZero)
{
    const std::string frame = "1\n\nH 1 2 3 0 0 0 0 1\n";
    const ReadAll read(frame + frame, formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(read.frames.count(), 2);
    EXPECT_EQ(read.messages(), (Messages{TimeWarning, EnergyWarning}));
    EXPECT_EQ(read.frame(2).time, 0.0);
    EXPECT_EQ(read.frame(2).text(), std::optional<std::string>("\n"));
}

TEST_P(CommonReader, ChargeWarningIsShownOnceForTheWholeFile)
{
    const std::string frame = "2\n0 0\nH 1 2 3\nH 1 2 3\n";
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().readImpulses = false;
    format.current().readOrbitals = false;
    const ReadAll read(frame + frame + frame, format, threads());
    EXPECT_EQ(read.frames.count(), 3);
    EXPECT_EQ(read.messages(), Messages{ChargeWarning});
    for (const Frame &each : read.frames)
        for (const FrameAtom &atom : each.atoms)
            EXPECT_EQ(atom.charge, 0.0);
}

TEST_P(CommonReader, PositionZeroForImpulsesAndCoefficientsIsNeverReached)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().impulsePosition = 0;
    format.current().orbitalPosition = 0;
    const ReadAll read("1\n0 0\nH 1 2 3 0.5\n", format, threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_TRUE(read.messages().empty());
    EXPECT_EQ(read.frame(1).atoms[0].charge, 0.5);
}

TEST_P(CommonReader, CoordinatesWinOverACoincidingChargePosition)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().chargePosition = 3; // inside the coordinate triple: never read
    format.current().readImpulses = false;
    format.current().readOrbitals = false;
    const ReadAll read("1\n0 0\nH 1 2 3 4\n", format, threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_TRUE(read.messages().empty());
    EXPECT_EQ(read.frame(1).atoms[0].charge, 0.0);
    EXPECT_EQ(read.frame(1).atoms[0].position, (Vector3{1, 2, 3}));
}

TEST_P(CommonReader, CarriageReturnsBeforeLineFeedsAreNotPartOfTheLine)
{
    const ReadAll read(
        "1\r\n0.5 1.5 note\r\nH 1 2 3 0.25 1 1 1 1\r\n", formatOf(LayoutKind::Common), threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_TRUE(read.messages().empty());
    EXPECT_EQ(read.frame(1).text(), std::optional<std::string>(" note\n"));
    EXPECT_EQ(read.frame(1).ownOrbitals(read.frame(1).atoms[0]).front().coefficient, 1.0);
}

TEST_P(CommonReader, LongLinesAreReadWhole)
{
    const std::string comment(5000, 'x');
    const std::string frame = "1\n0.5 1.5 " + comment + "\nH 1 2 3 0.25 1 1 1 1\n";
    const ReadAll read(frame + frame, formatOf(LayoutKind::Common), threads());
    ASSERT_EQ(read.frames.count(), 2);
    EXPECT_TRUE(read.messages().empty());
    EXPECT_EQ(read.frame(2).text()->size(), comment.size() + 2);
}

TEST_P(CommonReader, AbsurdCountsEndLikeATruncatedFrameWithoutTakingTheMemory)
{
    for (const char *count : {"2147483647", "99999999999", "100000"}) {
        const ReadAll read(WaterFrame + count + "\n0 0\nH 1 2 3 0 0 0 0 1\n",
            formatOf(LayoutKind::Common), threads());
        EXPECT_EQ(read.frames.count(), 1) << count;
        EXPECT_EQ(read.messages(), Messages{OrbitalError}) << count;
        EXPECT_EQ(read.outcome.endedWith, ReadResult::EndOfFile) << count;
    }
}

TEST_P(CommonReader, AbsurdFixedCountEndsLikeATruncatedFrame)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().useFixedCount = true;
    format.current().fixedAtomCount = 2000000000;
    const ReadAll read("1\n0 0\nH 1 2 3 0 0 0 0 1\n", format, threads());
    EXPECT_EQ(read.frames.count(), 0);
    EXPECT_EQ(read.outcome.endedWith, ReadResult::EndOfFile);
}

TEST_P(CommonReader, ATripleNeedsThreeNumbersInARow)
{
    // As with "%lf %lf %lf", characters glued to a number end the triple there.
    const ReadAll read("1\n0 0\nH 1.5x -2 3 0 0 0 0 1\n", formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(read.frames.count(), 0);
    EXPECT_EQ(read.messages(), Messages{XyzError});
}

TEST_P(CommonReader, NumbersFollowedByOtherCharactersCountAsRead)
{
    const ReadAll read("1\n+0.5fs 1e2eV\nH 1.5 -2 3e0 .5x INF -nan 1 1\n",
        formatOf(LayoutKind::Common), threads());
    ASSERT_EQ(read.frames.count(), 1);
    EXPECT_TRUE(read.messages().empty());
    EXPECT_EQ(read.frame(1).time, 0.5);
    EXPECT_EQ(read.frame(1).energy, 100.0);
    const FrameAtom &atom = read.frame(1).atoms[0];
    EXPECT_EQ(atom.position, (Vector3{1.5, -2, 3}));
    EXPECT_EQ(atom.charge, 0.5);
    EXPECT_TRUE(std::isinf(atom.impulse.x));
    EXPECT_TRUE(std::isnan(atom.impulse.y));
}

TEST_P(CommonReader, SkipsTheLeadingLinesAndReadsNothingWhenTheyRunOut)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().skipLines = 2;
    const ReadAll skipped("title\nsecond\n" + WaterFrame, format, threads());
    EXPECT_EQ(skipped.frames.count(), 1);

    format.current().skipLines = 5;
    const ReadAll empty("a\nb\n", format, threads());
    EXPECT_EQ(empty.frames.count(), 0);
    EXPECT_TRUE(empty.messages().empty());
    EXPECT_EQ(empty.outcome.endedWith, ReadResult::EndOfFile);
}

TEST_P(CommonReader, EmptyAndBinaryInputsEndWithoutFrames)
{
    const ReadAll empty("", formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(empty.frames.count(), 0);
    EXPECT_TRUE(empty.messages().empty());
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919 + 13) % 256);
    const ReadAll binary(garbage, formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(binary.frames.count(), 0);
}

TEST_P(CommonReader, FixedCountFramesNeedNoCountLine)
{
    InputFormat format = formatOf(LayoutKind::Common);
    format.current().useFixedCount = true;
    format.current().fixedAtomCount = 2;
    format.current().firstAtomLine = 2;
    format.current().timePosition = 1;
    format.current().readEnergy = false;
    const std::string frame = "1.5\nH 1 2 3 0 0 0 0 1\nO 4 5 6 0 0 0 0 1\n";
    const ReadAll read(frame + frame, format, threads());
    ASSERT_EQ(read.frames.count(), 2);
    EXPECT_EQ(read.frame(2).time, 1.5);
    EXPECT_EQ(read.frame(2).atoms[1].type->name, "O");
}

TEST_P(CommonReader, ANameWithoutCoordinatesStopsEvenAfterEveryOnceOnlyMessage)
{
    // the first frame shows all five once-per-file messages; the walk along an atom line may
    // then end early, but never before the coordinates
    const std::string text = "2\nstep\nC 1 2 3\nN 4 5 6\n"
                             "1\n0 0\nH\n";
    const ReadAll read(text, formatOf(LayoutKind::Common), threads());
    EXPECT_EQ(read.frames.count(), 1);
    EXPECT_EQ(read.messages(),
        (Messages{
            TimeWarning, EnergyWarning, ChargeWarning, ImpulseError, OrbitalError, XyzError}));
    EXPECT_EQ(read.outcome.messageLines.back(), 7);
    EXPECT_EQ(read.outcome.stopLine, 7);
}
