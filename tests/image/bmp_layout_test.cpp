// Host tests of the BMP loaders' byte work: what the Windows tests cannot
// provoke on every build, an allocation that fails.
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
