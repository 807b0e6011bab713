// Speed of the spatial filters on a 4096 × 4096 photo-like image: smooth
// shapes and gradients under sensor-like noise, stronger in the chrominance.
// Single thread; rows are streamed one at a time as the filtering pass does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "engine/engine_switches.h"
#include "engine/noise.h"
#include "engine/sharpen.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kSide = 4096;

// Interleaved RGB, 16-bit code values; the 8-bit image is its high byte.
const std::vector<uint16_t>& PhotoLike16() {
    static std::vector<uint16_t> image;
    if (!image.empty()) return image;
    image.resize(size_t(kSide) * kSide * 3);
    std::mt19937 rng(20240611);
    std::normal_distribution<float> luma(0.0f, 900.0f), chroma(0.0f, 1800.0f);
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            const float u = float(x) / kSide, v = float(y) / kSide;
            // A sky-like gradient, a round bright object and a striped region.
            float r = 20000 + 30000 * v, g = 26000 + 20000 * v, b = 42000 - 12000 * v;
            const float dx = u - 0.6f, dy = v - 0.45f;
            if (dx * dx + dy * dy < 0.04f) r += 15000, g += 6000, b -= 20000;
            if (u < 0.3f) {
                const float stripe = std::sin(u * 300.0f) * 8000;
                r += stripe, g += stripe * 0.7f, b += stripe * 0.3f;
            }
            const float n = luma(rng);
            const float c[3] = {r + n + chroma(rng), g + n, b + n + chroma(rng)};
            for (int k = 0; k < 3; ++k) {
                const float s = c[k] < 0 ? 0 : (c[k] > 65535 ? 65535 : c[k]);
                image[(size_t(y) * kSide + x) * 3 + k] = uint16_t(s);
            }
        }
    }
    return image;
}

const std::vector<uint8_t>& PhotoLike8() {
    static std::vector<uint8_t> image;
    if (!image.empty()) return image;
    const std::vector<uint16_t>& wide = PhotoLike16();
    image.resize(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) image[i] = uint8_t(wide[i] >> 8);
    return image;
}

int32_t CountRow(void* context, const RowDesc*) {
    ++*static_cast<uint32_t*>(context);
    return 0;
}

void SetRate(benchmark::State& state, uint32_t rows) {
    state.counters["Mpix/s"] = benchmark::Counter(double(state.iterations()) * kSide * rows / 1e6,
                                                  benchmark::Counter::kIsRate);
}

// Selects the kernel path the benchmark's "path" argument names (a
// KernelPath value: 1 portable, 2 AVX2, 3 AVX-512); false, with the benchmark
// marked skipped, when the processor lacks it.
bool SelectPath(benchmark::State& state) {
    if (SetKernelPath(int32_t(state.range(0))) == kUiOk) return true;
    state.SkipWithError("this processor lacks the kernel path");
    return false;
}

template <typename T>
void BM_Sharpen(benchmark::State& state) {
    const uint32_t depth = sizeof(T);
    const T* image = nullptr;
    if constexpr (sizeof(T) == 1) {
        image = PhotoLike8().data();
    } else {
        image = PhotoLike16().data();
    }
    uint32_t rows = 0;
    SharpenParams p{};
    p.strength = 6;
    p.selector = -1;
    p.width = kSide;
    p.height = kSide;
    p.channels = 3;
    p.colorKind = 1;
    p.order = kRowOrderIdentity3;
    p.depth = depth;
    p.hi = depth == 1 ? 255 : 65535;
    p.sink = CountRow;
    p.sinkContext = &rows;
    KernelPathScope restore;
    if (!SelectPath(state)) return;
    for (auto _ : state) {
        SharpenWindow* w = nullptr;
        if (sharpenOpen(&w, &p) != 0) state.SkipWithError("sharpenOpen failed");
        for (uint32_t y = 0; y < kSide; ++y) {
            T* data = const_cast<T*>(image + size_t(y) * kSide * 3);
            RowDesc row{kSide, 3, 1, 0, kRowOrderIdentity3, nullptr, nullptr, y};
            if constexpr (sizeof(T) == 1) {
                row.data8 = data;
            } else {
                row.data16 = data;
            }
            sharpenPutRow(w, &row);
        }
        sharpenClose(&w);
    }
    benchmark::DoNotOptimize(rows);
    SetRate(state, kSide);
}

// The photo as planar rows, the layout the filtering pass hands the filter.
template <typename T>
const std::vector<T>& PlanarPhoto() {
    static std::vector<T> planar;
    if (!planar.empty()) return planar;
    const size_t rowSamples = size_t(kSide) * 3;
    planar.resize(rowSamples * kSide);
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            for (uint32_t c = 0; c < 3; ++c) {
                const size_t i = (size_t(y) * kSide + x) * 3 + c;
                planar[y * rowSamples + c * kSide + x] =
                    sizeof(T) == 1 ? T(PhotoLike8()[i]) : T(PhotoLike16()[i]);
            }
        }
    }
    return planar;
}

// The plug-in's defaults: Y, U, V with radii 0, 8, 4 and thresholds 0, 16, 16
// on the random disc.
NoiseParams DefaultNoise(uint32_t depth, uint32_t* rowCount) {
    NoiseParams p{};
    p.width = kSide;
    p.height = kSide;
    p.colorKind = 1;
    p.lumaChroma = 1;
    p.channels = 3;
    p.radius[1] = 8;
    p.radius[2] = 4;
    p.threshold[1] = 16;
    p.threshold[2] = 16;
    p.maskShape = 4;
    p.planarOutput = 1;
    p.order = kRowOrderIdentity3;
    p.outputDepth = depth;
    p.sink = CountRow;
    p.sinkContext = rowCount;
    return p;
}

// Streams the first p.height rows of the photo through the noise filter;
// reports Mpixel/s and the bytes the filter allocated per image column.
template <typename T>
void RunNoise(benchmark::State& state, const NoiseParams& p) {
    const size_t rowSamples = size_t(kSide) * 3;
    const std::vector<T>& planar = PlanarPhoto<T>();
    uint32_t bytes = 0;
    for (auto _ : state) {
        Mask2dState* s = nullptr;
        const uint32_t before = Ui_Mem_Stats().total;
        if (mask2dOpen(&s, &p) != 0) state.SkipWithError("mask2dOpen failed");
        bytes = Ui_Mem_Stats().total - before;
        for (uint32_t y = 0; y < p.height; ++y) {
            RowDesc row{kSide, 3, 1, 1, kRowOrderIdentity3, nullptr, nullptr, y};
            T* data = const_cast<T*>(planar.data() + y * rowSamples);
            if constexpr (sizeof(T) == 1) {
                row.data8 = data;
            } else {
                row.data16 = data;
            }
            mask2dPutRow(s, &row);
        }
        mask2dClose(&s);
    }
    SetRate(state, p.height);
    state.counters["bytes/column"] = double(bytes) / kSide;
}

template <typename T>
void BM_NoiseDefaults(benchmark::State& state) {
    uint32_t rows = 0;
    KernelPathScope restore;
    if (!SelectPath(state)) return;
    RunNoise<T>(state, DefaultNoise(sizeof(T), &rows));
    benchmark::DoNotOptimize(rows);
}

// Other shapes and radii for the two chrominance channels, on 512 rows.
void BM_NoiseShape(benchmark::State& state) {
    uint32_t rows = 0;
    NoiseParams p = DefaultNoise(1, &rows);
    p.height = 512;
    p.maskShape = uint32_t(state.range(0));
    p.radius[1] = p.radius[2] = int32_t(state.range(1));
    RunNoise<uint8_t>(state, p);
    benchmark::DoNotOptimize(rows);
}

BENCHMARK(BM_NoiseDefaults<uint8_t>)
    ->Name("NoiseDefaults/8bit")
    ->ArgName("path")
    ->Arg(kKernelPathAvx512)
    ->Arg(kKernelPathVector)
    ->Arg(kKernelPathPortable)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoiseDefaults<uint16_t>)
    ->Name("NoiseDefaults/16bit")
    ->ArgName("path")
    ->Arg(kKernelPathAvx512)
    ->Arg(kKernelPathVector)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoiseShape)
    ->ArgNames({"shape", "radius"})
    ->Args({4, 16})
    ->Args({3, 16})
    ->Args({5, 8})
    ->Args({1, 4})
    ->Args({1, 8})
    ->Args({0, 16})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sharpen<uint8_t>)
    ->Name("Sharpen6/8bit")
    ->ArgName("path")
    ->Arg(kKernelPathAvx512)
    ->Arg(kKernelPathVector)
    ->Arg(kKernelPathPortable)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sharpen<uint16_t>)
    ->Name("Sharpen6/16bit")
    ->ArgName("path")
    ->Arg(kKernelPathAvx512)
    ->Arg(kKernelPathVector)
    ->Arg(kKernelPathPortable)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
