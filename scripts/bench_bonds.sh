#!/usr/bin/env bash
# Whole-process cost of bonds, each figure against the same run without them.
#
#   scripts/bench_bonds.sh [BUILD_FOLDER] [RUNS]
#
# Generates (once) with ../shared/bench/gen_xyz.py, into $TESSALY_BENCH_DATA (default
# ${TMPDIR:-/tmp}/tessaly-bench): one frame of 10,002, 100,002 and 999,999 atoms of water and
# the 1,000-frame x 3,000-atom "plain" file. Then, by turns (interleaved), RUNS times each
# (default 5), and prints the medians:
#   render N      `tessaly-cli render FILE --no-bonds` against `--bonds`, one 481x351 picture
#                 (the difference is finding the bonds once and drawing the sticks)
#   measure       `tessaly-cli measure plain.xyz --distance 1,2 --angle 2,1,3 --dihedral
#                 2,1,3,4` against `tessaly-cli info plain.xyz`
# The limits: drawing 10,000 atoms with bonds at most 1.5 times without; bonds of 100,000
# atoms at most 20 ms and of 10^6 atoms at most 200 ms on 2 cores; measure at most 1.2 times
# info. The load average is printed with the figures: other work on the machine skews them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-5}
data=${TESSALY_BENCH_DATA:-${TMPDIR:-/tmp}/tessaly-bench}
shared=${TESSALY_SHARED:-$root/../shared}/bench
mkdir -p "$data"
cli=$build/app/tessaly-cli
[ -x "$cli" ] || {
    echo "bench_bonds: build tessaly-cli first ($cli)" >&2
    exit 1
}

for atoms in 10002 100002 999999; do
    [ -s "$data/water$atoms.xyz" ] \
        || python3 "$shared/gen_xyz.py" plain --frames 1 --atoms "$atoms" -o "$data/water$atoms.xyz"
done
[ -s "$data/plain.xyz" ] || python3 "$shared/gen_xyz.py" plain -o "$data/plain.xyz"
cat "$data"/water*.xyz "$data/plain.xyz" > /dev/null # warm the page cache

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    python3 -c "print(f'{$end - $start:.4f}')"
}
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for atoms in 10002 100002 999999; do
    file=$data/water$atoms.xyz
    without=()
    with=()
    for _ in $(seq "$runs"); do
        without+=("$(seconds "$cli" render "$file" -o "$data/bonds.bmp" --no-bonds --labels off)")
        with+=("$(seconds "$cli" render "$file" -o "$data/bonds.bmp" --bonds --labels off)")
    done
    a=$(median "${without[@]}")
    b=$(median "${with[@]}")
    python3 -c "print(f'render $atoms atoms: without bonds {$a:.3f} s, with {$b:.3f} s, ' \
        f'ratio {$b / $a:.2f}, difference {1000 * ($b - $a):.0f} ms')"
done

info=()
measure=()
for _ in $(seq "$runs"); do
    info+=("$(seconds "$cli" info "$data/plain.xyz")")
    measure+=("$(seconds "$cli" measure "$data/plain.xyz" --distance 1,2 --angle 2,1,3 \
        --dihedral 2,1,3,4)")
done
a=$(median "${info[@]}")
b=$(median "${measure[@]}")
python3 -c "print(f'measure 1000 x 3000: info {$a:.3f} s, measure {$b:.3f} s, ratio {$b / $a:.2f}')"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
