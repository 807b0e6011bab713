// The main face of the editor: its controls and their actions.
#include "editor/editor_internal.h"
#include "ui/dialog.h"
#include "ui/status.h"

int32_t MainFace_SetUp(void*) {
    return kUiOk;
}

void Editor_ItemHit(void* dialog, int32_t item) {
    if (item == kItemOK || item == kItemCancel) Ui_Dlg_SetDone(dialog, item);
}

int32_t Editor_Key(void*, int32_t, int32_t) {
    return 0;
}

void Editor_FreeItemImages(EditState*) {}
