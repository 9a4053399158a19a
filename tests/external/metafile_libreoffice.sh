#!/bin/bash
# WMF and EMF files that LibreOffice wrote from SVG drawings (filled shapes, thick strokes, a Bézier path, text,
# an embedded PNG, a gradient and a clip path), played by our metafile player and compared with LibreOffice's
# own rendering of the same files. Files and renderings are kept in tests/data/metafile/libreoffice/ (its
# regenerate.sh writes them with LibreOffice, which is too slow to start in every run). picdump (through the
# pictures) and picdump --io (through the metafile import) render every file; at least 95% of our pixels must
# lie within 10% colour distance of the reference pixel or one of its neighbours (the reference scaled to our
# size).
# $1 is the build folder.
# Budget: 120 s
set -u
BUILD=$(cd "${1:?build folder}" && pwd)
PICDUMP=$BUILD/tools/picdump
HERE=$(cd "$(dirname "$0")" && pwd)
DATA=$HERE/../data/metafile/libreoffice
for tool in python3 convert timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$PICDUMP" ] || { echo "missing $PICDUMP: build the target tool_picdump"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-metafile-lo.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1

status=0
for f in shapes.wmf image.wmf text.wmf shapes-e.emf image-e.emf text-e.emf; do
    convert "$DATA/${f%.*}.ref.png" -depth 8 "$f.ref.ppm"
    for road in pictures io; do
        args=()
        [ "$road" = io ] && args=(--io)
        if ! timeout 30 "$PICDUMP" "${args[@]}" "$DATA/$f" "$f.$road.pam" 2>"$f.$road.err"; then
            echo "FAIL: picdump ${args[*]} $f: $(cat "$f.$road.err")"
            status=1
            continue
        fi
        result=$(python3 "$HERE/lib/metafile_compare.py" reference "$f.$road.pam" "$f.ref.ppm")
        [ $? -eq 0 ] || status=1
        echo "$f through the $road against LibreOffice: $result"
    done
done
exit $status
