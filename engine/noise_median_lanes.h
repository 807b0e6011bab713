// The median of small masks over any lane vector, shared by the paths of
// engine/noise_median.cpp and engine/noise_avx512.cpp. Private to those files.
#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <utility>

#include "engine/lanes.h"
#include "engine/noise_median.h"

namespace noise_lanes {

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

template <uint8_t kUse, typename V>
LANES_INLINE void Exchange(V& lo, V& hi) {
    const V a = lo;
    if constexpr ((kUse & kUseMin) != 0) lo = MinV(a, hi);
    if constexpr ((kUse & kUseMax) != 0) hi = MaxV(a, hi);
}

// Masks: all ones where a lane holds, else zero. Comparisons stay in vectors
// as wide as the processor's: the portable path runs four lanes in one
// 128-bit vector (a compiler splits a comparison of eight lanes there into one
// lane at a time; it keeps min and max in vectors).
template <typename V>
LANES_INLINE V Within(V d, V t, V negT) {
    return (d >= negT) & (d <= t);
}

// A value outside the threshold goes below everything (INT32_MIN) while
// fewer than lowCount have gone there, else above everything (INT32_MAX).
template <typename V>
LANES_INLINE void MoveOutside(V& value, V within, V lowCount, V& outside) {
    value = SelectV(within, value, SplatV<V>(INT32_MAX) ^ V(outside < lowCount));
    outside -= ~within;
}

// The M values of a small mask held in registers. The candidate of rank
// n / 2 becomes the value of rank M / 2 once the values outside the
// threshold are moved to the ends: the first M / 2 − n / 2 of them (in cell
// order) below everything, the others above. A network cut down to that one
// rank then finds it, with no sort of the rest and no per-lane pick.
template <typename V, uint32_t M, size_t... I, size_t... S>
LANES_INLINE void MedianOfSmallMaskAt(const MedianRow& row, uint32_t x, std::index_sequence<I...>,
                                      std::index_sequence<S...>) {
    typedef typename LaneKin<kLanesOf<V>>::U32 U;
    const V v = LoadV<V>(row.centre + x);
    const V t = SplatV<V>(row.threshold), negT = SplatV<V>(-row.threshold);
    V values[M] = {LoadV<V>(row.cells[I] + x)...};
    // No overflow in the differences: values of a channel span less than 2^31.
    const V within[M] = {Within(values[I] - v, t, negT)...};
    const V n = -(within[I] + ...);
    // The sum of the candidates, wrapping; used when there are two.
    const U sum = (U(values[I] & within[I]) + ...);
    const V lowCount = SplatV<V>(int32_t(M / 2)) - (n >> 1);
    V outside{};
    (MoveOutside(values[I], within[I], lowCount, outside), ...);
    constexpr const auto& steps = MiddleNetwork<M>::kSteps;
    (Exchange<steps[S].use>(values[steps[S].lo], values[steps[S].hi]), ...);
    // Two candidates: the floor of their mean (their sum stays below 2^31).
    StoreV(row.out + x, SelectV(V(n == SplatV<V>(2)), V(sum) >> 1, values[M / 2]));
}

template <typename V, uint32_t M>
LANES_INLINE void MedianOfSmallMask(const MedianRow& row) {
    for (uint32_t x = 0; x < row.width; x += kLanesOf<V>) {
        MedianOfSmallMaskAt<V, M>(row, x, std::make_index_sequence<M>(),
                                  std::make_index_sequence<MiddleNetwork<M>::kCount>());
    }
}

// Masks of 1 to this many cells stay in registers.
constexpr uint32_t kSmallMask = 32;

}  // namespace noise_lanes
