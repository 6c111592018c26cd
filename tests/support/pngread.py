"""Reads the PNG files that autorun-sim play writes (8-bit RGB, not interlaced) into 0xRRGGBB
pixels, row by row from the top, with the standard library alone."""

import struct
import zlib


class PngError(Exception):
    pass


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read(path):
    """(width, height, pixels) of an 8-bit RGB PNG file."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise PngError("%s is not a PNG file" % path)
    pos, header, compressed = 8, None, b""
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    if header is None:
        raise PngError("%s has no header" % path)
    width, height, depth, colour_type, _, _, interlace = header
    if (depth, colour_type, interlace) != (8, 2, 0):
        raise PngError("%s is not 8-bit RGB without interlacing" % path)
    raw = zlib.decompress(compressed)
    stride = width * 3
    if len(raw) != height * (stride + 1):
        raise PngError("%s holds %d bytes of image data, expected %d" % (
            path, len(raw), height * (stride + 1)))
    pixels, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = row[i - 3] if i >= 3 else 0
            up = previous[i]
            corner = previous[i - 3] if i >= 3 else 0
            if kind == 1:
                row[i] = (row[i] + left) & 0xFF
            elif kind == 2:
                row[i] = (row[i] + up) & 0xFF
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                row[i] = (row[i] + _paeth(left, up, corner)) & 0xFF
            elif kind != 0:
                raise PngError("%s: row %d has the unknown filter %d" % (path, y, kind))
        pixels += [row[i] << 16 | row[i + 1] << 8 | row[i + 2] for i in range(0, stride, 3)]
        previous = row
    return width, height, pixels
