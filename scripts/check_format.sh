#!/usr/bin/env bash
# Checks that every C++ source follows .clang-format. In a git checkout the sources are the
# tracked ones; in a tree unpacked from an archive, or where git is not installed, they are
# found on disk, build folders left out.
#
#   scripts/check_format.sh [--list]      (--list only prints the sources checked)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

sources() {
    if command -v git > /dev/null 2>&1 && git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
        git ls-files -- '*.cpp' '*.h'
    else
        find . \( -path './build*' -o -path './.git' \) -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print \
            | sed 's|^\./||' | LC_ALL=C sort
    fi
}

if [ "${1:-}" = --list ]; then
    sources
    exit 0
fi
sources | xargs -r -d '\n' clang-format --dry-run --Werror
