// Win32 backend: durable writes and replacement of files.
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "ui/platform.h"
#include "ui/status.h"

int32_t Plat_SyncFile(void* stdioStream) {
    std::FILE* f = static_cast<std::FILE*>(stdioStream);
    if (f == nullptr || std::fflush(f) != 0) return kUiErrWrite;
    const intptr_t handle = _get_osfhandle(_fileno(f));
    if (handle == -1) return kUiErrWrite;
    return FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) ? kUiOk : kUiErrWrite;
}

int32_t Plat_ReplaceFile(const char* from, const char* to) {
    // Write-through: the call returns only once the move is on the disk.
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    return MoveFileExA(from, to, flags) ? kUiOk : kUiErrGeneral;
}
