"""Reads the PNG files that autorun-sim play writes (8-bit RGB, not interlaced) into 0xRRGGBB
pixels, row by row from the top, with the standard library alone."""

import struct
import zlib


class PngError(Exception):
    pass


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def read(path):
    """(width, height, pixels) of an 8-bit RGB PNG file."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise PngError("%s is not a PNG file" % path)
    pos, header, compressed = 8, None, b""
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body, pos = data[pos + 8:pos + 8 + length], pos + 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        compressed += body if kind == b"IDAT" else b""
    if header is None or header[2:] != (8, 2, 0, 0, 0):
        raise PngError("%s is not 8-bit RGB without interlacing" % path)
    width, height, stride = header[0], header[1], header[0] * 3
    raw = zlib.decompress(compressed)
    if len(raw) != height * (stride + 1):
        raise PngError("%s holds %d bytes of image data, expected %d" % (path, len(raw), height * (stride + 1)))
    pixels, previous = [], bytearray(stride)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind > 4:
            raise PngError("%s: row %d has the unknown filter %d" % (path, y, kind))
        for i in range(stride):
            left, up = row[i - 3] if i >= 3 else 0, previous[i]
            corner = previous[i - 3] if i >= 3 else 0
            row[i] = (row[i] + (0, left, up, (left + up) // 2, _paeth(left, up, corner))[kind]) & 0xFF
        pixels += [row[i] << 16 | row[i + 1] << 8 | row[i + 2] for i in range(0, stride, 3)]
        previous = row
    return width, height, pixels
