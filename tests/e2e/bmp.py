"""BMP files as bytes, written the way paint programs write them, and deliberately broken ones.

The menu reads the pixel data as the file size field minus the data offset minus 2 bytes, so a
file whose size field counts exactly up to the end of its pixels loses the last 2 bytes (the
top right pixel's green and red). Paint programs write 2 padding bytes after the pixels, which
these files do too unless trailing=0."""

import struct


def bmp(width, height, pixel, bits=24, compression=0, size_field=None, offset_field=None,
        truncate_to=None, header_size=40, planes=1, trailing=2):
    """A bottom-up BMP. pixel(x, y) gives 0xRRGGBB with y counted from the top of the picture."""
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            rgb = pixel(x, y)
            if bits == 24:
                row += bytes((rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16))
            else:
                row += bytes((rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, 0))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    offset = 14 + header_size
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, planes, bits, compression,
                       len(data), 2835, 2835, 0, 0)
    info += b"\0" * (header_size - len(info))
    data += b"\0" * trailing
    size = offset + len(data)
    head = struct.pack("<2sIHHI", b"BM", size if size_field is None else size_field, 0, 0,
                       offset if offset_field is None else offset_field)
    out = head + info + data
    return out if truncate_to is None else out[:truncate_to]


def solid(width, height, rgb, **options):
    return bmp(width, height, lambda x, y: rgb, **options)


def framed(width, height, inner, border):
    """A picture of one colour with a one-pixel border of another, so its edges can be seen."""
    def pixel(x, y):
        return border if x in (0, width - 1) or y in (0, height - 1) else inner
    return bmp(width, height, pixel)
