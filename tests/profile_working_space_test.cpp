// The working space of embedded profiles made by an independent engine: the
// primaries and white it was given back through its adaptation, and the
// gamma of its curves; every cut-off profile and other kinds refused.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <vector>

#include "icc/profile_working_space.h"
#include "ui/status.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Saved(cmsHPROFILE p) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(p, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(p, bytes.data(), &size);
    cmsCloseProfile(p);
    return bytes;
}

Bytes RgbProfile(const cmsCIExyY& white, double gamma, bool table, double version) {
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* curve = nullptr;
    if (table) {
        std::vector<cmsUInt16Number> entries(1024);
        for (size_t i = 0; i < entries.size(); ++i)
            entries[i] = cmsUInt16Number(65535 * std::pow(i / 1023.0, gamma) + 0.5);
        curve =
            cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(entries.size()), entries.data());
    } else {
        curve = cmsBuildGamma(nullptr, gamma);
    }
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsSetProfileVersion(p, version);
    cmsFreeToneCurve(curve);
    return Saved(p);
}

void ExpectSpace(const ProfileWorkingSpace& s, const double primaries[6], const double white[2],
                 double gamma, double gammaTolerance) {
    for (int32_t i = 0; i < 6; ++i) EXPECT_NEAR(s.primaries[i], primaries[i], 1e-3) << i;
    EXPECT_NEAR(s.white[0], white[0], 1e-3);
    EXPECT_NEAR(s.white[1], white[1], 1e-3);
    EXPECT_NEAR(s.gamma, gamma, gammaTolerance);
}

TEST(ProfileWorkingSpace, MatrixProfilesOfEveryKind) {
    const double ours[6] = {0.64, 0.33, 0.21, 0.71, 0.15, 0.06};
    const cmsCIExyY d65 = {0.3127, 0.3290, 1};
    const double d65xy[2] = {0.3127, 0.3290};
    ProfileWorkingSpace s;
    struct Case {
        const char* name;
        double gamma;
        bool table;
        double version;
    };
    for (const Case& c : {Case{"gamma 1.8, version 2", 1.8, false, 2.1},
                          Case{"gamma 2.2, version 4", 2.2, false, 4.3},
                          Case{"table of 2.4, version 2", 2.4, true, 2.1}}) {
        SCOPED_TRACE(c.name);
        const Bytes p = RgbProfile(d65, c.gamma, c.table, c.version);
        ASSERT_EQ(ReadProfileWorkingSpace(p.data(), uint32_t(p.size()), &s), kUiOk);
        // A single gamma is stored with eight fraction bits in version 2.
        ExpectSpace(s, ours, d65xy, c.gamma, c.table ? 0.01 : 1.0 / 256);
    }
    // Whites away from D65 come back through the profile's adaptation
    // (none for D50, a cool white the other way).
    for (const cmsCIExyY& white : {cmsCIExyY{0.3457, 0.3585, 1}, cmsCIExyY{0.2831, 0.2971, 1}}) {
        SCOPED_TRACE(white.x);
        const Bytes p = RgbProfile(white, 2.2, false, 4.3);
        ASSERT_EQ(ReadProfileWorkingSpace(p.data(), uint32_t(p.size()), &s), kUiOk);
        const double xy[2] = {white.x, white.y};
        ExpectSpace(s, ours, xy, 2.2, 1.0 / 256);
    }
    // The engine's own sRGB: parametric curves, whose pure-power fit is 2.2.
    const Bytes srgb = Saved(cmsCreate_sRGBProfile());
    ASSERT_EQ(ReadProfileWorkingSpace(srgb.data(), uint32_t(srgb.size()), &s), kUiOk);
    const double srgbPrimaries[6] = {0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    ExpectSpace(s, srgbPrimaries, d65xy, 2.2, 0.05);
}

TEST(ProfileWorkingSpace, OtherKindsAndDamageAreRefused) {
    const cmsCIExyY d65 = {0.3127, 0.3290, 1};
    const Bytes p = RgbProfile(d65, 2.2, false, 4.3);
    ProfileWorkingSpace s;
    for (uint32_t size = 0; size < p.size(); ++size)
        EXPECT_NE(ReadProfileWorkingSpace(p.data(), size, &s), kUiOk) << size;
    const Bytes lab = Saved(cmsCreateLab4Profile(nullptr));
    EXPECT_EQ(ReadProfileWorkingSpace(lab.data(), uint32_t(lab.size()), &s), kUiErrFormat);
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    const Bytes grey = Saved(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    EXPECT_EQ(ReadProfileWorkingSpace(grey.data(), uint32_t(grey.size()), &s), kUiErrFormat);
    EXPECT_EQ(ReadProfileWorkingSpace(nullptr, 10, &s), kUiErrArg);
}

}  // namespace
