#!/usr/bin/env bash
# BMP reading checked against ImageMagick's decoder. ImageMagick and ffmpeg write a small corpus in every
# BMP layout they offer (header versions, 1 to 32 bits, RLE8, bit fields); tools/picdump must give the same
# RGBA pixels as `convert FILE -depth 8 RGBA:-` for each file.
# Usage: bmp_imagemagick.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 300 s
set -u

build=$(cd "${1:?usage: bmp_imagemagick.sh BUILD_DIR}" && pwd) || exit 1
picdump=$build/tools/picdump
command -v convert >/dev/null 2>&1 || { echo "skip: ImageMagick's convert is missing"; exit 77; }
[[ -x $picdump ]] || { echo "skip: $picdump is not built"; exit 77; }
source "$(cd "$(dirname "$0")" && pwd)/lib/batch.sh"
have_ffmpeg=1
command -v ffmpeg >/dev/null 2>&1 || have_ffmpeg=0

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-bmp-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# Sources: an odd-sized colour picture (rows need padding) and one with soft alpha.
convert -size 13x7 gradient:'#ff2000-#0030ff' \( -size 13x7 gradient:'#00ff40-#ffff00' -rotate 90 -resize 13x7! \) \
    -compose multiply -composite -depth 8 src.png
convert -size 11x5 xc:none -fill '#ff000080' -draw 'rectangle 0,0 6,4' -fill '#0000ffff' -draw 'point 10,4' \
    -depth 8 alpha.png

made=()
im() { # name, then convert arguments ending in the output prefix
    local name=$1
    shift
    if convert "$@" "$name" 2>/dev/null; then made+=("${name#*:}"); else echo "note: convert could not make $name"; fi
}
im BMP3:im-rgb24.bmp src.png -type TrueColor
im BMP2:im-os2-24.bmp src.png -type TrueColor
im BMP3:im-pal8.bmp src.png -colors 200 -type Palette
im BMP3:im-pal4.bmp src.png -colors 14 -type Palette
im BMP3:im-mono.bmp src.png -monochrome
im BMP3:im-gray.bmp src.png -colorspace Gray -type Grayscale
im BMP3:im-rle8.bmp src.png -colors 30 -type Palette -compress RLE
im BMP2:im-os2-pal8.bmp src.png -colors 100 -type Palette
im BMP:im-v5-rgb.bmp src.png -type TrueColor
im BMP:im-v5-alpha.bmp alpha.png -type TrueColorAlpha
im BMP:im-v5-pal.bmp src.png -colors 60 -type Palette
im BMP3:im-v3-alpha.bmp alpha.png -type TrueColorAlpha
for subtype in RGB565 RGB555 ARGB4444 ARGB1555 RGBA5551; do
    im "BMP:im-$subtype.bmp" src.png -define bmp:subtype=$subtype
done

if ((have_ffmpeg)); then
    for fmt in bgra bgr24 rgb565le rgb555le rgb444le rgb8 bgr8 rgb4_byte bgr4_byte gray pal8 monob; do
        if ffmpeg -v error -y -i src.png -pix_fmt $fmt "ff-$fmt.bmp" 2>/dev/null; then
            made+=("ff-$fmt.bmp")
        else
            echo "note: ffmpeg could not make $fmt"
        fi
    done
fi

# picdump reads every file in one process (tests/external/lib/batch.sh).
for f in "${made[@]}"; do
    batch_add picdump.list "$f" "$f.pam" >/dev/null
done
batch_run "$picdump" picdump.list
fail=0
n=0
for f in "${made[@]}"; do
    n=$((n + 1))
    if ! batch_ok picdump.list "$n"; then
        echo "FAIL $f: picdump refused it: $(batch_errors picdump.list "$f")"
        fail=1
        continue
    fi
    # picdump's PAM header ends with "ENDHDR\n"; the RGBA bytes follow.
    size=$(identify -format '%w %h' "$f" 2>/dev/null | head -n1)
    w=${size% *} h=${size#* }
    bytes=$((w * h * 4))
    convert "$f" -depth 8 RGBA:"$f.im.rgba"
    tail -c "$bytes" "$f.pam" >"$f.ours.rgba"
    if cmp -s "$f.im.rgba" "$f.ours.rgba"; then
        echo "ok   $f (${w}x$h)"
    elif [[ $f == ff-rgb444le.bmp ]] &&
        cmp -l "$f.im.rgba" "$f.ours.rgba" | awk 'function oct(s, i, n) { for (i = 1; i <= length(s); i++) n = n * 8 + substr(s, i, 1); return n }
            { a = oct($2); b = oct($3);
            if (a % 16 != 0 || a != b - b % 16) bad = 1 } END { exit bad }'; then
        # 4-bit channels: ImageMagick shifts them up (15 -> 240) where we repeat the bits (15 -> 255, so that
        # white stays white); every other bit agrees.
        echo "ok   $f (${w}x$h, 4-bit channels widened by bit repetition)"
    else
        echo "FAIL $f: pixels differ from ImageMagick's"
        cmp -l "$f.im.rgba" "$f.ours.rgba" | head -5
        fail=1
    fi
done
echo "${#made[@]} files checked"
exit $fail
