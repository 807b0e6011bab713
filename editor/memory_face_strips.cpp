// The sliders of the memory-colour face: the values (items 34 to 36), the
// hue strip with its Hue and dHue handles (37), the chroma strip with its
// Chroma handle (38), their mouse tracking and the arrow keys.
#include <cmath>
#include <cstdio>

#include "editor/editor_internal.h"
#include "engine/memory_colour.h"
#include "resources/pictures.h"
#include "ui/dialog.h"
#include "ui/draw.h"
#include "ui/status.h"

namespace {

constexpr int32_t kDHueReach = 50;  // pixels from the centre to a dHue of 1
constexpr int32_t kVirtualLeft = 0x25;
constexpr int32_t kVirtualRight = 0x27;
constexpr uint32_t kHandleColour = 0x000000;
constexpr uint8_t kEmptyGrey = 0xE0;
constexpr int32_t kHandleFallback = 7;  // side of a handle whose picture is missing

float WrapHue(double hue) {
    const double h = std::fmod(hue, 360.0);
    return float(h < 0.0 ? h + 360.0 : h);
}

int32_t WrapWhole(int32_t hue) {
    return (hue % 360 + 360) % 360;
}

float Clamp(float v, float lo, float hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

MemoryColorBin& CurrentBin(EditState* edit) {
    return edit->pars.customBinColors[edit->editor.currentColour];
}

// The centre of the hue strip, where the current hue sits.
int32_t StripCentre(const UiRect& r) {
    return r.left + (r.right - r.left) / 2;
}

// Draws a handle picture centred on x with its top (or its bottom) at y; a
// missing picture is drawn as a small square.
void DrawHandle(void* dc, int16_t bitmap, int32_t x, int32_t y, bool above) {
    const PictureDef* def = FindPictureDef(kPictureBitmap, bitmap);
    const int32_t w = def != nullptr ? def->width : kHandleFallback;
    const int32_t h = def != nullptr ? def->height : kHandleFallback;
    const int32_t top = above ? y - h : y;
    if (def != nullptr && Ui_Draw_Bitmap(dc, x - w / 2, top, bitmap) == kUiOk) return;
    UiRect square = {};
    square.left = int16_t(x - w / 2);
    square.top = int16_t(top);
    square.right = int16_t(x - w / 2 + w);
    square.bottom = int16_t(top + h);
    Ui_Draw_Rect(dc, &square, kHandleColour, 0);
}

void DrawImage(void* dc, const UiRect& r, const ItemImage& image, bool filled) {
    if (!filled)
        for (int32_t y = 0; y < image.height; ++y)
            for (int32_t i = 0; i < image.width * 3; ++i)
                image.pixels[y * image.rowBytes + i] = kEmptyGrey;
    Ui_Draw_Image(dc, &r, image.pixels, image.width, image.height, image.rowBytes);
}

void HueStrip_Draw(void* dialog, int32_t item, void* dc) {
    EditState* edit = Editor_State(dialog);
    UiRect r = {};
    if (edit == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    EditorState& e = edit->editor;
    const ItemImage& image = e.hueStrip;
    if (image.pixels == nullptr) return;
    const MemoryColorBin& bin = CurrentBin(edit);
    // While a handle is dragged the strip stays where the drag began.
    if (!e.hueStripHeld) {
        const int32_t width = r.right - r.left;
        e.hueStripStart = WrapWhole(int32_t(std::lround(bin.fcn.baseHue)) - width / 2);
        const IPImage view = ItemImageView(image);
        const bool filled = bin.haveDef && DrawMemoryColorHueStrip(bin.fcn, edit->pars.refRGB,
                                                                   e.hueStripStart, &view) == kUiOk;
        DrawImage(dc, r, image, filled);
    } else {
        Ui_Draw_Image(dc, &r, image.pixels, image.width, image.height, image.rowBytes);
    }
    if (!bin.haveDef) return;
    const float offset = WrapHue(double(bin.fcn.baseHue) - e.hueStripStart);
    const int32_t x = r.left + int32_t(std::lround(offset));
    const int32_t drift = int32_t(std::lround(kDHueReach * bin.fcn.dHdL));
    Ui_Draw_Line(dc, x + drift, r.top, x - drift, r.bottom - 1, kHandleColour);
    DrawHandle(dc, kBitmapHueHandle, x, r.top + (r.bottom - r.top) / 4, false);
    DrawHandle(dc, kBitmapTriangleHandle, x - drift, r.bottom, true);
}

void ChromaStrip_Draw(void* dialog, int32_t item, void* dc) {
    EditState* edit = Editor_State(dialog);
    UiRect r = {};
    if (edit == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    const ItemImage& image = edit->editor.chromaStrip;
    if (image.pixels == nullptr) return;
    const MemoryColorBin& bin = CurrentBin(edit);
    const IPImage view = ItemImageView(image);
    const bool filled =
        bin.haveDef && DrawMemoryColorChromaStrip(bin.fcn, edit->pars.refRGB, &view) == kUiOk;
    DrawImage(dc, r, image, filled);
    if (!bin.haveDef) return;
    const int32_t width = r.right - r.left;
    const int32_t x = r.left + int32_t(std::lround(bin.fcn.maxChroma / 100.0 * (width - 1)));
    DrawHandle(dc, kBitmapTriangleHandle, x, r.bottom, true);
}

void Value_Draw(void* dialog, int32_t item, void* dc) {
    EditState* edit = Editor_State(dialog);
    UiRect r = {};
    if (edit == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    // The window system does not erase a user item: the old value goes first.
    Ui_Draw_Erase(dc, &r);
    const MemoryColorBin& bin = CurrentBin(edit);
    if (!bin.haveDef) return;
    const double value = item == kItemHueValue      ? bin.fcn.baseHue
                         : item == kItemChromaValue ? bin.fcn.maxChroma
                                                    : bin.fcn.dHdL * 10.0;
    char text[16];
    std::snprintf(text, sizeof text, "%3d", int(std::lround(value)));
    Ui_Draw_Text(dc, &r, text, kUiTextRight);
}

// Sets the value of the slider being dragged from the mouse's x.
void DragTo(void* dialog, const UiRect& r, int32_t x) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    MemoryColorFcn& fcn = CurrentBin(edit).fcn;
    const int32_t centre = StripCentre(r);
    if (e.activeSlider == kItemDHueRadio) {
        x = x < centre - kDHueReach ? centre - kDHueReach
                                    : (x > centre + kDHueReach ? centre + kDHueReach : x);
        fcn.dHdL =
            Clamp(float(std::lround(double(centre - x) / kDHueReach * 10.0) / 10.0), -1.0f, 1.0f);
        return;
    }
    x = x < r.left ? r.left : (x > r.right - 1 ? r.right - 1 : x);
    if (e.activeSlider == kItemHueRadio) {
        fcn.baseHue = WrapHue(double(e.hueStripStart) - r.left + x);
        return;
    }
    const int32_t width = r.right - r.left;
    fcn.maxChroma = width > 1 ? float(std::lround(double(x - r.left) / (width - 1) * 100.0)) : 0.0f;
}

}  // namespace

int32_t MemoryFace_AttachDrawProcs(void* dialog) {
    for (int32_t item = kItemHueValue; item <= kItemDHueValue; ++item)
        UI_TRY(Ui_Dlg_SetUserItemProc(dialog, item, Value_Draw));
    UI_TRY(Ui_Dlg_SetUserItemProc(dialog, kItemHueStrip, HueStrip_Draw));
    return Ui_Dlg_SetUserItemProc(dialog, kItemChromaStrip, ChromaStrip_Draw);
}

int32_t MemoryFace_TrackStrip(void* dialog, int32_t item, int32_t phase) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    UiRect r = {};
    if (rec == nullptr || !e.memoryMode || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return 0;
    if (!CurrentBin(edit).haveDef) return 1;
    if (phase == kUiTrackDown) {
        Editor_Snapshot(dialog, false);
        int32_t slider = kItemChromaRadio;
        if (item == kItemHueStrip) {
            const int32_t lowest = r.top + int32_t(std::lround(0.75 * double(r.bottom - r.top)));
            slider = rec->mouseY >= lowest ? kItemDHueRadio : kItemHueRadio;
            e.hueStripHeld = 1;
        }
        MemoryFace_SetSlider(dialog, slider);
        return 1;
    }
    DragTo(dialog, r, rec->mouseX);
    if (phase == kUiTrackMove) {
        Ui_Dlg_Invalidate(dialog, e.activeSlider - kItemHueRadio + kItemHueValue);
        Ui_Dlg_Invalidate(dialog, item);
        if (Editor_AltDown(dialog)) {
            Ui_Dlg_Invalidate(dialog, item == kItemHueStrip ? kItemChromaStrip : kItemHueStrip);
            Ui_Dlg_Invalidate(dialog, kItemGradient);
            MemoryFace_Apply(dialog);
        }
        return 1;
    }
    e.hueStripHeld = 0;
    MemoryFace_RedrawColour(dialog);
    MemoryFace_Apply(dialog);
    Ui_Dlg_Focus(dialog, item);
    return 1;
}

int32_t MemoryFace_ArrowKey(void* dialog, int32_t virtualKey) {
    EditState* edit = Editor_State(dialog);
    EditorState& e = edit->editor;
    if (!e.memoryMode || e.activeSlider == -1) return 0;
    if (virtualKey != kVirtualLeft && virtualKey != kVirtualRight) return 0;
    MemoryColorBin& bin = CurrentBin(edit);
    if (!bin.haveDef) return 1;
    const int32_t step = virtualKey == kVirtualRight ? 1 : -1;
    Editor_Snapshot(dialog, false);
    MemoryColorFcn& fcn = bin.fcn;
    if (e.activeSlider == kItemHueRadio)
        fcn.baseHue = WrapHue(double(fcn.baseHue) + step);
    else if (e.activeSlider == kItemChromaRadio)
        fcn.maxChroma = Clamp(fcn.maxChroma + float(step), 0.0f, 100.0f);
    else
        fcn.dHdL = Clamp(float(std::lround((fcn.dHdL - 0.1 * step) * 10.0) / 10.0), -1.0f, 1.0f);
    MemoryFace_RedrawColour(dialog);
    MemoryFace_Apply(dialog);
    return 1;
}
