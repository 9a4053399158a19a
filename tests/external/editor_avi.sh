#!/bin/bash
# The editor's AVI import on a virtual X display, driven with xdotool as a user would: with a GIF opened
# (Ctrl+O), Alt+F, I and the path of an AVI made by ffmpeg (12 frames of its test picture, 320 x 240, MJPEG,
# 15 frames a second) typed into Qt's open dialog import it: the progress window ("Progress") shows, then
# the title "... - [UNTITLED]" and twelve rows, the first selected (screenshot kept). Ctrl+S asks for a
# name in Qt's save dialog; the saved file passes gifsicle --info with 12 images of 320 x 240, each of
# delay 0.07s, looping forever.
# $1 is the build folder.
# Budget: 60 s
set -u
BUILD=${1:?build folder}
BUILD=$(cd "$BUILD" 2>/dev/null && pwd) || { echo "skipped: no build folder $1"; exit 77; }
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/lib/xvfb.sh"
source "$HERE/lib/editor_check.sh"
editor_need ffmpeg gifsicle
ffmpeg -hide_banner -encoders 2>/dev/null | grep -qE '^ V[^ ]* +mjpeg ' || { echo "skipped: ffmpeg has no MJPEG encoder"; exit 77; }
[ -x "$BUILD/loomwick" ] || { echo "missing $BUILD/loomwick"; exit 1; }

editor_setup 1024x768x24
W=$EDITOR_WORK
TITLE="Quorvane Loomwick Version 7.5"
convert -delay 50 -size 60x40 xc:red xc:lime -loop 0 "$W/anim.gif" || editor_fail "ImageMagick made no animation"
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=320x240:rate=15 -frames:v 12 -c:v mjpeg -q:v 3 "$W/clip.avi" ||
    editor_fail "ffmpeg made no AVI"

editor_start "$BUILD"
editor_find_window "$TITLE - [UNTITLED]"
editor_key ctrl+o
editor_file_dialog "$W/anim.gif"
editor_wait_title "$TITLE - $W/anim.gif"

# The progress window is looked for (shown on the X display) from before the path is typed until it has
# been seen; the screen is grabbed then.
(
    for i in $(seq 600); do
        if xdotool search --onlyvisible --name '^Progress$' >/dev/null 2>&1; then
            : >"$W/progress.seen"
            timeout 3 import -window root "$W/progress.png" 2>/dev/null
            exit 0
        fi
        sleep 0.05
    done
) &
watcher=$!
editor_key alt+f
editor_key i
editor_file_dialog "$W/clip.avi"
editor_wait_title "$TITLE - [UNTITLED]" 40
wait "$watcher"
[ -f "$W/progress.seen" ] || editor_fail "no progress window was seen"
[ -f "$W/progress.png" ] && editor_keep "$W/progress.png" editor_avi-progress.png
sleep 0.5
editor_grab "$W/imported.png"
editor_keep "$W/imported.png" editor_avi-imported.png

# The list: twelve rows, the first selected.
editor_list_rows "$W/imported.png"
editor_row_has_text 11 || editor_fail "no twelfth row"
! editor_row_has_text 12 || editor_fail "a thirteenth row"

# Ctrl+S on the untitled import asks for a name.
editor_key ctrl+s
editor_file_dialog "$W/saved.gif"
editor_wait_title "$TITLE - $W/saved.gif"
editor_stop
gifsicle --info "$W/saved.gif" >"$W/info.txt" || editor_fail "gifsicle cannot read the saved file"
grep -q "^\* .* 12 images$" "$W/info.txt" || editor_fail "not 12 frames: $(head -n 1 "$W/info.txt")"
grep -q "loop forever" "$W/info.txt" || editor_fail "the saved file does not loop forever"
[ "$(grep -c '^  + image #[0-9]* 320x240$' "$W/info.txt")" = 12 ] || editor_fail "a frame is not 320 x 240 at 0,0"
[ "$(grep -c 'delay 0.07s' "$W/info.txt")" = 12 ] || editor_fail "not every frame has delay 0.07s"
echo "editor AVI import: progress shown, twelve rows, untitled, saved under the name asked for"
