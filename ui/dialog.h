// The dialog framework: every dialog of the plug-in runs through
// Ui_Dlg_DoModal, which attaches a dialog record to the window and turns the
// window system's messages into calls of a small set of handlers. Owner-drawn
// areas are user items (window class "UiUserItem"); combo boxes serve as
// popup menus numbered from 1. Dialogs are named by their window (a void*);
// every operation that finds the record through the window checks its tag.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resources/string_table.h"

struct UiState;

// A rectangle: top, left, bottom, right.
struct UiRect {
    int16_t top, left, bottom, right;
};

// Handlers, each optional, all receiving the dialog window first.
struct UiDlgProcs {
    int32_t (*init)(void* dialog);                                   // non-zero ends with 2
    int32_t (*idle)(void* dialog);                                   // 1 while done ends
    void (*itemHit)(void* dialog, int32_t item);                     // may set done
    int32_t (*cursor)(void* dialog);                                 // low byte: message result
    void (*preCursor)(void* dialog);                                 // before cursor
    int32_t (*key)(void* dialog, int32_t virtualKey, int32_t ctrl);  // 1 = handled
    int32_t (*shown)(void* dialog);                                  // non-zero ends
    int32_t (*track)(void* dialog, int32_t item, int32_t phase);     // see kUiTrack*
};

// Phases of a press in a user item: 0 at the press (1 = track it), 1 for each
// move while the button is held, 2 at the release (non-zero = handled).
enum UiTrackPhase : int32_t { kUiTrackDown = 0, kUiTrackMove = 1, kUiTrackUp = 2 };

// Draws user item `item`; dc is a drawing context in dialog client coordinates.
using UiUserItemProc = void (*)(void* dialog, int32_t item, void* dc);

struct UiPopup {
    uint8_t isPopup;
    int16_t linkedItem;  // shown and hidden with the popup
    int32_t entryCount;
    uint8_t* entryFlags;  // one byte per entry
};

constexpr uint32_t kUiDlgTag = 0x58527569;  // 'XRui'

struct UiDlgRec {
    uint32_t tag;
    int32_t dialogId;
    UiState* state;
    void* userData;
    void* window;
    int32_t resultItem;
    int32_t currentItem;
    int32_t mouseX, mouseY;  // last event, dialog client coordinates
    uint8_t ctrl, alt, shift;
    uint8_t done;
    uint8_t mouseDown;
    UiDlgProcs procs;
    int32_t itemCount;
    UiUserItemProc* drawProcs;  // per item, index item - 1
    UiPopup* popups;            // per item, index item - 1
    uint8_t customColour;
    uint32_t background;  // 0x00RRGGBB
    void* dialogBrush;
    void* controlBrush;
    void* font;
    uint8_t firstPaintPending;
    uint8_t firstPaintSeen;
    uint8_t timerRunning;
    UiRect bounds;         // window rectangle when initialised (screen)
    UiRect client;         // client rectangle when initialised
    void* previousParent;  // the state's parent window before this dialog
};

// Runs dialog `dialogId` modally over parent (null: the state's owner
// window). init installs the other handlers (Ui_Dlg_SetProcs); the item that
// ended the dialog goes to resultItem. kUiErrGeneral when the dialog could not
// be run.
int32_t Ui_Dlg_DoModal(UiState* state, int32_t dialogId, void* parent,
                       int32_t (*init)(void* dialog), void* userData, int32_t* resultItem);
// Ends the dialog with its result item (the record's resultItem, else the
// current item): stops the idle timer, releases the per-dialog resources.
int32_t Ui_Dlg_End(void* dialog);
// Marks the dialog done with result item `item`; the framework ends it.
int32_t Ui_Dlg_SetDone(void* dialog, int32_t item);

// The record of a dialog window; null when missing or its tag is wrong.
UiDlgRec* Ui_Dlg_Record(void* dialog);
int32_t Ui_Dlg_SetProcs(void* dialog, const UiDlgProcs* procs);
void* Ui_Dlg_UserData(void* dialog);
UiState* Ui_Dlg_State(void* dialog);

// User items.
int32_t Ui_Dlg_SetUserItemProc(void* dialog, int32_t item, UiUserItemProc proc);
int32_t Ui_Dlg_Invalidate(void* dialog, int32_t item);  // item 0: the whole dialog
int32_t Ui_Dlg_ItemRect(void* dialog, int32_t item, UiRect* rect);

// Popup menus (combo boxes), entries numbered from 1; filled from strings in
// the order given.
int32_t Ui_Popup_FillFromStrings(void* dialog, int32_t item, const StringId* ids, int32_t count);
int32_t Ui_Popup_Fill(void* dialog, int32_t item, const char* const* texts, int32_t count);
int32_t Ui_Popup_Get(void* dialog, int32_t item, int32_t* selected);
int32_t Ui_Popup_Select(void* dialog, int32_t item, int32_t entry);
int32_t Ui_Popup_SetEntryText(void* dialog, int32_t item, int32_t entry, const char* text);
int32_t Ui_Popup_SetEntryFlag(void* dialog, int32_t item, int32_t entry, uint8_t flag);
int32_t Ui_Popup_Link(void* dialog, int32_t item, int32_t linkedItem);
// Numbers the companion items of all popups after the dialog's own items:
// the k-th popup (from 0) gets item count - popup count + 1 + k.
int32_t Ui_Popup_NumberCompanions(void* dialog);

// Controls.
int32_t Ui_Dlg_GetItemText(void* dialog, int32_t item, char* text, size_t capacity);
int32_t Ui_Dlg_SetItemText(void* dialog, int32_t item, const char* text);  // only when it differs
int32_t Ui_Dlg_GetCheck(void* dialog, int32_t item, int32_t* checked);
int32_t Ui_Dlg_SetCheck(void* dialog, int32_t item, int32_t checked);
int32_t Ui_Dlg_Enable(void* dialog, int32_t item, int32_t enabled);
int32_t Ui_Dlg_Show(void* dialog, int32_t item, int32_t shown);  // a popup's link follows
int32_t Ui_Dlg_IsShown(void* dialog, int32_t item, int32_t* shown);
int32_t Ui_Dlg_MoveItem(void* dialog, int32_t item, const UiRect* rect);
int32_t Ui_Dlg_SelectAllText(void* dialog, int32_t item);
// kUiErrUnsupported when not in front; item < 0: the dialog.
int32_t Ui_Dlg_Focus(void* dialog, int32_t item);
int32_t Ui_Dlg_SetDefaultButton(void* dialog, int32_t item);
int32_t Ui_Dlg_SetTitle(void* dialog, const char* text);
int32_t Ui_Dlg_GetTitle(void* dialog, char* text, size_t capacity);
int32_t Ui_Dlg_WindowRect(void* dialog, UiRect* rect);  // screen
int32_t Ui_Dlg_SetWindowRect(void* dialog, const UiRect* rect);
int32_t Ui_Dlg_ClientRect(void* dialog, UiRect* rect);
int32_t Ui_Dlg_Bounds_Get(void* dialog, UiRect* rect);  // logged
// Draws the item without visual styles, when the system has them.
int32_t Ui_Dlg_PlainStyle(void* dialog, int32_t item);

// Centres the dialog over its owner (or the screen): horizontally centred,
// one third of the free height above it, kept on the screen.
int32_t Ui_Dlg_Center(void* dialog);
// The placement rule itself: dialog and owner rectangles in screen
// coordinates, the screen's work area; writes the new top-left corner.
void Ui_Dlg_CenterRect(const UiRect* dialog, const UiRect* owner, const UiRect* screen,
                       int32_t* left, int32_t* top);

// Custom colouring of the dialog background and its static and button
// controls (0x00RRGGBB).
int32_t Ui_Dlg_SetBackground(void* dialog, uint32_t rgb);
