#include "model/frame.h"

#include <gtest/gtest.h>

namespace {

Frame frameWithAtoms(int count, double time)
{
    Frame frame;
    frame.atomCount = count;
    EXPECT_TRUE(allocateAtoms(frame, count));
    frame.time = time;
    return frame;
}

TEST(Frame, StartsEmptyWithoutTextOrAtoms)
{
    Frame frame;
    EXPECT_EQ(frame.atomCount, 0);
    EXPECT_FALSE(frame.hasAtoms());
    EXPECT_FALSE(frame.text.has_value());
    EXPECT_EQ(frame.time, 0.0);
    EXPECT_EQ(frame.energy, 0.0);
}

TEST(Frame, AllocatedAtomsStartAsCreated)
{
    Frame frame = frameWithAtoms(3, 0.0);
    ASSERT_EQ(frame.atoms.size(), 3u);
    const FrameAtom &atom = frame.atoms[2];
    EXPECT_EQ(atom.position, Vector3{});
    EXPECT_EQ(atom.impulse, Vector3{});
    EXPECT_EQ(atom.charge, 0.0);
    EXPECT_TRUE(atom.usesTypeOrbitals());
    EXPECT_EQ(atom.ownOrbitalFamily(), 0);
    ASSERT_EQ(atom.ownOrbitals().size(), 1u);
    EXPECT_EQ(termLabel(atom.ownOrbitals()[0]), "1,s");
    EXPECT_DOUBLE_EQ(atom.ownOrbitals()[0].coefficient, 1.0);
}

TEST(Frame, AnAtomKeepsItsTypesOrbitalsUntilItGetsItsOwn)
{
    AtomType carbon = createAtomType(0, "C", 6, 0.7);
    FrameAtom atom;
    atom.type = &carbon;
    EXPECT_EQ(&atom.activeOrbitals(), &carbon.orbitals);
    AtomOrbitals &own = atom.ownOrbitalSettings();
    own.usesTypeOrbitals = false;
    own.ownOrbitals[0].coefficient = 0.25;
    EXPECT_EQ(atom.activeOrbitals()[0].coefficient, 0.25);
    EXPECT_DOUBLE_EQ(carbon.orbitals[0].coefficient, 1.0);
}

TEST(Frame, LoadedAtomsStayCompact)
{
    // the whole trajectory is kept in memory: every byte of an atom counts
    EXPECT_LE(sizeof(FrameAtom), 72u);
}

TEST(Frame, HugeAtomCountsFailWithoutThrowing)
{
    Frame frame;
    EXPECT_FALSE(allocateAtoms(frame, 2147483647));
    EXPECT_FALSE(frame.hasAtoms());
}

TEST(FrameList, IndexesFramesFromOneAndAnswersTheHeadOutsideTheRange)
{
    FrameList list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(&list.frameAt(1), &list.head());
    EXPECT_EQ(list.first(), nullptr);

    list.appendFrame(frameWithAtoms(1, 0.5));
    list.appendFrame(frameWithAtoms(1, 1.0));
    list.appendFrame(frameWithAtoms(1, 1.5));
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.first(), &list.frameAt(1));
    EXPECT_EQ(list.frameAt(3).time, 1.5);
    EXPECT_EQ(&list.frameAt(0), &list.head());
    EXPECT_EQ(&list.frameAt(4), &list.head());
}

TEST(FrameList, FramesStayInPlaceWhileMoreAreAppended)
{
    FrameList list;
    Frame *first = &list.appendFrame(frameWithAtoms(2, 0.0));
    for (int i = 0; i < 1000; ++i)
        list.appendFrame(frameWithAtoms(2, i));
    EXPECT_EQ(first, &list.frameAt(1));
}

TEST(FrameList, ClearingLeavesOnlyTheHead)
{
    FrameList list;
    list.appendFrame(frameWithAtoms(2, 0.0));
    list.appendFrame(frameWithAtoms(2, 0.0));
    list.clearFrames();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_FALSE(list.head().hasAtoms());
}

} // namespace
