// The grid of the compiled correction: 33 nodes per axis, each node's value
// the tone-curved grey decoded to linear light, the colour matrix, and the
// result encoded and rounded to the grid's code values.
#include "engine/colour_science.h"
#include "engine/compile_stages.h"
#include "ui/status.h"

namespace {

constexpr int32_t kMaxGridSide = 33;

// A finished Tintwork is handed over; anything half built is destroyed.
struct TintworkGuard {
    Tintwork* tw = nullptr;
    ~TintworkGuard() { DestroyTintwork(tw); }
};

}  // namespace

int32_t BuildCorrectionTintwork(const CompileParams& p, int32_t depth, const float* const tables[3],
                                const Matrix* m, Tintwork** out) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    if ((depth != 1 && depth != 2) || m == nullptr || m->rows != 3 || m->cols != 3)
        return kUiErrArg;
    if (p.gridSizeIndex < 0 || p.gridSizeIndex > kGridSizeIndex33) return kUiErrArg;
    const int32_t n = kGridSizes[p.gridSizeIndex];
    const uint32_t codeMax = depth == 1 ? 255u : 65535u;

    TintworkGuard guard;
    UI_TRY(CreateTintwork(&guard.tw, 3, 3, kTwSpaceRgb, kTwSpaceRgb, 1, kTwKindExplicit, depth));
    Tintwork* tw = guard.tw;

    // Node i = (i × max + (n − 1) / 2) / (n − 1): evenly from 0 to max, rounded.
    uint16_t nodes[kMaxGridSide];
    for (int32_t i = 0; i < n; ++i)
        nodes[i] = uint16_t((uint32_t(i) * codeMax + uint32_t(n - 1) / 2) / uint32_t(n - 1));
    for (int32_t c = 0; c < 3; ++c) UI_TRY(SetInputNodes(tw, c, uint32_t(n), nodes));

    // The tone curve of each channel at the nodes, in linear light.
    const float gamma = p.refRGB.gamma;
    float linear[3][kMaxGridSide];
    for (int32_t i = 0; i < n; ++i) {
        const float x = float(nodes[i]) / float(codeMax);
        for (int32_t c = 0; c < 3; ++c)
            linear[c][i] = SignedPow(FullToneCurve(p, c, x, tables[c]), gamma);
    }

    float mk[3][3];
    for (int32_t k = 0; k < 3; ++k)
        for (int32_t j = 0; j < 3; ++j) mk[k][j] = MatrixAt(m, k, j);
    const float inverseGamma = float(1.0 / gamma);
    const float scale = float(codeMax);

    uint32_t index = 0;
    for (int32_t i2 = 0; i2 < n; ++i2) {
        for (int32_t i1 = 0; i1 < n; ++i1) {
            for (int32_t i0 = 0; i0 < n; ++i0, ++index) {
                const float l[3] = {linear[0][i0], linear[1][i1], linear[2][i2]};
                uint16_t v16[3];
                uint8_t v8[3];
                for (int32_t j = 0; j < 3; ++j) {
                    const float mixed = mk[0][j] * l[0] + mk[1][j] * l[1] + mk[2][j] * l[2];
                    const float v = SignedPow(mixed, inverseGamma);
                    // Rounded by adding 0.5 and truncating, clamped to the code range.
                    const float q = scale * v + 0.5f;
                    const uint32_t code = !(q > 0.0f) ? 0u : (q >= scale ? codeMax : uint32_t(q));
                    v16[j] = uint16_t(code);
                    v8[j] = uint8_t(code);
                }
                UI_TRY(SetGridNode(tw, index, depth == 2 ? static_cast<const void*>(v16) : v8));
            }
        }
    }
    UI_TRY(SetDepth(tw, kTwSideInput, depth));
    UI_TRY(SetDepth(tw, kTwSideOutput, depth));
    UI_TRY(CheckTintwork(tw));
    *out = guard.tw;
    guard.tw = nullptr;
    return kUiOk;
}
