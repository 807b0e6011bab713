// Division by a small constant divisor through one multiplication, truncating
// towards zero exactly like the / operator on int32_t.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "engine/lanes.h"

// Exact for divisors 1 .. 128 and numerators of magnitude below 2^24:
// mul = ceil(2^31 / d) = (2^31 + e) / d with e < d, so |n| * e < 2^31 keeps
// floor(|n| * mul / 2^31) equal to floor(|n| / d). The 32 × 32-bit product
// is what vector units multiply, so loops over it vectorise.
struct TruncDiv {
    uint32_t mul;

    static TruncDiv For(uint32_t divisor) {
        return TruncDiv{uint32_t(((uint64_t(1) << 31) + divisor - 1) / divisor)};
    }
    int32_t Apply(int32_t n) const {
        const int32_t sign = n >> 31;  // 0 or -1
        const uint32_t magnitude = uint32_t((n ^ sign) - sign);
        const int32_t q = int32_t((uint64_t(magnitude) * mul) >> 31);
        return (q ^ sign) - sign;
    }
    LANES_INLINE I32x8 Apply(I32x8 n) const {
        const I32x8 sign = n >> 31;
        const U32x8 magnitude = U32x8((n ^ sign) - sign);
        const U64x8 product = __builtin_convertvector(magnitude, U64x8) * uint64_t(mul);
        const I32x8 q = __builtin_convertvector(product >> 31, I32x8);
        return (q ^ sign) - sign;
    }
    // Sixteen lanes: the even lanes' 64-bit products shifted down by 31 leave
    // the quotient in their low halves, the odd lanes' shifted up by 1 in
    // their high halves (products below 2^55, quotients below 2^24).
    LANES_AVX512 LANES_INLINE __m512i Apply16(__m512i n) const {
        const __m512i magnitude = _mm512_abs_epi32(n);
        const __m512i m = _mm512_set1_epi32(int32_t(mul));
        const __m512i even = _mm512_srli_epi64(_mm512_mul_epu32(magnitude, m), 31);
        const __m512i odd =
            _mm512_slli_epi64(_mm512_mul_epu32(_mm512_srli_epi64(magnitude, 32), m), 1);
        const __m512i q = _mm512_mask_blend_epi32(0xAAAA, even, odd);
        const __mmask16 negative = _mm512_cmplt_epi32_mask(n, _mm512_setzero_si512());
        return _mm512_mask_sub_epi32(q, negative, _mm512_setzero_si512(), q);
    }
};

// The same for divisors 1 .. 25 and numerators of magnitude below 2^13 (the
// sharpen of 8-bit samples), with products that fit 32 bits:
// mul = ceil(2^18 / d) = (2^18 + e) / d with 0 <= e < d. Writing |n| = q·d + r
// with 0 <= r < d, |n|·mul / 2^18 = q + (r + |n|·e / 2^18) / d, and
// |n|·e < 2^13 · 25 < 2^18 keeps r + |n|·e / 2^18 below d: the floor is q.
// |n|·mul < 2^13 · 2^18 = 2^31.
struct TruncDivSmall {
    uint32_t mul;  // at most 2^18

    static constexpr int kShift = 18;

    static TruncDivSmall For(uint32_t divisor) {
        return TruncDivSmall{((uint32_t(1) << kShift) + divisor - 1) / divisor};
    }
    int32_t Apply(int32_t n) const {
        const int32_t sign = n >> 31;
        const uint32_t magnitude = uint32_t((n ^ sign) - sign);
        const int32_t q = int32_t((magnitude * mul) >> kShift);
        return (q ^ sign) - sign;
    }
    LANES_INLINE I32x8 Apply(I32x8 n) const {
        const I32x8 sign = n >> 31;
        const U32x8 magnitude = U32x8((n ^ sign) - sign);
        const I32x8 q = I32x8((magnitude * mul) >> kShift);
        return (q ^ sign) - sign;
    }
    // Sixteen 16-bit lanes. With mul = high·2^16 + low (high <= 4),
    // floor(|n|·mul / 2^16) = |n|·high + floor(|n|·low / 2^16), below 2^15.
    LANES_AVX2 LANES_INLINE __m256i Apply16(__m256i n) const {
        const __m256i magnitude = _mm256_abs_epi16(n);
        const __m256i high = _mm256_mullo_epi16(magnitude, _mm256_set1_epi16(int16_t(mul >> 16)));
        const __m256i low = _mm256_mulhi_epu16(magnitude, _mm256_set1_epi16(int16_t(mul)));
        const __m256i q = _mm256_srli_epi16(_mm256_add_epi16(high, low), kShift - 16);
        return _mm256_sign_epi16(q, n);  // n = 0 gives q = 0 either way
    }
};
