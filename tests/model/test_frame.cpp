#include "model/frame.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <memory_resource>
#include <new>

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
    EXPECT_FALSE(frame.text().has_value());
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
    EXPECT_TRUE(atom.usesTypeOrbitals);
    EXPECT_EQ(atom.ownOrbitalFamily, 0);
    const auto own = frame.ownOrbitals(atom);
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(termLabel(own[0]), "1,s");
    EXPECT_DOUBLE_EQ(own[0].coefficient, 1.0);
}

TEST(Frame, AnAtomKeepsItsTypesOrbitalsUntilItUsesItsOwn)
{
    AtomType carbon = createAtomType(0, "C", 6, 0.7);
    carbon.orbitalFamily = 2;
    Frame frame = frameWithAtoms(2, 0.0);
    FrameAtom &atom = frame.atoms[0];
    atom.type = &carbon;
    EXPECT_EQ(frame.activeOrbitals(atom).data(), carbon.orbitals.data());
    EXPECT_EQ(frame.activeOrbitalFamily(atom), 2);

    const OrbitalTerm terms[] = {newTerm(2, 1, 0.25, true, 0), newTerm(2, 0, 0.5, true, 0)};
    frame.setOwnOrbitals(atom, terms);
    atom.usesTypeOrbitals = false;
    atom.ownOrbitalFamily = 1;
    ASSERT_EQ(frame.activeOrbitals(atom).size(), 2u);
    EXPECT_EQ(frame.activeOrbitals(atom)[1].coefficient, 0.5);
    EXPECT_EQ(frame.activeOrbitalFamily(atom), 1);
    EXPECT_DOUBLE_EQ(carbon.orbitals[0].coefficient, 1.0);
    // the other atom is untouched
    EXPECT_EQ(frame.ownOrbitals(frame.atoms[1]).size(), 1u);
}

TEST(Frame, AppendedTermsBuildOneExpansionPerAtom)
{
    Frame frame = frameWithAtoms(2, 0.0);
    frame.appendOwnTerm(frame.atoms[0], newTerm(3, 1, 0.1, true, -1), true);
    frame.appendOwnTerm(frame.atoms[0], newTerm(3, 1, 0.2, true, 0), false);
    frame.appendOwnTerm(frame.atoms[1], newTerm(2, 1, 0.3, true, 1), true);
    const auto first = frame.ownOrbitals(frame.atoms[0]);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[1].coefficient, 0.2);
    const auto second = frame.ownOrbitals(frame.atoms[1]);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].m, 1);
    // a new expansion replaces the old one
    const OrbitalTerm replacement[] = {newTerm(1, 0, 0.9, false, 0)};
    frame.setOwnOrbitals(frame.atoms[0], replacement);
    ASSERT_EQ(frame.ownOrbitals(frame.atoms[0]).size(), 1u);
    EXPECT_FALSE(frame.ownOrbitals(frame.atoms[0])[0].letterForm);
    EXPECT_EQ(frame.ownOrbitals(frame.atoms[1])[0].coefficient, 0.3);
}

TEST(Frame, LoadedAtomsAndRecordsStayCompact)
{
    // the whole trajectory is kept in memory: every byte of an atom counts, and of a frame's
    // record in files of many small frames
    EXPECT_LE(sizeof(FrameAtom), 72u);
    EXPECT_LE(sizeof(Frame), 72u);
}

// Memory that runs out at a fixed size, the same on every machine and under every sanitizer:
// asking the real allocator for 154 GB would test the machine's overcommit setting instead.
class SmallMemory : public std::pmr::memory_resource
{
    void *do_allocate(std::size_t bytes, std::size_t alignment) override
    {
        if (bytes > (std::size_t{1} << 20))
            throw std::bad_alloc();
        return std::pmr::new_delete_resource()->allocate(bytes, alignment);
    }
    void do_deallocate(void *memory, std::size_t bytes, std::size_t alignment) override
    {
        std::pmr::new_delete_resource()->deallocate(memory, bytes, alignment);
    }
    bool do_is_equal(const std::pmr::memory_resource &other) const noexcept override
    {
        return this == &other;
    }
};

TEST(Frame, HugeAtomCountsFailWithoutThrowing)
{
    SmallMemory memory;
    Frame frame(&memory);
    EXPECT_FALSE(allocateAtoms(frame, 2147483647));
    EXPECT_FALSE(frame.hasAtoms());
    // the frame is usable again afterwards
    EXPECT_TRUE(allocateAtoms(frame, 100));
    EXPECT_EQ(frame.atoms.size(), 100u);
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
