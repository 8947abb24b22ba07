#pragma once

#include <vector>

/// The longest chain of picked atoms kept: four atoms make a dihedral.
inline constexpr int PickChainLength = 4;

/// Adds a Ctrl-clicked atom (0-based; -1 for a click beside every atom) to the chain of picks
/// whose angle and dihedral are shown. A click beside the atoms empties the chain; a new chain
/// (Ctrl+Shift) or an atom already in the chain starts it afresh from that atom; the same atom
/// clicked twice running changes nothing; the oldest pick drops out beyond four. Returns
/// whether the chain changed.
bool pickIntoChain(std::vector<int> &chain, int picked, bool newChain);
