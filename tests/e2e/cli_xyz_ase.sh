#!/usr/bin/env bash
# Extended XYZ through the real tessaly-cli and ASE (Debian's python3-ase): a trajectory ASE
# wrote is read without a message, with its cell; what convert --to extxyz writes, ASE reads
# back with the same species, positions, cells, energies and times; --to xyz is plain XYZ.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli=$2
artefacts=${4:-/tmp/tessaly-artefacts}/cli_xyz_ase
mkdir -p "$artefacts"
python=/usr/bin/python3
$python -c 'import ase.io' 2> /dev/null || {
    echo "FAIL: python3-ase is not installed (scripts/setup.sh installs it)" >&2
    exit 1
}
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Three frames of a box that grows and tilts (as an NPT run's), off the origin, with momenta,
# charges, a column of ASE's own (tags) and numbers that need every digit.
$python - "$artefacts/npt.extxyz" << 'PY' || fail "ASE could not write the input"
import sys
import numpy as np
import ase.io
from ase import Atoms
from ase.calculators.singlepoint import SinglePointCalculator
frames = []
for k in range(3):
    cell = [[10.0 + 0.1234567891 * k, 0, 0], [0.5 * k, 11.0, 0], [0.25, -0.125 * k, 12.5]]
    positions = [[101.123456789012 + k, -3.3333333333333, 7.7e-5],
                 [99.5, 0.0000123456789, -12.75 - k / 3.0],
                 [100.25, 2.0 / 3.0, 1e-9]]
    atoms = Atoms("SiOH", positions=positions, cell=cell, pbc=[True, True, k != 1])
    atoms.set_momenta([[0.1, 0.2, 0.3], [-1.5, 0, 2.25], [0, 0, 1e-3]])
    atoms.set_initial_charges([0.5, -0.25, 0.125])
    atoms.set_tags([1, 2, 3])
    atoms.info["time"] = 0.5 * k
    atoms.calc = SinglePointCalculator(atoms, energy=-17.1758353945 - k / 7.0)
    frames.append(atoms)
ase.io.write(sys.argv[1], frames, format="extxyz")
PY

json=$artefacts/npt.json
"$cli" info "$artefacts/npt.extxyz" --json > "$json" 2> "$artefacts/info.err" || fail "info exits non-zero"
$python - "$json" << 'PY' || fail "info --json: $(cat "$json")"
import json, sys
info = json.load(open(sys.argv[1]))
assert info["layout"] == "xyz", info["layout"]
assert info["frames"] == 3 and info["messages"] == [], info
assert abs(info["cell"]["first"][0][0] - 10.0) < 1e-12, info["cell"]
assert abs(info["cell"]["last"][0][0] - 10.2469135782) < 1e-12, info["cell"]
assert info["cell"]["last"][1] == [1.0, 11.0, 0.0], info["cell"]
assert abs(info["energy"]["min"] - (-17.1758353945 - 2 / 7.0)) < 1e-12, info["energy"]
assert info["time"] == {"min": 0.0, "max": 1.0}, info["time"]
PY

"$cli" convert "$artefacts/npt.extxyz" "$artefacts/back.extxyz" --to extxyz > /dev/null \
    2> "$artefacts/convert.err" || fail "convert --to extxyz exits non-zero: $(cat "$artefacts/convert.err")"
"$cli" convert "$artefacts/npt.extxyz" "$artefacts/plain.xyz" --to xyz > /dev/null \
    2>> "$artefacts/convert.err" || fail "convert --to xyz exits non-zero"
$python - "$artefacts/npt.extxyz" "$artefacts/back.extxyz" "$artefacts/plain.xyz" << 'PY' || fail "ASE reads back other values"
import sys
import numpy as np
import ase.io
original = ase.io.read(sys.argv[1], index=":")
back = ase.io.read(sys.argv[2], index=":")
plain = ase.io.read(sys.argv[3], index=":", format="extxyz")
assert len(back) == len(original) == len(plain) == 3
for a, b, p in zip(original, back, plain):
    assert a.get_chemical_symbols() == b.get_chemical_symbols() == p.get_chemical_symbols()
    assert np.allclose(b.positions, a.positions, rtol=1e-8, atol=0), (a.positions, b.positions)
    assert np.allclose(p.positions, a.positions, rtol=1e-8, atol=0)
    assert np.allclose(b.cell[:], a.cell[:], rtol=1e-12, atol=1e-12), (a.cell, b.cell)
    assert list(b.pbc) == list(a.pbc), (a.pbc, b.pbc)
    assert b.get_potential_energy() == a.get_potential_energy()
    assert b.info["time"] == a.info["time"]
    assert np.allclose(b.get_momenta(), a.get_momenta())
    assert list(b.get_tags()) == list(a.get_tags())
PY

cp "$artefacts/plain.xyz" "$artefacts/plain.txt"
"$cli" info "$artefacts/plain.txt" --layout xyz > "$artefacts/plain.info" 2>&1 || fail "info --layout xyz exits non-zero"
grep -q "^layout: xyz$" "$artefacts/plain.info" && grep -q "^frames: 3$" "$artefacts/plain.info" \
    && grep -q "^messages: 0$" "$artefacts/plain.info" || fail "info --layout xyz: $(cat "$artefacts/plain.info")"

[ "$failures" = 0 ] && echo "cli_xyz_ase: all passed" && exit 0
exit 1
