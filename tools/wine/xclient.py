"""A minimal X11 protocol client over the display's Unix socket: screen pixels, top-level
windows with their names, classes and geometry. Enough to read what is on the screen many
times a second without starting a program for every look."""

import functools
import socket
import struct
import zlib

ATOM_WM_NAME = 39
ATOM_WM_CLASS = 67
ATOM_STRING = 31
ANY_PROPERTY_TYPE = 0

OP_GET_WINDOW_ATTRIBUTES = 3
OP_GET_GEOMETRY = 14
OP_QUERY_TREE = 15
OP_GET_PROPERTY = 20
OP_TRANSLATE_COORDINATES = 40
OP_GET_IMAGE = 73
MAP_STATE_VIEWABLE = 2
Z_PIXMAP = 2
# The errors of a request about a window that the server no longer has (BadWindow,
# BadDrawable) or that is being torn down (BadMatch): windows come and go between a listing
# and the queries about them.
GONE_ERRORS = (3, 8, 9)


class XError(Exception):
    def __init__(self, message, code=None):
        super().__init__(message)
        self.code = code


def about_one_window(gone):
    """Makes a query about one window answer gone once that window has gone, instead of
    failing."""
    def decorate(query):
        @functools.wraps(query)
        def asked(*args):
            try:
                return query(*args)
            except XError as error:
                if error.code not in GONE_ERRORS:
                    raise
                return gone
        return asked
    return decorate


def _pad(n):
    return (4 - n % 4) % 4


class Image:
    """Pixels of a screen rectangle as 0xRRGGBB values, row by row from the top."""

    def __init__(self, x, y, width, height, pixels):
        self.x, self.y, self.width, self.height = x, y, width, height
        self.pixels = pixels

    def at(self, x, y):
        """The pixel at screen coordinates (x, y)."""
        return self.pixels[(y - self.y) * self.width + (x - self.x)]

    def count(self, colour, x0, y0, x1, y1):
        """How many pixels of the screen rectangle [x0, x1) x [y0, y1) have this colour."""
        n = 0
        for y in range(y0, y1):
            row = (y - self.y) * self.width - self.x
            for x in range(x0, x1):
                if self.pixels[row + x] == colour:
                    n += 1
        return n

    def crop(self, x, y, width, height):
        """The screen rectangle at (x, y) as an Image of its own."""
        pixels = []
        for row in range(y - self.y, y - self.y + height):
            start = row * self.width + x - self.x
            pixels += self.pixels[start:start + width]
        return Image(x, y, width, height, pixels)

    def png(self):
        """The pixels as an 8-bit RGB PNG file."""
        words = struct.pack(">%dI" % len(self.pixels), *self.pixels)
        rgb = bytearray(3 * len(self.pixels))
        for colour in range(3):
            rgb[colour::3] = words[colour + 1::4]
        stride = 3 * self.width
        raw = b"".join(b"\0" + rgb[r * stride:(r + 1) * stride] for r in range(self.height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


class Display:
    def __init__(self, number):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect("/tmp/.X11-unix/X%d" % number)
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._read(8)
        if head[0] != 1:
            reason = self._read(struct.unpack("<H", head[6:8])[0] * 4)
            raise XError("connection refused: %r" % reason[: head[1]])
        data = self._read(struct.unpack("<H", head[6:8])[0] * 4)
        vendor_length, _max_request, screens, formats = struct.unpack("<HHBB", data[16:22])
        self.byte_order = data[22]
        offset = 32 + vendor_length + _pad(vendor_length)
        self.bits_per_pixel = {}
        for i in range(formats):
            depth, bpp, _scanline_pad = struct.unpack("<BBB", data[offset + 8 * i : offset + 8 * i + 3])
            self.bits_per_pixel[depth] = bpp
        offset += 8 * formats
        (self.root,) = struct.unpack("<I", data[offset : offset + 4])
        self.width, self.height = struct.unpack("<HH", data[offset + 20 : offset + 24])
        self.depth = data[offset + 38]
        if self.bits_per_pixel.get(self.depth) != 32 or self.depth != 24 or self.byte_order != 0:
            raise XError("the screen must be 24 bits deep in 32-bit little-endian pixels")

    def close(self):
        self.sock.close()

    def _read(self, n):
        chunks = []
        while n > 0:
            chunk = self.sock.recv(n)
            if not chunk:
                raise XError("the display closed the connection")
            chunks.append(chunk)
            n -= len(chunk)
        return b"".join(chunks)

    def _request(self, opcode, detail, body):
        length = (4 + len(body) + _pad(len(body))) // 4
        self.sock.sendall(struct.pack("<BBH", opcode, detail, length) + body + b"\0" * _pad(len(body)))
        # No events are selected, but the server sends MappingNotify to every client when a
        # keyboard mapping changes (xdotool remaps a key to type it): those are passed over.
        head = self._read(32)
        while head[0] & 0x7F > 1:
            head = self._read(32)
        if head[0] == 0:
            raise XError("request %d failed with error %d" % (opcode, head[1]), head[1])
        extra = struct.unpack("<I", head[4:8])[0] * 4
        return head, self._read(extra)

    def image(self, x, y, width, height):
        head, data = self._request(
            OP_GET_IMAGE, Z_PIXMAP, struct.pack("<IhhHHI", self.root, x, y, width, height, 0xFFFFFFFF)
        )
        words = struct.unpack("<%dI" % (width * height), data[: 4 * width * height])
        return Image(x, y, width, height, [w & 0xFFFFFF for w in words])

    def screenshot(self):
        return self.image(0, 0, self.width, self.height)

    def pixel(self, x, y):
        return self.image(x, y, 1, 1).pixels[0]

    @about_one_window([])
    def children(self, window=None):
        head, data = self._request(OP_QUERY_TREE, 0, struct.pack("<I", window or self.root))
        count = struct.unpack("<H", head[16:18])[0]
        return list(struct.unpack("<%dI" % count, data[: 4 * count]))

    @about_one_window(False)
    def viewable(self, window):
        head, _ = self._request(OP_GET_WINDOW_ATTRIBUTES, 0, struct.pack("<I", window))
        return head[26] == MAP_STATE_VIEWABLE

    @about_one_window(None)
    def property(self, window, atom):
        head, data = self._request(
            OP_GET_PROPERTY, 0, struct.pack("<IIIII", window, atom, ANY_PROPERTY_TYPE, 0, 4096)
        )
        fmt = head[1]
        count = struct.unpack("<I", head[16:20])[0]
        return data[: count * fmt // 8] if fmt else None

    @about_one_window(None)
    def geometry(self, window):
        """(x, y, width, height) of the window's inside, in root coordinates; None once it has
        gone."""
        head, _ = self._request(OP_GET_GEOMETRY, 0, struct.pack("<I", window))
        width, height = struct.unpack("<HH", head[16:20])
        head, _ = self._request(OP_TRANSLATE_COORDINATES, 0, struct.pack("<IIhh", window, self.root, 0, 0))
        x, y = struct.unpack("<hh", head[12:16])
        return x, y, width, height

    def name(self, window):
        value = self.property(window, ATOM_WM_NAME)
        return None if value is None else value.decode("latin-1")

    def window_class(self, window):
        value = self.property(window, ATOM_WM_CLASS)
        return [] if value is None else value.decode("latin-1").rstrip("\0").split("\0")

    def top_level(self, instance=None, name=None):
        """The viewable top-level windows whose class instance name (Wine names it after the
        program's file) or whose title is the given one."""
        found = []
        for window in self.children():
            if instance is not None:
                classes = self.window_class(window)
                if not classes or classes[0].lower() != instance.lower():
                    continue
            if (name is None or self.name(window) == name) and self.viewable(window):
                found.append(window)
        return found

