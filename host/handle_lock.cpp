#include "host/handle_lock.h"

#include "host/blocks.h"
#include "host/module_state.h"
#include "ui/debug_log.h"

namespace {

// The handles locked in this call and the procs that locked them, so that
// the unlock pairs with the lock even if the host swaps its record.
Handle gLockedParameters = nullptr;
Handle gLockedData = nullptr;
UnlockPIHandleProc gUnlockProc = nullptr;

void ClearWorkingPointers() {
    gParametersBlock = nullptr;
    gDataBlock = nullptr;
    gPrefs = nullptr;
    gTempFolder = nullptr;
    gMessageBuffer = nullptr;
    gDebugChecksumField = nullptr;
}

}  // namespace

void LockHandles() {
    const HandleProcs* procs = gFilterRecord != nullptr ? gFilterRecord->handleProcs : nullptr;
    if (procs == nullptr || procs->lockProc == nullptr || procs->unlockProc == nullptr) {
        Host_StoreResult(errPlugInHostInsufficient);
        Ui_Debug_Log(gDiagnostics, "LockHandles: handleProcs NULL");
        return;
    }
    const Handle parameters = gFilterRecord->parameters;
    const Handle data = Host_DataHandle();
    if (parameters == nullptr || data == nullptr) {
        if (parameters == nullptr) Ui_Debug_Log(gDiagnostics, "LockHandles: parameters NULL");
        if (data == nullptr) Ui_Debug_Log(gDiagnostics, "LockHandles: gDataHandle NULL");
        Host_StoreResult(filterBadParameters);
        return;
    }
    UnlockHandles();  // a second lock in one call pairs with its own unlock
    gUnlockProc = procs->unlockProc;
    Ptr parametersPtr = procs->lockProc(parameters, 1);
    if (parametersPtr != nullptr) gLockedParameters = parameters;
    Ptr dataPtr = parametersPtr != nullptr ? procs->lockProc(data, 1) : nullptr;
    if (dataPtr != nullptr) gLockedData = data;
    if (parametersPtr == nullptr || dataPtr == nullptr) {
        Ui_Debug_Log(gDiagnostics, "LockHandles: lockProc failure");
        Host_StoreResult(memFullErr);
        return;
    }
    gParametersBlock = reinterpret_cast<ParametersBlock*>(parametersPtr);
    gDataBlock = reinterpret_cast<DataBlock*>(dataPtr);
    gPrefs = &gParametersBlock->prefs;
    gTempFolder = gParametersBlock->tempFolder;
    gMessageBuffer = gDataBlock->message;
    gDebugChecksumField = &gDataBlock->gDebugChecksum;
}

void UnlockHandles() {
    if (gUnlockProc != nullptr) {
        if (gLockedData != nullptr) gUnlockProc(gLockedData);
        if (gLockedParameters != nullptr) gUnlockProc(gLockedParameters);
    }
    gLockedData = nullptr;
    gLockedParameters = nullptr;
    gUnlockProc = nullptr;
    ClearWorkingPointers();
}
