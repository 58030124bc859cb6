#include "image/dib_image.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "image/dib_layout.h"
#include "win32/device_context.h"
#include "win32/gdi_object.h"
#include "win32/local_block.h"

namespace {

const WORD PALETTE_VERSION = 0x300;  // the only LOGPALETTE version GDI knows

// a + b as an int; false when the sum does not fit one.
bool SumFits(long long a, long long b, int* sum) {
    if (a + b < INT_MIN || a + b > INT_MAX) return false;
    *sum = static_cast<int>(a + b);
    return true;
}

}  // namespace

DibImage::DibImage()
    : headerBlock(nullptr),
      pixelBlock(nullptr),
      rowStride(0),
      sectionStale(1),
      section(nullptr),
      palette(nullptr),
      loaded(0),
      blitSuppressed(0),
      sectionIsPart(false),
      sectionPart() {}

DibImage::~DibImage() {
    // Guards go in reverse order: the section, the palette, the pixel block,
    // then the header block.
    LocalBlock ownedHeader(headerBlock);
    LocalBlock ownedPixels(pixelBlock);
    GdiObject<HPALETTE> ownedPalette(palette);
    GdiObject<HBITMAP> ownedSection(section);
}

bool DibImage::ReadHeader(BITMAPINFOHEADER* header) {
    LockedBlock block(headerBlock);
    if (block.Size() < sizeof(BITMAPINFOHEADER)) return false;
    std::memcpy(header, block.Bytes(), sizeof(BITMAPINFOHEADER));
    return true;
}

int DibImage::Draw(HDC dc, int destLeft, int destTop, int destRight, int destBottom, int srcLeft,
                   int srcTop, int srcRight, int srcBottom, DWORD rop) {
    if (loaded <= 0) return 0;
    // Rectangles whose sizes an int cannot hold are nothing GDI can draw.
    int destWidth, destHeight, srcWidth, srcHeight;
    if (!SumFits(destRight, -static_cast<long long>(destLeft), &destWidth) ||
        !SumFits(destBottom, -static_cast<long long>(destTop), &destHeight) ||
        !SumFits(srcRight, -static_cast<long long>(srcLeft), &srcWidth) ||
        !SumFits(srcBottom, -static_cast<long long>(srcTop), &srcHeight)) {
        return 0;
    }
    MemoryDc memory(dc);
    if (!memory.Get()) return 0;
    if (!PrepareSection(memory, RECT{srcLeft, srcTop, srcRight, srcBottom})) return 0;
    SelectedPalette shownPalette(dc, palette);
    if (blitSuppressed) return 1;

    // A section that holds only part of the picture starts at that part's
    // corner.
    if (sectionIsPart) {
        srcLeft -= sectionPart.left;
        srcTop -= sectionPart.top;
    }
    if (destWidth == srcWidth && destHeight == srcHeight) {
        BitBlt(dc, destLeft, destTop, destWidth, destHeight, memory.Get(), srcLeft, srcTop, rop);
    } else {
        HalftoneStretch mode(dc);
        StretchBlt(dc, destLeft, destTop, destWidth, destHeight, memory.Get(), srcLeft, srcTop,
                   srcWidth, srcHeight, rop);
    }
    return 1;
}

int DibImage::DrawAt(HDC dc, int x, int y, DWORD rop) {
    const int width = Width();
    const int height = Height(true);
    int right, bottom;
    if (!SumFits(x, width, &right) || !SumFits(y, height, &bottom)) return 0;
    return Draw(dc, x, y, right, bottom, 0, 0, width, height, rop);
}

int DibImage::DrawPart(HDC dc, int x, int y, int srcLeft, int srcTop, int srcRight, int srcBottom,
                       DWORD rop) {
    int right, bottom;
    if (!SumFits(x, static_cast<long long>(srcRight) - srcLeft, &right) ||
        !SumFits(y, static_cast<long long>(srcBottom) - srcTop, &bottom)) {
        return 0;
    }
    return Draw(dc, x, y, right, bottom, srcLeft, srcTop, srcRight, srcBottom, rop);
}

int DibImage::Load(const std::string& name) {
    return LoadBmpFile(name);
}

int DibImage::BuildPalette(const BITMAPINFOHEADER* header) {
    DWORD count = header->biClrUsed;
    if (count == 0) return 0;
    // The palette entry count is a 16-bit field.
    if (count > 0xFFFF) count = 0xFFFF;

    // LOGPALETTE declares one entry and the others follow it.  Without
    // memory for the record the palette stays as it was.
    std::unique_ptr<BYTE[]> record(new (std::nothrow)
                                       BYTE[sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY)]);
    if (!record) return 0;
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(record.get());
    logical->palVersion = PALETTE_VERSION;
    logical->palNumEntries = static_cast<WORD>(count);
    const RGBQUAD* colours = reinterpret_cast<const RGBQUAD*>(
        reinterpret_cast<const BYTE*>(header) + sizeof(BITMAPINFOHEADER));
    for (DWORD i = 0; i < count; ++i) {
        logical->palPalEntry[i].peRed = colours[i].rgbRed;
        logical->palPalEntry[i].peGreen = colours[i].rgbGreen;
        logical->palPalEntry[i].peBlue = colours[i].rgbBlue;
        logical->palPalEntry[i].peFlags = 0;
    }

    if (palette) DeleteObject(palette);
    palette = CreatePalette(logical);
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
