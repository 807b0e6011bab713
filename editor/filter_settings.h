// The sharpen and noise-removal settings as one value: the fields of the
// settings record's extension block, kept apart where a run needs its own
// copy of them (the stored defaults, the filtering pass's copy).
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"
#include "engine/noise.h"
#include "engine/view_render.h"

struct SharpenSettings {
    int32_t sharpenStrength;
    int32_t sharpenMode;
};

struct NoiseSettings {
    uint8_t noiseFlag;
    int32_t noiseRadius[kNoiseChannels];
    int32_t noiseThreshold[kNoiseChannels];
    int32_t noiseExtra;
};

struct FilterSettings {
    uint8_t doSharpen;
    SharpenSettings sharpen;
    uint8_t doRemoveNoise;
    NoiseSettings noise;
};

FilterSettings FilterSettingsOf(const EditPars& pars);
void PutFilterSettings(const FilterSettings& settings, EditPars* pars);
void PutSharpenSettings(const SharpenSettings& settings, EditPars* pars);
void PutNoiseSettings(const NoiseSettings& settings, EditPars* pars);
// The noise engine's parameters for RGB rows of width x height at `depth`
// bytes a sample (rows out at the same depth, planar when asked): the
// luminance-chrominance switch, the radii and thresholds of the three
// colour channels and the mask shape. The row sink is the caller's.
NoiseParams NoiseParamsOf(const NoiseSettings& settings, int32_t width, int32_t height,
                          int32_t depth, bool planar);
// The filters a view is rendered with: those of settings that are on.
ViewRenderFilters ViewRenderFiltersOf(const FilterSettings& settings);
// The settings a reset run starts from (SetStartEditParsExtension), both
// filters off.
int32_t StartFilterSettings(FilterSettings* settings);
