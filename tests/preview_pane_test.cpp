// The editor's preview pane on the headless backend, over reads that serve a
// synthetic document: what it hands the host to show, where, and what the
// clicks on it zoom, pan and sample.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "editor/editor.h"
#include "editor/editor_internal.h"
#include "engine/compile_edit_tw.h"
#include "resources/dialog_table.h"
#include "tests/support/compiled_correction.h"
#include "ui/cursor.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

// What the host was handed to show.
struct Shown {
    std::vector<uint8_t> pixels;
    int32_t channels, width, height, row, col;
};

struct ZoomRead {
    int32_t x, y;
    bool inPreview;
};

// A document of docW x docH: a flat patch at the top left, a gradient
// elsewhere. The reduced read gives every other pixel when the pane is
// smaller than the document, the document itself otherwise.
struct FakeHost {
    int32_t docW = 800, docH = 600;
    InterleavedImage doc, fitted, zoom;
    int32_t readW = 0, readH = 0;
    std::vector<ZoomRead> zoomReads;
    int32_t zoomOuts = 0;
    int32_t maskValue = -1;  // the zoom mask: -1 none, else this byte left of the middle, 0 right
    std::vector<uint8_t> mask;
    std::vector<Shown> shows;

    void Make() {
        doc = CorrectionGradient(docW, docH, 1);
        for (int32_t y = 0; y < docH / 3; ++y)
            for (int32_t x = 0; x < docW / 3; ++x) doc.SetPixel(x, y, 150, 110, 80);
    }
};
FakeHost* gFake = nullptr;

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

int32_t FakeReadReduced(EditState* e, int32_t w, int32_t h) {
    FakeHost& f = *gFake;
    f.readW = w;
    f.readH = h;
    e->filterRect = PassRect{0, 0, f.docH, f.docW};
    e->width = f.docW;
    e->height = f.docH;
    e->boxWidth = w < f.docW ? w : f.docW;
    e->boxHeight = h < f.docH ? h : f.docH;
    const bool reduced = f.docW > w || f.docH > h;
    const int32_t step = reduced ? 2 : 1;
    f.fitted = InterleavedImage(f.docW / step, f.docH / step, 1);
    for (int32_t y = 0; y < f.fitted.height; ++y)
        for (int32_t x = 0; x < f.fitted.width; ++x)
            for (int32_t c = 0; c < 3; ++c) f.fitted.Set(x, y, c, f.doc.Get(x * step, y * step, c));
    e->sourceView = f.fitted.View();
    e->previewReduced = reduced ? 1 : 0;
    return kUiOk;
}

// The window of the box's size centred on the point, kept inside the document.
int32_t FakeReadZoom(EditState* e, int32_t x, int32_t y, bool inPreview) {
    FakeHost& f = *gFake;
    f.zoomReads.push_back({x, y, inPreview});
    const int32_t cx = inPreview ? x * f.docW / f.fitted.width : x;
    const int32_t cy = inPreview ? y * f.docH / f.fitted.height : y;
    const int32_t left = Clamp(cx - e->boxWidth / 2, 0, f.docW - e->boxWidth);
    const int32_t top = Clamp(cy - e->boxHeight / 2, 0, f.docH - e->boxHeight);
    f.zoom = InterleavedImage(e->boxWidth, e->boxHeight, 1);
    for (int32_t yy = 0; yy < e->boxHeight; ++yy)
        for (int32_t xx = 0; xx < e->boxWidth; ++xx)
            for (int32_t c = 0; c < 3; ++c)
                f.zoom.Set(xx, yy, c, f.doc.Get(left + xx, top + yy, c));
    e->zoomView = f.zoom.View();
    e->zoomMask = IPImage{};
    if (f.maskValue >= 0) {
        f.mask.assign(size_t(e->boxWidth) * e->boxHeight, 0);
        for (int32_t yy = 0; yy < e->boxHeight; ++yy)
            for (int32_t xx = 0; xx < e->boxWidth / 2; ++xx)
                f.mask[size_t(yy) * e->boxWidth + xx] = uint8_t(f.maskValue);
        e->zoomMask = IPImage{kIPImageMask, 1, 1,           e->boxWidth,     e->boxHeight,
                              72.0f,        1, e->boxWidth, {f.mask.data()}, 0};
    }
    e->zoomed = 1;
    e->zoomCenterX = left + e->boxWidth / 2;
    e->zoomCenterY = top + e->boxHeight / 2;
    return kUiOk;
}

int32_t FakeZoomOut(EditState* e) {
    ++gFake->zoomOuts;
    e->zoomed = 0;
    e->zoomView = IPImage{};
    return kUiOk;
}

// The pane hands its image over in bands of rows; a band that continues
// the last one (the rows right below it, same place and size) joins it, so
// that each entry is one whole image shown.
int32_t FakeShow(const DisplayImage& image, const PassRect&, int32_t row, int32_t col, void*) {
    const size_t n = size_t(image.width) * image.height * image.channels;
    std::vector<Shown>& shows = gFake->shows;
    if (!shows.empty()) {
        Shown& last = shows.back();
        if (last.col == col && last.width == image.width && last.channels == image.channels &&
            last.row + last.height == row) {
            last.pixels.insert(last.pixels.end(), image.pixels, image.pixels + n);
            last.height += image.height;
            return kUiOk;
        }
    }
    shows.push_back({std::vector<uint8_t>(image.pixels, image.pixels + n), image.channels,
                     image.width, image.height, row, col});
    return kUiOk;
}

// The pane of the editor dialog in the headless model: 573 x 532 pixels at (1, 1).
constexpr int32_t kPaneLeft = 1, kPaneTop = 1, kPaneW = 573, kPaneH = 532;

class PreviewPaneTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    FakeHost fake;
    PreviewReads reads = {};
    PrefsRecord prefs = {};
    EditorHost host = {};
    std::unique_ptr<EditState> edit{new EditState()};

    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
        Headless_Reset();
        Headless_ResetDialogs();
        Headless_SetAlertEcho(false);
        gFake = &fake;
        reads.readReduced = FakeReadReduced;
        reads.readZoom = FakeReadZoom;
        reads.zoomOut = FakeZoomOut;
        reads.show = FakeShow;
        ASSERT_EQ(SetDefaultPrefsRecord(&prefs), kUiOk);
        host.ui = state;
        host.prefs = &prefs;
        host.reads = &reads;
        host.bytesPerSample = 1;
        InitEditState(edit.get(), CorrectionPars(false));
    }
    void TearDown() override {
        FreeEditTW(edit->transform);
        edit->transform = nullptr;
        Ui_State_Close(&state);
        gFake = nullptr;
    }
    void Run() {
        fake.Make();
        // The start stage knows the filter rectangle before the editor runs.
        edit->filterRect = PassRect{0, 0, fake.docH, fake.docW};
        EXPECT_EQ(DoEditImage(edit.get(), &host), kUiOk);
        EXPECT_EQ(Headless_AlertCount(), 0);
    }
    // A point of the fitted image (centred in the pane) in client pixels.
    static int32_t FittedX(int32_t x) { return kPaneLeft + (kPaneW - 400) / 2 + x; }
    static int32_t FittedY(int32_t y) { return kPaneTop + (kPaneH - 300) / 2 + y; }
};

// Queues a call of the test body into the running dialog.
template <typename F>
void QueueCall(F* body) {
    Headless_QueueCall([](void* dialog, void* context) { (*static_cast<F*>(context))(dialog); },
                       body);
}

// The pixels of a view, uncorrected or through the transform.
std::vector<uint8_t> Expected(const IPImage& view, const Tintwork* tw) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < view.height; ++y)
        for (int32_t x = 0; x < view.width; ++x) {
            uint8_t in[3];
            for (int32_t c = 0; c < 3; ++c)
                in[c] = static_cast<const uint8_t*>(
                    view.planes[c])[y * view.rowStride + x * view.sampleStride];
            uint16_t o[4] = {in[0], in[1], in[2], 0};
            if (tw != nullptr) {
                EXPECT_EQ(TwApplyPixel8(tw, in, o), kUiOk);
            }
            out.insert(out.end(), {uint8_t(o[0]), uint8_t(o[1]), uint8_t(o[2])});
        }
    return out;
}

TEST_F(PreviewPaneTest, ShowsTheCorrectedImageWhenPreviewIsOnOrOnTheMemoryFace) {
    // Each row: "Preview", the memory-colour face, whether the pane is corrected.
    const struct {
        uint8_t preview, memory;
        bool corrected;
    } cases[] = {{1, 0, true}, {0, 0, false}, {0, 1, true}, {1, 1, true}};
    std::vector<bool> corrected;
    struct Set {
        uint8_t preview, memory;
        void operator()(void* dialog) const {
            EditState* e = Editor_State(dialog);
            e->editor.previewOn = preview;
            e->editor.memoryMode = memory;
            Pane_Redraw(dialog);
        }
    };
    std::vector<Set> sets;
    for (const auto& c : cases) sets.push_back({c.preview, c.memory});
    std::vector<uint8_t> own, fixedUp;
    auto keep = [&](void* dialog) {
        const EditState* e = Editor_State(dialog);
        own = Expected(e->sourceView, nullptr);
        fixedUp = Expected(e->sourceView, e->transform->tintwork);
    };
    QueueCall(&keep);
    for (Set& s : sets) QueueCall(&s);
    Run();
    ASSERT_EQ(fake.shows.size(), 1 + std::size(cases));
    ASSERT_NE(own, fixedUp);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Shown& s = fake.shows[i + 1];
        EXPECT_EQ(s.pixels, cases[i].corrected ? fixedUp : own);
    }
}

TEST_F(PreviewPaneTest, SharpenShowsAtOneToOneOnly) {
    // Each entry: the pixels shown, and those of the view through the
    // transform alone.
    std::vector<std::vector<uint8_t>> plain;
    // A strong sharpen, switched on by the editor's own check box.
    auto strength = [&](void* dialog) {
        EditState* e = Editor_State(dialog);
        e->pars.sharpenStrength = 20;
        e->pars.sharpenMode = -1;
    };
    auto keep = [&](void* dialog) {
        const EditState* e = Editor_State(dialog);
        plain.push_back(Expected(e->zoomed ? e->zoomView : e->sourceView, e->transform->tintwork));
    };
    QueueCall(&strength);
    Headless_QueueClick(kItemSharpen);
    QueueCall(&keep);
    Headless_QueueTrack(kItemPane, {FittedX(200), FittedY(150)}, kHeadlessAlt);
    QueueCall(&keep);
    Run();
    ASSERT_EQ(plain.size(), 2u);
    ASSERT_GE(fake.shows.size(), 3u);
    EXPECT_EQ(fake.shows[1].pixels, plain[0]) << "the reduced view is shown unsharpened";
    EXPECT_EQ(fake.shows.back().width, kPaneW - 2);
    EXPECT_NE(fake.shows.back().pixels, plain[1]) << "the 1:1 view is shown sharpened";
}

TEST_F(PreviewPaneTest, TheImageIsCentredAndFramedAndTheRestErased) {
    Run();
    ASSERT_EQ(fake.readW, kPaneW - 2);
    ASSERT_EQ(fake.readH, kPaneH - 2);
    ASSERT_EQ(fake.shows.size(), 1u);
    const Shown& s = fake.shows[0];
    EXPECT_EQ(s.width, 400);
    EXPECT_EQ(s.height, 300);
    EXPECT_EQ(s.col, FittedX(0));
    EXPECT_EQ(s.row, FittedY(0));
    const HeadlessDialog* d = Headless_LastDialog(kDialogEditor);
    ASSERT_NE(d, nullptr);
    int32_t frames = 0;
    int64_t erased = 0;
    for (const HeadlessDrawOp& op : d->Item(kItemPane)->draws) {
        ASSERT_EQ(op.op, 'R');
        if (op.flags == 0) {
            ++frames;
            EXPECT_EQ(op.rect.left, FittedX(-1));
            EXPECT_EQ(op.rect.top, FittedY(-1));
            EXPECT_EQ(op.rect.right, FittedX(401));
            EXPECT_EQ(op.rect.bottom, FittedY(301));
        } else {
            erased += int64_t(op.rect.right - op.rect.left) * (op.rect.bottom - op.rect.top);
        }
    }
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(erased, int64_t(kPaneW) * kPaneH - 402 * 302);
}

TEST_F(PreviewPaneTest, AHostWithoutDisplayPixelsLeavesThePaneBlankWithoutAnError) {
    reads.show = nullptr;
    Run();
    EXPECT_TRUE(fake.shows.empty());
    const HeadlessDialog* d = Headless_LastDialog(kDialogEditor);
    EXPECT_FALSE(d->Item(kItemPane)->draws.empty());
}

TEST_F(PreviewPaneTest, AltClicksZoomInsideTheImageOnly) {
    // Outside the image, inside the pane: no zoom.
    Headless_QueueTrack(kItemPane, {FittedX(200), FittedY(-20)}, kHeadlessAlt);
    // At (100, 50) of the fitted image: 1:1 there.
    Headless_QueueTrack(kItemPane, {FittedX(100), FittedY(50)}, kHeadlessAlt);
    bool zoomed = false;
    auto zoomedIn = [&](void* dialog) { zoomed = Editor_State(dialog)->zoomed != 0; };
    QueueCall(&zoomedIn);
    // Anywhere on the 1:1 image: back to the fitted view.
    Headless_QueueTrack(kItemPane, {300, 300}, kHeadlessAlt);
    Run();
    EXPECT_TRUE(zoomed);
    ASSERT_EQ(fake.zoomReads.size(), 1u);
    EXPECT_EQ(fake.zoomReads[0].x, 100);
    EXPECT_EQ(fake.zoomReads[0].y, 50);
    EXPECT_TRUE(fake.zoomReads[0].inPreview);
    EXPECT_EQ(fake.zoomOuts, 1);
    EXPECT_EQ(edit->zoomed, 0);
    // The 1:1 view was shown, then the fitted one again.
    ASSERT_GE(fake.shows.size(), 3u);
    EXPECT_EQ(fake.shows[fake.shows.size() - 2].width, kPaneW - 2);
    EXPECT_EQ(fake.shows.back().width, 400);
}

TEST_F(PreviewPaneTest, TheOneToOneViewIsMeasuredOnItsOwnSelection) {
    // Each row: the mask byte left of the middle (0 right of it), the pixels
    // selected while zoomed (-1: no selection, the whole window measured).
    const struct {
        int32_t mask;
        int64_t selected;
    } cases[] = {{255, 285 * 530}, {129, 285 * 530}, {128, -1}, {-1, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        fake.maskValue = c.mask;
        InitEditState(edit.get(), CorrectionPars(false));
        int64_t selected = -2;
        auto count = [&](void* dialog) {
            const SelectionMask& m = Editor_State(dialog)->editor.pane.zoomSelection;
            selected = m.bits == nullptr ? -1 : 0;
            for (int32_t y = 0; m.bits != nullptr && y < m.height; ++y)
                for (int32_t x = 0; x < m.width; ++x) selected += SelectionMaskHas(&m, x, y);
        };
        Headless_QueueTrack(kItemPane, {FittedX(200), FittedY(150)}, kHeadlessAlt);
        QueueCall(&count);
        Headless_QueueTrack(kItemPane, {300, 300}, kHeadlessAlt);
        Run();
        EXPECT_EQ(selected, c.selected);
        EXPECT_EQ(edit->editor.pane.zoomSelection.bits, nullptr) << "released at the zoom out";
        FreeEditTW(edit->transform);
        edit->transform = nullptr;
    }
}

TEST_F(PreviewPaneTest, APanEndingOutsideKeepsTheLastOffsetReachedInside) {
    Headless_QueueTrack(kItemPane, {FittedX(200), FittedY(150)}, kHeadlessAlt);
    int32_t inX = 0, inY = 0;
    auto zoomIn = [&](void* dialog) {
        inX = Editor_State(dialog)->zoomCenterX;
        inY = Editor_State(dialog)->zoomCenterY;
    };
    QueueCall(&zoomIn);
    // Dragged 30 left and 20 up inside, then 40 more on the way out.
    Headless_QueueTrack(kItemPane, {300, 300, 290, 290, 270, 280, 700, 240}, kHeadlessCtrl);
    Run();
    const PaneState& pane = edit->editor.pane;
    EXPECT_EQ(pane.panX, 30);
    EXPECT_EQ(pane.panY, 20);
    EXPECT_EQ(pane.panning, 0);
    ASSERT_GE(fake.zoomReads.size(), 3u);
    const ZoomRead& last = fake.zoomReads.back();
    EXPECT_FALSE(last.inPreview);
    EXPECT_EQ(last.x, inX + 30);
    EXPECT_EQ(last.y, inY + 20);
    EXPECT_EQ(edit->zoomCenterX, inX + 30);
}

TEST_F(PreviewPaneTest, AMainFaceClickSamplesTheCurrentColourAndFlashesTheRegionOnce) {
    for (const uint8_t flash : {uint8_t(0), uint8_t(1)}) {
        SCOPED_TRACE(int(flash));
        prefs.showSampledRegion = flash;
        fake.shows.clear();
        InitEditState(edit.get(), CorrectionPars(false));
        auto slot = [](void* dialog) { Editor_State(dialog)->editor.currentColour = 4; };
        QueueCall(&slot);
        Headless_QueueTrack(kItemPane, {FittedX(20), FittedY(20)});
        auto again = [](void* dialog) { Pane_Redraw(dialog); };
        QueueCall(&again);
        Run();
        uint32_t samples = 0;
        for (const MemorySample& s : edit->pars.customBinColors[4].samplesBin) samples += s.count;
        // The flat patch of the fitted image, 133 x 100, grown from the click.
        EXPECT_GT(samples, 13000u);
        EXPECT_LE(samples, 13300u);
        ASSERT_EQ(fake.shows.size(), 3u);
        auto blue = [](const Shown& s) {
            uint32_t n = 0;
            for (size_t p = 0; p < s.pixels.size(); p += 3)
                n += s.pixels[p] == 0 && s.pixels[p + 1] == 0 && s.pixels[p + 2] == 255;
            return n;
        };
        EXPECT_EQ(blue(fake.shows[1]), flash ? samples : 0u);
        EXPECT_EQ(blue(fake.shows[2]), 0u);
        FreeEditTW(edit->transform);
        edit->transform = nullptr;
    }
}

TEST_F(PreviewPaneTest, CursorsFollowTheKeysAndTheOutlineComesOffWithoutARedraw) {
    // Each step: where the mouse is (a key event on that item moves it to the
    // item's centre), the keys held when the cursor is set, and what shows.
    struct Step {
        int32_t item;
        bool alt, ctrl;
        int32_t cursor;
        int32_t outlines;  // inverted outlines drawn into the pane so far
        int32_t highlighted;
    };
    static const Step kSteps[] = {
        {kItemPane, true, false, kUiCursorZoomIn, 1, 0},
        {kItemPane, true, false, kUiCursorZoomIn, 1, 0},       // where it was: left alone
        {kItemPane, false, false, kUiCursorEyedropper, 2, 0},  // drawn again: removed
        {kItemNeutral, false, false, kUiCursorArrow, 2, kItemNeutral},
        {kItemPane, false, true, kUiCursorEyedropper, 2, 0},
    };
    struct Check {
        const Step* step;
        void operator()(void* dialog) const {
            Headless_SetKeyDown(kPlatKeyAlt, step->alt);
            Headless_SetKeyDown(kPlatKeyControl, step->ctrl);
            Pane_Cursor(dialog);
            std::vector<UiRect> outlines;
            for (const HeadlessDrawOp& op : Headless_Model(dialog)->Item(kItemPane)->draws)
                if (op.op == 'X') outlines.push_back(op.rect);
            const PaneState& pane = Editor_State(dialog)->editor.pane;
            EXPECT_EQ(Headless_Cursor(), step->cursor);
            EXPECT_EQ(int32_t(outlines.size()), step->outlines);
            EXPECT_EQ(pane.highlightedButton, step->highlighted);
            // The 1:1 window of 571 x 530 document pixels, in fitted pixels.
            for (const UiRect& r : outlines) {
                EXPECT_EQ(r.right - r.left, 286);
                EXPECT_EQ(r.bottom - r.top, 265);
            }
        }
    };
    std::vector<Check> checks;
    for (const Step& step : kSteps) checks.push_back({&step});
    for (Check& check : checks) {
        Headless_QueueCommand(check.step->item, 0);
        QueueCall(&check);
    }
    Run();
}

TEST_F(PreviewPaneTest, TheLargestWindowGrowsThePaneToTheDocumentAndMovesTheOtherItems) {
    Run();
    const HeadlessDialog* plain = Headless_LastDialog(kDialogEditor);
    const UiRect ok = plain->Item(kItemOK)->rect, popup = plain->Item(kItemCustomPopup)->rect;
    FreeEditTW(edit->transform);
    edit->transform = nullptr;
    // A work area with room for the whole 800 x 600 document at full size.
    prefs.useLargestWindow = 1;
    const PassRect target = {0, 0, 1000, 1400};
    host.largestTarget = &target;
    InitEditState(edit.get(), CorrectionPars(false));
    Run();
    const HeadlessDialog* large = Headless_LastDialog(kDialogEditor);
    const UiRect pane = large->Item(kItemPane)->rect;
    EXPECT_EQ(fake.readW, 800);
    EXPECT_EQ(fake.readH, 600);
    EXPECT_EQ(edit->previewReduced, 0);
    const int32_t dx = pane.right - pane.left - kPaneW, dy = pane.bottom - pane.top - kPaneH;
    EXPECT_EQ(dx, 802 - kPaneW);
    EXPECT_EQ(dy, 602 - kPaneH);
    for (const auto& [item, before] :
         {std::pair{kItemOK, ok}, std::pair{kItemCustomPopup, popup}}) {
        const UiRect after = large->Item(item)->rect;
        EXPECT_EQ(after.left - before.left, dx) << item;
        EXPECT_EQ(after.top - before.top, dy / 2) << item;
    }
}

}  // namespace
