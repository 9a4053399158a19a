#!/bin/bash
# The look-and-feel library's bitmap turns, size grips and colour formulas, checked against programs
# nobody here wrote: RotateBitmap's eight turns and flips of a 3 by 2 bitmap of unique pixels are
# ImageMagick's identity, -flip, -rotate 270, -transpose, -rotate 90, -transverse, -rotate 180 and -flop;
# PaintSizeGrip's cells for corners 2, 1 and 0 are corner 3's cell after -flop, -flip and both; and a
# Python script written from the formulas (MixColors, GetBlendedSystemColor, the banded and the two-stage
# gradient, with the rounding MulDiv does) gives what build/tools/lfcore gives on 500 random inputs.
# $1 is the build folder.
# Budget: 120 s
set -u
BUILD=${1:?build folder}
TOOL=$BUILD/tools/lfcore
for tool in convert python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$TOOL" ] || { echo "missing $TOOL: build the target tool_lfcore"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-lfcore.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
fail=0

# Pixels of a picture as text, one "x,y: colour" line each, for comparing two pictures exactly.
pixels() { convert "$1" -depth 8 txt:- | tail -n +2 | sed 's/ *#.*//; s/  */ /g'; }
same() { # name, our picture, ImageMagick's
    if [ "$(pixels "$2")" == "$(pixels "$3")" ]; then
        echo "ok: $1"
    else
        echo "FAIL: $1"
        diff <(pixels "$2") <(pixels "$3") | head -10
        fail=1
    fi
}

"$TOOL" rotate "$WORK" || { echo "FAIL: lfcore rotate"; exit 1; }
declare -A ROTATE=([0-0]="" [0-1]="-flip" [1-0]="-rotate 270" [1-1]="-transpose" [2-0]="-rotate 90"
                   [2-1]="-transverse" [3-0]="-rotate 180" [3-1]="-flop")
for key in 0-0 0-1 1-0 1-1 2-0 2-1 3-0 3-1; do
    # shellcheck disable=SC2086
    convert "$WORK/in.bmp" ${ROTATE[$key]} "$WORK/magick-$key.ppm" || { echo "FAIL: convert ${ROTATE[$key]}"; exit 1; }
    same "RotateBitmap angle ${key%-*} flip ${key#*-} is ImageMagick's ${ROTATE[$key]:-identity}" \
        "$WORK/rot-$key.bmp" "$WORK/magick-$key.ppm"
done

"$TOOL" grip "$WORK" || { echo "FAIL: lfcore grip"; exit 1; }
declare -A MIRROR=([2]="-flop" [1]="-flip" [0]="-flip -flop")
for corner in 2 1 0; do
    # shellcheck disable=SC2086
    convert "$WORK/grip-3.bmp" ${MIRROR[$corner]} "$WORK/grip-3-as-$corner.ppm"
    same "size grip corner $corner is corner 3 after ${MIRROR[$corner]}" "$WORK/grip-$corner.bmp" "$WORK/grip-3-as-$corner.ppm"
done

python3 - "$TOOL" "$WORK" <<'PY' || fail=1
import random, subprocess, sys

tool, work = sys.argv[1], sys.argv[2]
random.seed(20261211)

def muldiv(a, b, c):
    # Rounds to the nearest integer, halves away from zero; -1 for a zero divisor.
    if c == 0:
        return -1
    p = a * b
    q = abs(p) // abs(c)
    if 2 * (abs(p) - q * abs(c)) >= abs(c):
        q += 1
    return q if (p < 0) == (c < 0) else -q

def channels(c):
    return [c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF]

def pack(r, g, b):
    return r | (g << 8) | (b << 16)

def mix(a, b, p):
    return pack(*[min(muldiv(cb, 100 - p, 100) + muldiv(ca, p, 100), 255) for ca, cb in zip(channels(a), channels(b))])

def blend(f, h, w, face, hi, window):
    if face in (0, 0xFFFFFF):
        return hi
    return pack(*[max(0, min(255, muldiv(cf, f, 100) + muldiv(ch, h, 100) + muldiv(cw, w, 100)))
                  for cf, ch, cw in zip(channels(face), channels(hi), channels(window))])

def gradient(length, frm, to):
    if frm == to:
        return [frm] * length
    n = min(length, 256)
    def band(j):
        if n == 1:
            return frm
        return pack(*[f + muldiv(j, t - f, n - 1) for f, t in zip(channels(frm), channels(to))])
    out, begin = [], 0
    for j in range(n):
        end = muldiv(j + 1, length, n)
        if end > begin:
            out += [band(j)] * (end - begin)
            begin = end
        if end >= length:
            break
    return out

def twostage(length, frm, to, p):
    if frm == to:
        return [frm] * length
    half = length // 2
    def value(i, f, t):
        m = f - muldiv(f - t, p, 200)
        if i < half:
            s = f - muldiv(f - m, length, half)
            v = f + muldiv(i, s - f, length - 1)
        elif i == half:
            v = m
        else:
            tt = t + muldiv(m - t, length, half)
            v = tt + muldiv(i, t - tt, length - 1)
        return v & 0xFF
    return [pack(*[value(i, f, t) for f, t in zip(channels(frm), channels(to))]) for i in range(length)]

def colour():
    return random.randrange(0x1000000)

cases, expected = [], []
for _ in range(500):
    kind = random.choice(["mix", "blend", "gradient", "twostage"])
    if kind == "mix":
        a, b, p = colour(), colour(), random.randint(0, 100)
        cases.append(f"mix {a} {b} {p}")
        expected.append(f"{mix(a, b, p):06x}")
    elif kind == "blend":
        f, h, w = (random.randint(-50, 120) for _ in range(3))
        face = random.choice([colour(), colour(), colour(), 0, 0xFFFFFF])
        hi, window = colour(), colour()
        cases.append(f"blend {f} {h} {w} {face} {hi} {window}")
        expected.append(f"{blend(f, h, w, face, hi, window):06x}")
    else:
        length = random.choice([1, 2, 3, random.randint(1, 40), random.randint(1, 600)])
        frm, to = colour(), colour()
        if kind == "gradient":
            cases.append(f"gradient {length} {frm} {to}")
            row = gradient(length, frm, to)
        else:
            p = random.choice([41, 125, 40, 75, random.randint(0, 200)])
            cases.append(f"twostage {length} {frm} {to} {p}")
            row = twostage(length, frm, to, p)
        expected.append(" ".join(f"{c:06x}" for c in row))

with open(f"{work}/cases.txt", "w") as f:
    f.write("\n".join(cases) + "\n")
got = subprocess.run([tool, "colors", f"{work}/cases.txt"], capture_output=True, text=True, check=True).stdout.splitlines()
bad = [i for i, (g, e) in enumerate(zip(got, expected)) if g != e]
if len(got) != len(expected) or bad:
    print(f"FAIL: colour formulas: {len(bad)} of {len(expected)} answers differ ({len(got)} given)")
    for i in bad[:5]:
        print(f"  {cases[i]}\n    tool   {got[i][:120]}\n    script {expected[i][:120]}")
    sys.exit(1)
counts = {k: sum(c.startswith(k) for c in cases) for k in ("mix", "blend", "gradient", "twostage")}
print(f"ok: colour formulas agree on 500 random inputs ({counts})")
PY
exit $fail
