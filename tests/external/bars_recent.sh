#!/bin/bash
# What a short menu shows, checked against a script written from the rules alone: for 1000 random menus
# (percentages, use counts, hidden links and recent-use orders) build/tools/barsmodel answers the manager's
# least recent-use count, CalcRecentItemCount and the links shown, and a Python model of the manager's and the
# link collection's rules (with the rounding MulDiv does) must give the same lines.
# $1 is the build folder.
# Budget: 60 s
set -u
BUILD=${1:?build folder}
TOOL=$BUILD/tools/barsmodel
command -v python3 >/dev/null 2>&1 || { echo "skipped: python3 is not installed"; exit 77; }
[ -x "$TOOL" ] || { echo "missing $TOOL: build the target tool_barsmodel"; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-barsrecent.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK" <<'PY'
import random, sys
work = sys.argv[1]
rng = random.Random(36)

def muldiv(a, b, c):
    # Rounded to the nearest, halves away from zero.
    n = a * b
    q, r = divmod(abs(n), c)
    if 2 * r >= c:
        q += 1
    return q if n >= 0 else -q

def min_count(p):
    if p >= 100:
        return 0
    n = 1
    while n * (100 - p) // 100 <= 0:
        n += 1
    return n

cases, answers = [], []
for _ in range(1000):
    p = rng.choice([0, 1, 50, 95, 99, 100, rng.randint(0, 100), rng.randint(0, 100)])
    n = rng.randint(0, 12)
    counts = [rng.choice([0, 20, rng.randint(0, 60), rng.randint(0, 5)]) for _ in range(n)]
    visible = [1 if rng.random() < 0.8 else 0 for _ in range(n)]
    recent = list(range(n))
    rng.shuffle(recent)
    cases.append(" ".join(map(str, [p, n] + [x for pair in zip(counts, visible) for x in pair] + recent)))

    vis = [i for i in range(n) if visible[i]]
    v = len(vis)
    result = 0
    if v:
        lo = min(counts[i] for i in vis)
        hi = max(counts[i] for i in vis)
        c = muldiv(hi - lo, 100 - p, 100)
        for pos in range(min(v, n) - 1, -1, -1):
            if counts[recent[pos]] >= lo + c:
                result = pos + 1
                break
    if result == v:
        result = -1
    if result == -1:
        shown = vis
    else:
        shown = sorted([i for i in recent if visible[i]][:result])
    answers.append(" ".join(map(str, [min_count(p), result] + shown)))

open(f"{work}/cases.txt", "w").write("\n".join(cases) + "\n")
open(f"{work}/model.txt", "w").write("\n".join(answers) + "\n")
PY

"$TOOL" < "$WORK/cases.txt" > "$WORK/ours.txt" || { echo "FAIL: barsmodel"; exit 1; }
if cmp -s "$WORK/ours.txt" "$WORK/model.txt"; then
    echo "ok: 1000 menus agree with the model"
else
    echo "FAIL: barsmodel and the model differ"
    diff <(paste -d" | " "$WORK/cases.txt" "$WORK/ours.txt") <(paste -d" | " "$WORK/cases.txt" "$WORK/model.txt") | head -10
    exit 1
fi
