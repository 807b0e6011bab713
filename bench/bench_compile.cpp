// Compiling the correction and applying it to an editor preview: a 760 × 650
// preview of a real photograph (astronaut.png, scaled up and cropped), single
// thread. Two cases: the default settings, and two sampled memory colours
// with every automatic switch on. Reported apart: the tone analysis, the
// compile (CompileEditTW, which runs the analysis), the apply (ApplyTintwork
// over the preview), each as processor time. Ends with one line per case:
//   compile-and-preview 760x650 <case>: <compile + apply> ms
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/compile_edit_tw.h"
#include "engine/compile_params.h"
#include "engine/edit_pars.h"
#include "engine/tone_analysis.h"
#include "tests/support/interleaved_view.h"
#include "tests/support/png_read.h"

namespace {

constexpr int32_t kWidth = 760, kHeight = 650;

// The photograph scaled by 760 / 512 with bilinear interpolation, the top
// 650 rows kept.
const InterleavedImage& Preview() {
    static InterleavedImage preview = [] {
        InterleavedImage photo;
        std::string error;
        if (!LoadPhoto("astronaut.png", &photo, &error)) {
            std::fprintf(stderr, "bench_compile: %s\n", error.c_str());
            std::exit(1);
        }
        InterleavedImage out(kWidth, kHeight, 1);
        const double scale = double(photo.width) / kWidth;
        for (int32_t y = 0; y < kHeight; ++y) {
            const double sy = std::min((y + 0.5) * scale - 0.5, photo.height - 1.0);
            const int32_t y0 = std::max(0, int32_t(sy)), y1 = std::min(y0 + 1, photo.height - 1);
            const double fy = std::max(0.0, sy - y0);
            for (int32_t x = 0; x < kWidth; ++x) {
                const double sx = std::min((x + 0.5) * scale - 0.5, photo.width - 1.0);
                const int32_t x0 = std::max(0, int32_t(sx)), x1 = std::min(x0 + 1, photo.width - 1);
                const double fx = std::max(0.0, sx - x0);
                for (int c = 0; c < 3; ++c) {
                    const double top = photo.Get(x0, y0, c) * (1 - fx) + photo.Get(x1, y0, c) * fx;
                    const double bottom =
                        photo.Get(x0, y1, c) * (1 - fx) + photo.Get(x1, y1, c) * fx;
                    out.Set(x, y, c, uint32_t(std::lround(top * (1 - fy) + bottom * fy)));
                }
            }
        }
        return out;
    }();
    return preview;
}

// Eyedropper samples of a rectangle of the preview, by lightness band.
void Sample(int32_t x0, int32_t y0, int32_t x1, int32_t y1, MemoryColorBin* bin) {
    const InterleavedImage& im = Preview();
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
            const uint32_t r = im.Get(x, y, 0), g = im.Get(x, y, 1), b = im.Get(x, y, 2);
            const uint32_t hi = std::max(r, std::max(g, b)), lo = std::min(r, std::min(g, b));
            MemorySample& s = bin->samplesBin[std::min(9u, (hi + lo) * 10 / 510)];
            s.sumR += float(r);
            s.sumG += float(g);
            s.sumB += float(b);
            ++s.count;
        }
}

// 0: defaults; 1: "Neutrals" sampled on the backdrop and "Skin" on the face,
// every automatic switch on at half strength.
EditPars CasePars(int64_t which) {
    EditPars pars;
    SetDefaultEditPars(&pars, kDefaultPredefinedBins);
    if (which == 1) {
        pars.doAutoBlack = pars.doAutoWhite = pars.doAutoMidGray = 1;
        pars.autoBlackAmount = pars.autoWhiteAmount = pars.autoMidGrayAmount = 0.5f;
        Sample(445, 30, 520, 178, &pars.customBinColors[0]);
        Sample(297, 171, 371, 215, &pars.customBinColors[1]);
    }
    return pars;
}

const char* CaseName(int64_t which) {
    return which == 0 ? "defaults" : "two-colours-all-auto";
}

IPImage PreviewView() {
    return const_cast<InterleavedImage&>(Preview()).View();
}

void BM_Analysis(benchmark::State& state) {
    const EditPars pars = CasePars(state.range(0));
    const IPImage view = PreviewView();
    for (auto _ : state) {
        CompileParams p;
        InitCompileParams(&p, pars);
        if (AnalyzeTones(&p, &view, nullptr) != 0) state.SkipWithError("analysis failed");
        benchmark::DoNotOptimize(p.blackPoint[0]);
    }
    state.SetLabel(CaseName(state.range(0)));
}

void BM_Compile(benchmark::State& state) {
    const EditPars pars = CasePars(state.range(0));
    const IPImage view = PreviewView();
    for (auto _ : state) {
        TWHandle handle{};
        if (CompileEditTW(&pars, &view, nullptr, &handle) != 0)
            state.SkipWithError("compile failed");
        DestroyTintwork(handle.tintwork);
    }
    state.SetLabel(CaseName(state.range(0)));
}

void BM_Apply(benchmark::State& state) {
    const EditPars pars = CasePars(state.range(0));
    InterleavedImage& preview = const_cast<InterleavedImage&>(Preview());
    const IPImage view = preview.View();
    TWHandle handle{};
    if (CompileEditTW(&pars, &view, nullptr, &handle) != 0) {
        state.SkipWithError("compile failed");
        return;
    }
    std::vector<uint8_t> out(preview.s8.size());
    const TwRun src = TwInterleaved8(preview.s8.data(), 3), dst = TwInterleaved8(out.data(), 3);
    for (auto _ : state) {
        ApplyTintwork(handle.tintwork, uint32_t(kWidth) * kHeight, &src, &dst);
        benchmark::DoNotOptimize(out.data());
    }
    DestroyTintwork(handle.tintwork);
    state.SetLabel(CaseName(state.range(0)));
}

BENCHMARK(BM_Analysis)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Compile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Apply)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps each benchmark's processor time per iteration in milliseconds, by
// "function/argument": on a shared machine the wall time also counts the
// other processes, and everything here runs on one thread.
class TimeReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.iterations == 0) continue;
            const double seconds = run.cpu_accumulated_time / double(run.iterations);
            ms[run.run_name.function_name + "/" + run.run_name.args] = seconds * 1e3;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Preview();
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (int64_t which : {0, 1}) {
        const std::string arg = "/" + std::to_string(which);
        const double analysis = reporter.ms["BM_Analysis" + arg];
        const double compile = reporter.ms["BM_Compile" + arg];
        const double apply = reporter.ms["BM_Apply" + arg];
        std::printf("%s: analysis %.2f ms, compile %.2f ms (analysis included), apply %.2f ms\n",
                    CaseName(which), analysis, compile, apply);
    }
    for (int64_t which : {0, 1}) {
        const std::string arg = "/" + std::to_string(which);
        std::printf("compile-and-preview %dx%d %s: %.2f ms\n", kWidth, kHeight, CaseName(which),
                    reporter.ms["BM_Compile" + arg] + reporter.ms["BM_Apply" + arg]);
    }
    benchmark::Shutdown();
    return 0;
}
