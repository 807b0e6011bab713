// The scripting descriptor's 'Dt  ' text: the input is the text a host hands
// back when an action replays, read through a fake host's descriptor and
// handle procs into a settings record. Whatever the bytes, the record obeys
// its rules, every handle the host gave is disposed of, and nothing leaks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/blocks.h"
#include "host/module_state.h"
#include "host/script_params.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

struct FakeHandle {
    char* data;  // a Handle points here
    int32_t size;
};

int32_t gLiveHandles = 0;
const uint8_t* gText = nullptr;
size_t gTextSize = 0;
int32_t gKeysLeft = 0;

Handle NewFake(int32_t size) {
    FakeHandle* h = static_cast<FakeHandle*>(std::malloc(sizeof(FakeHandle)));
    h->data = static_cast<char*>(std::malloc(size_t(size) + 1));
    h->size = size;
    ++gLiveHandles;
    return &h->data;
}
FakeHandle* Fake(Handle h) {
    return reinterpret_cast<FakeHandle*>(h);
}
void DisposeFake(Handle h) {
    if (h == nullptr) return;
    std::free(Fake(h)->data);
    std::free(Fake(h));
    --gLiveHandles;
}
int32_t SizeFake(Handle h) {
    return Fake(h)->size;
}
Ptr LockFake(Handle h, Boolean) {
    return Fake(h)->data;
}
void UnlockFake(Handle) {}

// The descriptor holds the 'Dt  ' text after another key.
PIReadDescriptor OpenRead(PIDescriptorHandle, DescriptorKeyID*) {
    gKeysLeft = 2;
    return &gKeysLeft;
}
OSErr CloseRead(PIReadDescriptor) {
    return noErr;
}
Boolean GetKey(PIReadDescriptor, DescriptorKeyID* key, DescriptorTypeID* type, int32_t*) {
    if (gKeysLeft == 0) return 0;
    *key = --gKeysLeft == 0 ? kScriptDataKey : PIFourCC("Othr");
    *type = typeChar;
    return 1;
}
OSErr GetText(PIReadDescriptor, Handle* text) {
    *text = NewFake(int32_t(gTextSize));
    if (gTextSize > 0) std::memcpy(Fake(*text)->data, gText, gTextSize);
    return noErr;
}

bool Terminated(const char* text) {
    return std::memchr(text, 0, kPrefsTextBytes) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const uint32_t liveBefore = Ui_Mem_Stats().nMallocs;
    gText = data;
    gTextSize = size;

    HandleProcs handles = {};
    handles.newProc = NewFake;
    handles.disposeProc = DisposeFake;
    handles.getSizeProc = SizeFake;
    handles.lockProc = LockFake;
    handles.unlockProc = UnlockFake;
    ReadDescriptorProcs read = {};
    read.openReadDescriptorProc = OpenRead;
    read.closeReadDescriptorProc = CloseRead;
    read.getKeyProc = GetKey;
    read.getTextProc = GetText;
    PIDescriptorParameters descriptor = {};
    descriptor.playInfo = plugInDialogDontDisplay;
    descriptor.readDescriptorProcs = &read;
    descriptor.descriptor = NewFake(0);
    static FilterRecord record;
    record.handleProcs = &handles;
    record.descriptorParameters = &descriptor;
    static ParametersBlock parameters;
    static DataBlock block;
    if (SetDefaultPrefsRecord(&parameters.prefs) != kUiOk) std::abort();
    block.showEditor = 1;
    gFilterRecord = &record;
    gPrefs = &parameters.prefs;
    gDataBlock = &block;

    bool recorded = false;
    const int32_t status = ReadScriptParameters(&recorded);
    if (status != kUiOk && status != kUiErrMemory) std::abort();
    const PrefsRecord& p = parameters.prefs;
    if (p.startMode >= kStartModeCount || !Terminated(p.settingsName)) std::abort();
    if (CheckEditPars(&p.previous) == kUiErrArg || CheckEditPars(&p.custom) == kUiErrArg)
        std::abort();
    if (block.showEditor != 0 || descriptor.descriptor != nullptr) std::abort();
    if (gLiveHandles != 0) std::abort();
    gFilterRecord = nullptr;
    gPrefs = nullptr;
    gDataBlock = nullptr;
    if (Ui_Mem_Stats().nMallocs != liveBefore) std::abort();
    return 0;
}
