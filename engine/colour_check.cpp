#include "engine/colour_science.h"
#include "ui/status.h"

namespace {

int32_t gCheckMode = kColorCheckClamp;

// Below this a lightness counts as zero, so any chroma is impossible.
constexpr float kZeroLightness = 1e-6f;

}  // namespace

int32_t GetColorCheckMode() {
    return gCheckMode;
}

int32_t SetColorCheckMode(int32_t mode) {
    if (mode != kColorCheckStrict && mode != kColorCheckClamp && mode != kColorCheckOff)
        return kUiErrArg;
    gCheckMode = mode;
    return kUiOk;
}

int32_t CheckLab(float lab[3]) {
    if (gCheckMode == kColorCheckStrict) {
        const bool chroma = lab[1] > kZeroLightness || lab[1] < -kZeroLightness ||
                            lab[2] > kZeroLightness || lab[2] < -kZeroLightness;
        if (lab[0] < 0.0f || (lab[0] < kZeroLightness && chroma)) return kUiErrGeneral;
    } else if (gCheckMode == kColorCheckClamp && lab[0] <= 0.0f) {
        lab[0] = lab[1] = lab[2] = 0.0f;
    }
    return kUiOk;
}

int32_t CheckLightness(float luv[3]) {
    if (luv[0] >= 0.0f) return kUiOk;
    if (gCheckMode == kColorCheckStrict) return kUiErrGeneral;
    if (gCheckMode == kColorCheckClamp) luv[0] = 0.0f;
    return kUiOk;
}

int32_t CheckColorTemperature(float* kelvin) {
    if (*kelvin >= kMinColorTemperature && *kelvin <= kMaxColorTemperature) return kUiOk;
    if (gCheckMode == kColorCheckStrict) return kUiErrGeneral;
    if (gCheckMode == kColorCheckClamp)
        *kelvin = *kelvin < kMinColorTemperature ? kMinColorTemperature : kMaxColorTemperature;
    return kUiOk;
}

int32_t CheckxyY(float xyY[3]) {
    if (gCheckMode == kColorCheckStrict) {
        if (xyY[0] < 0.0f || xyY[1] < 0.0f || xyY[2] < 0.0f || xyY[0] + xyY[1] > 1.0f)
            return kUiErrGeneral;
    } else if (gCheckMode == kColorCheckClamp) {
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
    if (gCheckMode == kColorCheckOff) return kUiOk;
    for (int i = 0; i < 3; ++i) {
        if (xyz[i] >= 0.0f) continue;
        if (gCheckMode == kColorCheckStrict) return kUiErrGeneral;
        xyz[i] = 0.0f;
    }
    return kUiOk;
}
