#include "editor/filter_setup_geometry.h"

#include <algorithm>
#include <cmath>

#include "engine/noise_mask.h"

namespace {
// The filters' reach without noise removal: the sharpen's two pixels.
constexpr int32_t kSharpenReach = 2;

int32_t Round(double v) {
    return int32_t(std::lround(v));
}
}  // namespace

int32_t SharpenWindowMargin(int32_t chromaRadius1, int32_t chromaRadius2) {
    return std::clamp(std::max(chromaRadius1, chromaRadius2), kSharpenReach, kNoiseMaxRadius);
}

WindowSpan WindowSpanOf(int32_t side, int32_t view, int32_t zoom, double fraction) {
    WindowSpan s;
    s.count = std::clamp(Round(double(view) / zoom), 1, std::max(side, 1));
    const double hidden = std::max(0.0, double(side) * zoom - view);
    s.start = Round(hidden * fraction) / zoom;
    if (s.start + s.count > side) s.start = side - s.count;
    if (s.start < 0) s.start = 0;
    return s;
}

double CentreOfFraction(int32_t side, int32_t view, int32_t zoom, double fraction) {
    const double hidden = std::max(0.0, double(side) * zoom - view);
    return (hidden * fraction + view / 2.0) / zoom;
}

double FractionOfCentre(int32_t side, int32_t view, int32_t zoom, double centre) {
    const double hidden = double(side) * zoom - view;
    if (hidden <= 0) return 0.5;
    return std::clamp((centre * zoom - view / 2.0) / hidden, 0.0, 1.0);
}

void NavigatorFit(int32_t docW, int32_t docH, int32_t boxW, int32_t boxH, int32_t* navW,
                  int32_t* navH) {
    // The two fits: the box's width, or the box's height.
    const int32_t acrossH = Round(double(boxW) * docH / docW);
    const int32_t downW = Round(double(boxH) * docW / docH);
    const bool acrossFits = acrossH <= boxH;
    const bool downFits = downW <= boxW;
    if (acrossFits && (!downFits || int64_t(boxW) * acrossH >= int64_t(downW) * boxH)) {
        *navW = boxW;
        *navH = acrossH;
    } else {
        *navW = downW;
        *navH = boxH;
    }
    // A small document is shown at its own size.
    if (docW <= *navW || docH <= *navH) {
        *navW = docW;
        *navH = docH;
    }
}

int32_t SliderValue(int32_t x, int32_t left, int32_t width, int32_t low, int32_t high) {
    if (width < 2) return low;
    const int32_t at = std::clamp(x, left, left + width - 1) - left;
    return std::clamp(Round(low + double(at) / (width - 1) * (high - low)), low, high);
}

int32_t SliderPosition(int32_t value, int32_t left, int32_t width, int32_t low, int32_t high) {
    if (high <= low || width < 2) return left;
    const int32_t v = std::clamp(value, low, high);
    return left + Round(double(v - low) * (width - 1) / (high - low));
}

PassRect MarqueeOf(const PassRect& window, int32_t docW, int32_t docH, int32_t navW, int32_t navH,
                   int32_t navLeft, int32_t navTop) {
    const double sx = double(navW) / docW, sy = double(navH) / docH;
    return PassRect{navTop + Round(window.top * sy), navLeft + Round(window.left * sx),
                    navTop + Round(window.bottom * sy), navLeft + Round(window.right * sx)};
}
