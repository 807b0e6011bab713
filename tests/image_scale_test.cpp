#include "engine/image_scale.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/alloc_failure_loop.h"
#include "tests/support/interleaved_view.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

// A pattern that differs at every pixel and channel, within the depth.
uint32_t Pattern(int32_t x, int32_t y, int32_t c, int32_t depth) {
    const uint32_t v = uint32_t(x * 7 + y * 13 + c * 101 + (x * y) % 17);
    return depth == 1 ? v % 251 : (v * 257 + uint32_t(c)) % 65521;
}

InterleavedImage Patterned(int32_t w, int32_t h, int32_t depth, int32_t channels = 3) {
    InterleavedImage im(w, h, depth, channels);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int32_t c = 0; c < channels; ++c) im.Set(x, y, c, Pattern(x, y, c, depth));
    return im;
}

// The destination: a box of w × h, filled with 42 to show what was written.
InterleavedImage Box(int32_t w, int32_t h, int32_t depth, int32_t channels = 3) {
    InterleavedImage im(w, h, depth, channels);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int32_t c = 0; c < channels; ++c) im.Set(x, y, c, 42);
    return im;
}

TEST(ImageScale, FitsTheBoxAndNeverEnlarges) {
    const struct {
        int32_t ws, hs, wb, hb, w, h;
    } cases[] = {
        {100, 80, 200, 200, 100, 80},  // smaller than the box: unscaled
        {300, 240, 100, 80, 100, 80},  // a third each way
        {6000, 4000, 760, 650, 760, 507},
        {4000, 6000, 760, 650, 433, 650},
        {200, 100, 50, 20, 40, 20},   // the height limits, not the width
        {101, 1, 100, 100, 100, 1},   // a thin source still fits the box
        {3000, 2, 100, 100, 100, 1},  // a fitted side of 0 becomes 1
        {1, 1, 2, 2, 1, 1},
        {1, 1000, 2, 2, 1, 2},
    };
    for (const auto& c : cases) {
        int32_t w = 0, h = 0;
        ASSERT_EQ(IPScaleFit(c.ws, c.hs, c.wb, c.hb, &w, &h), kUiOk);
        EXPECT_EQ(w, c.w) << c.ws << "x" << c.hs << " in " << c.wb << "x" << c.hb;
        EXPECT_EQ(h, c.h) << c.ws << "x" << c.hs << " in " << c.wb << "x" << c.hb;
        EXPECT_LE(w, c.wb);
        EXPECT_LE(h, c.hb);
    }
    int32_t w, h;
    EXPECT_EQ(IPScaleFit(0, 10, 10, 10, &w, &h), kUiErrArg);
}

// Nearest sampling reads the source at half a sample plus whole steps; a
// source smaller than the box is copied unchanged in either mode.
TEST(ImageScale, NearestAndUnscaled) {
    for (int32_t depth : {1, 2}) {
        SCOPED_TRACE(depth);
        InterleavedImage src = Patterned(300, 240, depth);
        InterleavedImage dst = Box(100, 80, depth);
        IPImage s = src.View(), d = dst.View();
        int32_t w = 0, h = 0;
        ASSERT_EQ(IPScaleImageDown2(&s, kIPScaleNearest, &d, &w, &h, nullptr, nullptr), kUiOk);
        ASSERT_EQ(w, 100);
        ASSERT_EQ(h, 80);
        const int64_t step = (299 * 65536) / 99;  // the smaller of the two axes' steps
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                for (int32_t c = 0; c < 3; ++c)
                    ASSERT_EQ(dst.Get(x, y, c), src.Get(int32_t((0x8000 + x * step) >> 16),
                                                        int32_t((0x8000 + y * step) >> 16), c));

        for (int32_t mode : {kIPScaleNearest, kIPScaleTent}) {
            InterleavedImage small = Patterned(37, 23, depth);
            InterleavedImage big = Box(50, 50, depth);
            IPImage a = small.View(), b = big.View();
            ASSERT_EQ(IPScaleImageDown2(&a, mode, &b, &w, &h, nullptr, nullptr), kUiOk);
            EXPECT_EQ(w, 37);
            EXPECT_EQ(h, 23);
            for (int32_t y = 0; y < 50; ++y)
                for (int32_t x = 0; x < 50; ++x)
                    ASSERT_EQ(big.Get(x, y, 1), x < 37 && y < 23 ? small.Get(x, y, 1) : 42u);
        }
    }
}

// The tent filter keeps a flat area exactly flat (every phase sums to 1.0),
// follows a ramp, and repeats the edge samples beyond the rows.
TEST(ImageScale, TentFilter) {
    for (int32_t depth : {1, 2}) {
        SCOPED_TRACE(depth);
        const uint32_t top = depth == 1 ? 255 : 65535;
        InterleavedImage flat(300, 240, depth);
        flat.Fill(top, 0, top / 3);
        InterleavedImage dst = Box(100, 80, depth);
        IPImage s = flat.View(), d = dst.View();
        int32_t w = 0, h = 0;
        ASSERT_EQ(IPScaleImageDown2(&s, kIPScaleTent, &d, &w, &h, nullptr, nullptr), kUiOk);
        ASSERT_EQ(w, 100);
        ASSERT_EQ(h, 80);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                ASSERT_EQ(dst.Get(x, y, 0), top);
                ASSERT_EQ(dst.Get(x, y, 1), 0u);
                ASSERT_EQ(dst.Get(x, y, 2), top / 3);
            }

        // A ramp across: away from the ends each output sample is the ramp's
        // value at x × step, taken to a sixteenth of a sample (a symmetric
        // tent keeps a straight line).
        InterleavedImage ramp(300, 240, depth);
        const uint32_t scale = depth == 1 ? 0 : 200;
        for (int32_t y = 0; y < 240; ++y)
            for (int32_t x = 0; x < 300; ++x)
                ramp.SetPixel(x, y, depth == 1 ? x * 255 / 299 : x * scale, 0, 0);
        s = ramp.View();
        ASSERT_EQ(IPScaleImageDown2(&s, kIPScaleTent, &d, &w, &h, nullptr, nullptr), kUiOk);
        const int64_t step = (299 * 65536) / 99;
        for (int32_t x = 2; x < w - 2; ++x) {
            const double at = double((x * step) >> 12) / 16;
            const double expected = depth == 1 ? at * 255 / 299 : at * scale;
            EXPECT_NEAR(dst.Get(x, 40, 0), expected, depth == 1 ? 1.5 : 2.0)
                << x;  // the 8-bit ramp has steps
        }
        // The first sample sits on the first column: its left taps repeat it.
        EXPECT_LT(dst.Get(0, 40, 0), depth == 1 ? 2u : 2u * scale);
    }
}

TEST(ImageScale, SmallSourcesMasksAndStrides) {
    // 1 × 1 copies the sample.
    InterleavedImage one(1, 1, 2);
    one.SetPixel(0, 0, 1000, 2000, 3000);
    InterleavedImage dst = Box(4, 4, 2);
    IPImage s = one.View(), d = dst.View();
    int32_t w = 0, h = 0;
    ASSERT_EQ(IPScaleImageDown2(&s, kIPScaleTent, &d, &w, &h, nullptr, nullptr), kUiOk);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(dst.Get(0, 0, 2), 3000u);

    // A one-row source: the step comes from the width alone.
    InterleavedImage row = Patterned(101, 1, 1);
    InterleavedImage box = Box(100, 100, 1);
    s = row.View();
    d = box.View();
    ASSERT_EQ(IPScaleImageDown2(&s, kIPScaleTent, &d, &w, &h, nullptr, nullptr), kUiOk);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(box.Get(0, 1, 0), 42u);  // nothing below the produced row

    // A one-plane mask, a third of the size, into a planar destination.
    std::vector<uint8_t> mask(90 * 60), out(30 * 20, 42);
    for (size_t i = 0; i < mask.size(); ++i) mask[i] = (i % 90) < 45 ? 255 : 0;
    IPImage m = {kIPImageMask, 1, 1, 90, 60, 72.0f, 1, 90, {mask.data()}, 0};
    IPImage o = {kIPImageMask, 1, 1, 30, 20, 72.0f, 1, 30, {out.data()}, 0};
    ASSERT_EQ(IPScaleImageDown2(&m, kIPScaleTent, &o, &w, &h, nullptr, nullptr), kUiOk);
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 20);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[29], 0);
}

TEST(ImageScale, RefusesBadArguments) {
    InterleavedImage src = Patterned(30, 20, 1);
    InterleavedImage dst = Box(10, 10, 1);
    InterleavedImage deep = Box(10, 10, 2);
    int32_t w, h;
    const auto run = [&](IPImage s, IPImage d, int32_t mode) {
        return IPScaleImageDown2(&s, mode, &d, &w, &h, nullptr, nullptr);
    };
    const IPImage s = src.View(), d = dst.View();
    IPImage noWidth = s, noHeight = s, tinyBox = d, noPlane = s;
    noWidth.width = 0;
    noHeight.height = 0;
    tinyBox.width = 1;
    noPlane.planes[2] = nullptr;
    EXPECT_EQ(run(noWidth, d, kIPScaleTent), kUiErrArg);
    EXPECT_EQ(run(noHeight, d, kIPScaleTent), kUiErrArg);
    EXPECT_EQ(run(s, tinyBox, kIPScaleTent), kUiErrArg);
    EXPECT_EQ(run(noPlane, d, kIPScaleTent), kUiErrArg);
    EXPECT_EQ(run(s, deep.View(), kIPScaleTent), kUiErrArg);  // differing sample widths
    EXPECT_EQ(run(s, d, 2), kUiErrArg);
    IPImage sv = s, dv = d;
    EXPECT_EQ(IPScaleImageDown2(&sv, kIPScaleTent, &dv, nullptr, &h, nullptr, nullptr), kUiErrArg);
}

int32_t CountRows(double fraction, void* context) {
    auto* seen = static_cast<std::vector<double>*>(context);
    seen->push_back(fraction);
    return seen->size() == 50 ? kUiErrCancelled : kUiOk;
}

// A reduction in place, the destination over the source with its strides,
// gives the samples a separate destination gets.
TEST(ImageScale, InPlaceGivesTheSameSamples) {
    for (int32_t depth : {1, 2})
        for (int32_t mode : {kIPScaleNearest, kIPScaleTent}) {
            SCOPED_TRACE(testing::Message() << depth << " bytes, mode " << mode);
            InterleavedImage src = Patterned(301, 173, depth, 4);
            InterleavedImage apart = Box(60, 50, depth, 4);
            IPImage s = src.View(), d = apart.View();
            int32_t w = 0, h = 0;
            ASSERT_EQ(IPScaleImageDown2(&s, mode, &d, &w, &h, nullptr, nullptr), kUiOk);
            IPImage over = s;
            over.width = 60;
            over.height = 50;
            int32_t w2 = 0, h2 = 0;
            ASSERT_EQ(IPScaleImageDown2(&s, mode, &over, &w2, &h2, nullptr, nullptr), kUiOk);
            ASSERT_EQ(w2, w);
            ASSERT_EQ(h2, h);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    for (int32_t c = 0; c < 4; ++c)
                        ASSERT_EQ(src.Get(x, y, c), apart.Get(x, y, c))
                            << x << "," << y << "," << c;
        }
}

TEST(ImageScale, ProgressAndMemory) {
    InterleavedImage src = Patterned(300, 240, 1);
    InterleavedImage dst = Box(100, 80, 1);
    IPImage s = src.View(), d = dst.View();
    int32_t w = 0, h = 0;
    std::vector<double> seen;
    EXPECT_EQ(IPScaleImageDown2(&s, kIPScaleTent, &d, &w, &h, CountRows, &seen), kUiErrCancelled);
    ASSERT_EQ(seen.size(), 50u);
    EXPECT_DOUBLE_EQ(seen[0], 1.0 / 240);  // three planes of 80 rows
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]);

    for (int32_t mode : {kIPScaleNearest, kIPScaleTent})
        RunAllocationFailureLoop(
            [&] { return IPScaleImageDown2(&s, mode, &d, &w, &h, nullptr, nullptr); });

    // A tall source holds a few rows filtered across at a time, not all of
    // them: the preview's memory planning counts on it. (A ballast block
    // lifts the live total above any earlier mark first.)
    InterleavedImage tall = Patterned(600, 3000, 2);
    InterleavedImage box = Box(200, 1000, 2);
    s = tall.View();
    d = box.View();
    void* ballast = Ui_Malloc(Ui_Mem_Stats().maxTotal + 64);
    ASSERT_NE(ballast, nullptr);
    const uint32_t live = Ui_Mem_Stats().total;
    ASSERT_EQ(IPScaleImageDown2(&s, kIPScaleTent, &d, &w, &h, nullptr, nullptr), kUiOk);
    EXPECT_LT(Ui_Mem_Stats().maxTotal - live, 200u * 64u * 2u);
    Ui_Free(ballast);
}

TEST(ImageZoom, ReplicatesBlocksOfTheWindow) {
    for (int32_t depth : {1, 2}) {
        SCOPED_TRACE(depth);
        InterleavedImage src(3, 2, depth);
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 3; ++x) src.SetPixel(x, y, 10 * y + x, 1, 2);
        // Zoom 2 gives 6 × 4 in a 4 × 3 window, centred: one zoomed pixel
        // hidden on the left and (rounded) one at the top.
        InterleavedImage dst = Box(4, 3, depth);
        IPImage s = src.View(), d = dst.View();
        ASSERT_EQ(IPZoomReplicate(&s, &d, 2, 0.5f, 0.5f), kUiOk);
        const uint32_t expected[3][4] = {{0, 1, 1, 2}, {10, 11, 11, 12}, {10, 11, 11, 12}};
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(dst.Get(x, y, 0), expected[y][x]) << x << y;

        // The right end, zoom 3; a window larger than the zoomed source is
        // written only where there is something to show.
        InterleavedImage wide = Box(12, 4, depth);
        d = wide.View();
        ASSERT_EQ(IPZoomReplicate(&s, &d, 3, 1.0f, 0.0f), kUiOk);
        for (int32_t x = 0; x < 12; ++x) {
            EXPECT_EQ(wide.Get(x, 0, 0), x < 9 ? uint32_t(x / 3) : 42u);
            EXPECT_EQ(wide.Get(x, 3, 0), x < 9 ? uint32_t(10 + x / 3) : 42u);
        }
    }
}

TEST(ImageZoom, RefusesBadArguments) {
    InterleavedImage src = Patterned(3, 2, 1), dst = Box(4, 3, 1), deep = Box(4, 3, 2);
    const IPImage s = src.View(), d = dst.View();
    IPImage shared = d, noSize = s, mask = d;
    shared.planes[1] = s.planes[0];
    noSize.width = 0;
    mask.kind = kIPImageMask;
    const struct {
        IPImage s, d;
        int32_t zoom;
        float fx;
    } cases[] = {{s, deep.View(), 2, 0.5f}, {s, shared, 2, 0.5f}, {noSize, d, 2, 0.5f},
                 {s, mask, 2, 0.5f},        {s, d, 0, 0.5f},      {s, d, 2, 1.5f},
                 {s, d, 2, -0.1f}};
    for (const auto& c : cases) {
        IPImage a = c.s, b = c.d;
        EXPECT_EQ(IPZoomReplicate(&a, &b, c.zoom, c.fx, 0.5f), kUiErrArg);
    }
}

}  // namespace
