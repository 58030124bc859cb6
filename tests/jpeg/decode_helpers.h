#ifndef VELMOR_TESTS_JPEG_DECODE_HELPERS_H
#define VELMOR_TESTS_JPEG_DECODE_HELPERS_H

#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_simd.h"
#include "tests/jpeg/stream_writer.h"

#include <string>
#include <vector>

// The result of one JpegDecoder::Decode: the two handles (freed on
// destruction) and copies of what they hold.
struct Decoded {
    HLOCAL headerBlock = nullptr;
    HLOCAL pixelBlock = nullptr;
    int result = 0;
    JpegStop stop = JpegStop::NONE;  // the decoder's StopReason
    BITMAPINFOHEADER info = {};
    Bytes headerBytes;  // all 44 bytes
    Bytes pixels;
    bool HasPicture() const { return headerBlock && pixelBlock; }
    // B, G, R of the pixel at (x, y), y counted from the top of the picture.
    const std::uint8_t* Pixel(int x, int y) const;
    ~Decoded();
};

void DecodeBytes(const Bytes& stream, Decoded* out);
Bytes ReadFileBytes(const std::string& path);
std::string PicturePath(int number);  // res/pictures/NN.jpg

// The decoder's vector paths that this build and CPU can run; the first call
// prints those it cannot.
std::vector<jpeg_internal::SimdPath> PathsToTest();

// Concatenation of streams and segments.
Bytes Join(std::initializer_list<Bytes> parts);

// A smooth test picture: gentle gradients in all three components.
void SmoothBlock(int mcu, int component, int index, std::int32_t zigzag[64]);

#endif
