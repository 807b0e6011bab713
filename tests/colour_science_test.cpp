#include "engine/colour_science.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <vector>

#include "ui/status.h"

namespace {

using Triple = std::vector<float>;

Triple T(const float v[3]) {
    return {v[0], v[1], v[2]};
}

void ExpectNear(const float* got, const Triple& want, float tol, const char* what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tol) << what << " component " << i;
}

// ---- Check mode and range checks -----------------------------------------

// Runs first in its own process: the mode starts as clamp.
TEST(ColorCheckMode, StartsAsClampAndScopesRestoreIt) {
    EXPECT_EQ(GetColorCheckMode(), kColorCheckClamp);
    EXPECT_EQ(SetColorCheckMode(3), kUiErrArg);
    EXPECT_EQ(SetColorCheckMode(-1), kUiErrArg);
    EXPECT_EQ(GetColorCheckMode(), kColorCheckClamp);
    auto strictUntilReturn = [](bool early) {
        ColorCheckModeScope strict(kColorCheckStrict);
        if (early) return GetColorCheckMode();
        float lab[3] = {-1, 0, 0};
        return CheckLab(lab);
    };
    EXPECT_EQ(strictUntilReturn(true), kColorCheckStrict);
    EXPECT_EQ(GetColorCheckMode(), kColorCheckClamp);
    EXPECT_EQ(strictUntilReturn(false), kUiErrGeneral);
    EXPECT_EQ(GetColorCheckMode(), kColorCheckClamp);
}

struct CheckCase {
    const char* what;
    int32_t (*check)(float*);
    Triple in;
    int32_t strictStatus;
    Triple clamped;  // the triple after the check in clamp mode
};

int32_t CheckTemperatureTriple(float* v) {
    return CheckColorTemperature(v);
}

TEST(ColorCheckMode, RangeChecksInEveryMode) {
    const CheckCase cases[] = {
        {"Lab inside", CheckLab, {50, -20, 30}, kUiOk, {50, -20, 30}},
        {"Lab black", CheckLab, {0, 0, 0}, kUiOk, {0, 0, 0}},
        {"Lab black with chroma", CheckLab, {0, 0.5f, 0}, kUiErrGeneral, {0, 0, 0}},
        {"Lab tiny L with chroma", CheckLab, {1e-7f, 0, -0.5f}, kUiErrGeneral, {1e-7f, 0, -0.5f}},
        {"Lab negative L", CheckLab, {-5, 3, 4}, kUiErrGeneral, {0, 0, 0}},
        {"lightness inside", CheckLightness, {20, -50, 60}, kUiOk, {20, -50, 60}},
        {"lightness negative", CheckLightness, {-2, -50, 60}, kUiErrGeneral, {0, -50, 60}},
        {"temperature inside", CheckTemperatureTriple, {6500, 0, 0}, kUiOk, {6500, 0, 0}},
        {"temperature low", CheckTemperatureTriple, {3000, 0, 0}, kUiErrGeneral, {4000, 0, 0}},
        {"temperature high", CheckTemperatureTriple, {30000, 0, 0}, kUiErrGeneral, {25000, 0, 0}},
        {"xyY inside", CheckxyY, {0.3f, 0.3f, 0.5f}, kUiOk, {0.3f, 0.3f, 0.5f}},
        {"xyY x + y > 1", CheckxyY, {0.8f, 0.4f, 1}, kUiErrGeneral, {0.8f / 1.2f, 0.4f / 1.2f, 1}},
        {"xyY negative", CheckxyY, {-0.1f, 0.3f, -1}, kUiErrGeneral, {0, 0.3f, 0}},
        {"xyY negative then too long", CheckxyY, {1.5f, -0.2f, 1}, kUiErrGeneral, {1, 0, 1}},
        {"XYZ inside", CheckXYZ, {0.2f, 0.3f, 0.4f}, kUiOk, {0.2f, 0.3f, 0.4f}},
        {"XYZ negative", CheckXYZ, {-0.2f, 0.3f, -0.4f}, kUiErrGeneral, {0, 0.3f, 0}},
    };
    for (const CheckCase& c : cases) {
        Triple v = c.in;
        {
            ColorCheckModeScope mode(kColorCheckStrict);
            EXPECT_EQ(c.check(v.data()), c.strictStatus) << c.what;
            EXPECT_EQ(v, c.in) << c.what << ": strict mode changes nothing";
        }
        {
            ColorCheckModeScope mode(kColorCheckOff);
            EXPECT_EQ(c.check(v.data()), kUiOk) << c.what;
            EXPECT_EQ(v, c.in) << c.what << ": off mode changes nothing";
        }
        EXPECT_EQ(c.check(v.data()), kUiOk) << c.what;
        ExpectNear(v.data(), c.clamped, 1e-6f, c.what);
    }
    // A component that is not a number fails the strict check and is cleared by clamping.
    float xyz[3] = {NAN, 0.3f, 0.4f};
    {
        ColorCheckModeScope mode(kColorCheckStrict);
        EXPECT_EQ(CheckXYZ(xyz), kUiErrGeneral);
    }
    EXPECT_EQ(CheckXYZ(xyz), kUiOk);
    EXPECT_EQ(T(xyz), Triple({0, 0.3f, 0.4f}));
}

// ---- Elementary functions and lightness ------------------------------------

TEST(ColourScience, SignedPowKeepsTheSign) {
    EXPECT_FLOAT_EQ(SignedPow(-8.0f, 1.0f / 3.0f), -2.0f);
    EXPECT_FLOAT_EQ(SignedPow(8.0f, 1.0f / 3.0f), 2.0f);
    EXPECT_FLOAT_EQ(SignedPow(0.25f, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(SignedPow(-0.25f, 2.0f), -0.0625f);
    EXPECT_EQ(SignedPow(0.0f, 2.2f), 0.0f);
    EXPECT_TRUE(std::isfinite(SignedPow(-1e-3f, 1.0f / 2.2f)));
}

TEST(ColourScience, LightnessIsOddAndInvertible) {
    EXPECT_NEAR(YToLightness(1.0f), 100.0f, 1e-4f);
    EXPECT_NEAR(LightnessToY(100.0f), 1.0f, 1e-6f);
    EXPECT_NEAR(YToLightness(0.18f), 49.4961f, 1e-3f);
    // The two branches meet at Y = ε, L = 8.
    EXPECT_NEAR(YToLightness(float(kLabEpsilon)), 8.0f, 1e-4f);
    EXPECT_NEAR(LightnessToY(8.0f), float(kLabEpsilon), 1e-7f);
    for (int i = -200; i <= 200; ++i) {
        const float y = i * 0.0061f;
        EXPECT_EQ(YToLightness(-y), -YToLightness(y));
        EXPECT_NEAR(LightnessToY(YToLightness(y)), y, 2e-6f + 1e-6f * std::fabs(y)) << y;
        const float l = i * 0.6f;
        EXPECT_EQ(LightnessToY(-l), -LightnessToY(l));
        EXPECT_NEAR(YToLightness(LightnessToY(l)), l, 2e-4f) << l;
    }
}

// ---- LCh -------------------------------------------------------------------

TEST(ColourScience, LChEdgeCases) {
    struct Case {
        bool toLCh;
        Triple in, out;
        float tol;
    };
    const Case cases[] = {
        {true, {50, 0, 0}, {50, 0, 0}, 0},
        {true, {50, 0, -10}, {50, 10, 270}, 1e-5f},
        {true, {50, 10, 10}, {50, std::sqrt(200.0f), 45}, 1e-5f},
        {true, {50, -10, -1e-30f}, {50, 10, 180}, 1e-5f},
        {true, {50, 1e-7f, -1e-7f}, {50, std::sqrt(2e-14f), 0}, 0},  // no hue below 1e-6
        {false, {50, 20, 90}, {50, 0, 20}, 0},
        {false, {50, 20, 180}, {50, -20, 0}, 1e-5f},
        {false, {50, 20, -90}, {50, 0, -20}, 0},
        {false, {50, 20, 450.000005f}, {50, 0, 20}, 0},
        {false, {50, 20, 270}, {50, 0, -20}, 0},
        {false, {50, 20, 0}, {50, 20, 0}, 1e-5f},
        {false, {50, 20, 225}, {50, -20 / std::sqrt(2.0f), -20 / std::sqrt(2.0f)}, 1e-5f},
        {false,
         {50, 20, 1e30f},
         {50, 0, 0},
         -1},  // finite, hue reduced: only checked for finiteness
    };
    for (const Case& c : cases) {
        float out[3];
        ASSERT_EQ(c.toLCh ? LabToLCh(c.in.data(), out) : LChToLab(c.in.data(), out), kUiOk);
        if (c.tol < 0) {
            for (float v : out) EXPECT_TRUE(std::isfinite(v));
            continue;
        }
        ExpectNear(out, c.out, c.tol, c.toLCh ? "LabToLCh" : "LChToLab");
        if (c.tol == 0) {
            EXPECT_EQ(T(out), c.out);
        }
    }
    const float inf[3] = {50, 20, INFINITY};
    float out[3];
    EXPECT_EQ(LChToLab(inf, out), kUiErrArg);
}

TEST(ColourScience, LChRoundTripAndAgreesWithLcms) {
    for (int i = -16; i <= 16; ++i)
        for (int j = -16; j <= 16; ++j) {
            const float lab[3] = {55.5f, i * 8.0f + 0.25f, j * 8.0f - 0.125f};
            float lch[3], back[3];
            ASSERT_EQ(LabToLCh(lab, lch), kUiOk);
            EXPECT_GE(lch[2], 0.0f);
            EXPECT_LT(lch[2], 360.0f);
            const cmsCIELab theirsLab = {lab[0], lab[1], lab[2]};
            cmsCIELCh theirs;
            cmsLab2LCh(&theirs, &theirsLab);
            EXPECT_NEAR(lch[1], theirs.C, 1e-4);
            EXPECT_NEAR(lch[2], theirs.h, 1e-4);
            ASSERT_EQ(LChToLab(lch, back), kUiOk);
            ExpectNear(back, T(lab), 1e-4f, "Lab -> LCh -> Lab");
            lch[2] += 720.0f;  // any turn of the hue is the same colour
            ASSERT_EQ(LChToLab(lch, back), kUiOk);
            ExpectNear(back, T(lab), 2e-3f, "hue + 720");
        }
}

// ---- XYZ, Lab, Luv, xyY ------------------------------------------------------

TEST(ColourScience, LabAgreesWithLcmsAndRoundTrips) {
    const cmsCIEXYZ* d50 = cmsD50_XYZ();
    float d65[3];
    ASSERT_EQ(DaylightXYZ(6500.0f, d65), kUiOk);
    const float whites[2][3] = {{float(d50->X), float(d50->Y), float(d50->Z)},
                                {d65[0], d65[1], d65[2]}};
    for (const auto& w : whites) {
        const cmsCIEXYZ white = {w[0], w[1], w[2]};
        for (int i = 0; i <= 12; ++i)
            for (int j = 0; j <= 12; ++j)
                for (int k = 0; k <= 12; ++k) {
                    // Dense near black, where the linear branch applies.
                    const auto axis = [](int n) { return 1.1f * std::pow(n / 12.0f, 3.0f); };
                    const float xyz[3] = {axis(i), axis(j), axis(k)};
                    float lab[3], back[3];
                    ASSERT_EQ(XYZToLab(xyz, lab, w), kUiOk);
                    const cmsCIEXYZ theirsXYZ = {xyz[0], xyz[1], xyz[2]};
                    cmsCIELab theirs;
                    cmsXYZ2Lab(&white, &theirs, &theirsXYZ);
                    ExpectNear(lab, {float(theirs.L), float(theirs.a), float(theirs.b)}, 2e-4f,
                               "XYZToLab against lcms2");
                    if (j == 0) continue;  // L = 0: black, whatever X and Z were
                    ASSERT_EQ(LabToXYZ(lab, back, w), kUiOk);
                    ExpectNear(back, T(xyz), 2e-6f + 2e-6f * xyz[1], "XYZ -> Lab -> XYZ");
                    cmsCIEXYZ theirsBack;
                    cmsLab2XYZ(&white, &theirsBack, &theirs);
                    ExpectNear(back,
                               {float(theirsBack.X), float(theirsBack.Y), float(theirsBack.Z)},
                               1e-5f, "LabToXYZ against lcms2");
                }
    }
}

TEST(ColourScience, LabBlackWhiteAndBadWhites) {
    float d65[3], lab[3], xyz[3];
    ASSERT_EQ(DaylightXYZ(6500.0f, d65), kUiOk);
    ASSERT_EQ(XYZToLab(d65, lab, d65), kUiOk);
    ExpectNear(lab, {100, 0, 0}, 1e-4f, "white");
    const float black[3] = {0, 0, 0};
    ASSERT_EQ(XYZToLab(black, lab, d65), kUiOk);
    EXPECT_EQ(T(lab), Triple({0, 0, 0}));
    const float nearBlack[3] = {1e-11f, 5, -5};  // L below 1e-10 is black whatever a and b say
    ASSERT_EQ(LabToXYZ(nearBlack, xyz, d65), kUiOk);
    EXPECT_EQ(T(xyz), Triple({0, 0, 0}));
    const float negative[3] = {-0.1f, 0.5f, 0.5f};  // clamp mode: X to 0 first
    const float cleared[3] = {0, 0.5f, 0.5f};
    float want[3];
    ASSERT_EQ(XYZToLab(negative, lab, d65), kUiOk);
    ASSERT_EQ(XYZToLab(cleared, want, d65), kUiOk);
    EXPECT_EQ(T(lab), T(want));
    {
        ColorCheckModeScope strict(kColorCheckStrict);
        EXPECT_EQ(XYZToLab(negative, lab, d65), kUiErrGeneral);
        const float chromaAtBlack[3] = {0, 0.5f, 0};
        EXPECT_EQ(LabToXYZ(chromaAtBlack, xyz, d65), kUiErrGeneral);
    }
    const float zeroWhite[3] = {0.95f, 0, 1.08f};
    EXPECT_EQ(XYZToLab(d65, lab, zeroWhite), kUiErrArg);
}

// Forward L*u*v* written out here from the CIE definition, with Y_n = 1.
void ReferenceXYZToLuv(const float xyz[3], const float w[3], float luv[3]) {
    const double d = xyz[0] + 15.0 * xyz[1] + 3.0 * xyz[2];
    const double dn = w[0] + 15.0 * w[1] + 3.0 * w[2];
    const double up = 4.0 * xyz[0] / d, vp = 9.0 * xyz[1] / d;
    const double un = 4.0 * w[0] / dn, vn = 9.0 * w[1] / dn;
    const double y = xyz[1];
    const double l = y > kLabEpsilon ? 116.0 * std::cbrt(y) - 16.0 : kLabKappa * y;
    luv[0] = float(l);
    luv[1] = float(13.0 * l * (up - un));
    luv[2] = float(13.0 * l * (vp - vn));
}

TEST(ColourScience, LuvToXYZInvertsTheCieDefinition) {
    float d65[3], a[3];
    ASSERT_EQ(DaylightXYZ(6500.0f, d65), kUiOk);
    const float illuminantA[3] = {1.0985f, 1.0f, 0.35585f};
    for (const float* w : {static_cast<const float*>(d65), illuminantA})
        for (int i = 1; i <= 10; ++i)
            for (int j = 1; j <= 10; ++j)
                for (int k = 1; k <= 10; ++k) {
                    const float xyz[3] = {i * 0.1f, j * 0.1f * w[1], k * 0.11f};
                    float luv[3], back[3];
                    ReferenceXYZToLuv(xyz, w, luv);
                    ASSERT_EQ(LuvToXYZ(luv, back, w), kUiOk);
                    ExpectNear(back, T(xyz), 2e-5f, "Luv -> XYZ");
                }
    // Luv relative to the 6500 K white, then Lab relative to the same white.
    const float xyz[3] = {0.3f, 0.4f, 0.2f};
    float luv[3], lab[3], want[3];
    ReferenceXYZToLuv(xyz, d65, luv);
    ASSERT_EQ(LuvToLab(luv, lab), kUiOk);
    ASSERT_EQ(XYZToLabAtTemperature(xyz, want, 6500.0f), kUiOk);
    ExpectNear(lab, T(want), 2e-4f, "LuvToLab");
    ASSERT_EQ(LuvToXYZAtTemperature(luv, a, 6500.0f), kUiOk);
    ExpectNear(a, T(xyz), 2e-5f, "LuvToXYZAtTemperature");

    const float black[3] = {0, 30, 30};
    ASSERT_EQ(LuvToXYZ(black, a, d65), kUiOk);
    EXPECT_EQ(T(a), Triple({0, 0, 0}));
    // u' = 0 lies on no colour's chromaticity line: a white with X = 0 gives u'_n = 0.
    const float noX[3] = {0, 1, 1};
    const float grey[3] = {50, 0, 0};
    EXPECT_EQ(LuvToXYZ(grey, a, noX), kUiErrArg);
    const float zeroWhite[3] = {0, 0, 0};
    EXPECT_EQ(LuvToXYZ(grey, a, zeroWhite), kUiErrArg);
    const float negative[3] = {-10, 5, 5};
    {
        ColorCheckModeScope strict(kColorCheckStrict);
        EXPECT_EQ(LuvToXYZ(negative, a, d65), kUiErrGeneral);
    }
    ASSERT_EQ(LuvToXYZ(negative, a, d65), kUiOk);
    EXPECT_EQ(T(a), Triple({0, 0, 0}));
}

TEST(ColourScience, xyYAgreesWithLcms) {
    for (int i = 0; i <= 10; ++i)
        for (int j = 1; j <= 10 - i; ++j) {
            const float xyY[3] = {i * 0.1f, j * 0.1f, 0.5f + i * 0.05f};
            float xyz[3];
            ASSERT_EQ(xyYToXYZ(xyY, xyz), kUiOk);
            const cmsCIExyY theirsxyY = {xyY[0], xyY[1], xyY[2]};
            cmsCIEXYZ theirs;
            cmsxyY2XYZ(&theirs, &theirsxyY);
            ExpectNear(xyz, {float(theirs.X), float(theirs.Y), float(theirs.Z)}, 1e-5f, "xyY");
        }
    const float noY[3] = {0.3f, 0, 1};
    float xyz[3] = {9, 9, 9};
    ASSERT_EQ(xyYToXYZ(noY, xyz), kUiOk);
    EXPECT_EQ(T(xyz), Triple({0, 0, 0}));
    // Clamp mode first brings (0.8, 0.4) back onto x + y = 1.
    const float tooLong[3] = {0.8f, 0.4f, 1};
    ASSERT_EQ(xyYToXYZ(tooLong, xyz), kUiOk);
    ExpectNear(xyz, {2, 1, 0}, 1e-5f, "clamped xyY");
    float lab[3], viaXYZ[3];
    const float xyY[3] = {0.4f, 0.35f, 0.3f};
    ASSERT_EQ(xyYToLabAtTemperature(xyY, lab, 5000.0f), kUiOk);
    ASSERT_EQ(xyYToXYZ(xyY, xyz), kUiOk);
    ASSERT_EQ(XYZToLabAtTemperature(xyz, viaXYZ, 5000.0f), kUiOk);
    EXPECT_EQ(T(lab), T(viaXYZ));
}

// ---- Daylight ---------------------------------------------------------------

TEST(Daylight, Chromaticity6500AndXYZ) {
    float xyY[3], xyz[3];
    ASSERT_EQ(DaylightChromaticity(6500.0f, xyY), kUiOk);
    EXPECT_NEAR(xyY[0], 0.31278f, 1e-5f);
    EXPECT_NEAR(xyY[1], 0.32918f, 1e-5f);
    EXPECT_EQ(xyY[2], 1.0f);
    ASSERT_EQ(DaylightXYZ(6500.0f, xyz), kUiOk);
    ExpectNear(xyz, {0.95017f, 1.0f, 1.08765f}, 5e-5f, "D65");
    EXPECT_EQ(xyz[1], 1.0f);
}

TEST(Daylight, AgreesWithLcmsOverTheRange) {
    for (float t = 4000.0f; t <= 25000.0f; t += 250.0f) {
        float xyY[3];
        ASSERT_EQ(DaylightChromaticity(t, xyY), kUiOk);
        cmsCIExyY theirs;
        ASSERT_TRUE(cmsWhitePointFromTemp(&theirs, t));
        EXPECT_NEAR(xyY[0], theirs.x, 2e-6) << t;
        EXPECT_NEAR(xyY[1], theirs.y, 2e-6) << t;
    }
}

TEST(Daylight, TemperatureOutsideTheRange) {
    float clamped[3], at4000[3], at25000[3];
    ASSERT_EQ(DaylightXYZ(4000.0f, at4000), kUiOk);
    ASSERT_EQ(DaylightXYZ(25000.0f, at25000), kUiOk);
    ASSERT_EQ(DaylightXYZ(3000.0f, clamped), kUiOk);
    EXPECT_EQ(T(clamped), T(at4000));
    ASSERT_EQ(DaylightXYZ(1e9f, clamped), kUiOk);
    EXPECT_EQ(T(clamped), T(at25000));
    {
        ColorCheckModeScope strict(kColorCheckStrict);
        EXPECT_EQ(DaylightXYZ(3000.0f, clamped), kUiErrGeneral);
        const float lab[3] = {50, 0, 0};
        EXPECT_EQ(LabToXYZAtTemperature(lab, clamped, 3000.0f), kUiErrGeneral);
    }
    {
        ColorCheckModeScope off(kColorCheckOff);
        ASSERT_EQ(DaylightXYZ(3000.0f, clamped), kUiOk);
        EXPECT_NE(T(clamped), T(at4000));
        EXPECT_EQ(DaylightXYZ(0.0f, clamped), kUiErrArg);
        EXPECT_EQ(DaylightXYZ(-5000.0f, clamped), kUiErrArg);
    }
}

// ---- Chromatic adaptation ------------------------------------------------------

TEST(AdaptXYZ, WhiteGoesToWhiteInEveryMethod) {
    float d65[3], d50[3], a[3];
    ASSERT_EQ(DaylightXYZ(6500.0f, d65), kUiOk);
    ASSERT_EQ(DaylightXYZ(5000.0f, d50), kUiOk);
    for (const int32_t method : {kAdaptVonKriesXYZ, kAdaptBradford, kAdaptVonKriesCone}) {
        ASSERT_EQ(AdaptXYZ(d65, a, d65, d50, method), kUiOk);
        ExpectNear(a, T(d50), 2e-5f, "white");
        ASSERT_EQ(AdaptXYZ(d65, a, d65, d65, method), kUiOk);
        ExpectNear(a, T(d65), 2e-5f, "same white");
    }
    const float xyz[3] = {0.2f, 0.3f, 0.4f};
    ASSERT_EQ(AdaptXYZ(xyz, a, d65, d50, kAdaptVonKriesXYZ), kUiOk);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(a[i], xyz[i] * d50[i] / d65[i]);
    EXPECT_EQ(AdaptXYZ(xyz, a, d65, d50, 3), kUiErrArg);
    EXPECT_EQ(AdaptXYZ(xyz, a, d65, d50, -1), kUiErrArg);
    const float zero[3] = {0, 0, 0};
    for (const int32_t method : {kAdaptVonKriesXYZ, kAdaptBradford, kAdaptVonKriesCone})
        EXPECT_EQ(AdaptXYZ(xyz, a, zero, d50, method), kUiErrArg) << method;
}

TEST(AdaptXYZ, BradfordRoundTripAndAgreesWithLcms) {
    float d65[3], d50[3];
    ASSERT_EQ(DaylightXYZ(6500.0f, d65), kUiOk);
    ASSERT_EQ(DaylightXYZ(5000.0f, d50), kUiOk);
    const cmsCIEXYZ src = {d65[0], d65[1], d65[2]}, dst = {d50[0], d50[1], d50[2]};
    for (int i = 0; i <= 8; ++i)
        for (int j = 0; j <= 8; ++j)
            for (int k = 0; k <= 8; ++k) {
                const float xyz[3] = {i * 0.12f, j * 0.125f, k * 0.13f};
                for (const int32_t method : {kAdaptBradford, kAdaptVonKriesCone}) {
                    float there[3], back[3];
                    ASSERT_EQ(AdaptXYZ(xyz, there, d65, d50, method), kUiOk);
                    ASSERT_EQ(AdaptXYZ(there, back, d50, d65, method), kUiOk);
                    // The stored inverses carry six digits.
                    ExpectNear(back, T(xyz), 3e-5f, "round trip");
                }
                float ours[3];
                ASSERT_EQ(AdaptXYZ(xyz, ours, d65, d50, kAdaptBradford), kUiOk);
                const cmsCIEXYZ value = {xyz[0], xyz[1], xyz[2]};
                cmsCIEXYZ theirs;
                ASSERT_TRUE(cmsAdaptToIlluminant(&theirs, &src, &dst, &value));
                ExpectNear(ours, {float(theirs.X), float(theirs.Y), float(theirs.Z)}, 2e-5f,
                           "Bradford against lcms2");
            }
}

}  // namespace
