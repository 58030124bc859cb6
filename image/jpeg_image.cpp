#include "image/jpeg_image.h"

#include <utility>

#include "jpeg/jpeg_decoder.h"
#include "win32/local_block.h"

JpegImage::JpegImage() {}

JpegImage::~JpegImage() {}

int JpegImage::LoadFromResource(int id, HMODULE module) {
    if (!module) module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id & 0xFFFF), "IMGDAT");
    if (!found) return 0;
    HGLOBAL resource = LoadResource(module, found);
    if (!resource) return 0;
    const BYTE* stream = static_cast<const BYTE*>(LockResource(resource));
    const int result = stream ? Decode(stream, SizeofResource(module, found)) : 0;
    FreeResource(resource);
    return result;
}

int JpegImage::Decode(const BYTE* stream, DWORD length) {
    // The old picture goes as soon as the new stream is at hand, whether or
    // not it decodes; its cached stride belonged to the old header.
    loaded = 0;
    LocalBlock oldHeader(std::exchange(headerBlock, nullptr));
    LocalBlock oldPixels(std::exchange(pixelBlock, nullptr));
    rowStride = 0;
    sectionStale = 1;

    HLOCAL headerHandle = nullptr;
    HLOCAL pixelHandle = nullptr;
    JpegDecoder decoder;
    decoder.Decode(stream, length, &headerHandle, &pixelHandle);
    LocalBlock header(headerHandle);
    LocalBlock pixels(pixelHandle);
    // A stream that did not yield both blocks is no picture.
    if (!header || !pixels) return 0;
    headerBlock = header.Release();
    pixelBlock = pixels.Release();
    loaded = 1;
    return 1;
}
