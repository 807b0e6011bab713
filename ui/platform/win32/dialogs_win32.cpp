// Win32 backend: modal dialogs from the module's dialog resources, their
// dialog procedure, controls, timers and the mouse.
#include <windows.h>

#include <cstring>

#include "ui/dialog.h"
#include "ui/dialog_events.h"
#include "ui/platform/win32/win32_internal.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

namespace {
constexpr char kItemCountProperty[] = "UiItemCount";
constexpr UINT_PTR kIdleTimer = 1;

// Set by Plat_Dlg_Run for the initialisation of the dialog it creates.
int32_t gPendingItemCount = 0;

HWND Item(void* window, int32_t item) {
    return GetDlgItem(static_cast<HWND>(window), item);
}

// The number of controls of a dialog resource (DLGTEMPLATEEX or DLGTEMPLATE).
int32_t TemplateItemCount(HINSTANCE instance, int32_t dialogId) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(dialogId), MAKEINTRESOURCEA(5));
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const BYTE* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr || SizeofResource(instance, found) < 18) return -1;
    WORD version, signature, count;
    std::memcpy(&version, bytes, 2);
    std::memcpy(&signature, bytes + 2, 2);
    std::memcpy(&count, version == 1 && signature == 0xFFFF ? bytes + 16 : bytes + 8, 2);
    return count;
}

UiRect FromRect(const RECT& r) {
    return UiRect{int16_t(r.top), int16_t(r.left), int16_t(r.bottom), int16_t(r.right)};
}

INT_PTR ColourMessage(UiDlgRec* rec, UINT message, HDC dc) {
    if (!rec->customColour) return FALSE;
    const COLORREF colour =
        RGB((rec->background >> 16) & 0xFF, (rec->background >> 8) & 0xFF, rec->background & 0xFF);
    void** brush = message == WM_CTLCOLORDLG ? &rec->dialogBrush : &rec->controlBrush;
    if (*brush == nullptr) *brush = CreateSolidBrush(colour);
    SetBkColor(dc, colour);
    return reinterpret_cast<INT_PTR>(*brush);
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetPropA(window, kItemCountProperty, reinterpret_cast<HANDLE>(intptr_t(gPendingItemCount)));
        if (wParam != 0) SetFocus(reinterpret_cast<HWND>(wParam));
        UiDlgRec* rec = reinterpret_cast<UiDlgRec*>(lParam);
        if (rec == nullptr || UiDlg_OnInit(window, rec) != kUiOk) EndDialog(window, 2);
        return FALSE;  // the focus has been set
    }
    if (message == WM_SETFONT) {
        UiDlg_OnFont(reinterpret_cast<void*>(wParam));
        return FALSE;
    }
    if (message == WM_NCDESTROY) RemovePropA(window, kItemCountProperty);
    UiDlgRec* rec = UiDlg_OnMessage(window);
    if (rec == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            UiDlg_OnCommand(rec, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_TIMER:
            if (wParam != kIdleTimer) return FALSE;
            UiDlg_OnTimer(rec);
            return TRUE;
        case WM_PAINT:
            UiDlg_OnPaint(rec);
            return FALSE;
        case WM_SETCURSOR: {
            if (rec->procs.cursor == nullptr && rec->procs.preCursor == nullptr) return FALSE;
            const int32_t result = UiDlg_OnSetCursor(rec);
            SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
            return result != 0;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return UiDlg_OnKey(rec, int32_t(wParam));
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return ColourMessage(rec, message, reinterpret_cast<HDC>(wParam));
        default:
            return FALSE;
    }
}
// The procedure of a dialog created only to be measured: it takes no part.
INT_PTR CALLBACK MeasureProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}
}  // namespace

HINSTANCE gWin32ResourceInstance = nullptr;

int32_t Plat_Dlg_Run(void* instance, int32_t dialogId, void* parent, UiDlgRec* record,
                     int32_t* result) {
    HINSTANCE module = static_cast<HINSTANCE>(instance);
    const int32_t count = TemplateItemCount(module, dialogId);
    if (count < 0) return kUiErrGeneral;
    HINSTANCE previous = gWin32ResourceInstance;
    gWin32ResourceInstance = module;
    gPendingItemCount = count;
    const INT_PTR ended =
        DialogBoxParamA(module, MAKEINTRESOURCEA(dialogId), static_cast<HWND>(parent), DialogProc,
                        reinterpret_cast<LPARAM>(record));
    gWin32ResourceInstance = previous;
    if (ended == -1 || ended == 0) return kUiErrGeneral;
    if (result) *result = int32_t(ended);
    return kUiOk;
}

int32_t Plat_Dlg_Measure(void* instance, int32_t dialogId,
                         int32_t (*measure)(void* window, void* context), void* context) {
    HINSTANCE module = static_cast<HINSTANCE>(instance);
    HINSTANCE previous = gWin32ResourceInstance;
    gWin32ResourceInstance = module;
    // The templates carry no visible style, so the window stays hidden.
    HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(dialogId), nullptr, MeasureProc, 0);
    gWin32ResourceInstance = previous;
    if (dialog == nullptr) return kUiErrGeneral;
    const int32_t status = measure(dialog, context);
    DestroyWindow(dialog);
    return status;
}

void Plat_Dlg_EndModal(void* window, int32_t result) {
    EndDialog(static_cast<HWND>(window), result);
}

UiDlgRec* Plat_Dlg_Record(void* window) {
    return reinterpret_cast<UiDlgRec*>(GetWindowLongPtrA(static_cast<HWND>(window), DWLP_USER));
}

void Plat_Dlg_SetRecord(void* window, UiDlgRec* record) {
    SetWindowLongPtrA(static_cast<HWND>(window), DWLP_USER, reinterpret_cast<LONG_PTR>(record));
}

int32_t Plat_Dlg_ItemCount(void* window) {
    return int32_t(intptr_t(GetPropA(static_cast<HWND>(window), kItemCountProperty)));
}

int32_t Plat_Dlg_ItemState(void* window, int32_t item, int32_t what) {
    HWND control = Item(window, item);
    if (control == nullptr) return -1;
    switch (what) {
        case kPlatChecked:
            return IsDlgButtonChecked(static_cast<HWND>(window), item) == BST_CHECKED ? 1 : 0;
        case kPlatVisible:
            return (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
        default:
            return IsWindowEnabled(control) ? 1 : 0;
    }
}

int32_t Plat_Dlg_SetItemState(void* window, int32_t item, int32_t what, int32_t value) {
    HWND control = Item(window, item);
    if (control == nullptr) return -1;
    switch (what) {
        case kPlatChecked:
            return CheckDlgButton(static_cast<HWND>(window), item,
                                  value ? BST_CHECKED : BST_UNCHECKED)
                       ? 0
                       : -1;
        case kPlatVisible:
            ShowWindow(control, value ? SW_SHOW : SW_HIDE);
            return 0;
        default:
            EnableWindow(control, value ? TRUE : FALSE);
            return 0;
    }
}

int32_t Plat_Dlg_GetText(void* window, int32_t item, char* text, size_t capacity) {
    HWND target = item == 0 ? static_cast<HWND>(window) : Item(window, item);
    if (target == nullptr) return -1;
    text[0] = 0;
    SetLastError(0);
    const int n = GetWindowTextA(target, text, int(capacity));
    return n == 0 && GetLastError() != 0 ? -1 : n;
}

int32_t Plat_Dlg_SetText(void* window, int32_t item, const char* text) {
    HWND target = item == 0 ? static_cast<HWND>(window) : Item(window, item);
    return target != nullptr && SetWindowTextA(target, text) ? 0 : -1;
}

int32_t Plat_Dlg_GetRect(void* window, int32_t item, UiRect* rect) {
    HWND dialog = static_cast<HWND>(window);
    RECT r;
    if (item == 0) {
        if (!GetWindowRect(dialog, &r)) return -1;
    } else if (item == -1) {
        if (!GetClientRect(dialog, &r)) return -1;
    } else {
        HWND control = Item(window, item);
        if (control == nullptr || !GetWindowRect(control, &r)) return -1;
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    }
    *rect = FromRect(r);
    return 0;
}

int32_t Plat_Dlg_SetRect(void* window, int32_t item, const UiRect* rect) {
    HWND target = item == 0 ? static_cast<HWND>(window) : Item(window, item);
    if (target == nullptr) return -1;
    return MoveWindow(target, rect->left, rect->top, rect->right - rect->left,
                      rect->bottom - rect->top, TRUE)
               ? 0
               : -1;
}

int32_t Plat_Dlg_OwnerRect(void* window, UiRect* rect) {
    HWND owner = GetWindow(static_cast<HWND>(window), GW_OWNER);
    RECT r;
    if (owner == nullptr || !GetWindowRect(owner, &r)) return -1;
    *rect = FromRect(r);
    return 0;
}

int32_t Plat_ScreenWorkArea(UiRect* rect) {
    RECT r;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) {
        r = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    *rect = FromRect(r);
    return 0;
}

int32_t Plat_Dlg_Invalidate(void* window, int32_t item) {
    HWND target = item == 0 ? static_cast<HWND>(window) : Item(window, item);
    return target != nullptr && InvalidateRect(target, nullptr, TRUE) ? 0 : -1;
}

int32_t Plat_Dlg_SelectText(void* window, int32_t item) {
    HWND control = Item(window, item);
    if (control == nullptr) return -1;
    SendMessageA(control, EM_SETSEL, 0, -1);
    return 0;
}

int32_t Plat_Dlg_Focus(void* window, int32_t item) {
    HWND dialog = static_cast<HWND>(window);
    if (GetForegroundWindow() != dialog) return kUiErrUnsupported;
    HWND target = item < 0 ? dialog : Item(window, item);
    if (target == nullptr) return -1;
    SetFocus(target);
    return 0;
}

int32_t Plat_Dlg_SetDefault(void* window, int32_t item) {
    SendMessageA(static_cast<HWND>(window), DM_SETDEFID, WPARAM(item), 0);
    return 0;
}

void Plat_Dlg_PlainTheme(void* window, int32_t item) {
    using SetWindowThemeProc = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    HWND control = Item(window, item);
    HMODULE uxtheme = control ? LoadLibraryA("Uxtheme") : nullptr;
    if (uxtheme == nullptr) return;
    const auto setTheme = reinterpret_cast<SetWindowThemeProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(uxtheme, "SetWindowTheme")));
    if (setTheme != nullptr) setTheme(control, L" ", L" ");
    FreeLibrary(uxtheme);
}

void Plat_Dlg_FreeObject(void* object) {
    if (object != nullptr) DeleteObject(static_cast<HGDIOBJ>(object));
}

int32_t Plat_Dlg_Combo(void* window, int32_t item, int32_t op, int32_t index, const char* text) {
    HWND c = Item(window, item);
    if (c == nullptr) return -1;
    const LPARAM s = reinterpret_cast<LPARAM>(text);
    LRESULT r = 0;
    switch (op) {
        case kPlatComboReset:
            SendMessageA(c, CB_RESETCONTENT, 0, 0);
            return 0;
        case kPlatComboAdd:
            r = SendMessageA(c, CB_ADDSTRING, 0, s);
            break;
        case kPlatComboDelete:
            r = SendMessageA(c, CB_DELETESTRING, WPARAM(index), 0);
            break;
        case kPlatComboInsert:
            r = SendMessageA(c, CB_INSERTSTRING, WPARAM(index), s);
            break;
        case kPlatComboSelect:
            r = SendMessageA(c, CB_SETCURSEL, WPARAM(index), 0);
            return index >= 0 && r == CB_ERR ? -1 : 0;
        case kPlatComboSelection:
            r = SendMessageA(c, CB_GETCURSEL, 0, 0);
            break;
        case kPlatComboCount:
            r = SendMessageA(c, CB_GETCOUNT, 0, 0);
            break;
        default:
            return -1;
    }
    return r == CB_ERR || r == CB_ERRSPACE ? -1 : int32_t(r);
}

int32_t Plat_Dlg_Timer(void* window, int32_t start, int32_t milliseconds) {
    HWND dialog = static_cast<HWND>(window);
    if (!start) return KillTimer(dialog, kIdleTimer) ? 0 : -1;
    return SetTimer(dialog, kIdleTimer, UINT(milliseconds), nullptr) ? 0 : -1;
}

void Plat_Dlg_CursorPos(void* window, int32_t* x, int32_t* y) {
    POINT p = {0, 0};
    GetCursorPos(&p);
    ScreenToClient(static_cast<HWND>(window), &p);
    *x = p.x;
    *y = p.y;
}

void Plat_Dlg_Capture(void* window, int32_t on) {
    if (on) {
        SetCapture(static_cast<HWND>(window));
    } else if (GetCapture() == static_cast<HWND>(window)) {
        ReleaseCapture();
    }
}

// The nested wait of a track: mouse messages are taken from the queue until
// a move (1) or the button's release (0). A lost capture counts as a release.
int32_t Plat_Dlg_TrackMouse(void* window, int32_t* x, int32_t* y) {
    HWND dialog = static_cast<HWND>(window);
    while (true) {
        MSG msg;
        if (GetCapture() != dialog) {
            Plat_Dlg_CursorPos(window, x, y);
            return 0;
        }
        if (!PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        POINT p = msg.pt;
        ScreenToClient(dialog, &p);
        *x = p.x;
        *y = p.y;
        if (msg.message == WM_LBUTTONUP) return 0;
        if (msg.message == WM_MOUSEMOVE) return 1;
    }
}
