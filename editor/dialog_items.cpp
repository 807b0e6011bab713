#include "editor/dialog_items.h"

#include "ui/dialog.h"
#include "ui/draw.h"
#include "ui/help.h"
#include "ui/status.h"

namespace {
constexpr uint32_t kFrameColour = 0x808080;
}  // namespace

void HelpItem_Draw(void* dialog, int32_t item, void* dc) {
    UiRect r;
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    Ui_Draw_Rect(dc, &r, kFrameColour, 0);
    Ui_Draw_Text(dc, &r, "?", kUiTextCentre);
}

bool ItemHasMouse(void* dialog, int32_t item) {
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    UiRect r;
    if (rec == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return false;
    return rec->mouseX >= r.left && rec->mouseX < r.right && rec->mouseY >= r.top &&
           rec->mouseY < r.bottom;
}

int32_t HelpItem_Track(void* dialog, int32_t item, int32_t phase, const char* helpPath,
                       int32_t topic) {
    if (phase != kUiTrackUp) return 1;
    if (ItemHasMouse(dialog, item) && helpPath != nullptr)
        Ui_Help_Show(Ui_Dlg_State(dialog), helpPath, topic);
    return 1;
}
