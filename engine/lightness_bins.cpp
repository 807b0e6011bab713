#include "engine/lightness_bins.h"

#include <cmath>

int32_t LightnessBand(float lightness) {
    const double band = std::trunc(double(lightness) * 0.01 * kLightnessBands);
    if (!(band > 0.0)) return 0;
    return band >= kLightnessBands - 1 ? kLightnessBands - 1 : int32_t(band);
}

void AddToLightnessBins(LightnessBins* bins, float lightness, const float source[3],
                        const float target[3]) {
    const int32_t k = LightnessBand(lightness);
    for (int c = 0; c < 3; ++c) {
        bins->source[k][c] += source[c];
        bins->target[k][c] += target[c];
    }
    ++bins->count[k];
}

bool FillBandMeans(const LightnessBins& bins, BandMeans* means) {
    // Bands -1 (black) and kLightnessBands (white) anchor the ends.
    double value[kLightnessBands + 2][2][3];
    bool filled[kLightnessBands + 2] = {};
    for (int c = 0; c < 3; ++c) {
        value[0][0][c] = value[0][1][c] = 0.0;
        value[kLightnessBands + 1][0][c] = value[kLightnessBands + 1][1][c] = 1.0;
    }
    filled[0] = filled[kLightnessBands + 1] = true;
    bool any = false;
    for (int32_t k = 0; k < kLightnessBands; ++k) {
        if (bins.count[k] == 0) continue;
        any = true;
        filled[k + 1] = true;
        for (int c = 0; c < 3; ++c) {
            value[k + 1][0][c] = bins.source[k][c] / bins.count[k];
            value[k + 1][1][c] = bins.target[k][c] / bins.count[k];
        }
    }
    if (!any) return false;
    for (int32_t k = 1; k <= kLightnessBands; ++k) {
        if (filled[k]) continue;
        int32_t below = k - 1, above = k + 1;
        while (!filled[below]) --below;
        while (!filled[above]) ++above;
        const double t = double(k - below) / (above - below);
        for (int s = 0; s < 2; ++s)
            for (int c = 0; c < 3; ++c)
                value[k][s][c] = value[below][s][c] + (value[above][s][c] - value[below][s][c]) * t;
    }
    for (int32_t k = 0; k < kLightnessBands; ++k) {
        for (int c = 0; c < 3; ++c) {
            means->source[k][c] = float(value[k + 1][0][c]);
            means->target[k][c] = float(value[k + 1][1][c]);
        }
    }
    return true;
}
