#!/usr/bin/env bash
# The real programs' answers to their command lines: help and version print and exit (the
# window program's without a display), unknown options get a usage line and status 2, and a
# trajectory named on the window program's command line that cannot be opened gets the
# program's own message box and the same message on the error stream.
# Arguments: tessaly binary, tessaly-cli binary, examples folder, artefacts folder.
source "$(dirname "$0")/lib/xsession.sh"
x_session "$@"
set -u
tessaly=$1
cli=$2
artefacts=${4:-/tmp/tessaly-artefacts}/help_and_bad_paths
mkdir -p "$artefacts"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# status | stream that must match (out or err) | pattern | the other stream empty? | command
cases=(
    "0|out|^usage: tessaly .*TRAJECTORY|yes|tessaly --help"
    "0|out|^  --version |yes|tessaly -h"
    "0|out|^tessaly [0-9]+\.[0-9]+$|yes|tessaly --version"
    "0|out|^usage: tessaly|yes|tessaly water.xyz --bogus --help"
    "0|out|^tessaly [0-9]|yes|tessaly -platform offscreen --version"
    "2|err|^tessaly: unknown option '--frame'$|no|tessaly --frame 3 water.xyz"
    "2|err|^usage: tessaly |no|tessaly -x"
    "2|err|^tessaly: unknown option '--bogus'$|no|tessaly -style Fusion --bogus"
    "2|err|^usage: tessaly |no|tessaly --bogus"
    "2|err|^tessaly: unknown option '-bogus=1'$|no|tessaly -reverse -platform xcb -bogus=1"
    "2|err|^tessaly: unknown option '--memory lots'$|no|tessaly --memory lots water.xyz"
    "0|out|^  --memory SIZE |yes|tessaly --memory 512M --help"
    "2|err|--memory must be a size|yes|tessaly-cli info --memory 0 water.xyz"
    "0|out|^tessaly-cli [0-9]+\.[0-9]+$|yes|tessaly-cli --version"
    "0|out|render .*BMP, JPEG or PNG|yes|tessaly-cli --help"
    "0|out|\.png|yes|tessaly-cli render --help"
    "2|err|unknown command '--frame'|yes|tessaly-cli --frame"
)
for row in "${cases[@]}"; do
    IFS='|' read -r want stream pattern quiet command <<< "$row"
    read -r -a words <<< "$command"
    program=$tessaly
    [ "${words[0]}" = tessaly-cli ] && program=$cli
    # help, version and a wrong option are answered before a display is looked for
    env_args=(-u DISPLAY -u WAYLAND_DISPLAY)
    status=0
    env "${env_args[@]}" "$program" "${words[@]:1}" > "$artefacts/out" 2> "$artefacts/err" || status=$?
    other=err
    [ "$stream" = err ] && other=out
    [ "$status" = "$want" ] || fail "$command: status $status, not $want"
    grep -Eq -- "$pattern" "$artefacts/$stream" || fail "$command: no line '$pattern' on std$stream"
    if [ "$quiet" = yes ] && [ -s "$artefacts/$other" ]; then
        fail "$command: std$other is not empty: $(head -n 2 "$artefacts/$other")"
    fi
done
[ "$("$tessaly" --version | cut -d' ' -f2)" = "$("$cli" --version | cut -d' ' -f2)" ] \
    || fail "the two programs give different versions"

# A missing file named with a blank and without quotes, as a file manager's %f never does but
# a user typing does.
scratch=$(mktemp -d)
"$tessaly" "$scratch/gone/run" "1.xyz" 2> "$artefacts/bad_path.err" &
pid=$!
trap 'kill $pid 2>/dev/null; rm -rf "$scratch"' EXIT
wanted="tessaly: Can't open XYZ file run 1.xyz"
for _ in $(seq 1 100); do
    grep -qxF "$wanted" "$artefacts/bad_path.err" && break
    sleep 0.1
done
grep -qxF "$wanted" "$artefacts/bad_path.err" \
    || fail "bad path: the error stream says: $(cat "$artefacts/bad_path.err")"
# The visible windows of the program with their titles.
titles() {
    local window
    for window in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        echo "$window $(xdotool getwindowname "$window")"
    done
}
# The message box ("Tessaly") is up over the window, which still has no trajectory.
for _ in $(seq 1 50); do
    titles | grep -q ' Tessaly$' && break
    sleep 0.1
done
import -window root "$artefacts/bad_path_box.png" 2>/dev/null || true
titles | grep -q ' Tessaly$' || fail "bad path: no message box; windows: $(titles)"
titles | grep -q ' Tessaly - Untitled$' || fail "bad path: the window is not 'Tessaly - Untitled'"

[ "$failures" = 0 ] || exit 1
echo "PASS: help, version, unknown options and a bad path answered"
