// What the editor's files share: the dialog's item ids, the actions every
// face takes after a change, and the preview pane's handlers.
#pragma once

#include <cstdint>

#include "editor/editor.h"
#include "resources/string_table.h"

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

// The end of an OK: the transform built for the document's sample size, the
// settings stored as the previous settings and the pass's sharpen / noise
// settings taken from them. A failed build has been reported; the dialog
// stays open then.
int32_t Editor_Finish(EditState* edit);

// ---- The main face --------------------------------------------------------------

// Set-up steps of the controls: drawing procedures of the user items, the
// check boxes, the custom pop-up, the hidden items. kUiOk or the first error.
int32_t MainFace_SetUp(void* dialog);
// The item hit and key handlers of the dialog (both faces).
void Editor_ItemHit(void* dialog, int32_t item);
int32_t Editor_Key(void* dialog, int32_t virtualKey, int32_t ctrl);
// Releases the off-screen images of the user items.
void Editor_FreeItemImages(EditState* edit);

// Item ranges of the two faces.
constexpr int32_t kItemMainFirst = 11;  // 11 .. 28 and 49 .. 57: the main face
constexpr int32_t kItemMainLast = 28;
constexpr int32_t kItemMainGroupFirst = 49;
constexpr int32_t kItemMainGroupLast = 57;
constexpr int32_t kItemFaceFirst = 29;  // 29 .. 48: the memory-colour face
constexpr int32_t kItemFaceLast = 48;
constexpr int32_t kItemFaceRadioFirst = 31;

// The user items' mouse tracking other than the pane's (kUiTrack* phases):
// the help button, the memory colour buttons and the arrows act on a release
// inside the item.
int32_t Editor_TrackItem(void* dialog, int32_t item, int32_t phase);
// Alt was down at the last event.
bool Editor_AltDown(void* dialog);
// Shows or hides the items first .. last.
void Editor_ShowItems(void* dialog, int32_t first, int32_t last, int32_t shown);
// Check boxes 11, 12, 55 and 56 from the settings, "Setup..." enabled only
// when sharpen or noise removal is on.
void Editor_SyncChecks(void* dialog);
// Asks the question with the buttons "Yes" and "No": true for "Yes".
bool Editor_AskYesNo(void* dialog, StringId question);
// Shows an error with its context string (formatted with text when given);
// the error is returned.
int32_t Editor_Report(void* dialog, int32_t status, StringId context, const char* text);

// ---- Values and arrows (items 14 to 20) ----------------------------------------

void Values_Draw(void* dialog, int32_t item, void* dc);
void Arrows_Draw(void* dialog, int32_t item, void* dc);
int32_t Arrows_Track(void* dialog, int32_t item, int32_t phase);

// ---- Memory colour slots (items 5 to 10) ----------------------------------------

void ColourButtons_Draw(void* dialog, int32_t item, void* dc);
void Gradient_Draw(void* dialog, int32_t item, void* dc);
int32_t ColourButtons_Track(void* dialog, int32_t item, int32_t phase);
// Allocates the off-screen images of items 10, 37 and 38 at their sizes.
int32_t Editor_AllocateItemImages(void* dialog);
// Fills the custom pop-up for the face that shows (the defined custom slots
// on the main face, all eight on the memory-colour face), selects the current
// slot's entry and shows the pop-up only while a custom slot is current.
int32_t ColourSlots_FillPopup(void* dialog);
// Selects slot 0 .. 9 as its button (or Ctrl with its digit) does.
void ColourSlots_Select(void* dialog, int32_t slot);
// A choice in the custom pop-up.
void ColourSlots_PopupChoice(void* dialog);
// A slot defined afresh: named by its number from 1, hue 0, dHue 0,
// chroma 50, no samples.
void ColourSlots_FreshDefinition(MemoryColorBin* bin, int32_t slot);
// Any custom slot (2 .. 9) holds a definition.
bool ColourSlots_AnyCustomDefined(const EditPars& pars);

// ---- Settings buttons (items 22, 24 to 26, 28) ------------------------------------

void SettingsButtons_Reset(void* dialog);
void SettingsButtons_Custom(void* dialog);
void SettingsButtons_Previous(void* dialog);
void SettingsButtons_Undo(void* dialog);
void SettingsButtons_SaveCustom(void* dialog);
// The file choice and read of custom settings: the chosen file's folder
// becomes the custom settings folder; after a good read its settings are the
// custom settings of prefs and its name the custom settings name.
// kUiErrCancelled for a cancelled choice; a failed read has been reported.
int32_t LoadCustomSettings(UiState* ui, PrefsRecord* prefs);

// ---- Dialogs opened from the main face --------------------------

// "Preferences..." and "Setup...": the preferences and the sharpen / noise
// dialogs; the pane is redrawn after the setup's OK.
void Editor_OpenPreferences(void* dialog);
void Editor_OpenFilterSetup(void* dialog);

// ---- The memory-colour face -------------------------------------------------------

// Enters the memory-colour face from the main face.
void MemoryFace_Enter(void* dialog);
// Item hits while the face shows.
void MemoryFace_ItemHit(void* dialog, int32_t item);
// The arrow keys while a slider is active: 1 when handled.
int32_t MemoryFace_ArrowKey(void* dialog, int32_t virtualKey);
// Attaches the drawing procedures of the values (34 to 36) and the strips
// (37, 38).
int32_t MemoryFace_AttachDrawProcs(void* dialog);
// The strips' mouse tracking (kUiTrack* phases).
int32_t MemoryFace_TrackStrip(void* dialog, int32_t item, int32_t phase);
// Shows the face for the current slot: the name and the pop-up of a custom
// slot, "Restore" or "Clear", the values, the strips and the gradient.
void MemoryFace_Update(void* dialog);
// Redraws the values, the strips and the gradient.
void MemoryFace_RedrawColour(void* dialog);
// The end of every change of a definition: the transform rebuilt, the
// preview redrawn.
void MemoryFace_Apply(void* dialog);
// Clears the radio group (no active slider).
void MemoryFace_ClearRadios(void* dialog);
// Makes a slider (31 Hue, 32 Chroma, 33 dHue) active and checks its radio.
void MemoryFace_SetSlider(void* dialog, int32_t item);
// A name as a slot stores it: at most 19 characters, each outside the
// printable range 32 .. 126 a blank, an empty name a single blank.
void MemoryFace_CleanName(const char* text, char name[kBinNameBytes]);
// Selects and focuses the name of a custom slot.
void MemoryFace_SelectName(void* dialog);
// "Picker...", "Import...", "Load..." and "Save...".
void MemoryFace_Picker(void* dialog);
void MemoryFace_Import(void* dialog);
void MemoryFace_Load(void* dialog);
void MemoryFace_Save(void* dialog);
// An 8-bit RGB view of an off-screen image.
IPImage ItemImageView(const ItemImage& image);

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
