"""BMP files as bytes, written the way paint programs write them, and deliberately broken ones.

The menu reads the pixel data as the file size field minus the data offset minus 2 bytes, so a
file whose size field counts exactly up to the end of its pixels loses the last 2 bytes (the
top right pixel's green and red). Paint programs write 2 padding bytes after the pixels, which
these files do too unless trailing=0."""

import struct


def _row(width, y, pixel, bits):
    """One row of pixels as the file stores it, padded to whole 32-bit words."""
    stride = (width * bits + 31) // 32 * 4
    row = bytearray(stride)
    for x in range(width):
        value = pixel(x, y)
        if bits == 24:
            row[x * 3:x * 3 + 3] = bytes((value & 0xFF, (value >> 8) & 0xFF, value >> 16))
        elif bits == 32:
            row[x * 4:x * 4 + 4] = bytes((value & 0xFF, (value >> 8) & 0xFF, value >> 16, 0))
        elif bits == 16:
            # 5 bits a colour, red highest; the low 3 bits of each 8-bit colour are dropped.
            word = ((value >> 19) & 31) << 10 | ((value >> 11) & 31) << 5 | (value >> 3) & 31
            row[x * 2:x * 2 + 2] = struct.pack("<H", word)
        else:
            # A colour table index, packed from the highest bits of each byte.
            bit = x * bits
            row[bit // 8] |= (value & ((1 << bits) - 1)) << (8 - bits - bit % 8)
    return bytes(row)


def bmp(width, height, pixel, bits=24, compression=0, size_field=None, offset_field=None,
        truncate_to=None, header_size=40, planes=1, trailing=2, top_down=False, palette=None):
    """A BMP, bottom-up unless top_down. pixel(x, y) gives 0xRRGGBB, or for 1, 4 and 8 bits a
    colour table index, with y counted from the top of the picture. Pictures of 8 bits or fewer
    carry palette (a list of 0xRRGGBB, grey levels by default) as their colour table."""
    order = range(height) if top_down else range(height - 1, -1, -1)
    data = b"".join(_row(width, y, pixel, bits) for y in order)
    table = b""
    if bits <= 8:
        colours = palette or [i * 255 // ((1 << bits) - 1) * 0x010101 for i in range(1 << bits)]
        table = b"".join(bytes((c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0)) for c in colours)
    offset = 14 + header_size + len(table)
    info = struct.pack("<IiiHHIIiiII", header_size, width, -height if top_down else height, planes,
                       bits, compression, len(data), 2835, 2835, len(table) // 4, 0)
    info += b"\0" * (header_size - len(info))
    data += b"\0" * trailing
    size = offset + len(data)
    head = struct.pack("<2sIHHI", b"BM", size if size_field is None else size_field, 0, 0,
                       offset if offset_field is None else offset_field)
    out = head + info + table + data
    return out if truncate_to is None else out[:truncate_to]


def solid(width, height, rgb, **options):
    return bmp(width, height, lambda x, y: rgb, **options)


def framed(width, height, inner, border):
    """A picture of one colour with a one-pixel border of another, so its edges can be seen."""
    def pixel(x, y):
        return border if x in (0, width - 1) or y in (0, height - 1) else inner
    return bmp(width, height, pixel)


def icon(size, rgb):
    """An .ico file of one size x size 32-bit picture of one colour, with an empty mask."""
    pixels = struct.pack("<I", rgb | 0xFF000000) * (size * size)
    mask = b"\0" * (((size + 31) // 32 * 4) * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22) + image
