#ifndef VELMOR_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H
#define VELMOR_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/dib_image.h"

inline int Stride(int bitCount, int width) {
    return ((bitCount * width + 31) / 32) * 4;
}

// A DibImage whose internals the tests can see and set directly.
class ProbeImage : public DibImage {
public:
    HBITMAP Section() const { return section; }
    HPALETTE Palette() const { return palette; }
    int SectionStale() const { return sectionStale; }
    int CachedStride() const { return rowStride; }
    int Loaded() const { return loaded; }
    void MarkStale() { sectionStale = 1; }

    // The section's pixel bytes (|height| x stride of them), as the picture's
    // own rows hold them: a 24-bit picture's section of 4-byte pixels comes
    // out as 3-byte ones.  A section that holds only part of a (24-bit
    // bottom-up) picture comes out laid into the whole picture's rows, zeros
    // around it, as a draw of the whole shows it.
    std::vector<BYTE> SectionBytes() {
        DIBSECTION info = {};
        if (!section || !GetObjectA(section, sizeof info, &info) || !info.dsBm.bmBits) return {};
        GdiFlush();
        const BYTE* bits = static_cast<const BYTE*>(info.dsBm.bmBits);
        const int rows = info.dsBm.bmHeight;
        int partStride = info.dsBm.bmWidthBytes;
        std::vector<BYTE> part(bits, bits + partStride * rows);
        if (info.dsBm.bmBitsPixel == 32 && PictureBitCount() == 24) {
            partStride = Stride(24, info.dsBm.bmWidth);
            std::vector<BYTE> packed(static_cast<size_t>(partStride) * rows, 0);
            for (int r = 0; r < rows; ++r) {
                for (int x = 0; x < info.dsBm.bmWidth; ++x) {
                    std::memcpy(&packed[static_cast<size_t>(r) * partStride + 3 * x],
                                &part[static_cast<size_t>(r) * info.dsBm.bmWidthBytes + 4 * x], 3);
                }
            }
            part.swap(packed);
        }
        if (!sectionIsPart) return part;
        const int stride = Stride(24, Width());
        const int height = Height(true);
        std::vector<BYTE> whole(static_cast<size_t>(stride) * height, 0);
        const RECT& r = sectionPart;
        for (int y = r.top; y < r.bottom; ++y) {
            std::memcpy(&whole[static_cast<size_t>(height - 1 - y) * stride + 3 * r.left],
                        &part[static_cast<size_t>(r.bottom - 1 - y) * partStride],
                        3 * static_cast<size_t>(r.right - r.left));
        }
        return whole;
    }

    int PictureBitCount() {
        if (!headerBlock) return 0;
        const BITMAPINFOHEADER* h = static_cast<const BITMAPINFOHEADER*>(LocalLock(headerBlock));
        const int bitCount = h ? h->biBitCount : 0;
        LocalUnlock(headerBlock);
        return bitCount;
    }

    // Fills the image as a loader would: new blocks, loaded, stale section.
    void Fill(const BITMAPINFOHEADER& header, const std::vector<RGBQUAD>& colours,
              const std::vector<BYTE>& pixels) {
        if (headerBlock) LocalFree(headerBlock);
        if (pixelBlock) LocalFree(pixelBlock);
        headerBlock = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT,
                                 sizeof header + colours.size() * sizeof(RGBQUAD));
        BYTE* h = static_cast<BYTE*>(LocalLock(headerBlock));
        std::memcpy(h, &header, sizeof header);
        if (!colours.empty()) {
            std::memcpy(h + sizeof header, colours.data(), colours.size() * sizeof(RGBQUAD));
        }
        LocalUnlock(headerBlock);
        pixelBlock = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, pixels.empty() ? 1 : pixels.size());
        if (!pixels.empty()) {
            BYTE* p = static_cast<BYTE*>(LocalLock(pixelBlock));
            std::memcpy(p, pixels.data(), pixels.size());
            LocalUnlock(pixelBlock);
        }
        rowStride = 0;
        loaded = 1;
        sectionStale = 1;
    }

    std::vector<BYTE> PixelBytes() {
        std::vector<BYTE> bytes;
        if (!pixelBlock) return bytes;
        const BYTE* p = static_cast<const BYTE*>(LocalLock(pixelBlock));
        bytes.assign(p, p + LocalSize(pixelBlock));
        LocalUnlock(pixelBlock);
        return bytes;
    }

    BITMAPINFOHEADER Header() {
        BITMAPINFOHEADER header = {};
        if (!headerBlock) return header;
        std::memcpy(&header, LocalLock(headerBlock), sizeof header);
        LocalUnlock(headerBlock);
        return header;
    }

    std::vector<RGBQUAD> Colours() {
        std::vector<RGBQUAD> colours;
        if (!headerBlock) return colours;
        const SIZE_T size = LocalSize(headerBlock);
        const BYTE* h = static_cast<const BYTE*>(LocalLock(headerBlock));
        for (SIZE_T at = sizeof(BITMAPINFOHEADER); at + 4 <= size; at += 4) {
            RGBQUAD entry;
            std::memcpy(&entry, h + at, 4);
            colours.push_back(entry);
        }
        LocalUnlock(headerBlock);
        return colours;
    }

    void PokePixel(SIZE_T index, BYTE value) {
        BYTE* p = static_cast<BYTE*>(LocalLock(pixelBlock));
        p[index] = value;
        LocalUnlock(pixelBlock);
    }
};

inline BITMAPINFOHEADER MakeHeader(int width, int height, int bitCount, DWORD colours = 0,
                                   DWORD compression = BI_RGB, DWORD sizeImage = 0) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = compression;
    header.biSizeImage = sizeImage;
    header.biClrUsed = colours;
    return header;
}

// Bytes 0, 1, 2, ... (mod 251) so that every position is told apart.
inline std::vector<BYTE> CountingBytes(size_t count, int start = 1) {
    std::vector<BYTE> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<BYTE>((start + i) % 251);
    return bytes;
}

// A 24-bit top-down DIB section selected into a memory DC: a drawing target
// whose pixels can be read back.
class Canvas {
public:
    Canvas(int width, int height) : width(width), height(height) {
        screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        BITMAPINFOHEADER header = MakeHeader(width, -height, 24);
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                  reinterpret_cast<void**>(&bits), nullptr, 0);
        previous = SelectObject(dc, bitmap);
        Clear(0x5A);
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc; }
    void Clear(BYTE value) {
        GdiFlush();
        std::memset(bits, value, static_cast<size_t>(Stride(24, width)) * height);
    }
    // Blue, green, red bytes of pixel (x, y) as 0xRRGGBB.
    DWORD Pixel(int x, int y) const {
        GdiFlush();
        const BYTE* p = bits + static_cast<size_t>(y) * Stride(24, width) + 3 * x;
        return p[0] | (p[1] << 8) | (static_cast<DWORD>(p[2]) << 16);
    }
    std::vector<BYTE> Bytes() const {
        GdiFlush();
        return std::vector<BYTE>(bits, bits + static_cast<size_t>(Stride(24, width)) * height);
    }

private:
    int width;
    int height;
    HDC screen;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    BYTE* bits = nullptr;
};

// A file name in the temporary directory, removed again at the end.
class TempFile {
public:
    explicit TempFile(const char* stem) {
        char directory[MAX_PATH];
        GetTempPathA(MAX_PATH, directory);
        path = std::string(directory) + "velmor_image_" + stem + "_" +
               std::to_string(GetCurrentProcessId()) + ".bmp";
    }
    ~TempFile() { DeleteFileA(path.c_str()); }
    const std::string& Path() const { return path; }

private:
    std::string path;
};

inline bool WriteBytes(const std::string& path, const std::vector<BYTE>& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

inline std::vector<BYTE> ReadBytes(const std::string& path) {
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    CloseHandle(file);
    return bytes;
}

template <typename T>
void Append(std::vector<BYTE>& bytes, T value) {
    const BYTE* p = reinterpret_cast<const BYTE*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof value);
}

template <typename T>
T ReadAt(const std::vector<BYTE>& bytes, size_t offset) {
    T value{};
    if (offset + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// A BMP file: file header, info header, colour table, `gap` filler bytes,
// then the pixels; bfOffBits points at the pixels.
inline std::vector<BYTE> MakeBmpFile(const BITMAPINFOHEADER& header,
                                     const std::vector<RGBQUAD>& colours,
                                     const std::vector<BYTE>& pixels, size_t gap = 0,
                                     DWORD fileSizeField = 0xFFFFFFFF) {
    std::vector<BYTE> bytes;
    const DWORD offset = static_cast<DWORD>(54 + 4 * colours.size() + gap);
    const DWORD fileSize =
        fileSizeField == 0xFFFFFFFF ? static_cast<DWORD>(offset + pixels.size()) : fileSizeField;
    Append<WORD>(bytes, 0x4D42);
    Append<DWORD>(bytes, fileSize);
    Append<DWORD>(bytes, 0);
    Append<DWORD>(bytes, offset);
    Append(bytes, header);
    for (const RGBQUAD& c : colours) Append(bytes, c);
    bytes.insert(bytes.end(), gap, 0xEE);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

inline std::vector<RGBQUAD> GreyColours(size_t count) {
    std::vector<RGBQUAD> colours(count);
    for (size_t i = 0; i < count; ++i) {
        colours[i].rgbBlue = static_cast<BYTE>(i);
        colours[i].rgbGreen = static_cast<BYTE>(i * 2);
        colours[i].rgbRed = static_cast<BYTE>(255 - i);
        colours[i].rgbReserved = 0;
    }
    return colours;
}

#endif
