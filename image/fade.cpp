// Brightness fades: each frame rebuilds the DIB section from the untouched
// pixel block through a 256-entry table, and the next Draw blits it.
#include "image/dib_image.h"

#include <cstring>

#include "image/local_block.h"

namespace {

// Entry v is v scaled by step / steps, rounded toward zero.  Used only with
// 0 < step < steps; 64-bit products keep large step values exact.
void BuildBrightnessTable(int step, int steps, BYTE table[256]) {
    for (int v = 0; v < 256; ++v) {
        table[v] = static_cast<BYTE>(static_cast<long long>(v) * step / steps);
    }
}

void MapBytes(const BYTE table[256], const BYTE* source, BYTE* target, SIZE_T count) {
    for (SIZE_T k = 0; k < count; ++k) target[k] = table[source[k]];
}

// The two steps that need no table: black, and the picture itself.  True
// when `step` was one of them and the section is filled.
bool FillPlainStep(int step, int steps, const BYTE* pixels, BYTE* bits, SIZE_T count) {
    if (step == 0) {
        std::memset(bits, 0, count);
        return true;
    }
    if (step == steps) {
        std::memcpy(bits, pixels, count);
        return true;
    }
    return false;
}

}  // namespace

int DibImage::Fade(HDC dc, int step, int steps) {
    if (loaded <= 0 || step < 0 || steps < step) return 0;

    LockedBlock pixels(pixelBlock);
    if (!pixels.Bytes()) return 0;
    SIZE_T count = 0;
    BYTE* bits = ReplaceSection(dc, &count);
    if (!bits) return 0;

    if (!FillPlainStep(step, steps, pixels.Bytes(), bits, count)) {
        BYTE table[256];
        BuildBrightnessTable(step, steps, table);
        MapBytes(table, pixels.Bytes(), bits, count);
    }
    sectionStale = 0;
    return 1;
}

int DibImage::FadeRect(HDC dc, int step, int steps, int left, int top, int right, int bottom) {
    if (loaded <= 0 || step < 0 || steps < step) return 0;

    // Only the rows of a 24-bit bottom-up picture are addressed here, and only
    // a rectangle that lies inside it.
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;
    if (header.biBitCount != 24 || header.biHeight <= 0) return 0;
    const int width = header.biWidth;
    const int height = header.biHeight;
    if (left < 0 || left > right || right > width) return 0;
    if (top < 0 || top > bottom || bottom > height) return 0;

    LockedBlock pixels(pixelBlock);
    if (!pixels.Bytes()) return 0;
    SIZE_T count = 0;
    BYTE* bits = ReplaceSection(dc, &count);
    if (!bits) return 0;

    if (!FillPlainStep(step, steps, pixels.Bytes(), bits, count)) {
        BYTE table[256];
        BuildBrightnessTable(step, steps, table);
        const SIZE_T stride = static_cast<SIZE_T>(RowStride());
        for (int y = top; y < bottom; ++y) {
            // Row y from the top is stored bottom row first.
            const SIZE_T rowStart = static_cast<SIZE_T>(height - y - 1) * stride;
            SIZE_T begin = rowStart + 3 * static_cast<SIZE_T>(left);
            SIZE_T end = rowStart + 3 * static_cast<SIZE_T>(right);
            if (end > count) end = count;
            if (begin < end) MapBytes(table, pixels.Bytes() + begin, bits + begin, end - begin);
        }
    }
    sectionStale = 0;
    return 1;
}
