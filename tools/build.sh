#!/usr/bin/env bash
# Builds velmor.scr and its Windows tests (build/win) and the host build of
# the decoder with sanitizers and the fuzzer (build/host).
set -euo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$VELMOR_ROOT"
jobs=$(nproc)
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j"$jobs"
if [ "${1:-}" != "--win-only" ]; then
    cmake -S . -B build/host -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
          -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMOR_SANITIZE=ON -DVELMOR_FUZZ=ON >/dev/null
    cmake --build build/host -j"$jobs"
fi
