#include <cmath>

#include "engine/image_view_check.h"
#include "engine/memory_colour.h"
#include "engine/memory_colour_internal.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr float kMaxLightness = 100.0f;

// The lightness at position i of n along the gradient.
float GradientLightness(int32_t i, int32_t n) {
    return n > 1 ? float(double(kMaxLightness) * i / (n - 1)) : kMaxLightness * 0.5f;
}

template <typename T>
int32_t Fill(const MemoryColorFcn& fcn, const RefRGB& ref, const Matrix* toRGB,
             const IPImage* view) {
    const bool alongWidth = view->width >= view->height;
    const int32_t n = alongWidth ? view->width : view->height;
    const int32_t across = alongWidth ? view->height : view->width;
    const int64_t stepAlong = alongWidth ? view->sampleStride : view->rowStride;
    const int64_t stepAcross = alongWidth ? view->rowStride : view->sampleStride;
    for (int32_t i = 0; i < n; ++i) {
        uint16_t pixel[3];
        UI_TRY(
            MemoryColorSwatch(GradientLightness(i, n), fcn, ref, toRGB, int32_t(sizeof(T)), pixel));
        for (int k = 0; k < 3; ++k) {
            T* p = static_cast<T*>(view->planes[k]) + i * stepAlong;
            for (int32_t j = 0; j < across; ++j) p[j * stepAcross] = T(pixel[k]);
        }
    }
    return kUiOk;
}

}  // namespace

int32_t MemoryColorSwatch(float lightness, const MemoryColorFcn& fcn, const RefRGB& ref,
                          const Matrix* toRGB, int32_t bytesPerSample, uint16_t pixel[3]) {
    if (pixel == nullptr || !IsRGBMatrix(toRGB) || (bytesPerSample != 1 && bytesPerSample != 2))
        return kUiErrArg;
    float xyz[3], linear[3];
    UI_TRY(ColorFunctionXYZ(lightness, fcn, xyz));
    UI_TRY(ReferenceXYZToLinearRGB(xyz, ref, toRGB, linear));
    const double full = bytesPerSample == 1 ? 255.0 : 65535.0;
    for (int k = 0; k < 3; ++k) {
        const float l = linear[k] > 0.0f ? (linear[k] < 1.0f ? linear[k] : 1.0f) : 0.0f;
        const double v = std::round(double(LinearToEncoded(l, ref.gamma)) * full);
        pixel[k] = uint16_t(v > full ? full : (v > 0.0 ? v : 0.0));
    }
    return kUiOk;
}

int32_t DrawMemoryColorGradient(const MemoryColorFcn& fcn, const RefRGB& ref, const IPImage* view) {
    UI_TRY(CheckImageView(view));
    Matrix* toRGB = nullptr;
    UI_TRY(MakeWorkingFromXYZ(ref, &toRGB));
    UiOwned<Matrix> owner(toRGB);
    return view->bytesPerSample == 1 ? Fill<uint8_t>(fcn, ref, toRGB, view)
                                     : Fill<uint16_t>(fcn, ref, toRGB, view);
}
