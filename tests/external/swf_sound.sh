#!/usr/bin/env bash
# Checks the SWF writer's audio readers against programs nobody here wrote: files made by ffmpeg and tagged
# by eyeD3 are read by tools/swfmedia, and what it finds is compared with eyeD3's listing of the tags and with
# mediainfo's and ffprobe's frame count, duration and bit rate.
# Movies that tools/swfmedia writes with stream sounds, event sounds, a video placement and a sprite are read
# back by ffprobe, ffmpeg and swfparser (python3-yaswfp).
# Usage: swf_sound.sh BUILD_DIR. Everything is made here, in a temporary folder; every command is echoed.
# The unit tests' files under tests/data/swf were made by the sounds marked "fixture" below.
# Each program starts as few times as it can: one ffmpeg makes every sound, one swfmedia (--batch) reads and
# writes them all, one ffmpeg decodes every movie's sound; a start costs more than the work on these files.
# On two cores of a machine other builds keep busy (load 23) it takes 27 s (57 s at a load of 11 before).
# Budget: 180 s
set -euo pipefail
BUILD=${1:?build folder}
TOOL="$BUILD/tools/swfmedia"
for tool in ffmpeg ffprobe mediainfo eyeD3 swfparser python3; do
    command -v "$tool" >/dev/null || { echo "skip: $tool missing"; exit 77; }
done
[[ -x "$TOOL" ]] || { echo "skip: $TOOL not built"; exit 77; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
run() { echo "+ $*" >&2; "$@"; }
SINE="sine=frequency=440:duration"

# Every sound comes from one ffmpeg run: `sound SOURCE OPTIONS... FILE` adds the lavfi SOURCE as an input
# and FILE, encoded with OPTIONS from that input alone, as an output (the same bytes as a run of its own,
# `ffmpeg -bitexact -f lavfi -i SOURCE OPTIONS... FILE`).
INPUTS=() OUTPUTS=() SOUNDS=0
sound() {
    local source=$1
    shift
    INPUTS+=(-bitexact -f lavfi -i "$source")
    OUTPUTS+=(-map "$SOUNDS:a" "$@")
    SOUNDS=$((SOUNDS + 1))
}

# fixture: tone_u8_11025.wav, tone_s16_22050.wav, cbr_44100.mp3, mpeg2_22050.mp3
sound "$SINE=0.5:sample_rate=11025" -ac 1 -c:a pcm_u8 tone_u8_11025.wav
sound "$SINE=0.3:sample_rate=22050" -ac 1 -c:a pcm_s16le tone_s16_22050.wav
sound "$SINE=0.5:sample_rate=44100" -ac 1 -c:a libmp3lame -b:a 128k -id3v2_version 3 -write_id3v1 1 \
    -metadata title=Tone -metadata artist=Loomwick -metadata track=3/12 cbr_44100.mp3
sound "$SINE=0.5:sample_rate=22050" -ac 1 -c:a libmp3lame -b:a 32k -write_xing 0 mpeg2_22050.mp3

# Longer files for the frame counts: constant and variable bit rate, MPEG-1 and MPEG-2.
sound "$SINE=3:sample_rate=44100" -ac 2 -c:a libmp3lame -b:a 128k cbr.mp3
sound "$SINE=3:sample_rate=44100" -ac 2 -c:a libmp3lame -q:a 4 vbr.mp3
sound "$SINE=3:sample_rate=22050" -ac 1 -c:a libmp3lame -b:a 32k -write_xing 0 mpeg2.mp3

# Files for the tags eyeD3 writes below.
for name in v1track v1plain v23latin v23utf16 v24; do
    sound "$SINE=0.3:sample_rate=22050" -ac 1 -c:a libmp3lame -b:a 32k -map_metadata -1 -write_xing 0 \
        -id3v2_version 0 "$name.mp3"
done

# Sounds in every form the movie can carry, as stream sounds (enough frames for all of the sound, no loop)
# and as event sounds. The MP3 files have no Xing frame, so that ffmpeg decodes them without trimming.
sound "$SINE=0.4:sample_rate=11025" -ac 1 -c:a pcm_u8 s_u8m11k.wav
sound "$SINE=0.4:sample_rate=22050" -ac 1 -c:a pcm_s16le s_s16m22k.wav
sound "$SINE=0.4:sample_rate=44100" -ac 2 -c:a pcm_s16le s_s16s44k.wav
sound "$SINE=0.4:sample_rate=22050" -ac 1 -c:a libmp3lame -b:a 32k -f wav s_mp3inwav.wav
sound "$SINE=0.4:sample_rate=44100" -ac 2 -c:a libmp3lame -b:a 128k -write_xing 0 \
    -id3v2_version 3 -write_id3v1 1 -metadata title=Tagged -metadata artist=Loomwick s_cbr44k.mp3
sound "$SINE=0.4:sample_rate=22050" -ac 1 -c:a libmp3lame -b:a 32k -write_xing 0 s_mpeg2.mp3
run ffmpeg -nostdin -loglevel error -y "${INPUTS[@]}" "${OUTPUTS[@]}"

# Three chains run side by side, each a few slow starts of programs on small files: eyeD3 writes and lists
# the tags; mediainfo and ffprobe read the long files; ffmpeg makes a video whose packets are listed.
# Tags written by eyeD3: version 1 with and without a track, 2.3 in Latin-1 and in UTF-16, 2.4.
E="eyeD3 --no-color -Q"  # its progress goes to /dev/null below
(
    run $E -1 -t "Title One" -a "Caf$(printf '\xc3\xa9') Artist" -A "Album One" -Y 1999 -n 7 -c "Short note" \
        v1track.mp3 > /dev/null
    run $E -1 -t "Plain" -a "Nobody" -A "Nothing" -c "No track here" v1plain.mp3 > /dev/null
    run $E --to-v2.3 --encoding latin1 -t "Latin $(printf '\xc3\xa9')t$(printf '\xc3\xa9')" -a "Artiste" \
        -A "Album" -n 3 -N 12 -G Rock -c "A Latin-1 comment" v23latin.mp3 > /dev/null
    run $E --to-v2.3 --encoding utf16 -t "Unicode $(printf '\xe2\x9c\x93')" -a "$(printf '\xc3\x84')rtist" \
        -A "Alb" -n 11 -G Jazz -c "A UTF-16 comment" v23utf16.mp3 > /dev/null
    run $E --to-v2.4 -t "Four" -a "Someone" v24.mp3 > /dev/null
    run eyeD3 --no-color -1 v1track.mp3 v1plain.mp3 > v1.eyed3
    run eyeD3 --no-color -2 v23latin.mp3 v23utf16.mp3 v24.mp3 > v2.eyed3
) &
tags=$!
(
    run mediainfo --Output=JSON cbr.mp3 vbr.mp3 mpeg2.mp3 > all.mediainfo
    for f in cbr.mp3 vbr.mp3 mpeg2.mp3; do
        run ffprobe -v error -count_frames -select_streams a:0 \
            -show_entries stream=nb_read_frames,duration,bit_rate -of json "$f" > "$f.ffprobe"
    done
) &
readings=$!
# A video with MP3 sound, its packets listed from the FLV format's description.
(
    run ffmpeg -nostdin -loglevel error -y -bitexact -f lavfi -i "testsrc=size=96x64:rate=12" -f lavfi \
        -i "$SINE=1:sample_rate=22050" -t 1 -c:v flv1 -c:a libmp3lame -ar 22050 -ac 1 video.flv
    python3 - <<'PY'
import struct
data = open('video.flv', 'rb').read()
pos = struct.unpack('>I', data[5:9])[0] + 4
lines = ['file video.flv']
while pos + 11 <= len(data):
    kind, size = data[pos], int.from_bytes(data[pos + 1:pos + 4], 'big')
    body = pos + 11
    if kind == 9:
        frame_type, codec = data[body] >> 4, data[body] & 15
        lines.append(f'video {body + 1} {size - 1} {codec} {frame_type} 96 64')
    elif kind == 8 and size > 1:
        lines.append(f'audio {body + 1} {size - 1} {data[body]} {data[body + 1:body + 5].hex()}')
    pos = body + size + 4
open('video.list', 'w').write('\n'.join(lines) + '\n')
PY
) &
video=$!
wait $tags
wait $video

# The readers' findings, the movies with each sound as a stream and as an event, the video, and a sprite
# with its own stream sound and init script: one swfmedia process for every run.
for f in *.mp3 *.wav; do
    echo "--info $f > $f.info"
done > runs.list
for f in s_*.wav s_*.mp3; do
    echo "stream_$f.swf 12 8 --stream $f --no-loop > /dev/null"
    echo "event_$f.swf 12 1 --event $f > /dev/null"
done >> runs.list
echo "video.swf 12 16 --video video.list --no-loop > /dev/null" >> runs.list
echo "sprite.swf 12 3 --sprite --stream s_mpeg2.mp3 > /dev/null" >> runs.list
sed 's/^/+ swfmedia /' runs.list >&2
if ! "$TOOL" --batch runs.list > runs.status; then
    echo "FAIL swfmedia: runs that failed:"
    grep -v '^0 ' runs.status || echo "(the process ended before the last run)"
    exit 1
fi
run swfparser -e sprite.swf > sprite.parsed
wait $readings

python3 - <<'PY'
import concurrent.futures, json, os, re, subprocess, sys
failures = 0
def check(ok, what):
    global failures
    print(('ok   ' if ok else 'FAIL ') + what)
    if not ok:
        failures += 1

def info(name):
    return dict(line.rstrip('\n').split('\t', 1) for line in open(name + '.info'))

# The readers' frame count, duration and bit rate agree with mediainfo and ffprobe within one frame.
mediainfo = {m['media']['@ref']: m['media'] for m in json.load(open('all.mediainfo'))}
for name in ('cbr.mp3', 'vbr.mp3', 'mpeg2.mp3'):
    ours = info(name)
    audio = next(t for t in mediainfo[name]['track'] if t['@type'] == 'Audio')
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

# Tags read as eyeD3 lists them (one listing of several files, each from a line naming the file).
listings = {}
for listing in ('v1.eyed3', 'v2.eyed3'):
    current = None
    for line in open(listing).read().splitlines():
        named = re.search(r'(\w+)\.mp3\[', line)
        if named:
            current = listings.setdefault(named.group(1), [])
        elif current is not None:
            current.append(line)

def eyed3(name):
    fields, version = {}, None
    lines = listings[name]
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

def probe(name):
    out = subprocess.run(['ffprobe', '-v', 'error', '-count_frames', '-show_entries',
                          'stream=codec_type,codec_name,sample_rate,channels,nb_read_frames', '-of', 'json', name],
                         capture_output=True, check=True).stdout
    return json.loads(out)['streams']

def decode(name, fmt, stream='a:0'):
    run = subprocess.run(['ffmpeg', '-nostdin', '-v', 'error', '-i', name, '-map', '0:' + stream, '-f', fmt, '-'],
                         capture_output=True)
    return run.stdout, run.stderr.decode()

def decode_all(jobs):
    """Decodes (name, format) pairs in one ffmpeg run; a run that reports anything is repeated file by file,
    so that each message stays with its file."""
    args = ['ffmpeg', '-nostdin', '-v', 'error', '-y']
    for name, fmt in jobs:
        args += ['-i', name]
    for i, (name, fmt) in enumerate(jobs):
        args += ['-map', f'{i}:a:0', '-f', fmt, f'{name}.{fmt}']
    run = subprocess.run(args, capture_output=True)
    if run.returncode != 0 or run.stderr:
        return {job: decode(*job) for job in jobs}
    return {(name, fmt): (open(f'{name}.{fmt}', 'rb').read(), '') for name, fmt in jobs}

def describe(names):
    """The streams of each file as one ffmpeg run lists them on opening all of them (type, codec, rate,
    channels); a file that run did not reach (one before it failed to open) is read by ffprobe alone."""
    args = ['ffmpeg', '-hide_banner', '-nostdin']
    for name in names:
        args += ['-i', name]
    log = subprocess.run(args, capture_output=True, text=True).stderr
    found, current = {}, None
    for line in log.splitlines():
        opened = re.match(r"Input #(\d+), ", line)
        if opened:
            current = names[int(opened.group(1))]
            found[current] = []
            continue
        stream = re.match(r'\s+Stream #(\d+):\d+\S*: (\w+): (\w+)(.*)$', line)
        if stream and current == names[int(stream.group(1))]:
            rest = stream.group(4)
            rate = re.search(r', (\d+) Hz', rest)
            layout = re.search(r' Hz, ([^,]+)', rest)
            channels = None
            if layout:
                counted = re.match(r'(\d+) channels', layout.group(1))
                channels = int(counted.group(1)) if counted else {'mono': 1, 'stereo': 2}.get(layout.group(1))
            found[current].append({'codec_type': stream.group(2).lower(), 'codec_name': stream.group(3),
                                   'sample_rate': rate.group(1) if rate else None, 'channels': channels})
    return {name: found[name] if name in found else probe(name) for name in names}

# ffprobe and ffmpeg start slowly on a busy machine: one ffmpeg run lists the streams of every sound and
# movie, the few other runs go side by side.
pool = concurrent.futures.ThreadPoolExecutor(max_workers=2 * len(os.sched_getaffinity(0)))
sources = sorted(f for f in os.listdir('.') if f.startswith('s_') and f[-4:] in ('.wav', '.mp3'))
movies = [f'{kind}_{source}.swf' for source in sources for kind in ('stream', 'event')]
probed = pool.map(probe, ['video.flv', 'video.swf'])
probes = describe(sources + movies)
probes.update(zip(['video.flv', 'video.swf'], probed))
formats = {s: 'u8' if info(s)['bits'] == '8' and info(s)['format'] == '1' else 's16le' for s in sources}
decoded = decode_all([(s, formats[s]) for s in sources] +
                     [(f'{kind}_{s}.swf', formats[s]) for s in sources for kind in ('stream', 'event')])

for source in sources:
    ours = info(source)
    src = probes[source][0]
    eight_bit = ours['bits'] == '8' and ours['format'] == '1'
    fmt = formats[source]
    want, _ = decoded[(source, fmt)]
    for kind in ('stream', 'event'):
        movie = f'{kind}_{source}.swf'
        streams = [s for s in probes[movie] if s['codec_type'] == 'audio']
        check(len(streams) == 1, f'{movie}: one audio stream')
        if not streams:
            continue
        a = streams[0]
        check((a['sample_rate'], a['channels']) == (src['sample_rate'], src['channels']) and
              (a['codec_name'] == 'mp3') == (src['codec_name'] == 'mp3'),
              f'{movie}: {a["codec_name"]} {a["sample_rate"]} Hz {a["channels"]} channels (source '
              f'{src["codec_name"]} {src["sample_rate"]} Hz {src["channels"]})')
        got, errors = decoded[(movie, fmt)]
        if src['codec_name'] == 'mp3':
            check(got == want and not errors, f'{movie}: decodes to the source\'s {len(want)} bytes of samples')
        else:
            # Whole blocks: the rest of the last one is silence.
            silence = bytes([128 if eight_bit else 0]) * (len(got) - len(want))
            check(got[:len(want)] == want and got[len(want):] == silence[:len(got) - len(want)] and
                  (kind == 'event' or len(got) > len(want) or len(want) % (int(ours['rate']) // 12) == 0),
                  f'{movie}: decodes to the source\'s {len(want)} bytes, then {len(got) - len(want)} of fill')

# The video: every packet of the FLV, decoded the same; its sound decodes cleanly.
flv = [s for s in probes['video.flv'] if s['codec_type'] == 'video'][0]
swf = [s for s in probes['video.swf'] if s['codec_type'] == 'video']
check(len(swf) == 1 and swf[0]['codec_name'] == 'flv1' and swf[0]['nb_read_frames'] == flv['nb_read_frames'],
      f'video.swf: flv1 with {swf[0]["nb_read_frames"] if swf else 0} frames, the FLV has {flv["nb_read_frames"]}')
md5 = lambda name: [l.split(',')[-1] for l in decode(name, 'framemd5', 'v:0')[0].decode().splitlines()
                    if not l.startswith('#')]
sums = pool.map(md5, ['video.swf', 'video.flv'])
audio, errors = decode('video.swf', 's16le')
check(next(sums) == next(sums), 'video.swf: the frames\' md5 equal the FLV\'s')
check(len(audio) > 0 and not errors, f'video.swf: the sound decodes without error ({len(audio)} bytes)')

# The sprite, as swfparser reads it: its DefineSprite, then the DoInitAction's bytes.
lines = open('sprite.parsed').read().splitlines()
tags = [l.split(' ')[0].rstrip(':') for l in lines[2:] if l and not l.startswith(' ')]
check(tags[0].startswith('DefineShape') and tags[1:4] == ['DefineSprite', 'DoInitAction', 'PlaceObject2'],
      'sprite.swf: shape, sprite, its init script, its placement: ' + ', '.join(tags))
sprite_at = next(i for i, l in enumerate(lines) if l.startswith('DefineSprite'))
block = []
for l in lines[sprite_at + 1:]:
    if not l.startswith(' '):
        break
    block.append(l.strip())
check('CharacterID: 2' in block and 'FrameCount: 3' in block, 'DefineSprite: identifier 2, 3 frames')
inner = [b[2:].split(' ')[0].rstrip(':') for b in block if b.startswith('- ')]
check(inner[:2] == ['SoundStreamHead2', 'PlaceObject2'] and inner.count('ShowFrame') == 3 and
      inner.count('SoundStreamBlock') == 3, 'DefineSprite inner tags: ' + ', '.join(inner))
init = next(l for l in lines[lines.index(next(l for l in lines if l.startswith('DoInitAction'))) + 1:]
            if 'raw_payload' in l)
check(eval(init.split(': ', 1)[1]) == b'\x02\x00\x96\x06\x00\x00init\x00\x26\x00',
      'DoInitAction: sprite 2, push "init", trace, end')
sys.exit(1 if failures else 0)
PY
