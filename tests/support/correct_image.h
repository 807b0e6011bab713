// Running an image through a compiled Tintwork, directly or through the
// transform application driver from the Tintwork's stream form, and the
// colour differences by which tests judge a correction.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/apply_driver.h"
#include "engine/colour_science.h"
#include "engine/tintwork.h"
#include "tests/support/interleaved_view.h"
#include "ui/status.h"

// out = tw applied to every pixel of in (depths must be the Tintwork's).
inline int32_t CorrectImage(const Tintwork* tw, InterleavedImage& in, InterleavedImage* out) {
    *out = InterleavedImage(in.width, in.height, tw->outputDepth, in.channels);
    const uint32_t count = uint32_t(in.width) * uint32_t(in.height);
    const TwRun src = in.depth == 1 ? TwInterleaved8(in.s8.data(), in.channels)
                                    : TwInterleaved16(in.s16.data(), in.channels);
    const TwRun dst = out->depth == 1 ? TwInterleaved8(out->s8.data(), out->channels)
                                      : TwInterleaved16(out->s16.data(), out->channels);
    return ApplyTintwork(tw, count, &src, &dst);
}

struct DriverOutput {
    InterleavedImage* image;
    int32_t row;
};

inline int32_t CollectDriverRow(void* context, const RowDesc* row) {
    DriverOutput* out = static_cast<DriverOutput*>(context);
    for (uint32_t i = 0; i < row->width * row->channels; ++i) {
        const size_t at = size_t(out->row) * row->width * row->channels + i;
        if (row->data8 != nullptr)
            out->image->s8[at] = row->data8[i];
        else
            out->image->s16[at] = row->data16[i];
    }
    ++out->row;
    return kUiOk;
}

// The filtering pass's way: the Tintwork written to its stream form, read
// back by the driver, the image fed row by row (interleaved, no sharpen).
inline int32_t CorrectThroughDriver(const Tintwork* tw, InterleavedImage& in,
                                    InterleavedImage* out) {
    uint32_t size = 0;
    UI_TRY(TintworkStreamSize(tw, &size));
    std::vector<uint8_t> bytes(size);
    TwStream stream{bytes.data(), size, 0};
    UI_TRY(WriteTintworkStream(tw, &stream));
    *out = InterleavedImage(in.width, in.height, in.depth, in.channels);
    DriverOutput sink{out, 0};
    ApplyDriverParams p{};
    p.stream = bytes.data();
    p.streamSize = stream.length;
    p.inMin = p.outMin = 0;
    p.inMax = p.outMax = in.depth == 2 ? 65535 : 255;
    p.sharpenSelector = -1;
    p.placement = kPlaceAutomatic;
    p.width = uint32_t(in.width);
    p.height = uint32_t(in.height);
    p.inputDepth = p.outputDepth = in.depth;
    p.sink = CollectDriverRow;
    p.sinkContext = &sink;
    p.order = kRowOrderIdentity3;
    ApplyDriver* driver = nullptr;
    UI_TRY(OpenApplyDriver(&p, &driver));
    int32_t status = kUiOk;
    for (int32_t y = 0; y < in.height && status == kUiOk; ++y) {
        const size_t at = size_t(y) * size_t(in.width) * 3;
        RowDesc row{uint32_t(in.width),
                    3,
                    1,
                    0,
                    kRowOrderIdentity3,
                    in.depth == 1 ? &in.s8[at] : nullptr,
                    in.depth == 2 ? &in.s16[at] : nullptr,
                    uint64_t(y)};
        status = ApplyDriverRow(driver, &row);
    }
    CloseApplyDriver(driver);
    return status;
}

// CIEDE2000 colour difference of two Lab colours.
inline double DeltaE2000(const float* lab1, const float* lab2) {
    const double kPi = 3.14159265358979323846;
    const double L1 = lab1[0], a1 = lab1[1], b1 = lab1[2];
    const double L2 = lab2[0], a2 = lab2[1], b2 = lab2[2];
    const double C1 = std::hypot(a1, b1), C2 = std::hypot(a2, b2);
    const double Cm = 0.5 * (C1 + C2);
    const double G =
        0.5 * (1.0 - std::sqrt(std::pow(Cm, 7) / (std::pow(Cm, 7) + std::pow(25.0, 7))));
    const double a1p = (1.0 + G) * a1, a2p = (1.0 + G) * a2;
    const double C1p = std::hypot(a1p, b1), C2p = std::hypot(a2p, b2);
    auto hue = [&](double b, double ap) {
        if (b == 0.0 && ap == 0.0) return 0.0;
        double h = std::atan2(b, ap) * 180.0 / kPi;
        return h < 0.0 ? h + 360.0 : h;
    };
    const double h1p = hue(b1, a1p), h2p = hue(b2, a2p);
    const double dLp = L2 - L1, dCp = C2p - C1p;
    double dhp = 0.0;
    if (C1p * C2p != 0.0) {
        dhp = h2p - h1p;
        if (dhp > 180.0) dhp -= 360.0;
        if (dhp < -180.0) dhp += 360.0;
    }
    const double dHp = 2.0 * std::sqrt(C1p * C2p) * std::sin(dhp * kPi / 360.0);
    const double Lpm = 0.5 * (L1 + L2), Cpm = 0.5 * (C1p + C2p);
    double hpm = h1p + h2p;
    if (C1p * C2p != 0.0) {
        if (std::fabs(h1p - h2p) > 180.0) hpm += h1p + h2p < 360.0 ? 360.0 : -360.0;
        hpm *= 0.5;
    }
    const double T = 1.0 - 0.17 * std::cos((hpm - 30.0) * kPi / 180.0) +
                     0.24 * std::cos(2.0 * hpm * kPi / 180.0) +
                     0.32 * std::cos((3.0 * hpm + 6.0) * kPi / 180.0) -
                     0.20 * std::cos((4.0 * hpm - 63.0) * kPi / 180.0);
    const double dTheta = 30.0 * std::exp(-std::pow((hpm - 275.0) / 25.0, 2));
    const double Rc = 2.0 * std::sqrt(std::pow(Cpm, 7) / (std::pow(Cpm, 7) + std::pow(25.0, 7)));
    const double Sl =
        1.0 + 0.015 * std::pow(Lpm - 50.0, 2) / std::sqrt(20.0 + std::pow(Lpm - 50.0, 2));
    const double Sc = 1.0 + 0.045 * Cpm, Sh = 1.0 + 0.015 * Cpm * T;
    const double Rt = -std::sin(2.0 * dTheta * kPi / 180.0) * Rc;
    return std::sqrt(std::pow(dLp / Sl, 2) + std::pow(dCp / Sc, 2) + std::pow(dHp / Sh, 2) +
                     Rt * (dCp / Sc) * (dHp / Sh));
}
