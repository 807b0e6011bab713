#include <cmath>

#include "engine/image_scale.h"
#include "ui/status.h"

namespace {

bool ZoomViewUsable(const IPImage* v) {
    if (v == nullptr || v->width < 1 || v->height < 1 || v->sampleStride < 1 || v->rowStride < 1)
        return false;
    if (v->planeCount < 1 || v->planeCount > kIPImageMaxPlanes) return false;
    for (int32_t k = 0; k < v->planeCount; ++k)
        if (v->planes[k] == nullptr) return false;
    return true;
}

// The first source pixel of the window and how many destination pixels
// along an axis show source pixels.
struct ZoomAxis {
    int32_t offset;   // in zoomed pixels
    int32_t covered;  // destination pixels with a source pixel under them
};

ZoomAxis Axis(int32_t sourceSide, int32_t destSide, int32_t zoom, float fraction) {
    const int64_t zoomed = int64_t(sourceSide) * zoom;
    const int64_t hidden = zoomed > destSide ? zoomed - destSide : 0;
    ZoomAxis a;
    a.offset = int32_t(std::lround(double(hidden) * fraction));
    const int64_t visible = zoomed - a.offset;
    a.covered = int32_t(visible < destSide ? visible : destSide);
    return a;
}

template <typename T>
void Replicate(const IPImage* src, IPImage* dst, int32_t zoom, ZoomAxis across, ZoomAxis down) {
    for (int32_t k = 0; k < src->planeCount; ++k) {
        for (int32_t y = 0; y < down.covered; ++y) {
            const int32_t sy = (y + down.offset) / zoom;
            const T* in = static_cast<const T*>(src->planes[k]) + int64_t(sy) * src->rowStride;
            T* out = static_cast<T*>(dst->planes[k]) + int64_t(y) * dst->rowStride;
            // The first block is cut to what remains after the offset.
            int32_t sx = across.offset / zoom;
            int32_t run = zoom - across.offset % zoom;
            for (int32_t x = 0; x < across.covered; ++x) {
                out[int64_t(x) * dst->sampleStride] = in[int64_t(sx) * src->sampleStride];
                if (--run == 0) {
                    ++sx;
                    run = zoom;
                }
            }
        }
    }
}

}  // namespace

int32_t IPZoomReplicate(const IPImage* src, IPImage* dst, int32_t zoom, float fx, float fy) {
    if (!ZoomViewUsable(src) || !ZoomViewUsable(dst)) return kUiErrArg;
    if (src->kind != dst->kind || src->planeCount != dst->planeCount ||
        src->bytesPerSample != dst->bytesPerSample)
        return kUiErrArg;
    if (src->bytesPerSample != 1 && src->bytesPerSample != 2) return kUiErrArg;
    for (int32_t k = 0; k < src->planeCount; ++k)
        for (int32_t j = 0; j < dst->planeCount; ++j)
            if (src->planes[k] == dst->planes[j]) return kUiErrArg;
    if (zoom < 1 || !(fx >= 0 && fx <= 1) || !(fy >= 0 && fy <= 1)) return kUiErrArg;
    const ZoomAxis across = Axis(src->width, dst->width, zoom, fx);
    const ZoomAxis down = Axis(src->height, dst->height, zoom, fy);
    if (src->bytesPerSample == 1)
        Replicate<uint8_t>(src, dst, zoom, across, down);
    else
        Replicate<uint16_t>(src, dst, zoom, across, down);
    return kUiOk;
}
