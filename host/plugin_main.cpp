// The entry point: records the host's pointers, chooses the diagnostics level
// once, opens the library state around the call, dispatches the selector,
// unlocks the host handles and writes the allocator's bookkeeping.
#include "host/plugin_main.h"

#include "host/handle_lock.h"
#include "host/module_state.h"
#include "host/stages.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/platform.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr char kSeparator[] = "-------------------------------";

// Stands in for a host that passes no result slot, so handlers can always store.
int16_t gSpareResult = 0;

const struct {
    int16_t selector;
    void (*handler)();
} kHandlers[] = {
    {filterSelectorAbout, DoAbout},       {filterSelectorParameters, DoParameters},
    {filterSelectorPrepare, DoPrepare},   {filterSelectorStart, DoStart},
    {filterSelectorContinue, DoContinue}, {filterSelectorFinish, DoFinish},
};

void RecordHostPointers(int16_t selector, void* paramBlock, intptr_t* data, int16_t* result) {
    gDataSlot = data;
    gResult = result != nullptr ? result : &gSpareResult;
    if (selector == filterSelectorAbout) {
        gAboutRecord = static_cast<AboutRecord*>(paramBlock);
        gFilterRecord = nullptr;
        gSPBasic = gAboutRecord != nullptr ? gAboutRecord->sSPBasic : nullptr;
    } else {
        gFilterRecord = static_cast<FilterRecord*>(paramBlock);
        gAboutRecord = nullptr;
        gSPBasic = gFilterRecord != nullptr ? gFilterRecord->sSPBasic : nullptr;
        if (gFilterRecord != nullptr && gFilterRecord->bigDocumentData != nullptr)
            gFilterRecord->bigDocumentData->PluginUsing32BitCoordinates = 1;
    }
}

// Diagnostics are on for the module's lifetime when Ctrl and Shift are held
// at its first call; the keys are never read again.
void ChooseDiagnosticsOnce() {
    if (gDiagnosticsInitialised) return;
    gDiagnostics = Plat_KeyDown(kPlatKeyControl) && Plat_KeyDown(kPlatKeyShift) ? 1 : 0;
    Ui_Debug_Log(gDiagnostics, kSeparator);
    Ui_Debug_Alert(gDiagnostics, "Vantoria Diagnostics enabled");
    gDiagnosticsInitialised = 1;
}

void* HostWindow(int16_t selector) {
    const void* platform = selector == filterSelectorAbout
                               ? (gAboutRecord != nullptr ? gAboutRecord->platformData : nullptr)
                               : (gFilterRecord != nullptr ? gFilterRecord->platformData : nullptr);
    return platform != nullptr
               ? reinterpret_cast<void*>(static_cast<const PlatformData*>(platform)->hwnd)
               : nullptr;
}

void Dispatch(int16_t selector) {
    // Without its record no filter handler can do anything sound.
    if (selector != filterSelectorAbout && gFilterRecord == nullptr) {
        Host_StoreResult(filterBadParameters);
        return;
    }
    for (const auto& h : kHandlers)
        if (h.selector == selector) h.handler();
}

void WriteBookkeeping(int16_t selector) {
    const UiMemStats stats = Ui_Mem_Stats();
    if (gFilterRecord != nullptr && selector != filterSelectorAbout &&
        gFilterRecord->bufferSpace >= 1 && uint32_t(gFilterRecord->bufferSpace) < stats.maxTotal)
        Ui_Debug_Logf(1, "Over max: ul_maxTotal = %ld, bufferSpace = %ld", long(stats.maxTotal),
                      long(gFilterRecord->bufferSpace));
    Ui_Debug_Logf(gDiagnostics, "ul_maxTotal = %ld", long(stats.maxTotal));
    if (selector == filterSelectorFinish && stats.nMallocs != 0)
        Ui_Debug_Logf(1, "ul_nMallocs = %ld", long(stats.nMallocs));
    Ui_Debug_Logf(gDiagnostics, "ul_nMallocs = %ld", long(stats.nMallocs));
}

}  // namespace

extern "C" void PluginMain(int16_t selector, void* paramBlock, intptr_t* data, int16_t* result) {
    RecordHostPointers(selector, paramBlock, data, result);
    ChooseDiagnosticsOnce();

    gModuleInstance = Plat_ModuleInstance();
    if (gModuleInstance == nullptr)
        Ui_Debug_Alert(1, "Vantoria was called without required parameters.");

    if (Ui_State_Open(&gUiState, gModuleInstance, HostWindow(selector), kStrProductName,
                      gDiagnostics) != kUiOk) {
        Host_StoreResult(userCanceledErr);
        return;
    }
    const int32_t makerStatus = Ui_State_SetMakerName(gUiState, kStrMakerFolder);
    if (makerStatus != kUiOk) {
        char message[96];
        Ui_Sprintf(message, sizeof message, "Error %ld setting the maker folder name",
                   long(makerStatus));
        Ui_Debug_Alert(1, message);
    }

    Dispatch(selector);

    if (selector != filterSelectorAbout) UnlockHandles();
    Ui_State_Close(&gUiState);
    WriteBookkeeping(selector);
}
