#include <doctest/doctest.h>

#include "tests/image/image_test_support.h"

namespace {

// The values make_test_bitmaps.py writes into the bitmap resources.
std::vector<BYTE> ResourcePattern(size_t count) {
    std::vector<BYTE> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<BYTE>((7 * i + 3) % 256);
    return bytes;
}

RGBQUAD ResourceColour(int i) {
    RGBQUAD c = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>((3 * i) % 256),
                 0};
    return c;
}

bool SameColour(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
           a.rgbReserved == b.rgbReserved;
}

bool Drawable(DibImage& image) {
    Canvas canvas(1, 1);
    return image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1;
}

// A bottom-up 24-bit 3 x 2 picture with counting bytes.
void FillSmall(ProbeImage& image) {
    image.Fill(MakeHeader(3, 2, 24), {}, CountingBytes(24));
}

}  // namespace

TEST_CASE("A saved picture loads back with the same pixels") {
    TempFile file("round_trip");
    ProbeImage saved;
    const std::vector<BYTE> pixels = CountingBytes(2 * 12, 40);
    saved.Fill(MakeHeader(3, 2, 24), {}, pixels);
    REQUIRE(saved.SaveBmpFile(file.Path()) == 1);

    const std::vector<BYTE> bytes = ReadBytes(file.Path());
    REQUIRE(bytes.size() == 54 + 24);
    CHECK(ReadAt<WORD>(bytes, 0) == 0x4D42);
    CHECK(ReadAt<DWORD>(bytes, 2) == 78);
    CHECK(ReadAt<DWORD>(bytes, 6) == 0);
    CHECK(ReadAt<DWORD>(bytes, 10) == 54);
    CHECK(ReadAt<DWORD>(bytes, 14) == 40);
    CHECK(ReadAt<LONG>(bytes, 22) == 2);
    CHECK(ReadAt<DWORD>(bytes, 34) == 24);
    CHECK(std::vector<BYTE>(bytes.begin() + 54, bytes.end()) == pixels);

    ProbeImage loaded;
    REQUIRE(loaded.Load(file.Path()) == 1);
    CHECK(loaded.Loaded() == 1);
    CHECK(loaded.SectionStale() == 1);
    CHECK(loaded.Width() == 3);
    CHECK(loaded.Height(false) == 2);
    CHECK(loaded.CachedStride() == 12);
    CHECK(loaded.PixelBytes() == pixels);
    CHECK(Drawable(loaded));
}

TEST_CASE("A top-down picture is saved bottom-up with its rows reversed") {
    TempFile file("top_down");
    ProbeImage image;
    const std::vector<BYTE> pixels = CountingBytes(3 * 8, 1);  // 2 wide: stride 8
    image.Fill(MakeHeader(2, -3, 24), {}, pixels);
    REQUIRE(image.SaveBmpFile(file.Path()) == 1);
    const std::vector<BYTE> bytes = ReadBytes(file.Path());
    REQUIRE(bytes.size() == 54 + 24);
    CHECK(ReadAt<LONG>(bytes, 22) == 3);
    std::vector<BYTE> expected;
    for (int r = 2; r >= 0; --r)
        expected.insert(expected.end(), pixels.begin() + r * 8, pixels.begin() + r * 8 + 8);
    CHECK(std::vector<BYTE>(bytes.begin() + 54, bytes.end()) == expected);
    // The object itself keeps its top-down rows.
    CHECK(image.Height(false) == -3);

    ProbeImage loaded;
    REQUIRE(loaded.LoadBmpFile(file.Path()) == 1);
    std::vector<BYTE> a(6), b(6);
    REQUIRE(image.CopyRows(a.data(), 2, 0, 0, 2, 3) == 1);
    REQUIRE(loaded.CopyRows(b.data(), 2, 0, 0, 2, 3) == 1);
    CHECK(a == b);
}

TEST_CASE("A top-down picture with a short pixel block saves the rows it has") {
    TempFile file("top_down_short");
    // 4 x 4 top-down, 24 bits (stride 12): only the top two rows are in the file.
    const std::vector<BYTE> pixels = CountingBytes(24, 1);
    REQUIRE(WriteBytes(file.Path(), MakeBmpFile(MakeHeader(4, -4, 24, 0, BI_RGB, 24), {}, pixels)));
    ProbeImage image;
    REQUIRE(image.LoadBmpFile(file.Path()) == 1);
    REQUIRE(image.SaveBmpFile(file.Path()) == 1);

    const std::vector<BYTE> bytes = ReadBytes(file.Path());
    REQUIRE(bytes.size() == 54 + 48);
    CHECK(ReadAt<LONG>(bytes, 22) == 4);
    CHECK(ReadAt<DWORD>(bytes, 34) == 48);
    CHECK(ReadAt<DWORD>(bytes, 2) == 54 + 48);
    // Bottom row first: the two missing rows as zeros, then row 1, then row 0.
    std::vector<BYTE> expected(24, 0);
    expected.insert(expected.end(), pixels.begin() + 12, pixels.end());
    expected.insert(expected.end(), pixels.begin(), pixels.begin() + 12);
    CHECK(std::vector<BYTE>(bytes.begin() + 54, bytes.end()) == expected);
}

TEST_CASE("The writer settles the colour count and stores it in the header") {
    TempFile file("writer_colours");
    ProbeImage image;
    SUBCASE("1 bit: 2 entries") {
        image.Fill(MakeHeader(9, 1, 1), GreyColours(2), {0xFF, 0x80, 0, 0});
        REQUIRE(image.SaveBmpFile(file.Path()) == 1);
        const std::vector<BYTE> bytes = ReadBytes(file.Path());
        CHECK(ReadAt<DWORD>(bytes, 10) == 54 + 8);
        CHECK(ReadAt<DWORD>(bytes, 46) == 2);
        CHECK(bytes.size() == 54 + 8 + 4);
        CHECK(ReadAt<BYTE>(bytes, 54 + 4 + 2) == 254);
        CHECK(image.Header().biClrUsed == 2);
    }
    SUBCASE("4 bits: 16 entries") {
        image.Fill(MakeHeader(2, 1, 4), GreyColours(16), {0x12, 0, 0, 0});
        REQUIRE(image.SaveBmpFile(file.Path()) == 1);
        const std::vector<BYTE> bytes = ReadBytes(file.Path());
        CHECK(ReadAt<DWORD>(bytes, 10) == 54 + 64);
        CHECK(ReadAt<DWORD>(bytes, 46) == 16);
        CHECK(bytes.size() == 54 + 64 + 4);
        CHECK(ReadAt<BYTE>(bytes, 54 + 4 * 15 + 2) == 255 - 15);
        CHECK(image.Header().biClrUsed == 16);
    }
    SUBCASE("8 bits: 256 entries") {
        image.Fill(MakeHeader(1, 1, 8), GreyColours(256), {9, 0, 0, 0});
        REQUIRE(image.SaveBmpFile(file.Path()) == 1);
        const std::vector<BYTE> bytes = ReadBytes(file.Path());
        CHECK(ReadAt<DWORD>(bytes, 10) == 54 + 1024);
        CHECK(ReadAt<DWORD>(bytes, 46) == 256);
        CHECK(ReadAt<BYTE>(bytes, 54 + 1024) == 9);
        CHECK(image.Header().biClrUsed == 256);
    }
    SUBCASE("16 bits BI_RGB: no entries, biSizeImage stays 0, bfSize counts the pixels") {
        image.Fill(MakeHeader(3, 2, 16), {}, CountingBytes(16));
        REQUIRE(image.SaveBmpFile(file.Path()) == 1);
        const std::vector<BYTE> bytes = ReadBytes(file.Path());
        CHECK(ReadAt<DWORD>(bytes, 10) == 54);
        CHECK(ReadAt<DWORD>(bytes, 46) == 0);
        CHECK(ReadAt<DWORD>(bytes, 34) == 0);
        CHECK(ReadAt<DWORD>(bytes, 2) == 54 + 16);
        CHECK(bytes.size() == 54 + 16);
    }
    SUBCASE("24 bits: no entries") {
        FillSmall(image);
        REQUIRE(image.SaveBmpFile(file.Path()) == 1);
        const std::vector<BYTE> bytes = ReadBytes(file.Path());
        CHECK(ReadAt<DWORD>(bytes, 10) == 54);
        CHECK(ReadAt<DWORD>(bytes, 46) == 0);
    }
}

TEST_CASE("Saving reports what it could not write") {
    ProbeImage image;
    TempFile file("nothing");
    CHECK(image.SaveBmpFile(file.Path()) == 0);
    CHECK(ReadBytes(file.Path()).empty());

    FillSmall(image);
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    CHECK(image.SaveBmpFile(std::string(directory) + "velmor_no_such_dir\\x.bmp") == 0);

    SUBCASE("a device that is always full") {
        // Wine maps drive Z: to the Unix root; /dev/full opens but refuses
        // every write, so this is a failed write after a successful create.
        HANDLE probe = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        REQUIRE(probe != INVALID_HANDLE_VALUE);
        CloseHandle(probe);
        CHECK(image.SaveBmpFile("Z:\\dev\\full") == 0);
    }
}

TEST_CASE("The file loader's colour-count defaults") {
    TempFile file("loader_colours");
    ProbeImage image;
    SUBCASE("1 bit reads 2 entries and draws in them") {
        const std::vector<RGBQUAD> colours = {{0x10, 0x20, 0x30, 0}, {0xC0, 0xB0, 0xA0, 0}};
        REQUIRE(
            WriteBytes(file.Path(), MakeBmpFile(MakeHeader(2, 1, 1), colours, {0x80, 0, 0, 0})));
        REQUIRE(image.LoadBmpFile(file.Path()) == 1);
        CHECK(image.Header().biClrUsed == 2);
        REQUIRE(image.Colours().size() == 2);
        CHECK(SameColour(image.Colours()[1], colours[1]));
        CHECK(image.PixelBytes() == std::vector<BYTE>{0x80, 0, 0, 0});
        Canvas canvas(2, 1);
        REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
        CHECK(canvas.Pixel(0, 0) == 0xA0B0C0);
        CHECK(canvas.Pixel(1, 0) == 0x302010);
    }
    SUBCASE("4 bits read 16 entries") {
        const std::vector<RGBQUAD> colours = GreyColours(16);
        REQUIRE(
            WriteBytes(file.Path(), MakeBmpFile(MakeHeader(2, 1, 4), colours, {0x1F, 0, 0, 0})));
        REQUIRE(image.LoadBmpFile(file.Path()) == 1);
        CHECK(image.Header().biClrUsed == 16);
        REQUIRE(image.Colours().size() == 16);
        CHECK(SameColour(image.Colours()[15], colours[15]));
        CHECK(image.PixelBytes() == std::vector<BYTE>{0x1F, 0, 0, 0});
        REQUIRE(image.Palette() != nullptr);
        PALETTEENTRY entry = {};
        CHECK(GetPaletteEntries(image.Palette(), 0, 16, nullptr) == 16);
        GetPaletteEntries(image.Palette(), 15, 1, &entry);
        CHECK(entry.peRed == colours[15].rgbRed);
    }
    SUBCASE("8 bits read 256 entries and make a 256-entry palette") {
        const std::vector<RGBQUAD> colours = GreyColours(256);
        REQUIRE(WriteBytes(file.Path(), MakeBmpFile(MakeHeader(1, 1, 8), colours, {200, 0, 0, 0})));
        REQUIRE(image.LoadBmpFile(file.Path()) == 1);
        CHECK(image.Header().biClrUsed == 256);
        CHECK(image.Colours().size() == 256);
        CHECK(GetPaletteEntries(image.Palette(), 0, 256, nullptr) == 256);
        CHECK(image.PixelBytes() == std::vector<BYTE>{200, 0, 0, 0});
    }
    SUBCASE("16 bits read none") {
        REQUIRE(WriteBytes(file.Path(), MakeBmpFile(MakeHeader(1, 1, 16), {}, {1, 2, 0, 0})));
        REQUIRE(image.LoadBmpFile(file.Path()) == 1);
        CHECK(image.Header().biClrUsed == 0);
        CHECK(image.Colours().empty());
        CHECK(image.PixelBytes() == std::vector<BYTE>{1, 2, 0, 0});
    }
    SUBCASE("24 bits read none, make no palette and keep the one there was") {
        REQUIRE(WriteBytes(file.Path(),
                           MakeBmpFile(MakeHeader(1, 1, 8, 2), GreyColours(2), {1, 0, 0, 0})));
        REQUIRE(image.LoadBmpFile(file.Path()) == 1);
        HPALETTE earlier = image.Palette();
        REQUIRE(earlier != nullptr);
        REQUIRE(WriteBytes(file.Path(), MakeBmpFile(MakeHeader(1, 1, 24), {}, {1, 2, 3, 0})));
        REQUIRE(image.LoadBmpFile(file.Path()) == 1);
        CHECK(image.Header().biClrUsed == 0);
        CHECK(image.Colours().empty());
        CHECK(image.Palette() == earlier);
        CHECK(GetPaletteEntries(image.Palette(), 0, 0, nullptr) == 2);
        Canvas canvas(1, 1);
        REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
        CHECK(canvas.Pixel(0, 0) == 0x030201);
    }
    SUBCASE("a BI_BITFIELDS picture reads its three masks") {
        std::vector<RGBQUAD> masks(3);
        const DWORD values[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(masks.data(), values, 12);
        // One pixel, pure red in 5-6-5.
        REQUIRE(WriteBytes(file.Path(), MakeBmpFile(MakeHeader(1, 1, 16, 0, BI_BITFIELDS), masks,
                                                    {0x00, 0xF8, 0, 0})));
        REQUIRE(image.LoadBmpFile(file.Path()) == 1);
        CHECK(image.Header().biClrUsed == 3);
        Canvas canvas(1, 1);
        REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
        CHECK(canvas.Pixel(0, 0) == 0xFF0000);
    }
}

TEST_CASE("Pixels are read from bfOffBits") {
    TempFile file("offset");
    ProbeImage image;
    const std::vector<BYTE> pixels = {10, 20, 30, 0, 40, 50, 60, 0};
    REQUIRE(WriteBytes(file.Path(), MakeBmpFile(MakeHeader(1, 2, 24), {}, pixels, 37)));
    REQUIRE(image.LoadBmpFile(file.Path()) == 1);
    CHECK(image.PixelBytes() == pixels);
}

TEST_CASE("The pixel byte count comes from the file size when both counts are 0") {
    TempFile file("sizes");
    ProbeImage image;
    // 3 x 2: stride 12; only 20 bytes present, biSizeImage 0, bfSize 0.
    const std::vector<BYTE> pixels = CountingBytes(20);
    REQUIRE(WriteBytes(file.Path(), MakeBmpFile(MakeHeader(3, 2, 24), {}, pixels, 0, 0)));
    REQUIRE(image.LoadBmpFile(file.Path()) == 1);
    CHECK(image.Header().biSizeImage == 20);
    CHECK(image.ImageSize() == 20);
    CHECK(image.PixelBytes().size() == 20);

    SUBCASE("bfSize is used when it is set") {
        REQUIRE(WriteBytes(file.Path(), MakeBmpFile(MakeHeader(3, 2, 24), {}, pixels, 0, 54 + 16)));
        REQUIRE(image.LoadBmpFile(file.Path()) == 1);
        CHECK(image.ImageSize() == 16);
    }
    SUBCASE("a count beyond the picture is limited to its rows") {
        std::vector<BYTE> more = CountingBytes(40);
        REQUIRE(
            WriteBytes(file.Path(), MakeBmpFile(MakeHeader(3, 2, 24, 0, BI_RGB, 40), {}, more)));
        REQUIRE(image.LoadBmpFile(file.Path()) == 1);
        CHECK(image.Header().biSizeImage == 24);
        CHECK(image.ImageSize() == 24);
        CHECK(image.PixelBytes() == std::vector<BYTE>(more.begin(), more.begin() + 24));
        CHECK(Drawable(image));
    }
}

TEST_CASE("A file that ends inside its pixels loads with the missing rows black") {
    TempFile file("short_pixels");
    ProbeImage image;
    // Bottom-up 1 x 3; only the bottom row's bytes are in the file.
    REQUIRE(WriteBytes(file.Path(),
                       MakeBmpFile(MakeHeader(1, 3, 24, 0, BI_RGB, 12), {}, {9, 8, 7, 0})));
    REQUIRE(image.LoadBmpFile(file.Path()) == 1);
    CHECK(image.PixelBytes() == std::vector<BYTE>{9, 8, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Canvas canvas(1, 3);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Pixel(0, 2) == 0x070809);
    CHECK(canvas.Pixel(0, 0) == 0);
}

TEST_CASE("Malformed files are rejected and leave the object unloaded") {
    TempFile file("malformed");
    ProbeImage image;
    FillSmall(image);
    const std::vector<BYTE> before = image.PixelBytes();
    const std::vector<BYTE> good = MakeBmpFile(MakeHeader(1, 1, 24), {}, {1, 2, 3, 0});
    std::vector<BYTE> bytes;

    SUBCASE("not BM") {
        bytes = good;
        bytes[1] = 'A';
    }
    SUBCASE("an info header of another size") {
        bytes = good;
        bytes[14] = 108;
    }
    SUBCASE("shorter than its headers") {
        bytes.assign(good.begin(), good.begin() + 50);
    }
    SUBCASE("only the magic number") {
        bytes.assign(good.begin(), good.begin() + 2);
    }
    SUBCASE("width 0") {
        bytes = MakeBmpFile(MakeHeader(0, 1, 24), {}, {1, 2, 3, 0});
    }
    SUBCASE("negative width") {
        bytes = MakeBmpFile(MakeHeader(-1, 1, 24), {}, {1, 2, 3, 0});
    }
    SUBCASE("height 0") {
        bytes = MakeBmpFile(MakeHeader(1, 0, 24), {}, {1, 2, 3, 0});
    }
    SUBCASE("bit count 7") {
        bytes = MakeBmpFile(MakeHeader(1, 1, 7), {}, {1, 2, 3, 0});
    }
    SUBCASE("bit count 0") {
        bytes = MakeBmpFile(MakeHeader(1, 1, 0), {}, {1, 2, 3, 0});
    }
    SUBCASE("300 colours") {
        bytes = MakeBmpFile(MakeHeader(1, 1, 8, 300), GreyColours(256), {1, 0, 0, 0});
    }
    SUBCASE("a colour table cut short") {
        bytes = MakeBmpFile(MakeHeader(1, 1, 8), GreyColours(256), {});
        bytes.resize(54 + 100);
    }
    SUBCASE("bfSize below bfOffBits") {
        bytes = MakeBmpFile(MakeHeader(1, 1, 24), {}, {1, 2, 3, 0}, 0, 20);
    }
    SUBCASE("no pixel bytes at all") {
        bytes = MakeBmpFile(MakeHeader(1, 1, 24), {}, {}, 0, 54);
    }
    SUBCASE("rows too large to address") {
        bytes = MakeBmpFile(MakeHeader(100000, 100000, 24), {}, {1, 2, 3, 0});
    }
    SUBCASE("a height whose magnitude overflows") {
        bytes = MakeBmpFile(MakeHeader(1, INT_MIN, 24), {}, {1, 2, 3, 0});
    }
    SUBCASE("a width whose row overflows") {
        bytes = MakeBmpFile(MakeHeader(INT_MAX, 1, 32), {}, {1, 2, 3, 0});
    }
    REQUIRE(WriteBytes(file.Path(), bytes));
    CHECK(image.LoadBmpFile(file.Path()) == 0);
    CHECK(image.Loaded() == 0);
    CHECK_FALSE(Drawable(image));
    // The previous blocks stay with the object until the next fill.
    CHECK(image.Width() == 3);
    CHECK(image.PixelBytes() == before);
}

TEST_CASE("A missing file leaves the object as it was") {
    ProbeImage image;
    FillSmall(image);
    CHECK(image.LoadBmpFile("Z:\\velmor\\no\\such\\file.bmp") == 0);
    CHECK(image.Loaded() == 1);
    CHECK(Drawable(image));
}

// The host tests make the allocation fail on purpose and check that the
// load fails without leaking; here the real loader meets a real 2 GB block.
TEST_CASE("A 2 GB pixel block fails the load where it cannot be allocated, is read where it can") {
    TempFile file("huge");
    ProbeImage image;
    FillSmall(image);
    // One row of 2 GB less a little: valid, but more than a 32-bit process can
    // hold; a 64-bit process has the room, and gets the file's 4 bytes first.
    REQUIRE(WriteBytes(file.Path(),
                       MakeBmpFile(MakeHeader(715827880, 1, 24), {}, {1, 2, 3, 4}, 0, 0xFFFFFFF0)));
#ifdef _WIN64
    REQUIRE(image.LoadBmpFile(file.Path()) == 1);
    CHECK(image.Width() == 715827880);
    CHECK(LocalSize(image.PixelBlock()) == 2147483640u);
    BYTE first[5] = {};
    REQUIRE(image.CopyRows(first, 0, 0, 0, 5, 1) == 1);
    CHECK(std::vector<BYTE>(first, first + 5) == std::vector<BYTE>{1, 2, 3, 4, 0});
#else
    CHECK(image.LoadBmpFile(file.Path()) == 0);
    CHECK(image.Loaded() == 0);
    CHECK(image.Width() == 3);
#endif
}

TEST_CASE("Bitmap resources") {
    ProbeImage image;
    SUBCASE("1 bit takes 2 entries; pixels follow them") {
        REQUIRE(image.LoadBitmapResource(209, nullptr) == 1);
        CHECK(image.Header().biClrUsed == 2);
        const std::vector<RGBQUAD> colours = image.Colours();
        REQUIRE(colours.size() == 2);
        CHECK(SameColour(colours[0], ResourceColour(0)));
        CHECK(SameColour(colours[1], ResourceColour(1)));
        CHECK(image.PixelBytes() == ResourcePattern(16));
    }
    SUBCASE("4 bits take 16 entries") {
        REQUIRE(image.LoadBitmapResource(201, nullptr) == 1);
        CHECK(image.Header().biClrUsed == 16);
        REQUIRE(image.Colours().size() == 16);
        CHECK(SameColour(image.Colours()[9], ResourceColour(9)));
        CHECK(image.Header().biSizeImage == 8);
        CHECK(image.PixelBytes() == ResourcePattern(8));
        CHECK(image.CachedStride() == 4);
        CHECK(GetPaletteEntries(image.Palette(), 0, 0, nullptr) == 16);
    }
    SUBCASE("8 bits take 256 entries") {
        REQUIRE(image.LoadBitmapResource(202, nullptr) == 1);
        CHECK(image.Header().biClrUsed == 256);
        CHECK(image.Colours().size() == 256);
        CHECK(SameColour(image.Colours()[200], ResourceColour(200)));
        CHECK(image.PixelBytes() == ResourcePattern(8));
    }
    SUBCASE("16 bits with BI_BITFIELDS take the three masks; pixels start 12 bytes later") {
        REQUIRE(image.LoadBitmapResource(203, nullptr) == 1);
        CHECK(image.Header().biClrUsed == 3);
        const std::vector<RGBQUAD> masks = image.Colours();
        REQUIRE(masks.size() == 3);
        DWORD red;
        std::memcpy(&red, &masks[0], 4);
        CHECK(red == 0xF800);
        CHECK(image.PixelBytes() == ResourcePattern(16));
        CHECK(Drawable(image));
    }
    SUBCASE("16 bits BI_RGB carry no masks: pixels follow the header") {
        REQUIRE(image.LoadBitmapResource(204, nullptr) == 1);
        CHECK(image.Header().biClrUsed == 0);
        CHECK(image.PixelBytes() == ResourcePattern(8));
    }
    SUBCASE("24 bits take none; a missing byte count is the rows'") {
        REQUIRE(image.LoadBitmapResource(205, nullptr) == 1);
        CHECK(image.Header().biClrUsed == 0);
        CHECK(image.Header().biSizeImage == 24);
        CHECK(image.PixelBytes() == ResourcePattern(24));
        CHECK(image.SectionStale() == 1);
        CHECK(Drawable(image));
    }
    SUBCASE("a resource that ends inside its pixels leaves the rest black") {
        REQUIRE(image.LoadBitmapResource(208, nullptr) == 1);
        std::vector<BYTE> expected = ResourcePattern(20);
        expected.resize(48, 0);
        CHECK(image.PixelBytes() == expected);
    }
    SUBCASE("the second entry point and the executable's module give the same picture") {
        REQUIRE(image.LoadBitmapResourceFrom(205, GetModuleHandleA(nullptr)) == 1);
        CHECK(image.PixelBytes() == ResourcePattern(24));
    }
}

TEST_CASE("Bitmap resources that cannot be taken") {
    ProbeImage image;
    FillSmall(image);
    SUBCASE("no such resource: unchanged") {
        CHECK(image.LoadBitmapResource(299, nullptr) == 0);
        CHECK(image.Loaded() == 1);
    }
    SUBCASE("an info header of another size: unloaded") {
        CHECK(image.LoadBitmapResource(206, nullptr) == 0);
        CHECK(image.Loaded() == 0);
        CHECK(image.Width() == 3);
    }
    SUBCASE("width 0: unloaded") {
        CHECK(image.LoadBitmapResource(207, nullptr) == 0);
        CHECK(image.Loaded() == 0);
        CHECK(image.Width() == 3);
    }
}

TEST_CASE("CopyRows gives rows in display order") {
    ProbeImage image;
    // 2 x 3 24-bit: stride 8; row r stored holds bytes 10r .. 10r + 7.
    std::vector<BYTE> stored(24);
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 8; ++k) stored[r * 8 + k] = static_cast<BYTE>(10 * r + k);
    }
    SUBCASE("bottom-up: row 0 is the last stored") {
        image.Fill(MakeHeader(2, 3, 24), {}, stored);
        std::vector<BYTE> out(8, 0xCC);
        REQUIRE(image.CopyRows(out.data(), 4, 1, 0, 3, 2) == 1);
        CHECK(out == std::vector<BYTE>{21, 22, 23, 0xCC, 11, 12, 13, 0xCC});
        std::vector<BYTE> up(6, 0xCC);
        REQUIRE(image.CopyRows(up.data() + 4, -2, 6, 1, 2, 2) == 1);
        CHECK(up == std::vector<BYTE>{0xCC, 0xCC, 6, 7, 16, 17});
    }
    SUBCASE("top-down: row 0 is the first stored") {
        image.Fill(MakeHeader(2, -3, 24), {}, stored);
        std::vector<BYTE> out(8, 0xCC);
        REQUIRE(image.CopyRows(out.data(), 4, 1, 0, 3, 2) == 1);
        CHECK(out == std::vector<BYTE>{1, 2, 3, 0xCC, 11, 12, 13, 0xCC});
    }
    SUBCASE("rows or bytes outside the picture are refused") {
        image.Fill(MakeHeader(2, 3, 24), {}, stored);
        std::vector<BYTE> out(64, 0xCC);
        CHECK(image.CopyRows(out.data(), 8, 0, 2, 8, 2) == 0);
        CHECK(image.CopyRows(out.data(), 8, 0, -1, 8, 1) == 0);
        CHECK(image.CopyRows(out.data(), 8, 1, 0, 8, 1) == 0);
        CHECK(image.CopyRows(out.data(), 8, -1, 0, 2, 1) == 0);
        CHECK(image.CopyRows(out.data(), 8, 0, 0, -1, 1) == 0);
        CHECK(image.CopyRows(out.data(), 8, 0, 0, 8, -1) == 0);
        CHECK(out == std::vector<BYTE>(64, 0xCC));
        CHECK(image.CopyRows(out.data(), 8, 0, 0, 8, 3) == 1);
        CHECK(image.CopyRows(out.data(), 8, 0, 3, 8, 0) == 1);
    }
    SUBCASE("rows beyond a short pixel block are refused") {
        image.Fill(MakeHeader(2, 3, 24, 0, BI_RGB, 24), {},
                   std::vector<BYTE>(stored.begin(), stored.begin() + 16));
        std::vector<BYTE> out(8, 0xCC);
        CHECK(image.CopyRows(out.data(), 8, 0, 0, 8, 1) == 0);
        CHECK(image.CopyRows(out.data(), 8, 0, 1, 8, 1) == 1);
        CHECK(out[0] == 10);
    }
    SUBCASE("reading rows changes nothing in the header") {
        image.Fill(MakeHeader(2, 3, 24), {}, stored);
        std::vector<BYTE> out(8);
        REQUIRE(image.CopyRows(out.data(), 8, 0, 0, 8, 1) == 1);
        CHECK(image.Header().biSizeImage == 0);
    }
    SUBCASE("no pixel block") {
        ProbeImage empty;
        BYTE out[4];
        CHECK(empty.CopyRows(out, 4, 0, 0, 1, 1) == 0);
    }
}
