// Win32 backend: key state, message boxes, the beep and the work area.
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

// The system box cannot take other labels: OK and Cancel stand for them.
int32_t Plat_QuestionBox(const char* text, const char* caption, const char*, const char*) {
    const int answer = MessageBoxA(nullptr, text ? text : "", caption ? caption : "",
                                   MB_OKCANCEL | MB_ICONEXCLAMATION);
    return answer == IDOK ? 1 : 2;
}

int32_t Plat_WorkArea(PlatRect* area) {
    RECT r;
    if (area == nullptr || !SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) return -2;
    *area = PlatRect{r.left, r.top, r.right, r.bottom};
    return 0;
}

void Plat_Beep() {
    MessageBeep(MB_OK);
}
