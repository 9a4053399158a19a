#!/bin/bash
# Pastes text that another program put on the X clipboard into the drag-and-drop demo (a window whose text
# drop target is declared in its layout) through the Qt screen: xclip holds "Grüße, Loomwick" on the
# clipboard, xdotool clicks the demo's panel and presses Ctrl+V, and the demo must print exactly that text,
# read through the OLE clipboard's formats. A second text from a second xclip must replace it: the demo reads
# the desktop's clipboard anew at each paste.
# $1 is the build folder.
# Budget: 90 s
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
"$DEMO" --seconds 40 >"$WORK/demo.out" 2>"$WORK/demo.err" &
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
if [ -n "${dx:-}" ]; then
    paste 'Grüße, Loomwick' first
    paste 'a second text' second
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
