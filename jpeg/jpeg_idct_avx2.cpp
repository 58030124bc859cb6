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

// The odd part of output x: the basis values of the odd inputs 1, 3, 5, 7
// (multiplying by a negative constant wraps like subtracting the product).
const std::int32_t ODD[4][4] = {{IDCT_C1, IDCT_C3, IDCT_C5, IDCT_C7},
                                {IDCT_C3, -IDCT_C7, -IDCT_C1, -IDCT_C5},
                                {IDCT_C5, -IDCT_C1, IDCT_C7, IDCT_C3},
                                {IDCT_C7, -IDCT_C5, IDCT_C3, -IDCT_C1}};

// Eight 8-point transforms, one per lane: out[x] = (sum over k of
// in[k] * T[x][k]) / 2^20.  With `lowHalf`, in[4..7] are zero.  The odd
// part is summed output by output, which keeps few values live at a time
// (the 32-bit build has only eight vector registers).
VELMOR_AVX2_FUNCTION inline void Transform(const __m256i in[8], __m256i out[8], bool lowHalf) {
    __m256i t0, t1, u0, u1;
    if (lowHalf) {
        t0 = t1 = Mul(in[0], IDCT_A);
        u0 = Mul(in[2], IDCT_B);
        u1 = Mul(in[2], IDCT_F);
    } else {
        t0 = Mul(_mm256_add_epi32(in[0], in[4]), IDCT_A);
        t1 = Mul(_mm256_sub_epi32(in[0], in[4]), IDCT_A);
        u0 = _mm256_add_epi32(Mul(in[2], IDCT_B), Mul(in[6], IDCT_F));
        u1 = _mm256_sub_epi32(Mul(in[2], IDCT_F), Mul(in[6], IDCT_B));
    }
    const __m256i even[4] = {_mm256_add_epi32(t0, u0), _mm256_add_epi32(t1, u1),
                             _mm256_sub_epi32(t1, u1), _mm256_sub_epi32(t0, u0)};
    for (int x = 0; x < 4; ++x) {
        __m256i odd = _mm256_add_epi32(Mul(in[1], ODD[x][0]), Mul(in[3], ODD[x][1]));
        if (!lowHalf)
            odd = _mm256_add_epi32(odd,
                                   _mm256_add_epi32(Mul(in[5], ODD[x][2]), Mul(in[7], ODD[x][3])));
        out[x] = Divide(_mm256_add_epi32(even[x], odd));
        out[7 - x] = Divide(_mm256_sub_epi32(even[x], odd));
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
