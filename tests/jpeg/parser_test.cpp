// The marker walk: frame geometry, the output blocks, tables, restart
// interval, stream structures that must give the same picture, and streams
// that must give none.
#include "tests/jpeg/decode_helpers.h"
#include "tests/jpeg/decoder_probe.h"
#include "tests/jpeg/reference_decoder.h"

#include <doctest/doctest.h>

#include <cstring>

namespace {

// A small three-component picture with its segments taken apart, so that
// tests can reassemble them in other orders.
struct StreamSegments {
    HuffmanDefinition dc = SkewedDcTable();
    HuffmanDefinition ac = SkewedAcTable();
    std::uint8_t quant[64];
    Bytes dqt, dht, sof, sos, data;
    StreamSegments(int width = 24, int height = 16, int restartInterval = 0) {
        for (int i = 0; i < 64; ++i) quant[i] = static_cast<std::uint8_t>(1 + i % 5);
        dqt = Join({segment::Dqt(0, quant), segment::Dqt(1, quant)});
        dht = segment::Dht({{0, 0, &dc}, {1, 0, &ac}, {0, 1, &dc}, {1, 1, &ac}});
        sof = segment::Sof(0xC0, width, height, {{1, 1, 1, 0}, {2, 1, 1, 1}, {3, 1, 1, 1}});
        sos = segment::Sos({{1, 0, 0}, {2, 1, 1}, {3, 1, 1}});
        PictureLayout layout;
        layout.width = width;
        layout.height = height;
        layout.restartInterval = restartInterval;
        const Bytes whole = MakePicture(layout, SmoothBlock);
        // The entropy-coded data: after the SOS segment, up to EOI.
        const std::size_t sosAt = FindMarker(whole, 0xDA);
        const std::size_t dataAt = sosAt + 2 + (whole[sosAt + 2] << 8 | whole[sosAt + 3]);
        data.assign(whole.begin() + static_cast<std::ptrdiff_t>(dataAt), whole.end() - 2);
    }
    static std::size_t FindMarker(const Bytes& b, std::uint8_t code) {
        for (std::size_t i = 0; i + 1 < b.size(); ++i)
            if (b[i] == 0xFF && b[i + 1] == code) return i;
        return b.size();
    }
    Bytes Standard() const {
        return Join({segment::Soi(), dqt, dht, sof, sos, data, segment::Eoi()});
    }
};

bool SamePicture(const Decoded& a, const Decoded& b) {
    return a.HasPicture() && b.HasPicture() && a.headerBytes == b.headerBytes &&
           a.pixels == b.pixels;
}

#ifndef _WIN32
int DebugTexts() {
    return velmor_host::DebugTextCount();
}
#endif

}  // namespace

TEST_CASE("frame header: header block, stride and MCU counts") {
    struct Case {
        int width, height, stride, mcusPerRow, mcuRows;
    };
    const Case cases[] = {{1, 1, 4, 1, 1},
                          {2, 3, 8, 1, 1},
                          {3, 9, 12, 1, 2},
                          {1420, 360, 4260, 178, 45},
                          {360, 487, 1080, 45, 61}};
    for (const Case& c : cases) {
        CAPTURE(c.width);
        const StreamSegments parts(c.width, c.height);
        const Bytes stream = parts.Standard();
        JpegDecoderProbe decoder;
        HLOCAL header = nullptr, pixels = nullptr;
        CHECK(decoder.Decode(stream.data(), static_cast<DWORD>(stream.size()), &header, &pixels) ==
              1);
        CHECK(decoder.stride == c.stride);
        CHECK(decoder.mcusPerRow == c.mcusPerRow);
        CHECK(decoder.mcuRows == c.mcuRows);
        REQUIRE(header != nullptr);
        REQUIRE(pixels != nullptr);
        CHECK(LocalSize(header) >= 44);
        CHECK(LocalSize(pixels) >= static_cast<SIZE_T>(c.stride) * c.height);
        LocalFree(header);
        LocalFree(pixels);
    }
}

TEST_CASE("frame header: the 44-byte header block holds the template") {
    Decoded d;
    DecodeBytes(StreamSegments(24, 16).Standard(), &d);
    REQUIRE(d.HasPicture());
    CHECK(d.info.biSize == 40);
    CHECK(d.info.biWidth == 24);
    CHECK(d.info.biHeight == 16);  // positive: bottom-up rows
    CHECK(d.info.biPlanes == 1);
    CHECK(d.info.biBitCount == 24);
    CHECK(d.info.biCompression == 0);
    CHECK(d.info.biSizeImage == 72u * 16u);
    CHECK(d.info.biXPelsPerMeter == 72);
    CHECK(d.info.biYPelsPerMeter == 72);
    CHECK(d.info.biClrUsed == 0);
    CHECK(d.info.biClrImportant == 0);
    REQUIRE(d.headerBytes.size() == 44);
    for (int i = 40; i < 44; ++i) CHECK(d.headerBytes[i] == 0);
}

TEST_CASE("DHT: BITS(2) = 1 and BITS(3) = 5 give the per-length entries") {
    Bytes body = {0x00, 0, 1, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 11, 12, 13, 14, 15};
    Bytes dht = {0xFF, 0xC4, 0, static_cast<std::uint8_t>(body.size() + 2)};
    dht.insert(dht.end(), body.begin(), body.end());
    JpegDecoderProbe decoder;
    decoder.streamStart = dht.data();
    decoder.streamEnd = dht.data() + dht.size();
    const BYTE* next = decoder.ReadHuffmanTables(dht.data() + 2);
    CHECK(next == dht.data() + dht.size());
    const CodeTable& t = decoder.dcTables[0];
    CHECK(t.entries[2].firstIndex == 0);
    CHECK(t.entries[2].firstCode == 0);
    CHECK(t.entries[2].lastCode == 0);
    CHECK(t.entries[3].firstIndex == 1);
    CHECK(t.entries[3].firstCode == 2);
    CHECK(t.entries[3].lastCode == 6);
    for (int length : {0, 1, 4, 5, 9, 16}) {
        CAPTURE(length);
        CHECK(t.entries[length].firstIndex == 0);
        CHECK(t.entries[length].firstCode == 0);
        CHECK(t.entries[length].lastCode == 0xFFFF);
    }
    CHECK(decoder.dcValues[0] == dht.data() + 4 + 17);
    CHECK(decoder.dcCounts[0] == 6);
}

TEST_CASE("stream structures that give the same picture") {
    const StreamSegments p;
    Decoded standard;
    DecodeBytes(p.Standard(), &standard);
    REQUIRE(standard.HasPicture());
    // The picture is the reference decoder's, byte for byte.
    const Bytes stream = p.Standard();
    CHECK(ReferenceDecode(stream.data(), stream.size()).pixels == standard.pixels);

    SUBCASE("four DHT tables in one segment, two per segment, one per segment") {
        const Bytes two = Join({segment::Dht({{0, 0, &p.dc}, {1, 0, &p.ac}}),
                                segment::Dht({{0, 1, &p.dc}, {1, 1, &p.ac}})});
        const Bytes one = Join({segment::Dht({{0, 0, &p.dc}}), segment::Dht({{1, 0, &p.ac}}),
                                segment::Dht({{0, 1, &p.dc}}), segment::Dht({{1, 1, &p.ac}})});
        Decoded a, b;
        DecodeBytes(Join({segment::Soi(), p.dqt, two, p.sof, p.sos, p.data, segment::Eoi()}), &a);
        DecodeBytes(Join({segment::Soi(), p.dqt, one, p.sof, p.sos, p.data, segment::Eoi()}), &b);
        CHECK(SamePicture(a, standard));
        CHECK(SamePicture(b, standard));
    }
    SUBCASE("a later table replaces an earlier one of the same class and selector") {
        const HuffmanDefinition flatAc = FlatAcTable();
        const Bytes wrong = segment::Dht({{1, 0, &flatAc}, {1, 1, &flatAc}});
        Decoded d;
        DecodeBytes(
            Join({segment::Soi(), wrong, p.dqt, p.dht, p.sof, p.sos, p.data, segment::Eoi()}), &d);
        CHECK(SamePicture(d, standard));
    }
    SUBCASE("COM, APPn and repeated SOI before the frame") {
        Decoded d;
        DecodeBytes(Join({segment::Soi(), segment::App(0, 14), segment::Com("velmor"),
                          segment::Soi(), segment::App(15, 3), p.dqt, segment::Com(""),
                          segment::Soi(), p.dht, p.sof, p.sos, p.data, segment::Eoi()}),
                    &d);
        CHECK(SamePicture(d, standard));
    }
    SUBCASE("a stream need not begin with SOI") {
        Decoded d;
        DecodeBytes(Join({p.dqt, p.dht, p.sof, p.sos, p.data, segment::Eoi()}), &d);
        CHECK(SamePicture(d, standard));
    }
}

TEST_CASE("DRI before or after DHT has the same effect") {
    const StreamSegments p(40, 24, 2);
    Decoded before, after, none;
    DecodeBytes(
        Join({segment::Soi(), p.dqt, segment::Dri(2), p.dht, p.sof, p.sos, p.data, segment::Eoi()}),
        &before);
    DecodeBytes(
        Join({segment::Soi(), p.dqt, p.dht, p.sof, segment::Dri(2), p.sos, p.data, segment::Eoi()}),
        &after);
    DecodeBytes(Join({segment::Soi(), p.dqt, p.dht, p.sof, p.sos, p.data, segment::Eoi()}), &none);
    REQUIRE(before.HasPicture());
    CHECK(SamePicture(before, after));
    // Without the interval the markers mostly fall inside bytes and are read
    // as data: the picture differs.
    REQUIRE(none.HasPicture());
    CHECK(none.pixels != before.pixels);
}

TEST_CASE("streams that yield no picture") {
    const StreamSegments p;
    SUBCASE("a stream that does not begin with 0xFF") {
        Decoded d;
        DecodeBytes(Join({Bytes{0x00}, p.Standard()}), &d);
        CHECK(d.result == 1);
        CHECK(d.headerBlock == nullptr);
        CHECK(d.pixelBlock == nullptr);
        CHECK(d.stop == JpegStop::NO_FRAME);
    }
    SUBCASE("grayscale: one component, the debug text, no blocks") {
#ifndef _WIN32
        velmor_host::ClearDebugText();
#endif
        Decoded d;
        DecodeBytes(Join({segment::Soi(), p.dqt, p.dht, segment::Sof(0xC0, 8, 8, {{1, 1, 1, 0}}),
                          segment::Sos({{1, 0, 0}}), p.data, segment::Eoi()}),
                    &d);
        CHECK(d.result == 1);
        CHECK_FALSE(d.headerBlock);
        CHECK_FALSE(d.pixelBlock);
        CHECK(d.stop == JpegStop::NOT_THREE_COMPONENTS);
#ifndef _WIN32
        CHECK(DebugTexts() == 1);
        CHECK(std::strcmp(velmor_host::LastDebugText(), "Base DCT Read ERROR\n") == 0);
#endif
    }
    SUBCASE("the text comes as soon as the frame's length is read, even in a cut stream") {
#ifndef _WIN32
        velmor_host::ClearDebugText();
#endif
        const Bytes grey = segment::Sof(0xC0, 8, 8, {{1, 1, 1, 0}});
        Decoded d;
        DecodeBytes(Join({segment::Soi(), Bytes(grey.begin(), grey.begin() + 6)}), &d);
        CHECK_FALSE(d.headerBlock);
#ifndef _WIN32
        CHECK(DebugTexts() == 1);
#endif
    }
    SUBCASE("four components also send the text") {
#ifndef _WIN32
        velmor_host::ClearDebugText();
#endif
        Decoded d;
        DecodeBytes(Join({segment::Soi(),
                          segment::Sof(0xC0, 8, 8,
                                       {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}, {4, 1, 1, 0}})}),
                    &d);
        CHECK_FALSE(d.headerBlock);
#ifndef _WIN32
        CHECK(DebugTexts() == 1);
#endif
    }
    SUBCASE("progressive (SOF2), extended (SOF1), 12-bit precision") {
#ifndef _WIN32
        velmor_host::ClearDebugText();
#endif
        for (std::uint8_t marker : {0xC2, 0xC1}) {
            Decoded d;
            DecodeBytes(
                Join({segment::Soi(), p.dqt, p.dht,
                      segment::Sof(marker, 24, 16, {{1, 1, 1, 0}, {2, 1, 1, 1}, {3, 1, 1, 1}}),
                      p.sos, p.data}),
                &d);
            CHECK_FALSE(d.headerBlock);
            CHECK_FALSE(d.pixelBlock);
            CHECK(d.stop == JpegStop::NOT_BASELINE);
        }
        Decoded twelve;
        DecodeBytes(
            Join({segment::Soi(),
                  segment::Sof(0xC0, 24, 16, {{1, 1, 1, 0}, {2, 1, 1, 1}, {3, 1, 1, 1}}, 12)}),
            &twelve);
        CHECK_FALSE(twelve.headerBlock);
        CHECK(twelve.stop == JpegStop::NOT_BASELINE);
#ifndef _WIN32
        CHECK(DebugTexts() == 0);  // only a wrong component count says something
#endif
    }
    SUBCASE("a 16-bit DQT table ends the walk") {
        Decoded d;
        DecodeBytes(Join({segment::Soi(), segment::Dqt16(0), p.dqt, p.dht, p.sof, p.sos, p.data,
                          segment::Eoi()}),
                    &d);
        CHECK_FALSE(d.headerBlock);
        CHECK_FALSE(d.pixelBlock);
        CHECK(d.stop == JpegStop::SIXTEEN_BIT_TABLES);
    }
    SUBCASE("zero width or height") {
        for (int w : {0, 8}) {
            Decoded d;
            DecodeBytes(
                Join({segment::Soi(),
                      segment::Sof(0xC0, w, 8 - w, {{1, 1, 1, 0}, {2, 1, 1, 1}, {3, 1, 1, 1}})}),
                &d);
            CHECK_FALSE(d.headerBlock);
            CHECK(d.stop == JpegStop::BAD_SEGMENT);
        }
    }
    SUBCASE("a frame whose pixel block would pass 2 GB") {
        Decoded d;
        DecodeBytes(
            Join({segment::Soi(),
                  segment::Sof(0xC0, 65535, 65535, {{1, 1, 1, 0}, {2, 1, 1, 1}, {3, 1, 1, 1}})}),
            &d);
        CHECK_FALSE(d.headerBlock);
        CHECK_FALSE(d.pixelBlock);
        CHECK(d.stop == JpegStop::TOO_LARGE);
    }
    SUBCASE("sampling outside Y 1x1, 2x1, 2x2 with chroma 1x1") {
        const int layouts[][6] = {{1, 2, 1, 1, 1, 1}, {3, 1, 1, 1, 1, 1}, {4, 4, 1, 1, 1, 1},
                                  {2, 3, 1, 1, 1, 1}, {2, 2, 2, 1, 1, 1}, {1, 1, 1, 2, 1, 1},
                                  {1, 1, 1, 1, 2, 2}, {1, 1, 1, 1, 1, 2}, {0, 1, 1, 1, 1, 1}};
        for (const auto& l : layouts) {
            Decoded d;
            DecodeBytes(
                Join({segment::Soi(), p.dqt, p.dht,
                      segment::Sof(0xC0, 24, 16,
                                   {{1, l[0], l[1], 0}, {2, l[2], l[3], 1}, {3, l[4], l[5], 1}}),
                      p.sos, p.data}),
                &d);
            CHECK_FALSE(d.headerBlock);
            CHECK(d.stop == JpegStop::UNSUPPORTED_SAMPLING);
        }
    }
    SUBCASE("a quantisation selector above 3") {
        Decoded d;
        DecodeBytes(Join({segment::Soi(),
                          segment::Sof(0xC0, 24, 16, {{1, 1, 1, 4}, {2, 1, 1, 1}, {3, 1, 1, 1}})}),
                    &d);
        CHECK_FALSE(d.headerBlock);
    }
}

TEST_CASE("malformed and unknown segments end the walk") {
    const StreamSegments p;
    auto stopOf = [](const Bytes& stream) {
        Decoded d;
        DecodeBytes(stream, &d);
        CHECK_FALSE(d.headerBlock);
        return d.stop;
    };
    const Bytes start = Join({segment::Soi(), p.dqt, p.dht});
    const Bytes rest = Join({p.sof, p.sos, p.data, segment::Eoi()});
    CHECK(stopOf(Join({start, Bytes{0xFF, 0xFE, 0, 1}, rest})) == JpegStop::BAD_SEGMENT);
    CHECK(stopOf(Join({start, Bytes{0xFF, 0xDD, 0, 2}, rest})) == JpegStop::BAD_SEGMENT);
    CHECK(stopOf(Join({start, Bytes{0xFF, 0xDD}})) == JpegStop::TRUNCATED);
    CHECK(stopOf(Join({start, Bytes{0xFF, 0xE1, 0, 9, 1}})) == JpegStop::TRUNCATED);
    // A DHT too short for its counts, a DQT selector above 3.
    CHECK(stopOf(Join({start, Bytes{0xFF, 0xC4, 0, 6, 0x00, 1, 0, 0}, rest})) ==
          JpegStop::BAD_HUFFMAN_DATA);
    Bytes dqt = segment::Dqt(0, p.quant);
    dqt[4] = 4;
    CHECK(stopOf(Join({segment::Soi(), dqt, p.dht, rest})) == JpegStop::BAD_SEGMENT);
    // A frame header of three components' length that names two.
    Bytes two = p.sof;
    two[9] = 2;
    CHECK(stopOf(Join({start, two, p.sos, p.data})) == JpegStop::NOT_THREE_COMPONENTS);
    // Lossless, arithmetic and reserved frame markers; markers outside any segment.
    CHECK(stopOf(Join({start, Bytes{0xFF, 0xC3, 0, 2}, rest})) == JpegStop::NOT_BASELINE);
    for (std::uint8_t code : {0xC8, 0xCC, 0xBF, 0xFF}) {
        CHECK(stopOf(Join({start, Bytes{0xFF, code, 0, 2}, rest})) == JpegStop::NO_FRAME);
    }
}

TEST_CASE("scans that cannot be decoded leave a black picture") {
    const StreamSegments p;
    auto expectBlack = [](const Bytes& stream) {
        Decoded d;
        DecodeBytes(stream, &d);
        REQUIRE(d.HasPicture());
        CHECK(d.stop == JpegStop::BAD_SEGMENT);
        for (std::uint8_t b : d.pixels)
            if (b != 0) return false;
        return true;
    };
    CHECK(expectBlack(Join({segment::Soi(), p.dht, p.sof, p.sos, p.data})));  // no DQT
    CHECK(expectBlack(Join({segment::Soi(), p.dqt, p.sof, p.sos, p.data})));  // no DHT
    CHECK(expectBlack(Join({segment::Soi(), p.dqt, segment::Dht({{0, 0, &p.dc}, {1, 0, &p.ac}}),
                            p.sof, p.sos, p.data})));
    CHECK(expectBlack(
        Join({segment::Soi(), p.dqt, p.dht, p.sof, segment::Sos({{1, 0, 0}, {2, 1, 1}}), p.data})));
    CHECK(expectBlack(Join({segment::Soi(), p.dqt, p.dht, p.sof,
                            segment::Sos({{1, 0, 0}, {2, 1, 1}, {4, 1, 1}}), p.data})));
    CHECK(expectBlack(Join({segment::Soi(), p.dqt, p.dht, p.sof,
                            segment::Sos({{1, 0, 0}, {2, 1, 4}, {3, 1, 1}}), p.data})));
    CHECK(expectBlack(Join({segment::Soi(), p.dqt, p.dht, p.sof,
                            segment::Sos({{0, 0, 0}, {2, 1, 1}, {3, 1, 1}}), p.data})));
    // An AC table that the scan names but no DHT defined.
    CHECK(expectBlack(
        Join({segment::Soi(), p.dqt, segment::Dht({{0, 0, &p.dc}, {1, 0, &p.ac}, {0, 1, &p.dc}}),
              p.sof, p.sos, p.data})));
    // A scan before any frame header: nothing at all.
    Decoded early;
    DecodeBytes(Join({segment::Soi(), p.dqt, p.dht, p.sos, p.data, p.sof}), &early);
    CHECK_FALSE(early.headerBlock);
}

TEST_CASE("hostile DHT segments end the walk") {
    const StreamSegments p;
    SUBCASE("more than 256 codes") {
        Bytes body = {0x00, 0, 0, 0, 0, 0, 0, 0, 255, 2, 0, 0, 0, 0, 0, 0, 0};
        body.resize(body.size() + 257, 1);
        Bytes dht = {0xFF, 0xC4, static_cast<std::uint8_t>((body.size() + 2) >> 8),
                     static_cast<std::uint8_t>(body.size() + 2)};
        dht.insert(dht.end(), body.begin(), body.end());
        Decoded d;
        DecodeBytes(Join({segment::Soi(), dht, p.dqt, p.dht, p.sof, p.sos, p.data}), &d);
        CHECK_FALSE(d.headerBlock);
        CHECK(d.stop == JpegStop::BAD_HUFFMAN_DATA);
    }
    SUBCASE("counts that run past the segment") {
        Bytes dht = {0xFF, 0xC4, 0, 2 + 17 + 2, 0x00, 0, 0, 4, 0, 0, 0, 0,
                     0,    0,    0, 0,          0,    0, 0, 0, 0, 1, 2};
        Decoded d;
        DecodeBytes(Join({segment::Soi(), dht, p.dqt, p.dht, p.sof, p.sos, p.data}), &d);
        CHECK_FALSE(d.headerBlock);
        CHECK(d.stop == JpegStop::BAD_HUFFMAN_DATA);
    }
    SUBCASE("a selector above 3") {
        const HuffmanDefinition dc = SkewedDcTable();
        Decoded d;
        DecodeBytes(
            Join({segment::Soi(), segment::Dht({{0, 4, &dc}}), p.dqt, p.dht, p.sof, p.sos, p.data}),
            &d);
        CHECK_FALSE(d.headerBlock);
    }
    SUBCASE("a fifth table in one segment ends the walk after four") {
        const Bytes five = segment::Dht(
            {{0, 0, &p.dc}, {1, 0, &p.ac}, {0, 1, &p.dc}, {1, 1, &p.ac}, {0, 2, &p.dc}});
        Decoded d;
        DecodeBytes(Join({segment::Soi(), five, p.dqt, p.sof, p.sos, p.data}), &d);
        CHECK_FALSE(d.headerBlock);
    }
}

TEST_CASE("a second frame header replaces the first pair of blocks") {
    const StreamSegments small(8, 8), large(24, 16);
#ifndef _WIN32
    const long before = velmor_host::LiveBlocks();
#endif
    Decoded d;
    DecodeBytes(Join({segment::Soi(), small.dqt, small.dht, small.sof, small.sos, small.data,
                      large.sof, large.sos, large.data, segment::Eoi()}),
                &d);
    REQUIRE(d.HasPicture());
    CHECK(d.info.biWidth == 24);
    CHECK(d.info.biHeight == 16);
#ifndef _WIN32
    CHECK(velmor_host::LiveBlocks() == before + 2);  // the first pair was freed
#endif
    Decoded alone;
    DecodeBytes(large.Standard(), &alone);
    CHECK(d.pixels == alone.pixels);
}

TEST_CASE("truncated streams: what was decoded stays, the rest is black") {
    const Bytes whole = StreamSegments(64, 32).Standard();
    Decoded full;
    DecodeBytes(whole, &full);
    REQUIRE(full.HasPicture());
    CHECK(full.stop == JpegStop::NONE);
    const std::size_t dataStart = whole.size() - StreamSegments(64, 32).data.size() - 2;
    int partial = 0;
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        Decoded d;
        DecodeBytes(cut, &d);
        const ReferencePicture reference = ReferenceDecode(cut.data(), cut.size());
        CHECK(d.HasPicture() == reference.hasFrame);
        if (!d.HasPicture()) continue;
        REQUIRE(d.pixels == reference.pixels);
        // Every pixel is either the full picture's or still black.
        for (std::size_t i = 0; i < d.pixels.size(); i += 3) {
            const bool same = std::memcmp(&d.pixels[i], &full.pixels[i], 3) == 0;
            const bool black = d.pixels[i] == 0 && d.pixels[i + 1] == 0 && d.pixels[i + 2] == 0;
            REQUIRE((same || black));
        }
        if (length > dataStart + 8 && length < whole.size() - 2 && d.pixels != full.pixels) {
            ++partial;
            REQUIRE(d.stop == JpegStop::TRUNCATED);
        }
    }
    CHECK(partial > 0);  // some cuts really left part of the picture black
}

#ifndef _WIN32
TEST_CASE("a failed pixel-block allocation ends the walk without writing") {
    const long before = velmor_host::LiveBlocks();
    velmor_host::SetAllocationLimit(100);  // the 44-byte header fits, the pixels do not
    HLOCAL header = nullptr, pixels = nullptr;
    const Bytes stream = StreamSegments().Standard();
    JpegDecoder decoder;
    CHECK(decoder.Decode(stream.data(), static_cast<DWORD>(stream.size()), &header, &pixels) == 1);
    velmor_host::SetAllocationLimit(SIZE_MAX);
    CHECK(header != nullptr);
    CHECK(pixels == nullptr);
    CHECK(decoder.StopReason() == JpegStop::OUT_OF_MEMORY);
    LocalFree(header);
    CHECK(velmor_host::LiveBlocks() == before);
}

// The decoder's tests on the host trust these to answer as Windows does.
TEST_CASE("the host's local memory stand-ins answer as Windows' functions do") {
    const long before = velmor_host::LiveBlocks();
    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    REQUIRE(empty != nullptr);
    CHECK(LocalSize(empty) == 0);
    CHECK(LocalLock(empty) != nullptr);
    CHECK(LocalLock(empty) != nullptr);
    CHECK(velmor_host::LockCount(empty) == 2);
    CHECK(LocalUnlock(empty) != 0);  // still locked
    CHECK(LocalUnlock(empty) == 0);  // unlocked now
    CHECK(LocalUnlock(empty) == 0);  // and stays so
    CHECK(velmor_host::LockCount(empty) == 0);
    CHECK(LocalFree(empty) == nullptr);
    CHECK(LocalAlloc(LMEM_FIXED, SIZE_MAX - 8) == nullptr);
    CHECK(velmor_host::LiveBlocks() == before);
    // Null handles are refused, never followed.
    CHECK(LocalLock(nullptr) == nullptr);
    CHECK(LocalUnlock(nullptr) == 0);
    CHECK(LocalSize(nullptr) == 0);
    CHECK(LocalFree(nullptr) == nullptr);
    CHECK(velmor_host::LockCount(nullptr) == 0);
    velmor_host::ClearDebugText();
    OutputDebugStringA(nullptr);
    CHECK(velmor_host::DebugTextCount() == 1);
    CHECK(std::strcmp(velmor_host::LastDebugText(), "") == 0);
}
#endif
