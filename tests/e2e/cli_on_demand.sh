#!/usr/bin/env bash
# A file too large for the memory limit is indexed and read on demand: info, convert, measure
# and render give byte for byte what the whole read gives, within the limit; a frame whose
# values cannot be read fails the command that needs it, saying which and why.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli=$2
artefacts=${4:-/tmp/tessaly-artefacts}/cli_on_demand
rm -rf "$artefacts"
mkdir -p "$artefacts"
cd "$artefacts" || exit 1
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# 600 frames of 1,500 atoms with time, energy and a cell: some 40 MB, some 65 MB decoded.
python3 - << 'PY'
import random
rng = random.Random(5)
with open("big.xyz", "w") as out:
    for f in range(600):
        out.write("1500\n")
        out.write(f'Lattice="30 0 0 0 30 0 0 0 30" time={f * 0.5} energy={-100 - f * 0.01:.4f}\n')
        for a in range(1500):
            name = "O" if a % 3 == 0 else "H"
            out.write(f"{name} {rng.uniform(0, 30):.6f} {rng.uniform(0, 30):.6f} "
                      f"{rng.uniform(0, 30):.6f}\n")
PY
limit=16M

"$cli" info --json big.xyz > whole.json
/usr/bin/time -f %M -o rss.txt "$cli" info --json --memory $limit big.xyz > demand.json
cmp -s whole.json demand.json || fail "info differs on demand: $(diff whole.json demand.json | head -5)"
# resident: the program, the index and at most the limit (the mapped text goes as it is read);
# the sanitizers' own memory leaves this check to the normal build
rss=$(cat rss.txt)
if ! ldd "$cli" 2> /dev/null | grep -q libasan; then
    [ "$rss" -lt 80000 ] || fail "info on demand held $rss KB"
fi

"$cli" convert --to extxyz big.xyz whole.extxyz > /dev/null
"$cli" convert --to extxyz --memory $limit big.xyz demand.extxyz > /dev/null
cmp -s whole.extxyz demand.extxyz || fail "convert differs on demand"

"$cli" measure --distance 1,2 --angle 2,1,3 big.xyz > whole.csv
"$cli" measure --distance 1,2 --angle 2,1,3 --memory $limit big.xyz > demand.csv
cmp -s whole.csv demand.csv || fail "measure differs on demand"

for frame in 1 377 600; do
    "$cli" render --frame $frame --size 160x120 big.xyz "whole$frame.png" > /dev/null
    "$cli" render --frame $frame --size 160x120 --memory $limit big.xyz "demand$frame.png" > /dev/null
    cmp -s "whole$frame.png" "demand$frame.png" || fail "render of frame $frame differs on demand"
done

# frame 400's fifth atom has no y: only the on-demand read meets it when it is asked for
awk 'NR == 399 * 1502 + 2 + 5 { $3 = "y" } { print }' big.xyz > broken.xyz
"$cli" info --memory $limit broken.xyz > broken-info.txt 2>&1 ||
    fail "info on demand should not need frame 400's atoms"
grep -q "^frames: 600" broken-info.txt || fail "the index of broken.xyz: $(cat broken-info.txt)"
"$cli" convert --memory $limit broken.xyz broken.out > /dev/null 2> broken.err
status=$?
[ $status -eq 1 ] || fail "convert of a broken frame exited $status"
grep -q "frame 400 could not be read: INPUT FILE FORMAT ERROR: Invalid atom XYZ coordinate" \
    broken.err || fail "convert of a broken frame said: $(cat broken.err)"
[ ! -e broken.out ] || fail "convert of a broken frame left a file"

rm -f big.xyz broken.xyz ./*.extxyz
[ $failures -eq 0 ] && echo "on-demand reading: all checks passed"
exit $((failures > 0))
