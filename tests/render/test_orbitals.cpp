#include "render/orbitals.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

namespace {

OrbitalTerm term(int n, int l, int m, double coefficient = 1.0)
{
    return newTerm(n, l, coefficient, true, m);
}

// A frame of atoms of the given types at the given positions and charges.
struct OrbitalScene
{
    std::vector<AtomType> types;
    Frame frame;

    AtomType &addType(int protons, OrbitalList orbitals, int family = 0)
    {
        types.reserve(8);
        types.push_back(createAtomType(0, "X", protons, 1.0));
        types.back().orbitals = std::move(orbitals);
        types.back().orbitalFamily = family;
        return types.back();
    }
    FrameAtom &addAtom(AtomType &type, Vector3 position, double charge = 0.0)
    {
        std::vector<FrameAtom> atoms(frame.atoms.begin(), frame.atoms.end());
        atoms.push_back(FrameAtom{position, {}, charge, &type});
        frame.atoms.assign(atoms.begin(), atoms.end());
        frame.atomCount = static_cast<int>(atoms.size());
        return frame.atoms.back();
    }
};

} // namespace

TEST(OrbitalValue, MatchesHandWorkedValuesOfTheTable)
{
    struct Case
    {
        const char *name;
        OrbitalTerm term;
        double Z;
        Vector3 offset;
        double expected;
    };
    const Case cases[] = {
        {"1s at the nucleus", term(1, 0, 0), 1, {0, 0, 0}, 0.5641895835109223},
        {"1s at distance 1", term(1, 0, 0), 1, {0, 1, 0}, 0.2075537486967469},
        {"1s ignores l and m", term(1, 2, 7), 1, {0, 0, 1}, 0.2075537486967469},
        {"2p x along x", term(2, 1, -1), 1, {1, 0, 0}, 0.06049268112583649},
        {"2p y along x", term(2, 1, 0), 1, {1, 0, 0}, 0.0},
        {"2p z along -z", term(2, 1, 1), 1, {0, 0, -1}, -0.06049268112583649},
        {"3d z2 along z", term(3, 2, 2), 1, {0, 0, 1}, 0.004075018530042969},
        {"3d xy with Z 2", term(3, 2, -2), 2, {0.5, 0.5, 0}, 0.0173888817421367},
        {"3d x2-y2 on the diagonal", term(3, 2, 1), 1, {1, 1, 0}, 0.0},
        {"n 4", term(4, 0, 0), 1, {0.5, 0, 0}, 0.0},
        {"n 0", term(0, 0, 0), 1, {0.5, 0, 0}, 0.0},
        {"2d", term(2, 2, 0), 1, {0.5, 0.5, 0.5}, 0.0},
        {"2p m 2", term(2, 1, 2), 1, {0.5, 0.5, 0.5}, 0.0},
        {"3d m -3", term(3, 2, -3), 1, {0.5, 0.5, 0.5}, 0.0},
    };
    for (const Case &c : cases)
        EXPECT_NEAR(orbitalValue(c.term, c.Z, c.offset.x, c.offset.y, c.offset.z), c.expected,
            1e-15 + 1e-12 * std::fabs(c.expected))
            << c.name;
}

TEST(OrbitalValue, PAndDTermsVanishAtTheNucleusAndSTermsChangeSignAtTheirNodes)
{
    for (int m = -1; m <= 1; ++m)
        EXPECT_EQ(orbitalValue(term(2, 1, m), 3, 0, 0, 0), 0.0) << "2p " << m;
    for (int m = -1; m <= 1; ++m)
        EXPECT_EQ(orbitalValue(term(3, 1, m), 3, 0, 0, 0), 0.0) << "3p " << m;
    for (int m = -2; m <= 2; ++m)
        EXPECT_EQ(orbitalValue(term(3, 2, m), 3, 0, 0, 0), 0.0) << "3d " << m;

    // ρ = Z·r: the 2s node at ρ = 2 lies at r = 1 for Z = 2
    EXPECT_GT(orbitalValue(term(2, 0, 0), 2, 0.99, 0, 0), 0.0);
    EXPECT_LT(orbitalValue(term(2, 0, 0), 2, 1.01, 0, 0), 0.0);
    const double nodes[] = {1.901923788646684, 7.098076211353316};
    EXPECT_GT(orbitalValue(term(3, 0, 0), 1, nodes[0] - 0.01, 0, 0), 0.0);
    EXPECT_LT(orbitalValue(term(3, 0, 0), 1, nodes[0] + 0.01, 0, 0), 0.0);
    EXPECT_LT(orbitalValue(term(3, 0, 0), 1, 0, nodes[1] - 0.01, 0), 0.0);
    EXPECT_GT(orbitalValue(term(3, 0, 0), 1, 0, nodes[1] + 0.01, 0), 0.0);
}

TEST(DensityAt, CombinesAtomsByTheComputingModelAndTheCharge)
{
    OrbitalScene scene;
    AtomType &plus = scene.addType(1, {term(1, 0, 0, 1.0)});
    AtomType &minus = scene.addType(1, {term(1, 0, 0, -1.0), term(2, 0, 0, 0.0)});
    scene.addAtom(plus, {-1, 0, 0}, 0.5);
    scene.addAtom(minus, {1, 0, 0}, 0.5);
    const double single = 0.2075537486967469; // one 1s at distance 1
    const Vector3 middle{0, 0, 0};

    EXPECT_NEAR(densityAt(scene.frame, middle, {1, false}), 0.0, 1e-30);
    EXPECT_NEAR(densityAt(scene.frame, middle, {0, false}), 2 * single * single, 1e-15);
    EXPECT_NEAR(densityAt(scene.frame, middle, {0, true}), 2 * 0.25 * single * single, 1e-15);

    // a charge of 0 under weighting takes the atom out; without weighting it counts
    scene.frame.atoms[1].charge = 0.0;
    EXPECT_NEAR(densityAt(scene.frame, middle, {1, true}), 0.25 * single * single, 1e-15);
    EXPECT_NEAR(densityAt(scene.frame, middle, {0, false}), 2 * single * single, 1e-15);

    // Slater- and Gauss-type expansions add nothing, whatever their coefficients
    plus.orbitalFamily = 1;
    minus.orbitalFamily = 2;
    EXPECT_EQ(densityAt(scene.frame, middle, {0, false}), 0.0);
    EXPECT_EQ(densityAt(scene.frame, middle, {1, false}), 0.0);
}

TEST(DensityField, GivesDensityAtsValuesBitForBit)
{
    OrbitalScene scene;
    AtomType &mixed = scene.addType(8,
        {term(1, 0, 0, 0.3), term(2, 1, -1, -0.7), term(2, 0, 0, 0.0), term(3, 2, 2, 0.4),
            term(3, 1, 1, 0.2), term(4, 0, 0, 1.0), term(3, 0, 0, -0.1)});
    AtomType &hydrogen = scene.addType(1, {term(1, 0, 0)});
    AtomType &lone = scene.addType(6, {term(3, 2, -1, 0.9)});
    AtomType &slater = scene.addType(3, {term(2, 0, 0)}, 1);
    scene.addAtom(mixed, {0.1, -0.2, 0.3}, -0.8);
    scene.addAtom(hydrogen, {0.9, 0.5, -0.1}, 0.4);
    scene.addAtom(lone, {-0.7, 0.4, 0.6}, 0.0);
    // an atom with an expansion of its own, which differs from its type's
    const OrbitalTerm own[] = {term(2, 1, -1, 2.0), term(1, 0, 0, 0.0), term(3, 0, 0, 0.5)};
    scene.frame.setOwnOrbitals(scene.frame.atoms[2], own);
    scene.frame.atoms[2].usesTypeOrbitals = false;
    scene.addAtom(slater, {0.2, 0.2, 0.2}, 1.5);
    scene.addAtom(hydrogen, {-0.9, -0.5, 0.1}, 0.4);

    std::mt19937 random(7);
    std::uniform_real_distribution<double> place(-3.0, 3.0);
    constexpr std::size_t count = 37; // odd, so paired arithmetic leaves a last point alone
    std::vector<double> x(count), y(count), z(count), densities(count);
    for (std::size_t s = 0; s < count; ++s) {
        x[s] = place(random);
        y[s] = place(random);
        z[s] = place(random);
    }
    x[0] = 0.1; // one point on a nucleus
    y[0] = -0.2;
    z[0] = 0.3;
    DensityWork work;
    for (const DensitySettings settings :
        {DensitySettings{0, false}, DensitySettings{1, false}, DensitySettings{1, true}}) {
        const DensityField field(scene.frame, settings);
        field.atPoints(x.data(), y.data(), z.data(), count, densities.data(), work);
        for (std::size_t s = 0; s < count; ++s)
            EXPECT_EQ(densities[s], densityAt(scene.frame, {x[s], y[s], z[s]}, settings))
                << "point " << s << ", model " << settings.ComputingModel;
    }
}

TEST(OrbitalValue, FunctionsOfEachShellAreNormalisedAndOrthogonal)
{
    // ∫ f·g dV over all space: Simpson's rule in r out to where e^(-2Zr/n) is e^(-60),
    // Gauss-Legendre in cos θ and even steps in φ, which integrate these angular parts exactly.
    const double nodes[] = {
        -0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831, 0.9061798459386640};
    const double weights[] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889,
        0.4786286704993665, 0.2369268850561891};
    constexpr int Azimuths = 8;
    constexpr int Intervals = 600;
    const auto overlap = [&](const OrbitalTerm &f, const OrbitalTerm &g, double Z) {
        const double reach = 30.0 * f.n / Z, step = reach / Intervals;
        double total = 0.0;
        for (int i = 0; i <= Intervals; ++i) {
            const double r = i * step;
            const double simpson = (i == 0 || i == Intervals) ? 1.0 : (i % 2 ? 4.0 : 2.0);
            for (int a = 0; a < 5; ++a) {
                const double sine = std::sqrt(1.0 - nodes[a] * nodes[a]);
                for (int b = 0; b < Azimuths; ++b) {
                    const double phi = 2.0 * std::numbers::pi * b / Azimuths;
                    const double x = r * sine * std::cos(phi), y = r * sine * std::sin(phi),
                                 z = r * nodes[a];
                    total += simpson * weights[a] * r * r * orbitalValue(f, Z, x, y, z)
                        * orbitalValue(g, Z, x, y, z);
                }
            }
        }
        return total * step / 3.0 * 2.0 * std::numbers::pi / Azimuths;
    };
    const std::vector<std::vector<OrbitalTerm>> shells = {
        {term(1, 0, 0)},
        {term(2, 0, 0), term(2, 1, -1), term(2, 1, 0), term(2, 1, 1)},
        {term(3, 0, 0), term(3, 1, -1), term(3, 1, 0), term(3, 1, 1), term(3, 2, -2),
            term(3, 2, -1), term(3, 2, 0), term(3, 2, 1), term(3, 2, 2)},
    };
    for (const double Z : {1.0, 3.0})
        for (const std::vector<OrbitalTerm> &shell : shells)
            for (std::size_t i = 0; i < shell.size(); ++i)
                for (std::size_t j = i; j < shell.size(); ++j)
                    EXPECT_NEAR(overlap(shell[i], shell[j], Z), i == j ? 1.0 : 0.0, 1e-3)
                        << "Z " << Z << " n " << shell[i].n << " rows " << i << ", " << j;
}

TEST(DensityField, EveryRowIsNegligibleBeyondItsAtomsReach)
{
    std::mt19937 random(11);
    std::normal_distribution<double> direction;
    std::uniform_real_distribution<double> beyond(1.0, 1.5);
    for (const double Z : {1.0, 6.0}) {
        for (const OrbitalTerm row : {term(1, 0, 0), term(2, 0, 0), term(2, 1, 1), term(3, 0, 0),
                 term(3, 1, -1), term(3, 2, -2), term(3, 2, 1), term(3, 2, 2)}) {
            OrbitalScene scene;
            scene.addAtom(scene.addType(static_cast<int>(Z), {row}), {0, 0, 0});
            const double reach = DensityField(scene.frame, {}).fieldAtoms()[0].reach;
            ASSERT_LT(reach, 20.0 * row.n / Z);
            for (int sample = 0; sample < 2000; ++sample) {
                Vector3 u{direction(random), direction(random), direction(random)};
                const double r =
                    reach * beyond(random) / std::sqrt(u.x * u.x + u.y * u.y + u.z * u.z);
                EXPECT_LE(std::fabs(orbitalValue(row, Z, u.x * r, u.y * r, u.z * r)),
                    DensityField::NegligibleValue)
                    << "n " << row.n << " l " << row.l << " m " << row.m;
            }
        }
    }
}
