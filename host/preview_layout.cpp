// Measures the editor dialog's preview from its designed layout in dialog
// units, converted to pixels with a fixed dialog base unit. The dialog
// framework, once it lays the real dialog out, replaces this file's
// GetMinMaxPrev with a measurement of the dialog itself.
#include "host/preview_layout.h"

#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

namespace {

// Pixels per 4 horizontal and per 8 vertical dialog units (the dialog font's
// average character width and height).
constexpr int32_t kBaseUnitX = 6;
constexpr int32_t kBaseUnitY = 13;
// The window's frame and caption around the dialog's client area.
constexpr int32_t kFrameWidth = 6;
constexpr int32_t kFrameHeight = 29;

// Dialog 1000 in dialog units: x, y, width, height.
struct DialogUnits {
    int32_t x, y, width, height;
};
constexpr DialogUnits kDialog = {0, 0, 520, 329};
constexpr DialogUnits kPreviewItem = {1, 1, 382, 327};      // item 4
constexpr DialogUnits kHueStripItem = {391, 116, 120, 47};  // item 37
constexpr DialogUnits kChromaItem = {391, 198, 120, 11};    // item 38
constexpr DialogUnits kGradientItem = {391, 145, 120, 12};  // item 10

// Dialog units to pixels, rounded to nearest as the system does.
int32_t ToPixels(int32_t units, int32_t base, int32_t per) {
    return (units * base + per / 2) / per;
}

PassRect Pixels(const DialogUnits& u) {
    return PassRect{ToPixels(u.y, kBaseUnitY, 8), ToPixels(u.x, kBaseUnitX, 4),
                    ToPixels(u.y + u.height, kBaseUnitY, 8),
                    ToPixels(u.x + u.width, kBaseUnitX, 4)};
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
bool LargestGrowth(const UiRect& area, const PreviewDocument& doc, int32_t* dx, int32_t* dy) {
    const PassRect dialog = Pixels(kDialog);
    const PassRect pane = Pixels(kPreviewItem);
    const int32_t growX = area.right - area.left - kFrameWidth - Width(dialog);
    const int32_t growY = area.bottom - area.top - kFrameHeight - Height(dialog);
    int32_t gx = growX > 0 ? growX : 0;
    int32_t gy = growY > 0 ? growY : 0;
    const double paneW = Width(pane) + gx, paneH = Height(pane) + gy;
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
    return *dx > 0 || *dy > 0;
}

}  // namespace

uint32_t SwatchBitmapBytes(const PassRect& r) {
    const int32_t w = Width(r) > 0 ? Width(r) : 0;
    const int32_t h = Height(r) > 0 ? Height(r) : 0;
    const uint32_t rowBytes = (uint32_t(w) * 3u + 3u) & ~3u;
    return uint32_t(h) * rowBytes + 72u;
}

int32_t GetMinMaxPrev(uint8_t useLargestWindow, const PreviewDocument& document, PassRect* min,
                      PassRect* max, uint32_t* swatchNeeds, uint8_t diagnostics) {
    if (min == nullptr || max == nullptr || swatchNeeds == nullptr) return kUiErrGeneral;
    const PassRect pane = Inset(Pixels(kPreviewItem), 1, 1);
    *min = pane;
    *max = pane;
    if (useLargestWindow == 1) {
        UiRect area;
        if (Plat_ScreenWorkArea(&area) != kUiOk) return kUiOk;
        int32_t dx = 0, dy = 0;
        if (LargestGrowth(area, document, &dx, &dy))
            *max = PassRect{pane.top, pane.left, pane.bottom + dy, pane.right + dx};
    }
    PassRect hue = Pixels(kHueStripItem);
    hue.bottom = hue.top + 70;
    PassRect chroma = Pixels(kChromaItem);
    chroma.bottom = chroma.top + 12;
    *swatchNeeds = SwatchBitmapBytes(Inset(hue, 4, 1)) + SwatchBitmapBytes(Inset(chroma, 4, 1)) +
                   SwatchBitmapBytes(Inset(Pixels(kGradientItem), 1, 1));
    Ui_Debug_Logf(diagnostics, "pars->swatchNeeds = %ld", long(*swatchNeeds));
    return kUiOk;
}
