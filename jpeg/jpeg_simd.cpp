#include "jpeg/jpeg_simd.h"

#include <atomic>

#if defined(_MSC_VER) && defined(VELMOR_JPEG_AVX2)
#include <immintrin.h>
#include <intrin.h>
#endif

namespace jpeg_internal {

namespace {

// AVX2 needs the CPU's support and the system's: it must save the 256-bit
// registers on a thread switch.
bool CpuHasAvx2() {
#if !defined(VELMOR_JPEG_AVX2) || !defined(VELMOR_JPEG_SSE2)
    return false;
#elif defined(__GNUC__)
    return __builtin_cpu_supports("avx2");
#else
    int info[4];
    __cpuid(info, 1);
    const bool osSaves = (info[2] & (1 << 27)) != 0 && (info[2] & (1 << 28)) != 0;
    if (!osSaves || (_xgetbv(0) & 6) != 6) return false;
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 5)) != 0;
#endif
}

std::atomic<int> pathLimit{static_cast<int>(SimdPath::AVX2)};

}  // namespace

bool PathSupported(SimdPath path) {
    switch (path) {
        case SimdPath::SCALAR:
            return true;
        case SimdPath::SSE2:
#ifdef VELMOR_JPEG_SSE2
            return true;
#else
            return false;
#endif
        case SimdPath::AVX2: {
            static const bool avx2 = CpuHasAvx2();
            return avx2;
        }
    }
    return false;
}

SimdPath ActivePath() {
    int path = pathLimit.load(std::memory_order_relaxed);
    while (path > 0 && !PathSupported(static_cast<SimdPath>(path))) --path;
    return static_cast<SimdPath>(path);
}

void LimitPath(SimdPath path) {
    pathLimit.store(static_cast<int>(path), std::memory_order_relaxed);
}

const char* PathName(SimdPath path) {
    static const char* const NAMES[] = {"scalar", "SSE2", "AVX2"};
    return NAMES[static_cast<int>(path)];
}

}  // namespace jpeg_internal
