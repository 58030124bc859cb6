// Brightness fades: each frame rebuilds the DIB section from the untouched
// pixel block, darkened step / steps of the way to full brightness, and the
// next Draw blits it.
#include "image/dib_image.h"
#include "image/widened_rows.h"
#include "win32/local_block.h"

int DibImage::Fade(HDC dc, int step, int steps) {
    if (loaded <= 0 || step < 0 || steps < step) return 0;

    LockedBlock pixels(pixelBlock);
    if (!pixels.Bytes()) return 0;
    SIZE_T count = 0;
    BYTE* bits = SectionForFade(dc, nullptr, &count);
    if (!bits) return 0;

    FillSection(pixels.Bytes(), count, bits, step, steps);
    sectionStale = 0;
    return 1;
}

int DibImage::FadeRect(HDC dc, int step, int steps, int left, int top, int right, int bottom) {
    if (loaded <= 0 || step < 0 || steps < step) return 0;

    // Only the rows of a 24-bit bottom-up picture are addressed here, and only
    // a rectangle that lies inside it.
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;
    if (!WidensToQuads(header) || header.biHeight <= 0) return 0;
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
        FillSection(pixels.Bytes(), held, bits, step, steps);
    } else if (left < right && top < bottom) {
        const SIZE_T stride = static_cast<SIZE_T>(RowStride());
        const SIZE_T partStride = QuadRowBytes(right - left);
        for (int y = top; y < bottom; ++y) {
            // Row y from the top is stored bottom row first, in the picture
            // and in the part alike; bytes beyond the pixel bytes held are
            // black.
            const SIZE_T begin = static_cast<SIZE_T>(height - y - 1) * stride + 3 * left;
            const SIZE_T available = begin >= held ? 0 : held - begin;
            WidenRow(available ? pixels.Bytes() + begin : pixels.Bytes(), available,
                     bits + static_cast<SIZE_T>(bottom - 1 - y) * partStride, right - left, step,
                     steps);
        }
    }
    sectionStale = 0;
    return 1;
}
