// The image view through which the scaler, the analyses and the compiler see
// pixels, and the one-bit selection mask that limits the analyses.
#pragma once

#include <cstdint>

enum IPImageKind : int32_t {
    kIPImageColour = 1,  // one pointer per channel plane
    kIPImageMask = 5,    // one channel of mask values
};

constexpr int32_t kIPImageMaxPlanes = 4;
constexpr int32_t kIPImageMaxSide = 32766;

// Samples are u8 (bytesPerSample 1) or u16 (2); strides are counted in
// samples, not bytes. Plane k's sample at (x, y) is
// planes[k][y * rowStride + x * sampleStride].
struct IPImage {
    int32_t kind;            // IPImageKind
    int32_t planeCount;      // 3, or 4 (the fourth is transparency or a mask)
    int32_t bytesPerSample;  // 1 or 2
    int32_t width;
    int32_t height;
    float resolution;  // 72.0; not read by the engine
    int32_t sampleStride;
    int32_t rowStride;
    void* planes[kIPImageMaxPlanes];  // the fourth null for three planes
    // 1: 16-bit colour samples converted from the host's 0..32768 to
    // 0..65534, whose clipped value is therefore 65534; 0: the clipped value
    // is the code maximum (255 or 65535).
    int32_t hostRange;
};

// One bit per pixel, bit (x mod 8) of byte x / 8 of row y (least significant
// first), rows of rowBytes bytes. A set bit takes part in the analyses.
struct SelectionMask {
    int32_t width;
    int32_t height;
    int32_t rowBytes;  // at least (width + 7) / 8
    const uint8_t* bits;
};

inline bool SelectionMaskHas(const SelectionMask* mask, int32_t x, int32_t y) {
    return mask == nullptr ||
           (mask->bits[static_cast<int64_t>(y) * mask->rowBytes + (x >> 3)] >> (x & 7)) & 1;
}
