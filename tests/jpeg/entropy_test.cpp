// The one-bit reader, Huffman decoding, EXTEND and restart points.
#include "tests/jpeg/decode_helpers.h"
#include "tests/jpeg/decoder_probe.h"
#include "tests/jpeg/reference_decoder.h"

#include <doctest/doctest.h>

namespace {

// A decoder reading entropy-coded data from `bytes`.
void Begin(JpegDecoderProbe& decoder, const Bytes& bytes) {
    decoder.streamStart = bytes.data();
    decoder.streamEnd = bytes.data() + bytes.size();
    decoder.StartBits(bytes.data());
}

// A table built by the DHT handler from counts and values.
void LoadTable(JpegDecoderProbe& decoder, Bytes& segment, const std::uint8_t counts[16],
               const Bytes& values) {
    Bytes body = {0x10};
    body.insert(body.end(), counts, counts + 16);
    body.insert(body.end(), values.begin(), values.end());
    segment = {0xFF, 0xC4, static_cast<std::uint8_t>((body.size() + 2) >> 8),
               static_cast<std::uint8_t>(body.size() + 2)};
    segment.insert(segment.end(), body.begin(), body.end());
    decoder.streamStart = segment.data();
    decoder.streamEnd = segment.data() + segment.size();
    REQUIRE(decoder.ReadHuffmanTables(segment.data() + 2) == segment.data() + segment.size());
}

}  // namespace

TEST_CASE("GetBits skips the 0x00 stuffed after 0xFF") {
    const Bytes bytes = {0xFF, 0x00, 0x80, 0x55};
    JpegDecoderProbe d;
    Begin(d, bytes);
    std::int32_t value = -1;
    CHECK(d.GetBits(&value, 8) == 1);
    CHECK(value == 0xFF);
    CHECK(d.dataPos == bytes.data() + 2);
    CHECK(d.GetBits(&value, 1) == 1);
    CHECK(value == 1);
    CHECK(d.GetBits(&value, 7) == 1);
    CHECK(value == 0);
    CHECK(d.dataPos == bytes.data() + 3);
    CHECK(d.bitPos == 0);
    CHECK(d.GetBits(&value, 0) == 1);
    CHECK(value == 0);
    CHECK(d.GetBits(&value, 3) == 1);
    CHECK(value == 2);  // 010 of 0x55
    CHECK(d.bitPos == 3);
    CHECK(d.dataError == 0);
}

TEST_CASE("GetBits at the end of the stream sets the error and reads nothing") {
    const Bytes bytes = {0xA5, 0xFF};
    JpegDecoderProbe d;
    Begin(d, bytes);
    std::int32_t value;
    d.GetBits(&value, 15);
    CHECK(d.dataError == 0);
    CHECK(d.dataPos == bytes.data() + 1);  // 0xFF at the very end: no stuffed byte to skip
    d.GetBits(&value, 2);
    CHECK(d.dataError == 1);
    CHECK(d.decoder.StopReason() == JpegStop::TRUNCATED);
    CHECK(d.dataPos == bytes.data() + bytes.size());
}

TEST_CASE("Extend: s = 3 turns 010 into -5 and 110 into 6; s = 0 reads nothing") {
    const Bytes bytes = {0x58, 0x00};  // 010 110 00
    JpegDecoderProbe d;
    Begin(d, bytes);
    CHECK(d.Extend(3) == -5);
    CHECK(d.Extend(3) == 6);
    CHECK(d.Extend(0) == 0);
    CHECK(d.bitPos == 6);
    // The extremes of a 15-bit magnitude.
    const Bytes wide = {0x00, 0x01, 0xFF, 0xFE};  // 000000000000000 1 111111111111111 ...
    Begin(d, wide);
    CHECK(d.Extend(15) == -32767);
    std::int32_t bit;
    d.GetBits(&bit, 1);
    CHECK(bit == 1);
    CHECK(d.Extend(15) == 32767);
}

TEST_CASE("DecodeHuffman follows the per-length table bit by bit") {
    JpegDecoderProbe d;
    Bytes segment;
    SUBCASE("a length-1 code: the bit 0 is the first value") {
        const std::uint8_t counts[16] = {1, 1};
        LoadTable(d, segment, counts, {0x42, 0x17});
        CHECK(d.acTables[0].entries[1].firstCode == 0);
        CHECK(d.acTables[0].entries[1].lastCode == 0);
        const Bytes bits = {0x40};  // 0, 10
        Begin(d, bits);
        CHECK(d.DecodeHuffman(d.acTables[0], d.acValues[0], d.acCounts[0]) == 0x42);
        CHECK(d.DecodeHuffman(d.acTables[0], d.acValues[0], d.acCounts[0]) == 0x17);
        CHECK(d.bitPos == 3);
        CHECK(d.dataError == 0);
    }
    SUBCASE("BITS(2) = 1, BITS(3) = 5: 00 and 010..110 decode, 111... does not") {
        const std::uint8_t counts[16] = {0, 1, 5};
        LoadTable(d, segment, counts, {10, 11, 12, 13, 14, 15});
        const Bytes bits = {0x13, 0x9F, 0xFF, 0xFF};  // 00 010 011 | 100 11111 ...
        Begin(d, bits);
        CHECK(d.DecodeHuffman(d.acTables[0], d.acValues[0], d.acCounts[0]) == 10);
        CHECK(d.DecodeHuffman(d.acTables[0], d.acValues[0], d.acCounts[0]) == 11);
        CHECK(d.DecodeHuffman(d.acTables[0], d.acValues[0], d.acCounts[0]) == 12);
        CHECK(d.DecodeHuffman(d.acTables[0], d.acValues[0], d.acCounts[0]) == 13);
        CHECK(d.dataError == 0);
        // Ones: no code of up to 16 bits matches.
        d.DecodeHuffman(d.acTables[0], d.acValues[0], d.acCounts[0]);
        CHECK(d.dataError == 1);
        CHECK(d.decoder.StopReason() == JpegStop::BAD_HUFFMAN_DATA);
    }
}

TEST_CASE("DecodeDc and DecodeAc") {
    JpegDecoderProbe d;
    Bytes segment;
    // Symbols: 0x00 (code 00), 0x03 (01), 0x21 (100), 0xF0 (101), 0x0C (110).
    const std::uint8_t counts[16] = {0, 2, 3};
    LoadTable(d, segment, counts, {0x00, 0x03, 0x21, 0xF0, 0x0C});
    const CodeTable& t = d.acTables[0];
    const BYTE* v = d.acValues[0];
    const int n = d.acCounts[0];
    SUBCASE("a DC symbol of 0 reads no magnitude bits") {
        const Bytes bits = {0x3F};  // 00 111111
        Begin(d, bits);
        std::int32_t difference = 99;
        CHECK(d.DecodeDc(&difference, t, v, n) == 1);
        CHECK(difference == 0);
        CHECK(d.bitPos == 2);
    }
    SUBCASE("a DC size above 11 is corrupt data") {
        const Bytes bits = {0xC0, 0x00, 0x00};  // 110: size 12
        Begin(d, bits);
        std::int32_t difference;
        d.DecodeDc(&difference, t, v, n);
        CHECK(d.dataError == 1);
    }
    SUBCASE("a value, then end of block") {
        const Bytes bits = {0x60, 0xA0, 0x00};  // 01 (0x03) 100 (4) | 00 (EOB) ...
        Begin(d, bits);
        std::int32_t value, run;
        d.DecodeAc(&value, &run, t, v, n);
        CHECK(run == 0);
        CHECK(value == 4);
        d.DecodeAc(&value, &run, t, v, n);
        CHECK(run == 0);
        CHECK(value == 0);
        CHECK(d.dataError == 0);
    }
}

TEST_CASE("DecodeAc: end of block, ZRL and a run with a value") {
    JpegDecoderProbe d;
    Bytes segment;
    const std::uint8_t counts[16] = {0, 2, 3};
    LoadTable(d, segment, counts, {0x00, 0x03, 0x21, 0xF0, 0x0C});
    // 101 (ZRL) | 100 1 (run 2, size 1, bit 1 -> 1) | 100 0 (-> -1) | 00 (EOB) | 11
    const Bytes bits = {0xB3, 0x03};  // 1011 0011 0000 0011
    Begin(d, bits);
    std::int32_t value, run;
    d.DecodeAc(&value, &run, d.acTables[0], d.acValues[0], d.acCounts[0]);
    CHECK(run == 15);
    CHECK(value == 0);
    d.DecodeAc(&value, &run, d.acTables[0], d.acValues[0], d.acCounts[0]);
    CHECK(run == 2);
    CHECK(value == 1);
    d.DecodeAc(&value, &run, d.acTables[0], d.acValues[0], d.acCounts[0]);
    CHECK(run == 2);
    CHECK(value == -1);
    d.DecodeAc(&value, &run, d.acTables[0], d.acValues[0], d.acCounts[0]);
    CHECK(run == 0);
    CHECK(value == 0);
    CHECK(d.bitPos == 5);
}

TEST_CASE("CheckRestart") {
    JpegDecoderProbe d;
    SUBCASE("a marker at a byte boundary is a restart point without DRI") {
        const Bytes bytes = {0xFF, 0xD0, 0x12};
        Begin(d, bytes);
        CHECK(d.CheckRestart(5) == 1);
        CHECK(d.dataPos == bytes.data() + 2);
        CHECK(d.bitPos == 0);
    }
    SUBCASE("inside a byte and without DRI the marker is not seen") {
        const Bytes bytes = {0x1F, 0xFF, 0xD0, 0x12};
        Begin(d, bytes);
        std::int32_t value;
        d.GetBits(&value, 3);
        CHECK(d.CheckRestart(5) == 0);
        CHECK(d.dataPos == bytes.data());
        CHECK(d.bitPos == 3);
        d.GetBits(&value,
                  5);  // the rest of the byte; now at FF D0 but mid-MCU only matters at MCU starts
        CHECK(d.dataPos == bytes.data() + 1);
    }
    SUBCASE("FF 00 at a byte boundary is data, not a marker") {
        const Bytes bytes = {0xFF, 0x00, 0x12};
        Begin(d, bytes);
        CHECK(d.CheckRestart(5) == 0);
        CHECK(d.dataPos == bytes.data());
    }
    SUBCASE("the interval ends inside a byte: its rest and the marker are skipped") {
        d.restartInterval = 4;
        const Bytes bytes = {0x5F, 0xFF, 0xD3, 0xAB};
        Begin(d, bytes);
        std::int32_t value;
        d.GetBits(&value, 3);
        CHECK(d.CheckRestart(3) == 0);
        CHECK(d.CheckRestart(4) == 1);
        CHECK(d.dataPos == bytes.data() + 3);
        CHECK(d.bitPos == 0);
    }
    SUBCASE("the interval ends inside a 0xFF data byte: its stuffed 0x00 goes too") {
        d.restartInterval = 1;
        const Bytes bytes = {0xFF, 0x00, 0xFF, 0xD1, 0xAB};
        Begin(d, bytes);
        std::int32_t value;
        d.GetBits(&value, 2);
        CHECK(d.CheckRestart(1) == 1);
        CHECK(d.dataPos == bytes.data() + 4);
    }
    SUBCASE("a marker cut off by the end of the stream is an error") {
        d.restartInterval = 1;
        const Bytes bytes = {0x12, 0xFF};
        Begin(d, bytes);
        std::int32_t value;
        d.GetBits(&value, 8);
        CHECK(d.CheckRestart(1) == 1);
        CHECK(d.dataError == 1);
        CHECK(d.dataPos == bytes.data() + bytes.size());
    }
}

TEST_CASE("restart markers without DRI at byte boundaries reset the DC predictors") {
    // Flat tables: every code is 8 bits, so a DC-only block with a zero
    // difference is exactly two bytes and every MCU ends on a byte boundary.
    PictureLayout layout;
    layout.width = 8;
    layout.height = 32;  // four MCU rows of one MCU
    layout.flatTables = true;
    layout.restartInterval = 1;
    // Every MCU codes Y's DC 80 (7 magnitude bits) and Cb's DC 1 (1 bit):
    // with 8-bit codes for the DC sizes and end-of-block that is 64 bits.
    auto block = [](int, int component, int, std::int32_t zigzag[64]) {
        zigzag[0] = component == 0 ? 80 : component == 1 ? 1 : 0;
    };
    layout.writeDri = false;
    const Bytes noDri = MakePicture(layout, block);
    layout.writeDri = true;
    const Bytes withDri = MakePicture(layout, block);
    Decoded a, b;
    DecodeBytes(noDri, &a);
    DecodeBytes(withDri, &b);
    REQUIRE(a.HasPicture());
    CHECK(a.pixels == b.pixels);
    // The encoder restarted its prediction at every marker, so each MCU
    // coded the full DC of 80: Y = 9 + 128 everywhere only if the decoder
    // reset its predictors too (otherwise 160, 240, ... would pile up).
    for (int y = 0; y < 32; y += 7) {
        const std::uint8_t* p = a.Pixel(3, y);
        CHECK(p[0] == 137);
        CHECK(p[1] == 137);
        CHECK(p[2] == 137);
    }
    CHECK(ReferenceDecode(noDri.data(), noDri.size()).pixels == a.pixels);
}
