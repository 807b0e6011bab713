// The parameters and data blocks the host keeps between calls: creation by
// the parameters stage (and lazily by prepare and start), the preferences
// file read into them, their checks and the rebuilding of unsound blocks.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "editor/stored_prefs.h"
#include "host/blocks.h"
#include "tests/support/alert_messages.h"
#include "tests/support/plugin_host.h"
#include "ui/prefs_file.h"

namespace {

class BlocksTest : public ::testing::Test {
  protected:
    PluginHost h;
    void SetUp() override {
        std::remove(PrefsFilePath().c_str());
        RemoveDebugLog();
        h.Open(TestDocument(6, 4, 3, 8));
    }
    ParametersBlock* Parameters() { return h.Locked<ParametersBlock>(h.host.record->parameters); }
    DataBlock* Data() { return h.Locked<DataBlock>(reinterpret_cast<Handle>(h.host.data)); }
    // Writes a preferences file holding the given record.
    void WritePrefs(PrefsRecord* prefs) {
        ASSERT_EQ(Ui_Prefs_WriteAll(nullptr, PrefsFilePath().c_str(), kUiPrefsFileKind,
                                    WriteStoredPrefs, prefs),
                  0);
    }
};

TEST_F(BlocksTest, ParametersBuildBothBlocksAndWriteTheMissingPreferencesFile) {
    ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr);
    const ParametersBlock* p = Parameters();
    const DataBlock* d = Data();
    ASSERT_NE(p, nullptr);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(std::memcmp(p->signature, "5pRX", 4), 0);
    EXPECT_EQ(std::memcmp(d->signature, "5pRX", 4), 0);
    EXPECT_EQ(std::string(p->prefsPath), PrefsFilePath());
    EXPECT_EQ(p->tempFolder[std::strlen(p->tempFolder) - 1], '/');
    EXPECT_EQ(p->prefs.startMode, kStartReset);
    EXPECT_EQ(p->prefs.sharpenDefaults.sharpenStrength, 6);
    EXPECT_EQ(p->prefs.sharpenDefaults.sharpenMode, -1);
    EXPECT_EQ(p->prefs.noiseDefaults.noiseRadius[1], 8);
    EXPECT_EQ(p->prefs.noiseDefaults.noiseExtra, 4);
    EXPECT_EQ(d->rowSkip, 1);
    EXPECT_EQ(d->showEditor, 1);
    EXPECT_EQ(d->edit.filterStage, 1);
    EXPECT_TRUE(FileExists(PrefsFilePath())) << "a missing file is written with the defaults";
    EXPECT_EQ(HK_HandleLockCount(&h.host, h.host.record->parameters), 0);
    EXPECT_EQ(h.host.unbalancedUnlocks, 0);
}

TEST_F(BlocksTest, AReplayWithoutParametersGetsItsBlocksFromPrepareOrStart) {
    PrefsRecord stored;
    SetDefaultPrefsRecord(&stored);
    stored.startMode = kStartPrevious;
    WritePrefs(&stored);
    for (int16_t selector : {filterSelectorPrepare, filterSelectorStart}) {
        h.Open(TestDocument(6, 4, 3, 8));
        const int16_t result = h.FirstCall(selector, false);
        if (selector == filterSelectorStart) {
            EXPECT_EQ(result, filterBadParameters) << "start locks first: nothing to lock";
            EXPECT_EQ(Parameters(), nullptr);
            continue;
        }
        EXPECT_EQ(result, noErr);
        ASSERT_NE(Parameters(), nullptr);
        ASSERT_NE(Data(), nullptr);
        EXPECT_EQ(Parameters()->prefs.startMode, kStartPrevious) << "read from the file";
    }
}

TEST_F(BlocksTest, UnsoundBlocksAreDroppedAndRebuiltFromTheFile) {
    PrefsRecord stored;
    SetDefaultPrefsRecord(&stored);
    stored.startMode = kStartCustom;
    std::strcpy(stored.settingsName, "Studio.txt");
    WritePrefs(&stored);
    const struct {
        const char* name;
        void (*spoil)(ParametersBlock*, DataBlock*);
    } cases[] = {
        {"largest window 2", [](ParametersBlock* p, DataBlock*) { p->prefs.useLargestWindow = 2; }},
        {"sampled region 9",
         [](ParametersBlock* p, DataBlock*) { p->prefs.showSampledRegion = 9; }},
        {"parameters signature", [](ParametersBlock* p, DataBlock*) { p->signature[0] = 'x'; }},
        {"data signature", [](ParametersBlock*, DataBlock* d) { d->signature[3] = 0; }},
        {"auto black 3", [](ParametersBlock*, DataBlock* d) { d->edit.pars.doAutoBlack = 3; }},
        {"auto white 255", [](ParametersBlock*, DataBlock* d) { d->edit.pars.doAutoWhite = 255; }},
        {"filter stage 2", [](ParametersBlock*, DataBlock* d) { d->edit.filterStage = 2; }},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr);
        Parameters()->prefs.startMode = kStartPrevious;  // differs from the file
        Data()->edit.title[0] = 'x';
        c.spoil(Parameters(), Data());
        const Handle oldParameters = h.host.record->parameters;
        const intptr_t oldData = h.host.data;
        EXPECT_EQ(h.Call(filterSelectorPrepare), noErr) << c.name;
        EXPECT_NE(Handle(h.host.record->parameters), oldParameters) << c.name;
        EXPECT_NE(h.host.data, oldData) << c.name;
        EXPECT_EQ(Parameters()->prefs.startMode, kStartCustom) << c.name;
        EXPECT_STREQ(Parameters()->prefs.settingsName, "Studio.txt") << c.name;
        EXPECT_EQ(Parameters()->prefs.useLargestWindow, 0) << c.name;
        EXPECT_EQ(Data()->edit.title[0], 0) << c.name;
        // A sound pair is kept as it is.
        Parameters()->prefs.windowValue2 = 5;
        const Handle kept = h.host.record->parameters;
        EXPECT_EQ(h.Call(filterSelectorPrepare), noErr);
        EXPECT_EQ(Handle(h.host.record->parameters), kept);
        EXPECT_EQ(Parameters()->prefs.windowValue2, 5) << c.name;
        h.Open(TestDocument(6, 4, 3, 8));
    }
}

TEST_F(BlocksTest, DataBlockInUnclearedMemoryStartsWithEveryPointerNull) {
    HKOptions options = HK_DefaultOptions();
    options.dirtyHandles = true;
    h.Open(TestDocument(6, 4, 3, 8), options);
    ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr);
    // From the transform on, the record holds pointers and geometry that the
    // start reads or frees: no byte of the host's leftovers may stay there.
    const EditState& edit = Data()->edit;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&edit);
    for (size_t i = offsetof(EditState, transform); i < sizeof edit; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
    for (size_t i = 0; i < sizeof edit.title; ++i) ASSERT_EQ(edit.title[i], 0);
    EXPECT_EQ(edit.filterStage, 1);
    EXPECT_EQ(edit.pars.brightness, Parameters()->prefs.previous.brightness);
}

TEST_F(BlocksTest, HandlesTooSmallForTheirBlocksAreGrown) {
    h.host.record->parameters = h.host.handleProcs.newProc(64);
    h.host.data = reinterpret_cast<intptr_t>(h.host.handleProcs.newProc(16));
    ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr);
    EXPECT_EQ(h.host.handleProcs.getSizeProc(h.host.record->parameters),
              int32_t(sizeof(ParametersBlock)));
    EXPECT_EQ(h.host.handleProcs.getSizeProc(reinterpret_cast<Handle>(h.host.data)),
              int32_t(sizeof(DataBlock)));
    // A block too small that prepare finds is rebuilt, never written past.
    EXPECT_EQ(h.host.handleProcs.setSizeProc(h.host.record->parameters, 100), noErr);
    EXPECT_EQ(h.Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(h.host.handleProcs.getSizeProc(h.host.record->parameters),
              int32_t(sizeof(ParametersBlock)));
}

TEST_F(BlocksTest, HostFailuresGiveTheirCodes) {
    const struct {
        const char* name;
        bool handleProcs;
        int32_t failNewHandle;
        int16_t result;
    } cases[] = {
        {"no handle procs", false, 0, errPlugInHostInsufficient},
        {"no memory for the parameters block", true, 1, memFullErr},
        {"no memory for the data block", true, 2, memFullErr},
    };
    for (const auto& c : cases) {
        HKOptions options = HK_DefaultOptions();
        options.handleProcs = c.handleProcs;
        options.failNewHandle = c.failNewHandle;
        h.Open(TestDocument(6, 4, 3, 8), options);
        EXPECT_EQ(h.FirstCall(filterSelectorParameters, false), c.result) << c.name;
        EXPECT_EQ(h.FirstCall(filterSelectorPrepare, false), c.result) << c.name;
    }
}

TEST_F(BlocksTest, AnUnreadablePreferencesFileIsReported) {
    ASSERT_TRUE(WriteWholeFile(PrefsFilePath(), {0, 0, 0, 2, 0, 0}));  // cut inside an entry
    EXPECT_EQ(h.FirstCall(filterSelectorParameters, false), filterBadParameters);
    ASSERT_EQ(AlertMessages().size(), 1u);
    EXPECT_EQ(AlertMessages()[0],
              "A file read error occurred while reading Preferences file " + PrefsFilePath() + ".");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(PrefsFilePath(), &bytes));
    EXPECT_EQ(bytes.size(), 6u) << "the user's file is left alone";
}

TEST_F(BlocksTest, ChangedCallbacksAreReportedWithDiagnosticsOnAndTheRunGoesOn) {
    ASSERT_EQ(h.FirstCall(filterSelectorParameters, true), noErr);
    Headless_ClearAlerts();
    EXPECT_EQ(h.Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(Headless_AlertCount(), 0) << "same callbacks";
    h.host.record->colorServices = reinterpret_cast<ColorServicesProc>(0x1234);
    EXPECT_EQ(h.Call(filterSelectorPrepare), noErr);
    ASSERT_EQ(Headless_AlertCount(), 1);
    EXPECT_STREQ(Headless_Alert(0)->text, "Checksum error!");
    const std::string log = ReadDebugLog();
    for (const char* line :
         {"CreateDataHandle", "ValidateChecksum: CheckData", "colorServices = 4660"})
        EXPECT_TRUE(LogHas(log, line)) << line;
    EXPECT_NE(log.find("newChecksum = "), std::string::npos);
    // With diagnostics off nothing is checked.
    h.FirstCall(filterSelectorPrepare, false);
    EXPECT_EQ(Headless_AlertCount(), 1);
}

}  // namespace
