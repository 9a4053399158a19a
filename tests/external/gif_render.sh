#!/bin/bash
# Checks the composed animation frames against ImageMagick. $1 is the build folder. The corpus (the GIF
# codec check's files: plain, interlaced, local tables, every disposal with transparency, gifsicle's and
# netpbm's encoders) is made at test time in a temporary folder; corpus.log there records the commands.
#
# For every corpus file F, "gifdump composed F DIR" (the playback painter drawing each frame over the
# screen with the frames' disposal methods, starting from magenta) equals "convert F -coalesce" with the
# transparent pixels shown on magenta, frame for frame.
set -u
BUILD=${1:?build folder}
DUMP=$BUILD/tools/gifdump
for tool in convert identify gifsicle pamtogif ppmpat pnmquant cmp; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$DUMP" ] || { echo "missing $DUMP: build the target tool_gifdump"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-gif-render.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
make() {
    echo "$*" >>corpus.log
    "$@" >/dev/null 2>>corpus.err || fail "corpus command failed: $*"
}

make convert -size 40x30 plasma:fractal -seed 7 base.png
make convert -size 8x8 xc:red -fill blue -draw 'point 3,3' one.gif
for n in 2 17 256; do
    make convert base.png -colors $n colors-$n.gif
done
make convert base.png -colors 40 -interlace GIF interlaced.gif
for d in None Background Previous Undefined; do
    make convert -delay 7 -dispose $d -loop 3 base.png -colors 16 \
        \( -size 12x9 xc:none -fill green -draw 'circle 6,4 6,1' \) \
        \( -size 40x30 xc:yellow -fill black -draw 'rectangle 5,5 20,20' \) anim-$d.gif
    # Frames placed inside the screen, transparent around a shape, after an opaque first frame.
    make convert -delay 5 -dispose $d base.png -colors 32 \
        \( -size 10x10 xc:none -fill red -draw 'circle 5,5 5,1' -repage +4+3 \) \
        \( -size 14x6 xc:none -fill blue -draw 'rectangle 2,1 11,4' -repage +20+15 \) \
        \( -size 8x8 xc:none -fill white -draw 'point 4,4' -repage +30+2 \) placed-$d.gif
done
make convert -delay 20 -loop 0 base.png -colors 8 \( base.png -rotate 180 -colors 64 \) \
    \( base.png -negate -colors 200 \) local-tables.gif
make convert anim-None.gif -coalesce coalesced.gif
make gifsicle -O2 coalesced.gif -o optimised.gif
make gifsicle -O3 placed-Background.gif -o optimised-placed.gif
make gifsicle --colors 4 --transparent '#000000' -O1 coalesced.gif -o gifsicle-transparent.gif
echo "ppmpat -camo -randomseed 5 33 21 | pnmquant 16 | pamtogif -interlace -transparent=red > netpbm.gif" >>corpus.log
ppmpat -camo -randomseed 5 33 21 2>>corpus.err | pnmquant 16 2>>corpus.err |
    pamtogif -interlace -transparent=red >netpbm.gif 2>>corpus.err || fail "netpbm"

checked=0
for f in *.gif; do
    [ -s "$f" ] || continue
    # ImageMagick (and ffmpeg) start the screen in the GIF's background colour, which shows where the
    # first frame restores to the previous picture, but clear areas restored to the background to
    # transparent: the painter starts from the target's picture for both, so it gets the matching one.
    start=ff00ff
    grep -q '^frame 0 .* disposal 3 ' <("$DUMP" info "$f") && start=background
    rm -rf composed && "$DUMP" composed "$f" composed $start || { fail "$f: gifdump composed"; continue; }
    frames=$(identify "$f" | wc -l)
    ours=$(ls composed | wc -l)
    [ "$ours" -eq "$frames" ] || { fail "$f: $ours composed frames, ImageMagick has $frames"; continue; }
    cmp -s <(for p in composed/composed-*.ppm; do convert "$p" -depth 8 rgb:-; done) \
        <(convert "$f" -coalesce -background '#ff00ff' -alpha remove -alpha off -depth 8 rgb:-) ||
        fail "$f: composed frames differ from ImageMagick's -coalesce"
    checked=$((checked + 1))
done

echo "checked $checked corpus files"
[ "$failures" -eq 0 ] || { echo "corpus commands:"; cat corpus.log; exit 1; }
