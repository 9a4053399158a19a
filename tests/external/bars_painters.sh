#!/bin/bash
# The command bars' painting, checked against colours worked out without the bar library: build/tools/barsgallery
# draws the bars (menu bar, toolbar buttons in each state, truncated bars, an open menu, a floating bar, a dock
# of two rows, a hint) in the Standard and the Enhanced family and in three colour schemes (the built-in one, a
# white and a black button face); ImageMagick reads its BMP files and bars_painters.py, written from the drawing
# rules alone, derives from each scheme's system colours the fade mix, the embossed pairs, the etched
# separators, the rarely-used band, the end-mark triangle and the check mark's strokes, and compares them at
# the places the gallery printed.
# Then the desktop: build/tools/barsdemo runs under Xvfb through the Qt screen; an ImageMagick screenshot of it
# shows, at the centre of each of its buttons, the colour its headless render has there; and with the pointer
# resting on a toolbar button (xdotool) an override-redirect window turns up about 20 pixels below the pointer
# within two seconds (xwininfo) and is gone within fifteen.
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
desktop_tools_missing=""
for tool in Xvfb xdotool xwininfo import timeout; do
    command -v "$tool" >/dev/null 2>&1 || desktop_tools_missing="$desktop_tools_missing $tool"
done
if [ -n "$desktop_tools_missing" ]; then
    echo "skipped the desktop part: missing$desktop_tools_missing"
    exit $fail
fi
[ -x "$DEMO" ] || { echo "missing $DEMO: build the target tool_barsdemo"; exit 1; }
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export LC_ALL=C.UTF-8
# Both runs in the classic look, so that the render and the desktop draw with the same colours.
export LOOMWICK_THEME=classic
SIZE=800x600

"$DEMO" --render "$WORK/render.bmp" --screen $SIZE --style enhanced >"$WORK/render.out" 2>"$WORK/render.err" ||
    { echo "FAIL: barsdemo --render"; cat "$WORK/render.err"; exit 1; }

cat >"$WORK/inside.sh" <<'INSIDE'
set -u
DEMO=$1 WORK=$2
"$DEMO" --bounds --seconds 40 --style enhanced >"$WORK/demo.out" 2>"$WORK/demo.err" &
pid=$!
for _ in $(seq 150); do
    sleep 0.1
    grep -q '^ready' "$WORK/demo.out" && break
    kill -0 "$pid" 2>/dev/null || break
done
sleep 0.5
import -window root "$WORK/desktop.png" 2>/dev/null

# The hint of the first docked button: the pointer rests on its centre.
read -r name bx by bw bh < <(sed -n 's/^button \([A-Za-z0-9]*\) \([0-9-]*\),\([0-9-]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4 \5/p' \
    "$WORK/demo.out" | head -n 1)
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
            if ! xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
                gone=yes
                break
            fi
            [ $((now - start)) -gt 15000 ] && break
            sleep 0.2
        done
        echo "gone ${gone:-no} after $(($(date +%s%3N) - start)) ms" >>"$WORK/hint.out"
    fi
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
true
INSIDE
xvfb_start ${SIZE}x24 || exit 1
timeout 60 bash "$WORK/inside.sh" "$DEMO" "$WORK"
xvfb_stop

if [ ! -s "$WORK/desktop.png" ] || ! grep -q '^ready' "$WORK/demo.out" 2>/dev/null; then
    echo "FAIL: barsdemo did not come up under Xvfb"; cat "$WORK/demo.out" "$WORK/demo.err" 2>/dev/null; exit 1
fi

# The screenshot at each button's centre on the desktop has the render's colour at that button's centre.
python3 - "$WORK/render.out" "$WORK/demo.out" "$WORK/desktop.png" <<'PY' || fail=1
import subprocess, sys
render, desktop, shot = sys.argv[1:4]
points = {}
for line in open(render):
    f = line.split()
    if f and f[0] == 'point':
        points[f[1]] = tuple(int(v) for v in f[3].split(','))
buttons = {}
for line in open(desktop):
    f = line.split()
    if f and f[0] == 'button':
        x, y = (int(v) for v in f[2].split(','))
        w, h = (int(v) for v in f[3].split('x'))
        buttons[f[1]] = ((2 * x + w) // 2, (2 * y + h) // 2)
failed = 0
if not points or set(points) != set(buttons):
    print('FAIL: the render shows %s, the desktop %s' % (sorted(points), sorted(buttons)))
    sys.exit(1)
for name, (x, y) in sorted(buttons.items()):
    out = subprocess.run(['convert', shot, '-crop', '1x1+%d+%d' % (x, y), '-depth', '8', 'rgb:-'], check=True,
                         stdout=subprocess.PIPE).stdout
    got = tuple(out[:3])
    if got != points[name]:
        failed += 1
        print('FAIL: the desktop shows %s at the centre of %s (%d, %d), the render %s' % (got, name, x, y, points[name]))
print('desktop and render agree at %d of %d button centres' % (len(buttons) - failed, len(buttons)))
sys.exit(1 if failed else 0)
PY

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
