// Drawing into dialogs and their user items. A drawing context (dc) is the
// one a user item's drawing procedure receives, or one taken with
// Ui_Draw_Begin; coordinates are the dialog's client coordinates.
#pragma once

#include <cstdint>

#include "ui/dialog.h"

// Text placement flags.
enum UiTextFlags : int32_t {
    kUiTextLeft = 0,
    kUiTextCentre = 1,
    kUiTextRight = 2,
    kUiTextWrap = 4,     // wrap at word breaks to the rectangle's width
    kUiTextMeasure = 8,  // compute the height only, draw nothing
};

// System icons of the alert kinds; other ids are icon resources.
enum UiSystemIcon : int32_t { kUiIconStop = -1, kUiIconCaution = -2, kUiIconNote = -3 };

// A context for drawing outside a paint (item 0: the dialog itself).
void* Ui_Draw_Begin(void* dialog, int32_t item);
void Ui_Draw_End(void* dc);

// Draws text in rect; returns the height the text takes (wrapped when asked).
int32_t Ui_Draw_Text(void* dc, const UiRect* rect, const char* text, int32_t flags);
int32_t Ui_Draw_TextWidth(void* dc, const char* text);
int32_t Ui_Draw_LineHeight(void* dc);
void Ui_Draw_Rect(void* dc, const UiRect* rect, uint32_t rgb, int32_t filled);
// Fills rect with the dialog's background, as erasing does: what is drawn
// anew over it (a value's text) then shows nothing of what was there.
void Ui_Draw_Erase(void* dc, const UiRect* rect);
void Ui_Draw_Line(void* dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t rgb);
// Connected line segments through count points (x, y pairs).
void Ui_Draw_Polyline(void* dc, const int32_t* xy, int32_t count, uint32_t rgb);
// Width and height of an icon (id from UiSystemIcon or a resource id).
int32_t Ui_Draw_IconSize(int32_t iconId, int32_t* width, int32_t* height);
int32_t Ui_Draw_Icon(void* dc, int32_t x, int32_t y, int32_t iconId);
int32_t Ui_Draw_Bitmap(void* dc, int32_t x, int32_t y, int32_t bitmapId);
// Inverts the pixels of rect's one-pixel outline; drawing the same outline
// again restores them, so it can be removed without redrawing what lies
// under it.
void Ui_Draw_XorFrame(void* dc, const UiRect* rect);
// The window system's own drawing context behind dc (for a host that draws
// into the dialog itself), or null.
void* Ui_Draw_NativeContext(void* dc);
// Blits an interleaved 8-bit RGB image (rowBytes a multiple of 4) into rect
// through an offscreen bitmap.
int32_t Ui_Draw_Image(void* dc, const UiRect* rect, const uint8_t* rgb, int32_t width,
                      int32_t height, int32_t rowBytes);
