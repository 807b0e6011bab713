#include "apps/vantoria_host/document_runs.h"

#include <windows.h>

#include <cstdio>

#include "apps/vantoria_host/report.h"
#include "editor/prefs_record.h"
#include "editor/script_blob.h"
#include "editor/stored_prefs.h"
#include "hostkit/hostkit.h"
#include "ui/paths.h"
#include "ui/prefs_file.h"
#include "ui/status.h"

RunOutcome RunDocument(const char* modulePath, const char* entryName, Document d,
                       const Pixels* descriptor, int16_t playInfo, const char* label,
                       int16_t expected) {
    RunOutcome out = {false, {}, {}};
    HKModule module = {nullptr, nullptr};
    char error[256] = {}, what[64];
    if (HK_LoadModule(modulePath, entryName, &module, error, sizeof error) != 0) {
        std::snprintf(what, sizeof what, "%s: module loaded", label);
        Report(false, what, "%s", error);
        return out;
    }
    const HKImage image = {d.width, d.height, 3, 8, d.width * 3, d.pixels.data()};
    const HKMask noMask = {0, nullptr};
    HKOptions options = HK_DefaultOptions();
    options.playInfo = playInfo;
    HKHost host = {};
    if (HK_Host_Init(&host, &image, &noMask, &options) == 0) {
        const bool set =
            descriptor == nullptr || HK_SetDescriptorText(&host, kScriptDataKey, descriptor->data(),
                                                          uint32_t(descriptor->size())) == 0;
        HKRun run = {};
        const HKRunPlan plan = {false, descriptor == nullptr};
        if (set) HK_RunFilter(&host, module.entry, &plan, &run);
        uint32_t size = 0;
        const uint8_t* text = HK_DescriptorText(&host, kScriptDataKey, &size);
        if (text != nullptr) out.recorded.assign(text, text + size);
        out.ran = set && run.result == expected && (expected != noErr || run.stepCount > 0);
        std::snprintf(what, sizeof what, "%s: run", label);
        if (!out.ran)
            Report(false, what, "result %d after %d steps", int(run.result), int(run.stepCount));
        out.result = d.pixels;
    }
    HK_Host_Free(&host);
    HK_UnloadModule(&module);
    return out;
}

bool PrefsPath(char* path, size_t capacity) {
    return Ui_Path_SetToPrefFile(nullptr, "Vantoria Plugin Prefs", path, capacity) == kUiOk;
}

bool WritePreviousPrefs(float brightness) {
    PrefsRecord p;
    char path[kUiPathCapacity];
    if (SetDefaultPrefsRecord(&p) != kUiOk || !PrefsPath(path, sizeof path)) return false;
    p.startMode = kStartPrevious;
    p.previous.brightness = brightness;
    return Ui_Prefs_WriteAll(nullptr, path, kUiPrefsFileKind, WriteStoredPrefs, &p) == kUiOk;
}

bool ReadPrefsFile(PrefsRecord* prefs) {
    char path[kUiPathCapacity];
    if (SetDefaultPrefsRecord(prefs) != kUiOk || !PrefsPath(path, sizeof path) ||
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return false;
    return Ui_Prefs_ReadAll(nullptr, path, kUiPrefsFileKind, ReadStoredPref, WriteStoredPrefs,
                            prefs) == kUiOk;
}
