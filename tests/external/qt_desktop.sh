#!/bin/bash
# The desktop services of the Qt screen on a virtual X display: text copied by one program is pasted by
# another through the X clipboard, and the open dialog (Qt's) answers a name typed into it with xdotool.
# $1 is the build folder.
# Budget: 240 s
set -u
BUILD=${1:?build folder}
SMOKE=$BUILD/tools/qtsmoke
source "$(dirname "$0")/lib/xvfb.sh"
xvfb_need
for tool in xdotool timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$SMOKE" ] || { echo "missing $SMOKE: build the target tool_qtsmoke"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-qt-desktop.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$WORK/pictures"
# Qt's dialogs talk to D-Bus, whose library keeps a block for the life of the process.
printf 'leak:libdbus-1.so\n' >"$WORK/lsan.supp"
export LSAN_OPTIONS="suppressions=$WORK/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
printf 'GIF89a' >"$WORK/pictures/pick me.gif"

cat >"$WORK/inside.sh" <<'INSIDE'
set -u
SMOKE=$1 WORK=$2
# 1. Clipboard: the first program holds the text, the second reads it from the X clipboard.
"$SMOKE" --copy "Grüße aus Loomwick" --at 10,10 2>"$WORK/copy.err" &
holder=$!
pasted=""
for _ in $(seq 30); do
    sleep 0.2
    pasted=$(timeout 10 "$SMOKE" --paste 2>>"$WORK/paste.err")
    [ "$pasted" = "Grüße aus Loomwick" ] && break
done
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
if [ "$pasted" != "Grüße aus Loomwick" ]; then
    echo "FAIL: pasted \"$pasted\" instead of the copied text"
    cat "$WORK/copy.err" "$WORK/paste.err"
    exit 1
fi

# 2. The open dialog: a name typed into it comes back as the file chosen.
timeout 60 "$SMOKE" --open-dialog "$WORK/pictures" >"$WORK/dialog.out" 2>"$WORK/dialog.err" &
dialog=$!
win=""
for _ in $(seq 50); do
    sleep 0.2
    win=$(xdotool search --name "Open an animation" 2>/dev/null | head -1)
    [ -n "$win" ] && break
done
if [ -z "$win" ]; then
    echo "FAIL: the open dialog did not appear"
    cat "$WORK/dialog.err"
    kill "$dialog" 2>/dev/null
    exit 1
fi
sleep 0.5
xdotool windowfocus --sync "$win" 2>/dev/null
xdotool type --delay 20 "pick me.gif"
xdotool key Return
wait "$dialog"
chosen=$(cat "$WORK/dialog.out")
if [ "$chosen" != "$WORK/pictures/pick me.gif" ]; then
    echo "FAIL: the dialog gave \"$chosen\""
    cat "$WORK/dialog.err"
    exit 1
fi
echo "ok: pasted \"$pasted\", dialog chose \"$chosen\""
INSIDE

xvfb_start 800x600x24 || exit 1
timeout 180 bash "$WORK/inside.sh" "$SMOKE" "$WORK"
