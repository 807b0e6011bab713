// A correction compiled for tests of its exports: settings with brightness,
// contrast and a sampled skin colour, compiled against a gradient image.
#pragma once

#include <gtest/gtest.h>

#include "engine/compile_edit_tw.h"
#include "tests/support/edit_pars_samples.h"
#include "tests/support/interleaved_view.h"
#include "ui/status.h"

// Owns the compiled Tintwork.
struct CompiledCorrection {
    EditPars pars;
    TWHandle handle{};
    ~CompiledCorrection() { DestroyTintwork(handle.tintwork); }
    const Tintwork* tw() const { return handle.tintwork; }
};

// Smooth gradients over every lightness band, 8- or 16-bit.
inline InterleavedImage CorrectionGradient(int32_t w, int32_t h, int32_t depth) {
    InterleavedImage im(w, h, depth);
    const uint32_t max = depth == 1 ? 255 : 65535;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const double u = double(x) / (w - 1), v = double(y) / (h - 1);
            im.SetPixel(x, y, uint32_t(max * (0.05 + 0.9 * u)), uint32_t(max * (0.1 + 0.8 * v)),
                        uint32_t(max * (0.05 + 0.9 * (1 - u) * v)));
        }
    return im;
}

// The default settings, or brightness 0.6, contrast 0.58 and a skin sample
// that is too green.
inline EditPars CorrectionPars(bool neutral) {
    EditPars pars = DefaultPars();
    if (neutral) return pars;
    pars.brightness = 0.6f;
    pars.contrast = 0.58f;
    const int32_t n = 50;
    pars.customBinColors[1].samplesBin[6] = MemorySample{200.0f * n, 185.0f * n, 140.0f * n, n};
    return pars;
}

// space: a working space other than the default, or null.
inline void CompileCorrection(bool neutral, int32_t depth, CompiledCorrection* out,
                              const RefRGB* space = nullptr) {
    out->pars = CorrectionPars(neutral);
    if (space != nullptr) out->pars.refRGB = *space;
    InterleavedImage im = CorrectionGradient(48, 32, depth);
    IPImage view = im.View();
    ASSERT_EQ(CompileEditTW(&out->pars, &view, nullptr, &out->handle), kUiOk);
}
