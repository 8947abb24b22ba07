#!/usr/bin/env bash
# Installs what is missing and builds everything into build/ (or $TESSALY_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TESSALY_BUILD_DIR:-$root/build}"

bash "$root/scripts/setup.sh"
# shellcheck source=scripts/compilercache.sh
source "$root/scripts/compilercache.sh"
# The project's own builds fail on any warning; a user's plain cmake build does not.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_WARNINGS_AS_ERRORS=ON \
    "${compiler_cache[@]}" >/dev/null
cmake --build "$build" "$@"
