#!/bin/bash
# The command bars' painting, checked against colours worked out without the bar library: build/tools/barsgallery
# draws the bars (menu bar, toolbar buttons in each state, truncated bars, an open menu, a floating bar, a dock
# of two rows, a hint) in the Standard and the Enhanced family and in three colour schemes (the built-in one, a
# white and a black button face); ImageMagick reads its BMP files and bars_painters.py, written from the drawing
# rules alone, derives from each scheme's system colours the fade mix, the embossed pairs, the etched
# separators, the rarely-used band, the end-mark triangle and the check mark's strokes, and compares them at
# the places the gallery printed.
# Then the desktop: build/tools/barsdemo runs under Xvfb through the Qt screen and places its windows and buttons
# where its headless render does; an ImageMagick screenshot of it shows, at the centre of each of its buttons,
# the colour the render has there; and with the pointer resting on a toolbar button (xdotool) an override-redirect
# window turns up about 20 pixels below the pointer within two seconds (xwininfo) and is gone within fifteen.
# $1 is the build folder.
# Budget: 120 s
set -u
BUILD=${1:?build folder}
HERE=$(cd "$(dirname "$0")" && pwd)
GALLERY=$BUILD/tools/barsgallery
DEMO=$BUILD/tools/barsdemo
for tool in convert python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$GALLERY" ] || { echo "missing $GALLERY: build the target tool_barsgallery"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-barspainters.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
fail=0

for style in standard enhanced; do
    for scheme in classic white black; do
        dir=$WORK/$style-$scheme
        mkdir -p "$dir"
        if ! "$GALLERY" "$style" "$scheme" "$dir" >"$dir.txt" 2>"$dir.err"; then
            echo "FAIL: barsgallery $style $scheme"; cat "$dir.err"; fail=1; continue
        fi
        python3 "$HERE/bars_painters.py" "$style" "$dir.txt" "$dir" || fail=1
    done
done

# ---- The desktop
source "$HERE/lib/xvfb.sh"
source "$HERE/lib/barsdemo_check.sh"
desktop_tools_missing=""
for tool in Xvfb xdotool xwininfo import od timeout; do
    command -v "$tool" >/dev/null 2>&1 || desktop_tools_missing="$desktop_tools_missing $tool"
done
if [ -n "$desktop_tools_missing" ]; then
    echo "skipped the desktop part: missing$desktop_tools_missing"
    exit $fail
fi
BARS_DEMO=$DEMO
[ -x "$BARS_DEMO" ] || { echo "missing $BARS_DEMO: build the target tool_barsdemo"; exit 1; }
barsdemo_setup
trap 'barsdemo_stop; rm -rf "$BARS_WORK" "$WORK"' EXIT
export LC_ALL=C.UTF-8
# Both runs in the classic look, so that the render and the desktop draw with the same colours.
export LOOMWICK_THEME=classic

barsdemo_render render --style enhanced
# The render shows a colour at the centre of each of its buttons, and of nothing else.
[ -n "$(grep '^point ' "$BARS_WORK/render.out")" ] &&
    [ "$(awk '$1 == "point" { print $2 }' "$BARS_WORK/render.out" | sort -u)" = \
        "$(awk '$1 == "button" { print $2 }' "$BARS_WORK/render.out" | sort -u)" ] ||
    barsdemo_fail "the render's points are not its buttons' centres"
xvfb_start "${BARS_W}x${BARS_H}x24" || exit 1
barsdemo_start --style enhanced
barsdemo_same_places render
# The screenshot at each button's centre on the desktop has the render's colour at that button's centre.
barsdemo_compare_pixels render ""
echo "desktop and render agree at $BARS_POINTS button centres"

# The hint of the first docked button: the pointer rests on its centre.
read -r name bx by bw bh < <(sed -n 's/^button \([A-Za-z0-9]*\) \([0-9-]*\),\([0-9-]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4 \5/p' \
    "$BARS_WORK/demo.out" | head -n 1)
if [ -n "${name:-}" ]; then
    px=$((bx + bw / 2)) py=$((by + bh / 2))
    xdotool mousemove $((px - 3)) $((py - 3))
    sleep 0.1
    xdotool mousemove "$px" "$py"
    start=$(date +%s%3N)
    # Every mapped override-redirect window: id, left, top.
    popups() {
        xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p' | while read -r id; do
            info=$(xwininfo -id "$id" 2>/dev/null) || continue
            echo "$info" | grep -q 'Override Redirect State: yes' || continue
            echo "$info" | grep -q 'Map State: IsViewable' || continue
            x=$(echo "$info" | sed -n 's/^ *Absolute upper-left X: *\(-*[0-9]*\)/\1/p')
            y=$(echo "$info" | sed -n 's/^ *Absolute upper-left Y: *\(-*[0-9]*\)/\1/p')
            echo "$id $x $y"
        done
    }
    hint=""
    while :; do
        now=$(date +%s%3N)
        hint=$(popups | awk -v py="$py" '{ d = $3 - (py + 20); if (d < 0) d = -d; if (d <= 4) { print; exit } }')
        [ -n "$hint" ] && break
        [ $((now - start)) -gt 2500 ] && break
        sleep 0.1
    done
    echo "hint $px,$py ${hint:-none} after $(($(date +%s%3N) - start)) ms" >"$WORK/hint.out"
    if [ -n "$hint" ]; then
        id=${hint%% *}
        gone=""
        while :; do
            now=$(date +%s%3N)
            if ! barsdemo_viewable "$id"; then
                gone=yes
                break
            fi
            [ $((now - start)) -gt 15000 ] && break
            sleep 0.2
        done
        echo "gone ${gone:-no} after $(($(date +%s%3N) - start)) ms" >>"$WORK/hint.out"
    fi
fi
barsdemo_stop

# The hint: within two seconds about 20 pixels below the pointer, gone within fifteen.
cat "$WORK/hint.out" 2>/dev/null
if ! grep -q '^hint .* 0x' "$WORK/hint.out" 2>/dev/null; then
    echo "FAIL: no override-redirect window about 20 pixels below the resting pointer"; fail=1
else
    after=$(sed -n 's/^hint .* after \([0-9]*\) ms$/\1/p' "$WORK/hint.out")
    [ "${after:-99999}" -le 2000 ] || { echo "FAIL: the hint came after $after ms"; fail=1; }
    grep -q '^gone yes' "$WORK/hint.out" || { echo "FAIL: the hint was still there after 15 s"; fail=1; }
fi
[ "$fail" = 0 ] && echo "ok: bars painters"
exit $fail
