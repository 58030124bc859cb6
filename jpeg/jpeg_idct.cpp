// Inverse DCT in 32-bit integers: sums of products with the basis matrix,
// each pass divided by 2^20 with truncation toward zero.
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_internal.h"

namespace jpeg_internal {

void InverseDct(const std::int32_t coefficients[64], std::int32_t samples[64]) {
    std::int32_t intermediate[64];
    // Vertical: frequency row k becomes pixel row x.
    for (int x = 0; x < 8; ++x)
        for (int u = 0; u < 8; ++u) {
            std::int32_t sum = 0;
            for (int k = 0; k < 8; ++k) sum = WrapAdd(sum, WrapMul(coefficients[8 * k + u], IdctMatrix[x][k]));
            intermediate[8 * x + u] = sum / 1048576;
        }
    // Horizontal: x is the pixel row, y the pixel column.
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y) {
            std::int32_t sum = 0;
            for (int k = 0; k < 8; ++k) sum = WrapAdd(sum, WrapMul(intermediate[8 * x + k], IdctMatrix[y][k]));
            samples[8 * x + y] = sum / 1048576;
        }
}

}  // namespace jpeg_internal
