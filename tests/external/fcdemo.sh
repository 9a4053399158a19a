#!/bin/bash
# Runs the themed controls' demonstration (a dialog read from its layout file, shown modally) on a virtual X
# display through the Qt screen, three times, driven by xdotool: Return ends the first run with "modal 1" (the
# default button, OK, is the active one while the edit has the focus), Escape the second with "modal 2" (the
# Cancel button), a click on Cancel the third. In the first run the classic look is on (LOOMWICK_THEME=classic)
# and the pointer rests over OK: the pixels of its hot-track look, grabbed with ImageMagick, must be the
# colours this script computes from the controls' formulas with Python's colorsys (hue turned by 120,
# saturation 220, luminance 180, the darker and lighter steps). In the second the default scheme is on: OK
# is drawn by the built-in visual style, whose push-button border is (0, 45, 150). The dialog also holds a
# tab control in the editor's colours with eight tabs that do not fit: in the classic grab the selected tab's
# bar is 3983359 and the card 16119543, and in the third run a click on the scroller's forward half makes the
# demo report "FirstShownTab 1". A fourth run (classic) types "b" into the disposal combo box, which must
# complete "Background", and clicks the frame list's second header twice: the first row must be the one
# Python's sort puts first in descending order of the delays, and the pixel the demo names inside the sort
# arrow must be clBtnShadow (128, 128, 128) in the grab. A fifth run (classic) drives the frame delay's spin
# edit: Tab moves from the name to it and selects its text, "1.5" typed and Tab give "1.50"; a click on its up
# button gives "1.51" (step 0.01); held for a second it repeats (more than 5 changes). Its up button, grabbed,
# must show the black triangle the frame model gives ((cx, cy - 5), (cx + 4, cy), (cx - 4, cy) inside the
# raised border, the centre moved 2 down; a pixel is in when its top-left corner is) on the button face.
# A sixth run holds the editor's preview page control with three pages: a click
# on the second tab makes the demo report "page 1", and that page's colour (13434828) shows at its centre;
# then a click on the URL label, whose URL is "http://x/?a=1&b=$(id)", opens it through the real xdg-open
# with BROWSER naming a script that records its arguments: it must get exactly that one argument, and the
# label's text turns VisitedColor (128, 0, 128).
# The fourth run then turns to the editor's "Animation Properties" box: clicks on the radio button "Loop
# Specified" and the hot-track check box "Use Image Transparency" must report the sibling radio unchecked, the
# clicked one checked and the box ticked; the tick's pixel (glyph cell (9, 3), the glyph 2 below the top) must
# be AvoidMaskColor of the box's HighlightColor as this script computes it: the highlight is lime, the mask
# colour, so it steps to (1, 255, 0) and is not masked out. "Select &Color..." shows its red 16 x 16 picture.
# $1 is the build folder. With FCDEMO_SCREENSHOT=file.png the first run's grab is kept there.
# Budget: 240 s
set -u
BUILD=${1:?build folder}
DEMO=$BUILD/tools/fcdemo
source "$(dirname "$0")/lib/xvfb.sh"
xvfb_need
for tool in import convert xdotool timeout python3 xdg-open; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$DEMO" ] || { echo "missing $DEMO: build the target tool_fcdemo"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-fcdemo.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

cat >"$WORK/inside.sh" <<'INSIDE'
set -u
DEMO=$1 WORK=$2
# run NAME THEME ACTION: starts the demo, waits for "ready", does ACTION, waits for the demo to end.
run() {
    local name=$1 theme=$2 action=$3 out=$WORK/$1.out
    LOOMWICK_THEME=$theme "$DEMO" --seconds 30 >"$out" 2>"$WORK/$name.err" &
    local pid=$!
    for _ in $(seq 150); do
        sleep 0.1
        grep -q '^ready' "$out" && break
        kill -0 "$pid" 2>/dev/null || break
    done
    read -r bx by bw bh < <(sed -n 's/^button btnOK \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
    read -r kx ky kw kh < <(sed -n 's/^button btnCancel \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
    if [ -n "${bx:-}" ]; then
        case $action in
        hover-return)
            xdotool mousemove $((bx + 6)) $((by + 6))
            for _ in $(seq 40); do grep -q '^enter btnOK' "$out" && break; sleep 0.1; done
            sleep 0.5
            import -window root "$WORK/$name.png" 2>/dev/null
            xdotool mousemove 5 5
            for _ in $(seq 40); do grep -q '^leave btnOK' "$out" && break; sleep 0.1; done
            xdotool key Return ;;
        grab-escape)
            sleep 0.5
            import -window root "$WORK/$name.png" 2>/dev/null
            xdotool key Escape ;;
        spin)
            read -r ux uy uw uh < <(sed -n 's/^spinup \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
            xdotool mousemove 5 5
            xdotool key Tab
            sleep 0.3
            xdotool type --delay 100 1.5
            xdotool key Tab
            for _ in $(seq 40); do grep -q '^spinDelay 1.50$' "$out" && break; sleep 0.1; done
            sleep 0.3
            import -window root "$WORK/$name.png" 2>/dev/null
            if [ -n "${ux:-}" ]; then
                xdotool mousemove $((ux + uw / 2)) $((uy + uh / 2)) click 1
                for _ in $(seq 40); do grep -q '^spinDelay 1.51$' "$out" && break; sleep 0.1; done
                grep -c '^spinDelay' "$out" >"$WORK/$name.before"
                xdotool mousedown 1
                sleep 1.2
                xdotool mouseup 1
                sleep 0.3
            fi
            xdotool key Escape ;;
        pages-url)
            read -r px py pw ph < <(sed -n 's/^pagetab 1 \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
            read -r ux uy uw uh < <(sed -n 's/^url \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
            if [ -n "${px:-}" ] && [ -n "${ux:-}" ]; then
                xdotool mousemove $((px + pw / 2)) $((py + ph / 2 + 2)) click 1
                for _ in $(seq 40); do grep -q '^page 1' "$out" && break; sleep 0.1; done
                sleep 0.5
                import -window root "$WORK/$name-page.png" 2>/dev/null
                xdotool mousemove $((ux + 4)) $((uy + uh / 2)) click 1
                for _ in $(seq 80); do grep -q '^visited' "$out" && break; sleep 0.1; done
                xdotool mousemove 5 5
                sleep 0.5
                import -window root "$WORK/$name-url.png" 2>/dev/null
            fi
            xdotool key Escape ;;
        click-cancel)
            read -r sx sy sw sh < <(sed -n 's/^scroller \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
            if [ -n "${sx:-}" ]; then
                xdotool mousemove $((sx + sw * 3 / 4)) $((sy + sh / 2)) click 1
                for _ in $(seq 40); do grep -q '^FirstShownTab' "$out" && break; sleep 0.1; done
            fi
            xdotool mousemove $((kx + kw / 2)) $((ky + kh / 2)) click 1 ;;
        type-sort)
            read -r ox oy ow oh < <(sed -n 's/^combo \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
            read -r hx hy hw hh < <(sed -n 's/^header 1 \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
            if [ -n "${ox:-}" ] && [ -n "${hx:-}" ]; then
                xdotool mousemove $((ox + 10)) $((oy + oh / 2)) click 1
                sleep 0.3
                xdotool key b
                for _ in $(seq 40); do grep -q '^match' "$out" && break; sleep 0.1; done
                # Two clicks apart, not one double click.
                xdotool mousemove $((hx + hw / 2)) $((hy + hh / 2)) click 1
                for _ in $(seq 40); do grep -q '^first' "$out" && break; sleep 0.1; done
                sleep 0.8
                xdotool click 1
                for _ in $(seq 40); do [ "$(grep -c '^first' "$out")" -ge 2 ] && break; sleep 0.1; done
                sleep 0.5
                import -window root "$WORK/$name.png" 2>/dev/null
            fi
            read -r rx ry rw rh < <(sed -n 's/^glyph optLoopSpecified \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
            read -r cx cy cw ch < <(sed -n 's/^glyph chkAnimationTrans \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$out")
            if [ -n "${rx:-}" ] && [ -n "${cx:-}" ]; then
                xdotool mousemove $((rx + 40)) $((ry + rh / 2)) click 1
                for _ in $(seq 40); do grep -q '^state optLoopSpecified 1' "$out" && break; sleep 0.1; done
                xdotool mousemove $((cx + 40)) $((cy + ch / 2)) click 1
                for _ in $(seq 40); do grep -q '^state chkAnimationTrans' "$out" && break; sleep 0.1; done
                xdotool mousemove 5 5
                sleep 0.5
                import -window root "$WORK/$name-glyphs.png" 2>/dev/null
            fi
            xdotool key Escape ;;
        esac
    fi
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    true
}
run classic classic hover-return
run scheme blue grab-escape
run cancel blue click-cancel
run lists classic type-sort
run spin classic spin
# The URL goes through the real xdg-open to the browser the environment names, with nothing else on the
# desktop registered for web addresses.
mkdir -p "$WORK/xdg-data" "$WORK/xdg-config" "$WORK/xdg-dirs"
cat >"$WORK/browser.sh" <<BROWSER
#!/bin/sh
printf '%s\n' "\$#" > "$WORK/browser.args"
for a in "\$@"; do printf '%s\n' "\$a" >> "$WORK/browser.args"; done
BROWSER
chmod +x "$WORK/browser.sh"
BROWSER=$WORK/browser.sh XDG_DATA_HOME=$WORK/xdg-data XDG_CONFIG_HOME=$WORK/xdg-config XDG_DATA_DIRS=$WORK/xdg-dirs \
    XDG_CURRENT_DESKTOP= DESKTOP_SESSION= KDE_FULL_SESSION= GNOME_DESKTOP_SESSION_ID= run pages classic pages-url
INSIDE
xvfb_start 800x600x24 || exit 1
timeout 200 bash "$WORK/inside.sh" "$DEMO" "$WORK"

fail() {
    echo "FAIL: $*"
    for f in "$WORK"/*.out "$WORK"/*.err; do echo "--- $f"; cat "$f"; done
    exit 1
}
for name in classic scheme cancel lists spin pages; do
    grep -q '^ready' "$WORK/$name.out" 2>/dev/null || fail "the $name run did not show its dialog"
done
grep -qx 'modal 1' "$WORK/classic.out" || fail "Return did not end the dialog with OK's modal result 1"
grep -qx 'click btnOK' "$WORK/classic.out" || fail "Return did not click OK"
grep -qx 'modal 2' "$WORK/scheme.out" || fail "Escape did not end the dialog with Cancel's modal result 2"
grep -qx 'click btnCancel' "$WORK/scheme.out" || fail "Escape did not click Cancel"
grep -qx 'modal 2' "$WORK/cancel.out" || fail "a click on Cancel did not end the dialog with modal result 2"
grep -qx 'click btnCancel' "$WORK/cancel.out" || fail "the click on Cancel was not reported"
grep -qx 'enter btnOK' "$WORK/classic.out" || fail "the pointer over OK was not reported"
[ -f "$WORK/classic.png" ] && [ -f "$WORK/scheme.png" ] || fail "no screen grab"
[ -n "${FCDEMO_SCREENSHOT:-}" ] && cp "$WORK/classic.png" "$FCDEMO_SCREENSHOT"

read -r bx by bw bh < <(sed -n 's/^button btnOK \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/classic.out")
pixel() { # file x y, relative to OK's top-left corner
    local p="p{$(($bx + $2)),$(($by + $3))}"
    convert "$1" -format "%[fx:int(255*$p.r+0.5)],%[fx:int(255*$p.g+0.5)],%[fx:int(255*$p.b+0.5)]" info:
}
# The hot-track look with the pointer over OK, as (x, y, what) in OK's own coordinates.
points="2,10,hot 10,2,hot 72,10,hotlr 10,22,hotlr 3,9,hotinner 71,10,hotlrinner 1,10,frame 10,1,frame 10,15,face"
grabbed=""
for p in $points; do
    IFS=, read -r x y what <<<"$p"
    grabbed="$grabbed $what=$(pixel "$WORK/classic.png" "$x" "$y")"
done
border=$(pixel "$WORK/scheme.png" 0 12)
# The tab control: the selected tab's bar (two rows below its top, left of its caption) and the card.
at() { # file x y on the screen
    local p="p{$2,$3}"
    convert "$1" -format "%[fx:int(255*$p.r+0.5)],%[fx:int(255*$p.g+0.5)],%[fx:int(255*$p.b+0.5)]" info:
}
read -r tx ty tw th < <(sed -n 's/^tab 0 \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/classic.out")
read -r cx cy cw ch < <(sed -n 's/^card \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/classic.out")
[ -n "${tx:-}" ] && [ -n "${cx:-}" ] || fail "the demo did not report its tab control"
bar=$(at "$WORK/classic.png" $((tx + 3)) $((ty + 2)))
card=$(at "$WORK/classic.png" $((cx + cw / 2)) $((cy + ch / 2)))
echo "tab control: bar $bar, card $card"
[ "$bar" = "255,199,60" ] || fail "the selected tab's bar is $bar, not 3983359 (255, 199, 60)"
[ "$card" = "247,246,245" ] || fail "the card is $card, not 16119543 (247, 246, 245)"
grep -q '^scroller ' "$WORK/cancel.out" || fail "the tabs that do not fit show no scroller"
grep -qx 'FirstShownTab 1' "$WORK/cancel.out" || fail "a click on the scroller's forward half did not scroll the tabs"
python3 - "$grabbed" <<'PY' || fail "the hot-track look differs from the formulas"
import colorsys, sys

def to_hsl(c):
    h, l, s = colorsys.rgb_to_hls(*(v / 255 for v in c))
    return round(h * 240), round(s * 240), round(l * 240)

def to_rgb(h, s, l):
    rgb = colorsys.hls_to_rgb(h / 239, l / 240, s / 240)
    return tuple(round(min(max(v, 0.0), 1.0) * 255) for v in rgb)

def darker(c, n):
    h, s, l = to_hsl(c)
    return to_rgb(h, s, max(0, l - n))

def lighter(c, n):
    h, s, l = to_hsl(c)
    return to_rgb(h, s, min(255, l + n))

face = (244, 244, 240)      # Color 15791348
hot_track = (255, 199, 60)  # HotTrackColor 3983359
h = to_hsl(hot_track)[0]
h = h + 120 if h < 120 else h - 120
hot = to_rgb(h, 220, 180)
hot_lr = darker(hot, 30)
expected = {
    "hot": hot, "hotlr": hot_lr, "hotinner": darker(hot, 10), "hotlrinner": lighter(hot_lr, 10),
    "frame": darker(face, 150), "face": face,
}
bad = 0
for item in sys.argv[1].split():
    what, value = item.split("=")
    got = tuple(int(v) for v in value.split(","))
    if got != expected[what]:
        print("FAIL: %s is %s, the formulas give %s" % (what, got, expected[what]))
        bad += 1
print("hot-track look: %d pixels checked against colorsys, %d differ" % (len(sys.argv[1].split()), bad))
sys.exit(1 if bad else 0)
PY
# The page control and the URL label.
grep -q '^pages ' "$WORK/pages.out" || fail "the demo did not report its page control"
grep -q '^page 1 ' "$WORK/pages.out" || fail "a click on the second tab did not show page 1"
read -r gx gy gw gh < <(sed -n 's/^page 1 \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/pages.out")
[ -f "$WORK/pages-page.png" ] || fail "no grab of the page control"
page=$(at "$WORK/pages-page.png" $((gx + gw / 2)) $((gy + gh / 2)))
echo "page control: page 1 shows $page at its centre"
[ "$page" = "204,255,204" ] || fail "page 1's centre is $page, not its colour 13434828 (204, 255, 204)"
[ -f "$WORK/browser.args" ] || fail "xdg-open did not start the browser"
expected_args=$(printf '1\nhttp://x/?a=1&b=$(id)')
[ "$(cat "$WORK/browser.args")" = "$expected_args" ] || fail "the browser got $(cat "$WORK/browser.args"), not the one URL"
grep -qx 'visited' "$WORK/pages.out" || fail "the URL label did not turn visited"
read -r ux uy uw uh < <(sed -n 's/^url \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/pages.out")
purple=$(convert "$WORK/pages-url.png" -crop "${uw}x${uh}+${ux}+${uy}" +repage -fill black +opaque 'rgb(128,0,128)' \
    -fill white -opaque 'rgb(128,0,128)' -format '%[fx:int(mean*w*h+0.5)]' info:)
echo "URL label: the browser got one argument; $purple pixels in VisitedColor"
[ "${purple:-0}" -gt 0 ] || fail "the URL label's text is not in VisitedColor (128, 0, 128)"
echo "OK under the blue scheme: border $border"
[ "$border" = "0,45,150" ] || fail "OK's border under the visual style is $border, not the scheme's (0, 45, 150)"
echo "Return, Escape and a click on Cancel end the dialog with modal results 1, 2 and 2"

# The combo box and the frame list.
grep -qx 'match Background' "$WORK/lists.out" || fail "typing b into the disposal combo box did not complete Background"
firsts=$(sed -n 's/^first //p' "$WORK/lists.out" | tr '\n' '|')
expected=$(python3 -c '
rows = [("Frame %d" % (i + 1), "%d ms" % ((i * 73) % 200)) for i in range(200)]
up = sorted(rows, key=lambda r: r[1].lower())
down = sorted(rows, key=lambda r: r[1].lower(), reverse=True)
print(up[0][0] + "|" + down[0][0] + "|")')
echo "frame list: first rows after two clicks $firsts (Python: $expected)"
[ "$firsts" = "$expected" ] || fail "the first rows after two clicks on Delay are $firsts, Python sorts $expected"
read -r ax ay < <(sed -n 's/^arrow \([0-9]*\),\([0-9]*\)$/\1 \2/p' "$WORK/lists.out" | tail -1)
[ -n "${ax:-}" ] && [ -f "$WORK/lists.png" ] || fail "no sort arrow reported or no grab of the frame list"
arrow=$(at "$WORK/lists.png" "$ax" "$ay")
echo "sort arrow pixel at $ax,$ay: $arrow"
[ "$arrow" = "128,128,128" ] || fail "the sort arrow's pixel is $arrow, not clBtnShadow (128, 128, 128)"
# The spin edit.
grep -qx 'spinDelay 1.50' "$WORK/spin.out" || fail "\"1.5\" typed and Tab did not give \"1.50\""
grep -qx 'spinDelay 1.51' "$WORK/spin.out" || fail "a click on the up button did not give \"1.51\""
before=$(cat "$WORK/spin.before" 2>/dev/null || echo 0)
after=$(grep -c '^spinDelay' "$WORK/spin.out")
echo "spin edit: $((after - before)) changes while the up button was held for 1.2 s"
[ $((after - before)) -gt 5 ] || fail "holding the up button repeated only $((after - before)) times"
read -r ux uy uw uh < <(sed -n 's/^spinup \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/spin.out")
face=$(sed -n 's/^btnface //p' "$WORK/spin.out")
[ -n "${ux:-}" ] && [ -n "$face" ] || fail "the demo did not report its spin edit"
convert "$WORK/spin.png" -crop "${uw}x${uh}+${ux}+${uy}" +repage -depth 8 txt:- >"$WORK/spinup.txt"
python3 - "$WORK/spinup.txt" "$uw" "$uh" "$face" <<'PY' || fail "the up button's arrow differs from the frame model"
import math, re, sys
w, h = int(sys.argv[2]), int(sys.argv[3])
face = tuple(int(v) for v in sys.argv[4].split(","))
pixels = {}
for line in open(sys.argv[1]):
    m = re.match(r"(\d+),(\d+): \((\d+),(\d+),(\d+)", line)
    if m:
        x, y, r, g, b = (int(v) for v in m.groups())
        pixels[(x, y)] = (r, g, b)
# Inside the raised border of 2: the centre, the odd-height rule, 2 down for the up arrow.
l, t, r, b = 2, 2, w - 2, h - 2
cx, cy = l + (r - l) // 2, t + (b - t) // 2
if (b - t) % 2 == 0:
    cy -= 1
cy += 2
tri = [(cx, cy - 5), (cx + 4, cy), (cx - 4, cy)]

def inside(px, py):
    hit = False
    for i in range(3):
        (x1, y1), (x2, y2) = tri[i], tri[i - 1]
        if (y1 > py) != (y2 > py) and px < (x2 - x1) * (py - y1) / (y2 - y1) + x1:
            hit = not hit
    return hit

def edge(px, py):
    best = 1e9
    for i in range(3):
        (ax, ay), (bx, by) = tri[i - 1], tri[i]
        dx, dy = bx - ax, by - ay
        u = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
        best = min(best, math.hypot(px - ax - u * dx, py - ay - u * dy))
    return best

bad = black = checked = 0
for y in range(t, b):
    for x in range(l, r):
        # Without a pen a polygon takes the pixels whose top-left corner it covers; a corner on an edge is the
        # fill rule's own case.
        px, py = x, y
        if edge(px, py) < 1e-9:
            continue
        want = (0, 0, 0) if inside(px, py) else face
        black += want == (0, 0, 0)
        checked += 1
        if pixels.get((x, y)) != want:
            bad += 1
            if bad <= 5:
                print("FAIL: up button pixel %d,%d is %s, the frame model gives %s" % (x, y, pixels.get((x, y)), want))
print("spin up button %dx%d: triangle %s, %d pixels checked (%d black), %d differ" % (w, h, tri, checked, black, bad))
sys.exit(1 if bad or black < 3 else 0)
PY
# The "Animation Properties" box.
grep -qx 'state optLoopForever 0' "$WORK/lists.out" || fail "checking Loop Specified did not uncheck Loop Forever"
grep -qx 'state optLoopSpecified 1' "$WORK/lists.out" || fail "a click on Loop Specified did not check it"
grep -qx 'state chkAnimationTrans 1' "$WORK/lists.out" || fail "a click on the check box did not tick it"
[ "$(grep -c '^state ' "$WORK/lists.out")" = 3 ] || fail "the clicks fired $(grep -c '^state ' "$WORK/lists.out") changes, not 3"
read -r cx cy cw ch < <(sed -n 's/^glyph chkAnimationTrans \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/lists.out")
[ -n "${cx:-}" ] && [ -f "$WORK/lists-glyphs.png" ] || fail "no grab of the check box"
mark=$(at "$WORK/lists-glyphs.png" $((cx + 9)) $((cy + 2 + 3)))
expected=$(python3 -c '
highlight, transparent, winmask = 0x00FF00, 0x008080, 0x00FF00   # HighlightColor, TransparentColor, WinMaskColor
c = highlight + 1 if highlight in (transparent, winmask, 0x808080) else highlight
print("%d,%d,%d" % (c & 255, (c >> 8) & 255, (c >> 16) & 255))')
echo "check box mark: $mark (AvoidMaskColor of the highlight: $expected)"
[ "$mark" = "$expected" ] || fail "the tick's pixel is $mark, not AvoidMaskColor(HighlightColor) $expected"
read -r gx gy gw gh < <(sed -n 's/^glyph btnSelectColor \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/lists.out")
red=$(convert "$WORK/lists-glyphs.png" -crop "${gw}x${gh}+${gx}+${gy}" +repage -fill black +opaque 'rgb(255,0,0)' \
    -fill white -opaque 'rgb(255,0,0)' -format '%[fx:int(mean*w*h+0.5)]' info:)
echo "Select Color: $red pixels of its picture's red square"
[ "${red:-0}" = 100 ] || fail "\"Select &Color...\" shows $red red pixels, not its picture's 10 x 10 square"
