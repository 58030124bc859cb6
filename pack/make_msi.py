#!/usr/bin/env python3
"""Builds the Windows Installer package of one velmor.scr with wixl, so that
the same tree always gives the same bytes.

Usage: make_msi.py x86|x64 VELMOR.SCR OUT.msi [VERSION]

VERSION (default: the executable's, from res/velmor.rc) lets a test build a
newer package of the same executable.

wixl stamps the current time into the summary information and picks a random
package code, and its cabinet carries the files' modification times.  So it
runs under faketime at the release time, on copies dated at that time, and
the package code is then set from a hash of the package itself.  wixl also
cannot mark a component 64-bit, permanent or conditional, nor record a
file's version; msibuild sets those afterwards.
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import pe_resources  # noqa: E402
import release_info  # noqa: E402

# Product and package codes are name-based UUIDs in this namespace.
CODES = uuid.uuid5(uuid.NAMESPACE_DNS, "velmor.invalid")

# Component attributes (Windows Installer's msidbComponentAttributes...).
REGISTRY_KEY_PATH = 0x4
PERMANENT = 0x10
WIN64 = 0x100


def run(command, cwd, epoch):
    """Runs a msitools command with the clock frozen at `epoch` (UTC)."""
    frozen = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(epoch))
    env = dict(os.environ, TZ="UTC")
    result = subprocess.run(["faketime", frozen] + command, cwd=cwd, env=env,
                            capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("make_msi: %s failed:\n%s%s" % (command[0], result.stdout, result.stderr))


def set_component_attributes(msi, arch, cwd, epoch):
    """The saver's component is 64-bit in the x64 package (else Windows
    would redirect it to the 32-bit system folder); the one that makes velmor
    the user's screen saver is installed only with ACTIVATE=1 and never
    removed, since the choice belongs to the user from then on."""
    win64 = WIN64 if arch == "x64" else 0
    activate = REGISTRY_KEY_PATH | PERMANENT | win64
    run(["msibuild", msi,
         "-q", "UPDATE `Component` SET `Attributes` = %d WHERE `Component` = 'Saver'" % win64,
         "-q", "UPDATE `Component` SET `Attributes` = %d, `Condition` = 'ACTIVATE=1' "
               "WHERE `Component` = 'Activate'" % activate], cwd, epoch)


def set_file_version(msi, scr, cwd, epoch):
    """The File row carries the version and languages of the packaged
    velmor.scr, read from the file itself.  Windows Installer then treats it
    as the versioned file it is: it replaces an older velmor.scr already in
    the system folder (one copied there by hand) and keeps a newer one.  As
    wixl leaves it, unversioned with a hash row, Windows keeps any
    versioned file found there, however old, and reports success."""
    version, languages = pe_resources.file_version(scr)
    run(["msibuild", msi,
         "-q", "UPDATE `File` SET `Version` = '%s', `Language` = '%s' WHERE `File` = 'velmor.scr'"
               % (version, ",".join(str(language) for language in languages)),
         "-q", "DELETE FROM `MsiFileHash` WHERE `File_` = 'velmor.scr'"], cwd, epoch)


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    arch, scr, out = sys.argv[1:4]
    if arch not in ("x86", "x64"):
        sys.exit("make_msi: the architecture is x86 or x64, not %s" % arch)
    info = release_info.read(os.path.join(ROOT, "res", "velmor.rc"))
    version = sys.argv[4] if len(sys.argv) == 5 else info["version"]
    epoch = release_info.source_date_epoch(ROOT)
    description = "velmor %s, a photo slide-show screen saver" % version
    product_code = uuid.uuid5(CODES, "product %s %s" % (arch, version))

    with tempfile.TemporaryDirectory() as stage:
        for source, name in ((scr, "velmor.scr"), (os.path.join(ROOT, "res", "velmor.ico"),
                                                   "velmor.ico")):
            shutil.copyfile(source, os.path.join(stage, name))
            os.utime(os.path.join(stage, name), (epoch, epoch))
        msi = os.path.join(stage, "velmor.msi")
        run(["wixl", "-a", arch, "-o", msi,
             "-D", "Arch=" + arch, "-D", "Version=" + version,
             "-D", "ProductCode=" + str(product_code).upper(),
             "-D", "Manufacturer=" + info["manufacturer"], "-D", "Comments=" + info["comments"],
             os.path.join(HERE, "velmor.wxs")], stage, epoch)
        set_component_attributes(msi, arch, stage, epoch)
        set_file_version(msi, scr, stage, epoch)
        # The package code names these exact bytes: a hash of the package
        # with a placeholder in place of wixl's random code.
        template = ("x64" if arch == "x64" else "Intel") + ";1033"
        summary = ["msibuild", msi, "-s", description, info["manufacturer"], template]
        run(summary + ["{%s}" % uuid.UUID(int=0)], stage, epoch)
        with open(msi, "rb") as package:
            digest = hashlib.sha256(package.read()).hexdigest()
        run(summary + ["{%s}" % str(uuid.uuid5(CODES, "package " + digest)).upper()], stage,
            epoch)
        shutil.copyfile(msi, out)


if __name__ == "__main__":
    main()
