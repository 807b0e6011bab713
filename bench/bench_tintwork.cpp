// Throughput of ApplyTintwork beside lcms2's cmsDoTransform on the same
// 33 × 33 × 33 grid, over a 4096 × 4096 photo-like noisy image, 8-bit and
// 16-bit interleaved RGB, one row per call. Ends with one summary line per depth.
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/apply_driver.h"
#include "engine/engine_switches.h"
#include "engine/tintwork.h"
#include "tests/tintwork_fixture.h"

namespace {

constexpr uint32_t kSide = 4096;
constexpr uint32_t kNodes = 33;

// A photo-like image: smooth shading, a few hard-edged shapes and per-pixel
// noise, so neighbouring pixels fall in different cells.
template <typename T>
const std::vector<T>& Image() {
    static std::vector<T> image = [] {
        const double max = sizeof(T) == 1 ? 255.0 : 65535.0;
        std::vector<T> px(size_t(kSide) * kSide * 3);
        TwTestRandom rnd(2024);
        for (uint32_t y = 0; y < kSide; ++y) {
            for (uint32_t x = 0; x < kSide; ++x) {
                const double u = x / double(kSide), v = y / double(kSide);
                double rgb[3] = {0.55 + 0.35 * std::sin(3.1 * u + 1.7 * v),
                                 0.45 + 0.30 * std::cos(2.3 * v - 1.1 * u),
                                 0.40 + 0.25 * std::sin(4.0 * u * v + 0.5)};
                if (((x / 700) + (y / 500)) % 3 == 0) {  // objects with their own colours
                    rgb[0] = 0.8 - 0.3 * v;
                    rgb[1] = 0.55 + 0.1 * u;
                    rgb[2] = 0.35;
                }
                for (int c = 0; c < 3; ++c) {
                    const double noise = ((rnd.Next() % 2001) / 1000.0 - 1.0) * 0.045;
                    const double s = std::min(1.0, std::max(0.0, rgb[c] + noise));
                    px[(size_t(y) * kSide + x) * 3 + c] = T(std::lround(s * max));
                }
            }
        }
        return px;
    }();
    return image;
}

// A mild colour twist: a little cross-talk between channels, a gentle
// S-curve and a warm shift.
void Twist(const double* in, double* out) {
    const double r = in[0], g = in[1], b = in[2];
    const double mix[3] = {0.92 * r + 0.06 * g + 0.02 * b, 0.04 * r + 0.90 * g + 0.06 * b,
                           0.01 * r + 0.07 * g + 0.92 * b};
    const double warm[3] = {0.03, 0.0, -0.03};
    for (int k = 0; k < 3; ++k) {
        const double x = mix[k];
        const double s = x + 0.12 * x * (1 - x) * (2 * x - 1) * -1.0 + warm[k] * x * (1 - x) * 4;
        out[k] = std::min(1.0, std::max(0.0, s));
    }
}

double NodePosition(uint32_t i, uint32_t max) {
    return double((i * max + (kNodes - 1) / 2) / (kNodes - 1)) / max;
}

Tintwork* MakeTintwork(int depth) {
    const uint32_t max = depth == 2 ? 65535 : 255;
    Tintwork* tw = nullptr;
    const int32_t status =
        TwBuild(&tw, 3, 3, depth, {TwEvenNodes(kNodes, max)}, [max](const uint32_t* idx, int k) {
            const double in[3] = {NodePosition(idx[0], max), NodePosition(idx[1], max),
                                  NodePosition(idx[2], max)};
            double out[3];
            Twist(in, out);
            return uint32_t(std::lround(out[k] * max));
        });
    if (status != kUiOk) return nullptr;
    SetDepth(tw, kTwSideInput, depth);
    SetDepth(tw, kTwSideOutput, depth);
    return tw;
}

const Tintwork* TintworkFor(int depth) {
    static Tintwork* tw8 = MakeTintwork(1);
    static Tintwork* tw16 = MakeTintwork(2);
    return depth == 2 ? tw16 : tw8;
}

// The same grid as an lcms2 device link: a pipeline with one CLUT stage.
// lcms2 orders its table with the last input fastest.
cmsHTRANSFORM LcmsTransform(int depth) {
    const Tintwork* tw = TintworkFor(depth);
    std::vector<cmsUInt16Number> table(kNodes * kNodes * kNodes * 3);
    for (uint32_t r = 0; r < kNodes; ++r) {
        for (uint32_t g = 0; g < kNodes; ++g) {
            for (uint32_t b = 0; b < kNodes; ++b) {
                const size_t ours = (size_t(b) * kNodes * kNodes + g * kNodes + r) * 3;
                const size_t theirs = ((size_t(r) * kNodes + g) * kNodes + b) * 3;
                for (int k = 0; k < 3; ++k) {
                    table[theirs + k] =
                        depth == 2 ? static_cast<const uint16_t*>(tw->grid)[ours + k]
                                   : cmsUInt16Number(
                                         static_cast<const uint8_t*>(tw->grid)[ours + k] * 257);
                }
            }
        }
    }
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 3, 3);
    cmsPipelineInsertStage(pipeline, cmsAT_END,
                           cmsStageAllocCLut16bit(nullptr, kNodes, 3, 3, table.data()));
    cmsHPROFILE link = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(link, 4.3);
    cmsSetDeviceClass(link, cmsSigLinkClass);
    cmsSetColorSpace(link, cmsSigRgbData);
    cmsSetPCS(link, cmsSigRgbData);
    cmsWriteTag(link, cmsSigAToB0Tag, pipeline);
    const cmsUInt32Number format = depth == 2 ? TYPE_RGB_16 : TYPE_RGB_8;
    cmsHTRANSFORM xf = cmsCreateTransform(link, format, nullptr, format, INTENT_PERCEPTUAL, 0);
    cmsPipelineFree(pipeline);
    cmsCloseProfile(link);
    return xf;
}

template <typename T>
void RunTintwork(benchmark::State& state, int path) {
    const int depth = sizeof(T);
    const Tintwork* tw = TintworkFor(depth);
    KernelPathScope restore;
    if (tw == nullptr || SetKernelPath(path) != kUiOk) {
        state.SkipWithError("no Tintwork or kernel path");
        return;
    }
    const std::vector<T>& image = Image<T>();
    std::vector<T> out(image.size());
    for (auto _ : state) {
        for (uint32_t y = 0; y < kSide; ++y) {
            const size_t row = size_t(y) * kSide * 3;
            TwRun in = depth == 2 ? TwInterleaved16((uint16_t*)&image[row], 3)
                                  : TwInterleaved8((uint8_t*)&image[row], 3);
            TwRun dst = depth == 2 ? TwInterleaved16((uint16_t*)&out[row], 3)
                                   : TwInterleaved8((uint8_t*)&out[row], 3);
            ApplyTintwork(tw, kSide, &in, &dst);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6,
                                                  benchmark::Counter::kIsRate);
}

template <typename T>
void RunLcms(benchmark::State& state) {
    cmsHTRANSFORM xf = LcmsTransform(sizeof(T));
    const std::vector<T>& image = Image<T>();
    std::vector<T> out(image.size());
    for (auto _ : state) {
        for (uint32_t y = 0; y < kSide; ++y) {
            const size_t row = size_t(y) * kSide * 3;
            cmsDoTransform(xf, &image[row], &out[row], kSide);
        }
        benchmark::DoNotOptimize(out.data());
    }
    cmsDeleteTransform(xf);
    state.counters["Mpix/s"] = benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6,
                                                  benchmark::Counter::kIsRate);
}

int32_t DiscardRow(void* context, const RowDesc* row) {
    benchmark::DoNotOptimize(row->data8);
    ++*static_cast<uint32_t*>(context);
    return 0;
}

// The driver over the whole image, interleaved rows: the transform with the
// sharpen of strength `strength` after it, or the sharpen alone.
template <typename T>
void RunDriver(benchmark::State& state, int32_t strength, bool transform) {
    const int depth = sizeof(T);
    const Tintwork* tw = TintworkFor(depth);
    uint32_t size = 0;
    TintworkStreamSize(tw, &size);
    std::vector<uint8_t> stream(size);
    TwStream s{stream.data(), size, 0};
    if (WriteTintworkStream(tw, &s) != kUiOk) {
        state.SkipWithError("stream");
        return;
    }
    const std::vector<T>& image = Image<T>();
    uint32_t rows = 0;
    ApplyDriverParams p = {};
    p.stream = transform ? stream.data() : nullptr;
    p.streamSize = size;
    p.inMax = p.outMax = depth == 2 ? 65535 : 255;
    p.sharpenStrength = strength;
    p.sharpenSelector = -1;
    p.placement = kPlaceAutomatic;
    p.width = p.height = kSide;
    p.inputDepth = p.outputDepth = depth;
    p.sink = DiscardRow;
    p.sinkContext = &rows;
    p.planar = 0;
    p.order = kRowOrderIdentity3;
    for (auto _ : state) {
        ApplyDriver* d = nullptr;
        if (OpenApplyDriver(&p, &d) != kUiOk) {
            state.SkipWithError("driver");
            return;
        }
        for (uint32_t y = 0; y < kSide; ++y) {
            T* at = const_cast<T*>(&image[size_t(y) * kSide * 3]);
            RowDesc row{kSide, 3, 1, 0, kRowOrderIdentity3, nullptr, nullptr, y};
            if (depth == 2) {
                row.data16 = reinterpret_cast<uint16_t*>(at);
            } else {
                row.data8 = reinterpret_cast<uint8_t*>(at);
            }
            ApplyDriverRow(d, &row);
        }
        CloseApplyDriver(d);
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(kSide) * kSide * state.iterations() / 1e6,
                                                  benchmark::Counter::kIsRate);
}

void BM_Driver8TransformSharpen6(benchmark::State& s) {
    RunDriver<uint8_t>(s, 6, true);
}
void BM_Driver16TransformSharpen6(benchmark::State& s) {
    RunDriver<uint16_t>(s, 6, true);
}
void BM_Driver8SharpenOnly6(benchmark::State& s) {
    RunDriver<uint8_t>(s, 6, false);
}
void BM_Driver16SharpenOnly6(benchmark::State& s) {
    RunDriver<uint16_t>(s, 6, false);
}

void BM_Tintwork8(benchmark::State& s) {
    RunTintwork<uint8_t>(s, kKernelPathBest);
}
void BM_Lcms8(benchmark::State& s) {
    RunLcms<uint8_t>(s);
}
void BM_Tintwork16(benchmark::State& s) {
    RunTintwork<uint16_t>(s, kKernelPathBest);
}
void BM_Lcms16(benchmark::State& s) {
    RunLcms<uint16_t>(s);
}
void BM_TintworkScalar8(benchmark::State& s) {
    RunTintwork<uint8_t>(s, kKernelPathPortable);
}
void BM_TintworkScalar16(benchmark::State& s) {
    RunTintwork<uint16_t>(s, kKernelPathPortable);
}
void BM_TintworkAvx2_8(benchmark::State& s) {
    RunTintwork<uint8_t>(s, kKernelPathVector);
}
void BM_TintworkAvx2_16(benchmark::State& s) {
    RunTintwork<uint16_t>(s, kKernelPathVector);
}

BENCHMARK(BM_Tintwork8)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Lcms8)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Tintwork16)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Lcms16)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TintworkScalar8)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TintworkScalar16)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TintworkAvx2_8)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TintworkAvx2_16)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Driver8TransformSharpen6)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Driver16TransformSharpen6)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Driver8SharpenOnly6)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Driver16SharpenOnly6)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's Mpix/s for the summary.
class RateReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> rates;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto it = run.counters.find("Mpix/s");
            if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// The portable path and each vector path the processor has over the whole
// benchmark image, compared.
template <typename T>
bool PathsAgree() {
    const Tintwork* tw = TintworkFor(sizeof(T));
    std::vector<int32_t> paths = {kKernelPathPortable};
    if (CpuHasVectorPath()) paths.push_back(kKernelPathVector);
    if (CpuHasAvx512Path()) paths.push_back(kKernelPathAvx512);
    std::vector<T> image = Image<T>();
    std::vector<T> first;
    KernelPathScope restore;
    for (int32_t path : paths) {
        std::vector<T> out(image.size());
        SetKernelPath(path);
        TwRun in = sizeof(T) == 2 ? TwInterleaved16((uint16_t*)image.data(), 3)
                                  : TwInterleaved8((uint8_t*)image.data(), 3);
        TwRun dst = sizeof(T) == 2 ? TwInterleaved16((uint16_t*)out.data(), 3)
                                   : TwInterleaved8((uint8_t*)out.data(), 3);
        ApplyTintwork(tw, kSide * kSide, &in, &dst);
        if (first.empty()) {
            first = std::move(out);
        } else if (out != first) {
            return false;
        }
    }
    return true;
}

double RateOf(const RateReporter& reporter, const std::string& name) {
    for (const auto& entry : reporter.rates) {
        if (entry.first == name || entry.first.rfind(name + "/", 0) == 0) return entry.second;
    }
    return 0;
}

void Summary(const RateReporter& reporter, const char* depth, const char* ours,
             const char* theirs) {
    const double o = RateOf(reporter, ours), t = RateOf(reporter, theirs);
    if (o <= 0 || t <= 0) return;
    std::printf("tintwork-vs-lcms2 %s: %.1f Mpix/s, lcms2 %.1f Mpix/s, ratio %.2f\n", depth, o, t,
                o / t);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("vector paths: %s; vector and portable results identical: 8-bit %s, 16-bit %s\n",
                CpuHasAvx512Path()   ? "AVX2, AVX-512"
                : CpuHasVectorPath() ? "AVX2"
                                     : "none",
                PathsAgree<uint8_t>() ? "yes" : "NO", PathsAgree<uint16_t>() ? "yes" : "NO");
    Summary(reporter, "8-bit", "BM_Tintwork8", "BM_Lcms8");
    Summary(reporter, "16-bit", "BM_Tintwork16", "BM_Lcms16");
    std::printf("driver, transform then sharpen 6: 8-bit %.1f Mpix/s, 16-bit %.1f Mpix/s\n",
                RateOf(reporter, "BM_Driver8TransformSharpen6"),
                RateOf(reporter, "BM_Driver16TransformSharpen6"));
    benchmark::Shutdown();
    return 0;
}
