// Special folders, folder creation, the preferences folder and the log.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "apps/vantoria_host/platform_checks.h"
#include "apps/vantoria_host/report.h"
#include "ui/debug_log.h"
#include "ui/paths.h"
#include "ui/platform.h"
#include "ui/status.h"

namespace {
struct FolderQuery {
    const char* name;
    int32_t (*query)(char*, size_t);
};

const FolderQuery kFolders[] = {
    {"application data", Plat_AppDataFolder}, {"Windows", Plat_FallbackFolder},
    {"temporary", Plat_TempFolder},           {"current", Plat_CurrentFolder},
    {"colour profile", Plat_ColorFolder},
};

// Each folder exists and ends with a backslash; the Windows folder is the
// system's; too small a buffer is kUiErrGeneral for every one.
void CheckSpecialFolders() {
    char windows[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryA(windows, MAX_PATH);
    if (n > 0 && n + 1 < MAX_PATH && windows[n - 1] != '\\') std::strcat(windows, "\\");
    int32_t cut = 0;
    for (const FolderQuery& f : kFolders) {
        char path[kUiPathCapacity] = {};
        const int32_t status = f.query(path, sizeof path);
        const bool expected = f.query != Plat_FallbackFolder || _stricmp(path, windows) == 0;
        char what[400];
        std::snprintf(what, sizeof what, "platform %s folder: %s", f.name, path);
        Report(status == 0 && EndsWithBackslash(path) && FolderExists(path) && expected, what,
               "status %d", int(status));
        char tiny[4];
        if (f.query(tiny, sizeof tiny) == kUiErrGeneral) ++cut;
    }
    const int32_t count = int32_t(sizeof kFolders / sizeof kFolders[0]);
    Report(cut == count, "platform folders: -2 when they do not fit", "%d of %d", int(cut),
           int(count));
}

void CheckMakeFolder(const char* work) {
    char folder[MAX_PATH];
    std::snprintf(folder, sizeof folder, "%snew folder", work);
    const int32_t first = Plat_MakeFolder(folder);
    const int32_t again = Plat_MakeFolder(folder);
    Report(first == 0 && again == kPlatErrAlreadyExists && FolderExists(folder),
           "platform make folder: 0, then 183 when it exists", "%d then %d", int(first),
           int(again));
    char orphan[MAX_PATH];
    std::snprintf(orphan, sizeof orphan, "%smissing\\child", work);
    const int32_t missing = Plat_MakeFolder(orphan);
    Report(missing > 0 && missing != kPlatErrAlreadyExists,
           "platform make folder: a system error under a missing folder", "%d", int(missing));
}

// The preferences folder is made under the application data, and a level-1
// line reaches the log in it with the C runtime's CR LF.
void CheckPreferencesAndLog() {
    char appData[kUiPathCapacity];
    char prefs[kUiPathCapacity];
    char want[kUiPathCapacity + 16];
    const bool found = Plat_AppDataFolder(appData, sizeof appData) == 0 &&
                       Ui_Path_SetToPrefFolder(nullptr, prefs, sizeof prefs) == kUiOk;
    std::snprintf(want, sizeof want, "%sQuorvane\\", appData);
    char what[400];
    std::snprintf(what, sizeof what, "platform preferences folder: %s", prefs);
    Report(found && std::strcmp(prefs, want) == 0 && FolderExists(prefs), what, "want %s", want);

    char log[kUiPathCapacity];
    if (Ui__Path_SetToDebugLog(log) != kUiOk) {
        Report(false, "platform log", "no log path");
        return;
    }
    DeleteFileA(log);
    Ui_Debug_Log(0, "not written");
    const bool quiet = !FileExists(log);
    Ui_Debug_Log(1, "platform check line");
    char text[256] = {};
    const bool read = ReadTextFile(log, text, sizeof text);
    Report(quiet && read && std::strcmp(text, "platform check line\r\n") == 0,
           "platform log: level 0 writes nothing, level 1 one CR LF line", "found \"%s\"", text);
}
}  // namespace

// Run with SHFolder and mscms disabled: the application-data lookup fails
// with E_FAIL and the preferences folder falls back to the Windows folder;
// the colour-profile folder cannot be had.
void CheckPlatformWithoutSystemDlls() {
    char path[kUiPathCapacity] = {};
    const int32_t appData = Plat_AppDataFolder(path, sizeof path);
    Report(appData == int32_t(E_FAIL), "platform without SHFolder: application data is E_FAIL",
           "status 0x%08X", unsigned(appData));
    char windows[kUiPathCapacity] = {};
    const bool fellBack = Plat_FallbackFolder(windows, sizeof windows) == 0 &&
                          Ui_Path_SetToPrefFolder(nullptr, path, sizeof path) == kUiOk &&
                          std::strcmp(path, windows) == 0;
    char what[400];
    std::snprintf(what, sizeof what, "platform without SHFolder: preferences folder %s", path);
    Report(fellBack && EndsWithBackslash(path), what, "want %s", windows);
    const int32_t colour = Plat_ColorFolder(path, sizeof path);
    Report(colour == kUiErrGeneral, "platform without mscms: colour profile folder is -2",
           "status %d", int(colour));
}

void CheckPlatformFolders(const char* workFolder) {
    CheckSpecialFolders();
    CheckMakeFolder(workFolder);
    CheckPreferencesAndLog();
}
