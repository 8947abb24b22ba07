#pragma once

/// The single-bond covalent radius of the element with the given proton number, in Angstrom;
/// 0 for a number outside 1..118, which bond finding reads as "never bonded".
double covalentRadius(int protons);
