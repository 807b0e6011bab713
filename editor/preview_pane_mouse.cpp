// The preview pane under the mouse: the cursors, the zoom outline, the
// highlighted memory colour button, and the clicks that zoom, pan and sample.
#include "editor/preview_pane_internal.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/cursor.h"
#include "ui/draw.h"
#include "ui/platform.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

namespace {

// The modifier keys and the mouse as the pane sees them.
struct Pointer {
    int32_t x, y;
    bool alt, ctrl, down;
};

Pointer ReadPointer(void* dialog) {
    Pointer p = {};
    Plat_Dlg_CursorPos(dialog, &p.x, &p.y);
    p.alt = Plat_KeyDown(kPlatKeyAlt);
    p.ctrl = Plat_KeyDown(kPlatKeyControl);
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    p.down = rec != nullptr && rec->mouseDown != 0;
    return p;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// The memory colour button under the mouse, 0 for none.
int32_t ButtonAt(void* dialog, int32_t x, int32_t y) {
    for (int32_t item = kItemNeutral; item <= kItemCustom; ++item) {
        UiRect r = {};
        int32_t shown = 0;
        if (Ui_Dlg_ItemRect(dialog, item, &r) == kUiOk &&
            Ui_Dlg_IsShown(dialog, item, &shown) == kUiOk && shown != 0 && Pane_Contains(r, x, y))
            return item;
    }
    return 0;
}

void Highlight(void* dialog, PaneState& pane, int32_t button) {
    if (button == pane.highlightedButton) return;
    if (pane.highlightedButton != 0) Ui_Dlg_Invalidate(dialog, pane.highlightedButton);
    pane.highlightedButton = button;
    if (button != 0) Ui_Dlg_Invalidate(dialog, button);
}

// The cursor over the image, with the zoom outline that goes with it.
int32_t ImageCursor(void* dialog, EditState* edit, const PaneGeometry& g, const Pointer& p) {
    const EditorState& e = edit->editor;
    const bool mainFace = e.memoryMode == 0;
    if (mainFace && e.pane.zoomAllowed != 0 && p.alt) {
        if (edit->zoomed != 0) return kUiCursorZoomOut;
        Pane_Outline(dialog, g, p.x, p.y);
        return kUiCursorZoomIn;
    }
    if (mainFace && edit->zoomed != 0 && (e.pane.panning != 0 || p.ctrl)) return kUiCursorHand;
    if (!mainFace && p.down) return kUiCursorEyedropperDown;
    return kUiCursorEyedropper;
}

// ---- Zoom and pan ---------------------------------------------------------------------

// After the zoom view changed: its selection, the settings measured on it,
// the pane drawn again. A read error has been alerted by the read.
void AfterZoomChange(void* dialog, EditState* edit, int32_t readStatus) {
    const int32_t selected = Pane_UpdateZoomSelection(edit);
    if (selected != kUiOk) Ui_Alert_ReportError(edit->editor.host->ui, selected, nullptr, nullptr);
    if (readStatus == kUiOk) Editor_Rebuild(dialog);
    Pane_Redraw(dialog);
}

void ZoomIn(void* dialog, EditState* edit, int32_t x, int32_t y) {
    PaneState& pane = edit->editor.pane;
    Pane_Outline(dialog, PaneGeometry{}, -1, -1);
    const int32_t status = edit->editor.host->reads->readZoom(edit, x, y, true);
    pane.panX = pane.panY = 0;
    pane.zoomInX = edit->zoomCenterX;
    pane.zoomInY = edit->zoomCenterY;
    AfterZoomChange(dialog, edit, status);
}

void ZoomOut(void* dialog, EditState* edit) {
    PaneState& pane = edit->editor.pane;
    const int32_t status = edit->editor.host->reads->zoomOut(edit);
    pane.panX = pane.panY = 0;
    AfterZoomChange(dialog, edit, status);
}

// Moves the 1:1 view to the pan offset that the drag has reached. The
// window stays inside the image, so the offset kept is the one reached.
int32_t PanTo(void* dialog, EditState* edit, int32_t x, int32_t y) {
    PaneState& pane = edit->editor.pane;
    const int32_t offsetX = pane.panStartOffsetX + (pane.panStartX - x);
    const int32_t offsetY = pane.panStartOffsetY + (pane.panStartY - y);
    const int32_t status = edit->editor.host->reads->readZoom(edit, pane.zoomInX + offsetX,
                                                              pane.zoomInY + offsetY, false);
    if (status == kUiOk) {
        pane.panX = edit->zoomCenterX - pane.zoomInX;
        pane.panY = edit->zoomCenterY - pane.zoomInY;
    }
    Pane_Redraw(dialog);
    return status;
}

// ---- Samples ----------------------------------------------------------------------------

// A click of the main face: the area of similar colour around the point of
// the view that shows is added to the samples of the current colour.
void SampleCurrentSlot(void* dialog, EditState* edit, int32_t x, int32_t y) {
    EditorState& e = edit->editor;
    const IPImage& view = Pane_ShownView(edit);
    PaneState& pane = e.pane;
    Editor_Snapshot(dialog, false);
    int32_t status = kUiOk;
    if (pane.sampled.bits == nullptr || pane.sampled.width != view.width ||
        pane.sampled.height != view.height) {
        RegionMaskFree(&pane.sampled);
        status = RegionMaskCreate(view.width, view.height, &pane.sampled);
    }
    MemoryColorBin& bin = edit->pars.customBinColors[e.currentColour];
    if (status == kUiOk) status = AddClickToSamples(&view, x, y, bin.samplesBin, &pane.sampled);
    if (status != kUiOk) {
        Ui_Alert_ReportErrorf(e.host->ui, status, kStrCtxAddingSamples, nullptr);
        return;
    }
    pane.flashSampled = e.host->prefs->showSampledRegion == 1 ? 1 : 0;
    Editor_Rebuild(dialog);
    Pane_Redraw(dialog);
}

void Release(void* dialog, EditState* edit, const PaneGeometry& g, const Pointer& p) {
    EditorState& e = edit->editor;
    PaneState& pane = e.pane;
    const bool inside = Pane_Contains(g.image, p.x, p.y);
    const int32_t x = p.x - g.image.left, y = p.y - g.image.top;
    if (e.memoryMode == 0 && pane.zoomAllowed != 0 && (p.alt || pane.panning != 0)) {
        if (edit->zoomed == 0) {
            if (inside) ZoomIn(dialog, edit, x, y);
        } else if (p.alt) {
            if (inside) ZoomOut(dialog, edit);
        } else if (inside) {
            PanTo(dialog, edit, p.x, p.y);
        }
        // The pan's end lets the settings follow the window it reached.
        if (pane.panning != 0 && edit->zoomed != 0) AfterZoomChange(dialog, edit, kUiOk);
        pane.panning = 0;
        Pane_Redraw(dialog);
        return;
    }
    if (!inside) return;
    if (e.memoryMode != 0)
        MemoryFace_Sample(dialog, x, y);
    else
        SampleCurrentSlot(dialog, edit, x, y);
}

}  // namespace

namespace {

UiRect OutlineRect(const PaneState& pane) {
    return UiRect{int16_t(pane.outlineTop), int16_t(pane.outlineLeft),
                  int16_t(pane.outlineTop + pane.outlineHeight),
                  int16_t(pane.outlineLeft + pane.outlineWidth)};
}

// The area the 1:1 view would show, in fitted-view pixels, centred on (x, y)
// and placed inside the image as the zoom window is placed inside the
// document.
UiRect OutlineAt(const EditState* edit, const UiRect& image, int32_t x, int32_t y) {
    const IPImage& view = edit->sourceView;
    const int32_t docW = edit->filterRect.right - edit->filterRect.left;
    const int32_t docH = edit->filterRect.bottom - edit->filterRect.top;
    const int32_t imageW = image.right - image.left, imageH = image.bottom - image.top;
    int32_t w =
        docW > 0 ? int32_t((int64_t(edit->boxWidth) * view.width + docW / 2) / docW) : imageW;
    int32_t h =
        docH > 0 ? int32_t((int64_t(edit->boxHeight) * view.height + docH / 2) / docH) : imageH;
    w = Clamp(w, 1, imageW);
    h = Clamp(h, 1, imageH);
    const int32_t left = Clamp(x - w / 2, image.left, image.right - w);
    const int32_t top = Clamp(y - h / 2, image.top, image.bottom - h);
    return UiRect{int16_t(top), int16_t(left), int16_t(top + h), int16_t(left + w)};
}

}  // namespace

void Pane_Outline(void* dialog, const PaneGeometry& g, int32_t x, int32_t y) {
    EditState* edit = Editor_State(dialog);
    PaneState& pane = edit->editor.pane;
    const UiRect r = x >= 0 ? OutlineAt(edit, g.image, x, y) : UiRect{};
    const UiRect old = OutlineRect(pane);
    // An outline already where it belongs stays, without a flicker.
    if (x >= 0 && pane.outlineShown != 0 && r.top == old.top && r.left == old.left &&
        r.bottom == old.bottom && r.right == old.right)
        return;
    if (x < 0 && pane.outlineShown == 0) return;
    void* dc = Ui_Draw_Begin(dialog, kItemPane);
    if (dc == nullptr) return;
    if (pane.outlineShown != 0) Ui_Draw_XorFrame(dc, &old);
    pane.outlineShown = 0;
    if (x >= 0) {
        pane.outlineTop = r.top;
        pane.outlineLeft = r.left;
        pane.outlineWidth = r.right - r.left;
        pane.outlineHeight = r.bottom - r.top;
        Ui_Draw_XorFrame(dc, &r);
        pane.outlineShown = 1;
    }
    Ui_Draw_End(dc);
}

int32_t Pane_Cursor(void* dialog) {
    EditState* edit = Editor_State(dialog);
    PaneGeometry g;
    if (edit == nullptr || edit->editor.initialised == 0 || Pane_Geometry(dialog, &g) != kUiOk)
        return 0;
    PaneState& pane = edit->editor.pane;
    const Pointer p = ReadPointer(dialog);
    int32_t cursor = kUiCursorArrow;
    if (Pane_Contains(g.image, p.x, p.y)) cursor = ImageCursor(dialog, edit, g, p);
    // The outline goes with the zoom-in cursor only.
    if (cursor != kUiCursorZoomIn && pane.outlineShown != 0) Pane_Outline(dialog, g, -1, -1);
    Highlight(dialog, pane, ButtonAt(dialog, p.x, p.y));
    Ui_Cursor_Set(cursor);
    return 1;
}

int32_t Pane_Track(void* dialog, int32_t phase) {
    EditState* edit = Editor_State(dialog);
    PaneGeometry g;
    if (edit == nullptr || Pane_Geometry(dialog, &g) != kUiOk) return 0;
    PaneState& pane = edit->editor.pane;
    const Pointer p = ReadPointer(dialog);
    const bool inside = Pane_Contains(g.image, p.x, p.y);
    if (phase == kUiTrackDown) {
        pane.pressInside = inside ? 1 : 0;
        if (edit->editor.memoryMode == 0 && edit->zoomed != 0 && p.ctrl) {
            pane.panning = 1;
            pane.panStartX = p.x;
            pane.panStartY = p.y;
            pane.panStartOffsetX = pane.panX;
            pane.panStartOffsetY = pane.panY;
        }
    } else if (phase == kUiTrackMove) {
        if (pane.panning != 0 && inside) PanTo(dialog, edit, p.x, p.y);
    } else {
        Release(dialog, edit, g, p);
    }
    Pane_Cursor(dialog);
    return 1;
}

// ---- The 1:1 view's selection ---------------------------------------------------------

namespace {

typedef void (*RowFilter)(const IPImage& view, int32_t y, uint8_t* bits);

// Clears the bits of the pixels whose transparency is 128 or below.
template <typename T>
void DropClear(const IPImage& view, int32_t y, uint8_t* bits) {
    constexpr int32_t shift = sizeof(T) == 2 ? 8 : 0;
    const T* a = static_cast<const T*>(view.planes[3]) + int64_t(y) * view.rowStride;
    for (int32_t x = 0; x < view.width; ++x)
        if ((a[int64_t(x) * view.sampleStride] >> shift) <= 128)
            bits[x >> 3] &= uint8_t(~(1u << (x & 7)));
}

}  // namespace

void Pane_FreeZoomSelection(PaneState* pane) {
    Ui_Free(pane->zoomSelectionBits);
    pane->zoomSelectionBits = nullptr;
    pane->zoomSelection = SelectionMask{};
}

int32_t Pane_UpdateZoomSelection(EditState* edit) {
    PaneState& pane = edit->editor.pane;
    Pane_FreeZoomSelection(&pane);
    const IPImage& view = edit->zoomView;
    const IPImage& mask = edit->zoomMask;
    const bool masked = mask.kind == kIPImageMask && mask.planes[0] != nullptr;
    const bool transparent = view.planeCount == 4 && view.planes[3] != nullptr;
    if (edit->zoomed == 0 || view.width < 1 || view.height < 1 || (!masked && !transparent))
        return kUiOk;
    const int32_t rowBytes = (view.width + 7) / 8;
    pane.zoomSelectionBits =
        static_cast<uint8_t*>(Ui_MallocArray(size_t(rowBytes), size_t(view.height)));
    if (pane.zoomSelectionBits == nullptr) return kUiErrMemory;
    // A pixel takes part when its mask byte and its transparency (high byte)
    // are above 128, as in the reduced read's selection.
    const RowFilter dropClear = view.bytesPerSample == 2 ? DropClear<uint16_t> : DropClear<uint8_t>;
    int64_t selected = 0;
    for (int32_t y = 0; y < view.height; ++y) {
        uint8_t* row = pane.zoomSelectionBits + int64_t(y) * rowBytes;
        for (int32_t b = 0; b < rowBytes; ++b) row[b] = 0xFF;
        if (masked) {
            const uint8_t* m =
                static_cast<const uint8_t*>(mask.planes[0]) + int64_t(y) * mask.rowStride;
            for (int32_t x = 0; x < view.width; ++x)
                if (m[int64_t(x) * mask.sampleStride] <= 128)
                    row[x >> 3] &= uint8_t(~(1u << (x & 7)));
        }
        if (transparent) dropClear(view, y, row);
        for (int32_t x = 0; x < view.width; ++x) selected += (row[x >> 3] >> (x & 7)) & 1;
    }
    // A window without a selected pixel is measured whole.
    if (selected == 0) {
        Pane_FreeZoomSelection(&pane);
        return kUiOk;
    }
    pane.zoomSelection = SelectionMask{view.width, view.height, rowBytes, pane.zoomSelectionBits};
    return kUiOk;
}
