#!/bin/bash
# Makes the corpus of the GIF checks (gif_tools.sh, gif_render.sh, gif_optimise.sh) before them, once per build
# (again when its recipe or the programs that make it change): the CTest fixture external_corpus_gif. $1 is
# the build folder, $2 the corpus folder. What it makes is in tests/external/lib/gif_corpus.sh; the
# ImageMagick and gifsicle it needs are the checks' own needs, so without them there is nothing to make and
# the checks skip.
set -u
source "$(dirname "$0")/../lib/gif_corpus.sh"
for tool in convert gifsicle; do
    command -v "$tool" >/dev/null 2>&1 || { echo "nothing to make: $tool is not installed"; exit 0; }
done
gif_corpus_current "${2:?corpus folder}" && { echo "the corpus in $2 is up to date"; exit 0; }
gif_corpus_make "$2" || exit 1
echo "made $(ls "$2"/pool | wc -l) files in $2"
