#!/usr/bin/env bash
# The class library's JPEG image against libjpeg's own programs: a picture made by ImageMagick, written at
# qualities 100, 75, 50, 25 and 1, carries the quantisation tables (DQT segments, compared byte for byte by
# Python) that cjpeg -baseline -quality N writes for it; gray scale gives one component and cjpeg -grayscale's
# table; the files are baseline (SOF0) unless written progressively (SOF2); djpeg decodes every one without a
# warning. Files cjpeg made (baseline, progressive, gray) decode to the pixels djpeg gives, exactly, and a CMYK
# file ImageMagick made to the pixels of its own conversion to sRGB.
# Usage: jpeg_image.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 60 s
set -u

build=${1:?usage: jpeg_image.sh BUILD_DIR}
build=$(cd "$build" 2>/dev/null && pwd) || { echo "skip: no build folder $1"; exit 77; }
program=$build/tests/test_vcl
for tool in cjpeg djpeg convert compare identify python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skip: $tool is missing"; exit 77; }
done
[[ -x $program ]] || { echo "skip: $program is not built"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-jpeg-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail=0

# 67 x 45: neither side a whole number of blocks.
convert -seed 5 -size 67x45 plasma:fractal -type TrueColor BMP3:picture.bmp
for q in 100 75 50 25 1; do
    cjpeg -baseline -quality "$q" -outfile "c$q.jpg" picture.bmp
done
cjpeg -baseline -grayscale -quality 90 -outfile cgray.jpg picture.bmp
cjpeg -quality 90 -outfile c90.jpg picture.bmp
cjpeg -quality 80 -progressive -outfile cprogressive.jpg picture.bmp
# A CMYK file as ImageMagick writes it (Adobe's inverted samples).
convert picture.bmp -colorspace CMYK -quality 95 cmyk.jpg
convert cmyk.jpg -colorspace sRGB -type TrueColor BMP3:cmyk.ref.bmp
printf '%s\n' c90.jpg cprogressive.jpg cgray.jpg cmyk.jpg > decode.txt

if ! LOOMWICK_JPEG_EXTERNAL_DIR=$work "$program" --gtest_filter='TJPEGImage.FilesForTheExternalCheck' \
        >vcl.log 2>&1; then
    echo "FAIL: test_vcl could not write or read the files"
    cat vcl.log
    exit 1
fi

python3 - <<'EOF' || fail=1
import sys

def segments(name):
    d = open(name, "rb").read()
    out, i = [], 2
    while i + 4 <= len(d) and d[i] == 0xFF:
        marker, length = d[i + 1], d[i + 2] << 8 | d[i + 3]
        out.append((marker, d[i + 4:i + 2 + length]))
        if marker == 0xDA:
            break
        i += 2 + length
    return out

def tables(name):
    return b"".join(body for marker, body in segments(name) if marker == 0xDB)

def frame(name):
    return [(marker, body[5]) for marker, body in segments(name) if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC)]

bad = 0
def check(what, ok, detail=""):
    global bad
    print(("ok   " if ok else "FAIL ") + what + ("" if ok else ": " + detail))
    bad += not ok

for q in (100, 75, 50, 25, 1):
    ours, theirs = tables(f"q{q}.jpg"), tables(f"c{q}.jpg")
    check(f"quality {q}: the tables of cjpeg -baseline -quality {q}", ours == theirs and len(ours) > 0,
          f"{ours.hex()} against {theirs.hex()}")
    check(f"quality {q}: baseline, three components", frame(f"q{q}.jpg") == [(0xC0, 3)], str(frame(f"q{q}.jpg")))
check("gray scale: one component, baseline", frame("gray.jpg") == [(0xC0, 1)], str(frame("gray.jpg")))
check("gray scale: the table of cjpeg -grayscale", tables("gray.jpg") == tables("cgray.jpg"))
check("progressive: SOF2, three components", frame("progressive.jpg") == [(0xC2, 3)], str(frame("progressive.jpg")))
sys.exit(1 if bad else 0)
EOF

for f in q100 q75 q50 q25 q1 gray progressive; do
    if djpeg -bmp -outfile "$f.djpeg.bmp" "$f.jpg" 2>"$f.djpeg.log" && [[ ! -s $f.djpeg.log ]] \
        && [[ $(identify -format '%wx%h' "$f.djpeg.bmp") == 67x45 ]]; then
        echo "ok   djpeg decodes $f.jpg"
    else
        echo "FAIL djpeg on $f.jpg: $(cat "$f.djpeg.log")"
        fail=1
    fi
done

for f in c90 cprogressive cgray; do
    djpeg -bmp -outfile "$f.ref.bmp" "$f.jpg"
    differ=$(compare -metric AE "$f.jpg.bmp" "$f.ref.bmp" null: 2>&1)
    if [[ $differ == 0 ]]; then
        echo "ok   $f.jpg decodes to djpeg's pixels"
    else
        echo "FAIL $f.jpg: $differ pixels differ from djpeg's"
        fail=1
    fi
done
differ=$(compare -metric AE cmyk.jpg.bmp cmyk.ref.bmp null: 2>&1)
if [[ $differ == 0 ]]; then
    echo "ok   cmyk.jpg decodes to ImageMagick's sRGB pixels"
else
    echo "FAIL cmyk.jpg: $differ pixels differ from ImageMagick's sRGB conversion"
    fail=1
fi
exit $fail
