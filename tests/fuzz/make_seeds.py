#!/usr/bin/env python3
"""Writes the fuzzing seeds in seeds/: small BMP files of the kinds the decoder
reads that tests/data/bmp does not already hold (4 bits, 16 bits without masks,
alpha bitfields, V2, V3 and V4 headers, a short palette, a last row without its
padding), and a few broken near-misses of them. Run it again after a change;
the files are committed so that fuzzing needs no generator."""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.dont_write_bytecode = True  # keep the source folder clean

from imaging import bmp_file as bmp  # noqa: E402


def palette(*colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def masks(*values):
    return b"".join(struct.pack("<I", v) for v in values)


def seeds():
    four = palette(*[(i * 16, 255 - i * 16, i * 8) for i in range(16)])
    yield "valid-4bit", bmp(5, 2, 4, [b"\x01\x23\x40", b"\xfe\xdc\xb0"], palette=four)
    yield "valid-8bit-short-palette", bmp(
        3, 2, 8, [b"\x00\x01\x02", b"\x02\x01\x00"],
        palette=palette((255, 0, 0), (0, 255, 0), (0, 0, 255)), colours_used=3)
    yield "valid-16bit-555", bmp(2, 2, 16, [struct.pack("<HH", 0x7C00, 0x03E0),
                                            struct.pack("<HH", 0x001F, 0x7FFF)])
    yield "valid-32bit-alpha-bitfields", bmp(
        2, 1, 32, [struct.pack("<II", 0x80FF0000, 0x4000FF00)], compression=6,
        masks=masks(0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000))
    yield "valid-v2-header-565", bmp(
        2, 1, 16, [struct.pack("<HH", 0xF800, 0x07E0)], header_size=52, compression=3,
        masks=masks(0xF800, 0x07E0, 0x001F))
    yield "valid-v3-header", bmp(
        1, 2, 32, [struct.pack("<I", 0x00123456), struct.pack("<I", 0x00ABCDEF)],
        header_size=56, compression=3, masks=masks(0x00FF0000, 0x0000FF00, 0x000000FF, 0))
    yield "valid-v4-header-24bit", bmp(3, 1, 24, [b"\x01\x02\x03\x04\x05\x06\x07\x08\x09"],
                                       header_size=108)
    # Width 3 at 24 bits: 9 bytes a row, 3 of padding, which the last row may lack.
    yield "valid-24bit-last-row-unpadded", bmp(3, 2, 24, [bytes(range(9)), bytes(range(9, 18))], cut=3)
    yield "broken-bitfields-gap", bmp(
        1, 1, 32, [b"\0\0\0\0"], compression=3, masks=masks(0x00F0F000, 0x0000000F, 0x0F000000))
    yield "broken-4bit-no-palette", bmp(5, 2, 4, [b"\x01\x23\x40", b"\xfe\xdc\xb0"])
    yield "broken-bits-3", bmp(2, 2, 3, [b"\xff", b"\x00"])
    yield "broken-last-row-short", bmp(3, 2, 24, [bytes(range(9)), bytes(range(9, 18))], cut=4)
    yield "broken-huge-width-1bit", bmp(0x4001, 1, 1, [b"\xff" * 16])
    yield "broken-negative-width", bmp(-4, 2, 24, [b"\0" * 12, b"\0" * 12])


def main():
    folder = os.path.join(HERE, "seeds")
    os.makedirs(folder, exist_ok=True)
    for name, blob in seeds():
        with open(os.path.join(folder, name + ".bmp"), "wb") as f:
            f.write(blob)


if __name__ == "__main__":
    main()
