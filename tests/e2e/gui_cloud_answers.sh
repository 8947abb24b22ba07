#!/usr/bin/env bash
# Drives the real program through a real X server with a window manager on the water example,
# playing with the 3D electron cloud on (chosen in the electrons dialog, switched on with
# Ctrl+E): Ctrl+U must stop the frames within 2 s (the pass in flight may still end), and
# closing the window through the window manager (Alt+F4) while the frames play again must end
# the process within 3 s with status 0.
# Arguments: tessaly binary, tessaly-cli binary, examples folder, artefacts folder.
set -euo pipefail
source "$(dirname "$0")/lib/xsession.sh"
x_session "$@"
tessaly="$1"
examples="$3"
artefacts="$4"
mkdir -p "$artefacts"
log="$artefacts/gui_cloud_answers.log"

# A sanitizer build draws a few times slower: its limits grow by as much. (grep reads all of
# ldd's output: with -q, ldd could die of SIGPIPE and fail the pipe.)
slow=1
if ldd "$tessaly" | grep libasan > /dev/null; then slow=4; fi

"$tessaly" "$examples/water.xyz" 2>"$log" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

window=""
for _ in $(seq 1 100); do
    window=$(xdotool search --name '^Tessaly - water.xyz$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: the main window did not appear"; cat "$log"; exit 1; }
sleep 1
geometry=$(xwininfo -id "$window")
left=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
top=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
width=$(sed -n 's/.*Width: *//p' <<<"$geometry")
height=$(sed -n 's/.*Height: *//p' <<<"$geometry")
# the animation control window's play and pause buttons, at its right end
tools=$(xwininfo -name "Animation control")
buttons_left=$(($(sed -n 's/.*Absolute upper-left X: *//p' <<<"$tools") + $(sed -n 's/.*Width: *//p' <<<"$tools") - 36))
buttons_top=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$tools")

# Electrons... (Ctrl+N), the 3D model, OK; then the electrons switch.
xdotool windowfocus --sync "$window" key --clearmodifiers ctrl+n
dialog=""
for _ in $(seq 1 50); do
    dialog=$(xdotool search --onlyvisible --name '^Electrons visualisation settings' 2>/dev/null \
        | head -n 1 || true)
    [ -n "$dialog" ] && break
    sleep 0.1
done
[ -n "$dialog" ] || { echo "FAIL: the electrons dialog did not open"; exit 1; }
sleep 0.5
dialog_geometry=$(xwininfo -id "$dialog")
dleft=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$dialog_geometry")
dtop=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$dialog_geometry")
# the "3D" button is the second of the drawing model group, at the dialog's top left
xdotool mousemove --sync $((dleft + 30)) $((dtop + 75)) click 1
sleep 0.3
xdotool key --clearmodifiers Return
sleep 0.5
xdotool windowfocus --sync "$window" key --clearmodifiers ctrl+e
sleep 1
import -window root "$artefacts/gui_cloud_answers.png"

PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$(dirname "$0")/lib" /usr/bin/python3 - \
    "$left" "$top" "$width" "$height" "$slow" "$buttons_left" "$buttons_top" <<'PYTHON'
import subprocess, sys, time
from xscreen import region

left, top, width, height, slow, buttons_left, buttons_top = (int(v) for v in sys.argv[1:8])

def picture(status_line=True):
    # the drawing area, with the status line where the busy text and the counter show
    return region(left, top + 30, width, height - (30 if status_line else 60))

def buttons():
    return region(buttons_left, buttons_top, 36, 25)

# the frames play with their clouds: the picture keeps changing
start = time.monotonic()
first = picture()
while picture() == first:
    if time.monotonic() - start > 10 * slow:
        print("FAIL: the frames do not play with the 3D cloud")
        sys.exit(1)
    time.sleep(0.1)

# Ctrl+U shows the pause button pressed at once; after it the frame whose cloud is in flight
# may still be shown, once, and no other frame follows. The view is watched until it has been
# quiet for longer than a pass takes.
playing = buttons()
subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+u"], check=True)
paused = time.monotonic()
shown, changes, changed = picture(False), [], paused
pause_shown = None
while time.monotonic() - changed < 5.0 * slow and time.monotonic() - paused < 120.0:
    time.sleep(0.05)
    if pause_shown is None and buttons() != playing:
        pause_shown = time.monotonic() - paused
    now = picture(False)
    if now != shown:
        shown, changed = now, time.monotonic()
        changes.append(changed - paused)
print(f"pause shown {pause_shown} s after Ctrl+U; the view changed at",
      ", ".join(f"{t:.2f}" for t in changes) or "no time", "s after it")
if pause_shown is None or pause_shown > 2.0 * slow or len(changes) > 1:
    print("FAIL: Ctrl+U did not stop the frames within 2 s")
    sys.exit(1)
PYTHON

# play again, so that a pass is being drawn when the window is closed
xdotool windowfocus --sync "$window" key --clearmodifiers ctrl+p
sleep 1
xdotool windowfocus --sync "$window" key --clearmodifiers alt+F4
closed=$EPOCHREALTIME
for _ in $(seq 1 $((30 * slow))); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
ended=$EPOCHREALTIME
trap - EXIT
if kill -0 $pid 2>/dev/null; then
    kill -9 $pid
    echo "FAIL: closing the window during a pass did not end the program within $((3 * slow)) s"
    exit 1
fi
status=0
wait $pid || status=$?
echo "ended within $(awk "BEGIN { printf \"%.2f\", $ended - $closed }") s after Alt+F4, status $status"
if [ "$status" != 0 ]; then
    echo "FAIL: the program ended with status $status"
    cat "$log"
    exit 1
fi
echo "PASS: the window answers while the 3D cloud plays and closes at once"
