// The editor's main face on the headless backend: its values and arrows,
// the undo level, the settings buttons, the memory colour slots and the
// memory-colour face's entry and exit, run over a small fake preview; and
// the interactive start through the plug-in's entry point.
#include <gtest/gtest.h>

#include <dirent.h>
#include <stdlib.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor.h"
#include "editor/editor_values.h"
#include "editor/script_blob.h"
#include "editor/settings_file.h"
#include "host/blocks.h"
#include "resources/dialog_table.h"
#include "tests/support/fake_preview.h"
#include "tests/support/plugin_host.h"
#include "tests/support/prefs_samples.h"
#include "ui/allocator.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ---- A fake preview: a fixed 8-bit picture as the source view --------------------

constexpr int32_t kViewWidth = 24;
constexpr int32_t kViewHeight = 16;

const Bytes& ViewPixels() {
    static const Bytes pixels = [] {
        Bytes p(size_t(kViewWidth * kViewHeight * 3));
        for (int32_t y = 0; y < kViewHeight; ++y)
            for (int32_t x = 0; x < kViewWidth; ++x)
                for (int32_t c = 0; c < 3; ++c)
                    p[size_t((y * kViewWidth + x) * 3 + c)] = uint8_t(30 + x * 7 + y * 5 + c * 11);
        return p;
    }();
    return pixels;
}

// Items of the dialog used here.
enum : int32_t {
    kOk = 1,
    kCancel = 2,
    kNeutral = 5,
    kSkin = 6,
    kCustom = 7,
    kPopup = 9,
    kAutoBlack = 11,
    kBrightnessValue = 14,
    kBrightnessDown = 15,
    kBrightnessUp = 16,
    kModify = 21,
    kUndo = 22,
    kCustomSettings = 25,
    kSaveCustom = 28,
    kFaceCancel = 45,
    kFaceSave = 46,
    kSharpen = 55,
    kSetup = 57,
};

// The last alert asked question with "Yes" and "No".
void ExpectQuestion(const std::string& question) {
    const HeadlessDialog* alert = Headless_LastDialog(kDialogAlert);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->Item(3)->text, question);
    EXPECT_EQ(alert->Item(1)->text, "Yes");
    EXPECT_EQ(alert->Item(2)->text, "No");
}

// The text an item drew at its last paint.
std::string DrawnText(const HeadlessItem* item) {
    if (item == nullptr) return "<none>";
    for (const HeadlessDrawOp& op : item->draws)
        if (op.op == 'T') return op.text;
    return "<no text>";
}

// What a queued call records while the dialog runs.
struct Seen {
    std::vector<std::string> values;
    std::vector<float> brightness;
    std::vector<std::string> titles;
    std::vector<UiRect> gradientRects;
};

class EditorTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    PrefsRecord prefs = {};
    std::unique_ptr<EditState> edit{new EditState()};
    EditorHost host = {};
    std::string folder;
    Seen seen;

    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
        ASSERT_EQ(SetDefaultPrefsRecord(&prefs), kUiOk);
        gFakePreview = FakePreviewPicture{ViewPixels().data(), kViewWidth, kViewHeight};
        InitEditState(edit.get(), prefs.previous);
        std::strcpy(edit->title, "C:\\photos\\beach.tif");
        host = EditorHost{state, &prefs, &kFakePreviewReads, 0, 1, 0, "", nullptr, nullptr};
        folder = MakeTempFolder("editor");
    }
    void TearDown() override {
        FreeTransform();
        Ui_State_Close(&state);
    }
    void FreeTransform() {
        FreeEditTW(edit->transform);
        edit->transform = nullptr;
    }
    int32_t Run() { return DoEditImage(edit.get(), &host); }
    const HeadlessDialog* Editor() const { return Headless_LastDialog(kDialogEditor); }

    // Queues a look at the dialog as it is now.
    void QueueLook() {
        Headless_QueueCall(
            [](void* dialog, void* context) {
                Seen* s = static_cast<Seen*>(context);
                const HeadlessDialog* m = Headless_Model(dialog);
                s->values.push_back(DrawnText(m->Item(kBrightnessValue)));
                s->brightness.push_back(
                    static_cast<EditState*>(Ui_Dlg_UserData(dialog))->pars.brightness);
                s->titles.push_back(m->title);
                s->gradientRects.push_back(m->Item(10)->rect);
            },
            &seen);
    }
};

TEST(EditorValues, TheArrowStepAndTheDisplay) {
    const struct {
        float value;
        bool up, fine;
        float expected;
    } steps[] = {
        {0.5f, true, false, 0.525f},    {0.5f, false, false, 0.475f},  {0.51f, true, false, 0.525f},
        {0.51f, false, false, 0.5f},    {0.5f, true, true, 0.505f},    {0.99f, true, false, 1.0f},
        {1.0f, true, false, 1.0f},      {0.0f, false, false, 0.0f},    {0.003f, false, true, 0.0f},
        {0.527f, false, false, 0.525f}, {0.523f, true, false, 0.525f},
    };
    for (const auto& s : steps)
        EXPECT_NEAR(StepEditorValue(s.value, s.up, s.fine), s.expected, 1e-6)
            << s.value << (s.up ? " up" : " down") << (s.fine ? " fine" : "");
    const struct {
        float value;
        const char* text;
    } texts[] = {{0.5f, " "},    {0.502f, " "},  {0.525f, "+5"}, {0.51f, "+2"},
                 {0.25f, "-50"}, {0.0f, "-100"}, {1.0f, "+100"}, {0.4975f, " "}};
    for (const auto& t : texts) {
        char text[16];
        EditorValueText(t.value, text, sizeof text);
        EXPECT_STREQ(text, t.text) << t.value;
    }
}

TEST_F(EditorTest, ArrowsStepTheValueOnAReleaseInsideAndShowIt) {
    QueueLook();
    Headless_QueueClick(kBrightnessUp);
    QueueLook();
    Headless_QueueClick(kBrightnessUp, kHeadlessAlt);
    QueueLook();
    Headless_QueueClick(kBrightnessDown);
    QueueLook();
    // A press released outside the arrow changes nothing.
    Headless_QueueTrack(kBrightnessUp, {0, 0});
    QueueLook();
    Headless_QueueClick(kCancel);
    EXPECT_EQ(Run(), kUiErrCancelled);
    EXPECT_EQ(seen.values, (std::vector<std::string>{" ", "+5", "+6", "+5", "+5"}));
    EXPECT_NEAR(seen.brightness[3], 0.525f, 1e-6);
    EXPECT_NEAR(prefs.previous.brightness, 0.525f, 1e-6) << "Cancel stores the settings";
}

TEST_F(EditorTest, UndoIsOneLevelDeepAndDisablesItself) {
    Headless_QueueClick(kAutoBlack);
    Headless_QueueClick(kBrightnessUp);
    Headless_QueueClick(kUndo);
    QueueLook();
    Headless_QueueClick(kUndo);  // refused: the button is disabled
    Headless_QueueKey(0, 'Z', kHeadlessCtrl);
    QueueLook();
    Headless_QueueClick(kCancel);
    EXPECT_EQ(Run(), kUiErrCancelled);
    EXPECT_EQ(edit->pars.doAutoBlack, 1) << "the auto black point was the change before";
    EXPECT_NEAR(edit->pars.brightness, 0.5f, 1e-6);
    EXPECT_EQ(seen.values, (std::vector<std::string>{" ", " "}));
    EXPECT_FALSE(Editor()->Item(kUndo)->enabled);
    EXPECT_EQ(Editor()->refusedClicks, std::vector<int32_t>{kUndo});
    EXPECT_TRUE(Editor()->Item(kAutoBlack)->checked);
}

TEST_F(EditorTest, OkBuildsTheTransformForTheDocumentAndStoresTheSettings) {
    host.bytesPerSample = 2;
    Headless_QueueClick(kBrightnessUp);
    Headless_QueueClick(kSharpen);
    Headless_QueueClick(kOk);
    ASSERT_EQ(Run(), kUiOk);
    ASSERT_NE(edit->transform, nullptr);
    EXPECT_EQ(edit->transform->outputDepth, 2);
    EXPECT_NEAR(prefs.previous.brightness, 0.525f, 1e-6);
    EXPECT_EQ(edit->filters.doSharpen, 1) << "the pass reads the sharpen switch from its copy";
    EXPECT_TRUE(Editor()->Item(kSetup)->enabled);
}

TEST_F(EditorTest, CustomWithNothingLoadedAsksFirst) {
    EditPars stored = prefs.previous;
    stored.brightness = 0.8f;
    const std::string file = folder + "custom.txt";
    ASSERT_EQ(WriteCustomSettings(&stored, file.c_str()), kUiOk);

    Headless_QueueClick(kBrightnessUp);
    Headless_QueueClick(kCustomSettings);
    Headless_QueueClick(2);  // "No"
    QueueLook();
    Headless_QueueClick(kUndo);  // the "No" kept the undo level of the arrow
    QueueLook();
    Headless_QueueClick(kBrightnessUp);
    Headless_QueueClick(kCustomSettings);
    Headless_QueueClick(1);                   // "Yes"
    Headless_QueueFileDialogAnswer(nullptr);  // the choice cancelled
    QueueLook();
    Headless_QueueClick(kCustomSettings);
    Headless_QueueClick(1);
    Headless_QueueFileDialogAnswer(file.c_str());  // read and applied
    QueueLook();
    Headless_QueueClick(kUndo);  // back to before the custom settings
    QueueLook();
    Headless_QueueClick(kCancel);
    EXPECT_EQ(Run(), kUiErrCancelled);

    ExpectQuestion("Custom settings have not been loaded yet. Would you like to load them now?");
    EXPECT_EQ(Headless_FileDialogCount(), 2) << "no file dialog after the No";
    EXPECT_EQ(seen.values, (std::vector<std::string>{"+5", " ", "+5", "+60", "+5"}));
    EXPECT_STREQ(prefs.settingsName, "custom.txt");
    EXPECT_EQ(std::string(prefs.customFolder), folder);
    EXPECT_NEAR(prefs.custom.brightness, 0.8f, 1e-6);
}

TEST_F(EditorTest, SaveCustomSettingsProposesTheTitleWithPars) {
    const std::string file = folder + "saved.txt";
    Headless_QueueClick(kBrightnessUp);
    Headless_QueueClick(kSaveCustom);
    Headless_QueueFileDialogAnswer(file.c_str());
    Headless_QueueClick(kSaveCustom);
    Headless_QueueFileDialogAnswer(nullptr);  // cancelled: nothing happens
    Headless_QueueClick(kCancel);
    EXPECT_EQ(Run(), kUiErrCancelled);
    ASSERT_EQ(Headless_FileDialogCount(), 2);
    EXPECT_STREQ(Headless_FileDialog(0)->prompt, "Save Custom Settings");
    EXPECT_STREQ(Headless_FileDialog(0)->initial, "beachPars");
    EXPECT_EQ(std::string(Headless_FileDialog(1)->initial), folder + "beachPars")
        << "the next save starts in the folder of the last";
    EditPars back = {};
    ASSERT_EQ(ReadCustomSettingsFile(&back, file.c_str(), 2), kUiOk);
    EXPECT_NEAR(back.brightness, 0.525f, 1e-6);
    EXPECT_EQ(Headless_AlertCount(), 0);
}

TEST_F(EditorTest, SlotsByButtonAndCtrlDigit) {
    SetPredefinedMemoryColor(kColorNeutrals, &edit->pars.customBinColors[4]);
    std::strcpy(edit->pars.customBinColors[4].name, "Sky");
    struct Step {
        int32_t key;  // a Ctrl+digit, or 0 for a click on item
        int32_t item;
        int32_t current;
        bool popupShown;
    };
    static const Step steps[] = {
        {'2', 0, 1, false},
        {'4', 0, 1, false} /* undefined: not selected */,
        {'5', 0, 4, true},
        {0, kNeutral, 0, false},
        {0, kCustom, 4, true} /* the last custom slot */,
        {'1', 0, 0, false},
    };
    struct Look {
        std::vector<int32_t> current;
        std::vector<bool> popup;
    } look;
    for (const Step& s : steps) {
        if (s.key != 0)
            Headless_QueueKey(0, s.key, kHeadlessCtrl);
        else
            Headless_QueueClick(s.item);
        Headless_QueueCall(
            [](void* dialog, void* context) {
                Look* l = static_cast<Look*>(context);
                l->current.push_back(
                    static_cast<EditState*>(Ui_Dlg_UserData(dialog))->editor.currentColour);
                l->popup.push_back(Headless_Model(dialog)->Item(kPopup)->visible);
            },
            &look);
    }
    Headless_QueueClick(kCancel);
    EXPECT_EQ(Run(), kUiErrCancelled);
    ASSERT_EQ(look.current.size(), std::size(steps));
    for (size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ(look.current[i], steps[i].current) << "step " << i;
        EXPECT_EQ(look.popup[i], steps[i].popupShown) << "step " << i;
    }
    ASSERT_EQ(Editor()->Item(kPopup)->entries.size(), 1u) << "only the defined custom slots";
    EXPECT_EQ(Editor()->Item(kPopup)->entries[0].rfind("Sky", 0), 0u);
}

// The memory-colour face: the shared items move up and back, the title
// carries the suffix, and Cancel puts back definitions and names (also of a
// slot defined on the way in) while Save keeps them.
TEST_F(EditorTest, TheMemoryColourFaceIsEnteredAndLeft) {
    const float neutralHue = prefs.previous.customBinColors[0].fcn.baseHue;
    for (const bool save : {false, true}) {
        SCOPED_TRACE(save ? "Save" : "Cancel");
        Headless_ResetDialogs();
        seen = Seen();
        InitEditState(edit.get(), prefs.previous);
        QueueLook();
        Headless_QueueClick(kCustom);  // no custom colour yet
        Headless_QueueClick(1);        // "Yes": slot 2 defined afresh, the face entered
        QueueLook();
        Headless_QueueClick(kOk);  // ignored: hidden on the face
        Headless_QueueCall(
            [](void* dialog, void*) {
                EditPars& p = static_cast<EditState*>(Ui_Dlg_UserData(dialog))->pars;
                p.customBinColors[0].fcn.baseHue = 123.0f;
                std::strcpy(p.customBinColors[2].name, "Leaf");
            },
            nullptr);
        Headless_QueueClick(save ? kFaceSave : kFaceCancel);
        QueueLook();
        Headless_QueueClick(kCancel);
        EXPECT_EQ(Run(), kUiErrCancelled);

        ExpectQuestion(
            "Custom memory colors have not been defined yet. Would you like to define some now?");
        ASSERT_EQ(seen.titles.size(), 3u);
        EXPECT_EQ(seen.titles[0], "Vantoria");
        EXPECT_EQ(seen.titles[1], "Vantoria Memory Colors");
        EXPECT_EQ(seen.titles[2], "Vantoria");
        EXPECT_EQ(seen.gradientRects[1].top, seen.gradientRects[0].top - 131);
        EXPECT_EQ(seen.gradientRects[2].top, seen.gradientRects[0].top);
        EXPECT_EQ(Editor()->refusedClicks, std::vector<int32_t>{kOk});
        const MemoryColorBin& slot2 = edit->pars.customBinColors[2];
        if (save) {
            EXPECT_FLOAT_EQ(edit->pars.customBinColors[0].fcn.baseHue, 123.0f);
            EXPECT_EQ(slot2.haveDef, 1);
            EXPECT_STREQ(slot2.name, "Leaf");
            EXPECT_FLOAT_EQ(slot2.fcn.maxChroma, 50.0f);
            EXPECT_EQ(edit->editor.currentColour, 2);
        } else {
            EXPECT_FLOAT_EQ(edit->pars.customBinColors[0].fcn.baseHue, neutralHue);
            EXPECT_EQ(slot2.haveDef, 0) << "the definition made on the way in is taken back";
            EXPECT_STREQ(slot2.name, " ");
            EXPECT_EQ(edit->editor.currentColour, 0) << "an undefined slot is not left current";
        }
        FreeTransform();
    }
}

// Every allocation of the set-up may fail: the dialog closes with the error
// (alerted), nothing stays allocated; a failure after the set-up leaves a
// working dialog.
TEST_F(EditorTest, AnAllocationFailureInTheSetUpClosesTheDialog) {
    int32_t setUpFailures = 0;
    for (const bool persistent : {false, true}) {
        for (uint32_t n = 1;; ++n) {
            InitEditState(edit.get(), prefs.previous);
            Headless_ClearAlerts();
            Headless_ResetDialogs();
            const uint32_t before = Ui_Mem_Stats().nMallocs;
            Ui_Mem_InjectFailure(n, persistent);
            const int32_t status = Run();
            const bool reached = Ui_Mem_RequestCount() >= n;
            Ui_Mem_InjectFailure(0, false);
            FreeTransform();
            EXPECT_EQ(Ui_Mem_Stats().nMallocs, before) << "request " << n;
            if (!reached) {
                EXPECT_EQ(status, kUiOk);
                break;
            }
            EXPECT_TRUE(status == kUiOk || status == kUiErrMemory)
                << "request " << n << ": " << status;
            if (edit->editor.setUpStatus != kUiOk) {
                ++setUpFailures;
                EXPECT_EQ(status, kUiErrMemory) << "request " << n;
                // (With every later request failing too, the alert itself
                // cannot be shown.)
                const HeadlessDialog* alert = Headless_LastDialog(kDialogAlert);
                if (!persistent) {
                    ASSERT_NE(alert, nullptr) << "request " << n;
                    EXPECT_EQ(alert->Item(3)->text.rfind("There was not enough memory", 0), 0u)
                        << "request " << n;
                }
                ASSERT_NE(Editor(), nullptr);
                EXPECT_TRUE(Editor()->ended);
            }
            ASSERT_LT(n, 2000u);
        }
    }
    EXPECT_GT(setUpFailures, 0);
}

// ---- Through the plug-in's entry point ------------------------------------------------

// The help file lives in the temporary folder while the editor is open.
int32_t HelpFiles(const std::string& folder) {
    int32_t count = 0;
    if (DIR* d = opendir(folder.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::strncmp(e->d_name, "Quorvane", 8) == 0) ++count;
        closedir(d);
    }
    return count;
}

class EditorRunTest : public ::testing::Test {
  protected:
    PluginHost h;
    std::string temp;
    std::string savedTemp;
    bool hadTemp = false;
    void SetUp() override {
        std::remove(PrefsFilePath().c_str());
        temp = MakeTempFolder("editor-run");
        if (const char* t = std::getenv("TMPDIR")) {
            hadTemp = true;
            savedTemp = t;
        }
        setenv("TMPDIR", temp.c_str(), 1);
    }
    void TearDown() override {
        if (hadTemp)
            setenv("TMPDIR", savedTemp.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    ParametersBlock* Parameters() { return h.Locked<ParametersBlock>(h.host.record->parameters); }
    HKRun Run() {
        const HKRunPlan plan{false, true};
        HKRun run;
        HK_RunFilter(&h.host, h.entry, &plan, &run);
        return run;
    }
    // Queues a count of the help files while the editor is open.
    void QueueHelpFileCount(int32_t* count) {
        struct Context {
            const std::string* folder;
            int32_t* count;
        };
        static Context context;
        context = {&temp, count};
        Headless_QueueCall(
            [](void*, void* c) {
                const Context* k = static_cast<Context*>(c);
                *k->count = HelpFiles(*k->folder);
            },
            &context);
    }
};

TEST_F(EditorRunTest, CancelAndAltOkLeaveTheImageAndStoreTheSettings) {
    const TestDocument d(20, 14, 3, 8);
    for (const bool export_ : {false, true}) {
        SCOPED_TRACE(export_ ? "Alt+OK" : "Cancel");
        std::remove(PrefsFilePath().c_str());
        Headless_ResetDialogs();
        h.Open(d);
        const std::string profile = temp + "export.icc";
        int32_t during = -1;
        QueueHelpFileCount(&during);
        Headless_QueueClick(kBrightnessUp);
        if (export_) {
            Headless_QueueClick(kOk, kHeadlessAlt);
            Headless_QueueFileDialogAnswer(profile.c_str());
        } else {
            Headless_QueueClick(kCancel);
        }
        const HKRun run = Run();
        EXPECT_EQ(run.result, userCanceledErr);
        EXPECT_EQ(h.doc.pixels, d.pixels);
        EXPECT_NEAR(Parameters()->prefs.previous.brightness, 0.525f, 1e-6);
        EXPECT_EQ(during, 1) << "the help file exists while the editor is open";
        EXPECT_EQ(HelpFiles(temp), 0) << "and is gone after it";
        if (export_) {
            Bytes icc;
            ASSERT_TRUE(ReadWholeFile(profile, &icc));
            ASSERT_GT(icc.size(), 40u);
            EXPECT_EQ(std::string(icc.begin() + 36, icc.begin() + 40), "acsp");
        }
    }
}

// The document's title comes from the host, cut to 255 characters, or is the
// product name when the host has none.
TEST_F(EditorRunTest, TheTitleOfTheDocument) {
    const std::string longTitle(300, 'a');
    const struct {
        const char* title;
        std::string expected;
    } cases[] = {
        {"beach.tif", "beach.tif"},
        {nullptr, "Vantoria"},
        {longTitle.c_str(), std::string(255, 'a')},
    };
    for (const auto& c : cases) {
        HKOptions o = HK_DefaultOptions();
        o.title = c.title;
        h.Open(TestDocument(8, 6, 3, 8), o);
        Headless_QueueClick(kCancel);
        EXPECT_EQ(Run().result, userCanceledErr);
        const DataBlock* data = h.Locked<DataBlock>(reinterpret_cast<Handle>(h.host.data));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::string(data->edit.title), c.expected);
        EXPECT_EQ(data->showEditor, 0);
    }
}

// OK with the automatic black point and the brightness up twice corrects the
// document exactly as a replay of the recorded settings without the editor.
TEST_F(EditorRunTest, AnOkRunCorrectsAsTheReplayOfItsSettings) {
    TestDocument d(30, 20, 3, 8);
    for (int32_t x = 0; x < 30; ++x)  // no black in the picture: the black point moves
        for (int32_t c = 0; c < 3; ++c) d.Set(x, 0, c, 40 + uint32_t(c));
    HKOptions o = HK_DefaultOptions();
    o.title = "beach.tif";
    h.Open(d, o);
    int32_t during = -1;
    QueueHelpFileCount(&during);
    Headless_QueueClick(kAutoBlack);
    Headless_QueueClick(kBrightnessUp);
    Headless_QueueClick(kBrightnessUp);
    Headless_QueueClick(kOk);
    ASSERT_EQ(Run().result, noErr);
    const Bytes corrected = h.doc.pixels;
    EXPECT_NE(corrected, d.pixels);
    EXPECT_EQ(during, 1);
    EXPECT_EQ(HelpFiles(temp), 0);
    EXPECT_EQ(Parameters()->prefs.previous.doAutoBlack, 1);
    EXPECT_NEAR(Parameters()->prefs.previous.brightness, 0.55f, 1e-6);
    uint32_t size = 0;
    const uint8_t* text = HK_DescriptorText(&h.host, kScriptDataKey, &size);
    ASSERT_NE(text, nullptr);
    const Bytes recorded(text, text + size);

    std::remove(PrefsFilePath().c_str());
    PluginHost replay;
    o.playInfo = plugInDialogDontDisplay;
    replay.Open(d, o);
    ASSERT_EQ(HK_SetDescriptorText(&replay.host, kScriptDataKey, recorded.data(), size), 0);
    Headless_ResetDialogs();
    ASSERT_EQ(replay.Run(false).result, noErr);
    EXPECT_EQ(Headless_LastDialog(kDialogEditor), nullptr) << "a replay shows no editor";
    EXPECT_EQ(replay.doc.pixels, corrected);
}

// An allocation failure anywhere in an interactive run, the editor's set-up
// included, ends the run cleanly and leaves no help file behind.
TEST_F(EditorRunTest, NoHelpFileOutlivesAFailedRun) {
    const TestDocument d(12, 10, 3, 8);
    int32_t editorFailures = 0;
    for (const bool persistent : {false, true}) {
        for (uint32_t n = 1;; ++n) {
            std::remove(PrefsFilePath().c_str());
            Headless_ResetDialogs();
            h.Open(d);
            Host_ResetModuleStateForTesting();
            Ui_Mem_InjectFailure(n, persistent);
            const HKRun run = Run();
            const bool reached = Ui_Mem_RequestCount() >= n;
            Ui_Mem_InjectFailure(0, false);
            EXPECT_EQ(Ui_Mem_Stats().nMallocs, 0u) << "request " << n;
            EXPECT_EQ(HelpFiles(temp), 0) << "request " << n;
            if (!reached) {
                EXPECT_EQ(run.result, noErr);
                break;
            }
            const HeadlessDialog* editor = Headless_LastDialog(kDialogEditor);
            if (editor != nullptr && run.result != noErr) ++editorFailures;
            ASSERT_LT(n, 5000u);
        }
    }
    EXPECT_GT(editorFailures, 0) << "some failures fell inside the editor";
}

}  // namespace
