#pragma once

#include <string_view>

/// The single-bond covalent radius of the element with the given proton number, in Angstrom;
/// 0 for a number outside 1..118, which bond finding reads as "never bonded".
double covalentRadius(int protons);

/// True when name is the symbol of an element, spelt as chemists write it ("C", "Cl").
/// Types named otherwise (the fallback "?", a dummy site) are never bonded.
bool isElementSymbol(std::string_view name);
