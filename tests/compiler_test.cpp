// The transform compiler: the tone curve, the grey-balance curves and the
// limited colour matrix, the compiled grid (defaults leave every 8-bit value
// unchanged), the handle, bad views and working spaces, and running out of
// memory at every allocation of a compile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/compile_edit_tw.h"
#include "engine/compile_params.h"
#include "engine/compile_stages.h"
#include "engine/image_view_check.h"
#include "engine/lightness_bins.h"
#include "engine/memory_colour.h"
#include "engine/tone_curve.h"
#include "resources/dialog_table.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/correct_image.h"
#include "tests/support/edit_pars_samples.h"
#include "tests/support/interleaved_view.h"
#include "tests/support/test_support.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

CompileParams ParamsOf(const EditPars& pars) {
    CompileParams p;
    InitCompileParams(&p, pars);
    return p;
}

// A sample of n pixels of one colour (code values of the given depth).
MemorySample Sample(float r, float g, float b, int32_t n) {
    return MemorySample{r * n, g * n, b * n, n};
}

// Settings with every automatic switch on and two sampled memory colours: a
// grey with a warm cast and a skin tone that is too green.
EditPars SampledPars() {
    EditPars pars = DefaultPars();
    pars.doAutoBlack = pars.doAutoWhite = pars.doAutoMidGray = 1;
    pars.autoBlackAmount = pars.autoWhiteAmount = pars.autoMidGrayAmount = 0.5f;
    pars.customBinColors[0].samplesBin[3] = Sample(90, 80, 70, 40);
    pars.customBinColors[0].samplesBin[5] = Sample(150, 138, 125, 25);
    pars.customBinColors[1].samplesBin[6] = Sample(200, 170, 140, 60);
    return pars;
}

// An 8-bit image with smooth gradients and every lightness band.
InterleavedImage GradientImage(int32_t w, int32_t h, int32_t depth = 1) {
    InterleavedImage im(w, h, depth);
    const uint32_t max = depth == 1 ? 255 : 65535;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const double u = double(x) / (w - 1), v = double(y) / (h - 1);
            im.SetPixel(x, y, uint32_t(max * (0.1 + 0.8 * u)), uint32_t(max * (0.15 + 0.7 * v)),
                        uint32_t(max * (0.2 + 0.6 * (u + v) / 2)));
        }
    return im;
}

struct Compiled {
    TWHandle handle{};
    ~Compiled() { DestroyTintwork(handle.tintwork); }
};

// The colour stages run on a record's usable bins as the compiler would.
struct ColourStages {
    CompileParams p;
    std::vector<CompileColor> colours;
    SampleColours samples;
    Matrix *toXYZ = nullptr, *toRGB = nullptr, *m = nullptr;
    std::vector<float> storage = std::vector<float>(3 * kGreyBalanceEntries);
    float* tables[3] = {&storage[0], &storage[100], &storage[200]};

    explicit ColourStages(const EditPars& pars) {
        p = ParamsOf(pars);
        for (const MemoryColorBin& bin : pars.customBinColors) {
            if (!IsUsableBin(bin)) continue;
            CompileColor c{bin.fcn, 0, nullptr, kSamplesPerBin, {}};
            std::copy(bin.samplesBin, bin.samplesBin + kSamplesPerBin, c.samples);
            colours.push_back(c);
        }
        p.colors = colours.data();
        p.colorCount = int32_t(colours.size());
        MeanSampleColours(p, 1, &samples);
        EXPECT_EQ(MakeRGBToXYZ(p.refRGB.primaries, p.refRGB.xyzWhite, &toXYZ), kUiOk);
        EXPECT_EQ(MakeXYZToRGB(p.refRGB.primaries, p.refRGB.xyzWhite, &toRGB), kUiOk);
        EXPECT_EQ(MatrixAlloc(3, 3, &m), kUiOk);
        EXPECT_EQ(BuildGreyBalance(p, samples, toXYZ, toRGB, tables), kUiOk);
        EXPECT_EQ(FitColourMatrix(p, samples, tables, toXYZ, toRGB, m), kUiOk);
    }
    ~ColourStages() {
        MatrixFree(toXYZ);
        MatrixFree(toRGB);
        MatrixFree(m);
    }
    double DistanceFromIdentity() const {
        double d = 0.0;
        for (int i = 0; i < 9; ++i) d = std::max(d, std::fabs(m->v[i] - (i % 4 == 0 ? 1.0 : 0.0)));
        return d;
    }
};

}  // namespace

// ---- Tone curve ----------------------------------------------------------------

TEST(ToneCurve, BrightnessIsTheBiasFunctionAppliedTwice) {
    EXPECT_EQ(BiasFunction(1.0f, 0.5f), 0.75f);
    EXPECT_EQ(BiasTwice(1.0f, 0.5f), 0.9375f);
    CompileParams p = ParamsOf(DefaultPars());
    p.brightness = 1.0f;
    EXPECT_EQ(ToneCurve(p, 0, 0.5f), 0.9375f);  // contrast 0.5 changes nothing
    p.brightness = 0.0f;
    EXPECT_EQ(ToneCurve(p, 1, 0.5f), 0.0625f);  // β(0, y) = y²
}

TEST(ToneCurve, DefaultsAreTheIdentityAndContrastSteepensTheMiddle) {
    CompileParams p = ParamsOf(DefaultPars());
    for (int i = 0; i <= 1000; ++i) {
        const float x = i / 1000.0f;
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(ToneCurve(p, c, x), x, 1e-6f) << x;
    }
    p.contrast = 0.8f;
    EXPECT_EQ(ToneCurve(p, 0, 0.5f), 0.5f);
    EXPECT_EQ(ToneCurve(p, 0, 0.0f), 0.0f);
    EXPECT_EQ(ToneCurve(p, 0, 1.0f), 1.0f);
    EXPECT_GT(ToneCurve(p, 0, 0.55f) - ToneCurve(p, 0, 0.45f), 0.15f);
    EXPECT_LT(ToneCurve(p, 0, 0.05f), 0.05f);
    EXPECT_GT(ToneCurve(p, 0, 0.95f), 0.95f);
}

TEST(ToneCurve, Levels) {
    struct Case {
        float x, black, white, mid, expected;
    } cases[] = {
        {0.3f, 0.1f, 0.9f, 0.5f, 0.25f},   // linear stretch
        {0.05f, 0.1f, 0.9f, 0.5f, 0.0f},   // clamped below the black point
        {0.95f, 0.1f, 0.9f, 0.5f, 1.0f},   // and above the white point
        {0.7f, 0.4f, 0.4f, 0.5f, 0.7f},    // no span: unchanged
        {0.15f, 0.0f, 1.0f, 0.3f, 0.25f},  // the mid level 0.3 splits at 0.5
        {0.3f, 0.0f, 1.0f, 0.3f, 0.5f},
        {0.65f, 0.0f, 1.0f, 0.3f, 0.75f},
        // The mid level on the white point: the upper branch's span is 0,
        // its limit 1 (not 0 / 0).
        {1.0f, 0.0f, 1.0f, 1.0f, 1.0f},
        {0.5f, 0.2f, 0.8f, 1.0f, 0.5f * 0.3f / 0.6f},
        {0.8f, 0.2f, 0.8f, 1.0f, 1.0f},
        // The mid level on the black point: values below it are black.
        {0.1f, 0.2f, 0.8f, 0.0f, 0.0f},
        {0.2f, 0.2f, 0.8f, 0.0f, 0.5f},
    };
    for (const Case& k : cases) {
        const float y = LevelsCurve(k.x, k.black, k.white, k.mid);
        EXPECT_NEAR(y, k.expected, 1e-6f)
            << "x " << k.x << " black " << k.black << " white " << k.white << " mid " << k.mid;
    }
}

// ---- Grey balance and colour matrix ----------------------------------------------

TEST(GreyBalance, EqualControlValuesAreSeparated) {
    struct Case {
        std::vector<float> in;
    } cases[] = {
        {{0, 0, 0, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 1, 1}},
        {{0, 0.1f, 0.2f, 0.2f, 0.2f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1, 1}},
        {{0, 0.4f, 0.4f, 0.4f, 0.4f, 0.4f, 0.6f, 0.6f, 0.6f, 0.6f, 0.6f, 1}},
        {{0, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 0.95f, 1}},
    };
    for (const Case& k : cases) {
        std::vector<float> p = k.in;
        SeparateControlValues(p.data(), int32_t(p.size()));
        for (size_t i = 1; i < p.size(); ++i) EXPECT_LT(p[i - 1], p[i]) << "index " << i;
        for (size_t i = 0; i < p.size(); ++i) EXPECT_NEAR(p[i], k.in[i], 1e-4f);
    }
    // Distinct values are left alone.
    std::vector<float> distinct = cases[3].in;
    SeparateControlValues(distinct.data(), 12);
    EXPECT_EQ(distinct, cases[3].in);
}

TEST(GreyBalance, SlopeIsLimitedToTwo) {
    std::vector<float> table(kGreyBalanceEntries);
    for (int i = 0; i < kGreyBalanceEntries; ++i) table[i] = i < 50 ? 0.1f * i / 49 : 1.0f;
    LimitGreyBalanceSlope(table.data());
    for (int i = 1; i < kGreyBalanceEntries; ++i)
        EXPECT_LE((table[i] - table[i - 1]) / 0.01010101f, 2.0f + 1e-4f) << i;
    EXPECT_EQ(table[0], 0.0f);
    EXPECT_EQ(table[kGreyBalanceEntries - 1], 1.0f);
}

TEST(LightnessBins, EmptyBandsAreFilledFromBlackWhiteAndNeighbours) {
    LightnessBins bins{};
    const float a[3] = {0.4f, 0.4f, 0.4f}, t[3] = {0.5f, 0.5f, 0.5f};
    AddToLightnessBins(&bins, 35.0f, a, t);  // band 3
    const float b[3] = {0.7f, 0.7f, 0.7f};
    AddToLightnessBins(&bins, 72.0f, b, b);  // band 7
    AddToLightnessBins(&bins, 79.9f, b, b);
    BandMeans m;
    ASSERT_TRUE(FillBandMeans(bins, &m));
    EXPECT_NEAR(m.source[0][0], 0.1f, 1e-6f);  // from black at band -1 to 0.4 at band 3
    EXPECT_NEAR(m.target[1][0], 0.25f, 1e-6f);
    EXPECT_NEAR(m.source[5][0], 0.55f, 1e-6f);  // between bands 3 and 7
    EXPECT_NEAR(m.source[9][0], 0.9f, 1e-6f);   // from 0.7 at band 7 to white at band 10
    EXPECT_EQ(LightnessBand(-3.0f), 0);
    EXPECT_EQ(LightnessBand(100.0f), 9);
    LightnessBins none{};
    EXPECT_FALSE(FillBandMeans(none, &m));
}

TEST(GreyBalance, CarriesASampledGreyTowardNeutral) {
    // One sampled grey with a warm cast, every sample in one lightness band:
    // the other bands come from black and white, and the balanced tone
    // curves bring the sample's channels together.
    EditPars pars = DefaultPars();
    pars.customBinColors[0].samplesBin[5] = Sample(140, 125, 110, 10);
    ColourStages st(pars);
    ASSERT_EQ(st.p.colorCount, 1);
    ASSERT_TRUE(st.samples.present[0][5]);
    EXPECT_FLOAT_EQ(st.samples.rgb[0][5][0], 140.0f / 255.0f);
    float before[3], after[3];
    for (int c = 0; c < 3; ++c) {
        const float* table = st.tables[c];
        before[c] = st.samples.rgb[0][5][c];
        after[c] = FullToneCurve(st.p, c, before[c], table);
        // The ends within the spline inversion's bisection width.
        EXPECT_NEAR(table[0], 0.0f, 1e-5f);
        EXPECT_NEAR(table[99], 1.0f, 1e-5f);
        for (int i = 1; i < kGreyBalanceEntries; ++i) {
            EXPECT_GE(table[i], table[i - 1]) << "channel " << c << " entry " << i;
            EXPECT_LE((table[i] - table[i - 1]) / 0.01010101f, 2.0f + 1e-4f);
        }
    }
    EXPECT_LT(std::fabs(after[0] - after[2]), 0.5f * std::fabs(before[0] - before[2]));

    // Switched off, the matrix is the identity.
    st.p.matrixOff = 1;
    ASSERT_EQ(FitColourMatrix(st.p, st.samples, st.tables, st.toXYZ, st.toRGB, st.m), kUiOk);
    EXPECT_EQ(st.DistanceFromIdentity(), 0.0);
}

TEST(ColourMatrix, FittedToColouredSamplesNotToGreysAlone) {
    // Greys alone leave the fit without a colour direction: its normal
    // matrix is singular in f32 terms and the matrix stays the identity
    // (the grey balance does the work).
    EditPars greys = DefaultPars();
    greys.customBinColors[0].samplesBin[3] = Sample(90, 80, 70, 40);
    greys.customBinColors[0].samplesBin[5] = Sample(150, 138, 125, 25);
    greys.customBinColors[0].samplesBin[7] = Sample(200, 190, 178, 25);
    ColourStages g(greys);
    EXPECT_EQ(g.DistanceFromIdentity(), 0.0);

    // Skin with a green cast over four bands beside them: a real fit,
    // inside the bounds.
    EditPars skin = greys;
    skin.customBinColors[1].samplesBin[4] = Sample(120, 110, 80, 30);
    skin.customBinColors[1].samplesBin[5] = Sample(150, 135, 100, 30);
    skin.customBinColors[1].samplesBin[6] = Sample(185, 170, 125, 30);
    skin.customBinColors[1].samplesBin[7] = Sample(215, 195, 150, 30);
    ColourStages s(skin);
    std::printf("fitted matrix: %.4f %.4f %.4f / %.4f %.4f %.4f / %.4f %.4f %.4f\n", s.m->v[0],
                s.m->v[1], s.m->v[2], s.m->v[3], s.m->v[4], s.m->v[5], s.m->v[6], s.m->v[7],
                s.m->v[8]);
    EXPECT_GT(s.DistanceFromIdentity(), 0.01);
    EXPECT_LE(s.DistanceFromIdentity(), 0.1 + 1e-6);
}

TEST(ColourMatrix, PulledTowardTheIdentityByOneFraction) {
    struct Case {
        float in[9];
        double fraction;  // expected pull
    } cases[] = {
        // Diagonal 1.3 comes back to 1.1: two thirds of the way.
        {{1.3f, 0.05f, 0.0f, 0.02f, 0.95f, -0.06f, 0.0f, 0.1f, 1.05f}, 2.0 / 3.0},
        // An off-diagonal 0.3 needs two thirds as well; -0.25 needs 0.6.
        {{1.0f, 0.3f, -0.25f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f}, 2.0 / 3.0},
        // Diagonal 0.8: (0.9 − 0.8) / (1 − 0.8) = 0.5.
        {{0.8f, 0.0f, 0.0f, 0.0f, 1.05f, 0.0f, 0.0f, 0.0f, 1.0f}, 0.5},
        // Inside every bound: unchanged.
        {{1.1f, 0.1f, -0.1f, 0.05f, 0.9f, 0.0f, 0.0f, -0.02f, 1.0f}, 0.0},
    };
    for (const Case& k : cases) {
        Matrix* m = nullptr;
        ASSERT_EQ(MatrixAlloc(3, 3, &m), kUiOk);
        std::copy(k.in, k.in + 9, m->v);
        LimitTowardIdentity(m);
        for (int i = 0; i < 9; ++i) {
            const double identity = i % 4 == 0 ? 1.0 : 0.0;
            EXPECT_NEAR(m->v[i], k.in[i] + k.fraction * (identity - k.in[i]), 1e-6) << i;
            EXPECT_LE(std::fabs(m->v[i] - identity), 0.1 + 1e-6) << i;
        }
        MatrixFree(m);
    }
    EXPECT_NEAR(1.3 + 2.0 / 3.0 * (1.0 - 1.3), 1.1, 1e-12);
}

// ---- The compiled Tintwork ------------------------------------------------------------

TEST(Compiler, DefaultsLeaveEveryEightBitColourUnchanged) {
    InterleavedImage im = GradientImage(64, 48);
    IPImage view = im.View();
    EditPars pars = DefaultPars();
    Compiled c;
    ASSERT_EQ(CompileEditTW(&pars, &view, nullptr, &c.handle), kUiOk);
    const Tintwork* tw = c.handle.tintwork;
    ASSERT_EQ(CheckTintwork(tw), kUiOk);
    EXPECT_EQ(tw->inputChannel[0].nodeCount, 33u);
    EXPECT_EQ(tw->inputChannel[2].nodes[1], 8u);     // (255 + 16) / 32
    EXPECT_EQ(tw->inputChannel[2].nodes[31], 247u);  // (31 · 255 + 16) / 32
    // All 256³ colours, a plane of 65536 at a time.
    std::vector<uint8_t> in(65536 * 3), out(65536 * 3);
    uint64_t changed = 0;
    for (uint32_t r = 0; r < 256; ++r) {
        for (uint32_t i = 0; i < 65536; ++i) {
            in[i * 3] = uint8_t(r);
            in[i * 3 + 1] = uint8_t(i >> 8);
            in[i * 3 + 2] = uint8_t(i);
        }
        const TwRun src = TwInterleaved8(in.data(), 3), dst = TwInterleaved8(out.data(), 3);
        ASSERT_EQ(ApplyTintwork(tw, 65536, &src, &dst), kUiOk);
        for (size_t i = 0; i < in.size(); ++i) changed += in[i] != out[i];
    }
    EXPECT_EQ(changed, 0u);
}

TEST(Compiler, DefaultsOnASixteenBitView) {
    InterleavedImage im = GradientImage(32, 16, 2);
    IPImage view = im.View();
    EditPars pars = DefaultPars();
    Compiled c;
    ASSERT_EQ(CompileEditTW(&pars, &view, nullptr, &c.handle), kUiOk);
    const Tintwork* tw = c.handle.tintwork;
    EXPECT_EQ(c.handle.gridDepth, 2);
    EXPECT_EQ(c.handle.inputDepth, 2);
    EXPECT_EQ(c.handle.outputDepth, 2);
    // Every grid value is its node's position.
    const uint16_t* grid = static_cast<const uint16_t*>(tw->grid);
    const uint16_t* nodes = tw->inputChannel[0].nodes;
    for (uint32_t i = 0; i < 33 * 33 * 33; ++i) {
        EXPECT_EQ(grid[i * 3], nodes[i % 33]);
        EXPECT_EQ(grid[i * 3 + 1], nodes[i / 33 % 33]);
        ASSERT_EQ(grid[i * 3 + 2], nodes[i / 1089]);
    }
    // Every 16-bit value of each channel comes back within one code.
    std::vector<uint16_t> in(65536 * 3), out(65536 * 3);
    for (uint32_t v = 0; v < 65536; ++v) {
        in[v * 3] = uint16_t(v);
        in[v * 3 + 1] = uint16_t(65535 - v);
        in[v * 3 + 2] = uint16_t(v * 7);
    }
    const TwRun src = TwInterleaved16(in.data(), 3), dst = TwInterleaved16(out.data(), 3);
    ASSERT_EQ(ApplyTintwork(tw, 65536, &src, &dst), kUiOk);
    int worst = 0;
    for (size_t i = 0; i < in.size(); ++i) worst = std::max(worst, std::abs(in[i] - out[i]));
    EXPECT_LE(worst, 1);
}

TEST(Compiler, GridNodesMixByTheMatrixAndClampToTheCodeRange) {
    // Element [k][j] takes input k into output j, in linear light (gamma
    // 2.2): red gives green -0.1, green gives red +0.1. Rounded codes:
    // 0.1^(1/2.2) = 0.35112 (90, 23011), 0.9^(1/2.2) = 0.95324 (243, 62470).
    CompileParams p = ParamsOf(DefaultPars());
    p.refRGB.gamma = 2.2f;
    Matrix* m = nullptr;
    ASSERT_EQ(MatrixAlloc(3, 3, &m), kUiOk);
    const float elements[9] = {1.0f, -0.1f, 0.0f, 0.1f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    std::copy(elements, elements + 9, m->v);
    const float* const tables[3] = {nullptr, nullptr, nullptr};
    struct Node {
        uint32_t index;     // i0 + 33 · (i1 + 33 · i2)
        uint32_t code8[3];  // below zero clamped to 0, above the top to it
        uint32_t code16[3];
    } nodes[] = {
        {32, {255, 0, 0}, {65535, 0, 0}},                            // red
        {32 * 33, {90, 255, 0}, {23011, 65535, 0}},                  // green
        {33 * 33 * 33 - 1, {255, 243, 255}, {65535, 62470, 65535}},  // white
        {32 * 33 * 33, {0, 0, 255}, {0, 0, 65535}},                  // blue
    };
    for (int32_t depth : {1, 2}) {
        Tintwork* tw = nullptr;
        ASSERT_EQ(BuildCorrectionTintwork(p, depth, tables, m, &tw), kUiOk);
        for (const Node& n : nodes)
            for (uint32_t j = 0; j < 3; ++j) {
                const uint32_t at = 3 * n.index + j;
                const uint32_t got = depth == 1 ? static_cast<const uint8_t*>(tw->grid)[at]
                                                : static_cast<const uint16_t*>(tw->grid)[at];
                EXPECT_EQ(got, depth == 1 ? n.code8[j] : n.code16[j])
                    << "depth " << depth << ", node " << n.index << ", output " << j;
            }
        DestroyTintwork(tw);
    }
    MatrixFree(m);
}

TEST(Compiler, UnsampledBinsContributeNothing) {
    // A defined bin whose ten counts are 0 is not a compile colour: the
    // result equals the compile without it.
    InterleavedImage im = GradientImage(40, 30);
    IPImage view = im.View();
    EditPars with = SampledPars();
    with.customBinColors[4] = with.customBinColors[1];
    with.customBinColors[4].haveDef = 1;
    ClearMemorySamples(&with.customBinColors[4]);
    with.customBinColors[4].fcn = {60.0f, 200.0f, 0.5f};
    EditPars without = SampledPars();
    Compiled a, b;
    ASSERT_EQ(CompileEditTW(&with, &view, nullptr, &a.handle), kUiOk);
    ASSERT_EQ(CompileEditTW(&without, &view, nullptr, &b.handle), kUiOk);
    const uint8_t* ga = static_cast<const uint8_t*>(a.handle.tintwork->grid);
    const uint8_t* gb = static_cast<const uint8_t*>(b.handle.tintwork->grid);
    EXPECT_TRUE(std::equal(ga, ga + 33 * 33 * 33 * 3, gb));
    // And the samples do change the grid.
    EditPars plain = DefaultPars();
    plain.doAutoBlack = plain.doAutoWhite = plain.doAutoMidGray = 1;
    plain.autoBlackAmount = plain.autoWhiteAmount = plain.autoMidGrayAmount = 0.5f;
    Compiled d;
    ASSERT_EQ(CompileEditTW(&plain, &view, nullptr, &d.handle), kUiOk);
    const uint8_t* gd = static_cast<const uint8_t*>(d.handle.tintwork->grid);
    EXPECT_FALSE(std::equal(ga, ga + 33 * 33 * 33 * 3, gd));
}

TEST(Compiler, BrightnessMovesTheGreyNodes) {
    // Brightness 1 on defaults: grey 0.5 goes to 0.9375 (the tone curve at
    // the node), within the grid's rounding.
    InterleavedImage im = GradientImage(8, 8, 2);
    IPImage view = im.View();
    EditPars pars = DefaultPars();
    pars.brightness = 1.0f;
    Compiled c;
    ASSERT_EQ(CompileEditTW(&pars, &view, nullptr, &c.handle), kUiOk);
    const uint16_t* grid = static_cast<const uint16_t*>(c.handle.tintwork->grid);
    const uint32_t mid = 16 + 16 * 33 + 16 * 1089;  // node 16 = 32768 on each axis
    const float x = 32768.0f / 65535.0f, y = BiasTwice(1.0f, x);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(grid[mid * 3 + k], y * 65535.0f, 1.0f);
    EXPECT_NEAR(y, 0.9375f, 1e-4f);
}

TEST(Compiler, DriverAndDirectApplicationAgree) {
    InterleavedImage im = GradientImage(61, 37);
    IPImage view = im.View();
    EditPars pars = SampledPars();
    pars.brightness = 0.6f;
    pars.contrast = 0.55f;
    Compiled c;
    ASSERT_EQ(CompileEditTW(&pars, &view, nullptr, &c.handle), kUiOk);
    InterleavedImage direct, driven;
    ASSERT_EQ(CorrectImage(c.handle.tintwork, im, &direct), kUiOk);
    ASSERT_EQ(CorrectThroughDriver(c.handle.tintwork, im, &driven), kUiOk);
    EXPECT_EQ(direct.s8, driven.s8);
    EXPECT_NE(direct.s8, im.s8);
}

// ---- Bad input -----------------------------------------------------------------------------

TEST(Compiler, ViewsThatBreakTheConstraintsAreRefused) {
    InterleavedImage im = GradientImage(16, 16);
    const IPImage good = im.View();
    EXPECT_EQ(CheckImageView(&good), kUiOk);
    struct Case {
        const char* what;
        void (*spoil)(IPImage*);
    } cases[] = {
        {"width over 32766", [](IPImage* v) { v->width = 32767; }},
        {"height over 32766", [](IPImage* v) { v->height = 40000; }},
        {"negative width", [](IPImage* v) { v->width = -1; }},
        {"zero sample stride", [](IPImage* v) { v->sampleStride = 0; }},
        {"zero row stride", [](IPImage* v) { v->rowStride = 0; }},
        {"missing red plane", [](IPImage* v) { v->planes[0] = nullptr; }},
        {"missing blue plane", [](IPImage* v) { v->planes[2] = nullptr; }},
        {"four planes, fourth missing", [](IPImage* v) { v->planeCount = 4; }},
        {"two planes", [](IPImage* v) { v->planeCount = 2; }},
        {"mask kind", [](IPImage* v) { v->kind = kIPImageMask; }},
        {"three bytes per sample", [](IPImage* v) { v->bytesPerSample = 3; }},
    };
    EditPars pars = SampledPars();
    for (const Case& k : cases) {
        IPImage view = good;
        k.spoil(&view);
        EXPECT_EQ(CheckImageView(&view), kUiErrArg) << k.what;
        TWHandle handle{};
        EXPECT_EQ(CompileEditTW(&pars, &view, nullptr, &handle), kUiErrArg) << k.what;
        EXPECT_EQ(handle.tintwork, nullptr);
    }
    // Sizes up to the limit and empty views are fine to check.
    IPImage edge = good;
    edge.width = 32766;
    edge.height = 0;
    EXPECT_EQ(CheckImageView(&edge), kUiOk);

    TWHandle handle{};
    IPImage view = good;
    EXPECT_EQ(CompileEditTW(nullptr, &view, nullptr, &handle), kUiErrArg);
    EXPECT_EQ(CompileEditTW(&pars, nullptr, nullptr, &handle), kUiErrArg);
    EXPECT_EQ(CompileEditTW(&pars, &view, nullptr, nullptr), kUiErrArg);
    OwnedMask wrongSize(15, 16);
    EXPECT_EQ(CompileEditTW(&pars, &view, &wrongSize.mask, &handle), kUiErrArg);
    OwnedMask right(16, 16);
    right.mask.bits = nullptr;
    EXPECT_EQ(CompileEditTW(&pars, &view, &right.mask, &handle), kUiErrArg);
    EXPECT_EQ(handle.tintwork, nullptr);
}

TEST(Compiler, WorkingSpacesWithoutMatricesRunOutOfMemory) {
    InterleavedImage im = GradientImage(16, 16);
    IPImage view = im.View();
    struct Case {
        const char* what;
        float primaries[6];
    } cases[] = {
        {"red with y = 0", {0.64f, 0.0f, 0.30f, 0.60f, 0.15f, 0.06f}},
        {"green equal to red", {0.64f, 0.33f, 0.64f, 0.33f, 0.15f, 0.06f}},
        {"collinear", {0.2f, 0.2f, 0.3f, 0.3f, 0.4f, 0.4f}},
    };
    for (const Case& k : cases) {
        EditPars pars = SampledPars();
        std::copy(k.primaries, k.primaries + 6, pars.refRGB.primaries);
        TWHandle handle{};
        EXPECT_EQ(CompileEditTW(&pars, &view, nullptr, &handle), kUiErrMemory) << k.what;
        EXPECT_EQ(handle.tintwork, nullptr);
    }
    EditPars pars = DefaultPars();
    pars.refRGB.gamma = 0.0f;
    TWHandle handle{};
    EXPECT_EQ(CompileEditTW(&pars, &view, nullptr, &handle), kUiErrArg);
}

TEST(Compiler, OutOfMemoryAtEveryAllocation) {
    InterleavedImage im = GradientImage(48, 40);
    IPImage view = im.View();
    OwnedMask mask(48, 40);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 48; x += 2) mask.Select(x, y);
    const EditPars pars = SampledPars();
    const uint32_t requests = RunAllocationFailureLoop([&] {
        TWHandle handle{};
        const int32_t status = CompileEditTW(&pars, &view, &mask.mask, &handle);
        DestroyTintwork(handle.tintwork);
        return status;
    });
    std::printf("a compile with samples, a mask and every automatic switch: %u allocations\n",
                requests);
    EXPECT_GT(requests, 10u);

    // The same through MakeEditTW, which clears the slot on failure.
    EditTWSource source{};
    source.editPars = pars;
    source.views[0] = view;
    source.selection = &mask.mask;
    RunAllocationFailureLoop([&] {
        TWHandle* slot = nullptr;
        const int32_t status = MakeEditTW(&source, 1, &slot);
        if (status != kUiOk) {
            EXPECT_EQ(slot, nullptr);
        }
        FreeEditStateTW(&source, &slot);
        return status;
    });
}

// ---- MakeEditTW and the handle -------------------------------------------------------

TEST(MakeEditTW, AnalysesTheSelectedViewAndReplacesTheHandle) {
    // The preview is low in contrast, the 1:1 view spans the whole range:
    // the automatic levels differ, and the zoom flag picks the view.
    InterleavedImage preview(32, 32, 1), full = GradientImage(32, 32);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x)
            for (int32_t c = 0; c < 3; ++c) preview.Set(x, y, c, 100 + full.Get(x, y, c) / 4);
    EditTWSource source{};
    source.editPars = DefaultPars();
    source.editPars.doAutoBlack = source.editPars.doAutoWhite = 1;
    source.editPars.autoBlackAmount = source.editPars.autoWhiteAmount = 1.0f;
    source.views[0] = preview.View();
    source.views[1] = full.View();
    TWHandle* slot = nullptr;
    ASSERT_EQ(MakeEditTW(&source, 1, &slot), kUiOk);
    ASSERT_NE(slot, nullptr);
    Compiled direct;
    ASSERT_EQ(CompileEditTW(&source.editPars, &source.views[0], nullptr, &direct.handle), kUiOk);
    const size_t bytes = 33 * 33 * 33 * 3;
    const uint8_t* made = static_cast<const uint8_t*>(slot->tintwork->grid);
    EXPECT_TRUE(
        std::equal(made, made + bytes, static_cast<const uint8_t*>(direct.handle.tintwork->grid)));

    source.zoomed = 1;
    ASSERT_EQ(MakeEditTW(&source, 1, &slot), kUiOk);  // frees the first handle
    Compiled zoomed;
    ASSERT_EQ(CompileEditTW(&source.editPars, &source.views[1], nullptr, &zoomed.handle), kUiOk);
    made = static_cast<const uint8_t*>(slot->tintwork->grid);
    EXPECT_TRUE(
        std::equal(made, made + bytes, static_cast<const uint8_t*>(zoomed.handle.tintwork->grid)));
    EXPECT_FALSE(
        std::equal(made, made + bytes, static_cast<const uint8_t*>(direct.handle.tintwork->grid)));
    FreeEditStateTW(&source, &slot);
    EXPECT_EQ(slot, nullptr);
}

TEST(MakeEditTW, OutputDepthIsSetThroughTheHandle) {
    InterleavedImage im = GradientImage(16, 16);
    EditTWSource source{};
    source.editPars = DefaultPars();
    source.views[0] = im.View();
    TWHandle* slot = nullptr;
    ASSERT_EQ(MakeEditTW(&source, 2, &slot), kUiOk);
    EXPECT_EQ(slot->inputChannels, 3);
    EXPECT_EQ(slot->outputChannels, 3);
    EXPECT_EQ(slot->inputSpace, kTwSpaceRgb);
    EXPECT_EQ(slot->outputSpace, kTwSpaceRgb);
    EXPECT_EQ(slot->gridDepth, 1);
    EXPECT_EQ(slot->inputDepth, 1);
    EXPECT_EQ(slot->outputDepth, 2);
    // An 8-bit grid widened to 16 bits: the node value 255 gives 65280.
    const uint8_t white[3] = {255, 255, 255}, grey[3] = {128, 64, 8};
    uint16_t out[4];
    ASSERT_EQ(TwApplyPixel8(slot->tintwork, white, out), kUiOk);
    EXPECT_EQ(out[0], 65280);
    ASSERT_EQ(TwApplyPixel8(slot->tintwork, grey, out), kUiOk);
    EXPECT_EQ(out[1], 64 * 256);
    EXPECT_EQ(TWHandleSetDepth(slot, kTwSideOutput, 1), kUiOk);
    EXPECT_EQ(slot->outputDepth, 1);
    EXPECT_EQ(TWHandleSetDepth(slot, kTwSideOutput, 3), kUiErrArg);
    FreeEditStateTW(&source, &slot);
}

TEST(MakeEditTW, FailureClearsTheSlotAndReportsCreatingTintwork) {
    InterleavedImage im = GradientImage(16, 16);
    EditTWSource source{};
    ASSERT_EQ(Ui_State_Open(&source.ui, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
    const auto alertText = [] {
        const HeadlessDialog* alert = Headless_LastDialog(kDialogAlert);
        return alert ? alert->Item(kUiAlertMessage)->text : std::string();
    };
    source.editPars = DefaultPars();
    source.views[0] = im.View();
    source.views[0].rowStride = 0;
    TWHandle* slot = nullptr;
    ASSERT_EQ(MakeEditTW(&source, 1, &slot), kUiErrArg);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(alertText(), "A problem occurred while creating Tintwork.");

    // A failing compile also releases the handle that was in the slot. (Only
    // the first request fails, so that the alert itself has memory.)
    source.views[0] = im.View();
    ASSERT_EQ(MakeEditTW(&source, 1, &slot), kUiOk);
    Ui_Mem_InjectFailure(1, false);
    EXPECT_EQ(MakeEditTW(&source, 1, &slot), kUiErrMemory);
    Ui_Mem_InjectFailure(0, false);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(alertText(), "There was not enough memory available while creating Tintwork.");
    EXPECT_EQ(MakeEditTW(&source, 3, &slot), kUiErrArg);
    EXPECT_EQ(MakeEditTW(nullptr, 1, &slot), kUiErrArg);
    Ui_State_Close(&source.ui);
}
