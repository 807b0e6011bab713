// Division by a small constant divisor through one multiplication, truncating
// towards zero exactly like the / operator on int32_t.
#pragma once

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
};
