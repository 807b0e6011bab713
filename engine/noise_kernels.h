// The noise engine's kernels by path, beside the median's (noise_median.h).
// Private to engine/noise*.cpp.
#pragma once

#include <cstdint>

#include "engine/noise_median.h"

// Conversions between R, G, B samples, in three planes or interleaved in one
// row at rgb[0], and three rows of Y, U, V (engine/luma_chroma.h), over whole
// lane vectors; each returns how many pixels it did, from 0 on.
struct NoiseRowKernels {
    uint32_t (*fromRgb8)(const uint8_t* const rgb[3], uint32_t count, int32_t* const yuv[3],
                         bool interleaved);
    uint32_t (*fromRgb16)(const uint16_t* const rgb[3], uint32_t count, int32_t* const yuv[3],
                          bool interleaved);
    uint32_t (*toRgb8)(const int32_t* const yuv[3], uint32_t count, uint8_t* const rgb[3],
                       bool interleaved);
    uint32_t (*toRgb16)(const int32_t* const yuv[3], uint32_t count, uint16_t* const rgb[3],
                        bool interleaved);
};

// The kernels of the path in force (engine/engine_switches.h).
const NoiseRowKernels* NoiseRowKernels_Choose();

// The AVX-512 forms (engine/noise_avx512.cpp): the row kernels, and the
// median of masks of 1 to 32 cells.
extern const NoiseRowKernels kNoiseRowsAvx512;
MedianFn Median_SmallMaskAvx512(uint32_t cellCount);
