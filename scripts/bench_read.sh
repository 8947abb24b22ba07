#!/usr/bin/env bash
# Measures whole-file trajectory loads through the same code the window uses, beside the bare
# single-thread parsing pass over the same bytes.
#
#   scripts/bench_read.sh [BUILD_FOLDER] [DATA_FOLDER]
#
# Generates (once) with ../shared/bench/gen_xyz.py: plain (1,000 frames of 3,000 atoms, name x y z),
# ext (the same with time, energy, charge, impulse and one coefficient) and many (100,000 frames of
# 18 atoms). Builds bench_read in BUILD_FOLDER (default build) and ../shared/bench/bare_parse.cpp
# with -O2, then prints for each input: seconds, MB/s, atom-frames per second, resident bytes per
# atom-frame, and the ratio of the load time to the bare pass.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
data=${2:-$build/bench-data}
shared=$root/../shared/bench
mkdir -p "$data"

if [ ! -f "$shared/gen_xyz.py" ] || [ ! -f "$shared/bare_parse.cpp" ]; then
    echo "bench_read: $shared/gen_xyz.py and bare_parse.cpp are needed" >&2
    exit 1
fi
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
ninja -C "$build" -j2 bench_read > /dev/null 2>&1
bench=$(find "$build" -name bench_read -type f -perm -u+x | head -n 1)
g++ -O2 -std=c++17 -o "$data/bare_parse" "$shared/bare_parse.cpp"

generate() { # name, arguments of gen_xyz.py
    local name=$1
    shift
    [ -s "$data/$name.xyz" ] || python3 "$shared/gen_xyz.py" "$@" -o "$data/$name.xyz"
}
generate plain plain
generate ext ext
generate many plain --frames 100000 --atoms 18

field() { # key, line of key=value pairs
    tr ' ' '\n' <<< "$2" | sed -n "s/^$1=//p"
}

printf '%-6s %9s %9s %14s %17s %9s %9s %7s %9s\n' input seconds MB/s atom-frames/s bytes/atom-frame cpu_s bare_s ratio floor_s
for name in plain ext many; do
    file="$data/$name.xyz"
    cat "$file" > /dev/null # warm page cache
    bare=$("$data/bare_parse" "$file" | tail -n 1)
    ours=$("$bench" "$file" --repeat 3 2> /dev/null)
    bare_s=$(field total_s "$bare")
    seconds=$(field seconds "$ours")
    printf '%-6s %9s %9s %14s %17s %9s %9s %7.2f %9s\n' "$name" "$seconds" "$(field MBps "$ours")" \
        "$(field atom_frames_per_s "$ours")" "$(field resident_bytes_per_atom_frame "$ours")" \
        "$(field cpu_s "$ours")" "$bare_s" "$(python3 -c "print($seconds / $bare_s)")" \
        "$(field fresh_memory_floor_s "$ours")"
done
echo "cpu_s: processor time of the load (all threads); ratio: load time over the bare pass;"
echo "floor_s: time to first write fresh memory of the loaded atoms' size (a lower bound on"
echo "this machine for any reader that keeps them)"
