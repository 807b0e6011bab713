// The preferences dialog on the headless backend: the scratch copy, the
// Start With list and its refusal, loading custom settings, the options,
// Restore Defaults and help.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "editor/editor_dialogs.h"
#include "editor/settings_file.h"
#include "resources/dialog_table.h"
#include "tests/support/alert_messages.h"
#include "tests/support/prefs_samples.h"
#include "tests/support/test_support.h"
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
    kStartWith = 4,
    kLoad = 5,
    kName = 6,
    kShowSampled = 7,
    kLargest = 8,
    kRestore = 9,
};

bool SameRecord(const PrefsRecord& a, const PrefsRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Field by field, for records made apart (their padding may differ).
bool SameFields(const PrefsRecord& a, const PrefsRecord& b) {
    const NoiseSettings &na = a.noiseDefaults, &nb = b.noiseDefaults;
    return a.startMode == b.startMode &&
           std::memcmp(&a.previous, &b.previous, sizeof a.previous) == 0 &&
           std::memcmp(&a.custom, &b.custom, sizeof a.custom) == 0 &&
           std::memcmp(a.settingsName, b.settingsName, sizeof a.settingsName) == 0 &&
           std::memcmp(a.customFolder, b.customFolder, sizeof a.customFolder) == 0 &&
           a.useLargestWindow == b.useLargestWindow && a.windowValue1 == b.windowValue1 &&
           a.windowValue2 == b.windowValue2 && a.showSampledRegion == b.showSampledRegion &&
           a.sharpenDefaults.sharpenStrength == b.sharpenDefaults.sharpenStrength &&
           a.sharpenDefaults.sharpenMode == b.sharpenDefaults.sharpenMode &&
           na.noiseFlag == nb.noiseFlag && na.noiseExtra == nb.noiseExtra &&
           std::memcmp(na.noiseRadius, nb.noiseRadius, sizeof na.noiseRadius) == 0 &&
           std::memcmp(na.noiseThreshold, nb.noiseThreshold, sizeof na.noiseThreshold) == 0;
}

class PreferencesDialogTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    PrefsRecord prefs = ChangedPrefs();
    EditorHost host = {};
    std::string folder;
    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
        host.ui = state;
        host.prefs = &prefs;
        host.bytesPerSample = 1;
        folder = MakeTempFolder("prefs-dialog");
    }
    void TearDown() override { Ui_State_Close(&state); }
    const HeadlessDialog* Dialog() const { return Headless_LastDialog(kDialogPreferences); }
    // The custom settings file name, with settings unlike the record's.
    std::string WriteSettings(const char* name, float brightness) {
        EditPars pars;
        EXPECT_EQ(SetDefaultEditPars(&pars, kDefaultPredefinedBins), kUiOk);
        pars.brightness = brightness;
        pars.sharpenStrength = 17;
        const std::string path = folder + name;
        EXPECT_EQ(WriteCustomSettings(&pars, path.c_str()), kUiOk);
        return path;
    }
};

// The last paint of item 6 shows the name.
std::string ShownName(const HeadlessDialog* d) {
    std::string shown;
    for (const HeadlessDrawOp& op : d->Item(kName)->draws)
        if (op.op == 'T') shown = op.text;
    return shown;
}

}  // namespace

// A loaded file is the custom settings with its name and folder after OK;
// after Cancel the earlier ones stay, and so does the whole record.
TEST_F(PreferencesDialogTest, LoadedSettingsReachTheRecordOnlyOnOk) {
    const std::string path = WriteSettings("Studio.txt", 0.75f);
    for (const int32_t close : {kCancel, kOk}) {
        SCOPED_TRACE(close);
        prefs = ChangedPrefs();
        const PrefsRecord before = prefs;
        Headless_ResetDialogs();
        const int32_t asks = Headless_FileDialogCount();
        Headless_QueueFileDialogAnswer(path.c_str());
        Headless_QueueClick(kLoad);
        Headless_QueueClick(close);
        const int32_t status = RunPreferencesDialog(&host);
        ASSERT_EQ(Headless_FileDialogCount(), asks + 1);
        const HeadlessFileDialog* asked = Headless_FileDialog(asks);
        EXPECT_FALSE(asked->save);
        EXPECT_STREQ(asked->prompt, "Select Custom Settings");
        EXPECT_STREQ(asked->initial, "/home/user/settings/");
        EXPECT_EQ(ShownName(Dialog()), "Studio.txt");
        EXPECT_TRUE(AlertMessages().empty());
        if (close == kCancel) {
            EXPECT_EQ(status, kUiErrCancelled);
            EXPECT_TRUE(SameRecord(prefs, before));
            EXPECT_STREQ(prefs.settingsName, "Portraits.txt");
        } else {
            EXPECT_EQ(status, kUiOk);
            EXPECT_STREQ(prefs.settingsName, "Studio.txt");
            EXPECT_EQ(std::string(prefs.customFolder), folder);
            EXPECT_EQ(prefs.custom.brightness, 0.75f);
            EXPECT_EQ(prefs.custom.sharpenStrength, 17) << "the sharpen / noise section too";
            EXPECT_EQ(std::memcmp(&prefs.previous, &before.previous, sizeof prefs.previous), 0);
            EXPECT_EQ(prefs.startMode, before.startMode);
        }
    }
}

// A cancelled choice changes nothing; a file that does not read is reported
// and keeps the settings and the name (its folder is remembered).
TEST_F(PreferencesDialogTest, CancelledChoiceAndBadFile) {
    const PrefsRecord before = prefs;
    Headless_QueueClick(kLoad);  // no answer queued: the choice is cancelled
    Headless_QueueClick(kOk);
    EXPECT_EQ(RunPreferencesDialog(&host), kUiOk);
    EXPECT_TRUE(SameRecord(prefs, before));

    const std::string bad = folder + "Bad.txt";
    ASSERT_TRUE(WriteWholeFile(bad, {'1', '\n'}));
    Headless_QueueFileDialogAnswer(bad.c_str());
    Headless_QueueClick(kLoad);
    Headless_QueueClick(kOk);  // the alert's button
    Headless_QueueClick(kOk);
    EXPECT_EQ(RunPreferencesDialog(&host), kUiOk);
    const std::vector<std::string> alerts = {"A data format error occurred"};
    EXPECT_EQ(AlertMessages(), alerts);
    EXPECT_STREQ(prefs.settingsName, "Portraits.txt");
    EXPECT_EQ(std::memcmp(&prefs.custom, &before.custom, sizeof prefs.custom), 0);
    EXPECT_EQ(std::string(prefs.customFolder), folder);
}

// Custom Settings with nothing loaded: the message, and the list shows the
// earlier choice again. With settings loaded the choice is taken.
TEST_F(PreferencesDialogTest, CustomSettingsNeedLoadedSettings) {
    prefs = DefaultPrefs();
    prefs.startMode = kStartPrevious;
    Headless_QueuePopupChoice(kStartWith, kStartCustom + 1);
    Headless_QueueClick(kOk);  // the message's button
    Headless_QueueClick(kOk);
    EXPECT_EQ(RunPreferencesDialog(&host), kUiOk);
    const std::vector<std::string> message = {
        "You must 'Load Custom Settings...' before you can 'Start with Custom Settings'."};
    EXPECT_EQ(AlertMessages(), message);
    EXPECT_EQ(Dialog()->Item(kStartWith)->selection, int32_t(kStartPrevious));
    EXPECT_EQ(prefs.startMode, kStartPrevious);

    Headless_ResetDialogs();
    std::strcpy(prefs.settingsName, "Studio.txt");
    Headless_QueuePopupChoice(kStartWith, kStartCustom + 1);
    Headless_QueueClick(kOk);
    EXPECT_EQ(RunPreferencesDialog(&host), kUiOk);
    EXPECT_TRUE(AlertMessages().empty());
    EXPECT_EQ(prefs.startMode, kStartCustom);
}

// The controls start from the record; a start mode the list lacks shows
// and is kept as Reset.
TEST_F(PreferencesDialogTest, ControlsShowTheRecord) {
    prefs.startMode = 7;
    Headless_QueueClick(kOk);
    EXPECT_EQ(RunPreferencesDialog(&host), kUiOk);
    const HeadlessDialog* d = Dialog();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->title, "Vantoria Preferences");
    EXPECT_EQ(d->defaultItem, kOk);
    const std::vector<std::string> entries = {"Previous Settings", "Custom Settings", "Reset"};
    EXPECT_EQ(d->Item(kStartWith)->entries, entries);
    EXPECT_EQ(d->Item(kStartWith)->selection, int32_t(kStartReset));
    EXPECT_TRUE(d->Item(kShowSampled)->checked);
    EXPECT_TRUE(d->Item(kLargest)->checked);
    EXPECT_EQ(ShownName(d), "Portraits.txt");
    EXPECT_EQ(prefs.startMode, kStartReset);
}

// Every change stays in the scratch copy while the dialog runs; Cancel
// drops them all, Restore Defaults included; OK takes them.
TEST_F(PreferencesDialogTest, NothingReachesTheRecordBeforeOk) {
    struct Check {
        const PrefsRecord* record;
        PrefsRecord before;
        bool same = false;
    };
    for (const int32_t close : {kCancel, kOk}) {
        SCOPED_TRACE(close);
        prefs = ChangedPrefs();
        Check check = {&prefs, prefs};
        Headless_ResetDialogs();
        Headless_QueuePopupChoice(kStartWith, kStartPrevious + 1);
        Headless_QueueClick(kShowSampled);
        Headless_QueueClick(kLargest);
        Headless_QueueCall(
            [](void* dialog, void* context) {
                Check* c = static_cast<Check*>(context);
                c->same = SameRecord(*c->record, c->before);
                const HeadlessDialog* d = Headless_Model(dialog);
                EXPECT_FALSE(d->Item(kShowSampled)->checked);
                EXPECT_FALSE(d->Item(kLargest)->checked);
            },
            &check);
        Headless_QueueClick(kRestore);
        Headless_QueueClick(close);
        const int32_t status = RunPreferencesDialog(&host);
        EXPECT_TRUE(check.same);
        const HeadlessDialog* d = Dialog();
        EXPECT_EQ(d->Item(kStartWith)->selection, int32_t(kStartReset));
        EXPECT_EQ(ShownName(d), "");
        if (close == kCancel) {
            EXPECT_EQ(status, kUiErrCancelled);
            EXPECT_TRUE(SameRecord(prefs, check.before));
        } else {
            EXPECT_EQ(status, kUiOk);
            EXPECT_TRUE(SameFields(prefs, DefaultPrefs()));
        }
    }

    // The options alone.
    prefs = DefaultPrefs();
    Headless_QueueClick(kShowSampled);
    Headless_QueueClick(kOk);
    EXPECT_EQ(RunPreferencesDialog(&host), kUiOk);
    EXPECT_EQ(prefs.showSampledRegion, 1);
    EXPECT_EQ(prefs.useLargestWindow, 0);
}

// "?" shows the preferences topic.
TEST_F(PreferencesDialogTest, HelpShowsItsTopic) {
    char path[kUiPathCapacity];
    ASSERT_EQ(Ui_Help_Prepare(state, path), kUiOk);
    host.helpPath = path;
    Headless_QueueClick(kHelp);
    Headless_QueueClick(kUiHelpOk);
    Headless_QueueClick(kCancel);
    EXPECT_EQ(RunPreferencesDialog(&host), kUiErrCancelled);
    const HeadlessDialog* help = Headless_LastDialog(kDialogHelp);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->Item(kUiHelpTitle)->text, "Preferences");
    std::remove(path);
}
