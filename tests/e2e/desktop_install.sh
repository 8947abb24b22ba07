#!/usr/bin/env bash
# What `cmake --install` puts in place for a desktop, installed into a scratch folder: the
# launcher and the AppStream entry pass their validators, every file lands where desktops look,
# the icons have their sizes, the XYZ type is known by extension and by an atom-count first
# line, and the manual pages render without warnings.
# Arguments: tessaly binary (its folder's parent is the build folder), tessaly-cli binary,
# examples folder, artefacts folder.
set -u
build=$(cd "$(dirname "$1")/.." && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
artefacts=${4:-/tmp/tessaly-artefacts}/desktop_install
mkdir -p "$artefacts"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
id=io.github.tessaly.Tessaly

desktop-file-validate "$source_dir/desktop/$id.desktop" > "$artefacts/desktop-file-validate.txt" 2>&1 \
    || fail "desktop-file-validate: $(cat "$artefacts/desktop-file-validate.txt")"
grep -Eiq '(error|warning):' "$artefacts/desktop-file-validate.txt" \
    && fail "desktop-file-validate warns: $(cat "$artefacts/desktop-file-validate.txt")"
appstreamcli validate --no-net "$source_dir/desktop/$id.metainfo.xml" > "$artefacts/appstreamcli.txt" 2>&1 \
    || fail "appstreamcli validate: $(cat "$artefacts/appstreamcli.txt")"

DESTDIR="$scratch" cmake --install "$build" --prefix /usr > "$artefacts/install.txt" 2>&1 \
    || fail "cmake --install: $(tail -n 3 "$artefacts/install.txt")"
share=$scratch/usr/share
for file in bin/tessaly bin/tessaly-cli "share/applications/$id.desktop" \
    "share/metainfo/$id.metainfo.xml" share/mime/packages/tessaly.xml \
    share/icons/hicolor/scalable/apps/tessaly.svg share/man/man1/tessaly.1.gz \
    share/man/man1/tessaly-cli.1.gz share/doc/tessaly/examples/water.xyz; do
    [ -e "$scratch/usr/$file" ] || fail "not installed: /usr/$file"
done
for size in 16 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/tessaly.png
    file "$png" 2>/dev/null | grep -q "PNG image data, $size x $size," || fail "icon $size: $(file "$png")"
done
[ -x "$scratch/usr/bin/tessaly-cli" ] && "$scratch/usr/bin/tessaly-cli" --version > /dev/null \
    || fail "the installed tessaly-cli does not run"

# The file type, as a file manager sees it once the database is rebuilt from the package entry.
update-mime-database "$share/mime" > "$artefacts/update-mime-database.txt" 2>&1 \
    || fail "update-mime-database: $(cat "$artefacts/update-mime-database.txt")"
printf '3\nwater, no extension\nO 0 0 0\nH 0.96 0 0\nH -0.24 0.93 0\n' > "$scratch/frames"
printf '1234567\r\nseven digits, Windows line ends\n' > "$scratch/big"
printf '12 atoms\nnot a count line\n' > "$scratch/notes"
printf '3.5\na number, not a count\n' > "$scratch/decimal"
cp "$3/water.xyz" "$scratch/WATER.XYZ"
printf 'x\n' > "$scratch/run.extxyz"
while read -r name want; do
    got=$(XDG_DATA_DIRS="$share:/usr/share" gio info -a standard::content-type "$scratch/$name" \
        | sed -n 's/.*standard::content-type: //p')
    [ "$got" = "$want" ] || fail "file type of $name: $got, not $want"
done <<'TYPES'
frames chemical/x-xyz
big chemical/x-xyz
WATER.XYZ chemical/x-xyz
run.extxyz chemical/x-xyz
notes text/plain
decimal text/plain
TYPES

for page in tessaly tessaly-cli; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1.gz" \
        > "$artefacts/$page.txt" 2> "$artefacts/$page.warnings"
    [ -s "$artefacts/$page.warnings" ] && fail "man $page: $(head -n 3 "$artefacts/$page.warnings")"
    grep -q "^SYNOPSIS" "$artefacts/$page.txt" || fail "man $page renders no SYNOPSIS"
done

[ "$failures" = 0 ] || exit 1
echo "PASS: validators, installed files, icon sizes, file type and manual pages"
