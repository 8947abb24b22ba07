#!/usr/bin/env bash
# tessaly-cli render draws the water example into BMP and JPEG pictures without a display,
# and the pictures hold the molecule: pixels other than the black background.
# Arguments: $1 tessaly, $2 tessaly-cli, $3 examples directory, $4 artefacts directory.
set -u
cli="$2"
examples="$3"
artefacts="$4/cli_render"
water="$examples/water.xyz"

if [ ! -f "$water" ]; then
    echo "SKIP: $water is missing"
    exit 0
fi
if ! command -v python3 >/dev/null 2>&1; then
    echo "SKIP: python3 is needed to read the pictures"
    exit 0
fi
mkdir -p "$artefacts"
rm -f "$artefacts"/*.bmp "$artefacts"/*.jpg "$artefacts"/*.JPG "$artefacts"/*.Png "$artefacts"/*.tif

fail() {
    echo "FAIL: $*"
    exit 1
}

# Counts the pixels of a BMP file (24 or 32 bits, bottom-up or top-down) that are not black,
# and checks its size.
count_lit() {
    python3 - "$1" "$2" "$3" <<'PY'
import struct, sys
path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(path, "rb").read()
if data[:2] != b"BM":
    sys.exit("not a BMP file")
offset = struct.unpack_from("<I", data, 10)[0]
w, h = struct.unpack_from("<ii", data, 18)
bits = struct.unpack_from("<H", data, 28)[0]
if (w, abs(h)) != (width, height):
    sys.exit("size %dx%d, expected %dx%d" % (w, abs(h), width, height))
if bits not in (24, 32):
    sys.exit("unexpected %d bits per pixel" % bits)
step = bits // 8
stride = (w * step + 3) // 4 * 4
lit = 0
for row in range(abs(h)):
    line = data[offset + row * stride: offset + row * stride + w * step]
    for x in range(w):
        if any(line[x * step: x * step + 3]):
            lit += 1
print(lit)
PY
}

"$cli" render "$water" -o "$artefacts/water.bmp" || fail "render to BMP exited with $?"
[ -s "$artefacts/water.bmp" ] || fail "no BMP written"
lit=$(count_lit "$artefacts/water.bmp" 481 351) || fail "bad BMP: $lit"
[ "$lit" -gt 500 ] || fail "only $lit lit pixels in the default picture"

"$cli" render "$water" -o "$artefacts/small.bmp" --size 200x150 --labels off --color-by charge \
    --radius-by charge --fit 1 || fail "render with options exited with $?"
lit=$(count_lit "$artefacts/small.bmp" 200 150) || fail "bad BMP: $lit"
[ "$lit" -gt 500 ] || fail "only $lit lit pixels in the fitted picture"

"$cli" render "$water" -o "$artefacts/water.JPG" || fail "render to JPEG exited with $?"
head -c 3 "$artefacts/water.JPG" | od -An -tx1 | grep -q "ff d8 ff" || fail "no JPEG written"

"$cli" render "$water" -o "$artefacts/series.bmp" --all --labels off || fail "series exited with $?"
[ -s "$artefacts/series0.bmp" ] || [ -s "$artefacts/series00.bmp" ] || fail "no numbered series"

"$cli" render "$water" -o "$artefacts/water.Png" || fail "render to PNG exited with $?"
head -c 4 "$artefacts/water.Png" | od -An -tx1 | grep -q "89 50 4e 47" || fail "no PNG written"

"$cli" render "$water" -o "$artefacts/water.tif" 2>"$artefacts/tif.err"
[ $? -eq 2 ] || fail "a TIFF picture was not refused as a wrong command line"
grep -q "unknown extension" "$artefacts/tif.err" || fail "no message for TIFF"
[ ! -e "$artefacts/water.tif" ] || fail "a TIFF file was written"

# A rotated series: ten pictures numbered 00 to 09, the first the unturned view.
"$cli" render "$water" -o "$artefacts/turn.bmp" --rotate 10 --angle 360 --size 160x120 ||
    fail "rotated series exited with $?"
"$cli" render "$water" -o "$artefacts/still.bmp" --size 160x120 || fail "still exited with $?"
for k in 00 05 09; do
    [ -s "$artefacts/turn$k.bmp" ] || fail "picture turn$k.bmp missing"
done
[ ! -e "$artefacts/turn10.bmp" ] || fail "one picture too many"
cmp -s "$artefacts/turn00.bmp" "$artefacts/still.bmp" || fail "the first picture is turned"
! cmp -s "$artefacts/turn05.bmp" "$artefacts/still.bmp" || fail "the series does not turn"
if "$cli" render "$water" -o "$artefacts/bad.bmp" --angle 45 2>/dev/null; then
    fail "--angle without --rotate was accepted"
fi

if "$cli" render "$water" 2>/dev/null; then
    fail "render without a picture name succeeded"
fi

# Electron clouds: the quick and the 3D model light more than the atoms do, and the 3D cloud is
# the same picture on one thread as on every core.
"$cli" render "$water" -o "$artefacts/quick.bmp" --electrons quick || fail "quick cloud exited with $?"
lit=$(count_lit "$artefacts/quick.bmp" 481 351) || fail "bad BMP: $lit"
[ "$lit" -gt 3000 ] || fail "only $lit lit pixels with the quick cloud"
"$cli" render "$water" -o "$artefacts/cloud1.bmp" --electrons 3d --threads 1 \
    || fail "3D cloud on one thread exited with $?"
"$cli" render "$water" -o "$artefacts/cloud0.bmp" --electrons=3d --threads 0 \
    || fail "3D cloud on every core exited with $?"
lit=$(count_lit "$artefacts/cloud0.bmp" 481 351) || fail "bad BMP: $lit"
[ "$lit" -gt 10000 ] || fail "only $lit lit pixels with the 3D cloud"
cmp -s "$artefacts/cloud1.bmp" "$artefacts/cloud0.bmp" || fail "3D cloud differs between threads"
"$cli" render "$water" -o "$artefacts/bad.bmp" --electrons 2d 2>/dev/null
[ $? -eq 2 ] || fail "--electrons 2d was not refused as a wrong command line"
# The picture named last wins, whether named by -o or right after FILE.
for names in "-o first.bmp -o last.bmp" "first.bmp -o last.bmp" "-o first.bmp last.bmp"; do
    rm -f "$artefacts/first.bmp" "$artefacts/last.bmp"
    # shellcheck disable=SC2086 # the names are split on purpose
    (cd "$artefacts" && "$cli" render "$water" $names) || fail "render $names exited with $?"
    [ -f "$artefacts/last.bmp" ] && [ ! -f "$artefacts/first.bmp" ] || fail "render $names"
done
echo "PASS"
