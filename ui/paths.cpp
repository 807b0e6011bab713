#include "ui/paths.h"

#include <cstdio>
#include <cstring>

#include "host/debug_log.h"
#include "ui/platform.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
constexpr char kDefaultMakerName[] = "Quorvane";
constexpr char kDebugLogName[] = "QuorvaneDebug.txt";

int32_t AppendSeparator(char* path, size_t capacity) {
    const size_t n = std::strlen(path);
    if (n > 0 && path[n - 1] == kPlatPathSep) return kUiOk;
    if (n + 2 > capacity) return kUiErrGeneral;
    path[n] = kPlatPathSep;
    path[n + 1] = 0;
    return kUiOk;
}

int32_t FallbackFolder(UiState* state, char* path, size_t capacity) {
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
    const int32_t err = Plat_AppDataFolder(path, capacity);
    if (err != 0) {
        if (state)
            Ui_Debug_Logf(state->diagnostics,
                          "Ui_Path_SetToPrefFolder: Error %d getting appdata folder", int(err));
        return FallbackFolder(state, path, capacity);
    }
    // Room for the folder, the name, a separator on each side and the terminator.
    if (std::strlen(path) + std::strlen(maker) + 3 > capacity) {
        if (state) Ui_Debug_Logf(state->diagnostics, "Application Data path too long (%s)", path);
        return FallbackFolder(state, path, capacity);
    }
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

int32_t Ui__Path_SetToDebugLog(char* path) {
    const int32_t status = Ui_Path_SetToPrefFolder(nullptr, path, kUiPathCapacity);
    if (status != kUiOk) return status;
    // An over-long log path takes the fallback folder like an over-long
    // application-data path does.
    if (Ui_Path_Append(path, kUiPathCapacity, kDebugLogName) == kUiOk) return kUiOk;
    UI_TRY(FallbackFolder(nullptr, path, kUiPathCapacity));
    return Ui_Path_Append(path, kUiPathCapacity, kDebugLogName);
}

int32_t Ui_Path_SetToTempFile(UiState* state, const char* folder, char* result, size_t capacity) {
    if (folder == nullptr || result == nullptr) return kUiErrArg;
    const size_t n = std::strlen(folder);
    // Room for the folder, a separator and "Quorvane%06d.tmp" with its terminator.
    if (n + 1 + 19 > capacity) return kUiErrArg;
    char pattern[32];
    if (Ui_ResToCString(state, 6116, pattern, sizeof pattern) != kUiOk)
        std::memcpy(pattern, "Quorvane%06d.tmp", 17);
    for (int32_t i = 0; i <= 999998; ++i) {
        std::memcpy(result, folder, n + 1);
        AppendSeparator(result, capacity);
        char name[32];
        Ui_Sprintf(name, sizeof name, pattern, int(i));
        Ui_Path_Append(result, capacity, name);
        std::FILE* f = std::fopen(result, "rb");
        if (f == nullptr) return kUiOk;
        std::fclose(f);
    }
    result[0] = 0;
    return kUiErrGeneral;
}
