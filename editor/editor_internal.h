// What the editor's files share: the dialog's item ids, the actions every
// face takes after a change, and the preview pane's handlers.
#pragma once

#include <cstdint>

#include "editor/editor.h"

// Items of the editor dialog.
enum EditorItem : int32_t {
    kItemOK = 1,
    kItemCancel = 2,
    kItemHelp = 3,
    kItemPane = 4,
    kItemNeutral = 5,
    kItemSkin = 6,
    kItemCustom = 7,
    kItemHiddenCombo = 8,
    kItemCustomPopup = 9,
    kItemGradient = 10,
    kItemAutoBlack = 11,
    kItemAutoWhite = 12,
    kItemBrightnessValue = 14,
    kItemBrightnessDown = 15,
    kItemBrightnessUp = 16,
    kItemContrastValue = 18,
    kItemContrastDown = 19,
    kItemContrastUp = 20,
    kItemModifyColours = 21,
    kItemUndo = 22,
    kItemPreview = 23,
    kItemReset = 24,
    kItemCustomSettings = 25,
    kItemPrevious = 26,
    kItemPreferences = 27,
    kItemSaveCustom = 28,
    kItemNameLabel = 29,
    kItemName = 30,
    kItemHueRadio = 31,
    kItemChromaRadio = 32,
    kItemDHueRadio = 33,
    kItemHueValue = 34,
    kItemChromaValue = 35,
    kItemDHueValue = 36,
    kItemHueStrip = 37,
    kItemChromaStrip = 38,
    kItemPicker = 39,
    kItemImport = 40,
    kItemLoad = 41,
    kItemSave = 42,
    kItemColourUndo = 43,
    kItemClear = 44,
    kItemFaceCancel = 45,
    kItemFaceSave = 46,
    kItemSharpen = 55,
    kItemRemoveNoise = 56,
    kItemFilterSetup = 57,
};

// The edit state of an editor dialog (its user data).
EditState* Editor_State(void* dialog);

// The undo snapshot taken before every change of settings but "Preview".
void Editor_Snapshot(void* dialog, bool withSample);
// Rebuilds the transform from the settings for the preview (one byte per
// sample); a failure is alerted with "creating Tintwork" and leaves no
// transform. Returns the compile's status.
int32_t Editor_Rebuild(void* dialog);

// ---- The main face --------------------------------------------------------------

// Set-up steps of the controls: drawing procedures of the user items, the
// check boxes, the custom pop-up, the hidden items. kUiOk or the first error.
int32_t MainFace_SetUp(void* dialog);
// The item hit and key handlers of the dialog (both faces).
void Editor_ItemHit(void* dialog, int32_t item);
int32_t Editor_Key(void* dialog, int32_t virtualKey, int32_t ctrl);
// Releases the off-screen images of the user items.
void Editor_FreeItemImages(EditState* edit);

// ---- The preview pane (item 4) ------------------------------------------------

// Set-up: enlarges the dialog when the preference asks for it, reads the
// preview for the pane's size and allocates the pane's pixel map. An error
// has been alerted.
int32_t Pane_SetUp(void* dialog);
// Item 4's drawing procedure.
void Pane_Draw(void* dialog, int32_t item, void* dc);
// Marks the pane for redrawing.
void Pane_Redraw(void* dialog);
// The cursor over the dialog, the zoom outline and the highlighted memory
// colour button; the cursor handler's result.
int32_t Pane_Cursor(void* dialog);
// Item 4's mouse tracking (kUiTrack* phases): zoom, pan and sampling.
int32_t Pane_Track(void* dialog, int32_t phase);
// Releases the pane's images.
void Pane_Free(EditState* edit);

// A click of the memory-colour face's eyedropper at (x, y) of the preview
// image.
void MemoryFace_Sample(void* dialog, int32_t x, int32_t y);
