#include "editor/settings_file.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "editor/memory_colour_file.h"
#include "engine/memory_colour.h"
#include "tests/support/alert_messages.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/edit_pars_samples.h"
#include "tests/support/test_support.h"
#include "ui/file_layer.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Text(const std::string& path) {
    Bytes b;
    EXPECT_TRUE(ReadWholeFile(path, &b)) << path;
    return std::string(b.begin(), b.end());
}

void Put(const std::string& path, const std::string& text) {
    ASSERT_TRUE(WriteWholeFile(path, Bytes(text.begin(), text.end())));
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

size_t FolderEntryCount(const std::string& folder) {
    size_t n = 0;
    DIR* d = opendir(folder.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        if (e->d_name[0] != '.') ++n;
    if (d) closedir(d);
    return n;
}

// The settings fields compared one by one (text keeps six decimals).
void ExpectSameBase(const EditPars& a, const EditPars& b, float tolerance) {
    EXPECT_NEAR(a.refRGB.gamma, b.refRGB.gamma, tolerance);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(a.refRGB.xyzWhite[i], b.refRGB.xyzWhite[i], tolerance);
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(a.refRGB.primaries[i], b.refRGB.primaries[i], tolerance);
    EXPECT_EQ(a.doAutoBlack, b.doAutoBlack);
    EXPECT_EQ(a.doAutoWhite, b.doAutoWhite);
    EXPECT_EQ(a.doAutoMidGray, b.doAutoMidGray);
    EXPECT_NEAR(a.autoBlackAmount, b.autoBlackAmount, tolerance);
    EXPECT_NEAR(a.autoWhiteAmount, b.autoWhiteAmount, tolerance);
    EXPECT_NEAR(a.autoMidGrayAmount, b.autoMidGrayAmount, tolerance);
    EXPECT_NEAR(a.brightness, b.brightness, tolerance);
    EXPECT_NEAR(a.contrast, b.contrast, tolerance);
    for (int k = 0; k < kMemoryColorBins; ++k) {
        const MemoryColorBin &x = a.customBinColors[k], &y = b.customBinColors[k];
        SCOPED_TRACE(k);
        EXPECT_EQ(x.haveDef, y.haveDef);
        EXPECT_STREQ(x.name, y.name);
        EXPECT_NEAR(x.fcn.maxChroma, y.fcn.maxChroma, tolerance);
        EXPECT_NEAR(x.fcn.baseHue, y.fcn.baseHue, tolerance);
        EXPECT_NEAR(x.fcn.dHdL, y.fcn.dHdL, tolerance);
        for (int s = 0; s < kSamplesPerBin; ++s) {
            EXPECT_NEAR(x.samplesBin[s].sumR, y.samplesBin[s].sumR, tolerance);
            EXPECT_NEAR(x.samplesBin[s].sumG, y.samplesBin[s].sumG, tolerance);
            EXPECT_NEAR(x.samplesBin[s].sumB, y.samplesBin[s].sumB, tolerance);
            EXPECT_EQ(x.samplesBin[s].count, y.samplesBin[s].count);
        }
    }
}

bool SameSection(const EditPars& a, const EditPars& b) {
    return a.doSharpen == b.doSharpen && a.sharpenStrength == b.sharpenStrength &&
           a.sharpenMode == b.sharpenMode && a.doRemoveNoise == b.doRemoveNoise &&
           a.noiseFlag == b.noiseFlag && a.noiseExtra == b.noiseExtra &&
           std::memcmp(a.noiseRadius, b.noiseRadius, sizeof a.noiseRadius) == 0 &&
           std::memcmp(a.noiseThreshold, b.noiseThreshold, sizeof a.noiseThreshold) == 0;
}

// A record whose sharpen / noise block differs from both the defaults and
// ChangedPars, to show which block a read leaves alone.
EditPars TargetPars() {
    EditPars p = DefaultPars();
    p.doSharpen = 1;
    p.sharpenStrength = 20;
    p.noiseRadius[2] = 9;
    p.brightness = 0.125f;
    return p;
}

EditPars ChangedWithLongName() {
    EditPars p = ChangedPars();
    std::strcpy(p.customBinColors[3].name, "Nineteen characters");  // 19
    return p;
}

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = MakeTempFolder("settings");
        for (int32_t f = 0; f < kFLFaultCount; ++f) FL_InjectFault(f, 0);
    }
    void TearDown() override {
        for (int32_t f = 0; f < kFLFaultCount; ++f) FL_InjectFault(f, 0);
    }
    std::string Path(const char* name) const { return folder_ + name; }
    std::string folder_;
};

TEST_F(SettingsFile, WrittenAndReadBackWithItsSection) {
    const EditPars changed = ChangedWithLongName();
    const std::string path = Path("Portrait Pars.txt");
    ASSERT_EQ(WriteCustomSettings(&changed, path.c_str()), kUiOk);
    const std::string text = Text(path);
    EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
              "1.750000 0.937500 0.968750 0.812500\n"
              "0.734700 0.265300 0.159600 0.840400 0.036600 0.000100\n");
    EXPECT_NE(text.find("\n1 1 1\n0.250000 0.750000 0.500000\n0.625000 0.375000\n0\nColour "
                        "number 0\n10.000000 100.000000 -0.031250\n1000.000000 2000.500000 "
                        "3000.250000 1\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nNineteen characters\n"), std::string::npos);
    const size_t section = text.find("-----\n");
    ASSERT_NE(section, std::string::npos);
    EXPECT_EQ(text.substr(section), "-----\n1 7 2\n1 1 3\n1 2 3 4\n5 6 7 8\n");
    EXPECT_EQ(FolderEntryCount(folder_), 1u);  // no temporary file left

    // The record first: the sharpen / noise block stays as it was.
    const EditPars before = TargetPars();
    EditPars target = before;
    ASSERT_EQ(ReadCustomSettings(&target, path.c_str(), kDefaultPredefinedBins), kUiOk);
    ExpectSameBase(target, changed, 0.0f);
    EXPECT_TRUE(SameSection(target, before));
    // Then the section.
    ASSERT_EQ(ReadSharpenNoiseSection(&target, path.c_str()), kUiOk);
    EXPECT_TRUE(SameSection(target, changed));

    // The defaults (computed white points) survive within the six decimals.
    const EditPars defaults = DefaultPars();
    ASSERT_EQ(WriteCustomSettings(&defaults, path.c_str()), kUiOk);
    ASSERT_EQ(ReadCustomSettings(&target, path.c_str(), kDefaultPredefinedBins), kUiOk);
    ExpectSameBase(target, defaults, 5e-7f);
}

TEST_F(SettingsFile, LineEndsAndAMissingSection) {
    const EditPars changed = ChangedPars();
    const std::string written = Path("written.txt");
    ASSERT_EQ(WriteCustomSettings(&changed, written.c_str()), kUiOk);
    const std::string text = Text(written);
    const std::string base = text.substr(0, text.find("-----\n"));
    struct Case {
        const char* name;
        std::string text;
        bool hasSection;
    };
    std::string noFinalLineEnd = text;
    noFinalLineEnd.pop_back();
    const Case cases[] = {
        {"CR LF", Replace(text, "\n", "\r\n"), true},
        {"CR", Replace(text, "\n", "\r"), true},
        {"last line without its line end", noFinalLineEnd, true},
        {"ends after the tenth slot group", base, false},
        {"section lines without a line end", base.substr(0, base.size() - 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("case.txt");
        Put(path, c.text);
        const EditPars before = TargetPars();
        EditPars target = before;
        ASSERT_EQ(ReadCustomSettings(&target, path.c_str(), kDefaultPredefinedBins), kUiOk);
        ExpectSameBase(target, changed, 0.0f);
        const int32_t section = ReadSharpenNoiseSection(&target, path.c_str());
        if (c.hasSection) {
            EXPECT_EQ(section, kUiOk);
            EXPECT_TRUE(SameSection(target, changed));
        } else {
            EXPECT_NE(section, kUiOk);
            EXPECT_TRUE(SameSection(target, before));
        }
    }
}

// Line numbers below count from 1 in the written file of ChangedPars: lines
// 1 to 5, then slot groups of 13 lines (haveDef, name, fcn, ten samples).
std::string WithLine(const std::string& text, int line, const std::string& replacement) {
    size_t start = 0;
    for (int i = 1; i < line; ++i) start = text.find('\n', start) + 1;
    const size_t end = text.find('\n', start);
    return text.substr(0, start) + replacement + text.substr(end);
}

std::string UpToLine(const std::string& text, int lines) {
    size_t end = 0;
    for (int i = 0; i < lines; ++i) end = text.find('\n', end) + 1;
    return text.substr(0, end);
}

TEST_F(SettingsFile, MalformedFilesChangeNothing) {
    const EditPars changed = ChangedPars();
    const std::string written = Path("written.txt");
    ASSERT_EQ(WriteCustomSettings(&changed, written.c_str()), kUiOk);
    const std::string text = Text(written);
    const int slot3 = 5 + 3 * 13;  // the line before slot 3's group
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"name of 20 characters", WithLine(text, slot3 + 2, "Twenty characters!!!")},
        {"three numbers for four", WithLine(text, 1, "2.2 0.95 1.0")},
        {"a word for haveDef", WithLine(text, slot3 + 1, "yes")},
        {"a sample with three values", WithLine(text, slot3 + 9, "1.0 2.0 3.0")},
        {"brightness out of range", WithLine(text, 5, "1.5 0.5")},
        {"a switch of 2", WithLine(text, 3, "2 0 0")},
        {"a switch of 256", WithLine(text, 3, "256 0 0")},
        {"a negative sample", WithLine(text, slot3 + 4, "-1.0 2.0 3.0 4")},
        {"hue not a number", WithLine(text, slot3 + 3, "10.0 nan 0.5")},
        {"gamma 0", WithLine(text, 1, "0 0.95 1.0 1.08")},
        {"a primary with y = 0", WithLine(text, 2, "0.64 0 0.3 0.6 0.15 0.06")},
        {"cut inside slot 3", UpToLine(text, slot3 + 6)},
        {"cut after line 5", UpToLine(text, 5)},
        {"empty", ""},
        {"binary", std::string("\0\1\2\3", 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("bad.txt");
        Put(path, c.text);
        const EditPars before = TargetPars();
        EditPars target = before;
        EXPECT_EQ(ReadCustomSettings(&target, path.c_str(), kDefaultPredefinedBins), kUiErrFormat);
        EXPECT_EQ(std::memcmp(&target, &before, sizeof target), 0);
    }
    EditPars target = TargetPars();
    EXPECT_EQ(ReadCustomSettings(&target, Path("missing.txt").c_str(), 2), kUiErrOpen);

    // A section with a line of three numbers for four, or a switch of 2.
    const size_t section = text.find("-----\n");
    for (const std::string& bad :
         {text.substr(0, section) + "-----\n1 7 2\n1 1 3\n1 2 3\n5 6 7 8\n",
          text.substr(0, section) + "-----\n2 7 2\n1 1 3\n1 2 3 4\n5 6 7 8\n"}) {
        const std::string path = Path("bad.txt");
        Put(path, bad);
        const EditPars before = TargetPars();
        EditPars t = before;
        EXPECT_EQ(ReadSharpenNoiseSection(&t, path.c_str()), kUiErrFormat);
        EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0);
    }
}

// A failing write, flush, close or rename at any point keeps the file that
// was there and leaves no temporary file behind.
TEST_F(SettingsFile, DiskFailuresKeepTheOldFile) {
    const std::string path = Path("Pars.txt");
    const EditPars old = DefaultPars();
    ASSERT_EQ(WriteCustomSettings(&old, path.c_str()), kUiOk);
    const std::string oldText = Text(path);
    const EditPars changed = ChangedPars();
    MemoryColorBin sky = changed.customBinColors[4];
    for (int32_t fault : {kFLFaultWrite, kFLFaultFlush, kFLFaultClose, kFLFaultRename}) {
        for (uint32_t n = 1;; ++n) {
            SCOPED_TRACE(testing::Message() << "fault " << fault << " at " << n);
            FL_InjectFault(fault, n);
            const int32_t status = WriteCustomSettings(&changed, path.c_str());
            const uint32_t ops = FL_FaultOpCount(fault);
            FL_InjectFault(fault, 0);
            if (ops < n) {
                ASSERT_EQ(status, kUiOk);
                ASSERT_EQ(WriteCustomSettings(&old, path.c_str()), kUiOk);
                break;
            }
            EXPECT_EQ(status, kUiErrWrite);
            EXPECT_EQ(Text(path), oldText);
            EXPECT_EQ(FolderEntryCount(folder_), 1u);
        }
        // The one-line memory colour file goes the same way.
        const std::string colour = Path("Pars.txt");
        FL_InjectFault(fault, 1);
        EXPECT_EQ(WriteMemoryColor(&sky, colour.c_str()), kUiErrWrite);
        FL_InjectFault(fault, 0);
        EXPECT_EQ(Text(path), oldText);
        EXPECT_EQ(FolderEntryCount(folder_), 1u);
    }
}

TEST_F(SettingsFile, MemoryColourLines) {
    MemoryColorBin bin = ChangedPars().customBinColors[5];
    bin.fcn = {29.5f, 200.5f, -0.5f};
    std::strcpy(bin.name, "Sky");
    const std::string path = Path("Sky.txt");
    ASSERT_EQ(WriteMemoryColor(&bin, path.c_str()), kUiOk);
    EXPECT_EQ(Text(path), "1 201  30 -0.5 Sky\n");  // halves round away from zero
    bin.fcn = {-0.5f, 7.0f, 0.04f};
    ASSERT_EQ(WriteMemoryColor(&bin, path.c_str()), kUiOk);
    EXPECT_EQ(Text(path), "1   7  -1  0.0 Sky\n");
    bin.haveDef = 0;
    EXPECT_EQ(WriteMemoryColor(&bin, Path("none.txt").c_str()), kUiErrArg);
    EXPECT_FALSE(FileExists(Path("none.txt")));

    struct Case {
        const char* text;
        int32_t status;
        MemoryColorFcn fcn;  // chroma, hue, dHdL
        const char* name;
    };
    const Case cases[] = {
        {"1 200  30 -0.5 Sky\n", kUiOk, {30, 200, -0.5f}, "Sky"},
        {"1 200  30 -0.5 Sky", kUiOk, {30, 200, -0.5f}, "Sky"},
        {"1 200  30 -0.5 Sky\r\nnext line", kUiOk, {30, 200, -0.5f}, "Sky"},
        {"1 400 130 -2.0 Far out\n", kUiOk, {100, 360, -1}, "Far out"},
        {"1\t-5\t-3\t1.5\tTabs\n", kUiOk, {0, 0, 1}, "Tabs"},
        {"1 12 34 0.1 A name much longer than nineteen\n",
         kUiOk,
         {34, 12, 0.1f},
         "A name much longer "},
        {"1 12 34 0.1 \n", kUiOk, {34, 12, 0.1f}, ""},
        {"0 200  30 -0.5 Sky\n", kUiErrFormat, {}, nullptr},
        {"2 200  30 -0.5 Sky\n", kUiErrFormat, {}, nullptr},
        {"1 200 30 Sky\n", kUiErrFormat, {}, nullptr},
        {"1 200 30 -0.5\n", kUiErrFormat, {}, nullptr},
        {"1 200 x -0.5 Sky\n", kUiErrFormat, {}, nullptr},
        {"1 inf 30 -0.5 Sky\n", kUiErrFormat, {}, nullptr},
        {"\n", kUiErrFormat, {}, nullptr},
        {"", kUiErrFormat, {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Put(path, c.text);
        const MemoryColorBin before = ChangedPars().customBinColors[2];
        MemoryColorBin slot = before;
        EXPECT_EQ(ReadMemoryColor(&slot, path.c_str()), c.status);
        if (c.status != kUiOk) {
            EXPECT_EQ(std::memcmp(&slot, &before, sizeof slot), 0);
            continue;
        }
        EXPECT_EQ(slot.haveDef, 1);
        EXPECT_FLOAT_EQ(slot.fcn.maxChroma, c.fcn.maxChroma);
        EXPECT_FLOAT_EQ(slot.fcn.baseHue, c.fcn.baseHue);
        EXPECT_FLOAT_EQ(slot.fcn.dHdL, c.fcn.dHdL);
        EXPECT_STREQ(slot.name, c.name);
        EXPECT_EQ(std::memcmp(slot.samplesBin, before.samplesBin, sizeof slot.samplesBin), 0);
    }
}

TEST_F(SettingsFile, MeasurementHeaders) {
    const struct {
        const char* header;
        int32_t type;
    } cases[] = {{"Lab", 0},    {"Luv", 1},   {"xyY", 2},     {"xyY100", 3}, {"XYZ", 4},
                 {"XYZ100", 5}, {"LCHab", 6}, {"LCHuv", 7},   {"", 0},       {"LCH", 6},
                 {"Lab ", -1},  {"lab", -1},  {"XYZ1000", -1}};
    for (const auto& c : cases) {
        int32_t type = -1;
        const int32_t status = MeasurementTypeOfHeader(c.header, &type);
        EXPECT_EQ(status, c.type < 0 ? kUiErrFormat : kUiOk) << c.header;
        if (c.type >= 0) {
            EXPECT_EQ(type, c.type) << c.header;
        }
    }
}

TEST_F(SettingsFile, MeasurementImport) {
    const float triples[][3] = {{40, 20, 40}, {60, 25, 50}, {70, 18, 45}};
    MemoryColorFcn expected = {};
    int32_t expectedSkipped = -1;
    ASSERT_EQ(
        FitColorFunctionFromMeasurements(3, triples, kMeasuredLCHuv, &expected, &expectedSkipped),
        kUiOk);
    const std::string good = "LCHuv\n40 20 40\n60\t25\t50\r\n70 18 45";
    struct Case {
        const char* name;
        std::string text;
        int32_t status;
    };
    const Case cases[] = {
        {"good", good, kUiOk},
        {"good with a final line end", good + "\n", kUiOk},
        {"an empty line among them", "LCHuv\n40 20 40\n\n60 25 50\n70 18 45\n", kUiErrFormat},
        {"two numbers", "LCHuv\n40 20 40\n60 25\n70 18 45\n", kUiErrFormat},
        {"one separator", "LCHuv\n40 20,40\n", kUiErrFormat},
        // Three numbers to sscanf, but only the separator rule refuses it.
        {"one separator, three numbers", "LCHuv\n40 20+40\n", kUiErrFormat},
        {"a word", "LCHuv\n40 20 forty\n", kUiErrFormat},
        {"no measurements", "LCHuv\n", kUiErrFormat},
        {"unknown space", "HSV\n40 20 40\n", kUiErrFormat},
        {"empty file", "", kUiErrFormat},
        {"nothing usable", "Lab\n-5 0 0\n", kUiErrArg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("measured.txt");
        Put(path, c.text);
        const MemoryColorBin before = ChangedPars().customBinColors[2];
        MemoryColorBin slot = before;
        int32_t skipped = -1;
        EXPECT_EQ(ImportCieMeasurements(nullptr, &slot, path.c_str(), &skipped), c.status);
        if (c.status != kUiOk) {
            EXPECT_EQ(std::memcmp(&slot, &before, sizeof slot), 0);
            continue;
        }
        EXPECT_EQ(skipped, 0);
        EXPECT_FLOAT_EQ(slot.fcn.maxChroma, expected.maxChroma);
        EXPECT_FLOAT_EQ(slot.fcn.baseHue, expected.baseHue);
        EXPECT_FLOAT_EQ(slot.fcn.dHdL, expected.dHdL);
    }

    // A measurement outside the ranges is skipped and the user is told.
    RemoveDebugLog();
    const std::string path = Path("measured.txt");
    Put(path, "Lab\n50 20 10\n-5 0 0\n60 25 15\n");
    MemoryColorBin slot = ChangedPars().customBinColors[2];
    int32_t skipped = 0;
    UiState* state = nullptr;
    ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
    ASSERT_EQ(ImportCieMeasurements(state, &slot, path.c_str(), &skipped), kUiOk);
    Ui_State_Close(&state);
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(AlertMessages(), std::vector<std::string>{"1 invalid measurements were skipped."});

    // Short of memory: -3 and the slot as it was.
    const MemoryColorBin untouched = ChangedPars().customBinColors[2];
    RunAllocationFailureLoop([&] {
        MemoryColorBin s = untouched;
        int32_t n = 0;
        const int32_t status = ImportCieMeasurements(nullptr, &s, path.c_str(), &n);
        if (status != kUiOk) {
            EXPECT_EQ(std::memcmp(&s, &untouched, sizeof s), 0);
        }
        return status;
    });
}

TEST_F(SettingsFile, StoredSettingsAndTheWorkingSpace) {
    const EditPars stored = ChangedPars();
    const EditPars document = DefaultPars();

    // The same working space, up to four decimals of the primaries: copied.
    EditPars current = TargetPars();
    current.refRGB = stored.refRGB;
    current.refRGB.primaries[0] += 0.00002f;
    UiState* state = nullptr;
    ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
    const std::vector<std::string> asked = {
        "The RGB working space has changed. Your saved settings may not produce the desired "
        "result."};
    ASSERT_EQ(ApplyStoredSettings(state, &stored, &current, 1), kUiOk);
    EXPECT_EQ(std::memcmp(&current, &stored, sizeof current), 0);
    EXPECT_TRUE(AlertMessages().empty());

    // Another working space and the user cancels: nothing changes.
    Headless_QueueClick(2);
    current = document;
    EXPECT_EQ(ApplyStoredSettings(state, &stored, &current, 1), kUiErrCancelled);
    EXPECT_EQ(AlertMessages(), asked);
    EXPECT_EQ(Headless_Beeps(), 1);
    EXPECT_EQ(std::memcmp(&current, &document, sizeof current), 0);

    // "Use Anyway": everything but the working space.
    Headless_ResetDialogs();
    Headless_QueueClick(1);
    current = document;
    ASSERT_EQ(ApplyStoredSettings(state, &stored, &current, 1), kUiOk);
    EXPECT_EQ(AlertMessages(), asked);
    Ui_State_Close(&state);
    EditPars expected = stored;
    expected.refRGB = document.refRGB;
    EXPECT_EQ(std::memcmp(&current, &expected, sizeof current), 0);
}

// A whole file at once: one that ends before the sharpen / noise section
// (written before there was one) loads and leaves the target's block as it
// was; one cut inside the section is a format fault and changes nothing.
TEST_F(SettingsFile, AWholeFileWithOrWithoutItsSection) {
    const EditPars changed = ChangedPars();
    const std::string written = Path("written.txt");
    ASSERT_EQ(WriteCustomSettings(&changed, written.c_str()), kUiOk);
    const std::string text = Text(written);
    const size_t mark = text.find("-----\n");
    ASSERT_NE(mark, std::string::npos);
    const std::string base = text.substr(0, mark);
    enum Outcome { kWhole, kNoSection, kRefused };
    struct Case {
        const char* name;
        std::string text;
        Outcome outcome;
    };
    const Case cases[] = {
        {"whole", text, kWhole},
        {"last line without its line end", text.substr(0, text.size() - 1), kWhole},
        {"CR LF", Replace(text, "\n", "\r\n"), kWhole},
        {"ends after the tenth slot group", base, kNoSection},
        {"blank lines after the slot groups", base + "\n\n", kNoSection},
        {"cut after the mark", base + "-----\n", kRefused},
        {"cut after the sharpen line", UpToLine(text, 5 + 10 * 13 + 2), kRefused},
        {"cut before the thresholds", UpToLine(text, 5 + 10 * 13 + 4), kRefused},
        {"a flag of 2 in the section", Replace(text, "-----\n1 7 2", "-----\n2 7 2"), kRefused},
        {"cut inside slot 9", UpToLine(text, 5 + 9 * 13 + 4), kRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("case.txt");
        Put(path, c.text);
        const EditPars before = TargetPars();
        EditPars target = before;
        const int32_t status =
            ReadCustomSettingsFile(&target, path.c_str(), kDefaultPredefinedBins);
        if (c.outcome == kRefused) {
            EXPECT_EQ(status, kUiErrFormat);
            EXPECT_EQ(std::memcmp(&target, &before, sizeof target), 0);
            continue;
        }
        ASSERT_EQ(status, kUiOk);
        ExpectSameBase(target, changed, 0.0f);
        EXPECT_TRUE(SameSection(target, c.outcome == kWhole ? changed : before));
    }
    EditPars target = TargetPars();
    EXPECT_EQ(ReadCustomSettingsFile(&target, Path("missing.txt").c_str(), 2), kUiErrOpen);
}

}  // namespace
