#include <cstring>

#include "engine/image_view_check.h"
#include "engine/memory_colour.h"
#include "engine/memory_colour_internal.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

// Colours travel on the stack and are compared in units of 1/65535 of full
// scale: a 16-bit sample is its own code, an 8-bit one its code × 257
// (65535 / 255 = 257 exactly), so the normalised limits become whole numbers
// and the boundary cases (16 steps joins, 17 does not) are decided exactly.
constexpr int64_t kStepLimit = int64_t(16 * 257) * (16 * 257);  // (16/255)² of full scale²
constexpr int64_t kSeedLimit = int64_t(22 * 257) * (22 * 257);  // (22/255)²

enum Direction : uint8_t { kUp = 0, kDown = 1, kRight = 2, kLeft = 3 };
constexpr int32_t kStepX[4] = {0, 0, 1, -1};
constexpr int32_t kStepY[4] = {-1, 1, 0, 0};
// Up and down, right and left are each other's opposites.
inline uint8_t Opposite(uint8_t d) {
    return uint8_t(d ^ 1);
}

// A pending neighbour: the colour of the pixel that pushed it, its position
// and the direction it lies in from that pixel.
struct StackEntry {
    uint16_t colour[3];
    int16_t x;
    int16_t y;
    uint8_t direction;
};

struct RegionStack {
    StackEntry* entries;
    int32_t top;
    int32_t dropped;
};

int32_t Push(RegionStack* s, int32_t x, int32_t y, uint8_t direction, const uint16_t colour[3]) {
    if (s->top == kRegionStackEntries) {
        ++s->dropped;
        return kUiErrGeneral;
    }
    StackEntry& e = s->entries[s->top++];
    e.colour[0] = colour[0];
    e.colour[1] = colour[1];
    e.colour[2] = colour[2];
    e.x = int16_t(x);
    e.y = int16_t(y);
    e.direction = direction;
    return kUiOk;
}

// The four neighbours of (x, y), in the order up, down, right, left, except
// the one in direction `skip` (4 skips none). A dropped push is counted in the
// stack and growth goes on.
void PushNeighbours(RegionStack* s, int32_t x, int32_t y, uint8_t skip, const uint16_t c[3]) {
    for (uint8_t d = 0; d < 4; ++d)
        if (d != skip) (void)Push(s, x + kStepX[d], y + kStepY[d], d, c);
}

int64_t Distance2(const uint16_t a[3], const uint16_t b[3]) {
    int64_t sum = 0;
    for (int i = 0; i < 3; ++i) {
        const int64_t d = int64_t(a[i]) - int64_t(b[i]);
        sum += d * d;
    }
    return sum;
}

void SetBit(RegionMask* r, int32_t x, int32_t y) {
    r->bits[int64_t(y) * r->rowBytes + (x >> 3)] |= uint8_t(1u << (x & 7));
    if (x < r->minX) r->minX = x;
    if (x > r->maxX) r->maxX = x;
    if (y < r->minY) r->minY = y;
    if (y > r->maxY) r->maxY = y;
}

// Sample access for one depth: T is uint8_t or uint16_t.
template <typename T>
struct Pixels {
    const T* planes[3];
    int64_t sampleStride, rowStride;
    static constexpr uint32_t kScale = sizeof(T) == 1 ? 257u : 1u;
    static constexpr uint32_t kFull = sizeof(T) == 1 ? 255u : 65535u;

    explicit Pixels(const IPImage* v) : sampleStride(v->sampleStride), rowStride(v->rowStride) {
        for (int k = 0; k < 3; ++k) planes[k] = static_cast<const T*>(v->planes[k]);
    }
    uint32_t At(int k, int32_t x, int32_t y) const {
        return planes[k][y * rowStride + x * sampleStride];
    }
    void Colour16(int32_t x, int32_t y, uint16_t c[3]) const {
        for (int k = 0; k < 3; ++k) c[k] = uint16_t(At(k, x, y) * kScale);
    }
};

template <typename T>
void Grow(const IPImage* view, int32_t x0, int32_t y0, RegionMask* region, RegionStack* stack) {
    const Pixels<T> px(view);
    uint16_t seed[3];
    px.Colour16(x0, y0, seed);
    SetBit(region, x0, y0);
    PushNeighbours(stack, x0, y0, 4, seed);

    while (stack->top > 0) {
        const StackEntry e = stack->entries[--stack->top];
        const int32_t x = e.x, y = e.y;
        if (x < 0 || y < 0 || x >= view->width || y >= view->height) continue;
        if (RegionMaskHas(region, x, y)) continue;
        uint16_t c[3];
        px.Colour16(x, y, c);
        if (Distance2(c, e.colour) > kStepLimit || Distance2(c, seed) > kSeedLimit) continue;
        SetBit(region, x, y);
        PushNeighbours(stack, x, y, Opposite(e.direction), c);
    }
}

// Per-band sums of code values and pixel counts.
struct BandSums {
    uint64_t sum[3];
    int64_t count;
};

// The lightness band of a pixel: trunc((max + min) / (2 · full) · bands), in
// whole numbers so that the band edges fall exactly.
template <typename T>
void SumBands(const IPImage* view, const RegionMask* region, int32_t bands, BandSums* sums) {
    const Pixels<T> px(view);
    const uint64_t span = 2u * uint64_t(Pixels<T>::kFull);
    for (int32_t y = region->minY; y <= region->maxY; ++y) {
        for (int32_t x = region->minX; x <= region->maxX; ++x) {
            if (!RegionMaskHas(region, x, y)) continue;
            const uint32_t r = px.At(0, x, y), g = px.At(1, x, y), b = px.At(2, x, y);
            uint32_t hi = r > g ? r : g, lo = r < g ? r : g;
            if (b > hi) hi = b;
            if (b < lo) lo = b;
            uint64_t k = (uint64_t(hi) + lo) * uint64_t(bands) / span;
            if (k >= uint64_t(bands)) k = uint64_t(bands) - 1;
            BandSums& s = sums[k];
            s.sum[0] += r;
            s.sum[1] += g;
            s.sum[2] += b;
            ++s.count;
        }
    }
}

bool RegionFits(const IPImage* view, const RegionMask* region) {
    return CheckImageView(view) == kUiOk && region != nullptr && region->bits != nullptr &&
           region->width == view->width && region->height == view->height;
}

int32_t CollectBands(const IPImage* view, const RegionMask* region, int32_t bands, BandSums* sums) {
    if (!RegionFits(view, region) || bands < 1 || bands > kMaxRegionBands) return kUiErrArg;
    std::memset(sums, 0, sizeof(BandSums) * size_t(bands));
    if (RegionMaskIsEmpty(region)) return kUiOk;
    if (view->bytesPerSample == 1)
        SumBands<uint8_t>(view, region, bands, sums);
    else
        SumBands<uint16_t>(view, region, bands, sums);
    return kUiOk;
}

}  // namespace

int32_t RegionMaskCreate(int32_t width, int32_t height, RegionMask* region) {
    if (region == nullptr) return kUiErrArg;
    std::memset(region, 0, sizeof(*region));
    if (width < 1 || height < 1 || width > kIPImageMaxSide || height > kIPImageMaxSide)
        return kUiErrArg;
    const int32_t rowBytes = (width + 7) / 8;
    auto* bits = static_cast<uint8_t*>(Ui_MallocArray(size_t(rowBytes), size_t(height)));
    if (bits == nullptr) return kUiErrMemory;
    region->width = width;
    region->height = height;
    region->rowBytes = rowBytes;
    region->bits = bits;
    RegionMaskClear(region);
    return kUiOk;
}

int32_t RegionMaskFree(RegionMask* region) {
    if (region == nullptr) return kUiOk;
    Ui_Free(region->bits);
    std::memset(region, 0, sizeof(*region));
    return kUiOk;
}

void RegionMaskClear(RegionMask* region) {
    if (region->bits != nullptr)
        std::memset(region->bits, 0, size_t(region->rowBytes) * size_t(region->height));
    region->minX = region->width;
    region->maxX = -1;
    region->minY = region->height;
    region->maxY = -1;
}

bool RegionMaskHas(const RegionMask* region, int32_t x, int32_t y) {
    return (region->bits[int64_t(y) * region->rowBytes + (x >> 3)] >> (x & 7)) & 1;
}

bool RegionMaskIsEmpty(const RegionMask* region) {
    return region->maxX < region->minX;
}

SelectionMask RegionAsSelection(const RegionMask* region) {
    SelectionMask m;
    m.width = region->width;
    m.height = region->height;
    m.rowBytes = region->rowBytes;
    m.bits = region->bits;
    return m;
}

int32_t GrowRegion(const IPImage* view, int32_t x, int32_t y, RegionMask* region,
                   int32_t* droppedPushes) {
    if (droppedPushes != nullptr) *droppedPushes = 0;
    if (!RegionFits(view, region)) return kUiErrArg;
    if (x < 0 || y < 0 || x >= view->width || y >= view->height) return kUiErrArg;

    UiOwned<StackEntry> entries(
        static_cast<StackEntry*>(Ui_MallocArray(kRegionStackEntries, sizeof(StackEntry))));
    if (!entries) return kUiErrMemory;
    RegionStack stack = {entries.get(), 0, 0};
    if (view->bytesPerSample == 1)
        Grow<uint8_t>(view, x, y, region, &stack);
    else
        Grow<uint16_t>(view, x, y, region, &stack);
    if (droppedPushes != nullptr) *droppedPushes = stack.dropped;
    return kUiOk;
}

int32_t AddRegionToSamples(const IPImage* view, const RegionMask* region,
                           MemorySample samples[kSamplesPerBin]) {
    if (samples == nullptr) return kUiErrArg;
    BandSums sums[kSamplesPerBin];
    UI_TRY(CollectBands(view, region, kSamplesPerBin, sums));
    for (int k = 0; k < kSamplesPerBin; ++k)
        if (int64_t(samples[k].count) + sums[k].count > INT32_MAX) return kUiErrGeneral;
    for (int k = 0; k < kSamplesPerBin; ++k) {
        MemorySample& s = samples[k];
        s.sumR = float(double(s.sumR) + double(sums[k].sum[0]));
        s.sumG = float(double(s.sumG) + double(sums[k].sum[1]));
        s.sumB = float(double(s.sumB) + double(sums[k].sum[2]));
        s.count += int32_t(sums[k].count);
    }
    return kUiOk;
}

int32_t AddClickToSamples(const IPImage* view, int32_t x, int32_t y,
                          MemorySample samples[kSamplesPerBin], RegionMask* region) {
    if (view == nullptr || samples == nullptr) return kUiErrArg;
    RegionMask own = {};
    if (region == nullptr) {
        UI_TRY(RegionMaskCreate(view->width, view->height, &own));
        region = &own;
    } else if (region->bits != nullptr) {
        RegionMaskClear(region);
    }
    int32_t status = GrowRegion(view, x, y, region, nullptr);
    if (status == kUiOk) status = AddRegionToSamples(view, region, samples);
    RegionMaskFree(&own);
    return status;
}

int32_t RegionBandColors(const IPImage* view, const RegionMask* region, int32_t bands,
                         float (*colors)[3], int32_t* count) {
    if (colors == nullptr || count == nullptr) return kUiErrArg;
    *count = 0;
    BandSums sums[kMaxRegionBands];
    UI_TRY(CollectBands(view, region, bands, sums));
    const double full = view->bytesPerSample == 1 ? 255.0 : 65535.0;
    int32_t n = 0;
    for (int32_t k = 0; k < bands; ++k) {
        if (sums[k].count == 0) continue;
        const double scale = 1.0 / (double(sums[k].count) * full);
        for (int i = 0; i < 3; ++i) colors[n][i] = float(double(sums[k].sum[i]) * scale);
        ++n;
    }
    *count = n;
    return kUiOk;
}
