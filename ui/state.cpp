#include "ui/state.h"

#include <cstring>

#include "ui/allocator.h"
#include "ui/cursor.h"
#include "ui/debug_log.h"
#include "ui/platform.h"
#include "ui/status.h"

namespace {
void CopyText(char* dst, size_t capacity, const char* src) {
    size_t n = std::strlen(src);
    if (n >= capacity) n = capacity - 1;
    std::memcpy(dst, src, n);
    dst[n] = 0;
}
}  // namespace

int32_t Ui_ResToCString(UiState* state, StringId id, char* buffer, int32_t capacity) {
    if (buffer == nullptr || capacity < 1) return kUiErrArg;
    buffer[0] = 0;
    void* instance = state ? state->resourceSource : Plat_ModuleInstance();
    if (Plat_LoadString(instance, id, buffer, capacity) >= 0) return kUiOk;
    Ui_Debug_Logf(state ? state->diagnostics : 0, "Ui_ResToCString, LoadString error = %ld",
                  long(id));
    return kUiErrArg;
}

const char* Ui_ResString(UiState* state, StringId id, char* buffer) {
    static char shared[kUiStringCapacity];
    char* out = buffer ? buffer : shared;
    Ui_ResToCString(state, id, out, kUiStringCapacity);
    return out;
}

int32_t Ui_State_Open(UiState** out, void* resourceSource, void* ownerWindow, StringId appName,
                      uint8_t diagnostics) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    if (diagnostics > 1) return kUiErrArg;
    Ui_Debug_Logf(diagnostics, "Ui_State_Open, resSrc = %ld",
                  long(reinterpret_cast<intptr_t>(resourceSource)));
    UiState* state = static_cast<UiState*>(Ui_Malloc(sizeof(UiState)));
    if (state == nullptr) return kUiErrMemory;
    std::memset(state, 0, sizeof *state);
    state->diagnostics = diagnostics;
    Ui_Debug_Log(diagnostics, "Ui_State_Open : Diagnostics enabled");
    state->resourceSource = resourceSource;
    state->ownerWindow = ownerWindow;
    state->parentWindow = ownerWindow;
    Ui_Cursor_Set(kUiCursorArrow);
    if (Plat_RegisterUserItemClass(resourceSource) != kUiOk) {
        Ui_Free(state);
        return kUiErrGeneral;
    }
    if (appName < 0 || Ui_ResToCString(state, appName, state->appName, kUiAppNameCapacity) != kUiOk)
        CopyText(state->appName, kUiAppNameCapacity, " ");
    Ui_State_SetMakerName(state, kStrMakerName);
    *out = state;
    return kUiOk;
}

int32_t Ui_State_SetMakerName(UiState* state, StringId id) {
    if (state == nullptr) return kUiErrArg;
    char name[kUiMakerNameCapacity];
    const int32_t status = Ui_ResToCString(state, id, name, kUiMakerNameCapacity);
    if (status != kUiOk) return status;
    CopyText(state->makerName, kUiMakerNameCapacity, name);
    return kUiOk;
}

int32_t Ui_State_Close(UiState** slot) {
    if (slot == nullptr || *slot == nullptr) return kUiErrArg;
    UiState* state = *slot;
    Ui_Debug_Log(state->diagnostics, "Ui_State_Close");
    const int32_t status =
        Plat_UnregisterUserItemClass(state->resourceSource) == kUiOk ? kUiOk : kUiErrGeneral;
    Ui_Free(state);
    *slot = nullptr;
    return status;
}
