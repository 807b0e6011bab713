// The 8-bit sharpen on AVX2 in 16-bit lanes, which hold every value along the
// way: column sums up to 5·255, box sums up to 25·255, blur up to 6120 and
// 25·x − blur + h within ±6387.
#include <immintrin.h>

#include "engine/sharpen_internal.h"

namespace {

LANES_AVX2 LANES_INLINE __m256i Load16(const uint16_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

LANES_AVX2 LANES_INLINE __m256i LoadWiden16(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

}  // namespace

LANES_AVX2 ptrdiff_t SharpenColumnSums8Avx2(const uint8_t* const rows[5], uint16_t* col,
                                            ptrdiff_t count) {
    ptrdiff_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m256i sum = LoadWiden16(rows[0] + i);
        for (int r = 1; r < 5; ++r) sum = _mm256_add_epi16(sum, LoadWiden16(rows[r] + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(col + i), sum);
    }
    return i;
}

LANES_AVX2 ptrdiff_t SharpenSamples8Avx2(const uint16_t* col, const uint8_t* centre, uint8_t* out,
                                         ptrdiff_t step, ptrdiff_t begin, ptrdiff_t end,
                                         const SharpenCoeffs& c) {
    const __m256i k = _mm256_set1_epi16(int16_t(c.k)), h = _mm256_set1_epi16(int16_t(c.h));
    const __m256i lo = _mm256_set1_epi16(int16_t(c.lo)), hi = _mm256_set1_epi16(int16_t(c.hi));
    const __m256i twentyFive = _mm256_set1_epi16(25);
    const TruncDivSmall div = c.divSmall;
    ptrdiff_t i = begin;
    for (; i + 16 <= end; i += 16) {
        __m256i box = Load16(col + i - 2 * step);
        box = _mm256_add_epi16(box, Load16(col + i - step));
        box = _mm256_add_epi16(box, Load16(col + i));
        box = _mm256_add_epi16(box, Load16(col + i + step));
        box = _mm256_add_epi16(box, Load16(col + i + 2 * step));
        // Rounding multiply: (box·k + 2^14) >> 15 exactly, box and k below 2^15.
        const __m256i blur = _mm256_mulhrs_epi16(box, k);
        const __m256i x25 = _mm256_mullo_epi16(LoadWiden16(centre + i), twentyFive);
        const __m256i n = _mm256_sub_epi16(_mm256_add_epi16(x25, h), blur);
        const __m256i y = _mm256_min_epi16(_mm256_max_epi16(div.Apply16(n), lo), hi);
        const __m128i bytes =
            _mm_packus_epi16(_mm256_castsi256_si128(y), _mm256_extracti128_si256(y, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
    }
    return i;
}
