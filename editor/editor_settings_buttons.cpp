// The settings buttons of the main face: Reset, Custom and Prev put other
// settings in place, Undo takes back the last change, "Save Custom
// Settings..." writes the settings to a file.
#include <cstring>

#include "editor/editor_internal.h"
#include "editor/prefs_record.h"
#include "editor/settings_file.h"
#include "ui/alert.h"
#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/paths.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

UiState* UiOf(void* dialog) {
    return Editor_State(dialog)->editor.host->ui;
}

PrefsRecord* PrefsOf(void* dialog) {
    return Editor_State(dialog)->editor.host->prefs;
}

// After other settings were put in place: Neutral selected, the pop-up
// refilled (and hidden), the checks from the settings, the transform rebuilt
// and everything redrawn.
void Refresh(void* dialog) {
    EditState* edit = Editor_State(dialog);
    edit->editor.currentColour = 0;
    ColourSlots_FillPopup(dialog);
    Editor_SyncChecks(dialog);
    Editor_Rebuild(dialog);
    Ui_Dlg_Invalidate(dialog, 0);
}

// Stored settings through the working-space question; its cancel keeps the
// current settings, and the controls are refreshed either way.
void Apply(void* dialog, const EditPars& stored) {
    EditState* edit = Editor_State(dialog);
    ApplyStoredSettings(UiOf(dialog), &stored, &edit->pars, 1);
    Refresh(dialog);
}

// The folder part of path (up to its last separator) into folder.
void FolderOf(const char* path, char* folder, size_t capacity) {
    const size_t n = size_t(Ui_Path_FileName(path) - path);
    const size_t kept = n < capacity ? n : capacity - 1;
    std::memcpy(folder, path, kept);
    folder[kept] = 0;
}

// The proposed name of saved settings: the title's file name without its
// extension, followed by "Pars", in the custom settings folder when that
// fits.
void ProposedName(UiState* ui, const char* title, const char* folder, char* path, size_t capacity) {
    const char* name = title;
    for (const char* p = title; *p != 0; ++p)
        if (*p == '\\' || *p == ':') name = p + 1;
    char stem[kUiPathCapacity];
    Ui_Sprintf(stem, sizeof stem, "%s", name);
    if (char* dot = std::strrchr(stem, '.')) *dot = 0;
    char suffix[kUiStringCapacity];
    Ui_ResToCString(ui, kStrCustomSettingsSuffix, suffix, sizeof suffix);
    char file[kUiPathCapacity];
    Ui_Sprintf(file, sizeof file, "%s%s", stem, suffix);
    Ui_Sprintf(path, capacity, "%s", folder);
    if (path[0] == 0 || Ui_Path_Append(path, capacity, file) != kUiOk)
        Ui_Sprintf(path, capacity, "%s", file);
}

}  // namespace

int32_t LoadCustomSettings(UiState* ui, PrefsRecord* prefs) {
    char prompt[kUiStringCapacity], path[kUiPathCapacity] = {};
    Ui_ResToCString(ui, kStrSelectCustomSettings, prompt, sizeof prompt);
    UI_TRY(Ui_Path_OpenDialog(ui, prompt, prefs->customFolder, path, sizeof path));
    FolderOf(path, prefs->customFolder, sizeof prefs->customFolder);
    const int32_t status = ReadCustomSettingsFile(&prefs->custom, path, kDefaultPredefinedBins);
    if (status != kUiOk) return Ui_Alert_ReportError(ui, status, nullptr, nullptr);
    Ui_Sprintf(prefs->settingsName, sizeof prefs->settingsName, "%s", Ui_Path_FileName(path));
    return kUiOk;
}

void SettingsButtons_Reset(void* dialog) {
    EditPars& pars = Editor_State(dialog)->pars;
    Editor_Snapshot(dialog, false);
    pars.doAutoBlack = pars.doAutoWhite = pars.doAutoMidGray = 0;
    pars.brightness = pars.contrast = 0.5f;
    for (MemoryColorBin& bin : pars.customBinColors) ClearMemorySamples(&bin);
    Refresh(dialog);
}

void SettingsButtons_Custom(void* dialog) {
    PrefsRecord* prefs = PrefsOf(dialog);
    UiState* ui = UiOf(dialog);
    bool choose = Editor_AltDown(dialog);
    if (!choose && prefs->settingsName[0] == 0) {
        if (!Editor_AskYesNo(dialog, kStrAskLoadCustom)) return;
        choose = true;
    }
    if (choose && LoadCustomSettings(ui, prefs) != kUiOk) return;
    // Taken only now: a "No" or a cancelled choice keeps the undo level.
    Editor_Snapshot(dialog, false);
    Apply(dialog, prefs->custom);
}

void SettingsButtons_Previous(void* dialog) {
    Editor_Snapshot(dialog, false);
    Apply(dialog, PrefsOf(dialog)->previous);
}

void SettingsButtons_Undo(void* dialog) {
    EditState* edit = Editor_State(dialog);
    edit->pars = edit->editor.undoPars;
    Editor_Rebuild(dialog);
    Editor_SyncChecks(dialog);
    Ui_Dlg_Enable(dialog, kItemUndo, 0);
    Ui_Dlg_Invalidate(dialog, 0);
}

void SettingsButtons_SaveCustom(void* dialog) {
    const EditState* edit = Editor_State(dialog);
    PrefsRecord* prefs = PrefsOf(dialog);
    UiState* ui = UiOf(dialog);
    char prompt[kUiStringCapacity], path[kUiPathCapacity];
    Ui_ResToCString(ui, kStrSaveCustomSettings, prompt, sizeof prompt);
    ProposedName(ui, edit->title, prefs->customFolder, path, sizeof path);
    const int32_t chosen = Ui_Path_SaveDialog(ui, prompt, kUiFileKindText, path, sizeof path);
    if (chosen == kUiErrCancelled) return;
    if (chosen != kUiOk) {
        Editor_Report(dialog, chosen, kStrCtxGettingSaveLocation, nullptr);
        return;
    }
    const int32_t written = WriteCustomSettings(&edit->pars, path);
    if (written != kUiOk) {
        Editor_Report(dialog, written, kStrCtxWritingFile, Ui_Path_FileName(path));
        return;
    }
    FolderOf(path, prefs->customFolder, sizeof prefs->customFolder);
}
