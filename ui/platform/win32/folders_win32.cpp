// Win32 backend: special folders and folder creation. SHFolder and mscms are
// loaded at run time, so a system without them still loads the plug-in.
#include <windows.h>

#include <cstring>

#include "ui/platform.h"
#include "ui/status.h"

namespace {
constexpr int kAppDataCreate = 0x801A;  // CSIDL_APPDATA | CSIDL_FLAG_CREATE
constexpr DWORD kFolderBuffer = MAX_PATH + 1;

using SHGetFolderPathAProc = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
using GetColorDirectoryAProc = BOOL(WINAPI*)(PCSTR, PSTR, PDWORD);

template <typename Proc>
Proc ProcAddress(HMODULE module, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The last error of a failed call, never 0.
int32_t LastError() {
    const DWORD error = GetLastError();
    return error != 0 ? int32_t(error) : kUiErrGeneral;
}

// Copies folder into out with a trailing backslash; kUiErrGeneral when it does not fit.
int32_t PutFolder(const char* folder, char* out, size_t capacity) {
    const size_t n = std::strlen(folder);
    const bool hasSep = n > 0 && folder[n - 1] == '\\';
    if (n + (hasSep ? 1 : 2) > capacity) return kUiErrGeneral;
    std::memcpy(out, folder, n);
    if (!hasSep) out[n] = '\\';
    out[hasSep ? n : n + 1] = 0;
    return kUiOk;
}

// Checks the length a Get...A call returned into a buffer of kFolderBuffer
// bytes: 0 is the call's failure, a length that fills the buffer means the
// path did not fit.
int32_t PutReturned(DWORD length, const char* buffer, char* out, size_t capacity) {
    if (length == 0) return kUiErrGeneral;
    if (length >= kFolderBuffer) return kUiErrGeneral;
    return PutFolder(buffer, out, capacity);
}
}  // namespace

int32_t Plat_AppDataFolder(char* out, size_t capacity) {
    HMODULE shfolder = LoadLibraryA("SHFolder.dll");
    if (shfolder == nullptr) return int32_t(E_FAIL);
    const auto getFolderPath = ProcAddress<SHGetFolderPathAProc>(shfolder, "SHGetFolderPathA");
    char buffer[kFolderBuffer] = {};
    const HRESULT result = getFolderPath != nullptr
                               ? getFolderPath(nullptr, kAppDataCreate, nullptr, 0, buffer)
                               : E_FAIL;
    FreeLibrary(shfolder);
    if (result != S_OK) return int32_t(result);
    return PutFolder(buffer, out, capacity);
}

int32_t Plat_FallbackFolder(char* out, size_t capacity) {
    char buffer[kFolderBuffer];
    const UINT length = GetWindowsDirectoryA(buffer, kFolderBuffer);
    if (length == 0) return LastError();
    return PutReturned(length, buffer, out, capacity);
}

int32_t Plat_TempFolder(char* out, size_t capacity) {
    char buffer[kFolderBuffer];
    return PutReturned(GetTempPathA(kFolderBuffer, buffer), buffer, out, capacity);
}

int32_t Plat_CurrentFolder(char* out, size_t capacity) {
    char buffer[kFolderBuffer];
    return PutReturned(GetCurrentDirectoryA(kFolderBuffer, buffer), buffer, out, capacity);
}

int32_t Plat_ColorFolder(char* out, size_t capacity) {
    HMODULE mscms = LoadLibraryA("mscms.dll");
    if (mscms == nullptr) return kUiErrGeneral;
    const auto getColorDirectory = ProcAddress<GetColorDirectoryAProc>(mscms, "GetColorDirectoryA");
    char buffer[kFolderBuffer] = {};
    DWORD size = kFolderBuffer;  // bytes
    const bool got = getColorDirectory != nullptr && getColorDirectory(nullptr, buffer, &size);
    FreeLibrary(mscms);
    if (!got) return kUiErrGeneral;
    buffer[kFolderBuffer - 1] = 0;
    return PutFolder(buffer, out, capacity);
}

int32_t Plat_MakeFolder(const char* path) {
    if (CreateDirectoryA(path, nullptr)) return 0;
    return LastError();
}
