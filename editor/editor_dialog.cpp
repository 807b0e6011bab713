// The editor dialog: its set-up in order, the handlers it installs, the
// undo snapshot and the rebuild of the transform that every change ends in.
#include <cstring>

#include "editor/editor_internal.h"
#include "engine/view_correction.h"
#include "resources/dialog_table.h"
#include "ui/alert.h"
#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

int32_t Cursor(void* dialog) {
    return Pane_Cursor(dialog);
}

int32_t Track(void* dialog, int32_t item, int32_t phase) {
    return item == kItemPane ? Pane_Track(dialog, phase) : Editor_TrackItem(dialog, item, phase);
}

int32_t SetUp(void* dialog) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    UiDlgProcs procs = {};
    procs.itemHit = Editor_ItemHit;
    procs.cursor = Cursor;
    procs.key = Editor_Key;
    procs.track = Track;
    int32_t status = Ui_Dlg_SetProcs(dialog, &procs);
    e.memoryMode = 0;
    if (status == kUiOk) status = MainFace_SetUp(dialog);
    if (status == kUiOk) status = Ui_Dlg_SetUserItemProc(dialog, kItemPane, Pane_Draw);
    if (status != kUiOk) return Ui_Alert_ReportError(e.host->ui, status, nullptr, nullptr);
    UI_TRY(Pane_SetUp(dialog));  // alerts its own failure
    status = Editor_AllocateItemImages(dialog);
    if (status != kUiOk) return Ui_Alert_ReportError(e.host->ui, status, nullptr, nullptr);
    e.initialised = 1;
    Editor_Rebuild(dialog);
    return kUiOk;
}

int32_t Init(void* dialog) {
    EditState* edit = Editor_State(dialog);
    if (edit == nullptr) return kUiErrArg;
    edit->editor.setUpRan = 1;
    edit->editor.setUpStatus = SetUp(dialog);
    return edit->editor.setUpStatus;
}

// The views and selection the settings are measured on: the reduced
// preview, or the 1:1 window while zoomed.
EditTWSource RebuildSource(const EditState* edit) {
    const EditorState& e = edit->editor;
    EditTWSource source = {};
    source.editPars = edit->pars;
    source.views[0] = edit->sourceView;
    source.views[1] = edit->zoomView;
    source.zoomed = edit->zoomed;
    source.diagnostics = e.host->diagnostics;
    source.ui = e.host->ui;
    if (edit->zoomed == 0 && edit->selection.bits != nullptr) source.selection = &edit->selection;
    if (edit->zoomed != 0 && e.pane.zoomSelection.bits != nullptr)
        source.selection = &e.pane.zoomSelection;
    return source;
}

int32_t Rebuild(EditState* edit, int32_t bytesPerSample) {
    const EditTWSource source = RebuildSource(edit);
    ViewCorrection compiled = {};
    compiled.transform = edit->transform;
    const int32_t status = CompileViewCorrection(&source, bytesPerSample, &compiled);
    edit->transform = compiled.transform;
    return status;
}

}  // namespace

EditState* Editor_State(void* dialog) {
    return static_cast<EditState*>(Ui_Dlg_UserData(dialog));
}

void Editor_Snapshot(void* dialog, bool withSample) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    if (e.memoryMode == 0) e.undoPars = edit->pars;
    ColourUndo& undo = e.colourUndo;
    undo.available = 1;
    undo.slot = e.currentColour;
    undo.saved = edit->pars.customBinColors[e.currentColour];
    undo.withSample = withSample ? 1 : 0;
    undo.sampleCount = e.sampleCount;
    Ui_Dlg_Enable(dialog, e.memoryMode ? kItemColourUndo : kItemUndo, 1);
}

int32_t Editor_Rebuild(void* dialog) {
    return Rebuild(Editor_State(dialog), 1);
}

int32_t Editor_Finish(EditState* edit) {
    UI_TRY(Rebuild(edit, edit->editor.host->bytesPerSample));
    edit->editor.host->prefs->previous = edit->pars;
    edit->filters = FilterSettingsOf(edit->pars);
    edit->editor.finished = 1;
    return kUiOk;
}

int32_t DoEditImage(EditState* edit, const EditorHost* host) {
    if (edit == nullptr || host == nullptr || host->prefs == nullptr || host->reads == nullptr)
        return kUiErrArg;
    EditorState& e = edit->editor;
    std::memset(&e, 0, sizeof e);
    e.host = host;
    e.previewOn = 1;
    e.lastCustom = 2;
    e.activeSlider = -1;
    int32_t item = 0;
    int32_t status = Ui_Dlg_DoModal(host->ui, kDialogEditor, nullptr, Init, edit, &item);
    if (!e.setUpRan) {
        // The dialog never reached its set-up: it could not be made, or the
        // framework's own tables (memory is their only failure) could not be
        // had and it ended as if cancelled.
        if (status == kUiOk) status = kUiErrMemory;
        Ui_Alert_ReportError(host->ui, status, nullptr, nullptr);
    } else if (status == kUiOk && e.setUpStatus != kUiOk) {
        status = e.setUpStatus;
    }
    if (status == kUiOk && item != kItemOK) status = kUiErrCancelled;
    // A dialog ended by its default button without a click (the window
    // system's Enter) still finishes as OK does; every other end stores the
    // settings as Cancel does.
    if (status == kUiOk && !e.finished) status = Editor_Finish(edit);
    if (status != kUiOk) host->prefs->previous = edit->pars;
    Editor_FreeItemImages(edit);
    Pane_Free(edit);
    e.host = nullptr;
    return status;
}
