#include "engine/working_space.h"

#include <cmath>

#include "engine/colour_science.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

// Two working-space values closer than this are the same.
constexpr float kMatchTolerance = 1e-5f;

bool AllFinite(const float* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

// A value that is not a number matches nothing.
bool Differ(float a, float b) {
    return !(std::fabs(a - b) <= kMatchTolerance);
}

constexpr double kFixedOne = 65536.0;

double FromFixed(int32_t v) {
    return double(v) / kFixedOne;
}

}  // namespace

int32_t DefaultRefRGB(RefRGB* ref) {
    if (ref == nullptr) return kUiErrArg;
    RefRGB r;
    r.gamma = kDefaultGamma;
    for (int i = 0; i < 6; ++i) r.primaries[i] = kDefaultPrimaries[i];
    UI_TRY(DaylightXYZ(kDefaultWhiteKelvin, r.xyzWhite));
    *ref = r;
    return kUiOk;
}

float RoundToFourDecimals(float v) {
    return static_cast<float>(std::round(static_cast<double>(v) * 10000.0) / 10000.0);
}

void RoundPrimaries(float primaries[6]) {
    for (int i = 0; i < 6; ++i) primaries[i] = RoundToFourDecimals(primaries[i]);
}

int32_t MakeRGBToXYZ(const float primaries[6], const float white[3], Matrix** out) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    if (primaries == nullptr || white == nullptr) return kUiErrArg;
    if (!AllFinite(primaries, 6) || !AllFinite(white, 3)) return kUiErrArg;
    // A primary on the line y = 0 has no luminance to scale by.
    for (int k = 0; k < 3; ++k)
        if (primaries[2 * k + 1] == 0.0f) return kUiErrArg;

    Matrix* unscaled = nullptr;
    UI_TRY(MatrixAlloc(3, 3, &unscaled));
    UiOwned<Matrix> unscaledOwner(unscaled);
    for (int k = 0; k < 3; ++k) {
        const double x = primaries[2 * k], y = primaries[2 * k + 1];
        MatrixAt(unscaled, k, 0) = static_cast<float>(x / y);
        MatrixAt(unscaled, k, 1) = 1.0f;
        MatrixAt(unscaled, k, 2) = static_cast<float>((1.0 - x - y) / y);
    }
    Matrix* inverse = nullptr;
    UI_TRY(MatrixInvert(unscaled, &inverse));
    UiOwned<Matrix> inverseOwner(inverse);

    // Scales S with S·unscaled = white, so that RGB (1, 1, 1) maps to the white.
    float scale[3];
    UI_TRY(ApplyMatrix(inverse, white, scale));
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 3; ++j) MatrixAt(unscaled, k, j) *= scale[k];
        if (!AllFinite(&MatrixAt(unscaled, k, 0), 3)) return kUiErrArg;
    }
    *out = unscaledOwner.release();
    return kUiOk;
}

int32_t MakeXYZToRGB(const float primaries[6], const float white[3], Matrix** out) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    Matrix* toXYZ = nullptr;
    UI_TRY(MakeRGBToXYZ(primaries, white, &toXYZ));
    UiOwned<Matrix> owner(toXYZ);
    return MatrixInvert(toXYZ, out);
}

int32_t ApplyMatrix(const Matrix* m, const float in[3], float out[3]) {
    if (m == nullptr || in == nullptr || out == nullptr || m->rows != 3 || m->cols != 3)
        return kUiErrArg;
    double r[3];
    for (int j = 0; j < 3; ++j)
        r[j] = double(in[0]) * MatrixAt(m, 0, j) + double(in[1]) * MatrixAt(m, 1, j) +
               double(in[2]) * MatrixAt(m, 2, j);
    for (int j = 0; j < 3; ++j) out[j] = static_cast<float>(r[j]);
    return kUiOk;
}

float EncodedToLinear(float encoded, float gamma) {
    return SignedPow(encoded, gamma);
}

float LinearToEncoded(float linear, float gamma) {
    return SignedPow(linear, static_cast<float>(1.0 / gamma));
}

int32_t CheckWorkingSpace(const RefRGB* ref) {
    if (ref == nullptr) return kUiErrArg;
    if (!(ref->gamma >= kMinWorkingGamma && ref->gamma <= kMaxWorkingGamma)) return kUiErrGeneral;
    Matrix* toXYZ = nullptr;
    int32_t status = MakeRGBToXYZ(ref->primaries, ref->xyzWhite, &toXYZ);
    UiOwned<Matrix> toXYZOwner(toXYZ);
    if (status == kUiOk) {
        Matrix* toRGB = nullptr;
        status = MatrixInvert(toXYZ, &toRGB);
        MatrixFree(toRGB);
    }
    if (status == kUiErrMemory) return kUiErrMemory;
    return status == kUiOk ? kUiOk : kUiErrGeneral;
}

bool RefRgbMatch(RefRGB a, RefRGB b) {
    RoundPrimaries(a.primaries);
    RoundPrimaries(b.primaries);
    if (Differ(a.gamma, b.gamma)) {
        Ui_Debug_Logf(1, "RefRgbMatch: gamma1: %f  gamma2: %f", double(a.gamma), double(b.gamma));
        return false;
    }
    for (int i = 0; i < 3; ++i)
        if (Differ(a.xyzWhite[i], b.xyzWhite[i])) {
            Ui_Debug_Logf(1, "RefRgbMatch: xyzWhite1[%d]: %f  xyzWhite2[%d]: %f", i,
                          double(a.xyzWhite[i]), i, double(b.xyzWhite[i]));
            return false;
        }
    for (int i = 0; i < 6; ++i)
        if (Differ(a.primaries[i], b.primaries[i])) {
            Ui_Debug_Logf(1, "RefRgbMatch: primaries1[%d]: %f  primaries2[%d]: %f", i,
                          double(a.primaries[i]), i, double(b.primaries[i]));
            return false;
        }
    return true;
}

void RefRGBFromFixed(const FixedWorkingSpace& m, RefRGB* ref, uint8_t diagnostics) {
    float white[2] = {0, 0};
    if (m.gamma != 0) {
        Ui_Debug_Log(diagnostics, "Host provides monitor information...");
        ref->gamma = float(FromFixed(m.gamma));
        for (int32_t i = 0; i < 6; ++i) ref->primaries[i] = float(FromFixed(m.primaries[i]));
        white[0] = float(FromFixed(m.white[0]));
        white[1] = float(FromFixed(m.white[1]));
        const float xyY[3] = {white[0], white[1], 1.0f};
        if (xyYToXYZ(xyY, ref->xyzWhite) != kUiOk)
            ref->xyzWhite[0] = ref->xyzWhite[1] = ref->xyzWhite[2] = 0;
    } else {
        Ui_Debug_Log(diagnostics, "Using default reference space...");
        DefaultRefRGB(ref);
        const float sum = ref->xyzWhite[0] + ref->xyzWhite[1] + ref->xyzWhite[2];
        if (sum > 0) {
            white[0] = ref->xyzWhite[0] / sum;
            white[1] = ref->xyzWhite[1] / sum;
        }
    }
    RoundPrimaries(ref->primaries);
    const float* p = ref->primaries;
    Ui_Debug_Logf(diagnostics, "gamma: %f", double(ref->gamma));
    Ui_Debug_Logf(diagnostics, "primaries: %f %f %f %f %f %f", double(p[0]), double(p[1]),
                  double(p[2]), double(p[3]), double(p[4]), double(p[5]));
    Ui_Debug_Logf(diagnostics, "xyzWhite: %f %f %f (xy: %f %f)", double(ref->xyzWhite[0]),
                  double(ref->xyzWhite[1]), double(ref->xyzWhite[2]), double(white[0]),
                  double(white[1]));
}
