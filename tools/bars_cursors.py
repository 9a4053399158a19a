#!/usr/bin/env python3
"""Draws the bar library's four drag cursors (resources/cursors/xbbardragcursor.cur, xbbardragcopycursor.cur,
xbbardragnodropcursor.cur, xbbareditsizingcursor.cur) as 32 x 32 black-and-white CUR files. Run it from the
repository root after changing a picture here; the files it writes are committed."""
import struct

SIZE = 32

# The arrow every drag cursor starts from: black inside, a white edge ("." is transparent).
ARROW = [
    "W...........",
    "WW..........",
    "WBW.........",
    "WBBW........",
    "WBBBW.......",
    "WBBBBW......",
    "WBBBBBW.....",
    "WBBBBBBW....",
    "WBBBBBBBW...",
    "WBBBBBBBBW..",
    "WBBBBBWWWWW.",
    "WBBWBBW.....",
    "WBW.WBBW....",
    "WW..WBBW....",
    "W....WBBW...",
    ".....WBBW...",
    "......WW....",
]


def blank():
    return [["."] * SIZE for _ in range(SIZE)]


def paste(canvas, art, x0, y0):
    for y, line in enumerate(art):
        for x, c in enumerate(line):
            if c != ".":
                canvas[y0 + y][x0 + x] = c


def box(canvas, x0, y0, w, h):
    """A dragged item: a white box with a black frame."""
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            edge = x in (x0, x0 + w - 1) or y in (y0, y0 + h - 1)
            canvas[y][x] = "B" if edge else "W"


def drag():
    c = blank()
    paste(c, ARROW, 0, 0)
    box(c, 9, 17, 12, 9)
    return c


def drag_copy():
    c = drag()
    # A plus sign in the box's lower right corner.
    box(c, 19, 22, 9, 9)
    for i in range(2, 7):
        c[22 + 4][19 + i] = "B"
        c[22 + i][19 + 4] = "B"
    return c


def no_drop():
    c = blank()
    paste(c, ARROW, 0, 0)
    cx, cy, r = 20, 22, 7
    for y in range(SIZE):
        for x in range(SIZE):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if (r - 2) ** 2 <= d2 <= r * r:
                c[y][x] = "B"
            elif d2 < (r - 2) ** 2:
                c[y][x] = "B" if abs((x - cx) + (y - cy)) <= 1 else "W"
            elif d2 <= (r + 1) ** 2 and c[y][x] == ".":
                c[y][x] = "W"
    return c


def edit_sizing():
    """A two-headed horizontal arrow through a vertical bar; the hot spot is the bar's middle."""
    c = blank()
    cy = 15
    for x in range(4, 28):
        for dy in (-1, 0, 1):
            c[cy + dy][x] = "B" if dy == 0 else "W"
    for i in range(1, 5):
        for dy in (-i, i):
            c[cy + dy][4 + i] = "B"
            c[cy + dy][27 - i] = "B"
    for y in range(cy - 8, cy + 9):
        c[y][15] = "B"
        c[y][16] = "B"
        for x in (14, 17):
            if c[y][x] == ".":
                c[y][x] = "W"
    return c


def write_cur(path, canvas, hot):
    stride = SIZE // 8  # 32 pixels a row: already a multiple of four bytes
    xor_rows, and_rows = [], []
    for row in reversed(canvas):  # bottom-up
        xor_bits = bytearray(stride)
        and_bits = bytearray(stride)
        for x, c in enumerate(row):
            bit = 0x80 >> (x % 8)
            if c == ".":
                and_bits[x // 8] |= bit
            elif c == "W":
                xor_bits[x // 8] |= bit
        xor_rows.append(bytes(xor_bits))
        and_rows.append(bytes(and_bits))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<II", 0x000000, 0xFFFFFF)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, hot[0], hot[1], len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    write_cur("resources/cursors/xbbardragcursor.cur", drag(), (0, 0))
    write_cur("resources/cursors/xbbardragcopycursor.cur", drag_copy(), (0, 0))
    write_cur("resources/cursors/xbbardragnodropcursor.cur", no_drop(), (0, 0))
    write_cur("resources/cursors/xbbareditsizingcursor.cur", edit_sizing(), (15, 15))
