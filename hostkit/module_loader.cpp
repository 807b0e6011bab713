// Loading a plug-in module: LoadLibrary and GetProcAddress on Windows,
// dlopen and dlsym elsewhere.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstdio>

#include "hostkit/hostkit.h"

namespace {
void SetError(char* error, size_t capacity, const char* what, const char* detail) {
    if (error != nullptr && capacity > 0) std::snprintf(error, capacity, "%s: %s", what, detail);
}
}  // namespace

#ifdef _WIN32

int32_t HK_LoadModule(const char* path, const char* entryName, HKModule* module, char* error,
                      size_t capacity) {
    module->library = nullptr;
    module->entry = nullptr;
    HMODULE library = LoadLibraryA(path);
    if (library == nullptr) {
        char code[32];
        std::snprintf(code, sizeof code, "error %lu", GetLastError());
        SetError(error, capacity, path, code);
        return -1;
    }
    FARPROC proc = GetProcAddress(library, entryName);
    if (proc == nullptr) {
        SetError(error, capacity, entryName, "entry point not found");
        FreeLibrary(library);
        return -1;
    }
    module->library = library;
    module->entry = reinterpret_cast<HKEntryProc>(reinterpret_cast<void*>(proc));
    return 0;
}

void HK_UnloadModule(HKModule* module) {
    if (module->library != nullptr) FreeLibrary(static_cast<HMODULE>(module->library));
    module->library = nullptr;
    module->entry = nullptr;
}

#else

int32_t HK_LoadModule(const char* path, const char* entryName, HKModule* module, char* error,
                      size_t capacity) {
    module->library = nullptr;
    module->entry = nullptr;
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        SetError(error, capacity, path, dlerror());
        return -1;
    }
    void* proc = dlsym(library, entryName);
    if (proc == nullptr) {
        SetError(error, capacity, entryName, "entry point not found");
        dlclose(library);
        return -1;
    }
    module->library = library;
    module->entry = reinterpret_cast<HKEntryProc>(proc);
    return 0;
}

void HK_UnloadModule(HKModule* module) {
    if (module->library != nullptr) dlclose(module->library);
    module->library = nullptr;
    module->entry = nullptr;
}

#endif
