#!/usr/bin/env bash
# tessaly-cli measure against ASE (Debian's python3-ase): distances, angles and dihedrals of
# molecules ASE builds and rattles, frame by frame, agree with ASE's get_distance, get_angle
# and get_dihedral within 1e-6; a molecule cut by the faces of a periodic box measures by the
# minimum image; an atom number a frame does not have is refused with a clear message.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli=$2
artefacts=${4:-/tmp/tessaly-artefacts}/cli_measure
rm -rf "$artefacts"
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

# Writes NAME.xyz (five rattled frames of an ASE molecule, or a box) and NAME.expected (ASE's
# own values, in the CSV's columns) for the 1-based measures given after NAME.
make_case() {
    $python - "$artefacts" "$@" << 'PY'
import sys
import numpy as np
import ase.io
from ase.build import molecule
folder, name, kind, *measures = sys.argv[1:]
rng = np.random.default_rng(7)
frames = []
for k in range(5):
    if kind == "box":
        atoms = molecule("CH3CH2OH")
        atoms.positions -= atoms.positions[1]  # the second carbon on the corner
        atoms.positions += rng.normal(0.0, 0.05, atoms.positions.shape)
        atoms.set_cell([9.0, 10.0, 11.0])
        atoms.pbc = True
        atoms.wrap()  # cut by the faces: bonds run across them
    else:
        atoms = molecule(kind)
        atoms.rattle(stdev=0.05, seed=k)
    atoms.info["time"] = 0.5 * k
    atoms.info["energy"] = -10.0 - k
    frames.append(atoms)
ase.io.write(f"{folder}/{name}.xyz", frames, format="extxyz")
mic = kind == "box"
with open(f"{folder}/{name}.expected", "w") as out:
    for atoms in frames:
        values = []
        for measure in measures:
            index = [int(i) - 1 for i in measure.split(":")[1].split(",")]
            if len(index) == 2:
                values.append(atoms.get_distance(*index, mic=mic))
            elif len(index) == 3:
                values.append(atoms.get_angle(*index, mic=mic))
            else:
                values.append(atoms.get_dihedral(*index, mic=mic))
        out.write(" ".join(repr(v) for v in values) + "\n")
PY
}

# Compares the CSV's value columns with the expected rows; prints what differs.
compare() {
    $python - "$1" "$2" << 'PY'
import csv, sys
rows = list(csv.reader(open(sys.argv[1])))
expected = [list(map(float, line.split())) for line in open(sys.argv[2])]
bad = []
if len(rows) != len(expected) + 1:
    bad.append(f"{len(rows) - 1} rows for {len(expected)} frames")
for number, (row, want) in enumerate(zip(rows[1:], expected), 1):
    if int(row[0]) != number:
        bad.append(f"row {number} is numbered {row[0]}")
    for got, value in zip(row[3:], want):
        difference = abs(float(got) - value)
        difference = min(difference, abs(difference - 360.0))  # 0 and 360 are one dihedral
        if difference > 1e-6:
            bad.append(f"frame {number}: {got} for {value!r}")
print("\n".join(bad))
PY
}

check() {
    local name=$1 kind=$2
    shift 2
    local options=() labels=()
    for measure in "$@"; do
        options+=("--${measure%%:*}" "${measure#*:}")
        labels+=("$measure")
    done
    make_case "$name" "$kind" "${labels[@]}" || { fail "$name: ASE could not write it"; return; }
    if ! "$cli" measure "$artefacts/$name.xyz" "${options[@]}" -o "$artefacts/$name.csv" \
        2> "$artefacts/$name.err"; then
        fail "$name: measure failed: $(cat "$artefacts/$name.err")"
        return
    fi
    local differences
    differences=$(compare "$artefacts/$name.csv" "$artefacts/$name.expected")
    [ -z "$differences" ] || fail "$name: $differences"
}

check ethanol CH3CH2OH distance:1,2 angle:2,1,3 angle:1,3,9 dihedral:4,1,2,6 dihedral:1,2,3,9
check butane trans-butane dihedral:1,2,3,4 angle:1,2,3 dihedral:5,1,2,3
check benzene C6H6 dihedral:1,2,3,4 angle:6,1,2 distance:1,4
check box box distance:1,2 distance:2,3 angle:1,2,3 dihedral:4,1,2,3

# the header names each column; time and energy come from the frames
header=$(head -n 1 "$artefacts/ethanol.csv")
[ "$header" = "frame,time,energy,distance_1_2,angle_2_1_3,angle_1_3_9,dihedral_4_1_2_6,dihedral_1_2_3_9" ] \
    || fail "header: $header"
second=$(sed -n 3p "$artefacts/ethanol.csv" | cut -d, -f1-3)
[ "$second" = "2,0.5,-11" ] || fail "second row begins $second"

# an atom ethanol (9 atoms) does not have, and a zero, are refused before anything is written
out=$("$cli" measure "$artefacts/ethanol.xyz" --angle 1,2,10 2>&1 > "$artefacts/none.csv")
status=$?
[ "$status" = 2 ] || fail "atom 10: exit status $status"
[ "$out" = "tessaly-cli measure: there is no atom 10 in frame 1 (it has 9 atoms)" ] \
    || fail "atom 10: $out"
[ -s "$artefacts/none.csv" ] && fail "atom 10: a table was written"
out=$("$cli" measure "$artefacts/ethanol.xyz" --distance 0,1 2>&1)
status=$?
[ "$status" = 2 ] && [[ $out == *"--distance needs 2 atom numbers from 1"* ]] \
    || fail "atom 0: exit status $status, $out"

[ "$failures" = 0 ] && echo "PASS: measure agrees with ASE"
exit "$((failures > 0))"
