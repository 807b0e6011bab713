#include "host/filter_image.h"

#include <cstring>

#include "engine/apply_driver.h"
#include "engine/noise.h"
#include "engine/noise_mask.h"
#include "host/blocks.h"
#include "host/host_rects.h"
#include "host/module_state.h"
#include "host/preview_request.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

constexpr int32_t kSharpenMarginRows = 4;

typedef void (*ToPackedProc)(const uint8_t* hostRow, int32_t planes, int32_t width,
                             uint8_t* packed);
typedef void (*PutRowProc)(const uint8_t* processedRow, const uint8_t* sourceRow,
                           const uint8_t* mask, uint8_t* outRow, int32_t planes, int32_t width);

// The row conversions of one host format: by depth, then 3, 4 or any planes.
struct RowProcs {
    ToPackedProc toPacked;  // null: the host row itself is packed as the pass needs it
    PutRowProc put;
};

// The state of one pass, handed to the row sinks.
struct PassRun {
    EditState* edit;
    int32_t planes;  // samples from one host pixel to the next
    int32_t bytes;   // per sample
    int32_t rowSkip;
    int32_t margin;
    bool haveMask;
    uint8_t* packed;  // one row, three samples per pixel
    ApplyDriver* driver;
    Mask2dState* noise;
    uint32_t outRow;  // index of the next row to come out
    RowProcs rows;    // the row conversions of the host's format
};

// Host rows of the current strip: row `row` (image coordinates) of a lent area.
uint8_t* StripRow(void* data, int32_t rowBytes, const PassRect& area, int32_t row) {
    return static_cast<uint8_t*>(data) + int64_t(row - area.top) * rowBytes;
}

// ---- Samples between the host's range and the pass's ---------------------------------
// 8-bit samples pass as they are. 16-bit host samples run 0..32768: the pass
// works on 0..65534 (a sample above 32767 taken as 32767, then doubled), and
// its results are halved back; 32768 therefore returns as 32767.

struct Host8 {
    using T = uint8_t;
    static uint32_t In(T s) { return s; }
    static uint32_t Out(T p) { return p; }
};
struct Host16 {
    using T = uint16_t;
    static uint32_t In(T s) { return s > 32767 ? 32767u : s; }
    static uint32_t Out(T p) { return uint32_t(p) >> 1; }
};

// to[i] = f(from[i]) for n samples, in blocks of a fixed count so that the
// compiler turns each block into vector instructions.
template <typename T, typename F>
void ForEachSample(const T* __restrict from, T* __restrict to, int32_t n, F f) {
    constexpr int32_t kBlock = 32;
    int32_t i = 0;
    for (; i + kBlock <= n; i += kBlock)
        for (int32_t k = 0; k < kBlock; ++k) to[i + k] = f(from[i + k]);
    for (; i < n; ++i) to[i] = f(from[i]);
}

// The three colour samples of each pixel of a host row, packed side by side
// (three per pixel). P is the number of planes when it is known (3 or 4), so
// the loop has a fixed stride; 0 takes it from `planes`.
template <typename H, int32_t P>
void CopyToPacked(const uint8_t* hostRow, int32_t planes, int32_t width, uint8_t* packed) {
    using T = typename H::T;
    const int32_t stride = P != 0 ? P : planes;
    const T* in = reinterpret_cast<const T*>(hostRow);
    T* out = reinterpret_cast<T*>(packed);
    constexpr uint32_t scale = sizeof(T) == 2 ? 2 : 1;
    if (P == 3) {  // the same layout: one flat run of samples
        ForEachSample(in, out, 3 * width, [](T v) { return T(H::In(v) * scale); });
        return;
    }
    for (int32_t x = 0; x < width; ++x) {
        const T* px = in + x * stride;
        T* to = out + 3 * x;
        to[0] = T(H::In(px[0]) * scale);
        to[1] = T(H::In(px[1]) * scale);
        to[2] = T(H::In(px[2]) * scale);
    }
}

// One processed row (three samples per pixel) into the host's output row,
// blended with the source by the selection: mask 0 keeps the source as it
// is, 255 takes the result, otherwise (source × (255 - m) + result × m +
// 128) / 256. Planes past the third (transparency) are the source's,
// untouched. Without a selection every pixel takes the result.
template <typename H, int32_t P>
void PutRow(const uint8_t* processedRow, const uint8_t* sourceRow, const uint8_t* mask,
            uint8_t* outRow, int32_t planes, int32_t width) {
    using T = typename H::T;
    const int32_t stride = P != 0 ? P : planes;
    const T* p = reinterpret_cast<const T*>(processedRow);
    const T* s = reinterpret_cast<const T*>(sourceRow);
    T* o = reinterpret_cast<T*>(outRow);
    if (mask == nullptr && P == 3) {  // the same layout: one flat run of samples
        ForEachSample(p, o, 3 * width, [](T v) { return T(H::Out(v)); });
        return;
    }
    if (mask == nullptr) {
        for (int32_t x = 0; x < width; ++x) {
            T* dst = o + x * stride;
            const T* from = p + 3 * x;
            dst[0] = T(H::Out(from[0]));
            dst[1] = T(H::Out(from[1]));
            dst[2] = T(H::Out(from[2]));
            for (int32_t c = 3; c < stride; ++c) dst[c] = s[x * stride + c];
        }
        return;
    }
    for (int32_t x = 0; x < width; ++x) {
        const uint32_t m = mask[x];
        const T* src = s + x * stride;
        T* dst = o + x * stride;
        for (int32_t c = 0; c < 3; ++c) {
            const uint32_t result = H::Out(p[3 * x + c]);
            if (m == 255)
                dst[c] = T(result);
            else if (m == 0)
                dst[c] = src[c];
            else
                dst[c] = T((H::In(src[c]) * (255 - m) + result * m + 128) >> 8);
        }
        for (int32_t c = 3; c < stride; ++c) dst[c] = src[c];
    }
}

template <typename H, int32_t P>
constexpr RowProcs ProcsOf() {
    // 8-bit rows of three planes pass to the stages as they are.
    const bool asIs = sizeof(typename H::T) == 1 && P == 3;
    return RowProcs{asIs ? nullptr : CopyToPacked<H, P>, PutRow<H, P>};
}

const RowProcs kRowProcs[2][3] = {
    {ProcsOf<Host8, 3>(), ProcsOf<Host8, 4>(), ProcsOf<Host8, 0>()},
    {ProcsOf<Host16, 3>(), ProcsOf<Host16, 4>(), ProcsOf<Host16, 0>()},
};

RowProcs RowProcsFor(int32_t bytes, int32_t planes) {
    return kRowProcs[bytes == 2 ? 1 : 0][planes == 3 ? 0 : planes == 4 ? 1 : 2];
}

// ---- The output side -----------------------------------------------------------------

// Receives each finished row from the transform application, in order.
int32_t OutputRow(void* context, const RowDesc* row) {
    PassRun* run = static_cast<PassRun*>(context);
    EditState& e = *run->edit;
    const int32_t r = int32_t(run->outRow);
    Ui_Debug_Logf(gDiagnostics, "Put y = %d", int(r));
    const int32_t y = r + e.filterRect.top;
    // The overlap keeps every row still to come inside the current strip.
    if (r >= e.height || y < e.outRect.top || y >= e.outRect.bottom) return kUiErrGeneral;
    const FilterRecord* f = gFilterRecord;
    const uint8_t* processed =
        row->data8 != nullptr ? row->data8 : reinterpret_cast<const uint8_t*>(row->data16);
    const uint8_t* source = StripRow(f->inData, f->inRowBytes, e.inRect, y);
    uint8_t* out = StripRow(f->outData, f->outRowBytes, e.outRect, y);
    const uint8_t* mask = run->haveMask && f->maskData != nullptr
                              ? StripRow(f->maskData, f->maskRowBytes, e.maskRect, y)
                              : nullptr;
    run->rows.put(processed, source, mask, out, run->planes, e.width);
    ++run->outRow;
    return kUiOk;
}

int32_t NoiseRow(void* context, const RowDesc* row) {
    return ApplyDriverRow(static_cast<PassRun*>(context)->driver, row);
}

// ---- The input side ------------------------------------------------------------------

void GiveRects(EditState& e, const PassRect& area, bool mask) {
    e.inRect = e.outRect = area;
    if (mask) e.maskRect = area;
    SetHostAreas(area, mask);
}

// Makes row y of the filter rectangle available, fetching the strip that
// begins `margin` rows above it when y lies below the current one.
int32_t FetchRow(PassRun* run, int32_t y) {
    EditState& e = *run->edit;
    Ui_Debug_Logf(gDiagnostics, "Get %d", int(y));
    const int32_t row = y + e.filterRect.top;
    if (row > e.inRect.bottom - 1) {
        if (gFilterRecord->abortProc != nullptr && gFilterRecord->abortProc()) {
            Host_StoreResult(userCanceledErr);
            return kUiErrCancelled;
        }
        int32_t top = row - run->margin;
        if (top < e.filterRect.top) top = e.filterRect.top;
        int32_t bottom = top + run->rowSkip;
        if (bottom < row + 1) bottom = row + 1;
        if (bottom > e.filterRect.bottom) bottom = e.filterRect.bottom;
        GiveRects(e, PassRect{top, e.filterRect.left, bottom, e.filterRect.right}, run->haveMask);
        Ui_Debug_Logf(gDiagnostics, "Read strip of %d scanlines (%d), in %d to %d, out %d to %d",
                      int(bottom - top), int(run->margin), int(e.inRect.top), int(e.inRect.bottom),
                      int(e.outRect.top), int(e.outRect.bottom));
        const int32_t advanced = Host_AdvanceState();
        if (advanced != kUiOk) return advanced;
    }
    Ui_Debug_Logf(gDiagnostics, "y = %d;  yin = %d, yout = %d", int(y), int(row - e.inRect.top),
                  int(row - e.outRect.top));
    if (gFilterRecord->progressProc != nullptr) gFilterRecord->progressProc(y, e.height);
    return kUiOk;
}

// Hands row y to the noise removal or straight to the transform.
int32_t FeedRow(PassRun* run, int32_t y) {
    EditState& e = *run->edit;
    const FilterRecord* f = gFilterRecord;
    const uint8_t* hostRow = StripRow(f->inData, f->inRowBytes, e.inRect, y + e.filterRect.top);
    uint8_t* packed = const_cast<uint8_t*>(hostRow);
    if (run->rows.toPacked != nullptr) {
        run->rows.toPacked(hostRow, run->planes, e.width, run->packed);
        packed = run->packed;
    }
    RowDesc row = {uint32_t(e.width), 3, 1, 0, kRowOrderIdentity3, nullptr, nullptr, uint64_t(y)};
    if (run->bytes == 2)
        row.data16 = reinterpret_cast<uint16_t*>(packed);
    else
        row.data8 = packed;
    return run->noise != nullptr ? mask2dPutRow(run->noise, &row)
                                 : ApplyDriverRow(run->driver, &row);
}

// ---- Setting up and taking down ------------------------------------------------------

// The host's side of the pass: every plane, no sampling, no host masking (the
// pass blends with the selection itself; a host that also did would apply
// the correction twice).
int32_t SetUpHost(EditState& e, bool mask) {
    const FilterRecord* f = gFilterRecord;
    const int32_t begun = BeginHostRequest(1);
    if (begun != kUiOk) return begun;
    e.filterRect = ToPassRect(GetFilterRect());
    // No strip yet: the first row lies below these.
    GiveRects(e, PassRect{-1, e.filterRect.left, -1, e.filterRect.right}, mask);
    e.width = e.filterRect.right - e.filterRect.left;
    e.height = e.filterRect.bottom - e.filterRect.top;
    e.inBytes = e.outBytes = f->depth == 16 ? 2 : 1;
    e.inStride = e.outStride = f->planes;
    Ui_Debug_Logf(gDiagnostics, "%d x %d, %d", int(e.width), int(e.height), int(e.inBytes));
    return e.width > 0 && e.height > 0 ? kUiOk : kUiErrArg;
}

int32_t OpenStages(PassRun* run, const uint8_t* stream, uint32_t streamSize) {
    const EditState& e = *run->edit;
    const FilterSettings& s = e.filters;
    const bool stage = e.filterStage == 1;
    ApplyDriverParams p = {};
    p.stream = stream;
    p.streamSize = streamSize;
    p.inMin = p.outMin = 0;
    p.inMax = p.outMax = run->bytes == 2 ? 65535u : 255u;
    // The sharpen's settings reach the driver only when it sharpens: a
    // stored selector of no use does not fail the pass.
    const bool sharpen = stage && s.doSharpen == 1;
    p.sharpenStrength = sharpen ? s.sharpen.sharpenStrength : 0;
    p.sharpenSelector = sharpen ? s.sharpen.sharpenMode : 0;
    p.placement = kPlaceAutomatic;
    p.width = uint32_t(e.width);
    p.height = uint32_t(e.height);
    p.inputDepth = p.outputDepth = run->bytes;
    p.sink = OutputRow;
    p.sinkContext = run;
    p.planar = 0;
    p.order = kRowOrderIdentity3;
    UI_TRY(OpenApplyDriver(&p, &run->driver));
    if (!stage || s.doRemoveNoise != 1) return kUiOk;
    NoiseParams n = NoiseParamsOf(s.noise, e.width, e.height, run->bytes, false);
    n.sink = NoiseRow;
    n.sinkContext = run;
    return mask2dOpen(&run->noise, &n);
}

int32_t RunRows(PassRun* run) {
    const EditState& e = *run->edit;
    for (int32_t y = 0; y < e.height; ++y) {
        UI_TRY(FetchRow(run, y));
        const int32_t status = FeedRow(run, y);
        if (status != kUiOk) {
            Ui_Alert_ReportErrorf(gUiState, status, kStrCtxProcessingScanline, nullptr, int(y), "");
            return status;
        }
    }
    return run->outRow == uint32_t(e.height) ? kUiOk : kUiErrGeneral;
}

}  // namespace

int32_t StripMargin(const FilterSettings& filters, uint8_t filterStage) {
    if (filterStage != 1) return 0;
    const bool sharpen = filters.doSharpen == 1;
    const bool noise = filters.doRemoveNoise == 1;
    // The noise removal holds back as many rows as its largest radius, of
    // any channel it is given; the sharpen two. A stored radius past the
    // noise engine's limit (which it refuses when the pass opens it) counts
    // as the limit, so no stored value overflows the margin.
    int32_t radius = 0;
    for (int32_t c = 0; c < 3; ++c)
        if (filters.noise.noiseRadius[c] > radius) radius = filters.noise.noiseRadius[c];
    if (radius > kNoiseMaxRadius) radius = kNoiseMaxRadius;
    const int32_t noiseRows = noise ? 2 * radius : 0;
    const int32_t sharpenRows = sharpen ? kSharpenMarginRows : 0;
    return noiseRows + sharpenRows;
}

int32_t FilterImage(EditState* edit) {
    Ui_Debug_Log(gDiagnostics, "FilterImage...");
    PassRun run = {};
    run.edit = edit;
    run.haveMask = gFilterRecord->haveMask != 0;
    int32_t status = SetUpHost(*edit, run.haveMask);
    if (status != kUiOk) return status;
    if (edit->transform == nullptr) {
        Ui_Alert_ReportError(gUiState, kUiErrArg, "no Tintwork", nullptr);
        Host_StoreResult(memFullErr);
        return kUiErrArg;
    }
    run.planes = gFilterRecord->planes;
    run.bytes = edit->inBytes;
    run.rowSkip = gDataBlock->rowSkip > 0 ? gDataBlock->rowSkip : 1;
    run.margin = StripMargin(edit->filters, edit->filterStage);
    run.rows = RowProcsFor(run.bytes, run.planes);
    uint8_t* stream = nullptr;
    uint32_t streamSize = 0;
    run.packed = static_cast<uint8_t*>(Ui_MallocArray(size_t(edit->width) * 3, size_t(run.bytes)));
    status = run.packed != nullptr
                 ? WriteDriverStream(edit->transform->tintwork, &stream, &streamSize)
                 : kUiErrMemory;
    if (status == kUiOk) status = OpenStages(&run, stream, streamSize);
    if (status != kUiOk) Ui_Alert_ReportError(gUiState, status, nullptr, nullptr);
    if (status == kUiOk) status = RunRows(&run);
    Ui_Free(stream);
    Ui_Free(run.packed);
    CloseApplyDriver(run.driver);
    if (run.noise != nullptr) mask2dClose(&run.noise);
    if (status != kUiOk) {
        if (!Host_ResultSet()) Host_StoreResult(Host_ResultFromStatus(status));
        return status;
    }
    gPrefs->previous = edit->pars;
    GiveRects(*edit, PassRect{0, 0, 0, 0}, true);
    Ui_Debug_Log(gDiagnostics, "... FilterImage done");
    return kUiOk;
}
