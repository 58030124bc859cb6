// DHT segments: the per-length decoding tables of the Huffman codes.
#include "jpeg/jpeg_decoder.h"

namespace {

// Builds the per-length decoding table from the 16 counts: canonical codes
// assigned in order of length, then the first and last code of each length.
void BuildCodeTable(const BYTE* counts, int codeCount, CodeTable* table) {
    BYTE sizes[257];
    std::uint32_t codes[256];
    int k = 0;
    for (int length = 1; length <= 16; ++length)
        for (int i = 0; i < counts[length - 1]; ++i) sizes[k++] = static_cast<BYTE>(length);
    sizes[k] = 0;

    std::uint32_t code = 0;
    int size = sizes[0];
    for (int i = 0; i < codeCount; ++i) {
        codes[i] = code++;
        while (sizes[i + 1] > size) {
            code <<= 1;
            ++size;
        }
    }

    k = 0;
    for (int length = 0; length <= 16; ++length) {
        CodeTableEntry& entry = table->entries[length];
        if (k < codeCount && sizes[k] == length) {
            entry.firstIndex = static_cast<std::uint8_t>(k);
            entry.firstCode = codes[k];
            while (k < codeCount && sizes[k] == length) ++k;
            entry.lastCode = codes[k - 1];
        } else {
            entry.firstIndex = 0;
            entry.firstCode = 0;
            entry.lastCode = 0xFFFF;
        }
    }
}

}  // namespace

const BYTE* JpegDecoder::ReadHuffmanTables(const BYTE* position) {
    std::uint32_t length;
    if (!SegmentLength(position, &length)) return nullptr;
    const BYTE* segmentEnd = position + length;
    const BYTE* table = position + 2;
    for (int n = 0; n < 4; ++n) {
        // The class/selector byte and the 16 counts.
        if (segmentEnd - table < 17) return Stop(JpegStop::BAD_HUFFMAN_DATA);
        const bool isAc = (table[0] >> 4) != 0;
        const int selector = table[0] & 15;
        if (selector > 3) return Stop(JpegStop::BAD_HUFFMAN_DATA);
        const BYTE* counts = table + 1;
        int codeCount = 0;
        for (int i = 0; i < 16; ++i) codeCount += counts[i];
        if (codeCount > 256 || segmentEnd - (counts + 16) < codeCount)
            return Stop(JpegStop::BAD_HUFFMAN_DATA);

        if (isAc) {
            BuildCodeTable(counts, codeCount, &acTables[selector]);
            acValues[selector] = counts + 16;
            acCounts[selector] = codeCount;
        } else {
            BuildCodeTable(counts, codeCount, &dcTables[selector]);
            dcValues[selector] = counts + 16;
            dcCounts[selector] = codeCount;
        }
        table = counts + 16 + codeCount;
        if (table == segmentEnd) return table;
    }
    return table;
}
