// The setup dialog's picture: the window of the image under its preview,
// read with a margin for the filters' reach, corrected and filtered as the
// filtering pass would, then magnified by pixel replication; and the
// navigator with its marquee.
#include <algorithm>
#include <cstring>

#include "editor/filter_setup_geometry.h"
#include "editor/filter_setup_internal.h"
#include "engine/apply_driver.h"
#include "engine/image_scale.h"
#include "engine/noise.h"
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

// The rows of one filtering of the window: packed into planar rows for the
// filters, collected from the driver into the shown pixels.
struct FilterRun {
    FilterSetup* setup;
    int32_t margin;
    int32_t row;  // the next row out of the driver
    int32_t resultWidth, resultHeight;
    ApplyDriver* driver;
    Mask2dState* noise;
};

int32_t ResultRow(void* context, const RowDesc* row) {
    FilterRun* run = static_cast<FilterRun*>(context);
    FilterSetup* s = run->setup;
    const int32_t y = run->row++ - run->margin;
    if (y < 0 || y >= run->resultHeight) return kUiOk;
    const uint8_t* in = row->data8;
    if (in == nullptr) return kUiErrArg;
    const int32_t w = int32_t(row->width), m = run->margin;
    uint8_t* out = s->result + size_t(y) * size_t(run->resultWidth) * size_t(s->channels);
    const uint8_t* mask = s->source.mask != nullptr
                              ? s->source.mask + size_t(y + m) * size_t(s->source.width) + size_t(m)
                              : nullptr;
    for (int32_t x = 0; x < run->resultWidth; ++x, out += s->channels) {
        for (int32_t c = 0; c < 3; ++c)
            out[c] = row->planar != 0 ? in[c * w + x + m] : in[(x + m) * 3 + c];
        if (s->channels == 4) out[3] = mask != nullptr ? mask[x] : 255;
    }
    return kUiOk;
}

int32_t NoiseRow(void* context, const RowDesc* row) {
    return ApplyDriverRow(static_cast<FilterRun*>(context)->driver, row);
}

int32_t OpenFilters(FilterRun* run, const uint8_t* stream, uint32_t streamSize) {
    const FilterSetup* s = run->setup;
    const EditPars& pars = s->edit->pars;
    const SharpenWindow& w = s->source;
    const bool sharpen = s->filtering && pars.doSharpen == 1;
    const bool noise = s->filtering && pars.doRemoveNoise == 1;
    ApplyDriverParams p = {};
    p.stream = stream;
    p.streamSize = streamSize;
    p.inMax = w.bytesPerSample == 2 ? 65535u : 255u;
    p.outMax = 255u;
    p.sharpenStrength = sharpen ? pars.sharpenStrength : 0;
    p.sharpenSelector = sharpen ? pars.sharpenMode : 0;
    p.placement = kPlaceAutomatic;
    p.width = uint32_t(w.width);
    p.height = uint32_t(w.height);
    p.inputDepth = w.bytesPerSample;
    p.outputDepth = 1;
    p.sink = ResultRow;
    p.sinkContext = run;
    p.planar = 1;
    p.order = kRowOrderIdentity3;
    UI_TRY(OpenApplyDriver(&p, &run->driver));
    if (!noise) return kUiOk;
    NoiseParams n =
        NoiseParamsOf(FilterSettingsOf(pars).noise, w.width, w.height, w.bytesPerSample, true);
    n.sink = NoiseRow;
    n.sinkContext = run;
    return mask2dOpen(&run->noise, &n);
}

int32_t FeedRows(FilterRun* run) {
    const SharpenWindow& w = run->setup->source;
    const size_t bytes = size_t(w.bytesPerSample), width = size_t(w.width);
    uint8_t* packed = static_cast<uint8_t*>(Ui_MallocArray(3 * width, bytes));
    if (packed == nullptr) return kUiErrMemory;
    int32_t status = kUiOk;
    for (int32_t y = 0; y < w.height && status == kUiOk; ++y) {
        for (int32_t c = 0; c < 3; ++c)
            std::memcpy(packed + size_t(c) * width * bytes,
                        static_cast<const uint8_t*>(w.colour[c]) + size_t(y) * width * bytes,
                        width * bytes);
        RowDesc row = {uint32_t(w.width),  3,       kTwSpaceRgb, 1,
                       kRowOrderIdentity3, nullptr, nullptr,     uint64_t(y)};
        if (bytes == 2)
            row.data16 = reinterpret_cast<uint16_t*>(packed);
        else
            row.data8 = packed;
        status = run->noise != nullptr ? mask2dPutRow(run->noise, &row)
                                       : ApplyDriverRow(run->driver, &row);
    }
    Ui_Free(packed);
    return status;
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
    FilterRun run = {};
    run.setup = s;
    run.margin = s->source.margin;
    run.resultWidth = s->source.width - 2 * run.margin;
    run.resultHeight = s->source.height - 2 * run.margin;
    int32_t status = run.resultWidth >= 1 && run.resultHeight >= 1 &&
                             run.resultWidth <= s->viewWidth && run.resultHeight <= s->viewHeight
                         ? kUiOk
                         : kUiErrArg;
    uint8_t* stream = nullptr;
    uint32_t streamSize = 0;
    const TWHandle* transform = s->edit->transform;
    if (status == kUiOk && transform != nullptr && transform->tintwork != nullptr)
        status = WriteDriverStream(transform->tintwork, &stream, &streamSize);
    if (status == kUiOk) status = OpenFilters(&run, stream, streamSize);
    if (status == kUiOk) status = FeedRows(&run);
    if (status == kUiOk && run.row != s->source.height) status = kUiErrGeneral;
    CloseApplyDriver(run.driver);
    if (run.noise != nullptr) mask2dClose(&run.noise);
    Ui_Free(stream);
    if (status == kUiOk) status = Magnify(s, run.resultWidth, run.resultHeight);
    if (status != kUiOk) {
        Ui_Alert_ReportErrorf(Ui_Dlg_State(dialog), status, kStrCtxTransformingPreview, nullptr);
        return status;
    }
    s->displayReady = true;
    return kUiOk;
}
