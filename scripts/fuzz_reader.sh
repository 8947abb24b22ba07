#!/usr/bin/env bash
# Builds the trajectory-reader fuzz target with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs it for a bounded time. Uses libFuzzer when clang++ can link it (Debian packages clang
# and libclang-rt-14-dev), otherwise a g++ build whose own driver mutates the seed files.
#
#   scripts/fuzz_reader.sh [SECONDS] [WORK_FOLDER]
#
# Exit status 0 when no input crashed, tripped a sanitizer or made the two reading paths differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
work=${2:-${TMPDIR:-/tmp}/tessaly-fuzz-reader}
mkdir -p "$work/corpus"

# The whole model (it has no Qt), so a reading file split or added is never left out.
sources=("$root"/model/*.cpp "$root/tests/fuzz/fuzz_reader.cpp")
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined,float-cast-overflow
       -fno-sanitize-recover=all -I"$root" -pthread)

# Seeds: every test trajectory, behind a settings prefix of zeros (the layout's defaults) and
# one that switches the settings on.
seeds=()
i=0
for file in "$root"/tests/data/*.* "$root"/tests/data/bad/*.* "$root"/examples/*.*; do
    [ -f "$file" ] || continue
    for prefix in '\x00' '\x01' '\x02' '\xff'; do
        seed="$work/corpus/seed$i"
        { printf "$prefix"; printf '\x00\x03\x00\x02\x05\x06\x09\x03\x01\x02\x02'; head -c 4096 "$file"; } > "$seed"
        seeds+=("$seed")
        i=$((i + 1))
    done
done

if command -v clang++ > /dev/null && echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long){return 0;}' \
        | clang++ -x c++ -fsanitize=fuzzer - -o "$work/probe" 2> /dev/null; then
    clang++ "${flags[@]}" -fsanitize=fuzzer "${sources[@]}" -lz -lzstd -o "$work/fuzz_reader"
    cd "$work"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ./fuzz_reader -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 -max_len=8192 \
        -print_final_stats=1 corpus
else
    echo "clang++ with libFuzzer not found: using the g++ driver"
    g++ "${flags[@]}" -DTESSALY_FUZZ_DRIVER "${sources[@]}" -lz -lzstd -o "$work/fuzz_reader"
    UBSAN_OPTIONS=print_stacktrace=1 "$work/fuzz_reader" -max_total_time="$seconds" "${seeds[@]}"
fi
