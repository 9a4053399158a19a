# What the checks that run the command bars' demonstration (tools/barsdemo) share (sourced by them, after
# lib/xvfb.sh):
#
#     source "$(dirname "$0")/lib/xvfb.sh"
#     source "$(dirname "$0")/lib/barsdemo_check.sh"
#     barsdemo_need "$BUILD"            # skips (77) without Xvfb, xdotool, xwininfo or ImageMagick
#     barsdemo_setup                    # work folder $BARS_WORK, fresh configuration folders
#     barsdemo_render render [--menu siFile]   # $BARS_WORK/render.{out,bmp,rgb}, no display needed
#     xvfb_start ${BARS_W}x${BARS_H}x24
#     barsdemo_start [--style enhanced] # the desktop run with --bounds, its output in $BARS_WORK/demo.out
#     barsdemo_same_places render       # the desktop run prints the render's windows and buttons
#     barsdemo_compare_pixels render 'siFile/'   # the screen equals the render at those printed points
#
# The screen is $BARS_W x $BARS_H; the pointer rests at ($BARS_PX, $BARS_PY), off every window, whenever a
# picture is made, in both runs. Every wait is bounded; a failure shows the demo's output.

BARS_W=1024 BARS_H=768 BARS_PX=1020 BARS_PY=760

barsdemo_need() {
    xvfb_need
    local tool
    for tool in xdotool xwininfo import convert od timeout; do
        command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
    done
    BARS_DEMO=$1/tools/barsdemo
    [ -x "$BARS_DEMO" ] || { echo "missing $BARS_DEMO: build the target tool_barsdemo"; exit 1; }
}

barsdemo_setup() {
    BARS_WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-barsdemo.XXXXXX") || exit 1
    BARS_PID=""
    trap 'barsdemo_stop; rm -rf "$BARS_WORK"' EXIT
    export XDG_RUNTIME_DIR=$BARS_WORK/runtime XDG_CONFIG_HOME=$BARS_WORK/config
    mkdir -p -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$XDG_CONFIG_HOME"
}

barsdemo_fail() {
    echo "FAIL: $*"
    local f
    for f in "$BARS_WORK"/*.out "$BARS_WORK"/demo.err; do
        [ -s "$f" ] && { echo "--- $(basename "$f"):"; tail -n 40 "$f"; }
    done
    exit 1
}

# barsdemo_render NAME [OPTIONS...]: the headless render into $BARS_WORK/NAME.out, NAME.bmp and NAME.rgb (raw
# 8-bit RGB as ImageMagick reads the BMP file).
barsdemo_render() {
    local name=$1
    shift
    timeout 60 "$BARS_DEMO" --render "$BARS_WORK/$name.bmp" --screen "${BARS_W}x$BARS_H" \
        --pointer "$BARS_PX,$BARS_PY" "$@" >"$BARS_WORK/$name.out" 2>"$BARS_WORK/$name.err" ||
        barsdemo_fail "the render $name failed: $(tail -n 5 "$BARS_WORK/$name.err")"
    grep -q '^ready$' "$BARS_WORK/$name.out" || barsdemo_fail "the render $name did not finish"
    convert "$BARS_WORK/$name.bmp" -depth 8 "rgb:$BARS_WORK/$name.rgb" ||
        barsdemo_fail "ImageMagick cannot read the render $name"
}

# barsdemo_start [OPTIONS...]: the desktop run (pointer parked first), waiting for its "ready".
barsdemo_start() {
    xdotool mousemove "$BARS_PX" "$BARS_PY"
    "$BARS_DEMO" --bounds --seconds 60 "$@" >"$BARS_WORK/demo.out" 2>"$BARS_WORK/demo.err" &
    BARS_PID=$!
    local _
    for _ in $(seq 200); do
        grep -q '^ready$' "$BARS_WORK/demo.out" && return 0
        kill -0 "$BARS_PID" 2>/dev/null || barsdemo_fail "the demo ended early"
        sleep 0.1
    done
    barsdemo_fail "the demo printed no bounds within 20 s"
}

barsdemo_stop() {
    if [ -n "${BARS_PID:-}" ]; then
        kill "$BARS_PID" 2>/dev/null
        wait "$BARS_PID" 2>/dev/null
        BARS_PID=""
    fi
}

# barsdemo_same_places NAME: the desktop run's window and button lines equal those of the render NAME.
barsdemo_same_places() {
    diff <(grep -E '^(window|button) ' "$BARS_WORK/$1.out") <(grep -E '^(window|button) ' "$BARS_WORK/demo.out") ||
        barsdemo_fail "the desktop run places its windows otherwise than the render"
}

# barsdemo_rect KIND NAME FILE: "X Y W H" of the first line "KIND NAME X,Y WxH" (window, button, menu, entry).
barsdemo_rect() {
    sed -n "s|^$1 $2 \(-\?[0-9]*\),\(-\?[0-9]*\) \([0-9]*\)x\([0-9]*\)$|\1 \2 \3 \4|p" "$3" | head -n 1
}

# barsdemo_wait_line PATTERN [SECONDS]: waits (default 5 s) for a line of the demo's output matching PATTERN.
barsdemo_wait_line() {
    local _
    for _ in $(seq $((${2:-5} * 10))); do
        grep -qE "$1" "$BARS_WORK/demo.out" && return 0
        sleep 0.1
    done
    return 1
}

# barsdemo_top_level: the root's children from "xwininfo -root -tree" (the lines indented by five spaces), as
# "ID WxH X Y".
barsdemo_top_level() {
    xwininfo -root -tree 2>/dev/null |
        sed -n 's/^     \(0x[0-9a-f]*\) .* \([0-9]*x[0-9]*\)+-\?[0-9]*+-\?[0-9]*  +\(-\?[0-9]*\)+\(-\?[0-9]*\)$/\1 \2 \3 \4/p'
}

# barsdemo_window_at X Y W H: the id of the top-level window with exactly those bounds, or nothing.
barsdemo_window_at() {
    barsdemo_top_level | awk -v g="$3x$4" -v x="$1" -v y="$2" '$2 == g && $3 == x && $4 == y { print $1; exit }'
}

# barsdemo_wait_window_at X Y W H: waits (5 s at most) for a viewable top-level window with exactly those
# bounds; prints the id found last (a window not shown yet, or nothing).
barsdemo_wait_window_at() {
    local _ id=""
    for _ in $(seq 50); do
        id=$(barsdemo_window_at "$@")
        [ -n "$id" ] && barsdemo_viewable "$id" && break
        sleep 0.1
    done
    echo "$id"
}

# barsdemo_viewable ID: the window is mapped and visible.
barsdemo_viewable() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# barsdemo_override_redirect ID
barsdemo_override_redirect() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Override Redirect State: yes'
}

# barsdemo_rgb_at FILE.rgb X Y: "R,G,B" of a raw 8-bit RGB picture of the screen's width.
barsdemo_rgb_at() {
    od -An -tu1 -j $((($3 * BARS_W + $2) * 3)) -N 3 "$1" | awk '{ printf "%d,%d,%d", $1, $2, $3 }'
}

# barsdemo_grab: the screen in $BARS_WORK/shot.png and as raw 8-bit RGB in $BARS_WORK/shot.rgb.
barsdemo_grab() {
    import -window root "$BARS_WORK/shot.png" 2>/dev/null || barsdemo_fail "no screen grab"
    convert "$BARS_WORK/shot.png" -depth 8 "rgb:$BARS_WORK/shot.rgb" || barsdemo_fail "ImageMagick cannot convert the grab"
}

# barsdemo_compare_pixels NAME PREFIX: grabs the screen and compares it, at every "point PREFIX..." line of the
# render NAME, with the colour printed there, which must also be the colour of the render's BMP file. A loaded
# machine may show a window before it painted it: the grab is taken again, up to ten times in three seconds,
# until it agrees. Sets BARS_POINTS to the number of points compared.
barsdemo_compare_pixels() {
    local name=$1 prefix=$2 _ point at colour x y grabbed rendered attempt mismatch
    for attempt in $(seq 10); do
        barsdemo_grab
        BARS_POINTS=0
        mismatch=""
        while read -r _ point at colour; do
            case $point in "$prefix"*) ;; *) continue ;; esac
            x=${at%,*} y=${at#*,}
            rendered=$(barsdemo_rgb_at "$BARS_WORK/$name.rgb" "$x" "$y")
            [ "$rendered" = "$colour" ] ||
                barsdemo_fail "the render's BMP has $rendered at $point's centre $at, the demo printed $colour"
            grabbed=$(barsdemo_rgb_at "$BARS_WORK/shot.rgb" "$x" "$y")
            [ "$grabbed" = "$colour" ] || mismatch="the screen has $grabbed at $point's centre $at, the render $colour"
            BARS_POINTS=$((BARS_POINTS + 1))
        done < <(grep '^point ' "$BARS_WORK/$name.out")
        [ -z "$mismatch" ] && return 0
        sleep 0.3
    done
    barsdemo_fail "$mismatch"
}
