#!/usr/bin/env bash
# A user's own build never fails on a warning: a plain configure leaves -Werror out (the
# project's scripts switch it on), and the test sources that g++ 12 warned about falsely at -O3
# compile warning-free there.
# Arguments: $1 tessaly, $2 tessaly-cli (both unused), $3 examples folder, $4 artefacts folder.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=${4:-/tmp/tessaly-artefacts}/build_options
rm -rf "$work"
mkdir -p "$work"

cmake -S "$root" -B "$work/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BUILD_BENCH=OFF \
    > "$work/configure.log" 2>&1 || { echo "FAIL: a plain Release configure fails"; cat "$work/configure.log"; exit 1; }
if grep -q -- "-Werror" "$work/release/compile_commands.json"; then
    echo "FAIL: a plain build treats warnings as errors"
    exit 1
fi

for source in tests/model/test_atomtype.cpp tests/model/test_reader_layouts.cpp \
    tests/model/test_numberparse.cpp; do
    if ! c++ -std=c++20 -O3 -DNDEBUG -Wall -Wextra -Wpedantic -Werror -I"$root" \
            -DTESSALY_TEST_DATA='"x"' -DTESSALY_EXAMPLES='"x"' -c "$root/$source" -o "$work/object.o" \
            2> "$work/compile.log"; then
        echo "FAIL: $source warns at -O3:"
        grep -m 3 "error:" "$work/compile.log"
        exit 1
    fi
done
echo "PASS: plain builds keep warnings as warnings; the -O3 test sources compile clean"
