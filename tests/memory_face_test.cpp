// The memory-colour face of the editor on the headless backend: names,
// strips and arrows, the eyedropper and its limit, the undo level, Clear and
// Restore, the picker, and definitions saved, loaded and imported from files.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor.h"
#include "engine/edit_pars.h"
#include "host/colour_picker.h"
#include "host/module_state.h"
#include "host/sdk_constants.h"
#include "host/sdk_types.h"
#include "resources/dialog_table.h"
#include "tests/support/fake_preview.h"
#include "tests/support/test_support.h"
#include "ui/allocator.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ---- A fake preview: a warm patch on the left, a cool one on the right ----------

constexpr int32_t kViewWidth = 120;
constexpr int32_t kViewHeight = 90;

const Bytes& ViewPixels() {
    static const Bytes pixels = [] {
        Bytes p(size_t(kViewWidth * kViewHeight * 3));
        for (int32_t y = 0; y < kViewHeight; ++y)
            for (int32_t x = 0; x < kViewWidth; ++x) {
                const bool warm = x < kViewWidth / 2;
                const int32_t shade = y / 3;  // a gentle ramp, 0 .. 29
                const uint8_t rgb[3] = {uint8_t(warm ? 170 + shade : 60 + shade),
                                        uint8_t(warm ? 120 + shade : 110 + shade),
                                        uint8_t(warm ? 90 + shade : 170 + shade)};
                for (int32_t c = 0; c < 3; ++c) p[size_t((y * kViewWidth + x) * 3 + c)] = rgb[c];
            }
        return p;
    }();
    return pixels;
}

// ---- The host's picker ------------------------------------------------------------

struct FakePicker {
    int32_t status = kUiOk;
    uint8_t answer[3] = {};
    std::string prompt;
    std::vector<int32_t> offered;  // the starting colour
} gPicker;

int32_t FakePick(const char* prompt, uint8_t rgb[3]) {
    gPicker.prompt = prompt;
    gPicker.offered.assign(rgb, rgb + 3);
    if (gPicker.status == kUiOk) std::memcpy(rgb, gPicker.answer, 3);
    return gPicker.status;
}

// Items and places of the dialog (client pixels: x * 3 / 2, y * 13 / 8).
enum : int32_t {
    kAlertOk = 1,
    kCancel = 2,
    kPane = 4,
    kPopup = 9,
    kModify = 21,
    kName = 30,
    kHueRadio = 31,
    kChromaRadio = 32,
    kDHueRadio = 33,
    kHueStrip = 37,
    kChromaStrip = 38,
    kPicker = 39,
    kImport = 40,
    kLoad = 41,
    kSave = 42,
    kFaceUndo = 43,
    kClear = 44,
    kFaceCancel = 45,
    kFaceSave = 46,
};
constexpr int32_t kStripLeft = 586;  // both strips, 180 pixels wide
constexpr int32_t kStripCentre = 676;
constexpr int32_t kHueRowTop = 200;  // above the lowest quarter: the Hue handle
constexpr int32_t kHueRowLow = 255;  // in the lowest quarter: the dHue handle
constexpr int32_t kChromaRow = 325;
constexpr int32_t kPaneCentreX = 287;  // the image, 120 x 90, is centred in the pane
constexpr int32_t kPaneCentreY = 266;
constexpr int32_t kLeft = 0x25;
constexpr int32_t kRight = 0x27;

// What a queued look saw of the running dialog.
struct Look {
    int32_t current;
    uint32_t samples;
    MemoryColorBin bins[kMemoryColorBins];
    bool undoEnabled;
    std::string clearLabel;
    std::vector<std::string> popup;
    bool popupShown;
    int32_t slider;
};

class MemoryFaceTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    PrefsRecord prefs = {};
    std::unique_ptr<EditState> edit{new EditState()};
    EditorHost host = {};
    std::string folder;
    std::vector<Look> looks;

    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
        ASSERT_EQ(SetDefaultPrefsRecord(&prefs), kUiOk);
        gFakePreview = FakePreviewPicture{ViewPixels().data(), kViewWidth, kViewHeight};
        InitEditState(edit.get(), prefs.previous);
        std::strcpy(edit->title, "beach.tif");
        host = EditorHost{state, &prefs, &kFakePreviewReads, 0, 1, 0, "", nullptr, FakePick};
        folder = MakeTempFolder("memory-face");
        gPicker = FakePicker();
        Headless_ResetDialogs();
        Headless_ClearAlerts();
    }
    void TearDown() override {
        FreeEditTW(edit->transform);
        edit->transform = nullptr;
        Ui_State_Close(&state);
    }
    // A fresh run from the default settings (a run stores its settings as
    // the previous ones).
    void Restart() {
        FreeEditTW(edit->transform);
        Headless_ResetDialogs();
        Headless_ClearAlerts();
        looks.clear();
        EditPars defaults = {};
        ASSERT_EQ(SetDefaultEditPars(&defaults, kDefaultPredefinedBins), kUiOk);
        InitEditState(edit.get(), defaults);
    }
    // Runs the editor over the queued events, ended by the main face's Cancel.
    void Run() {
        Headless_QueueClick(kCancel);
        EXPECT_EQ(DoEditImage(edit.get(), &host), kUiErrCancelled);
    }
    // Enters the face and makes a custom slot current by its Ctrl digit.
    static void EnterWithSlot(int32_t slot) {
        Headless_QueueClick(kModify);
        Headless_QueueKey(0, '0' + (slot + 1) % 10, kHeadlessCtrl);
    }
    static void Sample(int32_t dx, int32_t dy) {
        Headless_QueueTrack(kPane, {kPaneCentreX + dx, kPaneCentreY + dy});
    }
    void QueueLook() {
        Headless_QueueCall(
            [](void* dialog, void* context) {
                const EditState* e = static_cast<EditState*>(Ui_Dlg_UserData(dialog));
                const HeadlessDialog* m = Headless_Model(dialog);
                Look look = {};
                look.current = e->editor.currentColour;
                look.samples = e->editor.sampleCount;
                std::memcpy(look.bins, e->pars.customBinColors, sizeof look.bins);
                look.undoEnabled = m->Item(kFaceUndo)->enabled;
                look.clearLabel = m->Item(kClear)->text;
                look.popup = m->Item(kPopup)->entries;
                look.popupShown = m->Item(kPopup)->visible;
                look.slider = e->editor.activeSlider;
                static_cast<std::vector<Look>*>(context)->push_back(look);
            },
            &looks);
    }
    const MemoryColorBin& Bin(int32_t slot) const { return edit->pars.customBinColors[slot]; }
    const HeadlessDialog* Editor() const { return Headless_LastDialog(kDialogEditor); }
};

std::string LastAlertText() {
    const HeadlessDialog* alert = Headless_LastDialog(kDialogAlert);
    return alert != nullptr ? alert->Item(3)->text : "<no alert>";
}

void ExpectSameDefinition(const MemoryColorBin& a, const MemoryColorBin& b, const char* what) {
    EXPECT_EQ(a.haveDef, b.haveDef) << what;
    EXPECT_STREQ(a.name, b.name) << what;
    EXPECT_FLOAT_EQ(a.fcn.baseHue, b.fcn.baseHue) << what;
    EXPECT_FLOAT_EQ(a.fcn.maxChroma, b.fcn.maxChroma) << what;
    EXPECT_FLOAT_EQ(a.fcn.dHdL, b.fcn.dHdL) << what;
}

// Typed names keep the printable characters, at most 19 of them; others
// become blanks and an empty name a single blank. The pop-up follows.
TEST_F(MemoryFaceTest, TypedNamesAreStoredPrintable) {
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"Caf\xE9 au lait", "Caf  au lait"},
        {"", " "},
        {"Sky\tblue", "Sky blue"},
        {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrs"},
    };
    EnterWithSlot(3);
    for (const auto& c : cases) {
        Headless_QueueText(kName, c.typed);
        QueueLook();
    }
    Headless_QueueClick(kFaceSave);
    Run();
    ASSERT_EQ(looks.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_STREQ(looks[i].bins[3].name, cases[i].stored) << i;
        EXPECT_EQ(looks[i].popup.at(1), std::string(cases[i].stored) + "\tCtrl+4") << i;
        EXPECT_TRUE(looks[i].undoEnabled) << i;
    }
    EXPECT_STREQ(Bin(3).name, "abcdefghijklmnopqrs");
}

// The strips follow the mouse with their clamping and rounding; the arrows
// step the active slider. Hue starts at 0 (strip from 270) on a fresh slot.
TEST_F(MemoryFaceTest, StripsAndArrowsSetTheDefinition) {
    const struct {
        const char* what;
        std::vector<int32_t> keysOrNone;  // arrows after the track
        int32_t item;
        std::vector<int32_t> xy;
        float hue, chroma, dHdL;
        int32_t slider;
    } cases[] = {
        {"hue right of the centre",
         {},
         kHueStrip,
         {kStripLeft + 100, kHueRowTop},
         10,
         50,
         0,
         kHueRadio},
        {"hue left of the strip clamps",
         {},
         kHueStrip,
         {kStripLeft - 40, kHueRowTop},
         270,
         50,
         0,
         kHueRadio},
        {"hue then arrows",
         {kLeft, kLeft, kLeft},
         kHueStrip,
         {kStripLeft + 90, kHueRowTop},
         357,
         50,
         0,
         kHueRadio},
        {"dHue 5 pixels a tenth, left positive",
         {},
         kHueStrip,
         {kStripCentre - 12, kHueRowLow},
         0,
         50,
         0.2f,
         kDHueRadio},
        {"dHue clamps at 50 pixels",
         {},
         kHueStrip,
         {kStripCentre + 300, kHueRowLow},
         0,
         50,
         -1.0f,
         kDHueRadio},
        {"dHue arrows: left raises",
         {kLeft, kLeft, kRight},
         kHueStrip,
         {kStripCentre, kHueRowLow},
         0,
         50,
         0.1f,
         kDHueRadio},
        {"chroma across the strip",
         {},
         kChromaStrip,
         {kStripLeft + 200, kChromaRow, kStripLeft + 45, kChromaRow},
         0,
         25,
         0,
         kChromaRadio},
        {"chroma arrows clamp",
         {kRight, kRight},
         kChromaStrip,
         {kStripLeft + 179, kChromaRow},
         0,
         100,
         0,
         kChromaRadio},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        EnterWithSlot(2);
        Headless_QueueTrack(c.item, c.xy);
        for (const int32_t key : c.keysOrNone) Headless_QueueKey(0, key);
        QueueLook();
        Headless_QueueClick(kFaceSave);
        Run();
        ASSERT_EQ(looks.size(), 1u);
        const MemoryColorFcn& f = looks[0].bins[2].fcn;
        EXPECT_FLOAT_EQ(f.baseHue, c.hue);
        EXPECT_FLOAT_EQ(f.maxChroma, c.chroma);
        EXPECT_NEAR(f.dHdL, c.dHdL, 1e-6);
        EXPECT_EQ(looks[0].slider, c.slider);
    }
}

// Five eyedropper samples are taken, the sixth is refused with the message.
// Undo after a sample brings back the definition and the sample count; after
// a strip drag it leaves the count.
TEST_F(MemoryFaceTest, EyedropperSamplesAndTheirUndo) {
    EnterWithSlot(2);
    QueueLook();
    const int32_t points[5][2] = {{-40, -20}, {-35, 0}, {-45, 20}, {-30, 30}, {-50, -30}};
    for (const auto& p : points) {
        Sample(p[0], p[1]);
        QueueLook();
    }
    Sample(-40, 10);  // the sixth
    Headless_QueueClick(kAlertOk);
    QueueLook();
    Headless_QueueKey(0, 'Z', kHeadlessCtrl);
    QueueLook();
    Headless_QueueTrack(kChromaStrip, {kStripLeft + 18, kChromaRow});
    QueueLook();
    Headless_QueueClick(kFaceUndo);
    QueueLook();
    Headless_QueueClick(kFaceSave);
    Run();
    ASSERT_EQ(looks.size(), 10u);
    for (uint32_t i = 0; i <= 5; ++i) EXPECT_EQ(looks[i].samples, i);
    EXPECT_FLOAT_EQ(looks[0].bins[2].fcn.maxChroma, 50.0f) << "the fresh definition";
    EXPECT_NE(looks[1].bins[2].fcn.maxChroma, 50.0f) << "the first sample fits the warm patch";
    EXPECT_GT(looks[5].bins[2].fcn.baseHue, 20.0f);
    EXPECT_LT(looks[5].bins[2].fcn.baseHue, 90.0f);

    EXPECT_EQ(LastAlertText(),
              "A maximum of 5 eye dropper samples is allowed for each memory color definition.");
    EXPECT_EQ(looks[6].samples, 5u);
    ExpectSameDefinition(looks[6].bins[2], looks[5].bins[2], "the sixth changes nothing");

    EXPECT_EQ(looks[7].samples, 4u) << "undo of a sample";
    ExpectSameDefinition(looks[7].bins[2], looks[4].bins[2], "undo of a sample");
    EXPECT_FALSE(looks[7].undoEnabled);

    EXPECT_FLOAT_EQ(looks[8].bins[2].fcn.maxChroma, 10.0f);
    EXPECT_TRUE(looks[8].undoEnabled);
    EXPECT_EQ(looks[9].samples, 4u) << "undo of a drag leaves the count";
    ExpectSameDefinition(looks[9].bins[2], looks[7].bins[2], "undo of a drag");
}

// A sample whose fit fails is reported and does not count against the five:
// the definition and the count stay, the next sample fits from its own point.
TEST_F(MemoryFaceTest, AFailedSampleDoesNotCount) {
    EnterWithSlot(2);
    QueueLook();
    Headless_QueueCall([](void*, void*) { Ui_Mem_InjectFailure(1, false); }, nullptr);
    Sample(-40, 0);
    Headless_QueueClick(kAlertOk);
    QueueLook();
    Sample(-40, 0);
    QueueLook();
    Headless_QueueClick(kFaceSave);
    Run();
    Ui_Mem_InjectFailure(0, false);
    ASSERT_EQ(looks.size(), 3u);
    EXPECT_EQ(LastAlertText(), "There was not enough memory available while sampling image.");
    EXPECT_EQ(looks[1].samples, 0u);
    ExpectSameDefinition(looks[1].bins[2], looks[0].bins[2], "the failed sample");
    EXPECT_EQ(looks[2].samples, 1u);
    EXPECT_NE(looks[2].bins[2].fcn.maxChroma, 50.0f);
}

// Clear empties a custom slot and steps down to the next lower defined one,
// wrapping from 2 to 9, or to Skin; Restore brings back Neutral's built-in
// definition. Cancel then restores every slot's name and definition.
TEST_F(MemoryFaceTest, ClearRestoreAndCancel) {
    EditPars& start = prefs.previous;
    const MemoryColorBin builtInNeutral = start.customBinColors[0];
    start.customBinColors[0].fcn.baseHue = 40.0f;
    start.customBinColors[0].fcn.maxChroma = 12.0f;
    std::strcpy(start.customBinColors[0].name, "Greys");
    for (const int32_t s : {3, 7}) {
        MemoryColorBin& bin = start.customBinColors[s];
        bin.haveDef = 1;
        bin.fcn = MemoryColorFcn{30.0f + s, 100.0f + s, 0.1f * s};
        std::snprintf(bin.name, sizeof bin.name, "Colour %d", int(s));
    }
    InitEditState(edit.get(), start);
    const EditPars before = edit->pars;

    Headless_QueueClick(kModify);
    Headless_QueueKey(0, '4', kHeadlessCtrl);  // slot 3
    Headless_QueueClick(kClear);               // down from 3: 2, 9, 8, then 7
    QueueLook();
    Headless_QueueClick(kClear);  // the only one left: Skin
    QueueLook();
    Headless_QueueKey(0, '1', kHeadlessCtrl);  // Neutral
    Headless_QueueClick(kClear);
    QueueLook();
    Headless_QueueClick(kFaceCancel);
    Run();
    ASSERT_EQ(looks.size(), 3u);
    EXPECT_EQ(looks[0].current, 7);
    EXPECT_EQ(looks[0].bins[3].haveDef, 0);
    EXPECT_STREQ(looks[0].bins[3].name, " ");
    EXPECT_EQ(looks[0].clearLabel, "Clear");
    EXPECT_EQ(looks[1].current, 1) << "Skin when no custom slot is left";
    EXPECT_EQ(looks[1].clearLabel, "Restore");
    EXPECT_FALSE(looks[1].popupShown);
    EXPECT_EQ(looks[2].current, 0);
    ExpectSameDefinition(looks[2].bins[0], builtInNeutral, "Restore");

    for (int32_t s = 0; s < kMemoryColorBins; ++s) {
        SCOPED_TRACE(s);
        ExpectSameDefinition(Bin(s), before.customBinColors[s], "after Cancel");
    }
}

// Ctrl+0 on the face selects slot 9 even undefined and defines it afresh,
// named "10".
TEST_F(MemoryFaceTest, CtrlZeroDefinesTheTenthSlot) {
    Headless_QueueClick(kModify);
    Headless_QueueKey(0, '0', kHeadlessCtrl);
    QueueLook();
    Headless_QueueClick(kFaceSave);
    Run();
    ASSERT_EQ(looks.size(), 1u);
    EXPECT_EQ(looks[0].current, 9);
    EXPECT_EQ(looks[0].bins[9].haveDef, 1);
    EXPECT_STREQ(looks[0].bins[9].name, "10");
    EXPECT_FLOAT_EQ(looks[0].bins[9].fcn.maxChroma, 50.0f);
    EXPECT_TRUE(looks[0].popupShown);
    EXPECT_EQ(looks[0].popup.at(7), "10\tCtrl+0");
    EXPECT_EQ(Editor()->Item(kName)->text, "10");
}

// The picker starts from the definition's colour (mid grey for Neutral's
// grey) with the prompt; its colour becomes the definition. A cancel or a
// host without a picker changes nothing, the undo level included.
TEST_F(MemoryFaceTest, ThePickerOfTheHost) {
    const struct {
        const char* what;
        int32_t status;
        bool hostHasPicker;
        bool changed;
        const char* alert;
    } cases[] = {
        {"chosen", kUiOk, true, true, nullptr},
        {"cancelled", kUiErrCancelled, true, false, nullptr},
        {"no picker", kUiOk, false, false,
         "An unsupported feature was encountered while editing color."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        gPicker = FakePicker();
        gPicker.status = c.status;
        const uint8_t blue[3] = {40, 80, 200};
        std::memcpy(gPicker.answer, blue, 3);
        host.pickColour = c.hostHasPicker ? FakePick : nullptr;
        EnterWithSlot(2);
        QueueLook();
        Headless_QueueClick(kPicker);
        if (c.alert != nullptr) Headless_QueueClick(kAlertOk);
        QueueLook();
        Headless_QueueClick(kFaceSave);
        Run();
        ASSERT_EQ(looks.size(), 2u);
        if (c.hostHasPicker) {
            EXPECT_EQ(gPicker.prompt, "Pick a color.");
            ASSERT_EQ(gPicker.offered.size(), 3u);
        }
        EXPECT_EQ(looks[1].undoEnabled, c.changed);
        if (c.changed) {
            EXPECT_GT(looks[1].bins[2].fcn.baseHue, 200.0f);
            EXPECT_LT(looks[1].bins[2].fcn.baseHue, 320.0f);
        } else {
            ExpectSameDefinition(looks[1].bins[2], looks[0].bins[2], "unchanged");
        }
        if (c.alert != nullptr) {
            EXPECT_EQ(LastAlertText(), c.alert);
        }
    }
    // Neutral at lightness 50 is mid grey.
    Restart();
    gPicker = FakePicker();
    gPicker.status = kUiErrCancelled;
    host.pickColour = FakePick;
    Headless_QueueClick(kModify);
    Headless_QueueClick(kPicker);
    Headless_QueueClick(kFaceSave);
    Run();
    ASSERT_EQ(gPicker.offered.size(), 3u);
    EXPECT_NEAR(gPicker.offered[0], 119, 2);
    EXPECT_EQ(gPicker.offered[0], gPicker.offered[1]);
    EXPECT_EQ(gPicker.offered[1], gPicker.offered[2]);
}

// A definition saved to a file, taken back by Cancel, comes back by Load.
TEST_F(MemoryFaceTest, SaveCancelAndLoadBack) {
    const std::string path = folder + "mine.txt";
    EnterWithSlot(2);
    Headless_QueueClick(kHueRadio);
    for (int32_t i = 0; i < 3; ++i) Headless_QueueKey(0, kRight);
    Headless_QueueTrack(kChromaStrip, {kStripLeft + 63, kChromaRow});
    Headless_QueueText(kName, "Mine");
    QueueLook();
    Headless_QueueClick(kSave);
    Headless_QueueFileDialogAnswer(path.c_str());
    Headless_QueueClick(kFaceCancel);
    EnterWithSlot(2);
    QueueLook();
    Headless_QueueClick(kLoad);
    Headless_QueueFileDialogAnswer(path.c_str());
    QueueLook();
    Headless_QueueClick(kFaceSave);
    Run();
    ASSERT_EQ(looks.size(), 3u);
    EXPECT_FLOAT_EQ(looks[0].bins[2].fcn.baseHue, 3.0f);
    EXPECT_FLOAT_EQ(looks[0].bins[2].fcn.maxChroma, 35.0f);
    EXPECT_STREQ(looks[1].bins[2].name, "3") << "Cancel took the definition back";
    ExpectSameDefinition(looks[2].bins[2], looks[0].bins[2], "loaded back");
    EXPECT_TRUE(looks[2].undoEnabled);

    ASSERT_EQ(Headless_FileDialogCount(), 2);
    const HeadlessFileDialog* save = Headless_FileDialog(0);
    EXPECT_TRUE(save->save);
    EXPECT_STREQ(save->prompt, "Save Mine as:");
    EXPECT_STREQ(save->initial, "Mine");
    const HeadlessFileDialog* load = Headless_FileDialog(1);
    EXPECT_FALSE(load->save);
    EXPECT_STREQ(load->prompt, "Load Memory Color");
    for (const HeadlessFileDialog* d : {save, load})
        EXPECT_EQ(std::string(d->filter, 12), std::string("Text (*.txt)"));
}

// Import reads CIE measurements into the slot and names it after the file
// (kept to 19 printable characters);
// skipped measurements are told in a warning; a bad file is reported with
// the file's name and leaves the slot as it was.
TEST_F(MemoryFaceTest, ImportOfMeasurements) {
    const struct {
        const char* file;
        const char* name;
        const char* text;
        bool good;
        const char* alert;
    } cases[] = {
        {"leaves.txt", "leaves.txt",
         "LCHab\n50 30 120\n60 35 125\n55 -2 121\n40 25 118\n45 -4 120\n", true,
         "2 invalid measurements were skipped."},
        {"caf\xE9 leaves, autumn.txt", "caf  leaves, autumn", "LCHab\n50 30 120\n60 35 125\n", true,
         nullptr},
        {"bad.txt", "", "Lib\n50 30 120\n", false,
         "A data format error occurred while importing bad.txt."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Restart();
        const std::string path = folder + c.file;
        ASSERT_TRUE(WriteWholeFile(path, Bytes(c.text, c.text + std::strlen(c.text))));
        EnterWithSlot(4);
        QueueLook();
        Headless_QueueClick(kImport);
        Headless_QueueFileDialogAnswer(path.c_str());
        if (c.alert != nullptr) Headless_QueueClick(kAlertOk);
        QueueLook();
        Headless_QueueClick(kFaceSave);
        Run();
        ASSERT_EQ(looks.size(), 2u);
        EXPECT_STREQ(Headless_FileDialog(0)->prompt, "Import CIE Measurements");
        const MemoryColorBin& bin = looks[1].bins[4];
        if (c.good) {
            EXPECT_STREQ(bin.name, c.name);
            EXPECT_NEAR(bin.fcn.baseHue, 121.0f, 3.0f);
            EXPECT_EQ(looks[1].popup.at(2), std::string(c.name) + "\tCtrl+5");
        } else {
            ExpectSameDefinition(bin, looks[0].bins[4], "a bad file changes nothing");
        }
        if (c.alert != nullptr) {
            EXPECT_EQ(LastAlertText(), c.alert);
        } else {
            EXPECT_EQ(Headless_LastDialog(kDialogAlert), nullptr);
        }
    }
}

// The host's picker: the prompt as a Pascal string, RGB in and out, the
// chosen colour limited to 0 .. 255; a cancel or a host without colour
// services leaves the colour.
struct SeenServices {
    ColorServicesInfo info;
    std::string prompt;
    OSErr answer;
    int16_t chosen[3];
} gServices;

OSErr FakeColorServices(ColorServicesInfo* info) {
    gServices.info = *info;
    const unsigned char* p = *info->selectorParameter.pickerPrompt;
    gServices.prompt.assign(reinterpret_cast<const char*>(p + 1), p[0]);
    if (gServices.answer == noErr)
        for (int k = 0; k < 3; ++k) info->colorComponents[k] = gServices.chosen[k];
    return gServices.answer;
}

TEST(HostPicker, ColourServicesOfTheFilterRecord) {
    const struct {
        bool services;
        OSErr answer;
        int32_t status;
        uint8_t expected[3];
    } cases[] = {
        {true, noErr, kUiOk, {0, 90, 255}},
        {true, userCanceledErr, kUiErrCancelled, {10, 20, 30}},
        {true, -1, kUiErrGeneral, {10, 20, 30}},
        {false, noErr, kUiErrUnsupported, {10, 20, 30}},
    };
    FilterRecord record = {};
    FilterRecord* saved = gFilterRecord;
    gFilterRecord = &record;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        gServices = SeenServices{};
        gServices.answer = c.answer;
        const int16_t chosen[3] = {-4, 90, 300};
        std::memcpy(gServices.chosen, chosen, sizeof chosen);
        record.colorServices = c.services ? FakeColorServices : nullptr;
        uint8_t rgb[3] = {10, 20, 30};
        EXPECT_EQ(Host_PickColour("Pick a color.", rgb), c.status);
        EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 3),
                  std::vector<uint8_t>(c.expected, c.expected + 3));
        if (!c.services) continue;
        EXPECT_EQ(gServices.prompt, "Pick a color.");
        EXPECT_EQ(gServices.info.infoSize, int32_t(sizeof(ColorServicesInfo)));
        EXPECT_EQ(gServices.info.selector, plugIncolorServicesChooseColor);
        EXPECT_EQ(gServices.info.sourceSpace, plugIncolorServicesRGBSpace);
        EXPECT_EQ(gServices.info.resultSpace, plugIncolorServicesRGBSpace);
        EXPECT_EQ(gServices.info.colorComponents[0], 10);
        EXPECT_EQ(gServices.info.colorComponents[2], 30);
    }
    gFilterRecord = saved;
}

}  // namespace
