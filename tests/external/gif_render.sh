#!/bin/bash
# Checks the composed animation frames against ImageMagick. $1 is the build folder. The corpus (the GIF
# codec check's files: plain, interlaced, local tables, every disposal with transparency, gifsicle's and
# netpbm's encoders) is made at test time in a temporary folder; corpus.log there records the commands.
#
# For every corpus file F, "gifdump composed F DIR" (the playback painter drawing each frame over the
# screen with the frames' disposal methods, starting from magenta) equals "convert F -coalesce" with the
# transparent pixels shown on magenta, frame for frame.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
DUMP=$BUILD/tools/gifdump
source "$(dirname "$0")/lib/gif_corpus.sh"
gif_need convert identify gifsicle pamtogif ppmpat pnmquant cmp
[ -x "$DUMP" ] || { echo "missing $DUMP: build the target tool_gifdump"; exit 1; }
gif_workdir gif-render

gif_corpus_base
make convert -size 8x8 xc:red -fill blue -draw 'point 3,3' one.gif
for n in 2 17 256; do
    make convert base.png -colors $n colors-$n.gif
done
make convert base.png -colors 40 -interlace GIF interlaced.gif
gif_corpus_animations
for d in None Background Previous Undefined; do
    # Frames placed inside the screen, transparent around a shape, after an opaque first frame.
    make convert -delay 5 -dispose $d base.png -colors 32 \
        \( -size 10x10 xc:none -fill red -draw 'circle 5,5 5,1' -repage +4+3 \) \
        \( -size 14x6 xc:none -fill blue -draw 'rectangle 2,1 11,4' -repage +20+15 \) \
        \( -size 8x8 xc:none -fill white -draw 'point 4,4' -repage +30+2 \) placed-$d.gif
done
make convert anim-None.gif -coalesce coalesced.gif
make gifsicle -O2 coalesced.gif -o optimised.gif
make gifsicle -O3 placed-Background.gif -o optimised-placed.gif
make gifsicle --colors 4 --transparent '#000000' -O1 coalesced.gif -o gifsicle-transparent.gif
gif_corpus_netpbm

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
gif_finish
