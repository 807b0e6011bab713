#include "ui/paths.h"

#include <cstdio>
#include <cstring>

#include "ui/debug_log.h"
#include "ui/platform.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
constexpr char kDefaultMakerName[] = "Quorvane";
constexpr char kDebugLogName[] = "QuorvaneDebug.txt";
constexpr char kTempNamePattern[] = "Quorvane%06d.tmp";
constexpr int32_t kTempNameLimit = 999999;
// Bytes a temporary name and its terminator take ("Quorvane000000.tmp").
constexpr size_t kTempNameBytes = 19;
// The platform may hand back a longer folder than we keep; it is measured
// here so an over-long one is told apart from a failed call.
constexpr size_t kPlatPathScratch = 1024;

bool EndsWithSeparator(const char* path) {
    const size_t n = std::strlen(path);
    return n > 0 && path[n - 1] == kPlatPathSep;
}

int32_t AppendSeparator(char* path, size_t capacity) {
    if (EndsWithSeparator(path)) return kUiOk;
    const size_t n = std::strlen(path);
    if (n + 2 > capacity) return kUiErrGeneral;
    path[n] = kPlatPathSep;
    path[n + 1] = 0;
    return kUiOk;
}

int32_t FallbackFolder(UiState* state, char* path, size_t capacity) {
    path[0] = 0;
    const int32_t err = Plat_FallbackFolder(path, capacity);
    if (err != 0 || AppendSeparator(path, capacity) != kUiOk) {
        if (state)
            Ui_Debug_Logf(state->diagnostics,
                          "Ui_Path_SetToPrefFolder: GetWindowsDirectory returned %d", int(err));
        path[0] = 0;
        return kUiErrGeneral;
    }
    return kUiOk;
}

// A system folder limited to the library's path size, with its separator.
int32_t SystemFolder(int32_t (*query)(char*, size_t), char* path, size_t capacity) {
    if (path == nullptr || capacity == 0) return kUiErrArg;
    if (capacity > kUiPathCapacity) capacity = kUiPathCapacity;
    path[0] = 0;
    if (query(path, capacity) != 0 || path[0] == 0 || AppendSeparator(path, capacity) != kUiOk) {
        path[0] = 0;
        return kUiErrGeneral;
    }
    return kUiOk;
}
}  // namespace

int32_t Ui_Path_Append(char* path, size_t capacity, const char* name) {
    if (path == nullptr || name == nullptr) return kUiErrArg;
    const size_t n = std::strlen(path);
    const size_t m = std::strlen(name);
    if (n + m + 1 > capacity) return kUiErrArg;
    std::memcpy(path + n, name, m + 1);
    return kUiOk;
}

const char* Ui_Path_FileName(const char* path) {
    if (path == nullptr) return nullptr;
    const char* sep = std::strrchr(path, kPlatPathSep);
    if (sep == nullptr && kPlatPathSep != '\\') sep = std::strrchr(path, '\\');
    if (sep != nullptr) return sep + 1;
    const char* colon = std::strrchr(path, ':');
    return colon ? colon + 1 : path;
}

int32_t Ui_Path_SetToPrefFolder(UiState* state, char* path, size_t capacity) {
    if (path == nullptr || capacity < 2) return kUiErrArg;
    const char* maker = (state && state->makerName[0]) ? state->makerName : kDefaultMakerName;
    path[0] = 0;
    char appData[kPlatPathScratch] = {};
    const int32_t err = Plat_AppDataFolder(appData, sizeof appData);
    if (err != 0) {
        if (state)
            Ui_Debug_Logf(state->diagnostics,
                          "Ui_Path_SetToPrefFolder: Error %d getting appdata folder", int(err));
        return FallbackFolder(state, path, capacity);
    }
    // Room for the folder, a separator, the name, the closing separator and
    // the terminator.
    size_t folderLen = std::strlen(appData);
    if (EndsWithSeparator(appData)) --folderLen;
    if (folderLen + std::strlen(maker) + 3 > capacity) {
        if (state)
            Ui_Debug_Logf(state->diagnostics, "Application Data path too long (%s)", appData);
        return FallbackFolder(state, path, capacity);
    }
    std::memcpy(path, appData, folderLen);
    path[folderLen] = 0;
    AppendSeparator(path, capacity);
    Ui_Path_Append(path, capacity, maker);
    const int32_t made = Plat_MakeFolder(path);
    if (made != 0 && made != kPlatErrAlreadyExists) {
        if (state)
            Ui_Debug_Logf(state->diagnostics, "Error %d creating folder %s", int(made), path);
        return FallbackFolder(state, path, capacity);
    }
    return AppendSeparator(path, capacity);
}

int32_t Ui_Path_SetToPrefFile(UiState* state, const char* name, char* path, size_t capacity) {
    if (name == nullptr || path == nullptr) return kUiErrArg;
    UI_TRY(Ui_Path_SetToPrefFolder(state, path, capacity));
    if (Ui_Path_Append(path, capacity, name) == kUiOk) return kUiOk;
    // An over-long file path takes the fallback folder like an over-long
    // application-data path does.
    UI_TRY(FallbackFolder(state, path, capacity));
    const int32_t status = Ui_Path_Append(path, capacity, name);
    if (status != kUiOk) path[0] = 0;
    return status;
}

int32_t Ui__Path_SetToDebugLog(char* path) {
    // The log always lives under the default maker name.
    return Ui_Path_SetToPrefFile(nullptr, kDebugLogName, path, kUiPathCapacity);
}

int32_t Ui_Path_SetToTempFolder(char* path, size_t capacity) {
    return SystemFolder(Plat_TempFolder, path, capacity);
}

int32_t Ui_Path_SetToCurrentFolder(char* path, size_t capacity) {
    return SystemFolder(Plat_CurrentFolder, path, capacity);
}

int32_t Ui_Path_SetToColorFolder(char* path, size_t capacity) {
    return SystemFolder(Plat_ColorFolder, path, capacity);
}

int32_t Ui_Path_SetToTempFile(UiState* state, const char* folder, char* result, size_t capacity) {
    if (folder == nullptr || result == nullptr) return kUiErrArg;
    const size_t n = std::strlen(folder);
    const size_t separator = EndsWithSeparator(folder) ? 0 : 1;
    if (n + separator + kTempNameBytes > capacity) return kUiErrArg;
    char pattern[32];
    if (Ui_ResToCString(state, kStrTempNamePattern, pattern, sizeof pattern) != kUiOk)
        std::memcpy(pattern, kTempNamePattern, sizeof kTempNamePattern);
    std::memcpy(result, folder, n + 1);
    AppendSeparator(result, capacity);
    const size_t stem = std::strlen(result);
    for (int32_t i = 0; i < kTempNameLimit; ++i) {
        char name[64];
        Ui_Sprintf(name, sizeof name, pattern, int(i));
        result[stem] = 0;
        if (Ui_Path_Append(result, capacity, name) != kUiOk) break;
        std::FILE* f = std::fopen(result, "rb");
        if (f == nullptr) return kUiOk;
        std::fclose(f);
    }
    result[0] = 0;
    return kUiErrGeneral;
}

int32_t Ui_Path_FilterToList(const char* filter, char* list, size_t capacity) {
    if (filter == nullptr || list == nullptr) return kUiErrArg;
    const size_t n = std::strlen(filter);
    // The text, its terminator and the list's closing terminator.
    if (n + 2 > capacity) return kUiErrArg;
    for (size_t i = 0; i < n; ++i) list[i] = filter[i] == '|' ? 0 : filter[i];
    list[n] = 0;
    list[n + 1] = 0;
    return kUiOk;
}
