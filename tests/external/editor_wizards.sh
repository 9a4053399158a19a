#!/usr/bin/env bash
# The editor's image-tag dialog checked with a parser nobody here wrote: test_app's HtmlTagExternal test
# (run with LOOMWICK_APP_EXTERNAL_DIR) types attributes into the dialog, quotes, markup, an entity and text
# outside ASCII among them, and writes the tags it makes to tags.txt; Python's html.parser must read every
# tag back as one img element (inside one a element when a link was typed) whose attributes are src,
# height, width, alt and border in that order, each with the value typed (an entity typed is read as the
# entity it is), and no attribute more.
#
# Then the new-animation wizard on a virtual X display, driven with xdotool as a user would, with a fresh
# configuration: Ctrl+N, a click on Next (its place from the wizard's layout), Alt+A and in Qt's file dialog
# the folder of three PNG files of 80 x 60 made by ImageMagick (gradients, so more than 16 colours each), then
# their names as one quoted list and Return, Next and Finish by clicks; the first image's palette question is
# answered with "Make this the Default" ticked (Alt+D, Return), so the others are not asked. The list shows
# three rows (screenshot kept), Ctrl+S and a path save it: gifsicle --info shows 3 frames of delay 1.00s and
# "loop forever". Then the optimisation wizard (Alt+T, Up, Return: the Tools menu's last item; Next, Next and
# Finish by clicks) and Ctrl+S: the new file's coalesced frames equal those of the file saved before
# (compare -metric AE 0). Last the image-tag dialog (Alt+T, Up, Up, Return) is walked with the keyboard:
# Shift+Tab, then the arrows between its buttons, and Return copies the tag (xclip reads it back).
# Usage: editor_wizards.sh BUILD_DIR. Exits 77 when a tool is missing (the desktop part alone is skipped
# without Xvfb, xdotool, xclip, ImageMagick or gifsicle).
# Budget: 90 s
set -u

build=${1:?usage: editor_wizards.sh BUILD_DIR}
build=$(cd "$build" 2>/dev/null && pwd) || { echo "skip: no build folder $1"; exit 77; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
layouts=$(cd "$here/../../resources/forms" && pwd)
program=$build/tests/test_app
for tool in python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skip: $tool is missing"; exit 77; }
done
[[ -x $program ]] || { echo "skip: $program is not built"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-wizards-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail=0

# ---- The image tag, read back by Python's HTML parser ------------------------------------------------------
if ! LOOMWICK_APP_EXTERNAL_DIR=$work "$program" --gtest_filter='HtmlTagExternal.*' >tags.log 2>&1 ||
    grep -q "SKIPPED" tags.log; then
    echo "FAIL: test_app's HtmlTagExternal test failed"
    cat tags.log
    exit 1
fi

python3 - <<'PY' || fail=1
import html
from html.parser import HTMLParser

class Tags(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.events = []
    def handle_starttag(self, tag, attrs):
        self.events.append(("start", tag, attrs))
    def handle_startendtag(self, tag, attrs):
        self.events.append(("start", tag, attrs))
    def handle_endtag(self, tag):
        self.events.append(("end", tag))
    def handle_data(self, data):
        self.events.append(("data", data))

bad = 0
records = open("tags.txt", encoding="utf-8").read().split("\n\n")
cases = [dict(line.split("=", 1) for line in r.split("\n")) for r in records if r.strip()]
if len(cases) < 2:
    print("FAIL tags.txt holds too few cases:", len(cases))
    bad += 1
for case in cases:
    # What a browser makes of the typed text: itself, with any entity typed read as that entity.
    typed = {k: html.unescape(case[k]) for k in ("file", "hint", "border", "link")}
    img = [("src", typed["file"]), ("height", "60"), ("width", "120")]
    if case["hint"]:
        img.append(("alt", typed["hint"]))
    if case["border"]:
        img.append(("border", typed["border"]))
    expected = [("start", "img", img)]
    if case["link"]:
        expected = [("start", "a", [("href", typed["link"])])] + expected + [("end", "a")]
    parser = Tags()
    parser.feed(case["tag"])
    parser.close()
    ok = parser.events == expected
    print(("ok   " if ok else "FAIL ") + "read back as typed: " + case["tag"])
    if not ok:
        print("     parsed:  ", parser.events)
        print("     expected:", expected)
        bad += 1
raise SystemExit(1 if bad else 0)
PY

# ---- The new-animation wizard and the optimisation wizard on the desktop ----------------------------------
for tool in Xvfb xdotool xclip import convert compare identify gifsicle timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped the desktop part: $tool is not installed"; exit $fail; }
done
[[ -x $build/loomwick ]] || { echo "FAIL: missing $build/loomwick"; exit 1; }
source "$here/lib/xvfb.sh"
source "$here/lib/editor_check.sh"
editor_setup 1024x768x24
trap 'editor_stop; rm -rf "$EDITOR_WORK" "$work"' EXIT
W=$EDITOR_WORK
TITLE="Quorvane Loomwick Version 7.5"

# layout_click WINDOW FORM OBJECT: a click in the middle of a control, at its place in the form's layout
# file. The window shows the layout's client size at its bottom between equal side borders.
layout_click() {
    local window=$1 file=$layouts/$2.txt object=$3 place
    place=$(awk -v object="$object" '
        NR <= 12 && $1 == "ClientWidth" { cw = $3 } NR <= 12 && $1 == "ClientHeight" { ch = $3 }
        $1 == "object" && $2 == object ":" { inside = 1 }
        inside && $1 == "Left" { l = $3 } inside && $1 == "Top" { t = $3 }
        inside && $1 == "Width" { w = $3 } inside && $1 == "Height" { h = $3; inside = 0 }
        END { print cw, ch, l + int(w / 2), t + int(h / 2) }' "$file")
    read -r cw ch x y <<<"$place"
    eval "$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=/D_\1=/p')"
    local border=$(((D_WIDTH - cw) / 2))
    xdotool mousemove $((D_X + border + x)) $((D_Y + D_HEIGHT - border - ch + y)) click 1
    sleep 0.4
}

# Three pictures of one size, more than 16 colours each.
mkdir -p "$W/pictures"
convert -size 80x60 gradient:red-blue "$W/pictures/a.png" &&
    convert -size 80x60 gradient:lime-yellow "$W/pictures/b.png" &&
    convert -size 80x60 gradient:navy-white "$W/pictures/c.png" || editor_fail "ImageMagick made no pictures"

editor_start "$build"
editor_find_window "$TITLE - [UNTITLED]"
editor_key ctrl+n
editor_wait_window "Animation Wizard"
wizard=$EDITOR_DIALOG
layout_click "$wizard" TfrmNewGifWizard btnNext
editor_dialog_key alt+a
# Qt's dialog: the folder first, then the three names in one quoted list.
editor_file_dialog_entries "$W/pictures/" '"a.png" "b.png" "c.png"'
layout_click "$wizard" TfrmNewGifWizard btnNext
layout_click "$wizard" TfrmNewGifWizard btnNext
editor_wait_window "Palettes"
editor_dialog_key alt+d Return
editor_wait_gone "$EDITOR_DIALOG"
editor_wait_gone "$wizard"
sleep 0.5
editor_grab "$W/built.png"
editor_keep "$W/built.png" editor_wizards-built.png

# The list: row 1 is selected; rows 2 and 3 hold text one and two rows below it, nothing three below.
editor_list_rows "$W/built.png"
editor_row_has_text 1 || editor_fail "no second row"
editor_row_has_text 2 || editor_fail "no third row"
editor_row_empty 3 || editor_fail "a fourth row"

# wait_saved FILE OLD: waits until the file's time and size differ from OLD ("" before it exists).
wait_saved() {
    for i in $(seq 75); do
        [ -s "$1" ] && [ "$(stat -c %Y.%s "$1")" != "$2" ] && return 0
        sleep 0.2
    done
    editor_fail "$1 was not written"
}
editor_key ctrl+s
editor_file_dialog "$W/new.gif"
editor_wait_title "$TITLE - $W/new.gif"
wait_saved "$W/new.gif" ""
cp "$W/new.gif" "$W/before.gif"
gifsicle --info "$W/before.gif" >"$W/info.txt" 2>&1 || editor_fail "gifsicle cannot read the saved file"
cat "$W/info.txt"
grep -q " 3 images" "$W/info.txt" || editor_fail "the saved file has not 3 frames"
[ "$(grep -c "delay 1.00s" "$W/info.txt")" = 3 ] || editor_fail "not every frame has a delay of 1.00 s"
grep -q "loop forever" "$W/info.txt" || editor_fail "the saved file does not loop forever"

# The optimisation wizard, then the file saved again.
stamp=$(stat -c %Y.%s "$W/new.gif")
sleep 1 # a new time stamp for the next save
editor_key alt+t
editor_key Up Return
editor_wait_window "GIF Optimization Wizard"
optimize=$EDITOR_DIALOG
layout_click "$optimize" TfrmGifOptimize btnNext
layout_click "$optimize" TfrmGifOptimize btnNext
layout_click "$optimize" TfrmGifOptimize btnNext
editor_wait_gone "$optimize"
editor_key ctrl+s
wait_saved "$W/new.gif" "$stamp"

# The arrows on the image-tag dialog's buttons: Shift+Tab from the first edit reaches Close, Up moves to
# "Copy To Clipboard", Down back and Up again, and Return clicks the button the arrows reached: the code is
# on the desktop's clipboard and the dialog is still open. Esc closes it.
editor_key alt+t
editor_key Up Up Return
editor_wait_window "HTML Code"
tag=$EDITOR_DIALOG
editor_dialog_key shift+Tab Up Down Up Return
editor_wait_window "Information"
editor_dialog_key Return
editor_wait_gone "$EDITOR_DIALOG"
xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$tag" ||
    editor_fail "Return closed the image-tag dialog: the arrows did not move the focus to its Copy button"
xclip -selection clipboard -o 2>/dev/null | grep -q '<img src="new.gif"' ||
    editor_fail "the clipboard holds no image tag: $(xclip -selection clipboard -o 2>&1 | head -c 200)"
EDITOR_DIALOG=$tag
editor_dialog_key Escape
editor_wait_gone "$tag"
editor_stop

# The coalesced frames, each file's stacked into one picture: the pictures of the wizard, and the optimised
# file showing what the file before it showed.
convert "$W/before.gif" -coalesce -append "$W/before.png" &&
    convert "$W/new.gif" -coalesce -append "$W/after.png" &&
    convert "$W/pictures/a.png" "$W/pictures/b.png" "$W/pictures/c.png" -append "$W/pictures.png" ||
    editor_fail "ImageMagick cannot read the saved files"
[ "$(identify -format '%n ' "$W/new.gif" | awk '{print $1}')" = 3 ] || editor_fail "the optimised file has not 3 frames"
differ=$(compare -metric AE "$W/before.png" "$W/after.png" null: 2>&1)
echo "optimised: $(stat -c %s "$W/before.gif") bytes before, $(stat -c %s "$W/new.gif") after;" \
    "pixels that differ: $differ"
[ "$differ" = 0 ] || editor_fail "the optimised animation shows other pictures ($differ pixels differ)"
identify -format '%wx%h ' "$W/before.png" "$W/pictures.png" | grep -qx "80x180 80x180 " ||
    editor_fail "the saved frames are not three of 80 x 60"
echo "editor wizards: a new animation of three pictures built, saved, optimised and saved again"
exit $fail
