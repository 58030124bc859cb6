// 24-bit pixel rows written into a section of 32-bit pixels, darkened on the
// way for a fade.
#include "image/widened_rows.h"

#include <emmintrin.h>

#include <cstring>

#include "image/brightness.h"

namespace {

// Pixels handled per round: their bytes are scaled into a small buffer
// first, then spread out to four bytes each.
const int CHUNK_PIXELS = 128;
// The buffer's bytes after the last pixel, zero: the spreading reads 16
// bytes for every four pixels.
const int CHUNK_SLACK = 16;

// Spreads `count` 3-byte pixels to 4 bytes each, four pixels per round: pixel
// k of a round is the low three bytes of the word that starts at byte 3k.
void SpreadPixels(const BYTE* packed, BYTE* target, int count) {
    const __m128i lowThreeBytes = _mm_set1_epi32(0x00FFFFFF);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed + 3 * i));
        const __m128i first = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
        const __m128i second = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
        const __m128i quads = _mm_and_si128(_mm_unpacklo_epi64(first, second), lowThreeBytes);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 4 * i), quads);
    }
    for (; i < count; ++i) {
        DWORD pixel;
        std::memcpy(&pixel, packed + 3 * i, sizeof pixel);
        pixel &= 0x00FFFFFF;
        std::memcpy(target + 4 * i, &pixel, sizeof pixel);
    }
}

}  // namespace

void WidenRow(const BYTE* source, SIZE_T available, BYTE* target, int width, int step, int steps) {
    if (step == 0 || width <= 0) {
        if (width > 0) std::memset(target, 0, QuadRowBytes(width));
        return;
    }
    BYTE packed[3 * CHUNK_PIXELS + CHUNK_SLACK];
    for (int done = 0; done < width; done += CHUNK_PIXELS) {
        const int count = width - done < CHUNK_PIXELS ? width - done : CHUNK_PIXELS;
        const SIZE_T offset = 3 * static_cast<SIZE_T>(done);
        const SIZE_T wanted = 3 * static_cast<SIZE_T>(count);
        const SIZE_T held = offset >= available           ? 0
                            : available - offset < wanted ? available - offset
                                                          : wanted;
        if (held > 0 && step == steps) std::memcpy(packed, source + offset, held);
        if (held > 0 && step != steps) ScaleBrightness(source + offset, packed, held, step, steps);
        std::memset(packed + held, 0, sizeof packed - held);
        SpreadPixels(packed, target + 4 * static_cast<SIZE_T>(done), count);
    }
}

void WidenRows(const BYTE* pixels, SIZE_T held, int stride, BYTE* bits, int width, int rows,
               int step, int steps) {
    const SIZE_T rowBytes = QuadRowBytes(width);
    for (int r = 0; r < rows; ++r) {
        const SIZE_T begin = static_cast<SIZE_T>(r) * static_cast<SIZE_T>(stride);
        const SIZE_T available = begin >= held ? 0 : held - begin;
        WidenRow(available ? pixels + begin : pixels, available, bits + r * rowBytes, width, step,
                 steps);
    }
}
