// Win32 backend: the common save and open file dialogs.
#include <windows.h>

#include <commdlg.h>

#include <cstring>

#include "ui/paths.h"
#include "ui/platform.h"
#include "ui/status.h"

namespace {
constexpr size_t kFilterCapacity = 512;
constexpr size_t kFileCapacity = 1024;

// Copies text into buffer (capacity bytes) when it fits with its terminator.
bool CopyFits(char* buffer, size_t capacity, const char* text) {
    const size_t n = std::strlen(text);
    if (n + 1 > capacity) return false;
    std::memcpy(buffer, text, n + 1);
    return true;
}

struct DialogRequest {
    bool save;
    HWND owner;
    const char* prompt;
    const char* filter;
    const char* defExt;
    const char* initialFolder;  // may be null
    const char* initialName;    // may be empty
};

// Runs the dialog; the chosen path is copied to path only on success.
int32_t RunDialog(const DialogRequest& request, char* path, size_t capacity) {
    char filterList[kFilterCapacity];
    UI_TRY(
        Ui_Path_FilterToList(request.filter ? request.filter : "", filterList, sizeof filterList));
    char file[kFileCapacity] = {};
    const size_t fileCapacity = capacity < kFileCapacity ? capacity : kFileCapacity;
    if (!CopyFits(file, fileCapacity, request.initialName)) return kUiErrArg;

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = filterList[0] ? filterList : nullptr;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = DWORD(fileCapacity);
    dialog.lpstrInitialDir = request.initialFolder;
    dialog.lpstrTitle = request.prompt;
    dialog.lpstrDefExt = request.defExt && request.defExt[0] ? request.defExt : nullptr;
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                   (request.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = request.save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) return CommDlgExtendedError() == 0 ? kUiErrCancelled : kUiErrGeneral;
    return CopyFits(path, capacity, file) ? kUiOk : kUiErrGeneral;
}
}  // namespace

int32_t Plat_SaveFileDialog(void* owner, const char* prompt, const char* filter, const char* defExt,
                            char* path, size_t capacity) {
    if (path == nullptr || capacity < 1) return kUiErrArg;
    const DialogRequest request = {true, static_cast<HWND>(owner), prompt, filter, defExt, nullptr,
                                   path};
    return RunDialog(request, path, capacity);
}

int32_t Plat_OpenFileDialog(void* owner, const char* prompt, const char* filter,
                            const char* initial, char* path, size_t capacity) {
    if (path == nullptr || capacity < 1) return kUiErrArg;
    // A folder (ending in a backslash) is where the dialog starts; a file name
    // is proposed in it.
    const char* start = initial ? initial : "";
    const size_t n = std::strlen(start);
    const bool isFolder = n > 0 && start[n - 1] == '\\';
    const DialogRequest request = {false,
                                   static_cast<HWND>(owner),
                                   prompt,
                                   filter,
                                   nullptr,
                                   isFolder ? start : nullptr,
                                   isFolder ? "" : start};
    return RunDialog(request, path, capacity);
}
