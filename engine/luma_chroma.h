// The luminance–chrominance space of the noise filter, in integers. The
// forward rows sum to 16384 (Y) and to 0 (U, V), so Y carries the samples
// times 16384, like every other value inside the filter's window:
//   Y = 4899 R + 9617 G + 1868 B
//   U = 7160 B − 4735 G − 2425 R   (blue chrominance)
//   V = 10076 R − 8438 G − 1638 B  (red chrominance)
// The inverse uses the exact rational inverse of that matrix, whose entries
// all have the denominator D = 16384 × 34086005, and rounds once to nearest,
// so every (Y, U, V) made from integer R, G, B comes back exactly (the
// numerators are multiples of D), and filtered values round to nearest.
#pragma once

#include <cstdint>

struct LumaChroma {
    int32_t y, u, v;
};

inline LumaChroma LumaChroma_FromRgb(int32_t r, int32_t g, int32_t b) {
    return LumaChroma{4899 * r + 9617 * g + 1868 * b, 7160 * b - 4735 * g - 2425 * r,
                      10076 * r - 8438 * g - 1638 * b};
}

// One colour sample from Y, U, V, rounded to nearest with halves up, not yet
// clamped (a negative result may be off by one towards zero, which the clamp
// to 0 absorbs). |Y|, |U|, |V| < 2^31 keep the numerators below 2^57.
inline int32_t LumaChroma_Channel(int64_t y, int64_t u, int64_t v, int64_t cu, int64_t cv) {
    constexpr int64_t kDen = int64_t(16384) * 34086005;
    return int32_t((34086005 * y + cu * u + cv * v + kDen / 2) / kDen);
}
// The numerators' factors of U and V for each channel.
constexpr int32_t kLumaChromaRed[2] = {-4769, 38851350};
constexpr int32_t kLumaChromaGreen[2] = {-13423265, -19803370};
constexpr int32_t kLumaChromaBlue[2] = {69119327, 62230};
inline int32_t LumaChroma_Red(int32_t y, int32_t u, int32_t v) {
    return LumaChroma_Channel(y, u, v, kLumaChromaRed[0], kLumaChromaRed[1]);
}
inline int32_t LumaChroma_Green(int32_t y, int32_t u, int32_t v) {
    return LumaChroma_Channel(y, u, v, kLumaChromaGreen[0], kLumaChromaGreen[1]);
}
inline int32_t LumaChroma_Blue(int32_t y, int32_t u, int32_t v) {
    return LumaChroma_Channel(y, u, v, kLumaChromaBlue[0], kLumaChromaBlue[1]);
}
