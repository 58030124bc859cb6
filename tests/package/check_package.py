#!/usr/bin/env python3
"""Checks a release package of velmor.scr on the host, without Wine.

  check_package.py msi PACKAGE.msi VELMOR.SCR x86|x64
      the package's tables (msidump): the one file and where it goes, the
      version (the executable's), the upgrade code and upgrade rules, what
      Add/Remove Programs shows, and that nothing else is installed; its
      cabinet holds the executable, which carries no link time; building
      the package again gives the same bytes.
  check_package.py zip PACKAGE.zip VELMOR.SCR 32|64
      the zip's entries: the executable, the two readmes and the credits as
      Windows text; building it again gives the same bytes.

Exit code 0 when all is well; each problem is one FAIL line.
"""
import calendar
import os
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "executable"))
from check_resources import JAPANESE, resources  # noqa: E402

# The packages' identity for Windows Installer: never to change, or a newer
# package would no longer replace an installed older one.
UPGRADE_CODES = {"x86": "{89DEAE5B-F678-4045-A9FA-D7A57E322A44}",
                 "x64": "{088FEA86-1943-43D4-9035-D00907BE367C}"}
SYSTEM_FOLDERS = {"x86": "SystemFolder", "x64": "System64Folder"}
ONLY_DETECT, INCLUDE_MINIMUM, INCLUDE_MAXIMUM = 0x2, 0x100, 0x200
REGISTRY_KEY_PATH, PERMANENT, WIN64 = 0x4, 0x10, 0x100
# Tables whose rows would install or change something beyond the one file
# and the one optional registry value.
NOTHING_ELSE = ["CreateFolder", "RemoveFile", "Shortcut", "ServiceInstall", "ServiceControl",
                "CustomAction", "IniFile", "Environment", "MoveFile", "DuplicateFile",
                "RemoveRegistry", "Class", "Extension", "ProgId", "TypeLib"]

problems = []


def expect(condition, message):
    if not condition:
        problems.append(message)


def version_value(block, key):
    """The bytes of a version block's value `key`, up to the next double NUL
    or the block's end."""
    key = (key + "\0").encode("utf-16-le")
    start = block.find(key) + len(key)
    start += -start % 4
    end = start
    while end < len(block) and block[end:end + 2] != b"\0\0":
        end += 2
    return block[start:end]


def executable_facts(scr):
    """(package version a.b.d, CompanyName, file version a.b.c.d, Translation
    language) from the executable's version block."""
    block = resources(scr)[(16, 1)][JAPANESE]
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))
    high, low = struct.unpack_from("<II", block, fixed + 8)
    version = "%d.%d.%d" % (high >> 16, high & 0xFFFF, low & 0xFFFF)
    file_version = "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)
    language = struct.unpack_from("<H", version_value(block, "Translation"))[0]
    maker = version_value(block, "CompanyName").decode("utf-16-le")
    return version, maker, file_version, language


def link_time(scr):
    """The COFF header's TimeDateStamp: 0 unless the linker stamped the time."""
    with open(scr, "rb") as image:
        data = image.read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<I", data, pe + 8)[0]


def tables(msi, folder):
    """{table: [row as a list of columns]} of every table of the package."""
    # msidump writes binary columns into the working directory: run it there.
    subprocess.run(["msidump", "-t", "-s", "-d", folder, os.path.abspath(msi)], check=True,
                   stdout=subprocess.DEVNULL, cwd=folder)
    found = {}
    for name in os.listdir(folder):
        if name.endswith(".idt"):
            with open(os.path.join(folder, name), encoding="utf-8", newline="") as idt:
                lines = idt.read().split("\r\n")[3:]
            found[name[:-4]] = [line.split("\t") for line in lines if line]
    return found


def summary(msi):
    """{field: text} of the summary information, times in UTC."""
    text = subprocess.run(["msiinfo", "suminfo", msi], check=True, capture_output=True,
                          text=True, env=dict(os.environ, TZ="UTC")).stdout
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


def rebuilt_same(tool, arguments, epoch, original):
    """True when pack/TOOL builds the same bytes again at the same time."""
    with tempfile.TemporaryDirectory() as folder:
        again = os.path.join(folder, os.path.basename(original))
        subprocess.run(["python3", os.path.join(ROOT, "pack", tool)] + arguments + [again],
                       check=True, env=dict(os.environ, SOURCE_DATE_EPOCH=str(epoch)))
        with open(again, "rb") as a, open(original, "rb") as b:
            return a.read() == b.read()


def check_msi(msi, scr, arch):
    version, maker = executable_facts(scr)[:2]
    folder_id = SYSTEM_FOLDERS[arch]
    with tempfile.TemporaryDirectory() as folder:
        t = tables(msi, folder)
        with open(os.path.join(folder, "_Streams", "Icon.velmor.ico"), "rb") as icon, \
                open(os.path.join(ROOT, "res", "velmor.ico"), "rb") as saver_icon:
            expect(icon.read() == saver_icon.read(), "the icon is not res/velmor.ico")
        subprocess.run(["msiextract", "-C", folder + "/cab", msi], check=True,
                       stdout=subprocess.DEVNULL)
        with open(os.path.join(folder, "cab", "velmor.scr"), "rb") as packed, \
                open(scr, "rb") as built:
            expect(packed.read() == built.read(), "the cabinet's velmor.scr is not the build's")
        expect(os.listdir(os.path.join(folder, "cab")) == ["velmor.scr"],
               "the cabinet holds %s" % os.listdir(os.path.join(folder, "cab")))
        file_version, language = executable_facts(os.path.join(folder, "cab", "velmor.scr"))[2:]

    props = dict(row[:2] for row in t["Property"])
    expect(props.get("ProductVersion") == version,
           "ProductVersion %s, the executable's is %s" % (props.get("ProductVersion"), version))
    expect(props.get("UpgradeCode") == UPGRADE_CODES[arch], "UpgradeCode %s" % props.get("UpgradeCode"))
    expect(props.get("Manufacturer") == maker, "Manufacturer %s" % props.get("Manufacturer"))
    expect(props.get("ALLUSERS") == "1", "not a per-machine package")
    comments = props.get("ARPCOMMENTS", "")
    expect(all(s in comments for s in ("Berasategi", "Freespace", "CC BY 4.0")),
           "ARPCOMMENTS lacks the photographs' credits: %r" % comments)
    expect([row[0] for row in t["Icon"]] == [props.get("ARPPRODUCTICON")],
           "ARPPRODUCTICON %s, icons %s" % (props.get("ARPPRODUCTICON"), t["Icon"]))

    expect(sorted(row[0] for row in t["Directory"]) == sorted(["TARGETDIR", folder_id]),
           "directories %s" % t["Directory"])
    # A versioned file, with the version and language Windows Installer reads
    # from the packaged velmor.scr, so that it replaces an older one on disk.
    expect([row[1:6] for row in t["File"]] == [["Saver", "velmor.scr", str(os.path.getsize(scr)),
                                                  file_version, str(language)]],
           "files %s, velmor.scr is version %s, language %d" % (t["File"], file_version, language))
    expect(not t.get("MsiFileHash"), "MsiFileHash has rows %s, for a versioned file"
           % t.get("MsiFileHash"))
    win64 = WIN64 if arch == "x64" else 0
    components = {row[0]: row[2:] for row in t["Component"]}
    expect(components.get("Saver") == [folder_id, str(win64), "", "velmor.scr"],
           "component Saver %s" % components.get("Saver"))
    activate = components.get("Activate", ["", "0", "", ""])
    expect(activate[:3] == [folder_id, str(REGISTRY_KEY_PATH | PERMANENT | win64), "ACTIVATE=1"],
           "component Activate %s (want permanent, ACTIVATE=1 only)" % activate)
    expect(len(components) == 2, "components %s" % sorted(components))
    expect([row[1:] for row in t["Registry"]] == [
        ["1", "Control Panel\\Desktop", "SCRNSAVE.EXE", "[%s]velmor.scr" % folder_id,
         "Activate"]], "registry %s" % t["Registry"])
    for table in NOTHING_ELSE:
        expect(not t.get(table), "%s has rows %s" % (table, t.get(table)))

    upgrade = t["Upgrade"]
    code = UPGRADE_CODES[arch]
    older = [r for r in upgrade if r[0] == code and r[1] == "" and r[2] == version and
             not int(r[4]) & (ONLY_DETECT | INCLUDE_MAXIMUM)]
    newer = [r for r in upgrade if r[0] == code and r[1] == version and r[2] == "" and
             int(r[4]) & ONLY_DETECT and not int(r[4]) & INCLUDE_MINIMUM]
    expect(len(upgrade) == 2 and older and newer, "upgrade rules %s" % upgrade)
    conditions = dict(row[:2] for row in t["LaunchCondition"])
    if newer:
        expect(conditions.get("NOT " + newer[0][6], "").startswith("A newer version"),
               "no message refusing a downgrade: %s" % conditions)
    bitness = "VersionNT64" if arch == "x64" else "NOT VersionNT64"
    expect(bitness in conditions, "no launch condition %s: %s" % (bitness, conditions))
    actions = [row[0] for row in t["InstallExecuteSequence"]]
    expect("FindRelatedProducts" in actions and "RemoveExistingProducts" in actions,
           "the sequence does not remove older versions")

    expect(link_time(scr) == 0, "velmor.scr carries its link time: the same sources would "
           "give another package")
    info = summary(msi)
    expect(info.get("Template") == ("x64" if arch == "x64" else "Intel") + ";1033",
           "template %s" % info.get("Template"))
    created = calendar.timegm(time.strptime(info["Created"], "%a %b %d %H:%M:%S %Y"))
    expect(rebuilt_same("make_msi.py", [arch, scr], created, msi),
           "building the package again gives other bytes")


def check_zip(path, scr, bits):
    version = executable_facts(scr)[0]
    arch = "x64" if bits == "64" else "x86"
    with zipfile.ZipFile(path) as archive:
        entries = archive.infolist()
        names = [e.filename for e in entries]
        expect(names == ["velmor.scr", "README.txt", "README-ja.txt", "CREDITS.txt"],
               "entries %s" % names)
        data = {name: archive.read(name) for name in names}
    with open(scr, "rb") as built:
        expect(data.get("velmor.scr") == built.read(), "velmor.scr is not the build's")
    with open(os.path.join(ROOT, "res", "photos", "CREDITS.md"), "rb") as credits:
        expect(data.get("CREDITS.txt") == credits.read().replace(b"\n", b"\r\n"),
               "CREDITS.txt is not res/photos/CREDITS.md with CRLF")
    for name, bom in (("README.txt", b""), ("README-ja.txt", b"\xef\xbb\xbf")):
        raw = data.get(name, b"")
        expect(raw.startswith(bom) and raw.count(b"\n") == raw.count(b"\r\n") > 0,
               "%s is not Windows text" % name)
        text = raw[len(bom):].decode("utf-8", "replace")
        for needle in ("velmor %s" % version, "msiexec /i velmor-%s-%s.msi /qn" % (version, arch),
                       "%LOCALAPPDATA%\\VirtualStore\\Windows\\velmor.INI",
                       "https://creativecommons.org/licenses/by/4.0/"):
            expect(needle in text, "%s does not say %r" % (name, needle))
        expect("@" not in text, "%s has a placeholder left" % name)
    expect(any("\u3040" <= c <= "\u30ff" for c in data.get("README-ja.txt", b"").decode(
        "utf-8", "replace")), "README-ja.txt is not Japanese")
    stamp = calendar.timegm(entries[0].date_time + (0, 0, 0))
    expect(rebuilt_same("make_zip.py", [bits, scr], stamp, path),
           "building the zip again gives other bytes")


def main():
    if len(sys.argv) != 5 or sys.argv[1] not in ("msi", "zip"):
        sys.exit(__doc__)
    kind, package, scr, arch = sys.argv[1:]
    (check_msi if kind == "msi" else check_zip)(package, scr, arch)
    for problem in problems:
        print("FAIL:", problem)
    if not problems:
        print("ok: %s" % os.path.basename(package))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
