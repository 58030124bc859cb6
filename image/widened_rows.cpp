// 24-bit pixel rows written into a section of 32-bit pixels, darkened on the
// way for a fade.
#include "image/widened_rows.h"

#include <cstring>

#include "image/brightness.h"

namespace {

// Pixels handled per round: their bytes are scaled into a small buffer
// first, then spread out to four bytes each.
const int CHUNK_PIXELS = 128;

// Spreads `count` 3-byte pixels to 4 bytes each.  `packed` holds one byte
// beyond the last pixel, so every pixel is read as one 32-bit word.
void SpreadPixels(const BYTE* packed, BYTE* target, int count) {
    for (int i = 0; i < count; ++i) {
        DWORD pixel;
        std::memcpy(&pixel, packed + 3 * i, sizeof pixel);
        pixel &= 0x00FFFFFF;
        std::memcpy(target + 4 * i, &pixel, sizeof pixel);
    }
}

}  // namespace

void WidenRow(const BYTE* source, SIZE_T available, BYTE* target, int width, int step, int steps) {
    if (step == 0 || width <= 0) {
        if (width > 0) std::memset(target, 0, QuadRowBytes(width));
        return;
    }
    BYTE packed[3 * CHUNK_PIXELS + 1];
    for (int done = 0; done < width; done += CHUNK_PIXELS) {
        const int count = width - done < CHUNK_PIXELS ? width - done : CHUNK_PIXELS;
        const SIZE_T offset = 3 * static_cast<SIZE_T>(done);
        const SIZE_T wanted = 3 * static_cast<SIZE_T>(count);
        const SIZE_T held = offset >= available           ? 0
                            : available - offset < wanted ? available - offset
                                                          : wanted;
        if (held > 0 && step == steps) std::memcpy(packed, source + offset, held);
        if (held > 0 && step != steps) ScaleBrightness(source + offset, packed, held, step, steps);
        std::memset(packed + held, 0, sizeof packed - held);
        SpreadPixels(packed, target + 4 * static_cast<SIZE_T>(done), count);
    }
}

void WidenRows(const BYTE* pixels, SIZE_T held, int stride, BYTE* bits, int width, int rows,
               int step, int steps) {
    const SIZE_T rowBytes = QuadRowBytes(width);
    for (int r = 0; r < rows; ++r) {
        const SIZE_T begin = static_cast<SIZE_T>(r) * static_cast<SIZE_T>(stride);
        const SIZE_T available = begin >= held ? 0 : held - begin;
        WidenRow(available ? pixels + begin : pixels, available, bits + r * rowBytes, width, step,
                 steps);
    }
}
