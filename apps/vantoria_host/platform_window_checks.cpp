// Key state, message boxes, the user-item window class and the file dialogs,
// driven by injected input and the dialog robot.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/platform_checks.h"
#include "apps/vantoria_host/report.h"
#include "ui/debug_log.h"
#include "ui/paths.h"
#include "ui/platform.h"
#include "ui/status.h"

namespace {
void PressKey(int key, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = WORD(key);
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

void CheckKeys() {
    const struct {
        int key;
        const char* name;
    } keys[] = {{kPlatKeyControl, "Ctrl"}, {kPlatKeyShift, "Shift"}};
    for (const auto& k : keys) {
        const bool before = Plat_KeyDown(k.key);
        PressKey(k.key, true);
        const bool held = Plat_KeyDown(k.key);
        PressKey(k.key, false);
        const bool after = Plat_KeyDown(k.key);
        char what[64];
        std::snprintf(what, sizeof what, "platform key state: %s up, down, up", k.name);
        Report(!before && held && !after, what, "read %d %d %d", before, held, after);
    }
}

// Shows a box through show and checks that exactly one appeared with this
// caption and text.
void CheckBox(const char* what, bool shown, const char* caption, const char* text) {
    RobotAlert alerts[2] = {};
    const int32_t count = DialogRobot_TakeAlerts(alerts, 2);
    const bool ok = shown ? count == 1 && std::strcmp(alerts[0].caption, caption) == 0 &&
                                std::strcmp(alerts[0].text, text) == 0
                          : count == 0;
    Report(ok, what, "%d boxes, the first [%s] \"%s\"", int(count), alerts[0].caption,
           alerts[0].text);
}

void CheckMessageBoxes() {
    DialogRobot_TakeAlerts(nullptr, 0);
    Plat_MessageBox("A warning", "Vantoria", kPlatBoxWarning);
    CheckBox("platform message box: caption and text", true, "Vantoria", "A warning");
    Ui_Debug_Alert(1, "Vantoria Diagnostics enabled");
    CheckBox("platform diagnostic alert: level 1 shown with caption \" \"", true, " ",
             "Vantoria Diagnostics enabled");
    Ui_Debug_Alert(0, "not shown");
    CheckBox("platform diagnostic alert: level 0 shows nothing", false, "", "");
}

void CheckUserItemClass() {
    void* instance = GetModuleHandleA(nullptr);
    WNDCLASSA found;
    const int32_t registered = Plat_RegisterUserItemClass(instance);
    const bool known = GetClassInfoA(static_cast<HINSTANCE>(instance), "UiUserItem", &found);
    HWND item = CreateWindowA("UiUserItem", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              static_cast<HINSTANCE>(instance), nullptr);
    const bool created = item != nullptr;
    if (item) DestroyWindow(item);
    const int32_t unregistered = Plat_UnregisterUserItemClass(instance);
    const bool gone = !GetClassInfoA(static_cast<HINSTANCE>(instance), "UiUserItem", &found);
    Report(registered == kUiOk && known && created && unregistered == kUiOk && gone,
           "platform user item class: registered, usable, unregistered",
           "register %d, known %d, window %d, unregister %d, gone %d", int(registered), known,
           created, int(unregistered), gone);
    const int32_t twice = Plat_UnregisterUserItemClass(instance);
    Report(twice == kUiErrGeneral, "platform user item class: unregistering twice is -2",
           "status %d", int(twice));
}

constexpr char kTextFilter[] = "Text (*.txt)|*.txt|";

void CheckFileDialogs(const char* work) {
    const int32_t seen = DialogRobot_FileDialogsSeen();
    char path[kUiPathCapacity] = "proposal.txt";
    DialogRobot_AnswerFileDialog(nullptr);
    int32_t status = Plat_SaveFileDialog(nullptr, "Save", kTextFilter, "txt", path, sizeof path);
    Report(status == kUiErrCancelled && std::strcmp(path, "proposal.txt") == 0,
           "platform save dialog: cancel is -10, the path kept", "status %d, path %s", int(status),
           path);

    char typed[MAX_PATH];
    std::snprintf(typed, sizeof typed, "%schosen", work);
    DialogRobot_AnswerFileDialog(typed);
    status = Plat_SaveFileDialog(nullptr, "Save", kTextFilter, "txt", path, sizeof path);
    char want[MAX_PATH];
    std::snprintf(want, sizeof want, "%s.txt", typed);
    Report(status == kUiOk && std::strcmp(path, want) == 0,
           "platform save dialog: the chosen name gets the default extension", "status %d, path %s",
           int(status), path);

    char existing[MAX_PATH];
    std::snprintf(existing, sizeof existing, "%spicked.txt", work);
    WriteTextFile(existing, "x");
    DialogRobot_AnswerFileDialog(existing);
    status = Plat_OpenFileDialog(nullptr, "Open", kTextFilter, work, path, sizeof path);
    Report(status == kUiOk && std::strcmp(path, existing) == 0,
           "platform open dialog: the chosen file", "status %d, path %s", int(status), path);
    DialogRobot_AnswerFileDialog(nullptr);
    status = Plat_OpenFileDialog(nullptr, "Open", kTextFilter, "", path, sizeof path);
    Report(status == kUiErrCancelled, "platform open dialog: cancel is -10", "status %d",
           int(status));
    const int32_t shown = DialogRobot_FileDialogsSeen() - seen;
    Report(shown == 4, "platform file dialogs: each call showed one dialog", "%d shown",
           int(shown));
}
}  // namespace

void CheckPlatformWindows(const char* workFolder) {
    CheckKeys();
    CheckMessageBoxes();
    CheckUserItemClass();
    CheckFileDialogs(workFolder);
}
