#include "apps/vantoria/synthetic.h"

#include <cstring>

void MakeSyntheticImage(int32_t width, int32_t height, int32_t depth, ImageBuffer* image) {
    image->width = width;
    image->height = height;
    image->planes = 3;
    image->depth = depth;
    image->pixels.assign(size_t(image->RowBytes()) * size_t(height), 0);
    const int32_t cx = width / 2, cy = height / 2, r = (width < height ? width : height) / 3;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            // Values 0..1 in 1/65536 steps: a sky-to-ground gradient with a disc.
            uint32_t rgb[3] = {uint32_t(x) * 65535u / uint32_t(width),
                               uint32_t(y) * 65535u / uint32_t(height), 40000u};
            const int32_t dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy < r * r) {
                rgb[0] = 52000;
                rgb[1] = 36000;
                rgb[2] = 28000;
            }
            for (int32_t p = 0; p < 3; ++p) {
                const size_t i = size_t(y) * size_t(width) * 3 + size_t(x) * 3 + size_t(p);
                if (depth == 16) {
                    const uint16_t s = ToInterface16(uint16_t(rgb[p]));
                    std::memcpy(&image->pixels[i * 2], &s, 2);
                } else {
                    image->pixels[i] = uint8_t(rgb[p] >> 8);
                }
            }
        }
}
