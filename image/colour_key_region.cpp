// A window region covering every pixel of a rectangle that differs from the
// key value, the value of the rectangle's top-left pixel.
#include "image/dib_image.h"

#include <cstring>

#include "image/dib_layout.h"
#include "win32/gdi_object.h"
#include "win32/local_block.h"

namespace {

void AddRectangle(HRGN region, int left, int top, int right, int bottom) {
    GdiObject<HRGN> piece(CreateRectRgn(left, top, right, bottom));
    CombineRgn(region, region, piece.Get(), RGN_OR);
}

// Reads pixel x of a row as a comparable value for 8, 16 and 24 bits.
DWORD PixelValue(const BYTE* row, int x, int bitCount) {
    if (bitCount == 8) return row[x];
    if (bitCount == 16) {
        WORD word;
        std::memcpy(&word, row + 2 * x, 2);
        return word;
    }
    const BYTE* pixel = row + 3 * x;
    return pixel[0] | (pixel[1] << 8) | (static_cast<DWORD>(pixel[2]) << 16);
}

// Scans the rows of the rectangle and ORs every run of non-key pixels into
// `region` as a one-row rectangle.
void AddNonKeyRuns(HRGN region, const BYTE* pixels, long long stride, long long height,
                   int bitCount, int left, int top, int right, int bottom) {
    // Row y from the top lives at index height - 1 - y in a bottom-up
    // picture of more than one row, at index y otherwise.
    auto rowAt = [&](int y) {
        const long long index = height > 1 ? height - 1 - y : y;
        return pixels + index * stride;
    };
    const DWORD key = PixelValue(rowAt(top), left, bitCount);
    for (int y = top; y < bottom; ++y) {
        const BYTE* row = rowAt(y);
        bool open = false;
        int runStart = 0;
        for (int x = left; x < right; ++x) {
            const bool isKey = PixelValue(row, x, bitCount) == key;
            if (!open && !isKey) {
                open = true;
                runStart = x;
            } else if (open && isKey) {
                AddRectangle(region, runStart, y, x, y + 1);
                open = false;
            }
        }
        if (open) AddRectangle(region, runStart, y, right, y + 1);
    }
}

}  // namespace

int DibImage::BuildRegionFromColourKey(HRGN region, int left, int top, int right, int bottom) {
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;

    // The rectangle must lie inside the picture, its top-left pixel (the key)
    // included.
    const long long width = header.biWidth;
    const long long height = RowCountOf(header);
    if (left < 0 || left > right || right > width || left >= width) return 0;
    if (top < 0 || top > bottom || bottom > height || top >= height) return 0;

    const int bitCount = header.biBitCount;
    if (bitCount != 8 && bitCount != 16 && bitCount != 24) {
        AddRectangle(region, left, top, right, bottom);
        return 0;
    }

    // Every row read (the key's row at least) must lie inside the pixel data.
    const long long stride = RowStride();
    const long long signedHeight = header.biHeight;
    const int lastRow = bottom > top ? bottom - 1 : top;
    const long long deepestIndex = signedHeight > 1 ? signedHeight - 1 - top : lastRow;
    if (stride == 0 || (deepestIndex + 1) * stride > HeldImageBytes()) return 0;

    LockedBlock pixels(pixelBlock);
    if (!pixels.Bytes()) return 0;
    AddNonKeyRuns(region, pixels.Bytes(), stride, signedHeight, bitCount, left, top, right, bottom);
    return 1;
}
