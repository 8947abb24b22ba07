#!/usr/bin/env bash
# Drives the real program through a real X server (Xvfb, input faked with XTest) on the single
# structure example, which starts spinning: a plain click must stop the spin, a flick (the
# button released while the pointer still moves) must leave it spinning, and a second click
# must stop it again. X delivers the release where the last move was and the moves after it
# without buttons, which is what the spin has to be decided from.
# Arguments: tessaly binary, tessaly-cli binary, examples folder, artefacts folder.
set -euo pipefail
tessaly="$1"
examples="$3"
artefacts="$4"
mkdir -p "$artefacts"

source "$(dirname "$0")/lib/xsession.sh"
x_server "$@"

"$tessaly" "$examples/single.xyz" 2>"$artefacts/gui_flick.log" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

geometry=""
for _ in $(seq 1 100); do
    geometry=$(xwininfo -name "Tessaly - single.xyz" 2>/dev/null || true)
    [ -n "$geometry" ] && break
    sleep 0.1
done
if [ -z "$geometry" ]; then
    echo "FAIL: the main window did not appear"
    cat "$artefacts/gui_flick.log"
    exit 1
fi
left=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
top=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
width=$(sed -n 's/.*Width: *//p' <<<"$geometry")
height=$(sed -n 's/.*Height: *//p' <<<"$geometry")
sleep 1

PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$(dirname "$0")/lib" \
    python3 - "$left" "$top" "$width" "$height" <<'PYTHON'
import sys, time
from xscreen import left_button, move, region

left, top, width, height = (int(v) for v in sys.argv[1:5])

def picture():
    return region(left, top, width, height)

def spinning():
    first = picture()
    time.sleep(0.5)
    return picture() != first

def click(x, y):
    move(x, y)
    time.sleep(0.1)
    left_button(True)
    time.sleep(0.05)
    left_button(False)
    time.sleep(0.4)

cx, cy = left + width // 2, top + height // 2
failures = []
if not spinning():
    failures.append("the single structure does not spin at the start")
click(cx, cy)
if spinning():
    failures.append("a plain click did not stop the spin")
left_button(True)
for step in range(1, 8):
    move(cx + 8 * step, cy)
    time.sleep(0.01)
left_button(False)
for step in range(8, 11):
    move(cx + 8 * step, cy)
    time.sleep(0.01)
time.sleep(0.3)
if not spinning():
    failures.append("a flick did not leave the molecule spinning")
click(cx, cy + 40)
if spinning():
    failures.append("a second plain click did not stop the spin")
for failure in failures:
    print("FAIL: " + failure)
sys.exit(1 if failures else 0)
PYTHON
kill -0 $pid || { echo "FAIL: the program ended early"; exit 1; }
echo "PASS: a click stops the spin and a flick starts it"
