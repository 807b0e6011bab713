#include "apps/vantoria_host/kernel_self_check.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "apps/vantoria_host/report.h"
#include "engine/engine_switches.h"
#include "engine/noise.h"
#include "engine/noise_mask.h"
#include "engine/sharpen.h"
#include "engine/tintwork.h"
#include "tests/tintwork_fixture.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kWidth = 64, kHeight = 48;  // pixels of every run
constexpr uint32_t kChannels = 3;
constexpr size_t kSamples = size_t(kWidth) * kHeight * kChannels;

template <typename T>
constexpr uint32_t kMax = sizeof(T) == 1 ? 255 : 65535;

// Noisy gradients with some samples at the extremes, so that clamping is hit.
template <typename T>
std::vector<T> TestImage(uint32_t seed) {
    TwTestRandom rnd(seed);
    std::vector<T> image(kSamples);
    for (size_t i = 0; i < kSamples; ++i) {
        const uint32_t x = uint32_t(i / kChannels % kWidth), y = uint32_t(i / kChannels / kWidth);
        const uint32_t r = rnd.Next();
        const uint32_t smooth = (x * 3 + y * 2 + uint32_t(i % kChannels) * 40) * kMax<T> / 400;
        const uint32_t noisy = smooth + r % (kMax<T> / 8 + 1);
        image[i] = T(r % 13 == 0 ? (r >> 8) % 2 * kMax<T> : (noisy > kMax<T> ? kMax<T> : noisy));
    }
    return image;
}

// Rows passed on by a filter, stored in order.
template <typename T>
struct RowStore {
    std::vector<T>* out;
    uint32_t rows;
    static int32_t Sink(void* context, const RowDesc* row) {
        RowStore* s = static_cast<RowStore*>(context);
        const size_t n = size_t(row->width) * row->channels;
        if (s->rows >= kHeight || row->width != kWidth) return kUiErrGeneral;
        for (size_t i = 0; i < n; ++i) {
            (*s->out)[s->rows * n + i] = T(sizeof(T) == 1 ? row->data8[i] : row->data16[i]);
        }
        ++s->rows;
        return kUiOk;
    }
};

template <typename T>
RowDesc RowOf(std::vector<T>& image, uint32_t y) {
    T* data = image.data() + size_t(y) * kWidth * kChannels;
    RowDesc row{kWidth, kChannels, 1, 0, kRowOrderIdentity3, nullptr, nullptr, y};
    if constexpr (sizeof(T) == 1) {
        row.data8 = data;
    } else {
        row.data16 = data;
    }
    return row;
}

// A 17-node grid of a mild colour twist, at the depth of T on both sides.
template <typename T>
int32_t RunTintwork(std::vector<T>& in, std::vector<T>* out) {
    const int depth = int(sizeof(T));
    Tintwork* tw = nullptr;
    UI_TRY(TwBuild(&tw, 3, 3, depth, {TwEvenNodes(17, kMax<T>)}, [](const uint32_t* idx, int k) {
        const uint32_t v = 10 + 12 * idx[k] + 2 * idx[(k + 1) % 3] + idx[(k + 2) % 3];
        return v * kMax<T> / 255;
    }));
    int32_t status = SetDepth(tw, kTwSideInput, depth);
    if (status == kUiOk) status = SetDepth(tw, kTwSideOutput, depth);
    const TwRun src = depth == 2 ? TwInterleaved16((uint16_t*)in.data(), 3)
                                 : TwInterleaved8((uint8_t*)in.data(), 3);
    const TwRun dst = depth == 2 ? TwInterleaved16((uint16_t*)out->data(), 3)
                                 : TwInterleaved8((uint8_t*)out->data(), 3);
    if (status == kUiOk) status = ApplyTintwork(tw, kWidth * kHeight, &src, &dst);
    DestroyTintwork(tw);
    return status;
}

template <typename T>
int32_t RunSharpen(std::vector<T>& in, std::vector<T>* out) {
    RowStore<T> store{out, 0};
    SharpenParams p{};
    p.strength = 6;
    p.selector = -1;
    p.width = kWidth;
    p.height = kHeight;
    p.channels = kChannels;
    p.colorKind = 1;
    p.order = kRowOrderIdentity3;
    p.depth = sizeof(T);
    p.hi = int32_t(kMax<T>);
    p.sink = RowStore<T>::Sink;
    p.sinkContext = &store;
    SharpenWindow* w = nullptr;
    int32_t status = sharpenOpen(&w, &p);
    for (uint32_t y = 0; y < kHeight && status == kUiOk; ++y) {
        const RowDesc row = RowOf(in, y);
        status = sharpenPutRow(w, &row);
    }
    sharpenClose(&w);
    return status == kUiOk && store.rows != kHeight ? kUiErrGeneral : status;
}

// The plug-in's defaults (a random disc of radius 8 and 4 on the two
// chrominance channels), or a small square on every channel.
template <typename T, bool kSmallSquare>
int32_t RunNoise(std::vector<T>& in, std::vector<T>* out) {
    RowStore<T> store{out, 0};
    NoiseParams p{};
    p.width = kWidth;
    p.height = kHeight;
    p.colorKind = 1;
    p.channels = kChannels;
    p.lumaChroma = kSmallSquare ? 0 : 1;
    p.maskShape = kSmallSquare ? kNoiseSquare : kNoiseRandomDisc;
    for (int c = 0; c < 3; ++c) {
        p.radius[c] = kSmallSquare ? 2 : (c == 0 ? 0 : 8 >> (c - 1));
        p.threshold[c] = kSmallSquare ? 24 : (c == 0 ? 0 : 16);
    }
    p.order = kRowOrderIdentity3;
    p.outputDepth = sizeof(T);
    p.sink = RowStore<T>::Sink;
    p.sinkContext = &store;
    Mask2dState* s = nullptr;
    int32_t status = mask2dOpen(&s, &p);
    for (uint32_t y = 0; y < kHeight && status == kUiOk; ++y) {
        const RowDesc row = RowOf(in, y);
        status = mask2dPutRow(s, &row);
    }
    mask2dClose(&s);
    return status == kUiOk && store.rows != kHeight ? kUiErrGeneral : status;
}

// Runs a kernel over the same image on the portable path and each vector
// path the processor has; true when every run succeeds on the path asked
// for, changes the image, and gives the same samples.
template <typename T, int32_t (*Run)(std::vector<T>&, std::vector<T>*)>
bool SameOnEveryPath(uint32_t seed, char* why, size_t whySize) {
    std::vector<T> in = TestImage<T>(seed);
    std::vector<T> out[3] = {std::vector<T>(kSamples), std::vector<T>(kSamples),
                             std::vector<T>(kSamples)};
    const int32_t paths[3] = {kKernelPathPortable, kKernelPathVector, kKernelPathAvx512};
    const int runs = CpuHasAvx512Path() ? 3 : 2;
    for (int i = 0; i < runs; ++i) {
        const int32_t status = SetKernelPath(paths[i]);
        if (status != kUiOk || KernelPathInForce() != paths[i]) {
            std::snprintf(why, whySize, "path %d not selected (%d)", int(paths[i]), int(status));
            return false;
        }
        std::vector<T> image = in;  // a kernel may work in place
        if (const int32_t run = Run(image, &out[i]); run != kUiOk) {
            std::snprintf(why, whySize, "run on path %d failed with %d", int(paths[i]), int(run));
            return false;
        }
    }
    if (out[0] == in) {
        std::snprintf(why, whySize, "the image came out unchanged");
        return false;
    }
    for (int run = 1; run < runs; ++run) {
        for (size_t i = 0; i < kSamples; ++i) {
            if (out[0][i] != out[run][i]) {
                std::snprintf(why, whySize, "sample %zu: portable %u, path %d %u", i,
                              unsigned(out[0][i]), int(paths[run]), unsigned(out[run][i]));
                return false;
            }
        }
    }
    return true;
}

struct KernelCheck {
    const char* name;
    bool (*check)(uint32_t seed, char* why, size_t whySize);
};

const KernelCheck kChecks[] = {
    {"Tintwork 8-bit", SameOnEveryPath<uint8_t, RunTintwork<uint8_t>>},
    {"Tintwork 16-bit", SameOnEveryPath<uint16_t, RunTintwork<uint16_t>>},
    {"sharpen 8-bit", SameOnEveryPath<uint8_t, RunSharpen<uint8_t>>},
    {"sharpen 16-bit", SameOnEveryPath<uint16_t, RunSharpen<uint16_t>>},
    {"noise 8-bit", SameOnEveryPath<uint8_t, RunNoise<uint8_t, false>>},
    {"noise 16-bit", SameOnEveryPath<uint16_t, RunNoise<uint16_t, false>>},
    {"noise 8-bit small square", SameOnEveryPath<uint8_t, RunNoise<uint8_t, true>>},
    {"noise 16-bit small square", SameOnEveryPath<uint16_t, RunNoise<uint16_t, true>>},
};

}  // namespace

void CheckKernelPaths() {
    const char* what = "kernel self-check";
    if (!CpuHasVectorPath()) {
        ReportSkipped(what, "no AVX2 on this processor, so no vector path to compare");
        return;
    }
    const KernelPathScope restore;
    const uint32_t blocks = Ui_Mem_Stats().nMallocs;
    char why[320] = "", detail[256];
    uint32_t seed = 1;
    for (const KernelCheck& c : kChecks) {
        if (!c.check(seed++, detail, sizeof detail)) {
            std::snprintf(why, sizeof why, "%s: %s", c.name, detail);
            break;
        }
    }
    if (why[0] == 0 && Ui_Mem_Stats().nMallocs != blocks) {
        std::snprintf(why, sizeof why, "%u blocks left allocated",
                      unsigned(Ui_Mem_Stats().nMallocs - blocks));
    }
    char line[160];
    std::snprintf(line, sizeof line, "%s: vector and portable paths agree (%u pixels)", what,
                  unsigned(sizeof kChecks / sizeof kChecks[0] * kWidth * kHeight));
    Report(why[0] == 0, why[0] == 0 ? line : what, "%s", why);
}
