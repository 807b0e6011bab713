// vantoria-host: the Windows test host. Loads the plug-in module the way an
// image editor does, reads its resources, and (through the host kit) runs
// its selectors over an in-memory image, drives its dialogs with real input
// (the editor over a photograph); then compares the vector and the
// portable kernels of its own copy of the engine. One line per check; the
// exit code is 0 only when every check passed.
//
//   vantoria-host [path of Vantoria.8bf]
#include <windows.h>

#include <cstdio>

#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/kernel_self_check.h"
#include "apps/vantoria_host/module_checks.h"
#include "apps/vantoria_host/report.h"

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "Vantoria.8bf";
    if (!Report(DialogRobot_Install(), "dialog robot installed", "no window hook")) return 1;
    char what[300];
    std::snprintf(what, sizeof what, "load: %s", path);
    HMODULE module = LoadLibraryA(path);
    const DWORD loadError = GetLastError();
    if (!Report(module != nullptr, what, "LoadLibrary error %lu", loadError)) return 1;

    char entryName[128];
    CheckPropertyList(module, entryName, sizeof entryName);
    CheckTerminology(module);
    CheckStringTable(module);
    char fullPath[MAX_PATH];
    if (GetModuleFileNameA(module, fullPath, sizeof fullPath) == 0) fullPath[0] = 0;
    CheckVersionInfo(fullPath);

    // Unloaded before the runs, so that their first call is the module's first.
    Report(FreeLibrary(module) != 0, "unload", "FreeLibrary failed");
    if (entryName[0] != 0) {
        CheckSelectors(fullPath, entryName);
        CheckDiagnosticsSwitch(fullPath, entryName);
        CheckReplay(fullPath, entryName);
        CheckDialogs(fullPath, entryName);
        CheckEditor(fullPath, entryName);
        CheckEditorFaces(fullPath, entryName);
    }
    DialogRobot_Remove();
    CheckKernelPaths();
    const int32_t failures = ReportFailures();
    std::printf("vantoria-host: %s\n", failures == 0 ? "all checks passed" : "checks FAILED");
    return failures == 0 ? 0 : 1;
}
