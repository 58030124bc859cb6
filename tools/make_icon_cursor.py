#!/usr/bin/env python3
"""Writes res/velmor.ico and res/blank.cur, byte for byte the same on every run.

velmor.ico: one 32x32 image, 4 bits per pixel with the standard 16-colour
Windows palette, opaque (AND mask all zero); the picture is four identical
16x16 tiles, a white-centred cyan diamond on blue.

blank.cur: one 32x32 monochrome image with its hotspot at 0,0 whose XOR mask
is all zero and AND mask all one, so it draws nothing.  The same cursor is also
written as its two resources, because windres numbers cursor images from 1 on
its own while the saver's cursor image is resource 2:
  blank_cursor.bin        RT_CURSOR 2: the hotspot (two words) and the image;
  blank_cursor_group.bin  RT_GROUP_CURSOR: one entry naming image 2.

Usage: tools/make_icon_cursor.py [output-directory]   (default: res/)
"""
import os
import struct
import sys

# The standard 16-colour Windows palette, as (red, green, blue).
STANDARD_16_COLOURS = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLUE, CYAN, WHITE = 12, 14, 15

SIZE = 32
TILE = 16


def tile_colour(x, y):
    """Colour index of pixel (x, y) of one 16x16 tile, counted from its top left."""
    # Distance from the tile's centre (7.5, 7.5), doubled to stay in integers.
    d = abs(2 * x - 15) + abs(2 * y - 15)
    if d <= 6:
        return WHITE
    if d <= 14:
        return CYAN
    if x == 0 or y == 0:
        return CYAN  # a thin grid line between the tiles
    return BLUE


def bitmap_info_header(width, height, bit_count, colours_used, image_size):
    # The height of an icon or cursor image counts the XOR and the AND mask.
    return struct.pack('<IiiHHIIiiII', 40, width, 2 * height, 1, bit_count, 0,
                       image_size, 0, 0, colours_used, 0)


def icon_image():
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in STANDARD_16_COLOURS)
    xor_rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom row first
        row = bytearray()
        for x in range(0, SIZE, 2):
            hi = tile_colour(x % TILE, y % TILE)
            lo = tile_colour((x + 1) % TILE, y % TILE)
            row.append((hi << 4) | lo)
        xor_rows.append(bytes(row))
    xor_mask = b''.join(xor_rows)                 # 32 rows of 16 bytes
    and_mask = bytes(SIZE * 4)                    # 32 rows of 4 bytes, all opaque
    header = bitmap_info_header(SIZE, SIZE, 4, 0, len(xor_mask) + len(and_mask))
    image = header + palette + xor_mask + and_mask
    assert len(image) == 744
    return image


def cursor_image():
    palette = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0)
    xor_mask = bytes(SIZE * 4)                    # nothing inverted
    and_mask = b'\xff' * (SIZE * 4)               # screen kept everywhere
    header = bitmap_info_header(SIZE, SIZE, 1, 0, len(xor_mask) + len(and_mask))
    image = header + palette + xor_mask + and_mask
    assert len(image) == 304  # the resource adds the 4-byte hotspot: 308
    return image


def icon_file():
    image = icon_image()
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def cursor_file():
    image = cursor_image()
    directory = struct.pack('<HHH', 0, 2, 1)
    # In a cursor file the planes and bit-count fields hold the hotspot.
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 0, 0, len(image), 6 + 16)
    return directory + entry + image


CURSOR_IMAGE_ID = 2


def cursor_resource():
    return struct.pack('<HH', 0, 0) + cursor_image()


def cursor_group_resource():
    directory = struct.pack('<HHH', 0, 2, 1)
    # Width, height of both masks together, planes, bits per pixel, size, id.
    entry = struct.pack('<HHHHIH', SIZE, 2 * SIZE, 1, 1, len(cursor_resource()),
                        CURSOR_IMAGE_ID)
    return directory + entry


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'res')
    outputs = (('velmor.ico', icon_file()), ('blank.cur', cursor_file()),
               ('blank_cursor.bin', cursor_resource()),
               ('blank_cursor_group.bin', cursor_group_resource()))
    for name, data in outputs:
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
