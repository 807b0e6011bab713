#include "engine/noise.h"

#include <cstddef>
#include <cstring>

#include "engine/engine_switches.h"
#include "engine/lanes.h"
#include "engine/luma_chroma.h"
#include "engine/luma_chroma_lanes.h"
#include "engine/noise_kernels.h"
#include "engine/noise_mask.h"
#include "engine/noise_median.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

// Window values are samples × 2^14 (Y, U and V come out at that scale too).
constexpr int kFixedShift = 14;
constexpr int32_t kFixedHalf = 1 << (kFixedShift - 1);

// The eight rays, (dx, dy) with dy counted downwards.
constexpr int32_t kRays[8][2] = {{1, 0},  {1, -1}, {0, -1}, {-1, -1},
                                 {-1, 0}, {-1, 1}, {0, 1},  {1, 1}};

// Interleaved rows step over all channels; planar rows keep each channel apart.
struct Layout {
    ptrdiff_t xStep, cStep;
};

Layout LayoutOf(uint32_t planar, uint32_t width, uint32_t channels) {
    return planar != 0 ? Layout{1, ptrdiff_t(width)} : Layout{ptrdiff_t(channels), 1};
}

// The portable path converts pixel by pixel: in the 128-bit vectors every
// processor has, the 64-bit products and the shuffles cost more than they save.
template <typename T>
uint32_t FromRgbPortable(const T* const*, uint32_t, int32_t* const*, bool) {
    return 0;
}
template <typename T>
uint32_t ToRgbPortable(const int32_t* const*, uint32_t, T* const*, bool) {
    return 0;
}
template <typename T>
LANES_AVX2 uint32_t FromRgbAvx2(const T* const rgb[3], uint32_t count, int32_t* const yuv[3],
                                bool interleaved) {
    return luma_chroma_lanes::FromRgbRow<I32x8>(rgb, count, yuv, interleaved);
}
// R, G, B of the pixels 0 .. count − 1 from Y, U, V, clamped to T's range,
// into three planes or one interleaved row (at rgb[0]); returns how many it
// did (whole vectors only).
template <bool kInterleaved, typename T>
LANES_AVX2 LANES_INLINE uint32_t ToRgbRowAvx2(const int32_t* const yuv[3], uint32_t count,
                                              T* const rgb[3]) {
    using luma_chroma_lanes::ChannelOf;
    constexpr int32_t kTop = T(~T(0));
    uint32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        I32x8 y, u, v;
        std::memcpy(&y, yuv[0] + x, sizeof(y));
        std::memcpy(&u, yuv[1] + x, sizeof(u));
        std::memcpy(&v, yuv[2] + x, sizeof(v));
        const I32x8 r = ChannelOf(y, u, v, kLumaChromaRed[0], kLumaChromaRed[1], kTop);
        const I32x8 g = ChannelOf(y, u, v, kLumaChromaGreen[0], kLumaChromaGreen[1], kTop);
        const I32x8 b = ChannelOf(y, u, v, kLumaChromaBlue[0], kLumaChromaBlue[1], kTop);
        luma_chroma_lanes::StoreRgb<I32x8, kInterleaved>(rgb, x, r, g, b);
    }
    return x;
}
template <typename T>
LANES_AVX2 uint32_t ToRgbAvx2(const int32_t* const yuv[3], uint32_t count, T* const rgb[3],
                              bool interleaved) {
    return interleaved ? ToRgbRowAvx2<true>(yuv, count, rgb) : ToRgbRowAvx2<false>(yuv, count, rgb);
}

constexpr NoiseRowKernels kRowsPortable = {FromRgbPortable<uint8_t>, FromRgbPortable<uint16_t>,
                                           ToRgbPortable<uint8_t>, ToRgbPortable<uint16_t>};
constexpr NoiseRowKernels kRowsAvx2 = {FromRgbAvx2<uint8_t>, FromRgbAvx2<uint16_t>,
                                       ToRgbAvx2<uint8_t>, ToRgbAvx2<uint16_t>};

}  // namespace

const NoiseRowKernels* NoiseRowKernels_Choose() {
    const int32_t path = KernelPathInForce();
    if (path == kKernelPathAvx512) return &kNoiseRowsAvx512;
    return path == kKernelPathVector ? &kRowsAvx2 : &kRowsPortable;
}

struct Mask2dState {
    NoiseParams p;
    uint32_t channels;
    int32_t maxRadius;    // R
    uint32_t windowRows;  // N = 2R + 1
    // Cells per window row: R margin cells on each side, and 16 more at the
    // end for the lanes that run past the last column.
    uint32_t rowLength;
    int32_t radius[4];
    int32_t threshold[4];  // × 2^14, and × 257 for 16-bit output
    uint8_t mask[4][kMaskCells];
    int32_t* window[4];        // N rows of rowLength values
    int32_t** rows[4];         // the N row addresses, oldest first
    int32_t* filtered[4];      // one emitted row's filtered values
    const int32_t** cells[4];  // per emitted row: the window address of each cell
    uint32_t cellCount[4];
    SortStep* steps[4];
    uint32_t stepCount[4];
    int32_t* lanes;  // the median's scratch
    MedianFn median[4];
    const NoiseRowKernels* rowKernels;
    void (*emit)(Mask2dState* s, const int32_t* const m[4]);
    void* out;  // the output row
    RowDesc outRow;
    uint32_t received;  // input rows so far
    uint32_t pushed;    // window rows pushed so far, edge copies included
    NoiseRandom random;
};

namespace {

// The row kernels for samples of type T.
template <typename T>
struct RowKernels;
template <>
struct RowKernels<uint8_t> {
    static auto FromRgb(const NoiseRowKernels& k) { return k.fromRgb8; }
    static auto ToRgb(const NoiseRowKernels& k) { return k.toRgb8; }
};
template <>
struct RowKernels<uint16_t> {
    static auto FromRgb(const NoiseRowKernels& k) { return k.fromRgb16; }
    static auto ToRgb(const NoiseRowKernels& k) { return k.toRgb16; }
};

// Newest window row of channel c, at image column 0.
int32_t* NewestAt0(Mask2dState* s, uint32_t c) {
    return s->rows[c][s->windowRows - 1] + s->maxRadius;
}

template <typename T, bool kLumaChroma>
void LoadRow(Mask2dState* s, const void* samples, Layout in) {
    const T* src = static_cast<const T*>(samples);
    const uint32_t width = s->p.width;
    if (kLumaChroma) {
        int32_t* y = NewestAt0(s, 0);
        int32_t* u = NewestAt0(s, 1);
        int32_t* v = NewestAt0(s, 2);
        // Three channels: planar, or interleaved with a step of 3.
        const T* const rgb[3] = {src, src + in.cStep, src + 2 * in.cStep};
        int32_t* const yuv[3] = {y, u, v};
        uint32_t x = RowKernels<T>::FromRgb(*s->rowKernels)(rgb, width, yuv, in.xStep != 1);
        for (; x < width; ++x) {
            const T* px = src + ptrdiff_t(x) * in.xStep;
            const LumaChroma yuv = LumaChroma_FromRgb(px[0], px[in.cStep], px[2 * in.cStep]);
            y[x] = yuv.y;
            u[x] = yuv.u;
            v[x] = yuv.v;
        }
    } else {
        for (uint32_t c = 0; c < s->channels; ++c) {
            int32_t* dst = NewestAt0(s, c);
            const T* channel = src + ptrdiff_t(c) * in.cStep;
            for (uint32_t x = 0; x < width; ++x) {
                dst[x] = int32_t(channel[ptrdiff_t(x) * in.xStep]) << kFixedShift;
            }
        }
    }
    // The margins repeat the edge samples.
    for (uint32_t c = 0; c < s->channels; ++c) {
        int32_t* row = NewestAt0(s, c);
        for (int32_t i = 1; i <= s->maxRadius; ++i) {
            row[-i] = row[0];
            row[int32_t(width) - 1 + i] = row[width - 1];
        }
    }
}

template <typename T>
inline T ClampSample(int32_t v) {
    constexpr int32_t kMax = T(~T(0));
    return T(v < 0 ? 0 : (v > kMax ? kMax : v));
}

template <typename T, bool kLumaChroma>
void EmitRow(Mask2dState* s, const int32_t* const m[4]) {
    T* out = static_cast<T*>(s->out);
    const Layout o = LayoutOf(s->p.planarOutput, s->p.width, s->channels);
    const uint32_t width = s->p.width;
    if (kLumaChroma) {
        T* r = out;
        T* g = out + o.cStep;
        T* b = out + 2 * o.cStep;
        // Held apart from the output, which the compiler cannot tell.
        const int32_t* const y = m[0];
        const int32_t* const u = m[1];
        const int32_t* const v = m[2];
        T* const rgb[3] = {r, g, b};
        uint32_t x = RowKernels<T>::ToRgb(*s->rowKernels)(m, width, rgb, o.xStep != 1);
        for (; x < width; ++x) {
            const ptrdiff_t i = ptrdiff_t(x) * o.xStep;
            const int32_t yx = y[x], ux = u[x], vx = v[x];
            r[i] = ClampSample<T>(LumaChroma_Red(yx, ux, vx));
            g[i] = ClampSample<T>(LumaChroma_Green(yx, ux, vx));
            b[i] = ClampSample<T>(LumaChroma_Blue(yx, ux, vx));
        }
    } else {
        for (uint32_t c = 0; c < s->channels; ++c) {
            T* dst = out + ptrdiff_t(c) * o.cStep;
            for (uint32_t x = 0; x < width; ++x) {
                dst[ptrdiff_t(x) * o.xStep] = ClampSample<T>((m[c][x] + kFixedHalf) >> kFixedShift);
            }
        }
    }
}

// Rotates every channel's window by one row: the oldest row becomes the newest.
void Rotate(Mask2dState* s) {
    const uint32_t n = s->windowRows;
    for (uint32_t c = 0; c < s->channels; ++c) {
        int32_t** rows = s->rows[c];
        int32_t* oldest = rows[0];
        std::memmove(rows, rows + 1, (n - 1) * sizeof(*rows));
        rows[n - 1] = oldest;
    }
    ++s->pushed;
}

// Pushes a copy of the newest row: the image's first or last row repeated.
void PushCopy(Mask2dState* s) {
    Rotate(s);
    const uint32_t n = s->windowRows;
    for (uint32_t c = 0; c < s->channels; ++c) {
        std::memcpy(s->rows[c][n - 1], s->rows[c][n - 2], s->rowLength * sizeof(int32_t));
    }
}

// The addresses of channel c's mask cells (or ray steps) in the window as it
// stands, for output column 0.
void PlaceCells(Mask2dState* s, uint32_t c) {
    const int32_t r = s->radius[c], big = s->maxRadius;
    int32_t* const* rows = s->rows[c];
    const int32_t** cells = s->cells[c];
    uint32_t k = 0;
    if (s->p.maskShape == kNoiseRays) {
        for (const auto& ray : kRays) {
            for (int32_t step = 1; step <= r; ++step) {
                cells[k++] = rows[big + step * ray[1]] + big + step * ray[0];
            }
        }
        return;
    }
    const uint8_t* mask = s->mask[c];
    for (int32_t i = 0; i <= 2 * r; ++i) {
        for (int32_t j = 0; j <= 2 * r; ++j) {
            if (mask[i * kMaskSide + j] != 0) cells[k++] = rows[big - r + i] + big - r + j;
        }
    }
}

int32_t EmitCentre(Mask2dState* s) {
    const int32_t* m[4] = {};
    const uint32_t width = s->p.width;
    for (uint32_t c = 0; c < s->channels; ++c) {
        const int32_t* centre = s->rows[c][s->maxRadius] + s->maxRadius;
        if (s->radius[c] == 0) {
            m[c] = centre;
            continue;
        }
        PlaceCells(s, c);
        const MedianRow row{centre,          s->cells[c], s->cellCount[c], uint32_t(s->radius[c]),
                            s->threshold[c], width,       s->filtered[c]};
        s->median[c](row, MedianScratch{s->lanes, s->steps[c], s->stepCount[c]});
        m[c] = s->filtered[c];
    }
    s->emit(s, m);
    return s->p.sink(s->p.sinkContext, &s->outRow);
}

void Reorient(Mask2dState* s) {
    for (uint32_t c = 0; c < s->channels; ++c) {
        if (s->radius[c] == 0) continue;
        NoiseMask_Reorient(s->mask[c], s->radius[c], NoiseRandom_Below(&s->random, 7));
    }
}

int32_t CheckParams(const NoiseParams* p) {
    if (p == nullptr || p->sink == nullptr || p->width == 0 || p->height == 0) return kUiErrArg;
    if (p->channels < 1 || p->channels > 4 || p->maskShape > kNoiseRays) return kUiErrArg;
    switch (p->colorKind) {
        case kTwSpaceRgb:
        case kTwSpaceLab:
            if (p->channels != 3 || p->order != kRowOrderIdentity3) return kUiErrArg;
            break;
        case kTwSpaceCmyk:
            if (p->channels != 4 || p->order != kRowOrderIdentity4) return kUiErrArg;
            break;
        case kTwSpaceGrey:
            if (p->channels != 1) return kUiErrArg;
            break;
        default:
            return kUiErrArg;
    }
    // The luminance–chrominance space has three channels exactly.
    if (p->lumaChroma == 1 && p->channels != 3) return kUiErrArg;
    for (int32_t c = 0; c < p->channels; ++c) {
        const int32_t r = p->radius[c];
        if (r < 0 || r > kNoiseMaxRadius) return kUiErrArg;
        // The random disc needs room for more than its centre.
        if (p->maskShape == kNoiseRandomDisc && r > 0 && r < kNoiseMinDiscRadius) return kUiErrArg;
        // A negative threshold would leave even the centre out of the median.
        if (p->threshold[c] < 0) return kUiErrArg;
    }
    return kUiOk;
}

void FreeState(Mask2dState* s) {
    if (s == nullptr) return;
    for (uint32_t c = 0; c < 4; ++c) {
        Ui_Free(s->window[c]);
        Ui_Free(s->rows[c]);
        Ui_Free(s->filtered[c]);
        Ui_Free(s->cells[c]);
        Ui_Free(s->steps[c]);
    }
    Ui_Free(s->lanes);
    Ui_Free(s->out);
    Ui_Free(s);
}

// Builds the masks and sizes every per-channel table; the random state
// starts from its seed and the random disc draws from it.
void Configure(Mask2dState* s) {
    const NoiseParams& p = s->p;
    s->channels = uint32_t(p.channels);
    s->random.state = int32_t(kNoiseSeed);
    const int64_t scale = int64_t(p.outputDepth == 1 ? 1 : 257) << kFixedShift;
    for (uint32_t c = 0; c < s->channels; ++c) {
        const int32_t r = p.radius[c];
        s->radius[c] = r;
        if (r > s->maxRadius) s->maxRadius = r;
        // Past 2^31 − 1 every value of the channel qualifies anyway.
        const int64_t t = p.threshold[c] * scale;
        s->threshold[c] = t > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(t);
        if (r == 0) continue;
        if (p.maskShape == kNoiseRays) {
            s->cellCount[c] = 8 * uint32_t(r);
            s->stepCount[c] = SortNetwork_Build(s->cellCount[c] + 1, nullptr);
            continue;
        }
        NoiseMask_Build(s->mask[c], r, p.maskShape, &s->random);
        for (uint8_t cell : s->mask[c]) s->cellCount[c] += cell != 0;
        s->stepCount[c] = SortNetwork_Build(s->cellCount[c], nullptr);
    }
    s->windowRows = 2 * uint32_t(s->maxRadius) + 1;
    s->rowLength = p.width + 2 * uint32_t(s->maxRadius) + kMostLanes;
}

bool Allocate(Mask2dState* s) {
    const NoiseParams& p = s->p;
    const size_t paddedWidth = (size_t(p.width) + kMostLanes - 1) / kMostLanes * kMostLanes;
    const size_t windowCells = size_t(s->windowRows) * s->rowLength;
    uint32_t mostCells = 0;
    bool ok = true;
    for (uint32_t c = 0; c < s->channels; ++c) {
        s->window[c] = static_cast<int32_t*>(Ui_MallocArray(windowCells, sizeof(int32_t)));
        s->rows[c] = static_cast<int32_t**>(Ui_MallocArray(s->windowRows, sizeof(int32_t*)));
        ok = ok && s->window[c] != nullptr && s->rows[c] != nullptr;
        if (s->radius[c] == 0) continue;
        s->filtered[c] = static_cast<int32_t*>(Ui_MallocArray(paddedWidth, sizeof(int32_t)));
        s->cells[c] =
            static_cast<const int32_t**>(Ui_MallocArray(s->cellCount[c], sizeof(const int32_t*)));
        s->steps[c] = static_cast<SortStep*>(Ui_MallocArray(s->stepCount[c] + 1, sizeof(SortStep)));
        ok = ok && s->filtered[c] != nullptr && s->cells[c] != nullptr && s->steps[c] != nullptr;
        if (s->cellCount[c] > mostCells) mostCells = s->cellCount[c];
    }
    // Large masks sort their values here (eight lanes); rays add the centre.
    s->lanes =
        static_cast<int32_t*>(Ui_MallocArray(size_t(mostCells) + 1, kLanes * sizeof(int32_t)));
    const size_t sampleBytes = p.outputDepth == 1 ? 1 : 2;
    s->out = Ui_MallocArray(size_t(p.width) * s->channels, sampleBytes);
    return ok && s->lanes != nullptr && s->out != nullptr;
}

// Zeroes the windows (the lanes read their padding), lays out the row
// tables, writes the sorting networks and the output descriptor.
void Prepare(Mask2dState* s) {
    const NoiseParams& p = s->p;
    for (uint32_t c = 0; c < s->channels; ++c) {
        std::memset(s->window[c], 0, size_t(s->windowRows) * s->rowLength * sizeof(int32_t));
        for (uint32_t i = 0; i < s->windowRows; ++i) {
            s->rows[c][i] = s->window[c] + size_t(i) * s->rowLength;
        }
        if (s->radius[c] == 0) continue;
        const bool rays = p.maskShape == kNoiseRays;
        SortNetwork_Build(s->cellCount[c] + (rays ? 1 : 0), s->steps[c]);
        s->median[c] = Median_Choose(rays, s->cellCount[c]);
    }
    const bool lumaChroma = p.lumaChroma == 1;
    s->rowKernels = NoiseRowKernels_Choose();
    s->outRow =
        RowDesc{p.width, s->channels, p.colorKind, p.planarOutput, p.order, nullptr, nullptr, 0};
    if (p.outputDepth == 1) {
        s->outRow.data8 = static_cast<uint8_t*>(s->out);
        s->emit = lumaChroma ? EmitRow<uint8_t, true> : EmitRow<uint8_t, false>;
    } else {
        s->outRow.data16 = static_cast<uint16_t*>(s->out);
        s->emit = lumaChroma ? EmitRow<uint16_t, true> : EmitRow<uint16_t, false>;
    }
}

}  // namespace

int32_t mask2dOpen(Mask2dState** out, const NoiseParams* params) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    UI_TRY(CheckParams(params));
    Mask2dState* s = static_cast<Mask2dState*>(Ui_Malloc(sizeof(Mask2dState)));
    if (s == nullptr) return kUiErrMemory;
    std::memset(s, 0, sizeof(*s));
    s->p = *params;
    Configure(s);
    if (!Allocate(s)) {
        FreeState(s);
        return kUiErrMemory;
    }
    Prepare(s);
    *out = s;
    return kUiOk;
}

int32_t mask2dPutRow(Mask2dState* s, const RowDesc* row) {
    if (s == nullptr || row == nullptr || row->width != s->p.width) return kUiErrArg;
    if (row->data8 == nullptr && row->data16 == nullptr) return kUiErrArg;
    if (s->received >= s->p.height) return kUiErrArg;
    const NoiseParams& p = s->p;
    const bool lumaChroma = p.lumaChroma == 1;
    const Layout in = LayoutOf(row->planar, p.width, s->channels);
    s->outRow.user = row->user;

    Rotate(s);
    if (row->data8 != nullptr) {
        (lumaChroma ? LoadRow<uint8_t, true> : LoadRow<uint8_t, false>)(s, row->data8, in);
    } else {
        (lumaChroma ? LoadRow<uint16_t, true> : LoadRow<uint16_t, false>)(s, row->data16, in);
    }
    const int32_t big = s->maxRadius;
    // The first row fills the window's upper half as well, so that it reaches
    // the centre with copies of itself above it.
    if (s->received == 0) {
        for (int32_t i = 0; i < big; ++i) PushCopy(s);
    }
    // Every push after the window is full moves a new row to the centre; an
    // image shorter than the window emits only once its last row is in.
    if (s->pushed >= s->windowRows) UI_TRY(EmitCentre(s));
    if (s->received + 1 == p.height) {
        for (int32_t i = 0; i < big; ++i) {
            PushCopy(s);
            if (s->pushed >= s->windowRows) UI_TRY(EmitCentre(s));
        }
    }
    if (p.maskShape == kNoiseRandomDisc) Reorient(s);
    ++s->received;
    return kUiOk;
}

int32_t mask2dClose(Mask2dState** s) {
    if (s == nullptr) return kUiErrArg;
    FreeState(*s);
    *s = nullptr;
    return kUiOk;
}
