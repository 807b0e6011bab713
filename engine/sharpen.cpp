#include "engine/sharpen.h"

#include <cstddef>
#include <cstring>

#include "engine/engine_switches.h"
#include "engine/lanes.h"
#include "engine/sharpen_internal.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kRing = 5;

using Coeffs = SharpenCoeffs;

// Per sample depth: the scale of k, the type of the column sums (five 8-bit
// samples fit 16 bits) and the division that covers the numerators.
template <typename T>
struct DepthRule;
template <>
struct DepthRule<uint8_t> {
    static constexpr int kShift = 15;
    static constexpr int32_t kRound = 1 << 14;
    using Col = uint16_t;
    static const TruncDivSmall& Div(const Coeffs& c) { return c.divSmall; }
};
template <>
struct DepthRule<uint16_t> {
    static constexpr int kShift = kSharpenShift16;
    static constexpr int32_t kRound = 1 << (kShift - 1);
    using Col = int32_t;
    static const TruncDiv& Div(const Coeffs& c) { return c.div; }
};

template <typename T>
using ColOf = typename DepthRule<T>::Col;

inline int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

template <typename T>
inline int32_t Sharpened(int32_t x, int32_t box, const Coeffs& c) {
    const int32_t blur = (box * c.k + DepthRule<T>::kRound) >> DepthRule<T>::kShift;
    return DepthRule<T>::Div(c).Apply(25 * x - blur + c.h);
}

// One channel of a row: the samples of column x at x * step from the
// pointers, the column sums (sums of the five rows) likewise.
template <typename T>
struct ChannelRow {
    const ColOf<T>* col;
    const T* centre;
    T* out;
    ptrdiff_t step;
    uint32_t width;  // at least 5
};

// The 5 × 5 box sum around sample i: five neighbouring column sums.
template <typename C>
inline int32_t Box(const C* col, ptrdiff_t i, ptrdiff_t step) {
    return int32_t(col[i - 2 * step]) + col[i - step] + col[i] + col[i + step] + col[i + 2 * step];
}

// Every sample of a row in one run, whatever its channel: the interior samples
// of all channels are one contiguous index range (interleaved) or one per
// channel (planar); the few border samples it also computes in the planar
// case are overwritten by the border copy afterwards.
template <typename T, bool kAvx2, bool kAvx512>
LANES_INLINE void SharpenAll(const ColOf<T>* col, const T* centre, T* out, ptrdiff_t step,
                             ptrdiff_t count, const Coeffs& c) {
    const ptrdiff_t end = count - 2 * step;
    ptrdiff_t i = 2 * step;
    if constexpr (kAvx2 && sizeof(T) == 1) {
        i = SharpenSamples8Avx2(col, centre, out, step, i, end, c);
    }
    if constexpr (kAvx512 && sizeof(T) == 2) {
        i = SharpenSamples16Avx512(col, centre, out, step, i, end, c);
    }
    const I32x8 k = Splat8(c.k), round = Splat8(DepthRule<T>::kRound), h = Splat8(c.h);
    const I32x8 lo = Splat8(c.lo), hi = Splat8(c.hi);
    for (; i + kLanes <= end; i += kLanes) {
        const I32x8 box = Load8(col + i - 2 * step) + Load8(col + i - step) + Load8(col + i) +
                          Load8(col + i + step) + Load8(col + i + 2 * step);
        const I32x8 blur = (box * k + round) >> DepthRule<T>::kShift;
        const I32x8 y = DepthRule<T>::Div(c).Apply(25 * Load8(centre + i) - blur + h);
        Store8(out + i, Clamp8(y, lo, hi));
    }
    for (; i < end; ++i) {
        out[i] = T(Clamp(Sharpened<T>(centre[i], Box(col, i, step), c), c.lo, c.hi));
    }
}

template <typename T>
void SharpenChannel(const ChannelRow<T>& r, const Coeffs& c) {
    for (ptrdiff_t i = 2 * r.step, end = ptrdiff_t(r.width - 2) * r.step; i < end; i += r.step) {
        r.out[i] = T(Clamp(Sharpened<T>(r.centre[i], Box(r.col, i, r.step), c), c.lo, c.hi));
    }
}

// The change y − x of one channel, for the selector that sharpens one channel
// and adds its change to all of them.
template <typename T>
void ChannelChange(const ChannelRow<T>& r, const Coeffs& c, int32_t* change) {
    for (uint32_t x = 2; x + 2 < r.width; ++x) {
        const ptrdiff_t i = ptrdiff_t(x) * r.step;
        change[x] = Sharpened<T>(r.centre[i], Box(r.col, i, r.step), c) - r.centre[i];
    }
}

template <typename T>
void AddChange(const ChannelRow<T>& r, const Coeffs& c, const int32_t* change) {
    for (uint32_t x = 2; x + 2 < r.width; ++x) {
        const ptrdiff_t i = ptrdiff_t(x) * r.step;
        r.out[i] = T(Clamp(r.centre[i] + change[x], c.lo, c.hi));
    }
}

// The channels that lightness-first kinds do not sharpen: the rounded 5 × 5
// mean for 8-bit samples, the centre sample kept for 16-bit ones.
template <typename T>
void PassiveChannel(const ChannelRow<T>& r, const Coeffs& c) {
    for (ptrdiff_t i = 2 * r.step, end = ptrdiff_t(r.width - 2) * r.step; i < end; i += r.step) {
        if constexpr (sizeof(T) == 1) {
            r.out[i] = T(Clamp((Box(r.col, i, r.step) + 12) / 25, c.lo, c.hi));
        } else {
            r.out[i] = r.centre[i];
        }
    }
}

template <typename T, bool kAvx2>
LANES_INLINE void ColumnSums(const void* const rows[kRing], ColOf<T>* col, ptrdiff_t count) {
    const T* a = static_cast<const T*>(rows[0]);
    const T* b = static_cast<const T*>(rows[1]);
    const T* c = static_cast<const T*>(rows[2]);
    const T* d = static_cast<const T*>(rows[3]);
    const T* e = static_cast<const T*>(rows[4]);
    ptrdiff_t i = 0;
    if constexpr (kAvx2 && sizeof(T) == 1) {
        const uint8_t* const bytes[kRing] = {a, b, c, d, e};
        i = SharpenColumnSums8Avx2(bytes, col, count);
    }
    for (; i + kLanes <= count; i += kLanes) {
        Store8(col + i, Load8(a + i) + Load8(b + i) + Load8(c + i) + Load8(d + i) + Load8(e + i));
    }
    for (; i < count; ++i) col[i] = ColOf<T>(a[i] + b[i] + c[i] + d[i] + e[i]);
}

enum class Plan { kEach, kSelector, kLightnessFirst };

}  // namespace

struct SharpenWindow {
    SharpenParams p;
    bool active;
    Plan plan;
    uint32_t bytesPerSample;
    uint32_t rowBytes;
    ptrdiff_t xStep;  // samples between neighbouring pixels of a channel
    ptrdiff_t cStep;  // samples between channels of a pixel
    Coeffs coeffs;
    void* ring[kRing];
    uint64_t user[kRing];
    void* colSum;     // width × channels column sums of the depth's ColOf type
    int32_t* change;  // width, for the one-channel selector
    uint32_t received;
    void (*sharpenRow)(SharpenWindow* w, const void* const rows[kRing], void* out);
};

namespace {

template <typename T, bool kAvx2, bool kAvx512 = false>
LANES_INLINE void SharpenRow(SharpenWindow* w, const void* const rows[kRing], void* out) {
    const SharpenParams& p = w->p;
    const uint32_t width = p.width;
    const T* centre = static_cast<const T*>(rows[2]);
    T* dst = static_cast<T*>(out);  // may be rows[0], which only the column sums read
    if (width >= 5) {
        const ptrdiff_t count = ptrdiff_t(width) * p.channels;
        ColOf<T>* col = static_cast<ColOf<T>*>(w->colSum);
        ColumnSums<T, kAvx2>(rows, col, count);
        auto channelRow = [&](uint32_t c) {
            const ptrdiff_t o = ptrdiff_t(c) * w->cStep;
            return ChannelRow<T>{col + o, centre + o, dst + o, w->xStep, width};
        };
        switch (w->plan) {
            case Plan::kEach:
                SharpenAll<T, kAvx2, kAvx512>(col, centre, dst, w->xStep, count, w->coeffs);
                break;
            case Plan::kSelector:
                ChannelChange<T>(channelRow(uint32_t(p.selector)), w->coeffs, w->change);
                for (uint32_t c = 0; c < p.channels; ++c) {
                    AddChange<T>(channelRow(c), w->coeffs, w->change);
                }
                break;
            case Plan::kLightnessFirst:
                SharpenChannel<T>(channelRow(0), w->coeffs);
                for (uint32_t c = 1; c < p.channels; ++c) {
                    PassiveChannel<T>(channelRow(c), w->coeffs);
                }
                break;
        }
    }
    // Border columns 0, 1, width − 2 and width − 1 keep the centre row's samples.
    for (uint32_t c = 0; c < p.channels; ++c) {
        for (uint32_t x = 0; x < width; x = (x == 1 && width > 4) ? width - 2 : x + 1) {
            const ptrdiff_t i = ptrdiff_t(x) * w->xStep + ptrdiff_t(c) * w->cStep;
            dst[i] = centre[i];
        }
    }
}

template <typename T>
void SharpenRowPortable(SharpenWindow* w, const void* const rows[kRing], void* out) {
    SharpenRow<T, false>(w, rows, out);
}

template <typename T>
LANES_AVX2 void SharpenRowAvx2(SharpenWindow* w, const void* const rows[kRing], void* out) {
    SharpenRow<T, true>(w, rows, out);
}

// 16-bit samples where the processor has AVX-512: sixteen 32-bit lanes.
LANES_AVX512 void SharpenRow16Avx512(SharpenWindow* w, const void* const rows[kRing], void* out) {
    SharpenRow<uint16_t, true, true>(w, rows, out);
}

int32_t CheckParams(const SharpenParams* p) {
    if (p == nullptr || p->sink == nullptr) return kUiErrArg;
    if (p->strength < 0 || p->strength > kSharpenMaxStrength) return kUiErrArg;
    if (p->width == 0 || p->height == 0 || p->channels < 1 || p->channels > 4) return kUiErrArg;
    // A selector naming a channel the rows do not have would read past them.
    if (p->selector < kSharpenEachChannel || p->selector >= int32_t(p->channels)) return kUiErrArg;
    if (p->depth != 1 && p->depth != 2) return kUiErrArg;
    const int32_t maxSample = p->depth == 1 ? 255 : 65535;
    if (p->lo < 0 || p->lo > p->hi || p->hi > maxSample) return kUiErrArg;
    if (size_t(p->width) * p->channels * 4 > 0x7FFFFFFFu) return kUiErrArg;
    return kUiOk;
}

void FreeWindow(SharpenWindow* w) {
    if (w == nullptr) return;
    for (void* row : w->ring) Ui_Free(row);
    Ui_Free(w->colSum);
    Ui_Free(w->change);
    Ui_Free(w);
}

int32_t Emit(SharpenWindow* w, void* data, uint64_t user) {
    const SharpenParams& p = w->p;
    RowDesc row{p.width, p.channels, p.colorKind, p.planar, p.order, nullptr, nullptr, user};
    if (p.depth == 1) {
        row.data8 = static_cast<uint8_t*>(data);
    } else {
        row.data16 = static_cast<uint16_t*>(data);
    }
    return p.sink(p.sinkContext, &row);
}

const void* RowData(const SharpenWindow* w, const RowDesc* row) {
    if (row->width != w->p.width || row->channels != w->p.channels) return nullptr;
    if ((row->planar != 0) != (w->p.planar != 0)) return nullptr;
    if (w->p.depth == 1) return row->data8;
    return row->data8 == nullptr ? row->data16 : nullptr;
}

}  // namespace

bool sharpenIsActive(int32_t strength, uint32_t height) {
    return strength != 0 && height > 4;
}

int32_t sharpenOpen(SharpenWindow** out, const SharpenParams* params) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    UI_TRY(CheckParams(params));

    SharpenWindow* w = static_cast<SharpenWindow*>(Ui_Malloc(sizeof(SharpenWindow)));
    if (w == nullptr) return kUiErrMemory;
    std::memset(w, 0, sizeof(*w));
    const SharpenParams& p = *params;
    w->p = p;
    w->active = sharpenIsActive(p.strength, p.height);
    w->bytesPerSample = p.depth == 1 ? 1 : 2;
    w->rowBytes = p.width * p.channels * w->bytesPerSample;
    w->xStep = p.planar != 0 ? 1 : ptrdiff_t(p.channels);
    w->cStep = p.planar != 0 ? ptrdiff_t(p.width) : 1;
    if (!w->active) {
        *out = w;
        return kUiOk;
    }

    const int32_t s = p.strength;
    const int32_t d = 25 - s;
    const int32_t scale = 1 << (p.depth == 1 ? DepthRule<uint8_t>::kShift : kSharpenShift16);
    w->coeffs.k = (s * scale + 12) / 25;
    w->coeffs.h = d >> 1;
    w->coeffs.div = TruncDiv::For(uint32_t(d));
    w->coeffs.divSmall = TruncDivSmall::For(uint32_t(d));
    w->coeffs.lo = p.lo;
    w->coeffs.hi = p.hi;
    if (TwSpaceLightnessFirst(p.colorKind)) {
        w->plan = Plan::kLightnessFirst;
    } else {
        w->plan = p.selector < 0 ? Plan::kEach : Plan::kSelector;
    }
    const int32_t path = KernelPathInForce();
    if (path == kKernelPathAvx512 && p.depth == 2) {
        w->sharpenRow = SharpenRow16Avx512;
    } else if (path != kKernelPathPortable) {
        w->sharpenRow = p.depth == 1 ? SharpenRowAvx2<uint8_t> : SharpenRowAvx2<uint16_t>;
    } else {
        w->sharpenRow = p.depth == 1 ? SharpenRowPortable<uint8_t> : SharpenRowPortable<uint16_t>;
    }

    bool ok = true;
    for (void*& row : w->ring) {
        row = Ui_Malloc(w->rowBytes);
        ok = ok && row != nullptr;
    }
    w->colSum = Ui_MallocArray(p.width, p.channels * (p.depth == 1 ? sizeof(uint16_t) : 4));
    if (w->plan == Plan::kSelector) {
        w->change = static_cast<int32_t*>(Ui_MallocArray(p.width, 4));
        ok = ok && w->change != nullptr;
    }
    if (!ok || w->colSum == nullptr) {
        FreeWindow(w);
        return kUiErrMemory;
    }
    *out = w;
    return kUiOk;
}

void* sharpenNextRowBuffer(SharpenWindow* w) {
    if (w == nullptr || !w->active) return nullptr;
    return w->ring[w->received % kRing];
}

int32_t sharpenPutRow(SharpenWindow* w, const RowDesc* row) {
    if (w == nullptr || row == nullptr || w->received >= w->p.height) return kUiErrArg;
    const void* data = RowData(w, row);
    if (data == nullptr) return kUiErrArg;
    const uint32_t index = w->received++;
    if (!w->active) return Emit(w, const_cast<void*>(data), row->user);

    const uint32_t slot = index % kRing;
    if (data != w->ring[slot]) std::memcpy(w->ring[slot], data, w->rowBytes);
    w->user[slot] = row->user;

    if (index < 2) UI_TRY(Emit(w, w->ring[slot], row->user));
    if (index >= 4) {
        // Window of rows index − 4 .. index around row y = index − 2; the
        // result replaces the oldest row, which nothing needs any more.
        const void* rows[kRing];
        for (uint32_t i = 0; i < kRing; ++i) rows[i] = w->ring[(index - 4 + i) % kRing];
        const uint32_t outSlot = (index - 4) % kRing;
        w->sharpenRow(w, rows, w->ring[outSlot]);
        UI_TRY(Emit(w, w->ring[outSlot], w->user[(index - 2) % kRing]));
    }
    if (index + 1 == w->p.height) {
        for (uint32_t y = index - 1; y <= index; ++y) {
            UI_TRY(Emit(w, w->ring[y % kRing], w->user[y % kRing]));
        }
    }
    return kUiOk;
}

int32_t sharpenClose(SharpenWindow** w) {
    if (w == nullptr) return kUiErrArg;
    FreeWindow(*w);
    *w = nullptr;
    return kUiOk;
}
