#include "jpeg/jpeg_stop.h"

namespace {

// In the order of JpegStop.
const char* const TEXTS[] = {
    "decoded",
    "no frame header",
    "progressive or other non-baseline coding",
    "not three colour components",
    "unsupported chroma sampling",
    "16-bit quantisation tables",
    "bad Huffman table or coded data",
    "unsupported marker or malformed segment",
    "truncated stream",
    "picture too large",
    "out of memory",
};
static_assert(sizeof TEXTS / sizeof TEXTS[0] == static_cast<int>(JpegStop::OUT_OF_MEMORY) + 1,
              "one text for each reason");

}  // namespace

const char* JpegStopText(JpegStop reason) {
    return TEXTS[static_cast<int>(reason)];
}
