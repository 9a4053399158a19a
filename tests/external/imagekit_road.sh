#!/bin/bash
# The editor's road for image files that are neither GIF nor BMP, against ImageMagick: files made here by
# ImageMagick and netpbm (PNG of the rose and of a 20 x 20 crop of it, JPEG, TIFF uncompressed and LZW, TGA,
# PCX, ICO, PBM, PGM, PPM and a PNG of 16 colours) go through picdump --imagekit (a TImageKit loads the file
# by its extension, reduces it to 256 colours and hands out its bitmap). Each result has the size
# ImageMagick reads and at most 256 colours (identify %k); a file of at most 256 colours comes out equal to
# ImageMagick's decoding (compare -metric AE 0), a photograph of more within 30 dB PSNR of it. The TGA file is
# netpbm's (ppmtotga) and its reference netpbm's tgatoppm: the ImageMagick installed here stores and reads a
# Targa file's rows upside down against its origin bits (both netpbm and the library follow the bits).
# $1 is the build folder.
# Budget: 90 s
set -u
BUILD=$(cd "${1:?build folder}" && pwd)
TOOL=$BUILD/tools/picdump
for tool in convert compare identify ppmtopgm pgmtopbm ppmtotga tgatoppm; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$TOOL" ] || { echo "missing $TOOL: build the target tool_picdump"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-imagekit.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# The corpus, with the commands that made it.
make() {
    "$@" || { echo "FAIL: $*"; exit 1; }
}
make convert rose: rose.png
make convert rose: -crop 20x20+10+10 +repage crop.png
make convert rose: -quality 90 rose.jpg
make convert rose: -compress none rose.tif
make convert rose: -compress lzw roselzw.tif
make convert rose: rose.pcx
make convert rose: -resize '32x32!' rose.ico
make convert rose: rose.ppm
ppmtotga -rgb -norle rose.ppm >rose.tga 2>/dev/null || fail "ppmtotga -rgb -norle rose.ppm"
ppmtopgm rose.ppm >rose.pgm || fail "ppmtopgm rose.ppm"
pgmtopbm rose.pgm >rose.pbm || fail "pgmtopbm rose.pgm"
make convert rose: -colors 16 rose16.png

for f in rose.png crop.png rose.jpg rose.tif roselzw.tif rose.tga rose.pcx rose.ico rose.pbm rose.pgm rose.ppm \
    rose16.png; do
    if ! "$TOOL" --imagekit "$f" "$f.pam" 2>"$f.err"; then
        fail "picdump --imagekit $f: $(cat "$f.err")"
        continue
    fi
    convert "$f.pam" -alpha off "$f.out.ppm"
    case $f in
    *.tga) tgatoppm "$f" >"$f.ref.ppm" 2>/dev/null ;;
    *) convert "$f" -alpha off "$f.ref.ppm" ;;
    esac
    size=$(identify -format '%wx%h' "$f.out.ppm")
    want=$(identify -format '%wx%h' "$f.ref.ppm")
    colours=$(identify -format '%k' "$f.out.ppm")
    source_colours=$(identify -format '%k' "$f.ref.ppm")
    [ "$size" = "$want" ] || { fail "$f: ${size} through the image component, ImageMagick reads ${want}"; continue; }
    [ "$colours" -le 256 ] || fail "$f: $colours colours after the reduction to 256"
    if [ "$source_colours" -le 256 ]; then
        ae=$(compare -metric AE "$f.out.ppm" "$f.ref.ppm" null: 2>&1)
        echo "$f: $size, $source_colours colours, $colours after; $ae pixels differ from ImageMagick's decoding"
        [ "$ae" = 0 ] || fail "$f: $ae pixels differ from ImageMagick's decoding"
    else
        psnr=$(compare -metric PSNR "$f.out.ppm" "$f.ref.ppm" null: 2>&1)
        echo "$f: $size, $source_colours colours, $colours after; PSNR $psnr dB against ImageMagick's decoding"
        awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p + 0 >= 30) }' || fail "$f: PSNR $psnr dB, below 30"
    fi
done
[ "$failed" = 0 ] || exit 1
echo "imagekit road: every file has ImageMagick's size, at most 256 colours and its pixels"
