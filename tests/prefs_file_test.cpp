#include "ui/prefs_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"
#include "ui/allocator.h"
#include "ui/portable_number.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

using ::testing::HasSubstr;

using Bytes = std::vector<uint8_t>;

const Bytes kVersionAndEnd = {0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};

Bytes Encode(double v, int32_t form) {
    Bytes b(4);
    Ui_EncodeNumber(v, form, b.data());
    return b;
}

TEST(PortableNumber, EncodingsOfKnownValues) {
    struct Case {
        double value;
        Bytes binary;
        Bytes decimal;
    };
    const Case cases[] = {
        {1.0, {0x01, 0x40, 0x00, 0x00}, {0x01, 0x07, 0xA1, 0x20}},
        {0.0, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {-1.0, {0x01, 0xC0, 0x00, 0x00}, {0x01, 0xF8, 0x5E, 0xE0}},
        {0.5, {0x00, 0x40, 0x00, 0x00}, {0x00, 0x07, 0xA1, 0x20}},
        {2.2, {0x02, 0x46, 0x66, 0x66}, {0x02, 0x08, 0x64, 0x70}},
        {360.0, {0x09, 0x5A, 0x00, 0x00}, {0x09, 0x0A, 0xBA, 0x95}},
        // Fractions that round up to the scale are held at the top mantissa.
        {0.99999999, {0x00, 0x7F, 0xFF, 0xFF}, {0x00, 0x0F, 0x42, 0x3F}},
        {-0.99999999, {0x00, 0x80, 0x00, 0x00}, {0x00, 0xF0, 0xBD, 0xC1}},
        // Out of the exponent byte: saturated, or zero.
        {std::ldexp(1.0, 200), {0x7F, 0x7F, 0xFF, 0xFF}, {0x7F, 0x0F, 0x42, 0x3F}},
        {std::ldexp(1.0, -200), {0, 0, 0, 0}, {0, 0, 0, 0}},
        {std::nan(""), {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(c.value, kUiNumberBinary), c.binary) << c.value;
        EXPECT_EQ(Encode(c.value, kUiNumberDecimal), c.decimal) << c.value;
    }
}

TEST(PortableNumber, DecodingRoundTripsAndLimits) {
    // Every value keeps 23 bits (binary) or six digits (decimal).
    for (double v = -1e6; v < 1e6; v = v * -1.37 + 0.013) {
        const float f = float(v);
        const Bytes b = Encode(f, kUiNumberBinary);
        EXPECT_NEAR(Ui_DecodeNumber(b.data(), kUiNumberBinary), f, std::fabs(f) * 1.2e-7) << f;
        const Bytes d = Encode(f, kUiNumberDecimal);
        EXPECT_NEAR(Ui_DecodeNumber(d.data(), kUiNumberDecimal), f, std::fabs(f) * 1.1e-6) << f;
        if (std::fabs(v) < 1e-30) break;
    }
    const uint8_t lowest[4] = {0x01, 0x80, 0x00, 0x00};
    EXPECT_EQ(Ui_DecodeNumber(lowest, kUiNumberBinary), float(-8388607.0 / 4194304.0));
    const uint8_t huge[4] = {0x7F, 0x7F, 0xFF, 0xFF};
    EXPECT_TRUE(std::isfinite(Ui_DecodeNumber(huge, kUiNumberDecimal)));
    EXPECT_TRUE(std::isfinite(Ui_DecodeNumber(huge, kUiNumberBinary)));
}

// A memory file over a byte vector.
struct MemFile {
    explicit MemFile(Bytes b) : bytes(std::move(b)) {}
    Bytes bytes;
    FLFile file = {};
    int32_t Open(int32_t mode) {
        FLSpec spec;
        FL_MemorySpec(&spec, kFLSpecMemoryBlock, bytes.data(), uint32_t(bytes.size()));
        return FLOpen(&file, &spec, mode);
    }
};

Bytes Header(uint16_t tag, uint16_t type, uint32_t count) {
    return {uint8_t(tag >> 8),    uint8_t(tag),         uint8_t(type >> 8),  uint8_t(type),
            uint8_t(count >> 24), uint8_t(count >> 16), uint8_t(count >> 8), uint8_t(count)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(PrefsEntry, EachTypeRoundTripsInMemoryOrder) {
    const uint8_t bytes[] = {7, 0, 255};
    const int16_t shorts[] = {-2, 300};
    const int32_t ints[] = {-70000, 1};
    const float numbers[] = {1.0f, -0.25f, 2.2f};
    struct Case {
        uint16_t type;
        uint32_t count;
        const void* values;
        Bytes file;
    };
    const Case cases[] = {
        {kUiPrefsBytes, 3, bytes, Cat({Header(9, 0, 3), {7, 0, 255}})},
        {kUiPrefsInt16, 2, shorts, Cat({Header(9, 1, 2), {0xFF, 0xFE, 0x01, 0x2C}})},
        {kUiPrefsInt32, 2, ints, Cat({Header(9, 2, 2), {0xFF, 0xFE, 0xEE, 0x90, 0, 0, 0, 1}})},
        {kUiPrefsNumber, 3, numbers,
         Cat({Header(9, 3, 3), Encode(1.0, 3), Encode(-0.25, 3), Encode(2.2f, 3)})},
        {kUiPrefsDecimal, 3, numbers,
         Cat({Header(9, 4, 3), Encode(1.0, 4), Encode(-0.25, 4), Encode(2.2f, 4)})},
        {kUiPrefsBytes, 0, nullptr, Header(9, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        MemFile m{Bytes(64, 0xCC)};
        ASSERT_EQ(m.Open(kFLWrite), kUiOk);
        ASSERT_EQ(Ui_Prefs_WriteEntry(&m.file, 9, c.type, c.count, c.values), kUiOk);
        EXPECT_EQ(Bytes(m.bytes.begin(), m.bytes.begin() + m.file.highest), c.file);
        FLClose(&m.file);

        m.bytes = c.file;
        m.bytes.push_back(0x42);  // a byte after the entry shows where reading stopped
        ASSERT_EQ(m.Open(kFLRead), kUiOk);
        uint16_t tag, type;
        uint32_t count;
        void* values = nullptr;
        ASSERT_EQ(Ui___Prefs_ReadEntry(&m.file, &tag, &type, &count, &values), kUiOk);
        EXPECT_EQ(tag, 9);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(count, c.count);
        if (c.type >= kUiPrefsNumber) {
            const float* got = static_cast<const float*>(values);
            for (uint32_t i = 0; i < count; ++i) EXPECT_NEAR(got[i], numbers[i], 1e-6);
        } else if (c.count > 0) {
            EXPECT_EQ(std::memcmp(values, c.values, count * Ui_Prefs_ValueSize(type)), 0);
        } else {
            EXPECT_EQ(values, nullptr);
        }
        Ui_Free(values);
        uint32_t pos = 0;
        FLGetPos(&m.file, &pos);
        EXPECT_EQ(pos, c.file.size());

        // With no place for the values they are skipped.
        ASSERT_EQ(FLSeek(&m.file, 0, kFLFromStart), kUiOk);
        ASSERT_EQ(Ui___Prefs_ReadEntry(&m.file, &tag, &type, &count, nullptr), kUiOk);
        FLGetPos(&m.file, &pos);
        EXPECT_EQ(pos, c.file.size());
        FLClose(&m.file);
    }
    MemFile m{Bytes(16)};
    ASSERT_EQ(m.Open(kFLWrite), kUiOk);
    EXPECT_EQ(Ui_Prefs_WriteEntry(&m.file, 9, 5, 1, bytes), kUiErrArg);
    EXPECT_EQ(Ui_Prefs_WriteEntry(&m.file, 9, 0, 1, nullptr), kUiErrArg);
}

TEST(PrefsEntry, HostileEntriesAreRefusedBeforeAnyAllocation) {
    struct Case {
        const char* what;
        Bytes file;
        int32_t status;
        uint32_t count;  // as reported
    };
    const Case cases[] = {
        {"unknown type", Cat({Header(50, 5, 1), {1, 2, 3, 4}}), kUiErrFormat, 1},
        {"count beyond the file", Cat({Header(50, 0, 5), {1, 2, 3, 4}}), kUiErrFormat, 5},
        {"values cut short", Cat({Header(50, 2, 2), {0, 0, 0, 1, 0, 0}}), kUiErrFormat, 2},
        {"count times size overflows", Cat({Header(50, 2, 0x40000001), {0, 0, 0, 1}}), kUiErrFormat,
         0x40000001},
        {"largest count", Cat({Header(50, 4, 0xFFFFFFFF), {0, 0, 0, 1}}), kUiErrFormat, 0xFFFFFFFF},
        {"header cut short", {0, 50, 0, 2, 0}, kUiErrRead, 0},
        {"empty", {}, kUiErrRead, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemFile m{c.file};
        m.bytes.push_back(0);  // memory files are never empty
        FLSpec spec;
        FL_MemorySpec(&spec, kFLSpecMemoryBlock, m.bytes.data(),
                      uint32_t(c.file.size() ? c.file.size() : 1));
        ASSERT_EQ(FLOpen(&m.file, &spec, kFLRead), kUiOk);
        if (c.file.empty()) FLSeek(&m.file, 0, kFLFromEnd);
        Ui_Mem_InjectFailure(1, true);  // any allocation would fail with -3
        uint16_t tag, type;
        uint32_t count;
        void* values = reinterpret_cast<void*>(1);
        EXPECT_EQ(Ui___Prefs_ReadEntry(&m.file, &tag, &type, &count, &values), c.status);
        EXPECT_EQ(Ui_Mem_RequestCount(), 0u);
        Ui_Mem_InjectFailure(0, false);
        EXPECT_EQ(values, nullptr);
        EXPECT_EQ(count, c.count);
        FLClose(&m.file);
    }
}

// What the read callback saw, and the entries the write callback adds.
struct Program {
    std::vector<std::pair<uint16_t, std::vector<float>>> seen;
    int32_t stopAtTag = -1;
    int32_t stopWith = 0;
    int32_t writeStatus = 0;
};

int32_t ReadCallback(UiState*, uint16_t tag, uint16_t type, uint32_t count, const void* values,
                     void* context) {
    auto* p = static_cast<Program*>(context);
    std::vector<float> v;
    for (uint32_t i = 0; i < count; ++i) {
        if (type == kUiPrefsInt32)
            v.push_back(float(static_cast<const int32_t*>(values)[i]));
        else if (type == kUiPrefsNumber)
            v.push_back(static_cast<const float*>(values)[i]);
        else if (type == kUiPrefsBytes)
            v.push_back(static_cast<const uint8_t*>(values)[i]);
    }
    p->seen.push_back({tag, v});
    return tag == p->stopAtTag ? p->stopWith : kUiOk;
}

int32_t WriteCallback(UiState*, FLFile* file, void* context) {
    auto* p = static_cast<Program*>(context);
    const int32_t mode = 2;
    const float amounts[] = {0.5f, 1.0f};
    const uint8_t name[300] = {'n', 'a', 'm', 'e'};
    UI_TRY(Ui_Prefs_WriteEntry(file, 50, kUiPrefsInt32, 1, &mode));
    UI_TRY(Ui_Prefs_WriteEntry(file, 51, kUiPrefsNumber, 2, amounts));
    UI_TRY(Ui_Prefs_WriteEntry(file, 54, kUiPrefsBytes, sizeof name, name));
    return p->writeStatus;
}

class PrefsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state_, nullptr, nullptr, kStrProductName, 1), kUiOk);
        folder_ = MakeTempFolder("prefs");
        path_ = folder_ + "Vantoria Plugin Prefs";
        for (int32_t f = 0; f < kFLFaultCount; ++f) FL_InjectFault(f, 0);
        RemoveDebugLog();
    }
    void TearDown() override {
        for (int32_t f = 0; f < kFLFaultCount; ++f) FL_InjectFault(f, 0);
        Ui_State_Close(&state_);
    }
    Bytes FileBytes() const {
        Bytes b;
        ReadWholeFile(path_, &b);
        return b;
    }
    int32_t Write(Program* p) {
        return Ui_Prefs_WriteAll(state_, path_.c_str(), kUiPrefsFileKind, WriteCallback, p);
    }
    int32_t Read(Program* p) {
        return Ui_Prefs_ReadAll(state_, path_.c_str(), kUiPrefsFileKind, ReadCallback,
                                WriteCallback, p);
    }
    UiState* state_ = nullptr;
    std::string folder_;
    std::string path_;
};

TEST_F(PrefsFile, VersionAndEndAloneAreTwentyBytes) {
    ASSERT_EQ(Ui_Prefs_WriteAll(state_, path_.c_str(), kUiPrefsFileKind, nullptr, nullptr), kUiOk);
    EXPECT_EQ(FileBytes(), kVersionAndEnd);
    Program p;
    EXPECT_EQ(Read(&p), kUiOk);
    ASSERT_EQ(p.seen.size(), 2u);
    EXPECT_EQ(p.seen[0].first, kUiPrefsTagVersion);
    EXPECT_EQ(p.seen[0].second, std::vector<float>{1});
    EXPECT_EQ(p.seen[1].first, kUiPrefsTagEnd);
    EXPECT_TRUE(p.seen[1].second.empty());
    EXPECT_EQ(ReadDebugLog(),
              "Ui_Prefs_WriteAll: FLOpen success\n"
              "Ui_Prefs_ReadAll: FLOpen success\n"
              "Ui_Prefs_ReadAll: version\n");
}

TEST_F(PrefsFile, ProgramEntriesRoundTripAndUnknownTagsPassHarmlessly) {
    Program w;
    ASSERT_EQ(Write(&w), kUiOk);
    EXPECT_EQ(FileBytes().size(), 20u + 8 + 4 + 8 + 8 + 8 + 300);
    Program r;
    EXPECT_EQ(Read(&r), kUiOk);
    ASSERT_EQ(r.seen.size(), 5u);
    EXPECT_EQ(r.seen[1].first, 50);
    EXPECT_EQ(r.seen[1].second, std::vector<float>{2});
    EXPECT_EQ(r.seen[2].second, (std::vector<float>{0.5f, 1.0f}));
    EXPECT_EQ(r.seen[3].second.size(), 300u);
    EXPECT_EQ(r.seen[4].first, kUiPrefsTagEnd);

    // A non-zero callback result stops the reading and becomes its result.
    Program stop;
    stop.stopAtTag = 51;
    stop.stopWith = kUiErrUnsupported;
    EXPECT_EQ(Read(&stop), kUiErrUnsupported);
    EXPECT_EQ(stop.seen.size(), 3u);
}

TEST_F(PrefsFile, DamagedFilesGiveTheirErrorsAndLogLines) {
    struct Case {
        const char* what;
        Bytes file;
        int32_t status;
        size_t entriesSeen;
        const char* log;
    };
    const Bytes version = Cat({Header(0, 2, 1), {0, 0, 0, 1}});
    const Case cases[] = {
        {"no end entry", version, kUiErrRead, 1,
         "Ui_Prefs_ReadAll: FLOpen success\nUi_Prefs_ReadAll: version\n"
         "Ui_Prefs_ReadAll: Ui___Prefs_ReadEntry error\ntag = 0, type = 0, count = 0\n"},
        {"unknown type", Cat({version, Header(7, 9, 1), {1, 2, 3, 4}, Header(1, 0, 0)}),
         kUiErrFormat, 1,
         "Ui_Prefs_ReadAll: FLOpen success\nUi_Prefs_ReadAll: version\n"
         "Ui_Prefs_ReadAll: Ui___Prefs_ReadEntry error\ntag = 7, type = 9, count = 1\n"},
        {"count beyond the file", Cat({version, Header(54, 0, 256), Header(1, 0, 0)}), kUiErrFormat,
         1,
         "Ui_Prefs_ReadAll: FLOpen success\nUi_Prefs_ReadAll: version\n"
         "Ui_Prefs_ReadAll: Ui___Prefs_ReadEntry error\ntag = 54, type = 0, count = 256\n"},
        {"version count 2", Cat({Header(0, 2, 2), {0, 0, 0, 1, 0, 0, 0, 1}, Header(1, 0, 0)}),
         kUiErrFormat, 0, "Ui_Prefs_ReadAll: FLOpen success\nUi_Prefs_ReadAll: tag error\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteWholeFile(path_, c.file));
        RemoveDebugLog();
        Program p;
        EXPECT_EQ(Read(&p), c.status);
        EXPECT_EQ(p.seen.size(), c.entriesSeen);
        EXPECT_EQ(ReadDebugLog(), c.log);
        EXPECT_EQ(FileBytes(), c.file);  // never rewritten
    }
}

TEST_F(PrefsFile, OnlyAMissingFileIsReplacedByDefaults) {
    Program p;
    EXPECT_EQ(Read(&p), kUiOk);
    EXPECT_TRUE(p.seen.empty());
    const Bytes defaults = FileBytes();
    EXPECT_EQ(defaults.size(), 356u);
    const std::string log = ReadDebugLog();
    EXPECT_EQ(log, "Ui_Prefs_ReadAll: FLOpen error -4\n" + path_ +
                       "\nWrite out defaults instead.\nUi_Prefs_WriteAll: FLOpen success\n");

    // A path that exists but cannot be opened as a file is left alone.
    const std::string blocked = folder_ + "plain-file";
    ASSERT_TRUE(WriteWholeFile(blocked, {1, 2, 3}));
    const std::string underFile = blocked + "/prefs";
    EXPECT_EQ(Ui_Prefs_ReadAll(state_, underFile.c_str(), kUiPrefsFileKind, ReadCallback,
                               WriteCallback, &p),
              kUiErrOpen);
    Bytes after;
    ASSERT_TRUE(ReadWholeFile(blocked, &after));
    EXPECT_EQ(after, (Bytes{1, 2, 3}));

    // A folder in the file's place reads as a read error and stays.
    const std::string folderInPlace = folder_ + "a-folder";
    ASSERT_EQ(mkdir(folderInPlace.c_str(), 0755), 0);
    EXPECT_EQ(Ui_Prefs_ReadAll(state_, folderInPlace.c_str(), kUiPrefsFileKind, ReadCallback,
                               WriteCallback, &p),
              kUiErrRead);
    EXPECT_TRUE(FileExists(folderInPlace + "/"));

    // Defaults that cannot be written are reported.
    RemoveDebugLog();
    const std::string noFolder = folder_ + "missing/prefs";
    EXPECT_EQ(Ui_Prefs_ReadAll(state_, noFolder.c_str(), kUiPrefsFileKind, ReadCallback,
                               WriteCallback, &p),
              kUiErrOpen);
    EXPECT_THAT(ReadDebugLog(), HasSubstr("Ui_Prefs_WriteAll error -4\n"));
}

// The write failing at any point leaves the user's file as it was, with no
// temporary file beside it, and returns the error.
TEST_F(PrefsFile, FailedWritesKeepTheOldFile) {
    ASSERT_EQ(Ui_Prefs_WriteAll(state_, path_.c_str(), kUiPrefsFileKind, nullptr, nullptr), kUiOk);
    const Bytes old = FileBytes();
    for (int32_t fault : {kFLFaultWrite, kFLFaultFlush, kFLFaultClose, kFLFaultRename}) {
        bool completed = false;
        for (uint32_t n = 1; !completed && n < 100; ++n) {
            SCOPED_TRACE(std::to_string(fault) + "@" + std::to_string(n));
            FL_InjectFault(fault, n);
            RemoveDebugLog();
            Program w;
            const int32_t status = Write(&w);
            completed = FL_FaultOpCount(fault) < n;
            FL_InjectFault(fault, 0);
            if (completed) {
                EXPECT_EQ(status, kUiOk);
                break;
            }
            EXPECT_EQ(status, kUiErrWrite);
            EXPECT_EQ(FileBytes(), old);
            EXPECT_FALSE(FileExists(folder_ + "Quorvane000000.tmp"));
            const std::string log = ReadDebugLog();
            if (fault == kFLFaultWrite && n == 1) {
                EXPECT_THAT(log, HasSubstr("Ui_Prefs_WriteEntry 1 returned -6"));
            }
            if (fault != kFLFaultWrite) {
                EXPECT_THAT(log, HasSubstr("Ui_Prefs_WriteAll: FLClose returned -6"));
            }
        }
        EXPECT_TRUE(completed);
        ASSERT_TRUE(WriteWholeFile(path_, old));
    }

    Program failing;
    failing.writeStatus = kUiErrUnsupported;
    EXPECT_EQ(Write(&failing), kUiErrUnsupported);
    EXPECT_EQ(FileBytes(), old);
    EXPECT_THAT(ReadDebugLog(), HasSubstr("Ui_Prefs_WriteAll: writePrefsCallback returned -9"));
    EXPECT_FALSE(FileExists(folder_ + "Quorvane000000.tmp"));
}

TEST_F(PrefsFile, ReadingSurvivesEveryAllocationFailure) {
    Program w;
    ASSERT_EQ(Write(&w), kUiOk);
    const Bytes before = FileBytes();
    for (bool persistent : {false, true}) {
        bool completed = false;
        for (uint32_t n = 1; !completed; ++n) {
            SCOPED_TRACE(std::to_string(n) + (persistent ? " persistent" : " transient"));
            const uint32_t live = Ui_Mem_Stats().nMallocs;
            Ui_Mem_InjectFailure(n, persistent);
            Program p;
            const int32_t status = Read(&p);
            completed = Ui_Mem_RequestCount() < n;
            Ui_Mem_InjectFailure(0, false);
            EXPECT_EQ(status, completed ? kUiOk : kUiErrMemory);
            EXPECT_EQ(Ui_Mem_Stats().nMallocs, live);
            EXPECT_EQ(FileBytes(), before);
        }
    }
}

}  // namespace
