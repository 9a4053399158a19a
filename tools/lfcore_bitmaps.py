#!/usr/bin/env python3
"""Draws the colour set's three glyph bitmaps (resources/bitmaps/xbsubmenuexpand.bmp,
xbexpandbutton_minus.bmp, xbexpandbutton_plus.bmp) as 24-bit BMP files. Run it from the repository root
after changing a picture here; the files it writes are committed."""
import struct

def write_bmp(path, rows):
    h = len(rows)
    w = len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)

def from_art(art, palette):
    return [[palette[c] for c in line] for line in art]

# The menu expand chevron: a double chevron pointing down in three shades of one blue on a magenta
# background, with a black shadow pixel under its point (black is kept when the glyph is recoloured).
SUBMENU = [
    ".........",
    ".L.....L.",
    ".ML...LM.",
    "..ML.LM..",
    "...MDM...",
    ".L..D..L.",
    ".ML...LM.",
    "..ML.LM..",
    "...MDM...",
    "....D....",
    "....K....",
]
SUBMENU_COLOURS = {".": (255, 0, 255), "L": (190, 210, 250), "M": (110, 140, 200), "D": (40, 70, 140),
                   "K": (0, 0, 0)}

def expand_button(plus):
    rows = []
    for y in range(11):
        line = ""
        for x in range(11):
            if x in (0, 10) or y in (0, 10):
                line += "F"
            elif y == 5 and 2 <= x <= 8:
                line += "S"
            elif plus and x == 5 and 2 <= y <= 8:
                line += "S"
            else:
                line += "W"
        rows.append(line)
    return rows

BUTTON_COLOURS = {"F": (120, 152, 181), "W": (255, 255, 255), "S": (0, 0, 0)}

if __name__ == "__main__":
    write_bmp("resources/bitmaps/xbsubmenuexpand.bmp", from_art(SUBMENU, SUBMENU_COLOURS))
    write_bmp("resources/bitmaps/xbexpandbutton_minus.bmp", from_art(expand_button(False), BUTTON_COLOURS))
    write_bmp("resources/bitmaps/xbexpandbutton_plus.bmp", from_art(expand_button(True), BUTTON_COLOURS))
