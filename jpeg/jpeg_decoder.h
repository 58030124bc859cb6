#ifndef VELMOR_JPEG_JPEG_DECODER_H
#define VELMOR_JPEG_JPEG_DECODER_H

#include "jpeg/jpeg_stop.h"
#include "win32/local_block.h"
#include "win32/win32_compat.h"

#include <cstdint>

// One frame component as the frame header lists it.
struct JpegComponent {
    std::int32_t id;          // component identifier Ci
    std::int32_t horizontal;  // horizontal sampling factor Hi
    std::int32_t vertical;    // vertical sampling factor Vi
    std::int32_t quantTable;  // quantisation table selector Tqi
};

// The codes of one length in a Huffman table.
struct CodeTableEntry {
    std::uint8_t firstIndex;  // position in the value list of the first code of this length
    std::uint32_t firstCode;  // smallest code of this length
    std::uint32_t lastCode;   // largest code of this length; 0xFFFF when there is none
};

// A Huffman decoding table, indexed by code length 0..16 (entry 0 never matches).
struct CodeTable {
    CodeTableEntry entries[17];
};

// The zig-zag sequence: natural (row-major) index of each zig-zag position.
extern const std::uint8_t ZigZag[64];
// Inverse DCT basis T[x][u] = 2^20 * e(u)/2 * cos((2x+1)u*pi/16), truncated.
extern const std::int32_t IdctMatrix[8][8];

// Baseline sequential JPEG decoder: walks one in-memory stream and hands
// out a header block (BITMAPINFOHEADER) and a pixel block of bottom-up
// 24-bit BGR rows, both movable local memory owned by the caller.
//
// It accepts three-component baseline streams (Y sampled 1x1, 2x1 or 2x2,
// Cb and Cr 1x1, 8-bit quantisation tables).  Whatever the bytes say, it
// reads only the `length` bytes it is given, writes only its own tables and
// the pixel block, and stops where the data stops making sense; pixels not
// decoded stay black.  StopReason tells why it stopped.
class JpegDecoder {
public:
    JpegDecoder();

    // Decodes `length` bytes at `stream`; never reads past them.  The two
    // out-handles are written only when a frame header is accepted.
    // Always returns 1; the handles tell what was decoded.
    int Decode(const BYTE* stream, DWORD length, HLOCAL* headerBlock, HLOCAL* pixelBlock);

    // Why the last Decode ended; NONE when it walked the stream to its end.
    JpegStop StopReason() const { return stop; }

private:
    friend struct JpegDecoderProbe;  // the tests' access to the stages
    struct ScanState;

    // Marker walk.  Each takes the position just after a marker (the
    // segment's length field) and yields the position at which the walk
    // goes on, or null to end it.
    const BYTE* ParseMarker(const BYTE* position);
    const BYTE* ReadFrameHeader(const BYTE* position);
    const BYTE* ReadQuantTables(const BYTE* position);
    const BYTE* ReadHuffmanTables(const BYTE* position);
    const BYTE* ReadRestartInterval(const BYTE* position);
    const BYTE* SkipSegment(const BYTE* position);
    // Decodes the scan whose header starts at `position` into the pixel
    // block; yields the position after the entropy-coded data, or null when
    // the scan cannot be decoded or its data ran out or went bad.
    const BYTE* DecodeScan(const BYTE* position);

    // Entropy decoding, one bit at a time.  A read past the end of the
    // stream, a code longer than 16 bits or an impossible magnitude sets
    // `dataError`; the scan checks it after every block.
    int StartBits(const BYTE* position);
    int GetBits(std::int32_t* value, std::uint8_t count);
    int DecodeHuffman(const CodeTable& table, const BYTE* values, int valueCount);
    std::int32_t Extend(int size);
    int DecodeDc(std::int32_t* difference, const CodeTable& table, const BYTE* values,
                 int valueCount);
    int DecodeAc(std::int32_t* value, std::int32_t* run, const CodeTable& table, const BYTE* values,
                 int valueCount);
    int CheckRestart(std::int32_t mcuCount);

    // Helpers of the walk and the scan.
    const BYTE* Stop(JpegStop reason);
    void DataError(JpegStop reason);
    int SegmentLength(const BYTE* position, std::uint32_t* length);
    bool AllocateBlocks();
    bool ReadScanHeader(const BYTE* position, ScanState& scan);
    void StartScan(ScanState& scan);
    int DecodeMcu(ScanState& scan, std::int32_t blocks[6][64]);
    int DecodeMcuFast(ScanState& scan, std::int32_t blocks[6][64]);
    int DecodeBlock(ScanState& scan, int component, std::int32_t coefficients[64]);
    void StoreMcu(const ScanState& scan, std::int32_t blocks[6][64], BYTE* pixels, int mx,
                  int my) const;

    // Fields, in the order the walk fills them.
    BITMAPINFOHEADER header;
    std::int32_t restartInterval;
    std::int32_t stride;
    std::int32_t mcuWidth;
    std::int32_t mcuHeight;
    std::int32_t mcusPerRow;
    std::int32_t mcuRows;
    std::int32_t bitPos;
    const BYTE* dataPos;
    JpegComponent components[3];
    const BYTE* acValues[4];
    const BYTE* dcValues[4];
    CodeTable acTables[4];
    CodeTable dcTables[4];
    const BYTE* quantTables[4];
    const BYTE* streamStart;

    // Bounds and bookkeeping that keep hostile streams harmless.
    const BYTE* streamEnd;   // one past the last byte of the stream
    int acCounts[4];         // codes in each AC table; -1 = not defined
    int dcCounts[4];         // codes in each DC table; -1 = not defined
    bool frameAccepted;      // a frame header was accepted
    bool scanDecoded;        // a scan was decoded to its last MCU
    bool dataError;          // the entropy-coded data ran out or went bad
    JpegStop stop;           // why the walk ended
    LocalBlock ownedHeader;  // the output blocks, handed out when Decode ends
    LocalBlock ownedPixels;
};

#endif
