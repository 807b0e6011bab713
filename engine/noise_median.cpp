#include "engine/noise_median.h"

#include <array>
#include <climits>
#include <cstddef>
#include <utility>

#include "engine/engine_switches.h"
#include "engine/lanes.h"
#include "engine/noise_kernels.h"
#include "engine/noise_median_lanes.h"

namespace {

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

// Counts per lane the mask values below v − t (L, returned negated) and up to
// v + t (negated too: comparisons give −1 per lane that holds); with kKeep
// also stores the values at lanes[8 × k].
template <bool kKeep>
LANES_INLINE void CountMask(const MedianRow& row, uint32_t x, I32x8 v, I32x8* below, I32x8* upTo,
                            int32_t* lanes) {
    const I32x8 t = Splat8(row.threshold), negT = Splat8(-row.threshold);
    *below = I32x8{};
    *upTo = I32x8{};
    for (uint32_t k = 0; k < row.cellCount; ++k) {
        const I32x8 a = Load8(row.cells[k] + x);
        const I32x8 d = a - v;  // no overflow: values of a channel span less than 2^31
        *below += d < negT;
        *upTo += d <= t;
        if (kKeep) Store8(lanes + kLanes * k, a);
    }
}

LANES_INLINE void MedianOfMask(const MedianRow& row, const MedianScratch& s) {
    for (uint32_t x = 0; x < row.width; x += kLanes) {
        I32x8 below, upTo;
        CountMask<true>(row, x, Load8(row.centre + x), &below, &upTo, s.lanes);
        SortLanes(s.lanes, s.steps, s.stepCount);
        PickRanks(s.lanes, -below, below - upTo, row.out + x);
    }
}

LANES_INLINE void MedianOfRays(const MedianRow& row, const MedianScratch& s) {
    const I32x8 t = Splat8(row.threshold), negT = Splat8(-row.threshold);
    const I32x8 aboveAll = Splat8(kMedianAboveAll);
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

template <uint32_t M>
void SmallMaskPortable(const MedianRow& row, const MedianScratch&) {
    noise_lanes::MedianOfSmallMask<I32x4, M>(row);
}
template <uint32_t M>
LANES_AVX2 void SmallMaskAvx2(const MedianRow& row, const MedianScratch&) {
    noise_lanes::MedianOfSmallMask<I32x8, M>(row);
}

// The functions for masks of 1 to kSmallMask cells, by path.
using noise_lanes::kSmallMask;
template <size_t... M>
constexpr std::array<std::array<MedianFn, sizeof...(M)>, 2> SmallMaskTable(
    std::index_sequence<M...>) {
    return {{{SmallMaskPortable<M + 1>...}, {SmallMaskAvx2<M + 1>...}}};
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

MedianFn Median_Choose(bool rays, uint32_t cellCount) {
    const int32_t path = KernelPathInForce();
    const bool avx2 = path != kKernelPathPortable;
    if (rays) return avx2 ? RaysAvx2 : RaysPortable;
    static constexpr auto kSmall = SmallMaskTable(std::make_index_sequence<kSmallMask>());
    if (cellCount >= 1 && cellCount <= kSmallMask) {
        return path == kKernelPathAvx512 ? Median_SmallMaskAvx512(cellCount)
                                         : kSmall[avx2][cellCount - 1];
    }
    return avx2 ? MaskAvx2 : MaskPortable;
}
