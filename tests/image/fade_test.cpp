#include <doctest/doctest.h>

#include "image/brightness.h"
#include "tests/image/image_test_support.h"

namespace {

// A 24-bit bottom-up picture of `width` x `height` whose bytes (padding
// included) count up, with byte 0 = 255 and byte 1 = 1.
std::vector<BYTE> FillCounting(ProbeImage& image, int width, int height) {
    std::vector<BYTE> pixels = CountingBytes(static_cast<size_t>(Stride(24, width)) * height, 7);
    pixels[0] = 255;
    pixels[1] = 1;
    image.Fill(MakeHeader(width, height, 24), {}, pixels);
    return pixels;
}

std::vector<BYTE> Scaled(const std::vector<BYTE>& bytes, int step, int steps) {
    std::vector<BYTE> out(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<BYTE>(bytes[i] * step / steps);
    return out;
}

// The bytes a draw shows: each row's padding after its `width` 24-bit pixels
// as 0 (a 24-bit picture's section holds 4-byte pixels and no padding).
std::vector<BYTE> Shown(std::vector<BYTE> bytes, int width) {
    const size_t stride = static_cast<size_t>(Stride(24, width));
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % stride >= 3 * static_cast<size_t>(width)) bytes[i] = 0;
    }
    return bytes;
}

struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

}  // namespace

TEST_CASE("Fade maps every byte through the brightness table") {
    ProbeImage image;
    ScreenDc screen;
    const std::vector<BYTE> pixels = FillCounting(image, 5, 3);

    REQUIRE(image.Fade(screen.dc, 15, 30) == 1);
    std::vector<BYTE> bits = image.SectionBytes();
    REQUIRE(bits.size() == pixels.size());
    CHECK(bits[0] == 127);
    CHECK(bits[1] == 0);
    CHECK(bits == Shown(Scaled(pixels, 15, 30), 5));
    CHECK(image.SectionStale() == 0);

    REQUIRE(image.Fade(screen.dc, 14, 15) == 1);
    CHECK(image.SectionBytes()[0] == 238);
    CHECK(image.SectionBytes() == Shown(Scaled(pixels, 14, 15), 5));
    // The stored pixels never change.
    CHECK(image.PixelBytes() == pixels);

    // A row wider than the fade's working chunk, from a pixel block that ends
    // inside a pixel: what is not held comes out black.
    ProbeImage wide;
    std::vector<BYTE> held = CountingBytes(3 * 200 + 1, 5);
    wide.Fill(MakeHeader(300, 2, 24), {}, held);
    REQUIRE(wide.Fade(screen.dc, 7, 9) == 1);
    held.resize(static_cast<size_t>(Stride(24, 300)) * 2, 0);
    CHECK(wide.SectionBytes() == Shown(Scaled(held, 7, 9), 300));
}

TEST_CASE("Brightness scaling gives every table entry exactly, for every step up to 256 steps") {
    // Every byte value, then a 16-byte block's worth more and a tail, from an
    // odd address: all of the scaling's paths see every value.
    std::vector<BYTE> source(1 + 256 + 16 + 7);
    for (size_t i = 1; i < source.size(); ++i) source[i] = static_cast<BYTE>(i - 1);
    const SIZE_T count = source.size() - 1;
    std::vector<BYTE> target(count);
    int wrong = 0;
    for (int steps = 2; steps <= 256; ++steps) {
        for (int step = 1; step < steps; ++step) {
            ScaleBrightness(source.data() + 1, target.data(), count, step, steps);
            for (SIZE_T k = 0; k < count; ++k) wrong += target[k] != source[k + 1] * step / steps;
        }
    }
    CHECK(wrong == 0);
    // Beyond 256 steps, and for steps that would overflow a product in 32
    // bits, the table gives the same rule.
    ScaleBrightness(source.data() + 1, target.data(), count, 2000000000, 2100000000);
    CHECK(target[255] == 242);
    ScaleBrightness(source.data() + 1, target.data(), count, 300, 301);
    CHECK(target[255] == 254);
}

TEST_CASE("Step 0 is black and the last step is the picture itself") {
    ProbeImage image;
    ScreenDc screen;
    const std::vector<BYTE> pixels = FillCounting(image, 5, 3);
    const std::vector<BYTE> black(pixels.size(), 0);

    REQUIRE(image.Fade(screen.dc, 0, 30) == 1);
    CHECK(image.SectionBytes() == black);
    REQUIRE(image.Fade(screen.dc, 30, 30) == 1);
    CHECK(image.SectionBytes() == Shown(pixels, 5));
    REQUIRE(image.Fade(screen.dc, 0, 0) == 1);
    CHECK(image.SectionBytes() == black);

    REQUIRE(image.FadeRect(screen.dc, 30, 30, 0, 0, 5, 3) == 1);
    CHECK(image.SectionBytes() == Shown(pixels, 5));
    REQUIRE(image.FadeRect(screen.dc, 0, 15, 0, 0, 5, 3) == 1);
    CHECK(image.SectionBytes() == black);
    // The first and last steps cover the whole picture, not only the rectangle.
    REQUIRE(image.FadeRect(screen.dc, 15, 15, 1, 1, 2, 2) == 1);
    CHECK(image.SectionBytes() == Shown(pixels, 5));
}

TEST_CASE("Refused fades keep the previous section, which the next draw shows") {
    ProbeImage image;
    ScreenDc screen;
    const std::vector<BYTE> pixels = FillCounting(image, 2, 2);
    REQUIRE(image.Fade(screen.dc, 10, 30) == 1);
    HBITMAP faded = image.Section();
    const std::vector<BYTE> fadedBits = image.SectionBytes();

    CHECK(image.Fade(screen.dc, -1, 30) == 0);
    CHECK(image.Fade(screen.dc, 31, 30) == 0);
    CHECK(image.FadeRect(screen.dc, -1, 30, 0, 0, 2, 2) == 0);
    CHECK(image.FadeRect(screen.dc, 31, 30, 0, 0, 2, 2) == 0);
    CHECK(image.Section() == faded);
    CHECK(image.SectionBytes() == fadedBits);

    Canvas canvas(2, 2);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    // Displayed (0,0) is the first pixel of the top row (stored second).
    const std::vector<BYTE> scaled = Scaled(pixels, 10, 30);
    CHECK(canvas.Pixel(0, 0) ==
          (scaled[8] | (scaled[9] << 8) | (static_cast<DWORD>(scaled[10]) << 16)));
    CHECK(image.Section() == faded);
}

TEST_CASE("Fades of a picture that was never filled are refused") {
    ProbeImage image;
    ScreenDc screen;
    CHECK(image.Fade(screen.dc, 1, 2) == 0);
    CHECK(image.FadeRect(screen.dc, 1, 2, 0, 0, 0, 0) == 0);
    CHECK(image.Section() == nullptr);
}

TEST_CASE("FadeRect maps only the rectangle's bytes") {
    ProbeImage image;
    ScreenDc screen;
    // 5 pixels wide: 15 bytes of pixels and one fill byte per row.
    const std::vector<BYTE> pixels = FillCounting(image, 5, 4);
    const int stride = 16;

    // The same rectangle's size in a second place, as the next frame of a
    // fade may ask for it: nothing of the first place stays.
    const RECT places[] = {{1, 1, 4, 3}, {2, 2, 5, 4}};
    std::vector<BYTE> bits;
    for (const RECT& place : places) {
        REQUIRE(image.FadeRect(screen.dc, 2, 3, place.left, place.top, place.right, place.bottom) ==
                1);
        bits = image.SectionBytes();
        REQUIRE(bits.size() == pixels.size());
        for (int stored = 0; stored < 4; ++stored) {
            const int y = 4 - 1 - stored;  // displayed row
            for (int k = 0; k < stride; ++k) {
                const size_t at = static_cast<size_t>(stored) * stride + k;
                const bool inside = y >= place.top && y < place.bottom && k >= 3 * place.left &&
                                    k < 3 * place.right;
                CAPTURE(y);
                CAPTURE(k);
                CHECK(bits[at] == (inside ? pixels[at] * 2 / 3 : 0));
            }
        }
        CHECK(image.SectionStale() == 0);
    }
    REQUIRE(image.FadeRect(screen.dc, 2, 3, 1, 1, 4, 3) == 1);
    bits = image.SectionBytes();

    // Drawn, the rectangle looks as it does in a whole picture of those
    // bytes, at its own size and scaled; and so does the whole picture.
    ProbeImage reference;
    reference.Fill(MakeHeader(5, 4, 24), {}, bits);
    const RECT targets[] = {{1, 1, 4, 3}, {0, 0, 7, 5}, {2, 2, 4, 3}, {0, 0, 5, 4}};
    for (const RECT& r : targets) {
        CAPTURE(r.right);
        const RECT source = r.right == 5 ? RECT{0, 0, 5, 4} : RECT{1, 1, 4, 3};
        Canvas drawn(8, 6), expected(8, 6);
        REQUIRE(image.Draw(drawn.Dc(), r.left, r.top, r.right, r.bottom, source.left, source.top,
                           source.right, source.bottom, SRCCOPY) == 1);
        REQUIRE(reference.Draw(expected.Dc(), r.left, r.top, r.right, r.bottom, source.left,
                               source.top, source.right, source.bottom, SRCCOPY) == 1);
        CHECK(drawn.Bytes() == expected.Bytes());
    }
}

TEST_CASE("FadeRect with an empty rectangle writes nothing into a fresh section") {
    ProbeImage image;
    ScreenDc screen;
    const std::vector<BYTE> pixels = FillCounting(image, 4, 3);
    REQUIRE(image.Fade(screen.dc, 30, 30) == 1);
    REQUIRE(image.FadeRect(screen.dc, 5, 30, 2, 0, 2, 3) == 1);
    CHECK(image.SectionBytes() == std::vector<BYTE>(pixels.size(), 0));
    REQUIRE(image.FadeRect(screen.dc, 5, 30, 0, 1, 4, 1) == 1);
    CHECK(image.SectionBytes() == std::vector<BYTE>(pixels.size(), 0));
    CHECK(image.Section() != nullptr);
}

TEST_CASE("FadeRect refuses rectangles outside the picture and other layouts") {
    ProbeImage image;
    ScreenDc screen;
    FillCounting(image, 4, 3);
    REQUIRE(image.Fade(screen.dc, 30, 30) == 1);
    HBITMAP kept = image.Section();
    const std::vector<BYTE> keptBits = image.SectionBytes();

    CHECK(image.FadeRect(screen.dc, 5, 30, -1, 0, 2, 2) == 0);
    CHECK(image.FadeRect(screen.dc, 5, 30, 0, -1, 2, 2) == 0);
    CHECK(image.FadeRect(screen.dc, 5, 30, 0, 0, 5, 2) == 0);
    CHECK(image.FadeRect(screen.dc, 5, 30, 0, 0, 2, 4) == 0);
    CHECK(image.FadeRect(screen.dc, 5, 30, 3, 0, 2, 2) == 0);
    CHECK(image.FadeRect(screen.dc, 5, 30, 0, 2, 2, 1) == 0);
    CHECK(image.FadeRect(screen.dc, 0, 30, 0, 0, 9, 9) == 0);
    CHECK(image.Section() == kept);
    CHECK(image.SectionBytes() == keptBits);

    SUBCASE("a top-down picture") {
        image.Fill(MakeHeader(4, -3, 24), {}, std::vector<BYTE>(36, 9));
        CHECK(image.FadeRect(screen.dc, 5, 30, 0, 0, 4, 3) == 0);
        CHECK(image.Fade(screen.dc, 5, 30) == 1);
    }
    SUBCASE("an 8-bit picture") {
        image.Fill(MakeHeader(4, 3, 8, 2), GreyColours(2), std::vector<BYTE>(12, 1));
        CHECK(image.FadeRect(screen.dc, 5, 30, 0, 0, 4, 3) == 0);
        CHECK(image.Fade(screen.dc, 5, 30) == 1);
    }
}

TEST_CASE("A draw after a fade shows the faded section without copying the pixels") {
    ProbeImage image;
    ScreenDc screen;
    // One white pixel.
    image.Fill(MakeHeader(1, 1, 24), {}, {255, 255, 255, 0});
    Canvas canvas(1, 1);
    REQUIRE(image.Fade(screen.dc, 1, 2) == 1);
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Pixel(0, 0) == 0x7F7F7F);
    // A fill afterwards makes the next draw copy the pixels again.
    image.MarkStale();
    REQUIRE(image.DrawAt(canvas.Dc(), 0, 0, SRCCOPY) == 1);
    CHECK(canvas.Pixel(0, 0) == 0xFFFFFF);
}

TEST_CASE("Fade steps far beyond the slide show's are computed without overflow") {
    ProbeImage image;
    ScreenDc screen;
    image.Fill(MakeHeader(1, 1, 24), {}, {255, 128, 1, 0});
    REQUIRE(image.Fade(screen.dc, 2000000000, 2100000000) == 1);
    const std::vector<BYTE> bits = image.SectionBytes();
    CHECK(bits[0] == 242);  // 255 * 20 / 21
    CHECK(bits[1] == 121);
    CHECK(bits[2] == 0);
}
