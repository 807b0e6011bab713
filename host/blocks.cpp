// The parameters and data blocks: creation, filling, checks and recovery.
#include "host/blocks.h"

#include <cstring>

#include "editor/stored_prefs.h"
#include "host/handle_lock.h"
#include "host/module_state.h"
#include "ui/alert.h"
#include "ui/debug_log.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

// A new handle of size bytes through the host's newProc, or a stored result.
Handle NewBlockHandle(int32_t size) {
    const HandleProcs* procs = gFilterRecord->handleProcs;
    if (procs == nullptr || procs->newProc == nullptr) {
        Host_StoreResult(errPlugInHostInsufficient);
        return nullptr;
    }
    Handle h = procs->newProc(size);
    if (h == nullptr) Host_StoreResult(memFullErr);
    return h;
}

bool IsBoolean(uint8_t v) {
    return v <= 1;
}

// A handle the host reports smaller than the block cannot hold it, whatever
// its first bytes say. Hosts without a size proc are taken at their word.
bool HoldsBlock(Handle h, size_t size) {
    const HandleProcs* procs = gFilterRecord->handleProcs;
    if (procs == nullptr || procs->getSizeProc == nullptr) return true;
    const int32_t held = procs->getSizeProc(h);
    return held >= 0 && size_t(held) >= size;
}

// The five host callbacks the data block was made under, summed with wrap-around.
struct Callbacks {
    uint64_t address[5];
    uint64_t sum;
};

Callbacks HostCallbacks() {
    const FilterRecord* r = gFilterRecord;
    Callbacks c = {
        {reinterpret_cast<uint64_t>(r->abortProc), reinterpret_cast<uint64_t>(r->progressProc),
         reinterpret_cast<uint64_t>(r->displayPixels), reinterpret_cast<uint64_t>(r->advanceState),
         reinterpret_cast<uint64_t>(r->colorServices)},
        0};
    for (uint64_t a : c.address) c.sum += a;
    return c;
}

void LogCallbacks(const Callbacks& c) {
    const char* const names[] = {"abortProc", "progressProc", "displayPixels", "advanceState",
                                 "colorServices"};
    for (int32_t i = 0; i < 5; ++i)
        Ui_Debug_Logf(gDiagnostics, "%s = %ld", names[i], long(int64_t(c.address[i])));
}

// The preferences folder, else the current folder, else nothing.
void SetPrefsFolder(char* path) {
    if (Ui_Path_SetToPrefFolder(gUiState, path, kUiPathCapacity) == kUiOk) return;
    if (Ui_Path_SetToCurrentFolder(path, kUiPathCapacity) == kUiOk) return;
    path[0] = 0;
}

void SetPrefsPath(ParametersBlock* block) {
    char* path = block->prefsPath;
    std::memset(path, 0, kUiPathCapacity);
    SetPrefsFolder(path);
    if (Ui_Path_SetToTempFolder(block->tempFolder, kUiPathCapacity) != kUiOk)
        std::memcpy(block->tempFolder, path, kUiPathCapacity);
    char name[64];
    Ui_ResToCString(gUiState, kStrPrefsFileName, name, sizeof name);
    // An over-long folder takes the fallback folder, as the library does.
    if (Ui_Path_Append(path, kUiPathCapacity, name) != kUiOk &&
        Ui_Path_SetToPrefFile(gUiState, name, path, kUiPathCapacity) != kUiOk)
        path[0] = 0;
}

// An existing handle too small for its block (an older block, or one the
// host made) is grown through the host, or replaced when it cannot be.
Handle Sized(Handle h, size_t size) {
    if (h == nullptr || HoldsBlock(h, size)) return h;
    const HandleProcs* procs = gFilterRecord->handleProcs;
    if (procs != nullptr && procs->setSizeProc != nullptr &&
        procs->setSizeProc(h, int32_t(size)) == noErr && HoldsBlock(h, size))
        return h;
    return nullptr;
}

}  // namespace

void NewParametersHandle() {
    gFilterRecord->parameters = NewBlockHandle(int32_t(sizeof(ParametersBlock)));
}

void NewDataHandle() {
    Handle h = NewBlockHandle(int32_t(sizeof(DataBlock)));
    if (h != nullptr) Host_SetDataHandle(h);
}

void DoParameters() {
    Ui_Debug_Log(gDiagnostics, "DoParameters...");
    gFilterRecord->parameters = Sized(gFilterRecord->parameters, sizeof(ParametersBlock));
    if (Host_DataHandle() != nullptr)
        Host_SetDataHandle(Sized(Host_DataHandle(), sizeof(DataBlock)));
    if (gFilterRecord->parameters == nullptr) NewParametersHandle();
    if (!Host_ResultSet() && Host_DataHandle() == nullptr) NewDataHandle();
    // Both blocks are filled afresh, also when one of them already existed.
    if (!Host_ResultSet()) LockHandles();
    if (!Host_ResultSet()) InitParameters();
    if (!Host_ResultSet()) CreateDataHandle();
    Ui_Debug_Log(gDiagnostics, "...DoParameters");
}

void InitParameters() {
    if (gFilterRecord->depth == 0) gFilterRecord->depth = 8;
    ParametersBlock* block = gParametersBlock;
    std::memcpy(block->signature, kBlockSignature, sizeof kBlockSignature);
    SetPrefsPath(block);
    SetDefaultPrefsRecord(&block->prefs);
    if (ReadPreferencesFile() != kUiOk) Host_StoreResult(filterBadParameters);
}

void CreateDataHandle() {
    DataBlock* data = gDataBlock;
    std::memset(data, 0, sizeof *data);
    std::memcpy(data->signature, kBlockSignature, sizeof kBlockSignature);
    data->rowSkip = 1;
    data->showEditor = 1;
    InitEditState(&data->edit, gPrefs->previous);
    const Callbacks c = HostCallbacks();
    data->gDebugChecksum = c.sum;
    Ui_Debug_Log(gDiagnostics, "CreateDataHandle");
    LogCallbacks(c);
    Ui_Debug_Logf(gDiagnostics, "gDebugChecksum = %ld", long(int64_t(c.sum)));
}

int32_t CheckParameters() {
    const ParametersBlock* b = gParametersBlock;
    if (b == nullptr || !HoldsBlock(gFilterRecord->parameters, sizeof *b) ||
        std::memcmp(b->signature, kBlockSignature, sizeof kBlockSignature) != 0 ||
        !IsBoolean(b->prefs.showSampledRegion) || !IsBoolean(b->prefs.useLargestWindow))
        return -1;
    return 0;
}

int32_t CheckData() {
    const DataBlock* d = gDataBlock;
    if (d == nullptr || !HoldsBlock(Host_DataHandle(), sizeof *d) ||
        std::memcmp(d->signature, kBlockSignature, sizeof kBlockSignature) != 0 ||
        !IsBoolean(d->edit.pars.doAutoBlack) || !IsBoolean(d->edit.pars.doAutoWhite) ||
        !IsBoolean(d->edit.filterStage))
        return -1;
    ValidateChecksum("CheckData");  // reported only
    return 0;
}

int32_t ValidateChecksum(const char* caller) {
    if (gDiagnostics != 1 || gDebugChecksumField == nullptr) return 0;
    const Callbacks c = HostCallbacks();
    if (c.sum == *gDebugChecksumField) return 0;
    Ui_Debug_Logf(gDiagnostics, "ValidateChecksum: %s", caller != nullptr ? caller : "");
    LogCallbacks(c);
    Ui_Debug_Logf(gDiagnostics, "newChecksum = %ld", long(int64_t(c.sum)));
    Ui_Debug_Alert(gDiagnostics, "Checksum error!");
    return -2;
}

namespace {

// Drops the unsound blocks (the host keeps them; they are not disposed of)
// and builds new ones.
void RebuildBlocks() {
    UnlockHandles();
    gFilterRecord->parameters = nullptr;
    Host_SetDataHandle(nullptr);
    DoParameters();
}

}  // namespace

void RecoverBlocks() {
    if (gFilterRecord->parameters == nullptr || Host_DataHandle() == nullptr) {
        DoParameters();
        return;
    }
    LockAndCheckBlocks();
}

void LockAndCheckBlocks() {
    LockHandles();
    if (Host_ResultSet()) return;
    if (CheckParameters() != 0 || CheckData() != 0) RebuildBlocks();
}

int32_t ReadPreferencesFile() {
    const char* path = gParametersBlock->prefsPath;
    const int32_t status = Ui_Prefs_ReadAll(gUiState, path, kUiPrefsFileKind, ReadStoredPref,
                                            WriteStoredPrefs, gPrefs);
    if (status != kUiOk)
        Ui_Alert_ReportErrorf(gUiState, status, kStrCtxReadingPrefs, nullptr, path);
    return status;
}

int32_t WritePreferencesFile() {
    const char* path = gParametersBlock->prefsPath;
    const int32_t status =
        Ui_Prefs_WriteAll(gUiState, path, kUiPrefsFileKind, WriteStoredPrefs, gPrefs);
    if (status != kUiOk)
        Ui_Alert_ReportErrorf(gUiState, kUiErrWrite, kStrCtxUpdatingPrefs, nullptr, path);
    return status;
}
