// The save and open file dialogs over the platform seam: the filter and
// default extension chosen by file kind, the owner window handed over for
// the time the dialog runs, and the path copied back only on success.
#include <cstring>

#include "ui/paths.h"
#include "ui/platform.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

struct SaveKind {
    uint32_t fileKind;
    StringId filterId;
    StringId extensionId;
};

constexpr SaveKind kSaveKinds[] = {
    {kUiFileKindTintwork, kStrFilterTintwork, kStrExtTintwork},
    {kUiFileKindProfile, kStrFilterProfile, kStrExtProfile},
    {kUiFileKindText, kStrFilterText, kStrExtText},
    {kUiFileKindData, kStrFilterData, kStrExtData},
};

constexpr size_t kFilterCapacity = 128;
constexpr size_t kExtensionCapacity = 16;

struct DialogRequest {
    bool save;
    const char* prompt;
    const char* filter;
    const char* extension;  // save dialog
    const char* initial;    // open dialog
};

// The dialog's owner is the state's parent window; the reference is cleared
// while the dialog runs (so nothing else parents itself to the window the
// system dialog has disabled) and restored afterwards.
int32_t RunDialog(UiState* state, const DialogRequest& request, char* path, size_t capacity) {
    char chosen[kUiPathCapacity] = {};
    if (request.save) {
        const size_t n = std::strlen(path);
        if (n + 1 > sizeof chosen) return kUiErrArg;
        std::memcpy(chosen, path, n + 1);
    }
    void* owner = state ? state->parentWindow : nullptr;
    if (state) state->parentWindow = nullptr;
    const int32_t status = request.save
                               ? Plat_SaveFileDialog(owner, request.prompt, request.filter,
                                                     request.extension, chosen, sizeof chosen)
                               : Plat_OpenFileDialog(owner, request.prompt, request.filter,
                                                     request.initial, chosen, sizeof chosen);
    if (state) state->parentWindow = owner;
    if (status != kUiOk) return status;
    if (std::memchr(chosen, 0, sizeof chosen) == nullptr) return kUiErrGeneral;
    const size_t n = std::strlen(chosen);
    if (n + 1 > capacity) return kUiErrGeneral;
    std::memcpy(path, chosen, n + 1);
    return kUiOk;
}

}  // namespace

int32_t Ui_Path_SaveDialog(UiState* state, const char* prompt, uint32_t fileKind, char* path,
                           size_t capacity) {
    if (path == nullptr || capacity == 0) return kUiErrArg;
    const SaveKind* kind = nullptr;
    for (const SaveKind& k : kSaveKinds)
        if (k.fileKind == fileKind) kind = &k;
    if (kind == nullptr) return kUiErrArg;
    char filter[kFilterCapacity];
    char extension[kExtensionCapacity];
    UI_TRY(Ui_ResToCString(state, kind->filterId, filter, sizeof filter));
    UI_TRY(Ui_ResToCString(state, kind->extensionId, extension, sizeof extension));
    const DialogRequest request = {true, prompt ? prompt : "", filter, extension, nullptr};
    return RunDialog(state, request, path, capacity);
}

int32_t Ui_Path_OpenDialog(UiState* state, const char* prompt, const char* initial, char* path,
                           size_t capacity) {
    if (path == nullptr || capacity == 0) return kUiErrArg;
    char filter[kFilterCapacity];
    UI_TRY(Ui_ResToCString(state, kStrFilterText, filter, sizeof filter));
    const DialogRequest request = {false, prompt ? prompt : "", filter, nullptr,
                                   initial ? initial : ""};
    return RunDialog(state, request, path, capacity);
}
