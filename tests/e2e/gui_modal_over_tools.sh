#!/usr/bin/env bash
# Under a virtual X server with a window manager: the water example plays with its
# "Animation control" tool window shown, which stays on top of every other window. While the
# modal "Save frames" dialog is open, no tool window of the program may lie over the dialog
# (it covered the Save button and the file-type box); once the dialog closes, the tool window
# is back where it was.
# Arguments: tessaly binary, tessaly-cli binary, examples folder, artefacts folder.
set -euo pipefail
tessaly="$1"
examples="$3"
artefacts="$4"
mkdir -p "$artefacts"
source "$(dirname "$0")/lib/xsession.sh"
x_session "$@"

"$tessaly" "$examples/water.xyz" 2>"$artefacts/gui_modal_over_tools.log" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

# The ids of the shown windows whose title is exactly $1 (none when there is none).
shown_windows() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
wait_for() {
    local _
    for _ in $(seq 1 100); do
        [ -n "$(shown_windows "$1")" ] && return 0
        sleep 0.1
    done
    echo "FAIL: no window \"$1\" appeared"
    cat "$artefacts/gui_modal_over_tools.log"
    exit 1
}
# x y width height of a window, its frame left out.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}

wait_for "Tessaly - water.xyz"
wait_for "Animation control"
tools=$(shown_windows "Animation control" | head -n 1)
# where the program docks it once the file is read and the window is placed
tools_before=$(geometry "$tools")
for _ in $(seq 1 20); do
    sleep 0.2
    [ "$(geometry "$tools")" = "$tools_before" ] && break
    tools_before=$(geometry "$tools")
done
main=$(shown_windows "Tessaly - water.xyz" | head -n 1)
xdotool windowactivate --sync "$main" key --clearmodifiers ctrl+s
wait_for "Save frames"
sleep 0.5
import -window root "$artefacts/gui_modal_over_tools.png" 2>/dev/null || true
dialog=$(shown_windows "Save frames" | head -n 1)
read -r dx dy dw dh <<<"$(geometry "$dialog")"
failures=0
for window in $(shown_windows "Animation control") $(shown_windows "Details"); do
    read -r tx ty tw th <<<"$(geometry "$window")"
    if [ $((tx < dx + dw && dx < tx + tw && ty < dy + dh && dy < ty + th)) = 1 ]; then
        echo "FAIL: a tool window at $tx,$ty ${tw}x$th lies over the dialog at $dx,$dy ${dw}x$dh"
        failures=1
    fi
done
xdotool windowactivate --sync "$dialog" key --clearmodifiers Escape
for _ in $(seq 1 50); do
    [ -z "$(shown_windows "Save frames")" ] && break
    sleep 0.1
done
wait_for "Animation control"
# the window manager may map it first and the program then dock it: give that a moment
for _ in $(seq 1 50); do
    tools_after=$(geometry "$(shown_windows "Animation control" | head -n 1)")
    [ "$tools_after" = "$tools_before" ] && break
    sleep 0.1
done
if [ "$tools_after" != "$tools_before" ]; then
    echo "FAIL: the tool window came back at $tools_after, not at $tools_before"
    failures=1
fi
kill -0 $pid || { echo "FAIL: the program ended early"; exit 1; }
[ "$failures" = 0 ] || exit 1
echo "PASS: no tool window covers the modal dialog, and it comes back after"
