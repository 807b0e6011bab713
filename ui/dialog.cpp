// The dialog record and the framework's handling of dialog messages and of
// user-item events (see ui/dialog_events.h for the backends' side).
#include "ui/dialog.h"

#include <cstring>

#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/dialog_events.h"
#include "ui/platform.h"
#include "ui/platform_dialog.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
constexpr int32_t kIdleMilliseconds = 100;
constexpr int32_t kInitFailedResult = 2;
constexpr uint32_t kSystemFaceColour = 0xF0F0F0;

void* gPendingFont = nullptr;

uint8_t Diagnostics(const UiDlgRec* rec) {
    return rec->state ? rec->state->diagnostics : 0;
}

void ReadModifiers(UiDlgRec* rec) {
    rec->ctrl = Plat_KeyDown(kPlatKeyControl) ? 1 : 0;
    rec->alt = Plat_KeyDown(kPlatKeyAlt) ? 1 : 0;
    rec->shift = Plat_KeyDown(kPlatKeyShift) ? 1 : 0;
}

void ReleaseTables(UiDlgRec* rec) {
    if (rec->popups != nullptr)
        for (int32_t i = 0; i < rec->itemCount; ++i) Ui_Free(rec->popups[i].entryFlags);
    Ui_Free(rec->popups);
    Ui_Free(rec->drawProcs);
    rec->popups = nullptr;
    rec->drawProcs = nullptr;
    Plat_Dlg_FreeObject(rec->dialogBrush);
    Plat_Dlg_FreeObject(rec->controlBrush);
    rec->dialogBrush = nullptr;
    rec->controlBrush = nullptr;
}

void EndIfDone(UiDlgRec* rec) {
    if (rec->done) Ui_Dlg_End(rec->window);
}

const char* NotificationName(int32_t notification) {
    switch (notification) {
        case kUiNotifyClicked:
            return "WM_COMMAND : BN_CLICKED";
        case kUiNotifySelChange:
            return "WM_COMMAND : CBN_SELCHANGE";
        case kUiNotifyKillFocus:
            return "WM_COMMAND : EN_KILLFOCUS";
        case kUiNotifyChange:
            return "WM_COMMAND : EN_CHANGE";
        default:
            return nullptr;
    }
}

// The record of a user item's dialog, with the current item, the modifier
// flags and the mouse position brought up to date. changed gets the flags
// that differ from before (1 Control, 2 Alt, 4 Shift).
UiDlgRec* UserItemRecord(void* window, int32_t item, int32_t* changed) {
    UiDlgRec* rec = Ui_Dlg_Record(window);
    if (rec == nullptr) return nullptr;
    rec->currentItem = item;
    const uint8_t ctrl = rec->ctrl, alt = rec->alt, shift = rec->shift;
    ReadModifiers(rec);
    *changed =
        (ctrl != rec->ctrl ? 1 : 0) | (alt != rec->alt ? 2 : 0) | (shift != rec->shift ? 4 : 0);
    return rec;
}
}  // namespace

UiDlgRec* Ui_Dlg_Record(void* dialog) {
    if (dialog == nullptr) return nullptr;
    UiDlgRec* rec = Plat_Dlg_Record(dialog);
    return rec != nullptr && rec->tag == kUiDlgTag ? rec : nullptr;
}

int32_t Ui_Dlg_SetProcs(void* dialog, const UiDlgProcs* procs) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr) return kUiErrGeneral;
    if (procs == nullptr) return kUiErrArg;
    const auto init = rec->procs.init;
    rec->procs = *procs;
    if (rec->procs.init == nullptr) rec->procs.init = init;
    return kUiOk;
}

void* Ui_Dlg_UserData(void* dialog) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    return rec ? rec->userData : nullptr;
}

UiState* Ui_Dlg_State(void* dialog) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    return rec ? rec->state : nullptr;
}

int32_t Ui_Dlg_DoModal(UiState* state, int32_t dialogId, void* parent,
                       int32_t (*init)(void* dialog), void* userData, int32_t* resultItem) {
    if (state == nullptr) return kUiErrArg;
    UiDlgRec* rec = static_cast<UiDlgRec*>(Ui_Malloc(sizeof(UiDlgRec)));
    if (rec == nullptr) return kUiErrMemory;
    std::memset(rec, 0, sizeof *rec);
    rec->tag = kUiDlgTag;
    rec->dialogId = dialogId;
    rec->state = state;
    rec->userData = userData;
    rec->procs.init = init;
    rec->background = kSystemFaceColour;
    rec->previousParent = state->parentWindow;
    int32_t result = 0;
    const int32_t status = Plat_Dlg_Run(state->resourceSource, dialogId,
                                        parent ? parent : state->parentWindow, rec, &result);
    state->parentWindow = rec->previousParent;
    ReleaseTables(rec);
    rec->tag = 0;
    Ui_Free(rec);
    if (status != kUiOk || result < 1) return kUiErrGeneral;
    if (resultItem) *resultItem = result;
    return kUiOk;
}

int32_t Ui_Dlg_SetDone(void* dialog, int32_t item) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr) return kUiErrGeneral;
    rec->done = 1;
    rec->resultItem = item;
    return kUiOk;
}

int32_t Ui_Dlg_End(void* dialog) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr) return kUiErrGeneral;
    if (rec->procs.idle != nullptr && rec->timerRunning) Plat_Dlg_Timer(dialog, 0, 0);
    rec->timerRunning = 0;
    const int32_t result = rec->resultItem > 0 ? rec->resultItem : rec->currentItem;
    rec->resultItem = result;
    rec->done = 1;
    ReleaseTables(rec);
    // Later messages of the closing window find no record.
    Plat_Dlg_SetRecord(dialog, nullptr);
    Plat_Dlg_EndModal(dialog, result);
    return kUiOk;
}

// ---- Messages of the dialog ---------------------------------------------------------------

void UiDlg_OnFont(void* font) {
    gPendingFont = font;
}

int32_t UiDlg_OnInit(void* window, UiDlgRec* rec) {
    if (rec == nullptr) return kInitFailedResult;
    rec->window = window;
    Plat_Dlg_SetRecord(window, rec);
    rec->itemCount = Plat_Dlg_ItemCount(window);
    if (rec->itemCount > 0) {
        const size_t n = size_t(rec->itemCount);
        rec->drawProcs = static_cast<UiUserItemProc*>(Ui_MallocArray(n, sizeof(UiUserItemProc)));
        if (rec->drawProcs != nullptr) std::memset(rec->drawProcs, 0, n * sizeof(UiUserItemProc));
        rec->popups = static_cast<UiPopup*>(Ui_MallocArray(n, sizeof(UiPopup)));
        if (rec->popups != nullptr) std::memset(rec->popups, 0, n * sizeof(UiPopup));
        if (rec->drawProcs == nullptr || rec->popups == nullptr) {
            Ui_Debug_Logf(1, "dlg %d: out of memory for %d items", int(rec->dialogId),
                          int(rec->itemCount));
            ReleaseTables(rec);
            Plat_Dlg_SetRecord(window, nullptr);
            return kInitFailedResult;
        }
    }
    rec->font = gPendingFont;
    gPendingFont = nullptr;
    Plat_Dlg_GetRect(window, 0, &rec->bounds);
    Plat_Dlg_GetRect(window, -1, &rec->client);
    // Alerts and file dialogs opened from here belong to this dialog.
    rec->state->parentWindow = window;
    ReadModifiers(rec);
    if (rec->procs.init != nullptr && rec->procs.init(window) != 0) {
        ReleaseTables(rec);
        Plat_Dlg_SetRecord(window, nullptr);
        return kInitFailedResult;
    }
    if (rec->procs.idle != nullptr && !rec->done)
        rec->timerRunning = Plat_Dlg_Timer(window, 1, kIdleMilliseconds) == kUiOk ? 1 : 0;
    return kUiOk;
}

UiDlgRec* UiDlg_OnMessage(void* window) {
    UiDlgRec* rec = Ui_Dlg_Record(window);
    if (rec == nullptr || rec->done) return nullptr;
    if (rec->firstPaintPending) {
        rec->firstPaintPending = 0;
        if (rec->procs.shown != nullptr && rec->procs.shown(window) != 0) {
            rec->done = 1;
            Ui_Dlg_End(window);
            return nullptr;
        }
    }
    ReadModifiers(rec);
    int32_t x = 0, y = 0;
    Plat_Dlg_CursorPos(window, &x, &y);
    rec->mouseX = x;
    rec->mouseY = y;
    if (rec->procs.idle != nullptr && rec->procs.idle(window) == 1 && rec->done) {
        Ui_Dlg_End(window);
        return nullptr;
    }
    return rec->done ? nullptr : rec;
}

void UiDlg_OnCommand(UiDlgRec* rec, int32_t item, int32_t notification) {
    const char* name = NotificationName(notification);
    if (name == nullptr) return;  // other notifications reach no handler
    const uint8_t level = Diagnostics(rec);
    Ui_Debug_Logf(level, "modal %d item = %d, (%d,%d)", int(rec->dialogId), int(item),
                  int(rec->mouseX), int(rec->mouseY));
    Ui_Debug_Log(level, name);
    rec->currentItem = item;
    if (rec->procs.itemHit != nullptr) rec->procs.itemHit(rec->window, item);
    EndIfDone(rec);
}

void UiDlg_OnTimer(UiDlgRec* rec) {
    if (rec->procs.idle != nullptr && !rec->done)
        rec->timerRunning = Plat_Dlg_Timer(rec->window, 1, kIdleMilliseconds) == kUiOk ? 1 : 0;
}

void UiDlg_OnPaint(UiDlgRec* rec) {
    if (rec->firstPaintSeen) return;
    rec->firstPaintSeen = 1;
    rec->firstPaintPending = 1;
}

int32_t UiDlg_OnSetCursor(UiDlgRec* rec) {
    if (rec->procs.preCursor != nullptr) rec->procs.preCursor(rec->window);
    return rec->procs.cursor != nullptr ? rec->procs.cursor(rec->window) & 0xFF : 0;
}

int32_t UiDlg_OnKey(UiDlgRec* rec, int32_t virtualKey) {
    if (rec->procs.key == nullptr) return 0;
    const int32_t handled = rec->procs.key(rec->window, virtualKey & 0xFF, rec->ctrl);
    EndIfDone(rec);
    return handled == 1 ? 1 : 0;
}

// ---- User items ---------------------------------------------------------------------------

int32_t UiDlg_UserItemPaint(void* window, int32_t item, void* dc) {
    int32_t changed = 0;
    UiDlgRec* rec = UserItemRecord(window, item, &changed);
    if (rec == nullptr || item < 1 || item > rec->itemCount || rec->drawProcs == nullptr) return 0;
    UiUserItemProc proc = rec->drawProcs[item - 1];
    if (proc == nullptr) return 0;
    proc(window, item, dc);
    return 1;
}

int32_t UiDlg_UserItemKey(void* window, int32_t item, int32_t virtualKey, int32_t system) {
    int32_t changed = 0;
    UiDlgRec* rec = UserItemRecord(window, item, &changed);
    if (rec == nullptr || rec->done) return 0;
    Plat_Dlg_CursorPos(window, &rec->mouseX, &rec->mouseY);
    int32_t handled = 0;
    if (rec->procs.key != nullptr)
        handled = rec->procs.key(window, virtualKey & 0xFF, rec->ctrl) == 1 ? 1 : 0;
    const int32_t watched = system ? 2 : (1 | 4);
    if ((changed & watched) != 0 && rec->procs.cursor != nullptr && !rec->done)
        rec->procs.cursor(window);
    EndIfDone(rec);
    return handled;
}

int32_t UiDlg_UserItemPress(void* window, int32_t item, int32_t x, int32_t y) {
    int32_t changed = 0;
    UiDlgRec* rec = UserItemRecord(window, item, &changed);
    if (rec == nullptr || rec->done) return 0;
    const uint8_t level = Diagnostics(rec);
    rec->mouseX = x;
    rec->mouseY = y;
    Ui_Debug_Logf(level, "dlg %d user item %d, (%d,%d)", int(rec->dialogId), int(item), int(x),
                  int(y));
    rec->mouseDown = 1;
    const bool tracked =
        rec->procs.track != nullptr && rec->procs.track(window, item, kUiTrackDown) == 1;
    if (tracked) {
        Plat_Dlg_Capture(window, 1);
        while (Plat_Dlg_TrackMouse(window, &rec->mouseX, &rec->mouseY) == 1) {
            ReadModifiers(rec);
            rec->procs.track(window, item, kUiTrackMove);
        }
        rec->mouseDown = 0;
        ReadModifiers(rec);
        const int32_t handled = rec->procs.track(window, item, kUiTrackUp);
        Plat_Dlg_Capture(window, 0);
        if (handled != 0) {
            Ui_Debug_Logf(level, "...handled, item %d, (%d,%d)", int(item), int(rec->mouseX),
                          int(rec->mouseY));
            EndIfDone(rec);
            return 1;
        }
    }
    rec->mouseDown = 0;
    // A press the track handler did not take becomes an item hit.
    Ui_Debug_Logf(level, "...not handled yet, item %d, (%d,%d)", int(item), int(rec->mouseX),
                  int(rec->mouseY));
    if (rec->procs.itemHit != nullptr) rec->procs.itemHit(window, item);
    EndIfDone(rec);
    return 1;
}
