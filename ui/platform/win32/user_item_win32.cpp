// Win32 backend: the window class of owner-drawn user items.
#include <windows.h>

#include "ui/platform.h"
#include "ui/status.h"

namespace {
constexpr char kUserItemClass[] = "UiUserItem";

LRESULT CALLBACK UserItemProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int32_t Plat_RegisterUserItemClass(void* instance) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = UserItemProc;
    wc.hInstance = static_cast<HINSTANCE>(instance);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kUserItemClass;
    return RegisterClassA(&wc) != 0 ? kUiOk : kUiErrGeneral;
}

int32_t Plat_UnregisterUserItemClass(void* instance) {
    return UnregisterClassA(kUserItemClass, static_cast<HINSTANCE>(instance)) ? kUiOk
                                                                              : kUiErrGeneral;
}
