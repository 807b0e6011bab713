#include "engine/colour_science.h"
#include "ui/status.h"

int32_t DaylightChromaticity(float kelvin, float xyY[3]) {
    float t = kelvin;
    UI_TRY(CheckColorTemperature(&t));
    if (!(t > 0.0f)) return kUiErrArg;  // only reachable with the checks off
    const double t1 = t, t2 = t1 * t1, t3 = t2 * t1;
    const double x = t1 < 7000.0 ? -4.607e9 / t3 + 2.9678e6 / t2 + 99.11 / t1 + 0.244063
                                 : -2.0064e9 / t3 + 1.9018e6 / t2 + 247.48 / t1 + 0.23704;
    const double y = -3.0 * x * x + 2.87 * x - 0.275;
    xyY[0] = static_cast<float>(x);
    xyY[1] = static_cast<float>(y);
    xyY[2] = 1.0f;
    return kUiOk;
}

int32_t DaylightXYZ(float kelvin, float xyz[3]) {
    float xyY[3];
    UI_TRY(DaylightChromaticity(kelvin, xyY));
    return xyYToXYZ(xyY, xyz);
}

namespace {

using WhitePointOp = int32_t (*)(const float* in, float* out, const float* white);

int32_t AtDaylight(WhitePointOp op, const float in[3], float out[3], float kelvin) {
    float white[3];
    UI_TRY(DaylightXYZ(kelvin, white));
    return op(in, out, white);
}

}  // namespace

int32_t XYZToLabAtTemperature(const float xyz[3], float lab[3], float kelvin) {
    return AtDaylight(XYZToLab, xyz, lab, kelvin);
}

int32_t LabToXYZAtTemperature(const float lab[3], float xyz[3], float kelvin) {
    return AtDaylight(LabToXYZ, lab, xyz, kelvin);
}

int32_t LuvToXYZAtTemperature(const float luv[3], float xyz[3], float kelvin) {
    return AtDaylight(LuvToXYZ, luv, xyz, kelvin);
}

int32_t xyYToLabAtTemperature(const float xyY[3], float lab[3], float kelvin) {
    float xyz[3];
    UI_TRY(xyYToXYZ(xyY, xyz));
    return XYZToLabAtTemperature(xyz, lab, kelvin);
}

int32_t LuvToLab(const float luv[3], float lab[3]) {
    float xyz[3];
    UI_TRY(LuvToXYZAtTemperature(luv, xyz, 6500.0f));
    return XYZToLabAtTemperature(xyz, lab, 6500.0f);
}
