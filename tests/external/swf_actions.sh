#!/usr/bin/env bash
# Checks action scripts, clip actions and protection against programs nobody here wrote: swfparser (Debian's
# python3-yaswfp, an independent SWF parser) reads the movie tools/swfscript writes; the system's libcrypt
# (python's crypt module) and openssl check the MD5-crypt strings and the Protect tag's hash.
# Usage: swf_actions.sh BUILD_DIR. Everything is made here, in a temporary folder; every command is echoed.
#
# swfparser decodes some actions (constant pool, push, If, DefineFunction, DefineFunction2, GetURL) and shows
# the others, and the tags it does not know, as raw payloads: those are compared byte for byte. It cannot
# decode pushed doubles (it reads them as plain little-endian) or undefined values, so the movie holds none.
# Budget: 180 s
set -euo pipefail
BUILD=${1:?build folder}
TOOL="$BUILD/tools/swfscript"
PY=/usr/bin/python3
for tool in swfparser "$PY"; do
    command -v "$tool" >/dev/null || { echo "skip: $tool missing"; exit 77; }
done
"$PY" -c 'import yaswfp.swfparser' 2>/dev/null || { echo "skip: python3-yaswfp missing"; exit 77; }
[[ -x "$TOOL" ]] || { echo "skip: $TOOL not built"; exit 77; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
run() { echo "+ $*" >&2; "$@"; }

run "$TOOL" movie.swf > listing.txt
run swfparser -e movie.swf > parsed.txt
# MD5-crypt strings for passwords of several lengths, 256 and more included.
for n in 0 1 20 255 256 300; do
    echo "$n $("$TOOL" --crypt "$n" Zx)" >> crypt.txt
done

"$PY" - <<'PY'
import struct, sys, warnings
warnings.simplefilter('ignore', DeprecationWarning)
import crypt, shutil, subprocess
from yaswfp.swfparser import ACTION_NAMES

failures = 0
def check(ok, what):
    global failures
    print(('ok   ' if ok else 'FAIL ') + what)
    if not ok:
        failures += 1

# The tool's listing: per list, lines of offset, class, bytes and branch targets.
lists, current = {}, None
version = frames = None
for line in open('listing.txt'):
    line = line.rstrip('\n')
    if line.startswith('version '):
        _, version, _, frames = line.split()
        version, frames = int(version), int(frames)
    elif '\t' not in line:
        current = line.split()[0]
        lists[current] = []
    else:
        offset, cls, hexbytes, targets = line.split('\t')
        targets = [None if t == '-' else int(t) for t in targets.split(',')] if targets else []
        lists[current].append({'offset': int(offset), 'class': cls, 'bytes': bytes.fromhex(hexbytes),
                               'targets': targets})
def list_bytes(name):
    return b''.join(a['bytes'] for a in lists[name])

# The movie's tags, walked from the file format's description: a 16-bit code and length, 0x3F for a 32-bit
# length after it.
data = open('movie.swf', 'rb').read()
assert data[:3] == b'FWS', data[:3]
nbits = data[8] >> 3
pos = 8 + (5 + 4 * nbits + 7) // 8 + 4
movie_frames = struct.unpack_from('<H', data, pos - 2)[0]
tags = []
while pos < len(data):
    word, = struct.unpack_from('<H', data, pos)
    code, length, pos = word >> 6, word & 0x3F, pos + 2
    if length == 0x3F:
        length, = struct.unpack_from('<I', data, pos)
        pos += 4
    tags.append((code, data[pos:pos + length]))
    pos += length
    if code == 0:
        break
TAG_NAMES = {0: 'End', 1: 'ShowFrame', 9: 'SetBackgroundColor', 12: 'DoAction', 24: 'Protect', 26: 'PlaceObject2',
             39: 'DefineSprite', 59: 'DoInitAction'}
body = {TAG_NAMES[c]: b for c, b in tags}

# swfparser's report: indentation gives the structure.
def parse_report(lines):
    root = {'name': 'root', 'fields': {}, 'items': []}
    stack = [(-1, root)]
    for raw in lines:
        if not raw.strip():
            continue
        indent = len(raw) - len(raw.lstrip(' '))
        text = raw.strip()
        while stack[-1][0] >= indent:
            stack.pop()
        parent = stack[-1][1]
        if text.startswith('- '):
            name = text[2:].rstrip(':').split(' (')[0]
            node = {'name': name, 'fields': {}, 'items': [], 'kind': text[2:]}
            parent['items'].append(node)
            stack.append((indent, node))
        elif ': ' in text:
            key, value = text.split(': ', 1)
            parent['fields'][key] = value
        else:
            name = text.rstrip(':').split(' (')[0]
            node = {'name': name, 'fields': {}, 'items': [], 'kind': text}
            parent['items'].append(node)
            stack.append((indent, node))
    return root

report = open('parsed.txt').read().splitlines()
header = report[0]
parsed = parse_report(report[2:])
top = parsed['items']
check([t['name'] for t in top] == [TAG_NAMES[c] for c, _ in tags if c != 0],
      'swfparser lists the tags in the file\'s order: ' + ', '.join(t['name'] for t in top))
check(f'Version={version}' in header and f'FrameCount={frames}' in header and frames == movie_frames == 1,
      f'header: version {version}, {frames} frame: {header}')

def raw_payload(node):
    value = node['fields'].get('raw_payload')
    return eval(value) if value else None

# The expected entries of the script, decoded here from the tool's bytes by the format's description.
def decode(code_bytes):
    out, pos = [], 0
    while pos < len(code_bytes):
        code = code_bytes[pos]
        length = struct.unpack_from('<H', code_bytes, pos + 1)[0] if code >= 0x80 else 0
        payload = code_bytes[pos + 3:pos + 3 + length]
        out.append((code, payload, pos))
        pos += 3 + length if code >= 0x80 else 1
    return out

def cstrings(payload, pos, count):
    values = []
    for _ in range(count):
        end = payload.index(0, pos)
        values.append(payload[pos:end].decode())
        pos = end + 1
    return values, pos

script = lists['script']
entries = []
for a in script:
    for code, payload, _ in decode(a['bytes']):
        entries.append((a, code, payload))
doaction = next(t for t in top if t['name'] == 'DoAction')
actions = doaction['items'][0]['items'] if doaction['items'] else []
def push_values(payload):
    values, p = [], 0
    while p < len(payload):
        t, p = payload[p], p + 1
        n = payload.index(0, p) + 1 - p if t == 0 else {1: 4, 2: 0, 3: 0, 4: 1, 5: 1, 6: 8, 7: 4, 8: 1, 9: 2}[t]
        values.append((t, payload[p:p + n]))
        p += n
    return values
# swfparser shows each pushed value as an entry of its own.
expected_names = []
for a, code, payload in entries:
    expected_names += ['ActionPush'] * len(push_values(payload)) if code == 0x96 else [ACTION_NAMES[code]]
check([x['name'] for x in actions] == expected_names,
      f'swfparser lists the script\'s {len(expected_names)} actions in the tool\'s order')

by_name = {}
for x in actions:
    by_name.setdefault(x['name'], []).append(x)
pool = by_name['ActionConstantPool'][0]['fields']
check(pool.get('Count') == '3', 'constant pool count 3')
check("'alpha'" in str(by_name['ActionConstantPool'][0]) and "'gamma'" in str(by_name['ActionConstantPool'][0]),
      'constant pool holds alpha, beta, gamma')
pushes = [p['fields'] for p in by_name['ActionPush']]
want_push = [('0', 'String', "'text'"), ('1', 'Float', '1.5'), ('2', 'Null', 'None'), ('4', 'RegisterNumber', '2'),
             ('5', 'Boolean', '1'), ('7', 'Integer', str(2**32 - 123456)), ('8', 'Constant8', '1'),
             ('9', 'Constant16', '2')]
check([(p['Type'], *[(k, v) for k, v in p.items() if k != 'Type'][0]) for p in pushes[:8]] == want_push,
      'push values of every type: ' + '; '.join(f'{p}' for p in pushes[:8]))

# Branches and blocks land on their markers.
script_ends = {a['offset']: a['offset'] + len(a['bytes']) for a in script}
ifs = [a for a in script if a['class'] == 'TSWFActionIf']
parsed_ifs = by_name['ActionIf']
check(len(ifs) == len(parsed_ifs) == 2, 'two If actions')
for a, x in zip(ifs, parsed_ifs):
    want = a['targets'][0] - script_ends[a['offset']]
    check(int(x['fields']['BranchOffset']) == want,
          f'If at {a["offset"]}: offset {x["fields"]["BranchOffset"]} reaches its marker at {a["targets"][0]}')
check(any(int(x['fields']['BranchOffset']) < 0 for x in parsed_ifs), 'one If goes backward')
for cls, name, fname in (('TSWFActionDefineFunction', 'ActionDefineFunction', 'f'),
                         ('TSWFActionDefineFunction2', 'ActionDefineFunction2', 'g')):
    a = next(a for a in script if a['class'] == cls)
    x = by_name[name][0]['fields']
    want = a['targets'][0] - script_ends[a['offset']]
    check(x['FunctionName'] == repr(fname) and int(x['CodeSize']) == want,
          f'{name} {x["FunctionName"]}: code size {x["CodeSize"]} ends at its marker')
f2 = by_name['ActionDefineFunction2'][0]
check(f2['fields']['RegisterCount'] == '3' and f2['fields']['PreloadThisFlag'] == '1' and
      f2['fields']['SupressArgumentsFlag'] == '1' and f2['fields']['PreloadGlobalFlag'] == '1' and
      str(f2).count('ParamName') == 2, 'DefineFunction2 flags and parameters')
url = by_name['ActionGetURL'][0]['fields']
check(url == {'UrlString': "'http://example.org/page'", 'TargetString': "'_blank'"}, f'GetURL strings {url}')

# What swfparser does not decode it shows raw: the same bytes as the tool's.
raw_actions = [x for x in actions if x['kind'].startswith(x['name'] + ' (UnknownAction)')]
raw_entries = [(a, code, payload) for a, code, payload in entries if code >= 0x80 and
               ACTION_NAMES[code] in {x['name'] for x in raw_actions}]
check(len(raw_actions) == len(raw_entries) and
      all(raw_payload(x) == p for x, (_, _, p) in zip(raw_actions, raw_entries)),
      'raw payloads equal the tool\'s bytes: ' + ', '.join(x['name'] for x in raw_actions))
jumps = [a for a in script if a['class'] == 'TSWFActionJump']
for a in jumps:
    off = struct.unpack('<h', a['bytes'][3:5])[0]
    check(script_ends[a['offset']] + off == a['targets'][0], f'Jump at {a["offset"]}: offset {off}')
t = next(a for a in script if a['class'] == 'TSWFActionTry')
flags, try_size, catch_size, finally_size = struct.unpack_from('<BHHH', t['bytes'], 3)
m = t['targets']
check((flags, try_size, catch_size, finally_size) ==
      (3, m[0] - script_ends[t['offset']], m[1] - m[0], m[2] - m[1]),
      f'Try: flags {flags}, try {try_size}, catch {catch_size}, finally {finally_size} bytes, '
      'each ending at its marker')
check(body['DoAction'] == list_bytes('script') + b'\0', 'the DoAction body is the listed script and its end')

# Tags it shows raw.
init = next(t for t in top if t['name'] == 'DoInitAction')
check(raw_payload(init) == body['DoInitAction'] == b'\x01\x00' + list_bytes('init') + b'\0',
      'DoInitAction: sprite 1, then the listed init script')
sprite = next(t for t in top if t['name'] == 'DefineSprite')['fields']
check(sprite.get('CharacterID') == '1' and sprite.get('FrameCount') == '1', f'DefineSprite {sprite}')
protect = raw_payload(next(t for t in top if t['name'] == 'Protect'))
check(protect == body['Protect'] and protect[:2] == b'\0\0' and protect[-1:] == b'\0' and len(protect) == 31,
      'Protect: reserved word, hash, terminator')
hashed = protect[2:-1].decode()
check(crypt.crypt('loomwick', hashed) == hashed, f'libcrypt verifies the password against {hashed}')

# MD5-crypt against libcrypt, and against openssl below 256 characters (it cuts longer passwords).
for line in open('crypt.txt'):
    n, ours = line.split()
    password = ''.join(chr(ord('a') + i % 26) for i in range(int(n)))
    check(crypt.crypt(password, '$1$Zx') == ours, f'{n} characters: libcrypt agrees with {ours}')
    if int(n) < 256 and shutil.which('openssl'):
        theirs = subprocess.run(['openssl', 'passwd', '-1', '-salt', 'Zx', '-stdin'],
                                input=(password + '\n').encode(), capture_output=True,
                                check=True).stdout.decode().strip()
        check(theirs == ours, f'{n} characters: openssl agrees')

# Clip actions of the placement: swfparser stops at them (it shows "ClipActions: None"), so they are decoded
# here from the format's description (version 6 on: 32-bit event flags, KeyPress in the third byte, a key
# code after the record size, a 32-bit end marker).
place = next(t for t in top if t['name'] == 'PlaceObject2')['fields']
check(place.get('PlaceFlagHasClipActions') == '1' and place.get('CharacterId') == '1' and place.get('Depth') == '1',
      'swfparser: PlaceObject2 of character 1 at depth 1 with clip actions')
p = body['PlaceObject2']
check(p[:5] == b'\x82\x01\x00\x01\x00', 'placement flags, depth and character')
reserved, all_flags = struct.unpack_from('<HI', p, 5)
pos, records = 11, []
while True:
    flags, = struct.unpack_from('<I', p, pos)
    pos += 4
    if flags == 0:
        break
    size, = struct.unpack_from('<I', p, pos)
    pos += 4
    records.append((flags, p[pos:pos + size]))
    pos += size
check(pos == len(p) and reserved == 0, 'clip actions end with a 32-bit 0 at the end of the tag')
LOAD, ENTER, MOUSEDOWN, KEYPRESS = 0x01, 0x02, 0x10, 0x02 << 16
check(all_flags == LOAD | ENTER | MOUSEDOWN | KEYPRESS, f'all event flags {all_flags:#x}')
want = [(LOAD, list_bytes('clip0') + b'\0'), (KEYPRESS, b'k' + list_bytes('clip1') + b'\0'),
        (ENTER | MOUSEDOWN, list_bytes('clip2') + b'\0')]
check(records == want, 'clip-action records: Load, KeyPress "k", EnterFrame and MouseDown, each the listed '
      'actions and their end')
sys.exit(1 if failures else 0)
PY
