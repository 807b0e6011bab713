// Renders an image view into the 8-bit map the screen shows: the view's own
// pixels, the pixels through a transform, or the whole chain of the
// filtering pass (noise removal, transform, sharpen) run row by row.
#include "engine/view_render.h"

#include "engine/apply_driver.h"
#include "engine/image_view_check.h"
#include "engine/noise.h"
#include "engine/row_desc.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

// The byte of a sample the screen shows: 8-bit samples as they are, the
// high byte of 16-bit ones.
template <typename T>
constexpr int32_t kShowShift = sizeof(T) == 2 ? 8 : 0;

template <typename T>
void CopyOwnRow(const IPImage& view, int32_t y, uint8_t* out, int32_t channels) {
    const T* planes[3] = {ViewRow<T>(&view, 0, y), ViewRow<T>(&view, 1, y),
                          ViewRow<T>(&view, 2, y)};
    const int32_t step = view.sampleStride;
    for (int32_t x = 0; x < view.width; ++x) {
        uint8_t* px = out + x * channels;
        px[0] = uint8_t(planes[0][x * step] >> kShowShift<T>);
        px[1] = uint8_t(planes[1][x * step] >> kShowShift<T>);
        px[2] = uint8_t(planes[2][x * step] >> kShowShift<T>);
    }
}

template <typename T>
void CopyAlphaRow(const IPImage& view, int32_t y, uint8_t* out) {
    const T* alpha = ViewRow<T>(&view, 3, y);
    const int32_t step = view.sampleStride;
    for (int32_t x = 0; x < view.width; ++x)
        out[x * 4 + 3] = uint8_t(alpha[x * step] >> kShowShift<T>);
}

// The three colour samples of a view row side by side, at the view's depth.
template <typename T>
void PackRow(const IPImage& view, int32_t y, void* packed) {
    const T* planes[3] = {ViewRow<T>(&view, 0, y), ViewRow<T>(&view, 1, y),
                          ViewRow<T>(&view, 2, y)};
    T* to = static_cast<T*>(packed);
    const int32_t step = view.sampleStride;
    for (int32_t x = 0; x < view.width; ++x) {
        to[3 * x] = planes[0][x * step];
        to[3 * x + 1] = planes[1][x * step];
        to[3 * x + 2] = planes[2][x * step];
    }
}

// A finished row of the chain (interleaved, three channels) into the map.
template <typename T>
void PutRow(const T* row, int32_t width, uint8_t* out, int32_t channels) {
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* px = out + x * channels;
        px[0] = uint8_t(row[3 * x] >> kShowShift<T>);
        px[1] = uint8_t(row[3 * x + 1] >> kShowShift<T>);
        px[2] = uint8_t(row[3 * x + 2] >> kShowShift<T>);
    }
}

// The row procedures of one sample size.
struct Format {
    void (*copyOwn)(const IPImage&, int32_t, uint8_t*, int32_t);
    void (*copyAlpha)(const IPImage&, int32_t, uint8_t*);
    void (*pack)(const IPImage&, int32_t, void*);
};

template <typename T>
constexpr Format FormatOf() {
    return Format{CopyOwnRow<T>, CopyAlphaRow<T>, PackRow<T>};
}

const Format kFormats[2] = {FormatOf<uint8_t>(), FormatOf<uint16_t>()};

// Rows of the map in order into the band, which is handed over whenever it
// is full and at the last row.
struct BandWriter {
    const ViewRenderBand* band;
    const IPImage* view;
    const Format* format;
    int32_t channels;
    int32_t top;     // view row of the band's first row
    int32_t filled;  // rows in the band
};

uint8_t* NextRow(const BandWriter& w) {
    return w.band->pixels + int64_t(w.filled) * w.view->width * w.channels;
}

// The row NextRow gave has its colour: its transparency joins it, and a
// full band leaves.
int32_t RowDone(BandWriter* w) {
    if (w->channels == 4) w->format->copyAlpha(*w->view, w->top + w->filled, NextRow(*w));
    ++w->filled;
    if (w->filled < w->band->rows && w->top + w->filled < w->view->height) return kUiOk;
    const int32_t count = w->filled;
    const int32_t top = w->top;
    w->top += count;
    w->filled = 0;
    return w->band->flush != nullptr ? w->band->flush(w->band->context, top, count, w->band->pixels)
                                     : kUiOk;
}

// The state of a filtered render, handed to the row sinks.
struct ChainRun {
    BandWriter* writer;
    ApplyDriver* driver;
    Mask2dState* noise;
};

int32_t ChainOutput(void* context, const RowDesc* row) {
    BandWriter* w = static_cast<ChainRun*>(context)->writer;
    if (w->top + w->filled >= w->view->height || row->width != uint32_t(w->view->width) ||
        row->channels != 3 || row->planar != 0)
        return kUiErrGeneral;
    if (row->data8 != nullptr)
        PutRow(row->data8, w->view->width, NextRow(*w), w->channels);
    else
        PutRow(row->data16, w->view->width, NextRow(*w), w->channels);
    return RowDone(w);
}

int32_t ChainNoiseRow(void* context, const RowDesc* row) {
    return ApplyDriverRow(static_cast<ChainRun*>(context)->driver, row);
}

int32_t WriteStream(const Tintwork* tw, UiOwned<uint8_t>* stream, uint32_t* size) {
    uint32_t bytes = 0;
    UI_TRY(TintworkStreamSize(tw, &bytes));
    stream->p = static_cast<uint8_t*>(Ui_Malloc(bytes));
    if (!*stream) return kUiErrMemory;
    TwStream s = {stream->get(), bytes, 0};
    UI_TRY(WriteTintworkStream(tw, &s));
    *size = s.length;
    return kUiOk;
}

int32_t OpenChain(const IPImage& view, const ViewRenderFilters& f, const uint8_t* stream,
                  uint32_t streamSize, ChainRun* run) {
    const int32_t bytes = view.bytesPerSample;
    ApplyDriverParams p = {};
    p.stream = stream;
    p.streamSize = streamSize;
    p.inMax = p.outMax = bytes == 2 ? 65535u : 255u;
    p.sharpenStrength = f.sharpenStrength;
    p.sharpenSelector = f.sharpenStrength > 0 ? f.sharpenSelector : 0;
    p.placement = kPlaceAutomatic;
    p.width = uint32_t(view.width);
    p.height = uint32_t(view.height);
    p.inputDepth = p.outputDepth = bytes;
    p.sink = ChainOutput;
    p.sinkContext = run;
    p.order = kRowOrderIdentity3;
    UI_TRY(OpenApplyDriver(&p, &run->driver));
    if (f.removeNoise != 1) return kUiOk;
    NoiseParams n = f.noise;
    n.width = uint32_t(view.width);
    n.height = uint32_t(view.height);
    n.colorKind = kTwSpaceRgb;
    n.channels = 3;
    n.planarOutput = 0;
    n.order = kRowOrderIdentity3;
    n.outputDepth = uint32_t(bytes);
    n.sink = ChainNoiseRow;
    n.sinkContext = run;
    return mask2dOpen(&run->noise, &n);
}

int32_t RenderFiltered(const IPImage& view, const Tintwork* tw, const ViewRenderFilters& f,
                       BandWriter* writer) {
    UiOwned<uint8_t> stream;
    uint32_t streamSize = 0;
    if (tw != nullptr) UI_TRY(WriteStream(tw, &stream, &streamSize));
    UiOwned<uint8_t> packed(
        static_cast<uint8_t*>(Ui_MallocArray(size_t(view.width) * 3, size_t(view.bytesPerSample))));
    if (!packed) return kUiErrMemory;
    ChainRun run = {writer, nullptr, nullptr};
    int32_t status = OpenChain(view, f, stream.get(), streamSize, &run);
    for (int32_t y = 0; status == kUiOk && y < view.height; ++y) {
        writer->format->pack(view, y, packed.get());
        RowDesc row = {uint32_t(view.width), 3,       kTwSpaceRgb, 0,
                       kRowOrderIdentity3,   nullptr, nullptr,     uint64_t(y)};
        if (view.bytesPerSample == 2)
            row.data16 = reinterpret_cast<uint16_t*>(packed.get());
        else
            row.data8 = packed.get();
        status =
            run.noise != nullptr ? mask2dPutRow(run.noise, &row) : ApplyDriverRow(run.driver, &row);
    }
    if (status == kUiOk && writer->top != view.height) status = kUiErrGeneral;
    CloseApplyDriver(run.driver);
    if (run.noise != nullptr) mask2dClose(&run.noise);
    return status;
}

int32_t RenderCorrected(const IPImage& view, const Tintwork* tw, BandWriter* writer) {
    for (int32_t y = 0; y < view.height; ++y) {
        TwRun in = {view.bytesPerSample, view.sampleStride, {}};
        for (int32_t c = 0; c < 3; ++c) {
            const uint8_t* plane = static_cast<const uint8_t*>(view.planes[c]);
            in.channel[c] =
                const_cast<uint8_t*>(plane + int64_t(y) * view.rowStride * view.bytesPerSample);
        }
        const TwRun to = TwInterleaved8(NextRow(*writer), writer->channels);
        UI_TRY(ApplyTintwork(tw, uint32_t(view.width), &in, &to));
        UI_TRY(RowDone(writer));
    }
    return kUiOk;
}

int32_t RenderOwn(const IPImage& view, BandWriter* writer) {
    for (int32_t y = 0; y < view.height; ++y) {
        writer->format->copyOwn(view, y, NextRow(*writer), writer->channels);
        UI_TRY(RowDone(writer));
    }
    return kUiOk;
}

}  // namespace

int32_t ViewRenderChannels(const IPImage& view) {
    return view.planeCount == 4 ? 4 : 3;
}

bool ViewRenderFiltersOn(const ViewRenderFilters* filters) {
    return filters != nullptr && (filters->sharpenStrength > 0 || filters->removeNoise == 1);
}

int32_t RenderViewBands(const IPImage& view, const Tintwork* tw, const ViewRenderFilters* filters,
                        const ViewRenderBand* band) {
    if (band == nullptr || band->pixels == nullptr || band->rows < 1 ||
        CheckImageView(&view) != kUiOk)
        return kUiErrArg;
    if (tw != nullptr && (tw->inputDepth != view.bytesPerSample || tw->outputDepth != 1 ||
                          tw->inputChannels != 3 || tw->outputChannels != 3))
        return kUiErrArg;
    BandWriter writer = {
        band, &view, &kFormats[view.bytesPerSample == 2 ? 1 : 0], ViewRenderChannels(view), 0, 0};
    if (ViewRenderFiltersOn(filters)) return RenderFiltered(view, tw, *filters, &writer);
    if (tw == nullptr) return RenderOwn(view, &writer);
    return RenderCorrected(view, tw, &writer);
}

int32_t RenderView(const IPImage& view, const Tintwork* tw, const ViewRenderFilters* filters,
                   uint8_t* out) {
    const ViewRenderBand whole = {out, view.height > 0 ? view.height : 1, nullptr, nullptr};
    return RenderViewBands(view, tw, filters, &whole);
}
