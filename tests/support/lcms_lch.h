// LCh under the 5000 K daylight white of an encoded working-space colour, with
// the chromatic adaptation (Bradford) and the Lab conversion done by lcms2: an
// independent check of the memory-colour conversions.
#pragma once

#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <cmath>

#include "engine/colour_science.h"
#include "tests/support/working_space_fixture.h"

inline std::array<double, 3> LChByLcms(const RefRGB& ref, const float rgb[3]) {
    const WorkingSpaceMatrices m(ref);
    float linear[3], xyz[3], white[3];
    for (int i = 0; i < 3; ++i) linear[i] = std::pow(rgb[i], ref.gamma);
    EXPECT_EQ(ApplyMatrix(m.toXYZ, linear, xyz), kUiOk);
    EXPECT_EQ(DaylightXYZ(5000.0f, white), kUiOk);
    const cmsCIEXYZ source = {ref.xyzWhite[0], ref.xyzWhite[1], ref.xyzWhite[2]};
    const cmsCIEXYZ dest = {white[0], white[1], white[2]};
    const cmsCIEXYZ value = {xyz[0], xyz[1], xyz[2]};
    cmsCIEXYZ adapted;
    EXPECT_TRUE(cmsAdaptToIlluminant(&adapted, &source, &dest, &value));
    cmsCIELab lab;
    cmsCIELCh lch;
    cmsXYZ2Lab(&dest, &lab, &adapted);
    cmsLab2LCh(&lch, &lab);
    return {lch.L, lch.C, lch.h};
}
