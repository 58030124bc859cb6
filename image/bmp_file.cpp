// BMP files in and out of the picture's two blocks.  What the bytes mean is
// decided in bmp_layout.cpp; here are the file calls around it.
#include <cstring>

#include "image/bmp_layout.h"
#include "image/dib_image.h"
#include "image/dib_layout.h"
#include "win32/kernel_handle.h"
#include "win32/local_block.h"

namespace {

// Reads up to `count` bytes; returns how many arrived.
DWORD ReadUpTo(HANDLE file, void* target, DWORD count) {
    DWORD got = 0;
    if (!ReadFile(file, target, count, &got, nullptr)) return 0;
    return got;
}

bool WriteAll(HANDLE file, const void* source, DWORD count) {
    DWORD written = 0;
    return WriteFile(file, source, count, &written, nullptr) && written == count;
}

bool WriteZeros(HANDLE file, SIZE_T count) {
    static const BYTE ZEROS[4096] = {};
    while (count > 0) {
        const DWORD chunk = count < sizeof ZEROS ? static_cast<DWORD>(count) : sizeof ZEROS;
        if (!WriteAll(file, ZEROS, chunk)) return false;
        count -= chunk;
    }
    return true;
}

unsigned long long SizeOfFile(HANDLE file) {
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
    return (static_cast<unsigned long long>(high) << 32) | low;
}

// Writes the rows of a top-down pixel block bottom row first.  `held` bytes
// of the block are pixel data; rows (or the ends of rows) beyond them go out
// as zeros, so that every row keeps its place in the file.
bool WriteRowsReversed(HANDLE file, const BYTE* pixels, SIZE_T held, SIZE_T stride,
                       long long rows) {
    for (long long r = rows - 1; r >= 0; --r) {
        const SIZE_T start = static_cast<SIZE_T>(r) * stride;
        SIZE_T present = start < held ? held - start : 0;
        if (present > stride) present = stride;
        if (present > 0 && !WriteAll(file, pixels + start, static_cast<DWORD>(present)))
            return false;
        if (!WriteZeros(file, stride - present)) return false;
    }
    return true;
}

// The header and colour table that a saved file carries, as the header
// block holds them after the saver has settled the colour count.
struct SavedHeader {
    BITMAPINFOHEADER header;
    BYTE colourTable[4 * BMP_MAX_COLOURS];
    DWORD colours;
};

// Settles the colour count of the header block (a 0 becomes the default for
// its bit count, stored back into the block) and copies header and table.
bool ReadSavedHeader(HLOCAL headerBlock, SavedHeader* saved) {
    LockedBlock block(headerBlock);
    if (block.Size() < BMP_INFO_HEADER_BYTES) return false;
    BITMAPINFOHEADER* stored = reinterpret_cast<BITMAPINFOHEADER*>(block.Bytes());
    if (stored->biClrUsed == 0) stored->biClrUsed = DefaultColourCount(*stored, false);
    std::memcpy(&saved->header, stored, BMP_INFO_HEADER_BYTES);
    saved->colours = stored->biClrUsed;
    // Entries the block does not hold are written as zeros, as the section
    // made from it sees them.
    std::memset(saved->colourTable, 0, sizeof saved->colourTable);
    SIZE_T held = block.Size() - BMP_INFO_HEADER_BYTES;
    if (held > 4 * saved->colours) held = 4 * saved->colours;
    std::memcpy(saved->colourTable, block.Bytes() + BMP_INFO_HEADER_BYTES, held);
    return true;
}

}  // namespace

int DibImage::LoadBmpFile(const std::string& name) {
    KernelHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return 0;
    loaded = 0;

    BYTE prefix[BMP_FILE_PREFIX_BYTES];
    const DWORD got = ReadUpTo(file.Get(), prefix, sizeof prefix);
    BmpLayout layout;
    if (!LayOutBmpFile(prefix, got, SizeOfFile(file.Get()), &layout)) return 0;
    LocalBlock header;
    LocalBlock pixels;
    if (!AllocateBmpBlocks(layout, prefix, &header, &pixels)) return 0;
    {
        // Only the pixel bytes the file holds are read: a file that ends early
        // leaves the rest of the zero-initialised block black.
        LONG offsetHigh = 0;
        SetFilePointer(file.Get(), static_cast<LONG>(layout.pixelOffset), &offsetHigh, FILE_BEGIN);
        LockedBlock target(pixels.Get());
        if (!target.Bytes()) return 0;
        ReadUpTo(file.Get(), target.Bytes(), static_cast<DWORD>(layout.pixelsPresent));
    }
    TakeBlocks(header.Release(), pixels.Release(), layout.stride);
    return 1;
}

int DibImage::SaveBmpFile(const std::string& name) {
    if (!headerBlock || !pixelBlock) return 0;

    // Refuse a header that cannot be written out faithfully before any file
    // is touched: its rows must be countable and their bytes fit the file's
    // 32-bit sizes.
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;
    if (header.biClrUsed > BMP_MAX_COLOURS) return 0;
    if (StrideOf(header.biBitCount, header.biWidth) == 0) return 0;
    const bool topDown = header.biHeight < 0;
    const long long rows = RowCountOf(header);
    if (topDown && SectionBytesOf(header) > 0xFFFFFFFFLL - BMP_FILE_PREFIX_BYTES) return 0;

    KernelHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return 0;

    const DWORD held = static_cast<DWORD>(ImageSize());
    const int stride = RowStride();
    SavedHeader saved;
    if (!ReadSavedHeader(headerBlock, &saved)) return 0;
    // A top-down picture is written bottom row first with all its rows, so
    // that rows missing from a short block cannot shift the ones present.
    const DWORD pixelBytes = topDown ? static_cast<DWORD>(rows * stride) : held;
    const DWORD pixelOffset = BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES + 4 * saved.colours;
    BYTE fileHeader[BMP_FILE_HEADER_BYTES];
    PackBmpFileHeader(pixelOffset, pixelBytes, fileHeader);
    if (topDown) saved.header.biHeight = -saved.header.biHeight;
    if (saved.header.biSizeImage != 0) saved.header.biSizeImage = pixelBytes;

    bool written = WriteAll(file.Get(), fileHeader, BMP_FILE_HEADER_BYTES) &&
                   WriteAll(file.Get(), &saved.header, BMP_INFO_HEADER_BYTES) &&
                   WriteAll(file.Get(), saved.colourTable, 4 * saved.colours);
    if (written) {
        LockedBlock pixels(pixelBlock);
        if (!pixels.Bytes()) return 0;
        written = topDown ? WriteRowsReversed(file.Get(), pixels.Bytes(), held, stride, rows)
                          : WriteAll(file.Get(), pixels.Bytes(), held);
    }
    const bool closed = file.Reset(nullptr);
    return written && closed ? 1 : 0;
}
