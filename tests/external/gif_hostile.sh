#!/bin/bash
# Hostile and unusual GIF files through the tools, checked by programs nobody here wrote. $1 is the build
# folder. No X is needed.
#
#   budgets: every GIF file of tests/data/gif (a 43-byte file claiming a 16384 x 16384 frame, sixteen such
#            frames in 388 bytes, pixels beyond their colour table) run through tools/gifdump (info, frames,
#            composed, play, roundtrip), tools/gifopt and tools/picdump under /usr/bin/time -v stays below
#            256 MB of peak memory and 2 s of processor time each, whether the tool reads the file or
#            refuses it (a sanitizer build spends about 0.6 s of that starting up);
#   saving:  files whose pixels index past their colour table (the fixture, and minimum code sizes 9 and 11
#            over a 2-entry table) and a file without frames are loaded and saved by "gifdump roundtrip";
#            giflib's giftext and gifsicle --info accept the saved files, and the colours that giflib's
#            gif2rgb and ImageMagick read from them equal the colours gifdump shows for the original
#            (black beyond the table). ImageMagick reads no GIF without an image, so the empty document is
#            checked with giflib and gifsicle only;
#   writing: gifdump frames and composed and picdump refuse a FIFO as output and follow a link (they
#            write through the safe save), and gifopt names its output file when writing it fails.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
DATA=$(cd "$(dirname "$0")/../data/gif" && pwd) || exit 1
DUMP=$BUILD/tools/gifdump
OPT=$BUILD/tools/gifopt
PICDUMP=$BUILD/tools/picdump
source "$(dirname "$0")/lib/gif_corpus.sh"
gif_need giftext gif2rgb gifsicle convert cmp awk od mkfifo timeout
[ -x /usr/bin/time ] || { echo "skipped: /usr/bin/time is not installed"; exit 77; }
for tool in "$DUMP" "$OPT" "$PICDUMP"; do
    [ -x "$tool" ] || { echo "missing $tool: build the tools"; exit 1; }
done
gif_workdir gif-hostile

# ---- budgets ---------------------------------------------------------------------------------------------
# measured LABEL COMMAND...: runs the command under /usr/bin/time -v (its own exit status does not matter:
# refusing a file is fine) and fails when it took 256 MB or more, 2 s or more, or died of a signal.
measured() {
    local label=$1
    shift
    /usr/bin/time -v -o time.txt "$@" >/dev/null 2>err.txt
    local status=$?
    [ $status -ge 128 ] && fail "$label: ended by signal $((status - 128))"
    local kb seconds
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' time.txt)
    # Processor time, user and system: the wall clock of a shared machine measures the machine.
    seconds=$(awk -F': ' '/(User|System) time \(seconds\)/ { s += $2 } END { print s }' time.txt)
    echo "$label: ${kb} kB, ${seconds} s, exit $status" >>budget.log
    [ -n "$kb" ] && [ "$kb" -lt 262144 ] || fail "$label: peak memory ${kb} kB"
    awk -v s="$seconds" 'BEGIN { exit !(s != "" && s < 2) }' || fail "$label: took ${seconds} s"
}
for f in "$DATA"/*.gif; do
    name=$(basename "$f")
    rm -rf out && mkdir out
    measured "gifdump info $name" "$DUMP" info "$f"
    measured "gifdump frames $name" "$DUMP" frames "$f" out
    measured "gifdump composed $name" "$DUMP" composed "$f" out
    measured "gifdump play $name" "$DUMP" play "$f"
    measured "gifdump roundtrip $name" "$DUMP" roundtrip "$f" out/saved.gif
    measured "gifopt $name" "$OPT" "$f" out/optimised.gif
    measured "picdump $name" "$PICDUMP" "$f" out/picture.pam
done

# ---- files that open must save ---------------------------------------------------------------------------
cp "$DATA/gif-index-beyond-table.gif" beyond.gif
# Three pixels (1, 300 and 5; 300 is kept as 44) over a table of black and white, code sizes 9 and 11.
printf 'GIF89a\x03\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x2c\x00\x00\x00\x00\x03\x00\x01\x00\x00'\
'\x09\x07\x00\x06\xc0\x52\x01\x01\x02\x00\x3b' >code-size-9.gif
printf 'GIF89a\x03\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x2c\x00\x00\x00\x00\x03\x00\x01\x00\x00'\
'\x0b\x08\x00\x88\x3e\x00\x70\x00\x01\x08\x00\x3b' >code-size-11.gif
printf 'GIF87a\x05\x00\x03\x00\x00\x00\x00\x3b' >empty.gif

# The RGB that gifdump shows for a file's frame (its first, the size of the screen in these files).
shown_rgb() { "$DUMP" rgba "$1" | od -An -v -tu1 -w4 | awk '{ print $1, $2, $3 }'; }
giflib_rgb() { gif2rgb -1 -o giflib.rgb "$1" >/dev/null 2>&1 && od -An -v -tu1 -w3 giflib.rgb | awk '{ print $1, $2, $3 }'; }
magick_rgb() { convert "$1" -depth 8 rgb:- 2>/dev/null | od -An -v -tu1 -w3 | awk '{ print $1, $2, $3 }'; }

for f in beyond.gif code-size-9.gif code-size-11.gif; do
    "$DUMP" roundtrip "$f" "saved-$f" 2>err.txt || { fail "$f: not saved: $(cat err.txt)"; continue; }
    giftext "saved-$f" >/dev/null 2>&1 || fail "$f: giftext refuses the saved file"
    gifsicle --info "saved-$f" >info.txt 2>&1 || fail "$f: gifsicle refuses the saved file: $(cat info.txt)"
    grep -q "1 image" info.txt || fail "$f: gifsicle does not see one image: $(cat info.txt)"
    shown_rgb "$f" >shown.txt
    [ -s shown.txt ] || fail "$f: gifdump shows nothing"
    giflib_rgb "saved-$f" >giflib.txt || fail "$f: gif2rgb refuses the saved file"
    cmp -s shown.txt giflib.txt || fail "$f: giflib reads other colours than shown"
    magick_rgb "saved-$f" >magick.txt
    cmp -s shown.txt magick.txt || fail "$f: ImageMagick reads other colours than shown"
    # Saving again changes nothing.
    "$DUMP" roundtrip "saved-$f" "again-$f" && cmp -s "saved-$f" "again-$f" || fail "$f: a second save differs"
done

"$DUMP" roundtrip empty.gif saved-empty.gif 2>err.txt || fail "empty.gif: not saved: $(cat err.txt)"
giftext saved-empty.gif >giftext.txt 2>&1 || fail "empty.gif: giftext refuses the saved file"
grep -q "Width = 5, Height = 3" giftext.txt || fail "empty.gif: giflib sees another screen: $(cat giftext.txt)"
gifsicle --info saved-empty.gif >info.txt 2>&1 || fail "empty.gif: gifsicle refuses the saved file: $(cat info.txt)"
grep -q "image #" info.txt && fail "empty.gif: gifsicle sees images: $(cat info.txt)"
cmp -s empty.gif saved-empty.gif || fail "empty.gif: saved as other bytes"

# ---- tools write through the safe save ------------------------------------------------------------------
# A FIFO where an output goes is refused at once (an ordinary open would wait for a reader for ever), a
# link is followed, and a failed write names the output file.
rm -rf out && mkdir out && mkfifo out/frame-000.pam out/composed-000.ppm out/picture.pam
for run in "frames:$DUMP frames beyond.gif out" "composed:$DUMP composed beyond.gif out" \
           "picdump:$PICDUMP beyond.gif out/picture.pam"; do
    label=${run%%:*}
    timeout 20 ${run#*:} >/dev/null 2>err.txt
    status=$?
    [ $status -eq 1 ] || fail "$label into a FIFO: exit $status"
    grep -q "not a regular file" err.txt || fail "$label into a FIFO: $(cat err.txt)"
done
rm -f out/picture.pam && touch real.pam && ln -s ../real.pam out/picture.pam
"$PICDUMP" beyond.gif out/picture.pam && [ -L out/picture.pam ] && [ -s real.pam ] ||
    fail "picdump through a link does not write the file it names"
"$OPT" beyond.gif missing-folder/optimised.gif >/dev/null 2>err.txt && fail "gifopt wrote into a missing folder"
grep -q "^gifopt: missing-folder/optimised.gif: " err.txt || fail "gifopt does not name its output: $(cat err.txt)"

if [ $failures -gt 0 ]; then
    cat budget.log
    echo "$failures failures"
    exit 1
fi
peak=$(awk '{ gsub(",", ""); if ($(NF - 5) > k) k = $(NF - 5); if ($(NF - 3) > t) t = $(NF - 3) }
    END { print k " kB and " t " s" }' budget.log)
echo "ok: $(wc -l <budget.log) tool runs within budget (at most $peak); 4 saved files read back by giflib," \
    "gifsicle and ImageMagick; the tools write through the safe save"
