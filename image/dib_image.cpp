#include "image/dib_image.h"

#include <cstring>
#include <new>

#include "image/dib_layout.h"
#include "image/local_block.h"

namespace {

// A BITMAPINFO with room for everything GDI may read after the header:
// three colour masks and up to 256 colour entries.
struct SectionInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[3 + 256];
};

}  // namespace

DibImage::DibImage()
    : headerBlock(nullptr),
      pixelBlock(nullptr),
      rowStride(0),
      sectionStale(1),
      section(nullptr),
      palette(nullptr),
      loaded(0),
      blitSuppressed(0) {}

DibImage::~DibImage() {
    if (section) {
        DeleteObject(section);
        section = nullptr;
    }
    if (palette) {
        DeleteObject(palette);
        palette = nullptr;
    }
    if (pixelBlock) {
        LocalFree(pixelBlock);
        pixelBlock = nullptr;
    }
    if (headerBlock) {
        LocalFree(headerBlock);
        headerBlock = nullptr;
    }
}

bool DibImage::ReadHeader(BITMAPINFOHEADER* header) {
    LockedBlock block(headerBlock);
    if (block.Size() < sizeof(BITMAPINFOHEADER)) return false;
    std::memcpy(header, block.Bytes(), sizeof(BITMAPINFOHEADER));
    return true;
}

BYTE* DibImage::ReplaceSection(HDC dc, SIZE_T* usableBytes) {
    if (section) {
        DeleteObject(section);
        section = nullptr;
    }
    sectionStale = 1;

    // GDI reads the colour table (or masks) that the header announces; a
    // header block that does not hold all of them is passed on padded with
    // zero entries rather than letting GDI read past its end.
    SectionInfo info = {};
    {
        LockedBlock header(headerBlock);
        if (header.Size() < sizeof(BITMAPINFOHEADER)) return nullptr;
        SIZE_T copied = header.Size() < sizeof info ? header.Size() : sizeof info;
        std::memcpy(&info, header.Bytes(), copied);
    }
    if (info.header.biClrUsed > 256) info.header.biClrUsed = 256;

    void* bits = nullptr;
    HBITMAP made = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                    nullptr, 0);
    if (!made) return nullptr;
    if (!bits) {
        DeleteObject(made);
        return nullptr;
    }
    section = made;

    long long usable = SectionBytesOf(info.header);
    long long stored = ImageSize();
    if (stored < usable) usable = stored;
    *usableBytes = static_cast<SIZE_T>(usable);
    return static_cast<BYTE*>(bits);
}

int DibImage::Draw(HDC dc, int destLeft, int destTop, int destRight, int destBottom, int srcLeft,
                   int srcTop, int srcRight, int srcBottom, DWORD rop) {
    if (loaded <= 0) return 0;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return 0;

    HGDIOBJ previousBitmap;
    if (sectionStale || !section) {
        SIZE_T count = 0;
        BYTE* bits = ReplaceSection(memory, &count);
        if (!bits) {
            DeleteDC(memory);
            return 0;
        }
        {
            LockedBlock pixels(pixelBlock);
            if (pixels.Bytes()) std::memcpy(bits, pixels.Bytes(), count);
        }
        sectionStale = 0;
        HPALETTE previousPalette = nullptr;
        if (palette) {
            previousPalette = SelectPalette(memory, palette, FALSE);
            RealizePalette(memory);
        }
        previousBitmap = SelectObject(memory, section);
        if (palette) SelectPalette(memory, previousPalette, FALSE);
    } else {
        previousBitmap = SelectObject(memory, section);
    }

    HPALETTE previousDcPalette = nullptr;
    if (palette) {
        previousDcPalette = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }

    if (!blitSuppressed) {
        int destWidth = destRight - destLeft;
        int destHeight = destBottom - destTop;
        int srcWidth = srcRight - srcLeft;
        int srcHeight = srcBottom - srcTop;
        if (destWidth == srcWidth && destHeight == srcHeight) {
            BitBlt(dc, destLeft, destTop, destWidth, destHeight, memory, srcLeft, srcTop, rop);
        } else {
            StretchBlt(dc, destLeft, destTop, destWidth, destHeight, memory, srcLeft, srcTop,
                       srcWidth, srcHeight, rop);
        }
    }

    SelectObject(memory, previousBitmap);
    DeleteDC(memory);
    if (palette) SelectPalette(dc, previousDcPalette, TRUE);
    return 1;
}

int DibImage::DrawAt(HDC dc, int x, int y, DWORD rop) {
    int width = Width();
    int height = Height(true);
    return Draw(dc, x, y, x + width, y + height, 0, 0, width, height, rop);
}

int DibImage::DrawPart(HDC dc, int x, int y, int srcLeft, int srcTop, int srcRight, int srcBottom,
                       DWORD rop) {
    return Draw(dc, x, y, x + (srcRight - srcLeft), y + (srcBottom - srcTop), srcLeft, srcTop,
                srcRight, srcBottom, rop);
}

int DibImage::Load(const std::string& name) {
    return LoadBmpFile(name);
}

int DibImage::BuildPalette(const BITMAPINFOHEADER* header) {
    DWORD count = header->biClrUsed;
    if (count == 0) return 0;
    // The palette entry count is a 16-bit field.
    if (count > 0xFFFF) count = 0xFFFF;

    const SIZE_T recordBytes = sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY);
    BYTE* record = new (std::nothrow) BYTE[recordBytes];
    if (!record) return 0;
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(record);
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    const RGBQUAD* colours = reinterpret_cast<const RGBQUAD*>(
        reinterpret_cast<const BYTE*>(header) + sizeof(BITMAPINFOHEADER));
    for (WORD i = 0; i < count; ++i) {
        logical->palPalEntry[i].peRed = colours[i].rgbRed;
        logical->palPalEntry[i].peGreen = colours[i].rgbGreen;
        logical->palPalEntry[i].peBlue = colours[i].rgbBlue;
        logical->palPalEntry[i].peFlags = 0;
    }

    if (palette) DeleteObject(palette);
    palette = CreatePalette(logical);
    delete[] record;
    return 1;
}

int DibImage::Width() {
    BITMAPINFOHEADER header;
    return ReadHeader(&header) ? header.biWidth : 0;
}

int DibImage::Height(bool absolute) {
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;
    return absolute ? MagnitudeOf(header.biHeight) : header.biHeight;
}

SIZE DibImage::Dimensions() {
    SIZE size = {0, 0};
    BITMAPINFOHEADER header;
    if (ReadHeader(&header)) {
        size.cx = header.biWidth;
        size.cy = MagnitudeOf(header.biHeight);
    }
    return size;
}

int DibImage::RowStride() {
    if (rowStride == 0) {
        BITMAPINFOHEADER header;
        if (ReadHeader(&header)) rowStride = StrideOf(header.biBitCount, header.biWidth);
    }
    return rowStride;
}

int DibImage::RowBytes() {
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;
    return static_cast<int>(static_cast<long long>(header.biBitCount) * header.biWidth / 8);
}

int DibImage::ImageSize() {
    const long long stride = RowStride();
    {
        LockedBlock block(headerBlock);
        if (block.Size() < sizeof(BITMAPINFOHEADER)) return 0;
        BITMAPINFOHEADER* header = reinterpret_cast<BITMAPINFOHEADER*>(block.Bytes());
        if (header->biSizeImage == 0) {
            // A missing count is stored, except for a 16-bit BI_RGB picture,
            // whose files keep it 0.
            const long long whole = RowCountOf(*header) * stride;
            const bool keepZero = header->biBitCount == 16 && header->biCompression == BI_RGB;
            header->biSizeImage =
                keepZero ? 0 : static_cast<DWORD>(whole > 0xFFFFFFFFLL ? 0 : whole);
        }
    }
    return HeldImageBytes();
}

int DibImage::HeldImageBytes() {
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;
    // The section copy and the fades take this many bytes from the pixel
    // block into a section of |height| rows: never more than either holds.
    const long long whole = RowCountOf(header) * RowStride();
    long long size = header.biSizeImage != 0 ? header.biSizeImage : whole;
    if (size > whole) size = whole;
    if (pixelBlock) {
        const long long held = static_cast<long long>(LocalSize(pixelBlock));
        if (size > held) size = held;
    }
    if (size > INT_MAX) size = INT_MAX;
    return static_cast<int>(size);
}

int DibImage::SetLoaded(int value) {
    loaded = value;
    return 1;
}

HLOCAL& DibImage::HeaderBlock() {
    return headerBlock;
}

HLOCAL& DibImage::PixelBlock() {
    return pixelBlock;
}

int DibImage::SuppressBlit(int value) {
    blitTag = static_cast<DWORD>(value);
    blitSuppressed = 1;
    return 1;
}

void DibImage::TakeBlocks(HLOCAL newHeader, HLOCAL newPixels, int newStride) {
    if (headerBlock) LocalFree(headerBlock);
    headerBlock = newHeader;
    if (pixelBlock) LocalFree(pixelBlock);
    pixelBlock = newPixels;
    rowStride = newStride;
    {
        LockedBlock header(headerBlock);
        if (header.Bytes()) BuildPalette(reinterpret_cast<BITMAPINFOHEADER*>(header.Bytes()));
    }
    loaded = 1;
    sectionStale = 1;
}
