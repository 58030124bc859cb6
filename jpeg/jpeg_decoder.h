#ifndef VELMOR_JPEG_JPEG_DECODER_H
#define VELMOR_JPEG_JPEG_DECODER_H

#include "jpeg/win32_compat.h"

// Baseline sequential JPEG decoder: walks one in-memory stream and hands
// out a header block (BITMAPINFOHEADER) and a pixel block of bottom-up
// 24-bit BGR rows, both movable local memory owned by the caller.
class JpegDecoder {
public:
    JpegDecoder();

    // Decodes `length` bytes at `stream`; never reads past them.  The two
    // out-handles are written only when a frame header is accepted.
    // Always returns 1; the handles tell what was decoded.
    int Decode(const BYTE* stream, DWORD length, HLOCAL* headerBlock, HLOCAL* pixelBlock);
};

#endif
