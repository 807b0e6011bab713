#include "engine/working_space.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <string>

#include "engine/colour_science.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/test_support.h"
#include "tests/support/working_space_fixture.h"
#include "ui/status.h"

namespace {

TEST(WorkingSpace, DefaultSpace) {
    const RefRGB r = DefaultWorkingSpace();
    EXPECT_EQ(r.gamma, 2.2f);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.primaries[i], kDefaultPrimaries[i]);
    float d65[3];
    ASSERT_EQ(DaylightXYZ(6500.0f, d65), kUiOk);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r.xyzWhite[i], d65[i]);
    EXPECT_EQ(DefaultRefRGB(nullptr), kUiErrArg);
}

TEST(WorkingSpace, DefaultMatrixMapsWhiteAndPrimaries) {
    const RefRGB r = DefaultWorkingSpace();
    WorkingSpaceMatrices m(r);
    ASSERT_NE(m.toXYZ, nullptr);
    ASSERT_NE(m.toRGB, nullptr);
    const float ones[3] = {1, 1, 1};
    float xyz[3];
    ASSERT_EQ(ApplyMatrix(m.toXYZ, ones, xyz), kUiOk);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(xyz[i], r.xyzWhite[i], 2e-6f);
    const float red[3] = {1, 0, 0};
    ASSERT_EQ(ApplyMatrix(m.toXYZ, red, xyz), kUiOk);
    EXPECT_NEAR(xyz[1], 0.2126f, 5e-4f);
    // Each row is a primary: its chromaticity is the primary's.
    for (int k = 0; k < 3; ++k) {
        const float* p = &MatrixAt(m.toXYZ, k, 0);
        const float sum = p[0] + p[1] + p[2];
        EXPECT_NEAR(p[0] / sum, r.primaries[2 * k], 1e-6f) << k;
        EXPECT_NEAR(p[1] / sum, r.primaries[2 * k + 1], 1e-6f) << k;
    }
}

TEST(WorkingSpace, MatricesAreInversesOverAGrid) {
    // Wide spaces: a blue close to y = 0, and one with a negative y.
    const float widePrimaries[][6] = {
        {0.7347f, 0.2653f, 0.1152f, 0.8264f, 0.1566f, 0.0177f},
        {0.7347f, 0.2653f, 0.1596f, 0.8404f, 0.0366f, 0.0001f},
        {0.7347f, 0.2653f, 0.0f, 1.0f, 0.0001f, -0.077f},
    };
    RefRGB spaces[4] = {DefaultWorkingSpace(), DefaultWorkingSpace(), DefaultWorkingSpace(),
                        DefaultWorkingSpace()};
    for (int s = 0; s < 3; ++s)
        for (int i = 0; i < 6; ++i) spaces[s + 1].primaries[i] = widePrimaries[s][i];
    for (const RefRGB& r : spaces) {
        WorkingSpaceMatrices m(r);
        ASSERT_NE(m.toXYZ, nullptr);
        ASSERT_NE(m.toRGB, nullptr);
        double worst = 0.0;
        for (int i = 0; i <= 10; ++i)
            for (int j = 0; j <= 10; ++j)
                for (int k = 0; k <= 10; ++k) {
                    const float rgb[3] = {i * 0.1f, j * 0.1f - 0.2f, k * 0.12f};
                    float v[3];
                    ASSERT_EQ(ApplyMatrix(m.toXYZ, rgb, v), kUiOk);
                    ASSERT_EQ(ApplyMatrix(m.toRGB, v, v), kUiOk);  // in place
                    for (int c = 0; c < 3; ++c) worst = std::fmax(worst, std::fabs(v[c] - rgb[c]));
                }
        EXPECT_LT(worst, 4e-6);
    }
}

// An independent engine builds the same space, with its colorants adapted to
// D50 by Bradford; adapting our primaries the same way must agree.
TEST(WorkingSpace, AgreesWithLcmsColorants) {
    const RefRGB r = DefaultWorkingSpace();
    float whitexyY[3];
    ASSERT_EQ(DaylightChromaticity(6500.0f, whitexyY), kUiOk);
    const cmsCIExyY white = {whitexyY[0], whitexyY[1], 1.0};
    const cmsCIExyYTRIPLE primaries = {{r.primaries[0], r.primaries[1], 1.0},
                                       {r.primaries[2], r.primaries[3], 1.0},
                                       {r.primaries[4], r.primaries[5], 1.0}};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, nullptr);
    ASSERT_NE(profile, nullptr);
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                     cmsSigBlueColorantTag};
    WorkingSpaceMatrices m(r);
    ASSERT_NE(m.toXYZ, nullptr);
    const cmsCIEXYZ* d50 = cmsD50_XYZ();
    const float d50f[3] = {float(d50->X), float(d50->Y), float(d50->Z)};
    for (int k = 0; k < 3; ++k) {
        const auto* theirs = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[k]));
        ASSERT_NE(theirs, nullptr);
        float ours[3];
        ASSERT_EQ(AdaptXYZ(&MatrixAt(m.toXYZ, k, 0), ours, r.xyzWhite, d50f, kAdaptBradford),
                  kUiOk);
        EXPECT_NEAR(ours[0], theirs->X, 2e-5) << k;
        EXPECT_NEAR(ours[1], theirs->Y, 2e-5) << k;
        EXPECT_NEAR(ours[2], theirs->Z, 2e-5) << k;
    }
    cmsCloseProfile(profile);
}

TEST(WorkingSpace, BuildersRefuseSpacesWithoutMatrices) {
    const RefRGB good = DefaultWorkingSpace();
    struct Case {
        const char* what;
        int index;  // primary coordinate to change, or -1 for the white's Y
        float value;
    };
    const Case cases[] = {
        {"red y = 0", 1, 0.0f},           {"blue y = 0", 5, 0.0f},
        {"green equal to red", -2, 0.0f}, {"blue on the red-green line", -3, 0.0f},
        {"primary not a number", 2, NAN}, {"white not finite", -1, INFINITY},
    };
    for (const Case& c : cases) {
        RefRGB r = good;
        if (c.index >= 0) r.primaries[c.index] = c.value;
        if (c.index == -1) r.xyzWhite[1] = c.value;
        if (c.index == -2) {
            r.primaries[2] = r.primaries[0];
            r.primaries[3] = r.primaries[1];
        }
        if (c.index == -3) {  // midway between red and green
            r.primaries[4] = 0.5f * (r.primaries[0] + r.primaries[2]);
            r.primaries[5] = 0.5f * (r.primaries[1] + r.primaries[3]);
        }
        WorkingSpaceMatrices m(r);
        EXPECT_EQ(m.toXYZ, nullptr) << c.what;
        EXPECT_EQ(m.toRGB, nullptr) << c.what;
        Matrix* out = reinterpret_cast<Matrix*>(1);
        EXPECT_EQ(MakeRGBToXYZ(r.primaries, r.xyzWhite, &out), kUiErrArg) << c.what;
        EXPECT_EQ(out, nullptr) << c.what;
        EXPECT_EQ(CheckWorkingSpace(&r), kUiErrGeneral) << c.what;
    }
    Matrix* m = nullptr;
    EXPECT_EQ(MakeRGBToXYZ(nullptr, good.xyzWhite, &m), kUiErrArg);
    EXPECT_EQ(MakeRGBToXYZ(good.primaries, good.xyzWhite, nullptr), kUiErrArg);
    EXPECT_EQ(CheckWorkingSpace(nullptr), kUiErrArg);
}

TEST(WorkingSpace, ApplyMatrixWantsThreeByThree) {
    Matrix* m = nullptr;
    ASSERT_EQ(MatrixAlloc(3, 4, &m), kUiOk);
    float v[3] = {1, 2, 3};
    EXPECT_EQ(ApplyMatrix(m, v, v), kUiErrArg);
    EXPECT_EQ(ApplyMatrix(nullptr, v, v), kUiErrArg);
    MatrixFree(m);
}

TEST(WorkingSpace, CheckWorkingSpaceGamma) {
    const struct {
        float gamma;
        int32_t status;
    } cases[] = {{2.2f, kUiOk},          {0.1f, kUiOk},          {10.0f, kUiOk},
                 {0.09f, kUiErrGeneral}, {10.5f, kUiErrGeneral}, {NAN, kUiErrGeneral}};
    for (const auto& c : cases) {
        RefRGB r = DefaultWorkingSpace();
        r.gamma = c.gamma;
        EXPECT_EQ(CheckWorkingSpace(&r), c.status) << c.gamma;
    }
}

TEST(WorkingSpace, TransferFunctionIsAPurePowerLaw) {
    EXPECT_FLOAT_EQ(EncodedToLinear(0.5f, 2.2f), std::pow(0.5f, 2.2f));
    EXPECT_FLOAT_EQ(EncodedToLinear(-0.5f, 2.2f), -std::pow(0.5f, 2.2f));
    EXPECT_FLOAT_EQ(LinearToEncoded(0.001f, 2.2f), std::pow(0.001f, 1.0f / 2.2f));  // no toe
    EXPECT_EQ(EncodedToLinear(0.0f, 2.2f), 0.0f);
    EXPECT_EQ(EncodedToLinear(1.0f, 2.2f), 1.0f);
    for (int i = -20; i <= 20; ++i) {
        const float v = i * 0.06f;
        for (const float g : {0.5f, 1.0f, 1.8f, 2.2f, 5.0f})
            EXPECT_NEAR(LinearToEncoded(EncodedToLinear(v, g), g), v, 2e-6f) << v << " " << g;
    }
}

TEST(WorkingSpace, PrimariesRoundToFourDecimalsHalfAwayFromZero) {
    const float cases[][2] = {{0.640049f, 0.64f},    {0.64f, 0.64f},    {0.12345f, 0.1235f},
                              {-0.12345f, -0.1235f}, {0.06004f, 0.06f}, {0.0f, 0.0f},
                              {0.99996f, 1.0f}};
    for (const auto& c : cases) EXPECT_EQ(RoundToFourDecimals(c[0]), c[1]) << c[0];
    float p[6] = {0.640049f, 0.33f, 0.30004f, 0.59996f, 0.15f, 0.06f};
    RoundPrimaries(p);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p[i], kDefaultPrimaries[i]) << i;
}

TEST(RefRgbMatch, MatchesAfterRoundingAndLogsTheFirstDifference) {
    const RefRGB base = DefaultWorkingSpace();
    struct Case {
        const char* what;
        void (*change)(RefRGB*);
        bool match;
        const char* logLine;  // the single line written, or "" for none
    };
    const Case cases[] = {
        {"same", [](RefRGB*) {}, true, ""},
        {"primaries 0.00004 apart",
         [](RefRGB* r) {
             r->primaries[0] += 0.00004f;
             r->primaries[5] -= 0.00004f;
         },
         true, ""},
        {"gamma 2.20002", [](RefRGB* r) { r->gamma = 2.20002f; }, false,
         "RefRgbMatch: gamma1: 2.200000  gamma2: 2.200020\n"},
        {"white Z", [](RefRGB* r) { r->xyzWhite[2] = 1.25f; }, false, nullptr},
        {"green y", [](RefRGB* r) { r->primaries[3] = 0.61f; }, false,
         "RefRgbMatch: primaries1[3]: 0.600000  primaries2[3]: 0.610000\n"},
        {"gamma and primary: only gamma logged",
         [](RefRGB* r) {
             r->gamma = 1.8f;
             r->primaries[0] = 0.7f;
         },
         false, "RefRgbMatch: gamma1: 2.200000  gamma2: 1.800000\n"},
        {"gamma not a number", [](RefRGB* r) { r->gamma = NAN; }, false,
         "RefRgbMatch: gamma1: 2.200000  gamma2: nan\n"},
    };
    for (const Case& c : cases) {
        RefRGB other = base;
        c.change(&other);
        RemoveDebugLog();
        EXPECT_EQ(RefRgbMatch(base, other), c.match) << c.what;
        std::string expected = c.logLine ? c.logLine : "";
        if (c.logLine == nullptr) {
            char line[128];
            std::snprintf(line, sizeof line,
                          "RefRgbMatch: xyzWhite1[2]: %.6f  xyzWhite2[2]: 1.250000\n",
                          double(base.xyzWhite[2]));
            expected = line;
        }
        EXPECT_EQ(ReadDebugLog(), expected) << c.what;
    }
}

TEST(WorkingSpace, BuildersSurviveAllocationFailures) {
    const RefRGB r = DefaultWorkingSpace();
    for (const auto builder : {MakeRGBToXYZ, MakeXYZToRGB}) {
        RunAllocationFailureLoop([&] {
            Matrix* m = reinterpret_cast<Matrix*>(1);
            const int32_t status = builder(r.primaries, r.xyzWhite, &m);
            if (status == kUiOk) {
                MatrixFree(m);
            } else {
                EXPECT_EQ(m, nullptr);
            }
            return status;
        });
    }
    RunAllocationFailureLoop([&] { return CheckWorkingSpace(&r); });
}

}  // namespace
