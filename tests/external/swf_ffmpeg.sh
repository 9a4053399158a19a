#!/usr/bin/env bash
# Checks the SWF writer against programs nobody here wrote: python's zlib inflates the "CWS" movies, ffprobe
# reads their size and rate, and ffmpeg decodes their bitmaps and the BMP files they were made from.
# Usage: swf_ffmpeg.sh BUILD_DIR. The corpus is made here, in a temporary folder; every command is echoed.
#
# ffmpeg 5.1 has two faults of its own that shape this check: it drops the last inflated block of a "CWS"
# body (so the movies are inflated to "FWS" first), and it reads colour-mapped and 15-bit SWF bitmaps
# without the 32-bit row padding the format prescribes (so ffmpeg judges 8-bit frames only at widths that
# are multiples of 4; other widths and depths are judged by decoding the movie's bitmaps here and
# comparing them with ffmpeg's decoding of the BMP files).
# Each program starts as few times as it can (one ffmpeg makes every picture, one swfslides --batch makes
# every movie, one ffmpeg decodes them all): a start costs more than the work on these small files.
# On two cores of a machine other builds keep busy (load 17 to 24) it takes 16 to 26 s (97 s before).
# Budget: 180 s
set -euo pipefail
BUILD=${1:?build folder}
SWFMAKE="$BUILD/tools/swfslides"
for tool in ffmpeg ffprobe python3; do
    command -v "$tool" >/dev/null || { echo "skip: $tool missing"; exit 77; }
done
[[ -x "$SWFMAKE" ]] || { echo "skip: $SWFMAKE not built"; exit 77; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
run() { echo "+ $*"; "$@"; }

# Every picture comes from one ffmpeg run: `picture SOURCE PIXEL-FORMAT FILE` adds the lavfi SOURCE as an
# input and its first frame in that pixel format as an output.
INPUTS=() OUTPUTS=() PICTURES=0
picture() {
    INPUTS+=(-f lavfi -i "$1")
    OUTPUTS+=(-map "$PICTURES:v" -frames:v 1 -pix_fmt "$2" "$3")
    PICTURES=$((PICTURES + 1))
}
# Frames: three test pictures per size, in 8-bit palette and 24-bit form.
for src in testsrc rgbtestsrc smptebars; do
    picture "$src=size=36x21" pal8 "p_$src.bmp"
    picture "$src=size=37x23" bgr24 "t_$src.bmp"
    picture "$src=size=37x21" pal8 "o_$src.bmp"
done
# One picture in every BMP depth and coding.
for fmt in monob gray rgb8 bgr4_byte rgb555le rgb565le rgb444le bgr24 bgra; do
    picture "testsrc=size=37x23" "$fmt" "d_$fmt.bmp"
done
# ImageMagick's pictures are made beside ffmpeg's (a start costs more than the work on a busy machine).
run ffmpeg -nostdin -loglevel error -y "${INPUTS[@]}" "${OUTPUTS[@]}" &
pictures=$!
if command -v convert >/dev/null; then
    run convert -size 37x23 gradient:red-blue -colors 200 -compress RLE BMP3:d_rle8.bmp
    run convert -size 37x23 xc:red -fill blue -draw 'rectangle 5,5 20,15' -fill lime \
        -draw 'rectangle 22,2 30,20' -type Palette BMP3:d_4bit.bmp
    # 124-byte headers: opaque 24-bit, and 32-bit with half-transparent alpha.
    run convert -size 37x23 gradient:red-blue BMP:d_v5.bmp
    run convert -size 37x23 gradient:red-blue -alpha set -channel A -evaluate set 50% BMP:a_v5.bmp
fi
wait $pictures
# An RLE4 file (no common tool writes one): per row a run of 20 alternating pixels, a literal run of 5 and a
# run of 12.
python3 - <<'PY'
import struct
rows = b''
for y in range(23):
    c = y % 16
    rows += bytes([20, (c << 4) | ((c + 3) % 16)])
    rows += bytes([0, 5, 0x12, 0x34, 0x50, 0])
    rows += bytes([12, 0x77 if y % 2 else 0xAB])
    rows += bytes([0, 0])
rows += bytes([0, 1])
palette = b''.join(bytes([i * 16, 255 - i * 16, (i * 37) % 256, 0]) for i in range(16))
offset = 14 + 40 + len(palette)
info = struct.pack('<IiiHHIIiiII', 40, 37, 23, 1, 4, 2, len(rows), 2835, 2835, 16, 0)
head = b'BM' + struct.pack('<IHHI', offset + len(rows), 0, 0, offset)
open('d_rle4.bmp', 'wb').write(head + info + palette + rows)
PY

# Slide shows at 10 frames per second with delays of 100, 200 and 50 ms: 2 + 3 + 2 frames; then a movie of
# each picture. One swfslides process makes them all.
for kind in p t o; do
    echo "$kind.swf 10 ${kind}_testsrc.bmp:100 ${kind}_rgbtestsrc.bmp:200 ${kind}_smptebars.bmp:50"
done > movies.list
for f in d_*.bmp a_*.bmp; do
    [[ -f "$f" ]] || continue
    echo "${f%.bmp}.swf 12 $f:100"
done >> movies.list
sed 's/^/+ swfslides /' movies.list
if ! "$SWFMAKE" --batch movies.list > movies.status; then
    echo "FAIL swfslides: runs that failed:"
    grep -v '^0 ' movies.status || echo "(the process ended before the last run)"
    exit 1
fi

cat > check.py <<'PY'
import concurrent.futures, glob, os, struct, subprocess, sys, zlib

def inflate_to_fws(name):
    d = open(name, 'rb').read()
    assert d[:3] == b'CWS', (name, d[:3])
    assert d[3] == 6, ('version', d[3])
    length = struct.unpack('<I', d[4:8])[0]
    body = zlib.decompress(d[8:])
    assert length == 8 + len(body), ('file length', length, 8 + len(body))
    plain = name.replace('.swf', '_fws.swf')
    open(plain, 'wb').write(b'FWS' + d[3:8] + body)
    return plain, body

def header(body):
    n = body[0] >> 3
    bits = ''.join(format(b, '08b') for b in body[:(5 + 4 * n + 7) // 8])
    vals = [int(bits[5 + i * n:5 + (i + 1) * n], 2) for i in range(4)]
    pos = (5 + 4 * n + 7) // 8
    rate, count = struct.unpack('<HH', body[pos:pos + 4])
    return vals, rate, count, pos + 4

def tags(body, pos):
    while pos < len(body):
        code, = struct.unpack('<H', body[pos:pos + 2]); pos += 2
        tag, size = code >> 6, code & 63
        if size == 63:
            size, = struct.unpack('<I', body[pos:pos + 4]); pos += 4
        yield tag, body[pos:pos + size]
        pos += size
        if tag == 0:
            return

def bitmaps(body, start):
    """Decodes every lossless bitmap to rgb24 rows, following the format's padded layout."""
    out = []
    for tag, data in tags(body, start):
        if tag not in (20, 36):
            continue
        fmt, w, h = data[2], *struct.unpack('<HH', data[3:7])
        if fmt == 3:
            n = data[7] + 1
            raw = zlib.decompress(data[8:])
            entry = 4 if tag == 36 else 3
            pal = [raw[i * entry:i * entry + 3] for i in range(n)]
            stride = (w + 3) & ~3
            px = raw[n * entry:]
            rgb = b''.join(pal[px[y * stride + x]] for y in range(h) for x in range(w))
        elif fmt == 4:
            raw = zlib.decompress(data[7:])
            stride = (w * 2 + 3) & ~3
            rgb = bytearray()
            for y in range(h):
                for x in range(w):
                    v = (raw[y * stride + 2 * x] << 8) | raw[y * stride + 2 * x + 1]
                    rgb += bytes(((v >> 10 & 31) << 3, (v >> 5 & 31) << 3, (v & 31) << 3))
            rgb = bytes(rgb)
        else:
            assert fmt == 5, fmt
            raw = zlib.decompress(data[7:])
            rgb = b''.join(raw[i * 4 + 1:i * 4 + 4] for i in range(w * h))
            if tag == 36:
                out.append((w, h, fmt, rgb, bytes(raw[i * 4] for i in range(w * h))))
                continue
        out.append((w, h, fmt, rgb))
    return out

def decode_all(jobs):
    """Decodes (name, pixel format) pairs to raw pixels in one ffmpeg run."""
    args = ['ffmpeg', '-nostdin', '-loglevel', 'error', '-y']
    for name, fmt in jobs:
        args += ['-i', name]
    for i, (name, fmt) in enumerate(jobs):
        args += ['-map', f'{i}:v', '-f', 'rawvideo', '-pix_fmt', fmt, f'{name}.{fmt}']
    run = subprocess.run(args, capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit('ffmpeg could not decode the pictures and movies:\n' + run.stderr)
    return {job: open(f'{job[0]}.{job[1]}', 'rb').read() for job in jobs}

def probe(name):
    r = subprocess.run(['ffprobe', '-v', 'error', '-show_streams', name], check=True, capture_output=True,
                       text=True).stdout
    return dict(line.split('=', 1) for line in r.splitlines() if '=' in line)

sources = ['testsrc', 'rgbtestsrc', 'smptebars']
kinds = (('p', (36, 21)), ('t', (37, 23)), ('o', (37, 21)))
plains = {kind: inflate_to_fws(kind + '.swf') for kind, size in kinds}
pictures = sorted(glob.glob('d_*.bmp'))
jobs = [(f'{kind}_{s}.bmp', 'rgb24') for kind, size in kinds for s in sources]
jobs += [(plains[kind][0], 'rgb24') for kind in 'pt'] + [(bmp, 'rgb24') for bmp in pictures]
if os.path.exists('a_v5.bmp'):
    jobs.append(('a_v5.bmp', 'rgba'))
pixels = decode_all(jobs)
ffmpeg_rgb = lambda name: pixels[(name, 'rgb24')]
probes = dict(zip('pto', concurrent.futures.ThreadPoolExecutor(3).map(probe, [plains[k][0] for k in 'pto'])))

failures = 0
def check(ok, what):
    global failures
    print(('ok   ' if ok else 'FAIL ') + what)
    failures += 0 if ok else 1

for kind, (w, h) in kinds:
    plain, body = plains[kind]
    rect, rate, count, start = header(body)
    check(rect == [0, w * 20, 0, h * 20], f'{kind}: frame rectangle {rect}')
    check(rate == 10 * 256, f'{kind}: rate {rate / 256}')
    check(count == 7, f'{kind}: frame count {count}')
    info = probes[kind]
    check((info.get('width'), info.get('height'), info.get('r_frame_rate')) == (str(w), str(h), '10/1'),
          f'{kind}: ffprobe {info.get("width")}x{info.get("height")} at {info.get("r_frame_rate")}')
    inputs = b''.join(ffmpeg_rgb(f'{kind}_{s}.bmp') for s in sources)
    if kind != 'o':
        check(ffmpeg_rgb(plain) == inputs, f'{kind}: ffmpeg decodes the movie to the input frames')
    decoded = b''.join(b[3] for b in bitmaps(body, start))
    check(decoded == inputs, f'{kind}: the movie\'s bitmaps equal ffmpeg\'s decoding of the input frames')

for bmp in pictures:
    plain, body = inflate_to_fws(bmp.replace('.bmp', '.swf'))
    rect, rate, count, start = header(body)
    (w, h, fmt, rgb, *alpha), = bitmaps(body, start)
    want = ffmpeg_rgb(bmp)
    if fmt == 4:
        # 15-bit pixels keep the top 5 bits of each channel.
        want = bytes(c & 0xF8 for c in want)
    if 'rgb444' in bmp:
        # 4-bit channels: ffmpeg widens them by shifting, the reader by scaling; the top 4 bits agree.
        want, rgb = bytes(c & 0xF0 for c in want), bytes(c & 0xF0 for c in rgb)
    check(len(want) == w * h * 3 and rgb == want, f'{bmp}: format {fmt}, pixels agree with ffmpeg')
    check(count == 2, f'{bmp}: frame count {count}')
# Alpha: the movie holds ffmpeg's alpha and colours premultiplied by it.
if os.path.exists('a_v5.bmp'):
    plain, body = inflate_to_fws('a_v5.swf')
    rect, rate, count, start = header(body)
    (w, h, fmt, rgb, alpha), = bitmaps(body, start)
    rgba = pixels[('a_v5.bmp', 'rgba')]
    check(alpha == rgba[3::4], 'a_v5.bmp: alpha agrees with ffmpeg')
    want = bytes((rgba[i] * rgba[i - i % 4 + 3] + 127) // 255 for i in range(len(rgba)) if i % 4 != 3)
    check(rgb == want, 'a_v5.bmp: colours are premultiplied by alpha')
sys.exit(1 if failures else 0)
PY
run python3 check.py

# Malformed BMP files are refused with a message, never a crash.
python3 - <<'PY'
import struct
good = open('d_rgb8.bmp', 'rb').read()
def patch(data, offset, fmt, value):
    b = bytearray(data); struct.pack_into(fmt, b, offset, value); return bytes(b)
cases = {
    'bad_truncated.bmp': good[:40],
    'bad_bitcount.bmp': patch(good, 28, '<H', 7),
    'bad_width.bmp': patch(good, 18, '<i', 0),
    'bad_huge.bmp': patch(patch(good, 18, '<i', 0x7FFFFFFF), 22, '<i', 0x7FFFFFFF),
    'bad_offset.bmp': patch(good, 10, '<I', 0xFFFFFF),
    'bad_rle.bmp': patch(patch(good, 30, '<I', 1), 54 + 1024, '<I', 0x0500FF00),
    'bad_header.bmp': patch(good, 14, '<I', 99),
}
for name, data in cases.items():
    open(name, 'wb').write(data)
PY
for f in bad_*.bmp; do
    echo "bad.swf 10 $f:100 2> $f.err"
done > bad.list
sed 's/^/+ swfslides /' bad.list
"$SWFMAKE" --batch bad.list > bad.status || true
for f in bad_*.bmp; do
    status=$(grep -F " $f:100 " bad.status | cut -d' ' -f1)
    if [[ $status != 1 ]]; then
        echo "FAIL $f: swfslides exited with ${status:-no status (the process ended)}"; cat "$f.err"; exit 1
    fi
    echo "ok   $f refused: $(cat "$f.err")"
done
echo "swf_ffmpeg: all checks passed"
