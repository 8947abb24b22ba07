#!/usr/bin/env bash
# Starts the real program under a virtual X server on the water example, checks the window
# title names the file, checks the picture changes while the frames play, keeps screenshots
# as artefacts, and ends the program through its menu.
# Arguments: tessaly binary, tessaly-cli binary, examples folder, artefacts folder.
set -euo pipefail
tessaly="$1"
examples="$3"
artefacts="$4"
mkdir -p "$artefacts"

source "$(dirname "$0")/lib/xsession.sh"
x_server "$@"

"$tessaly" "$examples/water.xyz" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

# The window shows "Untitled" until the file named on the command line has been read.
title=""
for _ in $(seq 1 100); do
    title=$(xwininfo -root -tree 2>/dev/null | grep -o '"Tessaly - [^"]*"' | head -n 1 || true)
    [ "$title" = '"Tessaly - water.xyz"' ] && break
    sleep 0.1
done
echo "window title: $title"
if [ "$title" != '"Tessaly - water.xyz"' ]; then
    echo "FAIL: expected the title to name water.xyz"
    exit 1
fi

sleep 1
import -window root "$artefacts/gui_start_1.png"
sleep 0.7
import -window root "$artefacts/gui_start_2.png"
if cmp -s "$artefacts/gui_start_1.png" "$artefacts/gui_start_2.png"; then
    echo "FAIL: the picture did not change while the trajectory plays"
    exit 1
fi
kill -0 $pid || { echo "FAIL: the program ended early"; exit 1; }

# The program ends through its own menu, as a user ends it, and must exit with status 0 (a
# sanitizer build checks for leaks then; tests/sanitizer/lsan.supp names Qt's own).
window=$(xdotool search --name '^Tessaly - water.xyz$' | head -n 1)
xdotool windowfocus --sync "$window" key --clearmodifiers alt+f
sleep 0.5
xdotool key --clearmodifiers x
for _ in $(seq 1 200); do
    kill -0 $pid 2> /dev/null || break
    sleep 0.1
done
trap - EXIT
if kill -0 $pid 2> /dev/null; then
    kill $pid
    echo "FAIL: File, Exit did not end the program"
    exit 1
fi
status=0
wait $pid || status=$?
[ "$status" = 0 ] || { echo "FAIL: the program exited with status $status"; exit 1; }
echo "PASS: title names the file, the frames advance and File, Exit ends the program"
