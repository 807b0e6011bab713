// Tone analysis: the histogram, the black and white points from the means of
// the extremes, the mid-grey, the neutral results where the formulas would
// divide by zero, and the selection mask.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "engine/compile_params.h"
#include "engine/edit_pars.h"
#include "engine/tone_analysis.h"
#include "engine/tone_curve.h"
#include "tests/support/edit_pars_samples.h"
#include "tests/support/interleaved_view.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

CompileParams Params(bool black, bool white, bool mid, float amountBlack = 0.0f,
                     float amountWhite = 0.0f, float amountMid = 0.0f) {
    EditPars pars = DefaultPars();
    pars.doAutoBlack = black;
    pars.doAutoWhite = white;
    pars.doAutoMidGray = mid;
    pars.autoBlackAmount = amountBlack;
    pars.autoWhiteAmount = amountWhite;
    pars.autoMidGrayAmount = amountMid;
    CompileParams p;
    InitCompileParams(&p, pars);
    return p;
}

// 16-bit grey image of 200 pixels: two at each listed extreme pair (their
// mean is exactly the listed value: v × 65535 lies halfway between two
// codes), the rest at mid-grey.
InterleavedImage ExtremesImage(const std::vector<double>& means) {
    InterleavedImage im(200, 1, 2);
    im.Fill(32768, 32768, 32768);
    int32_t x = 0;
    for (double m : means) {
        const uint32_t lo = uint32_t(std::floor(m * 65535.0));
        im.SetPixel(x++, 0, lo, lo, lo);
        im.SetPixel(x++, 0, lo + 1, lo + 1, lo + 1);
    }
    return im;
}

void ExpectNeutral(const CompileParams& p, int c) {
    EXPECT_EQ(p.blackPoint[c], 0.0f) << "channel " << c;
    EXPECT_EQ(p.midGray[c], 0.5f) << "channel " << c;
    EXPECT_EQ(p.whitePoint[c], 1.0f) << "channel " << c;
}

}  // namespace

TEST(ToneAnalysis, BlackAndWhitePointsFromTheMeansOfTheExtremes) {
    // Dark-end mean 0.1 and light-end mean 0.9, amounts 0 (the chord's ends)
    // and 1 (the means themselves).
    struct Case {
        bool black, white;
        float amount;
        double blackPoint, whitePoint;
    } cases[] = {
        {true, false, 0.0f, 0.072 / 0.972, 1.0},                                         // 0.0741
        {true, false, 1.0f, 0.1, 1.0},           {false, true, 0.0f, 0.0, 0.9 / 0.972},  // 0.9259
        {false, true, 1.0f, 0.0, 0.9},           {false, false, 1.0f, 0.0, 1.0},
    };
    InterleavedImage im = ExtremesImage({0.1, 0.9});
    IPImage view = im.View();
    for (const Case& k : cases) {
        CompileParams p = Params(k.black, k.white, false, k.amount, k.amount);
        ASSERT_EQ(AnalyzeTones(&p, &view, nullptr), kUiOk);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(p.blackPoint[c], k.blackPoint, 1e-5) << k.black << k.white << k.amount;
            EXPECT_NEAR(p.whitePoint[c], k.whitePoint, 1e-5) << k.black << k.white << k.amount;
            EXPECT_EQ(p.midGray[c], 0.5f);
        }
    }
    EXPECT_NEAR(0.072 / 0.972, 0.0741, 1e-4);
    EXPECT_NEAR(0.9 / 0.972, 0.9259, 1e-4);
}

TEST(ToneAnalysis, EightAndSixteenBitViewsAgree) {
    InterleavedImage im8(64, 16, 1), im16(64, 16, 2);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 64; ++x)
            for (int32_t c = 0; c < 3; ++c) {
                const uint32_t v = uint32_t((x * 3 + y * 11 + c * 40) % 255);
                im8.Set(x, y, c, v);
                im16.Set(x, y, c, v * 257);
            }
    IPImage v8 = im8.View(), v16 = im16.View();
    CompileParams p8 = Params(true, true, true, 0.5f, 0.5f, 0.5f), p16 = p8;
    ASSERT_EQ(AnalyzeTones(&p8, &v8, nullptr), kUiOk);
    ASSERT_EQ(AnalyzeTones(&p16, &v16, nullptr), kUiOk);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(p8.blackPoint[c], p16.blackPoint[c], 1e-6);
        EXPECT_NEAR(p8.whitePoint[c], p16.whitePoint[c], 1e-6);
        EXPECT_NEAR(p8.midGray[c], p16.midGray[c], 1e-6);
        EXPECT_GT(p8.blackPoint[c], 0.0f);
        EXPECT_LT(p8.whitePoint[c], 1.0f);
    }
}

TEST(ToneAnalysis, MidGrayFromTheMedianBetweenBlackAndWhite) {
    // Black 0, white 1 (both switches off). Bins are added from bin 0 while
    // the running sum is below half the total; the median is the index
    // reached, one past the last bin added.
    struct Case {
        std::vector<std::pair<int32_t, uint32_t>> bins;  // (bin, pixels)
        float amount;
        double midGray;
    } cases[] = {
        // Total 10, target 5: bins 20 (sum 3) and 40 (sum 5) added, index 41.
        {{{20, 3}, {40, 2}, {60, 5}}, 1.0f, 0.41},
        // The last bin added is 49: the median is at 50 %, where v = 0.5.
        {{{49, 10}}, 0.0f, 0.5},
        {{{49, 10}}, 1.0f, 0.5},
        // Index 25: amount 1 gives the median itself, amount 0 the chord
        // construction's position: t = 0.5, s(0.5) = 0.5, v = 0.5 · 0.5 / 0.5.
        {{{24, 7}}, 1.0f, 0.25},
        {{{24, 7}}, 0.0f, 0.5},
        // Bin 100 added: the index 101 is clamped to 100, where the neutral
        // position is its limit 0.
        {{{100, 4}}, 1.0f, 1.0},
        {{{100, 4}}, 0.0f, 0.0},
    };
    InterleavedImage im(2, 2, 1);
    im.Fill(100, 100, 100);
    const IPImage view = im.View();
    for (const Case& k : cases) {
        std::vector<uint32_t> histogram(kToneHistogramBins, 0);
        uint32_t total = 0;
        for (const auto& b : k.bins) {
            histogram[size_t(b.first)] = b.second;
            total += b.second;
        }
        CompileParams p = Params(false, false, true, 0.0f, 0.0f, k.amount);
        ASSERT_EQ(ComputeAutoLevels(&p, histogram.data(), total, &view), kUiOk);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(p.midGray[c], k.midGray, 1e-6) << k.bins[0].first << " " << k.amount;
    }
}

TEST(ToneAnalysis, LightnessRoundsToTheNearestPercent) {
    // Pixels one code either side of a half-percent boundary: (max + min) / 2
    // at 25.49 % and 25.69 % of 255, at 25.4994 % and 25.5001 % of 65535.
    // Each image is of one colour; its median index is one past its bin.
    struct Case {
        int32_t bytes;
        uint32_t r, g, b;
        int32_t bin;
    } cases[] = {
        {1, 65, 65, 65, 25},
        {1, 66, 65, 65, 26},
        {2, 16711, 16711, 16711, 25},
        {2, 16712, 16711, 16711, 26},
    };
    for (const Case& k : cases) {
        InterleavedImage im(4, 4, k.bytes);
        im.Fill(k.r, k.g, k.b);
        IPImage view = im.View();
        CompileParams p = Params(false, false, true, 0.0f, 0.0f, 1.0f);
        ASSERT_EQ(AnalyzeTones(&p, &view, nullptr), kUiOk);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(p.midGray[c], (k.bin + 1) / 100.0, 1e-6) << k.bytes << ": " << k.r;
    }
}

TEST(ToneAnalysis, ClippedPixelsAreNotCounted) {
    // Every pixel has a channel at the maximum: the histogram is empty, no
    // pixel enters the sums, and the points stay neutral.
    InterleavedImage im(16, 4, 1);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 16; ++x) im.SetPixel(x, y, uint32_t(x * 9), 255, 40);
    IPImage view = im.View();
    CompileParams p = Params(true, true, true, 1.0f, 1.0f, 1.0f);
    ASSERT_EQ(AnalyzeTones(&p, &view, nullptr), kUiOk);
    for (int c = 0; c < 3; ++c) ExpectNeutral(p, c);
}

TEST(ToneAnalysis, BlownHighlightsOfTheHostsSixteenBitRangeAreClipped) {
    // A photograph's 8-bit copy and its 16-bit copy as the host hands it over
    // (0 .. 32768) and the reads convert it (0 .. 65534): a tenth of the
    // pixels are blown out. At 16 bits those top out at 65534, which is the
    // clipped value there as 255 is at 8 bits; both copies get one white point.
    InterleavedImage im8(64, 20, 1), im16(64, 20, 2);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 64; ++x)
            for (int32_t c = 0; c < 3; ++c) {
                const uint32_t v = y < 2 ? 255u : uint32_t((x * 3 + y * 5 + c * 20) % 250);
                const uint32_t host = (v * 32768 + 127) / 255;
                im8.Set(x, y, c, v);
                im16.Set(x, y, c, (host > 32767 ? 32767 : host) * 2);
            }
    IPImage v8 = im8.View(), v16 = im16.View();
    v16.hostRange = 1;
    CompileParams p8 = Params(false, true, false, 0.0f, 1.0f), p16 = p8, plain = p8;
    ASSERT_EQ(AnalyzeTones(&p8, &v8, nullptr), kUiOk);
    ASSERT_EQ(AnalyzeTones(&p16, &v16, nullptr), kUiOk);
    // A 16-bit view of its own full range keeps 65535 as its clipped value:
    // the pixels at 65534 count there.
    v16.hostRange = 0;
    ASSERT_EQ(AnalyzeTones(&plain, &v16, nullptr), kUiOk);
    for (int c = 0; c < 3; ++c) {
        EXPECT_LT(p8.whitePoint[c], 0.99f) << c;
        EXPECT_NEAR(p16.whitePoint[c], p8.whitePoint[c], 1e-3) << c;
        EXPECT_GT(plain.whitePoint[c], 0.9999f) << c;
    }
}

TEST(ToneAnalysis, FlatChordLeavesTheChannelNeutral) {
    // Dark pixels (0, 100, 0) and light pixels (200, 100, 200): green has the
    // same mean at both ends, so its chord is flat.
    InterleavedImage im(100, 2, 1);
    for (int32_t x = 0; x < 100; ++x) {
        im.SetPixel(x, 0, 0, 100, 0);
        im.SetPixel(x, 1, 200, 100, 200);
    }
    IPImage view = im.View();
    CompileParams p = Params(true, true, true, 1.0f, 1.0f, 1.0f);
    ASSERT_EQ(AnalyzeTones(&p, &view, nullptr), kUiOk);
    ExpectNeutral(p, 1);
    EXPECT_NE(p.whitePoint[0], 1.0f);
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(std::isfinite(p.midGray[c]));
        EXPECT_GE(p.blackPoint[c], 0.0f);
    }
}

TEST(ToneAnalysis, MidGrayWithoutPixelsInItsSpanStaysLinear) {
    // A histogram with nothing between black and white: the median search
    // finds no pixel; the mid-grey stays 0.5 rather than dividing 0 by 0.
    InterleavedImage im(4, 4, 1);
    im.Fill(255, 255, 255);  // no counted pixel for the extremes either
    IPImage view = im.View();
    std::vector<uint32_t> empty(kToneHistogramBins, 0);
    CompileParams p = Params(false, false, true, 0.0f, 0.0f, 1.0f);
    ASSERT_EQ(ComputeAutoLevels(&p, empty.data(), 0, &view), kUiOk);
    for (int c = 0; c < 3; ++c) ExpectNeutral(p, c);

    // Height 0: the same.
    view.height = 0;
    p = Params(true, true, true, 1.0f, 1.0f, 1.0f);
    ASSERT_EQ(AnalyzeTones(&p, &view, nullptr), kUiOk);
    for (int c = 0; c < 3; ++c) ExpectNeutral(p, c);
}

TEST(ToneAnalysis, MedianAtTheEndsUsesTheLimits) {
    // Every pixel black: the median index is 1 (bin 0 added), where the
    // chord construction puts the neutral position past 1, clamped to 1.
    // Every pixel at 100 %... cannot be counted (clipped), so bin 100 is
    // reached through a 16-bit value just below the maximum: the index 101
    // is clamped to 100, where the construction divides 0 by 0 and its
    // limit is 0.
    struct Case {
        uint32_t code;
        double neutral;
    } cases[] = {{0, 1.0}, {65534, 0.0}};
    for (const Case& k : cases) {
        InterleavedImage im(8, 8, 2);
        im.Fill(k.code, k.code, k.code);
        IPImage view = im.View();
        CompileParams p = Params(false, false, true, 0.0f, 0.0f, 0.0f);
        ASSERT_EQ(AnalyzeTones(&p, &view, nullptr), kUiOk);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(p.midGray[c], float(k.neutral)) << k.code;
            // The levels curve stays finite at every input, the mid level
            // sitting on the white (or black) point.
            for (float x : {0.0f, 0.25f, 0.5f, 0.99f, 1.0f}) {
                const float y = ToneCurve(p, c, x);
                EXPECT_TRUE(y >= 0.0f && y <= 1.0f) << "x " << x << " gives " << y;
            }
        }
    }
}

TEST(ToneAnalysis, PointsOutsideTheUnitRangeDoNotReachPastTheHistogram) {
    // Amounts are not range-checked: a negative amount carries the black
    // point below 0 and the white point above 1, so the median search's
    // first and last bins would lie outside the 101 bins. They are clamped.
    InterleavedImage im = ExtremesImage({0.1, 0.9});
    IPImage view = im.View();
    CompileParams p = Params(true, true, true, -5.0f, -5.0f, 1.0f);
    ASSERT_EQ(AnalyzeTones(&p, &view, nullptr), kUiOk);
    for (int c = 0; c < 3; ++c) {
        EXPECT_LT(p.blackPoint[c], 0.0f);
        EXPECT_GT(p.whitePoint[c], 1.0f);
        // 198 of 200 pixels in bin 50, the median index 51: norm = (0.51 − B)/(W − B).
        const double B = p.blackPoint[c], W = p.whitePoint[c];
        EXPECT_NEAR(p.midGray[c], (0.51 - B) / (W - B), 1e-5);
    }
}

TEST(ToneAnalysis, SelectionMaskLimitsTheHistogram) {
    // Left half at 25 %, right half at 75 %: with only the right half
    // selected the median index is 76 (one past bin 75), else 26.
    InterleavedImage im(16, 8, 2);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const uint32_t v = x < 8 ? 16384 : 49151;
            im.SetPixel(x, y, v, v, v);
        }
    IPImage view = im.View();
    OwnedMask mask(16, 8);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 8; x < 16; ++x) mask.Select(x, y);
    CompileParams p = Params(false, false, true, 0.0f, 0.0f, 1.0f);
    ASSERT_EQ(AnalyzeTones(&p, &view, &mask.mask), kUiOk);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(p.midGray[c], 0.76, 1e-6);
    p = Params(false, false, true, 0.0f, 0.0f, 1.0f);
    ASSERT_EQ(AnalyzeTones(&p, &view, nullptr), kUiOk);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(p.midGray[c], 0.26, 1e-6);
}

TEST(ToneAnalysis, BadArgumentsAndMemory) {
    InterleavedImage im(8, 8, 1);
    im.Fill(100, 100, 100);
    IPImage view = im.View();
    CompileParams p = Params(true, true, true, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(AnalyzeTones(nullptr, &view, nullptr), kUiErrArg);
    EXPECT_EQ(AnalyzeTones(&p, nullptr, nullptr), kUiErrArg);
    IPImage bad = view;
    bad.planes[1] = nullptr;
    EXPECT_EQ(AnalyzeTones(&p, &bad, nullptr), kUiErrArg);
    OwnedMask small(7, 8);
    EXPECT_EQ(AnalyzeTones(&p, &view, &small.mask), kUiErrArg);
    EXPECT_EQ(ComputeAutoLevels(&p, nullptr, 0, &view), kUiErrArg);

    // Nothing switched on: nothing measured, nothing allocated.
    CompileParams off = Params(false, false, false);
    Ui_Mem_InjectFailure(1, true);
    EXPECT_EQ(AnalyzeTones(&off, &view, nullptr), kUiOk);
    EXPECT_EQ(AnalyzeTones(&p, &view, nullptr), kUiErrMemory);
    Ui_Mem_InjectFailure(0, false);
    for (int c = 0; c < 3; ++c) ExpectNeutral(p, c);
}
