#include "apps/vantoria_host/dialog_robot.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {
constexpr int32_t kKept = 16;
constexpr int kMessageBoxText = 0xFFFF;  // the static control holding a message box's text
constexpr int kFileNameCombo = 0x47C;    // file name box of the common file dialogs
constexpr int kFileNameEdit = 0x480;     // the same in the older dialog layout

HHOOK gHook = nullptr;
HWND gLastAnswered = nullptr;
RobotAlert gAlerts[kKept];
int32_t gAlertCount = 0;
char gFileAnswer[MAX_PATH];
bool gFileAnswerQueued = false;
int32_t gFileDialogs = 0;
void (*gInspector)(HWND) = nullptr;
HWND gInspected = nullptr;

void CALLBACK InspectLater(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND window = gInspected;
    gInspected = nullptr;
    if (gInspector != nullptr && IsWindow(window)) gInspector(window);
}

// Any other dialog (the plug-in's own) is handed to the inspector once it
// has had time to paint, or closed with its first item.
void HandleOtherDialog(HWND window) {
    if (gInspector == nullptr) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, 1)));
        return;
    }
    gInspected = window;
    SetTimer(nullptr, 0, 500, InspectLater);
}

bool IsDialog(HWND window) {
    char className[16];
    return GetClassNameA(window, className, sizeof className) > 0 &&
           std::strcmp(className, "#32770") == 0;
}

void CloseMessageBox(HWND window) {
    if (gAlertCount < kKept) {
        RobotAlert& a = gAlerts[gAlertCount];
        GetWindowTextA(window, a.caption, sizeof a.caption);
        GetDlgItemTextA(window, kMessageBoxText, a.text, sizeof a.text);
    }
    ++gAlertCount;
    PostMessageA(window, WM_COMMAND, IDOK, 0);
}

void AnswerFileDialog(HWND window, HWND nameBox) {
    ++gFileDialogs;
    if (!gFileAnswerQueued) {
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    gFileAnswerQueued = false;
    SetWindowTextA(nameBox, gFileAnswer);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK RobotHook(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_DESTROYWND && window == gLastAnswered) gLastAnswered = nullptr;
    if (code == HCBT_ACTIVATE && window != gLastAnswered && IsDialog(window)) {
        HWND nameBox = GetDlgItem(window, kFileNameCombo);
        if (nameBox == nullptr) nameBox = GetDlgItem(window, kFileNameEdit);
        if (GetDlgItem(window, kMessageBoxText) != nullptr) {
            gLastAnswered = window;
            CloseMessageBox(window);
        } else if (nameBox != nullptr) {
            gLastAnswered = window;
            AnswerFileDialog(window, nameBox);
        } else {
            gLastAnswered = window;
            HandleOtherDialog(window);
        }
    }
    return CallNextHookEx(gHook, code, wParam, lParam);
}
}  // namespace

bool DialogRobot_Install() {
    gHook = SetWindowsHookExA(WH_CBT, RobotHook, nullptr, GetCurrentThreadId());
    return gHook != nullptr;
}

void DialogRobot_Remove() {
    if (gHook != nullptr) UnhookWindowsHookEx(gHook);
    gHook = nullptr;
}

int32_t DialogRobot_TakeAlerts(RobotAlert* alerts, int32_t capacity) {
    const int32_t count = gAlertCount;
    for (int32_t i = 0; i < count && i < capacity && i < kKept; ++i) alerts[i] = gAlerts[i];
    gAlertCount = 0;
    return count;
}

void DialogRobot_AnswerFileDialog(const char* name) {
    gFileAnswerQueued = name != nullptr;
    if (name) std::snprintf(gFileAnswer, sizeof gFileAnswer, "%s", name);
}

int32_t DialogRobot_FileDialogsSeen() {
    return gFileDialogs;
}

void DialogRobot_SetInspector(void (*inspector)(HWND dialog)) {
    gInspector = inspector;
}
