#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class FrameList;

/// One term of an orbital expansion: the function (n, l, m) and its coefficient.
/// A coefficient of exactly 0 makes the term inactive.
struct OrbitalTerm
{
    bool letterForm = true; ///< labelled s, p x, d xy ... rather than by l and m
    int n = 1;
    int l = 0;
    int m = 0;
    double coefficient = 1.0;
};

/// An orbital expansion. It always holds at least its first term.
using OrbitalList = std::vector<OrbitalTerm>;

/// A 64 x 64 picture of a shaded ball or of its mask, as pixels 0xAARRGGBB (row by row).
struct SpherePicture
{
    static constexpr int Side = 64;
    std::array<std::uint32_t, Side * Side> pixels{};
};

/// A named kind of atom: colour, drawing radius, proton number, ball pictures and orbitals.
struct AtomType
{
    std::uint32_t color = 0; ///< 0x00BBGGRR: red in the low byte
    double radius = 1.0; ///< Angstrom
    std::string name; ///< at most 31 characters, compared exactly
    int protons = 1;
    std::unique_ptr<SpherePicture> sphereImage; ///< absent until first drawn
    std::unique_ptr<SpherePicture> sphereMask; ///< absent until first drawn
    OrbitalList orbitals{OrbitalTerm{}};
    int orbitalFamily = 0; ///< 0 hydrogen type, 1 Slater type, 2 Gauss type
};

/// Makes a colour value 0x00BBGGRR from its red, green and blue bytes.
constexpr std::uint32_t rgbColor(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    return red | (green << 8) | (blue << 16);
}

/// A new term with the given fields.
OrbitalTerm newTerm(int n, int l, double coefficient, bool letterForm, int m);
/// Copies n, l, m, coefficient and letterForm of source into destination.
void copyTerm(OrbitalTerm &destination, const OrbitalTerm &source);
/// A copy of source.
OrbitalTerm cloneTerm(const OrbitalTerm &source);
/// Releases every term after the first; the first stays as it is.
void clearTerms(OrbitalList &list);
/// True when n, l, m and letterForm match; the coefficient is not compared.
bool termsEqual(const OrbitalTerm &a, const OrbitalTerm &b);
/// The text naming a term in the orbitals dialog: "2,p,x", "3,d,x2-y2", "3,1,-1".
std::string termLabel(const OrbitalTerm &term);

/// Puts the default expansion for the type's proton number in place (one term, or three
/// for 18 protons), every coefficient 1.0, and sets the family back to hydrogen type.
void resetOrbitals(AtomType &type, bool letterForm);
/// A type with the given colour, name, proton number and radius and its default orbitals.
AtomType createAtomType(std::uint32_t color, std::string_view name, int protons, double radius);

/// The program's table of atom types, in display and lookup order. Types never move in
/// memory, so frame atoms can refer to them for as long as they are in the table.
class AtomTypeTable
{
public:
    using Types = std::list<AtomType>;

    /// The first type whose name equals name exactly, else the first type (the fallback).
    /// The table must not be empty.
    const AtomType *findAtomType(std::string_view name) const;
    AtomType *findAtomType(std::string_view name);
    /// The type an atom name of an XYZ file stands for: the first type named exactly so; else
    /// the type named by the symbol of the element the name stands for (elementForName:
    /// "c", "CL", "CA", "OW", "7"); else the first type.
    AtomType *findTypeForName(std::string_view name);
    /// The type before the given one, or nullptr for the first.
    AtomType *predecessorOf(const AtomType &type);
    /// Replaces the table by the default types: the program's own 24 ("?", H to Ca, Kr, Xe,
    /// Rn) in their order and colours, then every other element up to oganesson (118) in
    /// order of proton number, in its conventional colour.
    void buildDefaultTable();
    /// Which colours the elements of the program's own 24 types are drawn in. The program's
    /// own layouts keep the colours they always had (hydrogen blue); XYZ files, which come from
    /// the rest of the field, show the colours chemists expect there (hydrogen white). A type
    /// changes only while its colour is the other scheme's: a colour the user chose stays.
    enum class ColourScheme { Program, Conventional };
    void useColourScheme(ColourScheme scheme);
    /// Links a new default "Atom" type (white, 1 proton, radius 1.0) after the given type and
    /// returns it.
    AtomType &addTypeAfter(const AtomType &type);
    /// Why a type may not be removed: none, frames may use it, or it is the only type.
    enum class RemoveRefusal { None, MayBeInUse, OnlyType };
    /// Checks the removal rules against the loaded frames: a type that any of their atoms
    /// refers to stays, and so does a type already drawn while frames are loaded, and the only
    /// type of the table.
    RemoveRefusal canRemove(const AtomType &type, const FrameList &frames) const;
    /// Removes the type unless canRemove refuses; returns the refusal.
    RemoveRefusal removeUnusedType(const AtomType &type, const FrameList &frames);
    /// Unlinks and destroys the type. The caller has checked canRemove.
    void removeType(const AtomType &type);
    /// The type at a 0-based position, or nullptr.
    AtomType *typeAt(int index);
    int indexOf(const AtomType &type) const;

    bool empty() const { return types.empty(); }
    int size() const { return static_cast<int>(types.size()); }
    AtomType &first() { return types.front(); }
    const AtomType &first() const { return types.front(); }
    Types::iterator begin() { return types.begin(); }
    Types::iterator end() { return types.end(); }
    Types::const_iterator begin() const { return types.begin(); }
    Types::const_iterator end() const { return types.end(); }
    Types &list() { return types; }

private:
    Types::iterator find(const AtomType &type);
    Types types;
};
