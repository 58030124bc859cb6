#include "image/bmp_layout.h"

#include <climits>
#include <cstring>
#include <utility>

#include "image/dib_layout.h"

namespace {

const WORD BMP_MAGIC = 0x4D42;          // "BM"
const DWORD COMPRESSION_BITFIELDS = 3;  // BI_BITFIELDS: three colour masks follow the header

// A header the loaders may take: a picture this object can hold and address.
// On success `stride` and `wholeBytes` (|height| x stride) are set.
bool AcceptHeader(const BITMAPINFOHEADER& header, int* stride, long long* wholeBytes) {
    if (header.biSize != BMP_INFO_HEADER_BYTES) return false;
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
    if (header.biClrUsed > BMP_MAX_COLOURS) return false;
    *stride = StrideOf(header.biBitCount, header.biWidth);
    if (*stride == 0) return false;
    *wholeBytes = RowCountOf(header) * *stride;
    return *wholeBytes <= INT_MAX;
}

// Settles the colour count and the pixel byte count of an accepted header.
void SettleCounts(BITMAPINFOHEADER* header, long long pixelBytes, long long wholeBytes) {
    // A count beyond the rows the header describes would overrun the section
    // made from it.
    header->biSizeImage = static_cast<DWORD>(pixelBytes < wholeBytes ? pixelBytes : wholeBytes);
    if (header->biClrUsed == 0) header->biClrUsed = DefaultColourCount(*header, true);
}

SIZE_T Smaller(unsigned long long a, unsigned long long b) {
    return static_cast<SIZE_T>(a < b ? a : b);
}

}  // namespace

DWORD DefaultColourCount(const BITMAPINFOHEADER& header, bool masksCount) {
    switch (header.biBitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        case 16:
        case 32:
            return masksCount && header.biCompression == COMPRESSION_BITFIELDS ? 3 : 0;
        default:
            return 0;
    }
}

bool LayOutBmpFile(const BYTE* prefix, SIZE_T prefixBytes, unsigned long long fileBytes,
                   BmpLayout* layout) {
    const SIZE_T headersEnd = BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES;
    if (prefixBytes < headersEnd) return false;
    WORD magic;
    DWORD fileSize;
    DWORD pixelOffset;
    std::memcpy(&magic, prefix, 2);
    std::memcpy(&fileSize, prefix + 2, 4);
    std::memcpy(&pixelOffset, prefix + 10, 4);
    if (magic != BMP_MAGIC) return false;
    BITMAPINFOHEADER& header = layout->header;
    std::memcpy(&header, prefix + BMP_FILE_HEADER_BYTES, BMP_INFO_HEADER_BYTES);
    long long wholeBytes;
    if (!AcceptHeader(header, &layout->stride, &wholeBytes)) return false;

    // Without a pixel byte count the pixels run from bfOffBits to the end of
    // the file, as bfSize gives it or else as the file is.
    long long pixelBytes = header.biSizeImage;
    if (pixelBytes == 0) {
        const unsigned long long end = fileSize != 0 ? fileSize : fileBytes;
        if (end <= pixelOffset) return false;
        pixelBytes = static_cast<long long>(Smaller(end - pixelOffset, INT_MAX));
    }
    SettleCounts(&header, pixelBytes, wholeBytes);

    // The colour table follows the headers; a file that ends inside it is
    // shorter than its headers.
    layout->tableOffset = headersEnd;
    if (prefixBytes - headersEnd < 4 * header.biClrUsed) return false;
    layout->pixelOffset = pixelOffset;
    layout->pixelsPresent =
        fileBytes > pixelOffset ? Smaller(fileBytes - pixelOffset, header.biSizeImage) : 0;
    return true;
}

bool LayOutPackedDib(const BYTE* data, SIZE_T size, BmpLayout* layout) {
    if (size < BMP_INFO_HEADER_BYTES) return false;
    BITMAPINFOHEADER& header = layout->header;
    std::memcpy(&header, data, BMP_INFO_HEADER_BYTES);
    long long wholeBytes;
    if (!AcceptHeader(header, &layout->stride, &wholeBytes)) return false;
    SettleCounts(&header, header.biSizeImage != 0 ? header.biSizeImage : wholeBytes, wholeBytes);

    // The colour table and then the pixels follow the header directly.
    layout->tableOffset = BMP_INFO_HEADER_BYTES;
    layout->pixelOffset = BMP_INFO_HEADER_BYTES + 4 * header.biClrUsed;
    if (layout->pixelOffset > size) return false;
    layout->pixelsPresent = Smaller(size - layout->pixelOffset, header.biSizeImage);
    return true;
}

bool AllocateBmpBlocks(const BmpLayout& layout, const BYTE* bytes, LocalBlock* header,
                       LocalBlock* pixels) {
    const SIZE_T tableBytes = 4 * layout.header.biClrUsed;
    LocalBlock newHeader = LocalBlock::Allocate(BMP_INFO_HEADER_BYTES + tableBytes);
    LocalBlock newPixels = LocalBlock::Allocate(layout.header.biSizeImage);
    if (!newHeader || !newPixels) return false;
    {
        LockedBlock target(newHeader.Get());
        if (!target.Bytes()) return false;
        std::memcpy(target.Bytes(), &layout.header, BMP_INFO_HEADER_BYTES);
        std::memcpy(target.Bytes() + BMP_INFO_HEADER_BYTES, bytes + layout.tableOffset, tableBytes);
    }
    *header = std::move(newHeader);
    *pixels = std::move(newPixels);
    return true;
}

void CopyPresentPixels(const BmpLayout& layout, const BYTE* bytes, HLOCAL pixels) {
    if (layout.pixelsPresent == 0) return;
    LockedBlock target(pixels);
    if (target.Bytes())
        std::memcpy(target.Bytes(), bytes + layout.pixelOffset, layout.pixelsPresent);
}
