#pragma once

#include <cstdint>
#include <string_view>

/// One chemical element: its symbol, proton number, drawing radius (Angstrom) and the colour
/// chemists expect to see it in (0x00BBGGRR).
struct Element
{
    std::string_view symbol;
    int protons = 0;
    double radius = 1.0;
    std::uint32_t color = 0;
};

/// The elements known, hydrogen (1) to oganesson (118).
inline constexpr int ElementCount = 118;

/// The element of that proton number, or nullptr outside 1..118.
const Element *elementByProtons(int protons);
/// The element whose symbol is symbol, ignoring letter case ("Fe", "FE", "fe"); nullptr when
/// there is none.
const Element *elementBySymbol(std::string_view symbol);

/// The element an atom name from an XYZ file stands for, or nullptr. In order:
/// 1. a whole number is a proton number ("7" is nitrogen);
/// 2. a name spelled as a symbol is that element, and so in any letter case up to lawrencium
///    (103): "c" carbon, "CL" chlorine, "FE" iron, but "CN" no copernicium. Except the residue
///    atom names of proteins that only look like symbols when written in capitals: CA, CD, CE,
///    HE, HG, NE, OG, SG are the carbon, hydrogen, nitrogen, oxygen or sulfur of a residue
///    (C alpha, not calcium), as readers of PDB names take them; written Ca, ca, Hg ... they
///    are the elements;
/// 3. otherwise leading digits are dropped ("1HH"), and the longest symbol of an element up to
///    lawrencium that starts the rest in any letter case is taken ("Cl1" chlorine, "CH3"
///    carbon, "OW" oxygen, "HB1" hydrogen, "NH1" nitrogen), the capital residue names of rule
///    2 again by their first letter ("CA1" carbon).
const Element *elementForName(std::string_view name);
