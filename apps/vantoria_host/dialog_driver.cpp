#include "apps/vantoria_host/dialog_driver.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "apps/vantoria_host/screen_requests.h"

namespace {
constexpr UINT kTick = 100;           // milliseconds between the driver's looks
constexpr DWORD kAnswerWait = 20000;  // for the watcher's answer to a step
constexpr DWORD kCloseWait = 10000;   // for the dialog to close after the last step
constexpr DWORD kFinishWait = 30000;  // for the driver to finish once the dialog returned

constexpr char kXWindowProperty[] = "__wine_x11_whole_window";

DriveRun* gRun = nullptr;
UINT_PTR gTimer = 0;
int32_t gIndex = 0;
bool gAsked = false;    // the current step's request is out
DWORD gPhaseStart = 0;  // when the current step began to settle or was asked
bool gStopped = true;
bool gBusy = false;

// The dialog the steps act on: a dialog of this thread active in front of
// the run's dialog (one it opened), else the run's dialog.
HWND Front() {
    HWND active = GetActiveWindow();
    char className[16];
    if (active != nullptr && active != gRun->dialog && IsWindowVisible(active) &&
        GetClassNameA(active, className, sizeof className) > 0 &&
        std::strcmp(className, "#32770") == 0)
        return active;
    return gRun->dialog;
}

// Keeps the first failure, closes the dialog with the fallback item (a
// dialog it opened first, with Cancel), stops.
void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Fail(const char* format, ...) {
    if (gRun->failure[0] == 0) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(gRun->failure, sizeof gRun->failure, format, args);
        va_end(args);
    }
    HWND dialog = gRun->dialog;
    HWND front = Front();
    if (front != dialog) PostMessageA(front, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (IsWindow(dialog))
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(gRun->fallbackItem, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, gRun->fallbackItem)));
    gStopped = true;
}

// Sends the step's request, or calls the callback; false when it cannot.
bool Begin(const DriveStep& s) {
    char line[160];
    HWND front = Front();
    switch (s.kind) {
        case kDriveShot: {
            HWND window = s.item != 0 ? GetDlgItem(front, s.item) : front;
            // Wine on a display without a window manager leaves a dialog
            // opened over another black on the screen (its window holds
            // what it painted): its picture is taken from the window.
            if (front != gRun->dialog) return Screen_AskPicture(s.name, window);
            Screen_Geometry(window, line, sizeof line);
            return Screen_Ask(s.name, kScreenShot, line);
        }
        case kDriveClick:
            Screen_ClickLine(front, s.item, line, sizeof line);
            return Screen_Ask(s.name, kScreenInput, line);
        case kDrivePoint: {
            POINT p = {};
            if (gRun->point == nullptr || !gRun->point(front, s.item, &p, gRun->context))
                return false;
            std::snprintf(line, sizeof line, "mousemove %ld %ld click 1", p.x, p.y);
            return Screen_Ask(s.name, kScreenInput, line);
        }
        case kDriveKeys: {
            // Keys go to the X window that has the input focus. The display
            // has no window manager to give it to the dialog, so the X
            // window behind it (Wine keeps its id as a property) is
            // focused first, as a manager would on a click.
            const uintptr_t xWindow =
                reinterpret_cast<uintptr_t>(GetPropA(front, kXWindowProperty));
            if (xWindow != 0)
                std::snprintf(line, sizeof line, "windowfocus --sync %lu %s",
                              static_cast<unsigned long>(xWindow), s.keys);
            else
                std::snprintf(line, sizeof line, "%s", s.keys);
            return Screen_Ask(s.name, kScreenInput, line);
        }
        default:
            if (gRun->call != nullptr) gRun->call(front, s.name, gRun->context);
            return true;
    }
}

void Next(DWORD now) {
    ++gRun->stepsDone;
    ++gIndex;
    gAsked = false;
    gPhaseStart = now;
}

void Advance() {
    const DWORD now = GetTickCount();
    HWND dialog = gRun->dialog;
    if (gIndex == gRun->stepCount) {
        if (!IsWindow(dialog)) {
            gRun->closed = true;
            gStopped = true;
        } else if (now - gPhaseStart > kCloseWait) {
            Fail("the dialog is still open %lu ms after the last step", kCloseWait);
        }
        return;
    }
    const DriveStep& s = gRun->steps[gIndex];
    if (!gAsked) {
        if (!IsWindow(dialog)) {
            Fail("the dialog closed before step %s", s.name);
        } else if (now - gPhaseStart >= s.settle) {
            if (!Begin(s)) {
                Fail("cannot write the request of step %s", s.name);
            } else if (s.kind == kDriveCall) {
                Next(now);
            } else {
                gAsked = true;
                gPhaseStart = now;
            }
        }
        return;
    }
    char answer[256];
    if (Screen_Answered(s.name, answer, sizeof answer)) {
        if (std::strcmp(answer, "ok") != 0)
            Fail("step %s: %s", s.name, answer);
        else
            Next(now);
    } else if (now - gPhaseStart > kAnswerWait) {
        Fail("no answer to step %s in %lu ms", s.name, kAnswerWait);
    } else if (gIndex + 1 < gRun->stepCount && !IsWindow(dialog)) {
        Fail("the dialog closed during step %s", s.name);
    }
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (gRun == nullptr || gStopped || gBusy) return;
    gBusy = true;
    Advance();
    gBusy = false;
}
}  // namespace

void Drive_Start(DriveRun* run) {
    gRun = run;
    run->stepsDone = 0;
    run->closed = false;
    run->failure[0] = 0;
    gIndex = 0;
    gAsked = false;
    gStopped = false;
    gPhaseStart = GetTickCount();
    gTimer = SetTimer(nullptr, 0, kTick, Tick);
    if (gTimer == 0) Fail("no timer");
}

void Drive_Finish(DriveRun* run) {
    if (gRun != run) {
        std::snprintf(run->failure, sizeof run->failure, "the dialog did not appear");
        return;
    }
    const DWORD start = GetTickCount();
    while (!gStopped && GetTickCount() - start < kFinishWait) PumpFor(kTick);
    if (!gStopped) Fail("the driver did not finish");
    if (gTimer != 0) KillTimer(nullptr, gTimer);
    gTimer = 0;
    gRun = nullptr;
}
