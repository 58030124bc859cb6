#ifndef VELMOR_TESTS_JPEG_DECODER_PROBE_H
#define VELMOR_TESTS_JPEG_DECODER_PROBE_H

// The tests' access to a decoder's stages and fields, which JpegDecoder
// keeps private: a decoder with the same names on the outside.
#include "jpeg/jpeg_decoder.h"

struct JpegDecoderProbe {
    JpegDecoder decoder;

    std::int32_t& stride = decoder.stride;
    std::int32_t& mcusPerRow = decoder.mcusPerRow;
    std::int32_t& mcuRows = decoder.mcuRows;
    std::int32_t& restartInterval = decoder.restartInterval;
    std::int32_t& bitPos = decoder.bitPos;
    const BYTE*& dataPos = decoder.dataPos;
    const BYTE*& streamStart = decoder.streamStart;
    const BYTE*& streamEnd = decoder.streamEnd;
    CodeTable (&acTables)[4] = decoder.acTables;
    CodeTable (&dcTables)[4] = decoder.dcTables;
    const BYTE* (&acValues)[4] = decoder.acValues;
    const BYTE* (&dcValues)[4] = decoder.dcValues;
    int (&acCounts)[4] = decoder.acCounts;
    int (&dcCounts)[4] = decoder.dcCounts;
    bool& dataError = decoder.dataError;

    JpegDecoderProbe() = default;
    JpegDecoderProbe(const JpegDecoderProbe&) = delete;
    JpegDecoderProbe& operator=(const JpegDecoderProbe&) = delete;

    int Decode(const BYTE* stream, DWORD length, HLOCAL* headerBlock, HLOCAL* pixelBlock) {
        return decoder.Decode(stream, length, headerBlock, pixelBlock);
    }
    const BYTE* ReadHuffmanTables(const BYTE* position) {
        return decoder.ReadHuffmanTables(position);
    }
    int StartBits(const BYTE* position) { return decoder.StartBits(position); }
    int GetBits(std::int32_t* value, std::uint8_t count) { return decoder.GetBits(value, count); }
    int DecodeHuffman(const CodeTable& table, const BYTE* values, int valueCount) {
        return decoder.DecodeHuffman(table, values, valueCount);
    }
    std::int32_t Extend(int size) { return decoder.Extend(size); }
    int DecodeDc(std::int32_t* difference, const CodeTable& table, const BYTE* values, int count) {
        return decoder.DecodeDc(difference, table, values, count);
    }
    int DecodeAc(std::int32_t* value, std::int32_t* run, const CodeTable& table, const BYTE* values,
                 int count) {
        return decoder.DecodeAc(value, run, table, values, count);
    }
    int CheckRestart(std::int32_t mcuCount) { return decoder.CheckRestart(mcuCount); }
};

#endif
