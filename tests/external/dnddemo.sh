#!/bin/bash
# Pastes text that another program put on the X clipboard into the drag-and-drop demo (a window whose drop
# targets and drop source are declared in its layout) through the Qt screen: xclip holds "Grüße, Loomwick" on
# the clipboard, xdotool clicks the demo's panel and presses Ctrl+V, and the demo must print exactly that
# text, read through the OLE clipboard's formats. A second text from a second xclip must replace it: the demo
# reads the desktop's clipboard anew at each paste. Then files: two file URLs that xclip offers as
# text/uri-list (one with %20 for a space) reach the file target through Ctrl+V as the two paths; the demo's
# Copy button puts its two files on the clipboard, and xclip reads them back as file URLs; and xdotool drags
# from the demo's source panel onto its file panel, which must print both names while the source reports
# drrCopy. With DNDDEMO_SCREENSHOT=file.png the screen after the drag is kept there.
# $1 is the build folder.
# Budget: 120 s
set -u
BUILD=${1:?build folder}
DEMO=$BUILD/tools/dnddemo
source "$(dirname "$0")/lib/xvfb.sh"
xvfb_need
for tool in xclip xdotool timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$DEMO" ] || { echo "missing $DEMO: build the target tool_dnddemo"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-dnddemo.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export LC_ALL=C.UTF-8

cat >"$WORK/inside.sh" <<'INSIDE'
set -u
DEMO=$1 WORK=$2
mkdir -p "$WORK/files"
: >"$WORK/files/first file.gif"
: >"$WORK/files/second.gif"
"$DEMO" --seconds 50 --files "$WORK/files/first file.gif" "$WORK/files/second.gif" >"$WORK/demo.out" 2>"$WORK/demo.err" &
pid=$!
for _ in $(seq 150); do
    sleep 0.1
    grep -q '^ready' "$WORK/demo.out" && break
    kill -0 "$pid" 2>/dev/null || break
done
read -r dx dy dw dh < <(sed -n 's/^drop \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/demo.out")
# paste TEXT FILE: another program holds TEXT on the clipboard; a click on the panel and Ctrl+V; the demo's
# new lines go to FILE.
paste() {
    printf '%s' "$1" | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
    local holder=$!
    for _ in $(seq 30); do
        [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ] && break
        sleep 0.1
    done
    xclip -selection clipboard -o >"$WORK/$2.x" 2>/dev/null
    local n
    n=$(wc -l <"$WORK/demo.out")
    xdotool mousemove $((dx + dw / 2)) $((dy + dh / 2)) click 1
    sleep 0.3
    xdotool key ctrl+v
    for _ in $(seq 50); do
        tail -n +"$((n + 1))" "$WORK/demo.out" | grep -q '^paste: ' && break
        sleep 0.1
    done
    tail -n +"$((n + 1))" "$WORK/demo.out" >"$WORK/$2"
    kill "$holder" 2>/dev/null
    wait "$holder" 2>/dev/null
}
# new LABEL PATTERN: waits up to 5 s for a line matching PATTERN after line N (the variable n).
wait_for() {
    for _ in $(seq 50); do
        tail -n +"$((n + 1))" "$WORK/demo.out" | grep -q "$1" && break
        sleep 0.1
    done
}
if [ -n "${dx:-}" ]; then
    paste 'Grüße, Loomwick' first
    paste 'a second text' second
    # Two files as another program offers them.
    printf 'file://%s\r\nfile://%s\r\n' "${WORK// /%20}/files/first%20file.gif" "${WORK// /%20}/files/second.gif" |
        xclip -quiet -selection clipboard -t text/uri-list -i >/dev/null 2>&1 &
    holder=$!
    sleep 0.5
    n=$(wc -l <"$WORK/demo.out")
    xdotool mousemove $((dx + dw / 2)) $((dy + dh / 2)) click 1
    sleep 0.3
    xdotool key ctrl+v
    wait_for '^pastefiles: '
    kill "$holder" 2>/dev/null
    wait "$holder" 2>/dev/null
    # The demo's own two files, copied.
    read -r bx by < <(sed -n 's/^copy \([0-9]*\),\([0-9]*\)$/\1 \2/p' "$WORK/demo.out")
    n=$(wc -l <"$WORK/demo.out")
    xdotool mousemove "$bx" "$by" click 1
    wait_for '^copied'
    sleep 0.3
    timeout 5 xclip -selection clipboard -o -t text/uri-list >"$WORK/copied.uris" 2>/dev/null
    # A drag from the source panel onto the file panel, as a person makes it.
    read -r sx sy sw sh < <(sed -n 's/^source \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/demo.out")
    read -r fx fy fw fh < <(sed -n 's/^files \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/demo.out")
    n=$(wc -l <"$WORK/demo.out")
    xdotool mousemove $((sx + sw / 2)) $((sy + sh / 2)) mousedown 1
    sleep 0.3
    for step in 1 2 3 4; do
        xdotool mousemove $((sx + sw / 2 + (fx + fw / 2 - sx - sw / 2) * step / 4)) $((sy + sh / 2 + 10 * (step % 2)))
        sleep 0.2
    done
    xdotool mouseup 1
    wait_for '^afterdrop '
    tail -n +"$((n + 1))" "$WORK/demo.out" >"$WORK/dragged"
    command -v import >/dev/null 2>&1 && import -window root "$WORK/screen.png" 2>/dev/null
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
true
INSIDE
xvfb_start 640x480x24 || exit 1
timeout 60 bash "$WORK/inside.sh" "$DEMO" "$WORK"

fail() {
    echo "FAIL: $*"
    echo "--- demo output"; cat "$WORK/demo.out" "$WORK/demo.err" 2>/dev/null
    exit 1
}
grep -q '^ready' "$WORK/demo.out" || fail "the demo did not show its window"
grep -q '^drop [0-9]*,[0-9]* 384x150$' "$WORK/demo.out" || fail "the demo did not report its drop panel"
[ "$(cat "$WORK/first.x" 2>/dev/null)" = 'Grüße, Loomwick' ] || fail "xclip did not hold the text on the clipboard"
first=$(grep '^paste: ' "$WORK/first" 2>/dev/null | head -1)
second=$(grep '^paste: ' "$WORK/second" 2>/dev/null | head -1)
echo "first paste: '$first'; second paste: '$second'"
[ "$first" = 'paste: Grüße, Loomwick' ] || fail "Ctrl+V printed '$first', not the clipboard's text"
[ "$second" = 'paste: a second text' ] || fail "the second Ctrl+V printed '$second', not the new clipboard text"
grep -q '^drop: ' "$WORK/demo.out" && fail "a paste was reported as a drop"
echo "ok: text from another program's clipboard pasted exactly, twice"

files="$WORK/files/first file.gif | $WORK/files/second.gif"
pasted=$(grep '^pastefiles: ' "$WORK/demo.out" | head -1)
[ "$pasted" = "pastefiles: $files" ] || fail "Ctrl+V with two file URLs printed '$pasted', not the two paths"
grep -q '^copied$' "$WORK/demo.out" || fail "the Copy button did not put the files on the clipboard"
uris=$(tr -d '\r' <"$WORK/copied.uris" 2>/dev/null | grep -v '^#' | tr '\n' ' ')
expected="file://${WORK// /%20}/files/first%20file.gif file://${WORK// /%20}/files/second.gif "
echo "xclip reads the copied files as: $uris"
[ "$uris" = "$expected" ] || fail "xclip reads the copied files as '$uris', not '$expected'"
grep -qx "dropfiles: $files" "$WORK/dragged" 2>/dev/null || fail "the drag onto the file panel did not drop both files"
grep -qx 'afterdrop drrCopy' "$WORK/dragged" 2>/dev/null || fail "the source did not report the drag as drrCopy"
if [ -n "${DNDDEMO_SCREENSHOT:-}" ] && [ -f "$WORK/screen.png" ]; then
    cp "$WORK/screen.png" "$DNDDEMO_SCREENSHOT"
fi
echo "ok: files pasted from another program's clipboard, copied to it, and dragged within the demo"
