#!/bin/bash
# The command bars' demonstration (tools/barsdemo) on a virtual X display through the Qt screen, against its
# own render on the headless screen. The render (--render, no display) prints where the form, its bars' windows
# and each button are, and the colour at each button's centre; the desktop run (--bounds) must print the same
# places. Then, with X's own tools:
# - xwininfo -root -tree: the floating toolbar is a top-level window at exactly its printed bounds, and
#   xwininfo -id says it is override-redirect and viewable; no top-level window has the docked toolbar's
#   bounds (it lives inside the form's window);
# - an ImageMagick grab of the screen has, at every printed button centre, the colour the render printed
#   there, and ImageMagick reads the same colour from the render's BMP file;
# - xdotool clicks on the docked buttons (the plain one, the check button, the main part of the drop-down
#   button) and on a floating one each print that command's tag, once.
# The pointer rests on the same spot (bottom right, off every window) in both runs while the pictures are made.
# $1 is the build folder.
# Budget: 90 s
set -u
BUILD=${1:?build folder}
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/lib/xvfb.sh"
source "$HERE/lib/barsdemo_check.sh"
barsdemo_need "$BUILD"
barsdemo_setup
OUT=$BARS_WORK/demo.out

barsdemo_render render
xvfb_start "${BARS_W}x${BARS_H}x24" || exit 1
barsdemo_start
barsdemo_same_places render

# The top-level windows.
read -r fx fy fw fh < <(barsdemo_rect window floating "$OUT")
read -r dx dy dw dh < <(barsdemo_rect window docked "$OUT")
[ -n "${fw:-}" ] && [ "$fw" -gt 0 ] && [ -n "${dw:-}" ] && [ "$dw" -gt 0 ] || barsdemo_fail "no toolbar windows printed"
floating=$(barsdemo_wait_window_at "$fx" "$fy" "$fw" "$fh")
[ -n "$floating" ] ||
    barsdemo_fail "no top-level window at the floating toolbar's ${fw}x$fh+$fx+$fy (top level: $(barsdemo_top_level | tr '\n' '|'))"
barsdemo_override_redirect "$floating" || barsdemo_fail "the floating toolbar's window is not override-redirect"
barsdemo_viewable "$floating" || barsdemo_fail "the floating toolbar's window is not shown"
[ -z "$(barsdemo_window_at "$dx" "$dy" "$dw" "$dh")" ] || barsdemo_fail "a top-level window has the docked toolbar's bounds"
echo "floating toolbar: window $floating at ${fw}x$fh+$fx+$fy, override-redirect; docked toolbar not top-level"

# Pixels: the grab against the render at every button centre.
sleep 0.5
barsdemo_compare_pixels render ""
[ "$BARS_POINTS" -ge 6 ] || barsdemo_fail "the render printed $BARS_POINTS points"
echo "pixels: the grab equals the render at $BARS_POINTS button centres"

# Clicks: each prints its command's tag once. The drop-down button is clicked left of its arrow part.
click() {
    local name=$1 tag=$2 x y w h before after
    read -r x y w h < <(barsdemo_rect button "$name" "$OUT")
    before=$(grep -c "^tag $tag$" "$OUT")
    xdotool mousemove $((x + 8)) $((y + h / 2)) click 1
    for _ in $(seq 30); do
        [ "$(grep -c "^tag $tag$" "$OUT")" -gt "$before" ] && break
        sleep 0.1
    done
    sleep 0.3
    after=$(grep -c "^tag $tag$" "$OUT")
    [ "$after" -eq $((before + 1)) ] || barsdemo_fail "a click on $name printed \"tag $tag\" $((after - before)) times"
    xdotool mousemove "$BARS_PX" "$BARS_PY"
    sleep 0.2
}
click miNew 101
click miLoop 303
click miSave 104
click miFrameInsert 201
echo "clicks: miNew 101, miLoop 303, miSave 104, miFrameInsert 201"
barsdemo_stop
echo "bars toolbar: bounds, top-level windows, pixels and clicks as expected"
