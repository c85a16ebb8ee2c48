#!/usr/bin/env python3
"""Draws the face of the "Parcelon" button: a 16 x 16, 24-bit bitmap on a white
background (the add-in turns white into the system's button colour), a parcel tied
with string. Usage: make-button-face.py OUTPUT.bmp"""
import struct
import sys

SIZE = 16
WHITE = (255, 255, 255)
BOX = (196, 140, 72)
EDGE = (120, 78, 30)
STRING = (200, 30, 40)
FLAP = (222, 176, 110)


def draw():
    pixels = [[WHITE] * SIZE for _ in range(SIZE)]  # rows from the top
    for y in range(4, 15):
        for x in range(1, 15):
            edge = y in (4, 14) or x in (1, 14)
            pixels[y][x] = EDGE if edge else (FLAP if y < 7 else BOX)
    for y in range(4, 15):
        pixels[y][7] = pixels[y][8] = STRING
    for x in range(1, 15):
        pixels[9][x] = STRING
    # the bow on top
    for x, y in ((5, 2), (6, 3), (9, 3), (10, 2), (4, 3), (11, 3), (7, 3), (8, 3)):
        pixels[y][x] = STRING
    return pixels


def bmp(pixels):
    row_bytes = SIZE * 3  # 48: a multiple of 4, so rows have no padding
    image = b"".join(bytes(c for p in row for c in (p[2], p[1], p[0])) for row in reversed(pixels))
    assert len(image) == row_bytes * SIZE
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    offset = 14 + len(header)
    return struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset) + header + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(bmp(draw()))


if __name__ == "__main__":
    main()
