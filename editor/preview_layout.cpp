// Measures the editor dialog's preview on the dialog itself: the dialog is
// created from its resource without being shown, its window and items are
// read in pixels, and it is destroyed again.
#include "editor/preview_layout.h"

#include "resources/dialog_table.h"
#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/platform.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

namespace {

// The items measured: the preview and the three swatch areas.
constexpr int32_t kPreviewItem = 4;
constexpr int32_t kHueStripItem = 37;
constexpr int32_t kChromaItem = 38;
constexpr int32_t kGradientItem = 10;

// The editor dialog at its designed size, in pixels: the window with its
// frame and caption, and the items in client coordinates.
struct Measured {
    PassRect window;
    PassRect preview, hueStrip, chroma, gradient;
};

int32_t ReadRect(void* dialog, int32_t item, PassRect* out) {
    UiRect r;
    if (Plat_Dlg_GetRect(dialog, item, &r) != 0) return kUiErrGeneral;
    *out = PassRect{r.top, r.left, r.bottom, r.right};
    return kUiOk;
}

int32_t MeasureEditor(void* dialog, void* context) {
    Measured* m = static_cast<Measured*>(context);
    const struct {
        int32_t item;
        PassRect* rect;
    } reads[] = {{0, &m->window},
                 {kPreviewItem, &m->preview},
                 {kHueStripItem, &m->hueStrip},
                 {kChromaItem, &m->chroma},
                 {kGradientItem, &m->gradient}};
    for (const auto& read : reads)
        if (ReadRect(dialog, read.item, read.rect) != kUiOk) return kUiErrGeneral;
    return kUiOk;
}

PassRect Inset(PassRect r, int32_t dx, int32_t dy) {
    return PassRect{r.top + dy, r.left + dx, r.bottom - dy, r.right - dx};
}

int32_t Width(const PassRect& r) {
    return r.right - r.left;
}
int32_t Height(const PassRect& r) {
    return r.bottom - r.top;
}

// The growth of the preview pane when the dialog fills the work area: the
// window takes the work area (at least its designed size), and then gives
// back the room the document, fitted into the grown pane, would leave unused.
bool LargestGrowth(const UiRect& area, const Measured& m, const PreviewDocument& doc, int32_t* dx,
                   int32_t* dy) {
    const PassRect& pane = m.preview;
    const int32_t growX = area.right - area.left - Width(m.window);
    const int32_t growY = area.bottom - area.top - Height(m.window);
    *dx = growX > 0 ? growX : 0;
    *dy = growY > 0 ? growY : 0;
    FitPaneGrowth(Width(pane) - 2, Height(pane) - 2, doc, dx, dy);
    return *dx > 0 || *dy > 0;
}

}  // namespace

void FitPaneGrowth(int32_t paneWidth, int32_t paneHeight, const PreviewDocument& doc, int32_t* dx,
                   int32_t* dy) {
    int32_t gx = *dx, gy = *dy;
    const double paneW = paneWidth + gx, paneH = paneHeight + gy;
    if (doc.width >= 1 && doc.height >= 1) {
        const double sx = paneW / doc.width, sy = paneH / doc.height;
        const double scale = sx < sy ? sx : sy;
        const double fittedW = scale < 1 ? double(int64_t(doc.width * scale + 0.5)) : doc.width;
        const double fittedH = scale < 1 ? double(int64_t(doc.height * scale + 0.5)) : doc.height;
        gx -= int32_t(paneW - fittedW);
        gy -= int32_t(paneH - fittedH);
    }
    *dx = gx > 0 ? gx : 0;
    *dy = gy > 0 ? gy : 0;
}

uint32_t SwatchBitmapBytes(const PassRect& r) {
    const int32_t w = Width(r) > 0 ? Width(r) : 0;
    const int32_t h = Height(r) > 0 ? Height(r) : 0;
    const uint32_t rowBytes = (uint32_t(w) * 3u + 3u) & ~3u;
    return uint32_t(h) * rowBytes + 72u;
}

int32_t GetMinMaxPrev(uint8_t useLargestWindow, const PreviewDocument& document, PassRect* min,
                      PassRect* max, uint32_t* swatchNeeds, uint8_t diagnostics) {
    if (min == nullptr || max == nullptr || swatchNeeds == nullptr) return kUiErrGeneral;
    Measured m;
    const int32_t status =
        Plat_Dlg_Measure(Plat_ModuleInstance(), kDialogEditor, MeasureEditor, &m);
    if (status != kUiOk) return kUiErrGeneral;
    const PassRect pane = Inset(m.preview, 1, 1);
    *min = pane;
    *max = pane;
    if (useLargestWindow == 1) {
        UiRect area;
        if (Plat_ScreenWorkArea(&area) != kUiOk) return kUiOk;
        int32_t dx = 0, dy = 0;
        if (LargestGrowth(area, m, document, &dx, &dy))
            *max = PassRect{pane.top, pane.left, pane.bottom + dy, pane.right + dx};
    }
    PassRect hue = m.hueStrip;
    hue.bottom = hue.top + 70;
    PassRect chroma = m.chroma;
    chroma.bottom = chroma.top + 12;
    *swatchNeeds = SwatchBitmapBytes(Inset(hue, 4, 1)) + SwatchBitmapBytes(Inset(chroma, 4, 1)) +
                   SwatchBitmapBytes(Inset(m.gradient, 1, 1));
    Ui_Debug_Logf(diagnostics, "pars->swatchNeeds = %ld", long(*swatchNeeds));
    return kUiOk;
}

int32_t PlanEditorPreview(const PreviewPlanRequest& request, MemoryPlan* plan, PassRect* maxPreview,
                          uint8_t diagnostics) {
    MemoryPlanInput in = {};
    in.available = request.available;
    const uint64_t available = in.available > 0 ? uint64_t(in.available) : 0;
    Ui_Debug_Logf(diagnostics, "available memory = %d, (75 percent = %ld)", int(in.available),
                  long((available >> 2) * 3));
    in.depth = request.depth;
    in.planes = request.planes;
    in.filter = request.filter;
    in.minPreview = in.maxPreview = PassRect{-1, -1, -1, -1};
    const PassRect& f = request.filter;
    const PreviewDocument document = {f.right - f.left, f.bottom - f.top};
    if (GetMinMaxPrev(request.useLargestWindow, document, &in.minPreview, &in.maxPreview,
                      &in.swatchNeeds, diagnostics) != kUiOk)
        Ui_Debug_Logf(diagnostics, "GetMinMaxPrev: Ui_Dlg_DoModal status = %d", int(kUiErrGeneral));
    const PassRect& mn = in.minPreview;
    const PassRect& mx = in.maxPreview;
    Ui_Debug_Logf(diagnostics, "GetMinMaxPrev -> min: %d,%d %d,%d  max: %d,%d %d,%d", int(mn.left),
                  int(mn.top), int(mn.right), int(mn.bottom), int(mx.left), int(mx.top),
                  int(mx.right), int(mx.bottom));
    Ui_Debug_Logf(diagnostics, "swatchNeeds = %ld", long(in.swatchNeeds));
    *maxPreview = mx;
    return PlanMemory(in, plan, diagnostics);
}
