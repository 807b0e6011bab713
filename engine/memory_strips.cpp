// The strips of the memory-colour editor, from which the user picks a hue
// and a chroma, and the colour a definition starts the host's picker with.
#include <cmath>

#include "engine/image_view_check.h"
#include "engine/memory_colour.h"
#include "engine/memory_colour_internal.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr float kMidLightness = 50.0f;

// Writes one swatch at column x, row y of view.
template <typename T>
void Put(const IPImage* view, int32_t x, int32_t y, const uint16_t pixel[3]) {
    const int64_t at = int64_t(y) * view->rowStride + int64_t(x) * view->sampleStride;
    for (int k = 0; k < 3; ++k) static_cast<T*>(view->planes[k])[at] = T(pixel[k]);
}

// Fills view column by column: fcnAt gives the colour function of a column,
// lightnessAt the lightness of a row.
template <typename T, typename FcnAt, typename LightnessAt>
int32_t FillColumns(const IPImage* view, const RefRGB& ref, const Matrix* toRGB, FcnAt fcnAt,
                    LightnessAt lightnessAt) {
    for (int32_t x = 0; x < view->width; ++x) {
        const MemoryColorFcn column = fcnAt(x);
        for (int32_t y = 0; y < view->height; ++y) {
            uint16_t pixel[3];
            UI_TRY(
                MemoryColorSwatch(lightnessAt(y), column, ref, toRGB, int32_t(sizeof(T)), pixel));
            Put<T>(view, x, y, pixel);
        }
    }
    return kUiOk;
}

template <typename FcnAt, typename LightnessAt>
int32_t DrawStrip(const IPImage* view, const RefRGB& ref, FcnAt fcnAt, LightnessAt lightnessAt) {
    UI_TRY(CheckImageView(view));
    Matrix* toRGB = nullptr;
    UI_TRY(MakeWorkingFromXYZ(ref, &toRGB));
    UiOwned<Matrix> owner(toRGB);
    return view->bytesPerSample == 1 ? FillColumns<uint8_t>(view, ref, toRGB, fcnAt, lightnessAt)
                                     : FillColumns<uint16_t>(view, ref, toRGB, fcnAt, lightnessAt);
}

}  // namespace

int32_t DrawMemoryColorHueStrip(const MemoryColorFcn& fcn, const RefRGB& ref, int32_t startHue,
                                const IPImage* view) {
    const int32_t rows = view != nullptr ? view->height : 0;
    return DrawStrip(
        view, ref,
        [&](int32_t x) {
            MemoryColorFcn column = fcn;
            column.baseHue = float(((startHue + x) % 360 + 360) % 360);
            column.dHdL = 0.0f;
            return column;
        },
        [rows](int32_t y) {
            return rows > 1 ? float(100.0 * (rows - 1 - y) / (rows - 1)) : kMidLightness;
        });
}

int32_t DrawMemoryColorChromaStrip(const MemoryColorFcn& fcn, const RefRGB& ref,
                                   const IPImage* view) {
    const int32_t columns = view != nullptr ? view->width : 0;
    return DrawStrip(
        view, ref,
        [&](int32_t x) {
            MemoryColorFcn column = fcn;
            column.maxChroma = columns > 1 ? float(100.0 * x / (columns - 1)) : fcn.maxChroma;
            column.dHdL = 0.0f;
            return column;
        },
        [](int32_t) { return kMidLightness; });
}

int32_t MemoryColorMidRGB(const MemoryColorFcn& fcn, const RefRGB& ref, uint8_t rgb[3]) {
    if (rgb == nullptr) return kUiErrArg;
    Matrix* toRGB = nullptr;
    UI_TRY(MakeWorkingFromXYZ(ref, &toRGB));
    UiOwned<Matrix> owner(toRGB);
    uint16_t pixel[3];
    UI_TRY(MemoryColorSwatch(kMidLightness, fcn, ref, toRGB, 1, pixel));
    for (int k = 0; k < 3; ++k) rgb[k] = uint8_t(pixel[k]);
    return kUiOk;
}
