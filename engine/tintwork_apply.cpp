// Applying a Tintwork: the dispatch table lookup (done once, when the object
// is finished or its depths change), the vector or portable form of the
// kernel by the engine's kernel path (on each call), and ApplyTintwork.
#include "engine/engine_switches.h"
#include "engine/tintwork.h"
#include "engine/tintwork_internal.h"
#include "ui/status.h"

namespace {

bool MatchesCase(const TwKernelEntry& e, const Tintwork* tw, TwShape shape) {
    return e.shape == shape && (e.gridDepth == 0 || e.gridDepth == tw->gridDepth) &&
           e.inputDepth == tw->inputDepth && e.outputDepth == tw->outputDepth;
}

TwKernelFn KernelOnPath(const TwKernelEntry* entry) {
    const int32_t path = KernelPathInForce();
    if (path == kKernelPathAvx512 && entry->avx512 != nullptr) return entry->avx512;
    if (path != kKernelPathPortable && entry->vector != nullptr) return entry->vector;
    return entry->scalar;
}

}  // namespace

const TwKernelEntry* TwFindKernel(const Tintwork* tw) {
    const TwShape shape = TwShapeOf(tw);
    const TwKernelEntry* table = tw->inputDepth == 2 ? kTwKernels16 : kTwKernels8;
    const size_t rows = tw->inputDepth == 2 ? kTwKernels16Count : kTwKernels8Count;
    for (size_t i = 0; i < rows; ++i) {
        if (MatchesCase(table[i], tw, shape)) return &table[i];
    }
    return nullptr;
}

TwRun TwInterleaved8(uint8_t* pixels, int32_t channels) {
    TwRun run = {1, channels, {}};
    for (int32_t c = 0; c < channels && c < kTwMaxChannels; ++c) run.channel[c] = pixels + c;
    return run;
}

TwRun TwInterleaved16(uint16_t* pixels, int32_t channels) {
    TwRun run = {2, channels, {}};
    for (int32_t c = 0; c < channels && c < kTwMaxChannels; ++c) run.channel[c] = pixels + c;
    return run;
}

TwRun TwPlanar8(uint8_t* pixels, int32_t channels, uint32_t planeStride) {
    TwRun run = {1, 1, {}};
    for (int32_t c = 0; c < channels && c < kTwMaxChannels; ++c) {
        run.channel[c] = pixels + size_t(c) * planeStride;
    }
    return run;
}

TwRun TwPlanar16(uint16_t* pixels, int32_t channels, uint32_t planeStride) {
    TwRun run = {2, 1, {}};
    for (int32_t c = 0; c < channels && c < kTwMaxChannels; ++c) {
        run.channel[c] = pixels + size_t(c) * planeStride;
    }
    return run;
}

static bool RunFits(const TwRun* run, int32_t depth, int32_t channels) {
    if (run == nullptr || run->depth != depth || run->step < 0) return false;
    for (int32_t c = 0; c < channels; ++c) {
        if (run->channel[c] == nullptr) return false;
    }
    return true;
}

int32_t ApplyTintwork(const Tintwork* tw, uint32_t count, const TwRun* inputs,
                      const TwRun* outputs) {
    if (tw == nullptr || !tw->finished || tw->kernel == nullptr) return kUiErrArg;
    if (!RunFits(inputs, tw->inputDepth, tw->inputChannels) ||
        !RunFits(outputs, tw->outputDepth, tw->outputChannels)) {
        return kUiErrArg;
    }
    if (count == 0) return kUiOk;
    KernelOnPath(tw->kernel)(tw, count, *inputs, *outputs);
    return kUiOk;
}

int32_t TwApplyPixel8(const Tintwork* tw, const uint8_t* in, uint16_t* out) {
    if (tw == nullptr || in == nullptr || out == nullptr) return kUiErrArg;
    uint8_t in8[kTwMaxChannels] = {}, out8[kTwMaxChannels] = {};
    uint16_t in16[kTwMaxChannels] = {}, out16[kTwMaxChannels] = {};
    for (int32_t c = 0; c < tw->inputChannels && c < kTwMaxChannels; ++c) {
        in8[c] = in[c];
        in16[c] = static_cast<uint16_t>(in[c] * 257);
    }
    const TwRun src = tw->inputDepth == 2 ? TwInterleaved16(in16, kTwMaxChannels)
                                          : TwInterleaved8(in8, kTwMaxChannels);
    const TwRun dst = tw->outputDepth == 2 ? TwInterleaved16(out16, kTwMaxChannels)
                                           : TwInterleaved8(out8, kTwMaxChannels);
    UI_TRY(ApplyTintwork(tw, 1, &src, &dst));
    for (int32_t k = 0; k < tw->outputChannels; ++k) {
        out[k] = tw->outputDepth == 2 ? out16[k] : out8[k];
    }
    return kUiOk;
}
