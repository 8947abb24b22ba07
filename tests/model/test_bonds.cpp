#include "model/bonds.h"
#include "model/covalentradii.h"
#include "model/geometry.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Placed
{
    const char *name;
    Vector3 position;
};

class BondsTest : public ::testing::Test
{
protected:
    void SetUp() override { types.buildDefaultTable(); }

    Frame frameOf(const std::vector<Placed> &atoms)
    {
        Frame frame;
        EXPECT_TRUE(allocateAtoms(frame, static_cast<int>(atoms.size())));
        frame.atomCount = static_cast<int>(atoms.size());
        for (std::size_t i = 0; i < atoms.size(); ++i) {
            frame.atoms[i].type = types.findAtomType(atoms[i].name);
            frame.atoms[i].position = atoms[i].position;
        }
        return frame;
    }

    // The bonds as "O1-H2" names, 1-based, so a failure reads as chemistry.
    std::set<std::string> named(const Frame &frame, const std::vector<Bond> &bonds)
    {
        std::set<std::string> names;
        for (const Bond &bond : bonds)
            names.insert(frame.atoms[bond.first].type->name + std::to_string(bond.first + 1) + "-"
                + frame.atoms[bond.second].type->name + std::to_string(bond.second + 1));
        return names;
    }

    AtomTypeTable types;
};

// Every pair, checked directly: what the grid must find.
std::vector<std::pair<std::uint32_t, std::uint32_t>> bruteForce(
    const Frame &frame, const BondRule &rule)
{
    const MinimumImage image(frame);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
    for (int i = 0; i < frame.atomCount; ++i)
        for (int j = i + 1; j < frame.atomCount; ++j) {
            const Vector3 &a = frame.atoms[static_cast<std::size_t>(i)].position;
            const Vector3 &b = frame.atoms[static_cast<std::size_t>(j)].position;
            const Vector3 d = image.apply({b.x - a.x, b.y - a.y, b.z - a.z});
            const double distance = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
            const double sum =
                covalentRadius(frame.atoms[static_cast<std::size_t>(i)].type->protons)
                + covalentRadius(frame.atoms[static_cast<std::size_t>(j)].type->protons);
            if (distance < rule.tolerance * sum && distance > rule.minimumDistance)
                pairs.emplace_back(i, j);
        }
    return pairs;
}

} // namespace

TEST(CovalentRadii, PublishedValuesAndTheFallback)
{
    // Cordero 2008 for the elements chemists meet most, Pyykko-Atsumi beyond curium
    const std::pair<int, double> cases[] = {{1, 0.31}, {6, 0.76}, {7, 0.71}, {8, 0.66}, {26, 1.32},
        {79, 1.36}, {96, 1.69}, {97, 1.68}, {118, 1.57}, {0, 0.0}, {119, 0.0}, {-3, 0.0}};
    for (const auto &[protons, radius] : cases)
        EXPECT_DOUBLE_EQ(covalentRadius(protons), radius) << "Z=" << protons;
}

TEST_F(BondsTest, WaterAndMethanolGetExactlyTheirChemicalBonds)
{
    const Frame water = frameOf(
        {{"O", {0.0, 0.0, 0.1193}}, {"H", {0.0, 0.7632, -0.4770}}, {"H", {0.0, -0.7632, -0.4770}}});
    EXPECT_EQ(named(water, findBonds(water)), (std::set<std::string>{"O1-H2", "O1-H3"}));

    // methanol as ASE builds it (ase.build.molecule("CH3OH"))
    const Frame methanol =
        frameOf({{"C", {-0.047131, 0.664389, 0.0}}, {"O", {-0.047131, -0.758551, 0.0}},
            {"H", {-1.092995, 0.969785, 0.0}}, {"H", {0.878534, -1.048458, 0.0}},
            {"H", {0.437145, 1.080376, 0.891772}}, {"H", {0.437145, 1.080376, -0.891772}}});
    EXPECT_EQ(named(methanol, findBonds(methanol)),
        (std::set<std::string>{"C1-O2", "C1-H3", "C1-H5", "C1-H6", "O2-H4"}));
}

TEST_F(BondsTest, ToleranceAndOverlapBoundsDecide)
{
    // C-H sum of radii 1.07: bonded below 1.2 x 1.07 = 1.284 and above 0.4
    const std::pair<double, bool> cases[] = {
        {1.09, true}, {1.28, true}, {1.29, false}, {0.41, true}, {0.39, false}};
    for (const auto &[distance, bonded] : cases) {
        const Frame pair = frameOf({{"C", {0, 0, 0}}, {"H", {distance, 0, 0}}});
        EXPECT_EQ(findBonds(pair).size(), bonded ? 1u : 0u) << distance;
    }
    // a type of no element is never bonded, whatever its proton number: the fallback "?"
    // (1 proton), a dummy site, a type named by hand
    struct Unknown
    {
        const char *name;
        int protons;
        bool bonded;
    };
    for (const Unknown &u : {Unknown{"H", 1, true}, Unknown{"?", 1, false}, Unknown{"X", 0, false},
             Unknown{"Atom", 1, false}, Unknown{"c", 6, false}}) {
        Frame pair = frameOf({{"C", {0, 0, 0}}, {"H", {1.0, 0, 0}}});
        AtomType type = createAtomType(0, u.name, u.protons, 1.0);
        pair.atoms[1].type = &type;
        EXPECT_EQ(findBonds(pair).size(), u.bonded ? 1u : 0u) << u.name;
    }
}

TEST_F(BondsTest, PeriodicCellBondsAcrossTheBoundaryByMinimumImage)
{
    // a water molecule cut by the x faces of a 10 Angstrom box: O near 0, its H near 10
    Frame box = frameOf({{"O", {0.2, 5.0, 5.0}}, {"H", {9.6, 5.6, 5.0}}, {"H", {0.5, 4.1, 5.0}},
        {"C", {5.0, 5.0, 5.0}}});
    box.editExtras().cell = Cell{{Vector3{10, 0, 0}, Vector3{0, 10, 0}, Vector3{0, 0, 10}}};
    const std::vector<Bond> bonds = findBonds(box);
    ASSERT_EQ(bonds.size(), 2u);
    EXPECT_EQ(bonds[0], (Bond{0, 1, true}));
    EXPECT_EQ(bonds[1], (Bond{0, 2, false}));
    const Vector3 across = bondVector(box, MinimumImage(box), bonds[0]);
    EXPECT_NEAR(across.x, -0.6, 1e-12);
    EXPECT_NEAR(across.y, 0.6, 1e-12);

    // the same atoms where the x direction does not repeat: the cut bond is gone
    box.editExtras().cell->periodic = {false, true, true};
    EXPECT_EQ(findBonds(box), (std::vector<Bond>{{0, 2, false}}));
}

TEST_F(BondsTest, ABondThatBreaksBetweenFramesDisappears)
{
    const Frame before = frameOf({{"O", {0, 0, 0}}, {"H", {0.97, 0, 0}}, {"H", {-0.3, 0.9, 0}}});
    const Frame after = frameOf({{"O", {0, 0, 0}}, {"H", {2.5, 0, 0}}, {"H", {-0.3, 0.9, 0}}});
    EXPECT_EQ(findBonds(before).size(), 2u);
    EXPECT_EQ(findBonds(after), (std::vector<Bond>{{0, 2, false}}));
}

// The grid must find what checking every pair finds, in boxes with and without a cell, a
// skewed one included, and on one thread or several.
TEST_F(BondsTest, GridFindsWhatEveryPairFinds)
{
    std::mt19937 random(27);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const char *names[] = {"H", "C", "N", "O", "S"};
    struct Case
    {
        int atoms;
        double side;
        bool cell;
        double skew;
        double stray = 0.0; ///< where the first atom is put instead, when not 0
    };
    for (const Case &c : {Case{1500, 14.0, false, 0.0}, Case{1500, 14.0, true, 0.0},
             Case{1500, 14.0, true, 4.0}, Case{40, 3.0, true, 0.0},
             Case{1500, 14.0, false, 0.0, 1e300}, Case{1500, 14.0, false, 0.0, std::nan("")}}) {
        std::vector<Placed> atoms;
        for (int i = 0; i < c.atoms; ++i)
            atoms.push_back({names[i % 5],
                {unit(random) * c.side + unit(random) * c.skew, unit(random) * c.side,
                    unit(random) * c.side}});
        if (c.stray != 0.0)
            atoms[0].position = {c.stray, 1.0, 1.0};
        Frame frame = frameOf(atoms);
        if (c.cell)
            frame.editExtras().cell =
                Cell{{Vector3{c.side, 0, 0}, Vector3{c.skew, c.side, 0}, Vector3{0, 0, c.side}}};
        std::vector<std::pair<std::uint32_t, std::uint32_t>> found;
        for (const Bond &bond : findBonds(frame, {}, 1))
            found.emplace_back(bond.first, bond.second);
        EXPECT_EQ(found, bruteForce(frame, {}))
            << c.atoms << " atoms, cell " << c.cell << ", stray " << c.stray;
    }
}

TEST_F(BondsTest, ThreadsChangeNothing)
{
    // big enough to be split between threads
    std::mt19937 random(5);
    std::uniform_real_distribution<double> unit(0.0, 70.0);
    std::vector<Placed> atoms;
    for (int i = 0; i < 60000; ++i)
        atoms.push_back({i % 3 ? "H" : "O", {unit(random), unit(random), unit(random)}});
    const Frame frame = frameOf(atoms);
    const std::vector<Bond> one = findBonds(frame, {}, 1);
    EXPECT_FALSE(one.empty());
    EXPECT_EQ(findBonds(frame, {}, 3), one);
}

TEST(Geometry, AnglesAndDihedralsOfKnownShapes)
{
    EXPECT_NEAR(bondAngle({1, 0, 0}, {0, 0, 0}, {0, 1, 0}), 90.0, 1e-12);
    EXPECT_NEAR(bondAngle({1, 0, 0}, {0, 0, 0}, {-1, 0, 0}), 180.0, 1e-12);
    EXPECT_TRUE(std::isnan(bondAngle({0, 0, 0}, {0, 0, 0}, {1, 0, 0})));
    // looking along b->c, d turned a quarter clockwise from a
    EXPECT_NEAR(dihedralAngle({1, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}), 90.0, 1e-12);
    EXPECT_NEAR(dihedralAngle({1, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, -1, 1}), 270.0, 1e-12);
    EXPECT_NEAR(dihedralAngle({1, 0, 0}, {0, 0, 0}, {0, 0, 1}, {-1, 0, 1}), 180.0, 1e-12);
    EXPECT_NEAR(dihedralAngle({1, 0, 0}, {0, 0, 0}, {0, 0, 1}, {1, 0, 1}), 0.0, 1e-12);
}
