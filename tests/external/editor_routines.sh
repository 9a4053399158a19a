#!/usr/bin/env bash
# The editor's document routines and placement store checked with programs nobody here wrote: test_app's
# External tests (run with LOOMWICK_APP_EXTERNAL_DIR) save animations and a placement file, and read files
# made here; gifsicle --info must show the loop counts, delays, disposals and transparent indexes expected,
# giftext exactly one loop block, on frame 0; a gifsicle -O3 file read and saved again keeps its disposals
# and its composed frames (convert -coalesce, compare -metric AE 0); Python's configparser reads the
# placement file; PNG, JPEG, TIFF, TGA, PCX, ICO and PNM files made by ImageMagick become frames of their
# size, a 16-colour one with its own pixels.
# Usage: editor_routines.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 120 s
set -u

build=${1:?usage: editor_routines.sh BUILD_DIR}
build=$(cd "$build" 2>/dev/null && pwd) || { echo "skip: no build folder $1"; exit 77; }
program=$build/tests/test_app
for tool in gifsicle giftext convert compare identify python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skip: $tool is missing"; exit 77; }
done
[[ -x $program ]] || { echo "skip: $program is not built"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-routines-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail=0
check() { # check NAME CONDITION-EXIT-STATUS MESSAGE
    if [[ $2 == 0 ]]; then echo "ok   $1"; else echo "FAIL $1: $3"; fail=1; fi
}

# An animation with frames that show the previous one, optimised by gifsicle: transparent, cropped frames
# over kept ones.
convert -size 40x30 xc:white -fill red -draw 'rectangle 2,2 12,12' f0.png
convert f0.png -fill blue -draw 'rectangle 20,10 30,20' f1.png
convert f1.png -fill green -draw 'circle 10,20 14,24' f2.png
convert f2.png -fill white -draw 'rectangle 20,10 30,20' f3.png
convert -delay 15 -loop 2 f0.png f1.png f2.png f3.png -dispose none plain.gif
gifsicle -O3 plain.gif -o optimised.gif || { echo "FAIL: gifsicle cannot optimise"; exit 1; }

# Pictures of the other formats the editor inserts, each of its own size; the PNG has 16 colours, which a
# frame keeps exactly.
convert -seed 3 -size 37x23 plasma:fractal -blur 0x1 src.ppm
convert -size 29x17 xc:black -fill '#ff0000' -draw 'rectangle 0,0 3,16' -fill '#00ff00' -draw 'rectangle 4,0 7,16' \
    -fill '#0000ff' -draw 'rectangle 8,0 9,16' -fill '#ffff00' -draw 'rectangle 10,0 11,16' \
    -fill '#00ffff' -draw 'rectangle 12,0 13,16' -fill '#ff00ff' -draw 'rectangle 14,0 15,16' \
    -fill '#808080' -draw 'rectangle 16,0 17,16' -fill '#ffffff' -draw 'rectangle 18,0 19,16' \
    -fill '#800000' -draw 'rectangle 20,0 20,16' -fill '#008000' -draw 'rectangle 21,0 21,16' \
    -fill '#000080' -draw 'rectangle 22,0 22,16' -fill '#808000' -draw 'rectangle 23,0 23,16' \
    -fill '#008080' -draw 'rectangle 24,0 24,16' -fill '#800080' -draw 'rectangle 25,0 25,16' \
    -fill '#c0c0c0' -draw 'rectangle 26,0 26,8' +antialias -type TrueColor PNG24:sixteen.png
convert src.ppm -quality 90 photo.jpg
convert src.ppm -resize 31x19! -compress None plain.tif
convert src.ppm -resize 33x21! plain.tga
convert src.ppm -resize 35x15! plain.pcx
convert src.ppm -resize 32x32! plain.ico
convert src.ppm -resize 25x27! -colorspace Gray plain.pgm
printf '%s\n' sixteen.png photo.jpg plain.tif plain.tga plain.pcx plain.ico src.ppm plain.pgm > images.txt

if ! LOOMWICK_APP_EXTERNAL_DIR=$work "$program" --gtest_filter='External.*' >app.log 2>&1; then
    echo "FAIL: test_app's External tests failed"
    cat app.log
    exit 1
fi
grep -q "SKIPPED" app.log && { echo "FAIL: a half inside test_app was skipped"; cat app.log; exit 1; }

info() { gifsicle --info "$1" 2>&1; }
# giftext's application blocks (the routines write no others than the loop block): the number of the image
# each comes before (giftext counts from 1).
loop_blocks() {
    giftext "$1" 2>&1 | awk '/^Image #/ { image++ } /application block/ { print image + 1 }'
}

# 1. The saved animation: loop count, delays (0.29 s is 29 hundredths), disposals, transparency.
i=$(info saved.gif)
transparent=$(cat saved.transparent)
[[ $(grep -c "^  + image" <<<"$i") == 3 ]]; check "saved: three frames" $? "$(grep -c '^  + image' <<<"$i") frames"
grep -q "loop count 3" <<<"$i"; check "saved: loop count 3" $? "no 'loop count 3' in: $i"
delays=$(grep -o "delay [0-9.]*s" <<<"$i" | tr '\n' ' ')
[[ $delays == "delay 0.10s delay 0.25s delay 0.29s " ]]; check "saved: delays" $? "$delays"
disposals=$(grep -o "disposal [a-z]*" <<<"$i" | tr '\n' ' ')
[[ $disposals == "disposal asis disposal background disposal previous " ]]; check "saved: disposals" $? "$disposals"
frame1=$(awk '/^  \+ image/ { on = /^  \+ image #1 / } on' <<<"$i")
grep -q "transparent $transparent\b" <<<"$frame1"; check "saved: frame 1 transparent $transparent" $? "$frame1"
[[ $(grep -c "transparent" <<<"$i") == 1 ]]; check "saved: only frame 1 transparent" $? "$i"
[[ $(loop_blocks saved.gif | tr '\n' ' ') == "1 " ]]; check "saved: one loop block, on frame 0" $? \
    "blocks before images: $(loop_blocks saved.gif | tr '\n' ' ')"

# 2. A loop block on frame 2 only ends as an endless one on frame 0; an insert at 0 keeps the count.
i=$(info moved.gif)
grep -q "loop forever" <<<"$i"; check "moved: endless" $? "$i"
[[ $(loop_blocks moved.gif | tr '\n' ' ') == "1 " ]]; check "moved: one loop block, on frame 0" $? \
    "$(loop_blocks moved.gif | tr '\n' ' ')"
i=$(info inserted.gif)
grep -q "loop count 5" <<<"$i"; check "inserted: loop count 5" $? "$i"
[[ $(loop_blocks inserted.gif | tr '\n' ' ') == "1 " ]]; check "inserted: one loop block, on frame 0" $? \
    "$(loop_blocks inserted.gif | tr '\n' ' ')"

# 3. The optimised file saved again: the same disposals and delays, the same composed frames.
before=$(info optimised.gif | grep -o "disposal [a-z]*\|delay [0-9.]*s" | tr '\n' ' ')
after=$(info optimised-saved.gif | grep -o "disposal [a-z]*\|delay [0-9.]*s" | tr '\n' ' ')
[[ -n $before && $before == "$after" ]]; check "optimised: disposals and delays kept" $? "before: $before; after: $after"
convert plain.gif -coalesce -alpha on PNG32:plain-%d.png
convert optimised-saved.gif -coalesce -alpha on PNG32:saved-%d.png
frames=0
for f in plain-*.png; do
    n=${f#plain-}
    frames=$((frames + 1))
    ae=$(compare -metric AE "$f" "saved-$n" null: 2>&1)
    [[ $ae == 0 ]]; check "optimised: coalesced frame ${n%.png} equal" $? "$ae pixels differ"
done
[[ $frames == 4 ]]; check "optimised: four coalesced frames" $? "$frames"

# 4. Other formats become frames of their size; the 16-colour picture keeps its pixels.
while read -r name size; do
    want=$(identify -format '%wx%h' "$name[0]")
    [[ $size == "$want" ]]; check "$name: read as $size" $? "ImageMagick says $want"
    got=$(gifsicle --info "$name.gif" | sed -n 's/^  + image #0 \([0-9x]*\).*/\1/p')
    [[ $got == "$want" ]]; check "$name: a frame of $want" $? "the saved frame is $got"
done < images.out
[[ $(wc -l < images.out) == $(wc -l < images.txt) ]]; check "every picture read" $? "$(cat images.out)"
ae=$(compare -metric AE sixteen.png sixteen.png.gif null: 2>&1)
[[ $ae == 0 ]]; check "sixteen.png: the frame has its own pixels" $? "$ae pixels differ"

# 5. The placement file, read by Python's configparser.
python3 - forminfo.ini <<'PY'
import configparser, sys
c = configparser.ConfigParser()
c.optionxform = str
c.read(sys.argv[1])
s = c["frmGifMainPosition"]
got = {k: int(s[k]) for k in ("Left", "Top", "Right", "Bottom", "State")}
want = {"Left": -40, "Top": 30, "Right": 660, "Bottom": 530, "State": 1}
if got != want:
    print("FAIL placement: %s, expected %s" % (got, want))
    sys.exit(1)
print("ok   placement: configparser reads frmGifMainPosition %s" % got)
PY
[[ $? == 0 ]] || fail=1
exit $fail
