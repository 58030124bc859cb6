#ifndef VELMOR_IMAGE_BMP_LAYOUT_H
#define VELMOR_IMAGE_BMP_LAYOUT_H

// What the BMP loaders decide from the bytes of a BMP file or of a packed DIB
// (a bitmap resource): whether they hold a picture this object can take,
// how many colour-table entries follow the header, where the table and the
// pixels lie and how large the two blocks are.  Pure byte work on local
// memory, so it builds (and is fuzzed) on the host as well; the loaders only
// add the file and resource calls.
#include "image/bmp_writer.h"
#include "win32/local_block.h"
#include "win32/win32_compat.h"

const DWORD BMP_INFO_HEADER_BYTES = 40;
const DWORD BMP_MAX_COLOURS = 256;
// All that a file's layout is read from: its two headers and the largest
// colour table.
const DWORD BMP_FILE_PREFIX_BYTES =
    BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES + 4 * BMP_MAX_COLOURS;

// A picture found in the bytes of a file or a packed DIB.
struct BmpLayout {
    // The header as the header block holds it: biClrUsed is the number of
    // table entries that follow it, biSizeImage the size of the pixel block.
    BITMAPINFOHEADER header;
    int stride;            // bytes per pixel row
    SIZE_T tableOffset;    // the colour table: 4 x header.biClrUsed bytes
    SIZE_T pixelOffset;    // the first pixel byte
    SIZE_T pixelsPresent;  // pixel bytes the input holds from pixelOffset on
};

// Colour-table entries a picture carries after its header when its biClrUsed
// is 0.  The loaders also take the three colour masks of a BI_BITFIELDS
// picture as three entries; a saved file announces none for it.
DWORD DefaultColourCount(const BITMAPINFOHEADER& header, bool masksCount);

// A BMP file of `fileBytes` bytes whose first `prefixBytes` are at `prefix`.
// False when it holds no picture this object can take.
bool LayOutBmpFile(const BYTE* prefix, SIZE_T prefixBytes, unsigned long long fileBytes,
                   BmpLayout* layout);

// A packed DIB of `size` bytes at `data`.
bool LayOutPackedDib(const BYTE* data, SIZE_T size, BmpLayout* layout);

// Allocates the picture's two blocks: the header block with the header and
// the colour table from `bytes` (which hold the table at tableOffset), and a
// zeroed pixel block.  False, with both left empty, when memory is short.
bool AllocateBmpBlocks(const BmpLayout& layout, const BYTE* bytes, LocalBlock* header,
                       LocalBlock* pixels);

// Copies the pixel bytes that `bytes` hold into the pixel block; the rest of
// the block stays zero (black).
void CopyPresentPixels(const BmpLayout& layout, const BYTE* bytes, HLOCAL pixels);

#endif
