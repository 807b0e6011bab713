// The preview pane of the editor (item 4): its set-up, the image drawn
// centred in it through the host, its frame and the release of its images.
#include <cstring>

#include "editor/preview_pane_internal.h"
#include "engine/view_render.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/draw.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kFrameColour = 0x808080;
constexpr uint32_t kPaneBackground = 0xF0F0F0;
constexpr uint8_t kSampledBlue[3] = {0, 0, 255};

// A floor division, so that an image wider than the pane is centred too.
int32_t HalfDown(int32_t v) {
    return v >= 0 ? v / 2 : -((1 - v) / 2);
}

// Room for a band of the view that shows; a wider view (the 1:1 window)
// gets a larger map.
int32_t EnsureDisplay(PaneState& pane, uint32_t bytes) {
    if (pane.display != nullptr && pane.displayBytes >= bytes) return kUiOk;
    Ui_Free(pane.display);
    pane.displayBytes = 0;
    pane.display = static_cast<uint8_t*>(Ui_Malloc(bytes));
    if (pane.display == nullptr) return kUiErrMemory;
    pane.displayBytes = bytes;
    return kUiOk;
}

// Rows of the pixel map the host is handed at a time: the map takes a band
// of the view, not the whole of it.
constexpr int32_t kBandRows = 32;

// What each band of the map needs on its way to the host.
struct BandShow {
    const EditState* edit;
    const IPImage* view;
    int32_t channels;
    bool withSampled;
    UiRect image;
    void* context;  // the window system's drawing context
};

// The band of view rows top .. top + count - 1, with the sampled region
// painted blue when asked, to the host at its place in the image.
int32_t ShowBand(void* context, int32_t top, int32_t count, const uint8_t* pixels) {
    const BandShow* b = static_cast<const BandShow*>(context);
    const PaneState& pane = b->edit->editor.pane;
    uint8_t* band = const_cast<uint8_t*>(pixels);
    const RegionMask& r = pane.sampled;
    if (b->withSampled && r.bits != nullptr && r.width == b->view->width &&
        r.height == b->view->height)
        for (int32_t y = top > r.minY ? top : r.minY; y <= r.maxY && y < top + count; ++y)
            for (int32_t x = r.minX; x <= r.maxX; ++x)
                if (RegionMaskHas(&r, x, y))
                    std::memcpy(band + (int64_t(y - top) * b->view->width + x) * b->channels,
                                kSampledBlue, 3);
    const DisplayImage shown = {band, b->channels, b->view->width, count};
    const PassRect source = {0, 0, count, b->view->width};
    return b->edit->editor.host->reads->show(shown, source, b->image.top + top, b->image.left,
                                             b->context);
}

// The pixels of the view that shows, as the pane draws them: corrected on
// the memory-colour face or with "Preview" on, else the view's own; with
// sharpen and noise removal only where the view is at full size (1:1, or a
// whole document that needed no reduction) and no pan is in progress.
int32_t RenderShown(const EditState* edit, const ViewRenderBand& band) {
    const EditorState& e = edit->editor;
    const IPImage& view = Pane_ShownView(edit);
    const bool corrected = (e.memoryMode != 0 || e.previewOn != 0) && edit->transform != nullptr;
    if (!corrected) return RenderViewBands(view, nullptr, nullptr, &band);
    const bool fullSize = edit->zoomed != 0 || edit->previewReduced == 0;
    const ViewRenderFilters filters = ViewRenderFiltersOf(FilterSettingsOf(edit->pars));
    const bool filtered = edit->filterStage == 1 && fullSize && e.pane.panning == 0;
    const int32_t status =
        RenderViewBands(view, edit->transform->tintwork, filtered ? &filters : nullptr, &band);
    if (status == kUiOk || status == kUiErrGeneral) return status;
    // What cannot be corrected still shows.
    Ui_Debug_Logf(e.host->diagnostics, "preview render: %d", int(status));
    return RenderViewBands(view, nullptr, nullptr, &band);
}

// Renders the view band by band and hands each band to the host at the
// image's place.
int32_t ShowPreviewImage(EditState* edit, void* dc, const UiRect& image, bool withSampled) {
    EditorState& e = edit->editor;
    const IPImage& view = Pane_ShownView(edit);
    const PreviewReads* reads = e.host->reads;
    if (reads->show == nullptr) return kUiOk;
    const int32_t channels = ViewRenderChannels(view);
    const int32_t rows = view.height < kBandRows ? view.height : kBandRows;
    UI_TRY(EnsureDisplay(e.pane, uint32_t(view.width) * uint32_t(rows) * uint32_t(channels)));
    BandShow show = {edit, &view, channels, withSampled, image, Ui_Draw_NativeContext(dc)};
    const ViewRenderBand band = {e.pane.display, rows, ShowBand, &show};
    Ui_Debug_Log(e.host->diagnostics, "displayPixels...");
    const int32_t status = RenderShown(edit, band);
    Ui_Debug_Log(e.host->diagnostics, "...done");
    return status;
}

void FillBand(void* dc, int32_t top, int32_t left, int32_t bottom, int32_t right) {
    if (bottom <= top || right <= left) return;
    const UiRect r = {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
    Ui_Draw_Rect(dc, &r, kPaneBackground, 1);
}

// The pane outside the image's frame.
void EraseAround(void* dc, const UiRect& pane, const UiRect& frame) {
    if (frame.right <= frame.left) {
        FillBand(dc, pane.top, pane.left, pane.bottom, pane.right);
        return;
    }
    FillBand(dc, pane.top, pane.left, frame.top, pane.right);
    FillBand(dc, frame.bottom, pane.left, pane.bottom, pane.right);
    FillBand(dc, frame.top, pane.left, frame.bottom, frame.left);
    FillBand(dc, frame.top, frame.right, frame.bottom, pane.right);
}

}  // namespace

const IPImage& Pane_ShownView(const EditState* edit) {
    return edit->zoomed != 0 ? edit->zoomView : edit->sourceView;
}

bool Pane_Contains(const UiRect& r, int32_t x, int32_t y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

int32_t Pane_Geometry(void* dialog, PaneGeometry* g) {
    const EditState* edit = Editor_State(dialog);
    if (edit == nullptr) return kUiErrArg;
    *g = PaneGeometry{};
    UI_TRY(Ui_Dlg_ItemRect(dialog, kItemPane, &g->pane));
    const IPImage& view = Pane_ShownView(edit);
    if (view.width < 1 || view.height < 1) return kUiOk;
    const int32_t left = g->pane.left + HalfDown(g->pane.right - g->pane.left - view.width);
    const int32_t top = g->pane.top + HalfDown(g->pane.bottom - g->pane.top - view.height);
    g->image =
        UiRect{int16_t(top), int16_t(left), int16_t(top + view.height), int16_t(left + view.width)};
    return kUiOk;
}

int32_t Pane_SetUp(void* dialog) {
    EditState* edit = Editor_State(dialog);
    if (edit == nullptr) return kUiErrArg;
    const EditorHost* host = edit->editor.host;
    if (host->prefs->useLargestWindow == 1) UI_TRY(Pane_Enlarge(dialog));
    UiRect r = {};
    UI_TRY(Ui_Dlg_ItemRect(dialog, kItemPane, &r));
    // The pane inset by its frame, but no larger than the preview prepare
    // planned the memory for: the replay measures the same image.
    int32_t w = r.right - r.left - 2, h = r.bottom - r.top - 2;
    if (edit->previewWidth > 0 && edit->previewWidth < w) w = edit->previewWidth;
    if (edit->previewHeight > 0 && edit->previewHeight < h) h = edit->previewHeight;
    UI_TRY(host->reads->readReduced(edit, w, h));
    PaneState& pane = edit->editor.pane;
    pane.zoomAllowed = edit->previewReduced;
    const IPImage& view = Pane_ShownView(edit);
    const int32_t rows = view.height < kBandRows ? view.height : kBandRows;
    const uint32_t bytes =
        uint32_t(view.width) * uint32_t(rows) * uint32_t(ViewRenderChannels(view));
    if (EnsureDisplay(pane, bytes > 0 ? bytes : 1) != kUiOk) {
        Ui_Alert_ReportError(host->ui, kUiErrMemory, nullptr, nullptr);
        return kUiErrMemory;
    }
    return Pane_UpdateZoomSelection(edit);
}

void Pane_Draw(void* dialog, int32_t, void* dc) {
    EditState* edit = Editor_State(dialog);
    PaneGeometry g;
    if (edit == nullptr || edit->editor.host == nullptr || Pane_Geometry(dialog, &g) != kUiOk)
        return;
    PaneState& pane = edit->editor.pane;
    UiRect frame = {};
    if (g.image.right > g.image.left) {
        const int32_t shown = ShowPreviewImage(edit, dc, g.image, pane.flashSampled != 0);
        if (shown != kUiOk) Ui_Debug_Logf(edit->editor.host->diagnostics, "pane: %d", int(shown));
        frame = UiRect{int16_t(g.image.top - 1), int16_t(g.image.left - 1),
                       int16_t(g.image.bottom + 1), int16_t(g.image.right + 1)};
        Ui_Draw_Rect(dc, &frame, kFrameColour, 0);
    }
    pane.flashSampled = 0;
    EraseAround(dc, g.pane, frame);
    pane.outlineShown = 0;
}

void Pane_Redraw(void* dialog) {
    Ui_Dlg_Invalidate(dialog, kItemPane);
}

void Pane_Free(EditState* edit) {
    if (edit == nullptr) return;
    PaneState& pane = edit->editor.pane;
    Ui_Free(pane.display);
    pane.display = nullptr;
    pane.displayBytes = 0;
    RegionMaskFree(&pane.sampled);
    Pane_FreeZoomSelection(&pane);
}
