#!/usr/bin/env python3
"""Draws Parcelon's pictures for the resource compiler, each at 100, 125, 150 and 200 percent
of its size at 96 DPI, from shapes rather than by scaling pixels, so that every size is sharp:
the dialog's strip of seven list images (16 x 15 each at 100 %, magenta shows through), its
banner (507 x 40), the 16 x 16 face of the "Parcelon" button on white (the add-in turns white
into the system's button colour) and the 32 x 32 ribbon picture, 32-bit with alpha (premultiplied)
around the parcel.

    make_bitmaps.py OUTPUT_FOLDER   writes FileIcons.bmp, Banner.bmp, ButtonFace.bmp and
                                    RibbonFace.bmp there, and NAME-125.bmp, NAME-150.bmp and
                                    NAME-200.bmp beside each
"""
import math
import os
import struct
import sys

SCALES = (100, 125, 150, 200)

TRANSPARENT = (255, 0, 255)
BLACK, GREY, LIGHT, WHITE = (0, 0, 0), (128, 128, 128), (192, 192, 192), (255, 255, 255)
YELLOW, OCHRE, BLUE, CYAN, GREEN = (255, 214, 90), (204, 150, 40), (30, 90, 200), (150, 210, 255), (20, 160, 40)


class Canvas:
    """A picture of `width` x `height` units drawn at `scale` pixels per unit. Rectangles snap
    their edges to whole pixels and outlines are a whole number of pixels wide; other shapes
    cover the pixels whose centres lie inside them."""

    def __init__(self, width, height, scale, background):
        self.scale = scale
        self.width, self.height = self.px(width), self.px(height)
        self.pixels = [[background] * self.width for _ in range(self.height)]
        self.line = max(1, self.px(1))

    def px(self, units):
        # Halves round up, as the add-in's own arithmetic does.
        return math.floor(units * self.scale + 0.5)

    def fill_pixels(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        self.fill_pixels(self.px(x0), self.px(y0), self.px(x1), self.px(y1), colour)

    def box(self, x0, y0, x1, y1, fill, edge):
        a, b, c, d = self.px(x0), self.px(y0), self.px(x1), self.px(y1)
        self.fill_pixels(a, b, c, d, edge)
        self.fill_pixels(a + self.line, b + self.line, c - self.line, d - self.line, fill)

    def covered(self, inside, colour):
        for y in range(self.height):
            for x in range(self.width):
                if inside((x + 0.5) / self.scale, (y + 0.5) / self.scale):
                    self.pixels[y][x] = colour

    def polygon(self, points, colour):
        def inside(px, py):
            hit = False
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay > py) != (by > py) and px < ax + (py - ay) * (bx - ax) / (by - ay):
                    hit = not hit
            return hit
        self.covered(inside, colour)

    def ring(self, cx, cy, inner, outer, colour, angles=None):
        def inside(px, py):
            d = math.hypot(px - cx, py - cy)
            if not inner <= d < outer:
                return False
            return angles is None or any(a <= math.atan2(py - cy, px - cx) < b for a, b in angles)
        self.covered(inside, colour)


def fixed_disk(c):
    c.box(1, 4, 15, 12, LIGHT, BLACK)
    c.rect(2, 6, 14, 7, WHITE)
    c.rect(2, 10, 14, 11, GREY)
    c.rect(12, 8, 13, 9, GREEN)


def floppy(c):
    c.box(2, 1, 14, 14, BLUE, BLACK)
    c.box(5, 1, 11, 6, WHITE, BLACK)
    c.rect(8, 2, 9, 5, GREY)
    c.rect(3, 8, 13, 13, WHITE)
    for y in (9, 11):
        c.rect(4, y, 12, y + 1, BLACK)


def compact_disc(c):
    c.ring(8, 7.5, 6.3, 7.3, BLACK)
    c.ring(8, 7.5, 2.4, 6.3, LIGHT)
    c.ring(8, 7.5, 2.4, 6.3, CYAN, angles=((-0.9, -0.2), (2.2, 2.9)))
    c.ring(8, 7.5, 1.3, 2.4, GREY)


def folder(c):
    c.polygon([(0, 3), (1, 2), (5, 2), (7, 4), (7, 5), (0, 5)], BLACK)
    c.polygon([(1, 3), (5, 3), (6, 4.5), (1, 4.5)], YELLOW)
    c.box(0, 4, 15, 12, YELLOW, BLACK)
    c.rect(1, 10, 14, 11, OCHRE)


def network(c):
    for x, y in ((1, 1), (9, 10)):
        c.box(x, y, x + 6, y + 4, BLUE, BLACK)
    c.rect(3, 5, 4, 9, BLACK)
    c.rect(3, 8, 12, 9, BLACK)
    c.rect(11, 8, 12, 10, BLACK)
    c.rect(10, 14, 14, 15, BLACK)


def document(c):
    c.polygon([(2, 0), (10, 0), (13, 3), (13, 14), (2, 14)], BLACK)
    c.polygon([(3, 1), (9.5, 1), (12, 3.5), (12, 13), (3, 13)], WHITE)
    c.polygon([(9, 0.5), (12.5, 4), (9, 4)], LIGHT)
    for y in (5, 7, 9, 11):
        c.rect(4, y, 11 if y > 5 else 8, y + 1, GREY)


def up_arrow(c):
    c.polygon([(8, 0.5), (15, 7), (11, 7), (11, 13), (5, 13), (5, 7), (1, 7)], BLACK)
    c.polygon([(8, 2), (12.5, 6), (10, 6), (10, 12), (6, 12), (6, 6), (3.5, 6)], GREEN)


def icon_strip(scale):
    icons = [fixed_disk, floppy, compact_disc, folder, network, document, up_arrow]
    cells = []
    for draw in icons:
        canvas = Canvas(16, 15, scale, TRANSPARENT)
        draw(canvas)
        cells.append(canvas.pixels)
    return [sum((cell[y] for cell in cells), []) for y in range(len(cells[0]))]


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


def banner(scale):
    c = Canvas(507, 40, scale, (0, 0, 0))
    for x in range(c.width):
        t = x / (c.width - 1)
        c.fill_pixels(x, 0, x + 1, c.height, (int(20 + 10 * t), int(60 + 90 * t), int(140 + 40 * t)))
    tape = (250, 230, 180)
    # A parcel tied with a cross of tape, then the name in block letters.
    c.box(10, 6, 46, 34, (196, 144, 84), (60, 40, 20))
    c.rect(26, 7, 30, 33, tape)
    c.rect(11, 18, 45, 22, tape)
    x, cell = 60, 3.5
    for letter in "PARCELON":
        for gy, line in enumerate(GLYPHS[letter]):
            for gx, bit in enumerate(line):
                if bit == '1':
                    c.rect(x + gx * cell, 8 + gy * cell, x + (gx + 1) * cell, 8 + (gy + 1) * cell, WHITE)
        x += 5 * cell + 7
    return c.pixels


def parcel(c, background):
    """A parcel tied with string, its bow on top, on a 16-unit square."""
    box, edge, string, flap = (196, 140, 72), (120, 78, 30), (200, 30, 40), (222, 176, 110)
    c.box(1, 4, 15, 15, box, edge)
    c.fill_pixels(c.px(1) + c.line, c.px(4) + c.line, c.px(15) - c.line, c.px(7), flap)
    c.rect(7, 4, 9, 15, string)
    c.rect(1, 9, 15, 10, string)
    c.polygon([(8, 4), (4, 1.5), (4, 4)], string)
    c.polygon([(8, 4), (12, 1.5), (12, 4)], string)
    c.ring(8, 4, 0, 1, string)
    return c.pixels


def button_face(scale):
    return parcel(Canvas(16, 16, scale, WHITE), WHITE)


def ribbon_face(scale):
    """The parcel at twice the button's size; alpha 0 around it."""
    c = Canvas(16, 16, 2 * scale, None)
    parcel(c, None)
    return [[(0, 0, 0, 0) if p is None else p + (255,) for p in row] for row in c.pixels]


def send_icon_image(scale):
    """ParcelonSend's icon: the parcel on 16 units at `scale`, alpha 0 around it."""
    c = Canvas(16, 16, scale, None)
    parcel(c, None)
    return [[(0, 0, 0, 0) if p is None else p + (255,) for p in row] for row in c.pixels]


def write_ico(path, images):
    """An icon file of 32-bit images with alpha, each with its (empty) AND mask."""
    entries, bodies = b'', b''
    offset = 6 + 16 * len(images)
    for pixels in images:
        height, width = len(pixels), len(pixels[0])
        mask_stride = ((width + 31) // 32) * 4
        info = struct.pack('<IiiHHIIiiII', 40, width, 2 * height, 1, 32, 0, 0, 0, 0, 0, 0)
        colour = b''.join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(pixels) for p in row)
        body = info + colour + bytes(mask_stride * height)
        entries += struct.pack('<BBBBHHII', width % 256, height % 256, 0, 0, 1, 32, len(body), offset)
        bodies += body
        offset += len(body)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, len(images)) + entries + bodies)


def write_bmp(path, pixels):
    height, width = len(pixels), len(pixels[0])
    depth = 8 * len(pixels[0][0])
    stride = (width * depth // 8 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for p in row:
            line += bytes((p[2], p[1], p[0]) + tuple(p[3:]))
        body += line + bytes(stride - len(line))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(body), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, depth, 0, len(body), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + body)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, draw in (('FileIcons', icon_strip), ('Banner', banner), ('ButtonFace', button_face),
                       ('RibbonFace', ribbon_face)):
        for percent in SCALES:
            suffix = '' if percent == 100 else '-%d' % percent
            write_bmp(os.path.join(out, name + suffix + '.bmp'), draw(percent / 100))
    write_ico(os.path.join(out, 'ParcelonSend.ico'), [send_icon_image(s) for s in (1, 2, 3)])


if __name__ == '__main__':
    main()
