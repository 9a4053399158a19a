#!/bin/bash
# Inserting a frame into the editor on a virtual X display, driven with xdotool as a user would: a 3-frame
# GIF made by ImageMagick (60 x 40, red, green and blue, 0.50 s each, looping) is opened with Ctrl+O;
# Ctrl+I and the path of a 16-colour PNG 10 pixels wider (two rows of eight colour bands, made by
# ImageMagick) typed into Qt's file dialog ask the frame-size question (Alt+T, trim; Return) and the palette question (Return, OK);
# the list then shows four rows, the new one second and selected (screenshot kept); Ctrl+S saves. gifsicle
# --info shows 4 frames, the new one second (after row 1, which opening selects), 60 x 40 at 0,0, and its
# pixels equal ImageMagick's crop of the PNG to 60 x 40 from its top-left corner (compare -metric AE 0); the
# other frames keep their colours.
# $1 is the build folder.
# Budget: 60 s
set -u
BUILD=${1:?build folder}
BUILD=$(cd "$BUILD" 2>/dev/null && pwd) || { echo "skipped: no build folder $1"; exit 77; }
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/lib/xvfb.sh"
source "$HERE/lib/editor_check.sh"
editor_need gifsicle identify compare
[ -x "$BUILD/loomwick" ] || { echo "missing $BUILD/loomwick"; exit 1; }

editor_setup 1024x768x24
W=$EDITOR_WORK
TITLE="Quorvane Loomwick Version 7.5"

convert -delay 50 -size 60x40 xc:red xc:lime xc:blue -loop 0 "$W/anim.gif" || editor_fail "ImageMagick made no animation"
# 70 x 40, 16 colours in two rows of eight bands: the trimmed frame shows which columns and rows it kept.
convert -size 1x1 \( xc:'#000000' xc:'#800000' xc:'#008000' xc:'#808000' xc:'#000080' xc:'#800080' \
    xc:'#008080' xc:'#c0c0c0' +append \) \( xc:'#808080' xc:'#ff0000' xc:'#00ff00' xc:'#ffff00' \
    xc:'#0000ff' xc:'#ff00ff' xc:'#00ffff' xc:'#ffffff' +append \) -append -sample '70x40!' \
    "PNG8:$W/wide.png" || editor_fail "ImageMagick made no PNG"
[ "$(identify -format '%w %h %k' "$W/wide.png")" = "70 40 16" ] ||
    editor_fail "the PNG is $(identify -format '%w x %h with %k colours' "$W/wide.png")"
convert "$W/wide.png" -crop 60x40+0+0 +repage "$W/expected.png"

editor_start "$BUILD"
editor_find_window "$TITLE - [UNTITLED]"
editor_key ctrl+o
editor_file_dialog "$W/anim.gif"
editor_wait_title "$TITLE - $W/anim.gif"

editor_key ctrl+i
editor_file_dialog "$W/wide.png"
editor_wait_window "Frame Size Difference"
editor_dialog_key alt+t Return
editor_wait_gone "$EDITOR_DIALOG"
editor_wait_window "Palettes"
editor_dialog_key Return
editor_wait_gone "$EDITOR_DIALOG"
sleep 0.5
editor_grab "$W/inserted.png"
editor_keep "$W/inserted.png" editor_frames-inserted.png

# The list: the new row, selected, is the second of four.
editor_list_rows "$W/inserted.png"
editor_row_has_text -1 || editor_fail "no first row above the selected one"
editor_row_has_text 2 || editor_fail "no fourth row"
editor_row_empty 3 || editor_fail "a fifth row"

before=$(stat -c %Y.%s "$W/anim.gif")
editor_key ctrl+s
for i in $(seq 50); do
    [ "$(stat -c %Y.%s "$W/anim.gif")" != "$before" ] && break
    sleep 0.2
done
[ "$(stat -c %Y.%s "$W/anim.gif")" != "$before" ] || editor_fail "Ctrl+S wrote nothing"
editor_stop

# The file: four frames of the screen's size, the new one second and trimmed from the PNG's top-left corner.
gifsicle --info "$W/anim.gif" >"$W/info.txt" || editor_fail "gifsicle cannot read the saved file"
grep -q "^\* .* 4 images$" "$W/info.txt" || editor_fail "not 4 frames: $(head -n 1 "$W/info.txt")"
[ "$(grep -c '^  + image #[0-3] 60x40$' "$W/info.txt")" = 4 ] ||
    editor_fail "a frame is not 60 x 40 at 0,0: $(grep 'image #' "$W/info.txt" | tr '\n' ' ')"
convert "$W/anim.gif[1]" +repage "$W/frame1.png" || editor_fail "ImageMagick cannot read frame 1"
ae=$(compare -metric AE "$W/frame1.png" "$W/expected.png" null: 2>&1)
[ "$ae" = 0 ] || editor_fail "the new frame differs from the PNG's crop in $ae pixels"
i=0
for colour in red "" lime blue; do
    if [ -n "$colour" ]; then
        convert -size 60x40 "xc:$colour" "$W/plain.png"
        ae=$(compare -metric AE "$W/anim.gif[$i]" "$W/plain.png" null: 2>&1)
        [ "$ae" = 0 ] || editor_fail "frame $i is no longer all $colour ($ae pixels differ)"
    fi
    i=$((i + 1))
done
echo "editor frames: a PNG 10 pixels wider inserted after frame 1, trimmed, and saved as expected"
