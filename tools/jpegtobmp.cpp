// jpegtobmp IN.jpg OUT.bmp: decodes a JPEG file with velmor's decoder and
// writes the picture as a 24-bit bottom-up BMP file.
// Exit codes: 0 picture written, 3 the stream yields no picture,
// 2 usage or I/O error.  A refusal or an early stop says the decoder's
// reason in one line on stderr.
#include "image/bmp_writer.h"
#include "jpeg/jpeg_decoder.h"
#include "win32/local_block.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const int EXIT_DECODED = 0;
const int EXIT_USAGE_OR_IO = 2;
const int EXIT_NO_PICTURE = 3;

bool ReadWholeFile(const char* path, std::vector<BYTE>* bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    BYTE buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: jpegtobmp IN.jpg OUT.bmp\n");
        return EXIT_USAGE_OR_IO;
    }
    std::vector<BYTE> stream;
    if (!ReadWholeFile(argv[1], &stream) || stream.size() > 0xFFFFFFFFu) {
        std::fprintf(stderr, "jpegtobmp: cannot read %s\n", argv[1]);
        return EXIT_USAGE_OR_IO;
    }

    HLOCAL headerHandle = nullptr;
    HLOCAL pixelHandle = nullptr;
    JpegDecoder decoder;
    decoder.Decode(stream.data(), static_cast<DWORD>(stream.size()), &headerHandle, &pixelHandle);
    const LocalBlock headerBlock(headerHandle);
    const LocalBlock pixelBlock(pixelHandle);
    const char* reason = JpegStopText(decoder.StopReason());
    if (!headerBlock || !pixelBlock) {
        std::fprintf(stderr, "jpegtobmp: %s holds no picture this decoder can read: %s\n", argv[1],
                     reason);
        return EXIT_NO_PICTURE;
    }

    bool written = false;
    {
        const LockedBlock info(headerBlock.Get());
        const LockedBlock pixels(pixelBlock.Get());
        if (info.Bytes() && pixels.Bytes()) {
            BITMAPINFOHEADER header;
            std::memcpy(&header, info.Bytes(), sizeof header);
            written = WriteBmpFile(argv[2], header, pixels.Bytes(), header.biSizeImage);
        }
    }
    if (!written) {
        std::fprintf(stderr, "jpegtobmp: cannot write %s\n", argv[2]);
        return EXIT_USAGE_OR_IO;
    }
    if (decoder.StopReason() != JpegStop::NONE)
        std::fprintf(stderr,
                     "jpegtobmp: %s: decoding stopped early: %s (what was not decoded is black)\n",
                     argv[1], reason);
    return EXIT_DECODED;
}
