#include "engine/noise_median.h"

#include <array>
#include <climits>
#include <cstddef>
#include <utility>

#include "engine/engine_switches.h"
#include "engine/lanes.h"

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

// What the value of rank M / 2 needs of each step of the network that sorts
// M values: nothing, the minimum, the maximum or both.
enum StepUse : uint8_t { kUseNone = 0, kUseMin = 1, kUseMax = 2, kUseBoth = 3 };

struct SelectStep {
    uint16_t lo, hi;
    uint8_t use;
};

// The sorting network of M values cut down to the steps that lead to the
// value of rank M / 2, found by walking the network backwards.
template <uint32_t M>
struct MiddleNetwork {
    static constexpr uint32_t kCount = SortNetwork_Build(M, nullptr);
    static constexpr std::array<SelectStep, kCount> Make() {
        std::array<SortStep, kCount> sort{};
        SortNetwork_Build(M, sort.data());
        std::array<SelectStep, kCount> steps{};
        bool needed[M] = {};
        needed[M / 2] = true;
        for (uint32_t i = kCount; i-- > 0;) {
            const SortStep step = sort[i];
            const uint8_t use =
                uint8_t((needed[step.lo] ? kUseMin : 0) | (needed[step.hi] ? kUseMax : 0));
            if (use != kUseNone) needed[step.lo] = needed[step.hi] = true;
            steps[i] = SelectStep{step.lo, step.hi, use};
        }
        return steps;
    }
    static constexpr std::array<SelectStep, kCount> kSteps = Make();
};

template <uint8_t kUse>
LANES_INLINE void Exchange(I32x8& lo, I32x8& hi) {
    const I32x8 a = lo;
    if constexpr ((kUse & kUseMin) != 0) lo = Min8(a, hi);
    if constexpr ((kUse & kUseMax) != 0) hi = Max8(a, hi);
}

LANES_INLINE I32x8 Select8(I32x8 mask, I32x8 a, I32x8 b) {
    return (a & mask) | (b & ~mask);
}

// Masks: all ones where a lane holds, else zero. The vector path compares;
// on the portable path a compiler splits a comparison of eight lanes into one
// lane at a time (it keeps min and max in vectors), so masks come from shifts.
// All ones where d lies in [−t, t], t ≥ 0.
template <bool kCompare>
LANES_INLINE I32x8 Within8(I32x8 d, I32x8 t, I32x8 negT) {
    if constexpr (kCompare) return (d >= negT) & (d <= t);
    // The distance to the clamped value lies in (−2^31, 2^31).
    const I32x8 e = Clamp8(d, negT, t) - d;
    return ~((e | -e) >> 31);
}
// All ones where a < b, for a and b in [−2^30, 2^30].
template <bool kCompare>
LANES_INLINE I32x8 Less8(I32x8 a, I32x8 b) {
    if constexpr (kCompare) return a < b;
    return (a - b) >> 31;
}
// All ones where a = b, for a and b in [−2^30, 2^30].
template <bool kCompare>
LANES_INLINE I32x8 Equal8(I32x8 a, I32x8 b) {
    if constexpr (kCompare) return a == b;
    const I32x8 e = a - b;
    return ~((e | -e) >> 31);
}

// A value outside the threshold goes below everything (INT32_MIN) while
// fewer than lowCount have gone there, else above everything (INT32_MAX).
template <bool kCompare>
LANES_INLINE void MoveOutside(I32x8& value, I32x8 within, I32x8 lowCount, I32x8& outside) {
    value = Select8(within, value, Splat8(INT32_MAX) ^ Less8<kCompare>(outside, lowCount));
    outside -= ~within;
}

// The M values of a small mask held in registers. The candidate of rank
// n / 2 becomes the value of rank M / 2 once the values outside the
// threshold are moved to the ends: the first M / 2 − n / 2 of them (in cell
// order) below everything, the others above. A network cut down to that one
// rank then finds it, with no sort of the rest and no per-lane pick.
template <uint32_t M, bool kCompare, size_t... I, size_t... S>
LANES_INLINE void MedianOfSmallMaskAt(const MedianRow& row, uint32_t x, std::index_sequence<I...>,
                                      std::index_sequence<S...>) {
    const I32x8 v = Load8(row.centre + x);
    const I32x8 t = Splat8(row.threshold), negT = Splat8(-row.threshold);
    I32x8 values[M] = {Load8(row.cells[I] + x)...};
    // No overflow in the differences: values of a channel span less than 2^31.
    const I32x8 within[M] = {Within8<kCompare>(values[I] - v, t, negT)...};
    const I32x8 n = -(within[I] + ...);
    // The sum of the candidates, wrapping; used when there are two.
    const U32x8 sum = (U32x8(values[I] & within[I]) + ...);
    const I32x8 lowCount = Splat8(int32_t(M / 2)) - (n >> 1);
    I32x8 outside{};
    (MoveOutside<kCompare>(values[I], within[I], lowCount, outside), ...);
    constexpr const auto& steps = MiddleNetwork<M>::kSteps;
    (Exchange<steps[S].use>(values[steps[S].lo], values[steps[S].hi]), ...);
    // Two candidates: the floor of their mean (their sum stays below 2^31).
    Store8(row.out + x, Select8(Equal8<kCompare>(n, Splat8(2)), I32x8(sum) >> 1, values[M / 2]));
}

template <uint32_t M, bool kCompare>
LANES_INLINE void MedianOfSmallMask(const MedianRow& row) {
    for (uint32_t x = 0; x < row.width; x += kLanes) {
        MedianOfSmallMaskAt<M, kCompare>(row, x, std::make_index_sequence<M>(),
                                         std::make_index_sequence<MiddleNetwork<M>::kCount>());
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
    MedianOfSmallMask<M, false>(row);
}
template <uint32_t M>
LANES_AVX2 void SmallMaskAvx2(const MedianRow& row, const MedianScratch&) {
    MedianOfSmallMask<M, true>(row);
}

// The functions for masks of 1 to kSmallMask cells, by path.
constexpr uint32_t kSmallMask = 32;
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
    const bool avx2 = KernelPathInForce() != kKernelPathPortable;
    if (rays) return avx2 ? RaysAvx2 : RaysPortable;
    static constexpr auto kSmall = SmallMaskTable(std::make_index_sequence<kSmallMask>());
    if (cellCount >= 1 && cellCount <= kSmallMask) return kSmall[avx2][cellCount - 1];
    return avx2 ? MaskAvx2 : MaskPortable;
}
