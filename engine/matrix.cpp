#include "engine/matrix.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "ui/allocator.h"
#include "ui/status.h"

namespace {

// A pivot this small relative to the largest entry means the matrix is singular
// in f32 terms (a few units of f32 rounding): its inverse would be dominated by
// the rounding of its entries.
constexpr double kSingularRatio = 1e-6;

// Gauss-Jordan elimination of the n × 2n augmented matrix [a | I] in place.
int32_t InvertAugmented(double* a, int32_t n) {
    const int32_t w = 2 * n;
    double largest = 0.0;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) largest = std::fmax(largest, std::fabs(a[r * w + c]));
    if (!(largest > 0.0) || !std::isfinite(largest)) return kUiErrArg;

    for (int32_t col = 0; col < n; ++col) {
        int32_t pivot = col;
        for (int32_t r = col + 1; r < n; ++r)
            if (std::fabs(a[r * w + col]) > std::fabs(a[pivot * w + col])) pivot = r;
        if (std::fabs(a[pivot * w + col]) <= kSingularRatio * largest) return kUiErrArg;
        if (pivot != col)
            for (int32_t c = 0; c < w; ++c) std::swap(a[pivot * w + c], a[col * w + c]);

        const double scale = 1.0 / a[col * w + col];
        for (int32_t c = 0; c < w; ++c) a[col * w + c] *= scale;
        for (int32_t r = 0; r < n; ++r) {
            if (r == col) continue;
            const double f = a[r * w + col];
            if (f == 0.0) continue;
            for (int32_t c = 0; c < w; ++c) a[r * w + c] -= f * a[col * w + c];
        }
    }
    return kUiOk;
}

}  // namespace

int32_t MatrixAlloc(int32_t rows, int32_t cols, Matrix** out) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    if (rows < 1 || cols < 1 || rows > kMatrixMaxSide || cols > kMatrixMaxSide) return kUiErrArg;
    // Header and values in one block, so a matrix is never half-built.
    const size_t count = size_t(rows) * size_t(cols);
    const size_t bytes = sizeof(Matrix) + count * sizeof(float);
    void* block = Ui_MallocArray(bytes, 1);
    if (block == nullptr) return kUiErrMemory;
    std::memset(block, 0, bytes);
    Matrix* m = static_cast<Matrix*>(block);
    m->rows = rows;
    m->cols = cols;
    m->v = reinterpret_cast<float*>(static_cast<unsigned char*>(block) + sizeof(Matrix));
    *out = m;
    return kUiOk;
}

int32_t MatrixInvert(const Matrix* m, Matrix** inverse) {
    if (inverse == nullptr) return kUiErrArg;
    *inverse = nullptr;
    if (m == nullptr || m->rows != m->cols) return kUiErrArg;
    const int32_t n = m->rows;

    UiOwned<double> work(
        static_cast<double*>(Ui_MallocArray(size_t(n) * size_t(2 * n), sizeof(double))));
    if (!work) return kUiErrMemory;
    double* a = work.get();
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) {
            a[r * 2 * n + c] = MatrixAt(m, r, c);
            a[r * 2 * n + n + c] = (r == c) ? 1.0 : 0.0;
        }
    UI_TRY(InvertAugmented(a, n));

    Matrix* result = nullptr;
    UI_TRY(MatrixAlloc(n, n, &result));
    bool finite = true;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) {
            const float v = static_cast<float>(a[r * 2 * n + n + c]);
            finite = finite && std::isfinite(v);
            MatrixAt(result, r, c) = v;
        }
    if (!finite) {
        MatrixFree(result);
        return kUiErrArg;
    }
    *inverse = result;
    return kUiOk;
}

int32_t MatrixFree(Matrix* m) {
    Ui_Free(m);
    return kUiOk;
}
