#!/bin/bash
# Checks the GIF reader and writer against programs nobody here wrote: giflib's giftext and gifbuild,
# gifsicle, ImageMagick, netpbm and ffmpeg. $1 is the build folder. The corpus (tests/external/lib/
# gif_corpus.sh, set "tools") is made once per test run; corpus.log records the commands that made it.
#
# For every corpus file F:
#   reading: the frames tools/gifdump reads equal giflib's indices, and the PAM files of "gifdump frames"
#            (each frame's RGBA) ImageMagick's RGBA of each frame;
#   writing: "gifdump roundtrip F O" (LZW and run-length) gives a file that gifsicle --info and giftext
#            accept, with the same frames, delays, disposals, transparency and loop count as F for gifsicle,
#            the same indices for giflib, the same RGBA for ImageMagick, the same composed frames and
#            timing for ffmpeg, and the same unoptimised frames for gifsicle -U.
# Each program reads every file once (ImageMagick, ffmpeg, gifsicle --info and -U each in one run for all of
# them); the results are compared by their checksums.
# Budget: 240 s
# Corpus: gif
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
DUMP=$BUILD/tools/gifdump
source "$(dirname "$0")/lib/gif_corpus.sh"
source "$(dirname "$0")/lib/batch.sh"
gif_need giftext gifbuild gifsicle convert identify pamtogif ppmpat pnmquant ffmpeg cmp awk md5sum
[ -x "$DUMP" ] || { echo "missing $DUMP: build the target tool_gifdump"; exit 1; }
gif_workdir gif-tools
gif_corpus "$BUILD" tools

# The GIF tools start many times in the checks and draw no text: the font libraries are opened only when a
# font is first realised, so the program must not load them at start.
if readelf -d "$DUMP" | grep -E 'NEEDED.*lib(freetype|fontconfig)'; then
    echo "FAIL: gifdump loads the font libraries at start"
    exit 1
fi

info() { gifsicle --info "$1" | sed -e '1d' -e 's/ interlaced//'; }

files=()
for f in *.gif; do
    [ -s "$f" ] && files+=("$f")
done
shopt -s nullglob
mkdir ours pam giflib info unoptimised

# 1. What our tools read in each corpus file and write from it (LZW and run-length): every run of gifdump
# in one of gif_lanes processes, side by side (tests/external/lib/batch.sh).
lanes=$(gif_lanes)
n=0
for f in "${files[@]}"; do
    {
        echo "indices $f > ours/$f.indices"
        echo "frames $f pam/$f"
        for mode in "" --rle; do
            out="out${mode}-$f"
            echo "roundtrip $f $out $mode"
            echo "indices $out > ours/$out.indices"
        done
    } >>"runs-$((n++ % lanes)).list"
done
batch_lanes "$DUMP" runs-*.list
for list in runs-*.list; do
    while IFS= read -r line; do
        fail "gifdump $line"
    done < <(batch_failed "$list")
    [ -s "$list.err" ] && cat "$list.err"
done
written=()
for f in "${files[@]}"; do
    for out in "out-$f" "out--rle-$f"; do
        [ -s "$out" ] && written+=("$out")
    done
done
all=("${files[@]}" "${written[@]}")

# 2. What the independent programs read in the corpus files and in ours.
# giflib: the colour indices from its text dump of every file (headed "# GIF information from FILE"; one
# character per pixel, keyed by the colour map listing, or two hex digits per pixel for large maps), one byte
# each like gifdump's, as giflib/FILE.
if ! gifbuild -d "${all[@]}" >giflib.txt 2>/dev/null; then
    for f in "${all[@]}"; do
        gifbuild -d "$f" 2>/dev/null
    done >giflib.txt
fi
LC_ALL=C awk '
    BEGIN { hexd = "0123456789abcdef" }
    function keep(dest, k) { split("", dest); for (k in cur) dest[k] = cur[k] }
    /^# GIF information from / {
        if (out != "") close(out)
        out = "giflib/" substr($0, 24); printf "" > out
        inmap = 0; rows = 0; local = 0; split("", gmap); split("", lmap)
        next
    }
    /^(screen|image) map/ { inmap = 1; which = $1; n = 0; split("", cur); next }
    inmap && /^\trgb/ { if ($(NF - 1) == "is") cur[$NF] = n; n++; next }
    inmap && /^end/ { inmap = 0; if (which == "screen") keep(gmap); else { keep(lmap); local = 1 } next }
    /^image # / { local = 0; next }
    /^image bits/ { rows = $5; hex = ($6 == "hex"); next }
    rows > 0 {
        if (hex) {
            for (i = 1; i < length($0); i += 2)
                printf "%c", 16 * (index(hexd, substr($0, i, 1)) - 1) + index(hexd, substr($0, i + 1, 1)) - 1 > out
        } else {
            for (i = 1; i <= length($0); i++) { c = substr($0, i, 1); printf "%c", (local ? lmap[c] : gmap[c]) > out }
        }
        rows--
    }' giflib.txt
# gifsicle: its listing of each file without the first line (which names the file) and the word
# "interlaced" (which the writer need not keep), as info/FILE; and each file unoptimised, as unoptimised/FILE.
cp -- "${all[@]}" unoptimised/
if ! gifsicle --batch -U unoptimised/*.gif 2>/dev/null; then
    for f in "${all[@]}"; do
        gifsicle -U "$f" >"unoptimised/$f" 2>/dev/null || rm -f "unoptimised/$f"
    done
fi
if gifsicle --info "${all[@]}" >info.txt 2>/dev/null; then
    awk 'BEGIN { n = split(ARGV[2], names, "/"); ARGC = 2 }
         /^\* / { if (out != "") close(out); out = "info/" names[++i]; printf "" > out; next }
         { sub(/ interlaced/, ""); print > out }' info.txt "$(IFS=/; echo "${all[*]}")"
else
    for f in "${all[@]}"; do
        gifsicle --info "$f" >"info/$f" 2>/dev/null && sed -i -e '1d' -e 's/ interlaced//' "info/$f" ||
            rm -f "info/$f"
    done
fi
# ImageMagick: the RGBA of every file, of its unoptimised form and of the PAM files of "gifdump frames", in
# one run; its frame count of every file.
specs=()
for f in "${all[@]}"; do
    specs+=("$f=$f")
    [ -e "unoptimised/$f" ] && specs+=("u-$f=unoptimised/$f")
done
for f in "${files[@]}"; do
    pams=(pam/"$f"/frame-*.pam)
    [ ${#pams[@]} -gt 0 ] && specs+=("pam-$f=$(IFS=,; echo "${pams[*]}")")
done
mkdir im
gif_im_batch "-background black -alpha background -depth 8 -write rgba:im/@" "${specs[@]}"
declare -A frames=()
while read -r n name; do
    frames[$name]=$n
done < <(identify -format '%f\n' "${files[@]}" 2>/dev/null | sort | uniq -c)
# ffmpeg: the frames it decodes, with their timing.
gif_ffmpeg_batch ffmpeg "${all[@]}"

# 3. The comparisons, by checksum.
gif_sums ours/* im/* ffmpeg/* giflib/* info/*
for f in "${files[@]}"; do
    # Reading.
    gif_same "giflib/$f" "ours/$f.indices" || fail "$f: indices differ from giflib"
    pams=(pam/"$f"/frame-*.pam)
    [ "${#pams[@]}" = "${frames[$f]:-0}" ] || fail "$f: ${#pams[@]} frames, ImageMagick reads ${frames[$f]:-0}"
    # All frames of "gifdump frames" in one ImageMagick run; frame by frame only to name the one that differs.
    if ! gif_same "im/pam-$f" "im/$f"; then
        fail "$f: RGBA differs from ImageMagick"
        i=0
        for pam in "${pams[@]}"; do
            cmp -s <(convert "$pam" -background black -alpha background -depth 8 rgba:-) \
                <(convert "$f[$i]" -background black -alpha background -depth 8 rgba:-) ||
                fail "$f: $pam differs from ImageMagick's frame $i"
            i=$((i + 1))
        done
    fi
    # Writing.
    for out in "out-$f" "out--rle-$f"; do
        [ -s "$out" ] || continue
        if [ -e "info/$out" ]; then
            gif_same "info/$f" "info/$out" || fail "$out: gifsicle --info differs"
        else
            fail "$out: gifsicle --info refuses it"
        fi
        [[ $(giftext "$out" 2>/dev/null) == *"GIF file terminated normally"* ]] || fail "$out: giftext refuses it"
        gif_same "ours/$f.indices" "ours/$out.indices" || fail "$out: other frames than $f"
        gif_same "ours/$f.indices" "giflib/$out" || fail "$out: giflib decodes other indices"
        gif_same "im/$f" "im/$out" || fail "$out: ImageMagick decodes other pixels"
        gif_same "ffmpeg/$f" "ffmpeg/$out" || fail "$out: ffmpeg decodes other frames"
        if [ -e "unoptimised/$f" ]; then
            [ -e "unoptimised/$out" ] || fail "$out: gifsicle -U refuses it"
            gif_same "im/u-$f" "im/u-$out" || fail "$out: gifsicle -U gives other frames"
        fi
    done
done

count=${#files[@]}

# An image 17 wide and 0 high on a screen 2 x 0, between two 2 x 1 frames with delays 10, 20 and 30: gifsicle
# reads it as a frame of one transparent pixel with its delay, and so must we (the screen grows to hold the
# frames), and write it so that gifsicle, giflib and ImageMagick read three frames with the same delays.
printf '%b' '\107\111\106\070\071\141\002\000\000\000\200\000\000\377\000\000\000\000\377\041\371\004' \
    '\000\012\000\000\000\054\000\000\000\000\002\000\001\000\000\002\002\014\012\000\041\371\004\000' \
    '\024\000\000\000\054\000\000\000\000\021\000\000\000\000\002\001\054\000\041\371\004\000\036\000' \
    '\000\000\054\000\000\000\000\002\000\001\000\000\002\002\104\012\000\073' >no-area.bin
if "$DUMP" roundtrip no-area.bin no-area-out.bin; then
    cmp -s <(info no-area.bin 2>/dev/null | sed 1d) <(info no-area-out.bin | sed 1d) ||
        fail "no-area-out.bin: gifsicle --info differs from gifsicle's reading of the input"
    giftext no-area-out.bin | grep -q "GIF file terminated normally" || fail "no-area-out.bin: giftext refuses it"
    [ "$(identify no-area-out.bin | wc -l)" -eq 3 ] || fail "no-area-out.bin: ImageMagick reads other than 3 frames"
else
    fail "no-area.bin: roundtrip"
fi

echo "checked $count corpus files and an image without area"
gif_finish
