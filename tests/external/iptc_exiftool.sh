#!/usr/bin/env bash
# IPTC records checked against ExifTool both ways: ExifTool reads the records that tools/iptctool writes into a
# JPEG's APP13 segment through the imaging library (standard and extended lengths), and the library reads back
# the records that ExifTool writes.
# Usage: iptc_exiftool.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 180 s
set -u

build=${1:?usage: iptc_exiftool.sh BUILD_DIR}
tool=$build/tools/iptctool
command -v exiftool >/dev/null 2>&1 || { echo "skip: exiftool is missing"; exit 77; }
[[ -x $tool ]] || { echo "skip: $tool is not built"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-iptc-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A small JPEG to carry the records.
if command -v convert >/dev/null 2>&1 && convert -size 8x8 xc:red base.jpg 2>/dev/null; then
    :
elif command -v ffmpeg >/dev/null 2>&1 &&
    ffmpeg -loglevel error -f lavfi -i color=red:size=8x8 -frames:v 1 base.jpg 2>/dev/null; then
    :
else
    echo "skip: neither convert nor ffmpeg can make a JPEG"
    exit 77
fi

failures=0
expect() { # description, expected, actual
    if [[ "$2" == "$3" ]]; then
        echo "ok: $1"
    else
        echo "FAIL: $1: expected '$2', got '$3'"
        failures=$((failures + 1))
    fi
}

# Ours, read by ExifTool: a title, two keywords and a 40,000-byte caption in the extended length form.
"$tool" write base.jpg ours.jpg 2:5=Title 2:25=alpha 2:25=beta 2:120=@40000 2:80=Someone || exit 1
expect "object name" "Title" "$(exiftool -s -s -s -IPTC:ObjectName ours.jpg)"
expect "keywords" "alpha, beta" "$(exiftool -s -s -s -sep ', ' -IPTC:Keywords ours.jpg)"
expect "by-line" "Someone" "$(exiftool -s -s -s -IPTC:By-line ours.jpg)"
expect "long caption" "40000" "$(exiftool -b -IPTC:Caption-Abstract ours.jpg | wc -c | tr -d ' ')"
expect "no warnings" "" "$(exiftool -s -s -s -Warning ours.jpg)"

# ExifTool's, read by us.
exiftool -q -IPTC:ObjectName=Hello -IPTC:Keywords=one -IPTC:Keywords=two -IPTC:Caption-Abstract='A caption' \
    -IPTC:City=Bern -o theirs.jpg base.jpg || exit 1
records=$("$tool" read theirs.jpg) || exit 1
for line in "2:5=Hello" "2:25=one" "2:25=two" "2:120=A caption" "2:90=Bern"; do
    if grep -qxF "$line" <<<"$records"; then echo "ok: read $line"; else
        echo "FAIL: $line not read; got:"
        echo "$records"
        failures=$((failures + 1))
    fi
done
# ExifTool rewriting our block keeps every record.
exiftool -q -IPTC:City=Bern -o both.jpg ours.jpg || exit 1
expect "records after ExifTool's rewrite" "7" "$("$tool" read both.jpg | grep -c '^2:')"

((failures == 0)) || exit 1
echo "iptc_exiftool: all checks passed"
