// Small dense matrices of f32 values, row-major, each one block of the guarded
// allocator: allocate, invert, release.
#pragma once

#include <cstdint>

struct Matrix {
    int32_t rows;
    int32_t cols;
    float* v;  // rows × cols values, row r at v + r × cols
};

constexpr int32_t kMatrixMaxSide = 1024;

// A zero-filled rows × cols matrix (1 .. kMatrixMaxSide each way); kUiErrArg
// for a bad size, kUiErrMemory when memory is short. *out is null on failure.
int32_t MatrixAlloc(int32_t rows, int32_t cols, Matrix** out);

// The inverse of a square matrix, computed in double precision with partial
// pivoting, as a new matrix. kUiErrArg when m is not square or is singular (or
// holds a value that is not finite), kUiErrMemory when memory is short. *inverse
// is null on failure.
int32_t MatrixInvert(const Matrix* m, Matrix** inverse);

// Releases a matrix; null is allowed. Always kUiOk. A matrix is a single
// allocator block, so UiOwned<Matrix> releases it as well.
int32_t MatrixFree(Matrix* m);

inline float& MatrixAt(Matrix* m, int32_t r, int32_t c) {
    return m->v[r * m->cols + c];
}
inline float MatrixAt(const Matrix* m, int32_t r, int32_t c) {
    return m->v[r * m->cols + c];
}
