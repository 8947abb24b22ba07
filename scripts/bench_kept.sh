#!/usr/bin/env bash
# What the columns an extended XYZ file holds beyond species, pos, momenta and charges cost to
# keep: the whole process of `tessaly-cli info FILE` on 5 frames of 200,000 atoms with three
# kept columns (masses:R:1, tags:I:1, initial_magmoms:R:1) against the same file without them,
# run by turns, N times each (default 5). Prints the median elapsed seconds and peak resident
# memory of each and their ratios, and the load average. Target: both ratios at most 1.3.
#
#   scripts/bench_kept.sh [--runs N] [BUILD_FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=5
build=$root/build
while [ $# -gt 0 ]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    *) build=$1; shift ;;
    esac
done
data=${TESSALY_BENCH_DATA:-${TMPDIR:-/tmp}/tessaly-bench}
mkdir -p "$data"
cli=$build/app/tessaly-cli
[ -x "$cli" ] || { echo "bench_kept: build $cli first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_kept: /usr/bin/time is needed (Debian package time)" >&2; exit 1; }

# the same atoms with and without the three columns
if [ ! -s "$data/kept3.xyz" ] || [ ! -s "$data/kept0.xyz" ]; then
    awk -v with="$data/kept3.xyz" -v without="$data/kept0.xyz" 'BEGIN {
        srand(7)
        split("H C N O Fe", names, " ")
        for (f = 0; f < 5; ++f) {
            print 200000 > with; print 200000 > without
            cell = "Lattice=\"100 0 0 0 100 0 0 0 100\" pbc=\"T T T\" time=" f
            print cell " Properties=species:S:1:pos:R:3:masses:R:1:tags:I:1:initial_magmoms:R:1" > with
            print cell " Properties=species:S:1:pos:R:3" > without
            for (i = 0; i < 200000; ++i) {
                atom = sprintf("%s %.8f %.8f %.8f", names[i % 5 + 1], 100 * rand(), 100 * rand(), 100 * rand())
                print atom > without
                printf "%s %.5f %d %.6f\n", atom, 1 + 50 * rand(), i % 7, rand() - 0.5 > with
            }
        }
    }'
fi

measure() { # file: prints "seconds kilobytes"
    /usr/bin/time -f "%e %M" -o "$data/kept.time" "$cli" info "$1" > /dev/null
    cat "$data/kept.time"
}
: > "$data/kept0.runs"
: > "$data/kept3.runs"
for _ in $(seq "$runs"); do
    measure "$data/kept0.xyz" >> "$data/kept0.runs"
    measure "$data/kept3.xyz" >> "$data/kept3.runs"
done
median() { # column of a runs file
    cut -d' ' -f"$2" "$1" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
t0=$(median "$data/kept0.runs" 1); m0=$(median "$data/kept0.runs" 2)
t3=$(median "$data/kept3.runs" 1); m3=$(median "$data/kept3.runs" 2)
echo "command: $cli info FILE (median of $runs, by turns)"
echo "without kept columns: ${t0} s, $((m0 / 1024)) MB"
echo "with 3 kept columns:  ${t3} s, $((m3 / 1024)) MB"
status=0
awk -v t0="$t0" -v t3="$t3" -v m0="$m0" -v m3="$m3" \
    'BEGIN { printf "ratio: time %.2f, memory %.2f\n", t3 / t0, m3 / m0; exit !(t3 <= 1.3 * t0 && m3 <= 1.3 * m0) }' \
    || status=$?
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
