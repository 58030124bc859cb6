// The marker walk: sets up the frame, the tables and the restart interval,
// allocates the output blocks and hands each scan to DecodeScan.
#include "jpeg/jpeg_decoder.h"

#include <cstring>

namespace {

const char* const READ_ERROR_TEXT = "Base DCT Read ERROR\n";
// Largest pixel block handed out: it must fit a DWORD biSizeImage and a
// signed 32-bit size on the target.
const std::uint64_t MAX_IMAGE_BYTES = 0x7FFFFFFF;
// The header block is the 40-byte BITMAPINFOHEADER followed by 4 zero bytes
// (room for an empty colour table).
const SIZE_T HEADER_BLOCK_BYTES = sizeof(BITMAPINFOHEADER) + 4;
// The resolution fields hold the plain number 72 as pixels per metre: what
// the pictures have always carried, though it reads like 72 dots per inch.
const LONG PELS_PER_METER = 72;
// A three-component frame header: 8 bytes, then 3 bytes per component.
const std::uint32_t FRAME_HEADER_LENGTH = 8 + 3 * 3;

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

// Frame markers of codings other than baseline: SOF1..SOF3, SOF5..SOF7,
// SOF9..SOF11, SOF13..SOF15 (0xC4, 0xC8 and 0xCC are DHT, JPG and DAC).
bool OtherFrameMarker(BYTE code) {
    return code >= 0xC1 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

}  // namespace

JpegDecoder::JpegDecoder() {
    std::memset(&header, 0, sizeof header);
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biXPelsPerMeter = PELS_PER_METER;
    header.biYPelsPerMeter = PELS_PER_METER;
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
    frameAccepted = false;
    scanDecoded = false;
    dataError = false;
    stop = JpegStop::NONE;
}

int JpegDecoder::Decode(const BYTE* stream, DWORD length, HLOCAL* headerBlock, HLOCAL* pixelBlock) {
    streamStart = stream;
    streamEnd = stream ? stream + length : nullptr;
    const BYTE* position = stream;
    while (position) position = ParseMarker(position);
    if (stop == JpegStop::NONE && !frameAccepted) stop = JpegStop::NO_FRAME;
    if (frameAccepted) {
        *headerBlock = ownedHeader.Release();
        *pixelBlock = ownedPixels.Release();
    }
    return 1;
}

// Records why the walk ends (the first reason counts) and ends it.
const BYTE* JpegDecoder::Stop(JpegStop reason) {
    if (stop == JpegStop::NONE) stop = reason;
    return nullptr;
}

// Reads a segment's length field and checks that the segment lies inside
// the stream and is long enough to hold its own length.
int JpegDecoder::SegmentLength(const BYTE* position, std::uint32_t* length) {
    if (streamEnd - position < 2) {
        Stop(JpegStop::TRUNCATED);
        return 0;
    }
    *length = ReadWord(position);
    if (*length < 2) {
        Stop(JpegStop::BAD_SEGMENT);
        return 0;
    }
    if (static_cast<std::uint32_t>(streamEnd - position) < *length) {
        Stop(JpegStop::TRUNCATED);
        return 0;
    }
    return 1;
}

const BYTE* JpegDecoder::ParseMarker(const BYTE* position) {
    if (streamEnd - position < 2) {
        // The bytes end without EOI: only a scan cut short is a loss.
        return Stop(frameAccepted && !scanDecoded ? JpegStop::TRUNCATED : JpegStop::NONE);
    }
    // What ends the walk here: after a whole scan the picture is complete,
    // whatever follows it.
    const JpegStop unreadable = !frameAccepted ? JpegStop::NO_FRAME
                                : scanDecoded  ? JpegStop::NONE
                                               : JpegStop::BAD_SEGMENT;
    if (position[0] != 0xFF) return Stop(unreadable);
    const BYTE code = position[1];
    position += 2;
    switch (code) {
        case 0xC0:
            return ReadFrameHeader(position);
        case 0xC4:
            return ReadHuffmanTables(position);
        case 0xD8:
            return position;
        case 0xD9:
            return nullptr;
        case 0xDA:
            return frameAccepted ? DecodeScan(position) : Stop(JpegStop::NO_FRAME);
        case 0xDB:
            return ReadQuantTables(position);
        case 0xDD:
            return ReadRestartInterval(position);
        case 0xFE:
            return SkipSegment(position);
        default:
            if (code >= 0xE0 && code <= 0xFD) return SkipSegment(position);
            return Stop(OtherFrameMarker(code) ? JpegStop::NOT_BASELINE : unreadable);
    }
}

const BYTE* JpegDecoder::ReadFrameHeader(const BYTE* position) {
    // Only three-component frames are read; anything else is reported to
    // the debugger, as soon as the length is known.
    if (streamEnd - position < 2) return Stop(JpegStop::TRUNCATED);
    if (ReadWord(position) != FRAME_HEADER_LENGTH) {
        OutputDebugStringA(READ_ERROR_TEXT);
        return Stop(JpegStop::NOT_THREE_COMPONENTS);
    }
    std::uint32_t length;
    if (!SegmentLength(position, &length)) return nullptr;
    if (position[2] != 8) return Stop(JpegStop::NOT_BASELINE);
    const std::uint32_t height = ReadWord(position + 3);
    const std::uint32_t width = ReadWord(position + 5);
    if (position[7] != 3) return Stop(JpegStop::NOT_THREE_COMPONENTS);
    if (width == 0 || height == 0) return Stop(JpegStop::BAD_SEGMENT);

    JpegComponent frame[3];
    for (int i = 0; i < 3; ++i) {
        const BYTE* record = position + 8 + 3 * i;
        frame[i].id = record[0];
        frame[i].horizontal = record[1] >> 4;
        frame[i].vertical = record[1] & 15;
        frame[i].quantTable = record[2];
        if (frame[i].quantTable > 3) return Stop(JpegStop::BAD_SEGMENT);
    }
    if (!SamplingDecodable(frame)) return Stop(JpegStop::UNSUPPORTED_SAMPLING);

    // 3 bytes a pixel, each row padded to whole 32-bit words.
    const std::uint32_t rowStride = (3 * width + 3) & ~3u;
    const std::uint64_t imageBytes = static_cast<std::uint64_t>(rowStride) * height;
    if (imageBytes > MAX_IMAGE_BYTES) return Stop(JpegStop::TOO_LARGE);

    header.biWidth = static_cast<LONG>(width);
    header.biHeight = static_cast<LONG>(height);
    stride = static_cast<std::int32_t>(rowStride);
    header.biSizeImage = static_cast<DWORD>(imageBytes);
    if (!AllocateBlocks()) return Stop(JpegStop::OUT_OF_MEMORY);

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

// Allocates the header block (holding `header`) and the pixel block; a
// second frame's blocks replace the first's.  When only the pixel block
// fails, the header block is still handed out, the frame counts as
// accepted and the walk ends.
bool JpegDecoder::AllocateBlocks() {
    ownedHeader.Reset(nullptr);
    ownedPixels.Reset(nullptr);
    frameAccepted = false;
    ownedHeader = LocalBlock::Allocate(HEADER_BLOCK_BYTES);
    if (!ownedHeader) return false;
    {
        LockedBlock bytes(ownedHeader.Get());
        if (bytes.Bytes()) std::memcpy(bytes.Bytes(), &header, sizeof header);
    }
    frameAccepted = true;
    scanDecoded = false;
    ownedPixels = LocalBlock::Allocate(header.biSizeImage);
    return static_cast<bool>(ownedPixels);
}

const BYTE* JpegDecoder::ReadQuantTables(const BYTE* position) {
    std::uint32_t length;
    if (!SegmentLength(position, &length)) return nullptr;
    // Each table: its precision/selector byte and 64 one-byte values.
    const std::uint32_t tables = (length - 2) / 65;
    const BYTE* table = position + 2;
    for (std::uint32_t i = 0; i < tables; ++i, table += 65) {
        const int precision = table[0] >> 4;
        const int selector = table[0] & 15;
        if (precision != 0) return Stop(JpegStop::SIXTEEN_BIT_TABLES);
        if (selector > 3) return Stop(JpegStop::BAD_SEGMENT);
        quantTables[selector] = table + 1;
    }
    return position + length;
}

const BYTE* JpegDecoder::ReadRestartInterval(const BYTE* position) {
    std::uint32_t length;
    if (!SegmentLength(position, &length)) return nullptr;
    if (length < 4) return Stop(JpegStop::BAD_SEGMENT);
    restartInterval = static_cast<std::int32_t>(ReadWord(position + 2));
    return position + length;
}

const BYTE* JpegDecoder::SkipSegment(const BYTE* position) {
    std::uint32_t length;
    if (!SegmentLength(position, &length)) return nullptr;
    return position + length;
}
