// Scripting: the settings blob and its seven-bit text, the record written at
// finish and read back at start through the host's descriptor, and texts
// that must leave the settings untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/blocks.h"
#include "host/script_params.h"
#include "tests/support/plugin_host.h"
#include "tests/support/prefs_samples.h"
#include "ui/allocator.h"

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

class ScriptParamsTest : public ::testing::Test {
  protected:
    PluginHost h;
    void SetUp() override {
        std::remove(PrefsFilePath().c_str());
        h.Open(TestDocument(5, 3, 3, 8));
    }
    ParametersBlock* Parameters() { return h.Locked<ParametersBlock>(h.host.record->parameters); }
    DataBlock* Data() { return h.Locked<DataBlock>(reinterpret_cast<Handle>(h.host.data)); }
    // Blocks made by the parameters stage, then their settings as given.
    void MakeBlocks(const PrefsRecord& prefs) {
        ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr);
        Parameters()->prefs = prefs;
    }
    int16_t StartWith(const Bytes& text, int16_t playInfo) {
        EXPECT_EQ(HK_SetDescriptorText(&h.host, kScriptDataKey, text.data(), uint32_t(text.size())),
                  0);
        h.host.options.playInfo = playInfo;
        return h.Call(filterSelectorStart);
    }
    Bytes PrefsBytes() {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&Parameters()->prefs);
        return Bytes(p, p + sizeof(PrefsRecord));
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

    // Another host replays it on fresh blocks.
    PluginHost other;
    other.Open(TestDocument(5, 3, 3, 8));
    ASSERT_EQ(other.FirstCall(filterSelectorParameters, false), noErr);
    ParametersBlock* p = other.Locked<ParametersBlock>(other.host.record->parameters);
    ASSERT_EQ(p->prefs.startMode, kStartReset);
    ASSERT_EQ(HK_SetDescriptorText(&other.host, kScriptDataKey, recorded.data(), size), 0);
    other.host.options.playInfo = plugInDialogDontDisplay;
    ASSERT_EQ(other.Call(filterSelectorStart), noErr);
    EXPECT_EQ(BlobOf(p->prefs), BlobOf(changed)) << "both sets, the start mode and the name";
    EXPECT_STREQ(p->prefs.settingsName, "Portraits.txt");
    EXPECT_EQ(other.Locked<DataBlock>(reinterpret_cast<Handle>(other.host.data))->showEditor, 0);
    EXPECT_EQ(other.host.descriptorParameters.descriptor, nullptr) << "read and disposed of";
    EXPECT_EQ(other.host.liveHandles, 2) << "only the two blocks remain";
}

TEST_F(ScriptParamsTest, TheOlderFormLeavesTheSharpenAndNoiseSettings) {
    MakeBlocks(DefaultPrefs());
    PrefsRecord changed = ChangedPrefs();
    changed.previous.sharpenStrength = 20;
    const Bytes text = TextOf(ShortBlob(BlobOf(changed)));
    ASSERT_EQ(StartWith(text, plugInDialogDisplay), noErr);
    const PrefsRecord& p = Parameters()->prefs;
    EXPECT_EQ(p.previous.brightness, changed.previous.brightness);
    EXPECT_EQ(p.custom.brightness, 0.25f);
    EXPECT_EQ(p.previous.sharpenStrength, DefaultPrefs().previous.sharpenStrength);
    EXPECT_EQ(p.custom.noiseExtra, DefaultPrefs().custom.noiseExtra);
    EXPECT_EQ(p.startMode, kStartCustom);
    EXPECT_EQ(Data()->showEditor, 1);
}

TEST_F(ScriptParamsTest, AStartModeOfThreeOrMoreIsNotTaken) {
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
        const Bytes before = PrefsBytes();
        EXPECT_EQ(StartWith(c.text, plugInDialogDisplay), noErr) << c.name;
        EXPECT_EQ(PrefsBytes(), before) << c.name;
        EXPECT_EQ(Data()->showEditor, 1) << c.name << ": the play information still counts";
    }
}

TEST_F(ScriptParamsTest, OtherKeysOrNoDescriptorLeaveTheSettings) {
    MakeBlocks(DefaultPrefs());
    const Bytes before = PrefsBytes();
    const Bytes text = TextOf(BlobOf(ChangedPrefs()));
    ASSERT_EQ(HK_SetDescriptorText(&h.host, PIFourCC("Othr"), text.data(), uint32_t(text.size())),
              0);
    h.host.options.playInfo = plugInDialogDontDisplay;
    ASSERT_EQ(h.Call(filterSelectorStart), noErr);
    EXPECT_EQ(PrefsBytes(), before);
    EXPECT_EQ(Data()->showEditor, 0);
    // No descriptor at all: the flag keeps its value.
    h.host.options.playInfo = plugInDialogDisplay;
    ASSERT_EQ(h.Call(filterSelectorStart), noErr);
    EXPECT_EQ(Data()->showEditor, 0);
    // A host without descriptors records nothing and succeeds.
    h.host.record->descriptorParameters = nullptr;
    EXPECT_EQ(h.Call(filterSelectorFinish), noErr);
    EXPECT_EQ(h.Call(filterSelectorStart), noErr);
}

}  // namespace
