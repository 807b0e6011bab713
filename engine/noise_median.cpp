#include "engine/noise_median.h"

#include "engine/lanes.h"

namespace {

constexpr int32_t kAboveAll = 0x7FFFFFFF;  // window values stay below 2^30

// Runs the network over the lane vectors held at lanes[8 × i].
LANES_INLINE void SortLanes(int32_t* lanes, const SortStep* steps, uint32_t stepCount) {
    for (uint32_t i = 0; i < stepCount; ++i) {
        int32_t* lo = lanes + kLanes * steps[i].lo;
        int32_t* hi = lanes + kLanes * steps[i].hi;
        const I32x8 a = Load8(lo), b = Load8(hi);
        Store8(lo, Min8(a, b));
        Store8(hi, Max8(a, b));
    }
}

// Each lane's result from its sorted values, its count below the threshold
// window and its count of candidates.
LANES_INLINE void PickRanks(const int32_t* lanes, I32x8 below, I32x8 count, int32_t* out) {
    int32_t belowLane[kLanes], countLane[kLanes];
    Store8(belowLane, below);
    Store8(countLane, count);
    for (int l = 0; l < kLanes; ++l) {
        const int32_t n = countLane[l];
        const int32_t upper = lanes[kLanes * (belowLane[l] + n / 2) + l];
        const int32_t lower = lanes[kLanes * (belowLane[l] + (n - 1) / 2) + l];
        // Two candidates: the floor of their mean (their sum stays below 2^31).
        out[l] = n == 2 ? (lower + upper) >> 1 : upper;
    }
}

LANES_INLINE void MedianOfMask(const MedianRow& row, const MedianScratch& s) {
    const I32x8 t = Splat8(row.threshold), negT = Splat8(-row.threshold);
    for (uint32_t x = 0; x < row.width; x += kLanes) {
        const I32x8 v = Load8(row.centre + x);
        I32x8 below = {}, upTo = {};  // comparisons give −1 per lane that holds
        for (uint32_t k = 0; k < row.cellCount; ++k) {
            const I32x8 a = Load8(row.cells[k] + x);
            const I32x8 d = a - v;  // no overflow: values of a channel span less than 2^31
            below += d < negT;
            upTo += d <= t;
            Store8(s.lanes + kLanes * k, a);
        }
        SortLanes(s.lanes, s.steps, s.stepCount);
        PickRanks(s.lanes, -below, below - upTo, row.out + x);
    }
}

LANES_INLINE void MedianOfRays(const MedianRow& row, const MedianScratch& s) {
    const I32x8 t = Splat8(row.threshold), negT = Splat8(-row.threshold);
    const I32x8 aboveAll = Splat8(kAboveAll);
    const uint32_t length = row.rayLength;
    for (uint32_t x = 0; x < row.width; x += kLanes) {
        const I32x8 v = Load8(row.centre + x);
        Store8(s.lanes, v);
        I32x8 count = Splat8(1);
        for (uint32_t dir = 0; dir < 8; ++dir) {
            I32x8 alive = Splat8(-1);
            for (uint32_t step = 0; step < length; ++step) {
                const uint32_t k = dir * length + step;
                const I32x8 a = Load8(row.cells[k] + x);
                const I32x8 d = a - v;
                alive &= (d >= negT) & (d <= t);
                count -= alive;
                Store8(s.lanes + kLanes * (k + 1), (a & alive) | (aboveAll & ~alive));
            }
        }
        SortLanes(s.lanes, s.steps, s.stepCount);
        PickRanks(s.lanes, I32x8{}, count, row.out + x);
    }
}

void MaskPortable(const MedianRow& row, const MedianScratch& s) {
    MedianOfMask(row, s);
}
LANES_AVX2 void MaskAvx2(const MedianRow& row, const MedianScratch& s) {
    MedianOfMask(row, s);
}
void RaysPortable(const MedianRow& row, const MedianScratch& s) {
    MedianOfRays(row, s);
}
LANES_AVX2 void RaysAvx2(const MedianRow& row, const MedianScratch& s) {
    MedianOfRays(row, s);
}

}  // namespace

MedianFn Median_Choose(bool rays) {
    if (Lanes_UseAvx2()) return rays ? RaysAvx2 : MaskAvx2;
    return rays ? RaysPortable : MaskPortable;
}
