#include "engine/tone_curve.h"

#include <cmath>

#include "engine/sampled_curve.h"
#include "ui/status.h"

namespace {

// Spans narrower than this are treated as empty.
constexpr float kMinSpan = 1e-6f;

float Clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

}  // namespace

float BiasFunction(float a, float y) {
    return (1.0f - 2.0f * a) * y * y + 2.0f * a * y;
}

float BiasTwice(float a, float y) {
    return BiasFunction(a, BiasFunction(a, y));
}

float LevelsCurve(float x, float black, float white, float mid) {
    if (mid == 0.5f) {
        if (std::fabs(white - black) < kMinSpan) return x;
        return Clamp01((x - black) / (white - black));
    }
    const float level = (white - black) * mid + black;
    if (x < level) {
        // x lies below a mid level that sits on the black point: its limit.
        const float span = level - black;
        return span < kMinSpan ? 0.0f : Clamp01(0.5f * (x - black) / span);
    }
    // A mid level on (or above) the white point: the limit of the upper
    // branch is 1, where the formula would divide 0 by 0.
    const float span = white - level;
    return span < kMinSpan ? 1.0f : Clamp01(0.5f + 0.5f * (x - level) / span);
}

float ToneCurve(const CompileParams& p, int32_t c, float x) {
    float y = LevelsCurve(x, p.blackPoint[c], p.whitePoint[c], p.midGray[c]);
    y = BiasTwice(p.brightness, y);
    if (y > 0.5f) return 0.5f + 0.5f * BiasTwice(p.contrast, 2.0f * (y - 0.5f));
    return 0.5f * BiasTwice(1.0f - p.contrast, 2.0f * y);
}

float GreyBalance(const float* table, float y) {
    float out = y;
    if (EvalLinearCurve(table, kGreyBalanceEntries, y, &out) != kUiOk) return y;
    return out;
}

float FullToneCurve(const CompileParams& p, int32_t c, float x, const float* table) {
    const float y = ToneCurve(p, c, x);
    return table != nullptr ? GreyBalance(table, y) : y;
}
