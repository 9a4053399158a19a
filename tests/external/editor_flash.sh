#!/bin/bash
# The Flash export of the editor on a virtual X display, driven with xdotool as a user would: a 3-frame GIF
# made by ImageMagick (60 x 40, red, green and blue, 0.20 s each, looping) is opened with Ctrl+O; the File
# menu's "Save As Macromedia Flash (*.swf)" is chosen by the menu keys (Alt+F, four times Down, Return) and
# a path typed into Qt's save dialog. The window "HTML to insert for Flash Movies" appears (screenshot
# kept); its "Copy &HTML to Clipboard" button (Alt+H) puts the HTML on the X clipboard, read back by
# tools/qtsmoke --paste while the editor still owns it: it embeds the movie's name at 60 x 40, looping;
# Close ends the dialog.
# The file starts with "CWS" and ffprobe reads three images of 60 x 40 from it (inflated by Python's zlib).
# $1 is the build folder.
# Budget: 60 s
set -u
BUILD=${1:?build folder}
BUILD=$(cd "$BUILD" 2>/dev/null && pwd) || { echo "skipped: no build folder $1"; exit 77; }
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/lib/xvfb.sh"
source "$HERE/lib/editor_check.sh"
editor_need ffprobe python3
[ -x "$BUILD/loomwick" ] || { echo "missing $BUILD/loomwick"; exit 1; }
[ -x "$BUILD/tools/qtsmoke" ] || { echo "missing $BUILD/tools/qtsmoke"; exit 1; }

editor_setup 1024x768x24
W=$EDITOR_WORK
TITLE="Quorvane Loomwick Version 7.5"
convert -delay 20 -size 60x40 xc:red xc:lime xc:blue -loop 0 "$W/anim.gif" || editor_fail "ImageMagick made no animation"

editor_start "$BUILD"
editor_find_window "$TITLE - [UNTITLED]"
editor_key ctrl+o
editor_file_dialog "$W/anim.gif"
editor_wait_title "$TITLE - $W/anim.gif"

# File: New, Open, Save, Save As, then the Flash movie.
editor_key alt+f
editor_key Down Down Down Down Return
editor_file_dialog "$W/movie.swf"
editor_wait_window "HTML to insert for Flash Movies"
html_window=$EDITOR_DIALOG
sleep 0.5
editor_grab "$W/html.png"
editor_keep "$W/html.png" editor_flash-html.png
editor_dialog_key alt+h
editor_wait_window "$TITLE"
sleep 0.3
"$BUILD/tools/qtsmoke" --paste >"$W/pasted.txt" 2>"$W/paste.err" || editor_fail "qtsmoke --paste failed: $(cat "$W/paste.err")"
editor_dialog_key Return
editor_wait_gone "$EDITOR_DIALOG"
# Return stays in the HTML box (it takes new lines): Close is clicked, at (446, 300) of the 492 x 322 client
# area, which sits at the bottom of the window between equal side borders.
eval "$(xdotool getwindowgeometry --shell "$html_window" | sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=/D_\1=/p')"
border=$(((D_WIDTH - 492) / 2))
xdotool mousemove $((D_X + border + 446)) $((D_Y + D_HEIGHT - border - 322 + 300)) click 1
editor_wait_gone "$html_window"
editor_stop

tr -d '\r' <"$W/pasted.txt" >"$W/html.txt"
for line in '<PARAM NAME=movie VALUE="movie.swf">' '<PARAM NAME=loop VALUE=true>' '<EMBED src="movie.swf" loop=false quality=high' \
    '  WIDTH=60 HEIGHT=40 TYPE="application/x-shockwave-flash"'; do
    grep -qxF "$line" "$W/html.txt" || editor_fail "the clipboard's HTML has no line '$line': $(head -c 400 "$W/html.txt")"
done
[ "$(head -c 3 "$W/movie.swf")" = CWS ] || editor_fail "the movie starts with \"$(head -c 3 "$W/movie.swf" | od -An -c)\", not CWS"
# ffprobe is given the movie inflated (FWS): it stops with "End of file" on the compressed one.
python3 -c '
import sys, zlib
d = open(sys.argv[1], "rb").read()
open(sys.argv[2], "wb").write(b"FWS" + d[3:8] + zlib.decompress(d[8:]))' "$W/movie.swf" "$W/movie-fws.swf" ||
    editor_fail "the movie does not inflate"
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=width,height,nb_read_frames \
    -of csv=p=0 "$W/movie-fws.swf" 2>&1)
echo "ffprobe: $frames"
[ "$frames" = "60,40,3" ] || editor_fail "ffprobe reads \"$frames\", not 3 images of 60 x 40"
echo "editor flash: the movie written, its HTML shown and copied to the clipboard"
