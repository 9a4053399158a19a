#!/bin/bash
# Checks the GIF optimisation against programs nobody here wrote: gifsicle's gifdiff and ImageMagick.
# $1 is the build folder. The corpus (ImageMagick animations and gifsicle's files) is made at test time in a
# temporary folder; corpus.log there records the commands that made it.
#
# For every corpus file F:
#   "gifopt F O --always" (every step) and "gifopt F O --always --global" (every step, then one global
#   colour table whenever the colours fit) give a file O that gifdiff finds visually identical to F (frames
#   that repeat the screen before them may be merged) and that ImageMagick composes into the same screens
#   shown for the same time as F;
#   "gifopt F O --global", which keeps the smallest of those and F itself, is not larger than F.
# results.log lists what each run wrote.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
OPT=$BUILD/tools/gifopt
source "$(dirname "$0")/lib/gif_corpus.sh"
gif_need gifsicle gifdiff convert identify md5sum awk split
[ -x "$OPT" ] || { echo "missing $OPT: build the target tool_gifopt"; exit 1; }
gif_workdir gif-optimise

# The corpus.
gif_corpus_base
make convert base.png -colors 64 still.gif
gif_corpus_animations
# A ball moving over a still background, every frame drawn in full: most pixels repeat.
balls=()
for x in 4 10 16 22 28 34; do
    make convert base.png -colors 32 -fill red -draw "circle $x,15 $((x + 3)),15" ball-$x.png
    balls+=(ball-$x.png)
done
make convert -delay 10 -loop 0 "${balls[@]}" -comment "a bouncing ball" ball.gif
# More than 256 colours over all frames: never merged into one table.
make convert -delay 20 base.png -colors 200 \( base.png -negate -colors 200 \) many-colours.gif
# A frame that shows nothing between two that do.
make convert -delay 15 -dispose None base.png -colors 16 \( -size 40x30 xc:none \) \
    \( base.png -flip -colors 16 \) invisible.gif
# Transparent frames over a transparent screen.
make convert -delay 12 -dispose Background \( -size 30x20 xc:none -fill blue -draw 'rectangle 2,2 12,12' \) \
    \( -size 30x20 xc:none -fill blue -draw 'rectangle 8,4 18,14' \) \
    \( -size 30x20 xc:none -fill orange -draw 'circle 15,10 15,3' \) sprites.gif
# Single images of every table size, interlaced ones, and files of other encoders when they are installed.
for n in 2 5 17 129 256; do
    make convert base.png -colors $n colors-$n.gif
done
make convert base.png -colors 40 -interlace GIF interlaced.gif
make convert -delay 5 -loop 2 base.png -colors 48 \( base.png -roll +3+2 -colors 48 \) \
    \( base.png -roll +6+4 -colors 48 \) \( base.png -roll +9+6 -colors 48 \) rolling.gif
if command -v ppmpat >/dev/null && command -v pnmquant >/dev/null && command -v pamtogif >/dev/null; then
    gif_corpus_netpbm
fi
command -v gifbuild >/dev/null && gif_corpus_giflib
make convert ball.gif -coalesce coalesced.gif
make gifsicle -O2 coalesced.gif -o gifsicle-O2.gif
make gifsicle -O3 --colors 16 local-tables.gif -o gifsicle-O3.gif
make gifsicle --colors 4 --transparent '#000000' -O1 coalesced.gif -o gifsicle-transparent.gif
make gifsicle --interlace local-tables.gif -o gifsicle-interlaced.gif
make gifsicle -U anim-Previous.gif -o gifsicle-unoptimised.gif

# What a viewer shows: one line per composed screen (the checksum of its RGBA, transparent pixels as
# 0,0,0,0) with the time it stands, equal consecutive screens merged.
timeline() {
    local dir
    dir=$(mktemp -d "$WORK/timeline.XXXXXX")
    convert "$1" -coalesce -format '%T\n' info: >"$dir/delays" || return 1
    convert "$1" -coalesce -background black -alpha background -depth 8 rgba:"$dir/all" || return 1
    local frames size
    frames=$(wc -l <"$dir/delays")
    size=$(stat -c %s "$dir/all")
    [ "$frames" -gt 0 ] || return 1
    (cd "$dir" && split -a 4 -d -b $((size / frames)) all shot.)
    paste <(for s in "$dir"/shot.*; do md5sum <"$s" | cut -c1-32; done) "$dir/delays" |
        awk '$1 == last { delay += $2; next }
             NR > 1 { print last, delay }
             { last = $1; delay = $2 }
             END { print last, delay }'
    rm -rf "$dir"
}

for f in *.gif; do
    [ -s "$f" ] || continue
    before=$(timeline "$f") || { fail "$f: ImageMagick cannot compose it"; continue; }
    for mode in --always "--always --global" --global; do
        out="out${mode// /}-$f"
        "$OPT" "$f" "$out" $mode >>results.log 2>&1 || { fail "$f: gifopt $mode"; continue; }
        gifdiff -w "$f" "$out" >gifdiff.log 2>&1 || { fail "$out: gifdiff finds differences"; head -5 gifdiff.log; }
        [ "$(timeline "$out")" = "$before" ] || fail "$out: ImageMagick composes other screens or times"
    done
    [ "$(stat -c %s "out--global-$f")" -le "$(stat -c %s "$f")" ] || fail "out--global-$f: larger than $f"
done
grep -q "many-colours.gif.*one colour table" results.log &&
    fail "many-colours.gif: merged although it has too many colours"
grep -q "^ball.gif.*--always--global.*one colour table" results.log || fail "ball.gif: not merged into one table"
cat results.log
count=$(ls *.gif | grep -vc '^out')
echo "checked $count corpus files"
gif_finish
