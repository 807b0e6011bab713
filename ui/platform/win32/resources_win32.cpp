// Win32 backend: string-table entries and custom resources of the module.
#include <windows.h>

#include "ui/platform.h"
#include "ui/status.h"

int32_t Plat_LoadString(void* instance, int32_t id, char* buffer, int32_t capacity) {
    if (buffer == nullptr || capacity < 1) return -1;
    buffer[0] = 0;
    if (id < 0 || id > 0xFFFF) return -1;
    HINSTANCE module = static_cast<HINSTANCE>(instance);
    const int length = LoadStringA(module, UINT(id), buffer, capacity);
    if (length > 0) return length;
    // LoadString answers 0 both for an empty entry and for a missing one. The
    // table is stored in blocks of sixteen entries; an entry is there when its
    // block is.
    buffer[0] = 0;
    return FindResourceA(module, MAKEINTRESOURCEA(id / 16 + 1), RT_STRING) ? 0 : -1;
}

int32_t Plat_FindResource(void* instance, const char* type, int32_t id, const void** data,
                          uint32_t* size) {
    if (data) *data = nullptr;
    if (size) *size = 0;
    if (type == nullptr || data == nullptr || size == nullptr || id < 0 || id > 0xFFFF)
        return kUiErrArg;
    HINSTANCE module = static_cast<HINSTANCE>(instance);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (found == nullptr) return kUiErrArg;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return kUiErrArg;
    *data = bytes;
    *size = uint32_t(SizeofResource(module, found));
    return kUiOk;
}
