// The editor's other dialogs and its memory-colour face on a real window
// system, driven with real clicks and keys over the photograph: the
// preferences dialog (a display option changed and stored), the sharpen /
// noise setup dialog (its preview of the photograph drawn), and the
// memory-colour face (skin sampled, saved to a file, the visit cancelled, the
// file loaded on a second visit and kept: the result must equal a replay of
// the recording).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "apps/vantoria_host/dialog_driver.h"
#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/document_runs.h"
#include "apps/vantoria_host/editor_runs.h"
#include "apps/vantoria_host/module_checks.h"
#include "apps/vantoria_host/report.h"
#include "editor/memory_colour_file.h"
#include "editor/prefs_record.h"
#include "hostkit/hostkit.h"

namespace {
// The editor's items.
constexpr int32_t kItemModifyColours = 21;
constexpr int32_t kItemPreferences = 27;
constexpr int32_t kItemSharpen = 55;
constexpr int32_t kItemRemoveNoise = 56;
constexpr int32_t kItemFilterSetup = 57;
constexpr int32_t kItemFaceFirst = 31;  // 29 and 30 (the name) show for custom colours only
constexpr int32_t kItemFaceLast = 48;
constexpr int32_t kItemMainFirst = 11;
constexpr int32_t kItemColourLoad = 41;
constexpr int32_t kItemColourSave = 42;
constexpr int32_t kItemFaceCancel = 45;
constexpr int32_t kItemFaceSave = 46;
// The preferences dialog's item, the setup dialog's preview.
constexpr int32_t kPrefsShowSampled = 7;
constexpr int32_t kSetupPreview = 28;
constexpr int32_t kSkinSlot = 1;

// The astronaut's left cheek in the 512 x 512 photograph (skin, about
// 198,147,116; 300,230 is the grey ring of the suit's neck).
constexpr int32_t kCheekX = 200, kCheekY = 130;

// A run's steps and what its calls saw.
struct FaceRun {
    EditorVisit visit;
    const Document* photo;
    std::string colourFile;  // the memory colour's file, full path
    bool showSampledChecked;
    // The face: how many of its items show, and whether OK or Cancel does.
    int32_t faceShown;
    bool mainButtonsShown, mainItemShown;
};

void AddStep(FaceRun* run, uint8_t kind, const char* name, int32_t item, const char* keys,
             DWORD settle) {
    DriveRun& d = run->visit.drive;
    if (d.stepCount < kDriveMaxSteps) d.steps[d.stepCount++] = {kind, name, item, keys, settle};
}

bool Shown(HWND dialog, int32_t item) {
    HWND window = GetDlgItem(dialog, item);
    return window != nullptr && IsWindowVisible(window);
}

void Call(HWND dialog, const char* step, void* context) {
    FaceRun& run = *static_cast<FaceRun*>(context);
    if (std::strcmp(step, "prefs-read") == 0) {
        run.showSampledChecked = IsDlgButtonChecked(dialog, kPrefsShowSampled) == BST_CHECKED;
    } else if (std::strcmp(step, "memory-face-read") == 0) {
        for (int32_t item = kItemFaceFirst; item <= kItemFaceLast; ++item)
            run.faceShown += Shown(dialog, item) ? 1 : 0;
        run.mainButtonsShown = Shown(dialog, kItemOk) || Shown(dialog, kItemCancel);
        run.mainItemShown = Shown(dialog, kItemMainFirst);
    } else if (std::strcmp(step, "memory-save-name") == 0 ||
               std::strcmp(step, "memory-load-name") == 0) {
        DialogRobot_AnswerFileDialog(run.colourFile.c_str());
    }
}

bool Cheek(HWND dialog, int32_t, POINT* screen, void* context) {
    const FaceRun& run = *static_cast<const FaceRun*>(context);
    return PanePoint(dialog, *run.photo, kCheekX, kCheekY, screen);
}

RunOutcome Run(const char* modulePath, const char* entryName, FaceRun* run, const char* label) {
    run->visit.drive.call = Call;
    run->visit.drive.point = Cheek;
    run->visit.drive.context = run;
    DialogRobot_TakeAlerts(nullptr, 0);
    const RunOutcome out =
        RunWithEditor(modulePath, entryName, *run->photo, nullptr, &run->visit, label);
    ReportAlerts(label);
    return out;
}

// The dialogs the steps opened over the editor, as their titles say.
void ReportOpened(const FaceRun& run, const char* title, const char* what) {
    const EditorVisit& v = run.visit;
    Report(v.openedCount == 1 && std::strcmp(v.opened[0], title) == 0, what,
           "%d dialogs came up over the editor, the first \"%s\"", int(v.openedCount),
           v.openedCount > 0 ? v.opened[0] : "");
}

// A run from stored settings with start mode Previous that change nothing.
bool Prepare(FaceRun* run, const Document& photo, bool cancels, const char* what) {
    run->photo = &photo;
    run->visit.cancels = cancels;
    return Report(WritePreviousPrefs(0.5f), what, "cannot write the preferences file");
}

bool SameFunction(const MemoryColorFcn& a, const MemoryColorFcn& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckPreferences(const char* modulePath, const char* entryName, const Document& photo) {
    FaceRun run = {};
    if (!Prepare(&run, photo, true, "editor preferences: stored settings written")) return;
    AddStep(&run, kDriveClick, "prefs-open", kItemPreferences, nullptr, 1500);
    AddStep(&run, kDriveShot, "prefs", 0, nullptr, 1500);
    AddStep(&run, kDriveClick, "prefs-click-7", kPrefsShowSampled, nullptr, 300);
    AddStep(&run, kDriveCall, "prefs-read", 0, nullptr, 300);
    AddStep(&run, kDriveKeys, "prefs-return", 0, "key Return", 300);
    AddStep(&run, kDriveClick, "prefs-editor-cancel", kItemCancel, nullptr, 1000);
    Run(modulePath, entryName, &run,
        "Preferences..., Show Sampled Region, Return, then Cancel the editor");
    ReportOpened(run, "Vantoria Preferences",
                 "editor preferences: a click on Preferences... opened the preferences dialog");
    Report(run.showSampledChecked,
           "editor preferences: Show Sampled Region shows checked after the click", "unchecked");
    PrefsRecord stored;
    const bool read = ReadPrefsFile(&stored);
    Report(read && stored.showSampledRegion == 1 && stored.useLargestWindow == 0 &&
               stored.startMode == kStartPrevious,
           "editor preferences: OK stored Show Sampled Region on, the other preferences as they "
           "were",
           "%s: show sampled region %d, largest window %d, start mode %u",
           read ? "stored" : "no preferences file", int(stored.showSampledRegion),
           int(stored.useLargestWindow), unsigned(stored.startMode));
    RemovePrefs();
}

// Sharpen and noise removal on, their setup dialog opened over the
// photograph and cancelled; then, back on the main face, skin sampled on the
// astronaut's cheek, and the editor cancelled (which keeps the settings as
// the previous ones).
void CheckFilterSetup(const char* modulePath, const char* entryName, const Document& photo) {
    FaceRun run = {};
    if (!Prepare(&run, photo, true, "editor setup: stored settings written")) return;
    AddStep(&run, kDriveClick, "setup-click-55", kItemSharpen, nullptr, 1500);
    AddStep(&run, kDriveClick, "setup-click-56", kItemRemoveNoise, nullptr, 500);
    AddStep(&run, kDriveClick, "setup-open", kItemFilterSetup, nullptr, 800);
    AddStep(&run, kDriveShot, "setup", 0, nullptr, 2500);
    AddStep(&run, kDriveShot, "setup-preview", kSetupPreview, nullptr, 0);
    AddStep(&run, kDriveClick, "setup-cancel", kItemCancel, nullptr, 300);
    AddStep(&run, kDriveClick, "editor-click-skin", kItemSkin, nullptr, 1000);
    AddStep(&run, kDrivePoint, "editor-click-cheek", kItemPane, nullptr, 300);
    AddStep(&run, kDriveShot, "editor-skin", 0, nullptr, 300);
    AddStep(&run, kDriveClick, "setup-editor-cancel", kItemCancel, nullptr, 1000);
    Run(modulePath, entryName, &run,
        "Sharpen, Remove Noise, Setup... and its Cancel, skin sampled on the cheek, then Cancel "
        "the editor");
    ReportOpened(run, "Sharpen / Remove Noise",
                 "editor setup: a click on Setup... opened the sharpen / noise setup dialog");
    PrefsRecord stored, start;
    const bool read = ReadPrefsFile(&stored) && SetDefaultPrefsRecord(&start) == 0;
    const EditPars& p = stored.previous;
    const MemoryColorBin& skin = p.customBinColors[kSkinSlot];
    const MemoryColorBin& before = start.previous.customBinColors[kSkinSlot];
    Report(read && p.doSharpen == 1 && p.doRemoveNoise == 1 &&
               std::memcmp(skin.samplesBin, before.samplesBin, sizeof skin.samplesBin) != 0,
           "editor setup: Cancel kept sharpen and noise removal on and the skin samples of the "
           "click on the cheek",
           "%s: sharpen %d, remove noise %d, skin samples %s", read ? "stored" : "no preferences",
           int(p.doSharpen), int(p.doRemoveNoise),
           std::memcmp(skin.samplesBin, before.samplesBin, sizeof skin.samplesBin) != 0
               ? "taken"
               : "as they started");
    RemovePrefs();
}

// The memory-colour face: skin sampled on the cheek and saved to a file, the
// visit cancelled (the definition goes back), then on a second visit the
// file loaded and the face saved; OK applies it.
void CheckMemoryFace(const char* modulePath, const char* entryName, const Document& photo) {
    char folder[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    FaceRun run = {};
    if (length == 0 || length >= sizeof folder ||
        !Prepare(&run, photo, false, "memory face: stored settings written"))
        return;
    run.colourFile = std::string(folder) + "\\photos\\skin-colour.txt";
    DeleteFileA(run.colourFile.c_str());
    const int32_t dialogsBefore = DialogRobot_FileDialogsSeen();
    AddStep(&run, kDriveClick, "memory-enter", kItemModifyColours, nullptr, 1500);
    AddStep(&run, kDriveCall, "memory-face-read", 0, nullptr, 500);
    AddStep(&run, kDriveShot, "memory-face", 0, nullptr, 0);
    AddStep(&run, kDriveClick, "memory-click-skin", kItemSkin, nullptr, 300);
    AddStep(&run, kDrivePoint, "memory-click-cheek", kItemPane, nullptr, 500);
    AddStep(&run, kDriveShot, "memory-face-skin", 0, nullptr, 1000);
    AddStep(&run, kDriveCall, "memory-save-name", 0, nullptr, 0);
    AddStep(&run, kDriveClick, "memory-click-save", kItemColourSave, nullptr, 300);
    AddStep(&run, kDriveClick, "memory-cancel", kItemFaceCancel, nullptr, 1500);
    AddStep(&run, kDriveClick, "memory-enter-again", kItemModifyColours, nullptr, 800);
    AddStep(&run, kDriveCall, "memory-load-name", 0, nullptr, 800);
    AddStep(&run, kDriveClick, "memory-click-load", kItemColourLoad, nullptr, 300);
    AddStep(&run, kDriveClick, "memory-save-face", kItemFaceSave, nullptr, 1500);
    AddStep(&run, kDriveShot, "memory-after", 0, nullptr, 800);
    AddStep(&run, kDrivePoint, "memory-click-cheek-main", kItemPane, nullptr, 300);
    AddStep(&run, kDriveClick, "memory-ok", kItemOk, nullptr, 300);
    const RunOutcome edited =
        Run(modulePath, entryName, &run,
            "Modify/Add Colors..., skin sampled and saved, Cancel, Load... and Save, then OK");
    Report(run.faceShown == kItemFaceLast - kItemFaceFirst + 1 && !run.mainButtonsShown &&
               !run.mainItemShown,
           "memory face: Modify/Add Colors... shows the face's items 31 to 48, hides OK, "
           "Cancel and the main face",
           "%d of its items show, OK or Cancel %s, Auto Black Point %s", int(run.faceShown),
           run.mainButtonsShown ? "shows" : "hidden", run.mainItemShown ? "shows" : "hidden");
    Report(DialogRobot_FileDialogsSeen() - dialogsBefore == 2,
           "memory face: Save... and Load... each asked for a file", "%d file dialogs came up",
           int(DialogRobot_FileDialogsSeen() - dialogsBefore));
    MemoryColorBin saved = {};
    const int32_t readStatus = ReadMemoryColor(&saved, run.colourFile.c_str());
    PrefsRecord recorded, start;
    const bool decoded = edited.ran && DecodeRecording(edited.recorded, &recorded) &&
                         SetDefaultPrefsRecord(&start) == 0;
    const MemoryColorFcn& kept = recorded.previous.customBinColors[kSkinSlot].fcn;
    Report(readStatus == 0 && decoded && SameFunction(kept, saved.fcn) &&
               !SameFunction(kept, start.previous.customBinColors[kSkinSlot].fcn),
           "memory face: the recording holds the skin colour saved from the cheek, loaded back "
           "after Cancel",
           "file read %d, %s, %s", int(readStatus), decoded ? "recorded" : "no recording",
           !decoded                         ? "-"
           : !SameFunction(kept, saved.fcn) ? "not the file's skin"
                                            : "the default skin");
    if (!decoded) {
        RemovePrefs();
        return;
    }
    RemovePrefs();
    const RunOutcome replayed = RunDocument(modulePath, entryName, photo, &edited.recorded,
                                            plugInDialogDontDisplay, "memory face");
    ReportSame("memory face: the result equals a replay of its recording without the dialog",
               edited, replayed);
    DeleteFileA(run.colourFile.c_str());
    RemovePrefs();
}
}  // namespace

void CheckEditorFaces(const char* modulePath, const char* entryName) {
    Document photo;
    if (!ReadPhoto(&photo)) return;
    CheckPreferences(modulePath, entryName, photo);
    CheckFilterSetup(modulePath, entryName, photo);
    CheckMemoryFace(modulePath, entryName, photo);
}
