// One brightness click in the editor at the largest preview, 760 × 650, with
// two memory colours sampled and every automatic switch on: the undo copy of
// the settings, the rebuild of the transform on the view (8-bit output), the
// render of the view into the pane's pixel map, and its display, here a copy
// into a frame buffer as a host's displayPixels makes. Single thread,
// processor time. Ends with one line per case:
//   editor-click 760x650 <case>: <ms> ms
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/edit_pars.h"
#include "engine/view_correction.h"
#include "engine/view_render.h"
#include "tests/support/interleaved_view.h"

namespace {

constexpr int32_t kWidth = 760, kHeight = 650;
constexpr int32_t kScreenWidth = 1920, kScreenHeight = 1080;

// A photo-like preview: a sky gradient, a warm round object and stripes,
// under a little grain.
InterleavedImage MakePreview(int32_t depth) {
    InterleavedImage im(kWidth, kHeight, depth);
    const double max = depth == 2 ? 65534.0 : 255.0;
    uint32_t seed = 12345;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            const double u = double(x) / kWidth, v = double(y) / kHeight;
            double r = 0.3 + 0.45 * v, g = 0.4 + 0.3 * v, b = 0.65 - 0.2 * v;
            const double dx = u - 0.6, dy = v - 0.45;
            if (dx * dx + dy * dy < 0.04) r += 0.2, g += 0.08, b -= 0.3;
            if (u < 0.3) {
                const double stripe = std::sin(u * 300.0) * 0.12;
                r += stripe, g += stripe * 0.7, b += stripe * 0.3;
            }
            seed = seed * 1664525u + 1013904223u;
            const double grain = (double(seed >> 16 & 0xFF) / 255.0 - 0.5) * 0.03;
            const double c[3] = {r + grain, g + grain, b + grain};
            for (int k = 0; k < 3; ++k) im.Set(x, y, k, uint32_t(std::clamp(c[k], 0.0, 1.0) * max));
        }
    return im;
}

// Eyedropper samples of a rectangle of the preview, by lightness band, in
// the view's code values.
void Sample(const InterleavedImage& im, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
            MemoryColorBin* bin) {
    const uint32_t full = im.depth == 2 ? 65534 : 255;
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
            const uint32_t r = im.Get(x, y, 0), g = im.Get(x, y, 1), b = im.Get(x, y, 2);
            const uint32_t hi = std::max(r, std::max(g, b)), lo = std::min(r, std::min(g, b));
            MemorySample& s = bin->samplesBin[std::min(9u, (hi + lo) * 10 / (2 * full))];
            s.sumR += float(r);
            s.sumG += float(g);
            s.sumB += float(b);
            ++s.count;
        }
}

struct Case {
    const char* name;
    int32_t depth;
    int32_t sharpen;  // strength at 1:1, 0 none
    bool noise;
};
const Case kCases[] = {
    {"8-bit", 1, 0, false},
    {"16-bit", 2, 0, false},
    {"8-bit-sharpen-1:1", 1, 12, false},
    {"8-bit-sharpen-noise-1:1", 1, 12, true},
};

void BM_EditorClick(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    InterleavedImage preview = MakePreview(c.depth);
    const IPImage view = preview.View();
    EditPars pars;
    SetDefaultEditPars(&pars, kDefaultPredefinedBins);
    pars.doAutoBlack = pars.doAutoWhite = pars.doAutoMidGray = 1;
    pars.autoBlackAmount = pars.autoWhiteAmount = pars.autoMidGrayAmount = 0.5f;
    Sample(preview, 450, 40, 520, 170, &pars.customBinColors[0]);
    Sample(preview, 430, 250, 480, 300, &pars.customBinColors[1]);
    ViewRenderFilters filters = {};
    filters.sharpenStrength = c.sharpen;
    filters.sharpenSelector = -1;
    filters.removeNoise = c.noise ? 1 : 0;
    filters.noise.radius[0] = 1;
    filters.noise.radius[1] = filters.noise.radius[2] = 2;
    filters.noise.threshold[0] = filters.noise.threshold[1] = filters.noise.threshold[2] = 20;
    std::vector<uint8_t> display(size_t(kWidth) * kHeight * 3);
    std::vector<uint8_t> screen(size_t(kScreenWidth) * kScreenHeight * 4);
    ViewCorrection compiled = {};
    EditPars undo;
    float step = 0.01f;
    for (auto _ : state) {
        undo = pars;
        benchmark::DoNotOptimize(&undo);
        pars.brightness += step;
        step = -step;
        EditTWSource source = {};
        source.editPars = pars;
        source.views[0] = view;
        if (CompileViewCorrection(&source, 1, &compiled) != 0) {
            state.SkipWithError("compile failed");
            break;
        }
        if (RenderView(view, compiled.transform->tintwork, &filters, display.data()) != 0) {
            state.SkipWithError("render failed");
            break;
        }
        // The host's display: each row into the frame buffer as BGRA.
        for (int32_t y = 0; y < kHeight; ++y) {
            const uint8_t* from = display.data() + size_t(y) * kWidth * 3;
            uint8_t* to = screen.data() + (size_t(y + 100) * kScreenWidth + 200) * 4;
            for (int32_t x = 0; x < kWidth; ++x) {
                to[4 * x] = from[3 * x + 2];
                to[4 * x + 1] = from[3 * x + 1];
                to[4 * x + 2] = from[3 * x];
                to[4 * x + 3] = 255;
            }
        }
        benchmark::DoNotOptimize(screen.data());
    }
    FreeViewCorrection(&compiled);
    state.SetLabel(c.name);
}

BENCHMARK(BM_EditorClick)
    ->DenseRange(0, int(std::size(kCases)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

// Keeps each run's processor time per iteration in milliseconds, by case.
class TimeReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.iterations == 0) continue;
            ms[run.run_name.args] = run.cpu_accumulated_time / double(run.iterations) * 1e3;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (size_t i = 0; i < std::size(kCases); ++i)
        std::printf("editor-click %dx%d %s: %.2f ms\n", kWidth, kHeight, kCases[i].name,
                    reporter.ms[std::to_string(i)]);
    benchmark::Shutdown();
    return 0;
}
