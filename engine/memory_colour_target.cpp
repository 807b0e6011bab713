#include <cmath>

#include "engine/colour_science.h"
#include "engine/memory_colour.h"
#include "engine/memory_colour_internal.h"
#include "ui/status.h"

namespace {

constexpr double kMidLightness = 50.0;

int32_t ReferenceWhite(float white[3]) {
    return DaylightXYZ(kMemoryColorKelvin, white);
}

}  // namespace

bool IsRGBMatrix(const Matrix* m) {
    return m != nullptr && m->rows == 3 && m->cols == 3 && m->v != nullptr;
}

float WrapDegrees(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d < 0.0) d += 360.0;
    // A value just below 360 may round up to it in single precision.
    const float f = static_cast<float>(d);
    return f >= 360.0f ? 0.0f : f;
}

int32_t MakeWorkingToXYZ(const RefRGB& ref, Matrix** out) {
    return MakeRGBToXYZ(ref.primaries, ref.xyzWhite, out) == kUiOk ? kUiOk : kUiErrMemory;
}

int32_t MakeWorkingFromXYZ(const RefRGB& ref, Matrix** out) {
    return MakeXYZToRGB(ref.primaries, ref.xyzWhite, out) == kUiOk ? kUiOk : kUiErrMemory;
}

int32_t ColorFunctionLCh(float lightness, const MemoryColorFcn& fcn, float lch[3]) {
    if (lch == nullptr) return kUiErrArg;
    const double l = lightness;
    double chroma = ColorFunctionChroma(fcn.maxChroma, l);
    // Outside 0 .. 100 the parabola turns negative, which would flip the hue.
    if (!(chroma > 0.0)) chroma = 0.0;
    lch[0] = lightness;
    lch[1] = static_cast<float>(chroma);
    lch[2] = WrapDegrees(fcn.baseHue + (l - kMidLightness) * fcn.dHdL);
    return kUiOk;
}

int32_t ColorFunctionXYZ(float lightness, const MemoryColorFcn& fcn, float xyz[3]) {
    float lch[3], lab[3];
    UI_TRY(ColorFunctionLCh(lightness, fcn, lch));
    UI_TRY(LChToLab(lch, lab));
    return LabToXYZAtTemperature(lab, xyz, kMemoryColorKelvin);
}

int32_t WorkingRGBToReferenceXYZ(const float rgb[3], const RefRGB& ref, const Matrix* toXYZ,
                                 float xyz[3]) {
    if (!IsRGBMatrix(toXYZ)) return kUiErrArg;
    float linear[3], working[3], white[3];
    for (int i = 0; i < 3; ++i) linear[i] = EncodedToLinear(rgb[i], ref.gamma);
    UI_TRY(ApplyMatrix(toXYZ, linear, working));
    UI_TRY(ReferenceWhite(white));
    return AdaptXYZ(working, xyz, ref.xyzWhite, white, kAdaptBradford);
}

int32_t ReferenceXYZToLinearRGB(const float xyz[3], const RefRGB& ref, const Matrix* toRGB,
                                float linear[3]) {
    if (!IsRGBMatrix(toRGB)) return kUiErrArg;
    float white[3], working[3];
    UI_TRY(ReferenceWhite(white));
    UI_TRY(AdaptXYZ(xyz, working, white, ref.xyzWhite, kAdaptBradford));
    return ApplyMatrix(toRGB, working, linear);
}

int32_t WorkingRGBToReferenceLCh(const float rgb[3], const RefRGB& ref, const Matrix* toXYZ,
                                 float lch[3]) {
    float xyz[3], lab[3];
    UI_TRY(WorkingRGBToReferenceXYZ(rgb, ref, toXYZ, xyz));
    UI_TRY(XYZToLabAtTemperature(xyz, lab, kMemoryColorKelvin));
    return LabToLCh(lab, lch);
}

int32_t MemoryColorTarget(const MemoryColorFcn& fcn, const float rgb[3], const RefRGB& ref,
                          const Matrix* toXYZ, const Matrix* toRGB, float target[3],
                          float* lightness) {
    if (rgb == nullptr || target == nullptr || !IsRGBMatrix(toXYZ) || !IsRGBMatrix(toRGB))
        return kUiErrArg;
    float xyz[3];
    UI_TRY(WorkingRGBToReferenceXYZ(rgb, ref, toXYZ, xyz));
    const float l = YToLightness(xyz[1]);

    float ideal[3], linear[3];
    UI_TRY(ColorFunctionXYZ(l, fcn, ideal));
    UI_TRY(ReferenceXYZToLinearRGB(ideal, ref, toRGB, linear));
    for (int i = 0; i < 3; ++i) {
        const float v = LinearToEncoded(linear[i], ref.gamma);
        target[i] = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    }
    if (lightness != nullptr) *lightness = l;
    return kUiOk;
}
