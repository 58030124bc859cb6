// The cached DIB section that every draw blits from: made from the header
// block, filled from the pixel block (or by a fade), and, after a FadeRect,
// possibly holding only the faded rectangle.
#include <cstring>

#include "image/brightness.h"
#include "image/dib_image.h"
#include "image/dib_layout.h"
#include "image/widened_rows.h"
#include "win32/device_context.h"
#include "win32/gdi_object.h"
#include "win32/local_block.h"

namespace {

// A BITMAPINFO with room for everything GDI may read after the header:
// three colour masks and up to 256 colour entries.
struct SectionInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[3 + 256];
};

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left <= inner.right && inner.top <= inner.bottom && inner.left >= outer.left &&
           inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

// The section's bits and their row stride.
BYTE* SectionBits(HBITMAP section, int* stride, int* rows) {
    DIBSECTION info = {};
    if (!GetObjectA(section, sizeof info, &info) || !info.dsBm.bmBits) return nullptr;
    *stride = info.dsBm.bmWidthBytes;
    *rows = info.dsBm.bmHeight;
    return static_cast<BYTE*>(info.dsBm.bmBits);
}

}  // namespace

SIZE_T DibImage::UsableSectionBytes(const BITMAPINFOHEADER& header) {
    const long long whole = SectionBytesOf(header);
    const long long stored = ImageSize();
    return static_cast<SIZE_T>(stored < whole ? stored : whole);
}

BYTE* DibImage::ReplaceSection(HDC dc, const RECT* part, SIZE_T* usableBytes) {
    if (section) {
        DeleteObject(section);
        section = nullptr;
    }
    sectionStale = 1;
    sectionIsPart = false;

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
    const SIZE_T usable = UsableSectionBytes(info.header);
    if (WidensToQuads(info.header)) {
        info.header.biBitCount = 32;
        info.header.biSizeImage = 0;
    }
    if (part) {
        info.header.biWidth = part->right - part->left;
        info.header.biHeight = part->bottom - part->top;
        info.header.biSizeImage = 0;
    }

    void* bits = nullptr;
    GdiObject<HBITMAP> made(CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info),
                                             DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!made || !bits) return nullptr;
    section = made.Release();
    if (part) {
        sectionIsPart = true;
        sectionPart = *part;
    }
    *usableBytes = usable;
    return static_cast<BYTE*>(bits);
}

BYTE* DibImage::SectionForFade(HDC dc, const RECT* part, SIZE_T* usableBytes) {
    // A fade rewrites every byte that is shown, so the last frame's section
    // serves again when it was made from the same header (no fill since) in
    // the same shape: no new section and no fresh pages every frame.
    BITMAPINFOHEADER header;
    DIBSECTION current = {};
    if (!section || sectionStale || !ReadHeader(&header) ||
        !GetObjectA(section, sizeof current, &current) || !current.dsBm.bmBits) {
        return ReplaceSection(dc, part, usableBytes);
    }
    const LONG width = part ? part->right - part->left : header.biWidth;
    const LONG height = part ? part->bottom - part->top : header.biHeight;
    if (current.dsBmih.biWidth != width || current.dsBmih.biHeight != height) {
        return ReplaceSection(dc, part, usableBytes);
    }
    *usableBytes = UsableSectionBytes(header);
    sectionIsPart = part != nullptr;
    if (part) sectionPart = *part;
    GdiFlush();  // nothing GDI still has queued may touch the bits we write
    return static_cast<BYTE*>(current.dsBm.bmBits);
}

bool DibImage::PrepareSection(MemoryDc& memory, const RECT& source) {
    if (sectionStale || !section) {
        SIZE_T count = 0;
        BYTE* bits = ReplaceSection(memory.Get(), nullptr, &count);
        if (!bits) return false;
        {
            LockedBlock pixels(pixelBlock);
            if (pixels.Bytes()) FillSection(pixels.Bytes(), count, bits, 1, 1);
        }
        sectionStale = 0;
        // The section is first selected with the picture's palette realised
        // in the memory context.
        if (palette) memory.SelectPalette(palette);
        memory.SelectBitmap(section);
        if (palette) memory.RestorePalette();
        return true;
    }
    if (sectionIsPart && !Contains(sectionPart, source) && !WidenSection(memory.Get()))
        return false;
    memory.SelectBitmap(section);
    return true;
}

// Puts the faded part into a section of the whole picture, black around it:
// the section a fade of the rectangle into a whole-picture section gives.
bool DibImage::WidenSection(HDC dc) {
    GdiObject<HBITMAP> part(section);
    section = nullptr;
    const RECT where = sectionPart;
    int partStride = 0;
    int partRows = 0;
    const BYTE* partBits = SectionBits(part.Get(), &partStride, &partRows);
    SIZE_T count = 0;
    BYTE* bits = ReplaceSection(dc, nullptr, &count);
    if (!bits || !partBits) return false;

    // Both are bottom-up rows of 4-byte pixels: picture row y (from the top)
    // is part row y - top.  The part holds black where the pixel block ends,
    // as the whole section does.
    const SIZE_T stride = QuadRowBytes(Width());
    const int height = Height(true);
    const SIZE_T rowBytes = QuadRowBytes(where.right - where.left);
    GdiFlush();
    for (int y = where.top; y < where.bottom; ++y) {
        const SIZE_T at = static_cast<SIZE_T>(height - 1 - y) * stride + 4 * where.left;
        const SIZE_T from = static_cast<SIZE_T>(partRows - 1 - (y - where.top)) * partStride;
        std::memcpy(bits + at, partBits + from, rowBytes);
    }
    sectionStale = 0;
    return true;
}

void DibImage::FillSection(const BYTE* pixels, SIZE_T held, BYTE* bits, int step, int steps) {
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return;
    if (WidensToQuads(header)) {
        WidenRows(pixels, held, RowStride(), bits, header.biWidth,
                  static_cast<int>(RowCountOf(header)), step, steps);
    } else if (step == 0) {
        std::memset(bits, 0, held);
    } else if (step == steps) {
        std::memcpy(bits, pixels, held);
    } else {
        ScaleBrightness(pixels, bits, held, step, steps);
    }
}
