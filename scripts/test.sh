#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the unit and GUI tests
# through CTest, the end-to-end runs, the reader fuzzing (bounded), the format check, and the
# whole CTest suite again in a sanitizer build (scripts/sanitize.sh; TESSALY_SKIP_SANITIZE=1
# leaves it out).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TESSALY_BUILD_DIR:-$root/build}"

bash "$root/scripts/build.sh"

echo "== format check"
bash "$root/scripts/check_format.sh"

echo "== reader fuzzing (bounded)"
bash "$root/scripts/fuzz_reader.sh" 60 "$build/fuzz-reader"

echo "== tests"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 600

if [ "${TESSALY_SKIP_SANITIZE:-0}" != 1 ]; then
    echo "== sanitizer build and tests"
    bash "$root/scripts/sanitize.sh" "${build}-sanitize"
fi
