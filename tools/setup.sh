#!/usr/bin/env bash
# Installs every Debian package that building, running and testing velmor
# needs, makes the unprivileged user velmor-user that one test runs Wine as,
# and creates the Wine prefix of the Wine this machine runs: a 32-bit prefix
# where i386 code executes, a 64-bit one (wine64) where it does not, or where
# VELMOR_WINE_ARCH=64 asks for it.  Safe to run again: packages, the user and
# a prefix already made are left as they are.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake make g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64
  xvfb x11-utils imagemagick libjpeg-turbo-progs libturbojpeg0-dev libstb-dev
  doctest-dev libbenchmark-dev
  locales fonts-ipafont-gothic python3
  wixl msitools faketime
  # The coverage report (tools/coverage.sh).
  gcovr
  # Several monitors: Xorg with the dummy driver and RandR outputs
  # (tools/xorg-monitors.sh); each Wine reads the layout through these
  # libraries, without which it sees one monitor.
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  libxrandr2 libxinerama1 libxrandr2:i386 libxinerama1:i386
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The saver's home system runs code page 932; the tests run under ja_JP,
# and one of them under en_US (code page 1252).
for loc in ja_JP en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
    localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  fi
done

# The unprivileged user that the standard-user settings test runs Wine as.
id -u velmor-user >/dev/null 2>&1 || useradd -m velmor-user

bits=$("$here/tools/wine-arch.sh")
. "$here/tools/wine-env.sh"
wine_env "$bits"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setup: creating the ${bits}-bit Wine prefix $WINEPREFIX"
    wine_prefix_ready || { echo "setup: could not create $WINEPREFIX" >&2; exit 1; }
fi
echo "setup: done"
