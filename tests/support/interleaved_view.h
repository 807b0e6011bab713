// An RGB image held as interleaved samples (8- or 16-bit) for the analyses and
// the compiler, and the IPImage view of it.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/ip_image.h"

struct InterleavedImage {
    int32_t width = 0, height = 0, channels = 3;
    int32_t depth = 1;  // bytes per sample
    std::vector<uint8_t> s8;
    std::vector<uint16_t> s16;

    InterleavedImage() = default;
    InterleavedImage(int32_t w, int32_t h, int32_t bytesPerSample, int32_t ch = 3)
        : width(w), height(h), channels(ch), depth(bytesPerSample) {
        const size_t n = size_t(w) * size_t(h) * size_t(ch);
        if (depth == 1)
            s8.assign(n, 0);
        else
            s16.assign(n, 0);
    }
    size_t Index(int32_t x, int32_t y, int32_t c) const {
        return (size_t(y) * size_t(width) + size_t(x)) * size_t(channels) + size_t(c);
    }
    uint32_t Get(int32_t x, int32_t y, int32_t c) const {
        return depth == 1 ? s8[Index(x, y, c)] : s16[Index(x, y, c)];
    }
    void Set(int32_t x, int32_t y, int32_t c, uint32_t v) {
        if (depth == 1)
            s8[Index(x, y, c)] = uint8_t(v);
        else
            s16[Index(x, y, c)] = uint16_t(v);
    }
    void SetPixel(int32_t x, int32_t y, uint32_t r, uint32_t g, uint32_t b) {
        Set(x, y, 0, r);
        Set(x, y, 1, g);
        Set(x, y, 2, b);
    }
    void Fill(uint32_t r, uint32_t g, uint32_t b) {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) SetPixel(x, y, r, g, b);
    }
    IPImage View() {
        IPImage v{};
        v.kind = kIPImageColour;
        v.planeCount = channels;
        v.bytesPerSample = depth;
        v.width = width;
        v.height = height;
        v.resolution = 72.0f;
        v.sampleStride = channels;
        v.rowStride = width * channels;
        for (int32_t c = 0; c < channels; ++c) {
            v.planes[c] =
                depth == 1 ? static_cast<void*>(s8.data() + c) : static_cast<void*>(s16.data() + c);
        }
        return v;
    }
};

// A selection mask with its own bits, every pixel off.
struct OwnedMask {
    std::vector<uint8_t> bits;
    SelectionMask mask{};
    OwnedMask(int32_t w, int32_t h) {
        mask.width = w;
        mask.height = h;
        mask.rowBytes = (w + 7) / 8;
        bits.assign(size_t(mask.rowBytes) * size_t(h), 0);
        mask.bits = bits.data();
    }
    void Select(int32_t x, int32_t y) {
        bits[size_t(y) * size_t(mask.rowBytes) + size_t(x >> 3)] |= uint8_t(1u << (x & 7));
    }
};
