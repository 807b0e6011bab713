// The plug-in's entries of the preferences file: the order and form in which
// they are written, the round trip, and what the reader does with entries
// that are out of range, of the wrong size or unknown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "editor/stored_prefs.h"
#include "tests/support/alert_messages.h"
#include "tests/support/prefs_samples.h"
#include "tests/support/test_support.h"
#include "ui/platform/headless/headless.h"
#include "ui/portable_number.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A file of the record's entries (the library adds version and end entries).
Bytes FileOf(PrefsRecord* p, const std::string& path) {
    EXPECT_EQ(Ui_Prefs_WriteAll(nullptr, path.c_str(), kUiPrefsFileKind, WriteStoredPrefs, p), 0);
    Bytes b;
    EXPECT_TRUE(ReadWholeFile(path, &b));
    return b;
}

class StoredPrefsTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    std::string path;
    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, nullptr, nullptr, kStrProductName, 0), kUiOk);
        path = MakeTempFolder("stored") + "prefs";
    }
    void TearDown() override { Ui_State_Close(&state); }
    int32_t Read(PrefsRecord* p) {
        return Ui_Prefs_ReadAll(state, path.c_str(), kUiPrefsFileKind, ReadStoredPref, nullptr, p);
    }
    // One entry given to the reader directly.
    void Entry(PrefsRecord* p, uint16_t tag, uint16_t type, uint32_t count, const void* values) {
        EXPECT_EQ(ReadStoredPref(state, tag, type, count, values, p), kUiOk) << tag;
    }
};

TEST_F(StoredPrefsTest, EntriesAreWrittenInTheirOrderWithTheirForms) {
    PrefsRecord p = ChangedPrefs();
    const Bytes file = FileOf(&p, path);
    const struct {
        uint16_t tag, type;
        uint32_t count;
    } expected[] = {{0, 2, 1},  {55, 0, 256},  {54, 0, 256}, {51, 0, 1},    {52, 2, 1},
                    {53, 2, 1}, {59, 0, 2032}, {61, 0, 56},  {60, 0, 2032}, {62, 0, 56},
                    {50, 2, 1}, {58, 0, 1},    {1, 0, 0}};
    size_t at = 0;
    for (const auto& e : expected) {
        ASSERT_LE(at + 8, file.size());
        EXPECT_EQ(Ui_GetBE16(&file[at]), e.tag);
        EXPECT_EQ(Ui_GetBE16(&file[at + 2]), e.type) << e.tag;
        EXPECT_EQ(Ui_GetBE32(&file[at + 4]), e.count) << e.tag;
        if (e.tag == 50) {
            EXPECT_EQ(Ui_GetBE32(&file[at + 8]), 1u) << "start mode Custom";
        }
        if (e.tag == 52) {
            EXPECT_EQ(int32_t(Ui_GetBE32(&file[at + 8])), -7);
        }
        at += 8 + size_t(e.count) * Ui_Prefs_ValueSize(e.type);
    }
    EXPECT_EQ(at, file.size());
}

TEST_F(StoredPrefsTest, WhatIsWrittenReadsBackTheSame) {
    PrefsRecord written = ChangedPrefs();
    const Bytes first = FileOf(&written, path);
    PrefsRecord read = DefaultPrefs();
    ASSERT_EQ(Read(&read), kUiOk);
    EXPECT_EQ(read.startMode, written.startMode);
    EXPECT_STREQ(read.settingsName, "Portraits.txt");
    EXPECT_STREQ(read.customFolder, "/home/user/settings/");
    EXPECT_EQ(read.useLargestWindow, 1);
    EXPECT_EQ(read.showSampledRegion, 1);
    EXPECT_EQ(read.windowValue1, -7);
    EXPECT_EQ(read.windowValue2, 123456);
    EXPECT_EQ(read.custom.brightness, 0.25f);
    EXPECT_EQ(read.custom.sharpenStrength, 12);
    EXPECT_EQ(read.previous.noiseRadius[2], written.previous.noiseRadius[2]);
    EXPECT_EQ(read.previous.customBinColors[7].fcn.baseHue,
              written.previous.customBinColors[7].fcn.baseHue);
    EXPECT_EQ(FileOf(&read, path), first) << "a second round changes no byte";
    EXPECT_EQ(Headless_AlertCount(), 0);
}

TEST_F(StoredPrefsTest, BadEntriesAreReplacedOrLeftOutAndReported) {
    const int32_t seven = 7, minusOne = -1, two = 2;
    const uint8_t flagTwo = 2;
    const int16_t shortValue = 1;
    const struct {
        const char* name;
        uint16_t tag, type;
        uint32_t count;
        const void* values;
        const char* alert;  // null: taken silently
        void (*check)(const PrefsRecord&);
    } cases[] = {
        {"start mode 7 reads as Reset", 50, 2, 1, &seven,
         "A data format error occurred while reading preference 50, using default value.",
         [](const PrefsRecord& p) { EXPECT_EQ(p.startMode, kStartReset); }},
        {"start mode -1 reads as Reset", 50, 2, 1, &minusOne,
         "A data format error occurred while reading preference 50, using default value.",
         [](const PrefsRecord& p) { EXPECT_EQ(p.startMode, kStartReset); }},
        {"start mode 2 is taken", 50, 2, 1, &two, nullptr,
         [](const PrefsRecord& p) { EXPECT_EQ(p.startMode, kStartReset); }},
        {"largest window 2 reads as 0", 51, 0, 1, &flagTwo,
         "A data format error occurred while reading preference 51, using default value.",
         [](const PrefsRecord& p) { EXPECT_EQ(p.useLargestWindow, 0); }},
        {"sampled region 2 reads as 0", 58, 0, 1, &flagTwo,
         "A data format error occurred while reading preference 58, using default value.",
         [](const PrefsRecord& p) { EXPECT_EQ(p.showSampledRegion, 0); }},
        {"start mode of the wrong type", 50, 1, 1, &shortValue,
         "A data format error occurred while reading preference 50.",
         [](const PrefsRecord& p) { EXPECT_EQ(p.startMode, kStartPrevious); }},
        {"window value of two counts", 52, 2, 2, &two,
         "A data format error occurred while reading preference 52.",
         [](const PrefsRecord& p) { EXPECT_EQ(p.windowValue1, 5); }},
        {"a short name", 54, 0, 5, "abcd",
         "A data format error occurred while reading preference 54.",
         [](const PrefsRecord& p) { EXPECT_STREQ(p.settingsName, "kept"); }},
        {"an unknown tag", 70, 2, 1, &seven, nullptr,
         [](const PrefsRecord& p) { EXPECT_EQ(p.startMode, kStartPrevious); }},
    };
    for (const auto& c : cases) {
        Headless_ResetDialogs();
        PrefsRecord p = DefaultPrefs();
        p.startMode = kStartPrevious;
        p.windowValue1 = 5;
        p.useLargestWindow = p.showSampledRegion = 1;
        std::strcpy(p.settingsName, "kept");
        Entry(&p, c.tag, c.type, c.count, c.values);
        c.check(p);
        const std::vector<std::string> shown = AlertMessages();
        ASSERT_EQ(shown.size(), c.alert != nullptr ? 1u : 0u) << c.name;
        if (c.alert != nullptr) {
            EXPECT_THAT(shown[0], ::testing::StartsWith(c.alert)) << c.name;
        }
    }
}

TEST_F(StoredPrefsTest, TextsAreTerminatedAndOlderEntriesDecode) {
    PrefsRecord p = DefaultPrefs();
    char text[256];
    std::memset(text, 'n', sizeof text);
    Entry(&p, 55, 0, 256, text);
    EXPECT_EQ(std::strlen(p.customFolder), 255u);
    // Older files hold the settings in IEEE cells; they decode into the same record.
    const EditPars changed = ChangedPars();
    uint8_t cells[kEditParsBytes];
    ASSERT_EQ(WriteEditParsBigEndian(&changed, cells, sizeof cells), kUiOk);
    Entry(&p, 57, 0, kEditParsBytes, cells);
    EXPECT_EQ(p.previous.contrast, changed.contrast);
    EXPECT_EQ(p.custom.contrast, 0.5f);
    Entry(&p, 56, 0, kEditParsBytes, cells);
    EXPECT_EQ(p.custom.customBinColors[4].fcn.dHdL, changed.customBinColors[4].fcn.dHdL);
    // The sharpen / noise block travels in its own entry.
    uint8_t extension[kEditParsExtensionBytes];
    ASSERT_EQ(WriteEditParsExtension(&changed, extension, sizeof extension), kUiOk);
    EXPECT_EQ(p.custom.noiseExtra, 0);
    Entry(&p, 61, 0, kEditParsExtensionBytes, extension);
    EXPECT_EQ(p.custom.noiseExtra, changed.noiseExtra);
    EXPECT_EQ(p.previous.noiseExtra, 0);
    EXPECT_EQ(Headless_AlertCount(), 0);
}

}  // namespace
