// The thresholded median of one channel along one output row, eight (or, on
// AVX-512, sixteen) pixels at a time. With the centre value v and the threshold t, the candidates
// are the values under the mask within [v − t, v + t]; of n candidates the result is the only one
// for n = 1, the floor of the mean of both for n = 2, else the candidate of rank n / 2 in ascending
// order.
//
// For the shapes with a mask the candidates need not be picked out: with L
// the number of values below v − t, the candidate of rank n / 2 is the value
// of rank L + n / 2 among all values under the mask. So every lane sorts all
// of its values with the same sorting network and reads its own rank. The
// eight rays stop at the first value outside the threshold; the values they
// do not reach are replaced by a value above all others.
#pragma once

#include <cstdint>

#include "engine/sort_network.h"

struct MedianRow {
    const int32_t* centre;        // the window's centre row, at output column 0
    const int32_t* const* cells;  // per mask cell (rays: direction by direction,
                                  // step by step) the window sample for column 0
    uint32_t cellCount;
    uint32_t rayLength;  // rays only: the steps per direction
    int32_t threshold;   // scaled to the window's fixed point, 0 .. 2^31 − 1
    uint32_t width;
    int32_t* out;  // room for width rounded up to a multiple of 16
};

struct MedianScratch {
    int32_t* lanes;  // 8 × (cellCount + 1) values
    const SortStep* steps;
    uint32_t stepCount;
};

constexpr int32_t kMedianAboveAll = 0x7FFFFFFF;  // window values stay below 2^30

typedef void (*MedianFn)(const MedianRow& row, const MedianScratch& scratch);

// The function for masks of cellCount cells or for rays on the kernel path
// in force (AVX-512 for masks of up to 32 cells where that path runs). Masks of up to 32 cells stay
// in registers: the values outside the threshold are moved to the ends so that the candidate sought
// has rank cellCount / 2, and a network unrolled for exactly cellCount
// values, cut down to that rank, selects it.
MedianFn Median_Choose(bool rays, uint32_t cellCount);
