"""PNG files as bytes (8 bits a channel, not interlaced), for pages and programs that take any
image: RGB, or RGBA where pixel gives 0xRRGGBBAA."""

import struct
import zlib


def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, pixel, alpha=False):
    """pixel(x, y) is 0xRRGGBB, or 0xRRGGBBAA with alpha."""
    size = 4 if alpha else 3
    rows = b"".join(b"\0" + b"".join(pixel(x, y).to_bytes(size, "big") for x in range(width)) for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(rows)) + _chunk(b"IEND", b"")
