// The ICC profile writer: header and tag table layout, the fixed-point
// encoding, every tag type's bytes, the lookup table computed while the file
// is written (and the memory that takes), refusals, failing disks and
// running out of memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "icc/icc_profile.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/icc_bytes.h"
#include "tests/support/icc_read.h"
#include "tests/support/test_support.h"
#include "ui/allocator.h"
#include "ui/file_layer.h"
#include "ui/status.h"

namespace {

constexpr IccHeaderChoices kInputRgbToLab = {0, 1, 2, 1, {'Q', 'r', 'v', 'n'}, 7};

// A table with identity curves (entry i = (i × 65535 + (n-1)/2) / (n-1))
// whose storage the fixture keeps.
struct TestTable {
    std::vector<uint16_t> curves;
    std::vector<uint16_t> grid;
    ProfileTable table = {};
    TestTable(int32_t points, uint32_t entries, IccGridFunction fn, void* context,
              int32_t inputs = 3, int32_t outputs = 3) {
        curves.resize(size_t(inputs + outputs) * entries);
        for (size_t c = 0; c < size_t(inputs + outputs); ++c)
            for (uint32_t i = 0; i < entries; ++i)
                curves[c * entries + i] =
                    uint16_t((i * 65535u + (entries - 1) / 2) / (entries - 1));
        table.inputChannels = inputs;
        table.outputChannels = outputs;
        table.gridPoints = points;
        table.matrix[0] = table.matrix[4] = table.matrix[8] = 1.0;
        table.inputEntries = table.outputEntries = entries;
        table.inputTables = curves.data();
        table.outputTables = curves.data() + size_t(inputs) * entries;
        table.gridFunction = fn;
        table.context = context;
    }
};

// Grid function: every node's output is its input values × 65535, and the
// inputs are recorded.
struct Recorder {
    std::vector<double> inputs;
    uint32_t failAt = 0;  // node count at which to fail with -8, 0 never
};

int32_t RecordNode(const double* in, uint16_t* out, void* context) {
    Recorder* r = static_cast<Recorder*>(context);
    if (r->failAt != 0 && r->inputs.size() / 3 + 1 == r->failAt) return kUiErrFormat;
    for (int c = 0; c < 3; ++c) {
        r->inputs.push_back(in[c]);
        out[c] = uint16_t(in[c] * 65535.0 + 0.5);
    }
    return kUiOk;
}

int32_t QuietNode(const double* in, uint16_t* out, void*) {
    for (int c = 0; c < 3; ++c) out[c] = uint16_t(in[c] * 65535.0 + 0.5);
    return kUiOk;
}

std::vector<uint8_t> Written(const std::string& path) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
    return bytes;
}

class IccWriter : public ::testing::Test {
  protected:
    void SetUp() override { folder_ = MakeTempFolder("icc"); }
    void TearDown() override { IccFreeProfile(&profile_); }
    std::string Path(const char* name) const { return folder_ + name; }
    // The folder holds exactly the given files.
    void ExpectFolderHolds(const std::vector<std::string>& names) {
        std::vector<std::string> found = ListFolder(folder_);
        EXPECT_EQ(found, names);
    }
    static std::vector<std::string> ListFolder(const std::string& folder);
    std::string folder_;
    IccProfile* profile_ = nullptr;
};

}  // namespace

#include <dirent.h>

#include <algorithm>

std::vector<std::string> IccWriter::ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(IccFixed, S15Fixed16RoundsToNearestAndRefusesLargeMagnitudes) {
    struct Case {
        double value;
        int32_t status;
        uint32_t bits;
    } cases[] = {
        {0.9642, kUiOk, 0x0000F6D6}, {1.0, kUiOk, 0x00010000},  {0.8249, kUiOk, 0x0000D32D},
        {-1.0, kUiOk, 0xFFFF0000},   {-0.5, kUiOk, 0xFFFF8000}, {32767.0, kUiOk, 0x7FFF0000},
        {32767.5, kUiErrArg, 0},     {-32768.0, kUiErrArg, 0},  {NAN, kUiErrArg, 0},
    };
    for (const Case& k : cases) {
        int32_t fixed = -7;
        EXPECT_EQ(IccS15Fixed16(k.value, &fixed), k.status) << k.value;
        EXPECT_EQ(uint32_t(fixed), k.bits) << k.value;
    }
}

TEST_F(IccWriter, DescriptionAndCopyrightMakeTwoTagsAfterTheHeader) {
    ASSERT_EQ(IccCreateProfile(&profile_, &kInputRgbToLab, "beach"), kUiOk);
    ASSERT_EQ(IccWriteProfile(profile_, Path("two.icc").c_str()), kUiOk);
    const std::vector<uint8_t> b = Written(Path("two.icc"));
    ASSERT_GE(b.size(), 156u);
    EXPECT_EQ(Be32(b, 0), b.size());
    EXPECT_EQ(Be32(b, 4), IccSig("appl"));
    EXPECT_EQ(Be32(b, 8), 0x02100000u);
    EXPECT_EQ(Be32(b, 12), IccSig("scnr"));
    EXPECT_EQ(Be32(b, 16), IccSig("RGB "));
    EXPECT_EQ(Be32(b, 20), IccSig("Lab "));
    EXPECT_GE(Be16(b, 24), 2024u);                       // year
    EXPECT_TRUE(Be16(b, 26) >= 1 && Be16(b, 26) <= 12);  // month
    EXPECT_EQ(Be32(b, 36), IccSig("acsp"));
    EXPECT_EQ(Be32(b, 40), IccSig("APPL"));
    EXPECT_EQ(Be32(b, 44), 0u);
    EXPECT_EQ(Be32(b, 48), IccSig("Qrvn"));
    EXPECT_EQ(Be32(b, 52), 7u);
    EXPECT_EQ(Be32(b, 56), 0u);
    EXPECT_EQ(Be32(b, 60), 0u);
    EXPECT_EQ(Be32(b, 64), 1u);
    EXPECT_EQ(Be32(b, 68), 0x0000F6D6u);
    EXPECT_EQ(Be32(b, 72), 0x00010000u);
    EXPECT_EQ(Be32(b, 76), 0x0000D32Du);
    EXPECT_EQ(Be32(b, 80), IccSig("    "));
    for (size_t i = 84; i < 128; ++i) ASSERT_EQ(b[i], 0) << i;

    EXPECT_EQ(Be32(b, 128), 2u);
    const IccTagEntry desc = FindIccTag(b, IccSig("desc"));
    const IccTagEntry cprt = FindIccTag(b, IccSig("cprt"));
    EXPECT_EQ(desc.offset, 156u);
    EXPECT_EQ(desc.size, 93u + 3 * 5);
    EXPECT_EQ(cprt.offset, 156u + 108);  // 108: the multiple of 4 above 108
    ASSERT_EQ(desc.offset + desc.size + 0, 264u);
    // "desc": ASCII with terminator, language 0, the same as 16-bit units,
    // ScriptCode 0 and 67 bytes of 0.
    EXPECT_EQ(Be32(b, 156), IccSig("desc"));
    EXPECT_EQ(Be32(b, 164), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[168])), "beach");
    EXPECT_EQ(Be32(b, 174), 0u);
    EXPECT_EQ(Be32(b, 178), 6u);
    EXPECT_EQ(Be16(b, 182), uint32_t('b'));
    EXPECT_EQ(Be16(b, 190), uint32_t('h'));
    EXPECT_EQ(Be16(b, 192), 0u);
    // "text": the copyright text names the maker and a year.
    EXPECT_EQ(Be32(b, cprt.offset), IccSig("text"));
    const std::string copyright(reinterpret_cast<const char*>(&b[cprt.offset + 8]));
    EXPECT_EQ(cprt.size, 9 + copyright.size());
    EXPECT_NE(copyright.find("Quorvane"), std::string::npos) << copyright;
    EXPECT_NE(copyright.find("20"), std::string::npos) << copyright;
    EXPECT_EQ(b.size() % 4, 0u);
}

TEST_F(IccWriter, LookupTableOf41PointsHasTheExpectedSizeAndNodeInputs) {
    Recorder recorder;
    TestTable t(41, 4096, RecordNode, &recorder);
    ASSERT_EQ(IccCreateProfile(&profile_, &kInputRgbToLab, "grid"), kUiOk);
    ASSERT_EQ(IccSetWhitePoint(profile_, 0.9642, 1.0, 0.8249), kUiOk);
    ASSERT_EQ(IccAddLookupTable(profile_, &t.table, 1), kUiOk);
    ASSERT_EQ(IccWriteProfile(profile_, Path("grid.icc").c_str()), kUiOk);
    const std::vector<uint8_t> b = Written(Path("grid.icc"));
    const IccTagEntry lut = FindIccTag(b, IccSig("A2B0"));
    EXPECT_EQ(lut.size, 462730u);
    EXPECT_EQ(b.size(), Be32(b, 0));
    const IccTagEntry wtpt = FindIccTag(b, IccSig("wtpt"));
    EXPECT_EQ(wtpt.size, 20u);
    EXPECT_EQ(Be32(b, wtpt.offset + 8), 0x0000F6D6u);
    EXPECT_EQ(Be32(b, wtpt.offset + 16), 0x0000D32Du);
    EXPECT_EQ(lut.offset, wtpt.offset + 20);

    // Node (i, j, k), first input slowest, receives (i, j, k) / 40 up to the
    // curve's rounding.
    ASSERT_EQ(recorder.inputs.size(), 41u * 41 * 41 * 3);
    double worst = 0;
    for (uint32_t n = 0; n < 41 * 41 * 41; ++n) {
        const uint32_t idx[3] = {n / 1681, n / 41 % 41, n % 41};
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, std::fabs(recorder.inputs[n * 3 + c] - idx[c] / 40.0));
    }
    EXPECT_LT(worst, 0.5 / 4095);
    EXPECT_EQ(recorder.inputs[3 * 1681 * 40], 1.0);

    // The bytes: counts, identity matrix, entry counts, curves, grid, curves.
    const size_t at = lut.offset;
    EXPECT_EQ(Be32(b, at), IccSig("mft2"));
    EXPECT_EQ(b[at + 8], 3);
    EXPECT_EQ(b[at + 9], 3);
    EXPECT_EQ(b[at + 10], 41);
    for (int e = 0; e < 9; ++e) EXPECT_EQ(Be32(b, at + 12 + 4 * e), e % 4 == 0 ? 0x10000u : 0u);
    EXPECT_EQ(Be16(b, at + 48), 4096u);
    EXPECT_EQ(Be16(b, at + 50), 4096u);
    EXPECT_EQ(Be16(b, at + 52 + 2 * 4095), 65535u);
    const size_t grid = at + 52 + 2 * 3 * 4096;
    const size_t last = grid + 2 * 3 * (41 * 41 * 41 - 1);
    EXPECT_EQ(Be16(b, grid + 2 * 3 * 1 + 4), 1638u);  // node (0, 0, 1): 65535 / 40
    EXPECT_EQ(Be16(b, last), 65535u);
    EXPECT_EQ(Be16(b, last + 6 + 2), (1u * 65535 + 2047) / 4095);
}

TEST_F(IccWriter, ModeZeroWritesTheGivenGridAndASharedTagPointsAtItsSource) {
    TestTable t(2, 2, nullptr, nullptr);
    for (int n = 0; n < 8 * 3; ++n) t.grid.push_back(uint16_t(1000 * n + 7));
    t.table.grid = t.grid.data();
    t.table.matrix[1] = -0.5;
    ASSERT_EQ(IccCreateProfile(&profile_, &kInputRgbToLab, "g"), kUiOk);
    ASSERT_EQ(IccAddTableTag(profile_, IccSig("A2B1"), IccSig("mft2"), &t.table, 0), kUiOk);
    const uint32_t source = IccSig("A2B1");
    TestTable shared(2, 2, nullptr, const_cast<uint32_t*>(&source));
    ASSERT_EQ(IccAddLookupTable(profile_, &shared.table, 1), kUiOk);
    t.grid.assign(t.grid.size(), 0);  // the tag keeps its own copy
    ASSERT_EQ(IccWriteProfile(profile_, Path("g.icc").c_str()), kUiOk);
    const std::vector<uint8_t> b = Written(Path("g.icc"));
    const IccTagEntry a2b1 = FindIccTag(b, IccSig("A2B1"));
    const IccTagEntry a2b0 = FindIccTag(b, IccSig("A2B0"));
    EXPECT_EQ(a2b1.size, 52u + 2 * (6 + 24 + 6));
    EXPECT_EQ(a2b0.offset, a2b1.offset);
    EXPECT_EQ(a2b0.size, a2b1.size);
    EXPECT_EQ(Be32(b, a2b1.offset + 16), 0xFFFF8000u);
    const size_t grid = a2b1.offset + 52 + 12;
    for (int n = 0; n < 24; ++n) ASSERT_EQ(Be16(b, grid + 2 * n), uint32_t(1000 * n + 7)) << n;
    EXPECT_EQ(b.size(), Be32(b, 0));
}

TEST_F(IccWriter, TagTypesAndTheirSizes) {
    // Each type's data size and first bytes after the type head.
    double reals[] = {0, 2, 60.0, 45.0, 1, -2.0, 15.0, 3};
    uint64_t ints[] = {1, 0x41, 0xFFFF, 0x123456789ull, 12, 31};
    struct Case {
        const char* sig;
        const char* type;
        uint32_t count;
        bool useReals;
        uint32_t size;
        std::vector<uint8_t> head;  // bytes from offset 8
    } cases[] = {
        {"ch01", "curv", 3, false, 18, {0, 0, 0, 3, 0, 1, 0, 0x41}},
        {"ch02", "sf32", 1, true, 12, {0, 0, 0, 0}},
        {"ch03", "uf32", 3, true, 20, {0, 0, 0, 0, 0, 2, 0, 0, 0, 0x3C, 0, 0}},
        {"ch04", "ui08", 2, false, 10, {1, 0x41}},
        {"ch05", "ui16", 3, false, 14, {0, 1, 0, 0x41, 0xFF, 0xFF}},
        {"ch06", "ui32", 1, false, 12, {0, 0, 0, 1}},
        {"ch07", "ui64", 4, false, 40, {0, 0, 0, 0, 0, 0, 0, 1}},
        {"ch08", "sig ", 1, false, 12, {0, 0, 0, 1}},
        {"ch09", "dtim", 6, false, 20, {0, 1, 0, 0x41, 0xFF, 0xFF, 0x67, 0x89, 0, 12, 0, 31}},
        {"ch10", "data", 3, false, 14, {0, 0, 0, 1, 0x41, 0xFF}},
        {"ch11", "meas", 7, true, 36, {0, 0, 0, 0, 0, 2, 0, 0, 0, 0x3C, 0, 0}},
        {"ch12", "view", 7, true, 36, {0, 0, 0, 0, 0, 2, 0, 0}},
        {"ch13", "scrn", 5, true, 28, {0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0, 0}},
    };
    reals[1] = 2;
    ASSERT_EQ(IccCreateProfile(&profile_, &kInputRgbToLab, "types"), kUiOk);
    double scrn[] = {0, 1, 2.0, -45.0, 3};
    for (const Case& k : cases) {
        IccNumbers n = {k.count, k.useReals ? reals : nullptr, k.useReals ? nullptr : ints};
        if (std::string(k.type) == "scrn") n.reals = scrn;
        ASSERT_EQ(IccAddNumberTag(profile_, SigOf(k.sig), SigOf(k.type), &n), kUiOk) << k.type;
    }
    ASSERT_EQ(IccWriteProfile(profile_, Path("types.icc").c_str()), kUiOk);
    const std::vector<uint8_t> b = Written(Path("types.icc"));
    uint32_t end = 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.type);
        const IccTagEntry e = FindIccTag(b, SigOf(k.sig));
        EXPECT_EQ(e.size, k.size);
        EXPECT_EQ(e.offset % 4, 0u);
        EXPECT_EQ(Be32(b, e.offset), SigOf(k.type));
        EXPECT_EQ(Be32(b, e.offset + 4), 0u);
        const std::vector<uint8_t> head(b.begin() + e.offset + 8,
                                        b.begin() + e.offset + 8 + k.head.size());
        EXPECT_EQ(head, k.head);
        end = std::max(end, e.offset + e.size);
    }
    EXPECT_EQ(b.size(), (end + 3) / 4 * 4);
    EXPECT_EQ(b.size(), Be32(b, 0));
}

TEST_F(IccWriter, SequenceDescriptionAndEightBitTable) {
    ASSERT_EQ(IccCreateProfile(&profile_, &kInputRgbToLab, "x"), kUiOk);
    IccSequenceEntry entry = {IccSig("Qrvn"), IccSig("Vnt1"), 1,
                              IccSig("dcam"), "Quorvane",     "Vantoria"};
    const IccSequence sequence = {1, &entry};
    ASSERT_EQ(IccAddSequenceTag(profile_, IccSig("pseq"), &sequence), kUiOk);
    TestTable t(2, 256, nullptr, nullptr);
    for (int n = 0; n < 8 * 3; ++n) t.grid.push_back(uint16_t(1000 * n + 7));
    t.table.grid = t.grid.data();
    ASSERT_EQ(IccAddTableTag(profile_, IccSig("B2A0"), IccSig("mft1"), &t.table, 0), kUiOk);
    ASSERT_EQ(IccWriteProfile(profile_, Path("seq.icc").c_str()), kUiOk);
    const std::vector<uint8_t> b = Written(Path("seq.icc"));
    EXPECT_EQ(b.size(), Be32(b, 0));

    const IccTagEntry pseq = FindIccTag(b, IccSig("pseq"));
    EXPECT_EQ(pseq.size, 12u + 20 + 2 * (93 + 3 * 8));
    const size_t at = pseq.offset;
    EXPECT_EQ(Be32(b, at + 8), 1u);
    EXPECT_EQ(Be32(b, at + 12), IccSig("Qrvn"));
    EXPECT_EQ(Be32(b, at + 16), IccSig("Vnt1"));
    EXPECT_EQ(Be32(b, at + 24), 1u);  // low half of the attributes
    EXPECT_EQ(Be32(b, at + 28), IccSig("dcam"));
    EXPECT_EQ(Be32(b, at + 32), IccSig("desc"));
    EXPECT_EQ(Be32(b, at + 40), 9u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[at + 44])), "Quorvane");
    EXPECT_EQ(Be32(b, at + 32 + 117), IccSig("desc"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[at + 32 + 117 + 12])), "Vantoria");

    // "mft1": no entry counts, 8-bit tables and grid (16-bit values rounded).
    const IccTagEntry mft1 = FindIccTag(b, IccSig("B2A0"));
    EXPECT_EQ(mft1.size, 48u + 3 * 256 + 8 * 3 + 3 * 256);
    const size_t m = mft1.offset;
    EXPECT_EQ(Be32(b, m), IccSig("mft1"));
    EXPECT_EQ(b[m + 10], 2);
    EXPECT_EQ(b[m + 48 + 255], 255);
    EXPECT_EQ(b[m + 48 + 128], 128);
    EXPECT_EQ(b[m + 48 + 768 + 23], (23007 * 255 + 32767) / 65535);
    EXPECT_EQ(b[m + 48 + 768 + 24 + 767], 255);

    // Texts that are not terminated inside their fields are refused.
    std::memset(entry.modelText, 'x', sizeof entry.modelText);
    EXPECT_EQ(IccAddSequenceTag(profile_, IccSig("pseq"), &sequence), kUiErrArg);
}

TEST_F(IccWriter, RefusalsLeaveNothingBehind) {
    // Header codes.
    struct Choice {
        int32_t deviceClass, connection, intent, status;
    } choices[] = {
        {6, 0, 0, kUiErrArg}, {-1, 0, 0, kUiErrArg}, {0, 3, 0, kUiErrArg}, {0, -1, 0, kUiErrArg},
        {3, 7, 0, kUiOk},     {3, 8, 0, kUiErrArg},  {0, 0, 4, kUiErrArg}, {5, 2, 3, kUiOk},
    };
    for (const Choice& c : choices) {
        IccHeaderChoices h = kInputRgbToLab;
        h.deviceClass = c.deviceClass;
        h.connectionSpace = c.connection;
        h.intent = c.intent;
        IccProfile* p = nullptr;
        EXPECT_EQ(IccCreateProfile(&p, &h, "x"), c.status) << c.deviceClass << " " << c.connection;
        EXPECT_EQ(p != nullptr, c.status == kUiOk);
        IccFreeProfile(&p);
        EXPECT_EQ(p, nullptr);
    }
    ASSERT_EQ(IccCreateProfile(&profile_, &kInputRgbToLab, "x"), kUiOk);
    // Negative white, an XYZ tag where a table belongs, a table where XYZ
    // belongs, a taken signature, tables of impossible shapes.
    EXPECT_EQ(IccSetWhitePoint(profile_, 0.9, -0.1, 0.8), kUiErrArg);
    const double xyz[3] = {0.5, 0.5, 0.5};
    EXPECT_EQ(IccAddXYZTag(profile_, IccSig("A2B0"), xyz), kUiErrArg);
    EXPECT_EQ(IccAddXYZTag(profile_, IccSig("bkpt"), xyz), kUiOk);
    EXPECT_EQ(IccAddXYZTag(profile_, IccSig("bkpt"), xyz), kUiErrArg);
    TestTable t(41, 4096, QuietNode, nullptr);
    EXPECT_EQ(IccAddTableTag(profile_, IccSig("wtpt"), IccSig("mft2"), &t.table, 1), kUiErrArg);
    EXPECT_EQ(IccAddTableTag(profile_, IccSig("A2B1"), IccSig("mft1"), &t.table, 1), kUiErrArg);
    t.table.gridPoints = 1;
    EXPECT_EQ(IccAddLookupTable(profile_, &t.table, 1), kUiErrArg);
    t.table.gridPoints = 41;
    t.table.inputEntries = 4097;
    EXPECT_EQ(IccAddLookupTable(profile_, &t.table, 1), kUiErrArg);
    t.table.inputEntries = 4096;
    t.table.matrix[2] = 40000.0;
    EXPECT_EQ(IccAddLookupTable(profile_, &t.table, 1), kUiErrArg);
    t.table.matrix[2] = 0.0;
    EXPECT_EQ(IccAddLookupTable(profile_, &t.table, 2), kUiErrArg);
    EXPECT_EQ(IccAddLookupTable(profile_, &t.table, 0), kUiErrArg);  // no grid given
    EXPECT_EQ(profile_->tagCount, 3);
    // A shared tag whose source does not exist fails at writing.
    const uint32_t missing = IccSig("B2A2");
    TestTable shared(2, 2, nullptr, const_cast<uint32_t*>(&missing));
    ASSERT_EQ(IccAddLookupTable(profile_, &shared.table, 1), kUiOk);
    EXPECT_EQ(IccWriteProfile(profile_, Path("shared.icc").c_str()), kUiErrGeneral);
    EXPECT_EQ(IccWriteProfile(nullptr, Path("none.icc").c_str()), kUiErrArg);
    ExpectFolderHolds({});
}

TEST_F(IccWriter, UnimplementedTypeIsLogged) {
    ASSERT_EQ(IccCreateProfile(&profile_, &kInputRgbToLab, "x"), kUiOk);
    RemoveDebugLog();
    const IccNumbers n = {0, nullptr, nullptr};
    EXPECT_EQ(IccAddNumberTag(profile_, IccSig("ncl2"), IccSig("ncol"), &n), kUiErrUnsupported);
    EXPECT_NE(ReadDebugLog().find("Unimplemented type 1852010348."), std::string::npos)
        << ReadDebugLog();
    EXPECT_EQ(profile_->tagCount, 2);
}

TEST_F(IccWriter, TheGridNeverSitsInMemory) {
    TestTable t(41, 4096, QuietNode, nullptr);
    ASSERT_EQ(IccCreateProfile(&profile_, &kInputRgbToLab, "peak"), kUiOk);
    ASSERT_EQ(IccAddLookupTable(profile_, &t.table, 1), kUiOk);
    // Ballast brings the running total up to the high-water mark, so that
    // the mark after the write rises by exactly the write's own peak.
    const UiMemStats before = Ui_Mem_Stats();
    void* ballast = nullptr;
    if (before.maxTotal > before.total + kUiMemGuardBytes)
        ballast = Ui_Malloc(before.maxTotal - before.total - kUiMemGuardBytes);
    const UiMemStats start = Ui_Mem_Stats();
    ASSERT_EQ(start.maxTotal, start.total);
    ASSERT_EQ(IccWriteProfile(profile_, Path("peak.icc").c_str()), kUiOk);
    const uint32_t peak = Ui_Mem_Stats().maxTotal - start.total;
    Ui_Free(ballast);
    const uint32_t gridBytes = 41 * 41 * 41 * 3 * 2;
    EXPECT_LT(peak, 32768u) << "the write's peak above what was live before it";
    EXPECT_LT(peak * 10, gridBytes);
}

TEST_F(IccWriter, AFailingDiskOrGridLeavesNoPartialFileAndTheOldOneIntact) {
    TestTable t(41, 4096, QuietNode, nullptr);
    ASSERT_EQ(IccCreateProfile(&profile_, &kInputRgbToLab, "disk"), kUiOk);
    ASSERT_EQ(IccAddLookupTable(profile_, &t.table, 1), kUiOk);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    ASSERT_TRUE(WriteWholeFile(Path("disk.icc"), old));
    struct Fault {
        int32_t kind;
        uint32_t n;
    } faults[] = {{kFLFaultWrite, 1},
                  {kFLFaultWrite, 20},
                  {kFLFaultFlush, 1},
                  {kFLFaultClose, 1},
                  {kFLFaultRename, 1}};
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.kind);
        FL_InjectFault(f.kind, f.n);
        // A close that fails to flush is a write error like any other.
        EXPECT_EQ(IccWriteProfile(profile_, Path("disk.icc").c_str()), kUiErrWrite);
        FL_InjectFault(f.kind, 0);
        EXPECT_EQ(Written(Path("disk.icc")), old);
        ExpectFolderHolds({"disk.icc"});
    }
    // A grid function's failure stops the writing with its status.
    Recorder failing;
    failing.failAt = 500;
    TestTable bad(41, 4096, RecordNode, &failing);
    IccProfile* p = nullptr;
    ASSERT_EQ(IccCreateProfile(&p, &kInputRgbToLab, "bad"), kUiOk);
    ASSERT_EQ(IccAddLookupTable(p, &bad.table, 1), kUiOk);
    EXPECT_EQ(IccWriteProfile(p, Path("bad.icc").c_str()), kUiErrFormat);
    EXPECT_EQ(failing.inputs.size(), 499u * 3);
    IccFreeProfile(&p);
    ExpectFolderHolds({"disk.icc"});
    // And the same profile then writes in full.
    ASSERT_EQ(IccWriteProfile(profile_, Path("disk.icc").c_str()), kUiOk);
    const std::vector<uint8_t> b = Written(Path("disk.icc"));
    EXPECT_EQ(b.size(), Be32(b, 0));
    EXPECT_EQ(FindIccTag(b, IccSig("A2B0")).size, 462730u);
}

TEST_F(IccWriter, RunningOutOfMemoryAnywhere) {
    TestTable t(9, 256, QuietNode, nullptr);
    const std::string path = Path("mem.icc");
    const uint32_t requests = RunAllocationFailureLoop([&]() -> int32_t {
        std::remove(path.c_str());
        IccProfile* p = nullptr;
        int32_t status = IccCreateProfile(&p, &kInputRgbToLab, "memory");
        if (status == kUiOk) status = IccSetWhitePoint(p, 0.9642, 1.0, 0.8249);
        if (status == kUiOk) status = IccAddLookupTable(p, &t.table, 1);
        if (status == kUiOk) status = IccWriteProfile(p, path.c_str());
        IccFreeProfile(&p);
        EXPECT_EQ(FileExists(path), status == kUiOk);
        return status;
    });
    EXPECT_GE(requests, 6u);
}

namespace {

// A profile with a tag of every implemented type, a given and a shared
// table, an 8-bit table and a sequence; written to path.
int32_t WriteEveryType(const std::string& path, std::vector<uint8_t>* bytes) {
    IccProfile* p = nullptr;
    int32_t status = IccCreateProfile(&p, &kInputRgbToLab, "every type");
    const double xyz[3] = {0.01, 0.0125, 0.02};
    if (status == kUiOk) status = IccSetWhitePoint(p, 0.9642, 1.0, 0.8249);
    if (status == kUiOk) status = IccAddXYZTag(p, IccSig("bkpt"), xyz);
    TestTable given(3, 16, nullptr, nullptr);
    for (int n = 0; n < 27 * 3; ++n) given.grid.push_back(uint16_t(n * 809));
    given.table.grid = given.grid.data();
    given.table.matrix[3] = 0.25;
    if (status == kUiOk)
        status = IccAddTableTag(p, IccSig("A2B1"), IccSig("mft2"), &given.table, 0);
    const uint32_t source = IccSig("A2B1");
    TestTable shared(2, 2, nullptr, const_cast<uint32_t*>(&source));
    if (status == kUiOk) status = IccAddLookupTable(p, &shared.table, 1);
    TestTable eight(2, 256, nullptr, nullptr);
    for (int n = 0; n < 8 * 3; ++n) eight.grid.push_back(uint16_t(n * 10 * 257));
    eight.table.grid = eight.grid.data();
    if (status == kUiOk)
        status = IccAddTableTag(p, IccSig("B2A0"), IccSig("mft1"), &eight.table, 0);
    IccSequenceEntry entry = {IccSig("Qrvn"), IccSig("Vnt1"), 3, IccSig("dcam"), "Quorvane", "V"};
    const IccSequence sequence = {1, &entry};
    if (status == kUiOk) status = IccAddSequenceTag(p, IccSig("pseq"), &sequence);
    double reals[] = {1, 0.5, -0.25, 3, 2, 0.75, 1};
    double screen[] = {0, 1, 60.0, -45.0, 2};
    uint64_t ints[] = {1, 0x41, 0xFF, 2026, 12, 10};
    const struct {
        const char *sig, *type;
        uint32_t count;
        bool reals;
    } numbers[] = {
        {"c001", "curv", 3, false}, {"c002", "sf32", 3, true},  {"c003", "uf32", 2, true},
        {"c004", "ui08", 3, false}, {"c005", "ui16", 3, false}, {"c006", "ui32", 2, false},
        {"c007", "ui64", 2, false}, {"c008", "sig ", 1, false}, {"c009", "dtim", 6, false},
        {"c010", "data", 4, false}, {"c011", "meas", 7, true},  {"c012", "view", 7, true},
        {"c013", "scrn", 5, true}};
    for (const auto& k : numbers) {
        IccNumbers n = {k.count, k.reals ? reals : nullptr, k.reals ? nullptr : ints};
        if (std::string(k.type) == "scrn") n.reals = screen;
        if (status == kUiOk) status = IccAddNumberTag(p, SigOf(k.sig), SigOf(k.type), &n);
    }
    if (status == kUiOk) status = IccWriteProfile(p, path.c_str());
    IccFreeProfile(&p);
    if (status == kUiOk && !ReadWholeFile(path, bytes)) status = kUiErrRead;
    return status;
}

// The bytes without the header's date and time.
std::vector<uint8_t> Undated(std::vector<uint8_t> b) {
    std::fill(b.begin() + 24, b.begin() + 36, 0);
    return b;
}

}  // namespace

TEST_F(IccWriter, ReadingBackAndWritingAgainGivesTheSameBytes) {
    std::vector<uint8_t> first, second;
    ASSERT_EQ(WriteEveryType(Path("every.icc"), &first), kUiOk);
    ASSERT_EQ(IccReadProfile(first.data(), uint32_t(first.size()), &profile_), kUiOk);
    EXPECT_EQ(profile_->tagCount, 21);
    ASSERT_EQ(IccWriteProfile(profile_, Path("again.icc").c_str()), kUiOk);
    second = Written(Path("again.icc"));
    EXPECT_EQ(Undated(second), Undated(first));
}

TEST_F(IccWriter, HostileProfilesAreRefusedWithoutReadingPastTheData) {
    std::vector<uint8_t> good;
    ASSERT_EQ(WriteEveryType(Path("every.icc"), &good), kUiOk);
    // Every truncation.
    for (size_t n = 1; n < good.size(); n += 7) {
        std::vector<uint8_t> cut(good.begin(),
                                 good.begin() + n);  // its own block: ASan sees overreads
        IccProfile* p = nullptr;
        ASSERT_EQ(IccReadProfile(cut.data(), uint32_t(cut.size()), &p), kUiErrFormat) << n;
        ASSERT_EQ(p, nullptr);
        // With the declared size cut as well, the tags past the end are refused.
        if (n < 4) continue;
        for (int k = 0; k < 4; ++k) cut[k] = uint8_t(n >> (24 - 8 * k));
        const int32_t status = IccReadProfile(cut.data(), uint32_t(cut.size()), &p);
        ASSERT_EQ(status, n + 3 >= good.size() ? kUiOk : kUiErrFormat) << n;
        IccFreeProfile(&p);
    }
    // Damaged fields: any answer but a crash, a leak or a half-built profile.
    uint32_t seed = 7;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bad = good;
        for (int k = 0; k < 1 + round % 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            const size_t at = round % 2 ? (seed >> 8) % 400 : (seed >> 8) % bad.size();
            bad[at] = uint8_t(seed >> 3);
        }
        IccProfile* p = nullptr;
        const int32_t status = IccReadProfile(bad.data(), uint32_t(bad.size()), &p);
        ASSERT_TRUE(status == kUiOk || status == kUiErrFormat || status == kUiErrUnsupported)
            << status;
        ASSERT_EQ(p != nullptr, status == kUiOk);
        IccFreeProfile(&p);
    }
    // A tag table that claims more tags than the data holds, or data past the end.
    std::vector<uint8_t> many = good;
    many[131] = 200;
    IccProfile* p = nullptr;
    EXPECT_EQ(IccReadProfile(many.data(), uint32_t(many.size()), &p), kUiErrFormat);
    std::vector<uint8_t> far = good;
    far[132 + 4] = 0x7F;  // first tag's offset
    EXPECT_EQ(IccReadProfile(far.data(), uint32_t(far.size()), &p), kUiErrFormat);
    EXPECT_EQ(IccReadProfile(nullptr, 10, &p), kUiErrArg);
}

TEST_F(IccWriter, ReadingRunsOutOfMemoryCleanly) {
    std::vector<uint8_t> good;
    ASSERT_EQ(WriteEveryType(Path("every.icc"), &good), kUiOk);
    const uint32_t requests = RunAllocationFailureLoop([&]() -> int32_t {
        IccProfile* p = nullptr;
        const int32_t status = IccReadProfile(good.data(), uint32_t(good.size()), &p);
        IccFreeProfile(&p);
        return status;
    });
    EXPECT_GE(requests, 20u);
}
