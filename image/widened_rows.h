#ifndef VELMOR_IMAGE_WIDENED_ROWS_H
#define VELMOR_IMAGE_WIDENED_ROWS_H

#include "win32/win32_compat.h"

// A 24-bit picture is drawn from a DIB section of 32-bit pixels (blue, green,
// red, 0): displays work in 32-bit pixels, and a 24-bit section would be
// converted again at every blit, which costs more than the fade itself.
inline bool WidensToQuads(const BITMAPINFOHEADER& header) {
    return header.biBitCount == 24 && header.biCompression == BI_RGB;
}

// Bytes of one widened row of `width` pixels.
inline SIZE_T QuadRowBytes(int width) {
    return 4 * static_cast<SIZE_T>(width);
}

// Writes `width` 4-byte pixels from the 24-bit row at `source`, of which only
// `available` bytes are held (the bytes beyond them count as 0).  Each byte
// becomes byte * step / steps, as the brightness table gives it: step ==
// steps copies the row, step == 0 writes black.
void WidenRow(const BYTE* source, SIZE_T available, BYTE* target, int width, int step, int steps);

// WidenRow for every row of a picture: row r from `pixels` + r * `stride`,
// where only the first `held` bytes of the pixel block exist, into row r of
// a widened section of `rows` rows.
void WidenRows(const BYTE* pixels, SIZE_T held, int stride, BYTE* bits, int width, int rows,
               int step, int steps);

#endif
