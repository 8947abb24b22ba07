# Sourced by the end-to-end scripts that drive the real window. Use one of these as the
# script's first step:
#
#     source "$(dirname "$0")/lib/xsession.sh"
#     x_session "$@"      # a virtual X server with a window manager (openbox)
#     x_server "$@"       # a bare virtual X server
#
# Each runs the calling script again under the server and exits with its status. Focus,
# stacking and decorations behave differently without a window manager, so scripts about
# them take x_session. The window manager ends with the X server, so the caller's own EXIT
# trap stays its own.

# Starts Xvfb on a display it picks itself (-displayfd: it locks the first free one, so runs
# started together never share one), waits until it takes clients, then runs the script again
# under it. A server that does not answer is replaced, up to three times. -noreset: a server
# resets when its last client leaves, and a client connecting meanwhile (the window manager
# after the first check) is refused.
_x_run_under_server()
{
    local folder server display="" status=0 _
    folder=$(mktemp -d)
    for _ in 1 2 3; do
        : > "$folder/display"
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
            3> "$folder/display" 2> "$folder/xvfb.log" &
        server=$!
        for _ in $(seq 1 100); do
            # the number is written, with its newline, once the server listens
            [ "$(wc -l < "$folder/display")" -ge 1 ] && break
            kill -0 $server 2>/dev/null || break
            sleep 0.1
        done
        display=$(head -n 1 "$folder/display")
        if [ -n "$display" ] && DISPLAY=":$display" xprop -root > /dev/null 2>&1; then
            break
        fi
        kill $server 2>/dev/null || true
        wait $server 2>/dev/null || true
        display=""
    done
    if [ -z "$display" ]; then
        echo "FAIL: no virtual X server would start"
        cat "$folder/xvfb.log"
        rm -rf "$folder"
        exit 1
    fi
    DISPLAY=":$display" bash "$0" "$@" || status=$?
    kill $server 2>/dev/null || true
    wait $server 2>/dev/null || true
    rm -rf "$folder"
    exit $status
}

x_server()
{
    if [ -z "${TESSALY_X_SESSION:-}" ]; then
        export TESSALY_X_SESSION=1
        _x_run_under_server "$@"
    fi
}

x_session()
{
    if [ -z "${TESSALY_X_SESSION:-}" ]; then
        export TESSALY_X_SESSION=1
        _x_run_under_server "$@"
    fi
    openbox >/dev/null 2>&1 &
    local _
    for _ in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    echo "FAIL: the window manager did not start"
    exit 1
}
