// The scan: reads its header, decodes every MCU into coefficient blocks,
// reconstructs the blocks and writes the MCU's pixels.
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_fast_bits.h"
#include "jpeg/jpeg_internal.h"

#include <cstring>

using jpeg_internal::WrapAdd;
using jpeg_internal::WrapMul;

struct JpegDecoder::ScanState {
    int dcSelector[3];  // per frame component, from the scan selectors 1, 2, 3
    int acSelector[3];
    std::int32_t predictors[3];
    int chromaBlueRatioH;  // H0 / H1 and V0 / V1
    int chromaBlueRatioV;
    int chromaRedRatioH;  // H0 / H2 and V0 / V2
    int chromaRedRatioV;
    std::int32_t mcuCount;
    jpeg_internal::FastBitReader reader;   // the fast path's view of the bit reader
    jpeg_internal::FastHuffman fastDc[3];  // per frame component
    jpeg_internal::FastHuffman fastAc[3];
    jpeg_internal::FastAc fastAcValues[3];
    int lastZigZag[6];             // per block slot: last zig-zag position that may be nonzero
    jpeg_internal::SimdPath path;  // the vector instructions of the transforms
};

// Reads the scan header: every component must get tables, from selectors
// 1, 2, 3 only.  Ss, Se and AhAl are not looked at: a baseline scan is
// assumed.  Sets the reader at the first byte of the coded data.
bool JpegDecoder::ReadScanHeader(const BYTE* position, ScanState& scan) {
    if (streamEnd - position < 3) {
        Stop(JpegStop::TRUNCATED);
        return false;
    }
    const int count = position[2];
    const BYTE* entry = position + 3;
    if (streamEnd - entry < 2 * count + 3) {
        Stop(JpegStop::TRUNCATED);
        return false;
    }
    bool seen[3] = {false, false, false};
    for (int i = 0; i < count; ++i, entry += 2) {
        const int selector = entry[0];
        const int dc = entry[1] >> 4;
        const int ac = entry[1] & 15;
        if (selector < 1 || selector > 3 || dc > 3 || ac > 3) {
            Stop(JpegStop::BAD_SEGMENT);
            return false;
        }
        scan.dcSelector[selector - 1] = dc;
        scan.acSelector[selector - 1] = ac;
        seen[selector - 1] = true;
    }
    for (int c = 0; c < 3; ++c) {
        if (!seen[c] || !quantTables[components[c].quantTable] ||
            dcCounts[scan.dcSelector[c]] < 0 || acCounts[scan.acSelector[c]] < 0) {
            Stop(JpegStop::BAD_SEGMENT);
            return false;
        }
    }
    StartBits(entry + 3);
    return true;
}

// Resets the predictors and the MCU count and builds the fast tables.
void JpegDecoder::StartScan(ScanState& scan) {
    dataError = false;
    for (int c = 0; c < 3; ++c) scan.predictors[c] = 0;
    scan.chromaBlueRatioH = components[0].horizontal / components[1].horizontal;
    scan.chromaBlueRatioV = components[0].vertical / components[1].vertical;
    scan.chromaRedRatioH = components[0].horizontal / components[2].horizontal;
    scan.chromaRedRatioV = components[0].vertical / components[2].vertical;
    scan.mcuCount = 0;
    scan.path = jpeg_internal::ActivePath();
    for (int c = 0; c < 3; ++c) {
        const int dc = scan.dcSelector[c];
        const int ac = scan.acSelector[c];
        jpeg_internal::BuildFastHuffman(dcTables[dc], dcValues[dc], dcCounts[dc], &scan.fastDc[c]);
        jpeg_internal::BuildFastHuffman(acTables[ac], acValues[ac], acCounts[ac], &scan.fastAc[c]);
        jpeg_internal::BuildFastAc(scan.fastAc[c], &scan.fastAcValues[c]);
    }
    scan.reader.Start(dataPos, bitPos, streamEnd);
}

const BYTE* JpegDecoder::DecodeScan(const BYTE* position) {
    ScanState scan = {};
    if (!ReadScanHeader(position, scan)) return nullptr;
    LockedBlock pixelBlock(ownedPixels.Get());
    BYTE* pixels = pixelBlock.Bytes();
    if (!pixels) return Stop(JpegStop::OUT_OF_MEMORY);
    StartScan(scan);

    // Each MCU is decoded by the fast reader; should it meet anything out of
    // the ordinary (the end of the data, a bad code) the MCU is decoded
    // again from its start by the one-bit reader, which then decides.
    std::int32_t blocks[6][64];
    for (int my = 0; my < mcuRows; ++my) {
        for (int mx = 0; mx < mcusPerRow; ++mx) {
            // The reader's exact position is worked out only where a
            // restart point can be.
            if ((restartInterval != 0 && scan.mcuCount == restartInterval) ||
                scan.reader.MayStandAtMarker()) {
                scan.reader.Position(&dataPos, &bitPos);
                if (CheckRestart(scan.mcuCount)) {
                    scan.mcuCount = 0;
                    for (int c = 0; c < 3; ++c) scan.predictors[c] = 0;
                    scan.reader.Start(dataPos, bitPos, streamEnd);
                }
                if (dataError) return nullptr;  // the marker was cut off
            }
            const jpeg_internal::FastBitReader atStart = scan.reader;
            const std::int32_t predictors[3] = {scan.predictors[0], scan.predictors[1],
                                                scan.predictors[2]};
            if (!DecodeMcuFast(scan, blocks)) {
                for (int c = 0; c < 3; ++c) scan.predictors[c] = predictors[c];
                atStart.Position(&dataPos, &bitPos);
                if (DecodeMcu(scan, blocks)) scan.reader.Start(dataPos, bitPos, streamEnd);
            }
            if (dataError) return nullptr;
            StoreMcu(scan, blocks, pixels, mx, my);
            ++scan.mcuCount;
        }
    }
    scan.reader.Position(&dataPos, &bitPos);
    if (bitPos != 0) ++dataPos;
    scanDecoded = true;
    return dataPos;
}

// Decodes the blocks of one MCU: the Y blocks into slots 0..3 in order,
// Cb into slot 4 and Cr into slot 5.  0 when the data ran out or went bad.
int JpegDecoder::DecodeMcu(ScanState& scan, std::int32_t blocks[6][64]) {
    for (int i = 0; i < 6; ++i) scan.lastZigZag[i] = 63;
    int slot = 0;
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < components[c].vertical; ++v) {
            for (int h = 0; h < components[c].horizontal; ++h) {
                if (c != 0) slot = c + 3;
                if (!DecodeBlock(scan, c, blocks[slot])) return 0;
                ++slot;
            }
        }
    }
    return 1;
}

// The same with the fast reader; 0 (with the reader and the predictors in
// an undefined state) when anything is out of the ordinary.  The hot
// decoding loop: one piece, so that the reader stays in registers.
int JpegDecoder::DecodeMcuFast(ScanState& scan, std::int32_t blocks[6][64]) {
    // A local copy keeps the reader in registers (the coefficient stores
    // could otherwise alias its fields).
    jpeg_internal::FastBitReader reader = scan.reader;
    int slot = 0;
    for (int c = 0; c < 3; ++c) {
        const BYTE* quant = quantTables[components[c].quantTable];
        const jpeg_internal::FastHuffman& dcTable = scan.fastDc[c];
        const jpeg_internal::FastHuffman& acTable = scan.fastAc[c];
        const jpeg_internal::FastAc& acValuesFast = scan.fastAcValues[c];
        for (int v = 0; v < components[c].vertical; ++v) {
            for (int h = 0; h < components[c].horizontal; ++h) {
                if (c != 0) slot = c + 3;
                int& lastZigZag = scan.lastZigZag[slot];
                std::int32_t* coefficients = blocks[slot];
                lastZigZag = 0;
                std::memset(coefficients, 0, 64 * sizeof coefficients[0]);

                if (reader.Available() < 32) reader.Fill();
                const int size = jpeg_internal::DecodeSymbol(reader, dcTable);
                if (size < 0 || size > 11) return 0;
                const std::int32_t difference =
                    size ? jpeg_internal::ReceiveExtend(reader, size) : 0;
                const std::int32_t dc = WrapAdd(difference, scan.predictors[c]);
                coefficients[0] = WrapMul(quant[0], dc);
                scan.predictors[c] = dc;

                for (int k = 1; k < 64;) {
                    if (reader.Available() < 32) reader.Fill();
                    const jpeg_internal::FastAcEntry quick =
                        acValuesFast.lookup[reader.Peek(jpeg_internal::FAST_AC_BITS)];
                    int run = quick.run;
                    std::int32_t value = quick.value;
                    if (quick.length) {
                        reader.Skip(quick.length);
                    } else {
                        const int rs = jpeg_internal::DecodeSymbol(reader, acTable);
                        if (rs < 0) return 0;
                        run = rs == 0 ? jpeg_internal::END_OF_BLOCK : rs >> 4;
                        value = (rs & 15) ? jpeg_internal::ReceiveExtend(reader, rs & 15) : 0;
                    }
                    k += run;
                    if (k > 63) {
                        if (run == jpeg_internal::END_OF_BLOCK) break;
                        return 0;  // a run past the block: the one-bit reader decides
                    }
                    // A zero run (value 0) stores a 0, which changes nothing.
                    const std::int32_t product = quant[k] * value;
                    coefficients[ZigZag[k]] = product;
                    lastZigZag = k;
                    ++k;
                }
                ++slot;
            }
        }
    }
    scan.reader = reader;
    return !reader.Overran();
}

// Entropy-decodes and dequantises one block into natural order.
int JpegDecoder::DecodeBlock(ScanState& scan, int component, std::int32_t coefficients[64]) {
    std::memset(coefficients, 0, 64 * sizeof coefficients[0]);
    const BYTE* quant = quantTables[components[component].quantTable];
    const int dcSelector = scan.dcSelector[component];
    const int acSelector = scan.acSelector[component];

    std::int32_t difference;
    DecodeDc(&difference, dcTables[dcSelector], dcValues[dcSelector], dcCounts[dcSelector]);
    if (dataError) return 0;
    const std::int32_t dc = WrapAdd(difference, scan.predictors[component]);
    coefficients[0] = WrapMul(quant[0], dc);
    scan.predictors[component] = dc;

    for (int k = 1; k < 64;) {
        std::int32_t value, run;
        DecodeAc(&value, &run, acTables[acSelector], acValues[acSelector], acCounts[acSelector]);
        if (dataError) return 0;
        if (run == 0 && value == 0) break;  // end of block
        k += run;
        if (k > 63) {  // a run past the end of the block: corrupt data
            DataError(JpegStop::BAD_HUFFMAN_DATA);
            return 0;
        }
        coefficients[ZigZag[k]] = quant[k] * value;
        ++k;
    }
    return 1;
}

// Reconstructs the MCU's blocks and writes the pixels that lie inside the
// picture.  Y blocks take the quadrants in decoding order; each chroma
// sample covers ratioV x ratioH pixels (1 or 2 each way).
void JpegDecoder::StoreMcu(const ScanState& scan, std::int32_t blocks[6][64], BYTE* pixels, int mx,
                           int my) const {
    std::int32_t luma[16 * 16];
    std::int32_t blue[16 * 16];
    std::int32_t red[16 * 16];
    jpeg_internal::PlaneView planes;
    const int lumaBlocks = components[0].horizontal * components[0].vertical;
    if (lumaBlocks == 1) {
        // One block of each: the planes are the 8x8 blocks themselves.
        jpeg_internal::InverseDct(blocks[0], luma, 8, scan.lastZigZag[0], scan.path);
        jpeg_internal::InverseDct(blocks[4], blue, 8, scan.lastZigZag[4], scan.path);
        jpeg_internal::InverseDct(blocks[5], red, 8, scan.lastZigZag[5], scan.path);
        planes = {luma, 8, blue, red, 8};
    } else {
        for (int i = 0; i < lumaBlocks; ++i)
            jpeg_internal::InverseDct(blocks[i], luma + (i >> 1) * 8 * 16 + (i & 1) * 8, 16,
                                      scan.lastZigZag[i], scan.path);
        std::int32_t samples[64];
        const int ratios[2][2] = {{scan.chromaBlueRatioV, scan.chromaBlueRatioH},
                                  {scan.chromaRedRatioV, scan.chromaRedRatioH}};
        std::int32_t* planesOut[2] = {blue, red};
        for (int p = 0; p < 2; ++p) {
            jpeg_internal::InverseDct(blocks[4 + p], samples, 8, scan.lastZigZag[4 + p], scan.path);
            const int shiftV = ratios[p][0] == 2 ? 1 : 0;
            const int shiftH = ratios[p][1] == 2 ? 1 : 0;
            for (int r = 0; r < mcuHeight; ++r)
                for (int c = 0; c < mcuWidth; ++c)
                    planesOut[p][16 * r + c] = samples[8 * (r >> shiftV) + (c >> shiftH)];
        }
        planes = {luma, 16, blue, red, 16};
    }

    const int left = mcuWidth * mx;
    const int top = mcuHeight * my;
    const int columns = header.biWidth - left < mcuWidth ? header.biWidth - left : mcuWidth;
    const int rows = header.biHeight - top < mcuHeight ? header.biHeight - top : mcuHeight;
    BYTE* destination =
        pixels + static_cast<std::size_t>(stride) * (header.biHeight - 1 - top) + 3 * left;
    jpeg_internal::ConvertPixels(planes, rows, columns, destination, stride, scan.path);
}
