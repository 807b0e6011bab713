// Colour-space codes: the spaces a Tintwork maps from and to, and the colour
// kind of the image rows that travel between the filters and the transform.
#pragma once

#include <cstdint>

enum TwSpace : int32_t {
    kTwSpaceNone = 0,  // none given: a stream of kind 0 leaves the spaces out
    kTwSpaceRgb = 1,   // 3 channels
    kTwSpaceCmyk = 4,  // 4 channels
    kTwSpaceGrey = 5,  // 1 channel
    kTwSpaceLab = 7,   // 3 channels: lightness, then two chroma channels
    kTwSpaceLuv = 8,   // 3 channels: lightness, then two chroma channels
};

// Spaces whose first channel carries all the lightness: the sharpen works on
// that channel alone, and sharpens before a transform out of such a space.
inline bool TwSpaceLightnessFirst(int64_t space) {
    return space == kTwSpaceLab || space == kTwSpaceLuv;
}
