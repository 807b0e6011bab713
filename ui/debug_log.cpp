#include <cstdio>

#include "ui/debug_log.h"
#include "ui/paths.h"
#include "ui/platform.h"
#include "ui/status.h"

int32_t Ui_Debug_Alert(uint8_t level, const char* message) {
    if (level != 1) return kUiOk;
    Plat_MessageBox(message ? message : "", " ", kPlatBoxPlain);
    return kUiOk;
}

int32_t Ui_Debug_Log(uint8_t level, const char* message) {
    if (level != 1) return kUiOk;
    if (message == nullptr) {
        Ui_Debug_Alert(level, "Ui_Debug_Log: null msg");
        return kUiErrArg;
    }
    char path[kUiPathCapacity];
    const int32_t status = Ui__Path_SetToDebugLog(path);
    if (status != kUiOk) {
        Ui_Debug_Alert(1, "Ui_Debug_Log: Ui__Path_SetToDebugLog error");
        return status;
    }
    // Opened and closed for every line, in text mode: the log survives a crash
    // of the host right after any line.
    std::FILE* f = std::fopen(path, "a+");
    if (f == nullptr) {
        Ui_Debug_Alert(1, "Ui_Debug_Log: fopen error");
        Ui_Debug_Alert(1, path);
        return kUiErrOpen;
    }
    std::fputs(message, f);
    std::fputs("\n", f);
    std::fflush(f);
    std::fclose(f);
    return kUiOk;
}
