#!/bin/bash
# The Qt screen's windows under a real window manager (openbox) on a virtual X display, driven by wmctrl and
# xdotool as a desktop's title bars and taskbars drive them. The form demonstration shows a window the window
# manager frames (its _MOTIF_WM_HINTS do not turn the decorations off, and it reports frame extents); moving,
# resizing, maximising and restoring it with wmctrl makes the demo report the new client rectangle; a combo
# box's drop-down list stays an unframed window the window manager does not manage, above the form, also when
# the window manager raises the form; the OK button's modal dialog is transient for the form, modal to the
# desktop and centred on the form; activating the program's second window or another program's window
# deactivates the form and activating the form again activates it, its focus back in the control that had it;
# and the window manager's close request (wmctrl -c) ends the demo with status 0. A panel's strut takes the
# top 40 rows from the work area: the demo, which places itself at 0,0, goes there with its frame inside the
# work area, and reports where it went. The application's icon (an icon file made here) reaches the desktop as
# the form's and the dialog's _NET_WM_ICON, with the pixels the file holds. With LOOMWICK_OWN_FRAMES=1 the
# window keeps its own frame (no decorations).
# $1 is the build folder.
# Budget: 120 s
set -u
BUILD=${1:?build folder}
DEMO=$BUILD/tools/formdemo
source "$(dirname "$0")/lib/xvfb.sh"
xvfb_need
for tool in openbox wmctrl xdotool xprop xwininfo xmessage timeout python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$DEMO" ] || { echo "missing $DEMO: build the target tool_formdemo"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-qt-wm.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR=$WORK/runtime XDG_CONFIG_HOME=$WORK/config HOME=$WORK
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
# Qt talks to D-Bus under a window manager, whose library keeps a block for the life of the process.
printf 'leak:libdbus-1.so\n' >"$WORK/lsan.supp"
export LSAN_OPTIONS="suppressions=$WORK/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# A 32 x 32 icon of 32-bit pixels: at column x and row y (top row 0) red 8x, green 8y, blue 0x40, opaque,
# except the top-left pixel, which its alpha and mask make transparent.
python3 - "$WORK/demo.ico" <<'ICON'
import struct, sys
rows = b""
for y in range(31, -1, -1):  # bottom row first
    for x in range(32):
        rows += bytes([0x40, 8 * y, 8 * x, 0 if (x, y) == (0, 0) else 255])
mask = b"".join((b"\x80\0\0\0" if y == 0 else b"\0\0\0\0") for y in range(31, -1, -1))
image = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, 0, 0, 0, 0, 0) + rows + mask
header = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 0, 0, 1, 32, len(image), 22)
open(sys.argv[1], "wb").write(header + image)
ICON

cat >"$WORK/inside.sh" <<'INSIDE'
set -u
DEMO=$1 WORK=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Waits up to 5 s for a line matching the pattern among the demo's lines after line $1.
after() {
    for _ in $(seq 50); do
        tail -n +"$(($1 + 1))" "$WORK/demo.out" | grep -q "$2" && return 0
        sleep 0.1
    done
    return 1
}
lines() { wc -l <"$WORK/demo.out"; }
# The window's _NET_WM_ICON as numbers: width, height, then its pixels (0xAARRGGBB) row by row.
icon_of() { xprop -id "$1" -notype -f _NET_WM_ICON 32c ' = $0+\n' _NET_WM_ICON | sed -n 's/^_NET_WM_ICON = //p' | tr -d ' '; }
# Checks the icon of window $1 (named $2) against the icon file: 32 x 32, the pixel at column 5, row 3, and
# the transparent top-left one.
check_icon() {
    local values
    IFS=, read -r -a values <<<"$(icon_of "$1")"
    if [ "${#values[@]}" -lt $((2 + 32 * 32)) ] || [ "${values[0]}" != 32 ] || [ "${values[1]}" != 32 ]; then
        fail "$2 has no 32 x 32 icon: _NET_WM_ICON '$(icon_of "$1" | cut -c1-60)'"
        return
    fi
    local want=$(((0xFF << 24) | (40 << 16) | (24 << 8) | 0x40))
    [ "${values[2 + 3 * 32 + 5]}" = "$want" ] || fail "$2's icon pixel (5,3) is ${values[2 + 3 * 32 + 5]}, not $want"
    [ $((values[2] >> 24)) = 0 ] || fail "$2's icon pixel (0,0) is not transparent: ${values[2]}"
}
# The X window (the client, not the window manager's frame) titled exactly $1.
client_of() {
    for _ in $(seq 50); do
        local id
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
for _ in $(seq 50); do
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.1
done
wmctrl -m >/dev/null 2>&1 || { echo "FAIL: openbox did not start"; cat "$WORK/openbox.log"; exit 1; }

# A panel: a window whose strut keeps the top 40 rows of the screen for itself.
xmessage -geometry +700+650 'a panel' 2>/dev/null &
panel_pid=$!
panel=$(client_of xmessage) || { echo "FAIL: xmessage did not appear"; exit 1; }
xprop -id "$panel" -f _NET_WM_STRUT 32c -set _NET_WM_STRUT "0, 0, 40, 0"
for _ in $(seq 50); do
    xprop -root _NET_WORKAREA | grep -q '= 0, 40, 1024, 728' && break
    sleep 0.1
done
xprop -root _NET_WORKAREA | grep -q '= 0, 40, 1024, 728' ||
    { echo "FAIL: the panel's strut gave the work area $(xprop -root _NET_WORKAREA)"; exit 1; }

"$DEMO" --seconds 60 --sizable --icon "$WORK/demo.ico" --at 0,0 --second >"$WORK/demo.out" 2>"$WORK/demo.err" &
pid=$!
for _ in $(seq 100); do
    sleep 0.1
    grep -q '^ready' "$WORK/demo.out" && break
    kill -0 "$pid" 2>/dev/null || break
done
grep -q '^ready' "$WORK/demo.out" || { echo "FAIL: the demo did not start"; cat "$WORK/demo.err"; exit 1; }
form=$(client_of 'Loomwick form demo') || { echo "FAIL: no window titled 'Loomwick form demo'"; exit 1; }

# 1. Framed by the window manager.
# _MOTIF_WM_HINTS: flags, functions, decorations, ...; flag 2 says the decorations field counts.
motif=$(xprop -id "$form" _MOTIF_WM_HINTS)
read -r flags _ decorations _ < <(echo "$motif" | sed -n 's/.*= //p' | tr -d ',')
if [ -n "${flags:-}" ] && (((flags & 2) && decorations == 0)); then
    fail "the form asks for no decorations: $motif"
fi
extents=$(xprop -id "$form" _NET_FRAME_EXTENTS | sed -n 's/.*= //p')
[ -n "$extents" ] && [ "$extents" != "0, 0, 0, 0" ] || fail "the form has no frame: _NET_FRAME_EXTENTS '$extents'"
# The application's icon is the form's on the desktop.
check_icon "$form" "the form"

# Placed by the program at 0,0: the frame goes to the work area's top-left corner, and the program hears
# where its client area went.
client_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x "," y " " w "x" h }'
}
IFS=', ' read -r left _ top _ <<<"$extents"
want="$((0 + left)),$((40 + top)) 640x440"
for _ in $(seq 50); do
    [ "$(client_geometry "$form")" = "$want" ] && break
    sleep 0.1
done
[ "$(client_geometry "$form")" = "$want" ] ||
    fail "placed at 0,0 in the work area 0,40 1024x728 with frame $extents, the form is at $(client_geometry "$form"), not $want"
after 0 "^placed $want\$" || fail "the demo did not report its place $want: $(grep placed "$WORK/demo.out" | tail -1)"

# 2. Moved and resized by the window manager: the demo reports the client rectangle the desktop gave.
n=$(lines)
wmctrl -i -r "$form" -e 0,100,120,500,400
after "$n" '^placed 100,120 500x400$' ||
    fail "wmctrl -e 0,100,120,500,400 made the demo report: $(tail -n +$((n + 1)) "$WORK/demo.out" | grep placed | tail -1)"
geometry=$(client_geometry "$form")
[ "$geometry" = "100,120 500x400" ] || fail "the X server has the form at $geometry"

# The window manager's maximise: the demo reports the client rectangle the window manager gave; its
# restore brings back the one before.
n=$(lines)
wmctrl -i -r "$form" -b add,maximized_vert,maximized_horz
for _ in $(seq 50); do
    xprop -id "$form" _NET_WM_STATE | grep -q MAXIMIZED_HORZ && [ "$(client_geometry "$form")" != "100,120 500x400" ] && break
    sleep 0.1
done
sleep 0.5
maximised=$(client_geometry "$form")
last=$(tail -n +"$((n + 1))" "$WORK/demo.out" | grep '^placed' | tail -1)
[ "$last" = "placed $maximised" ] || fail "maximised by the window manager to $maximised, the demo reports '$last'"
n=$(lines)
wmctrl -i -r "$form" -b remove,maximized_vert,maximized_horz
after "$n" '^placed 100,120 500x400$' || fail "restored by the window manager, the demo did not report 100,120 500x400"

# 3. The combo box's drop-down list: a window of its own that the window manager does not frame, above it.
n=$(lines)
xdotool mousemove $((100 + 139)) $((120 + 118)) click 1
sleep 1
# xwininfo lists the root's children topmost first; the window manager's own 1x1 windows do not count.
viewable=$(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .* \([0-9]*\)x[0-9]*+-*[0-9]*+-*[0-9]* .*/\1 \2/p' |
    while read -r id width; do
        [ "$width" -ge 10 ] && xwininfo -id "$id" | grep -q 'Map State: IsViewable' && echo "$id"
    done)
popup=""
for id in $viewable; do
    xwininfo -id "$id" | grep -q 'Override Redirect State: yes' && { popup=$id; break; }
done
top=$(echo "$viewable" | head -1)
[ -n "$popup" ] || fail "no unmanaged window showed the combo box's list"
[ -z "$popup" ] || [ "$top" = "$popup" ] || fail "the list ($popup) is not the topmost window ($top)"
# Raised by the window manager, the form's frame stays below the open list.
if [ -n "$popup" ]; then
    wmctrl -i -a "$form"
    sleep 0.5
    top=$(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .* \([0-9]*\)x[0-9]*+-*[0-9]*+-*[0-9]* .*/\1 \2/p' |
        while read -r id width; do
            [ "$width" -ge 10 ] && xwininfo -id "$id" | grep -q 'Map State: IsViewable' && echo "$id"
        done | head -1)
    [ "$top" = "$popup" ] || fail "raised by the window manager, the form ($top) went above the open list ($popup)"
fi
xdotool key Escape
sleep 0.5

# 4. Activation by the desktop: the program's second window, another program's window (the panel), then the
# form again, whose focus comes back to the control that had it: the name edit (at 60,8 in the client area,
# 160x21), for which F1 asks help with the id 101.
wmctrl -i -a "$form"
sleep 0.5
xdotool mousemove $((100 + 70)) $((120 + 18)) click 1
sleep 0.3
n=$(lines)
xdotool key F1
focused='help 101'
after "$n" "^$focused\$" ||
    fail "F1 in the name edit did not ask help for it: $(tail -n +"$((n + 1))" "$WORK/demo.out" | grep '^help ')"
if second=$(client_of 'Loomwick demo second'); then
    n=$(lines)
    wmctrl -i -a "$second"
    after "$n" '^second activate 1$' || fail "activating the program's second window from the desktop did not activate it"
    after "$n" '^activate 0$' || fail "activating the program's second window did not deactivate the form"
    n=$(lines)
    wmctrl -i -a "$form"
    after "$n" '^second activate 0$' || fail "activating the form again did not deactivate the second window"
    after "$n" '^activate 1$' || fail "activating the form again from the desktop did not activate it"
    sleep 0.5
else
    fail "no window titled 'Loomwick demo second'"
fi
n=$(lines)
wmctrl -i -a "$panel"
after "$n" '^activate 0$' || fail "activating another program's window did not deactivate the form"
n=$(lines)
wmctrl -i -a "$form"
after "$n" '^activate 1$' || fail "activating the form from the desktop did not activate it"
sleep 0.5
n=$(lines)
xdotool key F1
after "$n" "^$focused\$" ||
    fail "activated again by the desktop, the form's focus is not where it was ('$focused'): $(tail -n +"$((n + 1))" "$WORK/demo.out" | grep '^help ')"

# 5. The modal dialog of the OK button (at 312,324 in the client area, 100x28).
n=$(lines)
xdotool mousemove $((100 + 362)) $((120 + 338)) click 1
dialog=""
after "$n" '^dialog ' && dialog=$(client_of 'Loomwick demo dialog')
if [ -z "$dialog" ]; then
    fail "the OK button showed no dialog"
else
    transient=$(xprop -id "$dialog" WM_TRANSIENT_FOR | sed -n 's/.*# //p')
    [ "$((transient))" = "$((form))" ] || fail "the dialog is transient for '$transient', not the form ($form)"
    xprop -id "$dialog" _NET_WM_STATE | grep -q _NET_WM_STATE_MODAL ||
        fail "the dialog is not modal to the desktop: $(xprop -id "$dialog" _NET_WM_STATE)"
    check_icon "$dialog" "the dialog"
    # Centred on the form (both rectangles are client areas, their frames alike).
    read -r fx fy fw fh < <(client_geometry "$form" | tr ',x' '  ')
    read -r dx dy dw dh < <(client_geometry "$dialog" | tr ',x' '  ')
    [ "$dx,$dy" = "$((fx + (fw - dw) / 2)),$((fy + (fh - dh) / 2))" ] ||
        fail "the dialog ($dx,$dy ${dw}x$dh) is not centred on the form ($fx,$fy ${fw}x$fh)"
    # Closed by the window manager, as by its title bar's close button.
    wmctrl -i -c "$dialog"
    for _ in $(seq 50); do
        xwininfo -id "$dialog" 2>/dev/null | grep -q 'IsViewable' || break
        sleep 0.1
    done
    xwininfo -id "$dialog" 2>/dev/null | grep -q 'IsViewable' && fail "wmctrl -c did not close the dialog"
fi

# 6. The window manager's close request ends the program.
wmctrl -i -c "$form"
status=timeout
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; status=$?; break; }
    sleep 0.1
done
if [ "$status" = timeout ]; then
    fail "wmctrl -c left the demo running"
    kill "$pid" 2>/dev/null
elif [ "$status" != 0 ]; then
    fail "the demo ended with status $status after wmctrl -c"
    cat "$WORK/demo.err"
fi

# 7. LOOMWICK_OWN_FRAMES=1: the window system's own frame, so the window manager draws none; still closed
# by the window manager's request.
LOOMWICK_OWN_FRAMES=1 "$DEMO" --seconds 30 >"$WORK/own.out" 2>"$WORK/own.err" &
own=$!
for _ in $(seq 100); do
    sleep 0.1
    grep -q '^ready' "$WORK/own.out" && break
done
if form=$(client_of 'Loomwick form demo'); then
    xprop -id "$form" _MOTIF_WM_HINTS | grep -q '= 0x2, 0x[0-9a-f]*, 0x0,' ||
        fail "with LOOMWICK_OWN_FRAMES=1 the form asks for decorations: $(xprop -id "$form" _MOTIF_WM_HINTS)"
    wmctrl -i -c "$form"
else
    fail "with LOOMWICK_OWN_FRAMES=1 no window titled 'Loomwick form demo'"
fi
for _ in $(seq 100); do
    kill -0 "$own" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$own" 2>/dev/null && { fail "wmctrl -c left the demo with its own frames running"; kill "$own"; }
kill "$panel_pid" 2>/dev/null
[ "$failures" = 0 ] || { echo "--- demo output"; cat "$WORK/demo.out"; exit 1; }
echo "ok: framed ($extents), placed in the work area, the icon, moved, resized, maximised to $maximised and restored, list unframed on top, activation by a second window and another program, modal dialog centred on it, closed"
INSIDE

xvfb_start 1024x768x24 || exit 1
timeout 100 bash "$WORK/inside.sh" "$DEMO" "$WORK"
