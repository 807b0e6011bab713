// The platform seam of the dialog framework: running a dialog from its
// resource, its controls, timers, the mouse, drawing, cursors and the shell.
// The Win32 backend drives real windows; the headless backend keeps a model
// of each dialog built from the same dialog table and feeds it scripted
// events. Both call back into the framework through ui/dialog_events.h.
#pragma once

#include <cstddef>
#include <cstdint>

struct UiDlgRec;
struct UiRect;

// Runs the dialog modally; result gets the value it was ended with.
// kUiErrGeneral when it could not be created.
int32_t Plat_Dlg_Run(void* instance, int32_t dialogId, void* parent, UiDlgRec* record,
                     int32_t* result);
// Creates the dialog without showing it, hands it to measure (which reads its
// rectangles with Plat_Dlg_GetRect) and destroys it. Returns what measure
// returned, or kUiErrGeneral when the dialog could not be created.
int32_t Plat_Dlg_Measure(void* instance, int32_t dialogId,
                         int32_t (*measure)(void* window, void* context), void* context);
void Plat_Dlg_EndModal(void* window, int32_t result);
UiDlgRec* Plat_Dlg_Record(void* window);
void Plat_Dlg_SetRecord(void* window, UiDlgRec* record);
int32_t Plat_Dlg_ItemCount(void* window);

enum PlatItemState : int32_t { kPlatChecked, kPlatVisible, kPlatEnabled };
int32_t Plat_Dlg_ItemState(void* window, int32_t item, int32_t what);  // 0/1, -1 no item
int32_t Plat_Dlg_SetItemState(void* window, int32_t item, int32_t what, int32_t value);
// item 0 is the window's own text (its title).
int32_t Plat_Dlg_GetText(void* window, int32_t item, char* text, size_t capacity);
int32_t Plat_Dlg_SetText(void* window, int32_t item, const char* text);
// Rectangles: items in client coordinates, item 0 the window in screen
// coordinates, item -1 the client area.
int32_t Plat_Dlg_GetRect(void* window, int32_t item, UiRect* rect);
int32_t Plat_Dlg_SetRect(void* window, int32_t item, const UiRect* rect);
// The owner window's rectangle, or the screen's when there is none.
int32_t Plat_Dlg_OwnerRect(void* window, UiRect* rect);
int32_t Plat_ScreenWorkArea(UiRect* rect);
int32_t Plat_Dlg_Invalidate(void* window, int32_t item);
int32_t Plat_Dlg_SelectText(void* window, int32_t item);
// kUiErrUnsupported when the dialog is not the foreground window; item < 0 is the dialog.
int32_t Plat_Dlg_Focus(void* window, int32_t item);
int32_t Plat_Dlg_SetDefault(void* window, int32_t item);
void Plat_Dlg_PlainTheme(void* window, int32_t item);
// Releases a brush or other drawing object the backend made for a record.
void Plat_Dlg_FreeObject(void* object);

enum PlatComboOp : int32_t {
    kPlatComboReset,
    kPlatComboAdd,
    kPlatComboDelete,  // entry index from 0
    kPlatComboInsert,  // before index
    kPlatComboSelect,  // index, -1 for none
    kPlatComboSelection,
    kPlatComboCount,
};
int32_t Plat_Dlg_Combo(void* window, int32_t item, int32_t op, int32_t index, const char* text);

int32_t Plat_Dlg_Timer(void* window, int32_t start, int32_t milliseconds);
void Plat_Dlg_CursorPos(void* window, int32_t* x, int32_t* y);  // client coordinates
void Plat_Dlg_Capture(void* window, int32_t on);
// The nested wait of a mouse track: 1 with the new position after a move,
// 0 with the position of the release.
int32_t Plat_Dlg_TrackMouse(void* window, int32_t* x, int32_t* y);

// Drawing (see ui/draw.h for the meaning).
void* Plat_Draw_Begin(void* window, int32_t item);
void Plat_Draw_End(void* dc);
int32_t Plat_Draw_Text(void* dc, const UiRect* rect, const char* text, int32_t flags);
int32_t Plat_Draw_TextWidth(void* dc, const char* text);
int32_t Plat_Draw_LineHeight(void* dc);
void Plat_Draw_Rect(void* dc, const UiRect* rect, uint32_t rgb, int32_t filled);
void Plat_Draw_Erase(void* dc, const UiRect* rect);
void Plat_Draw_Polyline(void* dc, const int32_t* xy, int32_t count, uint32_t rgb);
int32_t Plat_Draw_IconSize(int32_t iconId, int32_t* width, int32_t* height);
int32_t Plat_Draw_Icon(void* dc, int32_t x, int32_t y, int32_t iconId);
int32_t Plat_Draw_Bitmap(void* dc, int32_t x, int32_t y, int32_t bitmapId);
void Plat_Draw_XorFrame(void* dc, const UiRect* rect);
void* Plat_Draw_NativeContext(void* dc);
int32_t Plat_Draw_Image(void* dc, const UiRect* rect, const uint8_t* rgb, int32_t width,
                        int32_t height, int32_t rowBytes);

// Cursors (ui/cursor.h ids).
int32_t Plat_SetCursor(int32_t cursor);

// Opens an address with the user's default program. Like the shell's own
// call: a number above 32 is success, 32 or less the failure's code.
int32_t Plat_OpenUrl(const char* address);
