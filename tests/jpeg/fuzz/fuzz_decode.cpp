// libFuzzer target: any bytes go to JpegDecoder::Decode.  Beyond the
// sanitizers' checks it insists that the blocks handed out are consistent
// with their header and left unlocked, and that nothing leaks.
#include "jpeg/jpeg_decoder.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    // The decoder must never read past `size`: hand it an exact copy so that
    // ASan sees the end of the stream.
    BYTE* stream = static_cast<BYTE*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(stream, data, size);

    const long blocksBefore = velmor_host::LiveBlocks();
    HLOCAL headerBlock = nullptr;
    HLOCAL pixelBlock = nullptr;
    JpegDecoder decoder;
    if (decoder.Decode(stream, static_cast<DWORD>(size), &headerBlock, &pixelBlock) != 1) std::abort();

    if (velmor_host::LockCount(headerBlock) != 0 || velmor_host::LockCount(pixelBlock) != 0) std::abort();
    if (headerBlock) {
        if (LocalSize(headerBlock) != 44) std::abort();
        BITMAPINFOHEADER header;
        std::memcpy(&header, LocalLock(headerBlock), sizeof header);
        LocalUnlock(headerBlock);
        const std::uint64_t stride = (3u * static_cast<std::uint32_t>(header.biWidth) + 3) & ~3u;
        if (header.biWidth <= 0 || header.biHeight <= 0 ||
            header.biSizeImage != stride * static_cast<std::uint32_t>(header.biHeight))
            std::abort();
        if (pixelBlock && LocalSize(pixelBlock) != header.biSizeImage) std::abort();
    }
    LocalFree(headerBlock);
    LocalFree(pixelBlock);
    if (velmor_host::LiveBlocks() != blocksBefore) std::abort();
    std::free(stream);
    return 0;
}
