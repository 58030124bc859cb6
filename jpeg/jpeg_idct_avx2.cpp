// The inverse DCT with AVX2: the regrouped transform of jpeg_idct.cpp on
// eight columns (then eight rows) at once, in 32-bit lanes whose products
// and sums wrap modulo 2^32 exactly as the plain rule's do, so it takes any
// coefficients.  Compiled for AVX2 function by function: the caller checks
// the CPU first.
#include "jpeg/jpeg_internal.h"
#include "jpeg/jpeg_simd.h"

#ifdef VELMOR_JPEG_AVX2
#include <immintrin.h>

namespace jpeg_internal {

namespace {

// Truncating division by 2^20 of eight 32-bit sums.
VELMOR_AVX2_FUNCTION inline __m256i Divide(__m256i sum) {
    const __m256i bias = _mm256_srli_epi32(_mm256_srai_epi32(sum, 31), 12);  // 2^20 - 1 if < 0
    return _mm256_srai_epi32(_mm256_add_epi32(sum, bias), 20);
}

VELMOR_AVX2_FUNCTION inline __m256i Mul(__m256i a, std::int32_t constant) {
    return _mm256_mullo_epi32(a, _mm256_set1_epi32(constant));
}

// Eight 8-point transforms, one per lane: out[x] = (sum over k of
// in[k] * T[x][k]) / 2^20.  With `lowHalf`, in[4..7] are zero.
VELMOR_AVX2_FUNCTION inline void Transform(const __m256i in[8], __m256i out[8], bool lowHalf) {
    const __m256i c0 = in[0], c1 = in[1], c2 = in[2], c3 = in[3];
    __m256i t0, t1, u0, u1, o0, o1, o2, o3;
    if (lowHalf) {
        t0 = t1 = Mul(c0, kIdctA);
        u0 = Mul(c2, kIdctB);
        u1 = Mul(c2, kIdctF);
        o0 = _mm256_add_epi32(Mul(c1, kIdctC1), Mul(c3, kIdctC3));
        o1 = _mm256_sub_epi32(Mul(c1, kIdctC3), Mul(c3, kIdctC7));
        o2 = _mm256_sub_epi32(Mul(c1, kIdctC5), Mul(c3, kIdctC1));
        o3 = _mm256_sub_epi32(Mul(c1, kIdctC7), Mul(c3, kIdctC5));
    } else {
        const __m256i c4 = in[4], c5 = in[5], c6 = in[6], c7 = in[7];
        t0 = Mul(_mm256_add_epi32(c0, c4), kIdctA);
        t1 = Mul(_mm256_sub_epi32(c0, c4), kIdctA);
        u0 = _mm256_add_epi32(Mul(c2, kIdctB), Mul(c6, kIdctF));
        u1 = _mm256_sub_epi32(Mul(c2, kIdctF), Mul(c6, kIdctB));
        o0 = _mm256_add_epi32(_mm256_add_epi32(Mul(c1, kIdctC1), Mul(c3, kIdctC3)),
                              _mm256_add_epi32(Mul(c5, kIdctC5), Mul(c7, kIdctC7)));
        o1 = _mm256_sub_epi32(_mm256_sub_epi32(Mul(c1, kIdctC3), Mul(c3, kIdctC7)),
                              _mm256_add_epi32(Mul(c5, kIdctC1), Mul(c7, kIdctC5)));
        o2 = _mm256_add_epi32(_mm256_sub_epi32(Mul(c1, kIdctC5), Mul(c3, kIdctC1)),
                              _mm256_add_epi32(Mul(c5, kIdctC7), Mul(c7, kIdctC3)));
        o3 = _mm256_add_epi32(_mm256_sub_epi32(Mul(c1, kIdctC7), Mul(c3, kIdctC5)),
                              _mm256_sub_epi32(Mul(c5, kIdctC3), Mul(c7, kIdctC1)));
    }
    const __m256i e[4] = {_mm256_add_epi32(t0, u0), _mm256_add_epi32(t1, u1),
                          _mm256_sub_epi32(t1, u1), _mm256_sub_epi32(t0, u0)};
    const __m256i o[4] = {o0, o1, o2, o3};
    for (int x = 0; x < 4; ++x) {
        out[x] = Divide(_mm256_add_epi32(e[x], o[x]));
        out[7 - x] = Divide(_mm256_sub_epi32(e[x], o[x]));
    }
}

VELMOR_AVX2_FUNCTION inline void Transpose(const __m256i a[8], __m256i b[8]) {
    __m256i t[8], u[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_epi32(a[2 * i], a[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_epi32(a[2 * i], a[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i) {
        u[4 * i] = _mm256_unpacklo_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 1] = _mm256_unpackhi_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 2] = _mm256_unpacklo_epi64(t[4 * i + 1], t[4 * i + 3]);
        u[4 * i + 3] = _mm256_unpackhi_epi64(t[4 * i + 1], t[4 * i + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        b[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
        b[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
    }
}

}  // namespace

VELMOR_AVX2_FUNCTION void InverseDctAvx2(const std::int32_t coefficients[64], std::int32_t* samples,
                                         int rowStride) {
    __m256i rows[8], columns[8], pass[8];
    __m256i highRows = _mm256_setzero_si256(), any = _mm256_setzero_si256();
    for (int k = 0; k < 8; ++k) {
        rows[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(coefficients + 8 * k));
        if (k >= 4) highRows = _mm256_or_si256(highRows, rows[k]);
        any = _mm256_or_si256(any, rows[k]);
    }
    // Zero frequency rows 4..7 leave out half of the vertical pass; zero
    // frequency columns 4..7 make zero intermediate columns, and so half
    // of the horizontal pass.
    const bool lowRows = _mm256_testz_si256(highRows, highRows) != 0;
    const __m128i highColumns = _mm256_extracti128_si256(any, 1);
    const bool lowColumns = _mm_testz_si128(highColumns, highColumns) != 0;
    Transform(rows, pass, lowRows);        // pass[x]: intermediate row x
    Transpose(pass, columns);              // columns[u]: lanes x
    Transform(columns, pass, lowColumns);  // pass[y]: lanes x
    Transpose(pass, rows);                 // rows[x]: lanes y
    for (int x = 0; x < 8; ++x)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(samples + x * rowStride), rows[x]);
}

}  // namespace jpeg_internal

#endif
