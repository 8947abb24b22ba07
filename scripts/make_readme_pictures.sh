#!/usr/bin/env bash
# Draws the README's pictures from the examples with tessaly-cli render, into docs/. Run it
# after a change to the drawing or the examples and commit the pictures with it.
# Usage: bash scripts/make_readme_pictures.sh [TESSALY-CLI] (default: build/app/tessaly-cli)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cli="${1:-$root/build/app/tessaly-cli}"
examples="$root/examples"
docs="$root/docs"
mkdir -p "$docs"
"$cli" render "$examples/single.xyz" -o "$docs/methanol.png" --size 320x240
"$cli" render "$examples/water.xyz" -o "$docs/water-charges.png" --size 320x240 \
    --frame 25 --color-by charge
"$cli" render "$examples/single.xyz" -o "$docs/methanol-cloud.png" --size 320x240 \
    --electrons 3d
