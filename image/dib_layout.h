#ifndef VELMOR_IMAGE_DIB_LAYOUT_H
#define VELMOR_IMAGE_DIB_LAYOUT_H

#include <climits>

#include "win32/win32_compat.h"

// Bytes of one pixel row: the row's bit count rounded up to whole 32-bit
// words.  0 for a width or bit count that is not positive, or a row too long
// to be addressed with a 32-bit signed offset.
inline int StrideOf(int bitCount, int width) {
    if (bitCount <= 0 || width <= 0) return 0;
    long long stride = ((static_cast<long long>(bitCount) * width + 31) / 32) * 4;
    return stride > INT_MAX ? 0 : static_cast<int>(stride);
}

// The magnitude of a signed height, as an int: INT_MIN, whose magnitude an
// int cannot hold, gives INT_MAX.
inline int MagnitudeOf(LONG height) {
    if (height == INT_MIN) return INT_MAX;
    return height < 0 ? -height : height;
}

// Number of pixel rows, whichever way they are stored.
inline long long RowCountOf(const BITMAPINFOHEADER& header) {
    return header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
}

// Bytes of the pixel rows that the header describes: the size of the DIB
// section made from it.
inline long long SectionBytesOf(const BITMAPINFOHEADER& header) {
    return RowCountOf(header) * StrideOf(header.biBitCount, header.biWidth);
}

#endif
