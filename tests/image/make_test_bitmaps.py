#!/usr/bin/env python3
"""Writes the small BMP files that test_bitmaps.rc turns into bitmap
resources of the BMP I/O test.  Pixel byte i is (7 * i + 3) mod 256 and
colour entry i is (blue i, green 255 - i, red 3 * i mod 256); the test
rebuilds the same values.  Run from this directory; the output is committed."""
import struct


def stride(bits, width):
    return (bits * width + 31) // 32 * 4


def pattern(count):
    return bytes((7 * i + 3) % 256 for i in range(count))


def colours(count):
    return b"".join(struct.pack("<4B", i, 255 - i, (3 * i) % 256, 0) for i in range(count))


def bmp(name, width, height, bits, table=b"", compression=0, size_image=0,
        info_size=40, pixel_bytes=None):
    if pixel_bytes is None:
        pixel_bytes = abs(height) * stride(bits, max(width, 0))
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       size_image, 2835, 2835, 0, 0)
    offset = 14 + len(info) + len(table)
    pixels = pattern(pixel_bytes)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open("bitmaps/" + name, "wb") as f:
        f.write(head + info + table + pixels)


bmp("one_bit.bmp", 40, 2, 1, colours(2))
bmp("four_bit.bmp", 3, 2, 4, colours(16))
bmp("eight_bit.bmp", 2, 2, 8, colours(256))
bmp("sixteen_bit_masks.bmp", 3, 2, 16, struct.pack("<3I", 0xF800, 0x07E0, 0x001F), compression=3)
bmp("sixteen_bit_rgb.bmp", 2, 2, 16)
bmp("twenty_four_bit.bmp", 3, 2, 24)
bmp("core_header.bmp", 3, 2, 24, info_size=12)
bmp("zero_width.bmp", 0, 2, 24, pixel_bytes=8)
bmp("short_pixels.bmp", 3, 4, 24, pixel_bytes=20)
