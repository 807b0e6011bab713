// Scripting: the settings blob and its seven-bit text, the record written at
// finish and read back at start through the host's descriptor, and texts
// that must leave the settings untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "editor/stored_prefs.h"
#include "host/blocks.h"
#include "host/script_params.h"
#include "resources/dialog_table.h"
#include "tests/support/plugin_host.h"
#include "tests/support/prefs_samples.h"
#include "ui/allocator.h"
#include "ui/platform/headless/headless_dialogs.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes BlobOf(const PrefsRecord& p) {
    Bytes blob(kScriptBlobBytes);
    EXPECT_EQ(EncodeScriptBlob(&p, blob.data(), uint32_t(blob.size())), 0);
    return blob;
}

Bytes TextOf(const Bytes& blob) {
    Bytes text(ScriptTextBytes(uint32_t(blob.size())));
    PackScriptText(blob.data(), uint32_t(blob.size()), text.data());
    return text;
}

// The older form: both base blocks without their sharpen / noise blocks.
Bytes ShortBlob(const Bytes& blob) {
    const uint32_t base = kEditParsBytes, block = kEditParsBytes + kEditParsExtensionBytes;
    Bytes s(blob.begin(), blob.begin() + base);
    s.insert(s.end(), blob.begin() + block, blob.begin() + block + base);
    s.insert(s.end(), blob.begin() + 2 * block, blob.end());
    EXPECT_EQ(s.size(), kScriptBlobShortBytes);
    return s;
}

TEST(ScriptText, SevenBitsPerByteAndTheLengthFirst) {
    const Bytes blob = BlobOf(ChangedPrefs());
    const Bytes text = TextOf(blob);
    ASSERT_EQ(text.size(), 5550u);
    EXPECT_EQ(Bytes(text.begin(), text.begin() + 5), (Bytes{81, 34, 0, 0, 0}));
    for (uint8_t b : text) ASSERT_LT(b, 128);
    uint8_t* back = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(UnpackScriptText(text.data(), uint32_t(text.size()), &back, &length), 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Bytes(back, back + length), blob);
    Ui_Free(back);
    // A word of all ones uses the top group's four bits only.
    const Bytes ones(4, 0xFF);
    Bytes t(10);
    PackScriptText(ones.data(), 4, t.data());
    EXPECT_EQ(t, (Bytes{4, 0, 0, 0, 0, 127, 127, 127, 127, 15}));
}

TEST(ScriptText, OnlyAWholeBlobOfAKnownLengthIsTaken) {
    const Bytes text = TextOf(BlobOf(DefaultPrefs()));
    Bytes unknown = text;
    unknown[0] = 82;  // 4434 bytes
    const Bytes shortText = TextOf(ShortBlob(BlobOf(DefaultPrefs())));
    const struct {
        const char* name;
        Bytes bytes;
        uint32_t length;  // 0: nothing taken
    } cases[] = {
        {"whole", text, kScriptBlobBytes},
        {"older form", shortText, kScriptBlobShortBytes},
        {"longer than needed",
         [&] {
             Bytes b = text;
             b.resize(6000, 0);
             return b;
         }(),
         kScriptBlobBytes},
        {"one byte short", Bytes(text.begin(), text.end() - 1), 0},
        {"cut at 3000", Bytes(text.begin(), text.begin() + 3000), 0},
        {"length only", Bytes(text.begin(), text.begin() + 5), 0},
        {"shorter than the length", Bytes(text.begin(), text.begin() + 4), 0},
        {"unknown length", unknown, 0},
    };
    for (const auto& c : cases) {
        uint8_t* blob = nullptr;
        uint32_t length = 0;
        EXPECT_EQ(UnpackScriptText(c.bytes.data(), uint32_t(c.bytes.size()), &blob, &length), 0)
            << c.name;
        EXPECT_EQ(length, c.length) << c.name;
        EXPECT_EQ(blob != nullptr, c.length != 0) << c.name;
        Ui_Free(blob);
    }
}

TEST(ScriptBlob, BothSetsTheStartModeAndTheNameComeBack) {
    const PrefsRecord changed = ChangedPrefs();
    PrefsRecord read = DefaultPrefs();
    const Bytes blob = BlobOf(changed);
    ASSERT_EQ(DecodeScriptBlob(blob.data(), uint32_t(blob.size()), &read), 0);
    EXPECT_EQ(BlobOf(read), blob);
    EXPECT_EQ(read.startMode, kStartCustom);
    EXPECT_STREQ(read.settingsName, "Portraits.txt");
    EXPECT_EQ(read.previous.noiseRadius[1], changed.previous.noiseRadius[1]);
    EXPECT_EQ(read.custom.sharpenStrength, 12);
    EXPECT_EQ(DecodeScriptBlob(blob.data(), 4000, &read), -8);
}

TEST(ScriptBlob, TheOlderFormLeavesTheSharpenAndNoiseSettings) {
    PrefsRecord changed = ChangedPrefs();
    changed.previous.sharpenStrength = 20;
    const Bytes blob = ShortBlob(BlobOf(changed));
    PrefsRecord read = DefaultPrefs();
    ASSERT_EQ(DecodeScriptBlob(blob.data(), uint32_t(blob.size()), &read), 0);
    EXPECT_EQ(read.previous.brightness, changed.previous.brightness);
    EXPECT_EQ(read.custom.brightness, 0.25f);
    EXPECT_EQ(read.previous.sharpenStrength, DefaultPrefs().previous.sharpenStrength);
    EXPECT_EQ(read.custom.noiseExtra, DefaultPrefs().custom.noiseExtra);
    EXPECT_EQ(read.startMode, kStartCustom);
}

TEST(ScriptBlob, AStartModeOfThreeOrMoreIsNotTaken) {
    for (uint32_t mode : {3u, 7u, 255u}) {
        PrefsRecord sent = DefaultPrefs();
        sent.startMode = mode;
        const Bytes blob = BlobOf(sent);
        PrefsRecord read = DefaultPrefs();
        read.startMode = kStartPrevious;
        ASSERT_EQ(DecodeScriptBlob(blob.data(), uint32_t(blob.size()), &read), 0);
        EXPECT_EQ(read.startMode, kStartPrevious) << mode;
    }
}

// The start stage reads the script after the preferences file; what the
// script sets (the custom settings, the start mode, the name) stays in the
// settings record, while the previous settings become those of the run.
class ScriptParamsTest : public ::testing::Test {
  protected:
    PluginHost h;
    void SetUp() override {
        std::remove(PrefsFilePath().c_str());
        h.Open(TestDocument(5, 3, 3, 8));
    }
    ParametersBlock* Parameters() { return h.Locked<ParametersBlock>(h.host.record->parameters); }
    DataBlock* Data() { return h.Locked<DataBlock>(reinterpret_cast<Handle>(h.host.data)); }
    // The preferences file holds prefs; the parameters stage reads it.
    void MakeBlocks(PrefsRecord prefs) {
        ASSERT_EQ(Ui_Prefs_WriteAll(nullptr, PrefsFilePath().c_str(), kUiPrefsFileKind,
                                    WriteStoredPrefs, &prefs),
                  0);
        ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr);
    }
    int16_t StartWith(const Bytes& text, int16_t playInfo) {
        EXPECT_EQ(HK_SetDescriptorText(&h.host, kScriptDataKey, text.data(), uint32_t(text.size())),
                  0);
        h.host.options.playInfo = playInfo;
        return PreparedStart(h);
    }
    // A host prepares every start: prepare chooses the preview a replay reads.
    static int16_t PreparedStart(PluginHost& host) {
        const int16_t prepared = host.Call(filterSelectorPrepare);
        return prepared != noErr ? prepared : host.Call(filterSelectorStart);
    }
    // What a script sets, apart from the previous settings.
    static Bytes Scripted(const PrefsRecord& p) {
        Bytes b = BlobOf(p);
        return Bytes(b.begin() + kEditParsBytes + kEditParsExtensionBytes, b.end());
    }
};

TEST_F(ScriptParamsTest, FinishRecordsTheSettingsAndStartReadsThemBack) {
    const PrefsRecord changed = ChangedPrefs();
    MakeBlocks(changed);
    ASSERT_EQ(h.Call(filterSelectorFinish), noErr);
    uint32_t size = 0;
    const uint8_t* text = HK_DescriptorText(&h.host, kScriptDataKey, &size);
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(size, 5550u);
    for (uint32_t i = 0; i < size; ++i) ASSERT_LT(text[i], 128) << i;
    EXPECT_EQ(h.host.descriptorParameters.recordInfo, plugInDialogOptional);
    const Bytes recorded(text, text + size);
    uint8_t* blob = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(UnpackScriptText(recorded.data(), size, &blob, &length), 0);
    EXPECT_EQ(Bytes(blob, blob + length), BlobOf(Parameters()->prefs)) << "the record as it is";
    Ui_Free(blob);

    // Another host replays it with fresh blocks and a file of defaults.
    std::remove(PrefsFilePath().c_str());
    PluginHost other;
    other.Open(TestDocument(5, 3, 3, 8));
    ASSERT_EQ(other.FirstCall(filterSelectorParameters, false), noErr);
    ParametersBlock* p = other.Locked<ParametersBlock>(other.host.record->parameters);
    ASSERT_EQ(p->prefs.startMode, kStartReset);
    ASSERT_EQ(HK_SetDescriptorText(&other.host, kScriptDataKey, recorded.data(), size), 0);
    other.host.options.playInfo = plugInDialogDontDisplay;
    ASSERT_EQ(PreparedStart(other), noErr);
    EXPECT_EQ(Scripted(p->prefs), Scripted(Parameters()->prefs));
    EXPECT_STREQ(p->prefs.settingsName, "Portraits.txt");
    EXPECT_EQ(other.Locked<DataBlock>(reinterpret_cast<Handle>(other.host.data))->showEditor, 0);
    EXPECT_EQ(other.host.descriptorParameters.descriptor, nullptr) << "read and disposed of";
    EXPECT_EQ(other.host.liveHandles, 2) << "only the two blocks remain";
    // ... and the replayed settings reach the preferences file.
    PrefsRecord file = DefaultPrefs();
    ASSERT_EQ(Ui_Prefs_ReadAll(nullptr, PrefsFilePath().c_str(), kUiPrefsFileKind, ReadStoredPref,
                               nullptr, &file),
              0);
    EXPECT_EQ(Scripted(file), Scripted(p->prefs));
}

TEST_F(ScriptParamsTest, AStartModeOfThreeOrMoreLeavesTheStoredOne) {
    PrefsRecord stored = DefaultPrefs();
    stored.startMode = kStartPrevious;
    MakeBlocks(stored);
    PrefsRecord sent = DefaultPrefs();
    sent.startMode = 3;
    ASSERT_EQ(StartWith(TextOf(BlobOf(sent)), plugInDialogDisplay), noErr);
    EXPECT_EQ(Parameters()->prefs.startMode, kStartPrevious);
}

TEST_F(ScriptParamsTest, TextsThatAreNotWholeBlobsLeaveTheSettingsUntouched) {
    const Bytes good = TextOf(BlobOf(ChangedPrefs()));
    const struct {
        const char* name;
        Bytes text;
    } cases[] = {
        {"cut inside the blob", Bytes(good.begin(), good.begin() + 2000)},
        {"one byte short", Bytes(good.begin(), good.end() - 1)},
        {"unknown length",
         [&] {
             Bytes b = good;
             b[0] = 80;
             return b;
         }()},
        {"empty", Bytes()},
    };
    for (const auto& c : cases) {
        MakeBlocks(DefaultPrefs());
        Data()->showEditor = 0;
        Headless_ResetDialogs();
        EXPECT_EQ(StartWith(c.text, plugInDialogDisplay), noErr) << c.name;
        EXPECT_EQ(Scripted(Parameters()->prefs), Scripted(DefaultPrefs())) << c.name;
        // The editor ran, and the start cleared the flag after it.
        EXPECT_NE(Headless_LastDialog(kDialogEditor), nullptr)
            << c.name << ": the play information still counts";
        EXPECT_EQ(Data()->showEditor, 0) << c.name;
    }
}

TEST_F(ScriptParamsTest, OtherKeysOrNoDescriptorLeaveTheSettings) {
    MakeBlocks(DefaultPrefs());
    const Bytes text = TextOf(BlobOf(ChangedPrefs()));
    ASSERT_EQ(HK_SetDescriptorText(&h.host, PIFourCC("Othr"), text.data(), uint32_t(text.size())),
              0);
    h.host.options.playInfo = plugInDialogDontDisplay;
    ASSERT_EQ(PreparedStart(h), noErr);
    EXPECT_EQ(Scripted(Parameters()->prefs), Scripted(DefaultPrefs()));
    EXPECT_EQ(Data()->showEditor, 0);
    // No descriptor at all: the flag keeps its value.
    h.host.options.playInfo = plugInDialogDisplay;
    ASSERT_EQ(PreparedStart(h), noErr);
    EXPECT_EQ(Data()->showEditor, 0);
    // A host without descriptors records nothing and succeeds.
    h.host.record->descriptorParameters = nullptr;
    EXPECT_EQ(h.Call(filterSelectorFinish), noErr);
    EXPECT_EQ(PreparedStart(h), noErr);
}

}  // namespace
