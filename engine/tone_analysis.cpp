#include "engine/tone_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/image_view_check.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr int32_t kTopBin = kToneHistogramBins - 1;
// Spans and chords flatter than this leave the channel neutral.
constexpr double kMinSpan = 1e-6;

// Lightness percentage of a pixel from max + min of its code values, rounded
// to nearest: trunc(sum · 0.5 · 100 / codeMax + 0.5) in integers.
inline uint32_t LightnessPercent(uint32_t maxPlusMin, uint32_t codeMax) {
    const uint32_t p = (maxPlusMin * 100 + codeMax) / (2 * codeMax);
    return p < uint32_t(kTopBin) ? p : uint32_t(kTopBin);
}

// Calls visit(percent, r, g, b) for every counted pixel of the view (no
// channel clipped), and only for selected ones when a mask is given. A
// 16-bit view converted from the host's range tops out at 65534, which is
// its clipped value as 255 is at 8 bits.
template <typename T, typename Visit>
void ForCountedPixels(const IPImage* view, const SelectionMask* mask, Visit visit) {
    const uint32_t codeMax = sizeof(T) == 1 ? 255u : 65535u;
    const uint32_t clipped = sizeof(T) == 2 && view->hostRange == 1 ? 65534u : codeMax;
    const int64_t step = view->sampleStride;
    for (int32_t y = 0; y < view->height; ++y) {
        const T* r = ViewRow<T>(view, 0, y);
        const T* g = ViewRow<T>(view, 1, y);
        const T* b = ViewRow<T>(view, 2, y);
        for (int32_t x = 0; x < view->width; ++x) {
            const uint32_t R = r[x * step], G = g[x * step], B = b[x * step];
            if (R >= clipped || G >= clipped || B >= clipped) continue;
            if (mask != nullptr && !SelectionMaskHas(mask, x, y)) continue;
            const uint32_t hi = std::max(R, std::max(G, B));
            const uint32_t lo = std::min(R, std::min(G, B));
            visit(LightnessPercent(hi + lo, codeMax), R, G, B);
        }
    }
}

template <typename T>
void BuildHistogram(const IPImage* view, const SelectionMask* mask, uint32_t* histogram,
                    uint32_t* total) {
    ForCountedPixels<T>(view, mask, [&](uint32_t percent, uint32_t, uint32_t, uint32_t) {
        ++histogram[percent];
        ++*total;
    });
}

struct ExtremeSums {
    uint64_t black[3];
    uint64_t white[3];
    uint64_t blackCount;
    uint64_t whiteCount;
};

template <typename T>
void SumExtremes(const IPImage* view, const CompileParams& p, uint32_t blackBin, uint32_t whiteBin,
                 ExtremeSums* s) {
    ForCountedPixels<T>(view, nullptr, [&](uint32_t percent, uint32_t r, uint32_t g, uint32_t b) {
        uint64_t* sums;
        if (p.doAutoBlack && percent <= blackBin) {
            sums = s->black;
            ++s->blackCount;
        } else if (p.doAutoWhite && percent >= whiteBin) {
            sums = s->white;
            ++s->whiteCount;
        } else {
            return;
        }
        sums[0] += r;
        sums[1] += g;
        sums[2] += b;
    });
}

// Pixels to clip at one end: trunc(total × 2 × fraction × 0.01 + 0.5).
uint64_t ClipThreshold(uint32_t total, float fraction) {
    return uint64_t(double(total) * 2.0 * fraction * 0.01 + 0.5);
}

// The first bin, walking from `from` by `step`, at which the running sum
// reaches the threshold; `from` for a threshold of 0, the far end when the
// sum never gets there.
uint32_t ClipBin(const uint32_t* histogram, uint64_t threshold, int32_t from, int32_t step) {
    uint64_t sum = 0;
    int32_t bin = from;
    for (; bin >= 0 && bin <= kTopBin; bin += step) {
        sum += histogram[bin];
        if (sum >= threshold) return uint32_t(bin);
    }
    return uint32_t(bin - step);
}

double Smoothstep(double x) {
    return (3.0 - 2.0 * x) * x * x;
}

double Clamp(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

void SetNeutral(CompileParams* p, int32_t c) {
    p->blackPoint[c] = 0.0f;
    p->midGray[c] = 0.5f;
    p->whitePoint[c] = 1.0f;
}

// Where the smoothstep chord construction puts a median lightness: 0.5 at
// med = 0.5. At med = 0 and 1 the formulas divide 0 by 0; their limits,
// clamped, are 1 and 0.
double NeutralMidPosition(double med) {
    double v;
    if (med < 0.5) {
        const double t = 2.0 * med;
        v = t <= 0.0 ? 1.0 : 0.5 * t / Smoothstep(t);
    } else {
        const double u = 2.0 * (med - 0.5);
        v = u >= 1.0 ? 0.0
                     : 0.5 + 0.5 * (u + (1.0 - u) * (0.0 - Smoothstep(u)) / (1.0 - Smoothstep(u)));
    }
    return Clamp(v, 0.0, 1.0);
}

// The mid-grey of channel c between its black point B and white point W.
void SetMidGray(CompileParams* p, int32_t c, const uint32_t* histogram) {
    const double B = p->blackPoint[c], W = p->whitePoint[c];
    const int32_t lo = int32_t(Clamp(std::trunc(B * 100.0), 0, kTopBin));
    const int32_t hi = int32_t(Clamp(std::trunc(W * 100.0), 0, kTopBin));
    uint64_t span = 0;
    for (int32_t i = lo; i <= hi; ++i) span += histogram[i];
    if (span == 0) {
        p->midGray[c] = 0.5f;
        return;
    }
    // Bins are added from lo while the running sum is below the target and
    // the index does not pass hi; the median is the index reached, one past
    // the last bin added (at most 100).
    const uint64_t target = uint64_t(double(span) * p->midGrayFraction + 0.5);
    uint64_t sum = 0;
    int32_t m = lo;
    while (m <= hi && sum < target) sum += histogram[m++];
    if (m > kTopBin) m = kTopBin;
    const double med = m / 100.0;
    const double norm = (med - B) / (W - B);
    const double vn = (NeutralMidPosition(med) - B) / (W - B);
    p->midGray[c] = float(vn + (norm - vn) * p->autoMidGrayAmount);
}

}  // namespace

int32_t ComputeAutoLevels(CompileParams* p, const uint32_t* histogram, uint32_t total,
                          const IPImage* view) {
    if (p == nullptr || histogram == nullptr || CheckImageView(view) != kUiOk) return kUiErrArg;

    uint32_t blackBin = 0, whiteBin = kTopBin;
    if (p->doAutoBlack)
        blackBin = ClipBin(histogram, ClipThreshold(total, p->blackClipFraction), 0, 1);
    if (p->doAutoWhite)
        whiteBin = ClipBin(histogram, ClipThreshold(total, p->whiteClipFraction), kTopBin, -1);

    ExtremeSums sums{};
    if (p->doAutoBlack || p->doAutoWhite) {
        if (view->bytesPerSample == 1)
            SumExtremes<uint8_t>(view, *p, blackBin, whiteBin, &sums);
        else
            SumExtremes<uint16_t>(view, *p, blackBin, whiteBin, &sums);
    }
    const double codeMax = view->bytesPerSample == 1 ? 255.0 : 65535.0;

    for (int32_t c = 0; c < 3; ++c) {
        const double b = sums.blackCount ? sums.black[c] / (codeMax * sums.blackCount) : 0.0;
        const double w = sums.whiteCount ? sums.white[c] / (codeMax * sums.whiteCount) : 1.0;
        const double sb = Smoothstep(b), sw = Smoothstep(w);
        if (std::fabs(sw - sb) < kMinSpan) {
            SetNeutral(p, c);
            continue;
        }
        // Where the chord through (b, s(b)) and (w, s(w)) reaches 0 and 1.
        const double z0 = Clamp(b + (w - b) * (0.0 - sb) / (sw - sb), 0.0, 1.0);
        const double z1 = Clamp(b + (w - b) * (1.0 - sb) / (sw - sb), 0.0, 1.0);
        p->blackPoint[c] = float(z0 + (b - z0) * p->autoBlackAmount);
        p->whitePoint[c] = float(z1 + (w - z1) * p->autoWhiteAmount);
        p->midGray[c] = 0.5f;
        if (std::fabs(double(p->whitePoint[c]) - p->blackPoint[c]) < kMinSpan) {
            SetNeutral(p, c);
            continue;
        }
        if (p->doAutoMidGray) SetMidGray(p, c, histogram);
    }
    return kUiOk;
}

int32_t AnalyzeTones(CompileParams* p, const IPImage* view, const SelectionMask* mask) {
    if (p == nullptr || CheckImageView(view) != kUiOk || CheckSelectionMask(mask, view) != kUiOk)
        return kUiErrArg;
    if (!p->doAutoBlack && !p->doAutoWhite && !p->doAutoMidGray) return kUiOk;
    UiOwned<uint32_t> histogram(
        static_cast<uint32_t*>(Ui_MallocArray(kToneHistogramBins, sizeof(uint32_t))));
    if (!histogram) return kUiErrMemory;
    std::memset(histogram.get(), 0, kToneHistogramBins * sizeof(uint32_t));
    uint32_t total = 0;
    if (view->bytesPerSample == 1)
        BuildHistogram<uint8_t>(view, mask, histogram.get(), &total);
    else
        BuildHistogram<uint16_t>(view, mask, histogram.get(), &total);
    return ComputeAutoLevels(p, histogram.get(), total, view);
}
