// The sharpen / remove-noise setup dialog on the headless backend, over a
// stand-in for the host's reads: a synthetic image whose windows the dialog
// reads, a small navigator image, and a display that records what it shows.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_dialogs.h"
#include "editor/filter_setup_geometry.h"
#include "resources/dialog_table.h"
#include "tests/support/alert_messages.h"
#include "ui/allocator.h"
#include "ui/help.h"
#include "ui/paths.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

enum : int32_t {
    kOk = 1,
    kCancel = 2,
    kHelp = 3,
    kRestore = 4,
    kStrength = 6,
    kBlueRadius = 11,
    kBlueThreshold = 14,
    kRedRadius = 17,
    kRedThreshold = 20,
    kPreview = 28,
    kZoomOut = 29,
    kZoomIn = 30,
    kZoomText = 31,
    kNavigator = 32,
};

// ---- The stand-in host --------------------------------------------------------------

// The image: a pattern the filters change wherever they run.
uint8_t Pattern(int32_t x, int32_t y, int32_t c) {
    return uint8_t((x * 7 + y * 13 + c * 5) % 50 * 5);
}

struct Shown {
    int32_t width, height, row, col;
    bool unfiltered;  // every pixel is the pattern under it
};

struct FakeHost {
    int32_t bytes = 1;
    int32_t getStatus = kUiOk;
    std::vector<PassRect> areas;
    std::vector<int32_t> margins;
    int32_t navWidth = 0, navHeight = 0;
    std::vector<Shown> shown;  // the preview's
    int32_t navigatorShows = 0;
};
FakeHost* gHost = nullptr;

int32_t FakeGet(EditState*, const PassRect& area, int32_t margin, SharpenWindow* w) {
    gHost->areas.push_back(area);
    gHost->margins.push_back(margin);
    *w = SharpenWindow{};
    if (gHost->getStatus != kUiOk) return gHost->getStatus;
    w->area = area;
    w->margin = margin;
    w->width = area.right - area.left + 2 * margin;
    w->height = area.bottom - area.top + 2 * margin;
    w->bytesPerSample = gHost->bytes;
    for (int32_t c = 0; c < 3; ++c) {
        w->colour[c] = Ui_MallocArray(size_t(w->width) * size_t(w->height), size_t(gHost->bytes));
        if (w->colour[c] == nullptr) return kUiErrMemory;
        for (int32_t y = 0; y < w->height; ++y)
            for (int32_t x = 0; x < w->width; ++x) {
                const uint8_t v = Pattern(area.left - margin + x, area.top - margin + y, c);
                const size_t at = size_t(y) * size_t(w->width) + size_t(x);
                if (gHost->bytes == 2)
                    static_cast<uint16_t*>(w->colour[c])[at] = uint16_t(v * 257);
                else
                    static_cast<uint8_t*>(w->colour[c])[at] = v;
            }
    }
    return kUiOk;
}

void FakeFreeWindow(SharpenWindow* w) {
    for (void*& plane : w->colour) {
        Ui_Free(plane);
        plane = nullptr;
    }
}

int32_t FakeNavigator(const EditState*, int32_t width, int32_t height, NavigatorImage* nav) {
    gHost->navWidth = width;
    gHost->navHeight = height;
    nav->pixels = static_cast<uint8_t*>(Ui_MallocArray(size_t(width) * size_t(height), 3));
    if (nav->pixels == nullptr) return kUiErrMemory;
    std::memset(nav->pixels, 90, size_t(width) * size_t(height) * 3);
    nav->channels = 3;
    nav->width = width;
    nav->height = height;
    return kUiOk;
}

void FakeFreeNavigator(NavigatorImage* nav) {
    Ui_Free(nav->pixels);
    *nav = NavigatorImage{};
}

// The preview is told from the navigator by its size; at 100 % its pixels
// are the window's, which starts at the last area read.
int32_t FakeShow(const DisplayImage& image, const PassRect&, int32_t row, int32_t col, void*) {
    if (image.width == gHost->navWidth && image.height == gHost->navHeight) {
        ++gHost->navigatorShows;
        return kUiOk;
    }
    const PassRect& area = gHost->areas.back();
    bool same = true;
    for (int32_t y = 0; y < image.height && same; ++y)
        for (int32_t x = 0; x < image.width && same; ++x)
            for (int32_t c = 0; c < 3; ++c)
                same = same && image.pixels[(size_t(y) * size_t(image.width) + size_t(x)) *
                                                size_t(image.channels) +
                                            size_t(c)] == Pattern(area.left + x, area.top + y, c);
    gHost->shown.push_back({image.width, image.height, row, col, same});
    return kUiOk;
}

const PreviewReads kFakeReads = {nullptr,        nullptr,       nullptr,           FakeGet,
                                 FakeFreeWindow, FakeNavigator, FakeFreeNavigator, FakeShow};

// An item's rectangle in the headless dialog's pixels.
UiRect ItemPixels(int32_t item) {
    const DialogItemDef& d = FindDialogDef(kDialogSharpenNoise)->items[item - 1];
    return UiRect{int16_t(d.y * 13 / 8), int16_t(d.x * 3 / 2), int16_t((d.y + d.height) * 13 / 8),
                  int16_t((d.x + d.width) * 3 / 2)};
}

// The text of the item's last paint.
std::string ShownText(const HeadlessDialog* d, int32_t item) {
    std::string text;
    for (const HeadlessDrawOp& op : d->Item(item)->draws)
        if (op.op == 'T') text = op.text;
    return text;
}

class FilterSetupTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    FakeHost fake;
    EditorHost host = {};
    std::unique_ptr<EditState> edit = std::make_unique<EditState>();
    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
        gHost = &fake;
        host.ui = state;
        host.reads = &kFakeReads;
        host.bytesPerSample = 1;
        EditPars pars;
        ASSERT_EQ(SetDefaultEditPars(&pars, kDefaultPredefinedBins), kUiOk);
        ASSERT_EQ(SetStartEditParsExtension(&pars), kUiOk);
        pars.doSharpen = 1;
        pars.doRemoveNoise = 1;
        InitEditState(edit.get(), pars);
        SetDocument(400, 300);
        edit->editor.host = &host;
    }
    void TearDown() override {
        gHost = nullptr;
        Ui_State_Close(&state);
    }
    void SetDocument(int32_t width, int32_t height) {
        edit->filterRect = PassRect{20, 30, 20 + height, 30 + width};
        edit->width = width;
        edit->height = height;
    }
    const HeadlessDialog* Dialog() const { return Headless_LastDialog(kDialogSharpenNoise); }
    // A press and release at the slider's far left or far right.
    static void QueueSliderEnd(int32_t item, bool right) {
        const UiRect r = ItemPixels(item);
        Headless_QueueTrack(item, {right ? r.right + 50 : r.left - 50, (r.top + r.bottom) / 2});
    }
};

}  // namespace

// The controls of a filter show only when it is on.
TEST_F(FilterSetupTest, OnlyTheFiltersThatAreOnShowTheirControls) {
    const struct { uint8_t sharpen, noise; } cases[] = {{1, 0}, {0, 1}, {1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.sharpen) << int(c.noise));
        Headless_ResetDialogs();
        edit->pars.doSharpen = c.sharpen;
        edit->pars.doRemoveNoise = c.noise;
        Headless_QueueClick(kOk);
        ASSERT_EQ(RunFilterSetupDialog(edit.get()), kUiOk);
        const HeadlessDialog* d = Dialog();
        for (int32_t item = 5; item <= 9; ++item)
            EXPECT_EQ(d->Item(item)->visible, c.sharpen == 1) << item;
        for (int32_t item = 10; item <= 27; ++item)
            EXPECT_EQ(d->Item(item)->visible, c.noise == 1) << item;
        for (int32_t item : {kPreview, kZoomOut, kZoomIn, kZoomText, kNavigator, kRestore})
            EXPECT_TRUE(d->Item(item)->visible) << item;
    }
}

// Each slider stops at its ends, however far the mouse goes, and shows its
// value; every position between them is one value.
TEST_F(FilterSetupTest, SlidersStopAtTheirEnds) {
    const struct {
        int32_t item;
        const int32_t* field;
        int32_t low, high;
    } sliders[] = {
        {kStrength, &edit->pars.sharpenStrength, 1, 24},
        {kBlueRadius, &edit->pars.noiseRadius[1], 3, 16},
        {kBlueThreshold, &edit->pars.noiseThreshold[1], 1, 50},
        {kRedRadius, &edit->pars.noiseRadius[2], 3, 16},
        {kRedThreshold, &edit->pars.noiseThreshold[2], 1, 50},
    };
    for (const auto& s : sliders) {
        SCOPED_TRACE(s.item);
        for (const bool right : {false, true}) {
            Headless_ResetDialogs();
            QueueSliderEnd(s.item, right);
            Headless_QueueClick(kOk);
            ASSERT_EQ(RunFilterSetupDialog(edit.get()), kUiOk);
            const int32_t want = right ? s.high : s.low;
            EXPECT_EQ(*s.field, want);
            char text[8];
            std::snprintf(text, sizeof text, "%2d", int(want));
            EXPECT_EQ(ShownText(Dialog(), s.item + 1), text);
        }
        const UiRect r = ItemPixels(s.item);
        for (int32_t v = s.low; v <= s.high; ++v)
            EXPECT_EQ(SliderValue(SliderPosition(v, r.left, r.right - r.left, s.low, s.high),
                                  r.left, r.right - r.left, s.low, s.high),
                      v);
    }
    // A radius changes the filters' reach: the window is read again with
    // the new margin.
    EXPECT_EQ(fake.margins.back(), 16);
}

// The zoom runs from 100 % to 1600 %; a press past either end changes
// nothing and reads nothing.
TEST_F(FilterSetupTest, ZoomStopsAt100And1600Percent) {
    Headless_QueueClick(kZoomOut);
    Headless_QueueCall(
        [](void* dialog, void* context) {
            EXPECT_EQ(ShownText(Headless_Model(dialog), kZoomText), "100%");
            EXPECT_EQ(static_cast<FakeHost*>(context)->areas.size(), 1u);
        },
        &fake);
    for (int32_t i = 0; i < 16; ++i) Headless_QueueClick(kZoomIn);
    Headless_QueueClick(kOk);
    ASSERT_EQ(RunFilterSetupDialog(edit.get()), kUiOk);
    EXPECT_EQ(ShownText(Dialog(), kZoomText), "1600%");
    ASSERT_EQ(fake.areas.size(), 16u) << "one read to open, one for each step up to 1600 %";
    // 178 view pixels show 11 image pixels at 1600 %, centred.
    const PassRect& last = fake.areas.back();
    EXPECT_EQ(last.right - last.left, 11);
    EXPECT_EQ(last.left, 30 + (400 * 16 - 178) / 2 / 16);
}

// Dragging the picture pans it: while the mouse moves the window shows
// unfiltered, at the release filtered; the navigator follows.
TEST_F(FilterSetupTest, DraggingThePicturePansItUnfiltered) {
    for (const int32_t bytes : {1, 2}) {
        SCOPED_TRACE(bytes);
        fake = FakeHost();
        fake.bytes = bytes;
        Headless_ResetDialogs();
        Headless_QueueTrack(kPreview, {100, 100, 80, 90, 60, 60});
        Headless_QueueClick(kOk);
        ASSERT_EQ(RunFilterSetupDialog(edit.get()), kUiOk);
        // The 400 x 300 image in a 178 x 178 view, centred, then moved by
        // the drag: 40 pixels across and down.
        ASSERT_EQ(fake.areas.size(), 3u);
        EXPECT_EQ(fake.areas[0].left, 30 + 111);
        EXPECT_EQ(fake.areas[0].top, 20 + 61);
        EXPECT_EQ(fake.areas[1].left, 30 + 131);
        EXPECT_EQ(fake.areas[2].left, 30 + 151);
        EXPECT_EQ(fake.areas[2].top, 20 + 101);
        EXPECT_EQ(fake.areas[2].right - fake.areas[2].left, 178);
        ASSERT_GE(fake.shown.size(), 3u);
        EXPECT_FALSE(fake.shown.front().unfiltered) << "opened filtered";
        EXPECT_TRUE(fake.shown[fake.shown.size() - 2].unfiltered) << "while dragging";
        EXPECT_FALSE(fake.shown.back().unfiltered) << "after the release";
        EXPECT_EQ(fake.shown.back().width, 178);
        EXPECT_EQ(fake.shown.back().col, ItemPixels(kPreview).left + 1);
        EXPECT_GE(fake.navigatorShows, 3);
    }
    // The filters off, nothing changes the pixels.
    fake = FakeHost();
    edit->pars.doSharpen = edit->pars.doRemoveNoise = 0;
    Headless_QueueClick(kOk);
    ASSERT_EQ(RunFilterSetupDialog(edit.get()), kUiOk);
    ASSERT_FALSE(fake.shown.empty());
    EXPECT_TRUE(fake.shown.back().unfiltered);
}

// A click in the navigator centres the window there, kept inside the image.
TEST_F(FilterSetupTest, TheNavigatorPlacesTheWindow) {
    const UiRect nav = ItemPixels(kNavigator);
    Headless_QueueTrack(kNavigator, {nav.left + 2, nav.top + 2});
    Headless_QueueClick(kOk);
    ASSERT_EQ(RunFilterSetupDialog(edit.get()), kUiOk);
    EXPECT_EQ(fake.navWidth, 178);
    EXPECT_EQ(fake.navHeight, 134);
    EXPECT_EQ(fake.areas.back().left, 30);
    EXPECT_EQ(fake.areas.back().top, 20);
    EXPECT_FALSE(fake.shown.back().unfiltered);

    // A document smaller than the navigator and the view: shown at its size.
    fake = FakeHost();
    SetDocument(100, 80);
    Headless_QueueClick(kOk);
    ASSERT_EQ(RunFilterSetupDialog(edit.get()), kUiOk);
    EXPECT_EQ(fake.navWidth, 100);
    EXPECT_EQ(fake.navHeight, 80);
    EXPECT_EQ(fake.areas.back().right - fake.areas.back().left, 100);
    EXPECT_EQ(fake.areas.back().bottom - fake.areas.back().top, 80);
}

TEST(FilterSetupGeometry, NavigatorFitsTheDocument) {
    const struct {
        int32_t docW, docH, navW, navH;
    } cases[] = {
        {400, 300, 178, 134},    // the box's width
        {100, 1000, 16, 157},    // the box's height
        {3000, 2000, 178, 119},  // a wide document
        {150, 100, 150, 100},    // not larger than the box: its own size
        {100, 80, 100, 80},
    };
    for (const auto& c : cases) {
        int32_t w = 0, h = 0;
        NavigatorFit(c.docW, c.docH, 178, 157, &w, &h);
        EXPECT_EQ(w, c.navW) << c.docW << " x " << c.docH;
        EXPECT_EQ(h, c.navH) << c.docW << " x " << c.docH;
    }
}

// Cancel puts back the settings exactly as they were, after every slider
// and Restore Defaults moved them; OK keeps what the sliders set.
TEST_F(FilterSetupTest, CancelRestoresTheSettingsByteForByte) {
    edit->pars.sharpenStrength = 20;
    edit->pars.noiseRadius[1] = 12;
    edit->pars.noiseThreshold[2] = 40;
    const EditPars before = edit->pars;
    for (const int32_t item : {kStrength, kBlueRadius, kBlueThreshold, kRedRadius, kRedThreshold})
        QueueSliderEnd(item, true);
    Headless_QueueClick(kRestore);
    QueueSliderEnd(kStrength, false);
    Headless_QueueClick(kCancel);
    EXPECT_EQ(RunFilterSetupDialog(edit.get()), kUiErrCancelled);
    EXPECT_EQ(std::memcmp(&edit->pars, &before, sizeof before), 0);

    // Restore Defaults sets the five values only.
    edit->pars.sharpenMode = 2;
    edit->pars.noiseFlag = 0;
    Headless_QueueClick(kRestore);
    Headless_QueueClick(kOk);
    EXPECT_EQ(RunFilterSetupDialog(edit.get()), kUiOk);
    EXPECT_EQ(edit->pars.sharpenStrength, 6);
    EXPECT_EQ(edit->pars.noiseRadius[1], 8);
    EXPECT_EQ(edit->pars.noiseThreshold[1], 16);
    EXPECT_EQ(edit->pars.noiseRadius[2], 4);
    EXPECT_EQ(edit->pars.noiseThreshold[2], 16);
    EXPECT_EQ(edit->pars.sharpenMode, 2);
    EXPECT_EQ(edit->pars.noiseFlag, 0);
    EXPECT_EQ(edit->pars.doSharpen, 1);
}

// A window that cannot be read ends the set-up: reported, nothing changed,
// everything released.
TEST_F(FilterSetupTest, AFailedSetUpEndsTheDialog) {
    fake.getStatus = kUiErrMemory;
    const EditPars before = edit->pars;
    EXPECT_EQ(RunFilterSetupDialog(edit.get()), kUiErrMemory);
    EXPECT_EQ(std::memcmp(&edit->pars, &before, sizeof before), 0);
    const std::vector<std::string> alerts = {
        "There was not enough memory available while getting preview."};
    EXPECT_EQ(AlertMessages(), alerts);
    EXPECT_EQ(Dialog()->result, kCancel);
}

TEST_F(FilterSetupTest, HelpShowsItsTopic) {
    char path[kUiPathCapacity];
    ASSERT_EQ(Ui_Help_Prepare(state, path), kUiOk);
    host.helpPath = path;
    Headless_QueueClick(kHelp);
    Headless_QueueClick(kUiHelpOk);
    Headless_QueueClick(kOk);
    EXPECT_EQ(RunFilterSetupDialog(edit.get()), kUiOk);
    const HeadlessDialog* help = Headless_LastDialog(kDialogHelp);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->Item(kUiHelpTitle)->text, "Sharpen / Remove Noise");
    std::remove(path);
}
