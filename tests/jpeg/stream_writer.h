#ifndef VELMOR_TESTS_JPEG_STREAM_WRITER_H
#define VELMOR_TESTS_JPEG_STREAM_WRITER_H

// A small JPEG stream writer for the tests: segments one by one (so that
// tests can put them in odd orders and numbers) and a baseline encoder of
// given quantised coefficients, with restart markers where asked.
#include <cstdint>
#include <functional>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A Huffman table as the DHT segment carries it.
struct HuffmanDefinition {
    std::uint8_t counts[16];            // BITS(1..16)
    std::vector<std::uint8_t> symbols;  // HUFFVAL
};

// Tables with codes of every length from 2 to 16 (short codes first), so
// that decoding meets long codes too.
HuffmanDefinition SkewedDcTable();
HuffmanDefinition SkewedAcTable();
// All symbols with 8-bit codes.
HuffmanDefinition FlatDcTable();
HuffmanDefinition FlatAcTable();

namespace segment {
Bytes Soi();
Bytes Eoi();
Bytes Com(const char* text);
Bytes App(int n, std::size_t payload);
Bytes Dqt(int selector, const std::uint8_t values[64]);
Bytes Dqt16(int selector);
// One DHT segment holding all the given tables (class 0 = DC, 1 = AC).
struct TableRef {
    int tableClass;
    int selector;
    const HuffmanDefinition* definition;
};
Bytes Dht(const std::vector<TableRef>& tables);
Bytes Dri(int interval);
struct FrameComponent {
    int id, h, v, tq;
};
Bytes Sof(std::uint8_t marker, int width, int height, const std::vector<FrameComponent>& components,
          int precision = 8);
struct ScanComponent {
    int selector, td, ta;
};
Bytes Sos(const std::vector<ScanComponent>& components);
}  // namespace segment

// Writes entropy-coded data: byte stuffing, 1-bit fill before markers.
class BitWriter {
public:
    void Put(std::uint32_t bits, int count);
    void FlushWithOnes();
    void Marker(std::uint8_t code);  // flushes, then FF code
    bool AtByteBoundary() const { return used == 0; }
    Bytes bytes;

private:
    std::uint32_t pending = 0;
    int used = 0;
};

// Encodes one block of quantised coefficients (zig-zag order) with the given
// tables; `predictor` is the previous DC value of the component.
void EncodeBlock(BitWriter& out, const std::int32_t zigzag[64], std::int32_t* predictor,
                 const HuffmanDefinition& dc, const HuffmanDefinition& ac);

// A whole picture: SOI, DQT (all ones unless given), DHT, SOF0, optional
// DRI, SOS, data, EOI.  `block(mcu, component, index, zigzag)` supplies the
// quantised coefficients of each block.
struct PictureLayout {
    int width = 16;
    int height = 16;
    int lumaH = 1;
    int lumaV = 1;
    int restartInterval = 0;  // MCUs between RST markers; 0 = none
    bool writeDri = true;     // with false the markers come without DRI
    bool flatTables = false;
    std::uint8_t quant[2][64];  // tables 0 (Y) and 1 (Cb, Cr)
    PictureLayout();
};
using BlockSource = std::function<void(int mcu, int component, int index, std::int32_t zigzag[64])>;
Bytes MakePicture(const PictureLayout& layout, const BlockSource& block);

#endif
