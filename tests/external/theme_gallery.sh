#!/bin/bash
# The built-in visual styles checked with ImageMagick: the gallery of every class, part and state in each
# colour scheme has no blank cell, and the push button's border is the scheme's menu-border colour of the
# Office-2003 table (typed here from the table, not from the program). Under a virtual X display the gallery
# shown through the Qt screen is pixel for pixel the BMP the tool wrote. $1 is the build folder.
set -u
BUILD=${1:?build folder}
GALLERY=$BUILD/tools/themegallery
for tool in convert compare identify; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$GALLERY" ] || { echo "missing $GALLERY: build the target tool_themegallery"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-theme-gallery.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
fail=0

declare -A BORDER=([blue]="srgb(0,45,150)" [olive]="srgb(117,141,94)" [silver]="srgb(124,124,148)")

for scheme in blue olive silver; do
    bmp=$WORK/gallery-$scheme.bmp
    cells=$WORK/cells-$scheme.txt
    "$GALLERY" "$bmp" --scheme "$scheme" --cells "$cells" || { echo "FAIL: themegallery --scheme $scheme"; exit 1; }
    identify "$bmp" >/dev/null || { echo "FAIL: ImageMagick cannot read the $scheme gallery"; exit 1; }
    read -r _ x0 y0 cw ch cols rows < <(grep '^grid ' "$cells")
    # One line per cell, row by row: how many colours the cell holds (the background alone means blank).
    mapfile -t counts < <(convert "$bmp" -crop "$((cols * cw))x$((rows * ch))+$x0+$y0" +repage \
        -crop "${cw}x${ch}" +repage -format "%k\n" info:)
    [ "${#counts[@]}" -eq $((cols * rows)) ] || { echo "FAIL: $scheme: ${#counts[@]} cells, expected $((cols * rows))"; exit 1; }
    row=0 blank=0 drawn=0
    while read -r _ class part states; do
        for ((c = 0; c < states; c++)); do
            n=${counts[$((row * cols + c))]}
            if [ "$n" -le 1 ]; then
                echo "FAIL: $scheme: $class part $part state $((c + 1)) is blank"
                blank=$((blank + 1))
            fi
            drawn=$((drawn + 1))
        done
        row=$((row + 1))
    done < <(grep '^row ' "$cells")
    [ "$blank" -eq 0 ] || fail=1
    read -r _ bx by bw bh < <(grep '^button ' "$cells")
    border=$(convert "$bmp" -format "%[pixel:p{$bx,$((by + bh / 2))}]" info:)
    bottom=$(convert "$bmp" -format "%[pixel:p{$((bx + bw / 2)),$((by + bh - 1))}]" info:)
    if [ "$border" != "${BORDER[$scheme]}" ] || [ "$bottom" != "${BORDER[$scheme]}" ]; then
        echo "FAIL: $scheme: push button border $border / $bottom, expected ${BORDER[$scheme]}"
        fail=1
    else
        echo "ok: $scheme: $drawn cells drawn, none blank, push button border $border"
    fi
done

# The gallery on a desktop: the Qt screen shows exactly the pixels of the BMP.
XVFB_LIB=$(dirname "$0")/lib/xvfb.sh
if [ ! -f "$XVFB_LIB" ] || ! command -v Xvfb >/dev/null 2>&1 || ! command -v import >/dev/null 2>&1; then
    echo "the desktop half is skipped: no virtual display helper, Xvfb or import"
    exit $fail
fi
# shellcheck source=lib/xvfb.sh
source "$XVFB_LIB"
xvfb_start 1024x2100x24 || exit 1
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
shown=$WORK/shown.bmp
"$GALLERY" "$shown" --scheme olive --window >"$WORK/window.out" 2>"$WORK/window.err" &
pid=$!
size=$(identify -format "%wx%h" "$WORK/gallery-olive.bmp")
same=1
for _ in $(seq 100); do
    sleep 0.2
    kill -0 "$pid" 2>/dev/null || { echo "FAIL: themegallery --window ended early"; cat "$WORK/window.err"; exit 1; }
    grep -q '^shown' "$WORK/window.out" || continue
    import -window root -crop "$size+0+0" +repage "$WORK/screen.png" 2>/dev/null || continue
    diff=$(compare -metric AE "$WORK/screen.png" "$shown" null: 2>&1)
    if [ "$diff" = "0" ]; then
        same=0
        break
    fi
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
if [ $same -ne 0 ]; then
    echo "FAIL: the gallery on screen differs from its BMP in $diff pixels"
    exit 1
fi
cmp -s "$shown" "$WORK/gallery-olive.bmp" || { echo "FAIL: the shown gallery is not the one drawn without a screen"; exit 1; }
echo "ok: the gallery on the Qt screen equals its BMP ($size)"
exit $fail
