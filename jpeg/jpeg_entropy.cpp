// The bit reader and Huffman decoding of the entropy-coded data, one bit at
// a time.  The scan's fast path must consume exactly the same bits.
#include "jpeg/jpeg_decoder.h"

// Marks the coded data as unusable from here on; the first reason counts.
void JpegDecoder::DataError(JpegStop reason) {
    if (!dataError) Stop(reason);
    dataError = true;
}

int JpegDecoder::StartBits(const BYTE* position) {
    dataPos = position;
    bitPos = 0;
    return 1;
}

// Reads `count` bits, the first one most significant.  The 0x00 stuffed
// after a 0xFF data byte is skipped as the reader leaves the 0xFF.  Reading
// at the end of the stream sets `dataError` and yields zero bits.
int JpegDecoder::GetBits(std::int32_t* value, std::uint8_t count) {
    std::uint32_t bits = 0;
    for (int i = 0; i < count; ++i) {
        if (dataPos >= streamEnd) {
            DataError(JpegStop::TRUNCATED);
            *value = 0;
            return 1;
        }
        bits <<= 1;
        if (*dataPos & (0x80 >> bitPos)) bits |= 1;
        if (++bitPos > 7) {
            bitPos = 0;
            if (dataPos[0] == 0xFF && streamEnd - dataPos > 1 && dataPos[1] == 0x00) ++dataPos;
            ++dataPos;
        }
    }
    *value = static_cast<std::int32_t>(bits);
    return 1;
}

// Finds the symbol of the next code: the code grows one bit at a time until
// it is not above the last code of its length.  A code that matches nothing
// within 16 bits, or points outside the value list, sets `dataError`.
int JpegDecoder::DecodeHuffman(const CodeTable& table, const BYTE* values, int valueCount) {
    int length = 1;
    std::int32_t bit;
    GetBits(&bit, 1);
    std::uint32_t code = static_cast<std::uint32_t>(bit);
    while (code > table.entries[length].lastCode || table.entries[length].lastCode == 0xFFFF) {
        if (dataError) return 0;
        if (length == 16) {
            DataError(JpegStop::BAD_HUFFMAN_DATA);
            return 0;
        }
        ++length;
        GetBits(&bit, 1);
        code = code * 2 + static_cast<std::uint32_t>(bit);
    }
    if (dataError) return 0;
    const CodeTableEntry& entry = table.entries[length];
    const std::uint32_t index = code - entry.firstCode + entry.firstIndex;
    if (index >= static_cast<std::uint32_t>(valueCount)) {
        DataError(JpegStop::BAD_HUFFMAN_DATA);
        return 0;
    }
    return values[index];
}

// Turns `size` magnitude bits into a signed value: a clear top bit means a
// negative number.
std::int32_t JpegDecoder::Extend(int size) {
    if (size == 0) return 0;
    std::int32_t value;
    GetBits(&value, static_cast<std::uint8_t>(size));
    if (value < (1 << (size - 1))) value = value + 1 - (1 << size);
    return value;
}

int JpegDecoder::DecodeDc(std::int32_t* difference, const CodeTable& table, const BYTE* values,
                          int valueCount) {
    const int size = DecodeHuffman(table, values, valueCount);
    if (size > 11) {  // a baseline DC difference has at most 11 bits
        DataError(JpegStop::BAD_HUFFMAN_DATA);
        *difference = 0;
        return 1;
    }
    *difference = Extend(size);
    return 1;
}

int JpegDecoder::DecodeAc(std::int32_t* value, std::int32_t* run, const CodeTable& table,
                          const BYTE* values, int valueCount) {
    const int rs = DecodeHuffman(table, values, valueCount);
    *run = rs >> 4;
    *value = Extend(rs & 15);
    return 1;
}

// Called at the start of every MCU.  A restart point is due when the
// interval has run out, or when the reader stands at a byte boundary in
// front of a marker.  The rest of the current byte and the two marker bytes
// are stepped over; the marker code itself is not examined.
int JpegDecoder::CheckRestart(std::int32_t mcuCount) {
    const bool intervalDone = restartInterval != 0 && mcuCount == restartInterval;
    const bool atMarker =
        bitPos == 0 && streamEnd - dataPos > 1 && dataPos[0] == 0xFF && dataPos[1] != 0x00;
    if (!intervalDone && !atMarker) return 0;
    if (bitPos != 0) {
        if (dataPos[0] == 0xFF && streamEnd - dataPos > 1 && dataPos[1] == 0x00) ++dataPos;
        ++dataPos;
        bitPos = 0;
    }
    if (streamEnd - dataPos < 2) {
        dataPos = streamEnd;
        DataError(JpegStop::TRUNCATED);
        return 1;
    }
    dataPos += 2;
    return 1;
}
