#include "ui/paths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "tests/support/test_support.h"
#include "ui/platform/headless/headless.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int32_t kEFail = int32_t(0x80004005);

// A library state with diagnostics on, closed at the end of the test.
class Paths : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state_, nullptr, nullptr, kStrProductName, 1), kUiOk);
        appData_ = MakeTempFolder("appdata");
        fallback_ = MakeTempFolder("windows");
        Headless_SetAppDataFolder(appData_.c_str(), 0);
        Headless_SetFallbackFolder(fallback_.c_str(), 0);
    }
    void TearDown() override { Ui_State_Close(&state_); }

    // The pref folder and what it logged (the log itself lives in the folder
    // the rules choose, so it is read from there).
    int32_t PrefFolder(std::string* path, std::string* log) {
        RemoveDebugLog();
        char buf[kUiPathCapacity];
        std::memset(buf, '#', sizeof buf);
        const int32_t status = Ui_Path_SetToPrefFolder(state_, buf, sizeof buf);
        *path = buf;
        *log = ReadDebugLog();
        return status;
    }

    UiState* state_ = nullptr;
    std::string appData_;
    std::string fallback_;
};

TEST_F(Paths, PrefFolderIsCreatedUnderAppDataOrUsedAsItIs) {
    std::string path, log;
    ASSERT_EQ(PrefFolder(&path, &log), kUiOk);
    EXPECT_EQ(path, appData_ + "Quorvane/");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    // An existing folder is used as it is, its files kept.
    ASSERT_TRUE(WriteWholeFile(path + "keep", {1, 2, 3}));
    ASSERT_EQ(PrefFolder(&path, &log), kUiOk);
    EXPECT_EQ(path, appData_ + "Quorvane/");
    EXPECT_TRUE(FileExists(path + "keep"));
    EXPECT_THAT(log, Not(HasSubstr("creating folder")));

    // The maker name held by the state names the folder; the log keeps the default.
    std::strcpy(state_->makerName, "OtherMaker");
    ASSERT_EQ(PrefFolder(&path, &log), kUiOk);
    EXPECT_EQ(path, appData_ + "OtherMaker/");
    EXPECT_EQ(DebugLogPath(), appData_ + "Quorvane/QuorvaneDebug.txt");
}

TEST_F(Paths, PrefFolderFallsBackToTheWindowsFolder) {
    struct Case {
        const char* what;
        std::string appData;  // empty: the lookup fails with E_FAIL
        std::string logLine;
    };
    const std::string longAppData = appData_ + std::string(250 - appData_.size(), 'L');
    const std::string missingParent = appData_ + "no/such/folder";
    const Case cases[] = {
        {"no SHFolder", "", "Ui_Path_SetToPrefFolder: Error -2147467259 getting appdata folder\n"},
        {"too long", longAppData, "Application Data path too long (" + longAppData + "/)\n"},
        {"cannot create", missingParent,
         "Error 2 creating folder " + missingParent + "/Quorvane\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.appData.empty())
            Headless_SetAppDataFolder(nullptr, kEFail);
        else
            Headless_SetAppDataFolder(c.appData.c_str(), 0);
        std::string path, log;
        EXPECT_EQ(PrefFolder(&path, &log), kUiOk);
        EXPECT_EQ(path, fallback_);
        EXPECT_EQ(path.back(), '/');
        EXPECT_EQ(log, c.logLine);
    }

    // Nothing is logged without a state.
    Headless_SetAppDataFolder(nullptr, kEFail);
    RemoveDebugLog();
    char buf[kUiPathCapacity];
    EXPECT_EQ(Ui_Path_SetToPrefFolder(nullptr, buf, sizeof buf), kUiOk);
    EXPECT_EQ(std::string(buf), fallback_);
    EXPECT_EQ(ReadDebugLog(), "");

    // A fallback folder without its separator gets one.
    const std::string bare = fallback_.substr(0, fallback_.size() - 1);
    Headless_SetFallbackFolder(bare.c_str(), 0);
    EXPECT_EQ(Ui_Path_SetToPrefFolder(nullptr, buf, sizeof buf), kUiOk);
    EXPECT_EQ(std::string(buf), fallback_);
}

TEST_F(Paths, PrefFolderFailsWhenTheFallbackFails) {
    Headless_SetAppDataFolder(nullptr, kEFail);
    Headless_SetFallbackFolder(nullptr, 5);
    char buf[kUiPathCapacity];
    EXPECT_EQ(Ui_Path_SetToPrefFolder(state_, buf, sizeof buf), kUiErrGeneral);
    EXPECT_EQ(buf[0], 0);
    // A fallback that does not fit fails the same way.
    const std::string longFallback(300, 'w');
    Headless_SetFallbackFolder(("/" + longFallback).c_str(), 0);
    EXPECT_EQ(Ui_Path_SetToPrefFolder(state_, buf, sizeof buf), kUiErrGeneral);
    EXPECT_EQ(Ui_Path_SetToPrefFolder(state_, nullptr, 10), kUiErrArg);
}

TEST_F(Paths, OverLongFilePathsTakeTheFallbackFolder) {
    // appdata + "Quorvane/" fits, but not with a long file name after it.
    const std::string appData = appData_ + std::string(200 - appData_.size(), 'a');
    ASSERT_EQ(mkdir(appData.c_str(), 0755), 0);
    Headless_SetAppDataFolder(appData.c_str(), 0);
    const std::string name(60, 'n');
    char buf[kUiPathCapacity];
    ASSERT_EQ(Ui_Path_SetToPrefFile(state_, name.c_str(), buf, sizeof buf), kUiOk);
    EXPECT_EQ(std::string(buf), fallback_ + name);
    ASSERT_EQ(Ui_Path_SetToPrefFile(state_, "short", buf, sizeof buf), kUiOk);
    EXPECT_EQ(std::string(buf), appData + "/Quorvane/short");

    const std::string logAppData = appData_ + std::string(230 - appData_.size(), 'g');
    ASSERT_EQ(mkdir(logAppData.c_str(), 0755), 0);
    Headless_SetAppDataFolder(logAppData.c_str(), 0);
    EXPECT_EQ(DebugLogPath(), fallback_ + "QuorvaneDebug.txt");
}

TEST_F(Paths, TemporaryNamesCountFromZero) {
    const std::string folder = MakeTempFolder("tmpnames");
    char buf[kUiPathCapacity];
    ASSERT_EQ(Ui_Path_SetToTempFile(state_, folder.c_str(), buf, sizeof buf), kUiOk);
    EXPECT_EQ(std::string(buf), folder + "Quorvane000000.tmp");
    ASSERT_TRUE(WriteWholeFile(buf, {}));
    ASSERT_TRUE(WriteWholeFile(folder + "Quorvane000002.tmp", {}));
    ASSERT_EQ(Ui_Path_SetToTempFile(state_, folder.c_str(), buf, sizeof buf), kUiOk);
    EXPECT_EQ(std::string(buf), folder + "Quorvane000001.tmp");

    // The folder and the 19 bytes of a name with its terminator must fit;
    // a folder without its separator gets one.
    EXPECT_EQ(Ui_Path_SetToTempFile(nullptr, folder.c_str(), buf, folder.size() + 19), kUiOk);
    EXPECT_EQ(Ui_Path_SetToTempFile(nullptr, folder.c_str(), buf, folder.size() + 18), kUiErrArg);
    const std::string bare = folder.substr(0, folder.size() - 1);
    EXPECT_EQ(Ui_Path_SetToTempFile(nullptr, bare.c_str(), buf, bare.size() + 19), kUiErrArg);
    EXPECT_EQ(Ui_Path_SetToTempFile(nullptr, bare.c_str(), buf, bare.size() + 20), kUiOk);
    EXPECT_EQ(std::string(buf), folder + "Quorvane000001.tmp");
    EXPECT_EQ(Ui_Path_SetToTempFile(nullptr, nullptr, buf, sizeof buf), kUiErrArg);
}

TEST_F(Paths, SystemFoldersEndWithTheSeparatorAndFitTheLimit) {
    const std::string tmp = MakeTempFolder("systmp");
    const std::string bare = tmp.substr(0, tmp.size() - 1);
    const char* oldTmp = getenv("TMPDIR");
    const std::string saved = oldTmp ? oldTmp : "";
    char buf[kUiPathCapacity * 2];

    setenv("TMPDIR", bare.c_str(), 1);
    EXPECT_EQ(Ui_Path_SetToTempFolder(buf, sizeof buf), kUiOk);
    EXPECT_EQ(std::string(buf), tmp);
    EXPECT_EQ(Ui_Path_SetToTempFolder(buf, tmp.size()), kUiErrGeneral);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(Ui_Path_SetToTempFolder(buf, tmp.size() + 1), kUiOk);
    // Never more than the library's 256 bytes, whatever the capacity.
    const std::string longTmp = "/" + std::string(kUiPathCapacity, 't');
    setenv("TMPDIR", longTmp.c_str(), 1);
    EXPECT_EQ(Ui_Path_SetToTempFolder(buf, sizeof buf), kUiErrGeneral);
    if (oldTmp)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");

    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(tmp.c_str()), 0);
    EXPECT_EQ(Ui_Path_SetToCurrentFolder(buf, sizeof buf), kUiOk);
    EXPECT_EQ(std::string(buf), tmp);
    ASSERT_EQ(chdir(cwd), 0);

    EXPECT_EQ(Ui_Path_SetToColorFolder(buf, sizeof buf), kUiOk);
    EXPECT_EQ(std::string(buf), std::string(getenv("XDG_DATA_HOME")) + "/icc/");
    EXPECT_EQ(Ui_Path_SetToColorFolder(nullptr, 10), kUiErrArg);
}

TEST(PathText, FileNameAndAppend) {
    const std::pair<const char*, const char*> names[] = {
        {"/a/b/c.txt", "c.txt"}, {"C:\\dir\\file", "file"}, {"disk:file", "file"},
        {"plain", "plain"},      {"/folder/", ""},
    };
    for (const auto& n : names) EXPECT_STREQ(Ui_Path_FileName(n.first), n.second) << n.first;

    char buf[8] = "abc";
    EXPECT_EQ(Ui_Path_Append(buf, sizeof buf, "defg"), kUiOk);
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_EQ(Ui_Path_Append(buf, sizeof buf, "h"), kUiErrArg);
    EXPECT_STREQ(buf, "abcdefg");

    char list[32];
    ASSERT_EQ(Ui_Path_FilterToList("Text (*.txt)|*.txt|", list, sizeof list), kUiOk);
    EXPECT_EQ(std::string(list, 20), std::string("Text (*.txt)\0*.txt\0\0", 20));
    EXPECT_EQ(Ui_Path_FilterToList("Text (*.txt)|*.txt|", list, 20), kUiErrArg);
}

struct DialogWatch {
    UiState* state;
    void* parentDuringDialog;
};

void RecordParent(void* context) {
    auto* watch = static_cast<DialogWatch*>(context);
    watch->parentDuringDialog = watch->state->parentWindow;
}

TEST_F(Paths, SaveDialogByFileKind) {
    struct Case {
        uint32_t kind;
        const char* filter;
        const char* extension;
    };
    const Case cases[] = {
        {kUiFileKindTintwork, "Tintwork (*.tw)|*.tw|", "tw"},
        {kUiFileKindProfile, "ICC Profile (*.icc)|*.icc|", "icc"},
        {kUiFileKindText, "Text (*.txt)|*.txt|", "txt"},
        {kUiFileKindData, "Data (*.dat)|*.dat|", "dat"},
    };
    int window = 0;
    state_->parentWindow = &window;
    DialogWatch watch = {state_, &window};
    Headless_SetFileDialogObserver(RecordParent, &watch);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        Headless_QueueFileDialogAnswer("/chosen/name");
        char path[kUiPathCapacity] = "proposed";
        EXPECT_EQ(Ui_Path_SaveDialog(state_, "Save as:", c.kind, path, sizeof path), kUiOk);
        EXPECT_EQ(std::string(path), std::string("/chosen/name.") + c.extension);
        const HeadlessFileDialog* asked = Headless_FileDialog(Headless_FileDialogCount() - 1);
        ASSERT_NE(asked, nullptr);
        EXPECT_TRUE(asked->save);
        EXPECT_STREQ(asked->prompt, "Save as:");
        EXPECT_STREQ(asked->filter, c.filter);
        EXPECT_STREQ(asked->defExt, c.extension);
        EXPECT_STREQ(asked->initial, "proposed");
        EXPECT_EQ(asked->owner, &window);
        EXPECT_EQ(watch.parentDuringDialog, nullptr);
        EXPECT_EQ(state_->parentWindow, &window);
        watch.parentDuringDialog = &window;
    }

    // Another kind is refused before any dialog shows.
    char path[kUiPathCapacity] = "proposed";
    const int32_t shown = Headless_FileDialogCount();
    EXPECT_EQ(Ui_Path_SaveDialog(state_, "x", 0x3F3F3F3F, path, sizeof path), kUiErrArg);
    EXPECT_EQ(Headless_FileDialogCount(), shown);

    // A cancel, or a chosen path that does not fit, leaves the path alone.
    Headless_QueueFileDialogAnswer(nullptr);
    EXPECT_EQ(Ui_Path_SaveDialog(state_, "x", kUiFileKindText, path, sizeof path), kUiErrCancelled);
    EXPECT_STREQ(path, "proposed");
    EXPECT_EQ(state_->parentWindow, &window);
    Headless_QueueFileDialogAnswer("/a/rather/long/name.txt");
    char small[16] = "short";
    EXPECT_EQ(Ui_Path_SaveDialog(state_, "x", kUiFileKindText, small, sizeof small), kUiErrGeneral);
    EXPECT_STREQ(small, "short");
    EXPECT_EQ(state_->parentWindow, &window);
}

TEST_F(Paths, OpenDialogUsesTheTextFilterAndStartsFromTheGivenPath) {
    Headless_QueueFileDialogAnswer("/some/settings.txt");
    Headless_QueueFileDialogAnswer("/some/settings");
    char path[kUiPathCapacity] = "";
    EXPECT_EQ(Ui_Path_OpenDialog(state_, "Open:", "/start/here/", path, sizeof path), kUiOk);
    EXPECT_STREQ(path, "/some/settings.txt");
    const HeadlessFileDialog* asked = Headless_FileDialog(0);
    ASSERT_NE(asked, nullptr);
    EXPECT_FALSE(asked->save);
    EXPECT_STREQ(asked->filter, "Text (*.txt)|*.txt|");
    EXPECT_STREQ(asked->initial, "/start/here/");
    // The open dialog adds no extension.
    EXPECT_EQ(Ui_Path_OpenDialog(nullptr, "Open:", nullptr, path, sizeof path), kUiOk);
    EXPECT_STREQ(path, "/some/settings");
    EXPECT_STREQ(Headless_FileDialog(1)->initial, "");
    // Nothing queued: the user cancels.
    EXPECT_EQ(Ui_Path_OpenDialog(state_, "Open:", "", path, sizeof path), kUiErrCancelled);
    EXPECT_STREQ(path, "/some/settings");
}

}  // namespace
