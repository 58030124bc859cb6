#ifndef VELMOR_JPEG_JPEG_STOP_H
#define VELMOR_JPEG_JPEG_STOP_H

// Why a decode ended where it did.  NONE: the stream was walked to its end
// (EOI, or the end of the bytes after a complete scan).
enum class JpegStop {
    NONE,
    NO_FRAME,              // the walk ended before any frame header
    NOT_BASELINE,          // progressive, extended, lossless or 12-bit coding
    NOT_THREE_COMPONENTS,  // grayscale, CMYK...
    UNSUPPORTED_SAMPLING,
    SIXTEEN_BIT_TABLES,  // a quantisation table with 16-bit values
    BAD_HUFFMAN_DATA,    // a bad Huffman table, or coded data that does not decode
    BAD_SEGMENT,         // a marker this decoder does not read, or a malformed segment
    TRUNCATED,           // the stream ends inside a segment or inside the coded data
    TOO_LARGE,           // the pixel block would pass 2 GB
    OUT_OF_MEMORY,
};

// A short English text for each reason, e.g. "progressive or other non-baseline coding".
const char* JpegStopText(JpegStop reason);

#endif
