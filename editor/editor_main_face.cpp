// The main face of the editor: its set-up, the check boxes and the buttons
// that end the dialog, and the routing of item hits, keys and tracks.
#include <cstring>

#include "editor/dialog_items.h"
#include "editor/editor_dialogs.h"
#include "editor/editor_internal.h"
#include "editor/prefs_record.h"
#include "icc/profile_export.h"
#include "resources/help_text.h"
#include "ui/alert.h"
#include "ui/cursor.h"
#include "ui/dialog.h"
#include "ui/draw.h"
#include "ui/help.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kFrameColour = 0x808080;
constexpr int32_t kVirtualLeft = 0x25;
constexpr int32_t kVirtualRight = 0x27;

const int32_t kGroupFrames[] = {48, 50, 52, 54};
const int32_t kValueItems[] = {kItemBrightnessValue, kItemContrastValue};
const int32_t kArrowItems[] = {kItemBrightnessDown, kItemBrightnessUp, kItemContrastDown,
                               kItemContrastUp};
const int32_t kColourButtons[] = {kItemNeutral, kItemSkin, kItemCustom};

bool FiltersOn(const EditPars& pars) {
    return pars.doSharpen != 0 || pars.doRemoveNoise != 0;
}

// A group frame: a rectangle round the group with a gap at its top edge for
// the title, the static item whose id is one lower.
void GroupFrame_Draw(void* dialog, int32_t item, void* dc) {
    UiRect r = {}, title = {};
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    const bool titled = Ui_Dlg_ItemRect(dialog, item - 1, &title) == kUiOk;
    const int32_t top = r.top, bottom = r.bottom - 1, left = r.left, right = r.right - 1;
    int32_t gapLeft = left + 8, gapRight = left + 8;
    if (titled && title.right > title.left) {
        gapLeft = title.left - 2 > left ? title.left - 2 : left;
        gapRight = title.right + 2 < right ? title.right + 2 : right;
    }
    const int32_t rest[] = {gapRight, top,    right, top, right,   bottom,
                            left,     bottom, left,  top, gapLeft, top};
    Ui_Draw_Polyline(dc, rest, 6, kFrameColour);
}

int32_t AttachDrawProcs(void* dialog) {
    for (const int32_t item : kGroupFrames)
        UI_TRY(Ui_Dlg_SetUserItemProc(dialog, item, GroupFrame_Draw));
    UI_TRY(Ui_Dlg_SetUserItemProc(dialog, kItemHelp, HelpItem_Draw));
    for (const int32_t item : kColourButtons)
        UI_TRY(Ui_Dlg_SetUserItemProc(dialog, item, ColourButtons_Draw));
    for (const int32_t item : kArrowItems)
        UI_TRY(Ui_Dlg_SetUserItemProc(dialog, item, Arrows_Draw));
    for (const int32_t item : kValueItems)
        UI_TRY(Ui_Dlg_SetUserItemProc(dialog, item, Values_Draw));
    UI_TRY(MemoryFace_AttachDrawProcs(dialog));
    return Ui_Dlg_SetUserItemProc(dialog, kItemGradient, Gradient_Draw);
}

// OK: with Alt the correction is exported as a profile and the dialog ends
// as cancelled; otherwise the transform is built for the document's sample
// size, and the dialog stays open when that fails.
void Ok(void* dialog) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    if (Editor_AltDown(dialog)) {
        ProfileExportSource source = {};
        source.editPars = &edit->pars;
        source.tintwork = edit->transform != nullptr ? edit->transform->tintwork : nullptr;
        source.documentName = edit->title;
        source.diagnostics = e.host->diagnostics;
        source.ui = e.host->ui;
        ExportProfile(e.host->ui, &source);  // reported; the dialog ends either way
        e.host->prefs->previous = edit->pars;
        Ui_Dlg_SetDone(dialog, kItemCancel);
        return;
    }
    if (Editor_Finish(edit) != kUiOk) return;
    Ui_Dlg_SetDone(dialog, kItemOK);
}

// A check box of a switch of the settings: snapshot, toggle, check.
void ToggleSwitch(void* dialog, int32_t item, uint8_t* flag) {
    Editor_Snapshot(dialog, false);
    *flag = *flag ? 0 : 1;
    Ui_Dlg_SetCheck(dialog, item, *flag);
}

void AutoPoint(void* dialog, int32_t item) {
    EditPars& pars = Editor_State(dialog)->pars;
    ToggleSwitch(dialog, item, item == kItemAutoBlack ? &pars.doAutoBlack : &pars.doAutoWhite);
    Editor_Rebuild(dialog);
    Pane_Redraw(dialog);
}

void Preview(void* dialog) {
    EditorState& e = Editor_State(dialog)->editor;
    e.previewOn = e.previewOn ? 0 : 1;
    Ui_Dlg_SetCheck(dialog, kItemPreview, e.previewOn);
    Pane_Redraw(dialog);
}

// Sharpen and noise removal change only what the pass does after the
// transform: the preview is redrawn, the transform stays.
void Filter(void* dialog, int32_t item) {
    EditState* edit = Editor_State(dialog);
    const int32_t before = Ui_Cursor_Current();
    Ui_Cursor_Set(kUiCursorWait);
    EditPars& pars = edit->pars;
    ToggleSwitch(dialog, item, item == kItemSharpen ? &pars.doSharpen : &pars.doRemoveNoise);
    Pane_Redraw(dialog);
    Ui_Cursor_Set(before);
    Ui_Dlg_Enable(dialog, kItemFilterSetup, FiltersOn(edit->pars) ? 1 : 0);
}

void MainFace_ItemHit(void* dialog, int32_t item) {
    EditState* edit = Editor_State(dialog);
    switch (item) {
        case kItemOK:
            Ok(dialog);
            return;
        case kItemCancel:
            edit->editor.host->prefs->previous = edit->pars;
            Ui_Dlg_SetDone(dialog, kItemCancel);
            return;
        case kItemAutoBlack:
        case kItemAutoWhite:
            AutoPoint(dialog, item);
            return;
        case kItemPreview:
            Preview(dialog);
            return;
        case kItemModifyColours:
            MemoryFace_Enter(dialog);
            return;
        case kItemUndo:
            SettingsButtons_Undo(dialog);
            return;
        case kItemReset:
            SettingsButtons_Reset(dialog);
            return;
        case kItemCustomSettings:
            SettingsButtons_Custom(dialog);
            return;
        case kItemPrevious:
            SettingsButtons_Previous(dialog);
            return;
        case kItemPreferences:
            Editor_OpenPreferences(dialog);
            return;
        case kItemSaveCustom:
            SettingsButtons_SaveCustom(dialog);
            return;
        case kItemSharpen:
        case kItemRemoveNoise:
            Filter(dialog, item);
            return;
        case kItemFilterSetup:
            if (edit->editor.initialised) Editor_OpenFilterSetup(dialog);
            return;
        default:
            return;
    }
}

}  // namespace

bool Editor_AltDown(void* dialog) {
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    return rec != nullptr && rec->alt != 0;
}

void Editor_ShowItems(void* dialog, int32_t first, int32_t last, int32_t shown) {
    for (int32_t item = first; item <= last; ++item) Ui_Dlg_Show(dialog, item, shown);
}

void Editor_SyncChecks(void* dialog) {
    const EditPars& pars = Editor_State(dialog)->pars;
    Ui_Dlg_SetCheck(dialog, kItemSharpen, pars.doSharpen);
    Ui_Dlg_SetCheck(dialog, kItemRemoveNoise, pars.doRemoveNoise);
    Ui_Dlg_SetCheck(dialog, kItemAutoBlack, pars.doAutoBlack);
    Ui_Dlg_SetCheck(dialog, kItemAutoWhite, pars.doAutoWhite);
    Ui_Dlg_Enable(dialog, kItemFilterSetup, FiltersOn(pars) ? 1 : 0);
}

int32_t Editor_Report(void* dialog, int32_t status, StringId context, const char* text) {
    UiState* ui = Editor_State(dialog)->editor.host->ui;
    return Ui_Alert_ReportErrorf(ui, status, context, nullptr, text != nullptr ? text : "");
}

bool Editor_AskYesNo(void* dialog, StringId question) {
    UiState* ui = Editor_State(dialog)->editor.host->ui;
    char text[kUiStringCapacity], yes[kUiStringCapacity], no[kUiStringCapacity];
    Ui_ResToCString(ui, question, text, sizeof text);
    Ui_ResToCString(ui, kStrYes, yes, sizeof yes);
    Ui_ResToCString(ui, kStrNo, no, sizeof no);
    int32_t pressed = 0;
    return Ui_Alert_Question(ui, text, yes, no, 0, &pressed) == kUiOk && pressed == 1;
}

int32_t MainFace_SetUp(void* dialog) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    char title[kUiStringCapacity];
    UI_TRY(Ui_Dlg_SetTitle(dialog, Ui_ResString(e.host->ui, kStrProductName, title)));
    UI_TRY(Ui_Dlg_SetItemText(dialog, kItemOK, "OK"));
    UI_TRY(Ui_Dlg_SetDefaultButton(dialog, kItemOK));
    UI_TRY(AttachDrawProcs(dialog));
    Ui_Dlg_SetCheck(dialog, kItemPreview, e.previewOn);
    Editor_SyncChecks(dialog);
    Ui_Dlg_Enable(dialog, kItemUndo, 0);
    UI_TRY(ColourSlots_FillPopup(dialog));
    e.activeSlider = -1;
    for (int32_t item = kItemHueRadio; item <= kItemDHueRadio; ++item)
        Ui_Dlg_SetCheck(dialog, item, 0);
    Ui_Dlg_Show(dialog, kItemHiddenCombo, 0);
    Editor_ShowItems(dialog, kItemFaceFirst, kItemFaceLast, 0);
    return kUiOk;
}

int32_t Editor_TrackItem(void* dialog, int32_t item, int32_t phase) {
    switch (item) {
        case kItemHelp: {
            const EditorState& e = Editor_State(dialog)->editor;
            return HelpItem_Track(dialog, kItemHelp, phase, e.host->helpPath,
                                  e.memoryMode ? kHelpTopicMemoryColours : kHelpTopicMain);
        }
        case kItemNeutral:
        case kItemSkin:
        case kItemCustom:
            return ColourButtons_Track(dialog, item, phase);
        case kItemBrightnessDown:
        case kItemBrightnessUp:
        case kItemContrastDown:
        case kItemContrastUp:
            return Arrows_Track(dialog, item, phase);
        case kItemHueStrip:
        case kItemChromaStrip:
            return MemoryFace_TrackStrip(dialog, item, phase);
        default:
            return 0;
    }
}

void Editor_ItemHit(void* dialog, int32_t item) {
    EditState* edit = Editor_State(dialog);
    if (edit == nullptr) return;
    if (item == kItemCustomPopup) {
        ColourSlots_PopupChoice(dialog);
        return;
    }
    if (edit->editor.memoryMode)
        MemoryFace_ItemHit(dialog, item);
    else
        MainFace_ItemHit(dialog, item);
}

int32_t Editor_Key(void* dialog, int32_t virtualKey, int32_t ctrl) {
    EditState* edit = Editor_State(dialog);
    if (edit == nullptr) return 0;
    EditorState& e = edit->editor;
    if (ctrl && virtualKey >= '0' && virtualKey <= '9') {
        const int32_t slot = virtualKey == '0' ? 9 : virtualKey - '1';
        if (!e.memoryMode && !edit->pars.customBinColors[slot].haveDef) return 1;
        if (slot >= 2) e.lastCustom = slot;
        ColourSlots_Select(dialog, slot);
        return 1;
    }
    if (ctrl && (virtualKey == 'Z' || virtualKey == 'z')) {
        if (e.memoryMode)
            MemoryFace_ItemHit(dialog, kItemColourUndo);
        else
            SettingsButtons_Undo(dialog);
        return 1;
    }
    if ((virtualKey == kVirtualLeft || virtualKey == kVirtualRight) && e.activeSlider != -1)
        return MemoryFace_ArrowKey(dialog, virtualKey);
    return 0;
}

void Editor_OpenPreferences(void* dialog) {
    RunPreferencesDialog(Editor_State(dialog)->editor.host);
}

void Editor_OpenFilterSetup(void* dialog) {
    if (RunFilterSetupDialog(Editor_State(dialog)) == kUiOk) Pane_Redraw(dialog);
}
