#ifndef VELMOR_JPEG_JPEG_INTERNAL_H
#define VELMOR_JPEG_JPEG_INTERNAL_H

// Pieces of the scan decoder shared between its source files.
#include "jpeg/jpeg_simd.h"

#include <cstdint>

namespace jpeg_internal {

// 32-bit signed arithmetic that wraps instead of overflowing: corrupt data
// can carry a DC predictor or a transform sum past the 32-bit range, and the
// result must then still be defined (and the same on every build).
inline std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t WrapMul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// The seven magnitudes of the IDCT basis (IdctMatrix): every entry is one
// of them with the sign of its cosine.
constexpr std::int32_t IDCT_A = 370727;  // T[x][0], +-T[x][4]
constexpr std::int32_t IDCT_B = 484378;  // +-T[x][2], +-T[x][6]
constexpr std::int32_t IDCT_F = 200636;
constexpr std::int32_t IDCT_C1 = 514213;  // odd columns
constexpr std::int32_t IDCT_C3 = 435929;
constexpr std::int32_t IDCT_C5 = 291278;
constexpr std::int32_t IDCT_C7 = 102283;

// 8x8 inverse DCT of coefficients in natural order into pixel samples,
// row x at samples + x * rowStride: two matrix products each divided by
// 2^20 with truncation.  `lastZigZag` is the last zig-zag position that may
// be nonzero (63 when not known).  Every path gives the same samples.
void InverseDct(const std::int32_t coefficients[64], std::int32_t* samples, int rowStride,
                int lastZigZag, SimdPath path);
// The vector transforms behind it.  The SSE2 one takes only blocks whose
// coefficients all lie within -32768..32767 and says false for others.
bool InverseDctSse2(const std::int32_t coefficients[64], std::int32_t* samples, int rowStride,
                    bool lowOnly);
void InverseDctAvx2(const std::int32_t coefficients[64], std::int32_t* samples, int rowStride);

// The samples of one MCU: Y before its level shift of 128, Cb and Cr
// centred on 0, each row-major with its own row stride.
struct PlaneView {
    const std::int32_t* y;
    int yStride;
    const std::int32_t* cb;
    const std::int32_t* cr;
    int chromaStride;
};

// Converts `rows` x `columns` pixels to B, G, R bytes, row r going to
// `destination` - r * stride (the pixel block is bottom-up).  Every path
// gives the same bytes.
void ConvertPixels(const PlaneView& planes, int rows, int columns, std::uint8_t* destination,
                   std::int32_t stride, SimdPath path);
// The AVX2 conversion of the first columns of every row, eight at a time;
// returns how many columns of each row it converted.
int ConvertPixelsAvx2(const PlaneView& planes, int rows, int columns, std::uint8_t* destination,
                      std::int32_t stride);

}  // namespace jpeg_internal

#endif
