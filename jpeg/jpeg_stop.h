#ifndef VELMOR_JPEG_JPEG_STOP_H
#define VELMOR_JPEG_JPEG_STOP_H

// Why a decode ended where it did.  kNone: the stream was walked to its end
// (EOI, or the end of the bytes after a complete scan).
enum class JpegStop {
    kNone,
    kNoFrame,             // the walk ended before any frame header
    kNotBaseline,         // progressive, extended, lossless or 12-bit coding
    kNotThreeComponents,  // grayscale, CMYK...
    kUnsupportedSampling,
    kSixteenBitTables,  // a quantisation table with 16-bit values
    kBadHuffmanData,    // a bad Huffman table, or coded data that does not decode
    kBadSegment,        // a marker this decoder does not read, or a malformed segment
    kTruncated,         // the stream ends inside a segment or inside the coded data
    kTooLarge,          // the pixel block would pass 2 GB
    kOutOfMemory,
};

// A short English text for each reason, e.g. "progressive or other non-baseline coding".
const char* JpegStopText(JpegStop reason);

#endif
