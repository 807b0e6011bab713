// Win32 backend: the window class of owner-drawn user items. Painting, keys
// and presses go to the dialog framework; the rest to the default procedure.
#include <windows.h>

#include "ui/dialog_events.h"
#include "ui/platform.h"
#include "ui/platform/win32/win32_internal.h"
#include "ui/status.h"

namespace {
constexpr char kUserItemClass[] = "UiUserItem";

bool IsKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
           message == WM_SYSKEYUP;
}

LRESULT CALLBACK UserItemProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND dialog = GetParent(window);
    const int32_t item = GetDlgCtrlID(window);
    switch (message) {
        case WM_GETDLGCODE: {
            // Keys reach the item's key procedure, except Return, Escape and
            // Tab: they stay the dialog's (its default button, Cancel, the
            // next control) also while the item has the focus.
            const MSG* msg = reinterpret_cast<const MSG*>(lParam);
            if (msg == nullptr || !IsKeyMessage(msg->message)) return 0;
            const WPARAM key = msg->wParam;
            return key == VK_RETURN || key == VK_ESCAPE || key == VK_TAB ? 0 : DLGC_WANTALLKEYS;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hdc = BeginPaint(window, &ps);
            alignas(16) unsigned char dc[64];
            if (Win32_DcSize() <= sizeof dc) {
                Win32_PrepareDc(dc, hdc, window, dialog);
                UiDlg_UserItemPaint(dialog, item, dc);
                Win32_FinishDc(dc);
            }
            EndPaint(window, &ps);
            return 0;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (UiDlg_UserItemKey(dialog, item, int32_t(wParam), message == WM_SYSKEYDOWN))
                return 0;
            break;
        case WM_LBUTTONDOWN: {
            SetFocus(window);
            POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
            MapWindowPoints(window, dialog, &p, 1);
            if (UiDlg_UserItemPress(dialog, item, p.x, p.y)) return 0;
            break;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int32_t Plat_RegisterUserItemClass(void* instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = UserItemProc;
    wc.hInstance = static_cast<HINSTANCE>(instance);
    wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));      // IDI_APPLICATION
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.lpszClassName = kUserItemClass;
    return RegisterClassA(&wc) != 0 ? kUiOk : kUiErrGeneral;
}

int32_t Plat_UnregisterUserItemClass(void* instance) {
    return UnregisterClassA(kUserItemClass, static_cast<HINSTANCE>(instance)) ? kUiOk
                                                                              : kUiErrGeneral;
}
