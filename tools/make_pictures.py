#!/usr/bin/env python3
"""Turns the twelve photographs res/photos/NN.png into the JPEG streams
res/pictures/NN.jpg that the saver carries as IMGDAT resources.

Each stream is encoded by cjpeg (libjpeg-turbo) as baseline JPEG with
optimised Huffman tables, no chroma subsampling and a restart marker after
every MCU row; the marker segments are then rewritten into the layout the
saver's streams share, leaving the entropy-coded data as cjpeg wrote it:

  SOI
  APP0 JFIF 1.02, dots per inch, equal densities, no thumbnail
  DQT  both quantisation tables (0 luminance, 1 chrominance) in one segment
  SOF0 8-bit, components 1, 2, 3 sampled 1x1, Y on table 0, Cb and Cr on 1
  DHT  the four tables in one segment: DC 0, DC 1, AC 0, AC 1
  DRI  one MCU row                      (picture 12: DRI before DHT)
  SOS  Y on DC 0/AC 0, Cb and Cr on DC 1/AC 1, full spectrum
  entropy-coded data with RST0..RST7 between the MCU rows
  EOI

Usage:
  tools/make_pictures.py            write all twelve streams
  tools/make_pictures.py --fit      also print, for each picture, the quality
                                    whose stream comes nearest its target size
Needs python3, cjpeg (libjpeg-turbo-progs) and ImageMagick's /usr/bin/convert.
"""
import os
import struct
import subprocess
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
PHOTOS = os.path.join(ROOT, 'res', 'photos')
PICTURES = os.path.join(ROOT, 'res', 'pictures')
CONVERT = '/usr/bin/convert'   # ImageMagick itself, not a stand-in on PATH
CJPEG = 'cjpeg'

# Picture number: (cjpeg quality, dots per inch, DRI before DHT, target bytes).
# Each quality is the one whose stream comes nearest the target size
# (found with --fit).
SETTINGS = {
    1: (88, 116, False, 53732),
    2: (91, 116, False, 51764),
    3: (86, 116, False, 55634),
    4: (93, 116, False, 54750),
    5: (95, 116, False, 55112),
    6: (85, 116, False, 52300),
    7: (88, 116, False, 35868),
    8: (95, 116, False, 60370),
    9: (76, 116, False, 55233),
    10: (65, 116, False, 52017),
    11: (93, 200, False, 179232),
    12: (57, 97, True, 25465),
}

SOI, EOI = 0xD8, 0xD9
APP0, DQT, SOF0, DHT, DRI, SOS = 0xE0, 0xDB, 0xC0, 0xC4, 0xDD, 0xDA


class StreamError(Exception):
    pass


def png_size(path):
    with open(path, 'rb') as f:
        head = f.read(24)
    if head[:8] != b'\x89PNG\r\n\x1a\n' or head[12:16] != b'IHDR':
        raise StreamError('%s is not a PNG file' % path)
    return struct.unpack('>II', head[16:24])


def encode(png_path, quality):
    """cjpeg's baseline stream of the photograph: 4:4:4, optimised tables,
    one restart interval per MCU row."""
    ppm = subprocess.run([CONVERT, png_path, '-type', 'TrueColor', '-depth', '8', 'ppm:-'],
                         check=True, stdout=subprocess.PIPE).stdout
    return subprocess.run([CJPEG, '-baseline', '-optimize', '-sample', '1x1',
                           '-restart', '1', '-quality', str(quality)],
                          input=ppm, check=True, stdout=subprocess.PIPE).stdout


def split_segments(data):
    """The marker segments before the scan as (marker, payload) pairs, and
    the rest of the stream from the byte after SOS's payload."""
    if data[:2] != b'\xff\xd8':
        raise StreamError('no SOI')
    pos = 2
    segments = []
    while True:
        if pos + 4 > len(data) or data[pos] != 0xFF:
            raise StreamError('bad marker at %d' % pos)
        marker = data[pos + 1]
        length = struct.unpack('>H', data[pos + 2:pos + 4])[0]
        payload = data[pos + 4:pos + 2 + length]
        if len(payload) != length - 2:
            raise StreamError('truncated segment at %d' % pos)
        segments.append((marker, payload))
        pos += 2 + length
        if marker == SOS:
            return segments, data[pos:]


def quantisation_tables(payload):
    tables = {}
    pos = 0
    while pos < len(payload):
        pq, tq = payload[pos] >> 4, payload[pos] & 15
        if pq != 0:
            raise StreamError('16-bit quantisation table')
        tables[tq] = payload[pos:pos + 65]
        pos += 65
    return tables


def huffman_tables(payload):
    tables = {}
    pos = 0
    while pos < len(payload):
        tc, th = payload[pos] >> 4, payload[pos] & 15
        count = sum(payload[pos + 1:pos + 17])
        tables[(tc, th)] = payload[pos:pos + 17 + count]
        pos += 17 + count
    return tables


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack('>H', len(payload) + 2) + payload


def rewrite(data, width, height, dpi, dri_before_dht):
    segments, scan = split_segments(data)
    dqt, dht = {}, {}
    sof = sos = dri = None
    for marker, payload in segments:
        if marker == DQT:
            dqt.update(quantisation_tables(payload))
        elif marker == DHT:
            dht.update(huffman_tables(payload))
        elif marker == SOF0:
            sof = payload
        elif marker == DRI:
            dri = payload
        elif marker == SOS:
            sos = payload
        elif marker != APP0:
            raise StreamError('unexpected marker %02X' % marker)

    mcus_per_row = (width + 7) // 8
    expected_sof = struct.pack('>BHHB', 8, height, width, 3) + bytes(
        [1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1])
    if sof != expected_sof:
        raise StreamError('unexpected frame header %s' % sof.hex())
    if sos != bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]):
        raise StreamError('unexpected scan header %s' % sos.hex())
    if dri != struct.pack('>H', mcus_per_row):
        raise StreamError('unexpected restart interval')
    if sorted(dqt) != [0, 1] or sorted(dht) != [(0, 0), (0, 1), (1, 0), (1, 1)]:
        raise StreamError('unexpected table set')
    if scan[-2:] != b'\xff\xd9':
        raise StreamError('stream does not end with EOI')

    app0 = b'JFIF\x00' + struct.pack('>BBBHHBB', 1, 2, 1, dpi, dpi, 0, 0)
    dqt_segment = segment(DQT, dqt[0] + dqt[1])
    dht_segment = segment(DHT, dht[(0, 0)] + dht[(0, 1)] + dht[(1, 0)] + dht[(1, 1)])
    dri_segment = segment(DRI, dri)
    tables = dri_segment + dht_segment if dri_before_dht else dht_segment + dri_segment
    return (b'\xff\xd8' + segment(APP0, app0) + dqt_segment + segment(SOF0, sof)
            + tables + segment(SOS, sos) + scan)


def restart_markers(scan):
    """The RSTn numbers found in entropy-coded data (stuffed 0xFF 0x00 skipped)."""
    found = []
    pos = 0
    while True:
        pos = scan.find(b'\xff', pos)
        if pos < 0 or pos + 1 >= len(scan):
            return found
        following = scan[pos + 1]
        if 0xD0 <= following <= 0xD7:
            found.append(following - 0xD0)
        pos += 2 if following != 0xFF else 1


def make_picture(number, quality):
    _, dpi, dri_before_dht, _ = SETTINGS[number]
    png = os.path.join(PHOTOS, '%02d.png' % number)
    width, height = png_size(png)
    stream = rewrite(encode(png, quality), width, height, dpi, dri_before_dht)
    rows = (height + 7) // 8
    scan = split_segments(stream)[1]
    markers = restart_markers(scan[:-2])
    if markers != [i % 8 for i in range(rows - 1)]:
        raise StreamError('picture %d: restart markers %r' % (number, markers))
    return stream


def nearest_quality(number):
    target = SETTINGS[number][3]
    best = None
    for quality in range(50, 101):
        size = len(make_picture(number, quality))
        if best is None or abs(size - target) < abs(best[1] - target):
            best = (quality, size)
    return best


def main():
    fit = '--fit' in sys.argv[1:]
    os.makedirs(PICTURES, exist_ok=True)
    for number in sorted(SETTINGS):
        quality, _, _, target = SETTINGS[number]
        stream = make_picture(number, quality)
        with open(os.path.join(PICTURES, '%02d.jpg' % number), 'wb') as f:
            f.write(stream)
        line = '%02d.jpg quality %3d: %7d bytes (target %7d, %+.1f %%)' % (
            number, quality, len(stream), target, 100.0 * (len(stream) - target) / target)
        if fit:
            line += '; nearest: quality %d, %d bytes' % nearest_quality(number)
        print(line)


if __name__ == '__main__':
    try:
        main()
    except (StreamError, subprocess.CalledProcessError) as error:
        sys.exit('make_pictures: %s' % error)
