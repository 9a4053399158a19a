#!/bin/bash
# Checks the GIF optimisation against programs nobody here wrote: gifsicle's gifdiff and ImageMagick.
# $1 is the build folder. The corpus (ImageMagick animations and gifsicle's files; tests/external/lib/
# gif_corpus.sh, set "optimise") is made once per test run; corpus.log records the commands that made it.
#
# For every corpus file F:
#   "gifopt F O --always" (every step) and "gifopt F O --always --global" (every step, then one global
#   colour table whenever the colours fit) give a file O that gifdiff finds visually identical to F (frames
#   that repeat the screen before them may be merged) and that ImageMagick composes into the same screens
#   shown for the same time as F;
#   "gifopt F O --global", which keeps the smallest of those and F itself, is not larger than F.
# results.log lists what each run wrote.
# Budget: 180 s
# Corpus: gif
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
OPT=$BUILD/tools/gifopt
source "$(dirname "$0")/lib/gif_corpus.sh"
source "$(dirname "$0")/lib/batch.sh"
gif_need gifsicle gifdiff convert md5sum
[ -x "$OPT" ] || { echo "missing $OPT: build the target tool_gifopt"; exit 1; }
gif_workdir gif-optimise
gif_corpus "$BUILD" optimise

files=()
for f in *.gif; do
    [ -s "$f" ] && files+=("$f")
done
shopt -s nullglob
mkdir results gifdiff delays shots
modes=(--always "--always --global" --global)

# gifopt in every mode on every file, in one of gif_lanes processes side by side (tests/external/lib/batch.sh),
# what it reports as results/OUT; then gifdiff checks each result.
lanes=$(gif_lanes)
n=0
for f in "${files[@]}"; do
    for mode in "${modes[@]}"; do
        out="out${mode// /}-$f"
        echo "$f $out $mode > results/$out"
    done >>"runs-$((n++ % lanes)).list"
done
batch_lanes "$OPT" runs-*.list
for list in runs-*.list; do
    while IFS= read -r line; do
        fail "gifopt $line"
    done < <(batch_failed "$list")
done
run_gifdiff() {
    local f=$1 mode out
    for mode in "${modes[@]}"; do
        out="out${mode// /}-$f"
        [ -s "$out" ] || continue
        gifdiff -w "$f" "$out" >"gifdiff/$out" 2>&1 || { echo "FAIL: $out: gifdiff finds differences"; head -5 "gifdiff/$out"; }
    done
}
gif_parallel run_gifdiff "${files[@]}"

# What a viewer shows: one line per composed screen (the checksum of its RGBA, transparent pixels as
# 0,0,0,0) with the time it stands, equal consecutive screens merged. ImageMagick composes every file, ours
# too, in one run: the delays of its screens as delays/FILE, each screen's RGBA as shots/FILE-NNNN.
specs=()
for f in *.gif; do
    specs+=("$f=$f")
done
gif_im_batch "-coalesce -adjoin -format %T\n -write info:delays/@ -background black -alpha background -depth 8
    +adjoin -write rgba:shots/@-%04d" "${specs[@]}"
gif_sums shots/*
timeline() {
    local shots=(shots/"$1"-*) delays=() i last="" sum total=0
    [ -s "delays/$1" ] && [ ${#shots[@]} -gt 0 ] || return 1
    mapfile -t delays <"delays/$1"
    [ ${#delays[@]} -eq ${#shots[@]} ] || return 1
    for i in "${!shots[@]}"; do
        sum=${GIF_SUM[${shots[$i]}]:-}
        if [ "$i" -gt 0 ] && [ "$sum" = "$last" ]; then
            total=$((total + delays[i]))
            continue
        fi
        [ "$i" -gt 0 ] && echo "$last $total"
        last=$sum
        total=${delays[i]}
    done
    echo "$last $total"
}

for f in "${files[@]}"; do
    before=$(timeline "$f") || { fail "$f: ImageMagick cannot compose it"; continue; }
    for mode in "${modes[@]}"; do
        out="out${mode// /}-$f"
        [ -e "$out" ] || continue
        [ "$(timeline "$out")" = "$before" ] || fail "$out: ImageMagick composes other screens or times"
    done
    [ -e "out--global-$f" ] || continue
    [ "$(stat -c %s "out--global-$f")" -le "$(stat -c %s "$f")" ] || fail "out--global-$f: larger than $f"
done
for f in "${files[@]}"; do
    for mode in "${modes[@]}"; do
        out="out${mode// /}-$f"
        [ -e "results/$out" ] && cat "results/$out"
    done
done >results.log
cat runs-*.list.err >>results.log 2>/dev/null
grep -q "many-colours.gif.*one colour table" results.log &&
    fail "many-colours.gif: merged although it has too many colours"
grep -q "^ball.gif.*--always--global.*one colour table" results.log || fail "ball.gif: not merged into one table"
cat results.log
count=${#files[@]}
echo "checked $count corpus files"
gif_finish
