// Sorting networks: fixed sequences of compare-exchange steps that sort any
// input of their size, so one sequence can run on every lane of a vector.
#pragma once

#include <cstdint>

struct SortStep {
    uint16_t lo, hi;  // afterwards element lo holds the minimum, hi the maximum
};

// Steps of Batcher's odd–even merge sort for n elements (n ≤ 4096): the
// network for the next power of two with every step that touches an element
// at n or above dropped, which is the same as padding with +infinity. Writes
// the steps when steps is not null; returns their count. Usable at compile
// time, for networks that are unrolled.
constexpr uint32_t SortNetwork_Build(uint32_t n, SortStep* steps) {
    uint32_t count = 0;
    for (uint32_t p = 1; p < n; p <<= 1) {
        for (uint32_t k = p; k >= 1; k >>= 1) {
            for (uint32_t j = k % p; j + k < n; j += 2 * k) {
                for (uint32_t i = 0; i < k && i + j + k < n; ++i) {
                    // Only elements inside the same merged block of 2p meet.
                    if ((i + j) / (2 * p) != (i + j + k) / (2 * p)) continue;
                    if (steps != nullptr)
                        steps[count] = SortStep{uint16_t(i + j), uint16_t(i + j + k)};
                    ++count;
                }
            }
        }
    }
    return count;
}
