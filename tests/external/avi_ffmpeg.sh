#!/usr/bin/env bash
# The video-file service and the editor's AVI import held to ffmpeg: ffmpeg makes small AVI files in every
# codec it can encode of rawvideo (bgr24, pal8), msvideo1, cinepak, mjpeg, mpeg4, zmbv and huffyuv;
# test_win_media's External test (LOOMWICK_MEDIA_EXTERNAL_DIR) writes each file's frames in 24 bits and its
# time base and frame count, which must equal ffmpeg's own decoding (-pix_fmt bgr24, run with the scaler
# flags the service converts with) byte for byte and ffprobe's time base and frame count. One file at
# 30000/1001 frames a second from a 15-frame source skips every other position.
# The editor's side: test_app's AviImportExternal test (LOOMWICK_APP_AVI_DIR) imports a video of web-safe
# colours through the main window and saves it; gifsicle --info must show its frame count, "delay 0.07s"
# on each and "loop forever", and ImageMagick's coalesced frames of the GIF must equal ffmpeg's frames.
# Usage: avi_ffmpeg.sh BUILD_DIR. Exits 77 when a tool is missing. Every command is echoed.
# Budget: 120 s
set -uo pipefail
BUILD=${1:?build folder}
BUILD=$(cd "$BUILD" 2>/dev/null && pwd) || { echo "skip: no build folder $1"; exit 77; }
MEDIA=$BUILD/tests/test_win_media
APP=$BUILD/tests/test_app
for tool in ffmpeg ffprobe python3 gifsicle convert compare; do
    command -v "$tool" >/dev/null || { echo "skip: $tool missing"; exit 77; }
done
[[ -x $MEDIA ]] || { echo "skip: $MEDIA not built"; exit 77; }
[[ -x $APP ]] || { echo "skip: $APP not built"; exit 77; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-avi-XXXXXX")
trap '[[ -n ${KEEP:-} ]] || rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
run() { echo "+ $*"; "$@"; }
fail=0
check() { # check NAME STATUS MESSAGE
    if [[ $2 == 0 ]]; then echo "ok   $1"; else echo "FAIL $1: $3"; fail=1; fi
}

# The codecs, each with what it is told (a pixel format where the encoder takes several), made in one
# ffmpeg run from one 32 x 24 test source of 5 frames at 15 frames a second.
encoders=$(ffmpeg -hide_banner -encoders 2>/dev/null)
has() { grep -qE "^ V[^ ]* +$1 " <<<"$encoders"; }
OUTPUTS=()
: > list.txt
add() { # add NAME ENCODER ARGS...
    local name=$1 encoder=$2
    shift 2
    if ! has "$encoder"; then
        echo "skip $name: ffmpeg has no $encoder encoder"
        return
    fi
    OUTPUTS+=(-map 0:v -frames:v 5 -c:v "$encoder" "$@" "$name.avi")
    echo "$name.avi" >> list.txt
}
add raw24 rawvideo -pix_fmt bgr24
add raw8 rawvideo -pix_fmt pal8
add raw24ntsc rawvideo -pix_fmt bgr24 -r 30000/1001
add msvideo1 msvideo1
add cinepak cinepak
add mjpeg mjpeg -pix_fmt yuvj420p
add mpeg4 mpeg4 -g 3
add zmbv zmbv
add huffyuv huffyuv
[[ -s list.txt ]] || { echo "skip: ffmpeg encodes none of the codecs"; exit 77; }
# The editor's video: 5 frames of 32 x 24 in web-safe colours (each channel a multiple of 0x33), blocks
# that move from frame to frame, which the web palette keeps exactly.
python3 - <<'PY'
for f in range(5):
    pixels = bytearray()
    for y in range(24):
        for x in range(32):
            pixels += bytes((((x // 4 + f) % 6) * 0x33, ((y // 4 + 2 * f) % 6) * 0x33, ((x // 8 + y // 6) % 6) * 0x33))
    with open("web%d.ppm" % f, "wb") as out:
        out.write(b"P6 32 24 255\n" + pixels)
PY
run ffmpeg -nostdin -loglevel error -y -f lavfi -i "testsrc=size=32x24:rate=15" -framerate 15 -i web%d.ppm \
    "${OUTPUTS[@]}" -map 1:v -c:v rawvideo -pix_fmt bgr24 web.avi ||
    { echo "FAIL: ffmpeg cannot make the files"; exit 1; }

# Our side: frames and timing of every file.
if ! LOOMWICK_MEDIA_EXTERNAL_DIR=$WORK run "$MEDIA" --gtest_filter='AviExternal.*' > media.log 2>&1; then
    echo "FAIL: test_win_media's external test failed"
    cat media.log
    exit 1
fi
grep -q "SKIPPED" media.log && { echo "FAIL: test_win_media's external test was skipped"; exit 1; }
flags=$(cat scaler.txt)

# ffmpeg's side, in one run: every file's frames in 24 bits through the same scaler flags (an output's
# option: before the inputs it would reach none of them), each frame's MD5 with its position (pts). Frames
# the file skips (empty chunks) are not decoded: at their positions the frame before stands, as the
# service gives it. (ffmpeg's own -f rawvideo fills such gaps with the frame after the gap instead, a
# choice of its frame-rate conversion, not of the file.)
DECODES=(-i web.avi) n=1
while read -r avi; do
    DECODES+=(-i "$avi")
done < list.txt
DECODES+=(-map 0:v -f image2 ffmpeg-web-%d.png)
while read -r avi; do
    DECODES+=(-map "$n:v" -sws_flags "$flags" -fps_mode passthrough -pix_fmt bgr24 -f framemd5 "$avi.ffmpeg.md5")
    n=$((n + 1))
done < list.txt
run ffmpeg -nostdin -loglevel error -y "${DECODES[@]}" ||
    { echo "FAIL: ffmpeg cannot decode the files"; exit 1; }

# One python3 run judges every file's frames.
python3 - list.txt <<'PY' || fail=1
import hashlib, sys
failed = False
for avi in open(sys.argv[1]).read().split():
    ours = open(avi + ".ours.raw", "rb").read()
    theirs = {}
    for line in open(avi + ".ffmpeg.md5"):
        if line.startswith("#") or not line.strip():
            continue
        fields = [f.strip() for f in line.split(",")]
        theirs[int(fields[2])] = (int(fields[4]), fields[5])
    if not theirs:
        print("FAIL %s: ffmpeg decoded no frame" % avi)
        failed = True
        continue
    size = next(iter(theirs.values()))[0]
    count = len(ours) // size
    bad = []
    shown = None
    for position in range(count):
        shown = theirs.get(position, shown)
        digest = hashlib.md5(ours[position * size:(position + 1) * size]).hexdigest()
        if shown is None or digest != shown[1]:
            bad.append(position)
    if len(ours) != count * size or bad:
        print("FAIL %s: frames at positions %s differ from ffmpeg's (%d bytes, frames of %d)" % (avi, bad, len(ours), size))
        failed = True
    else:
        print("ok   %s: %d frames equal ffmpeg's, byte for byte" % (avi, count))
sys.exit(1 if failed else 0)
PY
while read -r avi; do
    probe=$(ffprobe -v error -select_streams v:0 -show_entries stream=time_base,nb_frames -of csv=p=0 "$avi")
    ours=$(cat "$avi.ours.info")
    want="${probe%%,*} ${probe##*,}"
    [[ $ours == "$want" ]]
    check "$avi: time base and frames $want" $? "ours: $ours"
done < list.txt
# The editor: the video imported and saved as a GIF.
if ! LOOMWICK_APP_AVI_DIR=$WORK run "$APP" --gtest_filter='AviImportExternal.*' > app.log 2>&1; then
    echo "FAIL: test_app's external test failed"
    cat app.log
    exit 1
fi
grep -q "SKIPPED" app.log && { echo "FAIL: test_app's external test was skipped"; exit 1; }
info=$(gifsicle --info web.gif 2>&1)
[[ $(grep -c "^  + image" <<<"$info") == 5 ]]
check "web.gif: 5 frames" $? "$info"
[[ $(grep -c "delay 0.07s" <<<"$info") == 5 ]]
check "web.gif: delay 0.07s on every frame" $? "$info"
grep -q "loop forever" <<<"$info"
check "web.gif: loop forever" $? "$info"
run convert web.gif -coalesce PNG24:gif-web-%d.png
for f in 0 1 2 3 4; do
    ae=$(compare -metric AE "gif-web-$f.png" "ffmpeg-web-$((f + 1)).png" null: 2>&1)
    [[ $ae == 0 ]]
    check "web.gif: coalesced frame $f equals ffmpeg's" $? "$ae pixels differ"
done
exit $fail
