#!/bin/bash
# The single-image view against ImageMagick and an X server. First, headless: ikview --render draws a crop of
# ImageMagick's rose at 200 % and a 1-bit picture at 400 %, each exactly as large as the client area, and
# the renderings equal "convert -scale" of the same files pixel for pixel (compare -metric AE gives 0).
# Then on a virtual X display through the Qt screen: the image shows where ikview's printed client origin,
# offset and zoom say (pixels of the screen grab against the file's own); the wheel turned towards the user
# over the image (xdotool click 5) zooms in and the image gets wider on the screen, turned away (click 4)
# zooms out and it gets narrower; Page Down and the arrow keys scroll a zoomed image; and with
# --background 7 the chessboard's squares show around a small image. With --select 5,5,30,20 --gray the
# rectangle shows gray (each channel the gray level (R x 21 + G x 71 + B x 8) div 100 of the file's pixel) and
# the rest in colour, with black and white dashes along the rectangle's edges.
# $1 is the build folder. With IKVIEW_SCREENSHOT=file.png the first screen grab is kept there.
# Budget: 150 s
set -u
BUILD=${1:?build folder}
TOOL=$BUILD/tools/ikview
source "$(dirname "$0")/lib/xvfb.sh"
for tool in convert compare import xdotool timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$TOOL" ] || { echo "missing $TOOL: build the target tool_ikview"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-ikview.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fail() {
    echo "FAIL: $*"
    for f in "$WORK"/*.out "$WORK"/*.err; do [ -f "$f" ] && { echo "--- $f"; cat "$f"; }; done
    exit 1
}

# The corpus, with the commands that made it.
convert rose: -crop 40x30+10+5 +repage "$WORK/rose.ppm" || fail "convert rose: -crop 40x30+10+5 +repage rose.ppm"
convert "$WORK/rose.ppm" -monochrome "$WORK/mono.pbm" || fail "convert rose.ppm -monochrome mono.pbm"
convert "$WORK/rose.ppm" -scale 200% "$WORK/rose200.ppm"
convert "$WORK/mono.pbm" -scale 400% "$WORK/mono400.ppm"

"$TOOL" "$WORK/rose.ppm" --zoom 200 --render "$WORK/view200.ppm" 80 60 2>"$WORK/render.err" ||
    fail "ikview --render of the rose at 200 %"
"$TOOL" "$WORK/mono.pbm" --zoom 400 --render "$WORK/view400.ppm" 160 120 2>>"$WORK/render.err" ||
    fail "ikview --render of the 1-bit picture at 400 %"
for pair in "view200 rose200" "view400 mono400"; do
    set -- $pair
    ae=$(compare -metric AE "$WORK/$1.ppm" "$WORK/$2.ppm" null: 2>&1)
    echo "$1 against convert -scale: $ae pixels differ"
    [ "$ae" = 0 ] || fail "$1 differs from ImageMagick's scaling in $ae pixels"
done

xvfb_need
cat >"$WORK/inside.sh" <<'INSIDE'
set -u
TOOL=$1 WORK=$2
start() { # name, then ikview's arguments: waits for "ready"
    local name=$1
    shift
    "$TOOL" "$@" >"$WORK/$name.out" 2>"$WORK/$name.err" &
    echo $! >"$WORK/$name.pid"
    for _ in $(seq 100); do
        sleep 0.1
        grep -q '^ready' "$WORK/$name.out" && break
        kill -0 "$(cat "$WORK/$name.pid")" 2>/dev/null || break
    done
    sleep 0.5
}
stop() { kill "$(cat "$WORK/$1.pid")" 2>/dev/null; wait "$(cat "$WORK/$1.pid")" 2>/dev/null; }
wait_line() { # name, pattern: up to 4 s
    for _ in $(seq 40); do
        grep -q "$2" "$WORK/$1.out" && return 0
        sleep 0.1
    done
    return 1
}
client() { sed -n 's/^client \([0-9]*\),\([0-9]*\) .*/\1 \2/p' "$WORK/$1.out"; }

# The rose at 200 %: grab, then the wheel over the image, one notch towards the user and one away.
start shown "$WORK/rose.ppm" --zoom 200
import -window root "$WORK/shown.png" 2>/dev/null
read -r cx cy < <(client shown)
if [ -n "${cx:-}" ]; then
    read -r ox oy < <(sed -n 's/^offset \([0-9]*\),\([0-9]*\)$/\1 \2/p' "$WORK/shown.out")
    xdotool mousemove $((cx + ox + 40)) $((cy + oy + 30))
    sleep 0.3
    xdotool click 5
    wait_line shown 'zoom 216 ' && sleep 0.5
    import -window root "$WORK/zoomin.png" 2>/dev/null
    xdotool click 4
    wait_line shown 'zoom 199 ' && sleep 0.5
    import -window root "$WORK/zoomout.png" 2>/dev/null
fi
stop shown

# Zoomed far in, the keys scroll.
start keys "$WORK/rose.ppm" --zoom 1200
xdotool key Next
wait_line keys '^view '
xdotool key Right Right
for _ in $(seq 40); do
    [ "$(grep -c '^view ' "$WORK/keys.out")" -ge 3 ] && break
    sleep 0.1
done
sleep 0.5
import -window root "$WORK/keys.png" 2>/dev/null
stop keys

# A selection turned gray.
start select "$WORK/rose.ppm" --zoom 200 --select 5,5,30,20 --gray
import -window root "$WORK/select.png" 2>/dev/null
stop select

# The chessboard around a small image.
start chess "$WORK/rose.ppm" --background 7
import -window root "$WORK/chess.png" 2>/dev/null
stop chess
true
INSIDE
xvfb_start 800x600x24 || exit 1
timeout 60 bash "$WORK/inside.sh" "$TOOL" "$WORK"
[ -n "${IKVIEW_SCREENSHOT:-}" ] && [ -f "$WORK/shown.png" ] && cp "$WORK/shown.png" "$IKVIEW_SCREENSHOT"

pixel() { # file x y: "r,g,b"
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}
grep -q '^ready' "$WORK/shown.out" || fail "ikview did not show the rose"
read -r cx cy cw ch < <(sed -n 's/^client \([0-9]*\),\([0-9]*\) \([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' "$WORK/shown.out")
read -r ox oy < <(sed -n 's/^offset \([0-9]*\),\([0-9]*\)$/\1 \2/p' "$WORK/shown.out")
zoom=$(sed -n 's/^zoom \([0-9.]*\)$/\1/p' "$WORK/shown.out")
[ "$zoom" = 200 ] || fail "ikview reports zoom '$zoom', asked for 200"
[ "$ox" = $(((cw - 80) / 2)) ] && [ "$oy" = $(((ch - 60) / 2)) ] || fail "the 80 x 60 image in a ${cw}x${ch} client is not centred at $ox,$oy"
# Probes: bitmap pixel (x, y) shows at client offset + 2 (x, y) and the pixel beside it.
for p in "0 0" "39 29" "17 11" "30 4" "5 25"; do
    set -- $p
    want=$(pixel "$WORK/rose.ppm" "$1" "$2")
    for d in "0 0" "1 1"; do
        set -- $p $d
        got=$(pixel "$WORK/shown.png" $((cx + ox + 2 * $1 + $3)) $((cy + oy + 2 * $2 + $4)))
        [ "$got" = "$want" ] || fail "rose pixel $1,$2 is $want in the file, $got on the screen"
    done
done
face=$(pixel "$WORK/shown.png" $((cx + 2)) $((cy + 2)))
echo "rose at 200 %: ${cw}x${ch} client at $cx,$cy, image at $ox,$oy, probes agree; background $face"

# The image's width on the screen: pixels along its middle row that are not the background.
width() {
    convert "$1" -crop "${cw}x1+${cx}+$((cy + ch / 2))" +repage -fill black +opaque "rgb($face)" \
        -fill white -opaque "rgb($face)" -negate -format '%[fx:int(mean*w+0.5)]' info:
}
grep -q 'zoom 216 ' "$WORK/shown.out" || fail "the wheel turned towards the user did not zoom in to 216 %"
grep -q 'zoom 199 ' "$WORK/shown.out" || fail "the wheel turned away from the user did not zoom out to 199 %"
w0=$(width "$WORK/shown.png"); w1=$(width "$WORK/zoomin.png"); w2=$(width "$WORK/zoomout.png")
echo "image width on the screen: $w0 at 200 %, $w1 after click 5, $w2 after click 4"
[ "$w1" -gt "$w0" ] || fail "the image did not get wider on the screen after click 5"
[ "$w2" -lt "$w1" ] || fail "the image did not get narrower on the screen after click 4"

grep -q '^ready' "$WORK/keys.out" || fail "ikview did not show the zoomed rose"
# Page Down moves the origin down by the client height (at most to the bottom), each right arrow one line
# of 12 screen pixels (one bitmap pixel at 1200 %) to the right.
read -r x0 y0 < <(sed -n 's/^origin \([0-9]*\),\([0-9]*\)$/\1 \2/p' "$WORK/keys.out")
views=$(sed -n 's/^view \([0-9]*\),\([0-9]*\) .*/\1 \2/p' "$WORK/keys.out")
read -r px py < <(sed -n 1p <<<"$views")
read -r vx vy < <(sed -n 3p <<<"$views")
[ -n "${y0:-}" ] && [ -n "${py:-}" ] && [ "$px" = "$x0" ] && [ "$py" -gt "$y0" ] ||
    fail "Page Down did not scroll down from $x0,$y0 (views: $views)"
[ -n "${vx:-}" ] && [ "$vx" = $((x0 + 24)) ] && [ "$vy" = "$py" ] ||
    fail "two right arrows did not scroll 24 pixels right from $x0,$py (views: $views)"
read -r kx ky < <(sed -n 's/^client \([0-9]*\),\([0-9]*\) .*/\1 \2/p' "$WORK/keys.out")
# At 1200 % the first bitmap column shown is the origin / 12 rounded (halves to even), and client pixel
# (50, 40) lies 4 columns and 3 rows further.
read -r sx sy < <(awk -v x="$vx" -v y="$vy" 'BEGIN { printf "%.0f %.0f\n", x / 12, y / 12 }')
want=$(pixel "$WORK/rose.ppm" $((sx + 4)) $((sy + 3)))
got=$(pixel "$WORK/keys.png" $((kx + 50)) $((ky + 40)))
echo "scrolled by the keys from $x0,$y0 to $px,$py and $vx,$vy: screen $got, file $want"
[ "$got" = "$want" ] || fail "after scrolling to $vx,$vy the screen shows $got where the file has $want"

grep -q '^ready' "$WORK/chess.out" || fail "ikview did not show the rose over the chessboard"
read -r qx qy < <(sed -n 's/^client \([0-9]*\),\([0-9]*\) .*/\1 \2/p' "$WORK/chess.out")
a=$(pixel "$WORK/chess.png" $((qx + 3)) $((qy + 3)))
b=$(pixel "$WORK/chess.png" $((qx + 19)) $((qy + 3)))
c=$(pixel "$WORK/chess.png" $((qx + 3)) $((qy + 19)))
d=$(pixel "$WORK/chess.png" $((qx + 19)) $((qy + 19)))
echo "chessboard squares: $a $b / $c $d"
[ "$a" = "$d" ] && [ "$b" = "$c" ] && [ "$a" != "$b" ] || fail "no chessboard squares: $a $b / $c $d"
IFS=, read -r r g bl <<<"$b"
[ "$a" = "$((255 - r)),$((255 - g)),$((255 - bl))" ] || fail "the squares $a and $b are not complements"
grep -q '^ready' "$WORK/select.out" || fail "ikview did not show the selection"
read -r sx sy < <(sed -n 's/^client \([0-9]*\),\([0-9]*\) .*/\1 \2/p' "$WORK/select.out")
read -r ox oy < <(sed -n 's/^offset \([0-9]*\),\([0-9]*\)$/\1 \2/p' "$WORK/select.out")
at() { pixel "$WORK/select.png" $((sx + ox + $1)) $((sy + oy + $2)); }
# Inside, away from the grips.
for p in "15 12" "8 15" "25 17" "20 8"; do
    set -- $p
    IFS=, read -r r g bl <<<"$(pixel "$WORK/rose.ppm" "$1" "$2")"
    gray=$(((r * 21 + g * 71 + bl * 8) / 100))
    got=$(at $((2 * $1 + 1)) $((2 * $2 + 1)))
    [ "$got" = "$gray,$gray,$gray" ] || fail "selected pixel $1,$2 is $got on the screen, its gray is $gray"
done
for p in "35 25" "2 2" "34 8" "15 22"; do
    set -- $p
    want=$(pixel "$WORK/rose.ppm" "$1" "$2")
    got=$(at $((2 * $1)) $((2 * $2)))
    [ "$got" = "$want" ] || fail "pixel $1,$2 outside the selection is $got on the screen, $want in the file"
done
# The edges of bitmap rows 5 and 20 lie on screen rows 10 and 41, between the grips (corners at 10 and 62,
# side middles at 36, each 5 pixels wide on either side).
for row in 10 41; do
    dashes=""
    for x in $(seq 17 29); do
        c=$(at "$x" "$row")
        case $c in
        0,0,0) dashes+=b ;;
        255,255,255) dashes+=w ;;
        *) fail "edge pixel $x,$row of the selection is $c, neither black nor white" ;;
        esac
    done
    echo "selection edge at row $row: $dashes"
    [[ $dashes == *b* && $dashes == *w* ]] || fail "no black and white dashes on row $row: $dashes"
done
echo "selection: gray inside, colour outside, dashed edges"

echo "imaging view: renderings equal ImageMagick's, the screen shows the image, the wheel zooms, keys scroll"
