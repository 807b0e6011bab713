// The sharpen and noise-removal settings as one value: the fields of the
// settings record's extension block, kept apart where a run needs its own
// copy of them (the stored defaults, the filtering pass's copy).
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"

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
// The settings a reset run starts from (SetStartEditParsExtension), both
// filters off.
int32_t StartFilterSettings(FilterSettings* settings);
