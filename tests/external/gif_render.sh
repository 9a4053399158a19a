#!/bin/bash
# Checks the composed animation frames against ImageMagick. $1 is the build folder. The corpus (the GIF
# codec check's files: plain, interlaced, local tables, every disposal with transparency, gifsicle's and
# netpbm's encoders; tests/external/lib/gif_corpus.sh, set "render") is made once per test run; corpus.log
# records the commands that made it.
#
# For every corpus file F, "gifdump composed F DIR" (the playback painter drawing each frame over the
# screen with the frames' disposal methods, starting from magenta) equals "convert F -coalesce" with the
# transparent pixels shown on magenta, frame for frame.
# Budget: 120 s
# Corpus: gif
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
DUMP=$BUILD/tools/gifdump
source "$(dirname "$0")/lib/gif_corpus.sh"
gif_need convert identify gifsicle pamtogif ppmpat pnmquant md5sum
[ -x "$DUMP" ] || { echo "missing $DUMP: build the target tool_gifdump"; exit 1; }
gif_workdir gif-render
gif_corpus "$BUILD" render

files=()
for f in *.gif; do
    [ -s "$f" ] && files+=("$f")
done
shopt -s nullglob
mkdir composed coalesced

# Our playback painter's screens for every file, the processors shared. ImageMagick (and ffmpeg) start the
# screen in the GIF's background colour, which shows where the first frame restores to the previous picture,
# but clear areas restored to the background to transparent: the painter starts from the target's picture for
# both, so it gets the matching one.
run_ours() {
    local f=$1 start=ff00ff
    gif_reader "$DUMP" info "$f" | grep -q '^frame 0 .* disposal 3 ' && start=background
    gif_reader "$DUMP" composed "$f" "composed/$f" $start || echo "FAIL: $f: gifdump composed"
}
gif_parallel run_ours "${files[@]}"

# ImageMagick's coalesced frames of every file and the RGB of our screens, in one run; its frame counts.
specs=()
for f in "${files[@]}"; do
    specs+=("$f=$f")
    screens=(composed/"$f"/composed-*.ppm)
    [ ${#screens[@]} -gt 0 ] && specs+=("ours-$f=$(IFS=,; echo "${screens[*]}")")
done
gif_im_batch "-coalesce -background #ff00ff -alpha remove -alpha off -depth 8 -write rgb:coalesced/@" "${specs[@]}"
declare -A frames=()
while read -r n name; do
    frames[$name]=$n
done < <(identify -format '%f\n' "${files[@]}" 2>/dev/null | sort | uniq -c)

gif_sums coalesced/*
checked=0
for f in "${files[@]}"; do
    [ -d "composed/$f" ] || continue
    screens=(composed/"$f"/composed-*.ppm)
    [ "${#screens[@]}" = "${frames[$f]:-0}" ] ||
        { fail "$f: ${#screens[@]} composed frames, ImageMagick has ${frames[$f]:-0}"; continue; }
    gif_same "coalesced/ours-$f" "coalesced/$f" || fail "$f: composed frames differ from ImageMagick's -coalesce"
    checked=$((checked + 1))
done

echo "checked $checked corpus files"
gif_finish
