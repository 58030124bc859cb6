#ifndef VELMOR_IMAGE_BMP_WRITER_H
#define VELMOR_IMAGE_BMP_WRITER_H

// Writing BMP files: the 14-byte file header every writer puts first, and a
// whole file with standard C I/O for the tools and tests that save a picture
// (jpegtobmp, the end-to-end tests' screenshots).  Builds on the host too.
#include <cstddef>

#include "win32/win32_compat.h"

const DWORD BMP_FILE_HEADER_BYTES = 14;

// "BM", the file size (pixelOffset + pixelBytes), two reserved zero words,
// and the offset of the pixel data, little-endian.
void PackBmpFileHeader(DWORD pixelOffset, DWORD pixelBytes, BYTE fileHeader[BMP_FILE_HEADER_BYTES]);

// Writes `path` as a BMP file without a colour table: the file header,
// `header`, then `pixelBytes` bytes of rows as `header` describes them.
// False when the file cannot be written in full.
bool WriteBmpFile(const char* path, const BITMAPINFOHEADER& header, const BYTE* pixels,
                  std::size_t pixelBytes);

#endif
