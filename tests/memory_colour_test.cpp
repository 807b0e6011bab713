#include "engine/memory_colour.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/colour_science.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/interleaved_view.h"
#include "tests/support/lcms_lch.h"
#include "tests/support/working_space_fixture.h"
#include "ui/status.h"

namespace {

constexpr MemoryColorFcn kNeutrals = {0, 0, 0};
constexpr MemoryColorFcn kSkin = {32, 45, 0};

TEST(ColorFunction, ParabolaOfChromaAndLinearHue) {
    struct Case {
        float lightness;
        MemoryColorFcn fcn;
        float lch[3];
    } const cases[] = {
        {50, kSkin, {50, 32, 45}},
        {25, kSkin, {25, 24, 45}},
        {75, kSkin, {75, 24, 45}},
        {0, kSkin, {0, 0, 45}},
        {100, kSkin, {100, 0, 45}},
        {80, {40, 258, -0.7f}, {80, 25.6f, 237}},
        {100, {10, 350, 1}, {100, 0, 40}},   // hue 400 wraps to 40
        {10, {10, 10, 1}, {10, 3.6f, 330}},  // hue -30 wraps to 330
        {50, kNeutrals, {50, 0, 0}},
        {105, kSkin, {105, 0, 45}},  // beyond white: no chroma rather than a flipped hue
    };
    for (const Case& c : cases) {
        float lch[3];
        ASSERT_EQ(ColorFunctionLCh(c.lightness, c.fcn, lch), kUiOk);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(lch[i], c.lch[i], 1e-4) << "L " << c.lightness << " component " << i;
    }
    EXPECT_EQ(ColorFunctionLCh(50, kSkin, nullptr), kUiErrArg);
}

TEST(MemoryColorTarget, NeutralsTurnATintedGreyGreyAtItsLightness) {
    const RefRGB ref = DefaultWorkingSpace();
    const WorkingSpaceMatrices m(ref);
    const float tinted[][3] = {{0.50f, 0.47f, 0.53f}, {0.2f, 0.22f, 0.18f}, {0.85f, 0.8f, 0.82f}};
    for (const auto& rgb : tinted) {
        float target[3], lightness = -1;
        ASSERT_EQ(MemoryColorTarget(kNeutrals, rgb, ref, m.toXYZ, m.toRGB, target, &lightness),
                  kUiOk);
        EXPECT_NEAR(target[0], target[1], 1e-3);
        EXPECT_NEAR(target[1], target[2], 1e-3);
        std::array<double, 3> theirs = LChByLcms(ref, rgb);
        EXPECT_NEAR(lightness, theirs[0], 0.02);
        // The grey has the lightness of the colour it was made for.
        theirs = LChByLcms(ref, target);
        EXPECT_NEAR(theirs[0], lightness, 0.05);
        EXPECT_LT(theirs[1], 0.1);
    }
}

TEST(MemoryColorTarget, SkinTargetHasTheIdealLChByAnIndependentEngine) {
    const RefRGB ref = DefaultWorkingSpace();
    const WorkingSpaceMatrices m(ref);
    const float samples[][3] = {{0.8f, 0.6f, 0.5f}, {0.55f, 0.5f, 0.45f}, {0.7f, 0.45f, 0.42f}};
    for (const auto& rgb : samples) {
        float target[3], lightness;
        ASSERT_EQ(MemoryColorTarget(kSkin, rgb, ref, m.toXYZ, m.toRGB, target, &lightness), kUiOk);
        float ideal[3];
        ASSERT_EQ(ColorFunctionLCh(lightness, kSkin, ideal), kUiOk);
        std::array<double, 3> theirs = LChByLcms(ref, target);
        EXPECT_NEAR(theirs[0], ideal[0], 0.05);
        EXPECT_NEAR(theirs[1], ideal[1], 0.1);
        EXPECT_NEAR(theirs[2], ideal[2], 0.2);
    }
}

TEST(MemoryColorTarget, ClampsAndRefusesMissingArguments) {
    RefRGB ref = DefaultWorkingSpace();
    const WorkingSpaceMatrices m(ref);
    float target[3];
    // A strong blue at the lightness of mid-grey lies outside the gamut for most hues.
    const MemoryColorFcn vivid = {100, 300, 0};
    const float grey[3] = {0.5f, 0.5f, 0.5f};
    ASSERT_EQ(MemoryColorTarget(vivid, grey, ref, m.toXYZ, m.toRGB, target, nullptr), kUiOk);
    for (float v : target) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
    }
    EXPECT_EQ(MemoryColorTarget(kSkin, nullptr, ref, m.toXYZ, m.toRGB, target, nullptr), kUiErrArg);
    EXPECT_EQ(MemoryColorTarget(kSkin, grey, ref, m.toXYZ, nullptr, target, nullptr), kUiErrArg);
    EXPECT_EQ(MemoryColorTarget(kSkin, grey, ref, m.toXYZ, m.toRGB, nullptr, nullptr), kUiErrArg);
    Matrix* wide = nullptr;
    ASSERT_EQ(MatrixAlloc(3, 4, &wide), kUiOk);
    EXPECT_EQ(MemoryColorTarget(kSkin, grey, ref, wide, m.toRGB, target, nullptr), kUiErrArg);
    MatrixFree(wide);
}

TEST(MemoryColorSwatch, GreysSkinAndClampedColours) {
    const RefRGB ref = DefaultWorkingSpace();
    const WorkingSpaceMatrices m(ref);
    struct Grey {
        float lightness;
        uint16_t code8;
    } const greys[] = {{0, 0}, {100, 255}, {50, 118}, {20, 52}};
    for (const Grey& g : greys) {
        uint16_t px[3];
        ASSERT_EQ(MemoryColorSwatch(g.lightness, kNeutrals, ref, m.toRGB, 1, px), kUiOk);
        for (uint16_t v : px) EXPECT_NEAR(v, g.code8, 1) << "L " << g.lightness;
        EXPECT_EQ(px[0], px[1]);
        EXPECT_EQ(px[1], px[2]);
        // The same grey at 16 bits: Y of L through the transfer function.
        ASSERT_EQ(MemoryColorSwatch(g.lightness, kNeutrals, ref, m.toRGB, 2, px), kUiOk);
        const double want = std::pow(LightnessToY(g.lightness), 1 / 2.2) * 65535;
        for (uint16_t v : px) EXPECT_NEAR(v, want, 40) << "L " << g.lightness;
    }

    uint16_t px[3];
    ASSERT_EQ(MemoryColorSwatch(50, kSkin, ref, m.toRGB, 2, px), kUiOk);
    const float rgb[3] = {px[0] / 65535.0f, px[1] / 65535.0f, px[2] / 65535.0f};
    std::array<double, 3> theirs = LChByLcms(ref, rgb);
    EXPECT_NEAR(theirs[0], 50, 0.05);
    EXPECT_NEAR(theirs[1], 32, 0.05);
    EXPECT_NEAR(theirs[2], 45, 0.1);

    // Far outside the gamut: every channel within range, one at an end.
    const MemoryColorFcn vivid = {100, 140, 0};
    ASSERT_EQ(MemoryColorSwatch(50, vivid, ref, m.toRGB, 1, px), kUiOk);
    EXPECT_TRUE(px[0] == 0 || px[2] == 0 || px[1] == 255);
    for (uint16_t v : px) EXPECT_LE(v, 255);

    EXPECT_EQ(MemoryColorSwatch(50, kSkin, ref, m.toRGB, 3, px), kUiErrArg);
    EXPECT_EQ(MemoryColorSwatch(50, kSkin, ref, nullptr, 1, px), kUiErrArg);
    EXPECT_EQ(MemoryColorSwatch(50, kSkin, ref, m.toRGB, 1, nullptr), kUiErrArg);
}

TEST(DrawMemoryColorGradient, LightnessRunsAlongTheLongerSide) {
    const RefRGB ref = DefaultWorkingSpace();
    const WorkingSpaceMatrices m(ref);
    struct Case {
        int32_t width, height, bytes;
    } const cases[] = {{101, 3, 1}, {3, 51, 2}, {4, 4, 1}, {1, 1, 2}};
    for (const Case& c : cases) {
        InterleavedImage img(c.width, c.height, c.bytes, 4);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) img.Set(x, y, 3, 42);
        const IPImage view = img.View();
        ASSERT_EQ(DrawMemoryColorGradient(kSkin, ref, &view), kUiOk);
        const bool alongWidth = c.width >= c.height;
        const int32_t n = alongWidth ? c.width : c.height;
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                const int32_t i = alongWidth ? x : y;
                const float lightness = n > 1 ? 100.0f * i / (n - 1) : 50.0f;
                uint16_t want[3];
                ASSERT_EQ(MemoryColorSwatch(lightness, kSkin, ref, m.toRGB, c.bytes, want), kUiOk);
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(img.Get(x, y, k), want[k]) << x << "," << y << " of " << c.width;
                ASSERT_EQ(img.Get(x, y, 3), 42u) << "the fourth plane is left alone";
            }
        }
    }
}

TEST(DrawMemoryColorGradient, RefusesBadViewsAndSpacesAndShortMemory) {
    RefRGB ref = DefaultWorkingSpace();
    InterleavedImage img(8, 2, 1);
    IPImage view = img.View();
    RunAllocationFailureLoop([&] { return DrawMemoryColorGradient(kSkin, ref, &view); });
    EXPECT_EQ(DrawMemoryColorGradient(kSkin, ref, nullptr), kUiErrArg);
    view.bytesPerSample = 3;
    EXPECT_EQ(DrawMemoryColorGradient(kSkin, ref, &view), kUiErrArg);
    view.bytesPerSample = 1;
    ref.primaries[2] = ref.primaries[0];  // green on red: no matrices
    ref.primaries[3] = ref.primaries[1];
    EXPECT_EQ(DrawMemoryColorGradient(kSkin, ref, &view), kUiErrMemory);
}

// The strips of the editor: the hue strip runs one degree a column from its
// start (wrapping at 360) and from lightness 100 at the top to 0 at the
// bottom, without hue drift; the chroma strip runs from 0 to 100 at
// lightness 50 and the function's hue. MemoryColorMidRGB is the strip's
// colour at lightness 50.
TEST(MemoryColorStrips, HueAndChromaAcrossTheColumns) {
    const RefRGB ref = DefaultWorkingSpace();
    const WorkingSpaceMatrices m(ref);
    const MemoryColorFcn fcn = {40, 30, 0.5f};
    for (const int32_t bytes : {1, 2}) {
        InterleavedImage hue(6, 5, bytes);
        const IPImage hueView = hue.View();
        ASSERT_EQ(DrawMemoryColorHueStrip(fcn, ref, 357, &hueView), kUiOk);
        InterleavedImage chroma(11, 2, bytes);
        const IPImage chromaView = chroma.View();
        ASSERT_EQ(DrawMemoryColorChromaStrip(fcn, ref, &chromaView), kUiOk);
        for (int32_t x = 0; x < 6; ++x)
            for (int32_t y = 0; y < 5; ++y) {
                const MemoryColorFcn column = {40, float((357 + x) % 360), 0};
                uint16_t want[3];
                ASSERT_EQ(MemoryColorSwatch(100.0f - 25.0f * y, column, ref, m.toRGB, bytes, want),
                          kUiOk);
                for (int k = 0; k < 3; ++k) ASSERT_EQ(hue.Get(x, y, k), want[k]) << x << "," << y;
            }
        for (int32_t x = 0; x < 11; ++x) {
            const MemoryColorFcn column = {10.0f * x, 30, 0};
            uint16_t want[3];
            ASSERT_EQ(MemoryColorSwatch(50, column, ref, m.toRGB, bytes, want), kUiOk);
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(chroma.Get(x, 0, k), want[k]) << x;
                ASSERT_EQ(chroma.Get(x, 1, k), want[k]) << x;
            }
        }
        EXPECT_EQ(chroma.Get(0, 0, 0), chroma.Get(0, 0, 2)) << "chroma 0 is grey";
    }
    uint8_t rgb[3];
    ASSERT_EQ(MemoryColorMidRGB(kNeutrals, ref, rgb), kUiOk);
    for (const uint8_t v : rgb) EXPECT_NEAR(v, 118, 1);
    ASSERT_EQ(MemoryColorMidRGB(fcn, ref, rgb), kUiOk);
    uint16_t want[3];
    ASSERT_EQ(MemoryColorSwatch(50, fcn, ref, m.toRGB, 1, want), kUiOk);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(rgb[k], want[k]);
    EXPECT_EQ(MemoryColorMidRGB(fcn, ref, nullptr), kUiErrArg);
    EXPECT_EQ(DrawMemoryColorHueStrip(fcn, ref, 0, nullptr), kUiErrArg);
}

}  // namespace
