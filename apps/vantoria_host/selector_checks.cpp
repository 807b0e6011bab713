// The selectors run through the host kit in a host's order over an in-memory
// RGB image, and the diagnostics switch at the module's first call.
#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/module_checks.h"
#include "apps/vantoria_host/report.h"
#include "hostkit/hostkit.h"

namespace {
constexpr int32_t kWidth = 64;
constexpr int32_t kHeight = 48;
constexpr char kSeparatorLine[] = "-------------------------------\r\n";

// The results of a first run in a host's order.
const struct {
    const char* selector;
    int16_t result;
} kExpectedRun[] = {
    {"about", 0}, {"parameters", 0}, {"prepare", 0}, {"start", 0}, {"continue", 0}, {"finish", 0},
};
constexpr int32_t kExpectedSteps = int32_t(sizeof kExpectedRun / sizeof kExpectedRun[0]);

// The diagnostics log of the module: QuorvaneDebug.txt in the maker's
// folder under the user's application data.
bool LogPath(char* path, size_t capacity) {
    char appData[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData) != S_OK) return false;
    return std::snprintf(path, capacity, "%s\\Quorvane\\QuorvaneDebug.txt", appData) <
           int(capacity);
}

bool ReadLog(char* text, size_t capacity) {
    char path[MAX_PATH];
    text[0] = 0;
    std::FILE* f = LogPath(path, sizeof path) ? std::fopen(path, "rb") : nullptr;
    if (f == nullptr) return false;
    const size_t n = std::fread(text, 1, capacity - 1, f);
    text[n] = 0;
    std::fclose(f);
    return true;
}

void PressDiagnosticKeys(bool down) {
    INPUT keys[2] = {};
    const WORD codes[2] = {VK_CONTROL, VK_SHIFT};
    for (int i = 0; i < 2; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(2, keys, sizeof keys[0]);
}

// A freshly loaded module and a host over a 64 x 48 RGB document: a gradient
// with every channel different, so a swapped or shifted plane shows.
struct Session {
    HKModule module;
    HKHost host;
    std::vector<uint8_t> pixels;
};

bool OpenSession(Session* s, const char* modulePath, const char* entryName, const char* what) {
    char error[256] = {};
    if (!Report(HK_LoadModule(modulePath, entryName, &s->module, error, sizeof error) == 0, what,
                "%s", error))
        return false;
    s->pixels.resize(size_t(kWidth) * kHeight * 3);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            uint8_t* p = &s->pixels[(size_t(y) * kWidth + x) * 3];
            p[0] = uint8_t(x * 4);
            p[1] = uint8_t(y * 5);
            p[2] = uint8_t(255 - x - y);
        }
    const HKImage image = {kWidth, kHeight, 3, 8, kWidth * 3, s->pixels.data()};
    const HKMask noMask = {0, nullptr};
    const HKOptions options = HK_DefaultOptions();
    if (Report(HK_Host_Init(&s->host, &image, &noMask, &options) == 0,
               "host kit: 64 x 48 RGB document", "HK_Host_Init failed"))
        return true;
    HK_UnloadModule(&s->module);
    return false;
}

void CloseSession(Session* s) {
    HK_Host_Free(&s->host);
    HK_UnloadModule(&s->module);
}
}  // namespace

void CheckSelectors(const char* modulePath, const char* entryName) {
    char path[MAX_PATH];
    if (LogPath(path, sizeof path)) DeleteFileA(path);
    Session s;
    if (!OpenSession(&s, modulePath, entryName, "host kit: module loaded")) return;
    HKRun run;
    const HKRunPlan plan = {true, true};
    HK_RunFilter(&s.host, s.module.entry, &plan, &run);
    for (int32_t i = 0; i < run.stepCount && i < kExpectedSteps; ++i) {
        const char* name = HK_SelectorName(run.steps[i].selector);
        char what[96];
        std::snprintf(what, sizeof what, "selector %s: result %d", kExpectedRun[i].selector,
                      int(kExpectedRun[i].result));
        Report(std::strcmp(name, kExpectedRun[i].selector) == 0 &&
                   run.steps[i].result == kExpectedRun[i].result,
               what, "%s gave %d", name, int(run.steps[i].result));
    }
    Report(run.stepCount == kExpectedSteps,
           "selectors: about, parameters, prepare, start, continue, finish", "%d steps",
           int(run.stepCount));
    const Handle parameters = s.host.record->parameters;
    const int32_t locks = parameters ? HK_HandleLockCount(&s.host, parameters) : 0;
    Report(locks == 0, "handles: unlocked after the run", "parameters locked %d times", int(locks));
    CloseSession(&s);

    RobotAlert alerts[2];
    const int32_t shown = DialogRobot_TakeAlerts(alerts, 2);
    Report(shown == 0, "diagnostics off: no alerts", "%d, the first \"%s\"", int(shown),
           shown > 0 ? alerts[0].text : "");
    char log[4096];
    Report(!ReadLog(log, sizeof log), "diagnostics off: no log written", "found \"%.200s\"", log);
}

// Ctrl and Shift held at the first call of a freshly loaded module switch
// diagnostics on: one alert, and the trace begins with the separator line.
void CheckDiagnosticsSwitch(const char* modulePath, const char* entryName) {
    Session s;
    if (!OpenSession(&s, modulePath, entryName, "diagnostics: module loaded again")) return;
    PressDiagnosticKeys(true);
    HK_Call(&s.host, s.module.entry, 0);
    PressDiagnosticKeys(false);
    CloseSession(&s);

    RobotAlert alerts[2] = {};
    const int32_t shown = DialogRobot_TakeAlerts(alerts, 2);
    Report(shown == 1 && std::strcmp(alerts[0].text, "Vantoria Diagnostics enabled") == 0 &&
               std::strcmp(alerts[0].caption, " ") == 0,
           "diagnostics on: \"Vantoria Diagnostics enabled\" shown once", "%d, the first \"%s\"",
           int(shown), alerts[0].text);
    char log[4096];
    const bool read = ReadLog(log, sizeof log);
    Report(read && std::strncmp(log, kSeparatorLine, sizeof kSeparatorLine - 1) == 0 &&
               std::strstr(log, "DoAbout...\r\n") && std::strstr(log, "...DoAbout\r\n"),
           "diagnostics on: the log begins with the separator and traces the about stage",
           "found \"%.200s\"", log);
}
