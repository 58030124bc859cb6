// Pixel rows out to memory the caller owns, in display order.
#include <cstring>

#include "image/dib_image.h"
#include "image/dib_layout.h"
#include "win32/local_block.h"

int DibImage::CopyRows(void* dest, int destStep, int byteOffset, int firstRow, int rowBytes,
                       int rowCount) {
    if (!pixelBlock) return 0;
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;
    const long long stride = RowStride();
    const long long rows = RowCountOf(header);
    if (stride == 0 || byteOffset < 0 || rowBytes < 0 || rowCount < 0 || firstRow < 0) return 0;
    if (static_cast<long long>(byteOffset) + rowBytes > stride) return 0;
    if (static_cast<long long>(firstRow) + rowCount > rows) return 0;
    if (rowCount == 0) return 1;

    // The copied row stored last in the block decides how far we read.
    const bool bottomUp = header.biHeight > 0;
    const long long firstIndex = bottomUp ? rows - firstRow - 1 : firstRow;
    const long long lastIndex = bottomUp ? rows - firstRow - 1 : firstRow + rowCount - 1;
    if (lastIndex * stride + byteOffset + rowBytes > HeldImageBytes()) return 0;

    LockedBlock pixels(pixelBlock);
    if (!pixels.Bytes()) return 0;
    const BYTE* source = pixels.Bytes() + firstIndex * stride + byteOffset;
    const long long sourceStep = bottomUp ? -stride : stride;
    BYTE* target = static_cast<BYTE*>(dest);
    for (int i = 0; i < rowCount; ++i) {
        std::memcpy(target, source, static_cast<SIZE_T>(rowBytes));
        target += destStep;
        if (i + 1 < rowCount) source += sourceStep;
    }
    return 1;
}
