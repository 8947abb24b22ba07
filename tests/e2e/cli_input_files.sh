#!/usr/bin/env bash
# tessaly-cli on inputs that are not plain files left alone: a file cut short by another process
# while it is read, and gzip or zstd files, which every command reads as their text.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli=$2
examples=$3
work=${4:-/tmp/tessaly-artefacts}/cli_input_files
rm -rf "$work"
mkdir -p "$work"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

## A file that shrinks while it is read (a simulation starting over): the read ends as a failed
## read does, with its message, instead of the process dying of SIGBUS.
python3 - "$work/run.xyz" <<'PY'
import sys
with open(sys.argv[1], "w") as out:
    for i in range(600000):
        out.write("3\n%d 0\nO 0 0 0 0 0 0 0\nH 1 0 0 0 0 0 0\nH 0 1 0 0 0 0 0\n" % i)
PY
for threads in 1 0; do
    cp "$work/run.xyz" "$work/shrinking.xyz"
    "$cli" info "$work/shrinking.xyz" --threads "$threads" > "$work/shrink$threads.out" 2>&1 &
    pid=$!
    # cut it once the file is mapped: the reading has begun
    until grep -q shrinking.xyz "/proc/$pid/maps" 2> /dev/null || ! kill -0 "$pid" 2> /dev/null; do
        :
    done
    truncate -s 0 "$work/shrinking.xyz"
    wait "$pid"
    status=$?
    if grep -q "^frames: 600000$" "$work/shrink$threads.out"; then
        echo "SKIP: --threads $threads read the whole file before it was cut"
        continue
    fi
    [ "$status" -lt 128 ] || fail "--threads $threads: info died of signal $((status - 128))"
    grep -qx "  READING FILE ERROR: The file changed while it was being read" \
        "$work/shrink$threads.out" && grep -qx "ended with: file changed" "$work/shrink$threads.out" \
        || fail "--threads $threads: $(cat "$work/shrink$threads.out")"
done
rm -f "$work/run.xyz" "$work/shrinking.xyz"

## Compressed files: the same frames, messages and pictures as their text, the layout chosen by
## the extension under the compression suffix.
for name in water.xyz table.prn; do
    cp "$examples/$name" "$work/$name"
    gzip -c "$work/$name" > "$work/$name.gz"
    zstd -q -c "$work/$name" > "$work/$name.ZST"
    "$cli" info "$work/$name" --json | sed 's/"file": .*//' > "$work/$name.json"
    "$cli" convert "$work/$name" "$work/$name.out" > /dev/null
    "$cli" render "$work/$name" -o "$work/$name.bmp"
    for packed in "$name.gz" "$name.ZST"; do
        "$cli" info "$work/$packed" --json | sed 's/"file": .*//' > "$work/$packed.json"
        cmp -s "$work/$name.json" "$work/$packed.json" \
            || fail "info $packed: $(diff "$work/$name.json" "$work/$packed.json")"
        "$cli" convert "$work/$packed" - | cmp -s - "$work/$name.out" || fail "convert $packed"
        "$cli" render "$work/$packed" -o "$work/$packed.bmp" || fail "render $packed exits $?"
        cmp -s "$work/$name.bmp" "$work/$packed.bmp" || fail "render $packed draws otherwise"
    done
done
grep -q '"layout": "table"' "$work/table.prn.gz.json" || fail "table.prn.gz is not read as a table"
head -c 200 "$work/water.xyz.gz" > "$work/cut.xyz.gz"
"$cli" info "$work/cut.xyz.gz" > "$work/cut.out" 2>&1
grep -qx "  READING FILE ERROR: The compressed file is damaged or cut short" "$work/cut.out" \
    || fail "a cut gzip file: $(cat "$work/cut.out")"

## A name that gives no layout (a pipe; .log, .trj or no extension, as xtb and Turbomole
## write) is read by its text, as an .xyz file is: the same frames as under the name .xyz.
printf '3\n energy: -5.07 gnorm: 0.0003\nO 0 0 0\nH 0.76 0.59 0\nH -0.76 0.59 0\n%.0s' 1 2 3 \
    > "$work/plain.xyz"
"$cli" info "$work/plain.xyz" --json | sed 's/"file": .*//' > "$work/plain.xyz.json"
grep -q '"frames": 3' "$work/plain.xyz.json" || fail "plain.xyz: $(cat "$work/plain.xyz.json")"
for name in plain.log plain.trj plain; do
    cp "$work/plain.xyz" "$work/$name"
    "$cli" info "$work/$name" --json | sed 's/"file": .*//' > "$work/$name.json"
    cmp -s "$work/plain.xyz.json" "$work/$name.json" \
        || fail "info $name: $(diff "$work/plain.xyz.json" "$work/$name.json")"
done
for name in plain.xyz water.xyz; do
    gzip -c "$work/$name" | "$cli" info - --json | sed 's/"file": .*//' > "$work/$name.pipe.json"
    cmp -s "$work/$name.json" "$work/$name.pipe.json" \
        || fail "info - from a pipe of $name: $(diff "$work/$name.json" "$work/$name.pipe.json")"
done

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed; artefacts in $work" >&2
    exit 1
fi
echo "cli_input_files: all checks passed"
