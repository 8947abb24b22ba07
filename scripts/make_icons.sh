#!/usr/bin/env bash
# Writes the launcher icon's PNG sizes from desktop/icons/tessaly.svg (rsvg-convert, from
# librsvg2-bin, which scripts/setup.sh installs). Run it after changing the SVG and commit
# the PNGs with it: the build and the package only copy them.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
icons="$root/desktop/icons"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" -o "$icons/tessaly-$size.png" "$icons/tessaly.svg"
done
