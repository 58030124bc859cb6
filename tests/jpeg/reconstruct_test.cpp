// Block reconstruction: the inverse DCT and the colour conversion, their
// worked numbers, and the fast versions against the plain rules.
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_internal.h"
#include "tests/jpeg/decode_helpers.h"
#include "tests/jpeg/reference_decoder.h"

#include <doctest/doctest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

using jpeg_internal::SimdPath;

namespace {

void FastIdct(const std::int32_t coefficients[64], std::int32_t samples[64], SimdPath path) {
    // The product picks its own shortcuts from this hint; give it the truthful one.
    int last = 0;
    for (int k = 0; k < 64; ++k)
        if (coefficients[ZigZag[k]] != 0) last = k;
    jpeg_internal::InverseDct(coefficients, samples, 8, last, path);
}

}  // namespace

TEST_CASE("IdctMatrix: the truncated cosine basis") {
    const std::int32_t firstRow[8] = {370727, 514213, 484378, 435929,
                                      370727, 291278, 200636, 102283};
    for (int u = 0; u < 8; ++u) CHECK(IdctMatrix[0][u] == firstRow[u]);
    const double pi = 3.14159265358979323846;
    for (int x = 0; x < 8; ++x)
        for (int u = 0; u < 8; ++u) {
            const double e = u == 0 ? 1.0 / std::sqrt(2.0) : 1.0;
            CHECK(IdctMatrix[x][u] ==
                  static_cast<std::int32_t>(1048576.0 * (e / 2.0) *
                                            std::cos((2 * x + 1) * u * pi / 16.0)));
        }
}

TEST_CASE("ZigZag: the zig-zag sequence") {
    const std::uint8_t start[10] = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24};
    for (int k = 0; k < 10; ++k) CHECK(ZigZag[k] == start[k]);
    const std::uint8_t end[4] = {47, 55, 62, 63};
    for (int k = 60; k < 64; ++k) CHECK(ZigZag[k] == end[k - 60]);
    bool seen[64] = {};
    for (int k = 0; k < 64; ++k) seen[ZigZag[k]] = true;
    for (bool s : seen) CHECK(s);
}

TEST_CASE("IDCT of DC-only blocks truncates toward zero") {
    // DC 80: 28 then 9; -80: -28 then -9 (a shift would give -29 and -11).
    const struct {
        std::int32_t dc, sample;
    } cases[] = {{80, 9}, {-80, -9}, {1024, 127}, {-1024, -127}, {0, 0}};
    for (const auto& c : cases) {
        CAPTURE(c.dc);
        std::int32_t coefficients[64] = {c.dc};
        std::int32_t fast[64], plain[64];
        ReferenceIdct(coefficients, plain);
        for (int i = 0; i < 64; ++i) CHECK(plain[i] == c.sample);
        for (SimdPath path : PathsToTest()) {
            FastIdct(coefficients, fast, path);
            for (int i = 0; i < 64; ++i) CHECK(fast[i] == c.sample);
        }
    }
}

TEST_CASE("the fast IDCT gives the plain matrix products' samples") {
    std::mt19937 random(20261207);
    const std::vector<SimdPath> paths = PathsToTest();
    auto check = [&paths](const std::int32_t* coefficients) {
        std::int32_t fast[64], plain[64];
        ReferenceIdct(coefficients, plain);
        for (SimdPath path : paths) {
            FastIdct(coefficients, fast, path);
            if (std::memcmp(fast, plain, sizeof fast) != 0) return false;
        }
        return true;
    };
    for (int trial = 0; trial < 20000; ++trial) {
        std::int32_t c[64] = {};
        const int kind = trial % 5;
        const int count = 1 + static_cast<int>(random() % 64);
        for (int i = 0; i < count; ++i) {
            const int k =
                kind == 0 ? static_cast<int>(random() % 10) : static_cast<int>(random() % 64);
            std::int32_t value;
            switch (kind) {
                case 0:
                case 1:
                    value = static_cast<std::int32_t>(random() % 2048) - 1024;
                    break;  // typical
                case 2:
                    value = static_cast<std::int32_t>(random() % 65536) - 32768;
                    break;  // 16-bit edge
                case 3:
                    value = static_cast<std::int32_t>(random() % 2000001) - 1000000;
                    break;  // wide
                default:
                    value = static_cast<std::int32_t>(random());
                    break;  // wrapping sums
            }
            c[ZigZag[k]] = value;
        }
        REQUIRE(check(c));
    }
    // The extremes of the 16-bit path.
    std::int32_t extreme[64];
    for (std::int32_t value : {-32768, 32767}) {
        for (int i = 0; i < 64; ++i) extreme[i] = (i % 3 == 0) ? value : -value - 1;
        CHECK(check(extreme));
    }
}

TEST_CASE("colour conversion: the worked examples") {
    std::uint8_t bgr[3];
    ReferenceColour(128, 0, 0, bgr);
    CHECK((bgr[0] == 128 && bgr[1] == 128 && bgr[2] == 128));
    ReferenceColour(100, 0, 1, bgr);
    CHECK(bgr[2] == 101);
    CHECK(bgr[1] == 99);
    CHECK(bgr[0] == 99);  // the -0.0012 Cr term takes blue below 100
    ReferenceColour(0, 0, -1, bgr);
    CHECK(bgr[2] == 0);  // -1.402 truncates to -1, clamped to 0

    // The product's conversion on the same samples (Y before its level shift).
    const std::int32_t y[4] = {0, -28, -128, 200}, cb[4] = {0, 0, 0, 0}, cr[4] = {0, 1, -1, 0};
    jpeg_internal::PlaneView planes = {y, 4, cb, cr, 4};
    const std::uint8_t expected[12] = {128, 128, 128, 99, 99, 101, 0, 0, 0, 255, 255, 255};
    for (SimdPath path : PathsToTest()) {
        std::uint8_t out[12];
        jpeg_internal::ConvertPixels(planes, 1, 4, out, 12, path);
        for (int i = 0; i < 12; ++i) CHECK(out[i] == expected[i]);
    }
}

TEST_CASE("the fast colour conversion gives the plain bytes and writes only its pixels") {
    std::mt19937 random(7);
    const std::vector<SimdPath> paths = PathsToTest();
    for (int trial = 0; trial < 4000; ++trial) {
        const SimdPath path = paths[trial % paths.size()];
        const int rows = 1 + trial % 16;
        const int columns = 1 + (trial / 16) % 16;
        std::int32_t y[256], cb[256], cr[256];
        const int spread = trial % 3 == 0 ? 4096 : 600;
        for (int i = 0; i < 256; ++i) {
            y[i] = static_cast<std::int32_t>(random() % spread) - spread / 2;
            cb[i] = static_cast<std::int32_t>(random() % spread) - spread / 2;
            cr[i] = static_cast<std::int32_t>(random() % spread) - spread / 2;
        }
        const int stride = 3 * 16 + 4;
        std::uint8_t block[16 * stride];
        std::memset(block, 0xAB, sizeof block);
        jpeg_internal::PlaneView planes = {y, 16, cb, cr, 16};
        // Bottom-up: row 0 goes to the last row of the area.
        jpeg_internal::ConvertPixels(planes, rows, columns, block + stride * (rows - 1), stride,
                                     path);
        for (int row = 0; row < 16; ++row) {
            const std::uint8_t* bytes = block + stride * row;
            const int r = rows - 1 - row;  // picture row stored in this memory row
            for (int i = 0; i < stride; ++i) {
                if (r < 0 || i >= 3 * columns) {
                    REQUIRE(bytes[i] == 0xAB);  // nothing outside the MCU's pixels
                    continue;
                }
                std::uint8_t bgr[3];
                ReferenceColour(y[16 * r + i / 3] + 128, cb[16 * r + i / 3], cr[16 * r + i / 3],
                                bgr);
                REQUIRE(bytes[i] == bgr[i % 3]);
            }
        }
    }
}

namespace {

// Every path's conversion against the plain double rule for every Y (after
// the level shift) in -256..511 and every `step`-th (Cb, Cr) pair of
// -384..383 each, a range that covers the samples of real pictures.
// Returns how many pixels matched on every path; stops at the first that
// does not.
long CompareColourRange(int step) {
    const int ROWS = 48, COLUMNS = 16;  // 768 values of Y
    std::int32_t y[ROWS * COLUMNS], cb[ROWS * COLUMNS], cr[ROWS * COLUMNS];
    for (int i = 0; i < ROWS * COLUMNS; ++i) y[i] = i - 256 - 128;  // before the level shift
    const std::vector<SimdPath> paths = PathsToTest();
    long matched = 0;
    for (long pair = 0; pair < 768L * 768L; pair += step) {
        const int blue = static_cast<int>(pair / 768) - 384,
                  red = static_cast<int>(pair % 768) - 384;
        for (int i = 0; i < ROWS * COLUMNS; ++i) {
            cb[i] = blue;
            cr[i] = red;
        }
        std::uint8_t expected[ROWS * COLUMNS][3];
        for (int i = 0; i < ROWS * COLUMNS; ++i)
            ReferenceColour(y[i] + 128, blue, red, expected[i]);
        for (SimdPath path : paths) {
            std::uint8_t out[ROWS][3 * COLUMNS];
            const jpeg_internal::PlaneView planes = {y, COLUMNS, cb, cr, COLUMNS};
            // A negative stride: row r goes to out[r].
            jpeg_internal::ConvertPixels(planes, ROWS, COLUMNS, out[0], -3 * COLUMNS, path);
            if (std::memcmp(out, expected, sizeof out) != 0) {
                FAIL_CHECK("Cb " << blue << ", Cr " << red << " differ on the "
                                 << std::string(jpeg_internal::PathName(path)) << " path");
                return matched;
            }
        }
        matched += ROWS * COLUMNS;
    }
    return matched;
}

}  // namespace

TEST_CASE("colour conversion: every path equals the plain rule, a sample of the range") {
    CHECK(CompareColourRange(97) == 768L * ((768L * 768L + 96) / 97));
}

// The whole range, 453 million pixels (run with --no-skip; about 13 s in a Release build).
TEST_CASE("colour conversion: every path equals the plain rule, the whole range" *
          doctest::skip()) {
    CHECK(CompareColourRange(1) == 768L * 768L * 768L);
}
