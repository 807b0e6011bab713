#include "ui/portable_number.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace {
// Mantissa scale and limits of each form.
struct Form {
    double scale;
    int32_t lowest;
    int32_t highest;
};
const Form kBinary = {8388608.0, -8388608, 8388607};
const Form kDecimal = {1000000.0, -999999, 999999};

const Form& FormOf(int32_t form) {
    return form == kUiNumberDecimal ? kDecimal : kBinary;
}

void Put(int32_t exponent, int32_t mantissa, uint8_t out[4]) {
    out[0] = uint8_t(int8_t(exponent));
    out[1] = uint8_t(uint32_t(mantissa) >> 16);
    out[2] = uint8_t(uint32_t(mantissa) >> 8);
    out[3] = uint8_t(uint32_t(mantissa));
}
}  // namespace

void Ui_EncodeNumber(double value, int32_t form, uint8_t out[4]) {
    const Form& f = FormOf(form);
    if (value == 0 || std::isnan(value)) {
        Put(0, 0, out);
        return;
    }
    int exponent = 0;
    const double fraction = std::frexp(value, &exponent);
    if (std::isinf(value) || exponent > 127) {
        Put(127, value < 0 ? f.lowest : f.highest, out);
        return;
    }
    if (exponent < -128) {
        Put(0, 0, out);
        return;
    }
    double m = std::round(fraction * f.scale);  // half away from zero
    if (m < f.lowest) m = f.lowest;
    if (m > f.highest) m = f.highest;
    Put(exponent, int32_t(m), out);
}

float Ui_DecodeNumber(const uint8_t in[4], int32_t form) {
    const int32_t exponent = int8_t(in[0]);
    int32_t mantissa = int32_t(uint32_t(in[1]) << 16 | uint32_t(in[2]) << 8 | in[3]);
    if (mantissa & 0x800000) mantissa -= 0x1000000;
    if (form != kUiNumberDecimal && mantissa < -8388607) mantissa = -8388607;
    const double value = std::ldexp(double(mantissa) / FormOf(form).scale, exponent);
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return float(value);
}

float Ui_GetBEFloat(const uint8_t* p) {
    const uint32_t bits = Ui_GetBE32(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void Ui_PutBEFloat(float v, uint8_t* p) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Ui_PutBE32(bits, p);
}
