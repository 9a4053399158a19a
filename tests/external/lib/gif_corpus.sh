# What the GIF checks against other programs share (sourced by them; CTest runs only the scripts directly in
# tests/external): the check for the tools they need, a temporary work folder, failure counting, and the
# corpus files that they all read. corpus.log in the work folder records the commands that made the corpus.

# gif_need TOOL...: skips the check (exit 77) when one of the tools is not installed.
gif_need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
    done
}

# gif_workdir NAME: makes the work folder (removed on exit), enters it and starts counting failures.
gif_workdir() {
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-$1.XXXXXX")
    trap 'rm -rf "$WORK"' EXIT
    cd "$WORK" || exit 1
    failures=0
}

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs a corpus command, recording it.
make() {
    echo "$*" >>corpus.log
    "$@" >/dev/null 2>>corpus.err || fail "corpus command failed: $*"
}

# base.png (the same picture on every run: the seed comes before the plasma).
gif_corpus_base() {
    make convert -seed 7 -size 40x30 plasma:fractal base.png
}

# The animations of base.png: every disposal (anim-None.gif ...) and a table per frame (local-tables.gif).
gif_corpus_animations() {
    local d
    for d in None Background Previous Undefined; do
        make convert -delay 7 -dispose $d -loop 3 base.png -colors 16 \
            \( -size 12x9 xc:none -fill green -draw 'circle 6,4 6,1' \) \
            \( -size 40x30 xc:yellow -fill black -draw 'rectangle 5,5 20,20' \) anim-$d.gif
    done
    make convert -delay 20 -loop 0 base.png -colors 8 \( base.png -rotate 180 -colors 64 \) \
        \( base.png -negate -colors 200 \) local-tables.gif
}

# netpbm.gif: interlaced and transparent, from netpbm's encoder.
gif_corpus_netpbm() {
    echo "ppmpat -camo -randomseed 5 33 21 | pnmquant 16 | pamtogif -interlace -transparent=red > netpbm.gif" \
        >>corpus.log
    ppmpat -camo -randomseed 5 33 21 2>>corpus.err | pnmquant 16 2>>corpus.err |
        pamtogif -interlace -transparent=red >netpbm.gif 2>>corpus.err || fail "netpbm"
}

# giflib.gif: anim-Background.gif written again by giflib's gifbuild.
gif_corpus_giflib() {
    echo "gifbuild -d anim-Background.gif | gifbuild > giflib.gif" >>corpus.log
    gifbuild -d anim-Background.gif >giflib.txt && gifbuild giflib.txt >giflib.gif 2>>corpus.err || fail "gifbuild"
}

# The check's verdict: the failures counted, with the corpus commands when there were any.
gif_finish() {
    [ "$failures" -eq 0 ] || { echo "corpus commands:"; cat corpus.log; exit 1; }
}
