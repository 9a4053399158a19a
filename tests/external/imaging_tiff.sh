#!/usr/bin/env bash
# TIFF reading and writing checked against libtiff's tools and ImageMagick. A corpus made here with tiffcp,
# fax2tiff and ImageMagick (every compression we read, strips and tiles, separate planes, both byte orders
# and fill orders, bilevel pages with both photometric values, palette, gray 1 to 16 bits, RGB and RGBA of 8
# and 16 bits, CMYK, CIELab, orientations) is decoded by tools/iktiff and compared with tiff2rgba's pixels
# (ImageMagick's for alpha and orientation, which tiff2rgba premultiplies or ignores). Files iktiff writes
# must pass tiffinfo -D, and the lossless ones decode in tiff2rgba equal to their source.
# Usage: imaging_tiff.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 300 s
set -u

build=$(cd "${1:?usage: imaging_tiff.sh BUILD_DIR}" && pwd)
iktiff=$build/tools/iktiff
for tool in tiffcp tiff2rgba tiffinfo tiffdump fax2tiff convert compare; do
    command -v $tool >/dev/null 2>&1 || { echo "skip: $tool is missing"; exit 77; }
done
[[ -x $iktiff ]] || { echo "skip: $iktiff is not built"; exit 77; }
source "$(cd "$(dirname "$0")" && pwd)/lib/batch.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-tiff-XXXXXX")
[[ -n ${KEEP:-} ]] || trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

fail=0
checked=0

# rgba FILE OUT: RGBA bytes of a file as ImageMagick reads it.
rgba() { convert "$1" -depth 8 RGBA:"$2" 2>/dev/null; }

# Every run of iktiff is queued and made in one process (tests/external/lib/batch.sh): queue ARGS... queues
# one and sets $run to its number; later CHECK ARGS... (words without blanks) runs the check's second half
# once iktiff has written everything.
deferred=()
queue() { run=$(batch_add runs.list "$@"); }
later() { deferred+=("$*"); }
refused() { # run number, file: true (with the report) when iktiff refused the file
    batch_ok runs.list "$1" && return 1
    echo "FAIL $2: iktiff refused it: $(batch_errors runs.list "$2")"
    fail=1
}

# ours FILE OUT: RGBA bytes of iktiff's decoding of FILE (in FILE.pam).
ours() {
    local f=$1 out=$2
    local size w h
    size=$(head -c 100 "$f.pam" | awk '/^WIDTH/ { w = $2 } /^HEIGHT/ { h = $2 } END { print w, h }')
    w=${size% *} h=${size#* }
    tail -c $((w * h * 4)) "$f.pam" >"$out"
    echo "$w $h" >"$out.size"
}

# same NAME A B W H FUZZ: the two RGBA byte files agree (FUZZ percent per channel, 0 for exact).
same() {
    local name=$1 a=$2 b=$3 w=$4 h=$5 fuzz=$6
    checked=$((checked + 1))
    if [[ $fuzz == 0 ]] && cmp -s "$a" "$b"; then
        echo "ok   $name"
        return 0
    fi
    local diff
    diff=$(compare -metric AE -fuzz "$fuzz%" -size "${w}x$h" -depth 8 "RGBA:$a" "RGBA:$b" null: 2>&1)
    if [[ $fuzz != 0 && $diff == 0 ]]; then
        echo "ok   $name (within $fuzz%)"
        return 0
    fi
    echo "FAIL $name: $diff pixels differ"
    fail=1
}

# check FILE [REFERENCE] [FUZZ] [iktiff options]: iktiff's pixels equal tiff2rgba's (REFERENCE "im": ImageMagick's).
check() {
    local f=$1 ref=${2:-libtiff} fuzz=${3:-0}
    shift $(($# < 3 ? $# : 3))
    queue "$f" "$f.pam" "$@"
    later check_done "$run" "$f" "$ref" "$fuzz"
}
check_done() {
    local n=$1 f=$2 ref=$3 fuzz=$4 w h
    refused "$n" "$f" && return
    ours "$f" "$f.ours"
    read -r w h <"$f.ours.size"
    if [[ $ref == im ]]; then
        rgba "$f" "$f.ref"
    else
        tiff2rgba -n "$f" "$f.rgba.tif" 2>/dev/null || tiff2rgba "$f" "$f.rgba.tif"
        rgba "$f.rgba.tif" "$f.ref"
    fi
    same "$f" "$f.ref" "$f.ours" "$w" "$h" "$fuzz"
}

# ---- Sources -------------------------------------------------------------------------------------------------
convert -size 37x19 gradient:'#ff2000-#0030ff' \( -size 37x19 gradient:'#00ff40-#ffff00' -rotate 90 -resize 37x19! \) \
    -compose multiply -composite -depth 8 -type TrueColor src.png
convert src.png -compress none -type TrueColor src.tif
convert -size 37x19 xc:none -fill '#ff000080' -draw 'rectangle 0,0 20,12' -fill '#0000ffff' -draw 'circle 28,10 28,4' \
    -depth 8 alpha.png
convert -size 61x23 xc:white -fill black -draw "circle 30,11 30,2" -draw "rectangle 2,2 9,20" \
    -draw "line 40,0 60,22" -type bilevel -depth 1 -compress none bw-black.tif
convert bw-black.tif -define tiff:photometric=min-is-white -type bilevel -depth 1 -compress Group4 bw-white-g4.tif
tiffcp -c none bw-white-g4.tif bw-white.tif

# ---- Colour and gray pages through tiffcp ------------------------------------------------------------------
for c in none packbits lzw lzw:2; do
    tiffcp -c $c src.tif "rgb-${c/:/}.tif"
    tiffcp -c $c -B src.tif "rgb-${c/:/}-be.tif"
    tiffcp -c $c -t -w 16 -l 16 src.tif "rgb-${c/:/}-tiled.tif"
    tiffcp -c $c -p separate -r 5 src.tif "rgb-${c/:/}-planar.tif"
done
tiffcp -c none -r 4 src.tif rgb-strips4.tif
tiffcp -c packbits -p separate -t -w 16 -l 16 src.tif rgb-planar-tiled.tif
for f in rgb-*.tif; do check "$f"; done
# JPEG: both decoders run libjpeg on the same data; colour conversion and upsampling may differ by a little.
tiffcp -c jpeg src.tif jpeg-ycbcr.tif
tiffcp -c jpeg -r 16 src.tif jpeg-strips.tif
tiffcp -c jpeg -t -w 16 -l 16 src.tif jpeg-tiled.tif
for f in jpeg-*.tif; do check "$f" libtiff 3; done

# ---- ImageMagick's forms -------------------------------------------------------------------------------------
im() { # name, then convert arguments
    local name=$1
    shift
    convert "$@" "$name" 2>/dev/null || { echo "note: convert could not make $name"; return 1; }
}
im rgb16.tif src.png -depth 16 -compress none
im rgb16-lzw-be.tif src.png -depth 16 -compress lzw -endian MSB
for d in 1 2 4 8 16; do
    im "gray$d.tif" src.png -colorspace Gray -type Grayscale -depth $d -compress none
    im "gray$d-lzw.tif" src.png -colorspace Gray -type Grayscale -depth $d -compress lzw
done
im pal8.tif src.png -colors 200 -type Palette -depth 8 -compress none
im pal4.tif src.png -colors 14 -type Palette -depth 4 -compress none
im pal1.tif src.png -colors 2 -type Palette -depth 1 -compress none
im pal8-packbits.tif src.png -colors 100 -type Palette -compress RLE
im cmyk.tif src.png -colorspace CMYK -compress none
im cmyk-lzw.tif src.png -colorspace CMYK -compress lzw
for f in rgb16*.tif gray*.tif pal*.tif cmyk*.tif; do [[ -f $f ]] && check "$f"; done
# tiff2rgba shows CIELab through its own display model; ImageMagick converts back to the source's colours.
if im lab.tif src.png -colorspace Lab -compress none; then check lab.tif im 2; fi
im rgba8.tif alpha.png -compress none
im rgba8-lzw-tiled.tif alpha.png -compress lzw -define tiff:tile-geometry=16x16
im rgba16.tif alpha.png -depth 16 -compress none
im graya.tif alpha.png -colorspace Gray -type GrayscaleAlpha -compress none
for f in rgba*.tif graya.tif; do [[ -f $f ]] && check "$f" im 1; done

# ---- Bilevel pages ---------------------------------------------------------------------------------------------
for src in bw-black bw-white; do
    for c in none packbits lzw g3 g3:2d g3:2d:fill g4; do
        tiffcp -c $c "$src.tif" "bl-$src-${c//:/-}.tif"
        tiffcp -c $c -f lsb2msb "$src.tif" "bl-$src-${c//:/-}-fill2.tif"
    done
    tiffcp -c g4 -t -w 32 -l 16 "$src.tif" "bl-$src-g4-tiled.tif"
    tiffcp -c g3 -r 5 "$src.tif" "bl-$src-g3-strips.tif"
done
tiffcp -c g3 bw-black.tif g3src.tif
dd if=g3src.tif of=raw.g3 bs=1 skip=8 count="$(tiffdump g3src.tif | awk '/StripByteCounts/ { gsub(/.*<|>.*/, ""); print }')" 2>/dev/null
fax2tiff -M -X 61 -o bl-fax2tiff.tif raw.g3 2>/dev/null
fax2tiff -M -X 61 -p -o bl-fax2tiff-packed.tif raw.g3 2>/dev/null
for f in bl-*.tif; do [[ -f $f ]] && check "$f"; done

# ---- Orientations ----------------------------------------------------------------------------------------------
orient_done() {
    local n=$1 f=$2 w h
    refused "$n" "$f" && return
    ours "$f" "${f%.tif}.ours"
    read -r w h <"${f%.tif}.ours.size"
    convert "$f" -auto-orient -depth 8 RGBA:"${f%.tif}.ref"
    same "$f (turned)" "${f%.tif}.ref" "${f%.tif}.ours" "$w" "$h" 0
}
for o in 1 2 3 4 5 6 7 8; do
    cp rgb-none.tif "orient$o.tif"
    tiffset -s 274 $o "orient$o.tif" 2>/dev/null || { echo "note: tiffset is missing"; break; }
    queue "orient$o.tif" "orient$o.tif.pam" --orient
    later orient_done "$run" "orient$o.tif"
done

# ---- Multi-page files ------------------------------------------------------------------------------------------
page_done() {
    local n=$1 p=$2 want=$3
    batch_ok runs.list "$n" || { echo "FAIL pages.tif page $p"; fail=1; return; }
    checked=$((checked + 1))
    if cmp -s <(tail -c +1 "pages$p.pam") <(tail -c +1 "$want.page.pam"); then echo "ok   pages.tif page $p"; else
        echo "FAIL pages.tif page $p differs from $want"
        fail=1
    fi
}
tiffcp rgb-none.tif bw-black.tif pal8.tif pages.tif
for p in 0 1 2; do
    case $p in 0) want=rgb-none.tif ;; 1) want=bw-black.tif ;; 2) want=pal8.tif ;; esac
    queue "$want" "$want.page.pam"
    queue pages.tif "pages$p.pam" --page $p
    later page_done "$run" "$p" "$want"
done

# ---- Writing ---------------------------------------------------------------------------------------------------
convert src.png -depth 8 src.ppm
convert src.png -colors 12 -depth 8 src12.ppm
convert bw-black.tif -depth 8 bw.ppm
# name, source, lossless or fuzz percent, then iktiff --write options
write_check() {
    local name=$1 source=$2 fuzz=$3
    shift 3
    queue --write "$source" "$name" "$@"
    later write_done "$run" "$name" "$source" "$fuzz" "${reader:-libtiff}"
}
write_done() {
    local n=$1 name=$2 source=$3 fuzz=$4 reader=$5
    checked=$((checked + 1))
    if ! batch_ok runs.list "$n"; then
        echo "FAIL $name: iktiff could not write it: $(batch_errors runs.list "$name")"
        fail=1
        return
    fi
    if ! tiffinfo -D "$name" >"$name.info" 2>&1 || grep -qi error "$name.info"; then
        echo "FAIL $name: tiffinfo -D complains:"
        head -5 "$name.info"
        fail=1
        return
    fi
    if ! tiff2rgba "$name" "$name.rgba.tif" 2>"$name.err"; then
        echo "FAIL $name: tiff2rgba cannot read it: $(cat "$name.err")"
        fail=1
        return
    fi
    if [[ $reader == im ]]; then rgba "$name" "$name.back"; else rgba "$name.rgba.tif" "$name.back"; fi
    rgba "$source" "$name.src"
    local size
    size=$(identify -format '%w %h' "$source")
    checked=$((checked - 1))
    same "$name (written)" "$name.src" "$name.back" ${size% *} ${size#* } "$fuzz"
}
write_check w-rgb.tif src.ppm 0
write_check w-rgb-lzw.tif src.ppm 0 --compression 5
write_check w-rgb-packbits.tif src.ppm 0 --compression 8
write_check w-jpeg.tif src.ppm 6 --compression 7
write_check w-cmyk.tif src.ppm 2 --photometric 5
reader=im write_check w-lab.tif src.ppm 3 --photometric 7
write_check w-pal4.tif src12.ppm 0 --bits 4 --samples 1
write_check w-pal8-lzw.tif src12.ppm 0 --bits 8 --samples 1 --compression 5
for c in 0 1 2 3 4 5 8; do
    write_check "w-bilevel-c$c.tif" bw.ppm 0 --bits 1 --samples 1 --compression $c
done
# The tags a plain page carries.
queue --write src.ppm w-tags.tif

# iktiff's runs in one process, then the second half of every check.
batch_run "$iktiff" runs.list
for step in "${deferred[@]}"; do
    $step
done
tags=$(tiffdump w-tags.tif | awk '/^[A-Za-z0-9]+ \([0-9]+\)/ { gsub(/[()]/, "", $2); printf "%s ", $2 }')
checked=$((checked + 1))
if [[ $tags == "256 257 258 259 262 273 277 278 279 282 283 286 287 296 " ]]; then echo "ok   w-tags.tif tags"; else
    echo "FAIL w-tags.tif tags: $tags"
    fail=1
fi

echo "$checked checks"
exit $fail
