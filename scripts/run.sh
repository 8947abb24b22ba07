#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tessaly on the given trajectory
# (the bundled water example when none is given). Without a display it runs
# under a virtual X server.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TESSALY_BUILD_DIR:-$root/build}"

bash "$root/scripts/build.sh" --target tessaly
if [ "$#" -eq 0 ]; then
    set -- "$root/examples/water.xyz"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/app/tessaly" "$@"
fi
exec "$build/app/tessaly" "$@"
