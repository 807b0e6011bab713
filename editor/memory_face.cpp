// The memory-colour face of the editor: entering it from the main face and
// leaving it with Cancel or Save. The face shares items 3 to 10 with the
// main face; the memory colour buttons, the pop-up and the gradient move up
// while it shows.
#include <cstring>
#include <initializer_list>

#include "editor/editor_internal.h"
#include "ui/dialog.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr int32_t kFaceShift = 131;  // pixels the shared colour items move up

void MoveSharedItems(void* dialog, int32_t dy) {
    for (int32_t item = kItemNeutral; item <= kItemGradient; ++item) {
        UiRect r = {};
        if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) continue;
        r.top = int16_t(r.top + dy);
        r.bottom = int16_t(r.bottom + dy);
        Ui_Dlg_MoveItem(dialog, item, &r);
    }
}

void ClearRadios(void* dialog) {
    Editor_State(dialog)->editor.activeSlider = -1;
    for (int32_t item = kItemHueRadio; item <= kItemDHueRadio; ++item)
        Ui_Dlg_SetCheck(dialog, item, 0);
}

void ShowMainButtons(void* dialog, int32_t shown) {
    for (const int32_t item : {kItemOK, kItemCancel}) {
        Ui_Dlg_Show(dialog, item, shown);
        Ui_Dlg_Enable(dialog, item, shown);
    }
}

// Cancel puts back, for every slot, whether it was defined and, when it was,
// its definition and name; the samples stay as they are now.
void RestoreDefinitions(EditState* edit) {
    const EditPars& entry = edit->editor.undoPars;
    for (int32_t s = 0; s < kMemoryColorBins; ++s) {
        MemoryColorBin& bin = edit->pars.customBinColors[s];
        const MemoryColorBin& was = entry.customBinColors[s];
        bin.haveDef = was.haveDef;
        if (was.haveDef) {
            bin.fcn = was.fcn;
            std::memcpy(bin.name, was.name, sizeof bin.name);
        } else {
            std::strcpy(bin.name, " ");
        }
    }
}

void Leave(void* dialog, bool save) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    if (!save) {
        RestoreDefinitions(edit);
        Editor_Rebuild(dialog);
        Pane_Redraw(dialog);
    }
    char title[kUiStringCapacity], suffix[kUiStringCapacity];
    if (Ui_Dlg_GetTitle(dialog, title, sizeof title) == kUiOk) {
        Ui_ResToCString(e.host->ui, kStrMemoryColorsSuffix, suffix, sizeof suffix);
        const size_t n = std::strlen(title), k = std::strlen(suffix);
        if (n >= k && std::strcmp(title + n - k, suffix) == 0) {
            title[n - k] = 0;
            Ui_Dlg_SetTitle(dialog, title);
        }
    }
    ShowMainButtons(dialog, 1);
    Editor_ShowItems(dialog, kItemMainFirst, kItemMainLast, 1);
    Editor_ShowItems(dialog, kItemMainGroupFirst, kItemMainGroupLast, 1);
    Editor_ShowItems(dialog, kItemFaceFirst, kItemFaceLast, 0);
    MoveSharedItems(dialog, kFaceShift);
    e.memoryMode = 0;
    // A custom slot left undefined by the visit is not shown on the main face.
    if (e.currentColour >= 2 && !edit->pars.customBinColors[e.currentColour].haveDef)
        e.currentColour = 0;
    ColourSlots_FillPopup(dialog);
    ClearRadios(dialog);
    if (!e.previewOn) Pane_Redraw(dialog);
    Ui_Dlg_Invalidate(dialog, 0);
}

}  // namespace

void MemoryFace_Enter(void* dialog) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    if (e.memoryMode) return;
    e.undoPars = edit->pars;  // the entry copy, which the main face's Undo restores
    char title[kUiStringCapacity], suffix[kUiStringCapacity];
    if (Ui_Dlg_GetTitle(dialog, title, sizeof title) == kUiOk) {
        Ui_ResToCString(e.host->ui, kStrMemoryColorsSuffix, suffix, sizeof suffix);
        if (std::strlen(title) + std::strlen(suffix) < sizeof title) {
            std::strcat(title, suffix);
            Ui_Dlg_SetTitle(dialog, title);
        }
    }
    ShowMainButtons(dialog, 0);
    Editor_ShowItems(dialog, kItemMainFirst, kItemMainLast, 0);
    Editor_ShowItems(dialog, kItemMainGroupFirst, kItemMainGroupLast, 0);
    Editor_ShowItems(dialog, kItemFaceRadioFirst, kItemFaceLast, 1);
    MoveSharedItems(dialog, -kFaceShift);
    for (const int32_t item : {kItemNameLabel, kItemName})
        Ui_Dlg_Show(dialog, item, e.currentColour >= 2 ? 1 : 0);
    ClearRadios(dialog);
    e.colourUndo = ColourUndo{};
    Ui_Dlg_Enable(dialog, kItemColourUndo, 0);
    e.sampleCount = 0;
    e.memoryMode = 1;
    ColourSlots_FillPopup(dialog);
    if (!e.previewOn) Pane_Redraw(dialog);
    Ui_Dlg_Invalidate(dialog, 0);
}

void MemoryFace_ItemHit(void* dialog, int32_t item) {
    if (item == kItemFaceCancel || item == kItemFaceSave) Leave(dialog, item == kItemFaceSave);
}

int32_t MemoryFace_ArrowKey(void*, int32_t) {
    return 0;
}

void MemoryFace_Sample(void*, int32_t, int32_t) {}
