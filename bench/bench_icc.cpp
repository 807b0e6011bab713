// Exporting the correction as an ICC profile: the 41 × 41 × 41 table (68921
// grid nodes, each one pixel through the Tintwork and the colour chain to
// Lab) computed while the file is written. Beside it the peer: the colour
// engine lcms2 sampling the same grid function into a 41-point table and
// saving a version 2 profile. Processor time, single thread. Ends with:
//   icc-export 41: <ms> ms
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstdio>
#include <map>
#include <string>

#include "engine/compile_edit_tw.h"
#include "icc/profile_export.h"
#include "tests/support/interleaved_view.h"

namespace {

struct Correction {
    EditPars pars;
    TWHandle handle{};
    bool ok = false;
};

// Brightness, contrast and a sampled skin colour, compiled against a
// gradient.
const Correction& TheCorrection() {
    static Correction c = [] {
        Correction out;
        SetDefaultEditPars(&out.pars, kDefaultPredefinedBins);
        out.pars.brightness = 0.6f;
        out.pars.contrast = 0.58f;
        out.pars.customBinColors[1].samplesBin[6] =
            MemorySample{200.0f * 50, 185.0f * 50, 140.0f * 50, 50};
        InterleavedImage im(96, 64, 1);
        for (int32_t y = 0; y < im.height; ++y)
            for (int32_t x = 0; x < im.width; ++x)
                im.SetPixel(x, y, uint32_t(20 + 2 * x), uint32_t(30 + 3 * y),
                            uint32_t((x * y) % 256));
        IPImage view = im.View();
        out.ok = CompileEditTW(&out.pars, &view, nullptr, &out.handle) == 0;
        return out;
    }();
    return c;
}

std::string OutputPath(const char* name) {
    return std::string("/tmp/vantoria-bench-") + name;
}

void BM_ExportProfile(benchmark::State& state) {
    const Correction& c = TheCorrection();
    if (!c.ok) {
        state.SkipWithError("compile failed");
        return;
    }
    const ProfileExportSource source = {&c.pars, c.handle.tintwork, "bench.tif", 0, nullptr};
    const std::string path = OutputPath("export.icc");
    for (auto _ : state) {
        if (ExportProfileToPath(&source, path.c_str()) != 0) state.SkipWithError("export failed");
    }
    std::remove(path.c_str());
    state.counters["nodes"] = 68921;
}

// lcms2's sampler hands 16-bit inputs; the same grid function computes the node.
cmsInt32Number Sample(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
    const double v[3] = {in[0] / 65535.0, in[1] / 65535.0, in[2] / 65535.0};
    return ExportGridNode(v, out, cargo) == 0;
}

void BM_PeerProfile(benchmark::State& state) {
    const Correction& c = TheCorrection();
    const ProfileExportSource source = {&c.pars, c.handle.tintwork, "bench.tif", 0, nullptr};
    ExportGridContext context;
    if (!c.ok || InitExportGridContext(&source, &context) != 0) {
        state.SkipWithError("setup failed");
        return;
    }
    const std::string path = OutputPath("peer.icc");
    for (auto _ : state) {
        cmsHPROFILE p = cmsCreateProfilePlaceholder(nullptr);
        cmsSetProfileVersion(p, 2.1);
        cmsSetDeviceClass(p, cmsSigInputClass);
        cmsSetColorSpace(p, cmsSigRgbData);
        cmsSetPCS(p, cmsSigLabData);
        cmsPipeline* lut = cmsPipelineAlloc(nullptr, 3, 3);
        cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 41, 3, 3, nullptr);
        cmsStageSampleCLut16bit(clut, Sample, &context, 0);
        cmsPipelineInsertStage(lut, cmsAT_BEGIN, clut);
        cmsWriteTag(p, cmsSigAToB0Tag, lut);
        cmsSaveProfileToFile(p, path.c_str());
        cmsPipelineFree(lut);
        cmsCloseProfile(p);
    }
    std::remove(path.c_str());
}

BENCHMARK(BM_ExportProfile)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PeerProfile)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Processor time per iteration in milliseconds, by benchmark name.
class TimeReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.iterations != 0)
                ms[run.run_name.function_name] =
                    run.cpu_accumulated_time / double(run.iterations) * 1e3;
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.ms["BM_ExportProfile"], peer = reporter.ms["BM_PeerProfile"];
    if (peer > 0)
        std::printf("peer (lcms2, same grid function): %.2f ms, ratio %.2f\n", peer, peer / ours);
    std::printf("icc-export 41: %.2f ms\n", ours);
    DestroyTintwork(TheCorrection().handle.tintwork);
    benchmark::Shutdown();
    return 0;
}
