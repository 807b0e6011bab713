#include "engine/image_scale.h"

#include <cmath>
#include <cstring>

#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr int32_t kOne16 = 65536;  // 1.0 in 16.16
constexpr int32_t kPhases = 16;    // sub-sample phases of the tent table

// The tent kernel for one step: kPhases rows of `taps` weights (weight16,
// each row summing to exactly 65536). Tap t of phase p weighs the sample at
// (integer part of the position) - left + t.
struct TentTable {
    int32_t taps;
    int32_t left;
    int32_t* weight16;      // kPhases × taps
    int32_t lead[kPhases];  // first tap of the phase with a weight
    int32_t span[kPhases];  // taps from lead to the last one with a weight
};

int32_t BuildTent(int32_t step16, TentTable* table) {
    const int32_t reach = (step16 + kOne16 - 1) / kOne16;  // whole samples the tent spans
    table->left = reach;
    table->taps = 2 * reach + 2;
    table->weight16 = static_cast<int32_t*>(
        Ui_MallocArray(size_t(kPhases) * size_t(table->taps), sizeof(int32_t)));
    if (table->weight16 == nullptr) return kUiErrMemory;
    const double halfWidth = double(step16) / kOne16;
    const int32_t taps = table->taps, left = table->left;
    for (int32_t p = 0; p < kPhases; ++p) {
        auto tent = [&](int32_t t) {
            const double v = 1.0 - std::fabs(double(t - left) - double(p) / kPhases) / halfWidth;
            return v > 0 ? v : 0.0;
        };
        double sum = 0;
        int32_t middle = 0;
        for (int32_t t = 0; t < taps; ++t) {
            sum += tent(t);
            if (tent(t) > tent(middle)) middle = t;
        }
        // Round each weight and give the remainder to the middle tap, so that
        // a flat area stays exactly flat.
        int32_t* row = table->weight16 + p * taps;
        int32_t total = 0;
        for (int32_t t = 0; t < taps; ++t) {
            row[t] = int32_t(std::lround(tent(t) / sum * kOne16));
            total += row[t];
        }
        row[middle] += kOne16 - total;
        if (row[middle] >= 0) continue;
        // Very wide tents (hundreds of taps) can round the middle tap below
        // zero; there the weights are the steps of the rounded running sum,
        // which are never negative and still total 65536.
        double running = 0;
        int32_t previous = 0;
        for (int32_t t = 0; t < taps; ++t) {
            running += tent(t);
            const int32_t next = int32_t(std::lround(running / sum * kOne16));
            row[t] = next - previous;
            previous = next;
        }
    }
    // The zero weights at both ends of a phase are skipped by the filter loops.
    for (int32_t p = 0; p < kPhases; ++p) {
        const int32_t* row = table->weight16 + p * taps;
        int32_t lead = 0, end = taps;
        while (lead < taps - 1 && row[lead] == 0) ++lead;
        while (end > lead + 1 && row[end - 1] == 0) --end;
        table->lead[p] = lead;
        table->span[p] = end - lead;
    }
    return kUiOk;
}

template <typename T>
T* Row(const IPImage* v, int32_t k, int32_t y) {
    return static_cast<T*>(v->planes[k]) + int64_t(y) * v->rowStride;
}

struct ScaleJob {
    const IPImage* src;
    IPImage* dst;
    int32_t wout, hout;
    int32_t step16;
    IPScaleProgress progress;
    void* context;
};

int32_t Report(const ScaleJob& job, int32_t plane, int32_t row) {
    if (job.progress == nullptr) return kUiOk;
    const double done = double(plane * job.hout + row + 1) / double(job.src->planeCount * job.hout);
    return job.progress(done, job.context);
}

template <typename T>
int32_t ScaleNearest(const ScaleJob& job) {
    const IPImage* src = job.src;
    UiOwned<int32_t> column(
        static_cast<int32_t*>(Ui_MallocArray(size_t(job.wout), sizeof(int32_t))));
    if (!column) return kUiErrMemory;
    // Positions start half a sample in (0x8000) and advance by the step.
    for (int32_t x = 0; x < job.wout; ++x)
        column[x] = int32_t((0x8000 + int64_t(x) * job.step16) >> 16) * src->sampleStride;
    for (int32_t k = 0; k < src->planeCount; ++k) {
        for (int32_t y = 0; y < job.hout; ++y) {
            const int32_t sy = int32_t((0x8000 + int64_t(y) * job.step16) >> 16);
            const T* in = Row<const T>(src, k, sy);
            T* out = Row<T>(job.dst, k, y);
            for (int32_t x = 0; x < job.wout; ++x)
                out[int64_t(x) * job.dst->sampleStride] = in[column[x]];
            UI_TRY(Report(job, k, y));
        }
    }
    return kUiOk;
}

// Tent filter: each source row across, then down the columns into the
// destination. The rows filtered across are kept in a ring of `taps` rows:
// an output row needs at most that many consecutive source rows, and the
// rows it needs only move down, so each source row is filtered across once.
template <typename T>
int32_t ScaleTent(const ScaleJob& job) {
    const IPImage* src = job.src;
    const int32_t ws = src->width, hs = src->height, wout = job.wout;
    TentTable tent = {};
    UI_TRY(BuildTent(job.step16, &tent));
    UiOwned<int32_t> weights(tent.weight16);
    const int32_t taps = tent.taps, left = tent.left;
    // A source row padded with copies of its end samples, so that every tap
    // lands inside: left on the left, taps - left on the right.
    const int32_t padded = ws + taps;
    UiOwned<T> pad(static_cast<T*>(Ui_MallocArray(size_t(padded), sizeof(T))));
    UiOwned<T> ring(static_cast<T*>(Ui_MallocArray(size_t(taps) * size_t(wout), sizeof(T))));
    UiOwned<uint32_t> sum(static_cast<uint32_t*>(Ui_MallocArray(size_t(wout), sizeof(uint32_t))));
    UiOwned<int32_t> first(static_cast<int32_t*>(Ui_MallocArray(size_t(wout), sizeof(int32_t))));
    UiOwned<int32_t> span(static_cast<int32_t*>(Ui_MallocArray(size_t(wout), sizeof(int32_t))));
    UiOwned<const int32_t*> kernel(
        static_cast<const int32_t**>(Ui_MallocArray(size_t(wout), sizeof(int32_t*))));
    if (!pad || !ring || !sum || !first || !span || !kernel) return kUiErrMemory;
    // Output sample x sits at x × step; its phase is bits 12 .. 15.
    for (int32_t x = 0; x < wout; ++x) {
        const int64_t position = int64_t(x) * job.step16;
        const int32_t phase = int32_t((position >> 12) & 15);
        // In padded coordinates (source index + left) the taps start at the
        // integer part of the position.
        first[x] = int32_t(position >> 16) + tent.lead[phase];
        kernel[x] = tent.weight16 + phase * taps + tent.lead[phase];
        span[x] = tent.span[phase];
    }

    for (int32_t k = 0; k < src->planeCount; ++k) {
        // Source row y of plane k filtered across into its slot of the ring.
        auto across = [&](int32_t y) {
            const T* in = Row<const T>(src, k, y);
            for (int32_t i = 0; i < left; ++i) pad[i] = in[0];
            for (int32_t i = 0; i < ws; ++i) pad[left + i] = in[int64_t(i) * src->sampleStride];
            const T last = in[int64_t(ws - 1) * src->sampleStride];
            for (int32_t i = left + ws; i < padded; ++i) pad[i] = last;
            T* out = ring.p + int64_t(y % taps) * wout;
            for (int32_t x = 0; x < wout; ++x) {
                const T* s = pad.p + first[x];
                const int32_t* w = kernel[x];
                const int32_t n = span[x];
                uint32_t acc = 0x8000;
                for (int32_t t = 0; t < n; ++t) acc += uint32_t(w[t]) * s[t];
                out[x] = T(acc >> 16);
            }
        };
        int32_t filtered = 0;  // source rows below this one are not filtered yet
        for (int32_t y = 0; y < job.hout; ++y) {
            const int64_t position = int64_t(y) * job.step16;
            const int32_t phase = int32_t((position >> 12) & 15);
            const int32_t* w = tent.weight16 + phase * taps;
            const int32_t top = int32_t(position >> 16) - left;
            const int32_t lead = tent.lead[phase], end = lead + tent.span[phase];
            auto clampRow = [hs](int32_t r) { return r < 0 ? 0 : r >= hs ? hs - 1 : r; };
            for (const int32_t last = clampRow(top + end - 1); filtered <= last; ++filtered)
                across(filtered);
            for (int32_t x = 0; x < wout; ++x) sum[x] = 0x8000;
            for (int32_t t = lead; t < end; ++t) {
                const T* s = ring.p + int64_t(clampRow(top + t) % taps) * wout;
                const uint32_t weight = uint32_t(w[t]);
                for (int32_t x = 0; x < wout; ++x) sum[x] += weight * s[x];
            }
            T* out = Row<T>(job.dst, k, y);
            for (int32_t x = 0; x < wout; ++x)
                out[int64_t(x) * job.dst->sampleStride] = T(sum[x] >> 16);
            UI_TRY(Report(job, k, y));
        }
    }
    return kUiOk;
}

bool ViewUsable(const IPImage* v, int32_t minSide) {
    if (v == nullptr || (v->kind != kIPImageColour && v->kind != kIPImageMask)) return false;
    if (v->planeCount < 1 || v->planeCount > kIPImageMaxPlanes) return false;
    if (v->bytesPerSample != 1 && v->bytesPerSample != 2) return false;
    if (v->width < minSide || v->height < minSide) return false;
    if (v->width > kIPImageMaxSide || v->height > kIPImageMaxSide) return false;
    if (v->sampleStride < 1 || v->rowStride < 1) return false;
    for (int32_t k = 0; k < v->planeCount; ++k)
        if (v->planes[k] == nullptr) return false;
    return true;
}

// One worker per sample width and mode.
typedef int32_t (*ScaleWorker)(const ScaleJob&);
const ScaleWorker kWorkers[2][2] = {
    {ScaleNearest<uint8_t>, ScaleTent<uint8_t>},
    {ScaleNearest<uint16_t>, ScaleTent<uint16_t>},
};

}  // namespace

int32_t IPScaleFit(int32_t ws, int32_t hs, int32_t wb, int32_t hb, int32_t* wout, int32_t* hout) {
    if (wout == nullptr || hout == nullptr || ws < 1 || hs < 1 || wb < 1 || hb < 1)
        return kUiErrArg;
    // Each candidate fills the box one way, rounded to whole samples: the
    // width for the box's height, the height for the box's width.
    const int64_t wfit = (hs / 2 + int64_t(ws) * hb) / hs;
    const int64_t hfit = (ws / 2 + int64_t(hs) * wb) / ws;
    // Take the larger candidate that lies inside the box (one always does).
    const bool byHeightFits = wfit <= wb;
    const bool byWidthFits = hfit <= hb;
    int64_t w, h;
    if (byHeightFits && (!byWidthFits || hfit * wb <= wfit * hb)) {
        w = wfit;
        h = hb;
    } else {
        w = wb;
        h = hfit;
    }
    // Never enlarge, and keep at least one sample each way.
    w = w > ws ? ws : w < 1 ? 1 : w;
    h = h > hs ? hs : h < 1 ? 1 : h;
    if (w >= ws || h >= hs) {
        // Not smaller both ways: the source size, if the box holds it.
        if (ws <= wb && hs <= hb) {
            w = ws;
            h = hs;
        }
    }
    *wout = int32_t(w);
    *hout = int32_t(h);
    return kUiOk;
}

int32_t IPScaleImageDown2(const IPImage* src, int32_t mode, IPImage* dst, int32_t* outWidth,
                          int32_t* outHeight, IPScaleProgress progress, void* context) {
    if (!ViewUsable(src, 1) || !ViewUsable(dst, 2) || outWidth == nullptr || outHeight == nullptr)
        return kUiErrArg;
    if (mode != kIPScaleNearest && mode != kIPScaleTent) return kUiErrArg;
    if (src->bytesPerSample != dst->bytesPerSample || src->kind != dst->kind ||
        src->planeCount != dst->planeCount)
        return kUiErrArg;
    ScaleJob job = {src, dst, 0, 0, 0, progress, context};
    UI_TRY(IPScaleFit(src->width, src->height, dst->width, dst->height, &job.wout, &job.hout));
    // A step only for an axis of two or more output samples; an axis of one
    // takes the other's, and a 1 × 1 result copies the first sample.
    int64_t step = 0;
    if (job.wout >= 2) step = (int64_t(src->width - 1) * kOne16) / (job.wout - 1);
    if (job.hout >= 2) {
        const int64_t down = (int64_t(src->height - 1) * kOne16) / (job.hout - 1);
        if (step == 0 || down < step) step = down;
    }
    if (step < kOne16) step = kOne16;
    job.step16 = int32_t(step);
    const bool tent = mode == kIPScaleTent && job.step16 != kOne16;
    const int32_t status = kWorkers[src->bytesPerSample - 1][tent ? 1 : 0](job);
    if (status != kUiOk) return status;
    *outWidth = job.wout;
    *outHeight = job.hout;
    return kUiOk;
}
