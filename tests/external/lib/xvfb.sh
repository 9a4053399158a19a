# The virtual X display of the checks that need one (sourced by them; CTest runs only the scripts directly in
# tests/external). Every check that shows a window starts its own server through this file, so that checks
# run side by side never share or fight over a display:
#
#     source "$(dirname "$0")/lib/xvfb.sh"
#     xvfb_need                  # skips the check (exit 77) when Xvfb is not installed
#     xvfb_start 800x600x24      # starts a server, waits until it takes clients, exports DISPLAY
#     ... programs that open windows ...
#
# The server picks a free display number itself (-displayfd: it takes the first number whose lock file it can
# create, which is atomic, and writes the number once it accepts connections), so there is no fixed number
# and no guessing from lock files, as "xvfb-run -a" does, where two callers at the same moment can pick the
# same number. The server ends when the check's shell exits; an EXIT trap the check set before keeps running
# after it. Never start Xvfb or xvfb-run any other way in a check.

# xvfb_need: skips the check when the server is not installed.
xvfb_need() {
    command -v Xvfb >/dev/null 2>&1 || { echo "skipped: Xvfb is not installed"; exit 77; }
}

# xvfb_start [WxHxDEPTH]: starts a server with one screen of that size (default 1024x768x24), waits up to
# XVFB_WAIT seconds (default 30: a loaded machine starts it slowly) for it to take clients and exports
# DISPLAY. Returns non-zero, with the server's messages, when it does not come up.
xvfb_start() {
    local geometry=${1:-1024x768x24}
    XVFB_DIR=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-xvfb.XXXXXX") || return 1
    : >"$XVFB_DIR/display"
    Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset \
        3>"$XVFB_DIR/display" >"$XVFB_DIR/server.log" 2>&1 &
    XVFB_PID=$!
    xvfb_chain_exit_trap
    local waited=0 limit=$((${XVFB_WAIT:-30} * 10)) number=""
    while :; do
        # The number is written whole, followed by a newline, once the server listens.
        if [ "$(tail -c 1 "$XVFB_DIR/display" 2>/dev/null | od -An -c | tr -d ' ')" = '\n' ]; then
            number=$(head -n 1 "$XVFB_DIR/display")
            break
        fi
        if ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "Xvfb ended before it took clients:"; cat "$XVFB_DIR/server.log"
            return 1
        fi
        if [ "$waited" -ge "$limit" ]; then
            echo "Xvfb did not report its display within ${XVFB_WAIT:-30} s:"; cat "$XVFB_DIR/server.log"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    export DISPLAY=":$number"
    unset XAUTHORITY
}

# xvfb_stop: ends the server (the EXIT trap calls it; a check may call it earlier).
xvfb_stop() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=""
    fi
    [ -n "${XVFB_DIR:-}" ] && rm -rf "$XVFB_DIR"
    XVFB_DIR=""
}

# Puts xvfb_stop before whatever the EXIT trap already does (the check's own clean-up of its work folder).
xvfb_chain_exit_trap() {
    local previous=""
    eval "set -- $(trap -p EXIT)"
    [ $# -ge 3 ] && previous=$3
    # shellcheck disable=SC2064 # the previous command is fixed now, on purpose
    trap "xvfb_stop${previous:+; $previous}" EXIT
}
