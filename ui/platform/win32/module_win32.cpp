// Win32 backend: the module's instance handle, recorded when the module is
// attached to the host process.
#include <windows.h>

#include "ui/platform.h"

const char kPlatPathSep = '\\';

namespace {
HINSTANCE gModuleInstance = nullptr;
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gModuleInstance = instance;
    return TRUE;
}

void* Plat_ModuleInstance() {
    return gModuleInstance;
}
