// The marker walk: sets up the frame, the tables and the restart interval,
// allocates the output blocks and hands each scan to DecodeScan.
#include "jpeg/jpeg_decoder.h"

#include <cstring>

namespace {

const char* const kReadErrorText = "Base DCT Read ERROR\n";
// Largest pixel block handed out: it must fit a DWORD biSizeImage and a
// signed 32-bit size on the target.
const std::uint64_t kMaxImageBytes = 0x7FFFFFFF;

std::uint32_t ReadWord(const BYTE* position) {
    return (static_cast<std::uint32_t>(position[0]) << 8) | position[1];
}

// Whether the first component's sampling is one the scan can place
// (1x1, 2x1 or 2x2) and the chroma components are 1x1.
bool SamplingDecodable(const JpegComponent* components) {
    const int h = components[0].horizontal;
    const int v = components[0].vertical;
    const bool lumaOk = (h == 1 && v == 1) || (h == 2 && v == 1) || (h == 2 && v == 2);
    return lumaOk && components[1].horizontal == 1 && components[1].vertical == 1 &&
           components[2].horizontal == 1 && components[2].vertical == 1;
}

}  // namespace

JpegDecoder::JpegDecoder() {
    std::memset(&header, 0, sizeof header);
    header.biSize = 40;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = 0;
    header.biXPelsPerMeter = 72;
    header.biYPelsPerMeter = 72;
    header.biClrUsed = 0;
    header.biClrImportant = 0;
    restartInterval = 0;
    stride = 0;
    mcuWidth = 0;
    mcuHeight = 0;
    mcusPerRow = 0;
    mcuRows = 0;
    bitPos = 0;
    dataPos = nullptr;
    std::memset(components, 0, sizeof components);
    for (int i = 0; i < 4; ++i) {
        acValues[i] = nullptr;
        dcValues[i] = nullptr;
        quantTables[i] = nullptr;
        acCounts[i] = -1;
        dcCounts[i] = -1;
    }
    std::memset(acTables, 0, sizeof acTables);
    std::memset(dcTables, 0, sizeof dcTables);
    streamStart = nullptr;
    streamEnd = nullptr;
    frameAccepted = 0;
    dataError = 0;
}

int JpegDecoder::Decode(const BYTE* stream, DWORD length, HLOCAL* headerBlock, HLOCAL* pixelBlock) {
    streamStart = stream;
    streamEnd = stream ? stream + length : nullptr;
    const BYTE* position = stream;
    while (position) position = ParseMarker(position, headerBlock, pixelBlock);
    return 1;
}

// Reads a segment's length field and checks that the segment lies inside
// the stream and is long enough to hold its own length.
int JpegDecoder::SegmentLength(const BYTE* position, std::uint32_t* length) const {
    if (streamEnd - position < 2) return 0;
    *length = ReadWord(position);
    if (*length < 2 || static_cast<std::uint32_t>(streamEnd - position) < *length) return 0;
    return 1;
}

const BYTE* JpegDecoder::ParseMarker(const BYTE* position, HLOCAL* headerBlock,
                                     HLOCAL* pixelBlock) {
    if (streamEnd - position < 2 || position[0] != 0xFF) return nullptr;
    const BYTE code = position[1];
    position += 2;
    switch (code) {
        case 0xC0:
            return ReadFrameHeader(position, headerBlock, pixelBlock);
        case 0xC4:
            return ReadHuffmanTables(position);
        case 0xD8:
            return position;
        case 0xD9:
            return nullptr;
        case 0xDA:
            return frameAccepted ? DecodeScan(position, *pixelBlock) : nullptr;
        case 0xDB:
            return ReadQuantTables(position);
        case 0xDD:
            return ReadRestartInterval(position);
        case 0xFE:
            return SkipSegment(position);
        default:
            if (code >= 0xE0 && code <= 0xFD) return SkipSegment(position);
            return nullptr;
    }
}

const BYTE* JpegDecoder::ReadFrameHeader(const BYTE* position, HLOCAL* headerBlock,
                                         HLOCAL* pixelBlock) {
    // Only three-component frames (length 17) are read; anything else is
    // reported to the debugger, as soon as the length is known.
    if (streamEnd - position < 2) return nullptr;
    if (ReadWord(position) != 17) {
        OutputDebugStringA(kReadErrorText);
        return nullptr;
    }
    std::uint32_t length;
    if (!SegmentLength(position, &length)) return nullptr;
    if (position[2] != 8) return nullptr;
    const std::uint32_t height = ReadWord(position + 3);
    const std::uint32_t width = ReadWord(position + 5);
    if (position[7] != 3 || width == 0 || height == 0) return nullptr;

    JpegComponent frame[3];
    for (int i = 0; i < 3; ++i) {
        const BYTE* record = position + 8 + 3 * i;
        frame[i].id = record[0];
        frame[i].horizontal = record[1] >> 4;
        frame[i].vertical = record[1] & 15;
        frame[i].quantTable = record[2];
        if (frame[i].quantTable > 3) return nullptr;
    }
    if (!SamplingDecodable(frame)) return nullptr;

    const std::uint32_t rowStride = (24 * width / 8 + 3) & ~3u;
    const std::uint64_t imageBytes = static_cast<std::uint64_t>(rowStride) * height;
    if (imageBytes > kMaxImageBytes) return nullptr;

    // A second frame replaces the first: its blocks go back to the heap.
    if (frameAccepted) {
        LocalFree(*headerBlock);
        LocalFree(*pixelBlock);
        *headerBlock = nullptr;
        *pixelBlock = nullptr;
    }

    header.biWidth = static_cast<LONG>(width);
    header.biHeight = static_cast<LONG>(height);
    stride = static_cast<std::int32_t>(rowStride);
    header.biSizeImage = static_cast<DWORD>(imageBytes);

    *headerBlock = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, 44);
    if (*headerBlock) {
        void* bytes = LocalLock(*headerBlock);
        if (bytes) std::memcpy(bytes, &header, sizeof header);
        LocalUnlock(*headerBlock);
    }
    *pixelBlock = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, header.biSizeImage);
    frameAccepted = 1;

    mcuWidth = 0;
    mcuHeight = 0;
    for (int i = 0; i < 3; ++i) {
        components[i] = frame[i];
        if (8 * frame[i].horizontal > mcuWidth) mcuWidth = 8 * frame[i].horizontal;
        if (8 * frame[i].vertical > mcuHeight) mcuHeight = 8 * frame[i].vertical;
    }
    mcusPerRow = header.biWidth / mcuWidth + (header.biWidth % mcuWidth ? 1 : 0);
    mcuRows = header.biHeight / mcuHeight + (header.biHeight % mcuHeight ? 1 : 0);
    return position + length;
}

const BYTE* JpegDecoder::ReadQuantTables(const BYTE* position) {
    std::uint32_t length;
    if (!SegmentLength(position, &length)) return nullptr;
    const std::uint32_t tables = (length - 2) / 65;
    const BYTE* table = position + 2;
    for (std::uint32_t i = 0; i < tables; ++i, table += 65) {
        const int precision = table[0] >> 4;
        const int selector = table[0] & 15;
        if (precision != 0 || selector > 3) return nullptr;
        quantTables[selector] = table + 1;
    }
    return position + length;
}

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
        if (segmentEnd - table < 17) return nullptr;
        const bool isAc = (table[0] >> 4) != 0;
        const int selector = table[0] & 15;
        if (selector > 3) return nullptr;
        const BYTE* counts = table + 1;
        int codeCount = 0;
        for (int i = 0; i < 16; ++i) codeCount += counts[i];
        if (codeCount > 256 || segmentEnd - (counts + 16) < codeCount) return nullptr;

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

const BYTE* JpegDecoder::ReadRestartInterval(const BYTE* position) {
    std::uint32_t length;
    if (!SegmentLength(position, &length) || length < 4) return nullptr;
    restartInterval = static_cast<std::int32_t>(ReadWord(position + 2));
    return position + length;
}

const BYTE* JpegDecoder::SkipSegment(const BYTE* position) {
    std::uint32_t length;
    if (!SegmentLength(position, &length)) return nullptr;
    return position + length;
}
