// Host tests of the BMP loaders' byte work: an allocation that fails (which
// the Windows tests cannot provoke on every build), and headers, colour
// tables and pixels that lie past the bytes.
#include <doctest/doctest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/bmp_layout.h"

namespace {

// A 2 x 2 24-bit BMP file (stride 8) with its 16 pixel bytes.
std::vector<BYTE> SmallFile() {
    std::vector<BYTE> bytes(54 + 16, 7);
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = 2;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const DWORD fileSize = 54 + 16;
    const DWORD offset = 54;
    std::memcpy(bytes.data(), "BM", 2);
    std::memcpy(bytes.data() + 2, &fileSize, 4);
    std::memcpy(bytes.data() + 10, &offset, 4);
    std::memcpy(bytes.data() + 14, &header, 40);
    return bytes;
}

}  // namespace

TEST_CASE("A block that cannot be allocated fails the load and leaks nothing") {
    const std::vector<BYTE> file = SmallFile();
    BmpLayout layout;
    REQUIRE(LayOutBmpFile(file.data(), file.size(), file.size(), &layout));
    REQUIRE(layout.header.biSizeImage == 16);

    const long before = velmor_host::LiveBlocks();
    LocalBlock header;
    LocalBlock pixels;
    SUBCASE("the pixel block") {
        velmor_host::SetAllocationLimit(15);
    }
    SUBCASE("the header block") {
        velmor_host::SetAllocationLimit(39);
    }
    CHECK_FALSE(AllocateBmpBlocks(layout, file.data(), &header, &pixels));
    velmor_host::SetAllocationLimit(SIZE_MAX);
    CHECK_FALSE(header);
    CHECK_FALSE(pixels);
    CHECK(velmor_host::LiveBlocks() == before);

    // With the memory there, the same bytes load.
    REQUIRE(AllocateBmpBlocks(layout, file.data(), &header, &pixels));
    CopyPresentPixels(layout, file.data(), pixels.Get());
    CHECK(LocalSize(pixels.Get()) == 16);
    CHECK(velmor_host::LiveBlocks() == before + 2);
}

TEST_CASE("Colour tables and headers past the bytes are refused; pixels past them are black") {
    std::vector<BYTE> file = SmallFile();
    BmpLayout layout;
    // Four colours named, the bytes end 8 bytes into the table.
    const DWORD colours = 4;
    std::memcpy(file.data() + 14 + 32, &colours, 4);
    CHECK(LayOutBmpFile(file.data(), 54 + 16, file.size(), &layout));
    CHECK_FALSE(LayOutBmpFile(file.data(), 54 + 8, file.size(), &layout));

    // A file that ends where its pixels begin has none present.
    file = SmallFile();
    REQUIRE(LayOutBmpFile(file.data(), file.size(), 54, &layout));
    CHECK(layout.pixelsPresent == 0);
    LocalBlock header;
    LocalBlock pixels;
    REQUIRE(AllocateBmpBlocks(layout, file.data(), &header, &pixels));
    CopyPresentPixels(layout, file.data(), pixels.Get());  // reads nothing past the bytes

    // Packed DIBs (bitmap resources): a short header, a table past the end,
    // and a header that gives its own pixel byte count.
    const BYTE* dib = file.data() + 14;
    CHECK_FALSE(LayOutPackedDib(dib, 39, &layout));
    std::vector<BYTE> packed(dib, dib + 40 + 16);
    std::memcpy(packed.data() + 32, &colours, 4);
    CHECK(LayOutPackedDib(packed.data(), 40 + 16, &layout));
    CHECK_FALSE(LayOutPackedDib(packed.data(), 40 + 8, &layout));
    const DWORD none = 0;
    const DWORD sizeImage = 16;
    std::memcpy(packed.data() + 32, &none, 4);
    std::memcpy(packed.data() + 20, &sizeImage, 4);
    REQUIRE(LayOutPackedDib(packed.data(), packed.size(), &layout));
    CHECK(layout.header.biSizeImage == 16);
    CHECK(layout.pixelsPresent == 16);
}
