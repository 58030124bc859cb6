// Bitmap resources (packed DIBs) into the picture's two blocks.  What the
// bytes mean is decided in bmp_layout.cpp; here are the resource calls.
#include "image/bmp_layout.h"
#include "image/dib_image.h"
#include "win32/local_block.h"

namespace {

// RT_BITMAP, spelt as its number so that it stays an ANSI name.
const WORD BITMAP_RESOURCE_TYPE = 2;

}  // namespace

int DibImage::LoadBitmapResource(int id, HMODULE module) {
    if (!module) module = GetModuleHandleA(nullptr);
    // Resource identifiers are 16-bit numbers.
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id & 0xFFFF),
                                MAKEINTRESOURCEA(BITMAP_RESOURCE_TYPE));
    if (!found) return 0;
    HGLOBAL resource = LoadResource(module, found);
    if (!resource) return 0;
    const BYTE* data = static_cast<const BYTE*>(LockResource(resource));
    if (!data) return 0;
    const DWORD size = SizeofResource(module, found);
    loaded = 0;

    int result = 0;
    BmpLayout layout;
    LocalBlock header;
    LocalBlock pixels;
    if (LayOutPackedDib(data, size, &layout) && AllocateBmpBlocks(layout, data, &header, &pixels)) {
        // A resource that ends early leaves the missing rows black.
        CopyPresentPixels(layout, data, pixels.Get());
        TakeBlocks(header.Release(), pixels.Release(), layout.stride);
        result = 1;
    }
    FreeResource(resource);
    return result;
}

int DibImage::LoadBitmapResourceFrom(int id, HMODULE module) {
    return LoadBitmapResource(id, module);
}
