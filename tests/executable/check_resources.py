#!/usr/bin/env python3
"""Reads the resource directory of a built velmor.scr (PE32 or PE32+) without
Wine and checks that it carries exactly the saver's resources, all in
Japanese (0x0411), with each IMGDAT stream equal to its committed file.

Usage: check_resources.py SCR PROJECT-ROOT      exit code 0 when all is well
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "pack"))
from pe_resources import resources  # noqa: E402

JAPANESE = 0x0411
PICTURE_IDS = [140, 142, 155, 144, 145, 146, 147, 148, 149, 150, 151, 152]
EXPECTED = {(1, 2), (3, 1), (5, 103), (12, 102), (14, 101), (16, 1)} | {
    ("IMGDAT", i) for i in PICTURE_IDS}


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
