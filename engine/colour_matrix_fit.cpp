// The colour matrix: a 3 × 3 map on linear RGB fitted by least squares to the
// lightness-band means of every memory colour, then limited to a small
// distance from the identity.
#include <cmath>

#include "engine/colour_science.h"
#include "engine/compile_stages.h"
#include "engine/lightness_bins.h"
#include "engine/memory_colour.h"
#include "engine/working_space.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr float kDiagonalReach = 0.1f;     // diagonal within 1 ± 0.1
constexpr float kOffDiagonalReach = 0.1f;  // the others within ± 0.1
constexpr int32_t kMinPairs = 3;

bool IsSquare3(const Matrix* m) {
    return m != nullptr && m->rows == 3 && m->cols == 3 && m->v != nullptr;
}

void SetIdentity(Matrix* m) {
    for (int32_t r = 0; r < 3; ++r)
        for (int32_t c = 0; c < 3; ++c) MatrixAt(m, r, c) = r == c ? 1.0f : 0.0f;
}

// Normal equations of the fit: A = Σ s·sᵀ, B = Σ s·tᵀ over (source, target)
// pairs in linear RGB.
struct NormalEquations {
    double a[3][3];
    double b[3][3];
    int32_t pairs;
};

void AddPair(NormalEquations* n, const float s[3], const float t[3]) {
    for (int k = 0; k < 3; ++k) {
        for (int l = 0; l < 3; ++l) {
            n->a[k][l] += double(s[k]) * s[l];
            n->b[k][l] += double(s[k]) * t[l];
        }
    }
    ++n->pairs;
}

// The band means of one colour's samples: the fully curved colour against
// the target of the colour curved without grey balance, both linear, binned
// by the lightness of the target's source.
int32_t AddColourPairs(const CompileParams& p, int32_t i, const SampleColours& samples,
                       const float* const tables[3], const Matrix* toXYZ, const Matrix* toRGB,
                       NormalEquations* n) {
    LightnessBins bins{};
    for (int32_t s = 0; s < kSamplesPerBin; ++s) {
        if (!samples.present[i][s]) continue;
        float full[3], plain[3], target[3], lightness = 0.0f;
        for (int c = 0; c < 3; ++c) {
            plain[c] = ToneCurve(p, c, samples.rgb[i][s][c]);
            full[c] = tables[c] != nullptr ? GreyBalance(tables[c], plain[c]) : plain[c];
        }
        UI_TRY(
            MemoryColorTarget(p.colors[i].fcn, plain, p.refRGB, toXYZ, toRGB, target, &lightness));
        for (int c = 0; c < 3; ++c) {
            full[c] = EncodedToLinear(full[c], p.refRGB.gamma);
            target[c] = EncodedToLinear(target[c], p.refRGB.gamma);
        }
        AddToLightnessBins(&bins, lightness, full, target);
    }
    BandMeans means;
    if (!FillBandMeans(bins, &means)) return kUiOk;
    for (int32_t k = 0; k < kLightnessBands; ++k) AddPair(n, means.source[k], means.target[k]);
    return kUiOk;
}

// m = A⁻¹·B; false (m untouched) when A is singular.
int32_t Solve(const NormalEquations& n, Matrix* m, bool* solved) {
    *solved = false;
    Matrix* a = nullptr;
    UI_TRY(MatrixAlloc(3, 3, &a));
    UiOwned<Matrix> ownA(a);
    for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) MatrixAt(a, k, l) = float(n.a[k][l]);
    Matrix* inverse = nullptr;
    const int32_t status = MatrixInvert(a, &inverse);
    UiOwned<Matrix> ownInverse(inverse);
    if (status == kUiErrMemory) return status;
    if (status != kUiOk) return kUiOk;
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 3; ++j) {
            double v = 0.0;
            for (int l = 0; l < 3; ++l) v += double(MatrixAt(inverse, k, l)) * n.b[l][j];
            MatrixAt(m, k, j) = float(v);
        }
    }
    *solved = true;
    return kUiOk;
}

}  // namespace

void LimitTowardIdentity(Matrix* m) {
    if (!IsSquare3(m)) return;
    double fraction = 0.0;
    for (int32_t r = 0; r < 3; ++r) {
        for (int32_t c = 0; c < 3; ++c) {
            const double v = MatrixAt(m, r, c);
            if (!std::isfinite(v)) {
                SetIdentity(m);
                return;
            }
            const double identity = r == c ? 1.0 : 0.0;
            const double reach = r == c ? kDiagonalReach : kOffDiagonalReach;
            double bound;
            if (v > identity + reach)
                bound = identity + reach;
            else if (v < identity - reach)
                bound = identity - reach;
            else
                continue;
            const double f = (bound - v) / (identity - v);
            if (f > fraction) fraction = f;
        }
    }
    if (fraction <= 0.0) return;
    for (int32_t r = 0; r < 3; ++r) {
        for (int32_t c = 0; c < 3; ++c) {
            const double v = MatrixAt(m, r, c);
            MatrixAt(m, r, c) = float(v + fraction * ((r == c ? 1.0 : 0.0) - v));
        }
    }
}

int32_t FitColourMatrix(const CompileParams& p, const SampleColours& samples,
                        const float* const tables[3], const Matrix* toXYZ, const Matrix* toRGB,
                        Matrix* m) {
    if (!IsSquare3(m)) return kUiErrArg;
    SetIdentity(m);
    if (p.matrixOff == 1) return kUiOk;
    NormalEquations n{};
    for (int32_t i = 0; i < p.colorCount; ++i)
        UI_TRY(AddColourPairs(p, i, samples, tables, toXYZ, toRGB, &n));
    if (n.pairs < kMinPairs) return kUiOk;
    bool solved = false;
    UI_TRY(Solve(n, m, &solved));
    if (solved) LimitTowardIdentity(m);
    return kUiOk;
}
