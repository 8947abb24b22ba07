#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the unit and GUI tests
# through CTest, the end-to-end runs, the reader fuzzing (bounded) and the format check.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TESSALY_BUILD_DIR:-$root/build}"

bash "$root/scripts/build.sh"

echo "== format check"
git -C "$root" ls-files -- '*.cpp' '*.h' | (cd "$root" && xargs clang-format --dry-run --Werror)

echo "== reader fuzzing (bounded)"
bash "$root/scripts/fuzz_reader.sh" 60 "$build/fuzz-reader"

echo "== tests"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 600
