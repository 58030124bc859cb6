// Inverse DCT in 32-bit integers.  The result is defined as two matrix
// products with the basis matrix T (IdctMatrix), each sum divided by 2^20
// with truncation toward zero, all sums and products wrapping modulo 2^32.
//
// Every entry of T is +-A (column 0 and 4), +-B/+-F (columns 2 and 6) or one
// of +-C1, C3, C5, C7 (odd columns), and row 7 - x is row x with the odd
// columns negated.  Regrouping the products by these constants (even and odd
// halves, shared products) is exact in modulo-2^32 arithmetic, so it gives
// the very sums of the plain products with a third of the multiplications.
// Zero coefficients add nothing, so empty columns and rows are skipped.
// This file holds the plain (scalar) transform and picks the path;
// jpeg_idct_sse2.cpp and jpeg_idct_avx2.cpp hold the vector ones.
#include "jpeg/jpeg_internal.h"

namespace jpeg_internal {

namespace {

const std::uint32_t A = IDCT_A;
const std::uint32_t B = IDCT_B;
const std::uint32_t F = IDCT_F;
const std::uint32_t C1 = IDCT_C1;
const std::uint32_t C3 = IDCT_C3;
const std::uint32_t C5 = IDCT_C5;
const std::uint32_t C7 = IDCT_C7;

std::int32_t Divide(std::uint32_t sum) {
    return static_cast<std::int32_t>(sum) / 1048576;
}

// The last stage of the eight-point transform: output x and 7 - x are the
// even part plus and minus the odd part.
inline void StoreButterfly(std::uint32_t e0, std::uint32_t e1, std::uint32_t e2, std::uint32_t e3,
                           std::uint32_t o0, std::uint32_t o1, std::uint32_t o2, std::uint32_t o3,
                           std::int32_t* out, int step) {
    out[0 * step] = Divide(e0 + o0);
    out[7 * step] = Divide(e0 - o0);
    out[1 * step] = Divide(e1 + o1);
    out[6 * step] = Divide(e1 - o1);
    out[2 * step] = Divide(e2 + o2);
    out[5 * step] = Divide(e2 - o2);
    out[3 * step] = Divide(e3 + o3);
    out[4 * step] = Divide(e3 - o3);
}

// One 8-point transform: out[x * step] = (sum over k of in[k * step] T[x][k]) / 2^20.
inline void Transform(const std::int32_t* in, std::int32_t* out, int step) {
    const std::uint32_t c0 = static_cast<std::uint32_t>(in[0]);
    const std::uint32_t c1 = static_cast<std::uint32_t>(in[1 * step]);
    const std::uint32_t c2 = static_cast<std::uint32_t>(in[2 * step]);
    const std::uint32_t c3 = static_cast<std::uint32_t>(in[3 * step]);
    const std::uint32_t c4 = static_cast<std::uint32_t>(in[4 * step]);
    const std::uint32_t c5 = static_cast<std::uint32_t>(in[5 * step]);
    const std::uint32_t c6 = static_cast<std::uint32_t>(in[6 * step]);
    const std::uint32_t c7 = static_cast<std::uint32_t>(in[7 * step]);

    const std::uint32_t t0 = (c0 + c4) * A;
    const std::uint32_t t1 = (c0 - c4) * A;
    const std::uint32_t u0 = c2 * B + c6 * F;
    const std::uint32_t u1 = c2 * F - c6 * B;
    const std::uint32_t e0 = t0 + u0, e3 = t0 - u0;
    const std::uint32_t e1 = t1 + u1, e2 = t1 - u1;

    const std::uint32_t o0 = c1 * C1 + c3 * C3 + c5 * C5 + c7 * C7;
    const std::uint32_t o1 = c1 * C3 - c3 * C7 - c5 * C1 - c7 * C5;
    const std::uint32_t o2 = c1 * C5 - c3 * C1 + c5 * C7 + c7 * C3;
    const std::uint32_t o3 = c1 * C7 - c3 * C5 + c5 * C3 - c7 * C1;

    StoreButterfly(e0, e1, e2, e3, o0, o1, o2, o3, out, step);
}

// The same when inputs 4..7 are zero, as they are in most blocks.
inline void TransformLowHalf(const std::int32_t* in, std::int32_t* out, int step) {
    const std::uint32_t c0 = static_cast<std::uint32_t>(in[0]);
    const std::uint32_t c1 = static_cast<std::uint32_t>(in[1 * step]);
    const std::uint32_t c2 = static_cast<std::uint32_t>(in[2 * step]);
    const std::uint32_t c3 = static_cast<std::uint32_t>(in[3 * step]);

    const std::uint32_t t = c0 * A;
    const std::uint32_t u0 = c2 * B;
    const std::uint32_t u1 = c2 * F;
    const std::uint32_t e0 = t + u0, e3 = t - u0;
    const std::uint32_t e1 = t + u1, e2 = t - u1;

    const std::uint32_t o0 = c1 * C1 + c3 * C3;
    const std::uint32_t o1 = c1 * C3 - c3 * C7;
    const std::uint32_t o2 = c1 * C5 - c3 * C1;
    const std::uint32_t o3 = c1 * C7 - c3 * C5;

    StoreButterfly(e0, e1, e2, e3, o0, o1, o2, o3, out, step);
}

// The two passes of the plain transform, skipping the rows and columns of
// coefficients that are zero.
void InverseDctScalar(const std::int32_t coefficients[64], std::int32_t* samples, int rowStride) {
    // Vertical pass, column by column: frequency row k becomes pixel row x.
    std::int32_t intermediate[64] = {};
    int usedColumns = 0;  // columns 0 .. usedColumns - 1 may be nonzero
    for (int u = 0; u < 8; ++u) {
        const std::int32_t* column = coefficients + u;
        const bool highRows = (column[32] | column[40] | column[48] | column[56]) != 0;
        const bool lowRows = (column[8] | column[16] | column[24]) != 0;
        if (highRows) {
            Transform(column, intermediate + u, 8);
        } else if (lowRows) {
            TransformLowHalf(column, intermediate + u, 8);
        } else {
            const std::int32_t value = Divide(static_cast<std::uint32_t>(column[0]) * A);
            for (int x = 0; x < 8; ++x) intermediate[8 * x + u] = value;
            if (column[0] == 0) continue;
        }
        usedColumns = u + 1;
    }
    // Horizontal pass, row by row.
    for (int x = 0; x < 8; ++x) {
        const std::int32_t* row = intermediate + 8 * x;
        std::int32_t* out = samples + x * rowStride;
        if (usedColumns > 4) {
            Transform(row, out, 1);
        } else if (usedColumns > 1) {
            TransformLowHalf(row, out, 1);
        } else {
            const std::int32_t value = Divide(static_cast<std::uint32_t>(row[0]) * A);
            for (int y = 0; y < 8; ++y) out[y] = value;
        }
    }
}

}  // namespace

void InverseDct(const std::int32_t coefficients[64], std::int32_t* samples, int rowStride,
                int lastZigZag, SimdPath path) {
    if (lastZigZag == 0) {
        // Only the DC coefficient: every sample is the same.
        const std::int32_t value = Divide(
            static_cast<std::uint32_t>(Divide(static_cast<std::uint32_t>(coefficients[0]) * A)) *
            A);
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 8; ++y) samples[x * rowStride + y] = value;
        return;
    }
#ifdef VELMOR_JPEG_AVX2
    if (path == SimdPath::AVX2) {
        InverseDctAvx2(coefficients, samples, rowStride);
        return;
    }
#endif
#ifdef VELMOR_JPEG_SSE2
    if (path != SimdPath::SCALAR &&
        InverseDctSse2(coefficients, samples, rowStride, lastZigZag <= 9))
        return;
#endif
    (void)path;
    if (lastZigZag <= 9) {
        // Zig-zag positions 0..9 all lie in rows 0..3 and columns 0..3.
        std::int32_t intermediate[64] = {};
        for (int u = 0; u < 4; ++u) TransformLowHalf(coefficients + u, intermediate + u, 8);
        for (int x = 0; x < 8; ++x)
            TransformLowHalf(intermediate + 8 * x, samples + x * rowStride, 1);
        return;
    }
    InverseDctScalar(coefficients, samples, rowStride);
}

}  // namespace jpeg_internal
