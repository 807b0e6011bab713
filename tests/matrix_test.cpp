#include "engine/matrix.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/alloc_failure_loop.h"
#include "ui/status.h"

namespace {

Matrix* Filled(int32_t n, const float* values) {
    Matrix* m = nullptr;
    if (MatrixAlloc(n, n, &m) != kUiOk) return nullptr;
    for (int32_t i = 0; i < n * n; ++i) m->v[i] = values[i];
    return m;
}

// Largest |(a · b − I)| entry.
double IdentityError(const Matrix* a, const Matrix* b) {
    const int32_t n = a->rows;
    double worst = 0.0;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) {
            double s = 0.0;
            for (int32_t k = 0; k < n; ++k) s += double(MatrixAt(a, r, k)) * MatrixAt(b, k, c);
            worst = std::fmax(worst, std::fabs(s - (r == c ? 1.0 : 0.0)));
        }
    return worst;
}

TEST(Matrix, AllocZeroFilledAndRefusesBadSizes) {
    Matrix* m = nullptr;
    ASSERT_EQ(MatrixAlloc(2, 5, &m), kUiOk);
    EXPECT_EQ(m->rows, 2);
    EXPECT_EQ(m->cols, 5);
    for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(m->v[i], 0.0f);
    MatrixAt(m, 1, 4) = 7.0f;
    EXPECT_EQ(m->v[9], 7.0f);
    EXPECT_EQ(MatrixFree(m), kUiOk);
    EXPECT_EQ(MatrixFree(nullptr), kUiOk);

    const int32_t bad[][2] = {
        {0, 3}, {3, 0}, {-1, 3}, {kMatrixMaxSide + 1, 1}, {1, kMatrixMaxSide + 1}};
    for (const auto& size : bad) {
        m = reinterpret_cast<Matrix*>(1);
        EXPECT_EQ(MatrixAlloc(size[0], size[1], &m), kUiErrArg) << size[0] << " x " << size[1];
        EXPECT_EQ(m, nullptr);
    }
    EXPECT_EQ(MatrixAlloc(3, 3, nullptr), kUiErrArg);
}

TEST(Matrix, InverseOfWellConditionedMatrices) {
    const float one[] = {4.0f};
    const float three[] = {2, -1, 0, -1, 2, -1, 0, -1, 2};
    // Needs a row exchange: the first pivot is 0.
    const float swap[] = {0, 1, 2, 1, 0, 3, 4, -3, 8};
    float five[25];
    uint32_t seed = 12345;
    for (int i = 0; i < 25; ++i) {
        seed = seed * 1103515245u + 12345u;
        five[i] = float((seed >> 16) % 2001) / 1000.0f - 1.0f + (i % 6 == 0 ? 4.0f : 0.0f);
    }
    const struct {
        int32_t n;
        const float* values;
    } cases[] = {{1, one}, {3, three}, {3, swap}, {5, five}};
    for (const auto& c : cases) {
        Matrix* m = Filled(c.n, c.values);
        ASSERT_NE(m, nullptr);
        Matrix* inv = nullptr;
        ASSERT_EQ(MatrixInvert(m, &inv), kUiOk) << c.n;
        EXPECT_EQ(inv->rows, c.n);
        EXPECT_LT(IdentityError(m, inv), 1e-5) << c.n;
        EXPECT_LT(IdentityError(inv, m), 1e-5) << c.n;
        MatrixFree(inv);
        MatrixFree(m);
    }
    // The tridiagonal case has a known exact inverse.
    Matrix* m = Filled(3, three);
    Matrix* inv = nullptr;
    ASSERT_EQ(MatrixInvert(m, &inv), kUiOk);
    const float expected[] = {0.75f, 0.5f, 0.25f, 0.5f, 1.0f, 0.5f, 0.25f, 0.5f, 0.75f};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(inv->v[i], expected[i], 1e-6f);
    MatrixFree(inv);
    MatrixFree(m);
}

TEST(Matrix, InvertRefusesWhatHasNoInverse) {
    const float zero[9] = {};
    const float equalRows[] = {1, 2, 3, 1, 2, 3, 0, 1, 5};
    const float dependent[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const float notFinite[] = {1, 0, 0, 0, NAN, 0, 0, 0, 1};
    const float infinite[] = {1, 0, 0, 0, INFINITY, 0, 0, 0, 1};
    for (const float* values : {zero, equalRows, dependent, notFinite, infinite}) {
        Matrix* m = Filled(3, values);
        Matrix* inv = reinterpret_cast<Matrix*>(1);
        EXPECT_EQ(MatrixInvert(m, &inv), kUiErrArg);
        EXPECT_EQ(inv, nullptr);
        MatrixFree(m);
    }
    Matrix* wide = nullptr;
    ASSERT_EQ(MatrixAlloc(2, 3, &wide), kUiOk);
    Matrix* inv = nullptr;
    EXPECT_EQ(MatrixInvert(wide, &inv), kUiErrArg);
    EXPECT_EQ(inv, nullptr);
    EXPECT_EQ(MatrixInvert(nullptr, &inv), kUiErrArg);
    EXPECT_EQ(MatrixInvert(wide, nullptr), kUiErrArg);
    MatrixFree(wide);
}

TEST(Matrix, InvertSurvivesAllocationFailures) {
    const float three[] = {2, -1, 0, -1, 2, -1, 0, -1, 2};
    Matrix* m = Filled(3, three);
    ASSERT_NE(m, nullptr);
    const uint32_t requests = RunAllocationFailureLoop([&] {
        Matrix* inv = reinterpret_cast<Matrix*>(1);
        const int32_t status = MatrixInvert(m, &inv);
        if (status == kUiOk) {
            MatrixFree(inv);
        } else {
            EXPECT_EQ(inv, nullptr);
        }
        return status;
    });
    EXPECT_EQ(requests, 2u);  // the working copy and the result
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m->v[i], three[i]);
    MatrixFree(m);
}

}  // namespace
