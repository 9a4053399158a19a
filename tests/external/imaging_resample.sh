#!/usr/bin/env bash
# Resampling and rotation of the imaging library checked against ImageMagick on a photo-like picture:
# halving and doubling with the box, bilinear and bicubic filters must stay within a small mean absolute
# difference of `convert -filter Box/Triangle/Catrom -resize`, and quarter turns must equal
# `convert -rotate 90/180/270` exactly. The library's images come from the ikresample tool.
# Usage: imaging_resample.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 180 s
set -u

build=${1:?usage: imaging_resample.sh BUILD_DIR}
build=$(cd "$build" 2>/dev/null && pwd) || { echo "skip: no build folder $1"; exit 77; }
tool=$build/tools/ikresample
command -v convert >/dev/null 2>&1 || { echo "skip: ImageMagick's convert is missing"; exit 77; }
command -v compare >/dev/null 2>&1 || { echo "skip: ImageMagick's compare is missing"; exit 77; }
[[ -x $tool ]] || { echo "skip: $tool is not built"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-resample-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A smooth, textured picture of odd size: a seeded plasma, softened.
convert -seed 7 -size 97x65 plasma:fractal -blur 0x1.5 -depth 8 src.ppm || { echo "FAIL: convert cannot make the picture"; exit 1; }

if ! "$tool" "$work" >tool.log 2>&1; then
    echo "FAIL: ikresample could not write its images"
    cat tool.log
    exit 1
fi

fail=0
# Mean absolute difference in levels 0..255 between two images of the same size.
mae() {
    compare -metric MAE "$1" "$2" null: 2>&1 | sed -n 's/^[^(]*(\([0-9.e+-]*\)).*/\1/p' | awk '{ printf "%.2f", $1 * 255 }'
}
# Our filter, ImageMagick's, and the largest mean absolute difference accepted per direction.
while read -r ours im down up; do
    for tag in down up; do
        [[ $tag == down ]] && geometry=48x32! limit=$down || { geometry=194x130! limit=$up; }
        convert src.ppm -filter "$im" -resize "$geometry" -depth 8 "im-$ours-$tag.ppm"
        d=$(mae "ours-$ours-$tag.ppm" "im-$ours-$tag.ppm")
        if [[ -z $d ]]; then
            echo "FAIL $ours $tag: images could not be compared"
            fail=1
        elif awk -v d="$d" -v l="$limit" 'BEGIN { exit !(d <= l) }'; then
            echo "ok   $ours $tag (filter $im): mean difference $d <= $limit"
        else
            echo "FAIL $ours $tag (filter $im): mean difference $d > $limit"
            fail=1
        fi
    done
done <<'TABLE'
box Box 1.5 1.0
bilinear Triangle 1.5 1.0
bicubic Catrom 1.5 2.0
TABLE

for angle in 90 180 270; do
    convert src.ppm -rotate "$angle" -depth 8 "im-rotate$angle.ppm"
    if cmp -s <(convert "ours-rotate$angle.ppm" -depth 8 RGB:-) <(convert "im-rotate$angle.ppm" -depth 8 RGB:-); then
        echo "ok   rotate $angle: identical"
    else
        echo "FAIL rotate $angle: pixels differ from ImageMagick's"
        fail=1
    fi
done
exit $fail
