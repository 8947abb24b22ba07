#!/usr/bin/env bash
# The 3D electron cloud through tessaly-cli: the water example's picture stays what it has
# always been (within one level a channel), and a pair of atoms 50,000 units apart in depth
# renders at the default size in moments rather than hours.
# Arguments: $1 tessaly (unused here), $2 tessaly-cli, $3 examples folder, $4 artefacts folder.
set -u
cli="$2"
water="$3/water.xyz"
artefacts="$4/cli_cloud"
reference="$(cd "$(dirname "${BASH_SOURCE[0]}")/../data" && pwd)/water-cloud-3d.bmp.gz"

if [ ! -f "$water" ] || ! command -v python3 >/dev/null 2>&1; then
    echo "SKIP: $water and python3 are needed"
    exit 0
fi
mkdir -p "$artefacts"
rm -f "$artefacts"/*.bmp

fail() {
    echo "FAIL: $*"
    exit 1
}

# The largest difference of a channel between two BMP pictures (either may be gzipped) below
# their first 40 rows, which hold the time and energy text and so depend on the fonts.
largest_difference() {
    python3 - "$1" "$2" <<'PY'
import gzip, struct, sys
def pixels(path):
    data = open(path, "rb").read()
    if data[:2] == b"\x1f\x8b":
        data = gzip.decompress(data)
    offset = struct.unpack_from("<I", data, 10)[0]
    w, h = struct.unpack_from("<ii", data, 18)
    step = struct.unpack_from("<H", data, 28)[0] // 8
    stride = (w * step + 3) // 4 * 4
    rows = [data[offset + r * stride: offset + r * stride + w * step] for r in range(abs(h))]
    if h > 0:
        rows.reverse()
    return (w, abs(h)), [bytes(b for x in range(w) for b in row[x * step: x * step + 3])
                         for row in rows]
size_a, a = pixels(sys.argv[1])
size_b, b = pixels(sys.argv[2])
if size_a != size_b:
    sys.exit("sizes %s and %s" % (size_a, size_b))
print(max(abs(p - q) for row in range(40, size_a[1]) for p, q in zip(a[row], b[row])))
PY
}

"$cli" render "$water" -o "$artefacts/water.bmp" --electrons 3d || fail "water exited with $?"
difference=$(largest_difference "$artefacts/water.bmp" "$reference") || fail "$difference"
[ "$difference" -le 1 ] || fail "the water cloud changed by $difference levels"

# Without the bound each ray stepped through the whole depth: about 70 CPU-minutes.
printf '2\n\nH 0 0 0\nH 0 0 50000\n' > "$artefacts/pair.xyz"
timeout 120 "$cli" render "$artefacts/pair.xyz" -o "$artefacts/pair.bmp" --electrons 3d \
    2>/dev/null
status=$?
[ "$status" -ne 124 ] || fail "the far pair took more than 120 s"
[ "$status" -eq 0 ] || fail "the far pair exited with $status"
"$cli" render "$artefacts/pair.xyz" -o "$artefacts/atoms.bmp" 2>/dev/null || fail "atoms exited with $?"
difference=$(largest_difference "$artefacts/pair.bmp" "$artefacts/atoms.bmp") || fail "$difference"
[ "$difference" -gt 100 ] || fail "the far pair has no cloud"
echo "PASS"
