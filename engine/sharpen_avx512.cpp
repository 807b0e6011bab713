// The 16-bit sharpen on AVX-512 in 32-bit lanes: box sums up to 25·65535,
// B·k below 2^31 and 25·x − blur + h within ±2^21, as in the eight-lane loop.
#include <immintrin.h>

#include "engine/sharpen_internal.h"

namespace {

LANES_AVX512 LANES_INLINE __m512i Load32(const int32_t* p) {
    return _mm512_loadu_si512(p);
}

}  // namespace

LANES_AVX512 ptrdiff_t SharpenSamples16Avx512(const int32_t* col, const uint16_t* centre,
                                              uint16_t* out, ptrdiff_t step, ptrdiff_t begin,
                                              ptrdiff_t end, const SharpenCoeffs& c) {
    const __m512i k = _mm512_set1_epi32(c.k), round = _mm512_set1_epi32(1 << (kSharpenShift16 - 1));
    const __m512i h = _mm512_set1_epi32(c.h), twentyFive = _mm512_set1_epi32(25);
    const __m512i lo = _mm512_set1_epi32(c.lo), hi = _mm512_set1_epi32(c.hi);
    ptrdiff_t i = begin;
    for (; i + 16 <= end; i += 16) {
        __m512i box = Load32(col + i - 2 * step);
        box = _mm512_add_epi32(box, Load32(col + i - step));
        box = _mm512_add_epi32(box, Load32(col + i));
        box = _mm512_add_epi32(box, Load32(col + i + step));
        box = _mm512_add_epi32(box, Load32(col + i + 2 * step));
        const __m512i blur =
            _mm512_srai_epi32(_mm512_add_epi32(_mm512_mullo_epi32(box, k), round), kSharpenShift16);
        const __m512i x =
            _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(centre + i)));
        const __m512i n =
            _mm512_sub_epi32(_mm512_add_epi32(_mm512_mullo_epi32(x, twentyFive), h), blur);
        const __m512i y = _mm512_min_epi32(_mm512_max_epi32(c.div.Apply16(n), lo), hi);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm512_cvtepi32_epi16(y));
    }
    return i;
}
