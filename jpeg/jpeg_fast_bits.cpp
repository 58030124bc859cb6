// Builds the Huffman lookups by running the one-bit decoding rule on every
// prefix, so that the lookups agree with it code for code.
#include "jpeg/jpeg_fast_bits.h"

namespace jpeg_internal {

void BuildFastHuffman(const CodeTable& table, const BYTE* values, int valueCount,
                      FastHuffman* fast) {
    fast->table = &table;
    fast->values = values;
    fast->valueCount = valueCount;
    for (std::uint32_t prefix = 0; prefix < 512; ++prefix) {
        std::uint16_t entry = 0;
        for (int length = 1; length <= 9; ++length) {
            const std::uint32_t code = prefix >> (9 - length);
            const CodeTableEntry& e = table.entries[length];
            if (code <= e.lastCode && e.lastCode != 0xFFFF) {
                const std::uint32_t index = code - e.firstCode + e.firstIndex;
                if (index < static_cast<std::uint32_t>(valueCount))
                    entry = static_cast<std::uint16_t>(length << 8 | values[index]);
                break;
            }
        }
        fast->lookup[prefix] = entry;
    }
}

int DecodeLongCode(std::uint32_t window, const FastHuffman& fast, int* length) {
    const CodeTableEntry* entries = fast.table->entries;
    for (int l = 1; l <= 16; ++l) {
        const std::uint32_t code = window >> (16 - l);
        if (code <= entries[l].lastCode && entries[l].lastCode != 0xFFFF) {
            const std::uint32_t index = code - entries[l].firstCode + entries[l].firstIndex;
            if (index >= static_cast<std::uint32_t>(fast.valueCount)) return -1;
            *length = l;
            return fast.values[index];
        }
    }
    return -1;
}

void BuildFastAc(const FastHuffman& huffman, FastAc* fast) {
    const std::uint32_t prefixes = 1u << FAST_AC_BITS;
    for (std::uint32_t prefix = 0; prefix < prefixes; ++prefix) {
        FastAcEntry entry = {0, 0, 0};
        int codeLength = 0;
        const int symbol = DecodeLongCode(prefix << (16 - FAST_AC_BITS), huffman, &codeLength);
        const int run = symbol >> 4;
        const int size = symbol & 15;
        if (symbol >= 0 && codeLength + size <= FAST_AC_BITS) {
            const int rest = FAST_AC_BITS - codeLength - size;
            std::int32_t value = static_cast<std::int32_t>((prefix >> rest) & ((1u << size) - 1));
            if (size && value < (1 << (size - 1))) value = value + 1 - (1 << size);
            entry.value = static_cast<std::int16_t>(value);
            entry.run = static_cast<std::uint8_t>(symbol == 0 ? END_OF_BLOCK : run);
            entry.length = static_cast<std::uint8_t>(codeLength + size);
        }
        fast->lookup[prefix] = entry;
    }
}

}  // namespace jpeg_internal
