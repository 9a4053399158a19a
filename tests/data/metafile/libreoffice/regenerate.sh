#!/bin/bash
# Writes the fixtures of tests/external/metafile_libreoffice.sh: SVG pictures (filled shapes, thick strokes, a
# Bézier path, text, an embedded PNG, a gradient and a clip path, small black squares in the corners) that
# LibreOffice converts to WMF and EMF (a private profile, headless) and then renders to PNG; each PNG is cut to
# the picture ("convert -trim": LibreOffice centres it on a page) and kept as the reference of its metafile.
# LibreOffice takes minutes to start three times on a small machine, so the check reads these files instead of
# running it. Needs soffice (Debian: libreoffice-draw-nogui), ImageMagick's convert and python3.
# usage: tests/data/metafile/libreoffice/regenerate.sh
set -eu
OUT=$(cd "$(dirname "$0")" && pwd)
for tool in python3 convert timeout soffice; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed" >&2; exit 1; }
done
WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-metafile-lo.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

python3 - <<'PY'
import base64, struct, zlib

def png(w, h, rows):
    raw = b''.join(b'\0' + bytes(v for px in row for v in px) for row in rows)
    def chunk(t, d):
        c = struct.pack('>I', len(d)) + t + d
        return c + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

head = '<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="200" height="150" viewBox="0 0 200 150">'
marks = ''.join('<rect x="%d" y="%d" width="8" height="8"/>' % p for p in ((0, 0), (192, 0), (0, 142), (192, 142)))
open('shapes.svg', 'w').write(head + marks + '''
<rect x="20" y="20" width="60" height="40" fill="#ff0000"/>
<ellipse cx="140" cy="45" rx="40" ry="25" fill="#00c800" stroke="#000080" stroke-width="6"/>
<path d="M 20 130 C 40 70, 80 70, 100 130" fill="none" stroke="#0000ff" stroke-width="8"/>
<polygon points="120,80 180,80 150,135" fill="#ffff00"/></svg>''')
checker = [[(255, 0, 0) if (x // 8 + y // 8) % 2 else (0, 0, 255) for x in range(64)] for y in range(64)]
image = base64.b64encode(png(64, 64, checker)).decode()
open('image.svg', 'w').write(head + marks + '''
<defs><linearGradient id="g" x1="0" y1="0" x2="1" y2="0"><stop offset="0" stop-color="#ff0000"/>
<stop offset="1" stop-color="#0000ff"/></linearGradient><clipPath id="c"><circle cx="150" cy="110" r="30"/></clipPath></defs>
<image x="20" y="20" width="64" height="64" xlink:href="data:image/png;base64,%s"/>
<rect x="100" y="20" width="80" height="40" fill="url(#g)"/>
<rect x="110" y="70" width="80" height="70" fill="#00a000" clip-path="url(#c)"/></svg>''' % image)
open('text.svg', 'w').write(head + marks + '''
<text x="20" y="50" font-family="Arial" font-size="28" fill="#000000">Loomwick</text>
<text x="20" y="110" font-family="Arial" font-size="40" font-weight="bold" fill="#0000c0">Abc 123</text></svg>''')
PY

office() {
    HOME=$WORK timeout 100 soffice -env:UserInstallation=file://$WORK/profile --headless "$@" >>office.log 2>&1
}
office --convert-to wmf shapes.svg image.svg text.svg
office --convert-to emf shapes.svg image.svg text.svg
# The pictures of a drawing's WMF and EMF would share a name.
for f in ./*.emf; do mv "$f" "${f%.emf}-e.emf"; done
mkdir -p png
office --convert-to png --outdir png ./*.wmf ./*.emf

for f in shapes.wmf image.wmf text.wmf shapes-e.emf image-e.emf text-e.emf; do
    [ -f "$f" ] && [ -f "png/${f%.*}.png" ] || { echo "LibreOffice wrote no $f or no picture of it" >&2; cat office.log >&2; exit 1; }
    cp "$f" "$OUT/$f"
    convert "png/${f%.*}.png" -background white -flatten -trim +repage -depth 8 -strip "$OUT/${f%.*}.ref.png"
done
echo "fixtures written to tests/data/metafile/libreoffice"
