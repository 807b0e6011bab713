// The memory-colour face of the editor: entering it from the main face and
// leaving it with Cancel or Save. The face shares items 3 to 10 with the
// main face; the memory colour buttons, the pop-up and the gradient move up
// while it shows.
#include <cstring>
#include <initializer_list>

#include "editor/editor_internal.h"
#include "engine/edit_pars.h"
#include "ui/dialog.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr int32_t kFaceShift = 131;  // pixels the shared colour items move up
constexpr int32_t kFirstCustom = 2;
constexpr char kMinPrintable = 32;
constexpr char kMaxPrintable = 126;

bool IsCustom(int32_t slot) {
    return slot >= kFirstCustom;
}

void MoveSharedItems(void* dialog, int32_t dy) {
    for (int32_t item = kItemNeutral; item <= kItemGradient; ++item) {
        UiRect r = {};
        if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) continue;
        r.top = int16_t(r.top + dy);
        r.bottom = int16_t(r.bottom + dy);
        Ui_Dlg_MoveItem(dialog, item, &r);
    }
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
    MemoryFace_ClearRadios(dialog);
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
    MemoryFace_ClearRadios(dialog);
    e.colourUndo = ColourUndo{};
    Ui_Dlg_Enable(dialog, kItemColourUndo, 0);
    e.sampleCount = 0;
    e.memoryMode = 1;
    MemoryFace_Update(dialog);
    if (!e.previewOn) Pane_Redraw(dialog);
    Ui_Dlg_Invalidate(dialog, 0);
}

namespace {

void NameChanged(void* dialog) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    if (!IsCustom(e.currentColour)) return;
    MemoryFace_ClearRadios(dialog);
    char typed[kBinNameBytes], name[kBinNameBytes];
    if (Ui_Dlg_GetItemText(dialog, kItemName, typed, sizeof typed) != kUiOk) return;
    MemoryFace_CleanName(typed, name);
    MemoryColorBin& bin = edit->pars.customBinColors[e.currentColour];
    if (std::strcmp(name, bin.name) == 0) return;
    Editor_Snapshot(dialog, false);
    std::memcpy(bin.name, name, sizeof bin.name);
    ColourSlots_FillPopup(dialog);
}

void Radio(void* dialog, int32_t item) {
    MemoryFace_SetSlider(dialog, item);
    Ui_Dlg_Focus(dialog, kItemHueStrip);
}

// Undo of the face: the saved slot made current again with its entry, and
// the sample count of an undone eyedropper sample.
void Undo(void* dialog) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    ColourUndo& undo = e.colourUndo;
    if (!undo.available) return;
    char shown[kBinNameBytes] = "";
    Ui_Dlg_GetItemText(dialog, kItemName, shown, sizeof shown);
    const int32_t old = e.currentColour;
    e.currentColour = undo.slot;
    if (IsCustom(undo.slot)) e.lastCustom = undo.slot;
    edit->pars.customBinColors[undo.slot] = undo.saved;
    if (undo.withSample) e.sampleCount = undo.sampleCount;
    Ui_Dlg_Invalidate(dialog, old == 0 ? kItemNeutral : old == 1 ? kItemSkin : kItemCustom);
    MemoryFace_Update(dialog);
    MemoryFace_Apply(dialog);
    if (IsCustom(undo.slot) && std::strcmp(undo.saved.name, shown) != 0)
        MemoryFace_SelectName(dialog);
    undo = ColourUndo{};
    Ui_Dlg_Enable(dialog, kItemColourUndo, 0);
}

// The next lower defined custom slot below slot, wrapping from 2 to 9; -1
// when there is none.
int32_t DefinedBelow(const EditPars& pars, int32_t slot) {
    int32_t s = slot;
    for (int32_t step = 0; step < kMemoryColorBins - kFirstCustom; ++step) {
        s = s > kFirstCustom ? s - 1 : kMemoryColorBins - 1;
        if (pars.customBinColors[s].haveDef) return s;
    }
    return -1;
}

// "Restore" brings back the built-in Neutral or Skin; "Clear" empties a
// custom slot and moves to the next lower defined one, or to Skin.
void ClearOrRestore(void* dialog) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    const int32_t slot = e.currentColour;
    if (IsCustom(slot) && !ColourSlots_AnyCustomDefined(edit->pars)) {
        Ui_Dlg_Enable(dialog, kItemClear, 0);
        return;
    }
    Editor_Snapshot(dialog, false);
    MemoryColorBin& bin = edit->pars.customBinColors[slot];
    if (!IsCustom(slot)) {
        MemoryColorBin builtIn = {};
        SetPredefinedMemoryColor(slot == 0 ? kColorNeutrals : kColorSkin, &builtIn);
        bin.haveDef = 1;
        bin.fcn = builtIn.fcn;
        std::memcpy(bin.name, builtIn.name, sizeof bin.name);
    } else {
        bin.haveDef = 0;
        std::strcpy(bin.name, " ");
        ClearMemorySamples(&bin);
        const int32_t below = DefinedBelow(edit->pars, slot);
        if (below >= 0) {
            e.currentColour = below;
            e.lastCustom = below;
        } else {
            e.currentColour = 1;
            Ui_Dlg_Invalidate(dialog, 0);
        }
        Ui_Dlg_Invalidate(dialog, kItemCustom);
        Ui_Dlg_Invalidate(dialog, kItemSkin);
    }
    e.sampleCount = 0;
    MemoryFace_Update(dialog);
    MemoryFace_Apply(dialog);
}

}  // namespace

void MemoryFace_CleanName(const char* text, char name[kBinNameBytes]) {
    int32_t n = 0;
    for (; text[n] != 0 && n < kBinNameBytes - 1; ++n)
        name[n] = text[n] >= kMinPrintable && text[n] <= kMaxPrintable ? text[n] : ' ';
    name[n] = 0;
    if (n == 0) std::strcpy(name, " ");
}

void MemoryFace_ClearRadios(void* dialog) {
    Editor_State(dialog)->editor.activeSlider = -1;
    for (int32_t item = kItemHueRadio; item <= kItemDHueRadio; ++item)
        Ui_Dlg_SetCheck(dialog, item, 0);
}

void MemoryFace_SetSlider(void* dialog, int32_t item) {
    Editor_State(dialog)->editor.activeSlider = item;
    for (int32_t r = kItemHueRadio; r <= kItemDHueRadio; ++r)
        Ui_Dlg_SetCheck(dialog, r, r == item ? 1 : 0);
}

void MemoryFace_SelectName(void* dialog) {
    Ui_Dlg_Focus(dialog, kItemName);
    Ui_Dlg_SelectAllText(dialog, kItemName);
}

void MemoryFace_RedrawColour(void* dialog) {
    for (int32_t item = kItemHueValue; item <= kItemChromaStrip; ++item)
        Ui_Dlg_Invalidate(dialog, item);
    Ui_Dlg_Invalidate(dialog, kItemGradient);
}

void MemoryFace_Apply(void* dialog) {
    Editor_Rebuild(dialog);
    Pane_Redraw(dialog);
}

void MemoryFace_Update(void* dialog) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    const bool custom = IsCustom(e.currentColour);
    UiState* ui = e.host->ui;
    char label[kUiStringCapacity];
    Ui_ResToCString(ui, custom ? kStrClear : kStrRestore, label, sizeof label);
    Ui_Dlg_SetItemText(dialog, kItemClear, label);
    Ui_Dlg_Enable(dialog, kItemClear, 1);
    for (const int32_t item : {kItemNameLabel, kItemName})
        Ui_Dlg_Show(dialog, item, custom ? 1 : 0);
    if (custom)
        Ui_Dlg_SetItemText(dialog, kItemName, edit->pars.customBinColors[e.currentColour].name);
    ColourSlots_FillPopup(dialog);  // shows the pop-up only for a custom slot
    MemoryFace_RedrawColour(dialog);
    if (custom) {
        MemoryFace_SelectName(dialog);
        MemoryFace_ClearRadios(dialog);
    }
}

void MemoryFace_ItemHit(void* dialog, int32_t item) {
    switch (item) {
        case kItemName:
            NameChanged(dialog);
            return;
        case kItemHueRadio:
        case kItemChromaRadio:
        case kItemDHueRadio:
            Radio(dialog, item);
            return;
        case kItemPicker:
            MemoryFace_Picker(dialog);
            return;
        case kItemImport:
            MemoryFace_Import(dialog);
            return;
        case kItemLoad:
            MemoryFace_Load(dialog);
            return;
        case kItemSave:
            MemoryFace_Save(dialog);
            return;
        case kItemColourUndo:
            Undo(dialog);
            return;
        case kItemClear:
            ClearOrRestore(dialog);
            return;
        case kItemFaceCancel:
        case kItemFaceSave:
            Leave(dialog, item == kItemFaceSave);
            return;
        default:
            return;
    }
}
