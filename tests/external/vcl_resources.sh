#!/bin/bash
# The embedded bitmap and cursor fixtures (tests/data/vcl/resources) read by ImageMagick: identify takes each
# file for what it is (a BMP, a CUR) and finds the width and height the class library loaded from the
# embedded copy. $1 is the build folder.
# Budget: 60 s
set -u
BUILD=${1:?build folder}
TESTS=$BUILD/tests/test_vcl
DATA=$(cd "$(dirname "$0")/../data/vcl/resources" && pwd)
command -v identify >/dev/null 2>&1 || { echo "skipped: ImageMagick's identify is not installed"; exit 77; }
[ -x "$TESTS" ] || { echo "missing $TESTS: build the target test_vcl"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-vcl-resources.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

LOOMWICK_RESOURCE_SIZES=$WORK/sizes.txt "$TESTS" --gtest_brief=1 \
    --gtest_filter='ResourcesFixture.SizesLoadedForTheExternalCheck' >"$WORK/test.log" 2>&1 ||
    { cat "$WORK/test.log"; echo "FAIL: the class library could not load the fixtures"; exit 1; }
[ -s "$WORK/sizes.txt" ] || { echo "FAIL: test_vcl wrote no sizes"; exit 1; }

# ImageMagick names a BMP by its header version (BMP, BMP2, BMP3).
declare -A FORMAT=([bmp]='BMP[23]?' [cur]='CUR')
fail=0
while read -r file width height; do
    got=$(identify -format '%m %w %h\n' "$DATA/$file" 2>&1 | head -n 1)
    if [[ $got =~ ^${FORMAT[${file##*.}]}\ $width\ $height$ ]]; then
        echo "ok: $file: $got"
    else
        echo "FAIL: $file: identify says '$got', the class library loaded $width x $height"
        fail=1
    fi
done <"$WORK/sizes.txt"
[ "$(wc -l <"$WORK/sizes.txt")" -eq 2 ] || { echo "FAIL: expected two fixtures in the report"; fail=1; }
exit $fail
