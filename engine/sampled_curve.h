// Sampled curves over the unit interval: count >= 2 f32 control values, value i
// standing at position i / (count - 1). Evaluation is linear or by a uniform
// cubic B-spline (an approximating spline that meets the first and last control
// values); the inverses assume a monotonic curve, rising or falling.
// Statuses: kUiOk done, kUiErrArg bad argument (too few values, an input that
// is not a number, a flat segment that cannot be inverted).
#pragma once

#include <cstdint>

// Outside [0, 1] x follows the colour check mode: strict fails with kUiErrArg,
// clamp clamps it, off returns x unchanged.
int32_t EvalLinearCurve(const float* values, int32_t count, float x, float* y);

// x below 0 gives the first value, above 1 the last; count 2 is linear.
int32_t EvalSplineCurve(const float* values, int32_t count, float x, float* y);

// Position at which EvalLinearCurve gives v (v clamped to the curve's range).
int32_t InvertLinearCurve(const float* values, int32_t count, float v, float* x);

// Position at which EvalSplineCurve gives v, found by bisection to within 1e-4
// of a segment; count 2 is linear.
int32_t InvertSplineCurve(const float* values, int32_t count, float v, float* x);
