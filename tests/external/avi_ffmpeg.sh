#!/usr/bin/env bash
# The video-file service and the editor's AVI import held to ffmpeg: ffmpeg makes small AVI files in every
# codec it can encode of rawvideo (bgr24, pal8), msvideo1, cinepak, mjpeg, mpeg4, zmbv and huffyuv;
# test_win_media's External test (LOOMWICK_MEDIA_EXTERNAL_DIR) writes each file's frames in 24 bits and its
# time base and frame count, which must equal ffmpeg's own decoding (-pix_fmt bgr24, run with the scaler
# flags the service converts with) byte for byte and ffprobe's time base and frame count. One file at
# 30000/1001 frames a second from a 15-frame source skips every other position.
# Usage: avi_ffmpeg.sh BUILD_DIR. Exits 77 when a tool is missing. Every command is echoed.
# Budget: 120 s
set -uo pipefail
BUILD=${1:?build folder}
BUILD=$(cd "$BUILD" 2>/dev/null && pwd) || { echo "skip: no build folder $1"; exit 77; }
MEDIA=$BUILD/tests/test_win_media
for tool in ffmpeg ffprobe python3; do
    command -v "$tool" >/dev/null || { echo "skip: $tool missing"; exit 77; }
done
[[ -x $MEDIA ]] || { echo "skip: $MEDIA not built"; exit 77; }

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
run ffmpeg -nostdin -loglevel error -y -f lavfi -i "testsrc=size=32x24:rate=15" "${OUTPUTS[@]}" ||
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
DECODES=() n=0
while read -r avi; do
    DECODES+=(-i "$avi")
done < list.txt
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
exit $fail
