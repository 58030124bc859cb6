// The inverse DCT with SSE2, for blocks whose coefficients all lie within
// -32768..32767 (it checks, and leaves other blocks to the plain transform).
#include "jpeg/jpeg_internal.h"
#include "jpeg/jpeg_simd.h"

#ifdef VELMOR_JPEG_SSE2
#include <emmintrin.h>

namespace jpeg_internal {

namespace {

// The SSE2 transform works on 16-bit inputs (all coefficients of a block
// within -32768..32767; the intermediate values and the samples always are,
// being 32-bit sums divided by 2^20).  Each basis value is split as
// T = hi * 65536 + lo with lo in -32768..32767, so that
//   a * T + b * U = 65536 * (a * hiT + b * hiU) + (a * loT + b * loU)
// modulo 2^32, and both brackets are one PMADDWD each.  Sums over the even
// rows (0, 2, 4, 6) and the odd rows (1, 3, 5, 7) give rows x and 7 - x.
//
// PAIR_CONSTANTS[x][pair][hi/lo]: the two basis values of T[x] for the row
// pairs (0,2), (4,6), (1,3), (5,7), repeated over the eight 16-bit lanes.
alignas(16) const std::int16_t PAIR_CONSTANTS[4][4][2][8] = {
    {
        // x = 0
        {{6, 7, 6, 7, 6, 7, 6, 7}, {-22489, 25626, -22489, 25626, -22489, 25626, -22489, 25626}},
        {{6, 3, 6, 3, 6, 3, 6, 3}, {-22489, 4028, -22489, 4028, -22489, 4028, -22489, 4028}},
        {{8, 7, 8, 7, 8, 7, 8, 7},
         {-10075, -22823, -10075, -22823, -10075, -22823, -10075, -22823}},
        {{4, 2, 4, 2, 4, 2, 4, 2}, {29134, -28789, 29134, -28789, 29134, -28789, 29134, -28789}},
    },
    {
        // x = 1
        {{6, 3, 6, 3, 6, 3, 6, 3}, {-22489, 4028, -22489, 4028, -22489, 4028, -22489, 4028}},
        {{-6, -7, -6, -7, -6, -7, -6, -7},
         {22489, -25626, 22489, -25626, 22489, -25626, 22489, -25626}},
        {{7, -2, 7, -2, 7, -2, 7, -2},
         {-22823, 28789, -22823, 28789, -22823, 28789, -22823, 28789}},
        {{-8, -4, -8, -4, -8, -4, -8, -4},
         {10075, -29134, 10075, -29134, 10075, -29134, 10075, -29134}},
    },
    {
        // x = 2
        {{6, -3, 6, -3, 6, -3, 6, -3},
         {-22489, -4028, -22489, -4028, -22489, -4028, -22489, -4028}},
        {{-6, 7, -6, 7, -6, 7, -6, 7}, {22489, 25626, 22489, 25626, 22489, 25626, 22489, 25626}},
        {{4, -8, 4, -8, 4, -8, 4, -8}, {29134, 10075, 29134, 10075, 29134, 10075, 29134, 10075}},
        {{2, 7, 2, 7, 2, 7, 2, 7},
         {-28789, -22823, -28789, -22823, -28789, -22823, -28789, -22823}},
    },
    {
        // x = 3
        {{6, -7, 6, -7, 6, -7, 6, -7},
         {-22489, -25626, -22489, -25626, -22489, -25626, -22489, -25626}},
        {{6, -3, 6, -3, 6, -3, 6, -3},
         {-22489, -4028, -22489, -4028, -22489, -4028, -22489, -4028}},
        {{2, -4, 2, -4, 2, -4, 2, -4},
         {-28789, -29134, -28789, -29134, -28789, -29134, -28789, -29134}},
        {{7, -8, 7, -8, 7, -8, 7, -8},
         {-22823, 10075, -22823, 10075, -22823, 10075, -22823, 10075}},
    },

};

inline __m128i Constant(int x, int pair, int part) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(PAIR_CONSTANTS[x][pair][part]));
}

// Truncating division by 2^20 of four 32-bit sums.
inline __m128i DivideLanes(__m128i sum) {
    const __m128i bias = _mm_srli_epi32(_mm_srai_epi32(sum, 31), 12);  // 2^20 - 1 for negative sums
    return _mm_srai_epi32(_mm_add_epi32(sum, bias), 20);
}

// The dot product of interleaved pairs with one basis pair, modulo 2^32.
inline __m128i PairSum(__m128i interleaved, int x, int pair) {
    const __m128i high = _mm_madd_epi16(interleaved, Constant(x, pair, 0));
    const __m128i low = _mm_madd_epi16(interleaved, Constant(x, pair, 1));
    return _mm_add_epi32(_mm_slli_epi32(high, 16), low);
}

// One pass over eight 16-bit vectors in[k] (lanes = the eight transforms):
// out[x] = (sum over k of in[k] * T[x][k]) / 2^20, packed to 16 bits.  With
// `lowOnly`, in[4..7] are zero and left out.
inline void TransformLanes(const __m128i in[8], __m128i out[8], bool lowOnly) {
    __m128i even[2][2], odd[2][2];  // [pair (0,2)/(4,6) or (1,3)/(5,7)][lanes 0..3 / 4..7]
    even[0][0] = _mm_unpacklo_epi16(in[0], in[2]);
    even[0][1] = _mm_unpackhi_epi16(in[0], in[2]);
    odd[0][0] = _mm_unpacklo_epi16(in[1], in[3]);
    odd[0][1] = _mm_unpackhi_epi16(in[1], in[3]);
    if (!lowOnly) {
        even[1][0] = _mm_unpacklo_epi16(in[4], in[6]);
        even[1][1] = _mm_unpackhi_epi16(in[4], in[6]);
        odd[1][0] = _mm_unpacklo_epi16(in[5], in[7]);
        odd[1][1] = _mm_unpackhi_epi16(in[5], in[7]);
    }
    for (int x = 0; x < 4; ++x) {
        __m128i front[2], back[2];
        for (int half = 0; half < 2; ++half) {
            __m128i e = PairSum(even[0][half], x, 0);
            __m128i o = PairSum(odd[0][half], x, 2);
            if (!lowOnly) {
                e = _mm_add_epi32(e, PairSum(even[1][half], x, 1));
                o = _mm_add_epi32(o, PairSum(odd[1][half], x, 3));
            }
            front[half] = DivideLanes(_mm_add_epi32(e, o));
            back[half] = DivideLanes(_mm_sub_epi32(e, o));
        }
        out[x] = _mm_packs_epi32(front[0], front[1]);
        out[7 - x] = _mm_packs_epi32(back[0], back[1]);
    }
}

inline void Transpose(const __m128i a[8], __m128i b[8]) {
    const __m128i t0 = _mm_unpacklo_epi16(a[0], a[1]), t1 = _mm_unpackhi_epi16(a[0], a[1]);
    const __m128i t2 = _mm_unpacklo_epi16(a[2], a[3]), t3 = _mm_unpackhi_epi16(a[2], a[3]);
    const __m128i t4 = _mm_unpacklo_epi16(a[4], a[5]), t5 = _mm_unpackhi_epi16(a[4], a[5]);
    const __m128i t6 = _mm_unpacklo_epi16(a[6], a[7]), t7 = _mm_unpackhi_epi16(a[6], a[7]);
    const __m128i u0 = _mm_unpacklo_epi32(t0, t2), u1 = _mm_unpackhi_epi32(t0, t2);
    const __m128i u2 = _mm_unpacklo_epi32(t1, t3), u3 = _mm_unpackhi_epi32(t1, t3);
    const __m128i u4 = _mm_unpacklo_epi32(t4, t6), u5 = _mm_unpackhi_epi32(t4, t6);
    const __m128i u6 = _mm_unpacklo_epi32(t5, t7), u7 = _mm_unpackhi_epi32(t5, t7);
    b[0] = _mm_unpacklo_epi64(u0, u4);
    b[1] = _mm_unpackhi_epi64(u0, u4);
    b[2] = _mm_unpacklo_epi64(u1, u5);
    b[3] = _mm_unpackhi_epi64(u1, u5);
    b[4] = _mm_unpacklo_epi64(u2, u6);
    b[5] = _mm_unpackhi_epi64(u2, u6);
    b[6] = _mm_unpacklo_epi64(u3, u7);
    b[7] = _mm_unpackhi_epi64(u3, u7);
}

}  // namespace

bool InverseDctSse2(const std::int32_t coefficients[64], std::int32_t* samples, int rowStride,
                    bool lowOnly) {
    __m128i rows[8], intermediate[8], columns[8], transposed[8], out[8];
    // The coefficients packed to 16 bits, and whether they all fit: unpacked
    // again, they must be what they were.
    __m128i same = _mm_set1_epi32(-1);
    for (int k = 0; k < 8; ++k) {
        const __m128i* row = reinterpret_cast<const __m128i*>(coefficients + 8 * k);
        const __m128i low = _mm_loadu_si128(row), high = _mm_loadu_si128(row + 1);
        rows[k] = _mm_packs_epi32(low, high);
        const __m128i lowAgain = _mm_srai_epi32(_mm_unpacklo_epi16(rows[k], rows[k]), 16);
        const __m128i highAgain = _mm_srai_epi32(_mm_unpackhi_epi16(rows[k], rows[k]), 16);
        same = _mm_and_si128(
            same, _mm_and_si128(_mm_cmpeq_epi32(low, lowAgain), _mm_cmpeq_epi32(high, highAgain)));
    }
    if (_mm_movemask_epi8(same) != 0xFFFF) return false;
    TransformLanes(rows, intermediate, lowOnly);   // intermediate[x]: lanes u
    Transpose(intermediate, columns);              // columns[u]: lanes x
    TransformLanes(columns, transposed, lowOnly);  // transposed[y]: lanes x
    Transpose(transposed, out);                    // out[x]: lanes y
    for (int x = 0; x < 8; ++x) {
        __m128i* row = reinterpret_cast<__m128i*>(samples + x * rowStride);
        _mm_storeu_si128(row, _mm_srai_epi32(_mm_unpacklo_epi16(out[x], out[x]), 16));
        _mm_storeu_si128(row + 1, _mm_srai_epi32(_mm_unpackhi_epi16(out[x], out[x]), 16));
    }
    return true;
}

}  // namespace jpeg_internal

#endif
