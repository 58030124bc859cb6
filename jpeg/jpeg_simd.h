#ifndef VELMOR_JPEG_JPEG_SIMD_H
#define VELMOR_JPEG_JPEG_SIMD_H

// Which vector instructions the scan's transforms use.  The build decides
// whether SSE2 is there (always on x86 builds of velmor); AVX2 is found at
// run time, so the same executable runs on any SSE2 machine.
namespace jpeg_internal {

enum class SimdPath { SCALAR, SSE2, AVX2 };

// Whether this build and this CPU can run `path`.
bool PathSupported(SimdPath path);
// The path the next scans use: the best supported one, or less when a test
// or the benchmark asked for less.
SimdPath ActivePath();
// Makes the next scans use `path` at the most (where supported).
void LimitPath(SimdPath path);
const char* PathName(SimdPath path);  // "scalar", "SSE2", "AVX2"

}  // namespace jpeg_internal

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VELMOR_JPEG_SSE2 1
#endif
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#define VELMOR_JPEG_AVX2 1
#if defined(__GNUC__)
// Functions with AVX2 instructions, compiled for AVX2 on their own.
#define VELMOR_AVX2_FUNCTION __attribute__((target("avx2")))
#else
#define VELMOR_AVX2_FUNCTION
#endif
#endif

#endif
