# Compares a picture written by picdump (PAM) with what it should show.
#   metafile_compare.py expect NAME OURS.pam: the points expect.txt (in the current folder) lists for NAME,
#     as "NAME x y r g b" lines, hold their colour within 10% colour distance;
#   metafile_compare.py reference OURS.pam REF.ppm: at least 95% of our pixels lie within 10% colour distance
#     of the reference pixel at the same place (the reference scaled to our size) or one of its neighbours.
import sys

def read(path):
    data = open(path, 'rb').read()
    if data.startswith(b'P7'):
        head, _, body = data.partition(b'ENDHDR\n')
        fields = dict(l.split(b' ', 1) for l in head.split(b'\n')[1:] if b' ' in l)
        w, h, d = int(fields[b'WIDTH']), int(fields[b'HEIGHT']), int(fields[b'DEPTH'])
        return w, h, [tuple(body[(y * w + x) * d:(y * w + x) * d + 3]) for y in range(h) for x in range(w)]
    parts = data.split(maxsplit=4)
    w, h = int(parts[1]), int(parts[2])
    body = parts[4]
    return w, h, [tuple(body[i * 3:i * 3 + 3]) for i in range(w * h)]

def close(a, b):
    return sum((x - y) ** 2 for x, y in zip(a, b)) ** 0.5 <= 0.1 * (3 * 255 ** 2) ** 0.5

if sys.argv[1] == 'expect':
    name, ours = sys.argv[2], sys.argv[3]
    w, h, px = read(ours)
    bad = []
    for line in open('expect.txt'):
        f, x, y, r, g, b = line.split()
        if f != name:
            continue
        x, y = int(x), int(y)
        got = px[y * w + x]
        if not close(got, (int(r), int(g), int(b))):
            bad.append('(%d,%d) is %s, not %s' % (x, y, got, (r, g, b)))
    print('; '.join(bad) if bad else 'ok')
    sys.exit(1 if bad else 0)

ours, ref = sys.argv[2], sys.argv[3]
w, h, a = read(ours)
rw, rh, b = read(ref)
good = 0
for y in range(h):
    for x in range(w):
        rx, ry = x * rw // w, y * rh // h
        near = [b[yy * rw + xx] for yy in range(max(ry - 1, 0), min(ry + 2, rh))
                for xx in range(max(rx - 1, 0), min(rx + 2, rw))]
        good += any(close(a[y * w + x], c) for c in near)
share = good / (w * h)
print('%.1f%% of %dx%d pixels agree (reference %dx%d)' % (100 * share, w, h, rw, rh))
sys.exit(0 if share >= 0.95 else 1)
