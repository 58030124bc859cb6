#include "tests/jpeg/stream_writer.h"

#include <cstring>

namespace {

void PutWord(Bytes& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

Bytes WithLength(std::uint8_t marker, const Bytes& body) {
    Bytes out = {0xFF, marker};
    PutWord(out, static_cast<int>(body.size()) + 2);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// Lengths 2, 3, ..., 16 for the first 15 symbols, 16 for the rest.
HuffmanDefinition Skewed(const std::vector<std::uint8_t>& symbols) {
    HuffmanDefinition table = {};
    table.symbols = symbols;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const int length = i < 15 ? static_cast<int>(i) + 2 : 16;
        ++table.counts[length - 1];
    }
    return table;
}

HuffmanDefinition Flat(const std::vector<std::uint8_t>& symbols) {
    HuffmanDefinition table = {};
    table.symbols = symbols;
    table.counts[7] = static_cast<std::uint8_t>(symbols.size());
    return table;
}

std::vector<std::uint8_t> DcSymbols() {
    std::vector<std::uint8_t> symbols;
    for (int s = 0; s <= 11; ++s) symbols.push_back(static_cast<std::uint8_t>(s));
    return symbols;
}

// EOB first, then small sizes and short runs, ZRL among them.
std::vector<std::uint8_t> AcSymbols() {
    std::vector<std::uint8_t> symbols = {0x00, 0x01, 0x02, 0x11, 0x03, 0x21, 0x12, 0x04, 0xF0};
    for (int size = 1; size <= 10; ++size)
        for (int run = 0; run <= 15; ++run) {
            const std::uint8_t rs = static_cast<std::uint8_t>(run << 4 | size);
            bool present = false;
            for (std::uint8_t s : symbols) present = present || s == rs;
            if (!present) symbols.push_back(rs);
        }
    return symbols;
}

struct Code {
    std::uint32_t bits = 0;
    int length = 0;
};

// Canonical codes of a table, by symbol.
void Codes(const HuffmanDefinition& table, Code codes[256]) {
    std::uint32_t code = 0;
    std::size_t k = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < table.counts[length - 1]; ++i, ++k) {
            codes[table.symbols[k]].bits = code++;
            codes[table.symbols[k]].length = length;
        }
        code <<= 1;
    }
}

int Magnitude(std::int32_t value) {
    std::uint32_t a =
        value < 0 ? -static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    int size = 0;
    while (a) {
        ++size;
        a >>= 1;
    }
    return size;
}

void PutValue(BitWriter& out, const Code codes[256], int symbol, std::int32_t value, int size) {
    out.Put(codes[symbol].bits, codes[symbol].length);
    if (size)
        out.Put(static_cast<std::uint32_t>(value < 0 ? value + (1 << size) - 1 : value), size);
}

}  // namespace

HuffmanDefinition SkewedDcTable() {
    return Skewed(DcSymbols());
}
HuffmanDefinition SkewedAcTable() {
    return Skewed(AcSymbols());
}
HuffmanDefinition FlatDcTable() {
    return Flat(DcSymbols());
}
HuffmanDefinition FlatAcTable() {
    return Flat(AcSymbols());
}

namespace segment {

Bytes Soi() {
    return {0xFF, 0xD8};
}
Bytes Eoi() {
    return {0xFF, 0xD9};
}

Bytes Com(const char* text) {
    return WithLength(0xFE, Bytes(text, text + std::strlen(text)));
}

Bytes App(int n, std::size_t payload) {
    return WithLength(static_cast<std::uint8_t>(0xE0 + n), Bytes(payload, 0x4A));
}

Bytes Dqt(int selector, const std::uint8_t values[64]) {
    Bytes body = {static_cast<std::uint8_t>(selector)};
    body.insert(body.end(), values, values + 64);
    return WithLength(0xDB, body);
}

Bytes Dqt16(int selector) {
    Bytes body = {static_cast<std::uint8_t>(0x10 | selector)};
    for (int i = 0; i < 64; ++i) {
        body.push_back(0);
        body.push_back(1);
    }
    return WithLength(0xDB, body);
}

Bytes Dht(const std::vector<TableRef>& tables) {
    Bytes body;
    for (const TableRef& t : tables) {
        body.push_back(static_cast<std::uint8_t>(t.tableClass << 4 | t.selector));
        body.insert(body.end(), t.definition->counts, t.definition->counts + 16);
        body.insert(body.end(), t.definition->symbols.begin(), t.definition->symbols.end());
    }
    return WithLength(0xC4, body);
}

Bytes Dri(int interval) {
    Bytes body;
    PutWord(body, interval);
    return WithLength(0xDD, body);
}

Bytes Sof(std::uint8_t marker, int width, int height, const std::vector<FrameComponent>& components,
          int precision) {
    Bytes body = {static_cast<std::uint8_t>(precision)};
    PutWord(body, height);
    PutWord(body, width);
    body.push_back(static_cast<std::uint8_t>(components.size()));
    for (const FrameComponent& c : components) {
        body.push_back(static_cast<std::uint8_t>(c.id));
        body.push_back(static_cast<std::uint8_t>(c.h << 4 | c.v));
        body.push_back(static_cast<std::uint8_t>(c.tq));
    }
    return WithLength(marker, body);
}

Bytes Sos(const std::vector<ScanComponent>& components) {
    Bytes body = {static_cast<std::uint8_t>(components.size())};
    for (const ScanComponent& c : components) {
        body.push_back(static_cast<std::uint8_t>(c.selector));
        body.push_back(static_cast<std::uint8_t>(c.td << 4 | c.ta));
    }
    body.push_back(0);
    body.push_back(63);
    body.push_back(0);
    return WithLength(0xDA, body);
}

}  // namespace segment

void BitWriter::Put(std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
        pending = pending << 1 | ((bits >> i) & 1);
        if (++used == 8) {
            bytes.push_back(static_cast<std::uint8_t>(pending));
            if (pending == 0xFF) bytes.push_back(0x00);
            pending = 0;
            used = 0;
        }
    }
}

void BitWriter::FlushWithOnes() {
    if (used) Put(0xFF, 8 - used);
}

void BitWriter::Marker(std::uint8_t code) {
    FlushWithOnes();
    bytes.push_back(0xFF);
    bytes.push_back(code);
}

void EncodeBlock(BitWriter& out, const std::int32_t zigzag[64], std::int32_t* predictor,
                 const HuffmanDefinition& dc, const HuffmanDefinition& ac) {
    Code dcCodes[256], acCodes[256];
    Codes(dc, dcCodes);
    Codes(ac, acCodes);
    const std::int32_t difference = zigzag[0] - *predictor;
    *predictor = zigzag[0];
    const int size = Magnitude(difference);
    PutValue(out, dcCodes, size, difference, size);
    int run = 0;
    for (int k = 1; k < 64; ++k) {
        if (zigzag[k] == 0) {
            ++run;
            continue;
        }
        while (run > 15) {
            PutValue(out, acCodes, 0xF0, 0, 0);
            run -= 16;
        }
        const int s = Magnitude(zigzag[k]);
        PutValue(out, acCodes, run << 4 | s, zigzag[k], s);
        run = 0;
    }
    if (run) PutValue(out, acCodes, 0x00, 0, 0);
}

PictureLayout::PictureLayout() {
    for (int i = 0; i < 64; ++i) {
        quant[0][i] = 1;
        quant[1][i] = 1;
    }
}

Bytes MakePicture(const PictureLayout& layout, const BlockSource& block) {
    const HuffmanDefinition dc = layout.flatTables ? FlatDcTable() : SkewedDcTable();
    const HuffmanDefinition ac = layout.flatTables ? FlatAcTable() : SkewedAcTable();
    Bytes out = segment::Soi();
    auto append = [&out](const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); };
    append(segment::Dqt(0, layout.quant[0]));
    append(segment::Dqt(1, layout.quant[1]));
    append(segment::Dht({{0, 0, &dc}, {1, 0, &ac}, {0, 1, &dc}, {1, 1, &ac}}));
    append(segment::Sof(0xC0, layout.width, layout.height,
                        {{1, layout.lumaH, layout.lumaV, 0}, {2, 1, 1, 1}, {3, 1, 1, 1}}));
    if (layout.restartInterval && layout.writeDri) append(segment::Dri(layout.restartInterval));
    append(segment::Sos({{1, 0, 0}, {2, 1, 1}, {3, 1, 1}}));

    const int mcuWidth = 8 * layout.lumaH, mcuHeight = 8 * layout.lumaV;
    const int mcus =
        ((layout.width + mcuWidth - 1) / mcuWidth) * ((layout.height + mcuHeight - 1) / mcuHeight);
    BitWriter writer;
    std::int32_t predictors[3] = {0, 0, 0};
    int marker = 0;
    for (int mcu = 0; mcu < mcus; ++mcu) {
        if (layout.restartInterval && mcu > 0 && mcu % layout.restartInterval == 0) {
            writer.Marker(static_cast<std::uint8_t>(0xD0 + (marker++ & 7)));
            predictors[0] = predictors[1] = predictors[2] = 0;
        }
        for (int c = 0; c < 3; ++c) {
            const int blocks = c == 0 ? layout.lumaH * layout.lumaV : 1;
            for (int i = 0; i < blocks; ++i) {
                std::int32_t zigzag[64] = {};
                block(mcu, c, i, zigzag);
                EncodeBlock(writer, zigzag, &predictors[c], dc, ac);
            }
        }
    }
    writer.FlushWithOnes();
    append(writer.bytes);
    append(segment::Eoi());
    return out;
}
