// libFuzzer target: any bytes, taken as a BMP file and as a bitmap resource
// (a packed DIB), go through the loaders' byte work.  Beyond the sanitizers'
// checks (every read is from an exact-size copy of the input) it insists
// that what a loader would allocate is what the input's header describes and
// never more than this object can address, that every read it plans lies
// inside the input, and that blocks are neither left locked nor leaked.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/bmp_layout.h"
#include "image/dib_layout.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "bmp_fuzz: %s\n", what);
    std::abort();
}

// Pixel blocks larger than this fail to allocate (as on a machine short of
// memory), which keeps the fuzzer's memory small and exercises that path.
const SIZE_T ALLOCATION_LIMIT = 16u << 20;

// An exact-size copy, so that ASan sees any read past its end.
struct Copy {
    Copy(const BYTE* data, SIZE_T size) : bytes(static_cast<BYTE*>(std::malloc(size ? size : 1))) {
        if (size) std::memcpy(bytes, data, size);
    }
    ~Copy() { std::free(bytes); }
    BYTE* bytes;
};

void CheckLayout(const BmpLayout& layout, SIZE_T tableInput, SIZE_T pixelInput) {
    const BITMAPINFOHEADER& header = layout.header;
    if (header.biSize != 40 || header.biWidth <= 0 || header.biHeight == 0)
        Fail("a header no loader may take");
    if (layout.stride != StrideOf(header.biBitCount, header.biWidth) || layout.stride == 0)
        Fail("stride");
    if (header.biClrUsed > BMP_MAX_COLOURS) Fail("colour table larger than 256 entries");
    const long long whole = SectionBytesOf(header);
    if (header.biSizeImage == 0 || header.biSizeImage > whole || whole > INT_MAX)
        Fail("pixel block beyond the rows the header describes");
    if (layout.tableOffset > tableInput || 4 * header.biClrUsed > tableInput - layout.tableOffset)
        Fail("colour table read outside the input");
    if (layout.pixelsPresent > header.biSizeImage) Fail("more pixels copied than the block holds");
    if (layout.pixelsPresent > 0 &&
        (layout.pixelOffset > pixelInput || layout.pixelsPresent > pixelInput - layout.pixelOffset))
        Fail("pixels read outside the input");
}

// Makes the blocks as a loader would and checks them.
void MakeBlocks(const BmpLayout& layout, const BYTE* tableBytes, const BYTE* pixelBytes) {
    const long before = velmor_host::LiveBlocks();
    {
        LocalBlock header;
        LocalBlock pixels;
        if (AllocateBmpBlocks(layout, tableBytes, &header, &pixels)) {
            if (LocalSize(header.Get()) != 40 + 4 * layout.header.biClrUsed)
                Fail("header block size");
            if (LocalSize(pixels.Get()) != layout.header.biSizeImage) Fail("pixel block size");
            CopyPresentPixels(layout, pixelBytes, pixels.Get());
            if (velmor_host::LockCount(header.Get()) || velmor_host::LockCount(pixels.Get()))
                Fail("block left locked");
        } else if (header || pixels) {
            Fail("a failed allocation handed out a block");
        } else if (layout.header.biSizeImage <= ALLOCATION_LIMIT) {
            Fail("allocation failed within the limit");
        }
    }
    if (velmor_host::LiveBlocks() != before) Fail("block leaked");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velmor_host::SetAllocationLimit(ALLOCATION_LIMIT);
    const Copy whole(data, size);

    // As a file: the loader reads its layout from the first bytes only.
    const SIZE_T prefixSize = size < BMP_FILE_PREFIX_BYTES ? size : BMP_FILE_PREFIX_BYTES;
    const Copy prefix(data, prefixSize);
    BmpLayout layout;
    if (LayOutBmpFile(prefix.bytes, prefixSize, size, &layout)) {
        CheckLayout(layout, prefixSize, size);
        MakeBlocks(layout, prefix.bytes, whole.bytes);
    }
    // As a packed DIB.
    if (LayOutPackedDib(whole.bytes, size, &layout)) {
        CheckLayout(layout, size, size);
        MakeBlocks(layout, whole.bytes, whole.bytes);
    }
    return 0;
}
