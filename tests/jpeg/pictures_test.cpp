// Whole pictures: the twelve photographs, sampling layouts and restart
// layouts; the product decoder against the plain reference byte for byte,
// and (host build) against libjpeg-turbo within a PSNR of 40 dB.
#include "tests/jpeg/decode_helpers.h"
#include "tests/jpeg/reference_decoder.h"

#include <doctest/doctest.h>

#include <cmath>
#include <random>
#include <string>

#ifdef VELMOR_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

namespace {

struct Size {
    int width, height, stride;
};

Size PictureSize(int number) {
    if (number == 10) return {360, 487, 1080};
    if (number == 11) return {1420, 360, 4260};
    if (number == 12) return {480, 330, 1440};
    return {360, 480, 1080};
}

bool MatchesReference(const Bytes& stream, const Decoded& d) {
    const ReferencePicture reference = ReferenceDecode(stream.data(), stream.size());
    return reference.hasFrame == d.HasPicture() && reference.pixels == d.pixels;
}

#ifdef VELMOR_HAVE_TURBOJPEG
// PSNR of our bottom-up BGR rows against libjpeg-turbo's decode (BGR, top-down).
double PsnrAgainstTurbo(const Bytes& stream, const Decoded& d) {
    tjhandle handle = tjInitDecompress();
    int width, height, subsampling, colourspace;
    REQUIRE(tjDecompressHeader3(handle, stream.data(), stream.size(), &width, &height, &subsampling,
                                &colourspace) == 0);
    REQUIRE(width == d.info.biWidth);
    REQUIRE(height == d.info.biHeight);
    Bytes turbo(static_cast<std::size_t>(width) * height * 3);
    REQUIRE(tjDecompress2(handle, stream.data(), stream.size(), turbo.data(), width, 0, height,
                          TJPF_BGR, 0) == 0);
    tjDestroy(handle);
    double squared = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x) {
            const double diff =
                double(d.Pixel(0, y)[x]) - turbo[static_cast<std::size_t>(3) * width * y + x];
            squared += diff * diff;
        }
    const double mse = squared / (3.0 * width * height);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
#endif

}  // namespace

TEST_CASE("the twelve pictures decode to their sizes, as the plain rules say") {
    for (int number = 1; number <= 12; ++number) {
        CAPTURE(number);
        const Bytes stream = ReadFileBytes(PicturePath(number));
        REQUIRE(!stream.empty());
        Decoded d;
        DecodeBytes(stream, &d);
        REQUIRE(d.HasPicture());
        CHECK(d.stop == JpegStop::NONE);
        const Size size = PictureSize(number);
        CHECK(d.info.biWidth == size.width);
        CHECK(d.info.biHeight == size.height);
        CHECK(d.info.biSizeImage == static_cast<DWORD>(size.stride * size.height));
        CHECK(MatchesReference(stream, d));
        // Every vector path this CPU runs gives the same bytes.
        for (jpeg_internal::SimdPath path : PathsToTest()) {
            const std::string pathName = jpeg_internal::PathName(path);
            CAPTURE(pathName);
            jpeg_internal::LimitPath(path);
            Decoded again;
            DecodeBytes(stream, &again);
            CHECK(again.pixels == d.pixels);
        }
        jpeg_internal::LimitPath(jpeg_internal::SimdPath::AVX2);
        // The row padding stays zero.
        for (int y = 0; y < size.height; ++y)
            for (int i = 3 * size.width; i < size.stride; ++i)
                REQUIRE(d.pixels[size.stride * y + i] == 0);
#ifdef VELMOR_HAVE_TURBOJPEG
        CHECK(PsnrAgainstTurbo(stream, d) > 40.0);
#endif
    }
}

TEST_CASE("Y sampled 2x1 and 2x2") {
    for (const int rowsOfY : {1, 2}) {
        PictureLayout layout;
        layout.width = 37;
        layout.height = 21;
        layout.lumaH = 2;
        layout.lumaV = rowsOfY;
        // Y blocks: a distinct flat value per block; chroma: a horizontal ramp.
        auto block = [](int mcu, int component, int index, std::int32_t zigzag[64]) {
            if (component == 0) zigzag[0] = (index * 160 - 240) + (mcu % 3) * 8;
            if (component == 1) zigzag[1] = 40;
        };
        const Bytes stream = MakePicture(layout, block);
        Decoded d;
        DecodeBytes(stream, &d);
        REQUIRE(d.HasPicture());
        CHECK(MatchesReference(stream, d));
        // Y quadrants in decoding order: top-left, top-right, (2x2) bottom-left, bottom-right.
        const int mcuHeight = 8 * rowsOfY;
        for (int i = 0; i < 2 * rowsOfY; ++i) {
            const int x = (i & 1) * 8 + 3, y = (i >> 1) * 8 + 3;
            CAPTURE(i);
            std::int32_t coefficients[64] = {(i * 160 - 240)};
            std::int32_t samples[64];
            ReferenceIdct(coefficients, samples);
            // Cr is 0; green = Y - Cb * 0.3441 differs by the ramp only, so check red (= Y).
            CHECK(d.Pixel(x, y)[2] == std::min(255, std::max(0, samples[0] + 128)));
        }
        // Each chroma sample covers two pixels side by side (and two rows with 2x2).
        for (int y = 0; y < mcuHeight; y += rowsOfY)
            for (int x = 0; x < 16; x += 2) {
                CHECK(d.Pixel(x, y)[0] - d.Pixel(x, y)[2] ==
                      d.Pixel(x + 1, y)[0] - d.Pixel(x + 1, y)[2]);
                if (rowsOfY == 2)
                    CHECK(d.Pixel(x, y)[0] - d.Pixel(x, y)[2] ==
                          d.Pixel(x, y + 1)[0] - d.Pixel(x, y + 1)[2]);
            }
#ifdef VELMOR_HAVE_TURBOJPEG
        // libjpeg-turbo smooths the chroma where this decoder repeats it:
        // close, not equal.
        CHECK(PsnrAgainstTurbo(stream, d) > 25.0);
#endif
    }
}

TEST_CASE("fast path against the plain rules on generated streams and restart layouts") {
    std::mt19937 random(1207);
    int pictures = 0;
    const std::vector<jpeg_internal::SimdPath> paths = PathsToTest();
    for (int trial = 0; trial < 120; ++trial) {
        jpeg_internal::LimitPath(paths[trial % paths.size()]);
        PictureLayout layout;
        layout.width = 1 + static_cast<int>(random() % 70);
        layout.height = 1 + static_cast<int>(random() % 40);
        layout.lumaH = trial % 3 == 0 ? 1 : 2;
        layout.lumaV = trial % 3 == 2 ? 2 : 1;
        const int intervals[] = {0, 1, 2, 3, 7, 64};
        layout.restartInterval = intervals[trial % 6];
        layout.writeDri = trial % 5 != 0;  // some with markers but no DRI
        layout.flatTables = trial % 4 == 0;
        for (int t = 0; t < 2; ++t)
            for (int i = 0; i < 64; ++i)
                layout.quant[t][i] =
                    static_cast<std::uint8_t>(1 + random() % (trial % 2 ? 255 : 16));
        const int amplitude = trial % 7 == 0 ? 1000 : 60;
        std::mt19937 content(trial);
        auto block = [&](int, int, int, std::int32_t zigzag[64]) {
            zigzag[0] = static_cast<std::int32_t>(content() % (2 * amplitude + 1)) - amplitude;
            const int count = static_cast<int>(content() % 20);
            for (int i = 0; i < count; ++i) {
                const int k = 1 + static_cast<int>(content() % (trial % 2 ? 63 : 12));
                zigzag[k] = static_cast<std::int32_t>(content() % 201) - 100;
            }
        };
        const Bytes stream = MakePicture(layout, block);
        CAPTURE(trial);
        Decoded d;
        DecodeBytes(stream, &d);
        REQUIRE(d.HasPicture());
        REQUIRE(MatchesReference(stream, d));
        // Odd cuts and damage: the same bytes as the plain rules, whatever happens.
        for (int damage = 0; damage < 4; ++damage) {
            Bytes bad = stream;
            const std::size_t at = bad.size() / 2 + random() % (bad.size() / 2);
            if (damage == 0)
                bad.resize(at);
            else
                bad[at] = static_cast<std::uint8_t>(random());
            Decoded b;
            DecodeBytes(bad, &b);
            REQUIRE(MatchesReference(bad, b));
        }
        ++pictures;
    }
    jpeg_internal::LimitPath(jpeg_internal::SimdPath::AVX2);
    CHECK(pictures == 120);
}
