// Pairs of colours (a source and its target) added up in ten bands of CIE
// lightness, and the band means with the empty bands filled in, from which
// the grey-balance curves and the colour matrix are fitted.
#pragma once

#include <cstdint>

constexpr int32_t kLightnessBands = 10;

struct LightnessBins {
    double source[kLightnessBands][3];
    double target[kLightnessBands][3];
    uint32_t count[kLightnessBands];
};

struct BandMeans {
    float source[kLightnessBands][3];
    float target[kLightnessBands][3];
};

// Band of L* (0 .. 100): trunc(L* · 0.01 · 10), clamped to 0 .. 9.
int32_t LightnessBand(float lightness);

void AddToLightnessBins(LightnessBins* bins, float lightness, const float source[3],
                        const float target[3]);

// The mean of every band. An empty band below the first filled one lies on
// the line from black (0, 0, 0), one band below band 0, to that band; above
// the last filled band, on the line to white (1, 1, 1), one band above band
// 9; in a gap, on the line between its neighbours. False when every band is
// empty (means untouched).
bool FillBandMeans(const LightnessBins& bins, BandMeans* means);
