// What the sharpen's portable row loops share with its AVX2 ones. Private to
// engine/sharpen*.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/trunc_div.h"

// The shift of the formula below for 16-bit samples.
constexpr int kSharpenShift16 = 10;

// Constants of one open filter. The sharpened value of a centre sample x with
// the 5 × 5 box sum B is
//   y = (25·x − ((B·k + round) >> shift) + h) / d,  truncated towards zero,
// with d = 25 − s, h = d / 2 and k = (s·2^shift + 12) / 25, which is
// x + s·(x − mean)/(25 − s) in integers. shift is 15 for 8-bit samples and 10
// for 16-bit ones, so that B·k stays below 2^31 (25·65535·983 < 2^31).
struct SharpenCoeffs {
    int32_t k;
    int32_t h;
    TruncDiv div;            // 16-bit samples: |25·x − blur + h| < 2^21
    TruncDivSmall divSmall;  // 8-bit samples: |25·x − blur + h| < 2^13
    int32_t lo, hi;
};

// The 8-bit loops on AVX2, sixteen samples per step. Each returns the first
// sample it left for the caller to finish.

// col[i] = Σ rows[r][i] over the five rows, for i from 0 up to count.
ptrdiff_t SharpenColumnSums8Avx2(const uint8_t* const rows[5], uint16_t* col, ptrdiff_t count);

// out[i] = the clamped sharpened centre[i], for i from begin up to end, with
// the box sum of sample i made of col[i + j·step] for j = −2 .. 2.
ptrdiff_t SharpenSamples8Avx2(const uint16_t* col, const uint8_t* centre, uint8_t* out,
                              ptrdiff_t step, ptrdiff_t begin, ptrdiff_t end,
                              const SharpenCoeffs& c);

// The 16-bit loop on AVX-512, sixteen samples per step, with column sums of
// 32 bits; returns the first sample it left for the caller to finish.
ptrdiff_t SharpenSamples16Avx512(const int32_t* col, const uint16_t* centre, uint16_t* out,
                                 ptrdiff_t step, ptrdiff_t begin, ptrdiff_t end,
                                 const SharpenCoeffs& c);
