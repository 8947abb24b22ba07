#!/usr/bin/env bash
# Under a virtual X server with a window manager, the water example plays with the 3D electron
# cloud on (the electrons dialog's "3D", OK, then Ctrl+E), and real input of the kinds that
# used to end the program with SIGSEGV comes in, each $repeats times: resizing the window,
# opening and closing the Save, Zoom and Open dialogs; then Alt+F4 must end it with status 0.
# Closing with Alt+F4 right after the cloud is switched on is tried on fresh starts as well.
# Arguments: tessaly binary, tessaly-cli binary, examples folder, artefacts folder.
set -euo pipefail
source "$(dirname "$0")/lib/xsession.sh"
x_session "$@"
tessaly="$1"
examples="$3"
artefacts="$4"
mkdir -p "$artefacts"
log="$artefacts/gui_cloud_steady.log"
repeats=${TESSALY_E2E_REPEATS:-20}
starts=${TESSALY_E2E_STARTS:-8}
pid=""
trap '[ -z "$pid" ] || kill $pid 2>/dev/null || true' EXIT

fail() {
    echo "FAIL: $*"
    cat "$log"
    exit 1
}
# The first shown window whose title matches the pattern, waiting up to 5 s; empty if none.
find_window() {
    local found="" _
    for _ in $(seq 1 50); do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        [ -n "$found" ] && break
        sleep 0.1
    done
    echo "$found"
}
alive() { kill -0 "$pid" 2>/dev/null || fail "the program ended (status $(wait "$pid"; echo $?)) $1"; }

# Starts the program on the water example and switches the 3D cloud on; sets pid and window.
start_with_cloud() {
    "$tessaly" "$examples/water.xyz" 2>>"$log" &
    pid=$!
    window=$(find_window '^Tessaly - water.xyz$')
    [ -n "$window" ] || fail "the main window did not appear"
    xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+n
    local dialog
    dialog=$(find_window '^Electrons visualisation settings')
    [ -n "$dialog" ] || fail "the electrons dialog did not open"
    sleep 0.3
    local left top
    left=$(xwininfo -id "$dialog" | sed -n 's/.*Absolute upper-left X: *//p')
    top=$(xwininfo -id "$dialog" | sed -n 's/.*Absolute upper-left Y: *//p')
    # "3D" is the second button of the drawing model group, at the dialog's top left
    # (no --sync: it waits for a motion, and the pointer may already be there from the last run)
    xdotool mousemove $((left + 30)) $((top + 75))
    sleep 0.2
    xdotool click 1
    sleep 0.2
    xdotool key --clearmodifiers Return
    sleep 0.3
    xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+e
}

# Alt+F4 as one chord must end the program within 5 s with status 0.
close_and_check() {
    xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4
    local _ status=0
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid"
        fail "Alt+F4 did not end the program within 5 s ($1)"
    fi
    wait "$pid" || status=$?
    pid=""
    [ "$status" = 0 ] || fail "closing ended the program with status $status ($1)"
}

start_with_cloud
sleep 1
for i in $(seq 1 "$repeats"); do
    xdotool windowsize "$window" $((400 + 13 * i)) $((300 + 11 * (i % 7)))
    sleep 0.15
    alive "while the window was resized ($i)"
done
echo "$repeats resizes by ${SECONDS} s"
for keys in "ctrl+s:^Save frames$" "ctrl+z:^Zoom$" "ctrl+o:."; do
    for i in $(seq 1 "$repeats"); do
        xdotool windowactivate --sync "$window" key --clearmodifiers "${keys%%:*}"
        # the dialog is the shown window of the program that is neither the main window nor
        # the animation control
        dialog=""
        for _ in $(seq 1 50); do
            dialog=$(xdotool search --all --onlyvisible --pid "$pid" --name "${keys#*:}" 2>/dev/null \
                | grep -vx "$window" | while read -r id; do
                    name=$(xdotool getwindowname "$id" 2>/dev/null || true)
                    case "$name" in "Tessaly - "* | "Animation control" | "") ;; *) echo "$id" ;; esac
                done | head -n 1 || true)
            [ -n "$dialog" ] && break
            alive "after ${keys%%:*} ($i)"
            sleep 0.1
        done
        [ -n "$dialog" ] || fail "${keys%%:*} opened no dialog ($i)"
        xdotool key --clearmodifiers Escape
        for _ in $(seq 1 50); do
            xdotool getwindowname "$dialog" > /dev/null 2>&1 || break
            xwininfo -id "$dialog" 2>/dev/null | grep -q IsViewable || break
            sleep 0.1
        done
        alive "when the dialog of ${keys%%:*} closed ($i)"
    done
    echo "${keys%%:*}: $repeats dialogs opened and closed by ${SECONDS} s"
done
close_and_check "after the dialogs"

for i in $(seq 1 "$starts"); do
    start_with_cloud
    sleep 0.$((i % 5))
    close_and_check "fresh start $i"
done
echo "PASS: with the 3D cloud on, resizing, the dialogs and closing end no run abnormally"
