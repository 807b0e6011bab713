#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/memory_colour.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/interleaved_view.h"
#include "ui/status.h"

namespace {

// A region for a view, released at the end of the scope.
struct Region {
    RegionMask r{};
    explicit Region(const IPImage& v) { EXPECT_EQ(RegionMaskCreate(v.width, v.height, &r), kUiOk); }
    ~Region() { RegionMaskFree(&r); }
    int64_t Count() const {
        int64_t n = 0;
        for (int32_t y = 0; y < r.height; ++y)
            for (int32_t x = 0; x < r.width; ++x) n += RegionMaskHas(&r, x, y);
        return n;
    }
};

// Code value of an 8-bit step at the image's depth.
uint32_t Code(int32_t bytes, uint32_t v8) {
    return bytes == 1 ? v8 : v8 * 257;
}

class RegionByDepth : public ::testing::TestWithParam<int32_t> {};

TEST_P(RegionByDepth, UniformAreaGrowsWholeInsideItsFrame) {
    const int32_t bytes = GetParam();
    // A 64 × 64 area inside a one-pixel frame of a far colour; the fourth
    // plane varies wildly and takes no part.
    InterleavedImage img(66, 66, bytes, 4);
    img.Fill(Code(bytes, 250), Code(bytes, 10), Code(bytes, 10));
    for (int32_t y = 0; y < 66; ++y)
        for (int32_t x = 0; x < 66; ++x) {
            img.Set(x, y, 3, Code(bytes, uint32_t(x * 37 + y * 11) & 255));
            if (x >= 1 && x <= 64 && y >= 1 && y <= 64)
                img.SetPixel(x, y, Code(bytes, 120), Code(bytes, 100), Code(bytes, 90));
        }
    const IPImage view = img.View();
    for (const auto& click : {std::pair<int, int>{32, 32}, {1, 1}, {64, 64}, {64, 1}}) {
        Region region(view);
        int32_t dropped = -1;
        ASSERT_EQ(GrowRegion(&view, click.first, click.second, &region.r, &dropped), kUiOk);
        EXPECT_EQ(dropped, 0);
        EXPECT_EQ(region.Count(), 64 * 64);
        EXPECT_EQ(region.r.minX, 1);
        EXPECT_EQ(region.r.maxX, 64);
        EXPECT_EQ(region.r.minY, 1);
        EXPECT_EQ(region.r.maxY, 64);
        EXPECT_FALSE(RegionMaskHas(&region.r, 0, 0));
    }
    // A click on the frame grows the frame only, up to the image's edges.
    Region frame(view);
    ASSERT_EQ(GrowRegion(&view, 0, 0, &frame.r, nullptr), kUiOk);
    EXPECT_EQ(frame.Count(), 66 * 66 - 64 * 64);
}

TEST_P(RegionByDepth, StepAndSeedLimits) {
    const int32_t bytes = GetParam();
    struct Case {
        const char* what;
        uint32_t column40R;  // R code of column 40, the rest is (100, 100, 100) of 255
        int64_t grown;
    } const cases[] = {
        {"16 steps join", Code(bytes, 116), 64 * 16},
        {"17 steps stop", Code(bytes, 117), 40 * 16},
        {"one code below", Code(bytes, 100) - 1, 64 * 16},
    };
    for (const Case& c : cases) {
        InterleavedImage img(64, 16, bytes);
        img.Fill(Code(bytes, 100), Code(bytes, 100), Code(bytes, 100));
        for (int32_t y = 0; y < 16; ++y)
            img.SetPixel(40, y, c.column40R, Code(bytes, 100), Code(bytes, 100));
        const IPImage view = img.View();
        Region region(view);
        ASSERT_EQ(GrowRegion(&view, 0, 8, &region.r, nullptr), kUiOk) << c.what;
        EXPECT_EQ(region.Count(), c.grown) << c.what;
    }
    // A ramp of 10 steps a column: every step is small, but the distance to
    // the clicked colour passes 22 steps after two columns.
    InterleavedImage ramp(8, 4, bytes);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 8; ++x)
            ramp.SetPixel(x, y, Code(bytes, 100 + 10 * x), Code(bytes, 100), Code(bytes, 100));
    const IPImage view = ramp.View();
    Region region(view);
    ASSERT_EQ(GrowRegion(&view, 0, 0, &region.r, nullptr), kUiOk);
    EXPECT_EQ(region.Count(), 3 * 4);
    EXPECT_EQ(region.r.maxX, 2);
    // Squared distances add up over the channels: 13 steps in each of two
    // channels (338 > 256) stops, 11 in each (242) joins.
    InterleavedImage two(4, 1, bytes);
    two.Fill(Code(bytes, 50), Code(bytes, 50), Code(bytes, 50));
    two.SetPixel(1, 0, Code(bytes, 61), Code(bytes, 61), Code(bytes, 50));
    two.SetPixel(2, 0, Code(bytes, 74), Code(bytes, 74), Code(bytes, 50));
    const IPImage twoView = two.View();
    Region twoRegion(twoView);
    ASSERT_EQ(GrowRegion(&twoView, 0, 0, &twoRegion.r, nullptr), kUiOk);
    EXPECT_EQ(twoRegion.Count(), 2);
}

INSTANTIATE_TEST_SUITE_P(Depths, RegionByDepth, ::testing::Values(1, 2));

TEST(GrowRegion, SixteenBitLimitsAreExactInCodeValues) {
    // 16 steps of 255 are 4112 codes of 65535.
    for (const auto& c : {std::pair<uint32_t, int64_t>{4112, 2}, {4113, 1}}) {
        InterleavedImage img(2, 1, 2);
        img.Fill(30000, 30000, 30000);
        img.SetPixel(1, 0, 30000 + c.first, 30000, 30000);
        const IPImage view = img.View();
        Region region(view);
        ASSERT_EQ(GrowRegion(&view, 0, 0, &region.r, nullptr), kUiOk);
        EXPECT_EQ(region.Count(), c.second) << c.first;
    }
}

TEST(GrowRegion, RefusesPointsOutsideAndMismatchedRegions) {
    InterleavedImage img(10, 6, 1);
    img.Fill(80, 80, 80);
    IPImage view = img.View();
    Region region(view);
    for (const auto& p : {std::pair<int, int>{-1, 0}, {0, -1}, {10, 0}, {0, 6}, {100000, 3}})
        EXPECT_EQ(GrowRegion(&view, p.first, p.second, &region.r, nullptr), kUiErrArg);
    EXPECT_TRUE(RegionMaskIsEmpty(&region.r));
    EXPECT_EQ(GrowRegion(nullptr, 0, 0, &region.r, nullptr), kUiErrArg);
    EXPECT_EQ(GrowRegion(&view, 0, 0, nullptr, nullptr), kUiErrArg);
    RegionMask other{};
    ASSERT_EQ(RegionMaskCreate(9, 6, &other), kUiOk);
    EXPECT_EQ(GrowRegion(&view, 0, 0, &other, nullptr), kUiErrArg);
    RegionMaskFree(&other);
    RegionMaskFree(&other);  // a second release is harmless
    view.bytesPerSample = 4;
    EXPECT_EQ(GrowRegion(&view, 0, 0, &region.r, nullptr), kUiErrArg);
    EXPECT_EQ(RegionMaskCreate(0, 5, &other), kUiErrArg);
    EXPECT_EQ(RegionMaskCreate(5, kIPImageMaxSide + 1, &other), kUiErrArg);
}

TEST(GrowRegion, FullStackDropsPushesAndKeepsWhatWasGrown) {
    // Clicked in its middle, a large uniform area needs more room on the stack
    // than it has: the growth still ends, with most of the area.
    InterleavedImage img(300, 300, 1);
    img.Fill(90, 140, 60);
    const IPImage view = img.View();
    Region region(view);
    int32_t dropped = 0;
    ASSERT_EQ(GrowRegion(&view, 150, 150, &region.r, &dropped), kUiOk);
    EXPECT_GT(dropped, 0);
    const int64_t grown = region.Count();
    // The stack order (neighbours pushed up, down, right, left and taken last
    // in first out) decides which pushes find the stack full: 81 pixels stay out.
    EXPECT_EQ(grown, 300 * 300 - 81);
    // What was grown is what the samples receive.
    MemorySample samples[kSamplesPerBin] = {};
    ASSERT_EQ(AddRegionToSamples(&view, &region.r, samples), kUiOk);
    int64_t counted = 0;
    for (const MemorySample& s : samples) counted += s.count;
    EXPECT_EQ(counted, grown);
    // A later click inside the missed part adds it to the same region.
    int32_t mx = -1, my = -1;
    for (int32_t y = 0; y < 300 && mx < 0; ++y)
        for (int32_t x = 0; x < 300; ++x)
            if (!RegionMaskHas(&region.r, x, y)) {
                mx = x;
                my = y;
                break;
            }
    ASSERT_GE(mx, 0);
    ASSERT_EQ(GrowRegion(&view, mx, my, &region.r, nullptr), kUiOk);
    EXPECT_GT(region.Count(), grown);
}

TEST(RegionSamples, PixelsGoToTheirLightnessBandAndAddUp) {
    for (const int32_t bytes : {1, 2}) {
        // Three patches side by side, each a few steps apart inside but far
        // from the others: (max + min) of 50, 51 and 510 of 255 give bands 0,
        // 1 and 9 (the top band takes white).
        InterleavedImage img(6, 2, bytes);
        for (int32_t y = 0; y < 2; ++y) {
            img.SetPixel(0, y, Code(bytes, 30), Code(bytes, 25), Code(bytes, 20));
            img.SetPixel(1, y, Code(bytes, 31), Code(bytes, 25), Code(bytes, 20));
            img.SetPixel(2, y, Code(bytes, 255), Code(bytes, 255), Code(bytes, 255));
            img.SetPixel(3, y, Code(bytes, 255), Code(bytes, 250), Code(bytes, 255));
        }
        for (int32_t x = 4; x < 6; ++x)
            for (int32_t y = 0; y < 2; ++y) img.SetPixel(x, y, 0, 0, 0);  // not clicked
        const IPImage view = img.View();
        Region region(view);
        ASSERT_EQ(GrowRegion(&view, 0, 0, &region.r, nullptr), kUiOk);
        ASSERT_EQ(GrowRegion(&view, 2, 1, &region.r, nullptr), kUiOk);
        EXPECT_EQ(region.Count(), 8);

        MemorySample samples[kSamplesPerBin] = {};
        samples[9] = {1.0f, 2.0f, 3.0f, 1};  // an earlier sample stays and grows
        ASSERT_EQ(AddRegionToSamples(&view, &region.r, samples), kUiOk);
        const float s = bytes == 1 ? 1.0f : 257.0f;
        EXPECT_EQ(samples[0].count, 2);
        EXPECT_EQ(samples[0].sumR, 60 * s);
        EXPECT_EQ(samples[0].sumB, 40 * s);
        EXPECT_EQ(samples[1].count, 2);
        EXPECT_EQ(samples[1].sumR, 62 * s);
        EXPECT_EQ(samples[9].count, 5);
        EXPECT_EQ(samples[9].sumG, 2 + (2 * 255 + 2 * 250) * s);
        for (int k = 2; k < 9; ++k) EXPECT_EQ(samples[k].count, 0) << k;

        float colors[kSamplesPerBin][3];
        int32_t n = 0;
        ASSERT_EQ(RegionBandColors(&view, &region.r, kSamplesPerBin, colors, &n), kUiOk);
        ASSERT_EQ(n, 3);
        EXPECT_FLOAT_EQ(colors[0][0], 30 / 255.0f);
        EXPECT_FLOAT_EQ(colors[1][0], 31 / 255.0f);
        EXPECT_FLOAT_EQ(colors[2][1], 252.5f / 255.0f);
        EXPECT_FLOAT_EQ(colors[2][2], 1.0f);
        // One band holds everything.
        ASSERT_EQ(RegionBandColors(&view, &region.r, 1, colors, &n), kUiOk);
        EXPECT_EQ(n, 1);
        EXPECT_EQ(RegionBandColors(&view, &region.r, 0, colors, &n), kUiErrArg);
        EXPECT_EQ(RegionBandColors(&view, &region.r, kMaxRegionBands + 1, colors, &n), kUiErrArg);
    }
}

TEST(RegionSamples, CountsNeverWrap) {
    InterleavedImage img(2, 2, 1);
    img.Fill(10, 10, 10);
    const IPImage view = img.View();
    Region region(view);
    ASSERT_EQ(GrowRegion(&view, 0, 0, &region.r, nullptr), kUiOk);
    MemorySample samples[kSamplesPerBin] = {};
    samples[0].count = INT32_MAX - 3;
    EXPECT_EQ(AddRegionToSamples(&view, &region.r, samples), kUiErrGeneral);
    EXPECT_EQ(samples[0].count, INT32_MAX - 3);
    EXPECT_EQ(samples[0].sumR, 0.0f);
}

TEST(GrowRegion, OutOfMemoryLeavesNothingBehind) {
    InterleavedImage img(20, 20, 2);
    img.Fill(1000, 2000, 3000);
    const IPImage view = img.View();
    RunAllocationFailureLoop([&] {
        RegionMask region{};
        int32_t status = RegionMaskCreate(view.width, view.height, &region);
        if (status == kUiOk) status = GrowRegion(&view, 3, 4, &region, nullptr);
        RegionMaskFree(&region);
        return status;
    });
}

TEST(RegionSamples, ClickAddsTheGrownAreaAndShowsIt) {
    for (const int32_t bytes : {1, 2}) {
        InterleavedImage img(10, 4, bytes);
        img.Fill(Code(bytes, 200), Code(bytes, 150), Code(bytes, 120));
        for (int32_t y = 0; y < 4; ++y) img.SetPixel(7, y, 0, 0, 0);  // a wall
        const IPImage view = img.View();
        MemorySample samples[kSamplesPerBin] = {};
        // (200 + 120) / 510 · 10 = 6.27: band 6.
        ASSERT_EQ(AddClickToSamples(&view, 1, 1, samples, nullptr), kUiOk);
        EXPECT_EQ(samples[6].count, 7 * 4);
        Region shown(view);
        ASSERT_EQ(GrowRegion(&view, 9, 0, &shown.r, nullptr), kUiOk);  // cleared by the click
        ASSERT_EQ(AddClickToSamples(&view, 2, 3, samples, &shown.r), kUiOk);
        EXPECT_EQ(samples[6].count, 2 * 7 * 4);
        EXPECT_EQ(samples[6].sumR, 2 * 7 * 4 * float(Code(bytes, 200)));
        EXPECT_EQ(shown.Count(), 7 * 4);
        EXPECT_EQ(shown.r.maxX, 6);
        EXPECT_EQ(AddClickToSamples(&view, 10, 0, samples, nullptr), kUiErrArg);
        EXPECT_EQ(samples[6].count, 2 * 7 * 4);
    }
    InterleavedImage img(30, 30, 1);
    const IPImage view = img.View();
    RunAllocationFailureLoop([&] {
        MemorySample samples[kSamplesPerBin] = {};
        return AddClickToSamples(&view, 3, 3, samples, nullptr);
    });
}

}  // namespace
