#!/bin/bash
# The command bars' menus on a virtual X display: tools/barsdemo (a main menu bar "&File" / "&Help", two
# toolbars, a popup menu on the form) driven with xdotool, looked at with xwininfo and ImageMagick, against its
# own render on the headless screen with the File menu opened by Alt+F (--render --menu siFile).
# - Alt+F: a new top-level override-redirect window shows just below the menu bar's "File" entry (its left
#   edge, its bottom), at the bounds of the render's menu and of the menu the demo reports; the desktop's focus
#   stays on the form (xdotool getwindowfocus); a grab equals the render at every entry's centre (the first
#   entry selected, as opening by key does).
# - Down moves the highlight on the screen: the second entry's row ends in the scheme's selection colour, the
#   first's in the button face.
# - Escape closes it: the window is gone from the screen and the demo reports "closed siFile".
# - Ctrl+O runs Open: "tag 102", once.
# - A right click on the form opens the popup menu with its top-left corner at the pointer (a new
#   override-redirect window there); a click on its second entry runs Remove Frame ("tag 202") and closes it.
# - With the File menu open, another program's window (xmessage) taking the desktop's focus closes the menu
#   and hides the floating toolbar; the focus back on the form shows the toolbar again.
# $1 is the build folder.
# Budget: 90 s
set -u
BUILD=${1:?build folder}
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/lib/xvfb.sh"
source "$HERE/lib/barsdemo_check.sh"
barsdemo_need "$BUILD"
command -v xmessage >/dev/null 2>&1 || { echo "skipped: xmessage is not installed"; exit 77; }
barsdemo_setup
OUT=$BARS_WORK/demo.out
XMESSAGE_PID=""
trap '[ -n "$XMESSAGE_PID" ] && kill "$XMESSAGE_PID" 2>/dev/null; barsdemo_stop; rm -rf "$BARS_WORK"' EXIT

barsdemo_render menu --menu siFile
RENDER=$BARS_WORK/menu.out
xvfb_start "${BARS_W}x${BARS_H}x24" || exit 1
barsdemo_start
barsdemo_same_places menu

form=""
for _ in $(seq 50); do
    form=$(xdotool search --name '^Loomwick command bars$' 2>/dev/null | head -n 1)
    [ -n "$form" ] && barsdemo_viewable "$form" && break
    sleep 0.1
done
[ -n "$form" ] || barsdemo_fail "no window \"Loomwick command bars\""
focus_form() {
    xdotool windowfocus --sync "$form" 2>/dev/null || xdotool windowfocus "$form"
    sleep 0.3
}
# The viewable override-redirect top-level windows, "ID WxH X Y" a line.
popups() {
    local id rest
    while read -r id rest; do
        barsdemo_override_redirect "$id" && barsdemo_viewable "$id" && echo "$id $rest"
    done < <(barsdemo_top_level)
}
# new_popup BEFORE: waits for a viewable override-redirect window that BEFORE (a popups listing) lacks.
new_popup() {
    local _ line
    for _ in $(seq 50); do
        line=$(popups | grep -vxF -f <(printf '%s\n' "$1") | head -n 1)
        [ -n "$line" ] && { echo "$line"; return 0; }
        sleep 0.1
    done
    return 1
}
gone() {
    local _
    for _ in $(seq 50); do
        barsdemo_viewable "$1" || return 0
        sleep 0.1
    done
    return 1
}
count() { grep -c "^$1$" "$OUT"; }

# Alt+F.
focus_form
before=$(popups)
xdotool key alt+f
read -r menu geometry mx my < <(new_popup "$before") || barsdemo_fail "Alt+F showed no new override-redirect window"
mw=${geometry%x*} mh=${geometry#*x}
read -r fx fy fw fh < <(barsdemo_rect button siFile "$OUT")
[ "$mx" -eq "$fx" ] && [ "$my" -eq $((fy + fh)) ] ||
    barsdemo_fail "the menu is at $mx,$my, not just below File ($fx,$((fy + fh)))"
[ "$(barsdemo_rect menu siFile "$RENDER")" = "$mx $my $mw $mh" ] ||
    barsdemo_fail "the menu is at ${mw}x$mh+$mx+$my, the render's at $(barsdemo_rect menu siFile "$RENDER")"
barsdemo_wait_line '^menu siFile ' || barsdemo_fail "the demo reported no open File menu"
[ "$(barsdemo_rect menu siFile "$OUT")" = "$mx $my $mw $mh" ] || barsdemo_fail "the demo reports the menu elsewhere"
[ "$(xdotool getwindowfocus)" = "$form" ] || barsdemo_fail "the focus left the form for $(xdotool getwindowfocus)"
echo "Alt+F: menu $menu at ${mw}x$mh+$mx+$my just below File, the focus on the form"
sleep 0.3
barsdemo_compare_pixels menu "siFile/"
[ "$BARS_POINTS" -ge 4 ] || barsdemo_fail "the render printed $BARS_POINTS entry points"
echo "pixels: the grab equals the render at $BARS_POINTS entry centres"

# Down moves the highlight on the screen too: the row repainted outside a paint reaches the desktop. At the right
# end of each row (the hot row's text part is in the selection colour, the others on the menu face) the grab has
# the scheme's colours, which the gallery reports from the same built-in scheme.
mkdir -p "$BARS_WORK/gallery"
"$BUILD/tools/barsgallery" enhanced classic "$BARS_WORK/gallery" >"$BARS_WORK/gallery.txt" 2>/dev/null ||
    barsdemo_fail "build/tools/barsgallery did not run: build the target tool_barsgallery"
scheme() { sed -n "s/^sys $1 //p" "$BARS_WORK/gallery.txt"; }
HOT=$(scheme HIGHLIGHT) FACE=$(scheme BTNFACE)
read -r first second _ < <(grep '^entry siFile/' "$OUT" | awk '{ printf "%s ", $2 }')
row_end() {
    local x y w h
    read -r x y w h < <(barsdemo_rect entry "$1" "$OUT")
    barsdemo_rgb_at "$BARS_WORK/shot.rgb" $((x + w - 4)) $((y + h / 2))
}
xdotool key Down
highlight_moved=""
for _ in $(seq 20); do
    sleep 0.1
    barsdemo_grab
    [ "$(row_end "$second")" = "$HOT" ] && [ "$(row_end "$first")" = "$FACE" ] && { highlight_moved=yes; break; }
done
[ -n "$highlight_moved" ] || barsdemo_fail "after Down the screen shows $(row_end "$second") on $second (the selection's \
$HOT) and $(row_end "$first") on $first (the face's $FACE)"
echo "Down: the highlight moved from $first to $second on the screen"

# Escape.
xdotool key Escape
gone "$menu" || barsdemo_fail "Escape left the menu on the screen"
barsdemo_wait_line '^closed siFile$' || barsdemo_fail "the demo did not report the menu closed"
# A second Escape leaves the menu bar's keyboard mode.
xdotool key Escape
sleep 0.3
echo "Escape: the menu is gone"

# Ctrl+O.
focus_form
xdotool key ctrl+o
barsdemo_wait_line '^tag 102$' || barsdemo_fail "Ctrl+O printed no \"tag 102\""
sleep 0.3
[ "$(count 'tag 102')" -eq 1 ] || barsdemo_fail "Ctrl+O printed \"tag 102\" $(count 'tag 102') times"
echo "Ctrl+O: tag 102"

# A right click on the form.
read -r cx cy cw ch < <(barsdemo_rect window form "$OUT")
px=$((cx + cw / 2)) py=$((cy + ch - 60))
before=$(popups)
xdotool mousemove "$px" "$py" click 3
read -r popup geometry ux uy < <(new_popup "$before") || barsdemo_fail "a right click showed no popup menu"
[ "$ux" -eq "$px" ] && [ "$uy" -eq "$py" ] || barsdemo_fail "the popup menu is at $ux,$uy, not at the pointer $px,$py"
barsdemo_wait_line '^entry pumFrames/miFrameRemove ' || barsdemo_fail "the demo reported no popup menu"
read -r ex ey ew eh < <(barsdemo_rect entry pumFrames/miFrameRemove "$OUT")
xdotool mousemove $((ex + ew / 2)) $((ey + eh / 2))
sleep 0.2
xdotool click 1
barsdemo_wait_line '^tag 202$' || barsdemo_fail "a click on Remove Frame printed no \"tag 202\""
gone "$popup" || barsdemo_fail "the popup menu stayed after its entry ran"
sleep 0.3
[ "$(count 'tag 202')" -eq 1 ] || barsdemo_fail "Remove Frame printed \"tag 202\" $(count 'tag 202') times"
echo "right click: popup $popup at the pointer $px,$py; Remove Frame: tag 202"
xdotool mousemove "$BARS_PX" "$BARS_PY"

# Another program takes the focus while the File menu is open.
read -r tx ty tw th < <(barsdemo_rect window floating "$OUT")
floating=$(barsdemo_window_at "$tx" "$ty" "$tw" "$th")
[ -n "$floating" ] && barsdemo_viewable "$floating" || barsdemo_fail "the floating toolbar is not shown"
focus_form
before=$(popups)
xdotool key alt+f
read -r menu _ < <(new_popup "$before") || barsdemo_fail "Alt+F opened no menu the second time"
xmessage -geometry +700+500 -name loomwick-other "another program" 2>/dev/null &
XMESSAGE_PID=$!
other=""
for _ in $(seq 50); do
    other=$(xdotool search --classname "^loomwick-other$" 2>/dev/null | while read -r id; do
        barsdemo_viewable "$id" && { echo "$id"; break; }
    done)
    [ -n "$other" ] && break
    sleep 0.1
done
[ -n "$other" ] || barsdemo_fail "xmessage showed no window"
xdotool windowfocus --sync "$other" 2>/dev/null || xdotool windowfocus "$other"
gone "$menu" || barsdemo_fail "the menu stayed open while another program has the focus"
gone "$floating" || barsdemo_fail "the floating toolbar stayed while another program has the focus"
echo "xmessage focused: the menu closed, the floating toolbar hidden"
focus_form
# The desktop may give the toolbar a new window: it is looked for at its bounds again.
back=$(barsdemo_wait_window_at "$tx" "$ty" "$tw" "$th")
[ -n "$back" ] && barsdemo_viewable "$back" || barsdemo_fail "the floating toolbar did not come back with the focus on the form"
echo "form focused: the floating toolbar is back"
barsdemo_stop
echo "bars menus: menu bar, shortcut, popup menu and focus changes as expected"
