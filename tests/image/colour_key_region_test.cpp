#include <doctest/doctest.h>

#include "tests/image/image_test_support.h"

namespace {

// An empty region, deleted at the end of the test.
struct Region {
    HRGN handle = CreateRectRgn(0, 0, 0, 0);
    ~Region() { DeleteObject(handle); }
    void Add(int left, int top, int right, int bottom) {
        HRGN piece = CreateRectRgn(left, top, right, bottom);
        CombineRgn(handle, handle, piece, RGN_OR);
        DeleteObject(piece);
    }
    bool Contains(int x, int y) const { return PtInRegion(handle, x, y) != 0; }
    bool IsEmpty() const {
        RECT box;
        return GetRgnBox(handle, &box) == NULLREGION;
    }
};

bool Same(const Region& a, const Region& b) {
    return EqualRgn(a.handle, b.handle) != 0;
}

// Displayed rows of 24-bit pixels (0xRRGGBB) into a picture stored bottom-up
// or top-down.
void Fill24(ProbeImage& image, const std::vector<std::vector<DWORD>>& rows, bool bottomUp) {
    const int height = static_cast<int>(rows.size());
    const int width = static_cast<int>(rows[0].size());
    const int stride = Stride(24, width);
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height, 0xAB);
    for (int y = 0; y < height; ++y) {
        const int index = bottomUp ? height - 1 - y : y;
        for (int x = 0; x < width; ++x) {
            BYTE* p = &pixels[static_cast<size_t>(index) * stride + 3 * x];
            p[0] = static_cast<BYTE>(rows[y][x]);
            p[1] = static_cast<BYTE>(rows[y][x] >> 8);
            p[2] = static_cast<BYTE>(rows[y][x] >> 16);
        }
    }
    image.Fill(MakeHeader(width, bottomUp ? height : -height, 24), {}, pixels);
}

const DWORD K = 0x102030;  // key colour

}  // namespace

TEST_CASE("A rectangle of key pixels adds nothing") {
    ProbeImage image;
    Fill24(image, {{K, K, K}, {K, K, K}}, true);
    Region region;
    CHECK(image.BuildRegionFromColourKey(region.handle, 0, 0, 3, 2) == 1);
    CHECK(region.IsEmpty());
}

TEST_CASE("Building a region changes nothing in the picture's header") {
    ProbeImage image;
    Fill24(image, {{K, 1, K}, {K, K, 2}}, true);
    Region region;
    REQUIRE(image.BuildRegionFromColourKey(region.handle, 0, 0, 3, 2) == 1);
    CHECK(image.Header().biSizeImage == 0);
}

TEST_CASE("Runs of non-key pixels become one-row rectangles") {
    ProbeImage image;
    const DWORD A = 0x000001, B = 0xFFFFFF;
    Fill24(image,
           {
               {K, A, B, A, K, K},
               {K, K, K, K, K, A},
               {A, K, K, K, K, K},
           },
           true);
    Region region;
    REQUIRE(image.BuildRegionFromColourKey(region.handle, 0, 0, 6, 3) == 1);
    Region expected;
    expected.Add(1, 0, 4, 1);  // three pixels between key pixels
    expected.Add(5, 1, 6, 2);  // a run reaching the right edge
    expected.Add(0, 2, 1, 3);
    CHECK(Same(region, expected));
    CHECK_FALSE(region.Contains(0, 0));
    CHECK_FALSE(region.Contains(4, 0));

    SUBCASE("a run open at the rectangle's right side is closed there") {
        Region part;
        REQUIRE(image.BuildRegionFromColourKey(part.handle, 0, 0, 3, 1) == 1);
        Region two;
        two.Add(1, 0, 3, 1);
        CHECK(Same(part, two));
    }
    SUBCASE("the rectangle's top-left pixel is the key") {
        Region part;
        // Key A at (1,0): K, B and K differ; A at (3,0) is key.
        REQUIRE(image.BuildRegionFromColourKey(part.handle, 1, 0, 5, 1) == 1);
        Region runs;
        runs.Add(2, 0, 3, 1);
        runs.Add(4, 0, 5, 1);
        CHECK(Same(part, runs));
    }
    SUBCASE("found rectangles are added to what the region held") {
        Region held;
        held.Add(10, 10, 11, 11);
        REQUIRE(image.BuildRegionFromColourKey(held.handle, 0, 1, 6, 2) == 1);
        Region both;
        both.Add(10, 10, 11, 11);
        both.Add(5, 1, 6, 2);
        CHECK(Same(held, both));
    }
}

TEST_CASE("A 24-bit pixel differing only in its red byte is not key") {
    ProbeImage image;
    Fill24(image, {{K, K ^ 0x010000, K}}, true);
    Region region;
    REQUIRE(image.BuildRegionFromColourKey(region.handle, 0, 0, 3, 1) == 1);
    Region expected;
    expected.Add(1, 0, 2, 1);
    CHECK(Same(region, expected));
}

TEST_CASE("Bottom-up and top-down pictures give the same region") {
    const std::vector<std::vector<DWORD>> rows = {
        {K, 1, K, K},
        {2, 2, K, 3},
        {K, K, K, 4},
    };
    ProbeImage bottomUp, topDown;
    Fill24(bottomUp, rows, true);
    Fill24(topDown, rows, false);
    Region a, b;
    REQUIRE(bottomUp.BuildRegionFromColourKey(a.handle, 0, 0, 4, 3) == 1);
    REQUIRE(topDown.BuildRegionFromColourKey(b.handle, 0, 0, 4, 3) == 1);
    CHECK(Same(a, b));
    CHECK(a.Contains(1, 0));
    CHECK(a.Contains(0, 1));
    CHECK(a.Contains(3, 2));
    CHECK_FALSE(a.Contains(2, 1));

    Region c, d;
    REQUIRE(bottomUp.BuildRegionFromColourKey(c.handle, 1, 1, 4, 3) == 1);
    REQUIRE(topDown.BuildRegionFromColourKey(d.handle, 1, 1, 4, 3) == 1);
    CHECK(Same(c, d));
}

TEST_CASE("An 8-bit picture compares palette indices") {
    ProbeImage image;
    // Entries 0 and 1 hold the same colour; index 1 still differs from key 0.
    std::vector<RGBQUAD> colours(2);
    colours[0] = colours[1] = {9, 9, 9, 0};
    // Bottom-up 3 x 2: displayed top row 0 1 0, bottom row 0 0 1.
    image.Fill(MakeHeader(3, 2, 8, 2), colours, {0, 0, 1, 0, 0, 1, 0, 0});
    Region region;
    REQUIRE(image.BuildRegionFromColourKey(region.handle, 0, 0, 3, 2) == 1);
    Region expected;
    expected.Add(1, 0, 2, 1);
    expected.Add(2, 1, 3, 2);
    CHECK(Same(region, expected));
}

TEST_CASE("A 16-bit picture compares whole words") {
    ProbeImage image;
    // One row: words 0x1234, 0x1235, 0x3412, 0x1234 (bytes little-endian).
    image.Fill(MakeHeader(4, 1, 16), {}, {0x34, 0x12, 0x35, 0x12, 0x12, 0x34, 0x34, 0x12});
    Region region;
    REQUIRE(image.BuildRegionFromColourKey(region.handle, 0, 0, 4, 1) == 1);
    Region expected;
    expected.Add(1, 0, 3, 1);
    CHECK(Same(region, expected));
}

TEST_CASE("Other depths add the whole rectangle and report 0") {
    ProbeImage image;
    SUBCASE("32 bits") {
        image.Fill(MakeHeader(4, 3, 32), {}, std::vector<BYTE>(48));
    }
    SUBCASE("4 bits") {
        image.Fill(MakeHeader(4, 3, 4, 16), GreyColours(16), std::vector<BYTE>(12));
    }
    Region region;
    CHECK(image.BuildRegionFromColourKey(region.handle, 1, 1, 3, 3) == 0);
    Region expected;
    expected.Add(1, 1, 3, 3);
    CHECK(Same(region, expected));
}

TEST_CASE("Empty rectangles add nothing") {
    ProbeImage image;
    Fill24(image, {{K, 1, 2}, {3, 4, 5}}, true);
    Region region;
    CHECK(image.BuildRegionFromColourKey(region.handle, 1, 0, 1, 2) == 1);
    CHECK(image.BuildRegionFromColourKey(region.handle, 0, 1, 3, 1) == 1);
    CHECK(region.IsEmpty());
}

TEST_CASE("Rectangles outside the picture, or no picture, give 0 and add nothing") {
    ProbeImage image;
    Region region;
    CHECK(image.BuildRegionFromColourKey(region.handle, 0, 0, 1, 1) == 0);
    CHECK(region.IsEmpty());

    Fill24(image, {{K, 1, 2}, {3, 4, 5}}, true);
    CHECK(image.BuildRegionFromColourKey(region.handle, -1, 0, 2, 2) == 0);
    CHECK(image.BuildRegionFromColourKey(region.handle, 0, -1, 2, 2) == 0);
    CHECK(image.BuildRegionFromColourKey(region.handle, 0, 0, 4, 2) == 0);
    CHECK(image.BuildRegionFromColourKey(region.handle, 0, 0, 3, 3) == 0);
    CHECK(image.BuildRegionFromColourKey(region.handle, 2, 0, 1, 2) == 0);
    CHECK(image.BuildRegionFromColourKey(region.handle, 0, 1, 2, 0) == 0);
    CHECK(image.BuildRegionFromColourKey(region.handle, 3, 0, 3, 2) == 0);  // no key pixel
    CHECK(image.BuildRegionFromColourKey(region.handle, 0, 2, 3, 2) == 0);  // no key pixel
    CHECK(region.IsEmpty());

    SUBCASE("rows missing from a short pixel block") {
        image.Fill(MakeHeader(3, 2, 24, 0, BI_RGB, 24), {}, std::vector<BYTE>(12, 1));
        // Displayed row 0 is stored second: beyond the 12 bytes held.
        CHECK(image.BuildRegionFromColourKey(region.handle, 0, 0, 3, 1) == 0);
        CHECK(image.BuildRegionFromColourKey(region.handle, 0, 1, 3, 2) == 1);
        CHECK(region.IsEmpty());
    }
    SUBCASE("unsupported depth, outside") {
        image.Fill(MakeHeader(2, 2, 32), {}, std::vector<BYTE>(16));
        CHECK(image.BuildRegionFromColourKey(region.handle, 0, 0, 3, 2) == 0);
        CHECK(region.IsEmpty());
    }
}
