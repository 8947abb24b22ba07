#!/usr/bin/env bash
# A file that cannot be replaced through a temporary file beside it (no free inode, a folder
# the user may not write to) is rewritten in place, and whatever goes wrong there, a full disk
# or SIGTERM in the middle of a movie, it holds its old bytes afterwards; the message says so
# only when it is true.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli="$2"
examples="$3"
work="${4:-/tmp/tessaly-artefacts}/cli_save_in_place"
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
mounts=()
cleanup() {
    local point
    for point in "${mounts[@]}"; do umount "$point" 2>/dev/null; done
}
trap cleanup EXIT

# A tmpfs of the given size whose only free inode holds a copy of the given file as NAME.
full_of_inodes() { # folder, size, file, name
    mkdir -p "$1"
    mount -t tmpfs -o "size=$2,nr_inodes=2" tessaly-test "$1" 2>/dev/null || return 1
    mounts+=("$1")
    cp "$3" "$1/$4"
}
if ! full_of_inodes "$work/disk" 64k "$examples/single.xyz" old.xyz; then
    echo "SKIP: mounting a tmpfs is not permitted here"
    exit 77
fi

## A full disk: the convert fails, says the file is unchanged, and it is.
for _ in $(seq 20); do cat "$examples/water.xyz"; done > "$work/big.xyz"
"$cli" convert "$work/big.xyz" "$work/disk/old.xyz" > "$work/full.out" 2>&1
status=$?
[ "$status" = 1 ] || fail "a convert onto a full disk exits $status"
grep -q "Disk full? (.*old.xyz left unchanged)" "$work/full.out" || fail "full disk: $(cat "$work/full.out")"
cmp "$examples/single.xyz" "$work/disk/old.xyz" || fail "the full disk changed old.xyz"
# with room, the same file is rewritten in place after all
"$cli" convert "$examples/water.xyz" "$work/water.out" > /dev/null
"$cli" convert "$examples/water.xyz" "$work/disk/old.xyz" > /dev/null || fail "the in-place convert exits $?"
cmp "$work/water.out" "$work/disk/old.xyz" || fail "the in-place convert wrote otherwise"

## SIGTERM while a movie is written in place: the old GIF comes back byte for byte.
"$cli" render "$examples/water.xyz" -o "$work/old.gif" --first 1 --last 3 > /dev/null
full_of_inodes "$work/movie" 64m "$work/old.gif" old.gif || fail "second tmpfs"
size=$(stat -c %s "$work/old.gif")
"$cli" render "$examples/water.xyz" -o "$work/movie/old.gif" --rotate 1000 --size 640x480 \
    > /dev/null 2>&1 &
pid=$!
for _ in $(seq 300); do
    [ "$(stat -c %s "$work/movie/old.gif")" -gt "$size" ] && break
    sleep 0.05
done
[ "$(stat -c %s "$work/movie/old.gif")" -gt "$size" ] || fail "the movie never grew past the old one"
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" = 143 ] || fail "the terminated movie exits $status, not by SIGTERM"
cmp "$work/old.gif" "$work/movie/old.gif" || fail "SIGTERM left the GIF changed"

## Another user's own file in a folder only root may write to.
folder="$work/theirs"
mkdir -p "$folder"
chmod 755 "$folder"
cp "$examples/single.xyz" "$folder/own.xyz"
chown 65534:65534 "$folder/own.xyz"
if [ "$(id -u)" = 0 ] && setpriv --reuid=65534 --regid=65534 --clear-groups test -r "$folder/own.xyz"; then
    setpriv --reuid=65534 --regid=65534 --clear-groups "$cli" convert "$examples/water.xyz" \
        "$folder/own.xyz" > "$work/nobody.out" 2>&1 || fail "nobody's convert: $(cat "$work/nobody.out")"
    cmp "$work/water.out" "$folder/own.xyz" || fail "nobody's convert wrote otherwise"
    [ "$(stat -c %U "$folder/own.xyz")" = nobody ] || fail "the file changed its owner"
    [ "$(ls -A "$folder")" = own.xyz ] || fail "left behind: $(ls -A "$folder")"
else
    echo "note: the other user's save is not tried (not root, or $folder is out of reach)"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed; artefacts in $work" >&2
    exit 1
fi
echo "cli_save_in_place: all checks passed"
