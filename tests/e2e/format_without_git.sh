#!/usr/bin/env bash
# The format check of scripts/test.sh works on a source tree unpacked from an archive (no .git)
# on a machine without git, and checks there the same files as in the checkout.
# Arguments: $1 tessaly, $2 tessaly-cli (both unused), $3 examples folder, $4 artefacts folder.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=${4:-/tmp/tessaly-artefacts}/format_without_git
rm -rf "$work"
mkdir -p "$work/tree" "$work/bin"

if ! command -v clang-format > /dev/null; then
    echo "SKIP: clang-format is not installed"
    exit 0
fi
# an unpacked archive: the sources without .git and without build folders
(cd "$root" && tar --exclude='./.git' --exclude='./build*' -cf - .) | (cd "$work/tree" && tar -xf -)
# git is "not installed": the stub answers as the shell does for a missing command
printf '#!/bin/sh\necho "git: command not found" >&2\nexit 127\n' > "$work/bin/git"
chmod +x "$work/bin/git"

PATH="$work/bin:$PATH" bash "$work/tree/scripts/check_format.sh" --list > "$work/found.txt" \
    || { echo "FAIL: listing the sources without git exits $?"; exit 1; }
if git -C "$root" rev-parse --is-inside-work-tree > /dev/null 2>&1; then
    bash "$root/scripts/check_format.sh" --list > "$work/tracked.txt"
    # files added but not yet committed are found on disk only
    missed=$(comm -23 "$work/tracked.txt" "$work/found.txt")
    [ -z "$missed" ] || { echo "FAIL: tracked sources the search misses: $missed"; exit 1; }
fi
[ "$(wc -l < "$work/found.txt")" -gt 50 ] || { echo "FAIL: only $(wc -l < "$work/found.txt") sources found"; exit 1; }
PATH="$work/bin:$PATH" bash "$work/tree/scripts/check_format.sh" > "$work/check.log" 2>&1 \
    || { echo "FAIL: the format check without git fails:"; head -n 20 "$work/check.log"; exit 1; }
grep -qw git "$root/scripts/setup.sh" || { echo "FAIL: the set-up does not install git"; exit 1; }
echo "PASS: the format check runs without git on $(wc -l < "$work/found.txt") sources"
