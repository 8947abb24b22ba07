#pragma once

#include "model/frame.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// One column of the atom lines as a Properties pair names it ("pos:R:3").
struct XyzColumn
{
    std::string name;
    char type = 'R'; ///< S (string), R (real), I (integer) or L (logical)
    int count = 1; ///< tokens per atom

    friend bool operator==(const XyzColumn &, const XyzColumn &) = default;
};

/// What the comment line of an XYZ frame says. Three forms are understood: the key=value pairs
/// of extended XYZ as ASE, OVITO and chemfiles write them (values bare, quoted "..." with \"
/// and \\ escapes, or in {...}), CP2K's "i = N, time = T, E = E", and i-PI's
/// "# CELL(abcABC): a b c alpha beta gamma ... positions{unit} cell{unit}".
struct XyzComment
{
    std::optional<double> time; ///< "time" or "Time" (CP2K: "time")
    std::optional<double> energy; ///< "energy", "Energy" or "ENERGY" (CP2K: "E")
    /// "Lattice" of nine numbers with "pbc" and OVITO's "Origin", or i-PI's CELL
    std::optional<Cell> cell;
    std::optional<std::string> properties; ///< the value of "Properties", unparsed
    /// Angstrom per unit of the positions when the line names their unit (i-PI's
    /// positions{atomic_unit} or x_centroid{atomic_unit} gives Bohr).
    std::optional<double> positionScale;
    /// The comment without the pairs recognised above, blank-separated as in the line.
    std::string text;
    /// The key=value pairs of text as written (config_type=bulk stress="..."); i-PI's
    /// "Step: 5" becomes Step=5. Words that are no pair are not among them.
    std::string pairs;
};

/// One key=value pair as extended XYZ writes it: the value bare, or quoted with its quotes and
/// backslashes escaped when it holds blanks, quotes or braces, or is empty.
std::string xyzPair(std::string_view key, std::string_view value);

/// Reads a comment line; it never fails: what is not recognised stays in text.
XyzComment parseXyzComment(std::string_view line);

/// Reads a Properties value ("species:S:1:pos:R:3") into its columns; false when it is not a
/// list of name:type:count triples with a known type and a count of at least 1.
bool parseXyzProperties(std::string_view value, std::vector<XyzColumn> &columns);

/// How the atom lines of a frame with Properties are read: one step per column, in line order.
/// species is the atom's type, pos its position, momenta (or else velocities) its impulse,
/// charges (or else initial_charges) its charge, names (with species) the name the atom goes
/// by where its species had to be an element's symbol; every other column is kept.
struct XyzColumnPlan
{
    enum class Use { Name, Position, Impulse, Charge, OwnName, Keep };
    struct Step
    {
        Use use = Use::Keep;
        int count = 1;
    };
    std::vector<Step> steps;
    std::vector<XyzColumn> kept; ///< the kept columns, in line order
    ImpulseColumn impulseColumn = ImpulseColumn::None; ///< the column read as impulses
    ChargeColumn chargeColumn = ChargeColumn::None; ///< the column read as charges
};

/// The column extended XYZ files of this program carry the atoms' names in where species had to
/// be an element's symbol for other readers ("OW" as O, "CA" as C).
inline constexpr std::string_view XyzNamesColumn = "names";

/// Plans the reading of columns; false when no column gives the positions (pos:R:3).
bool planXyzColumns(const std::vector<XyzColumn> &columns, XyzColumnPlan &plan);

/// The cell of edge lengths a, b, c (Angstrom) and angles alpha (between b and c), beta (c, a)
/// and gamma (a, b) in degrees: a along x, b in the xy plane. Right angles give exact zeros.
Cell cellFromLengthsAndAngles(
    double a, double b, double c, double alpha, double beta, double gamma);
