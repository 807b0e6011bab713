#include "engine/sampled_curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/colour_science.h"
#include "ui/status.h"

namespace {

using Curve = std::vector<float>;

float Eval(int32_t (*eval)(const float*, int32_t, float, float*), const Curve& c, float x) {
    float y = NAN;
    EXPECT_EQ(eval(c.data(), int32_t(c.size()), x, &y), kUiOk) << x;
    return y;
}

TEST(SampledCurve, LinearEvaluation) {
    const Curve c = {0.0f, 0.5f, 0.6f, 1.0f};
    const float cases[][2] = {{0, 0},        {1.0f / 6, 0.25f}, {1.0f / 3, 0.5f},
                              {0.5f, 0.55f}, {2.0f / 3, 0.6f},  {0.75f, 0.7f},
                              {1, 1}};
    for (const auto& k : cases) EXPECT_NEAR(Eval(EvalLinearCurve, c, k[0]), k[1], 1e-6f) << k[0];
    EXPECT_EQ(Eval(EvalLinearCurve, c, 1.0f), 1.0f);  // the last point is the last segment's end
}

TEST(SampledCurve, LinearOutsideTheUnitIntervalFollowsTheCheckMode) {
    const Curve c = {0.2f, 0.8f};
    float y = 0;
    EXPECT_EQ(Eval(EvalLinearCurve, c, -0.5f), 0.2f);  // clamp
    EXPECT_EQ(Eval(EvalLinearCurve, c, 7.0f), 0.8f);
    {
        ColorCheckModeScope off(kColorCheckOff);
        EXPECT_EQ(Eval(EvalLinearCurve, c, -0.5f), -0.5f);
        EXPECT_EQ(Eval(EvalLinearCurve, c, 7.0f), 7.0f);
    }
    {
        ColorCheckModeScope strict(kColorCheckStrict);
        EXPECT_EQ(EvalLinearCurve(c.data(), 2, -0.5f, &y), kUiErrArg);
        EXPECT_EQ(EvalLinearCurve(c.data(), 2, 1.5f, &y), kUiErrArg);
        EXPECT_NEAR(Eval(EvalLinearCurve, c, 0.5f), 0.5f, 1e-6f);
    }
}

TEST(SampledCurve, BadArgumentsOfEveryOperation) {
    const Curve c = {0.0f, 0.5f, 1.0f};
    float out = 0;
    for (const auto op : {EvalLinearCurve, EvalSplineCurve, InvertLinearCurve, InvertSplineCurve}) {
        EXPECT_EQ(op(c.data(), 1, 0.5f, &out), kUiErrArg);
        EXPECT_EQ(op(c.data(), 0, 0.5f, &out), kUiErrArg);
        EXPECT_EQ(op(nullptr, 3, 0.5f, &out), kUiErrArg);
        EXPECT_EQ(op(c.data(), 3, 0.5f, nullptr), kUiErrArg);
        EXPECT_EQ(op(c.data(), 3, NAN, &out), kUiErrArg);
    }
}

TEST(SampledCurve, SplineEndsAndConstants) {
    const Curve c = {0.1f, 0.7f, 0.3f, 0.9f, 0.4f};
    EXPECT_EQ(Eval(EvalSplineCurve, c, 0.0f), 0.1f);
    EXPECT_EQ(Eval(EvalSplineCurve, c, 1.0f), 0.4f);
    EXPECT_EQ(Eval(EvalSplineCurve, c, -3.0f), 0.1f);
    EXPECT_EQ(Eval(EvalSplineCurve, c, 3.0f), 0.4f);
    {
        // The spline's ends do not depend on the check mode.
        ColorCheckModeScope strict(kColorCheckStrict);
        EXPECT_EQ(Eval(EvalSplineCurve, {0.2f, 0.8f}, -1.0f), 0.2f);
    }
    // Near the ends the reflected neighbours make it approach the end values.
    EXPECT_NEAR(Eval(EvalSplineCurve, c, 1e-6f), 0.1f, 1e-5f);
    EXPECT_NEAR(Eval(EvalSplineCurve, c, 1.0f - 1e-6f), 0.4f, 1e-5f);
    // An approximating spline: inner knots give (p[i-1] + 4 p[i] + p[i+1]) / 6.
    EXPECT_NEAR(Eval(EvalSplineCurve, c, 0.25f), (0.1f + 4 * 0.7f + 0.3f) / 6, 1e-6f);
    EXPECT_NEAR(Eval(EvalSplineCurve, c, 0.5f), (0.7f + 4 * 0.3f + 0.9f) / 6, 1e-6f);
    const Curve flat = {0.42f, 0.42f, 0.42f};
    for (int i = 0; i <= 20; ++i) EXPECT_NEAR(Eval(EvalSplineCurve, flat, i / 20.0f), 0.42f, 1e-7f);
    EXPECT_EQ(Eval(EvalSplineCurve, flat, 1.0f), 0.42f);
    // Two values: the straight line.
    EXPECT_NEAR(Eval(EvalSplineCurve, {0.2f, 0.8f}, 0.25f), 0.35f, 1e-6f);
}

// Uniform B-splines reproduce straight lines, and the reflected end
// neighbours continue the line, so control values on a line give the line.
TEST(SampledCurve, SplineReproducesStraightLines) {
    for (const int n : {3, 4, 12, 33}) {
        Curve c(n);
        for (int i = 0; i < n; ++i) c[i] = 0.3f - 0.9f * i / (n - 1);
        for (int k = 0; k <= 1000; ++k) {
            const float x = k / 1000.0f;
            EXPECT_NEAR(Eval(EvalSplineCurve, c, x), 0.3f - 0.9f * x, 2e-6f) << n << " " << x;
        }
    }
}

TEST(SampledCurve, SplineIsContinuousAtKnots) {
    const Curve c = {0.0f, 0.05f, 0.3f, 0.35f, 0.7f, 0.95f, 1.0f};
    for (int i = 1; i < 6; ++i) {
        const float knot = i / 6.0f;
        EXPECT_NEAR(Eval(EvalSplineCurve, c, std::nextafter(knot, 0.0f)),
                    Eval(EvalSplineCurve, c, knot), 1e-5f)
            << i;
    }
}

TEST(SampledCurve, LinearInverseRoundTripsRisingAndFalling) {
    const Curve rising = {0.0f, 0.1f, 0.15f, 0.5f, 0.9f, 1.0f};
    const Curve falling = {1.0f, 0.7f, 0.65f, 0.2f, 0.0f};
    for (const Curve& c : {rising, falling})
        for (int k = 0; k <= 200; ++k) {
            const float x = k / 200.0f;
            float back = NAN;
            ASSERT_EQ(
                InvertLinearCurve(c.data(), int32_t(c.size()), Eval(EvalLinearCurve, c, x), &back),
                kUiOk);
            EXPECT_NEAR(back, x, 2e-6f) << x;
        }
    // v is clamped to the curve's range first.
    float x = NAN;
    ASSERT_EQ(InvertLinearCurve(rising.data(), 6, -1.0f, &x), kUiOk);
    EXPECT_EQ(x, 0.0f);
    ASSERT_EQ(InvertLinearCurve(rising.data(), 6, 2.0f, &x), kUiOk);
    EXPECT_EQ(x, 1.0f);
    ASSERT_EQ(InvertLinearCurve(falling.data(), 5, 2.0f, &x), kUiOk);
    EXPECT_EQ(x, 0.0f);
    // A flat step inside the curve is passed over; flat ends cannot be inverted.
    const Curve step = {0.0f, 0.5f, 0.5f, 1.0f};
    ASSERT_EQ(InvertLinearCurve(step.data(), 4, 0.5f, &x), kUiOk);
    EXPECT_NEAR(x, 2.0f / 3, 1e-6f);
    const Curve level = {0.5f, 0.5f};
    EXPECT_EQ(InvertLinearCurve(level.data(), 2, 0.5f, &x), kUiErrArg);
}

TEST(SampledCurve, SplineInverseRoundTrips) {
    // Twelve rising control values as the grey-balance curves use them.
    const Curve c = {0.0f, 0.05f, 0.12f, 0.2f, 0.33f, 0.41f, 0.5f, 0.6f, 0.72f, 0.8f, 0.93f, 1.0f};
    const Curve falling = {0.9f, 0.6f, 0.5f, 0.1f};
    for (const Curve& curve : {c, falling})
        for (int k = 0; k <= 200; ++k) {
            const float x = k / 200.0f;
            float back = NAN;
            ASSERT_EQ(InvertSplineCurve(curve.data(), int32_t(curve.size()),
                                        Eval(EvalSplineCurve, curve, x), &back),
                      kUiOk);
            // Bisection to 1e-4 of a segment.
            EXPECT_NEAR(back, x, 1e-4f / (curve.size() - 1)) << x;
        }
    float x = NAN;
    ASSERT_EQ(InvertSplineCurve(c.data(), 12, -5.0f, &x), kUiOk);
    EXPECT_NEAR(x, 0.0f, 1e-5f);
    ASSERT_EQ(InvertSplineCurve(c.data(), 12, 5.0f, &x), kUiOk);
    EXPECT_NEAR(x, 1.0f, 1e-5f);
    const Curve two = {0.2f, 0.6f};  // linear inverse
    ASSERT_EQ(InvertSplineCurve(two.data(), 2, 0.3f, &x), kUiOk);
    EXPECT_NEAR(x, 0.25f, 1e-6f);
}

}  // namespace
