// A recorded action replayed on a large document through the host kit, the
// plug-in statically linked: the whole pass (prepare, start, continue,
// finish) with no filters, with the sharpen and with the default noise
// removal, 8-bit and 16-bit, beside ApplyTintwork alone on the same pixels.
//
// Times are the thread's processor time (HK_Nanoseconds), so other work on a
// shared machine does not count; the benchmark's own time column is the wall
// clock. The host's own copies (advanceState, the write-back, taking the
// result) are timed by the host kit; the plug-in's share is the pass less
// that.
//
// The plug-in's memory is its guarded allocator's high-water mark over the
// run: before the run a ballast block lifts the live total above any earlier
// mark, so the mark after the run less the live total before it is exactly
// the most the run held at once. Handles the plug-in asks the host for are
// the host's memory and not part of it.
//
// Then, per depth, the plug-in's share with the default noise removal on the
// vector path (where the processor has it) and on the portable path:
//   noise-replay <8|16>-bit defaults: <Mpix/s> Mpix/s
//   noise-replay <8|16>-bit defaults, portable path: <Mpix/s> Mpix/s
//
// Ends with one line per depth: the ratio of the plug-in's share with no
// filters to ApplyTintwork alone, the largest peak of the three settings and
// the bufferSpace the plug-in gave the host at prepare:
//   replay-pass 6000x4000 <8|16>-bit: share-vs-kernel <ratio>, plugin-peak
//   <bytes>, bufferSpace <bytes>
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "editor/filter_settings.h"
#include "editor/prefs_record.h"
#include "editor/stored_prefs.h"
#include "engine/compile_edit_tw.h"
#include "engine/engine_switches.h"
#include "engine/tintwork.h"
#include "host/blocks.h"
#include "host/plugin_main.h"
#include "host/script_params.h"
#include "hostkit/hostkit.h"
#include "ui/allocator.h"
#include "ui/paths.h"
#include "ui/prefs_file.h"
#include "ui/status.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int32_t kTallHeight = 8000;
constexpr int32_t kIterations = 3;

enum Filters { kNoFilters, kSharpen, kNoise, kFilterKinds };
const char* const kFilterNames[kFilterKinds] = {"no filters", "sharpen", "noise removal"};

// A document in the host's layout: interleaved RGB, 16-bit samples 0..32768.
struct Document {
    int32_t width = 0, height = 0, depth = 8;
    std::vector<uint8_t> pixels;
    int32_t RowBytes() const { return width * 3 * depth / 8; }
    HKImage Image() { return HKImage{width, height, 3, depth, RowBytes(), pixels.data()}; }
};

// Photo-like: smooth shading, hard-edged blocks of their own colour and
// per-pixel noise, so neighbouring pixels fall in different cells.
Document MakeDocument(int32_t width, int32_t height, int32_t depth) {
    Document d;
    d.width = width;
    d.height = height;
    d.depth = depth;
    d.pixels.resize(size_t(d.RowBytes()) * size_t(height));
    const uint32_t max = depth == 16 ? 32768u : 255u;
    uint32_t seed = 2024;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const bool block = ((x / 700) + (y / 500)) % 3 == 0;
            for (int32_t c = 0; c < 3; ++c) {
                seed = seed * 1664525u + 1013904223u;
                const int32_t noise = int32_t((seed >> 24) % 24u) - 12;
                int32_t v = block ? 200 - 60 * c - y * 40 / height
                                  : 60 + (x * (90 + 20 * c)) / width + (y * (70 - 15 * c)) / height;
                v = std::min(255, std::max(0, v + noise));
                const uint32_t s = (uint32_t(v) * max + 127u) / 255u;
                const size_t at =
                    size_t(y) * size_t(d.RowBytes()) + size_t(x * 3 + c) * (depth / 8);
                if (depth == 16) {
                    const uint16_t s16 = uint16_t(s);
                    std::memcpy(&d.pixels[at], &s16, 2);
                } else {
                    d.pixels[at] = uint8_t(s);
                }
            }
        }
    }
    return d;
}

const Document& Doc(int32_t depth, int32_t height) {
    static Document docs[2][2];
    Document& d = docs[depth == 16][height == kTallHeight];
    if (d.pixels.empty()) d = MakeDocument(kWidth, height, depth);
    return d;
}

// The preferences file: the record's defaults started as the previous
// settings, with the sharpen or the noise removal switched on.
bool WritePrefs(Filters filters) {
    PrefsRecord p;
    if (SetDefaultPrefsRecord(&p) != kUiOk) return false;
    p.startMode = kStartPrevious;
    PutSharpenSettings(p.sharpenDefaults, &p.previous);
    PutNoiseSettings(p.noiseDefaults, &p.previous);
    p.previous.doSharpen = filters == kSharpen ? 1 : 0;
    p.previous.doRemoveNoise = filters == kNoise ? 1 : 0;
    char path[kUiPathCapacity];
    if (Ui_Path_SetToPrefFile(nullptr, "Vantoria Plugin Prefs", path, sizeof path) != 0)
        return false;
    return Ui_Prefs_WriteAll(nullptr, path, kUiPrefsFileKind, WriteStoredPrefs, &p) == 0;
}

EditPars gApplied[kFilterKinds];  // what the recording run applied

// A first run on a small document with the dialog: the descriptor it records.
bool Record(Filters filters, int32_t depth, std::vector<uint8_t>* descriptor) {
    if (!WritePrefs(filters)) return false;
    Document d = MakeDocument(64, 48, depth);
    const HKImage image = d.Image();
    const HKMask mask = {0, nullptr};
    const HKOptions o = HK_DefaultOptions();
    HKHost host = {};
    if (HK_Host_Init(&host, &image, &mask, &o) != 0) return false;
    const HKRunPlan plan{false, true};
    HKRun run;
    HK_RunFilter(&host, PluginMain, &plan, &run);
    uint32_t size = 0;
    const uint8_t* text = HK_DescriptorText(&host, kScriptDataKey, &size);
    const bool ok = run.result == noErr && text != nullptr;
    if (ok) {
        descriptor->assign(text, text + size);
        gApplied[filters] = (*reinterpret_cast<DataBlock**>(host.data))->edit.pars;
    }
    HK_Host_Free(&host);
    return ok;
}

struct PassTimes {
    double wall = 0;    // seconds of the wall clock, the whole replay
    double total = 0;   // seconds of processor time, the whole replay
    double host = 0;    // of which the host kit's copies
    double plugin = 0;  // the rest
    uint32_t peak = 0;  // the plug-in's high-water mark over the run, bytes
    int32_t bufferSpace = 0;
    int32_t maxSpace = 0;
    bool changed = false;  // the pass changed the document
    bool ok = false;
};

void KeepSpaces(HKHost* host, void* context) {
    PassTimes* t = static_cast<PassTimes*>(context);
    t->bufferSpace = host->record->bufferSpace;
    t->maxSpace = host->record->maxSpace;
}

// One replay of the descriptor over a fresh copy of d, without the dialog.
PassTimes Replay(const Document& source, const std::vector<uint8_t>& descriptor) {
    PassTimes t;
    Document d = source;
    const HKImage image = d.Image();
    const HKMask mask = {0, nullptr};
    HKOptions o = HK_DefaultOptions();
    o.playInfo = plugInDialogDontDisplay;
    o.beforeStart = KeepSpaces;
    o.beforeStartContext = &t;
    HKHost host = {};
    if (HK_Host_Init(&host, &image, &mask, &o) != 0) return t;
    if (HK_SetDescriptorText(&host, kScriptDataKey, descriptor.data(),
                             uint32_t(descriptor.size())) != 0) {
        HK_Host_Free(&host);
        return t;
    }
    const UiMemStats before = Ui_Mem_Stats();
    void* ballast = Ui_Malloc(before.maxTotal + 64);
    const uint32_t live = Ui_Mem_Stats().total;
    const HKRunPlan plan{false, false};
    HKRun run;
    const auto begin = std::chrono::steady_clock::now();
    const int64_t cpuBegin = HK_Nanoseconds();
    HK_RunFilter(&host, PluginMain, &plan, &run);
    const int64_t cpuEnd = HK_Nanoseconds();
    const auto end = std::chrono::steady_clock::now();
    t.peak = ballast != nullptr ? Ui_Mem_Stats().maxTotal - live : 0;
    Ui_Free(ballast);
    t.wall = std::chrono::duration<double>(end - begin).count();
    t.total = double(cpuEnd - cpuBegin) * 1e-9;
    t.host = double(host.hostNanoseconds) * 1e-9;
    t.plugin = t.total - t.host;
    t.changed = d.pixels != source.pixels;
    t.ok = run.result == noErr && ballast != nullptr;
    if (!t.ok)
        std::fprintf(stderr, "replay failed: result %d, steps %d\n", int(run.result),
                     int(run.stepCount));
    HK_Host_Free(&host);
    return t;
}

// ---- Results kept for the summary --------------------------------------------------

struct Results {
    PassTimes pass[2][kFilterKinds];  // best of the iterations
    PassTimes tall[2][kFilterKinds];  // the taller document
    PassTimes portableNoise[2];       // noise removal on the portable path
    double kernel[2] = {0, 0};        // ApplyTintwork alone, seconds of processor time
    double kernelWall[2] = {0, 0};
};
Results gResults;

double Mpix(double seconds, int32_t height) {
    return seconds > 0 ? double(kWidth) * height / seconds / 1e6 : 0;
}

void KeepBest(PassTimes* best, const PassTimes& t) {
    if (!t.ok) return;
    if (!best->ok || t.plugin < best->plugin) {
        const uint32_t peak = std::max(best->peak, t.peak);
        *best = t;
        best->peak = peak;
    }
}

void BM_Replay(benchmark::State& state, int32_t depth, Filters filters, int32_t height,
               int32_t path) {
    KernelPathScope restore;
    if (SetKernelPath(path) != kUiOk) {
        state.SkipWithError("the kernel path is not available");
        return;
    }
    std::vector<uint8_t> descriptor;
    if (!Record(filters, depth, &descriptor)) {
        state.SkipWithError("recording the action failed");
        return;
    }
    const Document& d = Doc(depth, height);
    PassTimes& best = path == kKernelPathPortable ? gResults.portableNoise[depth == 16]
                      : height == kTallHeight     ? gResults.tall[depth == 16][filters]
                                                  : gResults.pass[depth == 16][filters];
    double host = 0, plugin = 0;
    for (auto _ : state) {
        const PassTimes t = Replay(d, descriptor);
        if (!t.ok) {
            state.SkipWithError("the replay failed");
            return;
        }
        state.SetIterationTime(t.wall);
        host += t.host;
        plugin += t.plugin;
        KeepBest(&best, t);
    }
    const double n = double(state.iterations());
    state.counters["Mpix/s"] = Mpix(best.wall, height);
    state.counters["plugin Mpix/s"] = Mpix(best.plugin, height);
    state.counters["host ms"] = host / n * 1e3;
    state.counters["plugin ms"] = plugin / n * 1e3;
    state.counters["peak"] = double(best.peak);
}

// ApplyTintwork alone: the settings the no-filter run applied, compiled as
// the pass compiles them, over the same pixels in rows.
void BM_Kernel(benchmark::State& state, int32_t depth) {
    std::vector<uint8_t> descriptor;
    if (!Record(kNoFilters, depth, &descriptor)) {
        state.SkipWithError("recording the action failed");
        return;
    }
    const int32_t bytes = depth / 8;
    static uint16_t none[4];
    IPImage view = {
        kIPImageColour, 3, bytes, 0, 0, 72.0f, 3, 3, {none, none + 1, none + 2, nullptr}, 0};
    TWHandle handle = {};
    if (CompileEditTW(&gApplied[kNoFilters], &view, nullptr, &handle) != kUiOk ||
        TWHandleSetDepth(&handle, kTwSideOutput, bytes) != kUiOk) {
        state.SkipWithError("compile failed");
        return;
    }
    const Document& d = Doc(depth, kHeight);
    std::vector<uint8_t> out(d.pixels.size());
    const size_t rowBytes = size_t(d.RowBytes());
    double best = 0, bestWall = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        const int64_t cpuBegin = HK_Nanoseconds();
        for (int32_t y = 0; y < d.height; ++y) {
            uint8_t* in = const_cast<uint8_t*>(d.pixels.data()) + size_t(y) * rowBytes;
            uint8_t* o = out.data() + size_t(y) * rowBytes;
            TwRun src = bytes == 2 ? TwInterleaved16(reinterpret_cast<uint16_t*>(in), 3)
                                   : TwInterleaved8(in, 3);
            TwRun dst = bytes == 2 ? TwInterleaved16(reinterpret_cast<uint16_t*>(o), 3)
                                   : TwInterleaved8(o, 3);
            ApplyTintwork(handle.tintwork, uint32_t(d.width), &src, &dst);
        }
        benchmark::DoNotOptimize(out.data());
        const double cpu = double(HK_Nanoseconds() - cpuBegin) * 1e-9;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(wall);
        if (best == 0 || cpu < best) best = cpu;
        if (bestWall == 0 || wall < bestWall) bestWall = wall;
    }
    gResults.kernel[depth == 16] = best;
    gResults.kernelWall[depth == 16] = bestWall;
    state.counters["Mpix/s"] = Mpix(best, d.height);
    DestroyTintwork(handle.tintwork);
}

void Register() {
    for (int32_t depth : {8, 16}) {
        const std::string bits = std::to_string(depth) + "-bit";
        benchmark::RegisterBenchmark(("BM_ApplyTintworkAlone/" + bits).c_str(), BM_Kernel, depth)
            ->UseManualTime()
            ->Iterations(kIterations)
            ->Unit(benchmark::kMillisecond);
        for (int32_t f = 0; f < kFilterKinds; ++f) {
            std::string name = "BM_Replay/" + bits + "/" + kFilterNames[f];
            std::replace(name.begin(), name.end(), ' ', '_');
            benchmark::RegisterBenchmark(name.c_str(), BM_Replay, depth, Filters(f), kHeight,
                                         kKernelPathBest)
                ->UseManualTime()
                ->Iterations(kIterations)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("BM_Replay/" + bits + "/noise_removal/portable").c_str(),
                                     BM_Replay, depth, kNoise, kHeight, kKernelPathPortable)
            ->UseManualTime()
            ->Iterations(kIterations)
            ->Unit(benchmark::kMillisecond);
        // The plug-in's memory of a document twice as tall.
        for (Filters f : {kNoFilters, kNoise}) {
            std::string name = "BM_Replay/" + bits + "/" + kFilterNames[f] + "/6000x8000";
            std::replace(name.begin(), name.end(), ' ', '_');
            benchmark::RegisterBenchmark(name.c_str(), BM_Replay, depth, f, kTallHeight,
                                         kKernelPathBest)
                ->UseManualTime()
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
        }
    }
}

// Preferences of this run only, in a folder of its own.
bool OwnPreferencesFolder() {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = tmpdir != nullptr && tmpdir[0] == '/' ? tmpdir : "/tmp";
    std::vector<char> tmpl(base.begin(), base.end());
    const char suffix[] = "/vantoria-bench-XXXXXX";
    tmpl.insert(tmpl.end(), suffix, suffix + sizeof suffix);
    if (mkdtemp(tmpl.data()) == nullptr) return false;
    const std::string root = tmpl.data();
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    return mkdir((root + "/config").c_str(), 0755) == 0;
}

void Summary() {
    std::printf(
        "\nMpixel/s (6000x%d), best of %d: whole pass (wall clock) / whole pass "
        "(processor time) / plug-in share (processor time); host kit ms (processor "
        "time)\n",
        kHeight, kIterations);
    for (int32_t k = 0; k < 2; ++k) {
        const int32_t depth = k == 0 ? 8 : 16;
        std::printf("  %2d-bit ApplyTintwork alone  %6.1f / %6.1f\n", depth,
                    Mpix(gResults.kernelWall[k], kHeight), Mpix(gResults.kernel[k], kHeight));
        for (int32_t f = 0; f < kFilterKinds; ++f) {
            const PassTimes& t = gResults.pass[k][f];
            std::printf("  %2d-bit %-20s %6.1f / %6.1f / %6.1f; host %.0f ms\n", depth,
                        kFilterNames[f], Mpix(t.wall, kHeight), Mpix(t.total, kHeight),
                        Mpix(t.plugin, kHeight), t.host * 1e3);
        }
    }
    const EditPars& n = gApplied[kNoise];
    std::printf(
        "noise removal: radii %d/%d/%d/%d, thresholds %d/%d/%d/%d, shape %d, luma-chroma %d\n",
        int(n.noiseRadius[0]), int(n.noiseRadius[1]), int(n.noiseRadius[2]), int(n.noiseRadius[3]),
        int(n.noiseThreshold[0]), int(n.noiseThreshold[1]), int(n.noiseThreshold[2]),
        int(n.noiseThreshold[3]), int(n.noiseExtra), int(n.noiseFlag));
    for (int32_t k = 0; k < 2; ++k) {
        const int32_t depth = k == 0 ? 8 : 16;
        const size_t image = size_t(kWidth) * kHeight * 3 * size_t(depth / 8);
        uint32_t peak = 0;
        for (const PassTimes& t : gResults.pass[k]) peak = std::max(peak, t.peak);
        std::printf(
            "plugin-peak %d-bit: 6000x4000 %u (no filters %u, sharpen %u, noise removal %u); "
            "6000x8000: no filters %u, noise removal %u; image %zu bytes; maxSpace %d\n",
            depth, peak, gResults.pass[k][kNoFilters].peak, gResults.pass[k][kSharpen].peak,
            gResults.pass[k][kNoise].peak, gResults.tall[k][kNoFilters].peak,
            gResults.tall[k][kNoise].peak, image, gResults.pass[k][kNoFilters].maxSpace);
    }
    for (int32_t k = 0; k < 2; ++k) {
        const int32_t depth = k == 0 ? 8 : 16;
        std::printf("noise-replay %d-bit defaults: %.1f Mpix/s\n", depth,
                    Mpix(gResults.pass[k][kNoise].plugin, kHeight));
        std::printf("noise-replay %d-bit defaults, portable path: %.1f Mpix/s\n", depth,
                    Mpix(gResults.portableNoise[k].plugin, kHeight));
    }
    for (int32_t k = 0; k < 2; ++k) {
        const PassTimes& t = gResults.pass[k][kNoFilters];
        uint32_t peak = 0;
        for (const PassTimes& p : gResults.pass[k]) peak = std::max(peak, p.peak);
        const double ratio = gResults.kernel[k] > 0 ? t.plugin / gResults.kernel[k] : 0;
        std::printf(
            "replay-pass 6000x4000 %d-bit: share-vs-kernel %.2f, plugin-peak %u, "
            "bufferSpace %d\n",
            k == 0 ? 8 : 16, ratio, peak, t.bufferSpace);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!OwnPreferencesFolder()) {
        std::fprintf(stderr, "cannot make a preferences folder\n");
        return 2;
    }
    Register();
    benchmark::RunSpecifiedBenchmarks();
    Summary();
    benchmark::Shutdown();
    return 0;
}
