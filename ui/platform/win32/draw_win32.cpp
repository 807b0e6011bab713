// Win32 backend: drawing into dialogs and user items (GDI), icons, bitmaps,
// the offscreen image blit, cursors and the shell.
#include <windows.h>

#include <shellapi.h>

#include <cstring>

#include "resources/pictures.h"
#include "ui/allocator.h"
#include "ui/cursor.h"
#include "ui/debug_log.h"
#include "ui/draw.h"
#include "ui/platform.h"
#include "ui/platform/win32/win32_internal.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

namespace {
constexpr LONG kPixelsPerMetre = 2800;

// A drawing context in dialog client coordinates: the item's device context
// with its origin moved to the dialog's, the dialog font selected.
struct Win32Dc {
    HDC dc;
    HWND target;
    HWND dialog;
    bool released;  // taken with GetDC (released by Plat_Draw_End)
    HGDIOBJ oldFont;
};

COLORREF Colour(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

Win32Dc* Dc(void* dc) {
    return static_cast<Win32Dc*>(dc);
}

HICON LoadIconFor(int32_t iconId) {
    switch (iconId) {
        case kUiIconStop:
            return LoadIconA(nullptr, MAKEINTRESOURCEA(32513));  // IDI_HAND
        case kUiIconCaution:
            return LoadIconA(nullptr, MAKEINTRESOURCEA(32515));  // IDI_EXCLAMATION
        case kUiIconNote:
            return LoadIconA(nullptr, MAKEINTRESOURCEA(32516));  // IDI_ASTERISK
        default:
            return static_cast<HICON>(LoadImageA(Win32_ResourceInstance(), MAKEINTRESOURCEA(iconId),
                                                 IMAGE_ICON, 0, 0, LR_SHARED));
    }
}
}  // namespace

HINSTANCE Win32_ResourceInstance() {
    return gWin32ResourceInstance ? gWin32ResourceInstance
                                  : static_cast<HINSTANCE>(Plat_ModuleInstance());
}

void Win32_PrepareDc(void* dcOut, HDC dc, HWND target, HWND dialog) {
    Win32Dc* d = Dc(dcOut);
    d->dc = dc;
    d->target = target;
    d->dialog = dialog;
    d->released = false;
    if (target != dialog) {
        RECT r;
        GetWindowRect(target, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        SetViewportOrgEx(dc, -r.left, -r.top, nullptr);
    }
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    d->oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
}

size_t Win32_DcSize() {
    return sizeof(Win32Dc);
}

void Win32_FinishDc(void* dcIn) {
    Win32Dc* d = Dc(dcIn);
    if (d->oldFont) SelectObject(d->dc, d->oldFont);
}

void* Plat_Draw_Begin(void* window, int32_t item) {
    HWND dialog = static_cast<HWND>(window);
    HWND target = item == 0 ? dialog : GetDlgItem(dialog, item);
    if (target == nullptr) return nullptr;
    Win32Dc* d = static_cast<Win32Dc*>(Ui_Malloc(sizeof(Win32Dc)));
    if (d == nullptr) return nullptr;
    HDC dc = GetDC(target);
    if (dc == nullptr) {
        Ui_Free(d);
        return nullptr;
    }
    Win32_PrepareDc(d, dc, target, dialog);
    d->released = true;
    return d;
}

void Plat_Draw_End(void* dc) {
    Win32Dc* d = Dc(dc);
    Win32_FinishDc(d);
    if (d->released) ReleaseDC(d->target, d->dc);
    Ui_Free(d);
}

int32_t Plat_Draw_Text(void* dc, const UiRect* rect, const char* text, int32_t flags) {
    RECT r = {rect->left, rect->top, rect->right, rect->bottom};
    UINT format = DT_NOPREFIX | ((flags & kUiTextWrap) ? DT_WORDBREAK : DT_SINGLELINE);
    if ((flags & 3) == kUiTextCentre) format |= DT_CENTER;
    if ((flags & 3) == kUiTextRight) format |= DT_RIGHT;
    RECT measured = r;
    const int height = DrawTextA(Dc(dc)->dc, text, -1, &measured, format | DT_CALCRECT);
    if ((flags & kUiTextMeasure) == 0) DrawTextA(Dc(dc)->dc, text, -1, &r, format);
    return height;
}

int32_t Plat_Draw_TextWidth(void* dc, const char* text) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(Dc(dc)->dc, text, int(std::strlen(text)), &size);
    return size.cx;
}

int32_t Plat_Draw_LineHeight(void* dc) {
    TEXTMETRICA metrics;
    if (!GetTextMetricsA(Dc(dc)->dc, &metrics)) return 13;
    return metrics.tmHeight + metrics.tmExternalLeading;
}

void Plat_Draw_Rect(void* dc, const UiRect* rect, uint32_t rgb, int32_t filled) {
    const RECT r = {rect->left, rect->top, rect->right, rect->bottom};
    HBRUSH brush = CreateSolidBrush(Colour(rgb));
    if (filled) {
        FillRect(Dc(dc)->dc, &r, brush);
    } else {
        FrameRect(Dc(dc)->dc, &r, brush);
    }
    DeleteObject(brush);
}

// The dialog's brush: its own when it has a background colour of its own
// (it answers the static controls' colour message with it), else the
// system's face colour.
void Plat_Draw_Erase(void* dc, const UiRect* rect) {
    const Win32Dc* d = Dc(dc);
    const RECT r = {rect->left, rect->top, rect->right, rect->bottom};
    HBRUSH brush = nullptr;
    if (d->dialog != nullptr)
        brush = reinterpret_cast<HBRUSH>(SendMessageA(d->dialog, WM_CTLCOLORSTATIC,
                                                      reinterpret_cast<WPARAM>(d->dc),
                                                      reinterpret_cast<LPARAM>(d->target)));
    if (brush == nullptr) brush = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(d->dc, &r, brush);
}

void Plat_Draw_Polyline(void* dc, const int32_t* xy, int32_t count, uint32_t rgb) {
    HPEN pen = CreatePen(PS_SOLID, 1, Colour(rgb));
    HGDIOBJ old = SelectObject(Dc(dc)->dc, pen);
    MoveToEx(Dc(dc)->dc, xy[0], xy[1], nullptr);
    for (int32_t i = 1; i < count; ++i) LineTo(Dc(dc)->dc, xy[2 * i], xy[2 * i + 1]);
    SelectObject(Dc(dc)->dc, old);
    DeleteObject(pen);
}

void Plat_Draw_XorFrame(void* dc, const UiRect* rect) {
    HDC hdc = Dc(dc)->dc;
    const int oldMode = SetROP2(hdc, R2_NOT);
    HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(BLACK_PEN));
    Rectangle(hdc, rect->left, rect->top, rect->right, rect->bottom);
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    SetROP2(hdc, oldMode);
}

void* Plat_Draw_NativeContext(void* dc) {
    return Dc(dc)->dc;
}

int32_t Plat_Draw_IconSize(int32_t iconId, int32_t* width, int32_t* height) {
    HICON icon = LoadIconFor(iconId);
    ICONINFO info;
    if (icon == nullptr || !GetIconInfo(icon, &info)) return kUiErrArg;
    BITMAP bm = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    *width = bm.bmWidth;
    *height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return kUiOk;
}

int32_t Plat_Draw_Icon(void* dc, int32_t x, int32_t y, int32_t iconId) {
    HICON icon = LoadIconFor(iconId);
    if (icon == nullptr) return kUiErrArg;
    return DrawIconEx(Dc(dc)->dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL) ? kUiOk : kUiErrGeneral;
}

// Pixels of the key colour are left as they were: a monochrome mask of them
// keeps the destination there (AND) and clears it elsewhere, and the bitmap,
// its key pixels made black, is then laid over it (OR).
int32_t Plat_Draw_Bitmap(void* dc, int32_t x, int32_t y, int32_t bitmapId) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(Win32_ResourceInstance(), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, 0));
    if (bitmap == nullptr) return kUiErrArg;
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    const int w = bm.bmWidth, h = bm.bmHeight;
    HDC target = Dc(dc)->dc;
    HDC image = CreateCompatibleDC(target);
    HDC mask = CreateCompatibleDC(target);
    HBITMAP maskBits = CreateBitmap(w, h, 1, 1, nullptr);
    BOOL drawn = FALSE;
    if (image && mask && maskBits) {
        HGDIOBJ oldImage = SelectObject(image, bitmap);
        HGDIOBJ oldMask = SelectObject(mask, maskBits);
        const COLORREF key = RGB((kPictureKeyColour >> 16) & 0xFF, (kPictureKeyColour >> 8) & 0xFF,
                                 kPictureKeyColour & 0xFF);
        // Colour to monochrome: the background colour becomes 1, all else 0.
        SetBkColor(image, key);
        drawn = BitBlt(mask, 0, 0, w, h, image, 0, 0, SRCCOPY);
        // Monochrome to colour: 1 becomes the background colour, 0 the text colour.
        SetBkColor(image, RGB(0, 0, 0));
        SetTextColor(image, RGB(255, 255, 255));
        drawn = drawn && BitBlt(image, 0, 0, w, h, mask, 0, 0, SRCAND);
        const COLORREF oldBk = SetBkColor(target, RGB(255, 255, 255));
        const COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));
        drawn = drawn && BitBlt(target, x, y, w, h, mask, 0, 0, SRCAND) &&
                BitBlt(target, x, y, w, h, image, 0, 0, SRCPAINT);
        SetBkColor(target, oldBk);
        SetTextColor(target, oldText);
        SelectObject(mask, oldMask);
        SelectObject(image, oldImage);
    }
    if (maskBits) DeleteObject(maskBits);
    if (mask) DeleteDC(mask);
    if (image) DeleteDC(image);
    DeleteObject(bitmap);
    return drawn ? kUiOk : kUiErrGeneral;
}

int32_t Plat_Draw_Image(void* dc, const UiRect* rect, const uint8_t* rgb, int32_t width,
                        int32_t height, int32_t rowBytes) {
    HDC target = Dc(dc)->dc;
    // The device-independent bitmap holds blue, green, red.
    UiOwned<uint8_t> bgr(static_cast<uint8_t*>(Ui_MallocArray(size_t(rowBytes), size_t(height))));
    if (!bgr) return kUiErrMemory;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = rgb + size_t(y) * size_t(rowBytes);
        uint8_t* d = bgr.get() + size_t(y) * size_t(rowBytes);
        for (int32_t x = 0; x < width; ++x) {
            d[3 * x] = s[3 * x + 2];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x];
        }
    }
    HDC memory = CreateCompatibleDC(target);
    if (memory == nullptr) {
        Ui_Debug_Logf(1, "Error %d creating compatible context", int(GetLastError()));
        return kUiErrGeneral;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    if (bitmap == nullptr) {
        Ui_Debug_Logf(1, "Error %d creating compatible bitmap", int(GetLastError()));
        DeleteDC(memory);
        return kUiErrGeneral;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biXPelsPerMeter = kPixelsPerMetre;
    info.bmiHeader.biYPelsPerMeter = kPixelsPerMetre;
    int32_t status = kUiOk;
    const int rows = SetDIBits(target, bitmap, 0, UINT(height), bgr.get(), &info, DIB_RGB_COLORS);
    HGDIOBJ old = nullptr;
    if (rows == 0) {
        Ui_Debug_Logf(1, "SetDIBits error %d", int(GetLastError()));
        status = kUiErrGeneral;
    } else if ((old = SelectObject(memory, bitmap)) == nullptr) {
        Ui_Debug_Log(1, "Error selecting bitmap");
        status = kUiErrGeneral;
    } else {
        BitBlt(target, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
               memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    return status;
}

int32_t Plat_SetCursor(int32_t cursor) {
    HCURSOR handle = nullptr;
    if (cursor == kUiCursorArrow) {
        handle = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    } else if (cursor == kUiCursorWait) {
        handle = LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));  // IDC_WAIT
    } else {
        handle = LoadCursorA(Win32_ResourceInstance(), MAKEINTRESOURCEA(cursor));
    }
    if (handle == nullptr) return kUiErrArg;
    SetCursor(handle);
    return kUiOk;
}

int32_t Plat_OpenUrl(const char* address) {
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
    return int32_t(reinterpret_cast<intptr_t>(result));
}
