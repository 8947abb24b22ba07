#!/usr/bin/env bash
# Under a virtual X server with a window manager, message boxes that long work raises answer
# real input at once: the reading warning "Time not found on specified line", shown while a
# file is being read, closes on Return, on a click on its OK button and on Esc; and the
# "SAVE ERROR" box after a movie that could not be written (a file size limit stands in for
# a full disk) closes on Return. Each time the program must go on, with the box gone.
# Arguments: tessaly binary, tessaly-cli binary, examples folder, artefacts folder.
set -euo pipefail
source "$(dirname "$0")/lib/xsession.sh"
x_session "$@"
tessaly="$1"
artefacts="$4"
mkdir -p "$artefacts"
log="$artefacts/gui_boxes_answer.log"
: > "$log"
work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill $pid 2>/dev/null || true; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    import -window root "$artefacts/gui_boxes_answer.png" 2>/dev/null || true
    cat "$log"
    exit 1
}
# The first shown window of the program with a title matching the pattern, within 10 s.
find_window() {
    local found="" _
    for _ in $(seq 1 100); do
        found=$(xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -n 1 || true)
        [ -n "$found" ] && break
        kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for \"$1\""
        sleep 0.1
    done
    echo "$found"
}
# Waits up to 5 s (a loaded machine is slow, a trapped box never goes) for the window to go;
# fails naming how it was answered.
gone_soon() {
    local _ start=$SECONDS
    for _ in $(seq 1 50); do
        if ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; then
            echo "the box closed on $2 within $((SECONDS - start + 1)) s"
            return 0
        fi
        sleep 0.1
    done
    fail "the box did not close on $2"
}

# a water file in the program's own layout whose comment lines after the first hold no time:
# the reader warns once, early in the read (the first frame's time and energy choose the layout,
# since the extension sets none)
{
    atoms='H 0.757 0.586 0 0.417 0 0 0 1.0\nH -0.757 0.586 0 0.417 0 0 0 1.0\n'
    printf "3\n0.0 -76.4 water\nO 0 0 0 -0.834 0.03 0.01 -0.02 1.0\n$atoms"
    for i in $(seq 1 3000); do
        printf "3\nwater, no time here\nO 0 0 $((i % 7)) -0.834 0.03 0.01 -0.02 1.0\n$atoms"
    done
} > "$work/notime.trj"

for answer in Return click Escape; do
    "$tessaly" "$work/notime.trj" 2>>"$log" &
    pid=$!
    box=$(find_window '^INPUT FILE FORMAT WARNING$')
    [ -n "$box" ] || fail "no reading warning was shown"
    sleep 0.5
    xwininfo -id "$box" | grep -q IsViewable || fail "the warning is not shown"
    if [ "$answer" = click ]; then
        geometry=$(xwininfo -id "$box")
        left=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
        top=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
        width=$(sed -n 's/.*Width: *//p' <<<"$geometry")
        height=$(sed -n 's/.*Height: *//p' <<<"$geometry")
        # the one button, OK, sits in the bottom right corner
        xdotool mousemove --sync $((left + width - 50)) $((top + height - 25)) click 1
    else
        xdotool windowactivate --sync "$box" key --clearmodifiers "$answer"
    fi
    gone_soon "$box" "$answer"
    main=$(find_window '^Tessaly - notime.trj$')
    [ -n "$main" ] || fail "the main window is gone after $answer"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
done

# A movie larger than the file size limit fails; the error box must answer Return.
(
    trap '' XFSZ
    ulimit -f 64
    exec "$tessaly" "$3/water.xyz" 2>>"$log"
) &
pid=$!
main=$(find_window '^Tessaly - water.xyz$')
[ -n "$main" ] || fail "the main window did not appear"
xdotool windowactivate --sync "$main" key --clearmodifiers ctrl+s
dialog=$(find_window '^Save frames$')
[ -n "$dialog" ] || fail "the save dialog did not open"
sleep 0.5
xdotool windowactivate --sync "$dialog" type --delay 20 "$work/movie.gif"
xdotool key --clearmodifiers Return
box=$(find_window '^SAVE ERROR$')
[ -n "$box" ] || fail "no save error was shown"
sleep 0.5
xdotool windowactivate --sync "$box" key --clearmodifiers Return
gone_soon "$box" "Return after the failed movie"
kill -0 "$pid" 2>/dev/null || fail "the program ended after the save error"
echo "PASS: the reading warning and the save error answer Return, a click and Esc at once"
