#ifndef VELMOR_TESTS_JPEG_REFERENCE_DECODER_H
#define VELMOR_TESTS_JPEG_REFERENCE_DECODER_H

// A plain, deliberately slow decoder written straight from the decoding
// rules: one bit per read, one code bit per Huffman step, the IDCT as two
// full matrix products and the colour conversion in double precision.  The
// product decoder, whatever shortcuts it takes, must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ReferencePicture {
    bool hasFrame = false;  // a frame header was accepted
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;
    std::vector<std::uint8_t> pixels;  // bottom-up B, G, R rows of `stride` bytes
    int debugTexts = 0;                // "Base DCT Read ERROR\n" sent
};

ReferencePicture ReferenceDecode(const std::uint8_t* stream, std::size_t length);

// The plain transforms, exposed for the unit tests of the worked numbers.
void ReferenceIdct(const std::int32_t coefficients[64], std::int32_t samples[64]);
void ReferenceColour(std::int32_t y, std::int32_t cb, std::int32_t cr, std::uint8_t bgr[3]);

#endif
