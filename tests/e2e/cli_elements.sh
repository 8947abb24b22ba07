#!/usr/bin/env bash
# Every element through the real tessaly-cli and ASE (Debian's python3-ase): a file ASE wrote
# with all 118 elements, a cell off the origin, keys and columns of its own, is converted with
# every --to and read back by ASE with the same symbols, positions, cell, Origin, keys and
# columns; names of other programs (PDB names, lower case) are written as read; a rendered ball
# of iron, bromine and gold has its element's colour.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli=$2
artefacts=${4:-/tmp/tessaly-artefacts}/cli_elements
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

# Two frames of every element 1..118, with velocities, initial charges, tags, a logical and a
# string column, and keys ASE keeps in info; OVITO's Origin is added to the comment lines.
$python - "$artefacts/all.extxyz" << 'PY' || fail "ASE could not write the input"
import sys
import numpy as np
import ase.io
from ase import Atoms
frames = []
for k in range(2):
    n = 118
    positions = [[1.5 * (z % 10) + 0.1 * k, 1.5 * (z // 10), 0.25 * (z % 3) - 1e-7 * z] for z in range(n)]
    atoms = Atoms(numbers=list(range(1, n + 1)), positions=positions,
                  cell=[[20.5, 0, 0], [0, 19.25, 0], [0.5, 0, 10.0 + k]], pbc=True)
    atoms.set_velocities([[0.01 * z, -0.02, 0.0] for z in range(n)])
    atoms.set_initial_charges([0.001 * z - 0.05 for z in range(n)])
    atoms.set_tags(list(range(n)))
    atoms.new_array("fixed", np.array([z % 2 == 0 for z in range(n)]))
    atoms.new_array("site", np.array(["s%d" % (z % 4) for z in range(n)]))
    atoms.info["config_type"] = "bulk"
    atoms.info["step"] = 10 * k
    frames.append(atoms)
ase.io.write(sys.argv[1], frames, format="extxyz")
PY
sed -i '2~120s/^/Origin="-5 -2.5 1.25" /' "$artefacts/all.extxyz"

for to in extxyz xyz common; do
    "$cli" convert "$artefacts/all.extxyz" "$artefacts/back.$to" --to "$to" > /dev/null \
        2> "$artefacts/convert-$to.err" || fail "convert --to $to exits non-zero: $(cat "$artefacts/convert-$to.err")"
    grep -q '?' "$artefacts/back.$to" && fail "--to $to writes a name ?"
done

$python - "$artefacts" << 'PY' || fail "ASE reads back other values"
import sys
import numpy as np
import ase.io
folder = sys.argv[1]
original = ase.io.read(folder + "/all.extxyz", index=":")
back = ase.io.read(folder + "/back.extxyz", index=":")
plain = ase.io.read(folder + "/back.xyz", index=":", format="extxyz")
assert len(back) == len(plain) == 2
for a, b, p in zip(original, back, plain):
    symbols = a.get_chemical_symbols()
    assert len(symbols) == 118 and symbols[25] == "Fe" and symbols[117] == "Og"
    assert b.get_chemical_symbols() == symbols == p.get_chemical_symbols()
    assert np.allclose(b.positions, a.positions, rtol=1e-12, atol=0)
    assert np.allclose(p.positions, a.positions, rtol=1e-12, atol=0)
    assert np.array_equal(b.cell[:], a.cell[:]), (a.cell, b.cell)
    assert list(b.pbc) == list(a.pbc)
    assert b.info["config_type"] == a.info["config_type"] == "bulk", b.info
    assert b.info["step"] == a.info["step"], b.info
    assert list(b.info["Origin"]) == [-5, -2.5, 1.25], b.info
    assert np.allclose(b.get_velocities(), a.get_velocities(), rtol=1e-12, atol=0)
    assert np.allclose(b.get_initial_charges(), a.get_initial_charges(), rtol=1e-12, atol=0)
    assert list(b.get_tags()) == list(a.get_tags())
    assert list(b.arrays["fixed"]) == list(a.arrays["fixed"])
    assert list(b.arrays["site"]) == list(a.arrays["site"])
# the program's own layout writes every symbol too
names = [line.split()[0] for line in open(folder + "/back.common").read().splitlines()[2:120]]
assert names == original[0].get_chemical_symbols(), names[:5]
PY

# Names of other programs are read by the documented rule and written as they were read.
printf '7\nnames\nCA 0 0 0\nHB1 1 0 0\nCH3 2 0 0\nOW 3 0 0\n7 4 0 0\ncl 5 0 0\nXq 6 0 0\n' > "$artefacts/names.xyz"
"$cli" convert "$artefacts/names.xyz" "$artefacts/names-back.xyz" --to xyz > /dev/null 2>&1 \
    || fail "convert of PDB names exits non-zero"
[ "$(tail -n 7 "$artefacts/names-back.xyz" | cut -d' ' -f1 | tr '\n' ' ')" = "CA HB1 CH3 OW 7 cl Xq " ] \
    || fail "names not written as read: $(cat "$artefacts/names-back.xyz")"
# extended XYZ gives ASE the elements as species and keeps the names in a column of their own
"$cli" convert "$artefacts/names.xyz" "$artefacts/names-back.extxyz" --to extxyz > /dev/null 2>&1 \
    || fail "convert of PDB names to extxyz exits non-zero"
$python - "$artefacts/names-back.extxyz" << 'PY' || fail "ASE reads other names: $(cat "$artefacts/names-back.extxyz")"
import sys
import ase.io
atoms = ase.io.read(sys.argv[1])
assert atoms.get_chemical_symbols() == ["C", "H", "C", "O", "N", "Cl", "X"], atoms.get_chemical_symbols()
assert list(atoms.arrays["names"]) == ["CA", "HB1", "CH3", "OW", "7", "cl", "Xq"], atoms.arrays
PY

# One ball each of iron, bromine, gold and hydrogen, drawn large: the pixel at its centre is its
# colour. Hydrogen is white in an XYZ file and keeps the program's blue in its own layout.
centre_is() { # picture, red,green,blue
    $python - "$1" "$2" << 'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
offset, = struct.unpack_from("<I", data, 10)
width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
row = (width * bits // 8 + 3) // 4 * 4
x, y = width // 2, abs(height) // 2
at = offset + (abs(height) - 1 - y if height > 0 else y) * row + x * bits // 8
blue, green, red = data[at], data[at + 1], data[at + 2]
want = [int(v) for v in sys.argv[2].split(",")]
assert all(abs(a - b) <= 2 for a, b in zip((red, green, blue), want)), ((red, green, blue), want)
PY
}
printf '1\n0.0 0.0\nH 0 0 0\n' > "$artefacts/own.xyz"
for element in Fe:224,102,51:xyz Br:166,41,41:xyz Au:255,209,35:xyz H:255,255,255:xyz H:0,128,255:own; do
    symbol=${element%%:*}
    colour=${element#*:}
    colour=${colour%:*}
    file=$artefacts/$symbol.xyz
    if [ "${element##*:}" = own ]; then
        file=$artefacts/own.xyz
    else
        printf '1\n\n%s 0 0 0\n' "$symbol" > "$file"
    fi
    "$cli" render "$file" -o "$file.bmp" --size 200x200 --labels off > /dev/null 2>&1 \
        || { fail "render $file exits non-zero"; continue; }
    centre_is "$file.bmp" "$colour" || fail "$symbol of $(basename "$file") is drawn in another colour"
done

[ "$failures" = 0 ] && echo "cli_elements: all passed" && exit 0
exit 1
