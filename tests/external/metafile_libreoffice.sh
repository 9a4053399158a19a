#!/bin/bash
# WMF and EMF files that LibreOffice wrote from SVG drawings (filled shapes, thick strokes, a Bézier path, text,
# an embedded PNG, a gradient and a clip path), played by our metafile player and compared with LibreOffice's
# own rendering of the same files. Files and renderings are kept in tests/data/metafile/libreoffice/ (its
# regenerate.sh writes them with LibreOffice, which is too slow to start in every run). picdump (through the
# pictures) and picdump --io (through the metafile import) render every file; at least 95% of our pixels must
# lie within 10% colour distance of the reference pixel or one of its neighbours (the reference scaled to our
# size).
# $1 is the build folder.
# Budget: 60 s
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
source "$HERE/lib/batch.sh"

# Every rendering in one picdump process, then every comparison in one Python process.
files=(shapes.wmf image.wmf text.wmf shapes-e.emf image-e.emf text-e.emf)
runs=() pairs=() names=() compared=()
for f in "${files[@]}"; do
    convert "$DATA/${f%.*}.ref.png" -depth 8 "$f.ref.ppm"
    runs+=("$(batch_add runs.txt "$DATA/$f" "$f.pictures.pam")") names+=("$f through the pictures")
    runs+=("$(batch_add runs.txt --io "$DATA/$f" "$f.io.pam")") names+=("$f through the io")
done
batch_run "$PICDUMP" runs.txt

status=0
i=0
for f in "${files[@]}"; do
    for road in pictures io; do
        if batch_ok runs.txt "${runs[$i]}"; then
            pairs+=("$f.$road.pam" "$f.ref.ppm") compared+=("${names[$i]}")
        else
            echo "FAIL: picdump could not render ${names[$i]}: $(batch_errors runs.txt "$f")"
            status=1
        fi
        i=$((i + 1))
    done
done
[ ${#pairs[@]} -gt 0 ] || exit 1
python3 "$HERE/lib/metafile_compare.py" reference "${pairs[@]}" > results.txt || status=1
i=0
while read -r result; do
    echo "${compared[$i]} against LibreOffice: $result"
    i=$((i + 1))
done < results.txt
exit $status
