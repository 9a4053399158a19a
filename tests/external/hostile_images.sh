#!/usr/bin/env bash
# The hostile and unusual pictures of tests/data/hostile through the built tools: the imaging library's
# readers (ikconvert), the class library's BMP reader (picdump) and the SWF writer's (swfslides). Each run
# stays below 256 MB of peak memory and 2 seconds of processor time (GNU time's "Maximum resident set size",
# user and system time: a busy machine stretches the wall clock, not the work);
# files that describe more than their data holds are refused, the others read, and the pixels of the
# JPEG-compressed RGB TIFF, the TIFF with associated alpha and the 32-bit bit-field BMP agree with
# ImageMagick and, for the TIFF without alpha, libtiff's tiff2rgba.
# Usage: hostile_images.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 60 s
set -u

build=$(cd "${1:?usage: hostile_images.sh BUILD_DIR}" && pwd)
data=$(cd "$(dirname "$0")/../data/hostile" && pwd)
[[ -x /usr/bin/time ]] || { echo "skip: /usr/bin/time is missing"; exit 77; }
for tool in convert tiff2rgba; do
    command -v $tool >/dev/null 2>&1 || { echo "skip: $tool is missing"; exit 77; }
done
for tool in ikconvert picdump swfslides; do
    [[ -x $build/tools/$tool ]] || { echo "skip: $build/tools/$tool is not built"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-hostile-XXXXXX")
[[ -n ${KEEP:-} ]] || trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail=0

# The I/O component's fuzzer input starts with a mode byte (0: detection by content) before the stream.
tail -c +2 "$data/fuzz-iocomponent-j2k-tiles.bin" >fuzz-iocomponent-j2k-tiles.j2k

# run EXPECT NAME COMMAND...: the command exits 0 (EXPECT ok) or not (EXPECT refused), within 256 MB
# and 2 seconds of processor time.
run() {
    local expect=$1 name=$2
    shift 2
    /usr/bin/time -v -o time.txt "$@" >out.txt 2>&1
    local status=$?
    local kb seconds
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' time.txt)
    seconds=$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' time.txt)
    local verdict=ok
    [[ $status -eq 0 ]] || verdict=refused
    echo "$name: $verdict, $((kb / 1024)) MB, ${seconds} s"
    if [[ $verdict != "$expect" ]]; then
        echo "FAIL: $name was $verdict, expected $expect"
        sed 's/^/    /' out.txt | head -5
        fail=1
    fi
    if ((kb >= 256 * 1024)) || awk -v s="$seconds" 'BEGIN { exit !(s >= 2) }'; then
        echo "FAIL: $name took $((kb / 1024)) MB and ${seconds} s"
        fail=1
    fi
}

run refused "ikconvert bmp-rle8-16384sq" "$build/tools/ikconvert" "$data/bmp-rle8-16384sq-1080B.bmp" a.pam
run refused "picdump bmp-rle8-16384sq" "$build/tools/picdump" "$data/bmp-rle8-16384sq-1080B.bmp" a.pam
run refused "swfslides bmp-rle8-16384sq" "$build/tools/swfslides" a.swf 12 "$data/bmp-rle8-16384sq-1080B.bmp:100"
run refused "ikconvert j2k-16384sq" "$build/tools/ikconvert" "$data/j2k-16384sq-137B.j2k" a.pam
run refused "ikconvert j2k-54615-tiles" "$build/tools/ikconvert" "$data/j2k-54615-tiles-216B.j2k" a.pam
run refused "ikconvert fuzz-iocomponent-j2k-tiles" "$build/tools/ikconvert" fuzz-iocomponent-j2k-tiles.j2k a.pam
run refused "picdump --io j2k-16384sq" "$build/tools/picdump" --io "$data/j2k-16384sq-137B.j2k" a.pam
run refused "ikconvert tiff-32768sq" "$build/tools/ikconvert" "$data/tiff-32768sq-rgb-308B.tif" a.pam
run refused "picdump --io tiff-32768sq" "$build/tools/picdump" --io "$data/tiff-32768sq-rgb-308B.tif" a.pam
run ok "ikconvert bmp-32bit-alpha-mask" "$build/tools/ikconvert" "$data/bmp-32bit-alpha-mask.bmp" alpha-bmp.pam
run ok "picdump bmp-32bit-alpha-mask" "$build/tools/picdump" "$data/bmp-32bit-alpha-mask.bmp" alpha-bmp-vcl.pam
run ok "swfslides bmp-32bit-alpha-mask" "$build/tools/swfslides" a.swf 12 "$data/bmp-32bit-alpha-mask.bmp:100"
run ok "ikconvert jpeg-compressed-rgb" "$build/tools/ikconvert" "$data/jpeg-compressed-rgb.tif" jpeg-tif.pam
run ok "ikconvert tiff-assoc-alpha" "$build/tools/ikconvert" "$data/tiff-assoc-alpha.tif" assoc.pam

# first PAM: the RGBA bytes of the top-left pixel of a PAM file, as "R,G,B,A".
first() { tail -c "+$(($(grep -abo ENDHDR "$1" | cut -d: -f1) + 8))" "$1" | head -c 4 | od -An -tu1 | awk '{ print $1 "," $2 "," $3 "," $4 }'; }
# reference FILE: the same from ImageMagick.
reference() { convert "$1" -depth 8 -crop 1x1+0+0 RGBA:- | od -An -tu1 | awk '{ print $1 "," $2 "," $3 "," $4 }'; }

# same NAME OURS WANT
same() {
    if [[ $2 == "$3" ]]; then
        echo "$1: $2"
    else
        echo "FAIL: $1 is $2, expected $3"
        fail=1
    fi
}

tiff2rgba "$data/jpeg-compressed-rgb.tif" libtiff.tif
same "jpeg-compressed-rgb top-left, libtiff" "$(reference libtiff.tif)" "255,165,0,255"
same "jpeg-compressed-rgb top-left, ImageMagick" "$(reference "$data/jpeg-compressed-rgb.tif")" "255,165,0,255"
[[ -s jpeg-tif.pam ]] && same "jpeg-compressed-rgb top-left, ikconvert" "$(first jpeg-tif.pam)" "255,165,0,255"
same "tiff-assoc-alpha top-left, ImageMagick" "$(reference "$data/tiff-assoc-alpha.tif")" "255,255,255,128"
[[ -s assoc.pam ]] && same "tiff-assoc-alpha top-left, ikconvert" "$(first assoc.pam)" "255,255,255,128"
want=$(reference "$data/bmp-32bit-alpha-mask.bmp")
same "bmp-32bit-alpha-mask top-left, ImageMagick" "$want" "255,0,0,127"
[[ -s alpha-bmp.pam ]] && same "bmp-32bit-alpha-mask top-left, ikconvert" "$(first alpha-bmp.pam)" "$want"
[[ -s alpha-bmp-vcl.pam ]] && same "bmp-32bit-alpha-mask top-left, picdump" "$(first alpha-bmp-vcl.pam)" "$want"

exit $fail
