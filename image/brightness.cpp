#include "image/brightness.h"

#include <emmintrin.h>

namespace {

// Up to this many steps a 16-bit multiply-high gives every entry exactly.
const int MAX_SIMD_STEPS = 256;

// Entry v of the brightness table.  64-bit products keep large step values
// exact.
void ScaleByTable(const BYTE* source, BYTE* target, SIZE_T count, int step, int steps) {
    BYTE table[256];
    for (int v = 0; v < 256; ++v) {
        table[v] = static_cast<BYTE>(static_cast<long long>(v) * step / steps);
    }
    for (SIZE_T k = 0; k < count; ++k) target[k] = table[source[k]];
}

// v * step / steps as (v * factor) >> 16 with factor = ceil(65536 * step /
// steps).  Exact for every byte v when steps <= 256: factor exceeds
// 65536 * step / steps by e < 1, so the product exceeds v * step / steps by
// v * e / 65536 < 255 / 65536 < 1 / steps, too little to reach the next
// integer, which lies at least 1 / steps above.  Sixteen bytes per round
// with SSE2.
void ScaleByMultiply(const BYTE* source, BYTE* target, SIZE_T count, int step, int steps) {
    const unsigned factor = (65536u * step + steps - 1) / steps;
    const __m128i factors = _mm_set1_epi16(static_cast<short>(factor));
    const __m128i zero = _mm_setzero_si128();
    SIZE_T k = 0;
    for (; k + 16 <= count; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k));
        const __m128i low = _mm_mulhi_epu16(_mm_unpacklo_epi8(v, zero), factors);
        const __m128i high = _mm_mulhi_epu16(_mm_unpackhi_epi8(v, zero), factors);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + k), _mm_packus_epi16(low, high));
    }
    for (; k < count; ++k) target[k] = static_cast<BYTE>((source[k] * factor) >> 16);
}

}  // namespace

void ScaleBrightness(const BYTE* source, BYTE* target, SIZE_T count, int step, int steps) {
    if (steps <= MAX_SIMD_STEPS) {
        ScaleByMultiply(source, target, count, step, steps);
    } else {
        ScaleByTable(source, target, count, step, steps);
    }
}
