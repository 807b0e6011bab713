#include "apps/vantoria_host/editor_runs.h"

#include <cstdio>

#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/report.h"
#include "editor/script_blob.h"
#include "hostkit/hostkit.h"
#include "ui/allocator.h"
#include "ui/paths.h"
#include "ui/status.h"

namespace {
constexpr char kPhotoPath[] = "photos\\astronaut.ppm";
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

EditorVisit* gVisit = nullptr;

// The robot's inspector: the editor is the dialog with the editor's items;
// a dialog over it is the steps' to close.
void InspectEditor(HWND dialog) {
    EditorVisit& v = *gVisit;
    if (v.sawEditor && dialog == v.drive.dialog) return;  // active again
    if (v.sawEditor && IsWindow(v.drive.dialog)) {
        if (v.openedCount < kMaxOpened)
            GetWindowTextA(dialog, v.opened[v.openedCount], sizeof v.opened[0]);
        ++v.openedCount;
        return;
    }
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

}  // namespace

RunOutcome RunWithEditor(const char* modulePath, const char* entryName, const Document& photo,
                         const Pixels* descriptor, EditorVisit* visit, const char* label) {
    visit->drive.fallbackItem = kItemCancel;
    if (visit->drive.context == nullptr) visit->drive.context = visit;
    gVisit = visit;
    DialogRobot_SetInspector(InspectEditor);
    const RunOutcome out =
        RunDocument(modulePath, entryName, photo, descriptor, plugInDialogDisplay, "editor",
                    visit->cancels ? kUserCancelled : noErr);
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

namespace {
int32_t LargestDifference(const Pixels& a, const Pixels& b) {
    int32_t most = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int32_t d = a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
        if (d > most) most = d;
    }
    return most;
}
}  // namespace

bool ReadPhoto(Document* photo) {
    char why[256];
    *photo = Document{0, 0, {}};
    return Report(ReadPpm(kPhotoPath, photo, why, sizeof why), "editor: photograph read", "%s",
                  why);
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

void ReportSame(const char* what, const RunOutcome& a, const RunOutcome& b) {
    Report(a.ran && b.ran && a.result.size() == b.result.size() && a.result == b.result, what,
           "%d samples differ, by up to %d", int(Changed(a.result, b.result)),
           int(LargestDifference(a.result, b.result)));
}

bool PanePoint(HWND editor, const Document& photo, int32_t x, int32_t y, POINT* screen) {
    HWND pane = GetDlgItem(editor, kItemPane);
    RECT r = {};
    if (pane == nullptr || !GetClientRect(pane, &r) || photo.width < 1 || photo.height < 1)
        return false;
    // The view is the document fitted into the pane inside its frame (one
    // pixel each side), drawn centred.
    const double sx = double(r.right - 2) / photo.width, sy = double(r.bottom - 2) / photo.height;
    const double scale = sx < sy ? sx : sy;
    const int32_t viewW = scale < 1 ? int32_t(photo.width * scale + 0.5) : photo.width;
    const int32_t viewH = scale < 1 ? int32_t(photo.height * scale + 0.5) : photo.height;
    POINT p = {(r.right - viewW) / 2 + x * viewW / photo.width,
               (r.bottom - viewH) / 2 + y * viewH / photo.height};
    if (!ClientToScreen(pane, &p)) return false;
    *screen = p;
    return true;
}
