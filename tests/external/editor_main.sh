#!/bin/bash
# The editor's main window on a virtual X display, driven with xdotool as a user would: a 3-frame GIF made by
# ImageMagick (a white 120 x 100 screen, frame 1 a red square, frame 2 a green one, frame 3 a blue one, 0.40 s
# each, looping) and optimised by gifsicle -O2 (sub-rectangles with transparency) is opened with Ctrl+O, its
# path typed into Qt's file dialog: the title shows the path and the screen frame 1's red and no green or
# blue. Ctrl+P plays it: grabs over 2 s show green and blue. Ctrl+X stops; Alt+D, Home, Shift+End, "1.25"
# and Tab give frame 1 a delay of 1.25 s; Ctrl+S saves; the window is moved; Alt+F, X ends the program
# without a question. Then gifsicle --info shows frame 1 with delay 1.25s and every other delay, disposal,
# sub-rectangle, transparency and the loop as in the original, ImageMagick reads the delays "125 40 40", the
# coalesced frames equal the original's (compare -metric AE 0), "forminfo.ini" holds frmGifMainPosition and
# a restart puts the window back where it was moved (xdotool getwindowgeometry).
# The keys reach the commands through the command bars' shortcuts and main menu: until the bar library has
# its input hooks, menu windows and button controls (bars/xbBarHooks.cpp, bars/xbBarSubMenu.cpp,
# bars/xbBarButtonControl.cpp) and gives a bar the toolbar window by default (TxbBarItemLinks::CreateBarControl
# falls back to MakeToolbarWindow: Alt+F needs the main menu bar's window), the check is skipped.
# $1 is the build folder.
# Budget: 180 s
set -u
BUILD=${1:?build folder}
HERE=$(cd "$(dirname "$0")" && pwd)
SRC=$(cd "$HERE/../.." && pwd)
source "$HERE/lib/xvfb.sh"
source "$HERE/lib/editor_check.sh"
editor_need
for tool in gifsicle identify compare; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
for part in bars/xbBarHooks.cpp bars/xbBarSubMenu.cpp bars/xbBarButtonControl.cpp; do
    [ -f "$SRC/$part" ] || { echo "skipped: the command bars have no $part yet (shortcuts, menus)"; exit 77; }
done
grep -q "MakeToolbarWindow(bar)" "$SRC/bars/xbBarItemLinks.cpp" ||
    { echo "skipped: bars are shown without toolbar windows yet (Alt+F needs the main menu bar's window)"; exit 77; }
[ -x "$BUILD/loomwick" ] || { echo "missing $BUILD/loomwick"; exit 1; }

editor_setup 1024x768x24
W=$EDITOR_WORK
TITLE="Quorvane Loomwick Version 7.5"
RED="rgb(255,0,0)" GREEN="rgb(0,255,0)" BLUE="rgb(0,0,255)"

# The animation.
convert -delay 40 -size 120x100 xc:white -fill "$RED" -draw 'rectangle 10,10 49,49' \
    \( -size 120x100 xc:white -fill "$GREEN" -draw 'rectangle 60,10 99,49' \) \
    \( -size 120x100 xc:white -fill "$BLUE" -draw 'rectangle 10,55 49,94' \) \
    -loop 0 "$W/made.gif" || editor_fail "ImageMagick made no animation"
gifsicle -O2 "$W/made.gif" -o "$W/original.gif" || editor_fail "gifsicle did not optimise"
mkdir -p "$W/anims"
cp "$W/original.gif" "$W/anims/edited.gif"
GIF=$W/anims/edited.gif
gifsicle --info "$W/original.gif" | grep -q "transparent" || editor_fail "the optimised animation has no transparency"

# Open.
editor_start "$BUILD"
editor_find_window "$TITLE - [UNTITLED]"
editor_key ctrl+o
editor_file_dialog "$GIF"
editor_wait_title "$TITLE - $GIF"
sleep 0.5
editor_grab "$W/opened.png"
red=$(editor_count_colour "$W/opened.png" "$RED")
green=$(editor_count_colour "$W/opened.png" "$GREEN")
blue=$(editor_count_colour "$W/opened.png" "$BLUE")
echo "opened: red $red, green $green, blue $blue pixels"
[ "$red" -ge 1600 ] && [ "$green" -eq 0 ] && [ "$blue" -eq 0 ] || editor_fail "frame 1 is not shown after opening"

# Play for 2 s.
editor_key ctrl+p
seen_green=0 seen_blue=0
for i in $(seq 10); do
    sleep 0.2
    editor_grab "$W/play$i.png"
    [ "$(editor_count_colour "$W/play$i.png" "$GREEN")" -ge 1600 ] && seen_green=1
    [ "$(editor_count_colour "$W/play$i.png" "$BLUE")" -ge 1600 ] && seen_blue=1
done
echo "playing: green seen $seen_green, blue seen $seen_blue"
[ "$seen_green" = 1 ] && [ "$seen_blue" = 1 ] || editor_fail "playing did not show frames 2 and 3"
editor_key ctrl+x

# Frame 1's delay, typed; save.
before=$(stat -c %Y.%s "$GIF")
editor_key alt+d Home shift+End
editor_type "1.25"
editor_key Tab
editor_key ctrl+s
for i in $(seq 50); do
    [ "$(stat -c %Y.%s "$GIF")" != "$before" ] && break
    sleep 0.2
done
[ "$(stat -c %Y.%s "$GIF")" != "$before" ] || editor_fail "Ctrl+S wrote nothing"

# Move the window, then Alt+F, X: the program ends without asking.
xdotool windowmove --sync "$EDITOR_WINDOW" 40 30 2>/dev/null || xdotool windowmove "$EDITOR_WINDOW" 40 30
sleep 0.5
moved=$(editor_geometry)
editor_key alt+f
editor_key x
editor_wait_exit 20 || editor_fail "Alt+F, X did not end the program (a question left open?)"
echo "ended with $EDITOR_STATUS; window was at $moved"

# The file: frame 1's delay changed, nothing else.
gifsicle --info "$W/original.gif" | grep -E "image #|disposal|delay|loop" >"$W/original.info"
gifsicle --info "$GIF" | grep -E "image #|disposal|delay|loop" >"$W/edited.info"
sed '0,/delay 0.40s/s//delay 1.25s/' "$W/original.info" >"$W/expected.info"
diff "$W/expected.info" "$W/edited.info" || editor_fail "gifsicle --info differs from the original but for frame 1's delay"
delays=$(identify -format "%T " "$GIF")
[ "$delays" = "125 40 40 " ] || editor_fail "ImageMagick reads the delays \"$delays\""
convert "$W/original.gif" -coalesce "$W/o-%d.png" && convert "$GIF" -coalesce "$W/e-%d.png" || editor_fail "no coalesced frames"
for i in 0 1 2; do
    ae=$(compare -metric AE "$W/o-$i.png" "$W/e-$i.png" null: 2>&1)
    [ "$ae" = 0 ] || editor_fail "coalesced frame $i differs from the original's in $ae pixels"
done
INI=$XDG_CONFIG_HOME/loomwick/forminfo.ini
grep -q '^\[frmGifMainPosition\]' "$INI" 2>/dev/null || editor_fail "forminfo.ini holds no frmGifMainPosition"

# A restart puts the window back.
editor_start "$BUILD"
editor_find_window "$TITLE - [UNTITLED]"
sleep 0.5
restored=$(editor_geometry)
echo "restarted at $restored"
[ "$restored" = "$moved" ] || editor_fail "the window came back at $restored, not $moved"
editor_stop
echo "editor main window: opened, played, edited, saved and placed as expected"
