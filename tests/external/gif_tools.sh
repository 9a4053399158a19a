#!/bin/bash
# Checks the GIF reader and writer against programs nobody here wrote: giflib's giftext and gifbuild,
# gifsicle, ImageMagick, netpbm and ffmpeg. $1 is the build folder. The corpus is made at test time in a
# temporary folder; corpus.log there records the commands that made it.
#
# For every corpus file F:
#   reading: the frames tools/gifdump reads equal giflib's indices and ImageMagick's RGBA of each frame,
#            and the PAM files of "gifdump frames" hold the same pixels;
#   writing: "gifdump roundtrip F O" (LZW and run-length) gives a file that gifsicle --info and giftext
#            accept, with the same frames, delays, disposals, transparency and loop count as F for gifsicle,
#            the same indices for giflib, the same RGBA for ImageMagick, the same composed frames and
#            timing for ffmpeg, and the same unoptimised frames for gifsicle -U.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
DUMP=$BUILD/tools/gifdump
source "$(dirname "$0")/lib/gif_corpus.sh"
gif_need giftext gifbuild gifsicle convert identify pamtogif ppmpat pnmquant ffmpeg cmp awk od
[ -x "$DUMP" ] || { echo "missing $DUMP: build the target tool_gifdump"; exit 1; }
gif_workdir gif-tools

# The corpus.
gif_corpus_base
make convert -size 8x8 xc:red -fill blue -draw 'point 3,3' one.gif
for n in 2 3 5 9 17 33 65 129 256; do
    make convert base.png -colors $n colors-$n.gif
done
make convert base.png -colors 40 -interlace GIF interlaced.gif
gif_corpus_animations
make convert anim-None.gif -coalesce coalesced.gif
make gifsicle -O2 coalesced.gif -o optimised.gif
make gifsicle --interlace local-tables.gif -o gifsicle-interlaced.gif
make gifsicle --colors 4 --transparent '#000000' -O1 coalesced.gif -o gifsicle-transparent.gif
gif_corpus_netpbm
gif_corpus_giflib

# Colour indices, one per line: ours, and giflib's from its text dump (one character per pixel, keyed by
# the colour map listing, or two hex digits per pixel for large maps).
indices() { "$DUMP" indices "$1" | od -An -v -tu1 -w1 | tr -d ' '; }
giflib_indices() {
    gifbuild -d "$1" | awk '
        BEGIN { hexd = "0123456789abcdef" }
        function keep(dest, k) { split("", dest); for (k in cur) dest[k] = cur[k] }
        /^(screen|image) map/ { inmap = 1; which = $1; n = 0; split("", cur); next }
        inmap && /^\trgb/ { if ($(NF - 1) == "is") cur[$NF] = n; n++; next }
        inmap && /^end/ { inmap = 0; if (which == "screen") keep(gmap); else { keep(lmap); local = 1 } next }
        /^image # / { local = 0; next }
        /^image bits/ { rows = $5; hex = ($6 == "hex"); next }
        rows > 0 {
            if (hex) {
                for (i = 1; i < length($0); i += 2)
                    print 16 * (index(hexd, substr($0, i, 1)) - 1) + index(hexd, substr($0, i + 1, 1)) - 1
            } else {
                for (i = 1; i <= length($0); i++) { c = substr($0, i, 1); print (local ? lmap[c] : gmap[c]) }
            }
            rows--
        }'
}
rgba() { convert "$1" -background black -alpha background -depth 8 rgba:-; }
info() { gifsicle --info "$1" | sed -e '1d' -e 's/ interlaced//'; }

for f in *.gif; do
    [ -s "$f" ] || continue
    # Reading.
    cmp -s <(indices "$f") <(giflib_indices "$f") || fail "$f: indices differ from giflib"
    cmp -s <("$DUMP" rgba "$f") <(rgba "$f") || fail "$f: RGBA differs from ImageMagick"
    frames=$(identify "$f" | wc -l)
    grep -q "^frames $frames " <("$DUMP" info "$f") || fail "$f: frame count differs from ImageMagick"
    rm -rf pam && "$DUMP" frames "$f" pam || fail "$f: gifdump frames"
    i=0
    for pam in pam/frame-*.pam; do
        cmp -s <(convert "$pam" -background black -alpha background -depth 8 rgba:-) \
            <(convert "$f[$i]" -background black -alpha background -depth 8 rgba:-) ||
            fail "$f: $pam differs from ImageMagick's frame $i"
        i=$((i + 1))
    done
    # Writing.
    for mode in "" --rle; do
        out="out${mode}-$f"
        "$DUMP" roundtrip "$f" "$out" $mode || { fail "$f: roundtrip $mode"; continue; }
        gifsicle --info "$out" >/dev/null 2>&1 || fail "$out: gifsicle --info refuses it"
        giftext "$out" | grep -q "GIF file terminated normally" || fail "$out: giftext refuses it"
        cmp -s <(info "$f") <(info "$out") || fail "$out: gifsicle --info differs"
        cmp -s <(indices "$f") <(indices "$out") || fail "$out: other frames than $f"
        cmp -s <(indices "$f") <(giflib_indices "$out") || fail "$out: giflib decodes other indices"
        cmp -s <(rgba "$f") <(rgba "$out") || fail "$out: ImageMagick decodes other pixels"
        cmp -s <(ffmpeg -v error -i "$f" -f framecrc - | grep -v '^#') \
            <(ffmpeg -v error -i "$out" -f framecrc - | grep -v '^#') || fail "$out: ffmpeg decodes other frames"
        if gifsicle -U "$f" >u-in.gif 2>/dev/null; then
            gifsicle -U "$out" >u-out.gif 2>/dev/null || fail "$out: gifsicle -U refuses it"
            cmp -s <(rgba u-in.gif) <(rgba u-out.gif) ||
                fail "$out: gifsicle -U gives other frames"
        fi
    done
done

count=$(ls *.gif | grep -vc '^out')

# An image 17 wide and 0 high on a screen 2 x 0, between two 2 x 1 frames with delays 10, 20 and 30: gifsicle
# reads it as a frame of one transparent pixel with its delay, and so must we (the screen grows to hold the
# frames), and write it so that gifsicle, giflib and ImageMagick read three frames with the same delays.
printf '%b' '\107\111\106\070\071\141\002\000\000\000\200\000\000\377\000\000\000\000\377\041\371\004' \
    '\000\012\000\000\000\054\000\000\000\000\002\000\001\000\000\002\002\014\012\000\041\371\004\000' \
    '\024\000\000\000\054\000\000\000\000\021\000\000\000\000\002\001\054\000\041\371\004\000\036\000' \
    '\000\000\054\000\000\000\000\002\000\001\000\000\002\002\104\012\000\073' >no-area.bin
if "$DUMP" roundtrip no-area.bin no-area-out.bin; then
    cmp -s <(info no-area.bin 2>/dev/null | sed 1d) <(info no-area-out.bin | sed 1d) ||
        fail "no-area-out.bin: gifsicle --info differs from gifsicle's reading of the input"
    giftext no-area-out.bin | grep -q "GIF file terminated normally" || fail "no-area-out.bin: giftext refuses it"
    [ "$(identify no-area-out.bin | wc -l)" -eq 3 ] || fail "no-area-out.bin: ImageMagick reads other than 3 frames"
else
    fail "no-area.bin: roundtrip"
fi

echo "checked $count corpus files and an image without area"
gif_finish
