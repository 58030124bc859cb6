#include "image/jpeg_image.h"

#include "jpeg/jpeg_decoder.h"

namespace {

void FreeBlock(HLOCAL& block) {
    if (block) {
        LocalFree(block);
        block = nullptr;
    }
}

}  // namespace

JpegImage::JpegImage() {}

JpegImage::~JpegImage() {}

int JpegImage::LoadFromResource(int id, HMODULE module) {
    if (!module) module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id & 0xFFFF), "IMGDAT");
    if (!found) return 0;
    HGLOBAL resource = LoadResource(module, found);
    if (!resource) return 0;
    const BYTE* stream = static_cast<const BYTE*>(LockResource(resource));
    if (!stream) {
        FreeResource(resource);
        return 0;
    }
    const DWORD length = SizeofResource(module, found);

    loaded = 0;
    FreeBlock(headerBlock);
    FreeBlock(pixelBlock);
    // The cached stride belonged to the old header.
    rowStride = 0;

    JpegDecoder decoder;
    decoder.Decode(stream, length, &headerBlock, &pixelBlock);
    FreeResource(resource);

    sectionStale = 1;
    if (headerBlock && pixelBlock) {
        loaded = 1;
        return 1;
    }
    // A stream that did not yield both blocks is no picture.
    FreeBlock(headerBlock);
    FreeBlock(pixelBlock);
    return 0;
}
