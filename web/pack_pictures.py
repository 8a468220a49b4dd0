#!/usr/bin/env python3
"""pack_pictures.py IN OUT: writes the picture IN as the PNG file OUT, lossless.

IN is a 24-bit BMP backdrop (the page fetches these as PNG, a third of the
bytes, and turns them back into the same BMP) or a PAM file of RGBA pixels (the
app icons that make_pictures writes). Anything else is refused with a message.
"""
import struct
import sys
import zlib


class PictureError(ValueError):
    pass


def read_bmp(data):
    """The rows of a bottom-up, uncompressed 24-bit BMP, top row first, as RGB bytes."""
    if len(data) < 54 or data[:2] != b"BM":
        raise PictureError("not a BMP file")
    offset, = struct.unpack_from("<I", data, 10)
    width, height, planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0 or width <= 0 or height <= 0 or planes != 1:
        raise PictureError("not an uncompressed bottom-up 24-bit BMP")
    stride = (width * 3 + 3) // 4 * 4
    if offset + stride * height > len(data):
        raise PictureError("truncated BMP")
    rows = []
    for y in range(height - 1, -1, -1):
        bgr = data[offset + y * stride: offset + y * stride + width * 3]
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(rgb))
    return width, height, 3, rows


def read_pam(data):
    """The rows of a PAM file of RGB_ALPHA tuples at MAXVAL 255."""
    end = data.find(b"ENDHDR\n")
    if not data.startswith(b"P7\n") or end < 0:
        raise PictureError("not a PAM file")
    fields = dict(line.split(b" ", 1) for line in data[3:end].splitlines() if b" " in line)
    width, height = int(fields[b"WIDTH"]), int(fields[b"HEIGHT"])
    if fields.get(b"DEPTH") != b"4" or fields.get(b"MAXVAL") != b"255" or width <= 0 or height <= 0:
        raise PictureError("not an RGBA PAM file")
    pixels = data[end + 7:]
    if len(pixels) < width * height * 4:
        raise PictureError("truncated PAM file")
    return width, height, 4, [pixels[y * width * 4:(y + 1) * width * 4] for y in range(height)]


def filtered(rows, depth):
    """Each row with the PNG filter that leaves the smallest sum of bytes as signed values."""
    out = bytearray()
    previous = bytes(len(rows[0]))
    for row in rows:
        left = bytes(depth) + row[:-depth]
        up_left = bytes(depth) + previous[:-depth]
        candidates = [
            (0, row),
            (1, bytes((a - b) & 255 for a, b in zip(row, left))),
            (2, bytes((a - b) & 255 for a, b in zip(row, previous))),
        ]
        paeth = bytearray(len(row))
        for i, (x, a, b, c) in enumerate(zip(row, left, previous, up_left)):
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            paeth[i] = (x - (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        candidates.append((4, bytes(paeth)))
        kind, best = min(candidates, key=lambda c: sum(v if v < 128 else 256 - v for v in c[1]))
        out.append(kind)
        out += best
        previous = row
    return bytes(out)


def png(width, height, depth, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    colour_type = 2 if depth == 3 else 6
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(filtered(rows, depth), 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: pack_pictures.py IN OUT")
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    try:
        picture = read_pam(data) if data.startswith(b"P7\n") else read_bmp(data)
    except (PictureError, KeyError, ValueError) as e:
        sys.exit("%s: %s" % (sys.argv[1], e))
    with open(sys.argv[2], "wb") as f:
        f.write(png(*picture))


if __name__ == "__main__":
    main()
