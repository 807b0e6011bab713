// Operations on a dialog's controls, popups (combo boxes numbered from 1),
// user item procedures, rectangles and placement.
#include <cstring>

#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/platform_dialog.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
constexpr size_t kItemTextCapacity = 1024;

// The record of a dialog and a check of the item number against it.
int32_t Find(void* dialog, int32_t item, UiDlgRec** rec) {
    *rec = Ui_Dlg_Record(dialog);
    if (*rec == nullptr) return kUiErrGeneral;
    if (item < 1 || item > (*rec)->itemCount) return kUiErrArg;
    return kUiOk;
}

int32_t PlatStatus(int32_t result) {
    return result < 0 ? kUiErrGeneral : kUiOk;
}

int32_t SetState(void* dialog, int32_t item, int32_t what, int32_t value) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    return PlatStatus(Plat_Dlg_SetItemState(dialog, item, what, value ? 1 : 0));
}

int32_t GetState(void* dialog, int32_t item, int32_t what, int32_t* value) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    if (value == nullptr) return kUiErrArg;
    const int32_t v = Plat_Dlg_ItemState(dialog, item, what);
    if (v < 0) return kUiErrGeneral;
    *value = v;
    return kUiOk;
}

// A popup's record, with a fresh flag array of count entries.
int32_t ResetPopup(UiDlgRec* rec, int32_t item, int32_t count) {
    UiPopup& popup = rec->popups[item - 1];
    Ui_Free(popup.entryFlags);
    popup.entryFlags = nullptr;
    popup.entryCount = 0;
    popup.isPopup = 1;
    if (count > 0) {
        popup.entryFlags = static_cast<uint8_t*>(Ui_MallocArray(size_t(count), 1));
        if (popup.entryFlags == nullptr) return kUiErrMemory;
        std::memset(popup.entryFlags, 0, size_t(count));
    }
    popup.entryCount = count;
    return PlatStatus(Plat_Dlg_Combo(rec->window, item, kPlatComboReset, 0, nullptr));
}

int32_t CheckEntry(void* dialog, int32_t item, int32_t entry, UiDlgRec** rec) {
    UI_TRY(Find(dialog, item, rec));
    const UiPopup& popup = (*rec)->popups[item - 1];
    if (!popup.isPopup || entry < 1 || entry > popup.entryCount) return kUiErrArg;
    return kUiOk;
}
}  // namespace

// ---- User items ---------------------------------------------------------------------------

int32_t Ui_Dlg_SetUserItemProc(void* dialog, int32_t item, UiUserItemProc proc) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    rec->drawProcs[item - 1] = proc;
    return kUiOk;
}

int32_t Ui_Dlg_Invalidate(void* dialog, int32_t item) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr) return kUiErrGeneral;
    if (item < 0 || item > rec->itemCount) return kUiErrArg;
    return PlatStatus(Plat_Dlg_Invalidate(dialog, item));
}

int32_t Ui_Dlg_ItemRect(void* dialog, int32_t item, UiRect* rect) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    if (rect == nullptr) return kUiErrArg;
    return PlatStatus(Plat_Dlg_GetRect(dialog, item, rect));
}

// ---- Popups -------------------------------------------------------------------------------

int32_t Ui_Popup_Fill(void* dialog, int32_t item, const char* const* texts, int32_t count) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    if (count < 0 || (count > 0 && texts == nullptr)) return kUiErrArg;
    UI_TRY(ResetPopup(rec, item, count));
    for (int32_t i = 0; i < count; ++i)
        UI_TRY(
            PlatStatus(Plat_Dlg_Combo(dialog, item, kPlatComboAdd, 0, texts[i] ? texts[i] : "")));
    return kUiOk;
}

int32_t Ui_Popup_FillFromStrings(void* dialog, int32_t item, const StringId* ids, int32_t count) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    if (count < 1 || ids == nullptr) return kUiErrArg;
    UI_TRY(ResetPopup(rec, item, count));
    char text[256];
    for (int32_t i = 0; i < count; ++i) {
        Ui_ResToCString(rec->state, ids[i], text, sizeof text);
        UI_TRY(PlatStatus(Plat_Dlg_Combo(dialog, item, kPlatComboAdd, 0, text)));
    }
    return kUiOk;
}

int32_t Ui_Popup_Get(void* dialog, int32_t item, int32_t* selected) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    if (selected == nullptr) return kUiErrArg;
    const int32_t index = Plat_Dlg_Combo(dialog, item, kPlatComboSelection, 0, nullptr);
    *selected = index < 0 ? 0 : index + 1;
    return kUiOk;
}

int32_t Ui_Popup_Select(void* dialog, int32_t item, int32_t entry) {
    UiDlgRec* rec = nullptr;
    UI_TRY(CheckEntry(dialog, item, entry, &rec));
    return PlatStatus(Plat_Dlg_Combo(dialog, item, kPlatComboSelect, entry - 1, nullptr));
}

int32_t Ui_Popup_SetEntryText(void* dialog, int32_t item, int32_t entry, const char* text) {
    UiDlgRec* rec = nullptr;
    UI_TRY(CheckEntry(dialog, item, entry, &rec));
    const int32_t selected = Plat_Dlg_Combo(dialog, item, kPlatComboSelection, 0, nullptr);
    UI_TRY(PlatStatus(Plat_Dlg_Combo(dialog, item, kPlatComboDelete, entry - 1, nullptr)));
    UI_TRY(PlatStatus(Plat_Dlg_Combo(dialog, item, kPlatComboInsert, entry - 1, text ? text : "")));
    if (selected == entry - 1) Plat_Dlg_Combo(dialog, item, kPlatComboSelect, selected, nullptr);
    return kUiOk;
}

int32_t Ui_Popup_SetEntryFlag(void* dialog, int32_t item, int32_t entry, uint8_t flag) {
    UiDlgRec* rec = nullptr;
    UI_TRY(CheckEntry(dialog, item, entry, &rec));
    rec->popups[item - 1].entryFlags[entry - 1] = flag;
    return kUiOk;
}

int32_t Ui_Popup_Link(void* dialog, int32_t item, int32_t linkedItem) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    if (linkedItem < 0 || linkedItem > rec->itemCount) return kUiErrArg;
    rec->popups[item - 1].isPopup = 1;
    rec->popups[item - 1].linkedItem = int16_t(linkedItem);
    return kUiOk;
}

int32_t Ui_Popup_NumberCompanions(void* dialog) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr) return kUiErrGeneral;
    int32_t popupCount = 0;
    for (int32_t i = 0; i < rec->itemCount; ++i) popupCount += rec->popups[i].isPopup ? 1 : 0;
    int32_t k = 0;
    for (int32_t i = 0; i < rec->itemCount; ++i) {
        if (!rec->popups[i].isPopup) continue;
        rec->popups[i].linkedItem = int16_t(rec->itemCount - popupCount + 1 + k);
        ++k;
    }
    return kUiOk;
}

// ---- Controls -----------------------------------------------------------------------------

int32_t Ui_Dlg_GetItemText(void* dialog, int32_t item, char* text, size_t capacity) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    if (text == nullptr || capacity < 1) return kUiErrArg;
    text[0] = 0;
    return PlatStatus(Plat_Dlg_GetText(dialog, item, text, capacity));
}

int32_t Ui_Dlg_SetItemText(void* dialog, int32_t item, const char* text) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    if (text == nullptr) return kUiErrArg;
    // Setting an unchanged text would still repaint the control (and, for an
    // edit field, send a change notification).
    char current[kItemTextCapacity];
    if (Plat_Dlg_GetText(dialog, item, current, sizeof current) >= 0 &&
        std::strcmp(current, text) == 0)
        return kUiOk;
    return PlatStatus(Plat_Dlg_SetText(dialog, item, text));
}

int32_t Ui_Dlg_GetCheck(void* dialog, int32_t item, int32_t* checked) {
    return GetState(dialog, item, kPlatChecked, checked);
}
int32_t Ui_Dlg_SetCheck(void* dialog, int32_t item, int32_t checked) {
    return SetState(dialog, item, kPlatChecked, checked);
}
int32_t Ui_Dlg_Enable(void* dialog, int32_t item, int32_t enabled) {
    return SetState(dialog, item, kPlatEnabled, enabled);
}
int32_t Ui_Dlg_IsShown(void* dialog, int32_t item, int32_t* shown) {
    return GetState(dialog, item, kPlatVisible, shown);
}

int32_t Ui_Dlg_Show(void* dialog, int32_t item, int32_t shown) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    UI_TRY(SetState(dialog, item, kPlatVisible, shown));
    const UiPopup& popup = rec->popups[item - 1];
    if (popup.isPopup && popup.linkedItem >= 1 && popup.linkedItem <= rec->itemCount)
        UI_TRY(SetState(dialog, popup.linkedItem, kPlatVisible, shown));
    return kUiOk;
}

int32_t Ui_Dlg_MoveItem(void* dialog, int32_t item, const UiRect* rect) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    if (rect == nullptr) return kUiErrArg;
    return PlatStatus(Plat_Dlg_SetRect(dialog, item, rect));
}

int32_t Ui_Dlg_SelectAllText(void* dialog, int32_t item) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    return PlatStatus(Plat_Dlg_SelectText(dialog, item));
}

int32_t Ui_Dlg_Focus(void* dialog, int32_t item) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr) return kUiErrGeneral;
    if (item == 0 || item > rec->itemCount) return kUiErrArg;
    const int32_t status = Plat_Dlg_Focus(dialog, item < 0 ? -1 : item);
    return status == kUiErrUnsupported ? status : PlatStatus(status);
}

int32_t Ui_Dlg_SetDefaultButton(void* dialog, int32_t item) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    return PlatStatus(Plat_Dlg_SetDefault(dialog, item));
}

int32_t Ui_Dlg_SetTitle(void* dialog, const char* text) {
    if (Ui_Dlg_Record(dialog) == nullptr) return kUiErrGeneral;
    if (text == nullptr) return kUiErrArg;
    return PlatStatus(Plat_Dlg_SetText(dialog, 0, text));
}

int32_t Ui_Dlg_GetTitle(void* dialog, char* text, size_t capacity) {
    if (Ui_Dlg_Record(dialog) == nullptr) return kUiErrGeneral;
    if (text == nullptr || capacity < 1) return kUiErrArg;
    text[0] = 0;
    return PlatStatus(Plat_Dlg_GetText(dialog, 0, text, capacity));
}

int32_t Ui_Dlg_WindowRect(void* dialog, UiRect* rect) {
    if (Ui_Dlg_Record(dialog) == nullptr) return kUiErrGeneral;
    if (rect == nullptr) return kUiErrArg;
    return PlatStatus(Plat_Dlg_GetRect(dialog, 0, rect));
}

int32_t Ui_Dlg_SetWindowRect(void* dialog, const UiRect* rect) {
    if (Ui_Dlg_Record(dialog) == nullptr) return kUiErrGeneral;
    if (rect == nullptr) return kUiErrArg;
    return PlatStatus(Plat_Dlg_SetRect(dialog, 0, rect));
}

int32_t Ui_Dlg_ClientRect(void* dialog, UiRect* rect) {
    if (Ui_Dlg_Record(dialog) == nullptr) return kUiErrGeneral;
    if (rect == nullptr) return kUiErrArg;
    return PlatStatus(Plat_Dlg_GetRect(dialog, -1, rect));
}

int32_t Ui_Dlg_Bounds_Get(void* dialog, UiRect* rect) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr) return kUiErrGeneral;
    UI_TRY(Ui_Dlg_WindowRect(dialog, rect));
    Ui_Debug_Logf(rec->state ? rec->state->diagnostics : 0, "Ui_Dlg_Bounds_Get: %d,%d %d,%d",
                  int(rect->top), int(rect->left), int(rect->bottom), int(rect->right));
    return kUiOk;
}

int32_t Ui_Dlg_PlainStyle(void* dialog, int32_t item) {
    UiDlgRec* rec = nullptr;
    UI_TRY(Find(dialog, item, &rec));
    Plat_Dlg_PlainTheme(dialog, item);
    return kUiOk;
}

int32_t Ui_Dlg_SetBackground(void* dialog, uint32_t rgb) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr) return kUiErrGeneral;
    rec->customColour = 1;
    rec->background = rgb & 0xFFFFFF;
    Plat_Dlg_FreeObject(rec->dialogBrush);
    Plat_Dlg_FreeObject(rec->controlBrush);
    rec->dialogBrush = nullptr;
    rec->controlBrush = nullptr;
    return PlatStatus(Plat_Dlg_Invalidate(dialog, 0));
}

// ---- Placement ----------------------------------------------------------------------------

void Ui_Dlg_CenterRect(const UiRect* dialog, const UiRect* owner, const UiRect* screen,
                       int32_t* left, int32_t* top) {
    const int32_t width = dialog->right - dialog->left;
    const int32_t height = dialog->bottom - dialog->top;
    const int32_t ownerWidth = owner->right - owner->left;
    const int32_t ownerHeight = owner->bottom - owner->top;
    int32_t x = owner->left + (ownerWidth - width) / 2;
    const int32_t freeHeight = ownerHeight - height;
    int32_t y = owner->top + (freeHeight > 0 ? freeHeight : 0) / 3;
    if (x + width > screen->right) x = screen->right - width;
    if (y + height > screen->bottom) y = screen->bottom - height;
    *left = x < 0 ? 0 : x;
    *top = y < 0 ? 0 : y;
}

int32_t Ui_Dlg_Center(void* dialog) {
    if (Ui_Dlg_Record(dialog) == nullptr) return kUiErrGeneral;
    UiRect window, owner, screen;
    UI_TRY(PlatStatus(Plat_Dlg_GetRect(dialog, 0, &window)));
    UI_TRY(PlatStatus(Plat_ScreenWorkArea(&screen)));
    if (Plat_Dlg_OwnerRect(dialog, &owner) < 0) owner = screen;
    int32_t left = 0, top = 0;
    Ui_Dlg_CenterRect(&window, &owner, &screen, &left, &top);
    const UiRect moved = {int16_t(top), int16_t(left), int16_t(top + window.bottom - window.top),
                          int16_t(left + window.right - window.left)};
    return PlatStatus(Plat_Dlg_SetRect(dialog, 0, &moved));
}
