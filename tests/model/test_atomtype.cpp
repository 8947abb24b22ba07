#include "model/atomtype.h"
#include "model/frame.h"

#include <gtest/gtest.h>

namespace {

class DefaultTable : public ::testing::Test
{
protected:
    void SetUp() override { table.buildDefaultTable(); }
    AtomTypeTable table;
};

TEST_F(DefaultTable, HoldsTheTwentyFourTypesInOrderThenTheOtherElements)
{
    ASSERT_EQ(table.size(), 24 + 95);
    EXPECT_EQ(table.first().name, "?");
    EXPECT_EQ(table.typeAt(1)->name, "H");
    EXPECT_EQ(table.typeAt(18)->name, "Ar");
    EXPECT_EQ(table.typeAt(23)->name, "Rn");
    EXPECT_EQ(table.typeAt(24)->name, "Sc");
    EXPECT_EQ(table.typeAt(24 + 95), nullptr);
}

TEST_F(DefaultTable, StoresColoursWithRedInTheLowByte)
{
    // H is (0, 128, 255): blue in the third byte
    EXPECT_EQ(table.findAtomType("H")->color, 0x00FF8000u);
    // O is pure red
    EXPECT_EQ(table.findAtomType("O")->color, 0x000000FFu);
    EXPECT_EQ(table.first().color, 0x00FFFFFFu);
}

TEST_F(DefaultTable, StoresRadiiAndProtons)
{
    const AtomType *k = table.findAtomType("K");
    EXPECT_DOUBLE_EQ(k->radius, 2.2);
    EXPECT_EQ(k->protons, 19);
    const AtomType *xe = table.findAtomType("Xe");
    EXPECT_DOUBLE_EQ(xe->radius, 1.08);
    EXPECT_EQ(xe->protons, 54);
    EXPECT_FALSE(xe->sphereImage);
    EXPECT_EQ(xe->orbitalFamily, 0);
}

TEST_F(DefaultTable, LookupFallsBackToTheFirstTypeAndIsCaseSensitive)
{
    EXPECT_EQ(table.findAtomType("Zz"), &table.first());
    EXPECT_EQ(table.findAtomType("h"), &table.first());
    EXPECT_EQ(table.findAtomType(""), &table.first());
    EXPECT_EQ(table.findAtomType("H")->name, "H");
    EXPECT_EQ(table.findAtomType("Na")->protons, 11);
}

TEST_F(DefaultTable, LookupFindsTheFirstOfTwoEqualNames)
{
    AtomType &added = table.addTypeAfter(*table.findAtomType("Rn"));
    // assigned from a string object: g++ 12 at -O3 warns falsely (-Wrestrict) about copying
    // a literal into a name it cannot see the size of
    added.name = std::string("C");
    EXPECT_EQ(table.findAtomType("C")->protons, 6);
}

TEST_F(DefaultTable, GivesEveryTypeItsDefaultOrbitals)
{
    const OrbitalList &carbon = table.findAtomType("C")->orbitals;
    ASSERT_EQ(carbon.size(), 1u);
    EXPECT_EQ(termLabel(carbon[0]), "2,p,y");
    const OrbitalList &argon = table.findAtomType("Ar")->orbitals;
    ASSERT_EQ(argon.size(), 3u);
    EXPECT_EQ(termLabel(argon[0]), "3,p,x");
    EXPECT_EQ(termLabel(argon[2]), "3,p,z");
    EXPECT_EQ(termLabel(table.findAtomType("Ca")->orbitals[0]), "4,s");
    EXPECT_EQ(termLabel(table.findAtomType("Rn")->orbitals[0]), "6,p,y");
}

TEST_F(DefaultTable, PredecessorOfTheFirstIsNone)
{
    EXPECT_EQ(table.predecessorOf(table.first()), nullptr);
    EXPECT_EQ(table.predecessorOf(*table.findAtomType("H")), &table.first());
}

TEST_F(DefaultTable, AddsANewTypeDirectlyAfterTheGivenOne)
{
    AtomType &added = table.addTypeAfter(table.first());
    EXPECT_EQ(table.size(), 24 + 95 + 1);
    EXPECT_EQ(table.indexOf(added), 1);
    EXPECT_EQ(added.name, "Atom");
    EXPECT_EQ(added.color, 0x00FFFFFFu);
    EXPECT_EQ(added.protons, 1);
    EXPECT_DOUBLE_EQ(added.radius, 1.0);
    EXPECT_EQ(table.typeAt(2)->name, "H");
}

TEST(AtomTypeTable, RefusesToRemoveTheOnlyTypeOrADrawnTypeWhileFramesAreLoaded)
{
    AtomTypeTable table;
    FrameList noFrames;
    FrameList loaded;
    Frame frame;
    allocateAtoms(frame, 1);
    frame.atomCount = 1;
    loaded.appendFrame(std::move(frame));
    table.list().push_back(createAtomType(0, "A", 1, 1.0));
    EXPECT_EQ(table.canRemove(table.first(), noFrames), AtomTypeTable::RemoveRefusal::OnlyType);
    table.addTypeAfter(table.first());
    table.first().sphereImage = std::make_unique<SpherePicture>();
    EXPECT_EQ(table.canRemove(table.first(), loaded), AtomTypeTable::RemoveRefusal::MayBeInUse);
    EXPECT_EQ(table.canRemove(table.first(), noFrames), AtomTypeTable::RemoveRefusal::None);
}

// A type that only atoms of never-drawn frames use has no picture; removing it anyway would
// leave those atoms pointing at freed memory (the sanitizer build reports the read below).
TEST(AtomTypeTable, KeepsATypeThatALoadedAtomRefersToEvenWithoutAPicture)
{
    AtomTypeTable table;
    table.buildDefaultTable();
    FrameList frames;
    Frame frame;
    allocateAtoms(frame, 2);
    frame.atomCount = 2;
    AtomType &oxygen = *table.findAtomType("O");
    frame.atoms[1].type = &oxygen;
    Frame &stored = frames.appendFrame(std::move(frame));
    ASSERT_FALSE(oxygen.sphereImage);

    EXPECT_EQ(table.removeUnusedType(oxygen, frames), AtomTypeTable::RemoveRefusal::MayBeInUse);
    EXPECT_EQ(table.size(), 24 + 95);
    EXPECT_EQ(stored.atoms[1].type->name, "O");

    AtomType &nitrogen = *table.findAtomType("N");
    EXPECT_EQ(table.removeUnusedType(nitrogen, frames), AtomTypeTable::RemoveRefusal::None);
    EXPECT_EQ(table.size(), 23 + 95);
    frames.clearFrames();
    EXPECT_EQ(table.removeUnusedType(oxygen, frames), AtomTypeTable::RemoveRefusal::None);
}

TEST(AtomTypeTable, RemovingTheFirstTypeMakesTheNextTheFallback)
{
    AtomTypeTable table;
    table.list().push_back(createAtomType(0, "A", 1, 1.0));
    table.list().push_back(createAtomType(0, "B", 1, 1.0));
    table.removeType(table.first());
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table.findAtomType("nothing")->name, "B");
}

TEST(Orbitals, ResetGivesThreeTermsForEighteenProtonsAndOneOtherwise)
{
    AtomType type = createAtomType(0, "X", 18, 1.0);
    ASSERT_EQ(type.orbitals.size(), 3u);
    const int expectedM[] = {-1, 0, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(type.orbitals[i].n, 3);
        EXPECT_EQ(type.orbitals[i].l, 1);
        EXPECT_EQ(type.orbitals[i].m, expectedM[i]);
        EXPECT_DOUBLE_EQ(type.orbitals[i].coefficient, 1.0);
    }
    type.protons = 21;
    resetOrbitals(type, true);
    ASSERT_EQ(type.orbitals.size(), 1u);
    EXPECT_EQ(type.orbitals[0].n, 1);
    EXPECT_EQ(type.orbitals[0].l, 0);
    EXPECT_EQ(type.orbitals[0].m, 0);
}

TEST(Orbitals, ResetCoversEveryRowOfTheDefaultTable)
{
    struct Row
    {
        int protons, n, l, m;
    };
    const Row rows[] = {{2, 1, 0, 0}, {4, 2, 0, 0}, {5, 2, 1, 0}, {10, 2, 1, 0}, {12, 3, 0, 0},
        {13, 3, 1, 0}, {17, 3, 1, 0}, {20, 4, 0, 0}, {36, 4, 1, 0}, {54, 5, 1, 0}, {86, 6, 1, 0},
        {0, 1, 0, 0}, {35, 1, 0, 0}, {87, 1, 0, 0}, {-4, 1, 0, 0}};
    for (const Row &row : rows) {
        AtomType type = createAtomType(0, "X", row.protons, 1.0);
        SCOPED_TRACE(row.protons);
        ASSERT_EQ(type.orbitals.size(), 1u);
        EXPECT_EQ(type.orbitals[0].n, row.n);
        EXPECT_EQ(type.orbitals[0].l, row.l);
        EXPECT_EQ(type.orbitals[0].m, row.m);
    }
}

TEST(Orbitals, ResetRestoresFamilyCoefficientAndLetterForm)
{
    AtomType type = createAtomType(0, "X", 6, 1.0);
    type.orbitalFamily = 2;
    type.orbitals[0].coefficient = 0.3;
    type.orbitals.push_back(newTerm(3, 2, 0.5, true, 1));
    resetOrbitals(type, false);
    EXPECT_EQ(type.orbitalFamily, 0);
    ASSERT_EQ(type.orbitals.size(), 1u);
    EXPECT_DOUBLE_EQ(type.orbitals[0].coefficient, 1.0);
    EXPECT_FALSE(type.orbitals[0].letterForm);
}

TEST(Orbitals, TermLabelsFollowLetterOrNumberForm)
{
    EXPECT_EQ(termLabel(newTerm(2, 1, 1.0, true, -1)), "2,p,x");
    EXPECT_EQ(termLabel(newTerm(3, 2, 1.0, true, 1)), "3,d,x2-y2");
    EXPECT_EQ(termLabel(newTerm(3, 2, 1.0, true, -2)), "3,d,xy");
    EXPECT_EQ(termLabel(newTerm(3, 2, 1.0, true, 2)), "3,d,z2");
    EXPECT_EQ(termLabel(newTerm(1, 0, 1.0, true, 0)), "1,s");
    EXPECT_EQ(termLabel(newTerm(3, 1, 1.0, false, -1)), "3,1,-1");
    // out-of-range shapes end after the last comma
    EXPECT_EQ(termLabel(newTerm(2, 1, 1.0, true, 2)), "2,p,");
    EXPECT_EQ(termLabel(newTerm(4, 3, 1.0, true, 0)), "4,");
}

TEST(Orbitals, TermsEqualIgnoresTheCoefficientButNotTheLetterForm)
{
    const OrbitalTerm a = newTerm(2, 1, 0.5, true, 0);
    EXPECT_TRUE(termsEqual(a, newTerm(2, 1, -3.0, true, 0)));
    EXPECT_FALSE(termsEqual(a, newTerm(2, 1, 0.5, false, 0)));
    EXPECT_FALSE(termsEqual(a, newTerm(2, 1, 0.5, true, 1)));
}

TEST(Orbitals, ClearTermsKeepsExactlyTheFirstTerm)
{
    OrbitalList list{newTerm(3, 1, 0.2, true, -1), newTerm(3, 1, 1.0, true, 0)};
    clearTerms(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m, -1);
    EXPECT_DOUBLE_EQ(list[0].coefficient, 0.2);
}

} // namespace
