#include "host/script_params.h"

#include <cstring>

#include "host/blocks.h"
#include "host/module_state.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

bool HaveHandleProcs(const HandleProcs* p, bool forWriting) {
    return p != nullptr && p->lockProc != nullptr && p->unlockProc != nullptr &&
           p->disposeProc != nullptr &&
           (forWriting ? p->newProc != nullptr : p->getSizeProc != nullptr);
}

// Puts the blob as packed text under 'Dt  '.
int32_t PutBlob(PIWriteDescriptor token, const uint8_t* blob) {
    const HandleProcs* procs = gFilterRecord->handleProcs;
    const WriteDescriptorProcs* write = gFilterRecord->descriptorParameters->writeDescriptorProcs;
    const uint32_t size = ScriptTextBytes(kScriptBlobBytes);
    Handle text = procs->newProc(int32_t(size));
    if (text == nullptr) return kUiErrMemory;
    Ptr bytes = procs->lockProc(text, 0);
    int32_t status = kUiErrMemory;
    if (bytes != nullptr) {
        PackScriptText(blob, kScriptBlobBytes, reinterpret_cast<uint8_t*>(bytes));
        status = write->putTextProc(token, kScriptDataKey, text) == noErr ? kUiOk : kUiErrWrite;
        procs->unlockProc(text);
    }
    procs->disposeProc(text);
    return status;
}

// Reads the blob of one 'Dt  ' text handle into the settings record (*taken
// set); a text of another length, or one too short for its blob, leaves it
// untouched.
int32_t TakeText(Handle text, bool* taken) {
    const HandleProcs* procs = gFilterRecord->handleProcs;
    const int32_t size = procs->getSizeProc(text);
    Ptr bytes = procs->lockProc(text, 0);
    uint8_t* blob = nullptr;
    uint32_t length = 0;
    int32_t status = kUiOk;
    if (bytes != nullptr && size > 0)
        status = UnpackScriptText(reinterpret_cast<const uint8_t*>(bytes), uint32_t(size), &blob,
                                  &length);
    if (bytes != nullptr) procs->unlockProc(text);
    if (blob != nullptr && DecodeScriptBlob(blob, length, gPrefs) == kUiOk) *taken = true;
    Ui_Free(blob);
    return status;
}

}  // namespace

int32_t WriteScriptParameters() {
    Ui_Debug_Log(gDiagnostics, "WriteScriptParameters...");
    PIDescriptorParameters* d = gFilterRecord->descriptorParameters;
    const WriteDescriptorProcs* write = d != nullptr ? d->writeDescriptorProcs : nullptr;
    if (write == nullptr || write->openWriteDescriptorProc == nullptr ||
        write->closeWriteDescriptorProc == nullptr || write->putTextProc == nullptr)
        return kUiOk;
    PIWriteDescriptor token = write->openWriteDescriptorProc();
    if (token == nullptr) return kUiOk;
    const HandleProcs* procs = gFilterRecord->handleProcs;
    int32_t status = kUiOk;
    if (HaveHandleProcs(procs, true)) {
        UiOwned<uint8_t> blob(static_cast<uint8_t*>(Ui_Malloc(kScriptBlobBytes)));
        status = blob ? EncodeScriptBlob(gPrefs, blob.get(), kScriptBlobBytes) : kUiErrMemory;
        if (status == kUiOk) status = PutBlob(token, blob.get());
    }
    if (d->descriptor != nullptr && procs != nullptr && procs->disposeProc != nullptr)
        procs->disposeProc(d->descriptor);
    d->descriptor = nullptr;
    PIDescriptorHandle recorded = nullptr;
    write->closeWriteDescriptorProc(token, &recorded);
    d->descriptor = recorded;
    d->recordInfo = plugInDialogOptional;
    if (recorded == nullptr) status = kUiErrMemory;
    Ui_Debug_Log(gDiagnostics, "...WriteScriptParameters");
    return status;
}

int32_t ReadScriptParameters(bool* recorded) {
    Ui_Debug_Log(gDiagnostics, "ReadScriptParameters...");
    *recorded = false;
    PIDescriptorParameters* d = gFilterRecord->descriptorParameters;
    const ReadDescriptorProcs* read = d != nullptr ? d->readDescriptorProcs : nullptr;
    if (read == nullptr || read->openReadDescriptorProc == nullptr ||
        read->closeReadDescriptorProc == nullptr || read->getKeyProc == nullptr ||
        read->getTextProc == nullptr || d->descriptor == nullptr)
        return kUiOk;
    int32_t status = kUiOk;
    DescriptorKeyID keys[] = {kScriptDataKey, 0};
    PIReadDescriptor token = read->openReadDescriptorProc(d->descriptor, keys);
    if (token != nullptr) {
        const HandleProcs* procs = gFilterRecord->handleProcs;
        DescriptorKeyID key = 0;
        DescriptorTypeID type = 0;
        int32_t flags = 0;
        while (status == kUiOk && read->getKeyProc(token, &key, &type, &flags)) {
            if (key != kScriptDataKey || !HaveHandleProcs(procs, false)) continue;
            Handle text = nullptr;
            read->getTextProc(token, &text);
            if (text == nullptr) {
                status = kUiErrFormat;
                break;
            }
            status = TakeText(text, recorded);
            procs->disposeProc(text);
        }
        // The host's own read error does not count against the settings read.
        if (read->closeReadDescriptorProc(token) != noErr) status = kUiOk;
        if (procs != nullptr && procs->disposeProc != nullptr) procs->disposeProc(d->descriptor);
        d->descriptor = nullptr;
    }
    gDataBlock->showEditor = d->playInfo == plugInDialogDisplay ? 1 : 0;
    Ui_Debug_Log(gDiagnostics, "...ReadScriptParameters");
    return status;
}
