// The preferences dialog: how the editor starts, the custom settings it
// starts with, and the two display options. Everything is edited in a
// scratch copy of the settings record, which replaces the record on OK only.
#include <cstring>

#include "editor/dialog_items.h"
#include "editor/editor_dialogs.h"
#include "editor/editor_internal.h"
#include "editor/settings_file.h"
#include "resources/dialog_table.h"
#include "resources/help_text.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/dialog.h"
#include "ui/draw.h"
#include "ui/paths.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

enum PrefsItem : int32_t {
    kPrefsOk = 1,
    kPrefsCancel = 2,
    kPrefsHelp = 3,
    kPrefsStartWith = 4,
    kPrefsLoad = 5,
    kPrefsName = 6,
    kPrefsShowSampled = 7,
    kPrefsLargest = 8,
    kPrefsRestore = 9,
};

// The Start With entries, in the order of the start modes.
constexpr StringId kStartEntries[kStartModeCount] = {kStrStartPrevious, kStrStartCustom,
                                                     kStrStartReset};

struct PrefsDialog {
    const EditorHost* host;
    PrefsRecord scratch;
};

PrefsDialog* Dlg(void* dialog) {
    return static_cast<PrefsDialog*>(Ui_Dlg_UserData(dialog));
}

void SetControls(void* dialog) {
    const PrefsRecord& p = Dlg(dialog)->scratch;
    Ui_Popup_Select(dialog, kPrefsStartWith, int32_t(p.startMode) + 1);
    Ui_Dlg_SetCheck(dialog, kPrefsShowSampled, p.showSampledRegion);
    Ui_Dlg_SetCheck(dialog, kPrefsLargest, p.useLargestWindow);
}

// Item 6: the custom settings' name, left-aligned and clipped to the item.
void DrawName(void* dialog, int32_t item, void* dc) {
    UiRect r;
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    Ui_Draw_Erase(dc, &r);
    Ui_Draw_Text(dc, &r, Dlg(dialog)->scratch.settingsName, kUiTextLeft);
}

// Custom Settings cannot be the start before any are loaded: the list goes
// back to the start mode it showed.
void ChooseStart(void* dialog) {
    PrefsRecord& p = Dlg(dialog)->scratch;
    int32_t entry = 0;
    if (Ui_Popup_Get(dialog, kPrefsStartWith, &entry) != kUiOk || entry < 1 ||
        entry > int32_t(kStartModeCount))
        return;
    if (uint32_t(entry - 1) == kStartCustom && p.settingsName[0] == 0) {
        UiState* state = Ui_Dlg_State(dialog);
        char text[kUiStringCapacity];
        Ui_Alert_Note(state, Ui_ResString(state, kStrMustLoadCustom, text), nullptr, 1);
        Ui_Popup_Select(dialog, kPrefsStartWith, int32_t(p.startMode) + 1);
        return;
    }
    p.startMode = uint32_t(entry - 1);
}

// The file choice and read of custom settings into the scratch copy, as
// the editor's Custom button makes them.
void LoadCustom(void* dialog) {
    if (LoadCustomSettings(Ui_Dlg_State(dialog), &Dlg(dialog)->scratch) == kUiOk)
        Ui_Dlg_Invalidate(dialog, kPrefsName);
}

void Toggle(void* dialog, int32_t item, uint8_t* option) {
    int32_t checked = 0;
    if (Ui_Dlg_GetCheck(dialog, item, &checked) != kUiOk) return;
    *option = checked != 0 ? 0 : 1;
    Ui_Dlg_SetCheck(dialog, item, *option);
}

void RestoreDefaults(void* dialog) {
    if (SetDefaultPrefsRecord(&Dlg(dialog)->scratch) != kUiOk) return;
    SetControls(dialog);
    Ui_Dlg_Invalidate(dialog, 0);
}

void ItemHit(void* dialog, int32_t item) {
    PrefsRecord& p = Dlg(dialog)->scratch;
    switch (item) {
        case kPrefsOk:
        case kPrefsCancel:
            Ui_Dlg_SetDone(dialog, item);
            break;
        case kPrefsStartWith:
            ChooseStart(dialog);
            break;
        case kPrefsLoad:
            LoadCustom(dialog);
            break;
        case kPrefsShowSampled:
            Toggle(dialog, item, &p.showSampledRegion);
            break;
        case kPrefsLargest:
            Toggle(dialog, item, &p.useLargestWindow);
            break;
        case kPrefsRestore:
            RestoreDefaults(dialog);
            break;
        default:
            break;
    }
}

int32_t Track(void* dialog, int32_t item, int32_t phase) {
    if (item != kPrefsHelp) return 0;
    return HelpItem_Track(dialog, item, phase, Dlg(dialog)->host->helpPath, kHelpTopicPreferences);
}

int32_t Init(void* dialog) {
    UiDlgProcs procs = {};
    procs.itemHit = ItemHit;
    procs.track = Track;
    UI_TRY(Ui_Dlg_SetProcs(dialog, &procs));
    UI_TRY(Ui_Popup_FillFromStrings(dialog, kPrefsStartWith, kStartEntries, kStartModeCount));
    UI_TRY(Ui_Dlg_SetDefaultButton(dialog, kPrefsOk));
    UI_TRY(Ui_Dlg_SetUserItemProc(dialog, kPrefsHelp, HelpItem_Draw));
    UI_TRY(Ui_Dlg_SetUserItemProc(dialog, kPrefsName, DrawName));
    SetControls(dialog);
    Ui_Dlg_Center(dialog);
    return kUiOk;
}

}  // namespace

int32_t RunPreferencesDialog(const EditorHost* host) {
    if (host == nullptr || host->ui == nullptr || host->prefs == nullptr) return kUiErrArg;
    PrefsDialog* d = static_cast<PrefsDialog*>(Ui_Malloc(sizeof(PrefsDialog)));
    if (d == nullptr) return Ui_Alert_ReportError(host->ui, kUiErrMemory, nullptr, nullptr);
    d->host = host;
    // Copied whole, so that the record comes back byte for byte.
    std::memcpy(&d->scratch, host->prefs, sizeof d->scratch);
    // A start mode the list does not have starts the editor reset.
    if (d->scratch.startMode >= kStartModeCount) d->scratch.startMode = kStartReset;
    int32_t item = 0;
    int32_t status = Ui_Dlg_DoModal(host->ui, kDialogPreferences, nullptr, Init, d, &item);
    if (status != kUiOk)
        Ui_Alert_ReportError(host->ui, status, nullptr, nullptr);
    else if (item == kPrefsOk)
        std::memcpy(host->prefs, &d->scratch, sizeof d->scratch);
    else
        status = kUiErrCancelled;
    Ui_Free(d);
    return status;
}
