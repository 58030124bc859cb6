#ifndef VELMOR_JPEG_JPEG_INTERNAL_H
#define VELMOR_JPEG_JPEG_INTERNAL_H

// Pieces of the scan decoder shared between its source files.
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

// 8x8 inverse DCT of coefficients in natural order into pixel samples,
// row x at samples + x * rowStride: two matrix products each divided by
// 2^20 with truncation.  `lastZigZag` is the last zig-zag position that may
// be nonzero (63 when not known); `narrow` tells that every coefficient lies
// within -32768..32767.
void InverseDct(const std::int32_t coefficients[64], std::int32_t* samples, int rowStride,
                int lastZigZag, bool narrow);

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
// `destination` - r * stride (the pixel block is bottom-up).
void ConvertPixels(const PlaneView& planes, int rows, int columns, std::uint8_t* destination,
                   std::int32_t stride);

}  // namespace jpeg_internal

#endif
