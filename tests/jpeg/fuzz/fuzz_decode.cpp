// libFuzzer target: any bytes go to JpegDecoder::Decode.  Beyond the
// sanitizers' checks it insists that the blocks handed out are consistent
// with their header, left unlocked and not leaked, and that the picture is
// byte for byte the plain reference decoder's (which also checks the fast
// path against the one-bit rules on every odd stream the fuzzer makes).
// The stream's length picks the vector path (scalar, SSE2, AVX2, as far as
// the CPU has them), so that every path meets every kind of input.
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_simd.h"
#include "tests/jpeg/reference_decoder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "jpeg_fuzz: %s\n", what);
    std::abort();
}

// Pixel blocks larger than this fail to allocate (as on a machine short of
// memory), which keeps the fuzzer's memory small and exercises that path.
const std::size_t ALLOCATION_LIMIT = 16u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    // An exact-size copy, so that ASan sees any read past the end.
    BYTE* stream = static_cast<BYTE*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(stream, data, size);

    jpeg_internal::LimitPath(static_cast<jpeg_internal::SimdPath>(size % 3));
    velmor_host::SetAllocationLimit(ALLOCATION_LIMIT);
    const long blocksBefore = velmor_host::LiveBlocks();
    const int textsBefore = velmor_host::DebugTextCount();
    HLOCAL headerBlock = nullptr;
    HLOCAL pixelBlock = nullptr;
    JpegDecoder decoder;
    if (decoder.Decode(stream, static_cast<DWORD>(size), &headerBlock, &pixelBlock) != 1)
        Fail("Decode did not return 1");
    const int texts = velmor_host::DebugTextCount() - textsBefore;

    if (velmor_host::LockCount(headerBlock) != 0 || velmor_host::LockCount(pixelBlock) != 0)
        Fail("block left locked");
    if (pixelBlock && !headerBlock) Fail("a pixel block without a header block");
    BITMAPINFOHEADER header = {};
    if (headerBlock) {
        if (LocalSize(headerBlock) != 44) Fail("header block size");
        const BYTE* bytes = static_cast<const BYTE*>(LocalLock(headerBlock));
        std::memcpy(&header, bytes, sizeof header);
        for (int i = 40; i < 44; ++i)
            if (bytes[i] != 0) Fail("header block tail not zero");
        LocalUnlock(headerBlock);
        const std::uint64_t stride = (3u * static_cast<std::uint32_t>(header.biWidth) + 3) & ~3u;
        if (header.biSize != 40 || header.biBitCount != 24 || header.biWidth <= 0 ||
            header.biHeight <= 0 ||
            header.biSizeImage != stride * static_cast<std::uint32_t>(header.biHeight))
            Fail("inconsistent header");
        if (pixelBlock ? LocalSize(pixelBlock) != header.biSizeImage
                       : header.biSizeImage <= ALLOCATION_LIMIT)
            Fail("pixel block size");
    }

    if (!headerBlock || pixelBlock) {
        const ReferencePicture reference = ReferenceDecode(stream, size);
        if (reference.debugTexts != texts) Fail("debug text differs from the reference");
        if (reference.hasFrame != (headerBlock != nullptr))
            Fail("frame acceptance differs from the reference");
        if (headerBlock) {
            if (reference.width != header.biWidth || reference.height != header.biHeight)
                Fail("size differs");
            const BYTE* pixels = static_cast<const BYTE*>(LocalLock(pixelBlock));
            if (std::memcmp(pixels, reference.pixels.data(), header.biSizeImage) != 0)
                Fail("pixels differ from the reference");
            LocalUnlock(pixelBlock);
        }
    }

    LocalFree(headerBlock);
    LocalFree(pixelBlock);
    if (velmor_host::LiveBlocks() != blocksBefore) Fail("block leaked");
    std::free(stream);
    return 0;
}
