#!/usr/bin/env bash
# The imaging library's JPEG, PNG, BMP and GIF filters checked against independent decoders and encoders.
# A small corpus is made here with libjpeg-turbo's cjpeg, netpbm, ImageMagick and gifsicle; tools/ikconvert
# must decode each file to the same pixels as the reference decoder (djpeg, pngtopam -alphapam, bmptopnm and
# for bit fields ImageMagick, giftopnm), and the files ikconvert writes must decode in those tools to the
# source pixels (JPEG within the quality's error), with `pngcheck` finding nothing wrong. TIFF strips coded
# by the library's LZW encoder must decode in libtiff's tifftopnm.
# Usage: imaging_formats.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 300 s
set -u

build=$(cd "${1:?usage: imaging_formats.sh BUILD_DIR}" && pwd)
ikconvert=$build/tools/ikconvert
[[ -x $ikconvert ]] || { echo "skip: $ikconvert is not built"; exit 77; }
source "$(cd "$(dirname "$0")" && pwd)/lib/batch.sh"
for tool in python3 cjpeg djpeg pngtopam pamtopng pnmtopng pngcheck ppmtobmp bmptopnm ppmtogif giftopnm gifsicle convert; do
    command -v $tool >/dev/null 2>&1 || { echo "skip: $tool is missing"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-imgfmt-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# Sources: an odd-sized colour picture, its gray form, one with soft alpha, one of 12 colours, a
# black-and-white one.
python3 - <<'EOF'
w, h = 37, 23
def write(name, magic, depth, pixels, tupl=None):
    if magic == 'P7':
        head = 'P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n' % (w, h, depth, tupl)
    else:
        head = '%s\n%d %d\n255\n' % (magic, w, h)
    open(name, 'wb').write(head.encode() + bytes(pixels))
rgb, gray, rgba, few, bw = [], [], [], [], []
pal = [(i * 21, 255 - i * 19, (i * 67) % 256) for i in range(12)]
for y in range(h):
    for x in range(w):
        r, g, b = (x * 7) % 256, (y * 11) % 256, ((x * y) * 3) % 256
        rgb += [r, g, b]
        gray += [(x * 5 + y * 3) % 256]
        rgba += [r, g, b, (x * 17 + y * 5) % 256]
        few += list(pal[(x // 3 + y) % 12])
        bw += [255 if (x * y) % 3 == 0 else 0]
write('src.ppm', 'P6', 3, rgb)
write('gray.pgm', 'P5', 1, gray)
write('alpha.pam', 'P7', 4, rgba, 'RGB_ALPHA')
write('few.ppm', 'P6', 3, few)
write('bw.pgm', 'P5', 1, bw)
EOF

# samepixels.py LIST: for each line "DESCRIPTION<tab>A<tab>B<tab>TOLERANCE", the pixels (and alpha, when
# either has it) of two netpbm files; prints "ok" or "FAIL" and the description, exits 1 when any differ.
cat > samepixels.py <<'EOF'
import sys
def load(name):
    b = open(name, 'rb').read()
    p = 0
    def token():
        nonlocal p
        t = b''
        while p < len(b):
            c = b[p:p + 1]
            if c == b'#':
                while p < len(b) and b[p:p + 1] != b'\n':
                    p += 1
            elif c.isspace():
                if t:
                    break
                p += 1
            else:
                t += c
                p += 1
        return t.decode()
    magic = token()
    if magic == 'P7':
        f = {}
        while True:
            t = token()
            if t == 'ENDHDR':
                break
            f[t] = token()
        w, h, d, m = int(f['WIDTH']), int(f['HEIGHT']), int(f['DEPTH']), int(f['MAXVAL'])
    elif magic in ('P5', 'P6'):
        w, h, m = int(token()), int(token()), int(token())
        d = 1 if magic == 'P5' else 3
    elif magic == 'P4':
        w, h = int(token()), int(token())
        p += 1
        row = (w + 7) // 8
        px = []
        for y in range(h):
            for x in range(w):
                v = 0 if b[p + y * row + x // 8] >> (7 - x % 8) & 1 else 255
                px.append((v, v, v, 255))
        return w, h, px
    p += 1
    size = 2 if m > 255 else 1
    vals = [int.from_bytes(b[p + i * size:p + (i + 1) * size], 'big') * 255 // m for i in range(w * h * d)]
    px = []
    for i in range(w * h):
        s = vals[i * d:(i + 1) * d]
        if d == 1: px.append((s[0], s[0], s[0], 255))
        elif d == 2: px.append((s[0], s[0], s[0], s[1]))
        elif d == 3: px.append((s[0], s[1], s[2], 255))
        else: px.append(tuple(s))
    return w, h, px
def differs(a, b, tol):
    wa, ha, pa = load(a)
    wb, hb, pb = load(b)
    if (wa, ha) != (wb, hb):
        return 'size %dx%d against %dx%d' % (wa, ha, wb, hb)
    worst = max(abs(x - y) for u, v in zip(pa, pb) for x, y in zip(u, v))
    if worst > tol:
        return 'largest difference %d (tolerance %d)' % (worst, tol)
    return None
failed = 0
for line in open(sys.argv[1]):
    what, a, b, tol = line.rstrip('\n').split('\t')
    try:
        problem = differs(a, b, int(tol))
    except Exception as e:
        problem = 'cannot compare: %s' % e
    print('FAIL %s: %s' % (what, problem) if problem else 'ok   %s' % what)
    failed += problem is not None
sys.exit(1 if failed else 0)
EOF

failures=0
check() { # description, then a command
    local what=$1
    shift
    if out=$("$@" 2>&1); then
        echo "ok   $what"
    else
        echo "FAIL $what: $out"
        failures=$((failures + 1))
    fi
}

# Every case is one ikconvert run, all of them in one process (tests/external/lib/batch.sh); what a
# reference tool makes of ikconvert's output is made after that, and one python3 compares every pair.
# case_what[N]: the description of run N; case_after[N]: a command for once ikconvert has written its file;
# case_pair[N]: "A<tab>B<tab>TOLERANCE", the files that must hold the same pixels.
declare -a case_what case_after case_pair
queue() { # description, after-command, pair, ikconvert arguments...
    local n
    n=$(batch_add runs.list "${@:4}")
    case_what[n]=$1 case_after[n]=$2 case_pair[n]=$3
}

# decode FILE REFERENCE-COMMAND TOLERANCE: ikconvert's pixels against the reference decoder's.
decode() {
    local file=$1 ref=$2 tol=$3
    bash -c "$ref" > "$file.ref" 2>/dev/null || { echo "note: the reference cannot decode $file"; return 0; }
    queue "read $file" "" "$file.ref	$file.pam	$tol" "$file" "$file.pam"
}

# JPEG: ikconvert decodes through the same library as djpeg, so the pixels agree exactly.
cjpeg -quality 85 src.ppm > ycc.jpg
cjpeg -quality 90 -grayscale gray.pgm > gray.jpg
cjpeg -quality 90 -rgb src.ppm > rgb.jpg
cjpeg -quality 80 -progressive -optimize src.ppm > progressive.jpg
cjpeg -quality 80 -sample 1x1 -restart 1 src.ppm > restart.jpg
for f in ycc gray rgb progressive restart; do decode $f.jpg "djpeg -pnm $f.jpg" 0; done

# PNG in the layouts netpbm and ImageMagick write: alpha, interlace, palettes, gray depths, 16 bits.
pamtopng alpha.pam > rgba.png
pamtopng -interlace alpha.pam > rgba-interlaced.png
pnmtopng -interlace src.ppm > rgb-interlaced.png
pnmtopng few.ppm > palette.png
pnmtopng -transparent '=#00ff00' few.ppm > palette-trns.png 2>/dev/null
pnmtopng gray.pgm > gray8.png
convert gray.pgm -depth 4 gray4.png
convert gray.pgm -depth 2 gray2.png
convert bw.pgm -depth 1 -type Bilevel bw1.png
convert src.ppm -depth 16 rgb16.png
convert alpha.pam -depth 16 rgba16.png
convert gray.pgm -alpha set -channel A -fx 'i/w' -depth 8 graya.png
for f in rgba rgba-interlaced rgb-interlaced palette palette-trns gray8 gray4 gray2 bw1 rgb16 rgba16 graya; do
    [[ -f $f.png ]] && decode $f.png "pngtopam -alphapam $f.png" 0
done

# BMP from netpbm and ImageMagick.
ppmtobmp -bpp 24 src.ppm > rgb24.bmp 2>/dev/null
ppmtobmp -bpp 8 few.ppm > pal8.bmp 2>/dev/null
ppmtobmp -bpp 4 few.ppm > pal4.bmp 2>/dev/null
convert bw.pgm -monochrome BMP3:mono.bmp
convert src.ppm BMP:v5.bmp
convert src.ppm -define bmp:subtype=RGB565 rgb565.bmp
convert src.ppm -define bmp:subtype=RGB555 rgb555.bmp
convert few.ppm -type Palette BMP2:os2.bmp
for f in rgb24 pal8 pal4 mono v5 os2; do decode $f.bmp "bmptopnm $f.bmp" 0; done
# Five- and six-bit fields widen by repeating their bits, exactly as ImageMagick does; bmptopnm scales by
# 255/31 and 255/63 rounding down, which is at most 1 below.
for f in rgb565 rgb555; do
    decode $f.bmp "convert $f.bmp -depth 8 ppm:-" 0
    cp $f.bmp $f-netpbm.bmp && decode $f-netpbm.bmp "bmptopnm $f.bmp" 1
done

# GIF from netpbm and gifsicle.
ppmtogif few.ppm > few.gif 2>/dev/null
ppmtogif -interlace few.ppm > interlaced.gif 2>/dev/null
pgmtopbm -threshold bw.pgm 2>/dev/null | ppmtogif > bw.gif 2>/dev/null
gifsicle -O3 few.gif > optimized.gif
for f in few interlaced bw optimized; do decode $f.gif "giftopnm $f.gif" 0; done

# Writing: what ikconvert writes decodes in the reference tools to the source pixels.
written() { # output, reference command, source, tolerance, ikconvert options...
    local out=$1 ref=$2 src=$3 tol=$4
    shift 4
    queue "write $out $*" "$ref > '$out.ref'" "$src	$out.ref	$tol" "$@" "$src" "$out"
}
written w-rgb.png "pngtopam -alphapam w-rgb.png" src.ppm 0
written w-rgba.png "pngtopam -alphapam w-rgba.png" alpha.pam 0
written w-rgba-i.png "pngtopam -alphapam w-rgba-i.png" alpha.pam 0 -interlace
written w-pal.png "pngtopam w-pal.png" few.ppm 0 -samples 1 -bits 8
written w-bw.png "pngtopam w-bw.png" bw.pgm 0 -bits 1
# JPEG: the library codes what the filter hands it exactly as cjpeg does at the same quality; RGB data
# keeps the source within the quality's error.
sameas() { # output, what cjpeg makes at those settings, ikconvert options...
    local out=$1 made=$2
    shift 2
    queue "write $out $*" "djpeg -pnm '$out' > '$out.ref' && $made | djpeg -pnm > '$out.cjpeg'" \
        "$out.cjpeg	$out.ref	0" "$@" src.ppm "$out"
}
sameas w-q95.jpg "cjpeg -quality 95 src.ppm" -quality 95
sameas w-prog.jpg "cjpeg -quality 95 -progressive src.ppm" -quality 95 -progressive
sameas w-gray.jpg "cjpeg -quality 90 -grayscale src.ppm" -quality 90 -colorspace 1
written w-rgb.jpg "djpeg -pnm w-rgb.jpg" src.ppm 24 -quality 95 -colorspace 0
written w-24.bmp "bmptopnm w-24.bmp" src.ppm 0
written w-8.bmp "bmptopnm w-8.bmp" few.ppm 0 -samples 1
written w-8rle.bmp "bmptopnm w-8rle.bmp" few.ppm 0 -samples 1 -rle
written w-4.bmp "bmptopnm w-4.bmp" few.ppm 0 -bits 4
written w-4rle.bmp "bmptopnm w-4rle.bmp" few.ppm 0 -bits 4 -rle
written w-core.bmp "bmptopnm w-core.bmp" few.ppm 0 -samples 1 -version 2
written w-1.bmp "bmptopnm w-1.bmp" bw.pgm 0 -bits 1
written w-few.gif "giftopnm w-few.gif" few.ppm 0 -bits 4
written w-few-i.gif "giftopnm w-few-i.gif" few.ppm 0 -bits 4 -interlace
written w-bw.gif "giftopnm w-bw.gif" bw.pgm 0 -bits 1
# The TIFF LZW encoder: libtiff decodes its strips to the source.
if command -v tifftopnm >/dev/null 2>&1; then
    written w-lzw.tif "tifftopnm w-lzw.tif" src.ppm 0
    written w-lzw-few.tif "tifftopnm w-lzw-few.tif" few.ppm 0
fi

# One ikconvert for every case, then the reference tools on what it wrote, then one comparison of all pairs.
batch_run "$ikconvert" runs.list
: > pairs.list
for n in "${!case_what[@]}"; do
    if ! batch_ok runs.list "$n"; then
        echo "FAIL ${case_what[n]}: ikconvert: $(batch_errors runs.list "$(sed -n "${n}p" runs.list | awk '{ print $NF }')")"
        failures=$((failures + 1))
    elif [[ -n ${case_after[n]} ]] && ! out=$(bash -c "${case_after[n]}" 2>&1); then
        echo "FAIL ${case_what[n]}: $out"
        failures=$((failures + 1))
    else
        printf '%s\t%s\n' "${case_what[n]}" "${case_pair[n]}" >> pairs.list
    fi
done
python3 samepixels.py pairs.list || failures=$((failures + 1))
for f in w-rgb w-rgba w-rgba-i w-pal w-bw; do check "pngcheck $f.png" pngcheck -q $f.png; done
check "gifsicle reads w-few.gif" gifsicle --info w-few.gif

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
