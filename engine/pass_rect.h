// A rectangle of the image: top, left, bottom, right, as the host's 32-bit
// rectangles.
#pragma once

#include <cstdint>

struct PassRect {
    int32_t top;
    int32_t left;
    int32_t bottom;
    int32_t right;
};
