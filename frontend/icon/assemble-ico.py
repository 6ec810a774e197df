#!/usr/bin/env python3
"""Writes an .ico whose images are 8 bits per pixel with a 256-entry palette.

Usage: assemble-ico.py out.ico size1 image1.rgba [size2 image2.rgba ...]
Each image is raw RGBA, size x size pixels, top row first; alpha 0 is transparent
(AND mask bit set), anything else opaque.
"""
import struct
import sys


def icon_image(size, rgba):
    pixels = [tuple(rgba[i:i + 4]) for i in range(0, len(rgba), 4)]
    palette = []
    indices = []
    for r, g, b, a in pixels:
        colour = (r, g, b) if a else (0, 0, 0)
        if colour not in palette:
            palette.append(colour)
        indices.append(palette.index(colour))
    if len(palette) > 256:
        raise SystemExit("more than 256 colours")
    palette += [(0, 0, 0)] * (256 - len(palette))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    xor = b""
    mask = b""
    mask_row = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # bottom-up rows
        xor += bytes(indices[y * size:(y + 1) * size])
        row = bytearray(mask_row)
        for x in range(size):
            if pixels[y * size + x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    return header + colours + xor + mask


def main():
    out = sys.argv[1]
    pairs = list(zip(sys.argv[2::2], sys.argv[3::2]))
    images = []
    for size, path in pairs:
        size = int(size)
        with open(path, "rb") as f:
            rgba = f.read()
        assert len(rgba) == size * size * 4, path
        images.append((size, icon_image(size, rgba)))
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    data = b""
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(image), offset + len(data))
        data += image
    with open(out, "wb") as f:
        f.write(directory + data)


main()
