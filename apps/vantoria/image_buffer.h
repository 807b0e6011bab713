// An image held by the batch command: interleaved RGB or RGBA samples, 8 or
// 16 bits, in the plug-in interface's scale (16-bit samples 0..32768), so
// that the host kit can lend it to the plug-in as it stands.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "hostkit/hostkit.h"

struct ImageBuffer {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;  // 3 or 4
    int32_t depth = 0;   // 8 or 16
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> iccProfile;  // the file's embedded profile, empty when none

    int32_t RowBytes() const { return width * planes * (depth / 8); }
    HKImage View() { return HKImage{width, height, planes, depth, RowBytes(), pixels.data()}; }
};

// File sample (0..65535) to interface sample (0..32768) and back, both rounded.
inline uint16_t ToInterface16(uint16_t v) {
    return uint16_t((uint32_t(v) * 32768u + 32767u) / 65535u);
}
inline uint16_t FromInterface16(uint16_t s) {
    const uint32_t v = (uint32_t(s > 32768 ? 32768 : s) * 65535u + 16384u) / 32768u;
    return uint16_t(v);
}

// Converts every 16-bit sample of a buffer (host byte order) between the file
// and the interface scales; 8-bit buffers are left alone.
inline void Convert16(ImageBuffer* image, uint16_t (*convert)(uint16_t)) {
    if (image->depth != 16) return;
    for (size_t i = 0; i + 1 < image->pixels.size(); i += 2) {
        uint16_t v;
        std::memcpy(&v, &image->pixels[i], 2);
        v = convert(v);
        std::memcpy(&image->pixels[i], &v, 2);
    }
}
