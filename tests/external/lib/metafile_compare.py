# Compares pictures written by picdump (PAM) with what they should show, any number in one run (a Python
# start costs more than a comparison). One line per picture, in the order given; exit 1 when any fails.
#   metafile_compare.py expect NAME OURS.pam [NAME OURS.pam ...]: the points expect.txt (in the current
#     folder) lists for NAME, as "NAME x y r g b" lines, hold their colour within 10% colour distance;
#   metafile_compare.py reference OURS.pam REF.ppm [OURS.pam REF.ppm ...]: at least 95% of our pixels lie
#     within 10% colour distance of the reference pixel at the same place (the reference scaled to our size)
#     or one of its neighbours.
import sys

LIMIT = 0.01 * 3 * 255 ** 2  # 10% of the largest colour distance, squared

def read(path):
    data = open(path, 'rb').read()
    if data.startswith(b'P7'):
        head, _, body = data.partition(b'ENDHDR\n')
        fields = dict(l.split(b' ', 1) for l in head.split(b'\n')[1:] if b' ' in l)
        w, h, d = int(fields[b'WIDTH']), int(fields[b'HEIGHT']), int(fields[b'DEPTH'])
        return w, h, [tuple(body[i * d:i * d + 3]) for i in range(w * h)]
    parts = data.split(maxsplit=4)
    w, h = int(parts[1]), int(parts[2])
    body = parts[4]
    return w, h, [tuple(body[i * 3:i * 3 + 3]) for i in range(w * h)]

def close(a, b):
    return (a[0] - b[0]) ** 2 + (a[1] - b[1]) ** 2 + (a[2] - b[2]) ** 2 <= LIMIT

def expect(name, ours, points):
    w, h, px = read(ours)
    bad = []
    for f, x, y, r, g, b in points:
        if f != name:
            continue
        x, y = int(x), int(y)
        got = px[y * w + x]
        if not close(got, (int(r), int(g), int(b))):
            bad.append('(%d,%d) is %s, not %s' % (x, y, got, (r, g, b)))
    return ('; '.join(bad) if bad else 'ok'), not bad

def reference(ours, ref):
    w, h, a = read(ours)
    rw, rh, b = read(ref)
    good = 0
    for y in range(h):
        ry = y * rh // h
        rows = range(max(ry - 1, 0), min(ry + 2, rh))
        for x in range(w):
            rx = x * rw // w
            p = a[y * w + x]
            # The pixel at the same place first: most agree there.
            if close(p, b[ry * rw + rx]) or any(
                    close(p, b[yy * rw + xx]) for yy in rows for xx in range(max(rx - 1, 0), min(rx + 2, rw))):
                good += 1
    share = good / (w * h)
    return '%.1f%% of %dx%d pixels agree (reference %dx%d)' % (100 * share, w, h, rw, rh), share >= 0.95

mode, args = sys.argv[1], sys.argv[2:]
points = [line.split() for line in open('expect.txt')] if mode == 'expect' else []
failed = False
for i in range(0, len(args) - 1, 2):
    text, ok = expect(args[i], args[i + 1], points) if mode == 'expect' else reference(args[i], args[i + 1])
    print(text, flush=True)
    failed |= not ok
sys.exit(1 if failed else 0)
