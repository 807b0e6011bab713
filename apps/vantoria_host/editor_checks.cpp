// The editor on a real window system, driven as a user drives it: a
// photograph opened in the host kit, the filter run with its dialog, and the
// editor given real clicks and keys through the test script's watcher
// (xdotool on the display) while screenshots are taken. The settings the
// clicks made must correct the document exactly as a replay of the recorded
// action without the dialog does; opened again over that recording, Return
// alone applies the same settings.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "apps/vantoria_host/dialog_driver.h"
#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/document_runs.h"
#include "apps/vantoria_host/editor_runs.h"
#include "apps/vantoria_host/memory_canvas.h"
#include "apps/vantoria_host/module_checks.h"
#include "apps/vantoria_host/report.h"
#include "editor/prefs_record.h"
#include "editor/script_blob.h"
#include "hostkit/hostkit.h"
#include "ui/allocator.h"
#include "ui/paths.h"
#include "ui/status.h"

namespace {
// The editor's items the checks use.
constexpr int32_t kItemAutoBlack = 11;
constexpr int32_t kItemBrightnessValue = 14;
constexpr int32_t kItemBrightnessUp = 16;

// The pixels of an item's window as they show.
std::vector<uint32_t> ItemPixels(HWND dialog, int32_t item) {
    HWND window = GetDlgItem(dialog, item);
    RECT r = {};
    GetClientRect(window, &r);
    MemoryCanvas canvas;
    std::vector<uint32_t> pixels;
    if (!Canvas_Open(&canvas, r.right, r.bottom, 0)) return pixels;
    HDC dc = GetDC(window);
    if (dc != nullptr && BitBlt(canvas.dc, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY)) {
        for (int32_t y = 0; y < r.bottom; ++y)
            for (int32_t x = 0; x < r.right; ++x) pixels.push_back(Canvas_Pixel(canvas, x, y));
    }
    if (dc != nullptr) ReleaseDC(window, dc);
    Canvas_Close(&canvas);
    return pixels;
}

void ReadShownSettings(HWND dialog, const char*, void* context) {
    EditorVisit* visit = static_cast<EditorVisit*>(context);
    visit->autoBlackShown = IsDlgButtonChecked(dialog, kItemAutoBlack) == BST_CHECKED;
    visit->value = ItemPixels(dialog, kItemBrightnessValue);
}

// The host's displayPixels paints the source rectangle of a pixel map into
// the device context the plug-in passes, at the destination row and column.
void CheckDisplayIntoContext() {
    uint8_t pixels[4 * 4 * 3] = {};
    const HKImage image = {4, 4, 3, 8, 12, pixels};
    const HKMask noMask = {0, nullptr};
    const HKOptions options = HK_DefaultOptions();
    HKHost host = {};
    MemoryCanvas canvas;
    if (HK_Host_Init(&host, &image, &noMask, &options) != 0 ||
        !Canvas_Open(&canvas, 16, 12, 0xFFFFFF)) {
        HK_Host_Free(&host);
        Report(false, "editor: displayPixels into a device context", "cannot set up");
        return;
    }
    // A 3 x 2 map, every pixel its own colour; its right two columns shown.
    uint8_t map[2 * 3 * 3];
    for (int32_t i = 0; i < 18; ++i) map[i] = uint8_t(20 + 11 * i);
    PSPixelMap pm = {};
    pm.version = 1;
    pm.bounds = VRect{0, 0, 2, 3};
    pm.imageMode = plugInModeRGBColor;
    pm.rowBytes = 9;
    pm.colBytes = 3;
    pm.planeBytes = 1;
    pm.baseAddr = map;
    const VRect source = {0, 1, 2, 3};
    const OSErr shown = host.record->displayPixels(&pm, &source, 5, 7, canvas.dc);
    char why[160] = "";
    for (int32_t y = 0; y < 2 && why[0] == 0; ++y)
        for (int32_t x = 0; x < 2; ++x) {
            const uint8_t* p = map + y * 9 + (x + 1) * 3;
            const uint32_t want = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            const uint32_t got = Canvas_Pixel(canvas, 7 + x, 5 + y);
            if (got != want) {
                std::snprintf(why, sizeof why, "pixel %d,%d is %06X, not %06X", int(7 + x),
                              int(5 + y), unsigned(got), unsigned(want));
                break;
            }
        }
    if (why[0] == 0 &&
        (Canvas_Pixel(canvas, 6, 5) != 0xFFFFFF || Canvas_Pixel(canvas, 9, 5) != 0xFFFFFF))
        std::snprintf(why, sizeof why, "drawn outside the rectangle");
    Canvas_Close(&canvas);
    HK_Host_Free(&host);
    Report(shown == noErr && why[0] == 0,
           "editor: the host's displayPixels paints into the device context it is given",
           "result %d, %s", int(shown), why);
}

}  // namespace

void CheckEditor(const char* modulePath, const char* entryName) {
    CheckDisplayIntoContext();
    Document photo;
    if (!ReadPhoto(&photo)) return;
    std::printf("wine ok editor: photograph %dx%d\n", int(photo.width), int(photo.height));
    // Previous settings that change nothing: whatever the run applies, the
    // clicks in the editor set.
    if (!Report(WritePreviousPrefs(0.5f), "editor: stored settings, start mode Previous",
                "cannot write the preferences file"))
        return;
    DialogRobot_TakeAlerts(nullptr, 0);

    // A user's session: Auto Black Point on, brightness up twice (+10), OK
    // with Return.
    EditorVisit first = {};
    first.drive.steps[0] = {kDriveShot, "editor-before", 0, nullptr, 1500};
    first.drive.steps[1] = {kDriveClick, "editor-click-11", kItemAutoBlack, nullptr, 300};
    first.drive.steps[2] = {kDriveClick, "editor-click-16-a", kItemBrightnessUp, nullptr, 500};
    first.drive.steps[3] = {kDriveClick, "editor-click-16-b", kItemBrightnessUp, nullptr, 500};
    first.drive.steps[4] = {kDriveShot, "editor-after", 0, nullptr, 1500};
    first.drive.steps[5] = {kDriveCall, "editor-read-after", 0, nullptr, 0};
    first.drive.steps[6] = {kDriveKeys, "editor-return", 0, "key Return", 300};
    first.drive.stepCount = 7;
    first.drive.call = ReadShownSettings;
    const RunOutcome edited =
        RunWithEditor(modulePath, entryName, photo, nullptr, &first,
                      "clicks on Auto Black Point and brightness up twice, then Return");
    ReportAlerts("first run");
    if (!edited.ran) return;
    const int32_t changed = Changed(edited.result, photo.pixels);
    char what[200];
    std::snprintf(what, sizeof what,
                  "editor: OK corrected the photograph (%d of %u samples changed)", int(changed),
                  unsigned(photo.pixels.size()));
    Report(changed > 0, what, "nothing changed");

    PrefsRecord recorded;
    const bool decoded = !edited.recorded.empty() && DecodeRecording(edited.recorded, &recorded);
    const EditPars& r = recorded.previous;
    Report(decoded && r.doAutoBlack == 1 && r.doAutoWhite == 0 &&
               std::fabs(r.brightness - 0.55f) < 1e-5f && std::fabs(r.contrast - 0.5f) < 1e-5f &&
               recorded.startMode == kStartPrevious,
           "editor: the recording holds Auto Black Point on, brightness 0.55, start mode Previous",
           "%s: auto black %d, auto white %d, brightness %.4f, contrast %.4f, start mode %u",
           decoded ? "recorded" : "no recording", int(r.doAutoBlack), int(r.doAutoWhite),
           double(r.brightness), double(r.contrast), unsigned(recorded.startMode));
    if (!decoded) return;

    // Without the stored settings, only the recording can say what to do.
    RemovePrefs();
    const RunOutcome replayed = RunDocument(modulePath, entryName, photo, &edited.recorded,
                                            plugInDialogDontDisplay, "editor");
    std::snprintf(what, sizeof what,
                  "editor: the result equals a replay of its recording without the dialog, sample "
                  "for sample (%u samples)",
                  unsigned(photo.pixels.size()));
    ReportSame(what, edited, replayed);

    RemovePrefs();
    EditorVisit again = {};
    again.drive.steps[0] = {kDriveCall, "editor-read-previous", 0, nullptr, 1500};
    again.drive.steps[1] = {kDriveShot, "editor-previous", 0, nullptr, 0};
    again.drive.steps[2] = {kDriveKeys, "editor-return-previous", 0, "key Return", 300};
    again.drive.stepCount = 3;
    again.drive.call = ReadShownSettings;
    const RunOutcome reopened = RunWithEditor(modulePath, entryName, photo, &edited.recorded,
                                              &again, "opened over the recording, Return alone");
    ReportAlerts("run over the recording");
    Report(again.autoBlackShown, "editor: over the recording Auto Black Point shows checked",
           "unchecked");
    // The value redrawn after two clicks shows what a fresh drawing of +10
    // shows, nothing of the +5 before it.
    const int32_t valueChanged =
        int32_t(first.value.size() == again.value.size() ? Changed(first.value, again.value) : -1);
    Report(!first.value.empty() && valueChanged == 0,
           "editor: the brightness value redrawn after the clicks looks as drawn afresh",
           "%d of %u pixels differ", int(valueChanged), unsigned(first.value.size()));
    ReportSame("editor: Return alone over the recording gives the first run's result", edited,
               reopened);
    RemovePrefs();
}
