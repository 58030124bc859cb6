// YCbCr to B, G, R bytes:
//   R = Cr * 1.402 + Y
//   G = Y - Cb * 0.3441 - Cr * 0.7139
//   B = Cb * 1.7718 + Y - Cr * 0.0012
// in double precision, each operation rounded on its own from left to right,
// then truncated toward zero and clamped to 0..255.  With SSE2 two pixels go
// through each instruction, with AVX2 (jpeg_colour_avx2.cpp) four; the
// instructions are the scalar ones' packed twins, so the bytes are the same.
#include "jpeg/jpeg_internal.h"

#include <cstddef>
#include <cstring>

#ifdef VELMOR_JPEG_SSE2
#include <emmintrin.h>
#endif

namespace jpeg_internal {

namespace {

std::uint8_t Clamp(double value) {
    const std::int32_t truncated = static_cast<std::int32_t>(value);
    if (truncated < 0) return 0;
    if (truncated > 255) return 255;
    return static_cast<std::uint8_t>(truncated);
}

void ConvertPixel(std::int32_t y, std::int32_t cb, std::int32_t cr, std::uint8_t* pixel) {
    const double Y = y, Cb = cb, Cr = cr;
    pixel[0] = Clamp(Cb * 1.7718 + Y - Cr * 0.0012);
    pixel[1] = Clamp(Y - Cb * 0.3441 - Cr * 0.7139);
    pixel[2] = Clamp(Cr * 1.402 + Y);
}

#ifdef VELMOR_JPEG_SSE2
// Four pixels: lanes 0..3 of y, cb, cr (int32) to 12 bytes B, G, R.  With
// `spare` the byte after the twelfth may be overwritten (it belongs to a
// pixel written later), which allows four-byte stores.
void ConvertFour(__m128i y, __m128i cb, __m128i cr, std::uint8_t* pixel, bool spare) {
    const __m128d RED_CR = _mm_set1_pd(1.402);
    const __m128d GREEN_CB = _mm_set1_pd(0.3441);
    const __m128d GREEN_CR = _mm_set1_pd(0.7139);
    const __m128d BLUE_CB = _mm_set1_pd(1.7718);
    const __m128d BLUE_CR = _mm_set1_pd(0.0012);
    __m128i channel[3][2];
    for (int half = 0; half < 2; ++half) {
        const __m128d Y = _mm_cvtepi32_pd(y);
        const __m128d Cb = _mm_cvtepi32_pd(cb);
        const __m128d Cr = _mm_cvtepi32_pd(cr);
        const __m128d blue =
            _mm_sub_pd(_mm_add_pd(_mm_mul_pd(Cb, BLUE_CB), Y), _mm_mul_pd(Cr, BLUE_CR));
        const __m128d green =
            _mm_sub_pd(_mm_sub_pd(Y, _mm_mul_pd(Cb, GREEN_CB)), _mm_mul_pd(Cr, GREEN_CR));
        const __m128d red = _mm_add_pd(_mm_mul_pd(Cr, RED_CR), Y);
        channel[0][half] = _mm_cvttpd_epi32(blue);
        channel[1][half] = _mm_cvttpd_epi32(green);
        channel[2][half] = _mm_cvttpd_epi32(red);
        y = _mm_srli_si128(y, 8);
        cb = _mm_srli_si128(cb, 8);
        cr = _mm_srli_si128(cr, 8);
    }
    const __m128i blue = _mm_unpacklo_epi64(channel[0][0], channel[0][1]);
    const __m128i green = _mm_unpacklo_epi64(channel[1][0], channel[1][1]);
    const __m128i red = _mm_unpacklo_epi64(channel[2][0], channel[2][1]);
    // Saturating packs clamp to 0..255 (the values fit 16 bits); then the
    // bytes are interleaved to B G R 0 per 32-bit lane.
    const __m128i zero = _mm_setzero_si128();
    const __m128i blueGreen16 = _mm_packs_epi32(blue, green);    // b0..b3 g0..g3
    const __m128i red16 = _mm_packs_epi32(red, zero);            // r0..r3 0..0
    const __m128i bytes = _mm_packus_epi16(blueGreen16, red16);  // b0..b3 g0..g3 r0..r3 0..0
    const __m128i blueGreen = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 4));  // b0 g0 b1 g1 ..
    const __m128i redZero = _mm_unpacklo_epi8(_mm_srli_si128(bytes, 8), zero);     // r0 0 r1 0 ..
    const __m128i bgr0 = _mm_unpacklo_epi16(blueGreen, redZero);                   // b g r 0 x 4
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), bgr0);
    if (spare) {
        for (int i = 0; i < 4; ++i) std::memcpy(pixel + 3 * i, &lanes[i], 4);
    } else {
        for (int i = 0; i < 3; ++i) std::memcpy(pixel + 3 * i, &lanes[i], 4);
        std::memcpy(pixel + 9, &lanes[3], 3);
    }
}
#endif

}  // namespace

void ConvertPixels(const PlaneView& planes, int rows, int columns, std::uint8_t* destination,
                   std::int32_t stride, SimdPath path) {
    int done = 0;  // columns of every row already converted
#ifdef VELMOR_JPEG_AVX2
    if (path == SimdPath::AVX2)
        done = ConvertPixelsAvx2(planes, rows, columns, destination, stride);
#endif
    if (done == columns) return;
    for (int r = 0; r < rows; ++r) {
        const std::int32_t* y = planes.y + r * planes.yStride;
        const std::int32_t* cb = planes.cb + r * planes.chromaStride;
        const std::int32_t* cr = planes.cr + r * planes.chromaStride;
        std::uint8_t* pixel = destination - static_cast<std::ptrdiff_t>(r) * stride;
        int c = done;
#ifdef VELMOR_JPEG_SSE2
        if (path != SimdPath::SCALAR) {
            const __m128i levelShift = _mm_set1_epi32(128);
            for (; c + 4 <= columns; c += 4) {
                const __m128i Y = _mm_add_epi32(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + c)), levelShift);
                ConvertFour(Y, _mm_loadu_si128(reinterpret_cast<const __m128i*>(cb + c)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(cr + c)),
                            pixel + 3 * c, c + 4 < columns);
            }
        }
#endif
        (void)path;
        for (; c < columns; ++c) ConvertPixel(y[c] + 128, cb[c], cr[c], pixel + 3 * c);
    }
}

}  // namespace jpeg_internal
