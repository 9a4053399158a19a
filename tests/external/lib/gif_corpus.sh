# What the GIF checks against other programs share (sourced by them; CTest runs only the scripts directly in
# tests/external): the check for the tools they need, a temporary work folder, failure counting, and the
# corpus files that they read.
#
# The corpus is made once per build, before the checks, by tests/external/corpus/gif.sh (the CTest fixture
# external_corpus_gif), in build/external-corpus/gif: one folder per check (tools, render, optimise) holding
# the files that check reads, and corpus.log, the commands that made them. It is made again when this file or
# the programs that make it change; a check run by hand makes it too when it is missing or stale.

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

# gif_corpus BUILD SET: copies the corpus files of SET (tools, render or optimise) into the work folder,
# making the corpus first when it is missing or stale.
gif_corpus() {
    local root=$1/external-corpus/gif
    gif_corpus_current "$root" || gif_corpus_make "$root" || exit 1
    cp -R "$root/$2/." . || exit 1
    cp "$root/corpus.log" . || exit 1
}

# What identifies this version of the corpus: the checksum of this file and the versions of the programs that
# make the corpus.
gif_corpus_stamp() {
    cksum <"${BASH_SOURCE[0]}"
    convert -version 2>/dev/null | head -n 1
    gifsicle --version 2>/dev/null | head -n 1
    command -v pamtogif gifbuild
}

# gif_corpus_current ROOT: whether the corpus in ROOT was made by this version.
gif_corpus_current() {
    [ "$(cat "$1/stamp" 2>/dev/null)" = "$(gif_corpus_stamp)" ]
}

# gif_corpus_make ROOT: makes the corpus afresh in ROOT (in a new folder renamed into place, so that a check
# never reads half a corpus). Fails, with the commands that failed, when a corpus command fails.
gif_corpus_make() {
    local root=$1 new
    mkdir -p "$(dirname "$root")" || return 1
    new=$(mktemp -d "$root.new.XXXXXX") || return 1
    (
        cd "$new" || exit 1
        mkdir pool tools render optimise
        cd pool && gif_corpus_pool && cd .. || exit 1
        gif_corpus_sets
        cp pool/corpus.log pool/corpus.err . 2>/dev/null
        gif_corpus_stamp >stamp
        if [ "$failures" -ne 0 ]; then
            echo "making the GIF corpus failed; its commands:"
            cat corpus.log corpus.err
            exit 1
        fi
    ) || { rm -rf "$new"; return 1; }
    rm -rf "$root" && mv -T "$new" "$root"
}

# Runs a corpus command, recording it in $GIF_LOG.log (its messages in $GIF_LOG.err, with a "FAIL:" line when
# it fails).
make() {
    echo "$*" >>"${GIF_LOG:-corpus}.log"
    "$@" >/dev/null 2>>"${GIF_LOG:-corpus}.err" || echo "FAIL: corpus command failed: $*" >>"${GIF_LOG:-corpus}.err"
}

# Every corpus file, made in the current folder; counts the commands that failed in $failures. Names are unique
# across the checks (the ball animation's derived files start with "ball-"); gif_corpus_sets gives each
# check its own names. After base.png two lanes of commands that need nothing of each other share the
# processors.
gif_corpus_pool() {
    # base.png (the same picture on every run: the seed comes before the plasma).
    make convert -seed 7 -size 40x30 plasma:fractal base.png
    GIF_LOG=corpus-1 gif_corpus_stills &
    GIF_LOG=corpus-2 gif_corpus_animations
    wait
    cat corpus-1.log corpus-2.log >>corpus.log
    cat corpus-1.err corpus-2.err >>corpus.err 2>/dev/null
    rm -f corpus-[12].*
    failures=$(grep -c '^FAIL:' corpus.err || true)
}

# Single images of every table size, interlaced; the ball, other animations ImageMagick writes, netpbm's file.
gif_corpus_stills() {
    local n x balls=()
    for n in 2 3 5 9 17 33 65 129 256; do
        make convert base.png -colors $n colors-$n.gif
    done
    make convert base.png -colors 40 -interlace GIF interlaced.gif
    make convert base.png -colors 64 still.gif
    # A ball moving over a still background, every frame drawn in full: most pixels repeat.
    for x in 4 10 16 22 28 34; do
        make convert base.png -colors 32 -fill red -draw "circle $x,15 $((x + 3)),15" ball-$x.png
        balls+=(ball-$x.png)
    done
    make convert -delay 10 -loop 0 "${balls[@]}" -comment "a bouncing ball" ball.gif
    make convert ball.gif -coalesce ball-coalesced.gif
    make gifsicle -O2 ball-coalesced.gif -o ball-gifsicle-O2.gif
    make gifsicle --colors 4 --transparent '#000000' -O1 ball-coalesced.gif -o ball-gifsicle-transparent.gif
    # More than 256 colours over all frames: never merged into one table.
    make convert -delay 20 base.png -colors 200 \( base.png -negate -colors 200 \) many-colours.gif
    # A frame that shows nothing between two that do.
    make convert -delay 15 -dispose None base.png -colors 16 \( -size 40x30 xc:none \) \
        \( base.png -flip -colors 16 \) invisible.gif
    # Transparent frames over a transparent screen.
    make convert -delay 12 -dispose Background \( -size 30x20 xc:none -fill blue -draw 'rectangle 2,2 12,12' \) \
        \( -size 30x20 xc:none -fill blue -draw 'rectangle 8,4 18,14' \) \
        \( -size 30x20 xc:none -fill orange -draw 'circle 15,10 15,3' \) sprites.gif
    make convert -delay 5 -loop 2 base.png -colors 48 \( base.png -roll +3+2 -colors 48 \) \
        \( base.png -roll +6+4 -colors 48 \) \( base.png -roll +9+6 -colors 48 \) rolling.gif
    # netpbm.gif: interlaced and transparent, from netpbm's encoder (when netpbm is installed).
    if command -v ppmpat >/dev/null && command -v pnmquant >/dev/null && command -v pamtogif >/dev/null; then
        echo "ppmpat -camo -randomseed 5 33 21 | pnmquant 16 | pamtogif -interlace -transparent=red > netpbm.gif" \
            >>"$GIF_LOG.log"
        ppmpat -camo -randomseed 5 33 21 2>>"$GIF_LOG.err" | pnmquant 16 2>>"$GIF_LOG.err" |
            pamtogif -interlace -transparent=red >netpbm.gif 2>>"$GIF_LOG.err" || echo "FAIL: netpbm" >>"$GIF_LOG.err"
    fi
}

# The animations of base.png: every disposal (anim-None.gif ...), a table per frame (local-tables.gif), frames
# placed inside the screen; what gifsicle and giflib write of them.
gif_corpus_animations() {
    local d
    make convert -size 8x8 xc:red -fill blue -draw 'point 3,3' one.gif
    for d in None Background Previous Undefined; do
        make convert -delay 7 -dispose $d -loop 3 base.png -colors 16 \
            \( -size 12x9 xc:none -fill green -draw 'circle 6,4 6,1' \) \
            \( -size 40x30 xc:yellow -fill black -draw 'rectangle 5,5 20,20' \) anim-$d.gif
    done
    make convert -delay 20 -loop 0 base.png -colors 8 \( base.png -rotate 180 -colors 64 \) \
        \( base.png -negate -colors 200 \) local-tables.gif
    for d in None Background Previous Undefined; do
        # Frames placed inside the screen, transparent around a shape, after an opaque first frame.
        make convert -delay 5 -dispose $d base.png -colors 32 \
            \( -size 10x10 xc:none -fill red -draw 'circle 5,5 5,1' -repage +4+3 \) \
            \( -size 14x6 xc:none -fill blue -draw 'rectangle 2,1 11,4' -repage +20+15 \) \
            \( -size 8x8 xc:none -fill white -draw 'point 4,4' -repage +30+2 \) placed-$d.gif
    done
    # gifsicle's encoder and optimiser.
    make convert anim-None.gif -coalesce coalesced.gif
    make gifsicle -O2 coalesced.gif -o optimised.gif
    make gifsicle -O3 placed-Background.gif -o optimised-placed.gif
    make gifsicle --interlace local-tables.gif -o gifsicle-interlaced.gif
    make gifsicle --colors 4 --transparent '#000000' -O1 coalesced.gif -o gifsicle-transparent.gif
    make gifsicle -O3 --colors 16 local-tables.gif -o gifsicle-O3.gif
    make gifsicle -U anim-Previous.gif -o gifsicle-unoptimised.gif
    # giflib.gif: anim-Background.gif written again by giflib's gifbuild (when giflib's tools are installed).
    if command -v gifbuild >/dev/null; then
        echo "gifbuild -d anim-Background.gif | gifbuild > giflib.gif" >>"$GIF_LOG.log"
        { gifbuild -d anim-Background.gif >giflib.txt && gifbuild giflib.txt >giflib.gif; } 2>>"$GIF_LOG.err" ||
            echo "FAIL: gifbuild" >>"$GIF_LOG.err"
        rm -f giflib.txt
    fi
}

# Each check's files, by the names the check knows them by ("pool-name:name" where they differ).
gif_corpus_sets() {
    gif_corpus_link tools one.gif colors-{2,3,5,9,17,33,65,129,256}.gif interlaced.gif anim-{None,Background,Previous,Undefined}.gif \
        local-tables.gif coalesced.gif optimised.gif gifsicle-interlaced.gif gifsicle-transparent.gif netpbm.gif \
        giflib.gif
    gif_corpus_link render one.gif colors-{2,17,256}.gif interlaced.gif anim-{None,Background,Previous,Undefined}.gif \
        local-tables.gif placed-{None,Background,Previous,Undefined}.gif coalesced.gif optimised.gif \
        optimised-placed.gif gifsicle-transparent.gif netpbm.gif
    gif_corpus_link optimise still.gif anim-{None,Background,Previous,Undefined}.gif local-tables.gif ball.gif \
        many-colours.gif invisible.gif sprites.gif colors-{2,5,17,129,256}.gif interlaced.gif rolling.gif \
        netpbm.gif giflib.gif ball-coalesced.gif:coalesced.gif ball-gifsicle-O2.gif:gifsicle-O2.gif \
        gifsicle-O3.gif ball-gifsicle-transparent.gif:gifsicle-transparent.gif gifsicle-interlaced.gif \
        gifsicle-unoptimised.gif
}

# gif_corpus_link SET FILE...: copies pool files into the set's folder (a file another encoder may be
# missing is left out, as the check skips it).
gif_corpus_link() {
    local set=$1 spec from to
    shift
    for spec in "$@"; do
        from=${spec%%:*}
        to=${spec#*:}
        [ -e "pool/$from" ] && cp "pool/$from" "$set/$to"
    done
    return 0
}

# Programs that start slowly (ImageMagick, ffmpeg, the sanitised tools) are run as few times as the evidence
# allows: each independent program reads every file of a check in one run, and the check's own runs of the
# tools share the processors.

# gif_lanes: how many programs a check runs at once (the processors it may use).
gif_lanes() {
    nproc 2>/dev/null || echo 2
}

# gif_parallel FUNCTION ITEM...: runs "FUNCTION ITEM" for every item, gif_lanes at a time. What each prints
# is shown in the order of the items, and its "FAIL:" lines count as failures of the check.
gif_parallel() {
    local fn=$1 lanes running=0 n=0 item
    shift
    lanes=$(gif_lanes)
    rm -rf lanes && mkdir lanes
    for item in "$@"; do
        n=$((n + 1))
        "$fn" "$item" >"lanes/$(printf %05d $n)" 2>&1 &
        running=$((running + 1))
        if [ "$running" -ge "$lanes" ]; then
            wait -n
            running=$((running - 1))
        fi
    done
    wait
    if [ "$n" -gt 0 ]; then
        cat lanes/*
        failures=$((failures + $(cat lanes/* | grep -c '^FAIL:')))
    fi
    rm -rf lanes
}

# gif_im_batch "OPERATIONS" NAME=FILE[,FILE...]...: ImageMagick reads each group of files and applies the
# operations (words without spaces, "@" standing for the group's NAME, e.g. "-depth 8 -write rgba:im/@") to
# it, all groups in one run. A file that ImageMagick refuses ends such a run: then every group has a run of
# its own, so that each output is what ImageMagick makes of its files alone (and none for the refused one).
gif_im_batch() {
    local ops=$1 spec group word args=()
    shift
    for spec in "$@"; do
        IFS=, read -r -a group <<<"${spec#*=}"
        args+=(\( "${group[@]}")
        for word in $ops; do
            args+=("${word//@/${spec%%=*}}")
        done
        args+=(\) -delete 0--1)
    done
    # Settings made for one group (such as -background, which also applies to reading) end with it.
    convert -respect-parentheses "${args[@]}" xc:none null: 2>/dev/null && return 0
    for spec in "$@"; do
        IFS=, read -r -a group <<<"${spec#*=}"
        args=()
        for word in $ops; do
            args+=("${word//@/${spec%%=*}}")
        done
        convert "${group[@]}" "${args[@]}" null: 2>/dev/null
    done
    return 0
}

# gif_ffmpeg_batch DIR FILE...: the frames ffmpeg decodes from each file (framecrc: timing, size and checksum
# of every frame; the header lines left out) as DIR/FILE, in one run, or one run per file when a file stops it.
gif_ffmpeg_batch() {
    local dir=$1 f i=0 inputs=() outputs=()
    shift
    mkdir -p "$dir"
    for f in "$@"; do
        inputs+=(-i "$f")
        outputs+=(-map "$i" -f framecrc "$dir/$f.crc")
        i=$((i + 1))
    done
    if ! ffmpeg -nostdin -v error "${inputs[@]}" "${outputs[@]}" 2>/dev/null; then
        for f in "$@"; do
            ffmpeg -nostdin -v error -i "$f" -f framecrc "$dir/$f.crc" 2>/dev/null || rm -f "$dir/$f.crc"
        done
    fi
    awk 'FNR == 1 { if (out != "") close(out); out = substr(FILENAME, 1, length(FILENAME) - 4); printf "" > out }
         !/^#/ { print > out }' "$dir"/*.crc 2>/dev/null
    rm -f "$dir"/*.crc
    return 0
}

# gif_sums FILE...: the checksum of every file (one run for all), for gif_same.
declare -gA GIF_SUM=()
gif_sums() {
    local sum path
    GIF_SUM=()
    [ $# -gt 0 ] || return 0
    while read -r sum path; do
        GIF_SUM[$path]=$sum
    done < <(md5sum -- "$@" 2>/dev/null)
}

# gif_same A B: whether the files A and B, both summed by gif_sums, hold the same bytes.
gif_same() {
    [ -n "${GIF_SUM[$1]:-}" ] && [ "${GIF_SUM[$1]}" = "${GIF_SUM[$2]:-}" ]
}

# gif_reader COMMAND...: runs one of our tools that only reads, without the leak check at exit (half the time
# of such a run); the runs that write keep it.
gif_reader() {
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 "$@"
}

# The check's verdict: the failures counted, with the corpus commands when there were any.
gif_finish() {
    [ "$failures" -eq 0 ] || { echo "corpus commands:"; cat corpus.log; exit 1; }
}
