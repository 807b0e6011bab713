#include "engine/colour_science.h"
#include "ui/status.h"

namespace {

// Below this a lightness counts as zero, so any chroma is impossible.
constexpr float kZeroLightness = 1e-6f;

}  // namespace

int32_t CheckLab(float lab[3]) {
    const int32_t mode = GetColorCheckMode();
    if (mode == kColorCheckStrict) {
        const bool chroma = lab[1] > kZeroLightness || lab[1] < -kZeroLightness ||
                            lab[2] > kZeroLightness || lab[2] < -kZeroLightness;
        if (lab[0] < 0.0f || (lab[0] < kZeroLightness && chroma)) return kUiErrGeneral;
    } else if (mode == kColorCheckClamp && lab[0] <= 0.0f) {
        lab[0] = lab[1] = lab[2] = 0.0f;
    }
    return kUiOk;
}

int32_t CheckLightness(float luv[3]) {
    const int32_t mode = GetColorCheckMode();
    if (luv[0] >= 0.0f) return kUiOk;
    if (mode == kColorCheckStrict) return kUiErrGeneral;
    if (mode == kColorCheckClamp) luv[0] = 0.0f;
    return kUiOk;
}

int32_t CheckColorTemperature(float* kelvin) {
    const int32_t mode = GetColorCheckMode();
    if (*kelvin >= kMinColorTemperature && *kelvin <= kMaxColorTemperature) return kUiOk;
    if (mode == kColorCheckStrict) return kUiErrGeneral;
    if (mode == kColorCheckClamp)
        *kelvin = *kelvin < kMinColorTemperature ? kMinColorTemperature : kMaxColorTemperature;
    return kUiOk;
}

int32_t CheckxyY(float xyY[3]) {
    const int32_t mode = GetColorCheckMode();
    if (mode == kColorCheckStrict) {
        if (xyY[0] < 0.0f || xyY[1] < 0.0f || xyY[2] < 0.0f || xyY[0] + xyY[1] > 1.0f)
            return kUiErrGeneral;
    } else if (mode == kColorCheckClamp) {
        for (int i = 0; i < 3; ++i)
            if (xyY[i] < 0.0f) xyY[i] = 0.0f;
        const float sum = xyY[0] + xyY[1];
        if (sum > 1.0f) {
            xyY[0] /= sum;
            xyY[1] /= sum;
        }
    }
    return kUiOk;
}

int32_t CheckXYZ(float xyz[3]) {
    const int32_t mode = GetColorCheckMode();
    if (mode == kColorCheckOff) return kUiOk;
    for (int i = 0; i < 3; ++i) {
        if (xyz[i] >= 0.0f) continue;
        if (mode == kColorCheckStrict) return kUiErrGeneral;
        xyz[i] = 0.0f;
    }
    return kUiOk;
}
