#include "tests/jpeg/decode_helpers.h"

#include <cstdio>
#include <cstring>

const std::uint8_t* Decoded::Pixel(int x, int y) const {
    const int stride = (3 * info.biWidth + 3) & ~3;
    return &pixels[static_cast<std::size_t>(stride) * (info.biHeight - 1 - y) + 3 * x];
}

Decoded::~Decoded() {
    if (headerBlock) LocalFree(headerBlock);
    if (pixelBlock) LocalFree(pixelBlock);
}

void DecodeBytes(const Bytes& stream, Decoded* out) {
    JpegDecoder decoder;
    out->result = decoder.Decode(stream.data(), static_cast<DWORD>(stream.size()),
                                 &out->headerBlock, &out->pixelBlock);
    out->stop = decoder.StopReason();
    if (out->headerBlock) {
        const std::uint8_t* bytes = static_cast<const std::uint8_t*>(LocalLock(out->headerBlock));
        out->headerBytes.assign(bytes, bytes + 44);
        std::memcpy(&out->info, bytes, sizeof out->info);
        LocalUnlock(out->headerBlock);
    }
    if (out->pixelBlock) {
        const std::uint8_t* bytes = static_cast<const std::uint8_t*>(LocalLock(out->pixelBlock));
        out->pixels.assign(bytes, bytes + out->info.biSizeImage);
        LocalUnlock(out->pixelBlock);
    }
}

Bytes ReadFileBytes(const std::string& path) {
    Bytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    std::uint8_t buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}

std::string PicturePath(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "/%02d.jpg", number);
    return std::string(VELMOR_PICTURES_DIR) + name;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

void SmoothBlock(int mcu, int component, int index, std::int32_t zigzag[64]) {
    zigzag[0] = ((mcu * 7 + index * 13 + component * 29) % 61 - 30) * 8;
    zigzag[1] = (mcu % 5) - 2;
    zigzag[2] = (mcu % 3) - 1;
    zigzag[4] = component == 0 ? (mcu % 7) - 3 : 0;
}

std::vector<jpeg_internal::SimdPath> PathsToTest() {
    using jpeg_internal::SimdPath;
    static bool told = false;
    std::vector<SimdPath> paths;
    for (SimdPath path : {SimdPath::SCALAR, SimdPath::SSE2, SimdPath::AVX2}) {
        if (jpeg_internal::PathSupported(path))
            paths.push_back(path);
        else if (!told)
            std::printf("jpeg tests: this build or CPU cannot run the %s path; not tested\n",
                        jpeg_internal::PathName(path));
    }
    told = true;
    return paths;
}
