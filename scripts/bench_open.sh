#!/usr/bin/env bash
# Compares opening a large trajectory in the window with loading it in the command-line tool.
#
#   scripts/bench_open.sh [BUILD_FOLDER]
#
# Generates (once) the "plain" input with ../shared/bench/gen_xyz.py (1,000 frames of 3,000
# atoms, about 117 MB) into $TESSALY_BENCH_DATA (default ${TMPDIR:-/tmp}/tessaly-bench, shared
# with bench_read.sh), builds tessaly and tessaly-cli in BUILD_FOLDER (default build), then
# times by turns, the median of five runs each, every run after a pause of five seconds:
#   cli     the whole run of `tessaly-cli info FILE`
#   window  the window's open of FILE (read, first picture, animation start), as printed by
#           the program started with TESSALY_TIME_OPEN set on the offscreen platform
#   process the whole run of that program (start-up, fourteen windows, open, exit)
# and prints the ratio window / cli, which should stay at or below 1.2.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
data=${TESSALY_BENCH_DATA:-${TMPDIR:-/tmp}/tessaly-bench}
shared=${TESSALY_SHARED:-$root/../shared}/bench
mkdir -p "$data"

if [ ! -f "$shared/gen_xyz.py" ]; then
    echo "bench_open: $shared/gen_xyz.py is needed" >&2
    exit 1
fi
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
ninja -C "$build" -j2 tessaly tessaly-cli > "$data/build.log" || {
    cat "$data/build.log" >&2
    exit 1
}
tessaly=$build/app/tessaly
cli=$build/app/tessaly-cli

file=$data/plain.xyz
[ -s "$file" ] || python3 "$shared/gen_xyz.py" plain -o "$file"
cat "$file" > /dev/null # warm the page cache

now() { date +%s.%N; }
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

cli_runs=()
window_runs=()
process_runs=()
for _ in 1 2 3 4 5; do
    sleep 5
    start=$(now)
    "$cli" info "$file" > /dev/null
    cli_runs+=("$(python3 -c "print($(now) - $start)")")
    sleep 5

    start=$(now)
    line=$(QT_QPA_PLATFORM=offscreen TESSALY_TIME_OPEN=1 "$tessaly" "$file" 2> /dev/null)
    process_runs+=("$(python3 -c "print($(now) - $start)")")
    window_runs+=("$(sed -n 's/.*open_seconds=\([0-9.]*\).*/\1/p' <<< "$line")")
    frames=$(sed -n 's/.*frames=\([0-9]*\).*/\1/p' <<< "$line")
done

cli_s=$(median "${cli_runs[@]}")
window_s=$(median "${window_runs[@]}")
process_s=$(median "${process_runs[@]}")
printf 'input   %s (%s MB, %s frames)\n' "$file" "$(($(stat -c %s "$file") / 1000000))" "$frames"
printf 'cli     %.3f s  (tessaly-cli info, whole run)\n' "$cli_s"
printf 'window  %.3f s  (open in the window)\n' "$window_s"
printf 'process %.3f s  (the window program, whole run)\n' "$process_s"
ratio=$(python3 -c "print(f'{$window_s / $cli_s:.2f}')")
printf 'ratio   %s  (window / cli; target at most 1.2)\n' "$ratio"
python3 -c "import sys; sys.exit(0 if $window_s <= 1.2 * $cli_s else 1)" || {
    echo "bench_open: the window took more than 1.2 times the command-line tool" >&2
    exit 1
}
