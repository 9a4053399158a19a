#!/usr/bin/env bash
# Starts the program on a virtual X display and checks that its main window appears: the screen is grabbed
# with ImageMagick and the window's caption bar and client area are looked for at the centred position.
# Budget: 180 s
set -u
BUILD=${1:?build folder}
source "$(dirname "$0")/lib/xvfb.sh"
xvfb_need
for tool in import convert; do
    command -v "$tool" >/dev/null || { echo "skip: $tool missing"; exit 77; }
done
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

pixel() { convert "$WORK/screen.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }

xvfb_start 1024x768x24 || exit 1
XDG_RUNTIME_DIR=$WORK "$BUILD/loomwick" >"$WORK/out.txt" 2>&1 &
pid=$!
for _ in $(seq 1 50); do
    sleep 0.2
    import -window root "$WORK/screen.png" 2>/dev/null || continue
    c=$(convert "$WORK/screen.png" -format '%[fx:int(255*p{760,500}.r)]' info:)
    [ "$c" != 0 ] && break
done
kill $pid 2>/dev/null
wait $pid 2>/dev/null
[ -f "$WORK/screen.png" ] || { echo "FAIL: no screen grab"; cat "$WORK/out.txt"; exit 1; }
# The 792 x 546 main window is centred on the 1024 x 768 screen (116,111 to 908,657): its preview page is
# button face and its active caption the classic dark blue.
client=$(pixel 760 500)
caption=$(pixel 600 121)
echo "client $client caption $caption"
[ "$client" = "212,208,200" ] || { echo "FAIL: client area is $client"; cat "$WORK/out.txt"; exit 1; }
[ "$caption" = "10,36,106" ] || { echo "FAIL: caption is $caption"; exit 1; }
echo "main window shown"
