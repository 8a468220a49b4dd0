#!/usr/bin/env python3
"""Writes a plain 32 x 32 icon (a blue disc on transparency) for builds made
before res/vantor.ico exists. Usage: placeholder_icon.py OUTPUT.ico"""
import struct
import sys

SIZE = 32


def main():
    pixels = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # DIB rows run bottom-up
        mask_row = 0
        for x in range(SIZE):
            inside = (x - 15.5) ** 2 + (y - 15.5) ** 2 <= 14 ** 2
            pixels += bytes((255, 0, 0, 255)) if inside else bytes(4)
            mask_row = (mask_row << 1) | (0 if inside else 1)
        mask += struct.pack(">I", mask_row)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    with open(sys.argv[1], "wb") as out:
        out.write(directory + image)


if __name__ == "__main__":
    main()
