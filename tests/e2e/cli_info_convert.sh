#!/usr/bin/env bash
# Runs the real tessaly-cli on the example trajectories: info (text and JSON) and convert, the
# error paths, and the same results from the ordered and the read-ahead reader.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli=$2
examples=$3
artefacts=${4:-/tmp/tessaly-artefacts}/cli_info_convert
mkdir -p "$artefacts"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Field of a JSON object printed by info --json.
json_field() {
    python3 -c 'import json,sys; v=json.load(open(sys.argv[1]))
for k in sys.argv[2].split("."): v=v[k] if not isinstance(v,list) else v[int(k)]
print(v if not isinstance(v,(list,dict)) else json.dumps(v))' "$1" "$2"
}

"$cli" --help > "$artefacts/help.txt" || fail "--help exits non-zero"
grep -q "render" "$artefacts/help.txt" || fail "--help does not mention render"
grep -q -- "--set NAME=VALUE" "$artefacts/help.txt" || fail "--help does not document --set"

missing=0
for name in water.xyz single.xyz table.prn custom.txt; do
    [ -f "$examples/$name" ] || { echo "SKIP: $examples/$name is not there yet"; missing=1; continue; }
    json="$artefacts/$name.json"
    if ! "$cli" info "$examples/$name" --json > "$json" 2> "$artefacts/$name.err"; then
        fail "info $name exits non-zero"
        continue
    fi
    frames=$(json_field "$json" frames)
    [ "$frames" -gt 0 ] || fail "info $name reads no frames"
    [ "$(json_field "$json" messages)" = "[]" ] || fail "info $name shows messages: $(json_field "$json" messages)"
    "$cli" info "$examples/$name" > "$artefacts/$name.txt" || fail "info $name (text) exits non-zero"
    grep -q "^frames: $frames\$" "$artefacts/$name.txt" || fail "info $name text and JSON disagree"
    # The ordered reader and the read-ahead reader agree.
    "$cli" info "$examples/$name" --json --threads 1 > "$artefacts/$name.1.json"
    "$cli" info "$examples/$name" --json --threads 2 > "$artefacts/$name.2.json"
    cmp -s "$artefacts/$name.1.json" "$artefacts/$name.2.json" || fail "info $name differs between 1 and 2 threads"

    out="$artefacts/$name.converted.xyz"
    "$cli" convert "$examples/$name" "$out" > /dev/null 2> "$artefacts/$name.convert.err" || fail "convert $name exits non-zero"
    "$cli" convert "$examples/$name" "$out.1" --threads 1 > /dev/null 2>&1
    cmp -s "$out" "$out.1" || fail "convert $name differs between thread counts"
    "$cli" info "$out" --json > "$artefacts/$name.converted.json" || fail "converted $name does not read back"
    [ "$(json_field "$artefacts/$name.converted.json" frames)" = "$frames" ] || fail "converted $name lost frames"
    [ "$(json_field "$artefacts/$name.converted.json" time)" = "$(json_field "$json" time)" ] || fail "converted $name changed its times"
    [ "$(json_field "$artefacts/$name.converted.json" energy)" = "$(json_field "$json" energy)" ] || fail "converted $name changed its energies"
done

if [ -f "$examples/water.xyz" ]; then
    # Range 1..10 with 4 frames writes frames 1, 4, 7 and 10.
    "$cli" convert "$examples/water.xyz" "$artefacts/four.xyz" --first 1 --last 10 --count 4 > /dev/null 2>&1 \
        || fail "convert with a range exits non-zero"
    got=$(grep -c "//number of atoms" "$artefacts/four.xyz")
    [ "$got" = 4 ] || fail "range 1..10 count 4 wrote $got frames"
    python3 - "$examples/water.xyz" "$artefacts/four.xyz" <<'PY' || fail "range 1..10 count 4 is not frames 1, 4, 7, 10"
import sys
def times(path):
    lines = open(path).read().split("\n")
    out, i = [], 0
    while i < len(lines) and lines[i].strip():
        n = int(lines[i].split()[0]); out.append(float(lines[i + 1].split()[0])); i += n + 2
    return out
a, b = times(sys.argv[1]), times(sys.argv[2])
sys.exit(0 if [a[0], a[3], a[6], a[9]] == b else 1)
PY
    "$cli" convert "$examples/water.xyz" - --first 3 --last 3 > "$artefacts/third.xyz" || fail "convert to standard output fails"
    [ "$(grep -c "//number of atoms" "$artefacts/third.xyz")" = 1 ] || fail "convert to - wrote the wrong frames"
    "$cli" convert "$examples/water.xyz" "$artefacts/bad.xyz" --first 5 --last 4 > /dev/null 2> "$artefacts/range.err"
    [ $? = 2 ] || fail "an empty range is not refused with status 2"
    grep -q "Invalid options for saving" "$artefacts/range.err" || fail "an empty range gives no clear message"
    "$cli" info "$examples/water.xyz" --layout table --json > "$artefacts/wrong_layout.json" 2> /dev/null
    [ $? = 1 ] || fail "reading water.xyz as a table does not fail"
    # The converted file has no coefficient column: the orbital error goes away with --set.
    "$cli" convert "$examples/water.xyz" "$artefacts/plain.xyz" > /dev/null 2>&1
    "$cli" info "$artefacts/plain.xyz" --json > "$artefacts/orbitals.json"
    [ "$(json_field "$artefacts/orbitals.json" messages.0.text)" = "Orbital coeficient invalid or not found" ] \
        || fail "the writer's layout read back does not report the missing coefficients"
    "$cli" info "$artefacts/plain.xyz" --set readOrbitals=false --json > "$artefacts/set.json" \
        || fail "info with --set fails"
    [ "$(json_field "$artefacts/set.json" messages)" = "[]" ] || fail "--set readOrbitals=false is not applied"
fi

# Error paths: one clear line and a non-zero status.
"$cli" info "$artefacts/no such file.xyz" > /dev/null 2> "$artefacts/missing.err"
[ $? = 1 ] || fail "a missing file does not exit 1"
grep -qx "Can't open XYZ file $artefacts/no such file.xyz" "$artefacts/missing.err" || fail "missing file message: $(cat "$artefacts/missing.err")"
: > "$artefacts/empty.xyz"
"$cli" info "$artefacts/empty.xyz" > /dev/null 2> "$artefacts/empty.err"
[ $? = 1 ] || fail "an empty file does not exit 1"
grep -qx "No frames read from file $artefacts/empty.xyz" "$artefacts/empty.err" || fail "empty file message: $(cat "$artefacts/empty.err")"
echo keep > "$artefacts/kept.xyz"
"$cli" convert "$artefacts/empty.xyz" "$artefacts/kept.xyz" > /dev/null 2>&1
[ $? = 1 ] || fail "converting an empty file does not exit 1"
[ "$(cat "$artefacts/kept.xyz")" = keep ] || fail "a failed convert touched OUT"
if [ -f "$examples/single.xyz" ]; then
    "$cli" convert "$examples/single.xyz" "$artefacts/no/such/folder/out.xyz" > /dev/null 2> "$artefacts/folder.err"
    [ $? = 1 ] || fail "writing into a missing folder does not exit 1"
    [ "$(wc -l < "$artefacts/folder.err")" = 1 ] || fail "writing into a missing folder gives more than one line"
fi
"$cli" info > /dev/null 2>&1
[ $? = 2 ] || fail "info without a file does not exit 2"
"$cli" bogus > /dev/null 2>&1
[ $? = 2 ] || fail "an unknown command does not exit 2"
"$cli" info x --set nosuchfield=1 > /dev/null 2> "$artefacts/set.err"
[ $? = 2 ] || fail "an unknown --set field does not exit 2"
[ "$(wc -l < "$artefacts/set.err")" = 1 ] || fail "an unknown --set field gives more than one line"

# Whole numbers print whole, ranges cover the finite values and count the rest, and "-" reads
# standard input (a file and a pipe alike).
printf '1\nnan 5\nH 0 0 0\n1\n20000000 inf\nH 0 0 0\n1\n3 -1.5\nH 0 0 0\n' > "$artefacts/odd.xyz"
"$cli" info - < "$artefacts/odd.xyz" > "$artefacts/odd.txt" || fail "info - < FILE exits $?"
cat "$artefacts/odd.xyz" | "$cli" info - > "$artefacts/odd_pipe.txt" || fail "info - from a pipe exits $?"
for line in "file: -" "time: 3 to 20000000 (1 not finite)" "energy: -1.5 to 5 (1 not finite)"; do
    grep -qxF "$line" "$artefacts/odd.txt" || fail "info - lacks '$line': $(cat "$artefacts/odd.txt")"
done
cmp -s "$artefacts/odd.txt" "$artefacts/odd_pipe.txt" || fail "info - reads a pipe differently"
"$cli" info "$artefacts/odd.xyz" --json > "$artefacts/odd.json"
[ "$(json_field "$artefacts/odd.json" time)" = '{"min": 3, "max": 20000000, "notFinite": 1}' ] \
    || fail "info --json time: $(json_field "$artefacts/odd.json" time)"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed; artefacts in $artefacts" >&2
    exit 1
fi
[ "$missing" = 1 ] && echo "some examples were missing; their checks were skipped"
echo "cli_info_convert: all checks passed"
exit 0
