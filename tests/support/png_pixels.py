"""Reads the pixels of the PNG pictures the tests save of their windows (8-bit RGB, rows
unfiltered, no interlace), so that a test can check what a window showed."""
import struct
import zlib


def read_rgb(path):
    """(width, height, rows): rows[y] is a bytes object of 3 * width bytes."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    at, header, packed = 8, None, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            packed += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 2, 0):
        raise ValueError("only 8-bit RGB without interlace is read")
    raw = zlib.decompress(packed)
    stride = 3 * width
    rows = []
    for y in range(height):
        if raw[y * (stride + 1)] != 0:
            raise ValueError("only unfiltered rows are read, as the tests write them")
        rows.append(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    return width, height, rows


def count_colour(path, rgb):
    """How many pixels of the picture have exactly this colour."""
    width, _, rows = read_rgb(path)
    pixel = bytes(rgb)
    return sum(1 for row in rows for x in range(width) if row[3 * x:3 * x + 3] == pixel)
