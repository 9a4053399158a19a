#!/usr/bin/env bash
# tools/ikconvert reads every format the I/O component reads: a small picture written by ImageMagick as
# TIFF, PCX, ICO, PNM, BMP and PNG, by netpbm's ppmtotga as TGA and by OpenJPEG's opj_compress as JP2 and
# J2K (both lossless) is read by ikconvert into a PAM file whose pixels equal ImageMagick's reading of the
# same file (of the source picture for TGA and JPEG 2000). A PNM file with a bad header is refused with a
# message that names the problem.
# Usage: ikconvert_formats.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 120 s
set -u

build=$(cd "${1:?usage: ikconvert_formats.sh BUILD_DIR}" && pwd)
ikconvert=$build/tools/ikconvert
for tool in convert opj_compress ppmtotga cmp; do
    command -v $tool >/dev/null 2>&1 || { echo "skip: $tool is missing"; exit 77; }
done
[[ -x $ikconvert ]] || { echo "skip: $ikconvert is not built"; exit 77; }
source "$(cd "$(dirname "$0")" && pwd)/lib/batch.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-ikconvert-XXXXXX")
[[ -n ${KEEP:-} ]] || trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail=0

# A 7 x 5 picture of distinct colours.
convert -size 7x5 gradient:red-blue -fx 'p + (i * 37 % 255) / 255 * 0.3' -depth 8 source.ppm || exit 1
convert source.ppm -compress none plain.tif
convert source.ppm -compress lzw lzw.tif
convert source.ppm pic.pcx
ppmtotga -rgb -norle source.ppm >pic.tga 2>/dev/null
convert source.ppm pic.ico
convert source.ppm pic.bmp
convert source.ppm pic.png
cp source.ppm pic.ppm
convert source.ppm -colorspace gray pic.pgm
opj_compress -n 2 -i source.ppm -o pic.jp2 >/dev/null
opj_compress -n 2 -i source.ppm -o pic.j2k >/dev/null

# pixels FILE: the RGBA bytes of a PAM file written by ikconvert.
pixels() { tail -c "+$(($(grep -abo ENDHDR "$1" | cut -d: -f1) + 8))" "$1"; }

# ikconvert reads every file in one process (tests/external/lib/batch.sh).
files=(plain.tif lzw.tif pic.pcx pic.tga pic.ico pic.bmp pic.png pic.ppm pic.pgm pic.jp2 pic.j2k)
for f in "${files[@]}"; do
    batch_add reads.list "$f" "$f.pam" >/dev/null
done
batch_run "$ikconvert" reads.list
n=0
for f in "${files[@]}"; do
    n=$((n + 1))
    if ! batch_ok reads.list "$n"; then
        echo "FAIL: ikconvert cannot read $f: $(batch_errors reads.list "$f")"
        fail=1
        continue
    fi
    pixels "$f.pam" >"$f.ours"
    case $f in
    *.jp2 | *.j2k | *.tga) convert source.ppm -alpha on -depth 8 RGBA:"$f.want" ;;
    *) convert "$f" -alpha on -depth 8 RGBA:"$f.want" ;;
    esac
    if cmp -s "$f.ours" "$f.want"; then
        echo "$f: same pixels"
    else
        echo "FAIL: $f: ikconvert's pixels differ from the reference"
        fail=1
    fi
done

# Bad PNM headers: a message, not an exception's name.
printf 'P6\nabc 5\n255\n' >bad-width.ppm
printf 'P5\n7 99999999999\n255\n' >bad-height.pgm
printf 'P7\nWIDTH 2\nHEIGHT x\nDEPTH 3\nMAXVAL 255\nENDHDR\n' >bad-height.pam
for f in bad-width.ppm bad-height.pgm bad-height.pam; do
    if "$ikconvert" "$f" out.pam 2>"$f.err"; then
        echo "FAIL: ikconvert read $f"
        fail=1
    elif grep -q "bad P[NA]M header: .*not a number" "$f.err"; then
        echo "$f: $(cat "$f.err")"
    else
        echo "FAIL: $f: unexpected message: $(cat "$f.err")"
        fail=1
    fi
done

exit $fail
