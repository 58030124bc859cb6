#include <doctest/doctest.h>

#include "image/jpeg_image.h"
#include "tests/image/image_test_support.h"

namespace {

// A JpegImage whose cached stride the tests can see.
class ProbeJpegImage : public JpegImage {
public:
    int CachedStride() const { return rowStride; }
    int Loaded() const { return loaded; }
    int SectionStale() const { return sectionStale; }
};

struct PictureSize {
    int id;
    int width;
    int height;
    int stride;
};

const PictureSize PICTURES[] = {
    {140, 360, 480, 1080}, {142, 360, 480, 1080},  {144, 360, 480, 1080}, {145, 360, 480, 1080},
    {146, 360, 480, 1080}, {147, 360, 480, 1080},  {148, 360, 480, 1080}, {149, 360, 480, 1080},
    {150, 360, 487, 1080}, {151, 1420, 360, 4260}, {152, 480, 330, 1440}, {155, 360, 480, 1080},
};

// Brightness (the sum of the three channels) of 0xRRGGBB pixels.
int Brightness(DWORD p) {
    return (p & 0xFF) + ((p >> 8) & 0xFF) + (p >> 16);
}

// A picture drawn scaled into a canvas area, row by row and column by column
// against the source rows and columns that meet in it: the smallest ratio of
// a drawn line's mean brightness to its source lines' mean.  Averaging keeps
// it near 1; ANDing the rows or columns that meet draws dark lines.
double DarkestLine(DibImage& picture, const RECT& src, const Canvas& canvas, const RECT& dest) {
    const int width = picture.Width(), height = picture.Height(true);
    std::vector<BYTE> rows(static_cast<size_t>(width) * 3 * height);
    REQUIRE(picture.CopyRows(rows.data(), width * 3, 0, 0, width * 3, height) == 1);
    auto source = [&](int x, int y) {
        const BYTE* p = &rows[(static_cast<size_t>(y) * width + x) * 3];
        return p[0] + p[1] + p[2];
    };
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    const int sw = src.right - src.left, sh = src.bottom - src.top;
    double darkest = 1e9;
    for (int across = 0; across < 2; ++across) {
        const int lines = across ? dw : dh;
        for (int i = 0; i < lines; ++i) {
            // Source lines [first, last) meet in drawn line i.
            const int first = i * (across ? sw : sh) / lines;
            const int last = (i + 1) * (across ? sw : sh) / lines;
            double drawn = 0, wanted = 0;
            for (int j = 0; j < (across ? dh : dw); ++j)
                drawn += Brightness(across ? canvas.Pixel(dest.left + i, dest.top + j)
                                           : canvas.Pixel(dest.left + j, dest.top + i));
            drawn /= across ? dh : dw;
            for (int k = first; k < last; ++k)
                for (int j = 0; j < (across ? sh : sw); ++j)
                    wanted += across ? source(src.left + k, src.top + j)
                                     : source(src.left + j, src.top + k);
            wanted /= static_cast<double>(last - first) * (across ? sh : sw);
            if (drawn / wanted < darkest) darkest = drawn / wanted;
        }
    }
    return darkest;
}

}  // namespace

TEST_CASE("A scaled picture is averaged: one colour stays that colour, a photo has no dark lines") {
    SUBCASE("a uniform colour, scaled down and up") {
        ProbeImage image;
        std::vector<BYTE> pixels;
        for (int y = 0; y < 29; ++y) {
            for (int x = 0; x < 37; ++x) pixels.insert(pixels.end(), {0xB4, 0x7A, 0x3C});
            pixels.insert(pixels.end(), 1, 0);  // 111 bytes of pixels: one fill byte
        }
        image.Fill(MakeHeader(37, 29, 24), {}, pixels);
        const SIZE sizes[] = {{12, 10}, {36, 29}, {100, 70}, {37, 60}};
        for (const SIZE& size : sizes) {
            CAPTURE(size.cx);
            CAPTURE(size.cy);
            Canvas canvas(size.cx + 2, size.cy + 2);
            REQUIRE(image.Draw(canvas.Dc(), 1, 1, 1 + size.cx, 1 + size.cy, 0, 0, 37, 29,
                               SRCCOPY) == 1);
            int other = 0;
            for (int y = 1; y <= size.cy; ++y)
                for (int x = 1; x <= size.cx; ++x) other += canvas.Pixel(x, y) != 0x3C7AB4;
            CHECK(other == 0);
            CHECK(canvas.Pixel(0, 0) == 0x5A5A5A);
            CHECK(canvas.Pixel(size.cx + 1, size.cy + 1) == 0x5A5A5A);
        }
    }
    SUBCASE("photographs in the preview, in a small window and in the wide fade-in") {
        JpegImage portrait, wide;
        REQUIRE(portrait.LoadFromResource(140, nullptr) == 1);
        REQUIRE(wide.LoadFromResource(151, nullptr) == 1);
        Canvas preview(152, 112);
        REQUIRE(portrait.Draw(preview.Dc(), 34, 0, 118, 112, 0, 0, 360, 480, SRCCOPY) == 1);
        Canvas small(270, 360);
        REQUIRE(portrait.Draw(small.Dc(), 0, 0, 270, 360, 0, 0, 360, 480, SRCCOPY) == 1);
        Canvas fading(473, 360);
        REQUIRE(wide.Draw(fading.Dc(), 0, 0, 473, 360, 946, 0, 1420, 360, SRCCOPY) == 1);
        const double lines[] = {DarkestLine(portrait, {0, 0, 360, 480}, preview, {34, 0, 118, 112}),
                                DarkestLine(portrait, {0, 0, 360, 480}, small, {0, 0, 270, 360}),
                                DarkestLine(wide, {946, 0, 1420, 360}, fading, {0, 0, 473, 360})};
        for (double ratio : lines) {
            CAPTURE(ratio);
            CHECK(ratio > 0.85);
        }
    }
}

TEST_CASE("Every picture resource decodes to its size") {
    for (const PictureSize& picture : PICTURES) {
        CAPTURE(picture.id);
        ProbeJpegImage image;
        REQUIRE(image.LoadFromResource(picture.id, nullptr) == 1);
        CHECK(image.Loaded() == 1);
        CHECK(image.SectionStale() == 1);
        CHECK(image.Width() == picture.width);
        CHECK(image.Height(false) == picture.height);
        CHECK(image.RowStride() == picture.stride);
        CHECK(image.ImageSize() == picture.stride * picture.height);
        CHECK(LocalSize(image.PixelBlock()) >=
              static_cast<SIZE_T>(picture.stride) * picture.height);
    }
}

TEST_CASE("A decoded picture draws its pixel rows") {
    JpegImage image;
    REQUIRE(image.LoadFromResource(152, nullptr) == 1);
    const int width = 480, height = 330, stride = 1440;
    Canvas canvas(width, height);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    // The canvas is top-down with the same stride: rows in display order.
    std::vector<BYTE> rows(static_cast<size_t>(stride) * height);
    REQUIRE(image.CopyRows(rows.data(), stride, 0, 0, stride, height) == 1);
    CHECK(canvas.Bytes() == rows);
    // Not a black picture.
    size_t lit = 0;
    for (BYTE b : rows) lit += b > 16;
    CHECK(lit > rows.size() / 4);
}

TEST_CASE("A missing resource gives 0 and leaves the image as it was") {
    ProbeJpegImage image;
    CHECK(image.LoadFromResource(141, nullptr) == 0);
    CHECK(image.Loaded() == 0);
    CHECK(image.HeaderBlock() == nullptr);
    CHECK(image.PixelBlock() == nullptr);
    Canvas canvas(1, 1);
    CHECK(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 0);

    REQUIRE(image.LoadFromResource(140, nullptr) == 1);
    HLOCAL pixels = image.PixelBlock();
    CHECK(image.LoadFromResource(141, nullptr) == 0);
    CHECK(image.Loaded() == 1);
    CHECK(image.PixelBlock() == pixels);
}

TEST_CASE("A null module means the executable's own") {
    JpegImage byNull, byHandle;
    REQUIRE(byNull.LoadFromResource(147, nullptr) == 1);
    REQUIRE(byHandle.LoadFromResource(147, GetModuleHandleA(nullptr)) == 1);
    std::vector<BYTE> a(1080 * 480), b(1080 * 480);
    REQUIRE(byNull.CopyRows(a.data(), 1080, 0, 0, 1080, 480) == 1);
    REQUIRE(byHandle.CopyRows(b.data(), 1080, 0, 0, 1080, 480) == 1);
    CHECK(a == b);
    JpegImage missing;
    CHECK(missing.LoadFromResource(141, GetModuleHandleA(nullptr)) == 0);
    // Only the low 16 bits name the resource.
    JpegImage high;
    CHECK(high.LoadFromResource(0x10000 + 147, nullptr) == 1);
}

TEST_CASE("A second load replaces the picture and the cached stride") {
    ProbeJpegImage image;
    REQUIRE(image.LoadFromResource(140, nullptr) == 1);
    CHECK(image.RowStride() == 1080);
    Canvas canvas(4, 4);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(image.SectionStale() == 0);

    REQUIRE(image.LoadFromResource(151, nullptr) == 1);
    CHECK(image.CachedStride() == 0);
    CHECK(image.RowStride() == 4260);
    CHECK(image.ImageSize() == 4260 * 360);
    CHECK(image.SectionStale() == 1);
    // The wide picture's pan: a third of it faded and drawn.
    HDC screen = GetDC(nullptr);
    CHECK(image.FadeRect(screen, 10, 30, 946, 0, 1420, 360) == 1);
    ReleaseDC(nullptr, screen);
}

TEST_CASE("A stream without a picture leaves the image not loaded") {
    ProbeJpegImage image;
    REQUIRE(image.LoadFromResource(140, nullptr) == 1);
    CHECK(image.LoadFromResource(199, nullptr) == 0);
    CHECK(image.Loaded() == 0);
    CHECK(image.HeaderBlock() == nullptr);
    CHECK(image.PixelBlock() == nullptr);
    CHECK(image.Width() == 0);
    Canvas canvas(1, 1);
    CHECK(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 0);
    HDC screen = GetDC(nullptr);
    CHECK(image.Fade(screen, 0, 30) == 0);
    ReleaseDC(nullptr, screen);
}

TEST_CASE("A JpegImage is deleted through its base") {
    DibImage* image = new JpegImage;
    REQUIRE(static_cast<JpegImage*>(image)->LoadFromResource(152, nullptr) == 1);
    CHECK(image->Width() == 480);
    delete image;
}
