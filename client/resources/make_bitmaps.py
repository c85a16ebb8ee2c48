#!/usr/bin/env python3
"""Draws Parcelon's pictures as 24-bit bitmaps for the resource compiler: the dialog's
112 x 15 strip of seven 16-pixel list images (magenta shows through), its 675 x 50 banner,
the 16 x 16 face of the "Parcelon" button on white (the add-in turns white into the
system's button colour) and the same parcel drawn at 32 x 32 for the large ribbon button.

    make_bitmaps.py OUTPUT_FOLDER   writes FileIcons.bmp, Banner.bmp, ButtonFace.bmp and
                                    RibbonFace.bmp there
"""
import math
import os
import struct
import sys

PALETTE = {
    '.': (255, 0, 255),   # transparent
    'k': (0, 0, 0),
    'g': (128, 128, 128),
    'l': (192, 192, 192),
    'w': (255, 255, 255),
    'y': (255, 214, 90),
    'o': (204, 150, 40),
    'b': (30, 90, 200),
    'c': (150, 210, 255),
    'G': (20, 160, 40),
}

FIXED_DISK = """
................
................
................
................
..kkkkkkkkkkkk..
.kllllllllllllk.
.kwwwwwwwwwwwwk.
.kllllllllllllk.
.kllllllllllGlk.
.kllllllllllllk.
.kggggggggggggk.
..kkkkkkkkkkkk..
................
................
................
"""

FLOPPY = """
................
..kkkkkkkkkkkk..
..kbbkwwwwkbbk..
..kbbkwwgwkbbk..
..kbbkwwgwkbbk..
..kbbkwwwwkbbk..
..kbbbbbbbbbbk..
..kbbbbbbbbbbk..
..kbwwwwwwwwbk..
..kbwkkkkkkwbk..
..kbwwwwwwwwbk..
..kbwkkkkkkwbk..
..kbwwwwwwwwbk..
..kkkkkkkkkkkk..
................
"""

FOLDER = """
................
................
.kkkkk..........
kyyyyyk.........
kyyyyyykkkkkkkk.
kyyyyyyyyyyyyyk.
kyyyyyyyyyyyyyk.
kyyyyyyyyyyyyyk.
kyyyyyyyyyyyyyk.
kyyyyyyyyyyyyyk.
koooooooooooook.
kkkkkkkkkkkkkkk.
................
................
................
"""

NETWORK = """
................
.kkkkkk.........
.kbbbbk.........
.kbbbbk.........
.kkkkkk.........
...kk...........
..kkkk..........
...k............
...kkkkkkkkk....
...........k....
.........kkkkkk.
.........kbbbbk.
.........kbbbbk.
.........kkkkkk.
..........kkkk..
"""

DOCUMENT = """
..kkkkkkkk......
..kwwwwwwkk.....
..kwwwwwwklk....
..kwwwwwwkkkk...
..kwgggggwwwk...
..kwwwwwwwwwk...
..kwgggggggwk...
..kwwwwwwwwwk...
..kwgggggggwk...
..kwwwwwwwwwk...
..kwgggggggwk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kkkkkkkkkkk...
................
"""

UP_ARROW = """
................
.......kk.......
......kGGk......
.....kGGGGk.....
....kGGGGGGk....
...kGGGGGGGGk...
..kkkkGGGGkkkk..
.....kGGGGk.....
.....kGGGGk.....
.....kGGGGk.....
.....kGGGGk.....
.....kGGGGk.....
.....kkkkkk.....
................
................
"""


def from_art(art):
    rows = art.strip('\n').split('\n')
    assert len(rows) == 15 and all(len(r) == 16 for r in rows), art
    return [[PALETTE[c] for c in row] for row in rows]


def compact_disc():
    pixels = []
    for y in range(15):
        row = []
        for x in range(16):
            dx, dy = x - 7.5, y - 7.0
            d = math.hypot(dx, dy)
            if d > 7.2 or d < 1.4:
                row.append(PALETTE['.'])
            elif d > 6.3:
                row.append(PALETTE['k'])
            elif d < 2.4:
                row.append(PALETTE['g'])
            elif -0.9 < math.atan2(dy, dx) < -0.2 or 2.2 < math.atan2(dy, dx) < 2.9:
                row.append(PALETTE['c'])
            else:
                row.append(PALETTE['l'])
        pixels.append(row)
    return pixels


def icon_strip():
    icons = [from_art(FIXED_DISK), from_art(FLOPPY), compact_disc(), from_art(FOLDER),
             from_art(NETWORK), from_art(DOCUMENT), from_art(UP_ARROW)]
    return [sum((icon[y] for icon in icons), []) for y in range(15)]


GLYPHS = {
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'C': ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
}


def banner(width=675, height=50):
    pixels = []
    for y in range(height):
        row = []
        for x in range(width):
            t = x / (width - 1)
            row.append((int(20 + 10 * t), int(60 + 90 * t), int(140 + 40 * t)))
        pixels.append(row)

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                pixels[y][x] = colour

    # A parcel tied with a cross of tape.
    fill(14, 9, 56, 43, (60, 40, 20))
    fill(16, 11, 54, 41, (196, 144, 84))
    fill(33, 11, 37, 41, (250, 230, 180))
    fill(16, 24, 54, 28, (250, 230, 180))

    scale, x = 4, 72
    for letter in "PARCELON":
        for gy, line in enumerate(GLYPHS[letter]):
            for gx, bit in enumerate(line):
                if bit == '1':
                    fill(x + gx * scale, 11 + gy * scale, x + (gx + 1) * scale, 11 + (gy + 1) * scale,
                         (255, 255, 255))
        x += 5 * scale + 8
    return pixels


def button_face(scale=1):
    """A parcel tied with string, its bow on top, drawn on a 16-pixel grid of `scale`-pixel cells."""
    white, box, edge, string, flap = (255, 255, 255), (196, 140, 72), (120, 78, 30), (200, 30, 40), (222, 176, 110)
    cells = [[white] * 16 for _ in range(16)]
    for y in range(4, 15):
        for x in range(1, 15):
            cells[y][x] = edge if y in (4, 14) or x in (1, 14) else (flap if y < 7 else box)
    for y in range(4, 15):
        cells[y][7] = cells[y][8] = string
    for x in range(1, 15):
        cells[9][x] = string
    for x, y in ((5, 2), (6, 3), (9, 3), (10, 2), (4, 3), (11, 3), (7, 3), (8, 3)):
        cells[y][x] = string
    return [[cells[y // scale][x // scale] for x in range(16 * scale)] for y in range(16 * scale)]


def write_bmp(path, pixels):
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        body += line + bytes(stride - len(line))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(body), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + body)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, 'FileIcons.bmp'), icon_strip())
    write_bmp(os.path.join(out, 'Banner.bmp'), banner())
    write_bmp(os.path.join(out, 'ButtonFace.bmp'), button_face())
    write_bmp(os.path.join(out, 'RibbonFace.bmp'), button_face(scale=2))


if __name__ == '__main__':
    main()
