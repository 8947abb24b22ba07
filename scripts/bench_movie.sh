#!/usr/bin/env bash
# Times movies against picture series, whole processes of the command-line tool:
#
#   scripts/bench_movie.sh [BUILD_FOLDER] [RUNS]
#
# Builds tessaly-cli in BUILD_FOLDER (default build; configured Release when it does not exist
# yet) and makes a trajectory of 10,000 atoms x 100 frames. Then runs, RUNS times each (default
# 5, at least 5), interleaved,
#   water:  render examples/water.xyz -o w.bmp --all         against  -o w.mp4
#   large:  render large.xyz -o l.bmp --all --size 1280x720 --labels off   against  -o l.mp4
#           (and -o one.mp4 --last 1: reading and start-up, taken off for the encoding rate)
# timed by /usr/bin/time, and prints the medians, their ratios, the frames per second of the
# large movie and whether the targets hold: the water movie no slower than its pictures, the
# large movie at most 1.5 times its pictures and at least 60 frames a second. The load average
# is printed before and after: figures taken on a busy machine are not to be trusted.
# Exit status 1 when a target is missed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-5}
[ "$runs" -ge 5 ] || runs=5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
ninja -C "$build" -j2 tessaly-cli > "$work/build.log" || {
    cat "$work/build.log" >&2
    exit 1
}
cli=$build/app/tessaly-cli
water=$root/examples/water.xyz
large=$work/large.xyz
export QT_QPA_PLATFORM=offscreen

# 10,000 atoms in a box of 60 Angstrom, each moving a little from frame to frame
python3 - "$large" <<'PY'
import random, sys
random.seed(7)
names = ["O", "H", "H", "C", "N"]
atoms = [(names[i % 5], random.uniform(-30, 30), random.uniform(-30, 30), random.uniform(-30, 30))
         for i in range(10000)]
with open(sys.argv[1], "w") as out:
    for frame in range(100):
        out.write("10000\n%.4f %.6f  frame %d\n" % (frame * 0.5, -1000.0 - frame, frame))
        lines = []
        for name, x, y, z in atoms:
            d = 0.05 * frame
            lines.append("%s %.5f %.5f %.5f 0.0 0 0 0 1\n" % (name, x + d, y - d, z + d))
        out.write("".join(lines))
PY

run() { # output, arguments...: prints the wall seconds of one whole run and keeps its
    # processor seconds (user and system, every thread) in $work/cpu
    local output=$1
    shift
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$cli" render "$@" -o "$output" > /dev/null 2>&1
    read -r wall user system < "$work/time"
    python3 -c "print($user + $system)" > "$work/cpu"
    echo "$wall"
}
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
large_options=(--size 1280x720 --labels off)

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
run "$work/warm.mp4" "$water" > /dev/null # warm the caches
run "$work/warm.mp4" "$large" "${large_options[@]}" --last 2 > /dev/null
water_bmp=()
water_mp4=()
large_bmp=()
large_mp4=()
large_one=()
large_bmp_cpu=()
large_mp4_cpu=()
for _ in $(seq "$runs"); do
    water_bmp+=("$(run "$work/w.bmp" "$water" --all)")
    water_mp4+=("$(run "$work/w.mp4" "$water")")
    large_bmp+=("$(run "$work/l.bmp" "$large" --all "${large_options[@]}")")
    large_bmp_cpu+=("$(cat "$work/cpu")")
    large_mp4+=("$(run "$work/l.mp4" "$large" "${large_options[@]}")")
    large_mp4_cpu+=("$(cat "$work/cpu")")
    large_one+=("$(run "$work/one.mp4" "$large" "${large_options[@]}" --last 1)")
    rm -f "$work"/w*.bmp "$work"/l*.bmp
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

wb=$(median "${water_bmp[@]}")
wm=$(median "${water_mp4[@]}")
lb=$(median "${large_bmp[@]}")
lm=$(median "${large_mp4[@]}")
printf 'cores          %s\n' "$(nproc)"
printf 'water  BMP     %.3f s  (50 pictures, median of %d: %s)\n' "$wb" "$runs" "${water_bmp[*]}"
printf 'water  MP4     %.3f s  (50 frames: %s)\n' "$wm" "${water_mp4[*]}"
printf 'large  BMP     %.3f s  (100 pictures 1280x720: %s)\n' "$lb" "${large_bmp[*]}"
printf 'large  MP4     %.3f s  (100 frames 1280x720: %s)\n' "$lm" "${large_mp4[*]}"
# processor seconds change less than wall time with the load of other programs
lbc=$(median "${large_bmp_cpu[@]}")
lmc=$(median "${large_mp4_cpu[@]}")
lo=$(median "${large_one[@]}")
printf 'large  BMP     %.2f processor seconds; MP4 %.2f\n' "$lbc" "$lmc"
printf 'large  MP4 of 1 frame %.3f s  (reading and start-up: %s)\n' "$lo" "${large_one[*]}"
python3 - "$wb" "$wm" "$lb" "$lm" "$lo" <<'PY'
import sys
wb, wm, lb, lm, lo = map(float, sys.argv[1:])
print("water  MP4/BMP %.2f  (target at most 1)" % (wm / wb))
print("large  MP4/BMP %.2f  (target at most 1.5)" % (lm / lb))
print("large  MP4     %.0f frames a second, the whole process (target at least 60)" % (100 / lm))
print("large  MP4     %.0f frames a second drawn and encoded, less reading and start-up"
      % (99 / max(lm - lo, 1e-3)))
sys.exit(0 if wm <= wb and lm <= 1.5 * lb and 100 / lm >= 60 else 1)
PY
