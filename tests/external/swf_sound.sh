#!/usr/bin/env bash
# Checks the SWF writer's audio readers against programs nobody here wrote: files made by ffmpeg and tagged
# by eyeD3 are read by tools/swfmedia, and what it finds is compared with eyeD3's listing of the tags and with
# mediainfo's and ffprobe's frame count, duration and bit rate.
# Usage: swf_sound.sh BUILD_DIR. Everything is made here, in a temporary folder; every command is echoed.
# The unit tests' files under tests/data/swf were made by the commands marked "fixture" below.
set -euo pipefail
BUILD=${1:?build folder}
TOOL="$BUILD/tools/swfmedia"
for tool in ffmpeg ffprobe mediainfo eyeD3 python3; do
    command -v "$tool" >/dev/null || { echo "skip: $tool missing"; exit 77; }
done
[[ -x "$TOOL" ]] || { echo "skip: $TOOL not built"; exit 77; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
run() { echo "+ $*" >&2; "$@"; }
FF="ffmpeg -nostdin -loglevel error -y -bitexact"
SINE="sine=frequency=440:duration"

# fixture: tone_u8_11025.wav, tone_s16_22050.wav, cbr_44100.mp3, mpeg2_22050.mp3
run $FF -f lavfi -i "$SINE=0.5:sample_rate=11025" -ac 1 -c:a pcm_u8 tone_u8_11025.wav
run $FF -f lavfi -i "$SINE=0.3:sample_rate=22050" -ac 1 -c:a pcm_s16le tone_s16_22050.wav
run $FF -f lavfi -i "$SINE=0.5:sample_rate=44100" -ac 1 -c:a libmp3lame -b:a 128k -id3v2_version 3 -write_id3v1 1 \
    -metadata title=Tone -metadata artist=Loomwick -metadata track=3/12 cbr_44100.mp3
run $FF -f lavfi -i "$SINE=0.5:sample_rate=22050" -ac 1 -c:a libmp3lame -b:a 32k -write_xing 0 mpeg2_22050.mp3

# Longer files for the frame counts: constant and variable bit rate, MPEG-1 and MPEG-2.
run $FF -f lavfi -i "$SINE=3:sample_rate=44100" -ac 2 -c:a libmp3lame -b:a 128k cbr.mp3
run $FF -f lavfi -i "$SINE=3:sample_rate=44100" -ac 2 -c:a libmp3lame -q:a 4 vbr.mp3
run $FF -f lavfi -i "$SINE=3:sample_rate=22050" -ac 1 -c:a libmp3lame -b:a 32k -write_xing 0 mpeg2.mp3

# Tags written by eyeD3: version 1 with and without a track, 2.3 in Latin-1 and in UTF-16, 2.4.
for name in v1track v1plain v23latin v23utf16 v24; do
    run $FF -f lavfi -i "$SINE=0.3:sample_rate=22050" -ac 1 -c:a libmp3lame -b:a 32k -map_metadata -1 \
        -write_xing 0 -id3v2_version 0 "$name.mp3"
done
E="eyeD3 --no-color -Q"  # its progress goes to /dev/null below
run $E -1 -t "Title One" -a "Caf$(printf '\xc3\xa9') Artist" -A "Album One" -Y 1999 -n 7 -c "Short note" v1track.mp3 > /dev/null
run $E -1 -t "Plain" -a "Nobody" -A "Nothing" -c "No track here" v1plain.mp3 > /dev/null
run $E --to-v2.3 --encoding latin1 -t "Latin $(printf '\xc3\xa9')t$(printf '\xc3\xa9')" -a "Artiste" -A "Album" \
    -n 3 -N 12 -G Rock -c "A Latin-1 comment" v23latin.mp3 > /dev/null
run $E --to-v2.3 --encoding utf16 -t "Unicode $(printf '\xe2\x9c\x93')" -a "$(printf '\xc3\x84')rtist" -A "Alb" \
    -n 11 -G Jazz -c "A UTF-16 comment" v23utf16.mp3 > /dev/null
run $E --to-v2.4 -t "Four" -a "Someone" v24.mp3 > /dev/null
for name in v1track v1plain; do run eyeD3 --no-color -1 "$name.mp3" > "$name.eyed3"; done
for name in v23latin v23utf16 v24; do run eyeD3 --no-color -2 "$name.mp3" > "$name.eyed3"; done

for f in *.mp3 *.wav; do
    run "$TOOL" --info "$f" > "$f.info"
done
for f in cbr.mp3 vbr.mp3 mpeg2.mp3; do
    run mediainfo --Output=JSON "$f" > "$f.mediainfo"
    run ffprobe -v error -count_frames -select_streams a:0 -show_entries stream=nb_read_frames,duration,bit_rate \
        -of json "$f" > "$f.ffprobe"
done

python3 - <<'PY'
import json, sys
failures = 0
def check(ok, what):
    global failures
    print(('ok   ' if ok else 'FAIL ') + what)
    if not ok:
        failures += 1

def info(name):
    return dict(line.rstrip('\n').split('\t', 1) for line in open(name + '.info'))

# The readers' frame count, duration and bit rate agree with mediainfo and ffprobe within one frame.
for name in ('cbr.mp3', 'vbr.mp3', 'mpeg2.mp3'):
    ours = info(name)
    audio = next(t for t in json.load(open(name + '.mediainfo'))['media']['track'] if t['@type'] == 'Audio')
    probe = json.load(open(name + '.ffprobe'))['streams'][0]
    frames = int(ours['mpeg_frames'])
    samples = int(ours['mp3_samples_per_frame'])
    rate = int(ours['rate'])
    frame_time = samples / rate
    duration = float(ours['mpeg_duration'])
    check(abs(frames - int(audio['FrameCount'])) <= 1 and abs(frames - int(probe['nb_read_frames'])) <= 1,
          f'{name}: {frames} frames; mediainfo {audio["FrameCount"]}, ffprobe {probe["nb_read_frames"]}')
    check(abs(duration - float(audio['Duration'])) <= frame_time + 0.001 and
          abs(duration - float(probe['duration'])) <= frame_time + 0.001,
          f'{name}: {duration:.3f} s; mediainfo {audio["Duration"]}, ffprobe {probe["duration"]}')
    bitrate = int(ours['mpeg_bitrate']) * 1000
    # One frame more or less over the file, and the rounding to whole kbit/s.
    slack = int(ours['mp3_frame_size']) * 8 / duration + 1000
    check(abs(bitrate - int(audio['BitRate'])) <= slack and abs(bitrate - int(probe['bit_rate'])) <= slack,
          f'{name}: {bitrate} bit/s; mediainfo {audio["BitRate"]}, ffprobe {probe["bit_rate"]}')
    check(rate == int(audio['SamplingRate']), f'{name}: {rate} Hz')
check(info('vbr.mp3')['vbr'] == 'Xing', 'the VBR file has a Xing header')

# Tags read as eyeD3 lists them.
def eyed3(name):
    fields, version = {}, None
    lines = open(name + '.eyed3').read().splitlines()
    for i, line in enumerate(lines):
        if line.startswith('ID3 v'):
            version = line[5:].rstrip(':')
        elif line.startswith('Comment: '):
            fields['comment'] = lines[i + 1]
        elif ': ' in line and version:
            for part in line.split('\t'):
                if ': ' in part:
                    key, value = part.split(': ', 1)
                    fields[key.strip()] = value.strip()
    return version, fields

for name in ('v1track', 'v1plain'):
    version, theirs = eyed3(name)
    ours = info(name + '.mp3')
    check(ours['id3v1_exists'] == '1' and version == ('1.1' if name == 'v1track' else '1.0') and
          ours['id3v1_version'] == ('2' if version == '1.1' else '1'), f'{name}: ID3 v{version}')
    for key in ('title', 'artist', 'album'):
        check(ours['id3v1_' + key] == theirs.get(key, ''), f'{name}: {key} {ours["id3v1_" + key]!r}')
    check(ours['id3v1_comment'] == theirs.get('comment', ''), f'{name}: comment {ours["id3v1_comment"]!r}')
    track = theirs.get('track', '0').split('/')[0] or '0'
    check(ours['id3v1_track'] == track, f'{name}: track {ours["id3v1_track"]}')
for name in ('v23latin', 'v23utf16'):
    version, theirs = eyed3(name)
    ours = info(name + '.mp3')
    check(version == '2.3' and ours['id3v2_version'] == '3', f'{name}: ID3 v{version}')
    for key in ('title', 'artist', 'album', 'comment'):
        check(ours['id3v2_' + key] == theirs.get(key), f'{name}: {key} {ours["id3v2_" + key]!r}')
    check(ours['id3v2_track'] == theirs['track'].split('/')[0], f'{name}: track {ours["id3v2_track"]}')
    check(theirs['genre'].startswith(ours['id3v2_genre'] + ' '), f'{name}: genre {ours["id3v2_genre"]}')
version, theirs = eyed3('v24')
ours = info('v24.mp3')
check(version == '2.4' and ours['id3v2_exists'] == '1' and ours['id3v2_version'] == '4' and
      ours['id3v2_title'] == '', 'v24: the tag is there, its texts are not read')
sys.exit(1 if failures else 0)
PY
