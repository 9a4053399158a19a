#!/bin/bash
# Metafile pictures against pixel values computed from their records and against ImageMagick's WMF reader
# (libwmf, an independent player). A python script writes WMF and EMF files with shapes, thick and dashed
# strokes, pies, a negative window extent, DIB blits with raster operations, regions, hatched brushes, a
# world transform and metric mapping, each with small black squares in its corners, and lists the colours
# their geometry puts at chosen points. picdump (through the pictures) and picdump --io (through the I/O
# component's metafile import) render each; every listed point must hold its colour, and for the WMF files
# that ImageMagick draws as the system's GDI does (named in the list), at least 95% of our pixels must lie
# within 10% colour distance of the reference pixel or one of its neighbours. Last, the form demo shows a WMF
# in its image on a virtual X display and the screen must show its colours where its geometry puts them.
# $1 is the build folder.
# Budget: 60 s
set -u
BUILD=$(cd "${1:?build folder}" && pwd)
PICDUMP=$BUILD/tools/picdump
HERE=$(cd "$(dirname "$0")" && pwd)
DEMO=$BUILD/tools/formdemo
for tool in python3 convert timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$PICDUMP" ] || { echo "missing $PICDUMP: build the target tool_picdump"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-metafile.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

cat >"$WORK/make.py" <<'PY'
# Writes the fixtures into the current folder and, in expect.txt, "file x y r g b" for points whose colour
# the records decide, and in imagemagick.txt the WMF files ImageMagick draws as GDI does.
import struct

expect = open('expect.txt', 'w')
def point(name, x, y, rgb):
    expect.write('%s %d %d %d %d %d\n' % (name, x, y, *rgb))

def wmf(name, box, records, inch=96):
    recs, big = b'', 3
    for fn, params in records:
        if len(params) % 2:
            params += b'\0'
        r = struct.pack('<IH', 3 + len(params) // 2, fn) + params
        big = max(big, len(r) // 2)
        recs += r
    recs += struct.pack('<IH', 3, 0)
    head = struct.pack('<HHHIHIH', 1, 9, 0x300, (18 + len(recs)) // 2, 16, big, 0)
    p = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, *box, inch, 0)
    s = 0
    for i in range(0, 20, 2):
        s ^= struct.unpack('<H', p[i:i + 2])[0]
    open(name, 'wb').write(p + struct.pack('<H', s) + head + recs)

def emf(name, frame, records, dev=(1000, 1000), mm=(254, 254)):
    recs = b''
    for t, fields in records:
        fields += b'\0' * (-len(fields) % 4)
        recs += struct.pack('<II', t, 8 + len(fields)) + fields
    recs += struct.pack('<IIIII', 14, 20, 0, 16, 20)
    head = struct.pack('<II4i4iIIIIHHIII2i2i', 1, 88, 0, 0, 100, 100, *frame, 0x464D4520, 0x10000,
                       88 + len(recs), len(records) + 2, 16, 0, 0, 0, 0, *dev, *mm)
    open(name, 'wb').write(head + recs)

h = lambda *v: struct.pack('<%dh' % len(v), *v)
i32 = lambda *v: struct.pack('<%di' % len(v), *v)
rgb = lambda r, g, b: r | g << 8 | b << 16
rect = lambda l, t, r, b: (0x041B, h(b, r, t, l))
sel = lambda i: (0x012D, h(i))
delete = lambda i: (0x01F0, h(i))
pen = lambda style, w, c: (0x02FA, struct.pack('<HhhI', style, w, 0, c))
brush = lambda style, c, hatch=0: (0x02FC, struct.pack('<HIH', style, c, hatch))
def dib(w, hh, rows):  # 24-bit packed DIB, rows of (r, g, b) from the top
    bits = b''
    for row in reversed(rows):
        line = b''.join(struct.pack('<BBB', b, g, r) for r, g, b in row)
        bits += line + b'\0' * (-len(line) % 4)
    return struct.pack('<IiiHHIIiiII', 40, w, hh, 1, 24, 0, len(bits), 0, 0, 0, 0) + bits

# Black squares in the corners (objects 0 and 1, freed again).
def marks(w, hh):
    return [brush(0, 0), sel(0), pen(5, 0, 0), sel(1), rect(0, 0, 9, 9), rect(w - 8, 0, w + 1, 9),
            rect(0, hh - 8, 9, hh + 1), rect(w - 8, hh - 8, w + 1, hh + 1), delete(0), delete(1)]
def markpoints(name, w, hh):
    for x, y in ((3, 3), (w - 4, 3), (3, hh - 4), (w - 4, hh - 4)):
        point(name, x, y, (0, 0, 0))

RED, GREEN, BLUE, YELLOW, CYAN, WHITE = (255, 0, 0), (0, 200, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 255, 255)

# Shapes, a thick stroke and a dashed one; one unit a pixel.
wmf('shapes.wmf', (0, 0, 200, 150), marks(200, 150) + [
    pen(0, 1, 0), sel(0), brush(0, rgb(*RED)), sel(1), rect(20, 20, 80, 60),
    brush(0, rgb(*GREEN)), sel(2), (0x0418, h(70, 180, 20, 100)),
    brush(0, rgb(*BLUE)), sel(3), (0x0324, h(3, 20, 80, 80, 80, 50, 130)),
    brush(0, rgb(*YELLOW)), sel(4), (0x081A, h(80, 140, 110, 180, 140, 180, 80, 100)),
    pen(0, 5, rgb(*CYAN)), sel(5), (0x0214, h(75, 90)), (0x0213, h(75, 190)),
    pen(2, 1, rgb(0, 0, 255)), sel(6), (0x0214, h(140, 20)), (0x0213, h(140, 90))])
markpoints('shapes.wmf', 200, 150)
for x, y, c in ((50, 40, RED), (140, 45, GREEN), (50, 100, BLUE), (155, 100, YELLOW), (125, 125, WHITE),
                (140, 75, CYAN), (140, 77, CYAN), (10, 100, WHITE), (21, 21, RED), (20, 40, (0, 0, 0))):
    point('shapes.wmf', x, y, c)

# A negative window extent mirrors the picture left to right.
wmf('mirror.wmf', (0, 0, 100, 100), [(0x020B, h(0, 100)), (0x020C, h(100, -100))] + marks(100, 100) + [
    pen(5, 0, 0), sel(0), brush(0, rgb(*RED)), sel(1), rect(10, 10, 41, 41)])
markpoints('mirror.wmf', 100, 100)
point('mirror.wmf', 75, 25, RED)
point('mirror.wmf', 25, 25, WHITE)

# DIB blits: 2 x 2 pixels stretched to 70 x 70, and a white pixel XORed over blue.
quad = dib(2, 2, [[RED, GREEN], [BLUE, WHITE]])
wmf('blits.wmf', (0, 0, 100, 100), marks(100, 100) + [
    (0x0F43, struct.pack('<IH8h', 0x00CC0020, 0, 2, 2, 0, 0, 70, 70, 10, 10) + quad),
    brush(0, rgb(*BLUE)), sel(0), (0x061D, struct.pack('<I4h', 0x00F00021, 10, 80, 85, 10)),
    (0x0B41, struct.pack('<I8h', 0x00660046, 1, 1, 0, 0, 10, 40, 85, 10) + dib(1, 1, [[WHITE]]))])
markpoints('blits.wmf', 100, 100)
for x, y, c in ((25, 25, RED), (65, 25, GREEN), (25, 65, BLUE), (65, 65, WHITE), (30, 90, YELLOW), (70, 90, BLUE)):
    point('blits.wmf', x, y, c)

# A region of two rectangles filled green, and a hatched brush.
region = struct.pack('<hhIhhh4h', 0, 6, 0, 0, 2, 0, 10, 10, 90, 50)
region += struct.pack('<3h2hh', 2, 10, 30, 10, 40, 2) + struct.pack('<3h2hh', 2, 30, 50, 50, 90, 2)
wmf('regions.wmf', (0, 0, 100, 100), marks(100, 100) + [
    brush(0, rgb(*GREEN)), (0x06FF, region), (0x0228, h(1, 0)),
    brush(2, rgb(255, 0, 0), 4), sel(2), pen(5, 0, 0), sel(3), rect(10, 60, 91, 91)])
markpoints('regions.wmf', 100, 100)
for x, y, c in ((20, 20, GREEN), (70, 40, GREEN), (70, 20, WHITE), (20, 40, WHITE)):
    point('regions.wmf', x, y, c)

# EMF: a quarter turn of the world, then HIMETRIC; 1000 reference pixels for 254 mm, a 200-pixel frame.
quarter = struct.pack('<6f', 0, 1, -1, 0, 200, 0)
emf('world.emf', (0, 0, 5080, 5080), [
    (39, i32(1, 0, rgb(*RED), 0)), (37, i32(1)), (37, struct.pack('<I', 0x80000008)),
    (35, quarter), (43, i32(20, 40, 60, 100)),
    (36, struct.pack('<6fI', 1, 0, 0, 1, 0, 0, 1)), (17, i32(3)),
    (39, i32(2, 0, rgb(*BLUE), 0)), (37, i32(2)), (42, i32(1000, -3000, 3000, -5000))])
# The frame is 200 reference pixels, shown at 96 per inch: 192 pixels, 0.96 of a reference pixel each.
point('world.emf', 125, 38, RED)    # the rectangle turned to x 100..160, y 20..60
point('world.emf', 40, 70, WHITE)   # where it stood unturned
point('world.emf', 75, 151, BLUE)   # the ellipse of 10..30 mm by 30..50 mm below the top
point('world.emf', 150, 150, WHITE)

# ImageMagick smooths stretched bitmaps and knows no raster operations: blits.wmf is checked by its points.
open('imagemagick.txt', 'w').write('shapes.wmf\nmirror.wmf\n')
PY


cd "$WORK" || exit 1
python3 make.py || { echo "FAIL: the fixtures could not be written"; exit 1; }
wmfReader=yes
convert -list format 2>/dev/null | grep -q ' WMF' || wmfReader=no
source "$HERE/lib/batch.sh"
status=0
# Every rendering in one picdump process, then the points and the references each in one Python process.
runs=() points=() refs=() labels=() refLabels=()
for f in shapes.wmf mirror.wmf blits.wmf regions.wmf world.emf; do
    runs+=("$(batch_add runs.txt "$f" "$f.pictures.pam")")
    runs+=("$(batch_add runs.txt --io "$f" "$f.io.pam")")
done
batch_run "$PICDUMP" runs.txt
i=0
for f in shapes.wmf mirror.wmf blits.wmf regions.wmf world.emf; do
    for road in pictures io; do
        n=${runs[$i]}
        i=$((i + 1))
        if ! batch_ok runs.txt "$n"; then
            echo "FAIL: picdump could not render $f through the $road: $(batch_errors runs.txt "$f")"
            status=1
            continue
        fi
        points+=("$f" "$f.$road.pam") labels+=("$f through the $road")
        if grep -qx "$f" imagemagick.txt; then
            if [ $wmfReader = no ]; then
                echo "  (ImageMagick reads no WMF here: libmagickcore-6.q16-6-extra is missing)"
                continue
            fi
            [ -f "$f.ref.ppm" ] || convert -density 96 "$f" -background white -flatten -depth 8 "$f.ref.ppm"
            refs+=("$f.$road.pam" "$f.ref.ppm") refLabels+=("$f through the $road")
        fi
    done
done
if [ ${#points[@]} -gt 0 ]; then
    python3 "$HERE/lib/metafile_compare.py" expect "${points[@]}" > points.txt || status=1
    i=0
    while read -r result; do
        echo "${labels[$i]}: points $result"
        i=$((i + 1))
    done < points.txt
fi
if [ ${#refs[@]} -gt 0 ]; then
    python3 "$HERE/lib/metafile_compare.py" reference "${refs[@]}" > refs.txt || status=1
    i=0
    while read -r result; do
        echo "${refLabels[$i]} against ImageMagick: $result"
        i=$((i + 1))
    done < refs.txt
fi

# The form demo shows a WMF in its image: its colours where the geometry puts them.
if [ -x "$DEMO" ] && command -v Xvfb >/dev/null 2>&1 && command -v import >/dev/null 2>&1; then
    source "$HERE/lib/xvfb.sh"
    export XDG_RUNTIME_DIR=$WORK/runtime
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    if xvfb_start 800x600x24; then
        "$DEMO" --seconds 20 --picture "$WORK/shapes.wmf" >demo.out 2>demo.err &
        pid=$!
        for _ in $(seq 100); do
            sleep 0.1
            grep -q '^ready' demo.out && break
            kill -0 "$pid" 2>/dev/null || break
        done
        read -r ix iy < <(sed -n 's/^image \([0-9]*\),\([0-9]*\) .*/\1 \2/p' demo.out)
        shown=no
        pixel() {
            local p="p{$1,$2}"
            convert screen.png -format "%[fx:int(255*$p.r)],%[fx:int(255*$p.g)],%[fx:int(255*$p.b)]" info:
        }
        for _ in $(seq 40); do
            sleep 0.25
            [ -n "${ix:-}" ] || break
            import -window root screen.png 2>/dev/null || continue
            # The image is 96 x 96: the picture's top-left part shows (its red rectangle, a corner mark and
            # the start of the thick cyan line); where it draws nothing the panel shows through.
            red=$(pixel $((ix + 50)) $((iy + 40)))
            mark=$(pixel $((ix + 3)) $((iy + 3)))
            cyan=$(pixel $((ix + 93)) $((iy + 75)))
            if [ "$red" = "255,0,0" ] && [ "$mark" = "0,0,0" ] && [ "$cyan" = "0,255,255" ]; then
                shown=yes
                break
            fi
        done
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        [ -n "${METAFILE_SCREENSHOT:-}" ] && cp screen.png "$METAFILE_SCREENSHOT"
        if [ $shown = yes ]; then
            echo "the form demo shows shapes.wmf in its image at $ix,$iy"
        else
            echo "FAIL: the form demo's image at ${ix:-?},${iy:-?} shows ${red:-nothing}, ${mark:-nothing}, ${cyan:-nothing}"
            cat demo.out demo.err
            status=1
        fi
    else
        echo "FAIL: no X server"
        status=1
    fi
else
    echo "(the form demo part needs Xvfb, import and the target tool_formdemo)"
fi
exit $status
