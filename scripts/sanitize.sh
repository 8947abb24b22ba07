#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer (float casts
# that overflow included) in a build folder of its own, without the benchmarks, and runs the
# whole CTest suite there. Any report of a sanitizer fails the test it came from.
#
#   scripts/sanitize.sh [BUILD_FOLDER]      (default build-sanitize beside build)
#
# Leaks that are not the program's own (Qt's libdbus under a real X server) are suppressed by
# tests/sanitizer/lsan.supp.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-${TESSALY_SANITIZE_BUILD_DIR:-$root/build-sanitize}}
# shellcheck source=scripts/compilercache.sh
source "$root/scripts/compilercache.sh"

# -O1 keeps the build and the runs quick while keeping the stack traces readable. Warnings are
# the plain build's business: sanitizer instrumentation can make g++ warn falsely.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DTESSALY_SANITIZE=ON -DTESSALY_BUILD_BENCH=OFF -DTESSALY_WARNINGS_AS_ERRORS=OFF \
    "${compiler_cache[@]}" > /dev/null
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 900
