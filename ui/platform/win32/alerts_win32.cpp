// Win32 backend: key state, message boxes and the beep.
#include <windows.h>

#include "ui/platform.h"

bool Plat_KeyDown(int virtualKey) {
    // The high bit of the asynchronous state is set while the key is down.
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void Plat_MessageBox(const char* text, const char* caption, int32_t kind) {
    UINT icon = 0;
    if (kind == kPlatBoxWarning) icon = MB_ICONEXCLAMATION;
    if (kind == kPlatBoxStop) icon = MB_ICONSTOP;
    MessageBoxA(nullptr, text ? text : "", caption ? caption : "", MB_OK | icon);
}

void Plat_Beep() {
    MessageBeep(MB_OK);
}
