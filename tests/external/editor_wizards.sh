#!/usr/bin/env bash
# The editor's image-tag dialog checked with a parser nobody here wrote: test_app's HtmlTagExternal test
# (run with LOOMWICK_APP_EXTERNAL_DIR) types attributes into the dialog, quotes, markup, an entity and text
# outside ASCII among them, and writes the tags it makes to tags.txt; Python's html.parser must read every
# tag back as one img element (inside one a element when a link was typed) whose attributes are src,
# height, width, alt and border in that order, each with the value typed (an entity typed is read as the
# entity it is), and no attribute more.
# Usage: editor_wizards.sh BUILD_DIR. Exits 77 when a tool is missing.
# Budget: 60 s
set -u

build=${1:?usage: editor_wizards.sh BUILD_DIR}
build=$(cd "$build" 2>/dev/null && pwd) || { echo "skip: no build folder $1"; exit 77; }
program=$build/tests/test_app
for tool in python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skip: $tool is missing"; exit 77; }
done
[[ -x $program ]] || { echo "skip: $program is not built"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-wizards-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail=0

# ---- The image tag, read back by Python's HTML parser ------------------------------------------------------
if ! LOOMWICK_APP_EXTERNAL_DIR=$work "$program" --gtest_filter='HtmlTagExternal.*' >tags.log 2>&1 ||
    grep -q "SKIPPED" tags.log; then
    echo "FAIL: test_app's HtmlTagExternal test failed"
    cat tags.log
    exit 1
fi

python3 - <<'PY' || fail=1
import html
from html.parser import HTMLParser

class Tags(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.events = []
    def handle_starttag(self, tag, attrs):
        self.events.append(("start", tag, attrs))
    def handle_startendtag(self, tag, attrs):
        self.events.append(("start", tag, attrs))
    def handle_endtag(self, tag):
        self.events.append(("end", tag))
    def handle_data(self, data):
        self.events.append(("data", data))

bad = 0
records = open("tags.txt", encoding="utf-8").read().split("\n\n")
cases = [dict(line.split("=", 1) for line in r.split("\n")) for r in records if r.strip()]
if len(cases) < 2:
    print("FAIL tags.txt holds too few cases:", len(cases))
    bad += 1
for case in cases:
    # What a browser makes of the typed text: itself, with any entity typed read as that entity.
    typed = {k: html.unescape(case[k]) for k in ("file", "hint", "border", "link")}
    img = [("src", typed["file"]), ("height", "60"), ("width", "120")]
    if case["hint"]:
        img.append(("alt", typed["hint"]))
    if case["border"]:
        img.append(("border", typed["border"]))
    expected = [("start", "img", img)]
    if case["link"]:
        expected = [("start", "a", [("href", typed["link"])])] + expected + [("end", "a")]
    parser = Tags()
    parser.feed(case["tag"])
    parser.close()
    ok = parser.events == expected
    print(("ok   " if ok else "FAIL ") + "read back as typed: " + case["tag"])
    if not ok:
        print("     parsed:  ", parser.events)
        print("     expected:", expected)
        bad += 1
raise SystemExit(1 if bad else 0)
PY

exit $fail
