#!/bin/bash
# Shows windows through the Qt screen on a virtual X display and checks, with ImageMagick's screen grab,
# that the painted colour is on screen where the window is and nowhere beside it. $1 is the build folder.
# Budget: 180 s
set -u
BUILD=${1:?build folder}
SMOKE=$BUILD/tools/qtsmoke
source "$(dirname "$0")/lib/xvfb.sh"
xvfb_need
for tool in import convert timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$SMOKE" ] || { echo "missing $SMOKE: build the target tool_qtsmoke"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-qt-smoke.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# The popup is 160 x 120 at (100, 80); the layered window sits 200 pixels to its right.
cat >"$WORK/inside.sh" <<'INSIDE'
set -u
SMOKE=$1 WORK=$2
"$SMOKE" --hold --color 00c040 --at 100,80 2>"$WORK/smoke.err" &
pid=$!
pixel() { convert "$WORK/screen.png" -format "%[pixel:p{$1,$2}]" info:; }
result=1
for _ in $(seq 50); do
    sleep 0.2
    kill -0 "$pid" 2>/dev/null || { echo "FAIL: qtsmoke ended early"; cat "$WORK/smoke.err"; exit 1; }
    import -window root "$WORK/screen.png" 2>/dev/null || continue
    centre=$(pixel 180 140)
    corner=$(pixel 101 81)
    far=$(pixel 259 199)
    outside=$(pixel 95 140)
    layered=$(pixel 380 140)
    if [ "$centre" = "srgb(0,192,64)" ] && [ "$corner" = "$centre" ] && [ "$far" = "$centre" ]; then
        result=0
        break
    fi
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
if [ $result -ne 0 ]; then
    echo "FAIL: the popup's colour is not on screen (centre $centre, corners $corner $far)"
    exit 1
fi
[ "$outside" != "$centre" ] || { echo "FAIL: the colour spills left of the window ($outside)"; exit 1; }
case "$layered" in
    srgb\(0,0,*) ;;
    *) echo "FAIL: the layered window is not on screen ($layered)"; exit 1 ;;
esac
echo "ok: popup $centre, beside it $outside, layered window $layered"
INSIDE
xvfb_start 800x600x24 || exit 1
timeout 30 bash "$WORK/inside.sh" "$SMOKE" "$WORK"
