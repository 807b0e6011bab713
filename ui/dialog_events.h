// The framework's side of the dialog seam: the backends turn window messages
// (or scripted events) into these calls. Portable code does not call them.
#pragma once

#include <cstdint>

#include "ui/dialog.h"

// Initialisation; non-zero means the dialog must end at once with result 2.
int32_t UiDlg_OnInit(void* window, UiDlgRec* record);
// A font handed over before the next initialisation.
void UiDlg_OnFont(void* font);
// Every other message: the record when the message is to be handled (tag
// right, not done), after the shown handler, the modifier flags, the mouse
// position and the idle handler have run; else null.
UiDlgRec* UiDlg_OnMessage(void* window);
// Notification codes of a command.
enum UiNotify : int32_t {
    kUiNotifyClicked = 0,
    kUiNotifySelChange = 1,
    kUiNotifyKillFocus = 0x200,
    kUiNotifyChange = 0x300,
};
void UiDlg_OnCommand(UiDlgRec* record, int32_t item, int32_t notification);
void UiDlg_OnTimer(UiDlgRec* record);
void UiDlg_OnPaint(UiDlgRec* record);
int32_t UiDlg_OnSetCursor(UiDlgRec* record);
int32_t UiDlg_OnKey(UiDlgRec* record, int32_t virtualKey);

// User items. Each returns 1 when the event was handled, 0 when it goes to
// the system's default handling.
int32_t UiDlg_UserItemPaint(void* window, int32_t item, void* dc);
int32_t UiDlg_UserItemKey(void* window, int32_t item, int32_t virtualKey, int32_t system);
// A left button press at (x, y), dialog client coordinates.
int32_t UiDlg_UserItemPress(void* window, int32_t item, int32_t x, int32_t y);
