#pragma once

#include "model/atomtype.h"
#include "model/frame.h"
#include "model/vector3.h"

#include <span>
#include <vector>

// The electron density that the 3D cloud integrates: real hydrogen-like orbitals of the
// shells 1 to 3, summed over each atom's expansion and over the atoms of a frame. Lengths are
// taken as Bohr radii as they stand; no conversion factor is applied.

/// How the atoms' expansions combine, as the electrons dialog sets it.
struct DensitySettings
{
    int ComputingModel = 1; ///< 0 sum of the squared expansions, 1 square of their sum
    bool ChargeWeighted = false; ///< multiply each atom's expansion by its charge
};

/// The real orbital of term for a nucleus of Z protons at the offset (dx, dy, dz) from it.
/// 0 for any (n, l, m) outside 1s, 2s, 2p, 3s, 3p and 3d; for n = 1, l and m are not read.
double orbitalValue(const OrbitalTerm &term, double Z, double dx, double dy, double dz);

/// The sum of coefficient × orbitalValue over the atom's expansion (its type's or its own) at
/// the model point; terms of coefficient 0 are skipped. 0 for Slater- and Gauss-type families
/// and for an atom without a type (Z is always the type's proton number).
double atomWaveValue(const Frame &frame, const FrameAtom &atom, const Vector3 &point);

/// The frame's density at the model point: the sum of the squared (optionally charge-weighted)
/// atom values, or with the sum of wave functions the square of their sum.
double densityAt(const Frame &frame, const Vector3 &point, const DensitySettings &settings);

/// A frame's expansions flattened for evaluating the density at many points at once: the
/// constant factors of every term of non-zero coefficient worked out once, and each exponential
/// computed once per atom, shell and point. It gives exactly densityAt's values, bit for bit,
/// and allocates nothing per point; it refers to nothing of the frame once built, and any
/// number of threads may use it, each with its own DensityWork.
struct DensityWork;
class DensityField
{
public:
    DensityField(const Frame &frame, const DensitySettings &settings);
    /// densities[s] = densityAt (frame, (x[s], y[s], z[s]), settings) for s below count, the
    /// same values bit for bit; work holds the intermediate values and grows as needed.
    void atPoints(const double *x, const double *y, const double *z, std::size_t count,
        double *densities, DensityWork &work) const;
    /// The same with only the atoms listed (indices into fieldAtoms, ascending) and the others
    /// taken as adding nothing.
    void atPoints(const double *x, const double *y, const double *z, std::size_t count,
        double *densities, DensityWork &work, std::span<const int> only) const;

    struct Term
    {
        double constant; ///< the leading factors of its row, Z included where they come first
        int shape; ///< which row of the orbital table
        double coefficient;
    };
    struct Atom
    {
        Vector3 position;
        double Z;
        double weight; ///< the charge when weighted
        bool weighted;
        int firstTerm, endTerm;
        int shell; ///< the shell of all its terms, 0 for none, MixedShells for several
        /// Beyond this distance from the atom its value stays below NegligibleValue in size;
        /// 0 for an atom that adds nothing, infinite when no distance is sure to do.
        double reach;
    };
    static constexpr int MixedShells = -1;
    /// The size of an atom's value below which it is left out of the cloud: its density is
    /// then below 10^-6, too faint for any picture to show.
    static constexpr double NegligibleValue = 1e-3;

    /// The atoms as flattened, in the frame's order.
    const std::vector<Atom> &fieldAtoms() const { return atoms; }

private:
    void addAtom(const Atom &atom, const double *x, const double *y, const double *z,
        std::size_t count, double *densities, DensityWork &work) const;

    std::vector<Atom> atoms;
    std::vector<Term> terms;
    int model = 1;
};

/// The intermediate values of DensityField::atPoints, one per point; kept by a caller (one per
/// thread) from call to call so the evaluation allocates nothing.
struct DensityWork
{
    std::vector<double> dx, dy, dz, rho, sum;
    std::vector<double> e[4]; ///< e^-ρ/n for the shells n = 1 to 3
    /// Makes room for count points.
    void resize(std::size_t count);
};
