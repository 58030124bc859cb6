#!/usr/bin/env python3
"""Reads the resource directory of a built velmor.scr (PE32 or PE32+) without
Wine and checks that it carries exactly the saver's resources, all in
Japanese (0x0411), with each IMGDAT stream equal to its committed file.

Usage: check_resources.py SCR PROJECT-ROOT      exit code 0 when all is well
"""
import struct
import sys

JAPANESE = 0x0411
PICTURE_IDS = [140, 142, 155, 144, 145, 146, 147, 148, 149, 150, 151, 152]
EXPECTED = {(1, 2), (3, 1), (5, 103), (12, 102), (14, 101), (16, 1)} | {
    ("IMGDAT", i) for i in PICTURE_IDS}


def resource_section(image):
    """The .rsrc bytes and their virtual address."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    magic = struct.unpack_from("<H", image, pe + 24)[0]
    directories = pe + 24 + (96 if magic == 0x10B else 112)
    rva, size = struct.unpack_from("<II", image, directories + 2 * 8)
    table = pe + 24 + optional_size
    for i in range(sections):
        _, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", image, table + 40 * i)
        if vaddr <= rva < vaddr + max(vsize, rawsize):
            return image[rawptr:rawptr + rawsize], vaddr, rva - vaddr
    raise ValueError("no resource section")


def entries(section, offset):
    """(name or id, is-directory, target offset) of one directory level."""
    named, numbered = struct.unpack_from("<12xHH", section, offset)
    for i in range(named + numbered):
        name, target = struct.unpack_from("<II", section, offset + 16 + 8 * i)
        if name & 0x80000000:
            at = name & 0x7FFFFFFF
            length = struct.unpack_from("<H", section, at)[0]
            name = section[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        yield name, bool(target & 0x80000000), target & 0x7FFFFFFF


def resources(path):
    """{(type, name): {language: bytes}}"""
    image = open(path, "rb").read()
    section, vaddr, root = resource_section(image)
    found = {}
    for rtype, _, names in entries(section, root):
        for name, _, languages in entries(section, names):
            for language, _, leaf in entries(section, languages):
                data_rva, size = struct.unpack_from("<II", section, leaf)
                data = section[data_rva - vaddr:data_rva - vaddr + size]
                found.setdefault((rtype, name), {})[language] = data
    return found


def main():
    scr, root = sys.argv[1], sys.argv[2]
    found = resources(scr)
    problems = []
    if set(found) != EXPECTED:
        problems.append("unexpected %s, missing %s" % (
            sorted(map(str, set(found) - EXPECTED)), sorted(map(str, EXPECTED - set(found)))))
    for key, languages in found.items():
        if list(languages) != [JAPANESE]:
            problems.append("%s in languages %s" % (key, [hex(l) for l in languages]))
    for number, rid in enumerate(PICTURE_IDS, 1):
        committed = open("%s/res/pictures/%02d.jpg" % (root, number), "rb").read()
        if found.get(("IMGDAT", rid), {}).get(JAPANESE) != committed:
            problems.append("IMGDAT %d differs from res/pictures/%02d.jpg" % (rid, number))
    version = found.get((16, 1), {}).get(JAPANESE, b"")
    if "1, 0, 0, 4".encode("utf-16-le") not in version:
        problems.append("the version block does not say 1, 0, 0, 4")
    for problem in problems:
        print("FAIL:", problem)
    if not problems:
        print("ok: %d resources, all in Japanese; the pictures equal their files" % len(found))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
