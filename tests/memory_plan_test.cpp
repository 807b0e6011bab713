// Memory planning: the needs of the start stage against the host's
// allowance, the preview that shrinks to fit, the rows per strip, what the
// prepare stage reports to the host, and the preview measured from the
// editor's layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "editor/preview_layout.h"
#include "editor/stored_prefs.h"
#include "engine/preview_plan.h"
#include "host/blocks.h"
#include "tests/support/plugin_host.h"
#include "tests/support/prefs_samples.h"
#include "ui/dialog.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless_dialogs.h"

namespace {

MemoryPlanInput Input(int32_t available, int32_t width, int32_t height, int32_t depth = 8) {
    MemoryPlanInput in = {};
    in.available = available;
    in.depth = depth;
    in.planes = 3;
    in.filter = PassRect{0, 0, height, width};
    in.minPreview = PassRect{0, 0, 100, 100};
    in.maxPreview = PassRect{0, 0, 400, 500};
    in.swatchNeeds = 1000;
    return in;
}

// The bytes a plan asks for with a w x h preview of in's image: the plan of
// a large allowance whose largest preview is that size.
uint64_t NeedFor(MemoryPlanInput in, int32_t w, int32_t h) {
    in.available = 1 << 30;
    in.maxPreview = PassRect{0, 0, h, w};
    MemoryPlan plan;
    EXPECT_EQ(PlanMemory(in, &plan, 0), 0);
    EXPECT_EQ(plan.previewWidth, w);
    return plan.bufferSpace;
}

// The smallest allowance with which the plan keeps a w x h preview.
int32_t MinAllowance(MemoryPlanInput in, int32_t w, int32_t h) {
    in.maxPreview = PassRect{0, 0, h, w};
    int32_t lo = 1, hi = 1 << 30;
    while (lo < hi) {
        in.available = lo + (hi - lo) / 2;
        MemoryPlan plan;
        if (PlanMemory(in, &plan, 0) == 0 && plan.previewWidth == w)
            hi = in.available;
        else
            lo = in.available + 1;
    }
    return lo;
}

TEST(MemoryPlan, ALargeAllowanceIsHalvedAndKeepsTheLargestPreview) {
    const struct {
        int32_t width, height;
        uint8_t reduced;
    } cases[] = {
        {200, 100, 0},    // fits: factor 1
        {1000, 300, 1},   // factor 2, halved to 1, still reduced
        {1400, 1100, 1},  // factor 3
        {4000, 3000, 1},  // factor 8, halved to 4
    };
    for (const auto& c : cases) {
        MemoryPlan plan;
        ASSERT_EQ(PlanMemory(Input(1 << 30, c.width, c.height), &plan, 0), 0);
        EXPECT_EQ(plan.maxSpace, uint32_t(1 << 29)) << c.width;
        EXPECT_EQ(plan.previewWidth, 500);
        EXPECT_EQ(plan.previewHeight, 400);
        EXPECT_EQ(plan.previewReduced, c.reduced) << c.width;
        EXPECT_LE(plan.bufferSpace, plan.maxSpace);
    }
}

TEST(MemoryPlan, ATightAllowanceShrinksThePreviewOnePixelAtATime) {
    MemoryPlanInput in = Input(0, 3000, 2000);
    // Room for a preview of about 300 x 200, more than the smallest one.
    in.available = MinAllowance(in, 300, 200) + 40;
    MemoryPlan plan;
    ASSERT_EQ(PlanMemory(in, &plan, 0), 0);
    const uint64_t have = (uint64_t(in.available) >> 2) * 3;
    EXPECT_LT(plan.previewWidth, 500);
    EXPECT_GT(plan.previewWidth, 100);
    EXPECT_EQ(500 - plan.previewWidth, 400 - plan.previewHeight) << "both sides shrink together";
    EXPECT_LE(MinAllowance(in, plan.previewWidth, plan.previewHeight), in.available);
    EXPECT_GT(MinAllowance(in, plan.previewWidth + 1, plan.previewHeight + 1), in.available)
        << "the largest that fits";
    EXPECT_EQ(plan.maxSpace, have) << "three quarters: everything needed fits in it";
}

TEST(MemoryPlan, TooLittleMemoryFailsWithItsReasons) {
    RemoveDebugLog();
    MemoryPlan plan;
    EXPECT_EQ(PlanMemory(Input(1 << 20, 640, 480), &plan, 1), -3);
    const std::string log = ReadDebugLog();
    EXPECT_NE(log.find("not enough memory: need "), std::string::npos);
    EXPECT_NE(log.find(", have 786432\n"), std::string::npos);
    EXPECT_TRUE(LogHas(log, "image: 640 x 480, depth = 8"));
    EXPECT_NE(log.find("ulBufferSpace = "), std::string::npos);
}

TEST(MemoryPlan, PreviewsWithoutAreaAreRefusedNotDividedBy) {
    for (const PassRect& r :
         {PassRect{-1, -1, -1, -1}, PassRect{0, 0, 0, 50}, PassRect{0, 0, 50, 0}}) {
        MemoryPlanInput in = Input(1 << 30, 640, 480);
        in.minPreview = in.maxPreview = r;
        MemoryPlan plan;
        EXPECT_EQ(PlanMemory(in, &plan, 0), -3);
    }
}

TEST(MemoryPlan, RowsPerStrip) {
    const struct {
        const char* name;
        int32_t width, height, depth;
        int16_t rowSkip;
    } cases[] = {
        {"one row", 640, 1, 8, 1},
        {"at most the image", 100, 20, 8, 20},
        {"under 2 MiB of strip rows", 1000, 5000, 8, 299},  // 7000 bytes a row
        {"16-bit rows are larger", 1000, 5000, 16, 161},    // 13000 bytes a row
        {"a 32-bit width", 70000, 100, 8, 4},               // 490000 bytes a row
        {"never past 32767", 1, 100000, 8, 32767},          // 7 bytes a row
    };
    for (const auto& c : cases) {
        MemoryPlan plan;
        ASSERT_EQ(PlanMemory(Input(1 << 30, c.width, c.height, c.depth), &plan, 0), 0) << c.name;
        EXPECT_EQ(plan.rowSkip, c.rowSkip) << c.name;
    }
    // A budget smaller than 2 MiB of rows stops it first.
    MemoryPlanInput in = Input(0, 1000, 5000);
    in.available = int32_t((NeedFor(in, 500, 400) + 70000 + 3) / 3 * 4);
    MemoryPlan plan;
    ASSERT_EQ(PlanMemory(in, &plan, 0), 0);
    const uint64_t budget = (uint64_t(in.available) >> 2) * 3 - plan.bufferSpace;
    EXPECT_LT(plan.rowSkip, 299);
    EXPECT_LT(uint64_t(plan.rowSkip) * 7000, budget);
    EXPECT_GE(uint64_t(plan.rowSkip + 1) * 7000, budget);
}

TEST(MemoryPlan, SixteenBitsAndLargerPreviewsNeedMore) {
    MemoryPlan p8, p16;
    ASSERT_EQ(PlanMemory(Input(1 << 30, 800, 600, 8), &p8, 0), 0);
    ASSERT_EQ(PlanMemory(Input(1 << 30, 800, 600, 16), &p16, 0), 0);
    EXPECT_GT(p16.bufferSpace, p8.bufferSpace);
    const MemoryPlanInput in = Input(0, 3000, 2000);
    EXPECT_LT(NeedFor(in, 300, 200), NeedFor(in, 301, 201));
}

TEST(PreviewLayout, TheDesignedPreviewAndTheSwatches) {
    PassRect min, max;
    uint32_t swatch = 0;
    ASSERT_EQ(GetMinMaxPrev(0, PreviewDocument{3000, 2000}, &min, &max, &swatch, 0), 0);
    EXPECT_TRUE(min.top == 2 && min.left == 2 && min.bottom == 532 && min.right == 573);
    EXPECT_TRUE(max.top == min.top && max.right == min.right && max.bottom == min.bottom);
    EXPECT_EQ(swatch, 35160u + 5232u + 9720u);
    EXPECT_EQ(SwatchBitmapBytes(PassRect{0, 0, 2, 5}), 2u * 16u + 72u);
}

TEST(PreviewLayout, TheLargestWindowFillsTheWorkAreaAsTheDocumentAllows) {
    PassRect min, max;
    uint32_t swatch = 0;
    ASSERT_EQ(GetMinMaxPrev(1, PreviewDocument{3000, 2000}, &min, &max, &swatch, 0), 0);
    const int32_t w = max.right - max.left, h = max.bottom - max.top;
    EXPECT_GT(w, min.right - min.left);
    EXPECT_GT(h, min.bottom - min.top);
    EXPECT_LT(w, 1920);
    EXPECT_LT(h, 1040);
    EXPECT_NEAR(double(w) / h, 1.5, 0.01) << "no room left unused around the document";
    // A small document needs no larger window.
    ASSERT_EQ(GetMinMaxPrev(1, PreviewDocument{300, 200}, &min, &max, &swatch, 0), 0);
    EXPECT_EQ(max.right, min.right);
    EXPECT_EQ(max.bottom, min.bottom);
    // Without a work area the designed size stands and the swatches are not counted.
    Headless_SetScreenUnknown();
    swatch = 0;
    ASSERT_EQ(GetMinMaxPrev(1, PreviewDocument{3000, 2000}, &min, &max, &swatch, 0), 0);
    EXPECT_EQ(max.right, min.right);
    EXPECT_EQ(swatch, 0u);
}

class PrepareTest : public ::testing::Test {
  protected:
    PluginHost h;
    void SetUp() override {
        std::remove(PrefsFilePath().c_str());
        RemoveDebugLog();
    }
    DataBlock* Data() { return h.Locked<DataBlock>(reinterpret_cast<Handle>(h.host.data)); }
};

TEST_F(PrepareTest, TheHostIsToldTheNeedsAndTheRunGetsItsGeometry) {
    HKOptions options = HK_DefaultOptions();
    options.maxSpace = 64 << 20;
    h.Open(TestDocument(1200, 900, 3, 8), options);
    Headless_SetScreen(UiRect{20, 10, 920, 1610});
    ASSERT_EQ(h.FirstCall(filterSelectorPrepare, true), noErr);
    const FilterRecord* r = h.host.record;
    EXPECT_EQ(r->maxSpace, 32 << 20);
    const uint32_t buffer = uint32_t(r->bufferSpace);
    EXPECT_GT(buffer, 0u);
    EXPECT_LE(buffer, uint32_t(r->maxSpace));
    const DataBlock* d = Data();
    EXPECT_EQ(d->rowSkip, 249) << "249 rows of 8400 bytes stay under 2 MiB";
    EXPECT_EQ(d->edit.previewWidth, 571);
    EXPECT_EQ(d->edit.previewHeight, 530);
    EXPECT_EQ(d->edit.previewReduced, 1);
    EXPECT_TRUE(d->edit.windowRect.left == 10 && d->edit.windowRect.top == 20 &&
                d->edit.windowRect.right == 1610 && d->edit.windowRect.bottom == 920);
    const std::string log = ReadDebugLog();
    for (const char* line : {"DoPrepare...", "available memory = 67108864, (75 percent = 50331648)",
                             "GetMinMaxPrev -> min: 2,2 573,532  max: 2,2 573,532",
                             "swatchNeeds = 50112", "image: 1200 x 900, depth = 8",
                             "inOutRowNeeds = 8400, inOutPrevNeeds = 7560000", "...DoPrepare"})
        EXPECT_TRUE(LogHas(log, line)) << line;
    const std::string tell =
        "Tell Photoshop: maxSpace = 33554432, bufferSpace = " + std::to_string(buffer);
    EXPECT_TRUE(LogHas(log, tell)) << tell;
    const std::string rows =
        "rowSkip = 249, maxInOutNeeds = 7560000, mostWeNeed = " + std::to_string(7560000 + buffer);
    EXPECT_TRUE(LogHas(log, rows)) << rows;
}

// What prepare asks for holds the start: the most the plug-in holds at once
// in a whole run (the replay's read and compile, then the pass with noise
// removal and sharpen) stays within the bufferSpace told to the host, at
// both depths, with transparency and a selection.
TEST_F(PrepareTest, TheStartFitsTheBufferSpaceAskedFor) {
    PrefsRecord prefs = DefaultPrefs();
    prefs.startMode = kStartPrevious;
    prefs.previous.doAutoBlack = prefs.previous.doAutoWhite = prefs.previous.doAutoMidGray = 1;
    prefs.previous.doSharpen = 1;
    prefs.previous.sharpenStrength = 8;
    prefs.previous.doRemoveNoise = 1;
    prefs.previous.noiseFlag = 1;
    for (int32_t c = 0; c < 3; ++c) prefs.previous.noiseRadius[c] = 6;
    for (int32_t planes : {3, 4})
        for (int32_t depth : {8, 16}) {
            SCOPED_TRACE(testing::Message() << planes << " planes, " << depth << " bits");
            ASSERT_EQ(Ui_Prefs_WriteAll(nullptr, PrefsFilePath().c_str(), kUiPrefsFileKind,
                                        WriteStoredPrefs, &prefs),
                      0);
            TestDocument d(900, 700, planes, depth);
            if (planes == 4) d.mask.assign(size_t(d.width) * size_t(d.height), 200);
            const PluginHost::PeakRun run = h.RunMeasuringPeak(d);
            ASSERT_EQ(run.result, noErr);
            EXPECT_NE(h.doc.pixels, d.pixels);
            EXPECT_GT(run.bufferSpace, 0);
            EXPECT_LE(run.peak, uint32_t(run.bufferSpace));
        }
}

TEST_F(PrepareTest, ALackOfMemoryEndsPrepareWithMemFull) {
    HKOptions options = HK_DefaultOptions();
    options.maxSpace = 1 << 20;
    h.Open(TestDocument(64, 48, 3, 16), options);
    EXPECT_EQ(h.FirstCall(filterSelectorPrepare, true), memFullErr);
    EXPECT_NE(ReadDebugLog().find("not enough memory: need "), std::string::npos);
}

TEST_F(PrepareTest, TheWindowLosesWhatThePreviewLost) {
    Headless_SetScreen(UiRect{0, 0, 1040, 1920});
    HKOptions options = HK_DefaultOptions();
    h.Open(TestDocument(3000, 2000, 3, 8), options);
    ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr);
    h.Locked<ParametersBlock>(h.host.record->parameters)->prefs.useLargestWindow = 1;
    // 16 MB of planning room: enough for a preview between the designed and
    // the largest one (1510 x 1007). The half-size image of the 3000 x 2000
    // document fits once the preview is 666 rows high, 1169 pixels across.
    h.host.record->maxSpace = (16 << 20) / 3 * 4;
    ASSERT_EQ(h.Call(filterSelectorPrepare), noErr);
    const EditState& e = Data()->edit;
    PassRect min, max;
    uint32_t swatch;
    GetMinMaxPrev(1, PreviewDocument{3000, 2000}, &min, &max, &swatch, 0);
    EXPECT_EQ(e.previewWidth, 1169);
    EXPECT_EQ(e.previewHeight, 666);
    EXPECT_EQ(max.right - max.left, 1510);
    EXPECT_LT(e.previewWidth, max.right - max.left);
    EXPECT_EQ(e.windowRect.right, 1920 - ((max.right - max.left) - e.previewWidth));
    EXPECT_EQ(e.windowRect.bottom, 1040 - ((max.bottom - max.top) - e.previewHeight));
}

}  // namespace
