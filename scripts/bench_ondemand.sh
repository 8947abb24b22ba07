#!/usr/bin/env bash
# Files larger than memory: the whole process of `tessaly-cli info` on a big plain XYZ file
# (3,000 atoms a frame), indexed and read on demand, and bench_ondemand's playing and jumping on
# it; beside them, by turns, the reference bare_parse on a slice of the same frames that it can
# hold, and `info` on the 117 MB file that still loads whole, against an older build's if one
# is given. N runs each (default 5); prints medians and the load average.
#
#   scripts/bench_ondemand.sh [--runs N] [--gigabytes G] [--before OLD_BUILD] [BUILD_FOLDER]
#
# The big file is G gigabytes (default 20, some 170,000 frames): it needs that much free disk
# and, to be timed as cached, that much free memory for the system's cache.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=5
gigabytes=20
before=
build=$root/build
while [ $# -gt 0 ]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --gigabytes) gigabytes=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    *) build=$1; shift ;;
    esac
done
data=${TESSALY_BENCH_DATA:-${TMPDIR:-/tmp}/tessaly-bench}
mkdir -p "$data"
cli=$build/app/tessaly-cli
bench=$build/bench/bench_ondemand
for tool in "$cli" "$bench" /usr/bin/time; do
    [ -x "$tool" ] || { echo "bench_ondemand: $tool is needed (build first)" >&2; exit 1; }
done
shared=$root/../shared/bench
reference=$data/bare_parse
[ -x "$reference" ] || g++ -O2 -std=c++17 -o "$reference" "$shared/bare_parse.cpp"

# 1,000 frames (117 MB) from the shared generator, repeated: the big file, and the 2 GB slice
slice=$data/plain-3000x1000.xyz
[ -s "$slice" ] || python3 "$shared/gen_xyz.py" plain -o "$slice" --frames 1000 --atoms 3000
big=$data/plain-${gigabytes}G.xyz
copies=$(( (gigabytes * 1000000000 + 117000000 - 1) / 117000000 ))
if [ ! -s "$big" ]; then
    for _ in $(seq "$copies"); do cat "$slice"; done > "$big"
fi
twoGigabytes=$data/plain-2G.xyz
[ -s "$twoGigabytes" ] || for _ in $(seq 17); do cat "$slice"; done > "$twoGigabytes"
cat "$big" "$twoGigabytes" > /dev/null # cached, as the figures are meant

timed() { # label command...: appends "seconds kilobytes" to $data/label.runs
    local label=$1
    shift
    /usr/bin/time -f "%e %M" -o "$data/$label.time" "$@" > /dev/null
    cat "$data/$label.time" >> "$data/$label.runs"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

labels="index20 index2 bare2 whole117"
[ -n "$before" ] && labels="$labels before117"
for label in $labels; do : > "$data/$label.runs"; done
whole() { # label program: `info` on the slice, which the big file pushed out of the cache
    cat "$slice" > /dev/null
    timed "$1" "$2" info "$slice"
}
for run in $(seq "$runs"); do
    timed index20 "$cli" info "$big"
    timed index2 "$cli" info --memory 256M "$twoGigabytes"
    timed bare2 "$reference" "$twoGigabytes" --mmap
    # the first after the big file finds the system reclaiming its cache: the two take turns
    if [ -z "$before" ]; then
        whole whole117 "$cli"
    elif [ $((run % 2)) = 1 ]; then
        whole whole117 "$cli"
        whole before117 "$before/app/tessaly-cli"
    else
        whole before117 "$before/app/tessaly-cli"
        whole whole117 "$cli"
    fi
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for label in $labels; do
    seconds=$(cut -d' ' -f1 "$data/$label.runs" | median)
    kilobytes=$(cut -d' ' -f2 "$data/$label.runs" | median)
    echo "$label: median $seconds s, $((kilobytes / 1024)) MB resident"
done
echo "playing and jumping (20 ms drawing a frame):"
"$bench" "$big" --play 600 --draw-ms 20 --jumps 200
