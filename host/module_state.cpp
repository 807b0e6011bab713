#include "host/module_state.h"

#include "ui/status.h"

FilterRecord* gFilterRecord = nullptr;
AboutRecord* gAboutRecord = nullptr;
intptr_t* gDataSlot = nullptr;
int16_t* gResult = nullptr;
SPBasicSuite* gSPBasic = nullptr;
uint8_t gDiagnostics = 0;
uint8_t gDiagnosticsInitialised = 0;
UiState* gUiState = nullptr;
void* gModuleInstance = nullptr;
ParametersBlock* gParametersBlock = nullptr;
DataBlock* gDataBlock = nullptr;
PrefsRecord* gPrefs = nullptr;
char* gTempFolder = nullptr;
char* gMessageBuffer = nullptr;
uint64_t* gDebugChecksumField = nullptr;

Handle Host_DataHandle() {
    return gDataSlot != nullptr ? reinterpret_cast<Handle>(*gDataSlot) : nullptr;
}

void Host_SetDataHandle(Handle h) {
    if (gDataSlot != nullptr) *gDataSlot = reinterpret_cast<intptr_t>(h);
}

void Host_StoreResult(int16_t code) {
    if (code != noErr && gResult != nullptr) *gResult = code;
}

bool Host_ResultSet() {
    return gResult != nullptr && *gResult != noErr;
}

int16_t Host_ResultFromStatus(int32_t status) {
    switch (status) {
        case kUiOk:
            return noErr;
        case kUiErrCancelled:
            return userCanceledErr;
        case kUiErrMemory:
            return memFullErr;
        case kUiErrUnsupported:
            return errPlugInHostInsufficient;
        default:
            return filterBadParameters;
    }
}

void Host_ResetModuleStateForTesting() {
    gFilterRecord = nullptr;
    gAboutRecord = nullptr;
    gDataSlot = nullptr;
    gResult = nullptr;
    gSPBasic = nullptr;
    gDiagnostics = 0;
    gDiagnosticsInitialised = 0;
    gUiState = nullptr;
    gModuleInstance = nullptr;
}
