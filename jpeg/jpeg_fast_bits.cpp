// Builds the 9-bit Huffman lookup by running the one-bit decoding rule on
// every 9-bit prefix, so that the lookup agrees with it code for code.
#include "jpeg/jpeg_fast_bits.h"

namespace jpeg_internal {

void BuildFastHuffman(const CodeTable& table, const BYTE* values, int valueCount, FastHuffman* fast) {
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

}  // namespace jpeg_internal
