// Brightness fades: each frame rebuilds the DIB section from the untouched
// pixel block, darkened step / steps of the way to full brightness, and the
// next Draw blits it.
#include <cstring>

#include "image/brightness.h"
#include "image/dib_image.h"
#include "image/local_block.h"

namespace {

// The two steps that need no arithmetic: black, and the picture itself.
// True when `step` was one of them and the section is filled.
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
    BYTE* bits = SectionForFade(dc, nullptr, &count);
    if (!bits) return 0;

    if (!FillPlainStep(step, steps, pixels.Bytes(), bits, count)) {
        ScaleBrightness(pixels.Bytes(), bits, count, step, steps);
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
    // Black and full brightness cover the whole picture (the pan that follows
    // the fade-in shows all of it), and an empty rectangle leaves a fresh,
    // unwritten section of the whole picture.  In between only the rectangle
    // is darkened, in a section of its own size.
    const bool plain = step == 0 || step == steps;
    SIZE_T held = 0;
    BYTE* bits;
    if (left == right || top == bottom) {
        bits = ReplaceSection(dc, nullptr, &held);
    } else {
        const RECT part = {left, top, right, bottom};
        bits = SectionForFade(dc, plain ? nullptr : &part, &held);
    }
    if (!bits) return 0;

    if (plain) {
        FillPlainStep(step, steps, pixels.Bytes(), bits, held);
    } else if (left < right && top < bottom) {
        const SIZE_T stride = static_cast<SIZE_T>(RowStride());
        const SIZE_T rowBytes = 3 * static_cast<SIZE_T>(right - left);
        const SIZE_T partStride = (rowBytes + 3) & ~static_cast<SIZE_T>(3);
        for (int y = top; y < bottom; ++y) {
            // Row y from the top is stored bottom row first, in the picture
            // and in the part alike; bytes beyond the pixel bytes held are
            // black.
            const SIZE_T begin = static_cast<SIZE_T>(height - y - 1) * stride + 3 * left;
            BYTE* target = bits + static_cast<SIZE_T>(bottom - 1 - y) * partStride;
            const SIZE_T count = begin >= held             ? 0
                                 : rowBytes < held - begin ? rowBytes
                                                           : held - begin;
            if (count > 0) ScaleBrightness(pixels.Bytes() + begin, target, count, step, steps);
            std::memset(target + count, 0, rowBytes - count);
        }
    }
    sectionStale = 0;
    return 1;
}
