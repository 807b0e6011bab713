// The setup dialog's picture: the window of the image under its preview,
// read with a margin for the filters' reach, corrected and filtered as the
// filtering pass would, then magnified by pixel replication; and the
// navigator with its marquee.
#include <algorithm>
#include <cstring>

#include "editor/filter_setup_geometry.h"
#include "editor/filter_setup_internal.h"
#include "engine/image_scale.h"
#include "engine/view_render.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

// The fetched window's margin on every side.
constexpr int32_t kSourceMargin = 16;
constexpr uint8_t kUncovered = 0x80;  // grey where the zoomed window falls short

UiRect InnerRect(void* dialog, int32_t item) {
    UiRect r = {};
    if (Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return r;
    return UiRect{int16_t(r.top + 1), int16_t(r.left + 1), int16_t(r.bottom - 1),
                  int16_t(r.right - 1)};
}

// The window's rows from the render, cropped of the margin into the shown
// pixels, with the selection as the fourth channel.
struct ResultBand {
    FilterSetup* setup;
    int32_t resultWidth;
    int32_t resultHeight;
};

int32_t CropBand(void* context, int32_t top, int32_t count, const uint8_t* pixels) {
    const ResultBand* b = static_cast<const ResultBand*>(context);
    FilterSetup* s = b->setup;
    const SharpenWindow& w = s->source;
    const int32_t m = w.margin;
    for (int32_t r = 0; r < count; ++r) {
        const int32_t y = top + r - m;
        if (y < 0 || y >= b->resultHeight) continue;
        const uint8_t* in = pixels + (size_t(r) * size_t(w.width) + size_t(m)) * 3;
        uint8_t* out = s->result + size_t(y) * size_t(b->resultWidth) * size_t(s->channels);
        const uint8_t* mask =
            w.mask != nullptr ? w.mask + size_t(y + m) * size_t(w.width) + size_t(m) : nullptr;
        for (int32_t x = 0; x < b->resultWidth; ++x, in += 3, out += s->channels) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            if (s->channels == 4) out[3] = mask != nullptr ? mask[x] : 255;
        }
    }
    return kUiOk;
}

// The window's colour planes as a view.
IPImage WindowView(const SharpenWindow& w) {
    IPImage v = {};
    v.kind = kIPImageColour;
    v.planeCount = 3;
    v.bytesPerSample = w.bytesPerSample;
    v.width = w.width;
    v.height = w.height;
    v.resolution = 72.0f;
    v.sampleStride = 1;
    v.rowStride = w.width;
    for (int32_t c = 0; c < 3; ++c) v.planes[c] = w.colour[c];
    return v;
}

// The shown pixels magnified into the view, centred.
int32_t Magnify(FilterSetup* s, int32_t resultWidth, int32_t resultHeight) {
    std::memset(s->display, kUncovered,
                size_t(s->viewWidth) * size_t(s->viewHeight) * size_t(s->channels));
    IPImage from = {};
    from.kind = kIPImageColour;
    from.planeCount = s->channels;
    from.bytesPerSample = 1;
    from.width = resultWidth;
    from.height = resultHeight;
    from.resolution = 72.0f;
    from.sampleStride = s->channels;
    from.rowStride = s->channels * resultWidth;
    IPImage to = from;
    to.width = s->viewWidth;
    to.height = s->viewHeight;
    to.rowStride = s->channels * s->viewWidth;
    for (int32_t k = 0; k < s->channels; ++k) {
        from.planes[k] = s->result + k;
        to.planes[k] = s->display + k;
    }
    return IPZoomReplicate(&from, &to, s->zoom, 0.5f, 0.5f);
}

}  // namespace

void SetupPreview_Place(FilterSetup* s) {
    const WindowSpan across = WindowSpanOf(s->docWidth, s->viewWidth, s->zoom, s->fractionX);
    const WindowSpan down = WindowSpanOf(s->docHeight, s->viewHeight, s->zoom, s->fractionY);
    s->window =
        PassRect{down.start, across.start, down.start + down.count, across.start + across.count};
    s->marquee = MarqueeOf(s->window, s->docWidth, s->docHeight, s->navigator.width,
                           s->navigator.height, s->navLeft, s->navTop);
}

void SetupPreview_CentreOn(FilterSetup* s, double x, double y) {
    s->fractionX = FractionOfCentre(s->docWidth, s->viewWidth, s->zoom, x);
    s->fractionY = FractionOfCentre(s->docHeight, s->viewHeight, s->zoom, y);
    SetupPreview_Place(s);
}

int32_t SetupPreview_Open(void* dialog) {
    FilterSetup* s = SetupOf(dialog);
    const EditState* e = s->edit;
    s->docWidth = e->width;
    s->docHeight = e->height;
    if (s->docWidth < 1 || s->docHeight < 1) return kUiErrArg;
    // The view: the preview item less its border, at most the image.
    const UiRect inner = InnerRect(dialog, kSetupPreview);
    s->viewWidth = std::min<int32_t>(inner.right - inner.left, s->docWidth);
    s->viewHeight = std::min<int32_t>(inner.bottom - inner.top, s->docHeight);
    if (s->viewWidth < 1 || s->viewHeight < 1) return kUiErrArg;
    s->view = UiRect{inner.top, inner.left, int16_t(inner.top + s->viewHeight),
                     int16_t(inner.left + s->viewWidth)};
    // The navigator: the image fitted into its item and centred there.
    const UiRect box = InnerRect(dialog, kSetupNavigator);
    int32_t navW = 0, navH = 0;
    NavigatorFit(s->docWidth, s->docHeight, box.right - box.left, box.bottom - box.top, &navW,
                 &navH);
    s->navLeft = box.left + (box.right - box.left - navW) / 2;
    s->navTop = box.top + (box.bottom - box.top - navH) / 2;
    UI_TRY(s->host->reads->setUpNavigator(e, navW, navH, &s->navigator));
    s->channels = e->maskView.kind != 0 ? 4 : 3;
    const size_t viewPixels = size_t(s->viewWidth) * size_t(s->viewHeight);
    s->result = static_cast<uint8_t*>(Ui_MallocArray(viewPixels, size_t(s->channels)));
    s->display = static_cast<uint8_t*>(Ui_MallocArray(viewPixels, size_t(s->channels)));
    if (s->result == nullptr || s->display == nullptr) return kUiErrMemory;
    Ui_Debug_Logf(s->host->diagnostics, "allocated %d x %d", int(s->viewWidth + 2 * kSourceMargin),
                  int(s->viewHeight + 2 * kSourceMargin));
    SetupPreview_Place(s);
    return kUiOk;
}

void SetupPreview_Close(FilterSetup* s) {
    const PreviewReads* reads = s->host->reads;
    if (s->navigator.pixels != nullptr) reads->freeNavigator(&s->navigator);
    reads->freeSharpenWindow(&s->source);
    Ui_Free(s->result);
    Ui_Free(s->display);
    s->result = s->display = nullptr;
    s->displayReady = false;
}

int32_t SetupPreview_Fetch(void* dialog) {
    FilterSetup* s = SetupOf(dialog);
    const PreviewReads* reads = s->host->reads;
    const EditState* e = s->edit;
    const PassRect area = {e->filterRect.top + s->window.top, e->filterRect.left + s->window.left,
                           e->filterRect.top + s->window.bottom,
                           e->filterRect.left + s->window.right};
    const int32_t margin = SharpenWindowMargin(e->pars.noiseRadius[1], e->pars.noiseRadius[2]);
    // The window already read: filtered again only.
    const PassRect& had = s->source.area;
    if (s->source.colour[0] != nullptr && s->source.margin == margin && had.top == area.top &&
        had.left == area.left && had.bottom == area.bottom && had.right == area.right)
        return SetupPreview_Filter(dialog);
    reads->freeSharpenWindow(&s->source);
    s->source = SharpenWindow{};
    const int32_t status = reads->getPrevImage(s->edit, area, margin, &s->source);
    if (status != kUiOk) {
        // The reads alert their own failures; these they have not shown.
        if (status == kUiErrMemory || status == kUiErrArg)
            Ui_Alert_ReportErrorf(Ui_Dlg_State(dialog), status, kStrCtxGettingPreview, nullptr);
        return status;
    }
    return SetupPreview_Filter(dialog);
}

int32_t SetupPreview_Filter(void* dialog) {
    FilterSetup* s = SetupOf(dialog);
    if (s->source.colour[0] == nullptr) return kUiErrArg;
    const int32_t margin = s->source.margin;
    ResultBand result = {s, s->source.width - 2 * margin, s->source.height - 2 * margin};
    int32_t status = result.resultWidth >= 1 && result.resultHeight >= 1 &&
                             result.resultWidth <= s->viewWidth &&
                             result.resultHeight <= s->viewHeight
                         ? kUiOk
                         : kUiErrArg;
    // The correction and, unless a drag is showing the window as it is, the
    // filters that are on, as the filtering pass runs them.
    const TWHandle* transform = s->edit->transform;
    const Tintwork* tw = transform != nullptr ? transform->tintwork : nullptr;
    const ViewRenderFilters filters = ViewRenderFiltersOf(FilterSettingsOf(s->edit->pars));
    const IPImage view = WindowView(s->source);
    constexpr int32_t kBandRows = 16;
    uint8_t* rows = nullptr;
    if (status == kUiOk) {
        rows = static_cast<uint8_t*>(Ui_MallocArray(size_t(view.width) * kBandRows, 3));
        if (rows == nullptr) status = kUiErrMemory;
    }
    if (status == kUiOk) {
        const ViewRenderBand band = {rows, kBandRows, CropBand, &result};
        status = RenderViewBands(view, tw, s->filtering ? &filters : nullptr, &band);
    }
    Ui_Free(rows);
    if (status == kUiOk) status = Magnify(s, result.resultWidth, result.resultHeight);
    if (status != kUiOk) {
        Ui_Alert_ReportErrorf(Ui_Dlg_State(dialog), status, kStrCtxTransformingPreview, nullptr);
        return status;
    }
    s->displayReady = true;
    return kUiOk;
}
