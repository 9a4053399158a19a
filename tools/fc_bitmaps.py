#!/usr/bin/env python3
"""Draws the themed controls' bitmaps into resources/bitmaps/: the ten stock glyphs of the glyph button
(FCCOMMON_OK.bmp to FCCOMMON_ALL.bmp, 32 x 16, a normal and a disabled 16 x 16 cell, 24-bit) and the five
13 x 13 marker glyphs of the check box and radio button (FCCOMMON_CHECKBOX_*.bmp, FCCOMMON_RADIOBUTTON_*.bmp,
4-bit with the sixteen standard colours), whose marker colours the controls replace when they load them. Run
it from the repository root after changing a picture here; the files it writes are committed."""
import math
import struct

# ---- BMP writers ----------------------------------------------------------------------------------------

def write_bmp24(path, rows):
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

# The sixteen standard colours, (r, g, b), in their usual order.
STANDARD16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
              (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
              (255, 0, 255), (0, 255, 255), (255, 255, 255)]

def write_bmp4(path, rows):
    h = len(rows)
    w = len(rows[0])
    stride = ((w + 1) // 2 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        idx = [STANDARD16.index(c) for c in row]
        if len(idx) % 2:
            idx.append(0)
        line = bytearray((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2))
        line += b"\0" * (stride - len(line))
        data += line
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in STANDARD16)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(data), 2835, 2835, 16, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + data)

# ---- Check box and radio markers ------------------------------------------------------------------------
# One character per pixel, rows top to bottom. The letters name marker colours (red in the first place).

MARKERS = {"G": (128, 128, 128), "F": (255, 0, 255), "R": (255, 0, 0), "W": (255, 255, 255), "B": (0, 0, 255),
           "o": (128, 128, 0), "c": (0, 255, 255), "g": (0, 128, 0), "K": (0, 0, 0), "L": (0, 255, 0),
           "Y": (255, 255, 0), "M": (128, 0, 0), "P": (128, 0, 128), "N": (0, 0, 128)}

CHECK_UNCHECKED = ["GGGGGGGGGGGGG", "GFFFFFFFFFFFG", "GFFFFFFFFFFRG"] + ["GFFWWWWWWWRRG"] * 7 + [
    "GFFRRRRRRRRRG", "GFRRRRRRRRRRG", "GGGGGGGGGGGGG"]
CHECK_CHECKED = ["GGGGGGGGGGGGG", "GFFFFFFFFFFFG", "GFFFFFFFFFFRG", "GFFWWWWWWBRRG", "GFFWWWWWBBRRG",
                 "GFFBWWWBBBRRG", "GFFBBWBBBWRRG", "GFFBBBBBWWRRG", "GFFWBBBWWWRRG", "GFFWWBWWWWRRG",
                 "GFFRRRRRRRRRG", "GFRRRRRRRRRRG", "GGGGGGGGGGGGG"]
CHECK_GRAYED = ["GGGGGGGGGGGGG", "GFFFFFFFFFFFG", "GFFFFFFFFFFRG"] + ["GFFBBBBBBBRRG"] * 7 + [
    "GFFRRRRRRRRRG", "GFRRRRRRRRRRG", "GGGGGGGGGGGGG"]
RADIO_UNCHECKED = ["oooocgKgcoooo", "oocKGLFLGKcoo", "ocgLFFFFFLgco", "oKLFFYWYFFMKo", "cGFFWWWWWRRPc",
                   "gLFYWWWWWYRMg", "KFFWWWWWWWRRK", "gLFYWWWWWYRMg", "cGFFWWWWWRRPc", "oKLFRYWYRRMKo",
                   "ocgMRRRRRMgco", "oocKPMRMPKcoo", "oooocgKgcoooo"]
RADIO_CHECKED = ["oooocgKgcoooo", "oocKGLFLGKcoo", "ocgLFFFFFLgco", "oKLFFYWYFFMKo", "cGFFWBNBWRRPc",
                 "gLFYBNNNBYRMg", "KFFWNNNNNWRRK", "gLFYBNNNBYRMg", "cGFFWBNBWRRPc", "oKLFRYWYRRMKo",
                 "ocgMRRRRRMgco", "oocKPMRMPKcoo", "oooocgKgcoooo"]

# ---- Stock glyphs -----------------------------------------------------------------------------------------

BACK = (128, 128, 0)  # the cell's bottom-left pixel: transparent when drawn

def blank():
    return [[None] * 16 for _ in range(16)]

def plot(cell, x, y, colour):
    if 0 <= x < 16 and 0 <= y < 16:
        cell[y][x] = colour

def thick_line(cell, x0, y0, x1, y1, colour, width=2):
    steps = max(abs(x1 - x0), abs(y1 - y0)) * 4 + 1
    for i in range(steps + 1):
        t = i / steps
        x = x0 + (x1 - x0) * t
        y = y0 + (y1 - y0) * t
        for dx in range(width):
            for dy in range(width):
                plot(cell, int(round(x)) + dx, int(round(y)) + dy, colour)

def ring(cell, cx, cy, radius, colour, width=2.0, gap=None):
    for y in range(16):
        for x in range(16):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if radius - width <= d <= radius:
                angle = math.degrees(math.atan2(cy - (y + 0.5), x + 0.5 - cx)) % 360
                if gap and gap[0] <= angle <= gap[1]:
                    continue
                plot(cell, x, y, colour)

def disc(cell, cx, cy, radius, colour):
    for y in range(16):
        for x in range(16):
            if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius:
                plot(cell, x, y, colour)

GREEN, RED, BLUE, NAVY, TEAL, WHITE = (0, 128, 0), (192, 0, 0), (0, 0, 255), (0, 0, 128), (0, 96, 96), (255, 255, 255)

def check(cell, colour, dy=0):
    thick_line(cell, 2, 8 + dy, 5, 11 + dy, colour)
    thick_line(cell, 5, 11 + dy, 12, 3 + dy, colour)

def glyph_ok(c): check(c, GREEN)
def glyph_yes(c): check(c, (0, 160, 0))
def glyph_cancel(c):
    thick_line(c, 3, 3, 11, 11, RED)
    thick_line(c, 11, 3, 3, 11, RED)
def glyph_no(c):
    ring(c, 8, 8, 7, RED)
    thick_line(c, 4, 4, 11, 11, RED)
def glyph_help(c):
    ring(c, 8, 5.5, 4, BLUE, gap=(190, 300))
    thick_line(c, 8, 9, 8, 10, BLUE)
    thick_line(c, 8, 12, 8, 12, BLUE)
def glyph_close(c):
    for y in range(2, 15):
        for x in range(4, 12):
            plot(c, x, y, TEAL)
    for y in range(3, 14):
        for x in range(5, 11):
            plot(c, x, y, (0, 160, 160))
    plot(c, 9, 8, WHITE)
def glyph_abort(c):
    disc(c, 8, 8, 7, RED)
    thick_line(c, 5, 7, 10, 7, WHITE)
def glyph_retry(c):
    ring(c, 8, 8, 6, GREEN, gap=(60, 120))
    for i in range(4):
        thick_line(c, 10 + i, 1 + i, 10 + i, 1 + i, GREEN, width=1)
        thick_line(c, 10, 1 + i, 13 - i, 1 + i, GREEN, width=1)
def glyph_ignore(c):
    thick_line(c, 1, 8, 11, 8, NAVY)
    for i in range(4):
        thick_line(c, 11 - i, 8 - i, 11 - i, 8 + i, NAVY, width=1)
        thick_line(c, 12 - i, 8 - i, 12 - i, 8 + i + 1, NAVY, width=1)
def glyph_all(c):
    check(c, GREEN, -2)
    check(c, (0, 160, 0), 3)

STOCK = [("OK", glyph_ok), ("CANCEL", glyph_cancel), ("HELP", glyph_help), ("YES", glyph_yes), ("NO", glyph_no),
         ("CLOSE", glyph_close), ("ABORT", glyph_abort), ("RETRY", glyph_retry), ("IGNORE", glyph_ignore),
         ("ALL", glyph_all)]

def stock_strip(draw):
    shape = blank()
    draw(shape)
    normal = [[shape[y][x] or BACK for x in range(16)] for y in range(16)]
    # The disabled cell: the shape in grey over a white copy one pixel down and right.
    disabled = [[BACK] * 16 for _ in range(16)]
    for y in range(16):
        for x in range(16):
            if shape[y][x] and x + 1 < 16 and y + 1 < 16:
                disabled[y + 1][x + 1] = WHITE
    for y in range(16):
        for x in range(16):
            if shape[y][x]:
                disabled[y][x] = (128, 128, 128)
    # The transparent pixel stays background in both cells.
    normal[15][0] = disabled[15][0] = BACK
    return [normal[y] + disabled[y] for y in range(16)]

if __name__ == "__main__":
    for name, draw in STOCK:
        write_bmp24("resources/bitmaps/FCCOMMON_%s.bmp" % name, stock_strip(draw))
    for name, art in (("CHECKBOX_UNCHECKED", CHECK_UNCHECKED), ("CHECKBOX_CHECKED", CHECK_CHECKED),
                      ("CHECKBOX_GRAYED", CHECK_GRAYED), ("RADIOBUTTON_UNCHECKED", RADIO_UNCHECKED),
                      ("RADIOBUTTON_CHECKED", RADIO_CHECKED)):
        write_bmp4("resources/bitmaps/FCCOMMON_%s.bmp" % name, [[MARKERS[ch] for ch in line] for line in art])
