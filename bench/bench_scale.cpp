// Speed of the preview scaler: a 6000 × 4000 interleaved RGB image reduced to
// fit a 760 × 650 preview box (760 × 507), 8- and 16-bit samples, with the
// tent filter the previews use and, beside it, the nearest-sample mode.
// Reported as milliseconds per image and source Mpixel/s.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/image_scale.h"
#include "ui/status.h"

namespace {

constexpr int32_t kWidth = 6000, kHeight = 4000, kBoxWidth = 760, kBoxHeight = 650;

template <typename T>
IPImage Interleaved(std::vector<T>* samples, int32_t width, int32_t height) {
    IPImage v{};
    v.kind = kIPImageColour;
    v.planeCount = 3;
    v.bytesPerSample = int32_t(sizeof(T));
    v.width = width;
    v.height = height;
    v.resolution = 72.0f;
    v.sampleStride = 3;
    v.rowStride = width * 3;
    for (int32_t c = 0; c < 3; ++c) v.planes[c] = samples->data() + c;
    return v;
}

template <typename T>
void BM_Scale(benchmark::State& state) {
    const int32_t mode = int32_t(state.range(0));
    std::vector<T> source(size_t(kWidth) * kHeight * 3), box(size_t(kBoxWidth) * kBoxHeight * 3);
    for (size_t i = 0; i < source.size(); ++i) source[i] = T((i * 2654435761u) >> 7);
    const IPImage src = Interleaved(&source, kWidth, kHeight);
    IPImage dst = Interleaved(&box, kBoxWidth, kBoxHeight);
    int32_t w = 0, h = 0;
    for (auto _ : state) {
        if (IPScaleImageDown2(&src, mode, &dst, &w, &h, nullptr, nullptr) != kUiOk) {
            state.SkipWithError("scaler failed");
            break;
        }
        benchmark::DoNotOptimize(box.data());
    }
    state.counters["Mpixel/s"] = benchmark::Counter(double(kWidth) * kHeight * 1e-6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel(mode == kIPScaleTent ? "tent" : "nearest");
}

BENCHMARK_TEMPLATE(BM_Scale, uint8_t)
    ->Arg(kIPScaleTent)
    ->Arg(kIPScaleNearest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Scale, uint16_t)
    ->Arg(kIPScaleTent)
    ->Arg(kIPScaleNearest)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
