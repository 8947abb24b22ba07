# Sourced by the end-to-end scripts that drive the real window: runs the calling script again
# under a virtual X server with a window manager (openbox), because focus, stacking and
# decorations behave differently without one. Use as the script's first step:
#
#     source "$(dirname "$0")/lib/xsession.sh"
#     x_session "$@"
#
# The window manager ends with the X server, so the caller's own EXIT trap stays its own.
x_session()
{
    if [ -z "${TESSALY_X_SESSION:-}" ]; then
        export TESSALY_X_SESSION=1
        exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
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
