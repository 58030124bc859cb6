#include <doctest/doctest.h>

#include <cstdlib>
#include <new>

#include "tests/image/image_test_support.h"

namespace {

// While set, allocations through operator new fail, as when memory has run
// out: the throwing forms throw, the nothrow array form gives null.
bool allocationsFail = false;

}  // namespace

void* operator new(std::size_t size) {
    void* block = allocationsFail ? nullptr : std::malloc(size != 0 ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocationsFail ? nullptr : std::malloc(size != 0 ? size : 1);
}

namespace {

// A 2 x 2 24-bit bottom-up picture; displayed:
//   (0,0) red    (1,0) green
//   (0,1) blue   (1,1) white
const DWORD RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, WHITE = 0xFFFFFF;

std::vector<BYTE> TwoByTwoPixels() {
    return {
        // bottom row (y = 1): blue, white, 2 pad bytes
        0xFF,
        0x00,
        0x00,
        0xFF,
        0xFF,
        0xFF,
        0,
        0,
        // top row (y = 0): red, green
        0x00,
        0x00,
        0xFF,
        0x00,
        0xFF,
        0x00,
        0,
        0,
    };
}

void FillTwoByTwo(ProbeImage& image) {
    image.Fill(MakeHeader(2, 2, 24), {}, TwoByTwoPixels());
}

}  // namespace

TEST_CASE("Draw refuses a picture that was never filled and leaves the target alone") {
    ProbeImage image;
    Canvas canvas(4, 4);
    const std::vector<BYTE> before = canvas.Bytes();
    CHECK(image.Draw(canvas.Dc(), 0, 0, 2, 2, 0, 0, 2, 2, SRCCOPY) == 0);
    CHECK(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 0);
    CHECK(canvas.Bytes() == before);
    CHECK(image.Section() == nullptr);
}

TEST_CASE("Draw blits equal sizes and stretches different ones") {
    ProbeImage image;
    FillTwoByTwo(image);
    Canvas canvas(6, 6);

    SUBCASE("equal sizes copy the pixels in display order") {
        REQUIRE(image.Draw(canvas.Dc(), 1, 1, 3, 3, 0, 0, 2, 2, SRCCOPY) == 1);
        CHECK(canvas.Pixel(1, 1) == RED);
        CHECK(canvas.Pixel(2, 1) == GREEN);
        CHECK(canvas.Pixel(1, 2) == BLUE);
        CHECK(canvas.Pixel(2, 2) == WHITE);
        CHECK(canvas.Pixel(0, 0) == 0x5A5A5A);
        CHECK(canvas.Pixel(3, 3) == 0x5A5A5A);
    }
    SUBCASE("a larger destination scales the picture up; the corners keep their colours") {
        REQUIRE(image.Draw(canvas.Dc(), 0, 0, 4, 4, 0, 0, 2, 2, SRCCOPY) == 1);
        // In between, HALFTONE may blend neighbouring pixels.
        CHECK(canvas.Pixel(0, 0) == RED);
        CHECK(canvas.Pixel(3, 0) == GREEN);
        CHECK(canvas.Pixel(0, 3) == BLUE);
        CHECK(canvas.Pixel(3, 3) == WHITE);
        CHECK(canvas.Pixel(4, 4) == 0x5A5A5A);
    }
    SUBCASE("a mirrored destination of the same magnitude is stretched, not blitted") {
        // GDI mirrors a negative width about the destination's left edge,
        // one pixel over: (2, 0, 0, 2) lands on columns 1 and 2.
        REQUIRE(image.Draw(canvas.Dc(), 2, 0, 0, 2, 0, 0, 2, 2, SRCCOPY) == 1);
        CHECK(canvas.Pixel(1, 0) == GREEN);
        CHECK(canvas.Pixel(2, 0) == RED);
        CHECK(canvas.Pixel(1, 1) == WHITE);
        CHECK(canvas.Pixel(2, 1) == BLUE);
    }
    SUBCASE("DrawPart takes a source rectangle at its own size") {
        REQUIRE(image.DrawPart(canvas.Dc(), 4, 4, 1, 0, 2, 2, SRCCOPY) == 1);
        CHECK(canvas.Pixel(4, 4) == GREEN);
        CHECK(canvas.Pixel(4, 5) == WHITE);
        CHECK(canvas.Pixel(5, 4) == 0x5A5A5A);
    }
    SUBCASE("the raster operation is passed on") {
        canvas.Clear(0xFF);
        REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCAND) == 1);
        CHECK(canvas.Pixel(0, 0) == RED);
        CHECK(canvas.Pixel(1, 1) == WHITE);
    }
}

TEST_CASE("Rectangles whose sizes overflow an int draw nothing") {
    ProbeImage image;
    FillTwoByTwo(image);
    Canvas canvas(2, 2);
    const std::vector<BYTE> before = canvas.Bytes();
    CHECK(image.Draw(canvas.Dc(), -1, 0, INT_MAX, 2, 0, 0, 2, 2, SRCCOPY) == 0);
    CHECK(image.Draw(canvas.Dc(), 0, 0, 2, 2, INT_MIN, 0, 1, 2, SRCCOPY) == 0);
    CHECK(image.DrawAt(canvas.Dc(), INT_MAX, 0, SRCCOPY) == 0);
    CHECK(image.DrawPart(canvas.Dc(), 0, INT_MAX, 0, 0, 2, 2, SRCCOPY) == 0);
    // Each of the four sizes, and below INT_MIN as well as above INT_MAX.
    CHECK(image.Draw(canvas.Dc(), 0, -1, 2, INT_MAX, 0, 0, 2, 2, SRCCOPY) == 0);
    CHECK(image.Draw(canvas.Dc(), 0, 0, 2, 2, 0, INT_MIN, 2, 1, SRCCOPY) == 0);
    CHECK(image.Draw(canvas.Dc(), 0, 0, 2, 2, 1, 0, INT_MIN, 2, SRCCOPY) == 0);
    CHECK(image.DrawAt(canvas.Dc(), 0, INT_MAX, SRCCOPY) == 0);
    CHECK(image.DrawPart(canvas.Dc(), INT_MAX, 0, 0, 0, 2, 2, SRCCOPY) == 0);
    CHECK(canvas.Bytes() == before);
}

TEST_CASE("A top-down picture draws the same as a bottom-up one") {
    ProbeImage image;
    std::vector<BYTE> rows = TwoByTwoPixels();
    std::vector<BYTE> topDown(rows.begin() + 8, rows.end());
    topDown.insert(topDown.end(), rows.begin(), rows.begin() + 8);
    image.Fill(MakeHeader(2, -2, 24), {}, topDown);
    Canvas canvas(2, 2);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Pixel(0, 0) == RED);
    CHECK(canvas.Pixel(1, 0) == GREEN);
    CHECK(canvas.Pixel(0, 1) == BLUE);
    CHECK(canvas.Pixel(1, 1) == WHITE);
}

TEST_CASE("Draw copies the pixel block only when the section is stale") {
    ProbeImage image;
    FillTwoByTwo(image);
    Canvas canvas(2, 2);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(image.SectionStale() == 0);
    HBITMAP first = image.Section();
    REQUIRE(first != nullptr);

    // Top-left pixel's red byte becomes 0: the cached section still has it.
    image.PokePixel(8 + 2, 0x00);
    canvas.Clear(0);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Pixel(0, 0) == RED);
    CHECK(image.Section() == first);

    // A fill marks the section stale: the next draw copies again.
    image.MarkStale();
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Pixel(0, 0) == 0x000000);
    CHECK(canvas.Pixel(1, 1) == WHITE);
}

TEST_CASE("Suppressed blits still rebuild the section but draw nothing") {
    ProbeImage image;
    FillTwoByTwo(image);
    Canvas canvas(2, 2);
    const std::vector<BYTE> before = canvas.Bytes();
    CHECK(image.SuppressBlit(42) == 1);
    CHECK(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Bytes() == before);
    CHECK(image.Section() != nullptr);
    CHECK(image.SectionStale() == 0);
    CHECK(image.SectionBytes() == TwoByTwoPixels());
}

TEST_CASE("A section that cannot be made fails the draw and writes nothing") {
    ProbeImage image;
    // A compression GDI does not know: CreateDIBSection refuses the header.
    image.Fill(MakeHeader(2, 2, 24, 0, 0x7777), {}, TwoByTwoPixels());
    Canvas canvas(2, 2);
    const std::vector<BYTE> before = canvas.Bytes();
    CHECK(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 0);
    CHECK(canvas.Bytes() == before);
    CHECK(image.Section() == nullptr);
    // Nothing cached: the next draw tries again instead of blitting nothing.
    CHECK(image.SectionStale() == 1);
    CHECK(image.Fade(canvas.Dc(), 3, 30) == 0);
    CHECK(image.FadeRect(canvas.Dc(), 3, 30, 0, 0, 2, 2) == 0);
    CHECK(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 0);
    CHECK(canvas.Bytes() == before);
}

TEST_CASE("An 8-bit picture draws through its colour table") {
    ProbeImage image;
    std::vector<RGBQUAD> colours(2);
    colours[0] = {0x10, 0x20, 0x30, 0};
    colours[1] = {0xC0, 0xB0, 0xA0, 0};
    // One row, two pixels: indices 1 and 0.
    image.Fill(MakeHeader(2, 1, 8, 2), colours, {1, 0, 0, 0});
    Canvas canvas(2, 1);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Pixel(0, 0) == 0xA0B0C0);
    CHECK(canvas.Pixel(1, 0) == 0x302010);
}

TEST_CASE("BuildPalette makes a palette from the colour table and keeps it for an empty one") {
    ProbeImage image;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[3];
    } table = {MakeHeader(1, 1, 8, 3), {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}}};
    REQUIRE(image.BuildPalette(&table.header) == 1);
    HPALETTE made = image.Palette();
    REQUIRE(made != nullptr);
    PALETTEENTRY entries[4] = {};
    CHECK(GetPaletteEntries(made, 0, 4, entries) == 3);
    CHECK(entries[2].peRed == 9);
    CHECK(entries[2].peGreen == 8);
    CHECK(entries[2].peBlue == 7);
    CHECK(entries[0].peFlags == 0);

    BITMAPINFOHEADER empty = MakeHeader(1, 1, 24, 0);
    CHECK(image.BuildPalette(&empty) == 0);
    CHECK(image.Palette() == made);
}

TEST_CASE("BuildPalette without memory for the record returns 0 and keeps the palette") {
    ProbeImage image;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } table = {MakeHeader(1, 1, 8, 2), {{1, 2, 3, 0}, {4, 5, 6, 0}}};
    REQUIRE(image.BuildPalette(&table.header) == 1);
    HPALETTE made = image.Palette();

    int built = -1;
    bool threw = false;
    allocationsFail = true;
    try {
        built = image.BuildPalette(&table.header);
    } catch (...) {
        threw = true;
    }
    allocationsFail = false;
    CHECK_FALSE(threw);
    CHECK(built == 0);
    CHECK(image.Palette() == made);
}

TEST_CASE("Accessors read the header block") {
    ProbeImage image;
    SUBCASE("without a header everything is 0") {
        CHECK(image.Width() == 0);
        CHECK(image.Height(false) == 0);
        CHECK(image.RowStride() == 0);
        CHECK(image.CachedStride() == 0);
        CHECK(image.ImageSize() == 0);
        CHECK(image.RowBytes() == 0);
        CHECK(image.Dimensions().cx == 0);
        CHECK(image.Dimensions().cy == 0);
    }
    SUBCASE("row strides round whole rows up to 32-bit words") {
        image.Fill(MakeHeader(9, 1, 4), {}, std::vector<BYTE>(8));
        CHECK(image.RowStride() == 8);
        CHECK(image.CachedStride() == 8);
        CHECK(image.RowBytes() == 4);
        image.Fill(MakeHeader(33, 1, 1), {}, std::vector<BYTE>(8));
        CHECK(image.RowStride() == 8);
        CHECK(image.RowBytes() == 4);
        image.Fill(MakeHeader(5, 1, 24), {}, std::vector<BYTE>(16));
        CHECK(image.RowStride() == 16);
        CHECK(image.RowBytes() == 15);
    }
    SUBCASE("a top-down picture has a negative signed height") {
        image.Fill(MakeHeader(7, -3, 24), {}, std::vector<BYTE>(72));
        CHECK(image.Width() == 7);
        CHECK(image.Height(false) == -3);
        CHECK(image.Height(true) == 3);
        CHECK(image.Dimensions().cx == 7);
        CHECK(image.Dimensions().cy == 3);
    }
    SUBCASE("a height of INT_MIN has the largest magnitude an int holds") {
        image.Fill(MakeHeader(1, INT_MIN, 24), {}, std::vector<BYTE>(4));
        CHECK(image.Height(false) == INT_MIN);
        CHECK(image.Height(true) == INT_MAX);
        CHECK(image.Dimensions().cy == INT_MAX);
    }
    SUBCASE("ImageSize computes a missing byte count and stores it") {
        image.Fill(MakeHeader(3, 2, 24), {}, std::vector<BYTE>(24));
        CHECK(image.ImageSize() == 24);
        CHECK(image.Header().biSizeImage == 24);
    }
    SUBCASE("ImageSize of a 16-bit BI_RGB picture leaves the header at 0") {
        image.Fill(MakeHeader(3, -2, 16), {}, std::vector<BYTE>(16));
        CHECK(image.ImageSize() == 16);
        CHECK(image.Header().biSizeImage == 0);
    }
    SUBCASE("ImageSize never exceeds the rows the header describes") {
        image.Fill(MakeHeader(3, 2, 24, 0, BI_RGB, 1000), {}, std::vector<BYTE>(1000));
        CHECK(image.ImageSize() == 24);
    }
    SUBCASE("ImageSize never exceeds the pixel block") {
        image.Fill(MakeHeader(3, 2, 24, 0, BI_RGB, 24), {}, std::vector<BYTE>(10, 0x77));
        const int size = image.ImageSize();
        CHECK(size >= 10);
        CHECK(static_cast<SIZE_T>(size) <= LocalSize(image.PixelBlock()));
    }
}

TEST_CASE("A pixel block shorter than the picture draws the missing rows black") {
    ProbeImage image;
    // 2 x 2, only the bottom row (blue, white) present.
    const std::vector<BYTE> both = TwoByTwoPixels();
    std::vector<BYTE> bottomRow(both.begin(), both.begin() + 8);
    image.Fill(MakeHeader(2, 2, 24, 0, BI_RGB, 16), {}, bottomRow);
    Canvas canvas(2, 2);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Pixel(0, 1) == BLUE);
    CHECK(canvas.Pixel(1, 1) == WHITE);
    CHECK(canvas.Pixel(0, 0) == 0);
}

TEST_CASE("SetLoaded controls whether the picture draws") {
    ProbeImage image;
    FillTwoByTwo(image);
    Canvas canvas(2, 2);
    CHECK(image.SetLoaded(0) == 1);
    CHECK(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 0);
    CHECK(image.SetLoaded(1) == 1);
    CHECK(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Pixel(0, 0) == RED);
}
