#include "icc/profile_working_space.h"

#include <cmath>

#include "engine/colour_science.h"
#include "icc/icc_profile.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kHeaderBytes = 128;
constexpr uint32_t kMaxTags = 1024;
constexpr double kD50[3] = {0.9642, 1.0, 0.8249};

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

double S15(const uint8_t* p) {
    return double(int32_t(Get32(p))) / 65536.0;
}

// The data of a tag: its bytes, checked to lie inside the profile.
struct TagData {
    const uint8_t* bytes;
    uint32_t size;
};

bool FindTag(const uint8_t* data, uint32_t size, uint32_t signature, TagData* tag) {
    const uint32_t count = Get32(data + kHeaderBytes);
    if (count > kMaxTags || uint64_t(kHeaderBytes) + 4 + uint64_t(count) * 12 > size) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = data + kHeaderBytes + 4 + i * 12;
        if (Get32(entry) != signature) continue;
        const uint32_t offset = Get32(entry + 4), length = Get32(entry + 8);
        if (length < 8 || uint64_t(offset) + length > size) return false;
        *tag = TagData{data + offset, length};
        return true;
    }
    return false;
}

bool ReadXYZ(const uint8_t* data, uint32_t size, uint32_t signature, double xyz[3]) {
    TagData t;
    if (!FindTag(data, size, signature, &t) || t.size < 20 || Get32(t.bytes) != IccSig("XYZ "))
        return false;
    for (int32_t i = 0; i < 3; ++i) xyz[i] = S15(t.bytes + 8 + 4 * i);
    return std::isfinite(xyz[0]) && xyz[1] > 0;
}

// The tone curve at x (0..1): a table, a single gamma, or a parametric curve.
bool CurveAt(const TagData& t, double x, double* y) {
    const uint32_t type = Get32(t.bytes);
    if (type == IccSig("curv") && t.size >= 12) {
        const uint32_t n = Get32(t.bytes + 8);
        if (uint64_t(n) * 2 + 12 > t.size) return false;
        if (n == 0) {
            *y = x;
        } else if (n == 1) {
            *y = std::pow(x, (t.bytes[12] * 256 + t.bytes[13]) / 256.0);
        } else {
            const double at = x * (n - 1);
            const uint32_t i = uint32_t(at) >= n - 1 ? n - 2 : uint32_t(at);
            const double a = (t.bytes[12 + 2 * i] * 256 + t.bytes[13 + 2 * i]) / 65535.0;
            const double b = (t.bytes[14 + 2 * i] * 256 + t.bytes[15 + 2 * i]) / 65535.0;
            *y = a + (b - a) * (at - i);
        }
        return true;
    }
    if (type == IccSig("para") && t.size >= 16) {
        static const uint32_t kParams[] = {1, 3, 4, 5, 7};
        const uint32_t kind = uint32_t(t.bytes[8]) << 8 | t.bytes[9];
        if (kind > 4 || 12 + 4 * kParams[kind] > t.size) return false;
        double p[7] = {1, 1, 0, 0, 0, 0, 0};
        for (uint32_t i = 0; i < kParams[kind]; ++i) p[i] = S15(t.bytes + 12 + 4 * i);
        const double g = p[0], a = p[1], b = p[2], c = p[3], d = p[4], e = p[5], f = p[6];
        double v = 0;
        switch (kind) {
            case 0:
                v = std::pow(x, g);
                break;
            case 1:
                v = x >= -b / a ? std::pow(a * x + b, g) : 0;
                break;
            case 2:
                v = x >= -b / a ? std::pow(a * x + b, g) + c : c;
                break;
            case 3:
                v = x >= d ? std::pow(a * x + b, g) : c * x;
                break;
            default:
                v = x >= d ? std::pow(a * x + b, g) + e : c * x + f;
                break;
        }
        *y = v;
        return std::isfinite(v);
    }
    return false;
}

// The pure power that fits the curve best on a log scale over the middle
// tones (a quarter to three quarters), away from the linear toe some curves
// have near black.
bool FitGamma(const TagData& t, double* gamma) {
    double num = 0, den = 0;
    for (int32_t i = 4; i <= 12; ++i) {
        const double x = i / 16.0;
        double y = 0;
        if (!CurveAt(t, x, &y) || !(y > 0 && y <= 1.5)) return false;
        num += std::log(y) * std::log(x);
        den += std::log(x) * std::log(x);
    }
    *gamma = num / den;
    return *gamma >= 0.1 && *gamma <= 10;
}

void Multiply(const double m[9], const double v[3], double out[3]) {
    for (int32_t r = 0; r < 3; ++r)
        out[r] = m[3 * r] * v[0] + m[3 * r + 1] * v[1] + m[3 * r + 2] * v[2];
}

bool Invert(const double m[9], double out[9]) {
    const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                       m[2] * (m[3] * m[7] - m[4] * m[6]);
    if (!(std::fabs(det) > 1e-12)) return false;
    out[0] = (m[4] * m[8] - m[5] * m[7]) / det;
    out[1] = (m[2] * m[7] - m[1] * m[8]) / det;
    out[2] = (m[1] * m[5] - m[2] * m[4]) / det;
    out[3] = (m[5] * m[6] - m[3] * m[8]) / det;
    out[4] = (m[0] * m[8] - m[2] * m[6]) / det;
    out[5] = (m[2] * m[3] - m[0] * m[5]) / det;
    out[6] = (m[3] * m[7] - m[4] * m[6]) / det;
    out[7] = (m[1] * m[6] - m[0] * m[7]) / det;
    out[8] = (m[0] * m[4] - m[1] * m[3]) / det;
    return true;
}

bool Chromaticity(const double xyz[3], double* x, double* y) {
    const double sum = xyz[0] + xyz[1] + xyz[2];
    if (!(sum > 1e-9)) return false;
    *x = xyz[0] / sum;
    *y = xyz[1] / sum;
    return *y > 0;
}

}  // namespace

int32_t ReadProfileWorkingSpace(const uint8_t* data, uint32_t size, ProfileWorkingSpace* space) {
    if (data == nullptr || space == nullptr) return kUiErrArg;
    if (size < kHeaderBytes + 4 || Get32(data) > size || Get32(data + 16) != IccSig("RGB ") ||
        Get32(data + 36) != IccSig("acsp"))
        return kUiErrFormat;
    double colorant[3][3], white[3];
    const uint32_t sigs[3] = {IccSig("rXYZ"), IccSig("gXYZ"), IccSig("bXYZ")};
    for (int32_t k = 0; k < 3; ++k)
        if (!ReadXYZ(data, size, sigs[k], colorant[k])) return kUiErrFormat;
    TagData red;
    if (!FindTag(data, size, IccSig("rTRC"), &red) || !FitGamma(red, &space->gamma))
        return kUiErrFormat;
    // The colorants are adapted to D50; the profile's adaptation takes them
    // back to the device's own white. Without one, the media white point
    // says where to adapt to.
    double chad[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, back[9];
    TagData t;
    const bool adapted = FindTag(data, size, IccSig("chad"), &t);
    if (adapted) {
        if (t.size < 44 || Get32(t.bytes) != IccSig("sf32")) return kUiErrFormat;
        for (int32_t i = 0; i < 9; ++i) chad[i] = S15(t.bytes + 8 + 4 * i);
    }
    if (!Invert(chad, back)) return kUiErrFormat;
    if (adapted || !ReadXYZ(data, size, IccSig("wtpt"), white)) {
        Multiply(back, kD50, white);
        for (int32_t k = 0; k < 3; ++k) {
            double native[3];
            Multiply(back, colorant[k], native);
            for (int32_t i = 0; i < 3; ++i) colorant[k][i] = native[i];
        }
    } else {
        // Bradford from D50 to the media white.
        const float from[3] = {float(kD50[0]), float(kD50[1]), float(kD50[2])};
        const float to[3] = {float(white[0]), float(white[1]), float(white[2])};
        for (int32_t k = 0; k < 3; ++k) {
            const float in[3] = {float(colorant[k][0]), float(colorant[k][1]),
                                 float(colorant[k][2])};
            float out[3];
            if (AdaptXYZ(in, out, from, to, kAdaptBradford) != kUiOk) return kUiErrFormat;
            for (int32_t i = 0; i < 3; ++i) colorant[k][i] = out[i];
        }
    }
    for (int32_t k = 0; k < 3; ++k)
        if (!Chromaticity(colorant[k], &space->primaries[2 * k], &space->primaries[2 * k + 1]))
            return kUiErrFormat;
    if (!Chromaticity(white, &space->white[0], &space->white[1])) return kUiErrFormat;
    return kUiOk;
}
