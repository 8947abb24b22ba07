#!/usr/bin/env bash
# tessaly-cli under hostile conditions: outputs that are devices, FIFOs, links or a full disk,
# interrupted writes, absurd ranges and thread counts, file names that are not UTF-8, no
# desktop session, and long picture series.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli=$2
water=$3/water.xyz
work=${4:-/tmp/tessaly-artefacts}/cli_reliability
rm -rf "$work"
mkdir -p "$work"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if [ ! -f "$water" ]; then
    echo "SKIP: $water is missing"
    exit 0
fi

# Memory is bounded where the sanitizers' shadow memory allows it: a run that builds a list of
# two billion frames or starts 100,000 threads then fails instead of swapping.
limited() {
    if ldd "$cli" 2> /dev/null | grep -q libasan; then
        "$@"
    else
        (ulimit -v 2000000 && "$@")
    fi
}

## Writing files
echo old > "$work/target.xyz"
chmod 640 "$work/target.xyz"
ln -s target.xyz "$work/link.xyz"
"$cli" convert "$water" "$work/link.xyz" > /dev/null 2>&1 || fail "convert through a link exits $?"
[ -L "$work/link.xyz" ] || fail "the link was replaced by a file"
grep -q "number of atoms" "$work/target.xyz" || fail "the link's target was not written"
[ "$(stat -c %a "$work/target.xyz")" = 640 ] || fail "the target lost its permissions"

mkfifo "$work/fifo"
cat "$work/fifo" > "$work/from_fifo.xyz" &
reader=$!
"$cli" convert "$water" "$work/fifo" > /dev/null 2>&1 || fail "convert into a FIFO exits $?"
wait "$reader"
[ -p "$work/fifo" ] || fail "the FIFO was replaced by a file"
cmp -s "$work/from_fifo.xyz" "$work/target.xyz" || fail "the FIFO's reader did not get the frames"

if mknod "$work/null" c 1 3 2> /dev/null; then
    "$cli" convert "$water" "$work/null" > /dev/null 2>&1 || fail "convert into a device exits $?"
    [ -c "$work/null" ] || fail "the device node was replaced by a regular file"
else
    echo "SKIP: mknod needs root; /dev/null stands in"
    "$cli" convert "$water" /dev/null > /dev/null 2>&1 || fail "convert into /dev/null exits $?"
    [ -c /dev/null ] || fail "/dev/null is no longer a device"
fi
ls -A "$work" | grep -q '^\.' && fail "temporary files left: $(ls -A "$work" | grep '^\.')"

# A full disk (a file size limit stands in for it, its signal ignored so writes fail with
# EFBIG) leaves the old file whole and no temporary file beside it, for texts and pictures.
for out in full.xyz full.bmp full.jpg; do
    echo old > "$work/$out"
    case $out in
    *.xyz) command=(convert "$water" "$work/$out") ;;
    *) command=(render "$water" -o "$work/$out") ;;
    esac
    (trap '' XFSZ && ulimit -f 2 && "$cli" "${command[@]}") > /dev/null 2> "$work/$out.err"
    [ $? = 1 ] || fail "${command[0]} onto a full disk does not exit 1"
    [ "$(cat "$work/$out")" = old ] || fail "${command[0]} onto a full disk lost the old $out"
    [ -s "$work/$out.err" ] || fail "${command[0]} onto a full disk says nothing"
done
ls -A "$work" | grep -q '^\.' && fail "temporary files left: $(ls -A "$work" | grep '^\.')"
# A file-size limit with its signal at the default action ends the run: the temporary goes, the
# old file stays.
echo old > "$work/limit.xyz"
(ulimit -f 1 && exec "$cli" convert "$water" "$work/limit.xyz") > /dev/null 2>&1
[ $? = $((128 + $(kill -l XFSZ))) ] || fail "convert past a file-size limit did not end by SIGXFSZ"
[ "$(cat "$work/limit.xyz")" = old ] || fail "convert past a file-size limit lost the old file"
ls -A "$work" | grep -q '^\.' && fail "temporary files left: $(ls -A "$work" | grep '^\.')"

# Names up to the 255-byte limit are saved, whatever the length of the hidden temporary's.
for length in 248 251 255; do
    long="$work/$(printf 'n%.0s' $(seq $((length - 4)))).xyz"
    "$cli" convert "$water" "$long" > /dev/null 2>&1 || fail "a $length-byte name is refused"
    grep -q "number of atoms" "$long" 2> /dev/null || fail "the $length-byte name was not written"
    rm -f "$long"
done
ls -A "$work" | grep -q '^\.' && fail "temporary files left: $(ls -A "$work" | grep '^\.')"

# A link to itself and a loop of links are refused as cp refuses them, and stay links.
ln -s self.xyz "$work/self.xyz"
ln -s loop_b.xyz "$work/loop_a.xyz"
ln -s loop_a.xyz "$work/loop_b.xyz"
for link in self.xyz loop_a.xyz; do
    "$cli" convert "$water" "$work/$link" > /dev/null 2> "$work/link.err"
    [ $? = 1 ] || fail "convert onto the looping link $link does not exit 1"
    grep -qx "tessaly-cli convert: Can't save XYZ file $work/$link" "$work/link.err" \
        || fail "looping link $link: $(cat "$work/link.err")"
    [ -L "$work/$link" ] || fail "the looping link $link was replaced by a file"
done

ln -s picture.bmp "$work/picture_link.bmp"
"$cli" render "$water" -o "$work/picture_link.bmp" || fail "render through a link exits $?"
[ -L "$work/picture_link.bmp" ] && [ "$(head -c 2 "$work/picture.bmp")" = BM ] \
    || fail "render through a link did not write the link's target"

# An interrupted convert removes its temporary file and leaves the old OUT alone.
python3 - "$work/big.xyz" <<'PY'
import sys
with open(sys.argv[1], "w") as out:
    for i in range(200000):
        out.write("3\n%d 0\nO 0 0 0\nH 1 0 0\nH 0 1 0\n" % i)
PY
# Every signal whose default action ends the process cleans up, SIGQUIT without a core dump.
# Job control keeps SIGINT and SIGQUIT of the background runs at their default action.
ulimit -c 0
set -m
caught=0
for signal in INT TERM HUP QUIT XFSZ PIPE ALRM USR1; do
    for _ in 1 2 3; do
        echo old > "$work/out.xyz"
        "$cli" convert "$work/big.xyz" "$work/out.xyz" --set readOrbitals=false > /dev/null 2>&1 &
        pid=$!
        while kill -0 "$pid" 2> /dev/null && ! ls -A "$work" | grep -q '^\.out\.xyz\.'; do
            :
        done
        kill -"$signal" "$pid" 2> /dev/null
        wait "$pid"
        status=$?
        [ "$status" -gt 128 ] || continue # finished before the signal: try again
        caught=$((caught + 1))
        ls -A "$work" | grep -q '^\.out\.xyz\.' && fail "SIG$signal left a temporary file"
        [ "$(cat "$work/out.xyz")" = old ] || fail "SIG$signal changed OUT"
        break
    done
done
set +m
[ "$caught" -gt 0 ] || echo "SKIP: every convert finished before its signal"
rm -f "$work/big.xyz" "$work/out.xyz"

## Bounding work by the input
limited "$cli" convert "$water" "$work/range.xyz" --last 2147483647 > /dev/null 2> "$work/range.err"
[ $? = 2 ] || fail "a range past the last frame is not refused with status 2"
grep -q "Invalid options for saving" "$work/range.err" || fail "range message: $(cat "$work/range.err")"
limited "$cli" convert "$water" "$work/range.xyz" --first 2147483647 --count 2147483647 > /dev/null 2>&1
[ $? = 2 ] || fail "a first frame past the last is not refused with status 2"
# Without a cap every thread is started (0.7 GB for 100,000 of them); a memory limit would only
# make their start fail cheaply, so the peak resident memory is measured instead.
peak=$(python3 - "$work/threads.json" "$cli" info "$water" --json --threads 100000 <<'PY'
import resource, subprocess, sys
with open(sys.argv[1], "wb") as out:
    status = subprocess.run(sys.argv[2:], stdout=out).returncode
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024 if status == 0 else -1)
PY
)
[ "$peak" -ge 0 ] || fail "--threads 100000 exits non-zero"
[ "$peak" -lt 300 ] || fail "--threads 100000 took $peak MB"
"$cli" info "$water" --json --threads 1 > "$work/one.json"
cmp -s "$work/threads.json" "$work/one.json" || fail "--threads 100000 reads differently"
"$cli" info --help | grep -q "per core" || fail "the help does not tell the thread cap"

## Output
for command in "info $water" "info $water --json" "convert $water -" "--help"; do
    # shellcheck disable=SC2086 # the command is split on purpose
    "$cli" $command > /dev/full 2> "$work/full.err"
    [ $? = 1 ] || fail "'$command' into a full disk does not exit 1"
    grep -q "cannot write" "$work/full.err" || fail "'$command' into a full disk says nothing"
done

odd="$work/$(printf 'bad\377\376name\300\257.xyz')"
cp "$water" "$odd"
"$cli" info "$odd" --json > "$work/odd.json" || fail "info of a non-UTF-8 name exits $?"
python3 -c 'import json, sys; v = json.load(open(sys.argv[1], encoding="utf-8"))
sys.exit(0 if v["file"].endswith("bad\ufffd\ufffdname\ufffd\ufffd.xyz") else 1)' "$work/odd.json" \
    || fail "info --json of a non-UTF-8 name is not valid JSON with replacement characters"

env -u XDG_RUNTIME_DIR -u DISPLAY -u WAYLAND_DISPLAY "$cli" render "$water" -o "$work/one.bmp" \
    > "$work/render.out" 2> "$work/render.err" || fail "render exits $?"
[ ! -s "$work/render.out" ] && [ ! -s "$work/render.err" ] \
    || fail "render printed more than its pictures: $(cat "$work/render.out" "$work/render.err")"

env -u XDG_RUNTIME_DIR "$cli" render "$water" -o "$work/series.bmp" --all --labels off \
    > "$work/series.out" 2> "$work/series.err" || fail "render --all exits $?"
[ "$(cat "$work/series.out")" = "wrote 50 of 50 pictures, $work/series00.bmp to $work/series49.bmp" ] \
    || fail "render --all closing line: $(cat "$work/series.out")"
[ ! -s "$work/series.err" ] || fail "render --all off a terminal printed: $(cat "$work/series.err")"
# On a terminal the error stream shows the progress.
python3 - "$cli" render "$water" -o "$work/tty.bmp" --all --labels off > "$work/tty.out" <<'PY'
import os, pty, sys
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], sys.argv[1:])
out = b""
while True:
    try:
        data = os.read(fd, 4096)
    except OSError:
        break
    if not data:
        break
    out += data
_, status = os.waitpid(pid, 0)
sys.stdout.write(out.decode(errors="replace"))
sys.exit(os.waitstatus_to_exitcode(status))
PY
[ $? = 0 ] || fail "render --all on a terminal exits non-zero"
grep -q "picture 1 of 50" "$work/tty.out" || fail "render --all shows no progress on a terminal"
grep -q "wrote 50 of 50 pictures" "$work/tty.out" || fail "render --all on a terminal has no closing line"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed; artefacts in $work" >&2
    exit 1
fi
echo "cli_reliability: all checks passed"
