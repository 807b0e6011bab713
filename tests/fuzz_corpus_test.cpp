// The fuzz targets' seed corpora are made by the writers: this test rebuilds
// every seed and compares it with the committed file, so a change of format
// cannot leave stale seeds behind (the seeds of fuzz_tintwork_stream are kept
// by tintwork_stream_test). With VANTORIA_WRITE_CORPUS=1 it writes them into
// the source tree instead.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/memory_colour_file.h"
#include "editor/settings_file.h"
#include "editor/stored_prefs.h"
#include "engine/edit_pars.h"
#include "engine/memory_colour.h"
#include "engine/tintwork.h"
#include "host/script_params.h"
#include "tests/support/edit_pars_samples.h"
#include "tests/support/prefs_samples.h"
#include "tests/support/test_support.h"
#include "tests/tintwork_fixture.h"
#include "ui/prefs_file.h"
#include "ui/status.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Block(const EditPars& p, bool bigEndian) {
    Bytes b(kEditParsBytes + kEditParsExtensionBytes);
    if (bigEndian)
        WriteEditParsBigEndian(&p, b.data(), kEditParsBytes);
    else
        WriteEditPars(&p, b.data(), kEditParsBytes);
    WriteEditParsExtension(&p, b.data() + kEditParsBytes, kEditParsExtensionBytes);
    return b;
}

// The entries a plug-in stores, in its order, with one settings record.
struct Stored {
    EditPars pars;
    bool withOlderEntries;
};

int32_t WriteStored(UiState*, FLFile* f, void* context) {
    const Stored& s = *static_cast<const Stored*>(context);
    char text[256] = {};
    std::strcpy(text, "/home/user/settings/");
    const uint8_t flag = 1;
    const int32_t zero = 0, startMode = 2;
    const Bytes block = Block(s.pars, false);
    UI_TRY(Ui_Prefs_WriteEntry(f, 55, kUiPrefsBytes, sizeof text, text));
    std::strcpy(text, "Portraits.txt");
    UI_TRY(Ui_Prefs_WriteEntry(f, 54, kUiPrefsBytes, sizeof text, text));
    UI_TRY(Ui_Prefs_WriteEntry(f, 51, kUiPrefsBytes, 1, &flag));
    UI_TRY(Ui_Prefs_WriteEntry(f, 52, kUiPrefsInt32, 1, &zero));
    UI_TRY(Ui_Prefs_WriteEntry(f, 53, kUiPrefsInt32, 1, &zero));
    for (uint16_t tag : {59, 60}) {
        UI_TRY(Ui_Prefs_WriteEntry(f, tag, kUiPrefsBytes, kEditParsBytes, block.data()));
        UI_TRY(Ui_Prefs_WriteEntry(f, uint16_t(tag + 2), kUiPrefsBytes, kEditParsExtensionBytes,
                                   block.data() + kEditParsBytes));
    }
    UI_TRY(Ui_Prefs_WriteEntry(f, 50, kUiPrefsInt32, 1, &startMode));
    UI_TRY(Ui_Prefs_WriteEntry(f, 58, kUiPrefsBytes, 1, &flag));
    if (s.withOlderEntries) {
        const Bytes ieee = Block(s.pars, true);
        UI_TRY(Ui_Prefs_WriteEntry(f, 57, kUiPrefsBytes, kEditParsBytes, ieee.data()));
        const int16_t shorts[] = {-1, 2, 300};
        const float numbers[] = {1.0f, -0.5f, 2.2f, 0};
        UI_TRY(Ui_Prefs_WriteEntry(f, 70, kUiPrefsInt16, 3, shorts));
        UI_TRY(Ui_Prefs_WriteEntry(f, 71, kUiPrefsNumber, 4, numbers));
        UI_TRY(Ui_Prefs_WriteEntry(f, 72, kUiPrefsDecimal, 4, numbers));
    }
    return kUiOk;
}

Bytes PrefsFile(UiPrefsWriteCallback write, Stored* stored) {
    const std::string path = MakeTempFolder("corpus") + "prefs";
    EXPECT_EQ(Ui_Prefs_WriteAll(nullptr, path.c_str(), kUiPrefsFileKind, write, stored), kUiOk);
    Bytes b;
    EXPECT_TRUE(ReadWholeFile(path, &b));
    return b;
}

// Tintwork shapes for the stream reader: every kind, both grid depths, the
// table-only forms and a full 256-node list.
struct StreamShape {
    const char* file;
    int32_t kind, inputs, outputs, gridDepth, hasGrid;
    uint32_t nodes;          // per input (3 beside a 256-node input 0)
    int32_t inputSpace = 0;  // 0: by the channel count
};

// Grid values: a fixed pattern of the node coordinates.
uint32_t PatternValue(const uint32_t* idx, int k, uint32_t max) {
    return (idx[0] * 7919u + idx[1] * 104729u + idx[2] * 31u + idx[3] * 613u + k * 977u) %
           (max + 1);
}

// Generated nodes (kinds 0 and 1, 8-bit grid): no node lists to give.
Tintwork* UniformTintwork(const StreamShape& s) {
    Tintwork* tw = nullptr;
    const int32_t inputSpace = s.inputSpace != 0 ? s.inputSpace : TwSpaceFor(s.inputs);
    if (CreateTintwork(&tw, s.inputs, s.outputs, inputSpace, TwSpaceFor(s.outputs), 1, s.kind, 1) !=
        kUiOk) {
        return nullptr;
    }
    uint32_t total = 1;
    for (int32_t c = 0; c < s.inputs; ++c) {
        EXPECT_EQ(SetInputNodes(tw, c, s.nodes, nullptr), kUiOk);
        total *= s.nodes;
    }
    for (uint32_t n = 0; n < total; ++n) {
        uint32_t idx[kTwMaxChannels] = {}, rest = n;
        uint8_t values[kTwMaxChannels];
        for (int32_t c = 0; c < s.inputs; ++c, rest /= s.nodes) idx[c] = rest % s.nodes;
        for (int32_t k = 0; k < s.outputs; ++k) values[k] = uint8_t(PatternValue(idx, k, 255));
        EXPECT_EQ(SetGridNode(tw, n, values), kUiOk);
    }
    return tw;
}

// The writer's stream of the shape, unscrambled: the fuzz target scrambles its input.
Bytes TintworkStream(const StreamShape& s) {
    const uint32_t max = s.gridDepth == 2 ? 65535 : 255, others = s.nodes == 256 ? 3 : s.nodes;
    Tintwork* tw = nullptr;
    if (s.kind == kTwKindExplicit) {
        const std::vector<uint16_t> first = TwEvenNodes(s.nodes, max),
                                    rest = TwEvenNodes(others, max);
        EXPECT_EQ(
            TwBuild(
                &tw, s.inputs, s.outputs, s.gridDepth, {first, rest, rest, rest},
                [max](const uint32_t* idx, int k) { return PatternValue(idx, k, max); }, s.hasGrid),
            kUiOk);
    } else {
        tw = UniformTintwork(s);
    }
    Bytes b = TwStreamOf(tw);
    DestroyTintwork(tw);
    EXPECT_FALSE(b.empty()) << s.file;
    TwScrambleStream(b.data(), uint32_t(b.size()));
    return b;
}

// A preferences file as the plug-in writes it.
Bytes StoredPrefsFile(PrefsRecord* prefs) {
    const std::string path = MakeTempFolder("corpus") + "prefs";
    EXPECT_EQ(Ui_Prefs_WriteAll(nullptr, path.c_str(), kUiPrefsFileKind, WriteStoredPrefs, prefs),
              kUiOk);
    Bytes b;
    EXPECT_TRUE(ReadWholeFile(path, &b));
    return b;
}

// The 'Dt  ' text of a record, as the plug-in records it.
Bytes ScriptText(const PrefsRecord& prefs) {
    Bytes blob(kScriptBlobBytes);
    EXPECT_EQ(EncodeScriptBlob(&prefs, blob.data(), kScriptBlobBytes), kUiOk);
    Bytes text(ScriptTextBytes(kScriptBlobBytes));
    PackScriptText(blob.data(), kScriptBlobBytes, text.data());
    return text;
}

// A file as a writer leaves it on disk.
template <typename Write>
Bytes WrittenFile(Write write) {
    const std::string path = MakeTempFolder("corpus") + "written.txt";
    EXPECT_EQ(write(path.c_str()), kUiOk);
    Bytes b;
    EXPECT_TRUE(ReadWholeFile(path, &b));
    return b;
}

Bytes SettingsFile(const EditPars& p) {
    return WrittenFile([&](const char* path) { return WriteCustomSettings(&p, path); });
}

Bytes MemoryColourFile(const MemoryColorBin& bin) {
    return WrittenFile([&](const char* path) { return WriteMemoryColor(&bin, path); });
}

// Measurements of a colour function's ideal at five lightnesses, as LCh of
// Lab, with the given line end.
Bytes MeasurementFile(const MemoryColorFcn& fcn, const char* lineEnd) {
    std::string text = std::string(kMeasurementTypeNames[kMeasuredLCHab]) + lineEnd;
    for (float lightness : {20.0f, 35.0f, 50.0f, 65.0f, 80.0f}) {
        float lch[3];
        EXPECT_EQ(ColorFunctionLCh(lightness, fcn, lch), kUiOk);
        char line[80];
        std::snprintf(line, sizeof line, "%f %f %f%s", double(lch[0]), double(lch[1]),
                      double(lch[2]), lineEnd);
        text += line;
    }
    return Bytes(text.begin(), text.end());
}

struct Seed {
    std::string file;  // under fuzz/corpus/
    Bytes bytes;
};

std::vector<Seed> Seeds() {
    Stored defaults = {DefaultPars(), false};
    Stored changed = {ChangedPars(), true};
    PrefsRecord storedDefaults = DefaultPrefs();
    PrefsRecord storedChanged = ChangedPrefs();
    std::vector<Seed> seeds = {
        {"prefs_entry/version-end", PrefsFile(nullptr, nullptr)},
        {"prefs_entry/defaults", PrefsFile(WriteStored, &defaults)},
        {"prefs_entry/changed", PrefsFile(WriteStored, &changed)},
        {"stored_prefs/defaults", StoredPrefsFile(&storedDefaults)},
        {"stored_prefs/changed", StoredPrefsFile(&storedChanged)},
        {"script_parameters/defaults", ScriptText(storedDefaults)},
        {"script_parameters/changed", ScriptText(storedChanged)},
        {"editpars/defaults", Block(DefaultPars(), false)},
        {"editpars/changed", Block(ChangedPars(), false)},
        {"editpars_bigendian/defaults", Block(DefaultPars(), true)},
        {"editpars_bigendian/changed", Block(ChangedPars(), true)},
        {"settings_file/defaults", SettingsFile(DefaultPars())},
        {"settings_file/changed", SettingsFile(ChangedPars())},
        {"memory_colour_file/skin", MemoryColourFile(DefaultPars().customBinColors[1])},
        {"memory_colour_file/changed", MemoryColourFile(ChangedPars().customBinColors[4])},
        {"measurement_file/skin", MeasurementFile(DefaultPars().customBinColors[1].fcn, "\n")},
        {"measurement_file/skin-crlf",
         MeasurementFile(ChangedPars().customBinColors[4].fcn, "\r\n")},
    };
    const StreamShape shapes[] = {
        {"rgb8", kTwKindExplicit, 3, 3, 1, 1, 9},
        {"rgb16", kTwKindExplicit, 3, 3, 2, 1, 5},
        {"cmyk-to-rgb", kTwKindExplicit, 4, 3, 1, 1, 3},
        {"rgb-to-cmyk16", kTwKindExplicit, 3, 4, 2, 1, 3},
        {"nodes256", kTwKindExplicit, 3, 3, 1, 1, 256},
        {"grey-table", kTwKindExplicit, 1, 3, 1, 1, 2},
        {"no-grid", kTwKindExplicit, 3, 3, 1, 0, 2},
        {"uniform0-rgb", kTwKindUniform0, 3, 3, 1, 1, 5},
        {"uniform0-cmyk", kTwKindUniform0, 4, 4, 1, 1, 2},
        {"uniform1-three7", kTwKindUniform1, 3, 3, 1, 1, 3, kTwSpaceLab},
    };
    for (const StreamShape& shape : shapes) {
        seeds.push_back(
            {std::string("tintwork_stream_reader/") + shape.file, TintworkStream(shape)});
    }
    return seeds;
}

TEST(FuzzCorpus, SeedsAreWhatTheWritersWrite) {
    const char* source = std::getenv("VANTORIA_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::string root = std::string(source) + "/fuzz/corpus/";
    const char* regenerate = std::getenv("VANTORIA_WRITE_CORPUS");
    for (const Seed& seed : Seeds()) {
        const std::string path = root + seed.file;
        if (regenerate != nullptr && std::strcmp(regenerate, "1") == 0) {
            mkdir(root.c_str(), 0755);
            mkdir(path.substr(0, path.rfind('/')).c_str(), 0755);
            ASSERT_TRUE(WriteWholeFile(path, seed.bytes)) << path;
            continue;
        }
        Bytes committed;
        ASSERT_TRUE(ReadWholeFile(path, &committed))
            << path << " (run with VANTORIA_WRITE_CORPUS=1)";
        EXPECT_EQ(committed, seed.bytes) << path;
    }
}

}  // namespace
