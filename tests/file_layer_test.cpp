#include "ui/file_layer.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "ui/status.h"

namespace {

const std::vector<uint8_t> kSample = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = opendir(folder.c_str());
    if (d == nullptr) return names;
    while (dirent* e = readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.push_back(e->d_name);
    closedir(d);
    return names;
}

class FileLayer : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = MakeTempFolder("fl");
        for (int32_t f = 0; f < kFLFaultCount; ++f) FL_InjectFault(f, 0);
        FLSetOption(kFLOptionNoDisk, 0);
    }
    void TearDown() override {
        for (int32_t f = 0; f < kFLFaultCount; ++f) FL_InjectFault(f, 0);
        FLSetOption(kFLOptionNoDisk, 0);
    }
    std::string Path(const char* name) const { return folder_ + name; }
    FLSpec DiskSpec(const std::string& path) {
        FLSpec spec;
        EXPECT_EQ(FL_DiskSpec(&spec, path.c_str()), kUiOk);
        return spec;
    }
    std::string folder_;
};

// The same bytes seen through each kind: a disk file, a memory block and a buffer.
struct Source {
    const char* name;
    char letter;  // 0 for the disk
};
const Source kSources[] = {
    {"disk", 0}, {"memory block", kFLSpecMemoryBlock}, {"buffer", kFLSpecBuffer}};

struct Opened {
    FLFile file;
    std::vector<uint8_t> memory;
};

void OpenSource(const Source& source, const std::string& diskPath,
                const std::vector<uint8_t>& bytes, Opened* o) {
    FLSpec spec;
    if (source.letter == 0) {
        ASSERT_TRUE(WriteWholeFile(diskPath, bytes));
        ASSERT_EQ(FL_DiskSpec(&spec, diskPath.c_str()), kUiOk);
    } else {
        o->memory = bytes;
        FL_MemorySpec(&spec, source.letter, o->memory.data(), uint32_t(o->memory.size()));
    }
    ASSERT_EQ(FLOpen(&o->file, &spec, kFLRead), kUiOk) << source.name;
}

TEST_F(FileLayer, ReadingExactlyToTheEndAndOneByteMore) {
    for (const Source& source : kSources) {
        SCOPED_TRACE(source.name);
        Opened o;
        OpenSource(source, Path("read.bin"), kSample, &o);
        uint8_t buf[64];
        uint32_t n = uint32_t(kSample.size());
        EXPECT_EQ(FLRead(&o.file, buf, &n, true), kUiOk);
        EXPECT_EQ(n, kSample.size());
        EXPECT_EQ(std::vector<uint8_t>(buf, buf + n), kSample);
        n = 1;
        EXPECT_EQ(FLRead(&o.file, buf, &n, true), kUiErrRead);
        EXPECT_EQ(n, 0u);

        // One byte more than there is: the error and the count actually read.
        ASSERT_EQ(FLSeek(&o.file, 0, kFLFromStart), kUiOk);
        n = uint32_t(kSample.size()) + 1;
        EXPECT_EQ(FLRead(&o.file, buf, &n, true), kUiErrRead);
        EXPECT_EQ(n, kSample.size());

        // Without the exact flag a short read is no error.
        ASSERT_EQ(FLSeek(&o.file, 6, kFLFromStart), kUiOk);
        n = 40;
        EXPECT_EQ(FLRead(&o.file, buf, &n, false), kUiOk);
        EXPECT_EQ(std::string(buf, buf + n), "world");
        EXPECT_EQ(FLClose(&o.file), kUiOk);
        EXPECT_EQ(o.file.kind, kFLClosed);
    }
}

TEST_F(FileLayer, ReadLineEndings) {
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"one\ntwo", {"one\n", "two\n"}},
        {"one\r\ntwo\r\n", {"one\n", "two\n"}},
        {"one\rtwo\r", {"one\n", "two\n"}},
        {"one\n\ntwo", {"one\n", "\n", "two\n"}},
        {"one\r\n\r\ntwo", {"one\n", "\n", "two\n"}},
        {"a\nb\rc", {"a\n", "b\n", "c\n"}},
        {"abcdefghij\n", {"abcdef\n", "ghij\n"}},  // capacity 8: six bytes at a time
        {"abcdef\r\ng", {"abcdef\n", "g\n"}},      // a CR LF pair right at the cut
        {"abcdef\n\ng", {"abcdef\n", "\n", "g\n"}},
        {"last", {"last\n"}},
    };
    for (const Source& source : kSources) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(source.name) + ": " + c.text);
            Opened o;
            OpenSource(source, Path("lines.txt"),
                       std::vector<uint8_t>(c.text, c.text + std::strlen(c.text)), &o);
            std::vector<std::string> lines;
            char buf[8];
            uint32_t length = 0;
            while (FLReadLine(&o.file, buf, sizeof buf, &length) == kUiOk) {
                EXPECT_EQ(length, std::strlen(buf));
                lines.push_back(buf);
            }
            EXPECT_EQ(lines, c.lines);
            FLClose(&o.file);
        }
    }
}

TEST_F(FileLayer, MemorySeekRangeAndPosition) {
    std::vector<uint8_t> block = kSample;
    FLSpec spec;
    FL_MemorySpec(&spec, kFLSpecMemoryBlock, block.data(), uint32_t(block.size()));
    FLFile f;
    ASSERT_EQ(FLOpen(&f, &spec, kFLRead), kUiOk);
    const int64_t size = int64_t(block.size());
    struct Case {
        int64_t offset;
        int32_t origin;
        int32_t status;
        uint32_t position;  // afterwards
    };
    const Case cases[] = {
        {0, kFLFromEnd, kUiOk, uint32_t(size)},
        {1, kFLFromEnd, kUiErrGeneral, uint32_t(size)},
        {-size, kFLFromEnd, kUiOk, 0},
        {-1, kFLFromStart, kUiErrGeneral, 0},
        {size, kFLFromStart, kUiOk, uint32_t(size)},
        {-3, kFLFromCurrent, kUiOk, uint32_t(size - 3)},
        {4, kFLFromCurrent, kUiErrGeneral, uint32_t(size - 3)},
        {0, 3, kUiErrArg, uint32_t(size - 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FLSeek(&f, c.offset, c.origin), c.status) << c.offset << " from " << c.origin;
        uint32_t pos = 99;
        EXPECT_EQ(FLGetPos(&f, &pos), kUiOk);
        EXPECT_EQ(pos, c.position);
    }
    FLClose(&f);
}

TEST_F(FileLayer, DiskSeekFailureIsASeekError) {
    const std::string path = Path("seek.bin");
    ASSERT_TRUE(WriteWholeFile(path, kSample));
    FLSpec spec = DiskSpec(path);
    FLFile f;
    ASSERT_EQ(FLOpen(&f, &spec, kFLRead), kUiOk);
    EXPECT_EQ(FLSeek(&f, -1, kFLFromStart), kUiErrSeek);
    EXPECT_EQ(FLSeek(&f, -2, kFLFromEnd), kUiOk);
    uint32_t pos = 0;
    EXPECT_EQ(FLGetPos(&f, &pos), kUiOk);
    EXPECT_EQ(pos, kSample.size() - 2);
    EXPECT_EQ(FLSeek(&f, int64_t(1) << 40, kFLFromStart), kUiErrSeek);
    EXPECT_EQ(FLClose(&f), kUiOk);
}

TEST_F(FileLayer, MemoryWritesStopAtTheSize) {
    std::vector<uint8_t> block(8, 0xEE);
    FLSpec spec;
    FL_MemorySpec(&spec, kFLSpecBuffer, block.data(), uint32_t(block.size()));
    FLFile f;
    ASSERT_EQ(FLOpen(&f, &spec, kFLWrite), kUiOk);
    EXPECT_EQ(f.highest, 0u);
    uint32_t n = 5;
    EXPECT_EQ(FLWrite(&f, "abcde", &n), kUiOk);
    EXPECT_EQ(f.highest, 5u);
    n = 5;
    EXPECT_EQ(FLWrite(&f, "fghij", &n), kUiErrWrite);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(f.highest, 8u);
    EXPECT_EQ(std::string(block.begin(), block.end()), "abcdefgh");
    // A write-only file reads nothing.
    ASSERT_EQ(FLSeek(&f, 0, kFLFromStart), kUiOk);
    char buf[4];
    n = 4;
    EXPECT_EQ(FLRead(&f, buf, &n, false), kUiErrRead);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(FLClose(&f), kUiOk);

    // A read-only file takes no writes; its highest position is its size.
    ASSERT_EQ(FLOpen(&f, &spec, kFLRead), kUiOk);
    EXPECT_EQ(f.highest, 8u);
    n = 1;
    EXPECT_EQ(FLWrite(&f, "x", &n), kUiErrWrite);
    EXPECT_EQ(block[0], 'a');
    FLClose(&f);
}

TEST_F(FileLayer, BadFileNamesAndModesLeaveTheFileClosed) {
    uint8_t data[4] = {1, 2, 3, 4};
    FLSpec longSpec;
    std::memset(&longSpec, 'a', sizeof longSpec.path);  // no terminator
    struct Case {
        const char* what;
        FLSpec spec;
        int32_t mode;
        int32_t status;
    };
    std::vector<Case> cases;
    for (char letter : {'M', 'R', 'x', '\0'}) {
        Case c = {"kind letter", {}, kFLRead, kUiErrArg};
        FL_MemorySpec(&c.spec, letter, data, sizeof data);
        cases.push_back(c);
    }
    Case c = {"no data", {}, kFLRead, kUiErrArg};
    FL_MemorySpec(&c.spec, kFLSpecMemoryBlock, nullptr, 4);
    cases.push_back(c);
    c = {"size 0", {}, kFLRead, kUiErrArg};
    FL_MemorySpec(&c.spec, kFLSpecBuffer, data, 0);
    cases.push_back(c);
    for (int32_t mode : {0, 4, -1}) {
        c = {"mode", {}, mode, kUiErrArg};
        FL_MemorySpec(&c.spec, kFLSpecMemoryBlock, data, sizeof data);
        cases.push_back(c);
        c = {"disk mode", DiskSpec(Path("mode.bin")), mode, kUiErrArg};
        cases.push_back(c);
    }
    cases.push_back({"missing file", DiskSpec(Path("missing.bin")), kFLRead, kUiErrOpen});
    cases.push_back({"unterminated path", longSpec, kFLRead, kUiErrArg});
    for (const Case& k : cases) {
        FLFile f;
        std::memset(&f, 0xAB, sizeof f);
        EXPECT_EQ(FLOpen(&f, &k.spec, k.mode), k.status) << k.what << " " << k.mode;
        EXPECT_EQ(f.kind, kFLClosed) << k.what;
        EXPECT_EQ(f.stream, nullptr);
    }
    FLFile f;
    EXPECT_EQ(FLOpen(&f, nullptr, kFLRead), kUiErrArg);
    EXPECT_EQ(f.kind, kFLClosed);
    EXPECT_FALSE(FileExists(Path("mode.bin")));

    // Disk files refused by the layer option.
    FLSetOption(kFLOptionNoDisk, 1);
    FLSpec spec = DiskSpec(Path("refused.bin"));
    EXPECT_EQ(FLOpen(&f, &spec, kFLWrite), kUiErrArg);
    EXPECT_EQ(f.kind, kFLClosed);
    EXPECT_FALSE(FileExists(Path("refused.bin")));

    // A path too long for the file name buffer.
    const std::string tooLong(kUiPathCapacity, 'p');
    EXPECT_EQ(FL_DiskSpec(&spec, tooLong.c_str()), kUiErrArg);
}

// Each listed option keeps a value of its own; any other number is refused.
TEST_F(FileLayer, OptionsKeepTheirOwnValues) {
    const int32_t options[] = {kFLOptionMemoryA, kFLOptionNoDisk, kFLOptionMemoryB,
                               kFLOptionBufferSize};
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(FLSetOption(options[i], 10 + i), kUiOk);
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(FLGetOption(options[i]), 10 + i);
    for (int32_t other : {0, 2, 5, 7, -1}) {
        EXPECT_EQ(FLSetOption(other, 1), kUiErrArg) << other;
        EXPECT_EQ(FLGetOption(other), 0) << other;
    }
    for (int32_t option : options) FLSetOption(option, 0);
}

TEST_F(FileLayer, ReadWriteModeCreatesAMissingFileAndKeepsAnExistingOne) {
    const std::string path = Path("rw.bin");
    FLSpec spec = DiskSpec(path);
    FLFile f;
    ASSERT_EQ(FLOpen(&f, &spec, kFLReadWrite), kUiOk);
    uint32_t n = 3;
    EXPECT_EQ(FLWrite(&f, "abc", &n), kUiOk);
    EXPECT_EQ(FLClose(&f), kUiOk);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abc");

    ASSERT_EQ(FLOpen(&f, &spec, kFLReadWrite), kUiOk);
    char buf[3];
    n = 3;
    EXPECT_EQ(FLRead(&f, buf, &n, true), kUiOk);
    EXPECT_EQ(std::string(buf, 3), "abc");
    EXPECT_EQ(FLClose(&f), kUiOk);

    EXPECT_EQ(FLDelete(&spec), kUiOk);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(FLDelete(&spec), kUiErrGeneral);
}

TEST_F(FileLayer, FailedWriteFlushOrCloseIsAWriteError) {
    const std::string path = Path("fail.bin");
    FLSpec spec = DiskSpec(path);
    for (int32_t fault : {kFLFaultWrite, kFLFaultFlush, kFLFaultClose}) {
        SCOPED_TRACE(fault);
        FL_InjectFault(fault, 1);
        FLFile f;
        ASSERT_EQ(FLOpen(&f, &spec, kFLWrite), kUiOk);
        uint32_t n = uint32_t(kSample.size());
        const int32_t written = FLWrite(&f, kSample.data(), &n);
        const int32_t closed = FLClose(&f);
        EXPECT_EQ(f.kind, kFLClosed);
        EXPECT_EQ(FL_FaultOpCount(fault), 1u);
        if (fault == kFLFaultWrite) {
            EXPECT_EQ(written, kUiErrWrite);
            EXPECT_EQ(n, 0u);
            EXPECT_EQ(closed, kUiOk);
        } else {
            EXPECT_EQ(written, kUiOk);
            EXPECT_EQ(closed, kUiErrWrite);
        }
        FL_InjectFault(fault, 0);
    }
    // Closing a file opened for reading never counts as a failed write.
    FL_InjectFault(kFLFaultClose, 1);
    FLFile f;
    ASSERT_EQ(FLOpen(&f, &spec, kFLRead), kUiOk);
    EXPECT_EQ(FLClose(&f), kUiOk);
    EXPECT_EQ(FL_FaultOpCount(kFLFaultClose), 0u);
}

// A settings file replaced safely: whichever step fails, the old file stays
// byte for byte and no temporary file is left in the folder.
TEST_F(FileLayer, ReplacementFailingAtAnyStepKeepsTheOldFile) {
    const std::string path = Path("settings");
    const std::vector<uint8_t> old = {'o', 'l', 'd', 0, 1, 2};
    const std::vector<uint8_t> fresh(3000, 'n');
    struct Step {
        int32_t fault;
        uint32_t at;
    };
    // The flush is counted twice: the durable sync, then the close's own flush.
    const Step steps[] = {{kFLFaultWrite, 1}, {kFLFaultWrite, 2}, {kFLFaultFlush, 1},
                          {kFLFaultFlush, 2}, {kFLFaultClose, 1}, {kFLFaultRename, 1}};
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.fault) + "@" + std::to_string(step.at));
        ASSERT_TRUE(WriteWholeFile(path, old));
        FL_InjectFault(step.fault, step.at);
        FLFile f;
        ASSERT_EQ(FLOpenReplacement(&f, path.c_str()), kUiOk);
        EXPECT_EQ(f.path, folder_ + "Quorvane000000.tmp");
        int32_t status = kUiOk;
        for (size_t i = 0; i < fresh.size() && status == kUiOk; i += 1000) {
            uint32_t n = 1000;
            status = FLWrite(&f, fresh.data() + i, &n);
        }
        if (status == kUiOk)
            status = FLCommitReplacement(&f, path.c_str());
        else
            FLAbandonReplacement(&f);
        EXPECT_EQ(status, kUiErrWrite);
        EXPECT_EQ(f.kind, kFLClosed);
        std::vector<uint8_t> now;
        ASSERT_TRUE(ReadWholeFile(path, &now));
        EXPECT_EQ(now, old);
        EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"settings"});
        FL_InjectFault(step.fault, 0);
    }

    // Without a fault the new bytes replace the old ones, and a file that did
    // not exist yet is created.
    for (const std::string& target : {path, Path("new-settings")}) {
        FLFile f;
        ASSERT_EQ(FLOpenReplacement(&f, target.c_str()), kUiOk);
        uint32_t n = uint32_t(fresh.size());
        ASSERT_EQ(FLWrite(&f, fresh.data(), &n), kUiOk);
        EXPECT_EQ(FLCommitReplacement(&f, target.c_str()), kUiOk);
        std::vector<uint8_t> now;
        ASSERT_TRUE(ReadWholeFile(target, &now));
        EXPECT_EQ(now, fresh);
    }
    EXPECT_EQ(FolderEntries(folder_).size(), 2u);
}

}  // namespace
