// The interactive start: the help file, the document's title and the
// editor, handed what it needs of the host through an EditorHost.
#include "host/editor_start.h"

#include <cstring>

#include "editor/editor.h"
#include "host/blocks.h"
#include "host/colour_picker.h"
#include "host/module_state.h"
#include "host/preview_display.h"
#include "host/preview_read.h"
#include "host/sdk_constants.h"
#include "ui/debug_log.h"
#include "ui/file_layer.h"
#include "ui/help.h"
#include "ui/paths.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

// The title handle's bytes (no terminator) into title; false when the host
// gives none.
bool TitleFromHost(char* title, size_t capacity) {
    const FilterRecord* f = gFilterRecord;
    const PropertyProcs* props = f->propertyProcs;
    const HandleProcs* handles = f->handleProcs;
    if (props == nullptr || props->getPropertyProc == nullptr || handles == nullptr ||
        handles->getSizeProc == nullptr || handles->lockProc == nullptr ||
        handles->unlockProc == nullptr || handles->disposeProc == nullptr)
        return false;
    intptr_t simple = 0;
    Handle h = nullptr;
    if (props->getPropertyProc(kPhotoshopSignature, propTitle, 0, &simple, &h) != noErr ||
        h == nullptr)
        return false;
    const int32_t size = handles->getSizeProc(h);
    const Ptr bytes = handles->lockProc(h, 0);
    bool taken = false;
    if (bytes != nullptr && size > 0) {
        const size_t n = size_t(size) < capacity - 1 ? size_t(size) : capacity - 1;
        std::memcpy(title, bytes, n);
        title[n] = 0;
        taken = true;
    }
    if (bytes != nullptr) handles->unlockProc(h);
    handles->disposeProc(h);
    return taken;
}

}  // namespace

void GetDocumentTitle(char* title, size_t capacity) {
    if (capacity == 0) return;
    title[0] = 0;
    if (!TitleFromHost(title, capacity))
        Ui_ResToCString(gUiState, kStrProductName, title, int32_t(capacity));
}

int32_t RunEditor(EditState* edit) {
    // The help file: Ui_Help_Prepare reports and logs its own failures.
    char helpPath[kUiPathCapacity];
    const int32_t prepared = Ui_Help_Prepare(gUiState, helpPath);
    if (prepared != kUiOk) {
        Host_StoreResult(filterBadParameters);
        return prepared;
    }
    GetDocumentTitle(edit->title, sizeof edit->title);
    EditorHost host = {};
    host.ui = gUiState;
    host.prefs = gPrefs;
    host.reads = HostPreviewReads();
    host.diagnostics = gDiagnostics;
    host.bytesPerSample = gFilterRecord->depth == 16 ? 2 : 1;
    host.transparency = gFilterRecord->planes > 3 ? 1 : 0;
    host.helpPath = helpPath;
    host.pickColour = Host_PickColour;
    const int32_t status = DoEditImage(edit, &host);
    FLSpec spec;
    if (FL_DiskSpec(&spec, helpPath) == kUiOk) FLDelete(&spec);
    Ui_Debug_Log(gDiagnostics, "DoEditImage done");
    gDataBlock->showEditor = 0;
    // The pass asks the host for the image anew.
    FreePreviewImages(edit);
    if (status != kUiOk && status != kUiErrCancelled)
        Host_StoreResult(Host_ResultFromStatus(status));
    return status;
}
