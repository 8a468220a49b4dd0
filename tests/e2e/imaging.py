"""Images for the end-to-end tests: PPM screenshots in, 24-bit BMP pictures in,
PNG files out, and BMP files of every kind written for the tests and the
fuzzing seeds, with the standard library only."""

import struct
import zlib


class ImageError(ValueError):
    """A file that is not an image of the kind expected, or is cut short."""


class Image:
    """An RGB picture: width x height pixels of (r, g, b), rows from the top."""

    def __init__(self, width, height, data=None):
        if width < 0 or height < 0:
            raise ImageError("negative size %dx%d" % (width, height))
        self.width = width
        self.height = height
        self.data = bytearray(data) if data is not None else bytearray(width * height * 3)
        if len(self.data) != width * height * 3:
            raise ImageError("pixel data of %d bytes for %dx%d" % (len(self.data), width, height))

    def pixel(self, x, y):
        """The (r, g, b) at (x, y); None outside the picture."""
        if not (0 <= x < self.width and 0 <= y < self.height):
            return None
        i = (y * self.width + x) * 3
        return (self.data[i], self.data[i + 1], self.data[i + 2])

    def set_pixel(self, x, y, rgb):
        i = (y * self.width + x) * 3
        self.data[i:i + 3] = bytes(rgb)

    def crop(self, left, top, width, height):
        """The part at (left, top) of that size; parts outside the picture are black."""
        out = Image(width, height)
        for y in range(height):
            sy = top + y
            if not (0 <= sy < self.height):
                continue
            x0 = max(left, 0)
            x1 = min(left + width, self.width)
            if x0 >= x1:
                continue
            src = (sy * self.width + x0) * 3
            dst = (y * width + (x0 - left)) * 3
            out.data[dst:dst + (x1 - x0) * 3] = self.data[src:src + (x1 - x0) * 3]
        return out

    def scaled(self, width, height):
        """Nearest-neighbour copy stretched corner to corner to width x height."""
        out = Image(width, height)
        if self.width == 0 or self.height == 0:
            return out
        columns = [min(self.width - 1, x * self.width // width) for x in range(width)]
        for y in range(height):
            sy = min(self.height - 1, y * self.height // height)
            row = sy * self.width * 3
            dst = y * width * 3
            for x, sx in enumerate(columns):
                src = row + sx * 3
                out.data[dst:dst + 3] = self.data[src:src + 3]
                dst += 3
        return out

    def block_means(self, columns, rows):
        """Average colour of each cell of a columns x rows division, row by row."""
        means = []
        for by in range(rows):
            y0, y1 = by * self.height // rows, (by + 1) * self.height // rows
            for bx in range(columns):
                x0, x1 = bx * self.width // columns, (bx + 1) * self.width // columns
                total = [0, 0, 0]
                count = 0
                for y in range(y0, y1):
                    i = (y * self.width + x0) * 3
                    for _ in range(x0, x1):
                        total[0] += self.data[i]
                        total[1] += self.data[i + 1]
                        total[2] += self.data[i + 2]
                        i += 3
                        count += 1
                means.append(tuple(t / count for t in total) if count else (0.0, 0.0, 0.0))
        return means


def _ppm_tokens(blob, count):
    """The first `count` header tokens of a PNM file and the offset after the
    single whitespace byte that ends the header."""
    tokens = []
    i = 0
    while len(tokens) < count:
        while i < len(blob) and blob[i:i + 1].isspace():
            i += 1
        if i < len(blob) and blob[i:i + 1] == b"#":
            while i < len(blob) and blob[i:i + 1] not in (b"\n", b"\r"):
                i += 1
            continue
        start = i
        while i < len(blob) and not blob[i:i + 1].isspace() and blob[i:i + 1] != b"#":
            i += 1
        if start == i:
            raise ImageError("PPM header cut short")
        tokens.append(blob[start:i])
    if i >= len(blob) or not blob[i:i + 1].isspace():
        raise ImageError("PPM header not ended by whitespace")
    return tokens, i + 1


def parse_ppm(blob):
    """A binary PPM (P6) with 8- or 16-bit samples; 16-bit samples are scaled to 8."""
    if blob[:2] != b"P6":
        raise ImageError("not a binary PPM")
    tokens, offset = _ppm_tokens(blob, 4)
    try:
        width, height, maxval = (int(t) for t in tokens[1:4])
    except ValueError:
        raise ImageError("PPM header holds a non-number")
    if width <= 0 or height <= 0 or not (0 < maxval < 65536):
        raise ImageError("PPM size %dx%d, maxval %d" % (width, height, maxval))
    samples = width * height * 3
    if maxval < 256:
        raw = blob[offset:offset + samples]
        if len(raw) != samples:
            raise ImageError("PPM pixel data cut short")
        if maxval == 255:
            return Image(width, height, raw)
        return Image(width, height, bytes(v * 255 // maxval for v in raw))
    raw = blob[offset:offset + samples * 2]
    if len(raw) != samples * 2:
        raise ImageError("PPM pixel data cut short")
    values = struct.unpack(">%dH" % samples, raw)
    return Image(width, height, bytes((v * 255 + maxval // 2) // maxval for v in values))


def read_ppm(path):
    with open(path, "rb") as f:
        return parse_ppm(f.read())


def parse_bmp(blob):
    """An uncompressed 24-bit Windows BMP, bottom-up or top-down."""
    if len(blob) < 54 or blob[:2] != b"BM":
        raise ImageError("not a BMP file")
    offset = struct.unpack_from("<I", blob, 10)[0]
    header_size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", blob, 14)
    if header_size < 40 or planes != 1 or bits != 24 or compression != 0:
        raise ImageError("only uncompressed 24-bit BMPs are read")
    top_down = height < 0
    height = abs(height)
    if width <= 0 or height == 0 or width > 16384 or height > 16384:
        raise ImageError("BMP size %dx%d" % (width, height))
    stride = (width * 3 + 3) // 4 * 4
    if offset + stride * height > len(blob):
        raise ImageError("BMP pixel data cut short")
    image = Image(width, height)
    for row in range(height):
        y = row if top_down else height - 1 - row
        src = offset + row * stride
        dst = y * width * 3
        for x in range(width):
            b, g, r = blob[src + 3 * x:src + 3 * x + 3]
            image.data[dst + 3 * x:dst + 3 * x + 3] = bytes((r, g, b))
    return image


def read_bmp(path):
    with open(path, "rb") as f:
        return parse_bmp(f.read())


def bmp_file(width, height, bits, rows=(), header_size=40, compression=0, masks=b"",
             palette=b"", colours_used=0, cut=0, data=None):
    """A BMP file: file header, info header of header_size bytes (the masks in
    it for larger headers, after it for a plain one), palette, then the rows
    given in file order (bottom row first unless height is negative), each
    padded to four bytes, or `data` as it is; `cut` bytes are taken off the end."""
    if data is None:
        stride = (width * bits + 31) // 32 * 4
        data = b"".join(row + b"\0" * (stride - len(row)) for row in rows)
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression,
                       len(data), 2835, 2835, colours_used, 0)
    if header_size > 40:
        info += masks.ljust(header_size - 40, b"\0")[:header_size - 40]
        extra = b""
    else:
        extra = masks
    offset = 14 + len(info) + len(extra) + len(palette)
    body = info + extra + palette + data
    blob = b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, offset) + body
    return blob[:len(blob) - cut] if cut else blob


def encode_bmp(image, top_down=False):
    """A 24-bit BMP of the image."""
    order = range(image.height) if top_down else range(image.height - 1, -1, -1)
    rows = [bytes(c for x in range(image.width) for c in reversed(image.pixel(x, y))) for y in order]
    return bmp_file(image.width, -image.height if top_down else image.height, 24, rows)


def _png_chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_png(image):
    """An 8-bit RGB PNG of the image."""
    stride = image.width * 3
    raw = bytearray()
    for y in range(image.height):
        raw.append(0)  # no filter
        raw += image.data[y * stride:(y + 1) * stride]
    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _png_chunk(b"IHDR", header)
            + _png_chunk(b"IDAT", zlib.compress(bytes(raw), 6)) + _png_chunk(b"IEND", b""))


def write_png(image, path):
    with open(path, "wb") as f:
        f.write(encode_png(image))
