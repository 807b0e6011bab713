// The preview pane of the editor (item 4).
#include "editor/editor_internal.h"
#include "ui/dialog.h"
#include "ui/status.h"

int32_t Pane_SetUp(void* dialog) {
    EditState* edit = Editor_State(dialog);
    if (edit == nullptr) return kUiErrArg;
    UiRect r = {};
    UI_TRY(Ui_Dlg_ItemRect(dialog, kItemPane, &r));
    const EditorHost* host = edit->editor.host;
    return host->reads->readReduced(edit, r.right - r.left - 2, r.bottom - r.top - 2);
}

void Pane_Draw(void*, int32_t, void*) {}

void Pane_Redraw(void* dialog) {
    Ui_Dlg_Invalidate(dialog, kItemPane);
}

int32_t Pane_Cursor(void*) {
    return 0;
}

int32_t Pane_Track(void*, int32_t) {
    return 0;
}

void Pane_Free(EditState*) {}
