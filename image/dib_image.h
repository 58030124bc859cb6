#ifndef VELMOR_IMAGE_DIB_IMAGE_H
#define VELMOR_IMAGE_DIB_IMAGE_H

#include <windows.h>
#include <string>

class MemoryDc;

// A device-independent bitmap held as two movable local-memory blocks (the
// BITMAPINFOHEADER with its colour table, and the pixel rows), with the
// palette made from the colour table and a cached DIB section that every
// draw blits from.  Blocks are locked only for the duration of one call.
class DibImage {
public:
    DibImage();

    virtual int SaveBmpFile(const std::string& name);
    virtual int Draw(HDC dc, int destLeft, int destTop, int destRight, int destBottom, int srcLeft,
                     int srcTop, int srcRight, int srcBottom, DWORD rop);
    virtual int DrawAt(HDC dc, int x, int y, DWORD rop);
    virtual int DrawPart(HDC dc, int x, int y, int srcLeft, int srcTop, int srcRight, int srcBottom,
                         DWORD rop);
    virtual int LoadBmpFile(const std::string& name);
    virtual ~DibImage();

    int Load(const std::string& name);
    int LoadBitmapResource(int id, HMODULE module);
    int LoadBitmapResourceFrom(int id, HMODULE module);  // second entry point
    int CopyRows(void* dest, int destStep, int byteOffset, int firstRow, int rowBytes,
                 int rowCount);

    int Fade(HDC dc, int step, int steps);
    int FadeRect(HDC dc, int step, int steps, int left, int top, int right, int bottom);

    int BuildRegionFromColourKey(HRGN region, int left, int top, int right, int bottom);

    int BuildPalette(const BITMAPINFOHEADER* header);

    int Width();
    int Height(bool absolute);
    SIZE Dimensions();
    int ImageSize();
    int RowStride();
    int RowBytes();

    int SetLoaded(int value);
    HLOCAL& HeaderBlock();
    HLOCAL& PixelBlock();
    int SuppressBlit(int value);

    DibImage(const DibImage&) = delete;
    DibImage& operator=(const DibImage&) = delete;

protected:
    HLOCAL headerBlock;
    HLOCAL pixelBlock;
    int rowStride;
    int sectionStale;
    HBITMAP section;
    HPALETTE palette;
    int loaded;
    DWORD blitTag;
    int blitSuppressed;
    // After a FadeRect between black and full brightness `section` holds only
    // the rectangle it faded, `sectionPart` (picture coordinates); otherwise
    // it holds the whole picture.
    bool sectionIsPart;
    RECT sectionPart;

private:
    // Copies the 40-byte BITMAPINFOHEADER out of the header block; false when
    // there is no header block or it is too short to hold one.
    bool ReadHeader(BITMAPINFOHEADER* header);
    // ImageSize() without its store into the header: the pixel bytes that
    // both the header's rows and the pixel block hold.
    int HeldImageBytes();
    // The pixel bytes that both a section of the whole picture and the pixel
    // block hold (ImageSize(), with its store).
    SIZE_T UsableSectionBytes(const BITMAPINFOHEADER& header);
    // Deletes `section` and makes a new one as the header block describes it
    // (with 4-byte pixels for a 24-bit picture, widened_rows.h), or only as
    // large as `part` of the picture (a 24-bit bottom-up picture) when `part`
    // is given.  Returns its bits, with the number of pixel bytes
    // that both a whole-picture section and the pixel block hold in
    // `usableBytes`; null when no section could be made (`section` is then
    // null and `sectionStale` set).
    BYTE* ReplaceSection(HDC dc, const RECT* part, SIZE_T* usableBytes);
    // As ReplaceSection, for a fade that writes every byte shown: keeps the
    // current section when it has that shape and was made from the current
    // header.
    BYTE* SectionForFade(HDC dc, const RECT* part, SIZE_T* usableBytes);
    // Draw's section work: a stale section is rebuilt from the pixel block;
    // a part that does not hold the source rectangle is widened to the whole
    // picture.  Leaves `section` selected into `memory`; false when there is
    // no section to draw from.
    bool PrepareSection(MemoryDc& memory, const RECT& source);
    bool WidenSection(HDC dc);
    // Writes the section of the whole picture from the first `held` bytes of
    // the pixel block, each byte scaled by step / steps (0 <= step <= steps):
    // the section copy of a draw (1 / 1) and every frame of a fade.
    void FillSection(const BYTE* pixels, SIZE_T held, BYTE* bits, int step, int steps);
    // Last step of a successful load: frees the old blocks, stores the new
    // ones with their row stride, builds the palette and marks the picture
    // loaded with a stale section.
    void TakeBlocks(HLOCAL newHeader, HLOCAL newPixels, int newStride);
};

#endif
