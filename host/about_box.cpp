#include "host/about_box.h"

#include "resources/dialog_table.h"
#include "resources/pictures.h"
#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/draw.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
constexpr StringId kNotices[] = {kStrAboutLine1, kStrAboutLine2, kStrAboutLine3, kStrAboutLine4};
constexpr StringId kCredits[] = {kStrNoticeSummary, kStrNoticeCopyright, kStrNoticeExtra};
constexpr int32_t kPictureItem = 3;
constexpr int32_t kTextItem = 4;

// The picture, centred across the top of its item.
void DrawPicture(void* dialog, int32_t item, void* dc) {
    UiRect r;
    const PictureDef* picture = FindPictureDef(kPictureBitmap, kBitmapAbout);
    if (picture == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    Ui_Draw_Bitmap(dc, r.left + (r.right - r.left - picture->width) / 2, r.top, kBitmapAbout);
}

// One line at y, centred in the item.
void Line(void* dc, const UiRect& item, int32_t y, const char* text) {
    const UiRect r = {int16_t(y), item.left, int16_t(y + 16), item.right};
    Ui_Draw_Text(dc, &r, text, kUiTextCentre);
}

// The version, two blank lines, the notice lines, one blank line and the
// credit lines; 14 pixels apart when there are three or more credit lines,
// else 16.
void DrawText(void* dialog, int32_t item, void* dc) {
    UiState* state = Ui_Dlg_State(dialog);
    UiRect r;
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    char format[kUiStringCapacity], value[kUiStringCapacity], line[2 * kUiStringCapacity];
    int32_t credits = 0;
    for (const StringId id : kCredits) credits += Ui_ResString(state, id, value)[0] != 0 ? 1 : 0;
    const int32_t pitch = credits >= 3 ? 14 : 16;
    int32_t y = r.top;
    Ui_Sprintf(line, sizeof line, Ui_ResString(state, kStrAboutVersion, format),
               Ui_ResString(state, kStrVersion, value));
    Line(dc, r, y, line);
    y += 3 * pitch;
    for (const StringId id : kNotices) {
        Line(dc, r, y, Ui_ResString(state, id, value));
        y += pitch;
    }
    y += pitch;
    for (const StringId id : kCredits) {
        Line(dc, r, y, Ui_ResString(state, id, value));
        y += pitch;
    }
}

void ItemHit(void* dialog, int32_t item) {
    if (item >= 1 && item <= 4) Ui_Dlg_SetDone(dialog, item);
}

int32_t AboutInit(void* dialog) {
    UiState* state = Ui_Dlg_State(dialog);
    UiDlgProcs procs = {};
    procs.itemHit = ItemHit;
    UI_TRY(Ui_Dlg_SetProcs(dialog, &procs));
    char format[kUiStringCapacity], name[kUiStringCapacity], title[2 * kUiStringCapacity];
    Ui_Sprintf(title, sizeof title, Ui_ResString(state, kStrAboutTitle, format),
               Ui_ResString(state, kStrProductName, name));
    Ui_Dlg_SetTitle(dialog, title);
    UI_TRY(Ui_Dlg_SetUserItemProc(dialog, kPictureItem, DrawPicture));
    UI_TRY(Ui_Dlg_SetUserItemProc(dialog, kTextItem, DrawText));
    Ui_Dlg_Center(dialog);
    return kUiOk;
}
}  // namespace

int32_t RunAboutBox(UiState* state) {
    int32_t item = 0;
    return Ui_Dlg_DoModal(state, kDialogAbout, nullptr, AboutInit, nullptr, &item);
}
