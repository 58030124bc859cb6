// BMP files and bitmap resources in and out of the picture's two blocks.
#include "image/dib_image.h"

#include <cstring>

#include "image/dib_layout.h"
#include "image/local_block.h"

namespace {

const WORD BMP_MAGIC = 0x4D42;  // "BM"
const DWORD FILE_HEADER_BYTES = 14;
const DWORD INFO_HEADER_BYTES = 40;
const DWORD MAX_COLOURS = 256;

// Colour-table entries that a picture with biClrUsed 0 carries after its
// header.  Bitmap resources hold the three colour masks of a BI_BITFIELDS
// picture in the same place, and so does a BI_BITFIELDS file.
DWORD DefaultColourCount(const BITMAPINFOHEADER& header) {
    if (header.biBitCount == 4) return 16;
    if (header.biBitCount == 8) return 256;
    if (header.biCompression == BI_BITFIELDS &&
        (header.biBitCount == 16 || header.biBitCount == 32)) {
        return 3;
    }
    return 0;
}

// The colour count a saved file announces when the header holds 0.
DWORD DefaultSavedColourCount(WORD bitCount) {
    if (bitCount == 4) return 16;
    if (bitCount == 8) return 256;
    return 0;
}

// A header a loader may take: a picture this object can hold and address.
// On success `stride` and `wholeBytes` (|height| x stride) are set.
bool AcceptHeader(const BITMAPINFOHEADER& header, int* stride, long long* wholeBytes) {
    if (header.biWidth <= 0 || header.biHeight == 0) return false;
    switch (header.biBitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return false;
    }
    if (header.biClrUsed > MAX_COLOURS) return false;
    *stride = StrideOf(header.biBitCount, header.biWidth);
    if (*stride == 0) return false;
    *wholeBytes = RowCountOf(header) * *stride;
    return *wholeBytes <= INT_MAX;
}

HLOCAL AllocateBlock(SIZE_T bytes) {
    return LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, bytes);
}

void FreeBlocks(HLOCAL first, HLOCAL second) {
    if (first) LocalFree(first);
    if (second) LocalFree(second);
}

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

// Closes the file on every exit of a file operation.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle; }
    bool Close() {
        if (!IsOpen()) return true;
        bool closed = CloseHandle(handle) != 0;
        handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle;
};

}  // namespace

int DibImage::LoadBmpFile(const std::string& name) {
    FileHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return 0;
    loaded = 0;

    BYTE fileHeader[FILE_HEADER_BYTES];
    DWORD got = ReadUpTo(file.Handle(), fileHeader, FILE_HEADER_BYTES);
    WORD magic = 0;
    if (got >= 2) std::memcpy(&magic, fileHeader, 2);
    if (magic != BMP_MAGIC || got < FILE_HEADER_BYTES) return 0;
    DWORD fileSize;
    DWORD pixelOffset;
    std::memcpy(&fileSize, fileHeader + 2, 4);
    std::memcpy(&pixelOffset, fileHeader + 10, 4);

    BITMAPINFOHEADER header;
    got = ReadUpTo(file.Handle(), &header, INFO_HEADER_BYTES);
    if (got < 4 || header.biSize != INFO_HEADER_BYTES || got < INFO_HEADER_BYTES) return 0;

    int stride;
    long long wholeBytes;
    if (!AcceptHeader(header, &stride, &wholeBytes)) return 0;

    long long pixelBytes = header.biSizeImage;
    if (pixelBytes == 0) {
        if (fileSize == 0) {
            fileSize = GetFileSize(file.Handle(), nullptr);
            if (fileSize == INVALID_FILE_SIZE) return 0;
        }
        if (fileSize < pixelOffset) return 0;
        pixelBytes = static_cast<long long>(fileSize) - pixelOffset;
    }
    if (pixelBytes > wholeBytes) pixelBytes = wholeBytes;
    if (pixelBytes == 0) return 0;
    header.biSizeImage = static_cast<DWORD>(pixelBytes);
    if (header.biClrUsed == 0) header.biClrUsed = DefaultColourCount(header);

    const DWORD tableBytes = 4 * header.biClrUsed;
    HLOCAL newHeader = AllocateBlock(INFO_HEADER_BYTES + tableBytes);
    HLOCAL newPixels = AllocateBlock(static_cast<SIZE_T>(pixelBytes));
    if (!newHeader || !newPixels) {
        FreeBlocks(newHeader, newPixels);
        return 0;
    }
    bool tableComplete;
    {
        LockedBlock target(newHeader);
        std::memcpy(target.Bytes(), &header, INFO_HEADER_BYTES);
        // The colour table follows the header; a file that ends inside it
        // is shorter than its headers.
        tableComplete =
            ReadUpTo(file.Handle(), target.Bytes() + INFO_HEADER_BYTES, tableBytes) == tableBytes;
    }
    if (!tableComplete) {
        FreeBlocks(newHeader, newPixels);
        return 0;
    }
    {
        // A file that ends early inside the pixel data leaves the rest of
        // the zero-initialised block black.
        LONG offsetHigh = 0;
        SetFilePointer(file.Handle(), static_cast<LONG>(pixelOffset), &offsetHigh, FILE_BEGIN);
        LockedBlock target(newPixels);
        ReadUpTo(file.Handle(), target.Bytes(), static_cast<DWORD>(pixelBytes));
    }
    TakeBlocks(newHeader, newPixels, stride);
    return 1;
}

int DibImage::LoadBitmapResource(int id, HMODULE module) {
    if (!module) module = GetModuleHandleA(nullptr);
    // Type 2 is RT_BITMAP, spelt out so that it stays an ANSI name.
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id & 0xFFFF), MAKEINTRESOURCEA(2));
    if (!found) return 0;
    HGLOBAL resource = LoadResource(module, found);
    if (!resource) return 0;
    const BYTE* data = static_cast<const BYTE*>(LockResource(resource));
    if (!data) return 0;
    const DWORD size = SizeofResource(module, found);
    loaded = 0;

    int result = 0;
    BITMAPINFOHEADER header;
    int stride;
    long long wholeBytes;
    if (size >= INFO_HEADER_BYTES) {
        std::memcpy(&header, data, INFO_HEADER_BYTES);
    } else {
        header.biSize = 0;
    }
    if (header.biSize == INFO_HEADER_BYTES && AcceptHeader(header, &stride, &wholeBytes)) {
        long long pixelBytes = header.biSizeImage ? header.biSizeImage : wholeBytes;
        if (pixelBytes > wholeBytes) pixelBytes = wholeBytes;
        if (header.biClrUsed == 0) header.biClrUsed = DefaultColourCount(header);
        header.biSizeImage = static_cast<DWORD>(pixelBytes);
        const DWORD tableBytes = 4 * header.biClrUsed;
        const DWORD pixelStart = INFO_HEADER_BYTES + tableBytes;

        if (pixelBytes > 0 && pixelStart <= size) {
            HLOCAL newHeader = AllocateBlock(pixelStart);
            HLOCAL newPixels = AllocateBlock(static_cast<SIZE_T>(pixelBytes));
            if (newHeader && newPixels) {
                {
                    LockedBlock target(newHeader);
                    std::memcpy(target.Bytes(), &header, INFO_HEADER_BYTES);
                    std::memcpy(target.Bytes() + INFO_HEADER_BYTES, data + INFO_HEADER_BYTES,
                                tableBytes);
                }
                {
                    // A resource that ends early leaves the missing rows black.
                    long long available = static_cast<long long>(size) - pixelStart;
                    if (available > pixelBytes) available = pixelBytes;
                    LockedBlock target(newPixels);
                    std::memcpy(target.Bytes(), data + pixelStart, static_cast<SIZE_T>(available));
                }
                TakeBlocks(newHeader, newPixels, stride);
                result = 1;
            } else {
                FreeBlocks(newHeader, newPixels);
            }
        }
    }
    FreeResource(resource);
    return result;
}

int DibImage::LoadBitmapResourceFrom(int id, HMODULE module) {
    return LoadBitmapResource(id, module);
}

int DibImage::SaveBmpFile(const std::string& name) {
    if (!headerBlock || !pixelBlock) return 0;

    // Refuse a header that cannot be written out faithfully before any file
    // is touched.
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;
    if (header.biHeight == INT_MIN || header.biClrUsed > MAX_COLOURS) return 0;
    if (StrideOf(header.biBitCount, header.biWidth) == 0) return 0;

    FileHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return 0;

    const DWORD imageBytes = static_cast<DWORD>(ImageSize());
    const int stride = RowStride();
    DWORD colours;
    BYTE colourTable[4 * MAX_COLOURS] = {};
    bool topDown;
    bool written;
    {
        LockedBlock block(headerBlock);
        if (!block.Bytes()) return 0;
        BITMAPINFOHEADER* stored = reinterpret_cast<BITMAPINFOHEADER*>(block.Bytes());
        colours = stored->biClrUsed;
        if (colours == 0) {
            colours = DefaultSavedColourCount(stored->biBitCount);
            stored->biClrUsed = colours;
        }
        std::memcpy(&header, stored, INFO_HEADER_BYTES);
        // Entries the block does not hold are written as zeros, as the
        // section made from it sees them.
        SIZE_T held = block.Size() - INFO_HEADER_BYTES;
        if (held > 4 * colours) held = 4 * colours;
        std::memcpy(colourTable, block.Bytes() + INFO_HEADER_BYTES, held);

        const DWORD pixelOffset = FILE_HEADER_BYTES + INFO_HEADER_BYTES + 4 * colours;
        BYTE fileHeader[FILE_HEADER_BYTES] = {'B', 'M'};
        const DWORD fileSize = pixelOffset + imageBytes;
        std::memcpy(fileHeader + 2, &fileSize, 4);
        std::memcpy(fileHeader + 10, &pixelOffset, 4);

        topDown = header.biHeight < 0;
        if (topDown) header.biHeight = -header.biHeight;
        if (header.biSizeImage != 0) header.biSizeImage = imageBytes;
        written = WriteAll(file.Handle(), fileHeader, FILE_HEADER_BYTES) &&
                  WriteAll(file.Handle(), &header, INFO_HEADER_BYTES) &&
                  WriteAll(file.Handle(), colourTable, 4 * colours);
    }
    if (written) {
        LockedBlock pixels(pixelBlock);
        if (!pixels.Bytes()) return 0;
        if (!topDown) {
            written = WriteAll(file.Handle(), pixels.Bytes(), imageBytes);
        } else {
            // Rows go out bottom row first; bytes beyond the pixel data
            // (a block shorter than the picture) go out as zeros.
            const BYTE* source = pixels.Bytes();
            DWORD remaining = imageBytes;
            BYTE* row = new (std::nothrow) BYTE[stride];
            if (!row) return 0;
            for (long long r = header.biHeight - 1; r >= 0 && remaining > 0 && written; --r) {
                const long long start = r * stride;
                const DWORD chunk = remaining < static_cast<DWORD>(stride) ? remaining : stride;
                long long present = static_cast<long long>(imageBytes) - start;
                if (present < 0) present = 0;
                if (present > chunk) present = chunk;
                std::memset(row, 0, chunk);
                std::memcpy(row, source + start, static_cast<SIZE_T>(present));
                written = WriteAll(file.Handle(), row, chunk);
                remaining -= chunk;
            }
            delete[] row;
        }
    }
    const bool closed = file.Close();
    return written && closed ? 1 : 0;
}

int DibImage::CopyRows(void* dest, int destStep, int byteOffset, int firstRow, int rowBytes,
                       int rowCount) {
    if (!pixelBlock) return 0;
    BITMAPINFOHEADER header;
    if (!ReadHeader(&header)) return 0;
    const long long stride = RowStride();
    const long long rows = RowCountOf(header);
    if (stride == 0 || byteOffset < 0 || rowBytes < 0 || rowCount < 0 || firstRow < 0) return 0;
    if (static_cast<long long>(byteOffset) + rowBytes > stride) return 0;
    if (static_cast<long long>(firstRow) + rowCount > rows) return 0;
    if (rowCount == 0) return 1;

    // The copied row stored last in the block decides how far we read.
    const bool bottomUp = header.biHeight > 0;
    const long long lastIndex = bottomUp ? rows - firstRow - 1 : firstRow + rowCount - 1;
    const long long needed = lastIndex * stride + byteOffset + rowBytes;
    if (needed > ImageSize()) return 0;

    LockedBlock pixels(pixelBlock);
    if (!pixels.Bytes()) return 0;
    const BYTE* source =
        pixels.Bytes() +
        (bottomUp ? (rows - firstRow - 1) * stride : static_cast<long long>(firstRow) * stride) +
        byteOffset;
    const long long sourceStep = bottomUp ? -stride : stride;
    BYTE* target = static_cast<BYTE*>(dest);
    for (int i = 0; i < rowCount; ++i) {
        std::memcpy(target, source, static_cast<SIZE_T>(rowBytes));
        target += destStep;
        if (i + 1 < rowCount) source += sourceStep;
    }
    return 1;
}
