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
// the steps when steps is not null; returns their count.
uint32_t SortNetwork_Build(uint32_t n, SortStep* steps);
