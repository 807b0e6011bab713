// Drawing operations and cursors: thin forms of the platform's calls, with
// their arguments checked here once.
#include "ui/draw.h"

#include "ui/cursor.h"
#include "ui/debug_log.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

namespace {
int32_t gCursor = kUiCursorArrow;
}  // namespace

void* Ui_Draw_Begin(void* dialog, int32_t item) {
    UiDlgRec* rec = Ui_Dlg_Record(dialog);
    if (rec == nullptr || item < 0 || item > rec->itemCount) return nullptr;
    return Plat_Draw_Begin(dialog, item);
}

void Ui_Draw_End(void* dc) {
    if (dc != nullptr) Plat_Draw_End(dc);
}

int32_t Ui_Draw_Text(void* dc, const UiRect* rect, const char* text, int32_t flags) {
    if (dc == nullptr || rect == nullptr || text == nullptr) return 0;
    return Plat_Draw_Text(dc, rect, text, flags);
}

int32_t Ui_Draw_TextWidth(void* dc, const char* text) {
    return dc != nullptr && text != nullptr ? Plat_Draw_TextWidth(dc, text) : 0;
}

int32_t Ui_Draw_LineHeight(void* dc) {
    return dc != nullptr ? Plat_Draw_LineHeight(dc) : 0;
}

void Ui_Draw_Rect(void* dc, const UiRect* rect, uint32_t rgb, int32_t filled) {
    if (dc != nullptr && rect != nullptr) Plat_Draw_Rect(dc, rect, rgb, filled);
}

void Ui_Draw_Line(void* dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t rgb) {
    const int32_t xy[4] = {x0, y0, x1, y1};
    Ui_Draw_Polyline(dc, xy, 2, rgb);
}

void Ui_Draw_Polyline(void* dc, const int32_t* xy, int32_t count, uint32_t rgb) {
    if (dc != nullptr && xy != nullptr && count >= 2) Plat_Draw_Polyline(dc, xy, count, rgb);
}

void Ui_Draw_Erase(void* dc, const UiRect* rect) {
    if (dc != nullptr && rect != nullptr) Plat_Draw_Erase(dc, rect);
}

void Ui_Draw_XorFrame(void* dc, const UiRect* rect) {
    if (dc != nullptr && rect != nullptr && rect->right > rect->left && rect->bottom > rect->top)
        Plat_Draw_XorFrame(dc, rect);
}

void* Ui_Draw_NativeContext(void* dc) {
    return dc != nullptr ? Plat_Draw_NativeContext(dc) : nullptr;
}

int32_t Ui_Draw_IconSize(int32_t iconId, int32_t* width, int32_t* height) {
    if (width == nullptr || height == nullptr) return kUiErrArg;
    return Plat_Draw_IconSize(iconId, width, height);
}

int32_t Ui_Draw_Icon(void* dc, int32_t x, int32_t y, int32_t iconId) {
    if (dc == nullptr) return kUiErrArg;
    return Plat_Draw_Icon(dc, x, y, iconId);
}

int32_t Ui_Draw_Bitmap(void* dc, int32_t x, int32_t y, int32_t bitmapId) {
    if (dc == nullptr) return kUiErrArg;
    return Plat_Draw_Bitmap(dc, x, y, bitmapId);
}

int32_t Ui_Draw_Image(void* dc, const UiRect* rect, const uint8_t* rgb, int32_t width,
                      int32_t height, int32_t rowBytes) {
    if (dc == nullptr || rect == nullptr || rgb == nullptr || width < 1 || height < 1 ||
        rowBytes < width * 3 || rowBytes % 4 != 0)
        return kUiErrArg;
    return Plat_Draw_Image(dc, rect, rgb, width, height, rowBytes);
}

int32_t Ui_Cursor_Set(int32_t cursor) {
    const int32_t status = Plat_SetCursor(cursor);
    if (status == kUiOk) gCursor = cursor;
    return status;
}

int32_t Ui_Cursor_Current() {
    return gCursor;
}
