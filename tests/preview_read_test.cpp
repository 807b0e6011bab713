// The reduced whole-image read: what is requested of the host at which rate,
// when the scaler runs, the selection bitmap from the mask and the
// transparency, the failures it alerts, and replays that now measure the
// image for their automatic settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "editor/stored_prefs.h"
#include "engine/image_scale.h"
#include "host/blocks.h"
#include "host/compile_pass.h"
#include "host/preview_display.h"
#include "host/preview_read.h"
#include "host/sharpen_preview.h"
#include "tests/support/alert_messages.h"
#include "tests/support/plugin_host.h"
#include "tests/support/prefs_samples.h"
#include "ui/allocator.h"
#include "ui/state.h"

namespace {

// The alerts shown since the headless backend was last reset.
std::vector<std::string> Shown() {
    std::vector<std::string> shown = AlertMessages();
    for (int32_t i = 0; i < Headless_AlertCount(); ++i) shown.push_back(Headless_Alert(i)->text);
    return shown;
}

class PreviewReadTest : public ::testing::Test {
  protected:
    PluginHost h;
    EditState edit = {};
    UiState* savedState = nullptr;
    FilterRecord* savedRecord = nullptr;

    void SetUp() override {
        Headless_SetAlertEcho(false);
        Headless_ClearAlerts();
        Headless_ResetDialogs();
        savedState = gUiState;
        savedRecord = gFilterRecord;
        ASSERT_EQ(Ui_State_Open(&gUiState, nullptr, nullptr, kStrProductName, 0), kUiOk);
    }
    void TearDown() override {
        FreePreviewImages(&edit);
        Ui_State_Close(&gUiState);
        gUiState = savedState;
        gFilterRecord = savedRecord;
    }
    // A host over d whose record the module's reads use.
    void Open(const TestDocument& d) {
        h.Open(d);
        gFilterRecord = h.host.record;
    }
    VRect LastRequest() const { return h.host.inAreas[h.host.inAreaCount - 1]; }
    bool Selected(int32_t x, int32_t y) const { return SelectionMaskHas(&edit.selection, x, y); }
};

TEST_F(PreviewReadTest, TheHostSubsamplesByHalfTheFactorAndTheScalerFitsTheBox) {
    struct Case {
        const char* name;
        int32_t width, height, boxW, boxH;
        VRect request;  // in subsampled coordinates
        int32_t step;
        bool scaled;
    };
    const Case cases[] = {
        {"smaller than the box", 40, 30, 50, 50, {0, 0, 30, 40}, 1, false},
        {"factor 2", 80, 40, 40, 40, {0, 0, 40, 80}, 1, true},
        {"factor 3", 90, 60, 30, 30, {0, 0, 60, 90}, 1, true},
        {"factor 5", 200, 100, 40, 40, {0, 0, 50, 100}, 2, true},
        {"factor 9", 270, 90, 30, 30, {0, 0, 22, 67}, 4, true},
        {"one pixel wide", 1, 50, 10, 10, {0, 0, 25, 1}, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(TestDocument(c.width, c.height, 3, 8));
        ASSERT_EQ(ReadReducedImage(&edit, c.boxW, c.boxH), kUiOk);
        const VRect r = LastRequest();
        EXPECT_EQ(r.top, c.request.top);
        EXPECT_EQ(r.left, c.request.left);
        EXPECT_EQ(r.bottom, c.request.bottom);
        EXPECT_EQ(r.right, c.request.right);
        EXPECT_EQ(h.host.record->inputRate, c.step << 16);
        EXPECT_EQ(edit.previewReduced == 1, c.scaled);
        // The filter rectangle, where the editor's dialogs place their windows.
        EXPECT_EQ(edit.width, c.width);
        EXPECT_EQ(edit.height, c.height);
        // The preview has the shape of the filter rectangle inside the box.
        int32_t w = 0, ht = 0;
        const int32_t boxW = std::min(c.boxW, c.width), boxH = std::min(c.boxH, c.height);
        const int32_t sw = r.right - r.left, sh = r.bottom - r.top;
        if (c.scaled) {
            ASSERT_EQ(IPScaleFit(sw, sh, std::max(boxW, 2), std::max(boxH, 2), &w, &ht), kUiOk);
        } else {
            w = sw;
            ht = sh;
        }
        EXPECT_EQ(edit.sourceView.width, w);
        EXPECT_EQ(edit.sourceView.height, ht);
        EXPECT_LE(w, boxW);
        EXPECT_LE(ht, boxH);
        ASSERT_NE(edit.preview, nullptr);
        EXPECT_EQ(edit.previewChannels, 3);
        EXPECT_EQ(edit.selection.bits, nullptr) << "no mask, no transparency";
        // The 8-bit preview holds the view's samples.
        const uint8_t* first = static_cast<const uint8_t*>(edit.sourceView.planes[0]);
        EXPECT_EQ(edit.preview[0], first[0]);
    }
}

TEST_F(PreviewReadTest, SelectionFromTheMaskAndTheTransparency) {
    // 16 bits: a sample is selected when the high byte of the doubled sample
    // is above 128, so full opacity counts and half opacity does not.
    TestDocument d(4, 1, 4, 16);
    const uint32_t alpha[4] = {32768, 16384, 32767, 0};
    for (int32_t x = 0; x < 4; ++x) d.Set(x, 0, 3, alpha[x]);
    Open(d);
    ASSERT_EQ(ReadReducedImage(&edit, 10, 10), kUiOk);
    EXPECT_EQ(edit.previewChannels, 3) << "transparency is no preview channel";
    EXPECT_TRUE(Selected(0, 0));
    EXPECT_FALSE(Selected(1, 0));
    EXPECT_TRUE(Selected(2, 0));
    EXPECT_FALSE(Selected(3, 0));
    // The colour samples reach the view doubled from the host's range; the
    // transparency keeps the host's (doubling 32768 would wrap it to 0).
    const uint16_t* red = static_cast<const uint16_t*>(edit.sourceView.planes[0]);
    EXPECT_EQ(red[0], std::min<uint32_t>(d.Get(0, 0, 0), 32767) * 2);
    EXPECT_EQ(edit.sourceView.hostRange, 1) << "of the host's range: 65534 is clipped";
    const uint16_t* alphaView = static_cast<const uint16_t*>(edit.sourceView.planes[3]);
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(alphaView[4 * x], alpha[x]) << x;

    // 8 bits with a selection: the mask above 128, and the mask byte as the
    // preview's fourth channel.
    TestDocument m(4, 1, 3, 8);
    m.mask = {255, 129, 128, 0};
    Open(m);
    ASSERT_EQ(ReadReducedImage(&edit, 10, 10), kUiOk);
    EXPECT_EQ(edit.previewChannels, 4);
    EXPECT_EQ(edit.sourceView.hostRange, 0);
    for (int32_t x = 0; x < 4; ++x) {
        EXPECT_EQ(Selected(x, 0), x < 2) << x;
        EXPECT_EQ(edit.preview[4 * x + 3], m.mask[size_t(x)]) << x;
    }
}

TEST_F(PreviewReadTest, FailuresAreAlertedAndLeaveNothing) {
    const uint32_t before = Ui_Mem_Stats().nMallocs;
    TestDocument d(6, 5, 3, 8);
    d.mask.assign(30, 128);
    Open(d);
    EXPECT_EQ(ReadReducedImage(&edit, 10, 10), kUiErrGeneral);
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "The selected area is empty.");
    EXPECT_EQ(edit.preview, nullptr);
    EXPECT_EQ(edit.sourceView.width, 0);
    EXPECT_EQ(Ui_Mem_Stats().nMallocs, before);

    // The host refuses the request: its code becomes the result.
    Headless_ClearAlerts();
    Headless_ResetDialogs();
    Open(TestDocument(6, 5, 3, 8));
    h.host.record->advanceState = []() -> OSErr { return memFullErr; };
    EXPECT_EQ(ReadReducedImage(&edit, 10, 10), kUiErrGeneral);
    shown = Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("advancing state"), std::string::npos) << shown[0];

    // A preview without area is refused before anything is asked.
    Open(TestDocument(6, 5, 3, 8));
    EXPECT_EQ(ReadReducedImage(&edit, 0, 10), kUiErrArg);
    EXPECT_EQ(h.host.advanceCalls, 0);
    EXPECT_EQ(Ui_Mem_Stats().nMallocs, before);
}

// Every sample of a view, plane by plane.
std::vector<uint32_t> Samples(const IPImage& v) {
    std::vector<uint32_t> out;
    for (int32_t k = 0; k < v.planeCount; ++k)
        for (int32_t y = 0; y < v.height; ++y)
            for (int32_t x = 0; x < v.width; ++x) {
                const int64_t at = int64_t(y) * v.rowStride + int64_t(x) * v.sampleStride;
                out.push_back(v.bytesPerSample == 2 ? static_cast<const uint16_t*>(v.planes[k])[at]
                                                    : static_cast<const uint8_t*>(v.planes[k])[at]);
            }
    return out;
}

// The zoom window keeps the preview box's size, shifted into the image at its
// edges; zooming out puts the reduced image, its transparency and its
// selection back into the host's buffers: at 8 bits from the preview without
// asking the host, at 16 bits by reading it again.
TEST_F(PreviewReadTest, ZoomInAndOutAtBothDepths) {
    for (int32_t depth : {8, 16}) {
        SCOPED_TRACE(depth);
        TestDocument d(300, 200, 4, depth);
        d.mask.resize(300 * 200);
        for (size_t i = 0; i < d.mask.size(); ++i) d.mask[i] = uint8_t(i * 7);
        Open(d);
        ASSERT_EQ(ReadEditorImage(&edit, 60, 40), kUiOk);
        ASSERT_EQ(edit.previewReduced, 1);
        const std::vector<uint8_t> preview(edit.preview, edit.preview + 60 * 40 * 4);
        const std::vector<uint32_t> reduced = Samples(edit.sourceView);
        const std::vector<uint32_t> selection = Samples(edit.maskView);
        // A click near the top left corner of the preview.
        ASSERT_EQ(ReadZoomWindow(&edit, 2, 1, true), kUiOk);
        EXPECT_EQ(edit.zoomed, 1);
        EXPECT_EQ(LastRequest().left, 0);
        EXPECT_EQ(LastRequest().top, 0);
        EXPECT_EQ(edit.zoomView.width, 60);
        EXPECT_EQ(edit.zoomView.height, 40);
        EXPECT_EQ(h.host.record->inputRate, 1 << 16);
        // An image point at the far corner: the window ends at the image's edge.
        ASSERT_EQ(ReadZoomWindow(&edit, 299, 199, false), kUiOk);
        const VRect r = LastRequest();
        EXPECT_EQ(r.right, 300);
        EXPECT_EQ(r.bottom, 200);
        EXPECT_EQ(r.right - r.left, 60);
        const uint32_t want = depth == 8 ? d.Get(r.left, r.top, 1)
                                         : std::min<uint32_t>(d.Get(r.left, r.top, 1), 32767) * 2;
        const uint32_t got = depth == 8 ? static_cast<const uint8_t*>(edit.zoomView.planes[1])[0]
                                        : static_cast<const uint16_t*>(edit.zoomView.planes[1])[0];
        EXPECT_EQ(got, want);
        EXPECT_EQ(edit.zoomView.hostRange, depth == 16 ? 1 : 0);
        const int32_t reads = h.host.advanceCalls;
        ASSERT_EQ(ZoomOut(&edit), kUiOk);
        EXPECT_EQ(edit.zoomed, 0);
        EXPECT_EQ(h.host.advanceCalls > reads, depth == 16);
        EXPECT_EQ(std::vector<uint8_t>(edit.preview, edit.preview + preview.size()), preview);
        EXPECT_EQ(Samples(edit.sourceView), reduced);
        EXPECT_EQ(Samples(edit.maskView), selection);
        FreePreviewImages(&edit);
    }
    // The editor's read of the whole image keeps a zoom at its centre.
    Open(TestDocument(300, 200, 3, 8));
    ASSERT_EQ(ReadReducedImage(&edit, 60, 40), kUiOk);
    ASSERT_EQ(ReadZoomWindow(&edit, 150, 100, false), kUiOk);
    ASSERT_EQ(ReadEditorImage(&edit, 60, 40), kUiOk);
    EXPECT_EQ(edit.zoomed, 1);
    EXPECT_EQ(edit.zoomCenterX, 150);
    EXPECT_EQ(LastRequest().left, 120);
    FreePreviewImages(&edit);

    // A preview that is not reduced has nothing to zoom into.
    Open(TestDocument(30, 20, 3, 8));
    ASSERT_EQ(ReadReducedImage(&edit, 60, 40), kUiOk);
    EXPECT_EQ(ReadZoomWindow(&edit, 5, 5, true), kUiOk);
    EXPECT_EQ(edit.zoomed, 0);
}

TEST_F(PreviewReadTest, TheSharpenWindowRepeatsEdgesAndTheZoomIsReadAgain) {
    EXPECT_EQ(SharpenWindowMargin(0, 0), 2);
    EXPECT_EQ(SharpenWindowMargin(5, 9), 9);
    EXPECT_EQ(SharpenWindowMargin(40, 3), 16) << "what the dialog's buffers hold";

    const TestDocument d(200, 150, 4, 8);
    Open(d);
    ASSERT_EQ(ReadReducedImage(&edit, 50, 40), kUiOk);
    ASSERT_EQ(ReadZoomWindow(&edit, 100, 75, false), kUiOk);
    const VRect zoom = LastRequest();
    SharpenWindow w;
    ASSERT_EQ(GetPrevImage(&edit, PassRect{0, 0, 10, 12}, 3, &w), kUiOk);
    EXPECT_EQ(w.width, 18);
    EXPECT_EQ(w.height, 16);
    const uint8_t* red = static_cast<const uint8_t*>(w.colour[0]);
    // The margin above and left of the image repeats its first row and column.
    EXPECT_EQ(red[0], d.Get(0, 0, 0));
    EXPECT_EQ(red[2 * 18 + 1], d.Get(0, 0, 0));
    EXPECT_EQ(red[1 * 18 + 5], d.Get(2, 0, 0));
    // Inside, and the margin below and right, which the image still has.
    EXPECT_EQ(red[15 * 18 + 17], d.Get(14, 12, 0));
    EXPECT_EQ(w.transparency[15 * 18 + 17], d.Get(14, 12, 3));
    FreeSharpenWindow(&w);
    // The zoom was read again: its view shows the zoom window, not the last read.
    EXPECT_EQ(LastRequest().left, zoom.left);
    EXPECT_EQ(LastRequest().top, zoom.top);
    EXPECT_EQ(static_cast<const uint8_t*>(edit.zoomView.planes[0])[0],
              d.Get(zoom.left, zoom.top, 0));
    // Outside the filter rectangle is no window.
    EXPECT_EQ(GetPrevImage(&edit, PassRect{140, 190, 160, 210}, 3, &w), kUiErrArg);
    FreePreviewImages(&edit);

    // 16 bits: the colour planes stay 16-bit, converted; the transparency
    // becomes the high byte of its converted value, so full opacity is 255.
    // The host's record is as the reduced read left it, which is read again
    // into the host's buffers.
    TestDocument deep(200, 150, 4, 16);
    deep.Set(20, 30, 3, 32768);
    deep.Set(21, 30, 3, 16384);
    Open(deep);
    ASSERT_EQ(ReadReducedImage(&edit, 50, 40), kUiOk);
    const FilterRecord before = *h.host.record;
    const std::vector<uint32_t> reduced = Samples(edit.sourceView);
    ASSERT_EQ(GetPrevImage(&edit, PassRect{30, 20, 40, 30}, 2, &w), kUiOk);
    EXPECT_EQ(w.bytesPerSample, 2);
    const uint16_t* green = static_cast<const uint16_t*>(w.colour[1]);
    EXPECT_EQ(green[2 * w.width + 2], std::min<uint32_t>(deep.Get(20, 30, 1), 32767) * 2);
    EXPECT_EQ(w.transparency[2 * w.width + 2], 255);
    EXPECT_EQ(w.transparency[2 * w.width + 3], 128);
    FreeSharpenWindow(&w);
    EXPECT_EQ(h.host.record->inputRate, before.inputRate);
    EXPECT_EQ(h.host.record->inRect.right, before.inRect.right);
    EXPECT_EQ(h.host.record->inRect.bottom, before.inRect.bottom);
    EXPECT_EQ(Samples(edit.sourceView), reduced);
    EXPECT_EQ(edit.sourceView.planes[0], h.host.record->inData);
    FreePreviewImages(&edit);

    // An older host's record ends at the short size: the record is put back
    // without touching a byte past it (the sanitizer build sees any).
    HKOptions older = HK_DefaultOptions();
    older.recordBytes = int32_t(kFilterRecordShortSize);
    h.Open(d, older);
    gFilterRecord = h.host.record;
    ASSERT_EQ(ReadReducedImage(&edit, 50, 40), kUiOk);
    const int32_t rate = h.host.record->inputRate;
    ASSERT_EQ(GetPrevImage(&edit, PassRect{30, 20, 40, 30}, 2, &w), kUiOk);
    EXPECT_EQ(static_cast<const uint8_t*>(w.colour[0])[2 * w.width + 2], d.Get(20, 30, 0));
    FreeSharpenWindow(&w);
    EXPECT_EQ(h.host.record->inputRate, rate);
}

TEST_F(PreviewReadTest, NavigatorAndDisplay) {
    TestDocument smooth(120, 80, 3, 8);
    for (int32_t y = 0; y < 80; ++y)
        for (int32_t x = 0; x < 120; ++x)
            for (int32_t c = 0; c < 3; ++c) smooth.Set(x, y, c, uint32_t(40 + x + y + 20 * c));
    Open(smooth);
    ASSERT_EQ(ReadReducedImage(&edit, 60, 40), kUiOk);
    EditPars pars;
    ASSERT_EQ(SetDefaultEditPars(&pars, kDefaultPredefinedBins), kUiOk);
    edit.pars = pars;
    ASSERT_EQ(CompileForPass(&edit, 1), kUiOk);
    NavigatorImage nav;
    ASSERT_EQ(SetUpNavPrevImages(&edit, 30, 20, &nav), kUiOk);
    EXPECT_EQ(nav.width, 30);
    EXPECT_EQ(nav.channels, 3);
    // Neutral settings: the navigator is the preview reduced, within a level.
    EXPECT_NEAR(nav.pixels[0], edit.preview[0], 2);
    FreeNavPrevImages(&nav);
    EXPECT_EQ(SetUpNavPrevImages(&edit, 30, 30, &nav), kUiErrGeneral) << "not the preview's shape";
    EXPECT_EQ(nav.pixels, nullptr);
    FreeEditTW(edit.transform);
    edit.transform = nullptr;
    // A transform made for 16-bit samples takes the preview's bytes times 257:
    // the same neutral navigator, not one near black.
    ASSERT_EQ(CompileForPass(&edit, 2), kUiOk);
    ASSERT_EQ(SetUpNavPrevImages(&edit, 30, 20, &nav), kUiOk);
    EXPECT_NEAR(nav.pixels[0], edit.preview[0], 2);
    FreeNavPrevImages(&nav);
    FreeEditTW(edit.transform);
    edit.transform = nullptr;

    ASSERT_EQ(HK_SetFrame(&h.host, 40, 30), 0);
    const DisplayImage image = {edit.preview, edit.previewChannels, 60, 40};
    ASSERT_EQ(ShowImage(image, PassRect{2, 3, 12, 13}, 5, 7, nullptr), kUiOk);
    EXPECT_EQ(h.host.displayCalls, 1);
    const uint8_t* framed = h.host.frame + (size_t(5) * 40 + 7) * 3;
    EXPECT_EQ(framed[0], edit.preview[(2 * 60 + 3) * 3]);
    EXPECT_EQ(framed[2], edit.preview[(2 * 60 + 3) * 3 + 2]);
    EXPECT_EQ(ShowImage(image, PassRect{0, 0, 41, 10}, 0, 0, nullptr), kUiErrArg);
    h.host.record->displayPixels = nullptr;
    EXPECT_EQ(ShowImage(image, PassRect{0, 0, 10, 10}, 0, 0, nullptr), kUiOk);
    EXPECT_EQ(h.host.displayCalls, 1) << "nothing drawn without displayPixels";
}

// ---- Replays -------------------------------------------------------------------------

// A flat, low-contrast image: every sample between 40% and 60% of the range.
TestDocument FlatDocument(int32_t w, int32_t h, int32_t depth) {
    TestDocument d(w, h, 3, depth);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int32_t c = 0; c < 3; ++c) {
                const double v = 0.4 + 0.2 * (x + y + 7 * c) / double(w + h + 14);
                d.Set(x, y, c, uint32_t(v * d.Max() + 0.5));
            }
    return d;
}

void WriteAutoLevelsPrefs() {
    PrefsRecord p = DefaultPrefs();
    p.startMode = kStartPrevious;
    p.previous.doAutoBlack = p.previous.doAutoWhite = 1;
    p.previous.autoBlackAmount = p.previous.autoWhiteAmount = 1.0f;
    ASSERT_EQ(
        Ui_Prefs_WriteAll(nullptr, PrefsFilePath().c_str(), kUiPrefsFileKind, WriteStoredPrefs, &p),
        0);
}

// The spread of channel c over the document.
uint32_t Spread(const TestDocument& d, int32_t c) {
    uint32_t lo = UINT32_MAX, hi = 0;
    for (int32_t y = 0; y < d.height; ++y)
        for (int32_t x = 0; x < d.width; ++x) {
            lo = std::min(lo, d.Get(x, y, c));
            hi = std::max(hi, d.Get(x, y, c));
        }
    return hi - lo;
}

// Replays run the module's stages, which open and close the library state.
class ReplayTest : public ::testing::Test {
  protected:
    PluginHost h;
    void SetUp() override {
        Headless_SetAlertEcho(false);
        std::remove(PrefsFilePath().c_str());
    }
    // A replay of d with automatic black and white points, and nothing else.
    void ReplayAutoLevels(const TestDocument& d) {
        WriteAutoLevelsPrefs();
        h.Open(d);
        ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr);
        ASSERT_EQ(h.Run(false).result, noErr);
    }
};

TEST_F(ReplayTest, AReplayStretchesAFlatImageWithAutomaticLevels) {
    for (int32_t depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const TestDocument flat = FlatDocument(300, 200, depth);
        ASSERT_NO_FATAL_FAILURE(ReplayAutoLevels(flat));
        TestDocument out = flat;
        std::memcpy(out.pixels.data(), h.host.image.pixels, out.pixels.size());
        for (int32_t c = 0; c < 3; ++c)
            EXPECT_GT(Spread(out, c), Spread(flat, c) * 3 / 2) << "channel " << c;
    }
}

// What a replay must measure, worked out here from the document alone: the
// host's every f-th pixel, reduced by the scaler into the preview box that
// prepare chose, at 16 bits converted to 0 .. 65534. The transform compiled
// on it, applied to the whole document as the pass applies it, gives the
// replay's result exactly.
TEST_F(ReplayTest, AReplayMeasuresTheScalersReduction) {
    for (int32_t depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const TestDocument flat = FlatDocument(2100, 1300, depth);
        ASSERT_NO_FATAL_FAILURE(ReplayAutoLevels(flat));
        const DataBlock* data = *reinterpret_cast<DataBlock* const*>(h.host.data);
        ASSERT_NE(data, nullptr);
        const int32_t boxW = std::min(data->edit.previewWidth, flat.width);
        const int32_t boxH = std::min(data->edit.previewHeight, flat.height);
        const int32_t factor =
            std::max((flat.width + boxW - 1) / boxW, (flat.height + boxH - 1) / boxH);
        ASSERT_GT(factor, 3) << "the host subsamples";
        const int32_t f = factor >> 1, sw = flat.width / f, sh = flat.height / f;
        const int32_t bytes = depth / 8;
        std::vector<uint16_t> sub(size_t(sw) * size_t(sh) * 3);
        for (int32_t y = 0; y < sh; ++y)
            for (int32_t x = 0; x < sw; ++x)
                for (int32_t c = 0; c < 3; ++c)
                    sub[(size_t(y) * size_t(sw) + size_t(x)) * 3 + size_t(c)] =
                        uint16_t(flat.Get(x * f, y * f, c));
        std::vector<uint8_t> subBytes(sub.size() * size_t(bytes));
        for (size_t i = 0; i < sub.size(); ++i) {
            if (bytes == 1)
                subBytes[i] = uint8_t(sub[i]);
            else
                std::memcpy(&subBytes[2 * i], &sub[i], 2);
        }
        std::vector<uint8_t> reduced(size_t(boxW) * size_t(boxH) * 3 * size_t(bytes));
        IPImage src = {kIPImageColour, 3, bytes, sw, sh, 72.0f, 3, 3 * sw, {}, 0};
        IPImage dst = {kIPImageColour, 3, bytes, boxW, boxH, 72.0f, 3, 3 * boxW, {}, 0};
        for (int32_t c = 0; c < 3; ++c) {
            src.planes[c] = subBytes.data() + c * bytes;
            dst.planes[c] = reduced.data() + c * bytes;
        }
        int32_t ow = 0, oh = 0;
        ASSERT_EQ(IPScaleImageDown2(&src, kIPScaleTent, &dst, &ow, &oh, nullptr, nullptr), kUiOk);
        dst.width = ow;
        dst.height = oh;
        if (bytes == 2)
            for (int32_t y = 0; y < oh; ++y)
                for (int32_t i = 0; i < 3 * ow; ++i) {
                    uint16_t* s16 = reinterpret_cast<uint16_t*>(reduced.data()) +
                                    size_t(y) * size_t(3 * boxW) + size_t(i);
                    *s16 = uint16_t(std::min<uint32_t>(*s16, 32767) * 2);
                }

        UiState* ui = nullptr;
        ASSERT_EQ(Ui_State_Open(&ui, nullptr, nullptr, kStrProductName, 0), kUiOk);
        EditTWSource source = {};
        source.editPars = data->edit.pars;
        source.ui = ui;
        source.views[0] = dst;
        TWHandle* tw = nullptr;
        ASSERT_EQ(MakeEditTW(&source, bytes, &tw), kUiOk);
        const uint32_t count = uint32_t(flat.width);
        bool same = true;
        for (int32_t y = 0; y < flat.height && same; ++y) {
            const uint8_t* inRow = flat.pixels.data() + size_t(y) * size_t(flat.RowBytes());
            const uint8_t* outRow = h.host.image.pixels + size_t(y) * size_t(flat.RowBytes());
            if (bytes == 1) {
                std::vector<uint8_t> row(inRow, inRow + 3 * count);
                const TwRun run = TwInterleaved8(row.data(), 3);
                ASSERT_EQ(ApplyTintwork(tw->tintwork, count, &run, &run), 0);
                same = std::memcmp(row.data(), outRow, row.size()) == 0;
            } else {
                std::vector<uint16_t> row(3 * count), got(3 * count);
                std::memcpy(row.data(), inRow, 6 * size_t(count));
                std::memcpy(got.data(), outRow, 6 * size_t(count));
                for (uint16_t& v : row) v = uint16_t(std::min<uint32_t>(v, 32767) * 2);
                const TwRun run = TwInterleaved16(row.data(), 3);
                ASSERT_EQ(ApplyTintwork(tw->tintwork, count, &run, &run), 0);
                for (uint16_t& v : row) v = uint16_t(v >> 1);
                same = row == got;
            }
            EXPECT_TRUE(same) << "row " << y;
        }
        FreeEditTW(tw);
        Ui_State_Close(&ui);
    }
}

// Memory planning covers what the replay reads besides the pass: the most
// the plug-in holds at once stays within the bufferSpace it asked for at
// prepare, also with transparency and a selection, on a document of the
// preview box's shape that the scaler reduces from full resolution (factor
// 3).
TEST_F(ReplayTest, TheReducedReadFitsTheBufferSpaceAskedFor) {
    struct Case {
        int32_t planes, depth;
        bool mask;
    };
    for (const Case& c :
         {Case{3, 8, false}, Case{3, 16, false}, Case{4, 8, true}, Case{4, 16, true}}) {
        SCOPED_TRACE(testing::Message() << c.planes << " planes, " << c.depth << " bits");
        WriteAutoLevelsPrefs();
        // The preview size prepare chooses for a large document.
        h.Open(TestDocument(3000, 3000, c.planes, c.depth));
        ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr);
        ASSERT_EQ(h.Call(filterSelectorPrepare), noErr);
        const DataBlock* data = *reinterpret_cast<DataBlock* const*>(h.host.data);
        const int32_t pw = data->edit.previewWidth, ph = data->edit.previewHeight;
        TestDocument d(3 * pw - 1, 3 * ph - 1, c.planes, c.depth);
        if (c.mask) d.mask.assign(size_t(d.width) * size_t(d.height), 255);
        const PluginHost::PeakRun measured = h.RunMeasuringPeak(d);
        ASSERT_EQ(measured.result, noErr);
        const DataBlock* run = *reinterpret_cast<DataBlock* const*>(h.host.data);
        EXPECT_EQ(run->edit.previewWidth, pw);
        EXPECT_GT(measured.bufferSpace, 0);
        EXPECT_LE(measured.peak, uint32_t(measured.bufferSpace));
    }
}

bool StartSucceeded(const HKRun& run) {
    for (int32_t i = 0; i < run.stepCount; ++i)
        if (run.steps[i].selector == filterSelectorStart) return run.steps[i].result == noErr;
    return false;
}

// Every allocator request of a replay fails in turn: nothing is left behind,
// and a run whose start failed leaves the document unchanged (a failure
// after the start, in recording the settings, keeps the filtered image).
TEST_F(ReplayTest, AllocationFailuresDuringAReplayLeaveTheImageAlone) {
    // A document inside the preview box, and one the scaler reduces.
    for (const int32_t width : {120, 1200}) {
        SCOPED_TRACE(width);
        WriteAutoLevelsPrefs();
        const TestDocument flat = FlatDocument(width, width * 3 / 4, 8);
        uint32_t complete = 0;
        for (uint32_t n = 1; n < 2000 && complete == 0; ++n) {
            h.Open(flat);
            Headless_ClearAlerts();
            Headless_ResetDialogs();
            const uint32_t before = Ui_Mem_Stats().nMallocs;
            Ui_Mem_InjectFailure(n, false);
            const HKRun run = h.Run(true);
            const uint32_t requests = Ui_Mem_RequestCount();
            Ui_Mem_InjectFailure(0, false);
            EXPECT_EQ(Ui_Mem_Stats().nMallocs, before) << "request " << n;
            EXPECT_LE(Shown().size(), 1u) << "one failure, one alert: request " << n;
            if (requests < n) {
                EXPECT_EQ(run.result, noErr) << "request " << n;
                complete = requests;
            } else if (!StartSucceeded(run)) {
                EXPECT_NE(run.result, noErr) << "request " << n;
                EXPECT_EQ(std::memcmp(h.host.image.pixels, flat.pixels.data(), flat.pixels.size()),
                          0)
                    << "request " << n;
            }
        }
        EXPECT_GT(complete, 0u);
    }
}

}  // namespace
