#!/usr/bin/env python3
"""Checks the command bars' pictures that build/tools/barsgallery wrote, at the places it printed, against
colours worked out here from the drawing rules of the bars and the scheme's system colours alone.

    bars_painters.py STYLE GALLERY_OUTPUT DIR

ImageMagick's convert reads each BMP file. Exit status 1 when a check fails."""
import subprocess
import sys

style, listing, folder = sys.argv[1], sys.argv[2], sys.argv[3]
sysc, glyphs, sizes, parts, truncated = {}, {}, {}, {}, {}
for line in open(listing):
    f = line.split()
    if not f:
        continue
    if f[0] == 'sys':
        sysc[f[1]] = tuple(int(v) for v in f[2].split(','))
    elif f[0] == 'glyph':
        glyphs[f[1]] = tuple(int(v) for v in f[2].split(','))
    elif f[0] == 'file':
        sizes[f[1]] = (int(f[2]), int(f[3]))
    elif f[0] == 'part':
        x, y, w, h = (int(v) for v in f[3:7])
        parts[(f[1], f[2])] = (x, y, x + w, y + h)
    elif f[0] == 'truncated':
        truncated[f[1]] = f[2] == '1'

pictures = {}


def picture(name):
    if name not in pictures:
        w, h = sizes[name]
        raw = subprocess.run(['convert', folder + '/' + name, '-depth', '8', 'rgb:-'], check=True,
                             stdout=subprocess.PIPE).stdout
        if len(raw) != w * h * 3:
            raise SystemExit('%s: %d bytes for %dx%d' % (name, len(raw), w, h))
        pictures[name] = (w, raw)
    return pictures[name]


def px(name, x, y):
    w, raw = picture(name)
    i = 3 * (y * w + x)
    return tuple(raw[i:i + 3])


failures = 0
checked = 0
known_seen = 0
fixed_seen = 0
# Behaviour the bars do not have yet: a check of it that fails is reported as KNOWN, not failed; one that holds
# now is reported as FIXED, so that its entry can leave this list and the check count as any other.
KNOWN_GAPS = {}


def known_gap(what):
    return next((g for g in KNOWN_GAPS if what.startswith(g) or what.endswith(g)), None)


def failed(what, message):
    global failures, known_seen
    gap = known_gap(what)
    if gap:
        known_seen += 1
        print('KNOWN: %s %s: %s (%s)' % (style, listing, message, KNOWN_GAPS[gap]))
    else:
        failures += 1
        print('FAIL: %s %s: %s' % (style, listing, message))


def passed(what, message):
    global fixed_seen
    gap = known_gap(what)
    if gap:
        fixed_seen += 1
        print('FIXED: %s %s: %s (listed as: %s)' % (style, listing, message, KNOWN_GAPS[gap]))


def expect(what, name, x, y, want, tolerance=0):
    global checked
    checked += 1
    got = px(name, x, y)
    message = '%s at (%d, %d) is %s, expected %s' % (what, x, y, got, want)
    if any(abs(a - b) > tolerance for a, b in zip(got, want)):
        failed(what, message)
    else:
        passed(what, message)


def check(what, ok, detail=''):
    global checked
    checked += 1
    if not ok:
        failed(what, '%s %s' % (what, detail))
    else:
        passed(what, what)


FACE, SHADOW, HILITE, TEXT = sysc['BTNFACE'], sysc['BTNSHADOW'], sysc['BTNHIGHLIGHT'], sysc['BTNTEXT']
LIGHT, DARK = sysc['3DLIGHT'], sysc['3DDKSHADOW']
BLACK_FACE = FACE == (0, 0, 0)

# ---- Toolbar buttons: 16 x 16 pictures centred in their button ---------------------------------------------


def glyph_origin(rect):
    left, top, right, bottom = rect
    return left + (right - left - 16) // 2, top + (bottom - top - 16) // 2


def faded(colour, fade):
    # A disabled picture faded toward a colour: intensity from blue, green and red with weights 77, 151, 28,
    # lightened, then three quarters fade colour and one quarter lightened intensity.
    r, g, b = colour
    lum = (77 * b + 151 * g + 28 * r) >> 8
    lighter = (192 * (lum - 255) + 65280) >> 8
    return tuple((192 * t + 64 * lighter) >> 8 for t in fade)


def shown(colour):
    # On a black button face the picture is combined the other way round: its colours come out inverted.
    return tuple(255 - c for c in colour) if BLACK_FACE else colour


T = 'toolbar.bmp'
for name in ('normal', 'hot'):
    gx, gy = glyph_origin(parts[(T, name)])
    expect(name + ' picture', T, gx + 7, gy + 7, shown(glyphs[name]))
    expect(name + ' transparent corner', T, gx, gy + 15, FACE)
left, top, right, bottom = parts[(T, 'hot')]
mid = (top + bottom) // 2
expect('hot raised edge, left', T, left, mid, HILITE)
expect('hot raised edge, right', T, right - 1, mid, SHADOW)
for name, move in (('pressed', 1), ('checked', 1)):
    left, top, right, bottom = parts[(T, name)]
    gx, gy = glyph_origin(parts[(T, name)])
    expect(name + ' picture moved by %d' % move, T, gx + 13 + move, gy + 13 + move, shown(glyphs[name]))
    expect(name + ' sunken edge, left', T, left, (top + bottom) // 2, SHADOW)
    expect(name + ' sunken edge, right', T, right - 1, (top + bottom) // 2, HILITE)
# A checked button that is not hot lies on the checked pattern of button highlight and button face.
gx, gy = glyph_origin(parts[(T, 'checked')])
ring = {px(T, gx + i, gy + 1) for i in range(1, 16)} | {px(T, gx + 1, gy + i) for i in range(2, 16)}
check('checked pattern under the transparent part', ring <= {FACE, HILITE} and (FACE == HILITE or len(ring) == 2),
      str(ring))
# Disabled, not faded: engraved, the button highlight one pixel right and down under the button shadow.
gx, gy = glyph_origin(parts[(T, 'disabled')])
expect('disabled picture in button shadow', T, gx + 7, gy + 7, SHADOW)
expect('disabled picture\'s highlight copy', T, gx + 14, gy + 14, HILITE)
expect('disabled picture has no highlight above it', T, gx + 7, gy + 1, FACE)
# Faded: toward 70 % button shadow and 30 % white (the mix may round either way).
fade = tuple((70 * s + 30 * 255) / 100 for s in SHADOW)
gx, gy = glyph_origin(parts[(T, 'faded')])
want = shown(faded(glyphs['faded'], tuple(int(v) for v in fade)))
expect('faded picture', T, gx + 7, gy + 7, want, tolerance=1)
expect('faded picture keeps its transparent part', T, gx, gy + 15, FACE)
# A drop-down button: its picture centred in a button's width at the part's left; the arrow part follows.
left, top, right, bottom = parts[(T, 'dropdown')]
gx, gy = glyph_origin((left, top, left + parts[(T, 'normal')][2] - parts[(T, 'normal')][0], bottom))
expect('drop-down picture', T, gx + 7, gy + 7, shown(glyphs['dropdown']))
expect('drop-down picture transparent corner', T, gx, gy + 15, FACE)
# The separator between two groups: 6 pixels, an etched line 2 pixels in.
sep = parts[(T, 'pressed')][2]
check('separator area is 6 pixels', parts[(T, 'checked')][0] - sep == 6, str(parts[(T, 'checked')][0] - sep))
expect('etched separator, shadow', T, sep + 2, mid, SHADOW)
expect('etched separator, highlight', T, sep + 3, mid, HILITE)
expect('separator ends in the background', T, sep + 1, mid, FACE)


def triangle(name, mark, colour):
    # The quick-customize triangle, 5 wide and 3 high, at (left + 3, bottom - 7).
    left, top, right, bottom = mark
    for row, (first, last) in enumerate(((3, 7), (4, 6), (5, 5))):
        y = bottom - 7 + row
        for x in range(left + first, left + last + 1):
            inside = first < x - left < last
            expect(name + ' end-mark triangle' + (' middle' if inside else ''), name, x, y, colour)
    expect(name + ' end-mark triangle ends', name, left + 2, bottom - 7, FACE)
    expect(name + ' end-mark triangle ends', name, left + 8, bottom - 7, FACE)


def text_pixels(name, rect, colour):
    left, top, right, bottom = rect
    return {(x, y) for y in range(top, bottom) for x in range(left, right) if px(name, x, y) == colour}


if style == 'enhanced':
    # The end mark of a top-docked bar is the 11-pixel strip at the right, as high as the client area.
    mark = parts[(T, 'mark')]
    client = parts[(T, 'client')]
    check('end mark strip', mark[2] - mark[0] == 11 and mark[2] == client[2] and mark[1] == client[1]
          and mark[3] == client[3], str(mark))
    triangle(T, mark, TEXT)
    # Chevrons only when something is cut off.
    above = (mark[0] + 1, mark[1] + 1, mark[2] - 1, mark[3] - 8)
    check('no chevrons on a bar that fits', not text_pixels(T, above, TEXT))
    H = 'truncated-h.bmp'
    check('a bar too long for its form is truncated', truncated[H])
    mark = parts[(H, 'mark')]
    triangle(H, mark, TEXT)
    above = (mark[0] + 1, mark[1] + 1, mark[2] - 1, mark[3] - 8)
    check('chevrons on a truncated bar', len(text_pixels(H, above, TEXT)) >= 8)
else:
    # On a vertical bar the end mark is a box 9 wide and 11 high in the bottom-right corner.
    V = 'truncated-v.bmp'
    mark, client = parts[(V, 'mark')], parts[(V, 'client')]
    check('vertical end mark box', (mark[2] - mark[0], mark[3] - mark[1]) == (9, 11) and mark[2] == client[2]
          and mark[3] == client[3], str(mark))

# ---- The menu ----------------------------------------------------------------------------------------------

M = 'menu.bmp'
# The check mark of a checked entry without picture: 9 x 7 strokes centred in the square glyph column.
left, top, right, bottom = parts[(M, 'check')]
h = bottom - top
x, y = (2 * left + h - 9) // 2, (2 * top + h - 7) // 2
black, white = ((255, 255, 255), (0, 0, 0)) if BLACK_FACE else ((0, 0, 0), (255, 255, 255))
strokes = [(192, 192, 192), black, black, white]
want = {}
for k, colour in enumerate(strokes):
    for i in range(2):
        want[(x + 1 + i, y + 2 + k + i)] = colour
    for i in range(5):
        want[(x + 3 + i, y + 4 + k - i)] = colour
for cap in ((x, y + 3), (x, y + 4), (x + 8, y + 1), (x + 8, y + 2)):
    want[cap] = white
for (cx, cy), colour in sorted(want.items()):
    expect('check-mark stroke', M, cx, cy, colour)

# The etched separator above the entry that begins a group: 10 pixels, the line 4 pixels into it.
sep_top = top - 10
mid_x = (left + right) // 2
expect('menu separator, shadow', M, mid_x, sep_top + 4, SHADOW)
expect('menu separator, highlight', M, mid_x, sep_top + 5, HILITE)
expect('menu separator, background above', M, mid_x, sep_top + 3, FACE)

# A disabled entry's caption is embossed: button highlight one pixel right and down under button shadow.
left, top, right, bottom = parts[(M, 'disabled')]
caption = (left + (bottom - top) + 1, top, right, bottom)


def dist(a, b):
    return sum((p - q) ** 2 for p, q in zip(a, b)) ** 0.5


def nearest(colour):
    # The text is smoothed: each pixel is taken for the nearest of face, shadow and highlight.
    return min(((dist(colour, c), n) for n, c in (('face', FACE), ('shadow', SHADOW), ('hilite', HILITE))))[1]


cl, ct, cr, cb = caption
kinds = {(x, y): nearest(px(M, x, y)) for y in range(ct, cb) for x in range(cl, cr)}
shadow_px = [p for p, k in kinds.items() if k == 'shadow']
pure_hilite = [p for p in kinds if dist(px(M, *p), HILITE) <= dist(HILITE, FACE) / 4
               and dist(px(M, *p), HILITE) <= dist(HILITE, SHADOW) / 4]
check('disabled caption has both colours', len(shadow_px) >= 10 and len(pure_hilite) >= 3,
      '%d shadow, %d highlight' % (len(shadow_px), len(pure_hilite)))
# The accelerator's underline is a solid line: the longest run of button shadow in a row, with its button
# highlight copy one pixel right and down.
best = (0, 0, 0)
for y in range(ct, cb):
    run = 0
    for x in range(cl, cr + 1):
        if x < cr and px(M, x, y) == SHADOW:
            run += 1
        else:
            if run > best[0]:
                best = (run, x - run, y)
            run = 0
length, ux, uy = best
check('disabled caption\'s underline in button shadow', length >= 4, 'longest run %d' % length)
if length >= 4 and uy + 1 < cb:
    copy = [px(M, x + 1, uy + 1) for x in range(ux, ux + length)]
    check('underline\'s highlight copy one pixel right and down', all(c == HILITE for c in copy), str(copy))
# Nothing of the caption is in the text colour of an enabled entry.
check('disabled caption has no enabled text colour', not text_pixels(M, caption, TEXT) or TEXT in (SHADOW, HILITE))

if style == 'enhanced':
    # Rarely used entries lie on a band of the button face with 20 more of each of red, green and blue, under a
    # line in button shadow.
    band = tuple(min(c + 20, 255) for c in FACE)
    left, top, right, bottom = parts[(M, 'rarely1')]
    expect('rarely used band', M, right - 5, top + 1, band)
    expect('rarely used band', M, right - 5, bottom - 1, band)
    expect('line above the rarely used run', M, (left + right) // 2, top - 1, SHADOW)
    left, top, right, bottom = parts[(M, 'open')]
    expect('frequently used entry on the menu face', M, right - 5, top + 1, FACE)

# ---- Hint and dock -----------------------------------------------------------------------------------------

W, Hh = sizes['hint.bmp']
expect('hint raised outer edge, left', 'hint.bmp', 0, Hh // 2, LIGHT)
expect('hint raised outer edge, bottom', 'hint.bmp', W // 2, Hh - 1, DARK)
expect('hint colour', 'hint.bmp', W - 2, 1, sysc['HINT'])

D = 'dock.bmp'
row0, row1 = parts[(D, 'row0')], parts[(D, 'row1')]
check('dock rows follow each other', row0[3] == row1[1] and row0[1] == 0, '%s %s' % (row0, row1))
check('dock is as high as its rows', sizes[D][1] == row1[3], str(sizes[D]))
toolbar = parts[(D, 'toolbar')]
expect('dock background beside the toolbar', D, (toolbar[2] + row1[2]) // 2, (row1[1] + row1[3]) // 2, FACE)

print('%s %s: %d checks, %d failed, %d known gaps, %d fixed' % (style, listing.split('/')[-1], checked, failures,
                                                              known_seen, fixed_seen))
sys.exit(1 if failures else 0)
