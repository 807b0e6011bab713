// "Use Largest Possible Window": the editor dialog laid over the target
// rectangle (the screen's work area, or what the run passes in), given back
// the room the fitted document would leave unused, with the pane grown by
// the whole growth and every other item moved along.
#include "editor/preview_layout.h"
#include "editor/preview_pane_internal.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

namespace {

constexpr int32_t kLastMovedItem = 57;

int32_t Width(const UiRect& r) {
    return r.right - r.left;
}
int32_t Height(const UiRect& r) {
    return r.bottom - r.top;
}

UiRect Sized(const UiRect& r, int32_t w, int32_t h) {
    return UiRect{r.top, r.left, int16_t(r.top + h), int16_t(r.left + w)};
}

// Lays the window over rect and measures how much its client area grew.
int32_t ClientGrowth(void* dialog, const UiRect& rect, const UiRect& client0, int32_t* dx,
                     int32_t* dy) {
    UI_TRY(Ui_Dlg_SetWindowRect(dialog, &rect));
    UiRect client = {};
    UI_TRY(Ui_Dlg_ClientRect(dialog, &client));
    *dx = Width(client) - Width(client0);
    *dy = Height(client) - Height(client0);
    return kUiOk;
}

int32_t MoveItems(void* dialog, int32_t dx, int32_t dy) {
    UiRect pane = {};
    UI_TRY(Ui_Dlg_ItemRect(dialog, kItemPane, &pane));
    pane.right = int16_t(pane.right + dx);
    pane.bottom = int16_t(pane.bottom + dy);
    UI_TRY(Ui_Dlg_MoveItem(dialog, kItemPane, &pane));
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    const int32_t last =
        rec != nullptr && rec->itemCount < kLastMovedItem ? rec->itemCount : kLastMovedItem;
    for (int32_t item = 1; item <= last; ++item) {
        UiRect r = {};
        if (item == kItemPane || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) continue;
        r.left = int16_t(r.left + dx);
        r.right = int16_t(r.right + dx);
        r.top = int16_t(r.top + dy / 2);
        r.bottom = int16_t(r.bottom + dy / 2);
        UI_TRY(Ui_Dlg_MoveItem(dialog, item, &r));
    }
    return kUiOk;
}

}  // namespace

int32_t Pane_Enlarge(void* dialog) {
    const EditState* edit = Editor_State(dialog);
    const EditorHost* host = edit->editor.host;
    UiRect target = {};
    if (host->largestTarget != nullptr) {
        const PassRect& t = *host->largestTarget;
        target = UiRect{int16_t(t.top), int16_t(t.left), int16_t(t.bottom), int16_t(t.right)};
    } else if (Plat_ScreenWorkArea(&target) != kUiOk) {
        return kUiOk;  // no work area: the dialog keeps its size
    }
    UiRect window0 = {}, client0 = {}, pane = {};
    UI_TRY(Ui_Dlg_WindowRect(dialog, &window0));
    UI_TRY(Ui_Dlg_ClientRect(dialog, &client0));
    UI_TRY(Ui_Dlg_ItemRect(dialog, kItemPane, &pane));
    const int32_t w0 = Width(window0), h0 = Height(window0);
    target = Sized(target, Width(target) > w0 ? Width(target) : w0,
                   Height(target) > h0 ? Height(target) : h0);
    int32_t dx = 0, dy = 0;
    UI_TRY(ClientGrowth(dialog, target, client0, &dx, &dy));
    // The room the document, fitted into the grown pane, leaves unused.
    int32_t fx = dx > 0 ? dx : 0, fy = dy > 0 ? dy : 0;
    const PassRect& f = edit->filterRect;
    FitPaneGrowth(Width(pane) - 2, Height(pane) - 2,
                  PreviewDocument{f.right - f.left, f.bottom - f.top}, &fx, &fy);
    const int32_t w = Width(target) - (dx - fx), h = Height(target) - (dy - fy);
    UI_TRY(
        ClientGrowth(dialog, Sized(target, w > w0 ? w : w0, h > h0 ? h : h0), client0, &dx, &dy));
    if (dx <= 0 && dy <= 0) return kUiOk;
    return MoveItems(dialog, dx > 0 ? dx : 0, dy > 0 ? dy : 0);
}
