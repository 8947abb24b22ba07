#!/usr/bin/env bash
# Times whole-file trajectory reading as a user meets it: the whole process of
# `tessaly-cli info FILE` against the whole process of the bare single-thread parse
# `bare_parse FILE --double` (../shared/bench/bare_parse.cpp), run by turns on the same inputs.
#
#   scripts/bench_read.sh [--runs N] [--idle SECONDS] [BUILD_FOLDER]
#
# Inputs (generated once with ../shared/bench/gen_xyz.py into $TESSALY_BENCH_DATA, by default
# ${TMPDIR:-/tmp}/tessaly-bench): plain (1,000 frames of 3,000 atoms, name x y z), ext (the same
# with time, energy, charge, impulse and one coefficient), extxyz (ext's values as extended XYZ:
# Properties=species:S:1:pos:R:3:momenta:R:3:charges:R:1 with time, energy and a cell) and many
# (100,000 frames of 18 atoms).
#
# Each input is timed two ways, N times each (default 7), and the median is printed:
#   back to back   every run right after the one before (memory the system just freed is reused)
#   after idle     every run after SECONDS of idleness (default 5), as a user opens a file; a
#                  virtual machine may have handed idle memory back to its host by then
# The time of a run is its elapsed time as /usr/bin/time measures it, from start to exit.
# Targets: plain <= 0.75 x the bare parse, ext <= 0.55 x, extxyz <= 0.75 x, many under 1 s, at most 120 bytes
# resident per atom-frame. Exit status 1 when a target is missed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=7
idle=5
build=$root/build
while [ $# -gt 0 ]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --idle) idle=$2; shift 2 ;;
    *) build=$1; shift ;;
    esac
done
shared=${TESSALY_SHARED:-$root/../shared}/bench
data=${TESSALY_BENCH_DATA:-${TMPDIR:-/tmp}/tessaly-bench}
mkdir -p "$data"

if [ ! -f "$shared/gen_xyz.py" ] || [ ! -f "$shared/bare_parse.cpp" ]; then
    echo "bench_read: $shared/gen_xyz.py and bare_parse.cpp are needed" >&2
    exit 1
fi
if [ ! -x /usr/bin/time ]; then
    echo "bench_read: /usr/bin/time is needed (Debian package time)" >&2
    exit 1
fi
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target tessaly-cli > "$data/build.log" 2>&1 || {
    cat "$data/build.log" >&2
    exit 1
}
cli=$build/app/tessaly-cli
bare=$data/bare_parse
[ "$bare" -nt "$shared/bare_parse.cpp" ] || g++ -O2 -std=c++17 -o "$bare" "$shared/bare_parse.cpp"

generate() { # name, arguments of gen_xyz.py
    local name=$1
    shift
    [ -s "$data/$name.xyz" ] || python3 "$shared/gen_xyz.py" "$@" -o "$data/$name.xyz"
}
generate plain plain
generate ext ext
generate many plain --frames 100000 --atoms 18
# ext's frames rewritten as extended XYZ: the comment carries the pairs, the columns follow
# Properties (the coefficient is left out)
[ -s "$data/extxyz.xyz" ] || awk '
    state == 0 { count = $1; print; state = 1; next }
    state == 1 {
        printf "Properties=species:S:1:pos:R:3:momenta:R:3:charges:R:1 time=%s energy=%s", $1, $2
        printf " Lattice=\"31.0 0.0 0.0 0.0 31.0 0.0 0.0 0.0 31.0\" pbc=\"T T T\"\n"
        state = 2; left = count; next
    }
    { print $1, $2, $3, $4, $6, $7, $8, $5; if (--left == 0) state = 0 }
' "$data/ext.xyz" > "$data/extxyz.xyz"

# Runs a command once under /usr/bin/time; prints "elapsed cpu maxrss_kib".
timed() {
    /usr/bin/time -f '%e %U %S %M' -o "$data/time.out" "$@" > /dev/null 2>&1 || true
    read -r elapsed user system rss < "$data/time.out"
    echo "$elapsed $(python3 -c "print(round($user + $system, 3))") $rss"
}
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

inputs=(plain ext extxyz many)
declare -A target=([plain]=0.75 [ext]=0.55 [extxyz]=0.75)
declare -A atomFrames=([plain]=3000000 [ext]=3000000 [extxyz]=3000000 [many]=1800000)
declare -A results
for name in "${inputs[@]}"; do
    cat "$data/$name.xyz" > /dev/null # the file in the page cache, as after any earlier read
    "$cli" info "$data/$name.xyz" > /dev/null
    "$cli" info "$data/$name.xyz" --threads 1 > "$data/$name.inorder"
    "$cli" info "$data/$name.xyz" > "$data/$name.ahead"
    cmp -s "$data/$name.inorder" "$data/$name.ahead" || {
        echo "bench_read: $name reads differently with --threads 1" >&2
        exit 1
    }
done

echo "bench_read: $runs runs of each, by turns; about $((runs * (5 * idle + 6) / 60 + 1)) minutes"
loadBefore=$(cut -d' ' -f1-3 /proc/loadavg)
for mode in back-to-back after-idle; do
    for ((run = 1; run <= runs; run++)); do
        for name in "${inputs[@]}"; do
            file=$data/$name.xyz
            for who in bare cli; do
                [ "$who" = bare ] && [ "$name" = many ] && continue
                [ "$mode" = after-idle ] && sleep "$idle"
                if [ "$who" = bare ]; then
                    measured=$(timed "$bare" "$file" --double)
                else
                    measured=$(timed "$cli" info "$file")
                fi
                results[$mode,$name,$who]+="$measured;"
            done
        done
    done
done

values() { # mode, name, who, column (1 elapsed, 2 cpu, 3 maxrss): every run's value
    IFS=';' read -r -a entries <<< "${results[$1,$2,$3]}"
    for entry in "${entries[@]}"; do
        [ -n "$entry" ] && cut -d' ' -f"$4" <<< "$entry"
    done
}
field() { # the median of values
    # shellcheck disable=SC2046
    median $(values "$@")
}
spread() { # the smallest and the largest of values
    values "$@" | sort -g | sed -n '1p;$p' | paste -sd- -
}

echo
echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), $(uname -r)"
echo "tessaly: $(git -C "$root" rev-parse --short HEAD 2> /dev/null || echo unknown), build $build"
echo "median of $runs runs, whole process; idle gap ${idle} s; load average before $loadBefore, after $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-6s %-13s %9s %11s %6s %9s %11s %8s %7s %8s %12s\n' input mode tessaly_s range cpu_s bare_s range bare_cpu ratio target bytes/atomfr
missed=0
for name in "${inputs[@]}"; do
    for mode in back-to-back after-idle; do
        ours=$(field "$mode" "$name" cli 1)
        cpu=$(field "$mode" "$name" cli 2)
        rss=$(field "$mode" "$name" cli 3)
        perAtom=$(python3 -c "print(f'{$rss * 1024 / ${atomFrames[$name]}:.1f}')")
        range=$(spread "$mode" "$name" cli 1)
        if [ "$name" = many ]; then
            bare_s=- bare_range=- bare_cpu=- ratio=- goal="< 1 s"
            python3 -c "import sys; sys.exit(0 if $ours < 1.0 else 1)" || missed=1
        else
            bare_s=$(field "$mode" "$name" bare 1)
            bare_range=$(spread "$mode" "$name" bare 1)
            bare_cpu=$(field "$mode" "$name" bare 2)
            ratio=$(python3 -c "print(f'{$ours / $bare_s:.2f}')")
            goal="<= ${target[$name]}"
            python3 -c "import sys; sys.exit(0 if $ratio <= ${target[$name]} else 1)" || missed=1
        fi
        python3 -c "import sys; sys.exit(0 if $perAtom <= 120 else 1)" || missed=1
        printf '%-6s %-13s %9s %11s %6s %9s %11s %8s %7s %8s %12s\n' "$name" "$mode" "$ours" "$range" \
            "$cpu" "$bare_s" "$bare_range" "$bare_cpu" "$ratio" "$goal" "$perAtom"
    done
done
echo "tessaly_s, bare_s: elapsed seconds of the whole process (range: fastest-slowest run);"
echo "cpu_s: user + system seconds;"
echo "ratio: tessaly_s / bare_s; bytes/atomfr: peak resident size over atoms x frames"
[ "$missed" = 0 ] || {
    echo "bench_read: a target was missed" >&2
    exit 1
}
