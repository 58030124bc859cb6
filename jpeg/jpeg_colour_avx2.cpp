// The colour conversion with AVX2: the same double-precision operations as
// the plain rule (multiply, add, subtract, each rounded on its own, then
// truncation), four pixels to an instruction, so the bytes are the same.
#include "jpeg/jpeg_internal.h"

#ifdef VELMOR_JPEG_AVX2
#include <immintrin.h>

#include <cstddef>

namespace jpeg_internal {

namespace {

struct Channels {
    __m128i blue, green, red;  // four int32 each
};

// Four pixels: the rule of jpeg_colour.cpp, truncated to int32.
VELMOR_AVX2_FUNCTION inline Channels ConvertFour(__m128i y, __m128i cb, __m128i cr) {
    const __m256d Y = _mm256_cvtepi32_pd(y);
    const __m256d Cb = _mm256_cvtepi32_pd(cb);
    const __m256d Cr = _mm256_cvtepi32_pd(cr);
    const __m256d blue = _mm256_sub_pd(_mm256_add_pd(_mm256_mul_pd(Cb, _mm256_set1_pd(1.7718)), Y),
                                       _mm256_mul_pd(Cr, _mm256_set1_pd(0.0012)));
    const __m256d green = _mm256_sub_pd(_mm256_sub_pd(Y, _mm256_mul_pd(Cb, _mm256_set1_pd(0.3441))),
                                        _mm256_mul_pd(Cr, _mm256_set1_pd(0.7139)));
    const __m256d red = _mm256_add_pd(_mm256_mul_pd(Cr, _mm256_set1_pd(1.402)), Y);
    return {_mm256_cvttpd_epi32(blue), _mm256_cvttpd_epi32(green), _mm256_cvttpd_epi32(red)};
}

// Byte orders that interleave b0..b7 g0..g7 and r0..r7 to B G R triples:
// the first 16 bytes and the last 8 (-1 gives a zero byte).
alignas(16) const std::int8_t FROM_BLUE_GREEN[2][16] = {
    {0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5},
    {13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1}};
alignas(16) const std::int8_t FROM_RED[2][16] = {
    {-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1},
    {-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1}};

VELMOR_AVX2_FUNCTION inline __m128i Order(const std::int8_t (&order)[16]) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(order));
}

// Eight pixels of one row (Y before its level shift) to 24 bytes.
VELMOR_AVX2_FUNCTION inline void ConvertEight(const std::int32_t* y, const std::int32_t* cb,
                                              const std::int32_t* cr, std::uint8_t* out) {
    const __m256i Y = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y)),
                                       _mm256_set1_epi32(128));
    const __m256i Cb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cb));
    const __m256i Cr = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cr));
    const Channels low = ConvertFour(_mm256_castsi256_si128(Y), _mm256_castsi256_si128(Cb),
                                     _mm256_castsi256_si128(Cr));
    const Channels high =
        ConvertFour(_mm256_extracti128_si256(Y, 1), _mm256_extracti128_si256(Cb, 1),
                    _mm256_extracti128_si256(Cr, 1));
    // Saturating packs clamp to 0..255 (the truncated values fit 16 bits).
    const __m128i blueGreen = _mm_packus_epi16(_mm_packs_epi32(low.blue, high.blue),
                                               _mm_packs_epi32(low.green, high.green));
    const __m128i red = _mm_packus_epi16(_mm_packs_epi32(low.red, high.red), _mm_setzero_si128());
    const __m128i first = _mm_or_si128(_mm_shuffle_epi8(blueGreen, Order(FROM_BLUE_GREEN[0])),
                                       _mm_shuffle_epi8(red, Order(FROM_RED[0])));
    const __m128i last = _mm_or_si128(_mm_shuffle_epi8(blueGreen, Order(FROM_BLUE_GREEN[1])),
                                      _mm_shuffle_epi8(red, Order(FROM_RED[1])));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), first);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), last);
}

}  // namespace

VELMOR_AVX2_FUNCTION int ConvertPixelsAvx2(const PlaneView& planes, int rows, int columns,
                                           std::uint8_t* destination, std::int32_t stride) {
    const int whole = columns & ~7;
    for (int r = 0; r < rows; ++r) {
        const std::int32_t* y = planes.y + r * planes.yStride;
        const std::int32_t* cb = planes.cb + r * planes.chromaStride;
        const std::int32_t* cr = planes.cr + r * planes.chromaStride;
        std::uint8_t* pixels = destination - static_cast<std::ptrdiff_t>(r) * stride;
        for (int c = 0; c < whole; c += 8) ConvertEight(y + c, cb + c, cr + c, pixels + 3 * c);
    }
    return whole;
}

}  // namespace jpeg_internal

#endif
