#include "engine/sampled_curve.h"

#include <cmath>

#include "engine/colour_science.h"
#include "ui/status.h"

namespace {

// Bisection stops once the bracket on the segment parameter is this narrow.
constexpr double kBisectionWidth = 0.0001;

// Segment holding position u = x·(count − 1): the last knot belongs to the
// last segment.
int32_t SegmentOf(double u, int32_t count) {
    int32_t i = static_cast<int32_t>(u);
    if (i >= count - 1) i = count - 2;
    if (i < 0) i = 0;
    return i;
}

// Control value i, with the end neighbours reflected: p(-1) = 2p(0) - p(1),
// p(n) = 2p(n-1) - p(n-2).
double Control(const float* p, int32_t n, int32_t i) {
    if (i < 0) return 2.0 * p[0] - p[1];
    if (i >= n) return 2.0 * p[n - 1] - p[n - 2];
    return p[i];
}

struct Cubic {
    double c0, c1, c2, c3;
    double At(double t) const { return ((c3 * t + c2) * t + c1) * t + c0; }
};

Cubic SegmentCubic(const float* p, int32_t n, int32_t i) {
    const double q0 = Control(p, n, i - 1), q1 = Control(p, n, i);
    const double q2 = Control(p, n, i + 1), q3 = Control(p, n, i + 2);
    return {(q0 + 4.0 * q1 + q2) / 6.0, (3.0 * q2 - 3.0 * q0) / 6.0,
            (3.0 * q0 - 6.0 * q1 + 3.0 * q2) / 6.0, (-q0 + 3.0 * q1 - 3.0 * q2 + q3) / 6.0};
}

double Clamp(double v, double a, double b) {
    const double lo = a < b ? a : b, hi = a < b ? b : a;
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

int32_t EvalLinearCurve(const float* values, int32_t count, float x, float* y) {
    if (values == nullptr || y == nullptr || count < 2 || std::isnan(x)) return kUiErrArg;
    if (x < 0.0f || x > 1.0f) {
        const int32_t mode = GetColorCheckMode();
        if (mode == kColorCheckStrict) return kUiErrArg;
        if (mode == kColorCheckOff) {
            *y = x;
            return kUiOk;
        }
        x = x < 0.0f ? 0.0f : 1.0f;
    }
    const double u = double(x) * (count - 1);
    const int32_t i = SegmentOf(u, count);
    *y = static_cast<float>(values[i] + (double(values[i + 1]) - values[i]) * (u - i));
    return kUiOk;
}

int32_t EvalSplineCurve(const float* values, int32_t count, float x, float* y) {
    if (values == nullptr || y == nullptr || count < 2 || std::isnan(x)) return kUiErrArg;
    if (x <= 0.0f) {
        *y = values[0];
        return kUiOk;
    }
    if (x >= 1.0f) {
        *y = values[count - 1];
        return kUiOk;
    }
    if (count == 2) return EvalLinearCurve(values, count, x, y);
    const double u = double(x) * (count - 1);
    const int32_t i = SegmentOf(u, count);
    *y = static_cast<float>(SegmentCubic(values, count, i).At(u - i));
    return kUiOk;
}

int32_t InvertLinearCurve(const float* values, int32_t count, float v, float* x) {
    if (values == nullptr || x == nullptr || count < 2 || std::isnan(v)) return kUiErrArg;
    const double target = Clamp(v, values[0], values[count - 1]);
    // First segment with the value between its ends, the lower end included;
    // the last segment when none holds it.
    int32_t i = 1;
    for (; i < count - 1; ++i) {
        const double a = values[i - 1], b = values[i];
        if ((a <= target && target < b) || (a >= target && target > b)) break;
    }
    const double a = values[i - 1], b = values[i];
    if (a == b) return kUiErrArg;
    *x = static_cast<float>(((i - 1) + (target - a) / (b - a)) / (count - 1));
    return kUiOk;
}

int32_t InvertSplineCurve(const float* values, int32_t count, float v, float* x) {
    if (values == nullptr || x == nullptr || count < 2 || std::isnan(v)) return kUiErrArg;
    if (count == 2) return InvertLinearCurve(values, count, v, x);
    const double target = Clamp(v, values[0], values[count - 1]);
    // The spline's value at knot i is (p(i-1) + 4p(i) + p(i+1)) / 6, which is
    // c0 of segment i; the last knot is the last control value.
    int32_t seg = count - 2;
    for (int32_t i = 0; i < count - 1; ++i) {
        const double k0 = SegmentCubic(values, count, i).c0;
        const double k1 =
            (i + 1 < count - 1) ? SegmentCubic(values, count, i + 1).c0 : values[count - 1];
        if ((k0 <= target && target <= k1) || (k0 >= target && target >= k1)) {
            seg = i;
            break;
        }
    }
    const Cubic c = SegmentCubic(values, count, seg);
    const bool rising = c.At(1.0) >= c.At(0.0);
    double lo = 0.0, hi = 1.0;
    while (hi - lo >= kBisectionWidth) {
        const double mid = 0.5 * (lo + hi);
        if ((c.At(mid) < target) == rising)
            lo = mid;
        else
            hi = mid;
    }
    *x = static_cast<float>((seg + 0.5 * (lo + hi)) / (count - 1));
    return kUiOk;
}
