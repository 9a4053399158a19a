#!/bin/bash
# Runs the form demonstration (a window of every standard control read from its layout file) on a virtual X
# display through the Qt screen, grabs the screen with ImageMagick and checks: the event handler the layout
# binds by name ran; the X server shows a window titled with the form's caption of exactly the size and
# place the form reports, with the client size the layout asks for; the window is not blank; and a few
# pixels a person would see: the dialog face between the controls, the yellow ellipse, the progress bar's
# fill, the list view's white and the paint box's red swatch. Then: F1 on the focused name edit makes the demo
# print "help 101" (its control id); focusing an xmessage window (another program) makes it print
# "activateapp 0", a click on the demo "activateapp 1"; dropping its combo box's list (a popup of the
# program, seen white on the screen) prints neither. Then xdotool drags an entry of the colour list (button
# down, moves, button up) onto the frames list: the demo prints "drop" with the entry and its new row, which a
# second grab shows with text where the row was empty; a drag released over the form's face prints
# "enddrag none".
# Last, xdotool clicks the page control's second tab: the demo reports the change and the middle of the
# pages shows the second page's teal where the first page's face was.
# $1 is the build folder. With FORMDEMO_SCREENSHOT=file.png the window's picture is kept there.
# Budget: 180 s
set -u
BUILD=${1:?build folder}
DEMO=$BUILD/tools/formdemo
source "$(dirname "$0")/lib/xvfb.sh"
xvfb_need
for tool in import convert xdotool xmessage timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$DEMO" ] || { echo "missing $DEMO: build the target tool_formdemo"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-formdemo.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

cat >"$WORK/inside.sh" <<'INSIDE'
set -u
DEMO=$1 WORK=$2
"$DEMO" --seconds 40 >"$WORK/demo.out" 2>"$WORK/demo.err" &
pid=$!
for _ in $(seq 100); do
    sleep 0.1
    grep -q '^ready' "$WORK/demo.out" && break
    kill -0 "$pid" 2>/dev/null || break
done
# The screen may show the window a little after the demo is ready: grab until the paint box's red swatch,
# painted last, is there (or give up after a few seconds and let the checks below say what is missing).
read -r cx cy < <(sed -n 's/^client \([0-9]*\),\([0-9]*\) .*/\1 \2/p' "$WORK/demo.out")
for _ in $(seq 30); do
    sleep 0.2
    import -window root "$WORK/screen.png" 2>/dev/null || continue
    [ -n "${cx:-}" ] || break
    swatch=$(convert "$WORK/screen.png" -format "%[pixel:p{$((cx + 540)),$((cy + 30))}]" info:)
    [ "$swatch" = "srgb(255,0,0)" ] && break
done
# The X server's own view of the window titled with the form's caption.
for w in $(xdotool search --onlyvisible --name 'Loomwick form demo'); do
    xdotool getwindowgeometry --shell "$w"
done >"$WORK/windows.txt" 2>&1
# The help key and the program's activation; each step's new output lines go to a file of their own.
lines() { wc -l <"$WORK/demo.out"; }
after() { # from-line pattern file: waits up to 4 s for the pattern among the lines after from-line
    for _ in $(seq 40); do
        tail -n +"$(($1 + 1))" "$WORK/demo.out" | grep -q "$2" && break
        sleep 0.1
    done
    tail -n +"$(($1 + 1))" "$WORK/demo.out" >"$WORK/$3"
}
# Drags with the mouse: "Blue" (the third entry of the colour list at 216,36, rows of 13 pixels) onto the
# empty part of the frames list (8,228 292x120), then "Green" onto the form's face.
drag() { # from X Y, to X Y (client coordinates), then waits for a line of the demo's output
    xdotool mousemove $((cx + $1)) $((cy + $2)) mousedown 1
    sleep 0.3
    xdotool mousemove $((cx + $1)) $((cy + $2 + 12))
    sleep 0.2
    xdotool mousemove $((cx + ($1 + $3) / 2)) $((cy + ($2 + $4) / 2))
    sleep 0.2
    xdotool mousemove $((cx + $3)) $((cy + $4))
    sleep 0.3
    xdotool mouseup 1
    for _ in $(seq 30); do
        sleep 0.1
        grep -q "$5" "$WORK/demo.out" && break
    done
}
if [ -n "${cx:-}" ]; then
    n=$(lines); xdotool key F1; after "$n" '^help' help.out
    xmessage -geometry +600+540 'another program' 2>/dev/null & other=$!
    for _ in $(seq 50); do
        xid=$(xdotool search --onlyvisible --name '^xmessage$' | head -1)
        [ -n "$xid" ] && break
        sleep 0.1
    done
    n=$(lines); [ -n "${xid:-}" ] && xdotool windowfocus "$xid"; after "$n" '^activateapp 0' away.out
    n=$(lines); xdotool mousemove $((cx + 306)) $((cy + 300)) click 1; after "$n" '^activateapp 1' back.out
    n=$(lines); xdotool mousemove $((cx + 139)) $((cy + 118)) click 1; sleep 1
    import -window root "$WORK/dropped.png" 2>/dev/null
    xdotool key Escape; sleep 0.5
    tail -n +"$((n + 1))" "$WORK/demo.out" >"$WORK/combo.out"
    kill "$other" 2>/dev/null
    drag 240 70 150 320 '^drop '
    sleep 0.5
    import -window root "$WORK/dragged.png" 2>/dev/null
    drag 240 57 306 300 '^enddrag '
fi
# Last, as it takes the focus: the page control's second tab, clicked as a person would; grab until the
# second page shows.
read -r tx ty < <(sed -n 's/^tab \([0-9]*\),\([0-9]*\)$/\1 \2/p' "$WORK/demo.out")
read -r px py pw ph < <(sed -n 's/^pages \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/demo.out")
if [ -n "${tx:-}" ] && [ -n "${px:-}" ]; then
    xdotool mousemove "$tx" "$ty" click 1
    for _ in $(seq 30); do
        sleep 0.2
        import -window root "$WORK/pages.png" 2>/dev/null || continue
        middle=$(convert "$WORK/pages.png" -format "%[pixel:p{$((px + pw / 2)),$((py + ph / 2))}]" info:)
        [ "$middle" = "srgb(0,128,128)" ] && break
    done
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
true
INSIDE
xvfb_start 800x600x24 || exit 1
timeout 60 bash "$WORK/inside.sh" "$DEMO" "$WORK"

fail() {
    echo "FAIL: $*"
    echo "--- demo output"; cat "$WORK/demo.out" "$WORK/demo.err" 2>/dev/null
    exit 1
}
grep -q '^ready' "$WORK/demo.out" || fail "the demo did not show its window"
grep -q '^clicked 1$' "$WORK/demo.out" || fail "the button's handler bound in the layout did not run"
[ -f "$WORK/screen.png" ] || fail "no screen grab"

# "window X,Y WxH" and "client X,Y WxH" as four numbers each.
rect() { sed -n "s/^$1 \(-\?[0-9]*\),\(-\?[0-9]*\) \([0-9]*\)x\([0-9]*\)\$/\1 \2 \3 \4/p" "$WORK/demo.out"; }
read -r wx wy ww wh < <(rect window)
read -r cx cy cw ch < <(rect client)
[ -n "${wx:-}" ] && [ -n "${cx:-}" ] || fail "the demo did not report its window"
[ "$cw"x"$ch" = 640x440 ] || fail "the client area is ${cw}x${ch}, the layout asks for 640x440"
# The X window titled with the form's caption has exactly the form's size and place.
geometry=$(sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=//p' "$WORK/windows.txt" | tr '\n' ' ')
[ "$geometry" = "$wx $wy $ww $wh " ] ||
    fail "the X window of the form is at '$geometry', the form reports $wx $wy $ww $wh"

# Not blank: the window holds many colours (text, edges, the picture's ramp, the swatches).
colours=$(convert "$WORK/screen.png" -crop "${ww}x${wh}+${wx}+${wy}" +repage -format %k info:)
[ "$colours" -ge 40 ] || fail "the window shows only $colours colours"

pixel() {
    local p="p{$1,$2}"
    convert "${3:-$WORK/screen.png}" -format "%[fx:int(255*$p.r)],%[fx:int(255*$p.g)],%[fx:int(255*$p.b)]" info:
}
at() { pixel $((cx + $1)) $((cy + $2)); }
face=$(at 306 300)
ellipse=$(at 472 64)
progress=$(at 20 364)
listview=$(at 150 335)
swatch=$(at 540 30)
echo "window ${ww}x${wh} at ${wx},${wy}, $colours colours; face $face ellipse $ellipse progress $progress" \
    "list view $listview swatch $swatch"
[ "$face" = "212,208,200" ] || fail "the face between the controls is $face"
[ "$ellipse" = "255,255,0" ] || fail "the shape's inside is $ellipse, not yellow"
[ "$progress" = "10,36,106" ] || fail "the progress bar's fill is $progress"
[ "$listview" = "255,255,255" ] || fail "the list view's empty part is $listview"
[ "$swatch" = "255,0,0" ] || fail "the paint box's first swatch is $swatch, not red"
grep -qx 'help 101' "$WORK/help.out" 2>/dev/null || fail "F1 on the focused name edit did not print 'help 101'"
grep -qx 'activateapp 0' "$WORK/away.out" 2>/dev/null ||
    fail "focusing another program's window did not print 'activateapp 0'"
grep -qx 'activateapp 1' "$WORK/back.out" 2>/dev/null || fail "a click on the demo did not print 'activateapp 1'"
grep -q 'activateapp 0' "$WORK/back.out" && fail "a click on the demo deactivated it"
[ -f "$WORK/dropped.png" ] || fail "no screen grab with the combo box's list dropped"
list=$(convert "$WORK/dropped.png" -format "%[fx:int(255*p{$((cx + 130)),$((cy + 172))}.r)],%[fx:int(255*p{$((cx + 130)),$((cy + 172))}.g)],%[fx:int(255*p{$((cx + 130)),$((cy + 172))}.b)]" info:)
[ "$list" = "255,255,255" ] || fail "the combo box's dropped list is not on the screen (the pixel is $list)"
grep -q 'activateapp' "$WORK/combo.out" && fail "dropping the combo box's list changed the activation"
echo "help, deactivation and activation as expected; the combo box's list dropped without either"

# The dropped entry: its name and its new row, which shows text now and was empty before the drop.
grep -q '^drop Blue ' "$WORK/demo.out" || fail "the colour dragged onto the frames list was not dropped there"
read -r rx ry rw rh < <(rect 'drop Blue')
[ -n "${rx:-}" ] && [ "${rw:-0}" -gt 0 ] && [ "${rh:-0}" -gt 0 ] || fail "the demo did not report the new row"
[ -f "$WORK/dragged.png" ] || fail "no screen grab after the drop"
dark() { # the share of dark pixels in the new row of a grab
    convert "$1" -crop "${rw}x${rh}+${rx}+${ry}" +repage -colorspace gray -threshold 50% -negate \
        -format '%[fx:mean]' info:
}
before=$(dark "$WORK/screen.png")
shown=$(dark "$WORK/dragged.png")
echo "dropped row ${rw}x${rh} at ${rx},${ry}: dark share $before before the drop, $shown after"
awk -v b="$before" 'BEGIN { exit !(b == 0) }' || fail "the row under the frames was not empty before the drop"
awk -v a="$shown" 'BEGIN { exit !(a > 0.01) }' || fail "the screen does not show the dropped entry in its row"
grep -q '^enddrag none$' "$WORK/demo.out" || fail "a drag released over the form's face did not end without a target"

# The page control: the first page's face in the middle of the pages, then, after the click on the second
# tab, the second page's teal there.
read -r px py pw ph < <(rect pages)
[ -n "${px:-}" ] || fail "the demo did not report its page control"
grep -q '^page Second$' "$WORK/demo.out" || fail "the click on the second tab did not change the page"
[ -f "$WORK/pages.png" ] || fail "no screen grab after the click on the second tab"
first_page=$(pixel $((px + pw / 2)) $((py + ph / 2)))
second_page=$(pixel $((px + pw / 2)) $((py + ph / 2)) "$WORK/pages.png")
echo "pages ${pw}x${ph} at ${px},${py}: first page $first_page, after the click $second_page"
[ "$first_page" = "212,208,200" ] || fail "the first page's middle is $first_page, not the face"
[ "$second_page" = "0,128,128" ] || fail "after the click the pages' middle is $second_page, not the second page's teal"
if [ -n "${FORMDEMO_SCREENSHOT:-}" ]; then
    convert "$WORK/screen.png" -crop "${ww}x${wh}+${wx}+${wy}" +repage "$FORMDEMO_SCREENSHOT"
fi
echo "ok: the form from its layout is on screen"
