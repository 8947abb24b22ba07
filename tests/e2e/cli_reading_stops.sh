#!/usr/bin/env bash
# How tessaly-cli info reports the end of a reading: the line it stopped at and the line of
# every message (text and JSON, the same on both reading paths), and an input that does not
# fit in memory (an endless device, a pipe) ending as "Not enough memory" with the frames read.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli=$2
examples=$3
artefacts=${4:-/tmp/tessaly-artefacts}/cli_reading_stops
mkdir -p "$artefacts"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# One good frame, then a frame whose second atom line lacks a coordinate (file line 8).
stop=$artefacts/stop.xyz
printf '3\n0.5 1.0 x\nO 0 0 0 0.1 0 0 0 1\nH 1 0 0 0.1 0 0 0 1\nH 0 1 0 0.1 0 0 0 1\n3\n0.5 1.0\nO 0 0\nH 1 0 0\n' > "$stop"
"$cli" info "$stop" > "$artefacts/stop.txt" || fail "info on a file with one good frame exits non-zero"
grep -qx "ended with: format error at line 8" "$artefacts/stop.txt" || fail "the stop has no line: $(cat "$artefacts/stop.txt")"
grep -qx "  line 8: INPUT FILE FORMAT ERROR: Invalid atom XYZ coordinate" "$artefacts/stop.txt" \
    || fail "the message has no line: $(cat "$artefacts/stop.txt")"
for threads in 1 2; do
    "$cli" info "$stop" --json --threads "$threads" > "$artefacts/stop.$threads.json"
done
python3 -c 'import json, sys
v = json.load(open(sys.argv[1]))
sys.exit(0 if v["stopLine"] == 8 and v["messages"][0]["line"] == 8 and v["endedWith"] == "format error" else 1)' \
    "$artefacts/stop.1.json" || fail "JSON without the stop line: $(cat "$artefacts/stop.1.json")"
cmp -s "$artefacts/stop.1.json" "$artefacts/stop.2.json" || fail "the lines differ between 1 and 2 threads"

# Memory is bounded for the run, so the endless input meets a real allocation failure fast.
# AddressSanitizer reserves terabytes of shadow address space at start, which no bounded run
# can hold: the sanitizer build leaves these checks to the normal one.
if ldd "$cli" 2>/dev/null | grep -q libasan; then
    echo "cli_reading_stops: memory-bound checks skipped under AddressSanitizer"
else
    (ulimit -v 500000; "$cli" info /dev/zero > "$artefacts/zero.txt" 2> "$artefacts/zero.err")
    status=$?
    [ "$status" = 1 ] || fail "info /dev/zero exits $status, not 1"
    grep -q "READING FILE ERROR: Not enough memory" "$artefacts/zero.txt" || fail "info /dev/zero does not say it ran out of memory"
    grep -qx "No frames read from file /dev/zero" "$artefacts/zero.err" || fail "info /dev/zero: $(cat "$artefacts/zero.err")"
    if [ -f "$examples/water.xyz" ]; then
        # the bound leaves room for the movie libraries the tool loads and for the frames
        # once the tail no longer fits
        (ulimit -v 800000; { cat "$examples/water.xyz"; head -c 1000000000 /dev/zero; } \
            | "$cli" info /dev/stdin > "$artefacts/pipe.txt" 2> "$artefacts/pipe.err")
        [ $? = 0 ] || fail "the frames before an endless tail are not kept: $(cat "$artefacts/pipe.err")"
        grep -qx "frames: $(grep -c '^ *3 *$' "$examples/water.xyz")" "$artefacts/pipe.txt" || fail "pipe: $(cat "$artefacts/pipe.txt")"
        grep -qx "ended with: out of memory" "$artefacts/pipe.txt" || fail "pipe does not end as out of memory"
        # a plain pipe is cut without the advice meant for a decompressed text
        ! grep -q "decompressed" "$artefacts/pipe.txt" || fail "pipe: $(cat "$artefacts/pipe.txt")"
    fi
fi

# A compressed file whose text passes its share of --memory keeps the frames read and says,
# after "Not enough memory", why and what opens all of it.
packed=$artefacts/long.extxyz.gz
python3 -c 'import sys
sys.stdout.write("".join("1\n%07d 0\nH 1 2 3\n" % i for i in range(60000)))' | gzip -c > "$packed"
"$cli" info --memory 1M "$packed" > "$artefacts/packed.txt" 2> "$artefacts/packed.err"
status=$?
[ "$status" = 0 ] || fail "info --memory 1M on a long .gz exits $status: $(cat "$artefacts/packed.err")"
grep -A1 "READING FILE ERROR: Not enough memory" "$artefacts/packed.txt" \
    | grep -q "READING FILE ERROR: The decompressed text is larger than the memory limit allows (see --memory); decompress the file to disk to open all of it frame by frame" \
    || fail "the cut .gz text is not explained after Not enough memory: $(cat "$artefacts/packed.txt")"
grep -Eqx "ended with: out of memory( at line [0-9]+)?" "$artefacts/packed.txt" \
    || fail "the cut .gz does not end as out of memory"
grep -Eq "^frames: [1-9][0-9]+$" "$artefacts/packed.txt" || fail "the cut .gz keeps no frames"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed; artefacts in $artefacts" >&2
    exit 1
fi
echo "cli_reading_stops: all checks passed"
