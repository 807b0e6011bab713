#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "engine/colour_science.h"
#include "engine/memory_colour.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/interleaved_view.h"
#include "tests/support/lcms_lch.h"
#include "tests/support/working_space_fixture.h"
#include "ui/status.h"

namespace {

using Triples = std::vector<std::array<float, 3>>;

const float (*Data(const Triples& t))[3] {
    return reinterpret_cast<const float(*)[3]>(t.data());
}

void ExpectFcn(const MemoryColorFcn& got, const MemoryColorFcn& want, const char* what) {
    EXPECT_FLOAT_EQ(got.maxChroma, want.maxChroma) << what;
    EXPECT_FLOAT_EQ(got.baseHue, want.baseHue) << what;
    EXPECT_FLOAT_EQ(got.dHdL, want.dHdL) << what;
}

// Exact LCh of a colour function at the given lightnesses.
Triples Along(const MemoryColorFcn& fcn, std::initializer_list<float> lightness) {
    Triples t;
    for (float l : lightness) {
        std::array<float, 3> lch;
        EXPECT_EQ(ColorFunctionLCh(l, fcn, lch.data()), kUiOk);
        t.push_back(lch);
    }
    return t;
}

TEST(FitColorFunction, SearchesAsSpecifiedCases) {
    struct Case {
        const char* what;
        Triples lch;
        MemoryColorFcn want;
    } const cases[] = {
        {"no chroma to take a hue from", {{50, 2, 100}, {60, 4.9f, 200}}, {3, 0, 0}},
        {"hues 350 and 10 at one lightness: the first slope tried",
         {{50, 20, 350}, {50, 20, 10}},
         {20, 0, -1}},
        {"one colourful measurement gives its hue",
         {{50, 30, 47.5f}, {70, 3, 200}},
         {19, 47.5f, 0}},
        {"sky along its function", Along({40, 258, -0.7f}, {20, 35, 50, 65, 80}), {40, 258, -0.7f}},
        {"hues across 0", Along({30, 5, 0.5f}, {20, 50, 80}), {30, 5, 0.5f}},
        {"a black measurement fits every chroma: the first wins", {{0, 10, 30}}, {0, 30, 0}},
        {"chroma beyond the range", {{50, 180, 90}}, {100, 90, 0}},
    };
    for (const Case& c : cases) {
        MemoryColorFcn fcn = {-1, -1, -1};
        ASSERT_EQ(FitColorFunction(int32_t(c.lch.size()), Data(c.lch), &fcn), kUiOk) << c.what;
        ExpectFcn(fcn, c.want, c.what);
    }
    MemoryColorFcn fcn = {7, 8, 0.9f};
    const Triples one = {{50, 20, 10}};
    EXPECT_EQ(FitColorFunction(0, Data(one), &fcn), kUiErrArg);
    EXPECT_EQ(FitColorFunction(1, nullptr, &fcn), kUiErrArg);
    EXPECT_EQ(FitColorFunction(1, Data(one), nullptr), kUiErrArg);
    ExpectFcn(fcn, {7, 8, 0.9f}, "left alone on failure");
}

TEST(FitColorFunction, LargeSetsWhoseErrorsAreAllHugeStillFit) {
    // 500 measurements: every chroma candidate errs by at least 500 · 50²
    // and every hue by at least 500 · 90², far above any fixed starting bound.
    Triples lch;
    for (int i = 0; i < 500; ++i) lch.push_back({50, 150, i % 2 ? 180.0f : 0.0f});
    MemoryColorFcn fcn;
    ASSERT_EQ(FitColorFunction(int32_t(lch.size()), Data(lch), &fcn), kUiOk);
    EXPECT_EQ(fcn.maxChroma, 100);
    EXPECT_EQ(fcn.dHdL, -1.0f);  // at one lightness every slope predicts alike
    EXPECT_TRUE(fcn.baseHue == 90 || fcn.baseHue == 270) << fcn.baseHue;
    EXPECT_EQ(fcn.baseHue, 90);  // the first of the two equal best
}

TEST(FitColorFunctionFromRGB, PickedSkinColourGivesItsHueAndChroma) {
    const RefRGB ref = DefaultWorkingSpace();
    const float skin[3] = {0.85f, 0.62f, 0.5f};
    const std::array<double, 3> lch = LChByLcms(ref, skin);
    MemoryColorFcn fcn;
    ASSERT_EQ(FitColorFunctionFromRGB(skin, ref, &fcn), kUiOk);
    // The parabola through the colour: maxChroma = C / (0.04 · L · (1 − L/100)).
    const double peak = lch[1] / (0.04 * lch[0] * (1 - lch[0] / 100));
    EXPECT_EQ(fcn.maxChroma, std::round(peak)) << peak;
    EXPECT_NEAR(fcn.baseHue, lch[2], 0.05);
    EXPECT_GT(fcn.baseHue, 40);
    EXPECT_LT(fcn.baseHue, 70);
    EXPECT_EQ(fcn.dHdL, 0);

    const float grey[3] = {0.4f, 0.4f, 0.4f};
    ASSERT_EQ(FitColorFunctionFromRGB(grey, ref, &fcn), kUiOk);
    ExpectFcn(fcn, {0, 0, 0}, "grey");

    RefRGB flat = ref;
    flat.primaries[3] = 0;  // green on the line y = 0
    EXPECT_EQ(FitColorFunctionFromRGB(skin, flat, &fcn), kUiErrMemory);
    EXPECT_EQ(FitColorFunctionFromRGB(nullptr, ref, &fcn), kUiErrArg);
}

// Columns x0 .. x1 - 1 of img set to rgb (0 .. 1) at the image's depth.
void FillColumns(InterleavedImage* img, int32_t x0, int32_t x1, const float rgb[3]) {
    const double full = img->depth == 1 ? 255 : 65535;
    uint32_t code[3];
    for (int c = 0; c < 3; ++c) code[c] = uint32_t(std::lround(rgb[c] * full));
    for (int32_t y = 0; y < img->height; ++y)
        for (int32_t x = x0; x < x1; ++x) img->SetPixel(x, y, code[0], code[1], code[2]);
}

TEST(FitColorFunctionFromClicks, FitsTheBandMeansOfTheClickedAreas) {
    const RefRGB ref = DefaultWorkingSpace();
    // Three skin patches of 8-bit codes at different lightness and one
    // background; the clicks take the light and the dark patch.
    const float dark[3] = {120 / 255.0f, 80 / 255.0f, 60 / 255.0f};
    const float light[3] = {230 / 255.0f, 180 / 255.0f, 150 / 255.0f};
    const float other[3] = {40 / 255.0f, 200 / 255.0f, 40 / 255.0f};
    const float back[3] = {0, 0, 1};
    for (const int32_t bytes : {1, 2}) {
        InterleavedImage img(40, 8, bytes);
        FillColumns(&img, 0, 40, back);
        FillColumns(&img, 2, 10, dark);
        FillColumns(&img, 14, 22, light);
        FillColumns(&img, 26, 34, other);
        const IPImage view = img.View();
        const RegionPoint points[] = {{5, 3}, {20, 7}};
        MemoryColorFcn fcn;
        ASSERT_EQ(FitColorFunctionFromClicks(2, points, ref, &view, &fcn), kUiOk);

        Triples lch;
        for (const float* rgb : {dark, light}) {
            const std::array<double, 3> l = LChByLcms(ref, rgb);
            lch.push_back({float(l[0]), float(l[1]), float(l[2])});
        }
        MemoryColorFcn want;
        ASSERT_EQ(FitColorFunction(2, Data(lch), &want), kUiOk);
        ExpectFcn(fcn, want, bytes == 1 ? "8-bit" : "16-bit");
        EXPECT_NE(want.dHdL, 0.0f);  // two lightnesses: a real slope search

        const RegionPoint outside[] = {{5, 3}, {40, 0}};
        MemoryColorFcn kept = {1, 2, 0.3f};
        EXPECT_EQ(FitColorFunctionFromClicks(2, outside, ref, &view, &kept), kUiErrArg);
        ExpectFcn(kept, {1, 2, 0.3f}, "left alone");
        EXPECT_EQ(FitColorFunctionFromClicks(0, points, ref, &view, &kept), kUiErrArg);
        EXPECT_EQ(FitColorFunctionFromClicks(1, points, ref, nullptr, &kept), kUiErrArg);
    }
}

TEST(FitColorFunctionFromClicks, OutOfMemoryLeavesNothingBehind) {
    const RefRGB ref = DefaultWorkingSpace();
    InterleavedImage img(12, 12, 1);
    const float skin[3] = {0.8f, 0.6f, 0.5f};
    FillColumns(&img, 0, 12, skin);
    const IPImage view = img.View();
    const RegionPoint points[] = {{3, 3}, {9, 9}};
    RunAllocationFailureLoop([&] {
        MemoryColorFcn fcn;
        return FitColorFunctionFromClicks(2, points, ref, &view, &fcn);
    });
}

// ---- Measurements ----------------------------------------------------------

// The triple of type `type` that stands for Lab under the 5000 K white (or,
// for the Luv types, for the same Lab numbers under the 6500 K white).
std::array<float, 3> AsMeasured(int32_t type, const std::array<float, 3>& lab) {
    float xyz[3], xyY[3], white[3];
    const float kelvin = (type == kMeasuredLuv || type == kMeasuredLCHuv) ? 6500.0f : 5000.0f;
    EXPECT_EQ(LabToXYZAtTemperature(lab.data(), xyz, kelvin), kUiOk);
    EXPECT_EQ(DaylightXYZ(kelvin, white), kUiOk);
    const double sum = double(xyz[0]) + xyz[1] + xyz[2];
    xyY[0] = float(xyz[0] / sum);
    xyY[1] = float(xyz[1] / sum);
    xyY[2] = xyz[1];
    // CIE 1976 L*u*v* by its textbook formulas.
    auto uPrime = [](const float* c) { return 4 * c[0] / (c[0] + 15.0 * c[1] + 3 * c[2]); };
    auto vPrime = [](const float* c) { return 9 * c[1] / (c[0] + 15.0 * c[1] + 3 * c[2]); };
    struct {
        double L, u, v;
    } luv;
    luv.L = lab[0];
    luv.u = 13 * luv.L * (uPrime(xyz) - uPrime(white));
    luv.v = 13 * luv.L * (vPrime(xyz) - vPrime(white));
    const float c = float(std::hypot(lab[1], lab[2]));
    const float h = float(std::fmod(std::atan2(lab[2], lab[1]) * 180 / M_PI + 360, 360));
    const float cuv = float(std::hypot(luv.u, luv.v));
    const float huv = float(std::fmod(std::atan2(luv.v, luv.u) * 180 / M_PI + 360, 360));
    switch (type) {
        case kMeasuredLab:
            return lab;
        case kMeasuredLuv:
            return {float(luv.L), float(luv.u), float(luv.v)};
        case kMeasuredxyY:
            return {xyY[0], xyY[1], xyY[2]};
        case kMeasuredxyY100:
            return {xyY[0], xyY[1], xyY[2] * 100};
        case kMeasuredXYZ:
            return {xyz[0], xyz[1], xyz[2]};
        case kMeasuredXYZ100:
            return {xyz[0] * 100, xyz[1] * 100, xyz[2] * 100};
        case kMeasuredLCHab:
            return {lab[0], c, h};
        default:
            return {float(luv.L), cuv, huv};
    }
}

TEST(FitColorFunctionFromMeasurements, EveryDataTypeRecoversTheFunction) {
    const MemoryColorFcn sky = {40, 258, -0.7f};
    const Triples lch = Along(sky, {25, 40, 55, 70, 85});
    for (int32_t type = 0; type < kMeasurementTypes; ++type) {
        Triples measured;
        for (const auto& l : lch) {
            float lab[3];
            ASSERT_EQ(LChToLab(l.data(), lab), kUiOk);
            measured.push_back(AsMeasured(type, {lab[0], lab[1], lab[2]}));
        }
        MemoryColorFcn fcn;
        int32_t skipped = -1;
        ASSERT_EQ(FitColorFunctionFromMeasurements(int32_t(measured.size()), Data(measured), type,
                                                   &fcn, &skipped),
                  kUiOk)
            << kMeasurementTypeNames[type];
        EXPECT_EQ(skipped, 0);
        ExpectFcn(fcn, sky, kMeasurementTypeNames[type]);
    }
    EXPECT_STREQ(kMeasurementTypeNames[kMeasuredXYZ100], "XYZ100");
    EXPECT_STREQ(kMeasurementTypeNames[kMeasuredLCHuv], "LCHuv");
}

TEST(FitColorFunctionFromMeasurements, HundredScalesAreDividedBy100) {
    const Triples xyz100 = {{95.0f, 100.0f, 108.9f}, {20.0f, 18.0f, 10.0f}};
    const Triples xyz = {{0.950f, 1.000f, 1.089f}, {0.2f, 0.18f, 0.1f}};
    MemoryColorFcn a, b;
    int32_t skipped;
    ASSERT_EQ(FitColorFunctionFromMeasurements(2, Data(xyz100), kMeasuredXYZ100, &a, &skipped),
              kUiOk);
    ASSERT_EQ(FitColorFunctionFromMeasurements(2, Data(xyz), kMeasuredXYZ, &b, &skipped), kUiOk);
    ExpectFcn(a, b, "XYZ100");
    const Triples xyY100 = {{0.45f, 0.40f, 30.0f}, {0.40f, 0.38f, 60.0f}};
    const Triples xyY = {{0.45f, 0.40f, 0.30f}, {0.40f, 0.38f, 0.60f}};
    ASSERT_EQ(FitColorFunctionFromMeasurements(2, Data(xyY100), kMeasuredxyY100, &a, &skipped),
              kUiOk);
    ASSERT_EQ(FitColorFunctionFromMeasurements(2, Data(xyY), kMeasuredxyY, &b, &skipped), kUiOk);
    ExpectFcn(a, b, "xyY100");
    EXPECT_GT(b.maxChroma, 10);
}

TEST(FitColorFunctionFromMeasurements, OutOfRangeTriplesAreSkippedAndCounted) {
    const float nan = std::nanf("");
    struct Case {
        int32_t type;
        Triples triples;  // the first two valid
        int32_t skipped;
    } const cases[] = {
        {kMeasuredLab, {{50, 20, 30}, {60, 22, 33}, {-5, 0, 0}, {0, 3, 0}, {nan, 1, 1}}, 3},
        {kMeasuredxyY,
         {{0.4f, 0.4f, 0.2f}, {0.42f, 0.4f, 0.3f}, {0.8f, 0.4f, 1}, {0.3f, 0.3f, -1}},
         2},
        {kMeasuredXYZ, {{0.3f, 0.25f, 0.2f}, {0.4f, 0.35f, 0.3f}, {-0.1f, 0.2f, 0.2f}}, 1},
        {kMeasuredLuv, {{50, 20, 30}, {60, 22, 33}, {-1, 0, 0}}, 1},
        {kMeasuredLCHab, {{50, 20, 30}, {60, 22, 33}, {50, -4, 30}, {-2, 5, 5}}, 2},
        {kMeasuredLCHuv, {{50, 20, 30}, {60, 22, 33}, {50, -4, 30}}, 1},
    };
    for (const Case& c : cases) {
        for (const int32_t mode : {kColorCheckClamp, kColorCheckOff}) {
            SetColorCheckMode(mode);
            MemoryColorFcn all, valid;
            int32_t skipped = -1, none = -1;
            ASSERT_EQ(FitColorFunctionFromMeasurements(int32_t(c.triples.size()), Data(c.triples),
                                                       c.type, &all, &skipped),
                      kUiOk)
                << c.type;
            EXPECT_EQ(skipped, c.skipped) << c.type;
            EXPECT_EQ(GetColorCheckMode(), mode) << "mode restored";
            ASSERT_EQ(FitColorFunctionFromMeasurements(2, Data(c.triples), c.type, &valid, &none),
                      kUiOk);
            EXPECT_EQ(none, 0);
            ExpectFcn(all, valid, "the invalid ones take no part");
            // Nothing valid: no fit, but the count is still reported.
            MemoryColorFcn kept = {1, 2, 0.3f};
            const Triples bad(c.triples.begin() + 2, c.triples.end());
            EXPECT_EQ(FitColorFunctionFromMeasurements(int32_t(bad.size()), Data(bad), c.type,
                                                       &kept, &skipped),
                      kUiErrArg);
            EXPECT_EQ(skipped, int32_t(bad.size()));
            ExpectFcn(kept, {1, 2, 0.3f}, "left alone");
            EXPECT_EQ(GetColorCheckMode(), mode) << "mode restored on failure";
        }
    }
    SetColorCheckMode(kColorCheckClamp);
}

TEST(FitColorFunctionFromMeasurements, RefusesBadArgumentsAndShortMemory) {
    const Triples lab = {{50, 20, 30}, {70, 10, 40}};
    MemoryColorFcn fcn;
    int32_t skipped;
    EXPECT_EQ(FitColorFunctionFromMeasurements(2, Data(lab), 8, &fcn, &skipped), kUiErrArg);
    EXPECT_EQ(FitColorFunctionFromMeasurements(2, Data(lab), -1, &fcn, &skipped), kUiErrArg);
    EXPECT_EQ(FitColorFunctionFromMeasurements(0, Data(lab), 0, &fcn, &skipped), kUiErrArg);
    EXPECT_EQ(FitColorFunctionFromMeasurements(2, nullptr, 0, &fcn, &skipped), kUiErrArg);
    EXPECT_EQ(FitColorFunctionFromMeasurements(2, Data(lab), 0, &fcn, nullptr), kUiErrArg);
    RunAllocationFailureLoop([&] {
        return FitColorFunctionFromMeasurements(2, Data(lab), kMeasuredLab, &fcn, &skipped);
    });
    EXPECT_EQ(GetColorCheckMode(), kColorCheckClamp);
}

}  // namespace
