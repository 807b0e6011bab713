#include "engine/edit_pars.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "engine/edit_pars_table.h"
#include "engine/noise.h"
#include "engine/sharpen.h"
#include "tests/support/edit_pars_samples.h"
#include "tests/support/test_support.h"
#include "ui/portable_number.h"
#include "ui/status.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Offsets in the base block.
constexpr size_t kGamma = 0, kWhite = 4, kPrimaries = 16, kDoAutoBlack = 40, kBlackAmount = 44,
                 kBrightness = 64, kContrast = 68;
constexpr size_t Bin(int b) {
    return 72 + 196 * size_t(b);
}
constexpr size_t kMaxChroma = 4, kBaseHue = 8, kDHdL = 12, kName = 176;
constexpr size_t Sample(int s) {
    return 16 + 16 * size_t(s);
}

Bytes Portable(const EditPars& p) {
    Bytes b(kEditParsBytes);
    EXPECT_EQ(WriteEditPars(&p, b.data(), uint32_t(b.size())), kUiOk);
    return b;
}
Bytes Ieee(const EditPars& p) {
    Bytes b(kEditParsBytes);
    EXPECT_EQ(WriteEditParsBigEndian(&p, b.data(), uint32_t(b.size())), kUiOk);
    return b;
}
Bytes Extension(const EditPars& p) {
    Bytes b(kEditParsExtensionBytes);
    EXPECT_EQ(WriteEditParsExtension(&p, b.data(), uint32_t(b.size())), kUiOk);
    return b;
}
// The whole record, every float bit for bit: the IEEE base block and the extension.
Bytes Image(const EditPars& p) {
    Bytes all = Ieee(p);
    const Bytes ext = Extension(p);
    all.insert(all.end(), ext.begin(), ext.end());
    return all;
}

// The record as a portable image brings it back (floats keep 23 bits there).
EditPars ThroughPortable(const EditPars& p) {
    const Bytes b = Portable(p);
    EditPars back = p;
    EXPECT_EQ(ReadEditPars(b.data(), uint32_t(b.size()), &back), kUiOk);
    return back;
}

void PutNumber(Bytes* b, size_t at, double v) {
    Ui_EncodeNumber(v, kUiNumberBinary, b->data() + at);
}

// Reads the portable image of source with some cells replaced, the log cleared first.
int32_t ReadPatched(const EditPars& source, std::initializer_list<std::pair<size_t, double>> cells,
                    EditPars* out) {
    Bytes b = Portable(source);
    for (const auto& cell : cells) PutNumber(&b, cell.first, cell.second);
    RemoveDebugLog();
    return ReadEditPars(b.data(), uint32_t(b.size()), out);
}

class EditParsTest : public ::testing::Test {
  protected:
    void SetUp() override { RemoveDebugLog(); }
};

TEST_F(EditParsTest, DefaultRecord) {
    EditPars p;
    std::memset(&p, 0x5A, sizeof p);
    ASSERT_EQ(SetDefaultEditPars(&p, 2), kUiOk);
    EXPECT_FLOAT_EQ(p.refRGB.gamma, 2.2f);
    EXPECT_NEAR(p.refRGB.xyzWhite[0], 0.95017, 1e-4);
    EXPECT_FLOAT_EQ(p.refRGB.xyzWhite[1], 1.0f);
    EXPECT_NEAR(p.refRGB.xyzWhite[2], 1.08765, 1e-4);
    const float primaries[6] = {0.64f, 0.33f, 0.30f, 0.60f, 0.15f, 0.06f};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p.refRGB.primaries[i], primaries[i]);
    EXPECT_EQ(p.doAutoBlack + p.doAutoWhite + p.doAutoMidGray, 0);
    EXPECT_EQ(p.autoBlackAmount + p.autoWhiteAmount + p.autoMidGrayAmount, 0.0f);
    EXPECT_EQ(p.brightness, 0.5f);
    EXPECT_EQ(p.contrast, 0.5f);
    EXPECT_STREQ(p.customBinColors[0].name, "Neutrals");
    EXPECT_STREQ(p.customBinColors[1].name, "Skin");
    EXPECT_EQ(p.customBinColors[1].fcn.maxChroma, 32.0f);
    EXPECT_EQ(p.customBinColors[1].fcn.baseHue, 45.0f);
    for (int b = 0; b < kMemoryColorBins; ++b) {
        const MemoryColorBin& bin = p.customBinColors[b];
        EXPECT_EQ(bin.haveDef, b < 2 ? 1 : 0) << b;
        if (b >= 2) {
            EXPECT_STREQ(bin.name, " ");
        }
        for (const MemorySample& s : bin.samplesBin) {
            EXPECT_EQ(s.sumR, 0) << b;
            EXPECT_EQ(s.sumG, 0) << b;
            EXPECT_EQ(s.sumB, 0) << b;
            EXPECT_EQ(s.count, 0) << b;
        }
    }
    EXPECT_EQ(p.doSharpen + p.doRemoveNoise + p.noiseFlag, 0);
    EXPECT_EQ(p.sharpenStrength, 0);

    // More predefined bins: Foliage, then Sky.
    ASSERT_EQ(SetDefaultEditPars(&p, 5), kUiOk);
    const char* names[] = {"Neutrals", "Skin", "Foliage", "Sky", "Sky", " "};
    for (int b = 0; b < 6; ++b) EXPECT_STREQ(p.customBinColors[b].name, names[b]);
    EXPECT_EQ(p.customBinColors[2].fcn.dHdL, -0.5f);
    EXPECT_EQ(p.customBinColors[3].fcn.baseHue, 258.0f);
    EXPECT_EQ(p.customBinColors[3].fcn.dHdL, -0.7f);

    MemoryColorBin bin;
    EXPECT_EQ(SetPredefinedMemoryColor(4, &bin), kUiErrArg);
    EXPECT_EQ(SetPredefinedMemoryColor(-1, &bin), kUiErrArg);
    EXPECT_EQ(SetDefaultEditPars(nullptr, 2), kUiErrArg);

    p = ChangedPars();
    ClearMemorySamples(&p.customBinColors[4]);
    for (const MemorySample& s : p.customBinColors[4].samplesBin) EXPECT_EQ(s.count, 0);
    EXPECT_EQ(p.customBinColors[5].samplesBin[0].count, 501);
    EXPECT_EQ(p.customBinColors[4].fcn.maxChroma, 14.0f);
}

TEST_F(EditParsTest, KnownCellBytes) {
    const EditPars p = DefaultPars();
    const Bytes portable = Portable(p);
    const Bytes ieee = Ieee(p);
    // 2.2f lies half-way between two 23-bit mantissas and rounds away from zero.
    EXPECT_EQ(Bytes(portable.begin(), portable.begin() + 4), (Bytes{0x02, 0x46, 0x66, 0x67}));
    EXPECT_EQ(Bytes(ieee.begin(), ieee.begin() + 4), (Bytes{0x40, 0x0C, 0xCC, 0xCD}));
    // brightness 0.5, and bin 1's haveDef (a flag stored as the number 1.0).
    EXPECT_EQ(Bytes(portable.begin() + kBrightness, portable.begin() + kBrightness + 4),
              (Bytes{0x00, 0x40, 0x00, 0x00}));
    EXPECT_EQ(Bytes(portable.begin() + Bin(1), portable.begin() + Bin(1) + 4),
              (Bytes{0x01, 0x40, 0x00, 0x00}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&portable[Bin(1) + kName]), 5),
              std::string("Skin\0", 5));
    const Bytes ext = Extension(p);
    EXPECT_EQ(ext, Bytes(kEditParsExtensionBytes, 0));
}

TEST_F(EditParsTest, EveryFieldRoundTripsInBothCellForms) {
    const EditPars changed = ChangedPars();
    const Bytes defaults = Portable(DefaultPars());
    const Bytes portable = Portable(changed);
    // Every cell of the changed record differs from the default: no field is
    // left out of the image.
    for (size_t at = 0; at < kEditParsBytes; at += 4) {
        const size_t inBin = at < Bin(0) ? 0 : (at - Bin(0)) % 196;
        if (at >= Bin(0) && inBin >= kName) continue;
        EXPECT_NE(std::memcmp(&defaults[at], &portable[at], 4), 0) << "cell at " << at;
    }

    struct Form {
        const char* name;
        Bytes base;
        int32_t (*read)(const uint8_t*, uint32_t, EditPars*);
    };
    const Form forms[] = {{"portable", portable, ReadEditPars},
                          {"big-endian", Ieee(changed), ReadEditParsBigEndian}};
    const Bytes ext = Extension(changed);
    for (const Form& f : forms) {
        SCOPED_TRACE(f.name);
        EditPars back = DefaultPars();
        const Bytes input = f.base;
        EXPECT_EQ(f.read(input.data(), uint32_t(input.size()), &back), kUiOk);
        EXPECT_EQ(input, f.base);  // the input is not touched
        EXPECT_EQ(ReadEditParsExtension(ext.data(), uint32_t(ext.size()), &back), kUiOk);
        EXPECT_EQ(Image(back), Image(changed));
        for (int b = 0; b < kMemoryColorBins; ++b)
            EXPECT_STREQ(back.customBinColors[b].name, changed.customBinColors[b].name);
        EXPECT_EQ(ReadDebugLog(), "");
    }

    // Reading a base block keeps the sharpen / noise block read before it.
    EditPars back = DefaultPars();
    ReadEditParsExtension(ext.data(), uint32_t(ext.size()), &back);
    ReadEditPars(defaults.data(), uint32_t(defaults.size()), &back);
    EXPECT_EQ(Extension(back), ext);
}

TEST_F(EditParsTest, ReadingRoundsPrimariesTruncatesIntegersAndThresholdsFlags) {
    Bytes b = Portable(DefaultPars());
    PutNumber(&b, kPrimaries, 0.640049);
    PutNumber(&b, kPrimaries + 4, 0.33006);
    PutNumber(&b, kDoAutoBlack, 0.75);
    PutNumber(&b, Bin(0), 0.5);                    // haveDef: not above 0.5
    PutNumber(&b, Bin(1) + Sample(0) + 12, 41.9);  // count
    PutNumber(&b, Bin(1) + Sample(1) + 12, 7.2);
    std::memset(&b[Bin(2) + kName], 'x', kBinNameBytes);
    EditPars p = DefaultPars();
    EXPECT_EQ(ReadEditPars(b.data(), uint32_t(b.size()), &p), kUiOk);
    EXPECT_EQ(p.refRGB.primaries[0], 0.64f);
    EXPECT_EQ(p.refRGB.primaries[1], 0.3301f);
    EXPECT_EQ(p.doAutoBlack, 1);
    EXPECT_EQ(p.customBinColors[0].haveDef, 0);
    EXPECT_EQ(p.customBinColors[1].samplesBin[0].count, 41);
    EXPECT_EQ(p.customBinColors[1].samplesBin[1].count, 7);
    EXPECT_EQ(std::string(p.customBinColors[2].name), std::string(19, 'x'));

    Bytes ext(kEditParsExtensionBytes, 0);
    PutNumber(&ext, 4, -2.7);   // sharpenStrength
    PutNumber(&ext, 8, 3.9);    // sharpenMode
    PutNumber(&ext, 16, 0.51);  // noiseFlag
    PutNumber(&ext, 52, 1e30);  // noiseExtra: held in range
    ASSERT_EQ(ReadEditParsExtension(ext.data(), uint32_t(ext.size()), &p), kUiOk);
    EXPECT_EQ(p.sharpenStrength, -2);
    EXPECT_EQ(p.sharpenMode, 3);
    EXPECT_EQ(p.noiseFlag, 1);
    EXPECT_EQ(p.noiseExtra, INT32_MAX);

    // Not-a-number integers read as 0.
    Bytes ieee = Ieee(DefaultPars());
    Ui_PutBEFloat(std::numeric_limits<float>::quiet_NaN(), &ieee[Bin(3) + Sample(2) + 12]);
    EXPECT_EQ(ReadEditParsBigEndian(ieee.data(), uint32_t(ieee.size()), &p), kUiOk);
    EXPECT_EQ(p.customBinColors[3].samplesBin[2].count, 0);
}

TEST_F(EditParsTest, WrongLengthsAndMissingArguments) {
    const Bytes good = Portable(ChangedPars());
    EditPars p = ChangedPars();
    EXPECT_EQ(ReadEditPars(good.data(), kEditParsBytes - 1, &p), kUiErrFormat);
    EditPars expected = DefaultPars();
    const Bytes ext = Extension(ChangedPars());
    ReadEditParsExtension(ext.data(), uint32_t(ext.size()), &expected);
    EXPECT_EQ(Image(p), Image(expected));
    EXPECT_EQ(ReadEditParsBigEndian(good.data(), kEditParsBytes + 1, &p), kUiErrFormat);

    p = ChangedPars();
    EXPECT_EQ(ReadEditParsExtension(ext.data(), kEditParsExtensionBytes - 1, &p), kUiErrFormat);
    EXPECT_EQ(Image(p), Image(ChangedPars()));

    EXPECT_EQ(ReadEditPars(nullptr, kEditParsBytes, &p), kUiErrArg);
    EXPECT_EQ(ReadEditPars(good.data(), kEditParsBytes, nullptr), kUiErrArg);
    uint8_t small[kEditParsBytes - 1];
    EXPECT_EQ(WriteEditPars(&p, small, sizeof small), kUiErrArg);
    EXPECT_EQ(WriteEditParsExtension(&p, small, kEditParsExtensionBytes - 1), kUiErrArg);
}

// One damaged field of an otherwise valid image: the repair and its log line.
TEST_F(EditParsTest, RepairsAndTheirLogLines) {
    struct Case {
        const char* what;
        size_t at;
        double value;
        std::string log;
    };
    const Case cases[] = {
        {"brightness", kBrightness, 1.5, "editPars brightness pref invalid: 1.500000\n"},
        {"contrast", kContrast, -0.25, "editPars contrast pref invalid: -0.250000\n"},
        {"maxChroma", Bin(1) + kMaxChroma, 120,
         "editPars customBinColors[1].fcn.maxChroma pref invalid: 120.000000\n"},
        {"baseHue", Bin(0) + kBaseHue, 400,
         "editPars customBinColors[0].fcn.baseHue pref invalid: 400.000000\n"},
        {"dHdL", Bin(1) + kDHdL, 1.5,
         "editPars customBinColors[1].fcn.dHdL pref invalid: 1.500000\n"},
        {"sample sum", Bin(0) + Sample(3) + 4, -2,
         "editPars customBinColors[0].samplesBin[3] pref invalid: 0.000000 -2.000000 0.000000 "
         "0.000000\n"},
        {"sample count", Bin(1) + Sample(9) + 12, -1,
         "editPars customBinColors[1].samplesBin[9] pref invalid: 0.000000 0.000000 0.000000 "
         "-1.000000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EditPars source = DefaultPars();
        source.customBinColors[0].samplesBin[0] = {30, 40, 50, 2};
        source.customBinColors[1].samplesBin[0] = {60, 70, 80, 3};
        EditPars p = DefaultPars();
        EXPECT_EQ(ReadPatched(source, {{c.at, c.value}}, &p), kUiErrUnsupported);
        EXPECT_EQ(ReadDebugLog(), c.log);
        EditPars expected = ThroughPortable(source);
        if (c.at == kBrightness) expected.brightness = 0.5f;
        if (c.at == kContrast) expected.contrast = 0.5f;
        if (c.at >= Bin(0)) {
            // The failing bin is emptied; the other keeps its definition.
            MemoryColorBin& bin = expected.customBinColors[(c.at - Bin(0)) / 196];
            const MemoryColorBin original = bin;
            bin.haveDef = 0;
            std::memset(bin.name, 0, sizeof bin.name);
            for (MemorySample& s : bin.samplesBin) s.count = 0;
            // Fields other than the counts stay as read.
            bin.fcn = original.fcn;
            if (c.at == Bin(1) + kMaxChroma) bin.fcn.maxChroma = 120;
            if (c.at == Bin(0) + kBaseHue) bin.fcn.baseHue = 400;
            if (c.at == Bin(1) + kDHdL) bin.fcn.dHdL = 1.5f;
            if (c.at == Bin(0) + Sample(3) + 4) bin.samplesBin[3].sumG = -2;
        }
        EXPECT_EQ(Image(p), Image(expected));
        for (int k = 0; k < kMemoryColorBins; ++k)
            EXPECT_STREQ(p.customBinColors[k].name, expected.customBinColors[k].name);
    }
}

TEST_F(EditParsTest, OnlyTheFirstFailingCheckOfABinIsLoggedAndEmptyBinsAreNotTested) {
    EditPars source = DefaultPars();
    MemoryColorBin& empty = source.customBinColors[5];
    empty.fcn = {500, -3, 9};
    empty.samplesBin[0] = {-1, -1, -1, -7};
    Bytes b = Portable(source);
    EditPars p = DefaultPars();
    EXPECT_EQ(ReadEditPars(b.data(), uint32_t(b.size()), &p), kUiOk);
    EXPECT_EQ(Image(p), Image(ThroughPortable(source)));
    EXPECT_EQ(p.customBinColors[5].fcn.maxChroma, 500.0f);

    PutNumber(&b, Bin(1) + kMaxChroma, -5);
    PutNumber(&b, Bin(1) + kDHdL, 4);
    PutNumber(&b, Bin(1) + Sample(0), -4);
    EXPECT_EQ(ReadEditPars(b.data(), uint32_t(b.size()), &p), kUiErrUnsupported);
    EXPECT_EQ(ReadDebugLog(),
              "editPars customBinColors[1].fcn.maxChroma pref invalid: -5.000000\n");
    EXPECT_EQ(p.customBinColors[0].haveDef, 1);
    EXPECT_STREQ(p.customBinColors[0].name, "Neutrals");
}

TEST_F(EditParsTest, AnInvalidWorkingSpaceResetsTheWholeRecord) {
    struct Case {
        size_t at;
        double value;
        std::string log;
    };
    const Case cases[] = {
        {kGamma, 0.4,
         "refRGB in the editPars prefs is invalid: 0.400000, 0.950166 1.000000 1.087654, "
         "0.640000 0.330000 0.300000 0.600000 0.150000 0.060000\n"},
        {kWhite + 8, 2.5,
         "refRGB in the editPars prefs is invalid: 2.200000, 0.950166 1.000000 2.500000, "
         "0.640000 0.330000 0.300000 0.600000 0.150000 0.060000\n"},
        {kPrimaries + 20, -0.01,
         "refRGB in the editPars prefs is invalid: 2.200000, 0.950166 1.000000 1.087654, "
         "0.640000 0.330000 0.300000 0.600000 0.150000 -0.010000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        EditPars changed = ChangedPars();
        changed.refRGB = DefaultPars().refRGB;
        EditPars p = ChangedPars();
        // The brightness is not even looked at.
        EXPECT_EQ(ReadPatched(changed, {{c.at, c.value}, {kBrightness, 7}}, &p), kUiErrUnsupported);
        EXPECT_EQ(ReadDebugLog(), c.log);
        EditPars expected = DefaultPars();
        const Bytes ext = Extension(ChangedPars());
        ReadEditParsExtension(ext.data(), uint32_t(ext.size()), &expected);
        EXPECT_EQ(Image(p), Image(expected));
    }
}

// Values only the IEEE cells can carry.
TEST_F(EditParsTest, NonFiniteCellsAreRepaired) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Bytes b = Ieee(DefaultPars());
    Ui_PutBEFloat(nan, &b[kBlackAmount]);
    Ui_PutBEFloat(inf, &b[Bin(1) + Sample(0)]);
    EditPars p = DefaultPars();
    EXPECT_EQ(ReadEditParsBigEndian(b.data(), uint32_t(b.size()), &p), kUiErrUnsupported);
    EXPECT_EQ(p.autoBlackAmount, 0.0f);
    EXPECT_EQ(p.customBinColors[1].haveDef, 0);
    EXPECT_EQ(
        ReadDebugLog(),
        "editPars autoBlackAmount pref invalid: nan\n"
        "editPars customBinColors[1].samplesBin[0] pref invalid: inf 0.000000 0.000000 0.000000\n");

    RemoveDebugLog();
    b = Ieee(DefaultPars());
    Ui_PutBEFloat(nan, &b[kGamma]);
    EXPECT_EQ(ReadEditParsBigEndian(b.data(), uint32_t(b.size()), &p), kUiErrUnsupported);
    EXPECT_EQ(Image(p), Image(DefaultPars()));
}

TEST_F(EditParsTest, InMemoryFlagsAreRepairedInOrder) {
    EditPars p = DefaultPars();
    p.doAutoBlack = 2;
    p.doAutoMidGray = 9;
    p.doAutoWhite = 3;
    p.customBinColors[4].haveDef = 2;
    std::strcpy(p.customBinColors[4].name, "Gone");
    EXPECT_EQ(ValidateEditPars(&p), kUiErrUnsupported);
    EXPECT_EQ(ReadDebugLog(),
              "editPars doAutoBlack pref invalid: 2\n"
              "editPars doAutoMidGray pref invalid: 9\n"
              "editPars doAutoWhite pref invalid: 3\n"
              "editPars customBinColors[4].haveDef pref invalid: 2\n");
    EXPECT_EQ(p.doAutoBlack + p.doAutoMidGray + p.doAutoWhite, 0);
    EXPECT_EQ(p.customBinColors[4].haveDef, 0);
    EXPECT_STREQ(p.customBinColors[4].name, "");
    EXPECT_EQ(ValidateEditPars(&p), kUiOk);
}

TEST_F(EditParsTest, CheckWithoutRepair) {
    struct Case {
        const char* what;
        void (*change)(EditPars*);
        int32_t status;
    };
    const Case cases[] = {
        {"defaults", [](EditPars*) {}, kUiOk},
        {"every field changed", [](EditPars* p) { *p = ChangedPars(); }, kUiOk},
        {"flag", [](EditPars* p) { p->doAutoWhite = 2; }, kUiErrArg},
        {"brightness", [](EditPars* p) { p->brightness = 1.01f; }, kUiErrArg},
        {"contrast", [](EditPars* p) { p->contrast = std::nanf(""); }, kUiErrArg},
        {"defined bin", [](EditPars* p) { p->customBinColors[1].fcn.baseHue = 361; }, kUiErrArg},
        {"sample", [](EditPars* p) { p->customBinColors[0].samplesBin[4].count = -1; }, kUiErrArg},
        {"empty bin", [](EditPars* p) { p->customBinColors[7].fcn.dHdL = 50; }, kUiOk},
        // The working space: a wider gamma range than reading accepts, and
        // matrices that must be buildable.
        {"gamma 7", [](EditPars* p) { p->refRGB.gamma = 7; }, kUiOk},
        {"gamma 0.05", [](EditPars* p) { p->refRGB.gamma = 0.05f; }, kUiErrGeneral},
        {"gamma 11", [](EditPars* p) { p->refRGB.gamma = 11; }, kUiErrGeneral},
        {"y = 0", [](EditPars* p) { p->refRGB.primaries[3] = 0; }, kUiErrGeneral},
        {"equal primaries",
         [](EditPars* p) {
             p->refRGB.primaries[2] = p->refRGB.primaries[0];
             p->refRGB.primaries[3] = p->refRGB.primaries[1];
         },
         kUiErrGeneral},
    };
    for (const Case& c : cases) {
        EditPars p = DefaultPars();
        c.change(&p);
        const Bytes before = Image(p);
        EXPECT_EQ(CheckEditPars(&p), c.status) << c.what;
        EXPECT_EQ(Image(p), before) << c.what;
    }
    EXPECT_EQ(CheckEditPars(nullptr), kUiErrArg);
    EXPECT_EQ(ReadDebugLog(), "");
}

// Marks the block bytes and record bytes each row of a table takes.
void Cover(const EditParTable& table, uint32_t cellBase, uint32_t memoryBase,
           std::vector<int>* cells, std::vector<int>* memory) {
    for (uint32_t r = 0; r < table.count; ++r) {
        const EditParRow& row = table.rows[r];
        SCOPED_TRACE(row.name);
        const uint32_t step = EditParCellStride(row);
        for (uint32_t i = 0; i < row.count; ++i) {
            const uint32_t cell = cellBase + row.cell + i * step;
            const uint32_t at = memoryBase + row.offset + i * row.stride;
            if (row.kind == kParGroup) {
                ASSERT_NE(row.group, nullptr);
                EXPECT_EQ(row.stride, row.group->recordBytes);
                Cover(*row.group, cell, at, cells, memory);
                continue;
            }
            const uint32_t size = row.kind == kParFlag || row.kind == kParText ? 1 : 4;
            EXPECT_EQ(row.stride, size);
            EXPECT_EQ(step, row.kind == kParText ? 1u : 4u);
            ASSERT_LE(cell + step, cells->size());
            ASSERT_LE(at + size, memory->size());
            for (uint32_t b = 0; b < step; ++b) ++(*cells)[cell + b];
            for (uint32_t b = 0; b < size; ++b) ++(*memory)[at + b];
        }
    }
}

// Each block is laid out by its table alone: every byte of it belongs to
// exactly one setting, and no two settings share a byte of the record.
TEST(EditParsTable, EveryByteOfEachBlockBelongsToOneSetting) {
    std::vector<int> memory(sizeof(EditPars), 0);
    const EditParTable* tables[] = {&kEditParsBaseTable, &kEditParsExtensionTable};
    for (const EditParTable* table : tables) {
        std::vector<int> cells(table->cellBytes, 0);
        Cover(*table, 0, 0, &cells, &memory);
        for (size_t b = 0; b < cells.size(); ++b) EXPECT_EQ(cells[b], 1) << "block byte " << b;
    }
    for (size_t b = 0; b < memory.size(); ++b) EXPECT_LE(memory[b], 1) << "record byte " << b;
    EXPECT_EQ(kEditParsBaseTable.cellBytes, kEditParsBytes);
    EXPECT_EQ(kEditParsExtensionTable.cellBytes, kEditParsExtensionBytes);
}

TEST(EditParsTable, SettingsAreFoundByName) {
    struct Case {
        const char* name;
        size_t offset;  // in its record
        EditParKind kind;
        uint8_t count;
    };
    const Case found[] = {
        {"brightness", offsetof(EditPars, brightness), kParFloat, 1},
        {"refRGB", offsetof(EditPars, refRGB), kParGroup, 1},
        {"refRGB.primaries", offsetof(RefRGB, primaries), kParFloat, 6},
        {"customBinColors.name", offsetof(MemoryColorBin, name), kParText, kBinNameBytes},
        {"customBinColors.fcn.baseHue", offsetof(MemoryColorBin, fcn.baseHue), kParFloat, 1},
        {"customBinColors.samplesBin.count", offsetof(MemorySample, count), kParInt, 1},
        {"noiseRadius", offsetof(EditPars, noiseRadius), kParInt, kNoiseChannels},
        {"doSharpen", offsetof(EditPars, doSharpen), kParFlag, 1},
    };
    for (const Case& c : found) {
        const EditParRow* row = FindEditPar(c.name);
        ASSERT_NE(row, nullptr) << c.name;
        EXPECT_EQ(row->offset, c.offset) << c.name;
        EXPECT_EQ(row->kind, c.kind) << c.name;
        EXPECT_EQ(row->count, c.count) << c.name;
    }
    for (const char* name : {"", "bright", "brightness.", "refRGB.", "refRGB.gamma.x",
                             "customBinColors.fcn", "samplesBin.count", "gamma"}) {
        EXPECT_EQ(FindEditPar(name), nullptr) << name;
    }
    EXPECT_EQ(FindEditPar(nullptr), nullptr);
}

int32_t NoRows(void*, const RowDesc*) {
    return kUiOk;
}

// What the sharpen makes of a strength and a channel selector on rows of
// four channels: 0 when it takes them.
int32_t SharpenTakes(int32_t strength, int32_t selector) {
    SharpenParams p = {};
    p.strength = strength;
    p.selector = selector;
    p.width = p.height = 8;
    p.channels = 4;
    p.colorKind = 1;
    p.order = kRowOrderIdentity4;
    p.depth = 1;
    p.hi = 255;
    p.sink = NoRows;
    SharpenWindow* window = nullptr;
    const int32_t status = sharpenOpen(&window, &p);
    if (window != nullptr) sharpenClose(&window);
    return status;
}

// What the noise engine makes of a radius, a threshold and a mask shape.
int32_t NoiseTakes(int32_t radius, int32_t threshold, int32_t shape) {
    NoiseParams p = {};
    p.width = p.height = 8;
    p.colorKind = 1;
    p.channels = 3;
    for (int32_t c = 0; c < 3; ++c) {
        p.radius[c] = radius;
        p.threshold[c] = threshold;
    }
    p.maskShape = uint32_t(shape);
    p.order = kRowOrderIdentity3;
    p.outputDepth = 1;
    p.sink = NoRows;
    Mask2dState* state = nullptr;
    const int32_t status = mask2dOpen(&state, &p);
    if (state != nullptr) mask2dClose(&state);
    return status;
}

// The sharpen / noise rows are not validated on reading; their ranges are
// what the filters accept: each end of a range is taken, a step past it
// refused (a strength of 0 is the sharpen switched off). Where a reset run
// starts lies within each range.
TEST(EditParsTable, SharpenAndNoiseRangesAreWhatTheFiltersAccept) {
    const EditParRow* strength = FindEditPar("sharpenStrength");
    const EditParRow* mode = FindEditPar("sharpenMode");
    const EditParRow* radius = FindEditPar("noiseRadius");
    const EditParRow* threshold = FindEditPar("noiseThreshold");
    const EditParRow* shape = FindEditPar("noiseExtra");
    ASSERT_TRUE(strength && mode && radius && threshold && shape);
    const int32_t lowMode = int32_t(mode->low), highMode = int32_t(mode->high);
    const int32_t highStrength = int32_t(strength->high);
    EXPECT_EQ(SharpenTakes(int32_t(strength->low), lowMode), kUiOk);
    EXPECT_EQ(SharpenTakes(highStrength, highMode), kUiOk);
    EXPECT_NE(SharpenTakes(highStrength + 1, 0), kUiOk);
    EXPECT_NE(SharpenTakes(1, lowMode - 1), kUiOk);
    EXPECT_NE(SharpenTakes(1, highMode + 1), kUiOk);
    const int32_t square = int32_t(shape->low), lastShape = int32_t(shape->high);
    EXPECT_EQ(NoiseTakes(int32_t(radius->low), int32_t(threshold->low), square), kUiOk);
    EXPECT_EQ(NoiseTakes(int32_t(radius->high), int32_t(threshold->high), lastShape), kUiOk);
    EXPECT_NE(NoiseTakes(int32_t(radius->low) - 1, 0, square), kUiOk);
    EXPECT_NE(NoiseTakes(int32_t(radius->high) + 1, 0, square), kUiOk);
    EXPECT_NE(NoiseTakes(3, int32_t(threshold->low) - 1, square), kUiOk);
    EXPECT_NE(NoiseTakes(3, 0, square - 1), kUiOk);
    EXPECT_NE(NoiseTakes(3, 0, lastShape + 1), kUiOk);

    for (const char* name : {"doSharpen", "sharpenStrength", "sharpenMode", "doRemoveNoise",
                             "noiseFlag", "noiseRadius", "noiseThreshold", "noiseExtra"}) {
        SCOPED_TRACE(name);
        const EditParRow* row = FindEditPar(name);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->check, kCheckNone);
        for (uint32_t i = 0; i < row->count; ++i) {
            const EditParDefault& s = row->start;
            const float start = s.rule == kDefaultList    ? s.list[i]
                                : s.rule == kDefaultValue ? s.value
                                                          : row->value.value;
            EXPECT_TRUE(start >= row->low && start <= row->high) << i;
        }
    }
}

}  // namespace
