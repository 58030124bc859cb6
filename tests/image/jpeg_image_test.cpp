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

}  // namespace

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
