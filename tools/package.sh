#!/usr/bin/env bash
# The release command: builds both Windows trees and writes into dist/
#   velmor-VERSION-x86.msi     Windows Installer package, 32-bit Windows
#   velmor-VERSION-x64.msi     Windows Installer package, 64-bit Windows
#   velmor-VERSION-win32.zip   velmor.scr, readmes and credits, 32-bit Windows
#   velmor-VERSION-win64.zip   the same for 64-bit Windows
#   SHA256SUMS
# VERSION is the executable's (FILEVERSION in res/velmor.rc).  The files
# carry the time of the last commit (or SOURCE_DATE_EPOCH), so building the
# same commit again gives the same bytes.
set -euo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$VELMOR_ROOT"

bash tools/setup.sh >/dev/null
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH
version=$(python3 pack/release_info.py res/velmor.rc)

# Package afresh: packages left from an earlier commit carry its time.
rm -f build/win32/pack/velmor-* build/win64/pack/velmor-*
bash tools/build.sh --win-only >/dev/null || { echo "package: the build failed" >&2; exit 1; }

files=(velmor-$version-x86.msi velmor-$version-x64.msi
       velmor-$version-win32.zip velmor-$version-win64.zip)
mkdir -p dist
rm -f dist/velmor-* dist/SHA256SUMS
cp "build/win32/pack/${files[0]}" "build/win64/pack/${files[1]}" \
   "build/win32/pack/${files[2]}" "build/win64/pack/${files[3]}" dist/
(cd dist && sha256sum "${files[@]}" > SHA256SUMS)
echo "package: velmor $version in $VELMOR_ROOT/dist:"
(cd dist && ls -l "${files[@]}" SHA256SUMS | awk '{ printf "  %-28s %9d bytes\n", $9, $5 }')
