// Durable replacement of a settings file through the file layer: flushed to
// the disk, moved over the old file, no temporary file left behind.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "apps/vantoria_host/platform_checks.h"
#include "apps/vantoria_host/report.h"
#include "ui/file_layer.h"
#include "ui/platform.h"
#include "ui/status.h"

namespace {
bool Replace(const char* path, const char* text) {
    FLFile file;
    if (FLOpenReplacement(&file, path) != kUiOk) return false;
    uint32_t size = uint32_t(std::strlen(text));
    if (FLWrite(&file, text, &size) != kUiOk) {
        FLAbandonReplacement(&file);
        return false;
    }
    return FLCommitReplacement(&file, path) == kUiOk;
}

// Files of the folder besides the one named.
int CountOthers(const char* folder, const char* keep) {
    char pattern[MAX_PATH];
    std::snprintf(pattern, sizeof pattern, "%s*", folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return -1;
    int others = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            std::strcmp(found.cFileName, keep) != 0)
            ++others;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return others;
}
}  // namespace

void CheckPlatformFiles(const char* workFolder) {
    char folder[MAX_PATH];
    std::snprintf(folder, sizeof folder, "%sreplace\\", workFolder);
    CreateDirectoryA(folder, nullptr);
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%ssettings.txt", folder);

    char text[64] = {};
    const bool created = Replace(path, "first\n") && ReadTextFile(path, text, sizeof text);
    Report(created && std::strcmp(text, "first\n") == 0,
           "platform replace: a new settings file is written", "found \"%s\"", text);
    const bool replaced = Replace(path, "second\n") && ReadTextFile(path, text, sizeof text);
    Report(
        replaced && std::strcmp(text, "second\n") == 0 && CountOthers(folder, "settings.txt") == 0,
        "platform replace: the old file is replaced, no temporary file left", "found \"%s\"", text);

    char missing[MAX_PATH];
    std::snprintf(missing, sizeof missing, "%sno such file", folder);
    const int32_t status = Plat_ReplaceFile(missing, path);
    Report(status == kUiErrGeneral && ReadTextFile(path, text, sizeof text) &&
               std::strcmp(text, "second\n") == 0,
           "platform replace: a missing source is -2, the target kept", "status %d", int(status));

    std::FILE* f = std::fopen(path, "ab");
    const bool synced = f != nullptr && std::fputs("third\n", f) >= 0 && Plat_SyncFile(f) == kUiOk;
    if (f) std::fclose(f);
    Report(synced, "platform sync: a written stream is flushed to the disk", "failed");
}
