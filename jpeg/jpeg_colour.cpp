// YCbCr to B, G, R bytes.
#include "jpeg/jpeg_internal.h"

#include <cstddef>

namespace jpeg_internal {

namespace {

std::uint8_t Clamp(double value) {
    const std::int32_t truncated = static_cast<std::int32_t>(value);
    if (truncated < 0) return 0;
    if (truncated > 255) return 255;
    return static_cast<std::uint8_t>(truncated);
}

}  // namespace

void ConvertPixels(const WorkAreas& areas, int rows, int columns, std::uint8_t* destination,
                   std::int32_t stride) {
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* pixel = destination - static_cast<std::ptrdiff_t>(r) * stride;
        for (int c = 0; c < columns; ++c, pixel += 3) {
            const double y = areas.y[r][c];
            const double cb = areas.cb[r][c];
            const double cr = areas.cr[r][c];
            const double red = cr * 1.402 + y;
            const double green = y - cb * 0.3441 - cr * 0.7139;
            const double blue = cb * 1.7718 + y - cr * 0.0012;
            pixel[0] = Clamp(blue);
            pixel[1] = Clamp(green);
            pixel[2] = Clamp(red);
        }
    }
}

}  // namespace jpeg_internal
