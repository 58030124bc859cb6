#include "image/bmp_writer.h"

#include <cstdio>

void PackBmpFileHeader(DWORD pixelOffset, DWORD pixelBytes,
                       BYTE fileHeader[BMP_FILE_HEADER_BYTES]) {
    const DWORD fileSize = pixelOffset + pixelBytes;
    const BYTE bytes[BMP_FILE_HEADER_BYTES] = {
        'B',
        'M',
        static_cast<BYTE>(fileSize),
        static_cast<BYTE>(fileSize >> 8),
        static_cast<BYTE>(fileSize >> 16),
        static_cast<BYTE>(fileSize >> 24),
        0,
        0,
        0,
        0,
        static_cast<BYTE>(pixelOffset),
        static_cast<BYTE>(pixelOffset >> 8),
        static_cast<BYTE>(pixelOffset >> 16),
        static_cast<BYTE>(pixelOffset >> 24),
    };
    for (DWORD i = 0; i < BMP_FILE_HEADER_BYTES; ++i) fileHeader[i] = bytes[i];
}

bool WriteBmpFile(const char* path, const BITMAPINFOHEADER& header, const BYTE* pixels,
                  std::size_t pixelBytes) {
    const DWORD pixelOffset = BMP_FILE_HEADER_BYTES + sizeof header;
    if (pixelBytes > 0xFFFFFFFFu - pixelOffset) return false;
    BYTE fileHeader[BMP_FILE_HEADER_BYTES];
    PackBmpFileHeader(pixelOffset, static_cast<DWORD>(pixelBytes), fileHeader);
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool written = std::fwrite(fileHeader, 1, sizeof fileHeader, file) == sizeof fileHeader &&
                   std::fwrite(&header, 1, sizeof header, file) == sizeof header &&
                   std::fwrite(pixels, 1, pixelBytes, file) == pixelBytes;
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}
