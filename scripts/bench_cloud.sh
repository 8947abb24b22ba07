#!/usr/bin/env bash
# Times the 3D electron cloud of the water example at the window's start size, the whole process
# of the command-line tool, on one thread and on every core:
#
#   scripts/bench_cloud.sh [BUILD_FOLDER] [RUNS]
#
# Builds tessaly-cli and bench_cloud in BUILD_FOLDER (default build; configured Release when it
# does not exist yet), then runs, RUNS times each (default 7, at least 5) and interleaved,
#   tessaly-cli render examples/water.xyz -o x.bmp --electrons 3d --threads 1
#   tessaly-cli render examples/water.xyz -o x.bmp --electrons 3d --threads 0
#   tessaly-cli render pair.xyz -o x.bmp --electrons 3d
# where pair.xyz holds two hydrogen atoms 50,000 units apart in depth, timed by /usr/bin/time,
# and prints the median wall time of each, their ratio and whether the targets hold: water at
# most 0.35 s on every core and at most 0.65 times the one-thread time, the pair at most 1 s.
# The two water pictures must be the same byte for byte.
# Interleaved with them, the window draws the water frame at the same size on the offscreen
# platform:
#   TESSALY_TIME_CLOUD=x.bmp tessaly examples/water.xyz
# which times one whole redraw with the 3D cloud (composing, the cloud on its threads while the
# event loop runs, the overlay, the paint) and writes its picture, which must be the command-line
# tool's byte for byte; its median is printed beside the tool's, and it must stay within 10 % of
# the tool's whole run. Then bench_cloud times the 3D pass alone.
# Run it on an otherwise idle machine; exit status 1 when a target is missed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-7}
[ "$runs" -ge 5 ] || runs=5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
ninja -C "$build" -j2 tessaly tessaly-cli bench_cloud > "$work/build.log" || {
    cat "$work/build.log" >&2
    exit 1
}
cli=$build/app/tessaly-cli
window=$build/app/tessaly
water=$root/examples/water.xyz
export QT_QPA_PLATFORM=offscreen

printf '2\n\nH 0 0 0\nH 0 0 50000\n' > "$work/pair.xyz"

run() { # threads, picture[, file]: prints the wall seconds of one whole run
    /usr/bin/time -f '%e' -o "$work/time" "$cli" render "${3:-$water}" -o "$2" --electrons 3d \
        --threads "$1" > /dev/null 2>&1
    cat "$work/time"
}
window_run() { # picture: prints the seconds of the window's whole redraw
    TESSALY_TIME_CLOUD="$1" "$window" "$water" 2> /dev/null | sed -n 's/^redraw_seconds=//p'
}
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

run 0 "$work/warm.bmp" > /dev/null # warm the caches
one=()
all=()
pair=()
win=()
for _ in $(seq "$runs"); do
    one+=("$(run 1 "$work/one.bmp")")
    all+=("$(run 0 "$work/all.bmp")")
    pair+=("$(run 0 "$work/pair.bmp" "$work/pair.xyz")")
    win+=("$(window_run "$work/window.bmp")")
done
cmp -s "$work/all.bmp" "$work/window.bmp" || {
    echo "bench_cloud: the window's picture and the command-line tool's differ" >&2
    exit 1
}
cmp -s "$work/one.bmp" "$work/all.bmp" || {
    echo "bench_cloud: the pictures of one thread and of every core differ" >&2
    exit 1
}

one_s=$(median "${one[@]}")
all_s=$(median "${all[@]}")
pair_s=$(median "${pair[@]}")
win_s=$(median "${win[@]}")
ratio=$(python3 -c "print(f'{$all_s / $one_s:.2f}')")
printf 'cores    %s\n' "$(nproc)"
printf 'one      %.3f s  (--threads 1, median of %d: %s)\n' "$one_s" "$runs" "${one[*]}"
printf 'every    %.3f s  (--threads 0, median of %d: %s)\n' "$all_s" "$runs" "${all[*]}"
printf 'ratio    %s  (every / one; target at most 0.65)\n' "$ratio"
printf 'window   %.3f s  (whole redraw in the window, median of %d: %s)\n' "$win_s" "$runs" "${win[*]}"
printf 'target   every core at most 0.35 s; the window within 10 %% of every core\n'
printf 'pair     %.3f s  (two atoms 50,000 apart, median of %d: %s; target at most 1 s)\n' \
    "$pair_s" "$runs" "${pair[*]}"
printf 'load     %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/bench_cloud" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

python3 -c "import sys; sys.exit(0 if $all_s <= 0.35 and $all_s <= 0.65 * $one_s and $pair_s <= 1 and $win_s <= 1.1 * $all_s else 1)" || {
    echo "bench_cloud: a target was missed" >&2
    exit 1
}
