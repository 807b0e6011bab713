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
constexpr char kPhotoPath[] = "photos\\astronaut.ppm";
// The editor's items the checks use.
constexpr int32_t kItemAutoBlack = 11;
constexpr int32_t kItemBrightnessValue = 14;
constexpr int32_t kItemBrightnessUp = 16;
constexpr int32_t kItemCancel = 2;
constexpr int32_t kEditorItems = 59;

// The next number of a PPM header, past white space and comments.
bool HeaderNumber(std::FILE* f, int* value) {
    int c = std::fgetc(f);
    while (c == '#' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        if (c == '#')
            while (c != '\n' && c != EOF) c = std::fgetc(f);
        c = std::fgetc(f);
    }
    *value = 0;
    int digits = 0;
    for (; c >= '0' && c <= '9' && digits < 6; c = std::fgetc(f), ++digits)
        *value = *value * 10 + (c - '0');
    // One white space character ends the number (the last one, the header).
    return digits > 0 && (c == ' ' || c == '\t' || c == '\r' || c == '\n');
}

// A binary PPM (P6, maximum 255): the only image file the test host reads.
bool ReadPpm(const char* path, Document* d, char* why, size_t capacity) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        std::snprintf(why, capacity, "cannot open %s (the test script converts it)", path);
        return false;
    }
    int width = 0, height = 0, maximum = 0;
    const bool header = std::fgetc(f) == 'P' && std::fgetc(f) == '6' && HeaderNumber(f, &width) &&
                        HeaderNumber(f, &height) && HeaderNumber(f, &maximum) && width > 0 &&
                        height > 0 && width <= 16384 && height <= 16384 && maximum == 255;
    bool ok = false;
    if (!header) {
        std::snprintf(why, capacity, "%s is not an 8-bit binary PPM", path);
    } else {
        d->width = width;
        d->height = height;
        d->pixels.assign(size_t(width) * size_t(height) * 3, 0);
        ok = std::fread(d->pixels.data(), 1, d->pixels.size(), f) == d->pixels.size();
        if (!ok)
            std::snprintf(why, capacity, "%s ends before its %dx%d pixels", path, width, height);
    }
    std::fclose(f);
    return ok;
}

void RemovePrefs() {
    char path[kUiPathCapacity];
    if (PrefsPath(path, sizeof path)) DeleteFileA(path);
}

// The settings record of a recorded descriptor's text.
bool DecodeRecording(const Pixels& text, PrefsRecord* prefs) {
    uint8_t* blob = nullptr;
    uint32_t length = 0;
    if (SetDefaultPrefsRecord(prefs) != kUiOk ||
        UnpackScriptText(text.data(), uint32_t(text.size()), &blob, &length) != kUiOk)
        return false;
    const bool decoded = blob != nullptr && DecodeScriptBlob(blob, length, prefs) == kUiOk;
    Ui_Free(blob);
    return decoded;
}

// What one run with the editor does, and what the inspector saw.
struct EditorVisit {
    DriveRun drive;
    bool sawEditor;
    HWND other;           // a dialog that was not the editor
    bool autoBlackShown;  // item 11 checked when the dialog was read
    // The brightness value (item 14) as it shows on the screen, 0xRRGGBB.
    std::vector<uint32_t> value;
};
EditorVisit* gVisit = nullptr;

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

void ReadShownSettings(HWND dialog, void* context) {
    EditorVisit* visit = static_cast<EditorVisit*>(context);
    visit->autoBlackShown = IsDlgButtonChecked(dialog, kItemAutoBlack) == BST_CHECKED;
    visit->value = ItemPixels(dialog, kItemBrightnessValue);
}

// The robot's inspector: the editor is the dialog with the editor's items.
void InspectEditor(HWND dialog) {
    EditorVisit& v = *gVisit;
    const bool editor = GetDlgItem(dialog, kEditorItems) != nullptr &&
                        GetDlgItem(dialog, kEditorItems + 1) == nullptr && !v.sawEditor;
    if (!editor) {
        v.other = dialog;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kItemCancel, BN_CLICKED), 0);
        return;
    }
    v.sawEditor = true;
    v.drive.dialog = dialog;
    Drive_Start(&v.drive);
}

// Runs the filter with the dialog over the photograph, the editor driven by
// steps; reports what the driver saw.
RunOutcome RunWithEditor(const char* modulePath, const char* entryName, const Document& photo,
                         const Pixels* descriptor, EditorVisit* visit, const char* label) {
    visit->drive.fallbackItem = kItemCancel;
    visit->drive.context = visit;
    gVisit = visit;
    DialogRobot_SetInspector(InspectEditor);
    const RunOutcome out =
        RunDocument(modulePath, entryName, photo, descriptor, plugInDialogDisplay, "editor");
    DialogRobot_SetInspector(nullptr);
    Drive_Finish(&visit->drive);
    gVisit = nullptr;
    char what[200];
    std::snprintf(what, sizeof what,
                  "editor: %s: %d steps of real input and screenshots, closed by the last", label,
                  int(visit->drive.stepCount));
    char other[64] = "";
    if (visit->other != nullptr) GetWindowTextA(visit->other, other, sizeof other);
    Report(visit->sawEditor && visit->drive.failure[0] == 0 && visit->drive.closed &&
               visit->other == nullptr,
           what, "%s%s%s (%d steps done)",
           visit->sawEditor ? visit->drive.failure : "the editor did not appear",
           visit->other ? "; another dialog came up: " : "", other, int(visit->drive.stepsDone));
    return out;
}

void ReportAlerts(const char* label) {
    RobotAlert alerts[4];
    const int32_t count = DialogRobot_TakeAlerts(alerts, 4);
    char what[96];
    std::snprintf(what, sizeof what, "editor: %s: no alerts", label);
    Report(count == 0, what, "%d alerts, the first \"%s\"", int(count),
           count > 0 ? alerts[0].text : "");
}

int32_t LargestDifference(const Pixels& a, const Pixels& b) {
    int32_t most = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int32_t d = a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
        if (d > most) most = d;
    }
    return most;
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

void ReportSame(const char* what, const RunOutcome& a, const RunOutcome& b) {
    Report(a.ran && b.ran && a.result.size() == b.result.size() && a.result == b.result, what,
           "%d samples differ, by up to %d", int(Changed(a.result, b.result)),
           int(LargestDifference(a.result, b.result)));
}
}  // namespace

void CheckEditor(const char* modulePath, const char* entryName) {
    CheckDisplayIntoContext();
    Document photo = {0, 0, {}};
    char why[256];
    if (!Report(ReadPpm(kPhotoPath, &photo, why, sizeof why), "editor: photograph read", "%s", why))
        return;
    std::printf("wine ok editor: photograph %s, %dx%d\n", kPhotoPath, int(photo.width),
                int(photo.height));
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
