#include "editor/filter_settings.h"

#include <cstring>

#include "ui/status.h"

FilterSettings FilterSettingsOf(const EditPars& pars) {
    FilterSettings f;
    f.doSharpen = pars.doSharpen;
    f.sharpen = SharpenSettings{pars.sharpenStrength, pars.sharpenMode};
    f.doRemoveNoise = pars.doRemoveNoise;
    f.noise.noiseFlag = pars.noiseFlag;
    for (int32_t c = 0; c < kNoiseChannels; ++c) {
        f.noise.noiseRadius[c] = pars.noiseRadius[c];
        f.noise.noiseThreshold[c] = pars.noiseThreshold[c];
    }
    f.noise.noiseExtra = pars.noiseExtra;
    return f;
}

void PutSharpenSettings(const SharpenSettings& settings, EditPars* pars) {
    pars->sharpenStrength = settings.sharpenStrength;
    pars->sharpenMode = settings.sharpenMode;
}

void PutNoiseSettings(const NoiseSettings& settings, EditPars* pars) {
    pars->noiseFlag = settings.noiseFlag;
    for (int32_t c = 0; c < kNoiseChannels; ++c) {
        pars->noiseRadius[c] = settings.noiseRadius[c];
        pars->noiseThreshold[c] = settings.noiseThreshold[c];
    }
    pars->noiseExtra = settings.noiseExtra;
}

void PutFilterSettings(const FilterSettings& settings, EditPars* pars) {
    pars->doSharpen = settings.doSharpen;
    PutSharpenSettings(settings.sharpen, pars);
    pars->doRemoveNoise = settings.doRemoveNoise;
    PutNoiseSettings(settings.noise, pars);
}

int32_t StartFilterSettings(FilterSettings* settings) {
    if (settings == nullptr) return kUiErrArg;
    EditPars start;
    std::memset(&start, 0, sizeof start);
    UI_TRY(SetStartEditParsExtension(&start));
    *settings = FilterSettingsOf(start);
    return kUiOk;
}

NoiseParams NoiseParamsOf(const NoiseSettings& settings, int32_t width, int32_t height,
                          int32_t depth, bool planar) {
    NoiseParams n = {};
    n.width = uint32_t(width);
    n.height = uint32_t(height);
    n.colorKind = kTwSpaceRgb;
    n.lumaChroma = settings.noiseFlag;
    n.channels = 3;
    for (int32_t c = 0; c < 3; ++c) {
        n.radius[c] = settings.noiseRadius[c];
        n.threshold[c] = settings.noiseThreshold[c];
    }
    n.maskShape = uint32_t(settings.noiseExtra);
    n.planarOutput = planar ? 1 : 0;
    n.order = kRowOrderIdentity3;
    n.outputDepth = uint32_t(depth);
    return n;
}

ViewRenderFilters ViewRenderFiltersOf(const FilterSettings& settings) {
    ViewRenderFilters f = {};
    f.sharpenStrength = settings.doSharpen == 1 ? settings.sharpen.sharpenStrength : 0;
    f.sharpenSelector = settings.sharpen.sharpenMode;
    f.removeNoise = settings.doRemoveNoise == 1 ? 1 : 0;
    f.noise = NoiseParamsOf(settings.noise, 0, 0, 1, false);
    return f;
}
