#!/bin/bash
# The PNM, PCX, TGA, icon and JPEG 2000 filters against independent programs: netpbm, ImageMagick, icoutils
# and OpenJPEG make a small corpus at test time; build/tools/ikdecode must decode each file to the pixels
# the other program's decoder gives, and files Loomwick writes must decode in the other programs to the
# pixels they came from. Usage: imaging_formats2.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 400 s
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
IK=$BUILD/tools/ikdecode
[[ -x $IK ]] || { echo "skip: $IK is not built"; exit 77; }
source "$(cd "$(dirname "$0")" && pwd)/lib/batch.sh"
for tool in python3 convert pnmtopnm pamtopnm pamdepth pcxtoppm ppmtopcx tgatoppm ppmtotga icotool pngtopam \
    pamtopng opj_compress opj_decompress; do
    command -v "$tool" > /dev/null || { echo "skip: $tool is missing"; exit 77; }
done

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
cd "$TMP" || exit 1
failures=0
checks=0

# compare.py LIST: for each line "NAME<tab>OURS.pam<tab>REFERENCE<tab>TOLERANCE", ours is RGBA, the reference
# any PNM or PAM; where the reference has alpha 0 the colour is not compared. Prints each case that fails.
cat > compare.py << 'EOF'
import sys

def tokens(data, pos, count):
    out = []
    while len(out) < count:
        while pos < len(data) and data[pos:pos + 1].isspace():
            pos += 1
        if pos >= len(data):
            sys.exit('%d bytes: the header ends early' % len(data))
        if data[pos:pos + 1] == b'#':
            while pos < len(data) and data[pos:pos + 1] != b'\n':
                pos += 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        out.append(data[start:pos])
    return out, pos + 1

def load(path):
    data = open(path, 'rb').read()
    magic = data[:2]
    if magic == b'P7':
        header, rest = data.split(b'ENDHDR\n', 1)
        fields = dict(line.split(b' ', 1) for line in header.split(b'\n')[1:] if b' ' in line)
        w, h, depth, maxval = (int(fields[k]) for k in (b'WIDTH', b'HEIGHT', b'DEPTH', b'MAXVAL'))
        size = 2 if maxval > 255 else 1
        px = []
        for i in range(w * h):
            s = [int.from_bytes(rest[(i * depth + k) * size:(i * depth + k + 1) * size], 'big') * 255 // maxval
                 for k in range(depth)]
            if depth <= 2:
                s = [s[0], s[0], s[0]] + s[1:]
            px.append(tuple(s) if len(s) == 4 else tuple(s) + (None,))
        return w, h, px
    if magic in (b'P1', b'P4'):
        (w, h), pos = tokens(data, 2, 2)
        w, h = int(w), int(h)
        px = []
        if magic == b'P4':
            row = (w + 7) // 8
            for y in range(h):
                for x in range(w):
                    bit = data[pos + y * row + x // 8] >> (7 - x % 8) & 1
                    v = 0 if bit else 255
                    px.append((v, v, v, None))
        else:
            bits = [c for c in data[pos:] if c in b'01']
            px = [((0, 0, 0, None) if c == ord('1') else (255, 255, 255, None)) for c in bits[:w * h]]
        return w, h, px
    (w, h, maxval), pos = tokens(data, 2, 3)
    w, h, maxval = int(w), int(h), int(maxval)
    samples = 3 if magic in (b'P3', b'P6') else 1
    if magic in (b'P2', b'P3'):
        values = [int(t) for t in data[pos:].split()]
    else:
        size = 2 if maxval > 255 else 1
        values = [int.from_bytes(data[pos + i * size:pos + (i + 1) * size], 'big') for i in range(w * h * samples)]
    values = [min(v, maxval) * 255 // maxval for v in values]
    px = []
    for i in range(w * h):
        s = values[i * samples:(i + 1) * samples]
        px.append((s[0], s[0], s[0], None) if samples == 1 else (s[0], s[1], s[2], None))
    return w, h, px

def differs(ours_path, ref_path, tolerance):
    ours, ref = load(ours_path), load(ref_path)
    if ours[:2] != ref[:2]:
        return 'size %sx%s, expected %sx%s' % (ours[0], ours[1], ref[0], ref[1])
    for i, (a, b) in enumerate(zip(ours[2], ref[2])):
        if b[3] is not None and abs((a[3] if a[3] is not None else 255) - b[3]) > tolerance:
            return 'pixel %d: alpha %s, expected %s' % (i, a[3], b[3])
        if b[3] == 0:
            continue
        if any(abs(a[k] - b[k]) > tolerance for k in range(3)):
            return 'pixel %d (%d,%d): %s, expected %s' % (i, i % ours[0], i // ours[0], a[:3], b[:3])
    return None

failed = 0
for line in open(sys.argv[1]):
    name, ours_path, ref_path, tolerance = line.rstrip('\n').split('\t')
    try:
        problem = differs(ours_path, ref_path, int(tolerance))
    except SystemExit as e:
        problem = str(e.code)
    except Exception as e:
        problem = 'cannot compare: %s' % e
    if problem:
        print('FAIL %s: %s' % (name, problem))
        failed += 1
sys.exit(1 if failed else 0)
EOF

# Every decoding and writing is a run of ikdecode (or picdump), gathered into one process per tool and round
# (tests/external/lib/batch.sh); the other programs read what it wrote after that, and one python3 compares
# every pair at the end. For a run N of a list: case_name[LIST:N] names the case, case_after[LIST:N] is a
# command for once the run has written its file, case_pair[LIST:N] holds "OURS<tab>REFERENCE<tab>TOLERANCE"
# (empty when another run compares).
declare -A case_name case_after case_pair
: > pairs.list
# queue LIST NAME AFTER PAIR TOOL-ARGUMENTS...
queue() {
    local list=$1 n
    n=$(batch_add "$list" "${@:5}")
    case_name[$list:$n]=$2 case_after[$list:$n]=$3 case_pair[$list:$n]=$4
}
# run TOOL LIST: the runs of LIST in one process, then each case's after-command; the pairs of the cases
# that got so far go to pairs.list.
run() {
    local tool=$1 list=$2 n message count statuses
    batch_run "$tool" "$list"
    [[ -s $list ]] || return 0
    # The runs' status lines read once: a process per case costs more than the case on a busy machine.
    mapfile -t statuses < "$list.status"
    count=$(wc -l < "$list")
    for ((n = 1; n <= count; n++)); do
        if [[ ${statuses[n - 1]:-} != "0 "* ]]; then
            echo "FAIL ${case_name[$list:$n]}: $(basename "$tool"): $(batch_errors "$list" "$(sed -n "${n}p" "$list" | awk '{ for (i = 1; i <= NF; i++) if ($i !~ /^-/) { print $i; exit } }')")"
            failures=$((failures + 1))
        elif [[ -n ${case_after[$list:$n]} ]] && ! message=$(bash -c "${case_after[$list:$n]}" 2>&1); then
            echo "FAIL ${case_name[$list:$n]}: $message"
            failures=$((failures + 1))
        elif [[ -n ${case_pair[$list:$n]} ]]; then
            printf '%s\t%s\n' "${case_name[$list:$n]}" "${case_pair[$list:$n]}" >> pairs.list
            continue
        else
            continue
        fi
        checks=$((checks + 1))
    done
}

# decode NAME FILE REFERENCE [TOLERANCE] [ikdecode options]: Loomwick's pixels of FILE against REFERENCE.
decode() {
    local name=$1 file=$2 ref=$3 tolerance=${4:-0}
    shift 4 2> /dev/null || shift $#
    queue first.list "$name" "" "ours-$name.pam	$ref	$tolerance" "$file" "ours-$name.pam" "$@"
}

# written NAME SOURCE OUTPUT DECODER [ikdecode options]: Loomwick writes SOURCE as OUTPUT; DECODER, a
# command that reads a file and prints a PNM or PAM, reads it back; its pixels must be Loomwick's of SOURCE.
written() {
    local name=$1 src=$2 out=$3 decoder=$4
    shift 4
    queue first.list "$name" "$decoder '$out' > 'back-$name.pnm'" "" "$src" "$out" "$@"
    queue first.list "$name (source)" "" "src-$name.pam	back-$name.pnm	0" "$src" "src-$name.pam"
}
opjcat() { opj_decompress -i "$1" -o "$1.pnm" > /dev/null && cat "$1.pnm"; }
# ImageMagick keeps a Targa file's row order as an orientation: -auto-orient applies it.
imcat() { convert "$1" -auto-orient pam:-; }
export -f opjcat imcat

# The source images, written by a script so that the commands above are the whole record.
python3 - << 'EOF'
w, h = 37, 23
rgb = bytes(v for y in range(h) for x in range(w) for v in ((x * 7) % 256, (y * 11) % 256, (x * y) % 256))
open('rgb.ppm', 'wb').write(b'P6\n%d %d\n255\n' % (w, h) + rgb)
gray = bytes((x * 7 + y * 3) % 256 for y in range(h) for x in range(w))
open('gray.pgm', 'wb').write(b'P5\n%d %d\n255\n' % (w, h) + gray)
row = (w + 7) // 8
bits = bytes((0xA5 ^ y * 17) & 0xFF for y in range(h) for _ in range(row))
open('bits.pbm', 'wb').write(b'P4\n%d %d\n' % (w, h) + bits)
colours16 = [(i * 16, 255 - i * 16, (i * 40) % 256) for i in range(16)]
pal16 = bytes(c for y in range(h) for x in range(w) for c in colours16[(x + y) % 16])
open('pal16.ppm', 'wb').write(b'P6\n%d %d\n255\n' % (w, h) + pal16)
colours256 = [(i, (i * 3) % 256, 255 - i) for i in range(256)]
pal256 = bytes(c for y in range(h) for x in range(w) for c in colours256[(x * 5 + y * 13) % 256])
open('pal256.ppm', 'wb').write(b'P6\n%d %d\n255\n' % (w, h) + pal256)
s = 32
rgba = bytes(v for y in range(s) for x in range(s)
             for v in ((x * 8) % 256, (y * 8) % 256, 128, 0 if (x + y) % 5 == 0 else (255 if x < 16 else x * 8)))
open('rgba.pam', 'wb').write(b'P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n' % (s, s) + rgba)
two = bytes(v for y in range(s) for x in range(s) for v in ((0, 0, 0, 255) if (x ^ y) & 4 else (255, 255, 255, 0 if x < 8 else 255)))
open('mono.pam', 'wb').write(b'P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n' % (s, s) + two)
pal = bytes(v for y in range(s) for x in range(s) for v in (colours16[(x // 4 + y) % 15] + ((0,) if x == y else (255,))))
open('pal16a.pam', 'wb').write(b'P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n' % (s, s) + pal)
EOF

# ---- PNM: every form netpbm writes, against netpbm's own reading --------------------------------------------
pnmtopnm -plain rgb.ppm > plain.ppm && decode pnm-plain-ppm plain.ppm rgb.ppm
pnmtopnm -plain gray.pgm > plain.pgm && decode pnm-plain-pgm plain.pgm gray.pgm
pnmtopnm -plain bits.pbm > plain.pbm && decode pnm-plain-pbm plain.pbm bits.pbm
decode pnm-ppm rgb.ppm rgb.ppm
decode pnm-pgm gray.pgm gray.pgm
decode pnm-pbm bits.pbm bits.pbm
pamdepth 65535 rgb.ppm > deep.ppm && decode pnm-16bit deep.ppm rgb.ppm
pamdepth 100 gray.pgm > shallow.pgm && pamdepth 255 shallow.pgm > shallow255.pgm &&
    decode pnm-maxval-100 shallow.pgm shallow255.pgm 1
# What Loomwick writes, read back by netpbm.
written pnm-write-ppm rgb.ppm w.ppm pnmtopnm --bits 8 --samples 3
written pnm-write-pgm gray.pgm w.pgm pnmtopnm --bits 8 --samples 1
written pnm-write-pbm bits.pbm w.pbm pnmtopnm --bits 1 --samples 1

# ---- PCX: netpbm's and ImageMagick's files against pcxtoppm -------------------------------------------------
ppmtopcx -24bit rgb.ppm > rgb24.pcx 2> /dev/null && pcxtoppm rgb24.pcx > ref.ppm && decode pcx-24bit rgb24.pcx ref.ppm
ppmtopcx -8bit pal256.ppm > pal8.pcx 2> /dev/null && pcxtoppm pal8.pcx > ref8.ppm && decode pcx-8bit pal8.pcx ref8.ppm
ppmtopcx pal16.ppm > pal4.pcx 2> /dev/null && pcxtoppm pal4.pcx > ref4.ppm && decode pcx-16-colours pal4.pcx ref4.ppm
ppmtopcx -packed pal16.ppm > packed4.pcx 2> /dev/null && pcxtoppm packed4.pcx > refp.ppm &&
    decode pcx-16-colours-packed packed4.pcx refp.ppm
ppmtopcx bits.pbm > mono.pcx 2> /dev/null && pcxtoppm mono.pcx > refm.ppm && decode pcx-mono mono.pcx refm.ppm
convert rgb.ppm im.pcx && pcxtoppm im.pcx > refim.ppm && decode pcx-imagemagick im.pcx refim.ppm
# What Loomwick writes, read by pcxtoppm (and by ImageMagick where pcxtoppm knows no uncompressed rows).
written pcx-write-24 rgb.ppm w24.pcx pcxtoppm --bits 8 --samples 3
written pcx-write-24-raw rgb.ppm w24raw.pcx imcat --bits 8 --samples 3 --raw
written pcx-write-8 pal256.ppm w8.pcx pcxtoppm --bits 8 --samples 1
written pcx-write-4 pal16.ppm w4.pcx pcxtoppm --bits 4 --samples 1
written pcx-write-1 bits.pbm w1.pcx pcxtoppm --bits 1 --samples 1

# ---- TGA: netpbm's and ImageMagick's files against tgatoppm and ImageMagick ---------------------------------
ppmtotga -rgb -norle rgb.ppm > raw24.tga 2> /dev/null && decode tga-24bit raw24.tga rgb.ppm
ppmtotga -rgb rgb.ppm > rle24.tga 2> /dev/null && decode tga-24bit-rle rle24.tga rgb.ppm
ppmtotga -cmap pal256.ppm > map8.tga 2> /dev/null && tgatoppm map8.tga > refmap.ppm && decode tga-mapped map8.tga refmap.ppm
ppmtotga -mono gray.pgm > gray8.tga 2> /dev/null && decode tga-gray-rle gray8.tga gray.pgm
ppmtotga -mono -norle gray.pgm > gray8raw.tga 2> /dev/null && decode tga-gray gray8raw.tga gray.pgm
convert rgba.pam -compress RLE im32.tga && imcat im32.tga > im32ref.pam && decode tga-32bit-alpha im32.tga im32ref.pam
convert rgb.ppm -compress None im24.tga && tgatoppm im24.tga > refim24.ppm && decode tga-imagemagick im24.tga refim24.ppm
convert rgb.ppm -compress None -orient TopLeft imtop.tga && tgatoppm imtop.tga > reftop.ppm &&
    decode tga-top-down imtop.tga reftop.ppm
# What Loomwick writes, read by tgatoppm and ImageMagick (neither reads one- and four-bit Targa files).
written tga-write-24 rgb.ppm w24.tga tgatoppm --bits 8 --samples 3
written tga-write-24-raw rgb.ppm w24raw.tga tgatoppm --bits 8 --samples 3 --raw
written tga-write-8 pal256.ppm w8.tga tgatoppm --bits 8 --samples 1
written tga-write-gray gray.pgm wgray.tga tgatoppm --bits 8 --samples 1 --gray
written tga-write-32-alpha im32.tga w32.tga imcat

# ---- Icons and cursors: icotool's files against icotool's extraction ----------------------------------------
pamtopng -quiet rgba.pam > rgba.png 2> /dev/null || pnmtopng -alpha rgba.pam > rgba.png 2> /dev/null ||
    convert rgba.pam rgba.png
convert mono.pam mono.png
convert pal16a.pam pal16a.png
for icon in "32 rgba.png" "24 rgba.png" "8 pal16a.png" "4 pal16a.png" "1 mono.png"; do
    set -- $icon
    name=ico-$1bit
    if icotool -c -b "$1" -o "$name.ico" "$2" 2> /dev/null && icotool -x -o "$name-ref.png" "$name.ico" &&
        pngtopam -alphapam "$name-ref.png" > "$name-ref.pam"; then
        decode "$name" "$name.ico" "$name-ref.pam"
    else
        echo "FAIL $name: icotool"
        failures=$((failures + 1))
    fi
done
icotool -c -r rgba.png -o vista.ico && decode ico-png-entry vista.ico rgba.pam
icotool -c --cursor -X 3 -Y 4 -b 4 -o arrow.cur pal16a.png && icotool -x -o cur-ref.png arrow.cur &&
    pngtopam -alphapam cur-ref.png > cur-ref.pam && decode cur-4bit arrow.cur cur-ref.pam

# ---- JPEG 2000: OpenJPEG's files decoded, ours decoded by opj_decompress ------------------------------------
opj_compress -i rgb.ppm -o rgb.jp2 -n 3 > /dev/null && decode j2k-jp2 rgb.jp2 rgb.ppm
opj_compress -i rgb.ppm -o rgb.j2k -n 3 > /dev/null && decode j2k-codestream rgb.j2k rgb.ppm
opj_compress -i gray.pgm -o gray.j2k -n 3 > /dev/null && decode j2k-gray gray.j2k gray.pgm
opj_compress -i rgb.ppm -o rgbrlcp.jp2 -n 3 -p RLCP > /dev/null && decode j2k-rlcp rgbrlcp.jp2 rgb.ppm
opj_compress -i rgb.ppm -o lossy.j2k -n 3 -r 10 -I > /dev/null && opj_decompress -i lossy.j2k -o lossy-ref.ppm > /dev/null &&
    decode j2k-lossy lossy.j2k lossy-ref.ppm 1
# 12-bit samples (v x 255 / 4095, truncated) against the 8-bit source they were scaled up from.
pamdepth 4095 gray.pgm > gray12.pgm && opj_compress -i gray12.pgm -o gray12.j2k -n 3 > /dev/null &&
    decode j2k-12bit gray12.j2k gray.pgm 1
# Our lossy files (rate 0.1) in both forms, decoded by opj_decompress and by us alike.
for form in jp2 j2k; do
    queue first.list "j2k-write-lossy-$form" "opj_decompress -i 'wlossy.$form' -o 'wlossy-$form-ref.ppm' > /dev/null" "" \
        rgb.ppm "wlossy.$form" --rate 0.1
    queue second.list "j2k-write-lossy-$form" "" "ours-lossy-$form.pam	wlossy-$form-ref.ppm	1" \
        "wlossy.$form" "ours-lossy-$form.pam"
done
written j2k-write-jp2 rgb.ppm w.jp2 opjcat
written j2k-write-codestream rgb.ppm w.j2k opjcat
written j2k-write-gray gray.pgm wgray.j2k opjcat --gray
written j2k-write-rlcp rgb.ppm wrlcp.j2k opjcat

# ---- picdump --io: every format the library reads, through the I/O component's load by extension ---------
PICDUMP=$BUILD/tools/picdump
if [[ -x $PICDUMP ]]; then
    convert rgb.ppm io.png && convert rgb.ppm -compress LZW io.tif && convert rgb.ppm io.bmp &&
        convert rgb.ppm -quality 90 io.jpg && convert io.jpg io-jpg-ref.ppm && convert pal256.ppm io.gif &&
        convert io.gif io-gif-ref.ppm
    for pair in "rgb.ppm rgb.ppm" "io.png rgb.ppm" "io.tif rgb.ppm" "io.bmp rgb.ppm" "io.jpg io-jpg-ref.ppm 2" \
        "io.gif io-gif-ref.ppm" "rgb24.pcx ref.ppm" "raw24.tga rgb.ppm" "ico-32bit.ico ico-32bit-ref.pam" \
        "arrow.cur cur-ref.pam" "rgb.jp2 rgb.ppm" "rgb.j2k rgb.ppm"; do
        set -- $pair
        queue picdump.list "picdump-$1" "" "picdump-$1.pam	$2	${3:-0}" --io "$1" "picdump-$1.pam"
    done
fi

run "$IK" first.list
run "$IK" second.list
[[ -x $PICDUMP ]] && run "$PICDUMP" picdump.list
checks=$((checks + $(wc -l < pairs.list)))
compared=$(python3 compare.py pairs.list)
echo -n "$compared${compared:+$'\n'}"
failures=$((failures + $(grep -c '^FAIL' <<< "$compared")))

echo "imaging_formats2: $((checks - failures)) passed, $failures failed"
((failures == 0))
