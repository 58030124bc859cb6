#!/usr/bin/env python3
"""Builds the zip of one velmor.scr for installing by hand: the executable,
the readme in English and in Japanese and the photographs' credits, as
Windows text files.  The same tree always gives the same bytes: fixed order,
times (the release time) and attributes.

Usage: make_zip.py 32|64 VELMOR.SCR OUT.zip
"""
import os
import sys
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import release_info  # noqa: E402

ARCH = {"32": "x86", "64": "x64"}


def windows_text(text, bom=False):
    """CRLF line ends; a byte-order mark tells Notepad the text is UTF-8."""
    return ((b"\xef\xbb\xbf" if bom else b"") +
            text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8"))


def readme(name, bits, version):
    """pack/NAME with this zip's names and version filled in."""
    with open(os.path.join(HERE, name), encoding="utf-8") as template:
        text = template.read()
    other = "64" if bits == "32" else "32"
    for key, value in (("VERSION", version), ("BITS", bits), ("ARCH", ARCH[bits]),
                       ("OTHER_BITS", other), ("OTHER_ARCH", ARCH[other])):
        text = text.replace("@%s@" % key, value)
    return text


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ARCH:
        sys.exit(__doc__)
    bits, scr, out = sys.argv[1:]
    version = release_info.read(os.path.join(ROOT, "res", "velmor.rc"))["version"]
    # A zip stores local time in two-second steps, from 1980 on.
    stamp = time.gmtime(max(release_info.source_date_epoch(ROOT), 315532800))[:6]
    with open(scr, "rb") as saver, open(os.path.join(ROOT, "res", "photos", "CREDITS.md"),
                                        encoding="utf-8") as credits:
        members = [
            ("velmor.scr", saver.read()),
            ("README.txt", windows_text(readme("README.txt", bits, version))),
            ("README-ja.txt", windows_text(readme("README-ja.txt", bits, version), bom=True)),
            ("CREDITS.txt", windows_text(credits.read())),
        ]
    with zipfile.ZipFile(out + ".part", "w") as archive:
        for name, data in members:
            entry = zipfile.ZipInfo(name, stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0  # MS-DOS: attributes below are DOS ones
            entry.external_attr = 0x20  # archive bit, nothing else
            archive.writestr(entry, data, compresslevel=9)
    os.replace(out + ".part", out)


if __name__ == "__main__":
    main()
