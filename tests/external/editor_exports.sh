#!/usr/bin/env bash
# The editor's exports checked with programs nobody here wrote. An animation optimised by gifsicle -O2
# (sub-rectangles, transparent pixels) with every disposal is opened by test_app's main window (its
# ExportsExternal test, run with LOOMWICK_APP_EXTERNAL_DIR), saved as a Flash movie and exported frame by
# frame. The movie, inflated from CWS to FWS by Python's zlib, has the rate and frame count the delays give
# (ffprobe and its header), and ffmpeg decodes its images to ImageMagick's coalesced GIF frames laid on the
# GIF's background colour, pixel for pixel; its HTML names it. JPEG files read in identify as the quality
# and colour space chosen, black-and-white BMP files have depth 1, web-palette GIF files hold only channels
# that are multiples of 0x33 (gifsicle --color-info).
# Usage: editor_exports.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 120 s
set -u

build=${1:?usage: editor_exports.sh BUILD_DIR}
build=$(cd "$build" 2>/dev/null && pwd) || { echo "skip: no build folder $1"; exit 77; }
program=$build/tests/test_app
for tool in gifsicle convert identify ffmpeg ffprobe python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skip: $tool is missing"; exit 77; }
done
[[ -x $program ]] || { echo "skip: $program is not built"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-exports-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail=0
check() { # check NAME CONDITION-EXIT-STATUS MESSAGE
    if [[ $2 == 0 ]]; then echo "ok   $1"; else echo "FAIL $1: $3"; fail=1; fi
}

# Four whole frames, optimised into a whole first frame and transparent sub-rectangles, then given every
# disposal and delays of 0.10, 0.20, 0.05 and 0.15 s.
convert -size 40x32 xc:'#3366cc' -fill red -draw 'rectangle 2,2 12,12' f0.gif
convert f0.gif -fill yellow -draw 'rectangle 20,10 30,20' f1.gif
convert -size 40x32 xc:'#3366cc' -fill lime -draw 'circle 10,20 14,24' -fill yellow -draw 'rectangle 20,10 30,20' f2.gif
convert -size 40x32 xc:'#3366cc' -fill lime -draw 'circle 10,20 14,24' -fill white -draw 'rectangle 24,4 36,8' f3.gif
gifsicle --colors 256 --loopcount=0 f0.gif f1.gif f2.gif f3.gif 2>/dev/null | gifsicle -O2 > optimised.gif
gifsicle optimised.gif --disposal=none -d10 '#0' --disposal=background -d20 '#1' --disposal=previous -d5 '#2' \
    --disposal=asis -d15 '#3' > anim.gif
info=$(gifsicle --info anim.gif)
[[ $info == *"at "*transparent*"disposal background"*"disposal previous"*"disposal asis"* ]]
check "the animation has sub-rectangles, transparency and every disposal" $? "$info"

if ! LOOMWICK_APP_EXTERNAL_DIR=$work "$program" --gtest_filter='ExportsExternal.*' >app.log 2>&1 ||
    grep -q "SKIPPED" app.log; then
    echo "FAIL: test_app's ExportsExternal test failed"
    cat app.log
    exit 1
fi

# ImageMagick's coalesced frames on the background colour of the GIF's header, as raw RGB.
background=$(python3 -c '
d = open("anim.gif", "rb").read()
flags, index = d[10], d[11]
assert flags & 0x80, "no global colour table"
r, g, b = d[13 + 3 * index:16 + 3 * index]
print("#%02x%02x%02x" % (r, g, b))')
convert anim.gif -coalesce -background "$background" -alpha remove -alpha off -depth 8 rgb:coalesced.rgb

python3 - "$background" <<'EOF' || fail=1
import struct, subprocess, sys, zlib

bad = 0
def check(what, ok, detail=""):
    global bad
    print(("ok   " if ok else "FAIL ") + what + ("" if ok else ": " + str(detail)))
    bad += not ok

d = open("anim.swf", "rb").read()
check("the movie is compressed (CWS)", d[:3] == b"CWS", d[:3])
body = zlib.decompress(d[8:])
check("the file length in the header", struct.unpack("<I", d[4:8])[0] == 8 + len(body))
open("anim_fws.swf", "wb").write(b"FWS" + d[3:8] + body)
n = body[0] >> 3
pos = (5 + 4 * n + 7) // 8
rate, count = struct.unpack("<HH", body[pos:pos + 4])
# Delays 10, 20, 5 and 15: 1000 div (5 x 10) = 20 frames a second, 50 ms a frame; an image of d ms takes
# d div 50 frames and one more.
check("header rate 20", rate == 20 * 256, rate / 256)
check("header frame count 3 + 5 + 2 + 4", count == 14, count)

probe = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams", "anim_fws.swf"],
                       capture_output=True, text=True, check=True).stdout
info = dict(line.split("=", 1) for line in probe.splitlines() if "=" in line)
check("ffprobe: 40x32 at 20 frames a second",
      (info.get("width"), info.get("height"), info.get("r_frame_rate")) == ("40", "32", "20/1"), info)
check("ffprobe: four images", info.get("nb_read_frames") == "4", info.get("nb_read_frames"))

decoded = subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-i", "anim_fws.swf", "-f", "rawvideo",
                          "-pix_fmt", "rgb24", "-"], capture_output=True, check=True).stdout
expected = open("coalesced.rgb", "rb").read()
frame = 40 * 32 * 3
check("four frames decoded and coalesced", len(decoded) == len(expected) == 4 * frame, (len(decoded), len(expected)))
for i in range(min(len(decoded), len(expected)) // frame):
    ours, theirs = decoded[i * frame:(i + 1) * frame], expected[i * frame:(i + 1) * frame]
    differ = sum(ours[j:j + 3] != theirs[j:j + 3] for j in range(0, frame, 3))
    check(f"image {i} equals ImageMagick's frame {i} on {sys.argv[1]}", differ == 0, f"{differ} pixels differ")

html = open("anim.html", "rb").read().decode()
check("the HTML embeds anim.swf at 40 x 32, looping",
      '<PARAM NAME=movie VALUE="anim.swf">' in html and 'WIDTH=40 HEIGHT=32>' in html
      and "<PARAM NAME=loop VALUE=true>" in html, html)
sys.exit(1 if bad else 0)
EOF

quality=(100 75 50 25 1)
for position in 0 1 2 3 4; do
    got=$(identify -format '%Q %[colorspace]\n' position${position}LW1{0,1,2,3}.jpg 2>&1 | sort -u)
    check "track bar position $position: quality ${quality[$position]} in colour" \
        "$([[ $got == "${quality[$position]} sRGB" ]]; echo $?)" "$got"
done
got=$(identify -format '%Q %[colorspace]\n' grayLW1{0,1,2,3}.jpg 2>&1 | sort -u)
check "gray scale: quality 50, gray" "$([[ $got == "50 Gray" ]]; echo $?)" "$got"
got=$(identify -format '%z\n' monoLW1{0,1,2,3}.bmp 2>&1 | sort -u)
check "monochrome bitmaps: depth 1" "$([[ $got == 1 ]]; echo $?)" "$got"
colours=$(gifsicle --color-info webLW1{0,1,2,3}.gif | grep -o '#[0-9A-Fa-f]\{6\}' | sort -u)
outside=$(grep -vi '^#\(00\|33\|66\|99\|cc\|ff\)\{3\}$' <<<"$colours")
check "web-palette GIF files: channels in steps of 0x33 ($(wc -l <<<"$colours") colours)" \
    "$([[ -n $colours && -z $outside ]]; echo $?)" "$outside"
exit $fail
