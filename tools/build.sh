#!/usr/bin/env bash
# Builds velmor.scr and its Windows tests for 32-bit Windows (build/win32,
# the primary velmor.scr) and for 64-bit Windows (build/win64), and the host
# build of the decoder with sanitizers and the fuzzer (build/host).
#   tools/build.sh [--win-only] [--only 32|64]
set -euo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$VELMOR_ROOT"
jobs=$(nproc)
host=1
trees="32 64"
while [ $# -gt 0 ]; do
    case "$1" in
        --win-only) host=0 ;;
        --only) trees=$2; host=0; shift ;;
        *) echo "build: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
toolchain() { [ "$1" = 32 ] && echo cmake/mingw-i686.cmake || echo cmake/mingw-x86_64.cmake; }
for bits in $trees; do
    if [ ! -f "build/win$bits/CMakeCache.txt" ]; then
        cmake -S . -B "build/win$bits" -DCMAKE_TOOLCHAIN_FILE="$(toolchain "$bits")" \
              -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    cmake --build "build/win$bits" -j"$jobs"
done
if [ "$host" = 1 ]; then
    if [ ! -f build/host/CMakeCache.txt ]; then
        cmake -S . -B build/host -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
              -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMOR_SANITIZE=ON -DVELMOR_FUZZ=ON >/dev/null
    fi
    cmake --build build/host -j"$jobs"
fi
