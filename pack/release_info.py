#!/usr/bin/env python3
"""What the release packages say about velmor, read from the resource script
so that the executable and its packages never disagree: the version (from
FILEVERSION), the maker (CompanyName) and the photographs' credits
(Comments).

Usage: release_info.py RESOURCE-SCRIPT      prints the package version
"""
import os
import re
import subprocess
import sys


def version_of(rc_text):
    """FILEVERSION a,b,0,d as the package version a.b.d: Windows Installer
    compares only three fields, and the executable counts its builds in the
    fourth."""
    found = re.search(r"^\s*FILEVERSION\s+(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)", rc_text,
                      re.MULTILINE)
    if not found:
        raise ValueError("no FILEVERSION line")
    major, minor, third, build = found.groups()
    if third != "0":
        raise ValueError("FILEVERSION %s,%s,%s,%s: the third field must be 0 (the package "
                         "version is fields 1, 2 and 4)" % (major, minor, third, build))
    return "%s.%s.%s" % (major, minor, build)


def string_value(rc_text, key):
    """A VALUE of the version block's string table, with "" unescaped."""
    found = re.search(r'^\s*VALUE\s+"%s"\s*,\s*"((?:[^"]|"")*)"' % re.escape(key), rc_text,
                      re.MULTILINE)
    if not found:
        raise ValueError("no %s value" % key)
    return found.group(1).replace('""', '"')


def read(rc_path):
    """{'version', 'manufacturer', 'comments'} of the resource script."""
    with open(rc_path, encoding="utf-8") as rc:
        text = rc.read()
    return {
        "version": version_of(text),
        "manufacturer": string_value(text, "CompanyName"),
        "comments": string_value(text, "Comments"),
    }


def source_date_epoch(root):
    """The time stamped into the packages: SOURCE_DATE_EPOCH when set, else
    the time of the checkout's last commit, so that building the same tree
    twice gives the same bytes."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        stamp = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"],
                               capture_output=True, text=True, check=True).stdout.strip()
        return int(stamp)
    except (OSError, subprocess.CalledProcessError, ValueError):
        return 315532800  # 1980-01-01, the earliest time a zip entry can hold


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    print(read(sys.argv[1])["version"])
