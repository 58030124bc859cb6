#!/usr/bin/env python3
"""Checks, marker by marker, the structure of the twelve committed JPEG
streams res/pictures/NN.jpg and how res/velmor.rc carries them, and that
libjpeg's djpeg decodes each stream cleanly into a picture close to its
photograph res/photos/NN.png.

It first runs the same checks on altered copies of one stream, each of which
must be rejected, so that a checker that accepts everything cannot pass.

Usage: check_streams.py [project-root]      exit code 0 when all is well
"""
import math
import os
import re
import struct
import subprocess
import sys
import zlib

# Picture number: (IMGDAT id, width, height, dots per inch, DRI before DHT).
PICTURES = {
    1: (140, 360, 480, 116, False),
    2: (142, 360, 480, 116, False),
    3: (155, 360, 480, 116, False),
    4: (144, 360, 480, 116, False),
    5: (145, 360, 480, 116, False),
    6: (146, 360, 480, 116, False),
    7: (147, 360, 480, 116, False),
    8: (148, 360, 480, 116, False),
    9: (149, 360, 480, 116, False),
    10: (150, 360, 487, 116, False),
    11: (151, 1420, 360, 200, False),
    12: (152, 480, 330, 97, True),
}


class Fault(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Fault(message)


def read_segment(data, pos, marker):
    """Payload of the segment with `marker` at `pos`, and the position after it."""
    expect(pos + 4 <= len(data), 'stream ends before marker %02X' % marker)
    expect(data[pos] == 0xFF and data[pos + 1] == marker,
           'expected marker FF%02X at %d, found %s' % (marker, pos, data[pos:pos + 2].hex()))
    length = struct.unpack_from('>H', data, pos + 2)[0]
    expect(pos + 2 + length <= len(data), 'segment FF%02X runs past the end' % marker)
    return data[pos + 4:pos + 2 + length], length, pos + 2 + length


def check_app0(payload, length, dpi):
    expect(length == 16, 'APP0 length %d' % length)
    identifier, major, minor, unit, x_density, y_density, thumb_w, thumb_h = \
        struct.unpack('>5sBBBHHBB', payload)
    expect(identifier == b'JFIF\x00', 'APP0 is not JFIF')
    expect((major, minor) == (1, 2), 'JFIF version %d.%02d' % (major, minor))
    expect(unit == 1, 'density unit %d' % unit)
    expect(x_density == y_density == dpi,
           'density %d x %d, expected %d' % (x_density, y_density, dpi))
    expect(thumb_w == thumb_h == 0, 'thumbnail present')


def check_dqt(payload, length):
    expect(length == 132, 'DQT length %d' % length)
    for index in range(2):
        table = payload[65 * index:65 * (index + 1)]
        expect(table[0] == index, 'DQT table %d has Pq/Tq byte %02X' % (index, table[0]))
        expect(all(1 <= v <= 255 for v in table[1:]), 'DQT table %d has a zero entry' % index)


def check_sof0(payload, length, width, height):
    expect(length == 17, 'SOF0 length %d' % length)
    precision, h, w, count = struct.unpack_from('>BHHB', payload)
    expect(precision == 8, 'precision %d' % precision)
    expect((w, h) == (width, height), 'size %d x %d, expected %d x %d' % (w, h, width, height))
    expect(count == 3, '%d components' % count)
    expect(payload[6:] == bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]),
           'component records %s' % payload[6:].hex())


def check_dht(payload, length):
    """The four tables in the order DC 0, DC 1, AC 0, AC 1; returns their code counts."""
    pos = 0
    counts = []
    for class_and_id in (0x00, 0x01, 0x10, 0x11):
        expect(pos + 17 <= len(payload), 'DHT ends before table %02X' % class_and_id)
        expect(payload[pos] == class_and_id,
               'DHT table %02X where %02X belongs' % (payload[pos], class_and_id))
        bits = payload[pos + 1:pos + 17]
        count = sum(bits)
        limit = 12 if class_and_id < 0x10 else 162
        expect(1 <= count <= limit, 'DHT table %02X has %d codes' % (class_and_id, count))
        # A valid prefix code: at no length more codes than the code space holds.
        space = 1
        for number in bits:
            space = space * 2 - number
            expect(space >= 0, 'DHT table %02X over-subscribed' % class_and_id)
        values = payload[pos + 17:pos + 17 + count]
        expect(len(values) == count, 'DHT table %02X truncated' % class_and_id)
        if class_and_id < 0x10:
            expect(all(v <= 11 for v in values), 'DC table with a category above 11')
        counts.append(count)
        pos += 17 + count
    expect(pos == len(payload), 'DHT has %d bytes after its four tables' % (len(payload) - pos))
    expect(length == 2 + 4 * 17 + sum(counts), 'DHT length %d' % length)
    return counts


def check_dri(payload, length, width):
    expect(length == 4, 'DRI length %d' % length)
    interval = struct.unpack('>H', payload)[0]
    expect(interval == (width + 7) // 8,
           'restart interval %d, expected %d' % (interval, (width + 7) // 8))


def check_sos(payload, length):
    expect(length == 12, 'SOS length %d' % length)
    expect(payload == bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]),
           'scan header %s' % payload.hex())


def check_entropy_data(data, pos, height):
    """Only stuffed bytes and RST0..RST7 in cycling order inside the scan, one
    marker per MCU row but the last, and EOI as the last two bytes."""
    expect(data[-2:] == b'\xff\xd9', 'the stream does not end with EOI')
    scan = data[pos:-2]
    restarts = []
    index = 0
    while True:
        index = scan.find(b'\xff', index)
        if index < 0:
            break
        expect(index + 1 < len(scan), 'a lone 0xFF ends the scan')
        following = scan[index + 1]
        if 0xD0 <= following <= 0xD7:
            restarts.append(following - 0xD0)
        else:
            expect(following == 0x00, 'marker FF%02X inside the scan' % following)
        index += 2
    rows = (height + 7) // 8
    expect(len(restarts) == rows - 1,
           '%d restart markers, expected %d' % (len(restarts), rows - 1))
    expect(restarts == [i % 8 for i in range(len(restarts))], 'restart markers out of order')
    expect(not scan.startswith(b'\xff\xd0') and not scan.endswith(tuple(
        bytes([0xFF, 0xD0 + i]) for i in range(8))), 'a restart marker at an edge of the scan')
    return len(restarts)


def check_stream(data, width, height, dpi, dri_before_dht):
    """Returns (restart markers, DHT code counts) of a well-formed stream."""
    expect(data[:2] == b'\xff\xd8', 'no SOI')
    pos = 2
    payload, length, pos = read_segment(data, pos, 0xE0)
    check_app0(payload, length, dpi)
    payload, length, pos = read_segment(data, pos, 0xDB)
    check_dqt(payload, length)
    payload, length, pos = read_segment(data, pos, 0xC0)
    check_sof0(payload, length, width, height)
    if dri_before_dht:
        payload, length, pos = read_segment(data, pos, 0xDD)
        check_dri(payload, length, width)
        payload, length, pos = read_segment(data, pos, 0xC4)
        counts = check_dht(payload, length)
    else:
        payload, length, pos = read_segment(data, pos, 0xC4)
        counts = check_dht(payload, length)
        payload, length, pos = read_segment(data, pos, 0xDD)
        check_dri(payload, length, width)
    payload, length, pos = read_segment(data, pos, 0xDA)
    check_sos(payload, length)
    return check_entropy_data(data, pos, height), counts


def read_png_rgb(path):
    """Width, height and RGB bytes of an 8-bit RGB, non-interlaced PNG."""
    with open(path, 'rb') as f:
        data = f.read()
    expect(data[:8] == b'\x89PNG\r\n\x1a\n', '%s is not a PNG file' % path)
    pos, idat, header = 8, b'', None
    while pos + 8 <= len(data):
        length, kind = struct.unpack_from('>I4s', data, pos)
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    expect(header is not None and header[2:] == (8, 2, 0, 0, 0), 'unexpected PNG format')
    width, height = header[0], header[1]
    raw = zlib.decompress(idat)
    stride = 3 * width
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = row[i - 3] if i >= 3 else 0
            up = previous[i]
            corner = previous[i - 3] if i >= 3 else 0
            if kind == 1:
                row[i] = (row[i] + left) & 255
            elif kind == 2:
                row[i] = (row[i] + up) & 255
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                predictor = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                row[i] = (row[i] + predictor) & 255
        rows.append(bytes(row))
        previous = row
    return width, height, b''.join(rows)


def check_decodes_to_photo(stream, png_path):
    """djpeg decodes the stream without a warning into the photograph's size and
    close to its pixels; returns the peak signal-to-noise ratio in dB."""
    result = subprocess.run(['djpeg', '-pnm'], input=stream, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    expect(result.returncode == 0 and not result.stderr,
           'djpeg: %s' % result.stderr.decode(errors='replace').strip())
    fields = result.stdout.split(b'\n', 3)
    expect(fields[0] == b'P6' and fields[2] == b'255', 'djpeg wrote no RGB picture')
    width, height = map(int, fields[1].split())
    pixels = fields[3]
    png_width, png_height, photo = read_png_rgb(png_path)
    expect((width, height) == (png_width, png_height), 'decoded size differs from the photo')
    squared = sum((a - b) * (a - b) for a, b in zip(pixels, photo))
    mse = squared / float(len(photo))
    psnr = 10 * math.log10(255.0 * 255.0 / mse) if mse else 99.0
    # The encodings range from quality 57 to 95; a wrong or damaged picture
    # lands far below this.
    expect(psnr >= 25.0, 'decoded picture differs from its photo (%.1f dB)' % psnr)
    return psnr


def check_resource_script(root):
    """res/velmor.rc carries picture N's stream as IMGDAT with N's id, and no other."""
    with open(os.path.join(root, 'res', 'velmor.rc'), encoding='utf-8') as f:
        script = f.read()
    # The script names the ids that res/resource.h defines.
    with open(os.path.join(root, 'res', 'resource.h'), encoding='utf-8') as f:
        defines = dict(re.findall(r'^#define\s+(\w+)\s+(\d+)\s*$', f.read(), re.M))
    found = {int(defines.get(i, i)): int(n) for i, n in re.findall(
        r'^\s*(\w+)\s+IMGDAT\s+"res/pictures/(\d\d)\.jpg"', script, re.M)
        if defines.get(i, i).isdigit()}
    statements = re.findall(r'^\s*\S+\s+IMGDAT\b', script, re.M)
    expect(len(statements) == 12, '%d IMGDAT statements' % len(statements))
    expected = {picture[0]: number for number, picture in PICTURES.items()}
    expect(found == expected, 'IMGDAT ids %r' % sorted(found.items()))


def alterations(data):
    """Copies of a good stream, each with one fault the checker must find."""
    def replace(old, new):
        index = data.find(old)
        return data[:index] + new + data[index + len(old):]

    sos = data.find(b'\xff\xda')
    first_rst = data.find(b'\xff\xd0', sos)
    second_rst = data.find(b'\xff\xd1', sos)
    dht = data.find(b'\xff\xc4')
    dri = data.find(b'\xff\xdd')
    dht_end = dht + 2 + struct.unpack_from('>H', data, dht + 2)[0]
    dri_end = dri + 6
    yield 'bytes after EOI', data + b'\x00'
    yield 'JFIF 1.01', replace(b'JFIF\x00\x01\x02', b'JFIF\x00\x01\x01')
    yield 'a missing restart marker', data[:first_rst] + data[first_rst + 2:]
    yield 'restart markers out of order', (data[:second_rst] + b'\xff\xd2'
                                          + data[second_rst + 2:])
    yield 'DRI after DHT swapped', (data[:dht] + data[dri:dri_end] + data[dht:dht_end]
                                    + data[dri_end:]) if dri > dht else (
        data[:dri] + data[dht:dht_end] + data[dri:dri_end] + data[dht_end:])
    yield 'no EOI', data[:-2]
    yield 'Cb on quantisation table 0', replace(bytes([2, 0x11, 1]), bytes([2, 0x11, 0]))


def self_test(root):
    with open(os.path.join(root, 'res', 'pictures', '01.jpg'), 'rb') as f:
        good = f.read()
    _, width, height, dpi, dri_first = PICTURES[1]
    check_stream(good, width, height, dpi, dri_first)
    for name, bad in alterations(good):
        try:
            check_stream(bad, width, height, dpi, dri_first)
        except Fault:
            continue
        raise Fault('the checker accepted a stream with %s' % name)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', '..')
    failures = 0
    checks = [('checker rejects faulty streams', lambda: self_test(root)),
              ('resource script ids', lambda: check_resource_script(root))]
    for number in sorted(PICTURES):
        def check(number=number):
            _, width, height, dpi, dri_first = PICTURES[number]
            with open(os.path.join(root, 'res', 'pictures', '%02d.jpg' % number), 'rb') as f:
                data = f.read()
            restarts, counts = check_stream(data, width, height, dpi, dri_first)
            psnr = check_decodes_to_photo(
                data, os.path.join(root, 'res', 'photos', '%02d.png' % number))
            return '%d bytes, %d restart markers, DHT codes %s, %.1f dB' % (
                len(data), restarts, counts, psnr)
        checks.append(('picture %02d' % number, check))
    passed = 0
    for name, check in checks:
        try:
            note = check()
        except (Fault, OSError) as error:
            print('FAIL %s: %s' % (name, error))
            failures += 1
        else:
            print('ok   %s%s' % (name, ': ' + note if note else ''))
            passed += 1
    print('%d passed, %d failed' % (passed, failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
