#include <cmath>

#include "engine/colour_science.h"
#include "ui/status.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegPerRad = 180.0 / kPi;

// Below these the lightness is black, the chroma has no hue and a chromaticity
// y gives no colour.
constexpr double kBlackLightness = 1e-10;
constexpr double kNoChroma = 1e-6;
constexpr double kNoChromaticityY = 1e-10;
// Within this many degrees of 90 and 270 the tangent is not used.
constexpr double kQuarterTolerance = 0.00001;

// Lightness split of the inverse: L = 8 is where κ·ε meets the cube branch.
constexpr double kLightnessSplit = 8.0;

double SqrtOrZero(double v) {
    return v > 0.0 ? std::sqrt(v) : 0.0;
}

// The hue brought into [0, 360) once more after rounding to f32, where a value
// just below 360 can round up to it.
float HueDegrees(double h) {
    h = std::fmod(h, 360.0);
    if (h < 0.0) h += 360.0;
    float f = static_cast<float>(h);
    if (f >= 360.0f) f -= 360.0f;
    return f;
}

// The Lab companding function and its inverse for one relative component.
double LabF(double r) {
    return r > kLabEpsilon ? std::cbrt(r) : (kLabKappa * r + 16.0) / 116.0;
}

double LabFInverse(double f) {
    const double r = f * f * f;
    return r > kLabEpsilon ? r : (116.0 * f - 16.0) / kLabKappa;
}

// Black for a lightness below kBlackLightness: true when xyz was set so.
bool BlackFromLightness(float lightness, float xyz[3]) {
    if (lightness >= kBlackLightness) return false;
    xyz[0] = xyz[1] = xyz[2] = 0.0f;
    return true;
}

bool NonZero(const float w[3]) {
    return w[0] != 0.0f && w[1] != 0.0f && w[2] != 0.0f;
}

}  // namespace

float SignedPow(float x, float p) {
    const double m = std::pow(std::fabs(static_cast<double>(x)), static_cast<double>(p));
    return static_cast<float>(x < 0.0f ? -m : m);
}

float YToLightness(float y) {
    const double a = std::fabs(static_cast<double>(y));
    const double l = a > kLabEpsilon ? 116.0 * std::cbrt(a) - 16.0 : kLabKappa * a;
    return static_cast<float>(y < 0.0f ? -l : l);
}

float LightnessToY(float lightness) {
    const double a = std::fabs(static_cast<double>(lightness));
    double y;
    if (a > kLightnessSplit) {
        const double f = (a + 16.0) / 116.0;
        y = f * f * f;
    } else {
        y = a / kLabKappa;
    }
    return static_cast<float>(lightness < 0.0f ? -y : y);
}

int32_t LabToLCh(const float lab[3], float lch[3]) {
    const double a = lab[1], b = lab[2];
    const double c = std::sqrt(a * a + b * b);
    const double h = c < kNoChroma ? 0.0 : std::atan2(b, a) * kDegPerRad;
    lch[0] = lab[0];
    lch[1] = static_cast<float>(c);
    lch[2] = HueDegrees(h);
    return kUiOk;
}

int32_t LChToLab(const float lch[3], float lab[3]) {
    if (!std::isfinite(lch[2])) return kUiErrArg;
    const double l = lch[0], c = lch[1];
    const double h = HueDegrees(lch[2]);
    double a, b;
    if (std::fabs(h - 90.0) <= kQuarterTolerance) {
        a = 0.0;
        b = c;
    } else if (std::fabs(h - 270.0) <= kQuarterTolerance) {
        a = 0.0;
        b = -c;
    } else {
        const double t = std::tan(h / kDegPerRad);
        a = c / std::sqrt(t * t + 1.0);
        b = SqrtOrZero(c * c - a * a);
        if (h > 90.0 && h < 270.0) a = -a;
        if (h > 180.0) b = -b;
    }
    lab[0] = static_cast<float>(l);
    lab[1] = static_cast<float>(a);
    lab[2] = static_cast<float>(b);
    return kUiOk;
}

int32_t XYZToLab(const float xyz[3], float lab[3], const float white[3]) {
    if (!NonZero(white)) return kUiErrArg;
    float v[3] = {xyz[0], xyz[1], xyz[2]};
    UI_TRY(CheckXYZ(v));
    const double rx = double(v[0]) / white[0];
    const double ry = double(v[1]) / white[1];
    const double rz = double(v[2]) / white[2];
    const double fx = LabF(rx), fy = LabF(ry), fz = LabF(rz);
    lab[0] = static_cast<float>(ry > kLabEpsilon ? 116.0 * fy - 16.0 : kLabKappa * ry);
    lab[1] = static_cast<float>(500.0 * (fx - fy));
    lab[2] = static_cast<float>(200.0 * (fy - fz));
    return kUiOk;
}

int32_t LabToXYZ(const float lab[3], float xyz[3], const float white[3]) {
    float v[3] = {lab[0], lab[1], lab[2]};
    UI_TRY(CheckLab(v));
    if (BlackFromLightness(v[0], xyz)) return kUiOk;
    const double ry = LightnessToY(v[0]);
    const double fy = (double(v[0]) + 16.0) / 116.0;
    const double rx = LabFInverse(double(v[1]) * 0.002 + fy);
    const double rz = LabFInverse(fy - double(v[2]) * 0.005);
    xyz[0] = static_cast<float>(rx * white[0]);
    xyz[1] = static_cast<float>(ry * white[1]);
    xyz[2] = static_cast<float>(rz * white[2]);
    return kUiOk;
}

int32_t LuvToXYZ(const float luv[3], float xyz[3], const float white[3]) {
    float v[3] = {luv[0], luv[1], luv[2]};
    UI_TRY(CheckLightness(v));
    if (BlackFromLightness(v[0], xyz)) return kUiOk;
    const double den = double(white[0]) + 15.0 * white[1] + 3.0 * white[2];
    if (den == 0.0) return kUiErrArg;
    const double un = 4.0 * white[0] / den;
    const double vn = 9.0 * white[1] / den;
    const double l = v[0];
    const double y = LightnessToY(v[0]);
    const double u1 = v[1] / (13.0 * l) + un;
    const double v1 = v[2] / (13.0 * l) + vn;
    // u' or v' of 0 lies on no real colour's chromaticity line.
    if (u1 == 0.0 || v1 == 0.0) return kUiErrArg;
    const double a = (4.0 / u1 - 1.0) / 3.0;
    const double b = -5.0 * y;
    const double d = y * (3.0 / v1 - 5.0);
    const double x = (d - b) / (a + 1.0 / 3.0);
    xyz[0] = static_cast<float>(x);
    xyz[1] = static_cast<float>(y);
    xyz[2] = static_cast<float>(x * a + b);
    return kUiOk;
}

int32_t xyYToXYZ(const float xyY[3], float xyz[3]) {
    float v[3] = {xyY[0], xyY[1], xyY[2]};
    UI_TRY(CheckxyY(v));
    if (v[1] < kNoChromaticityY) {
        xyz[0] = xyz[1] = xyz[2] = 0.0f;
        return kUiOk;
    }
    const double x = v[0], y = v[1], bigY = v[2];
    xyz[0] = static_cast<float>(x * bigY / y);
    xyz[1] = v[2];
    xyz[2] = static_cast<float>((1.0 - x - y) * bigY / y);
    return kUiOk;
}
