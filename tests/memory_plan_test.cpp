// Memory planning: the needs of the start stage against the host's
// allowance, the preview that shrinks to fit, the rows per strip, what the
// prepare stage reports to the host, and the preview measured from the
// editor's layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "editor/preview_layout.h"
#include "engine/preview_plan.h"
#include "host/blocks.h"
#include "tests/support/plugin_host.h"
#include "ui/dialog.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless_dialogs.h"

namespace {

constexpr uint32_t kFixed8 = 0x20000 + 0x30000 + 470108;
constexpr uint32_t kFixed16 = 0xE0000 + 0x30000 + 604940;

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

// Bytes the plan must fit for a w x h preview of a 8-bit, 3-plane image.
uint64_t Need8(const MemoryPlanInput& in, uint64_t w, uint64_t h) {
    const uint64_t width = uint64_t(in.filter.right - in.filter.left);
    const uint64_t height = uint64_t(in.filter.bottom - in.filter.top);
    uint64_t factor = std::max((width + w - 1) / w, (height + h - 1) / h);
    if (factor > 1) factor >>= 1;
    const uint64_t prev = (width / factor) * (height / factor) * 7;
    const uint64_t row = width * 7;
    return kFixed8 + in.swatchNeeds + 4 * w * h + (w + 7) / 8 * h + std::max(row, prev);
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
        EXPECT_EQ(plan.bufferSpace, kFixed8 + 1000 + 4 * 500 * 400 + 63 * 400);
    }
}

TEST(MemoryPlan, ATightAllowanceShrinksThePreviewOnePixelAtATime) {
    MemoryPlanInput in = Input(0, 3000, 2000);
    // Room for a preview of about 300 x 200, more than the smallest one.
    const uint64_t limit = Need8(in, 300, 200);
    in.available = int32_t((limit + 3) / 3 * 4 + 4);
    MemoryPlan plan;
    ASSERT_EQ(PlanMemory(in, &plan, 0), 0);
    const uint64_t have = (uint64_t(in.available) >> 2) * 3;
    EXPECT_LT(plan.previewWidth, 500);
    EXPECT_GT(plan.previewWidth, 100);
    EXPECT_EQ(500 - plan.previewWidth, 400 - plan.previewHeight) << "both sides shrink together";
    EXPECT_LE(Need8(in, plan.previewWidth, plan.previewHeight), have);
    EXPECT_GT(Need8(in, plan.previewWidth + 1, plan.previewHeight + 1), have)
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
    in.available = int32_t((Need8(in, 500, 400) + 70000 + 3) / 3 * 4);
    MemoryPlan plan;
    ASSERT_EQ(PlanMemory(in, &plan, 0), 0);
    const uint64_t budget = (uint64_t(in.available) >> 2) * 3 - plan.bufferSpace;
    EXPECT_LT(plan.rowSkip, 299);
    EXPECT_LT(uint64_t(plan.rowSkip) * 7000, budget);
    EXPECT_GE(uint64_t(plan.rowSkip + 1) * 7000, budget);
}

TEST(MemoryPlan, SixteenBitsDoubleTheImageNeeds) {
    MemoryPlan p8, p16;
    ASSERT_EQ(PlanMemory(Input(1 << 30, 800, 600, 8), &p8, 0), 0);
    ASSERT_EQ(PlanMemory(Input(1 << 30, 800, 600, 16), &p16, 0), 0);
    EXPECT_EQ(p16.bufferSpace - p8.bufferSpace, 4u * 500 * 400 + (kFixed16 - kFixed8));
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
    const uint32_t buffer = kFixed8 + 50112 + 4 * 571 * 530 + 72 * 530;
    EXPECT_EQ(r->bufferSpace, int32_t(buffer));
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
    // the largest one (1511 x 1007). The half-size image of the 3000 x 2000
    // document fits once the preview is 666 rows high, 1170 pixels across.
    h.host.record->maxSpace = (16 << 20) / 3 * 4;
    ASSERT_EQ(h.Call(filterSelectorPrepare), noErr);
    const EditState& e = Data()->edit;
    PassRect min, max;
    uint32_t swatch;
    GetMinMaxPrev(1, PreviewDocument{3000, 2000}, &min, &max, &swatch, 0);
    EXPECT_EQ(e.previewWidth, 1170);
    EXPECT_EQ(e.previewHeight, 666);
    EXPECT_EQ(max.right - max.left, 1511);
    EXPECT_LT(e.previewWidth, max.right - max.left);
    EXPECT_EQ(e.windowRect.right, 1920 - ((max.right - max.left) - e.previewWidth));
    EXPECT_EQ(e.windowRect.bottom, 1040 - ((max.bottom - max.top) - e.previewHeight));
}

}  // namespace
