#pragma once

#include "model/frame.h"
#include "model/vector3.h"

#include <cstdint>
#include <optional>
#include <vector>

/// When two atoms count as bonded: their distance lies above minimumDistance and below
/// tolerance times the sum of their covalent radii.
struct BondRule
{
    double tolerance = 1.2; ///< the factor most viewers use: a C-H of 1.09 bonds, H...H does not
    double minimumDistance = 0.4; ///< Angstrom: atoms closer than this overlap, they are not bonded

    friend bool operator==(const BondRule &, const BondRule &) = default;
};

/// A bond between two atoms of one frame (0-based indices, first < second).
struct Bond
{
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    /// The bond joins the atoms across a face of the periodic cell: each atom's half is
    /// drawn on its own side.
    bool acrossCell = false;

    friend bool operator==(const Bond &, const Bond &) = default;
};

/// The periodic images of a frame's cell: turns a displacement into its minimum image along
/// the periodic edges. A frame without a cell, or with a flat one, repeats along none.
class MinimumImage
{
public:
    explicit MinimumImage(const Frame &frame);
    /// True when some edge repeats.
    bool periodic() const { return repeats; }
    /// The shortest periodic image of the displacement d (Angstrom); d itself without a cell.
    /// Sets wrapped when the image differs from d.
    Vector3 apply(const Vector3 &d, bool *wrapped = nullptr) const;
    /// The fractional coordinates of p along the cell's edges (p itself without a cell).
    Vector3 fractional(const Vector3 &p) const;
    /// The distance between the opposite faces of the cell across edge k (Angstrom).
    double height(int k) const { return heights[static_cast<std::size_t>(k)]; }
    bool repeatsAlong(int k) const { return along[static_cast<std::size_t>(k)]; }

private:
    bool repeats = false;
    std::array<bool, 3> along{};
    std::array<Vector3, 3> edges{};
    std::array<Vector3, 3> inverseRows{}; ///< rows of the inverse of the edge matrix
    std::array<double, 3> heights{};
};

/// The bonds of frame under rule, ordered by first atom, then second. Atoms of no known
/// element (a type not named by an element symbol, or covalent radius 0) and atoms at a
/// position that is not finite or beyond 1e150 Angstrom get none. With a
/// periodic cell the distance is that of the minimum image. Uses a uniform grid of cells at
/// least one longest bond wide, so the work grows with the atom count; threads 0 uses every
/// core.
std::vector<Bond> findBonds(const Frame &frame, const BondRule &rule = {}, int threads = 0);

/// The displacement from the bond's first atom to its second, by the minimum image when the
/// bond crosses the cell (Angstrom).
Vector3 bondVector(const Frame &frame, const MinimumImage &image, const Bond &bond);
