#!/bin/bash
# The control set's colour routines against Python's colorsys: 4096 random colours of each kind go through
# tools/fcroutines in one run. ColorToHSL240 is rgb_to_hls times 240, HSL240ToColor is hls_to_rgb(H/239, L/240,
# S/240) times 255 (both rounded half to even), BlendColors mixes with the weight rounded to single
# precision. Every answer must agree, except a value within 1e-9 of a half, where either neighbour counts
# (the two sides compute in a different order). 1000 random values with 0 to 4 decimals go through the spin
# edit's formatting ("spin V D") and must equal Python's decimal: the value to 18 significant digits (half
# to even, as the exact binary value rounds), then D decimals rounded half up. $1 is the build folder.
# Budget: 60 s
set -u
BUILD=${1:?build folder}
TOOL=$BUILD/tools/fcroutines
command -v python3 >/dev/null 2>&1 || { echo "skipped: python3 is not installed"; exit 77; }
[ -x "$TOOL" ] || { echo "missing $TOOL: build the target tool_fcroutines"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-fc-routines.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK/cases.txt" <<'PY' || exit 1
import random, sys
rnd = random.Random(20261211)
with open(sys.argv[1], "w") as out:
    for _ in range(4096):
        out.write("hsl %d %d %d\n" % (rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)))
    for _ in range(4096):
        out.write("rgb %d %d %d\n" % (rnd.randrange(240), rnd.randrange(241), rnd.randrange(241)))
    for _ in range(4096):
        out.write("blend %d %d %d\n" % (rnd.randrange(1 << 24), rnd.randrange(1 << 24), rnd.randrange(256)))
    # The ends of each scale.
    for r, g, b in [(0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 255, 0), (0, 0, 255), (128, 128, 128)]:
        out.write("hsl %d %d %d\n" % (r, g, b))
    for h, s, l in [(0, 0, 0), (0, 240, 120), (160, 240, 120), (239, 240, 120), (80, 0, 240), (200, 240, 240)]:
        out.write("rgb %d %d %d\n" % (h, s, l))
    for c1, c2, w in [(0, 0xFFFFFF, 30), (0x123456, 0xABCDEF, 0), (0x123456, 0xABCDEF, 255)]:
        out.write("blend %d %d %d\n" % (c1, c2, w))
    # Spin values: uniform ones, and near halves of the last decimal (k / 8, k * 0.005, k * 0.0005).
    for i in range(1000):
        kind = i % 4
        if kind == 0:
            v = rnd.uniform(-100000, 100000)
        elif kind == 1:
            v = rnd.randrange(-8000, 8000) / 8
        elif kind == 2:
            v = rnd.randrange(-20000, 20000) * 0.005
        else:
            v = rnd.randrange(-20000, 20000) * 0.0005
        out.write("spin %r %d\n" % (v, rnd.randrange(5)))
PY

"$TOOL" < "$WORK/cases.txt" > "$WORK/answers.txt" || { echo "FAIL: fcroutines reported unreadable lines"; exit 1; }

python3 - "$WORK/cases.txt" "$WORK/answers.txt" <<'PY'
import colorsys, decimal, math, struct, sys

def allowed(x):
    """The integers an exact value may round to: half to even, or either neighbour within 1e-9 of a half."""
    lo = math.floor(x)
    if abs(x - lo - 0.5) < 1e-9:
        return {lo, lo + 1}
    return {round(x)}

def single(x):
    return struct.unpack("f", struct.pack("f", x))[0]

cases = [l.split() for l in open(sys.argv[1])]
answers = [l.split() for l in open(sys.argv[2])]
if len(cases) != len(answers):
    print("FAIL: %d cases, %d answers" % (len(cases), len(answers)))
    sys.exit(1)
bad = 0
near_half = 0
spins = 0

def spin_text(value, decimals):
    d = decimal.Decimal(value)  # the exact binary value
    if d != 0:
        ctx = decimal.Context(prec=18, rounding=decimal.ROUND_HALF_EVEN)
        d = ctx.plus(d)
    q = d.quantize(decimal.Decimal(1).scaleb(-decimals), rounding=decimal.ROUND_HALF_UP)
    text = format(q, "f")
    if text.startswith("-") and text.strip("-0.") == "":
        text = text[1:]
    return text

for case, got in zip(cases, answers):
    if case[0] == "spin":
        spins += 1
        expected = spin_text(float(case[1]), int(case[2]))
        if got != [expected]:
            bad += 1
            if bad <= 10:
                print("FAIL: %s gives %s, decimal %s" % (" ".join(case), " ".join(got), expected))
        continue
    op, a, b, c = case[0], int(case[1]), int(case[2]), int(case[3])
    if op == "hsl":
        h, l, s = colorsys.rgb_to_hls(a / 255, b / 255, c / 255)
        exact = [h * 240, s * 240, l * 240]
    elif op == "rgb":
        r, g, bl = colorsys.hls_to_rgb(a / 239, c / 240, b / 240)
        exact = [r * 255, g * 255, bl * 255]
    else:
        w = single(c / 255)
        exact = [((a >> s) & 255) * w + (1 - w) * ((b >> s) & 255) for s in (0, 8, 16)]
    values = [int(v) for v in got]
    for x, v in zip(exact, values):
        choices = allowed(x)
        if len(choices) > 1:
            near_half += 1
        if v not in choices:
            bad += 1
            if bad <= 10:
                print("FAIL: %s gives %s, colorsys %s" % (" ".join(case), " ".join(got), ["%.6f" % e for e in exact]))
            break
print("%d answers (%d spin texts), %d disagree, %d values within 1e-9 of a half" % (len(cases), spins, bad, near_half))
sys.exit(1 if bad else 0)
PY
