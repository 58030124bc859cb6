#ifndef VELMOR_JPEG_JPEG_FAST_BITS_H
#define VELMOR_JPEG_JPEG_FAST_BITS_H

// The scan's fast entropy reader: up to 64 bits buffered at a time, a 9-bit
// lookup for Huffman codes and a 10-bit one that decodes most AC codes with
// their magnitude bits in one step.  It takes exactly the bits and bytes of
// the one-bit reader (GetBits, DecodeHuffman), so that the position it
// reports at any MCU boundary is where that reader would stand.
#include "jpeg/jpeg_decoder.h"

#include <cstdint>
#include <cstring>
#if defined(_MSC_VER)
#include <stdlib.h>
#endif

namespace jpeg_internal {

class FastBitReader {
public:
    // Starts at bit `bitPos` (0 = most significant) of the byte at `position`.
    void Start(const BYTE* position, int bitPos, const BYTE* end) {
        acc = 0;
        bits = 0;
        padBits = 0;
        markerLoaded = false;
        next = position;
        first = position;
        streamEnd = end;
        Fill();
        Skip(bitPos);
    }

    // Where the one-bit reader would stand after the bits taken so far:
    // the bytes still buffered are walked back over.  A 0x00 right after a
    // 0xFF was a stuffed byte exactly when the 0xFF lies at or after the
    // first byte loaded, so the walk back is unambiguous.
    void Position(const BYTE** dataPos, std::int32_t* bitPos) const {
        const int realBits = bits - padBits;
        const BYTE* position = next;
        if (realBits > 0) {
            for (int back = (realBits + 7) / 8; back > 0; --back)
                position -=
                    (position - first >= 2 && position[-2] == 0xFF && position[-1] == 0x00) ? 2 : 1;
        }
        *dataPos = position;
        *bitPos = realBits > 0 ? (8 - realBits % 8) & 7 : 0;
    }

    // Whether the one-bit reader could stand at a marker (0xFF and a byte
    // other than 0x00) at a byte boundary: only if such a 0xFF was loaded
    // since Start, or if no loaded byte is left to stand on.
    bool MayStandAtMarker() const { return markerLoaded || bits - padBits <= 0; }

    // True once bits beyond the end of the stream were taken.
    bool Overran() const { return bits < padBits; }

    // Makes at least 57 bits available; past the end of the stream zero
    // bits stand in (and Overran tells when any of them was taken).
    void Fill() {
        if (streamEnd - next >= 8 && FillWord()) return;
        while (bits <= 56) {
            if (next < streamEnd) {
                const BYTE byte = *next;
                // The 0x00 stuffed after a 0xFF data byte is not data.
                const bool stuffed = byte == 0xFF && streamEnd - next > 1 && next[1] == 0x00;
                if (byte == 0xFF && !stuffed) markerLoaded = true;
                next += stuffed ? 2 : 1;
                acc |= static_cast<std::uint64_t>(byte) << (56 - bits);
            } else {
                padBits += 8;
            }
            bits += 8;
        }
    }

    int Available() const { return bits; }
    std::uint32_t Peek(int count) const { return static_cast<std::uint32_t>(acc >> (64 - count)); }
    void Skip(int count) {
        acc <<= count;
        bits -= count;
    }

private:
    // The next eight bytes at once, when none of them is 0xFF (no stuffing
    // to undo): as many whole bytes as fit are taken.  The bits of the rest
    // land below the bits counted in `bits`; the byte-wise fill would put
    // the same bits there, so they do no harm.
    bool FillWord() {
        std::uint64_t word;
        std::memcpy(&word, next, 8);
        word = BigEndian(word);
        const std::uint64_t ones = 0x0101010101010101u;
        if (((~word - ones) & word & (ones << 7)) != 0) return false;  // a 0xFF byte
        acc |= word >> bits;
        const int bytes = (63 - bits) >> 3;
        next += bytes;
        bits += 8 * bytes;
        return true;
    }

    static std::uint64_t BigEndian(std::uint64_t word) {
#if defined(_MSC_VER)
        return _byteswap_uint64(word);
#else
        return __builtin_bswap64(word);
#endif
    }

    std::uint64_t acc;  // next bits, most significant first
    int bits;           // bits in acc
    int padBits;        // zero bits put in past the end of the stream (the last of acc)
    bool markerLoaded;  // a 0xFF not followed by 0x00 was loaded since Start
    const BYTE* next;   // next byte to load
    const BYTE* first;  // first byte loaded since Start
    const BYTE* streamEnd;
};

// A 9-bit lookup over a CodeTable: entry = length << 8 | symbol for codes of
// up to 9 bits, 0 where the code is longer (or does not decode).
struct FastHuffman {
    std::uint16_t lookup[512];
    const CodeTable* table;
    const BYTE* values;
    int valueCount;
};

void BuildFastHuffman(const CodeTable& table, const BYTE* values, int valueCount,
                      FastHuffman* fast);

// For AC tables: the codes whose run/size symbol and magnitude bits fit in
// FAST_AC_BITS together, decoded in one step: the run, the value and the
// bits taken.  An end of block has run END_OF_BLOCK; a zero run (ZRL) is a
// run of 15 with the value 0.  length 0 where the code does not fit.
const int FAST_AC_BITS = 10;
const int END_OF_BLOCK = 64;  // carries the position past the block
struct FastAcEntry {
    std::int16_t value;
    std::uint8_t run;
    std::uint8_t length;  // code and magnitude bits together
};
struct FastAc {
    FastAcEntry lookup[1 << FAST_AC_BITS];
};

void BuildFastAc(const FastHuffman& huffman, FastAc* fast);

// A code longer than 9 bits, from the next 16 bits `window`: the symbol,
// with its length in `length`, or -1 when no code of up to 16 bits matches
// or the code points outside the value list.
int DecodeLongCode(std::uint32_t window, const FastHuffman& fast, int* length);

// The next symbol, or -1 as above.  Needs 16 bits available.
inline int DecodeSymbol(FastBitReader& reader, const FastHuffman& fast) {
    const std::uint16_t entry = fast.lookup[reader.Peek(9)];
    if (entry) {
        reader.Skip(entry >> 8);
        return entry & 0xFF;
    }
    int length;
    const int symbol = DecodeLongCode(reader.Peek(16), fast, &length);
    if (symbol >= 0) reader.Skip(length);
    return symbol;
}

// `size` magnitude bits as a signed value (size 1..15, bits available).
inline std::int32_t ReceiveExtend(FastBitReader& reader, int size) {
    std::int32_t value = static_cast<std::int32_t>(reader.Peek(size));
    reader.Skip(size);
    if (value < (1 << (size - 1))) value = value + 1 - (1 << size);
    return value;
}

}  // namespace jpeg_internal

#endif
