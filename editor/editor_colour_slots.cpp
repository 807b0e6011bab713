// The memory colour slots on the editor: the three buttons (items 5 to 7),
// the custom pop-up (9), the gradient of the selected colour (10), the
// selection of a slot and the off-screen images of the user items.
#include <cstdio>
#include <cstring>

#include "editor/dialog_items.h"
#include "editor/editor_internal.h"
#include "engine/memory_colour.h"
#include "resources/pictures.h"
#include "ui/allocator.h"
#include "ui/dialog.h"
#include "ui/draw.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr int32_t kFirstCustom = 2;
constexpr int32_t kCustomSlots = kMemoryColorBins - kFirstCustom;
constexpr uint32_t kHighlightColour = 0x3060C0;
constexpr uint8_t kEmptyGrey = 0xE0;
constexpr int32_t kEntryBytes = kBinNameBytes + 16;

int32_t ButtonOfSlot(int32_t slot) {
    return slot == 0 ? kItemNeutral : slot == 1 ? kItemSkin : kItemCustom;
}

// The custom slots the pop-up lists: all on the memory-colour face, the
// defined ones on the main face.
bool Listed(const EditState* edit, int32_t slot) {
    return edit->editor.memoryMode || edit->pars.customBinColors[slot].haveDef;
}

// The entry (from 1) of a custom slot; 0 when the slot is not listed.
int32_t EntryOfSlot(const EditState* edit, int32_t slot) {
    if (slot < kFirstCustom || !Listed(edit, slot)) return 0;
    int32_t entry = 0;
    for (int32_t s = kFirstCustom; s <= slot; ++s)
        if (Listed(edit, s)) ++entry;
    return entry;
}

int32_t SlotOfEntry(const EditState* edit, int32_t entry) {
    for (int32_t s = kFirstCustom; s < kMemoryColorBins; ++s)
        if (Listed(edit, s) && --entry == 0) return s;
    return -1;
}

void ShowPopupFor(void* dialog, int32_t slot) {
    const EditState* edit = Editor_State(dialog);
    const int32_t entry = EntryOfSlot(edit, slot);
    if (entry > 0) Ui_Popup_Select(dialog, kItemCustomPopup, entry);
    Ui_Dlg_Show(dialog, kItemCustomPopup, entry > 0 ? 1 : 0);
}

int32_t AllocateImage(void* dialog, int32_t item, ItemImage* image) {
    UiRect r = {};
    UI_TRY(Ui_Dlg_ItemRect(dialog, item, &r));
    const int32_t width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return kUiOk;
    const int32_t rowBytes = (width * 3 + 3) & ~3;
    image->pixels = static_cast<uint8_t*>(Ui_Malloc(uint32_t(rowBytes) * uint32_t(height)));
    if (image->pixels == nullptr) return kUiErrMemory;
    image->width = width;
    image->height = height;
    image->rowBytes = rowBytes;
    return kUiOk;
}

void FreeImage(ItemImage* image) {
    Ui_Free(image->pixels);
    *image = ItemImage{};
}

// The gradient of a defined slot from dark to light; an undefined slot, or
// one whose gradient cannot be made, shows a plain grey.
void FillGradient(const EditState* edit, const ItemImage& image) {
    const MemoryColorBin& bin = edit->pars.customBinColors[edit->editor.currentColour];
    const IPImage view = ItemImageView(image);
    if (bin.haveDef && DrawMemoryColorGradient(bin.fcn, edit->pars.refRGB, &view) == kUiOk) return;
    std::memset(image.pixels, kEmptyGrey, size_t(image.rowBytes) * size_t(image.height));
}

}  // namespace

IPImage ItemImageView(const ItemImage& image) {
    IPImage view = {};
    view.kind = kIPImageColour;
    view.planeCount = 3;
    view.bytesPerSample = 1;
    view.width = image.width;
    view.height = image.height;
    view.resolution = 72.0f;
    view.sampleStride = 3;
    view.rowStride = image.rowBytes;
    for (int32_t c = 0; c < 3; ++c) view.planes[c] = image.pixels + c;
    return view;
}

bool ColourSlots_AnyCustomDefined(const EditPars& pars) {
    for (int32_t s = kFirstCustom; s < kMemoryColorBins; ++s)
        if (pars.customBinColors[s].haveDef) return true;
    return false;
}

void ColourSlots_FreshDefinition(MemoryColorBin* bin, int32_t slot) {
    bin->haveDef = 1;
    std::snprintf(bin->name, sizeof bin->name, "%d", int(slot + 1));
    bin->fcn.baseHue = 0.0f;
    bin->fcn.dHdL = 0.0f;
    bin->fcn.maxChroma = 50.0f;
    ClearMemorySamples(bin);
}

int32_t Editor_AllocateItemImages(void* dialog) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    int32_t status = AllocateImage(dialog, kItemGradient, &e.gradient);
    if (status == kUiOk) status = AllocateImage(dialog, kItemHueStrip, &e.hueStrip);
    if (status == kUiOk) status = AllocateImage(dialog, kItemChromaStrip, &e.chromaStrip);
    if (status != kUiOk) Editor_FreeItemImages(edit);
    return status;
}

void Editor_FreeItemImages(EditState* edit) {
    EditorState& e = edit->editor;
    FreeImage(&e.gradient);
    FreeImage(&e.hueStrip);
    FreeImage(&e.chromaStrip);
}

void ColourButtons_Draw(void* dialog, int32_t item, void* dc) {
    const EditState* edit = Editor_State(dialog);
    UiRect r = {};
    if (edit == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    const EditorState& e = edit->editor;
    const int32_t face = item == kItemNeutral ? kBitmapNeutralButton
                         : item == kItemSkin  ? kBitmapSkinButton
                                              : kBitmapCustomButton;
    // Missing pictures leave the button blank; it still works.
    Ui_Draw_Bitmap(dc, r.left, r.top, face);
    if (e.pane.highlightedButton == item) Ui_Draw_Rect(dc, &r, kHighlightColour, 0);
    if (ButtonOfSlot(e.currentColour) == item)
        Ui_Draw_Bitmap(dc, r.left, r.top, kBitmapButtonSelected);
}

void Gradient_Draw(void* dialog, int32_t item, void* dc) {
    const EditState* edit = Editor_State(dialog);
    UiRect r = {};
    if (edit == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    const ItemImage& image = edit->editor.gradient;
    if (image.pixels == nullptr) return;
    FillGradient(edit, image);
    Ui_Draw_Image(dc, &r, image.pixels, image.width, image.height, image.rowBytes);
}

int32_t ColourSlots_FillPopup(void* dialog) {
    const EditState* edit = Editor_State(dialog);
    char texts[kCustomSlots][kEntryBytes];
    const char* entries[kCustomSlots];
    int32_t count = 0;
    for (int32_t s = kFirstCustom; s < kMemoryColorBins; ++s) {
        if (!Listed(edit, s)) continue;
        const MemoryColorBin& bin = edit->pars.customBinColors[s];
        const char* name = bin.haveDef && bin.name[0] != 0 ? bin.name : " ";
        std::snprintf(texts[count], kEntryBytes, "%s\tCtrl+%d", name, int((s + 1) % 10));
        entries[count] = texts[count];
        ++count;
    }
    UI_TRY(Ui_Popup_Fill(dialog, kItemCustomPopup, entries, count));
    ShowPopupFor(dialog, edit->editor.currentColour);
    return kUiOk;
}

void ColourSlots_Select(void* dialog, int32_t slot) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    if (slot < 0 || slot >= kMemoryColorBins || slot == e.currentColour) return;
    const int32_t old = e.currentColour;
    e.currentColour = slot;
    Ui_Dlg_Invalidate(dialog, ButtonOfSlot(old));
    Ui_Dlg_Invalidate(dialog, ButtonOfSlot(slot));
    if (e.memoryMode && !edit->pars.customBinColors[slot].haveDef)
        ColourSlots_FreshDefinition(&edit->pars.customBinColors[slot], slot);
    ShowPopupFor(dialog, slot);
    if (e.memoryMode) {
        e.colourUndo = ColourUndo{};
        e.sampleCount = 0;
        Ui_Dlg_Enable(dialog, kItemColourUndo, 0);
        MemoryFace_Update(dialog);
        return;
    }
    Ui_Dlg_Invalidate(dialog, kItemGradient);
}

void ColourSlots_PopupChoice(void* dialog) {
    EditState* edit = Editor_State(dialog);
    int32_t entry = 0;
    if (Ui_Popup_Get(dialog, kItemCustomPopup, &entry) != kUiOk) return;
    const int32_t slot = SlotOfEntry(edit, entry);
    if (slot < 0) return;
    edit->editor.lastCustom = slot;
    ColourSlots_Select(dialog, slot);
}

int32_t ColourButtons_Track(void* dialog, int32_t item, int32_t phase) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    if (phase != kUiTrackUp) {
        const int32_t highlighted = ItemHasMouse(dialog, item) ? item : 0;
        if (highlighted != e.pane.highlightedButton) {
            Ui_Dlg_Invalidate(dialog, e.pane.highlightedButton ? e.pane.highlightedButton : item);
            e.pane.highlightedButton = highlighted;
            Ui_Dlg_Invalidate(dialog, item);
        }
        return 1;
    }
    e.pane.highlightedButton = 0;
    Ui_Dlg_Invalidate(dialog, item);
    if (!ItemHasMouse(dialog, item)) return 1;
    if (item != kItemCustom) {
        ColourSlots_Select(dialog, item == kItemNeutral ? 0 : 1);
        return 1;
    }
    if (e.memoryMode || ColourSlots_AnyCustomDefined(edit->pars)) {
        ColourSlots_Select(dialog, e.lastCustom);
        return 1;
    }
    // No custom colour yet: the user may define one on the memory-colour face.
    if (!Editor_AskYesNo(dialog, kStrAskDefineColours)) return 1;
    // The face's entry copy keeps the slot as it was, so that the face's
    // Cancel takes the new definition back.
    MemoryColorBin& bin = edit->pars.customBinColors[kFirstCustom];
    const MemoryColorBin before = bin;
    e.lastCustom = kFirstCustom;
    ColourSlots_FreshDefinition(&bin, kFirstCustom);
    ColourSlots_Select(dialog, kFirstCustom);
    MemoryFace_Enter(dialog);
    e.undoPars.customBinColors[kFirstCustom] = before;
    return 1;
}
