#!/bin/sh
# The decoder benchmark as a 32-bit x86 program against 32-bit libjpeg-turbo:
# the code the 32-bit saver runs.  Needs (Debian, i386 architecture added):
#   apt-get install gcc-multilib g++-multilib libturbojpeg0-dev:i386 libstb-dev
# Builds build/bench32 and runs jpeg_bench there with the given arguments
# (e.g. 30 rounds).  On a machine that cannot execute i386 code it says so.
# Note: 32-bit glibc takes every block over 512 KB straight from the kernel,
# so each decode of 10.jpg and 11.jpg pays for fresh pages of its pixel
# block, which libjpeg-turbo's reused output buffer does not; run with
# MALLOC_MMAP_THRESHOLD_=8388608 to compare the decoding alone.
#   bench/jpeg_bench_32.sh [rounds]
set -e
cd "$(dirname "$0")/.."
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "jpeg_bench 32-bit: not run: this machine cannot execute i386 code"
    exit 0
fi
library=/usr/lib/i386-linux-gnu/libturbojpeg.so
if [ ! -e "$library" ]; then
    echo "jpeg_bench 32-bit: needs gcc-multilib g++-multilib libturbojpeg0-dev:i386" >&2
    exit 1
fi
cmake -S . -B build/bench32 -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 -DCMAKE_BUILD_TYPE=Release \
      -DVELMOR_BENCH=ON -DTURBOJPEG_LIBRARY="$library" >/dev/null
cmake --build build/bench32 --target jpeg_bench -j2 >/dev/null
exec build/bench32/bench/jpeg_bench "$@"
