// The grey-balance curves: per channel a table that carries the tone-curved
// colours of the memory-colour samples to their targets, built from the
// lightness-band means of all samples through a pair of splines.
#include <algorithm>

#include "engine/compile_stages.h"
#include "engine/lightness_bins.h"
#include "engine/memory_colour.h"
#include "engine/sampled_curve.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

constexpr int32_t kControls = kLightnessBands + 2;  // black, the bands, white
constexpr float kSeparation = 1e-5f;
constexpr float kMaxSlope = 2.0f;
constexpr float kEntryStep = 0.01010101f;  // 1 / 99, as the slope is measured
constexpr int32_t kMaxSmoothingRounds = 100;
constexpr int32_t kControlSpacing = 9;  // entries between smoothing controls

float EntryPosition(int32_t i) {
    return float(i) / float(kGreyBalanceEntries - 1);
}

void SetIdentity(float* table) {
    for (int32_t i = 0; i < kGreyBalanceEntries; ++i) table[i] = EntryPosition(i);
}

float SteepestSlope(const float* table) {
    float steepest = 0.0f;
    for (int32_t i = 1; i < kGreyBalanceEntries; ++i)
        steepest = std::max(steepest, (table[i] - table[i - 1]) / kEntryStep);
    return steepest;
}

// table[i] = targets(sources⁻¹(i / 99)): the spline through the sources
// inverted, then the spline through the targets. False when a source
// segment is flat and cannot be inverted.
bool MapThroughSplines(const float* sources, const float* targets, float* table) {
    for (int32_t i = 0; i < kGreyBalanceEntries; ++i) {
        float position = 0.0f;
        if (InvertSplineCurve(sources, kControls, EntryPosition(i), &position) != kUiOk ||
            EvalSplineCurve(targets, kControls, position, &table[i]) != kUiOk) {
            return false;
        }
    }
    return true;
}

}  // namespace

void SeparateControlValues(float* p, int32_t n) {
    for (int32_t i = n / 2 - 1; i >= 0; --i) {
        if (p[i + 1] != p[i]) continue;
        const float up = p[i] + kSeparation;
        p[i + 1] = (i + 2 < n && up >= p[i + 2]) ? 0.5f * (p[i] + p[i + 2]) : up;
    }
    for (int32_t i = n / 2 + 1; i < n; ++i) {
        if (p[i - 1] != p[i]) continue;
        const float down = p[i] - kSeparation;
        p[i - 1] = (i >= 2 && down <= p[i - 2]) ? 0.5f * (p[i - 2] + p[i]) : down;
    }
}

void LimitGreyBalanceSlope(float* table) {
    for (int32_t round = 0; round < kMaxSmoothingRounds && SteepestSlope(table) > kMaxSlope;
         ++round) {
        float controls[kControls];
        for (int32_t j = 0; j < kControls; ++j) controls[j] = table[kControlSpacing * j];
        SeparateControlValues(controls, kControls);
        for (int32_t i = 0; i < kGreyBalanceEntries; ++i)
            EvalSplineCurve(controls, kControls, EntryPosition(i), &table[i]);
    }
}

int32_t BuildGreyBalance(const CompileParams& p, const SampleColours& samples, const Matrix* toXYZ,
                         const Matrix* toRGB, float* const tables[3]) {
    for (int c = 0; c < 3; ++c) SetIdentity(tables[c]);
    LightnessBins bins{};
    for (int32_t i = 0; i < p.colorCount; ++i) {
        for (int32_t s = 0; s < kSamplesPerBin; ++s) {
            if (!samples.present[i][s]) continue;
            float curved[3], target[3], lightness = 0.0f;
            for (int c = 0; c < 3; ++c) curved[c] = ToneCurve(p, c, samples.rgb[i][s][c]);
            UI_TRY(MemoryColorTarget(p.colors[i].fcn, curved, p.refRGB, toXYZ, toRGB, target,
                                     &lightness));
            AddToLightnessBins(&bins, lightness, curved, target);
        }
    }
    BandMeans means;
    if (!FillBandMeans(bins, &means)) return kUiOk;

    for (int c = 0; c < 3; ++c) {
        float sources[kControls], targets[kControls];
        sources[0] = targets[0] = 0.0f;
        sources[kControls - 1] = targets[kControls - 1] = 1.0f;
        for (int32_t k = 0; k < kLightnessBands; ++k) {
            sources[k + 1] = means.source[k][c];
            targets[k + 1] = means.target[k][c];
        }
        std::sort(sources, sources + kControls);
        std::sort(targets, targets + kControls);
        SeparateControlValues(sources, kControls);
        SeparateControlValues(targets, kControls);
        if (!MapThroughSplines(sources, targets, tables[c])) {
            Ui_Debug_Logf(1, "BuildGreyBalance: channel %d has flat sample colours", c);
            SetIdentity(tables[c]);
            continue;
        }
        LimitGreyBalanceSlope(tables[c]);
    }
    return kUiOk;
}
