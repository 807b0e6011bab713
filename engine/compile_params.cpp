#include "engine/compile_params.h"

#include "engine/compile_stages.h"

void InitCompileParams(CompileParams* p, const EditPars& pars) {
    *p = CompileParams{};
    p->refRGB = pars.refRGB;
    p->gridSizeIndex = kGridSizeIndex33;
    p->matrixOff = 0;
    p->doAutoBlack = pars.doAutoBlack;
    p->doAutoMidGray = pars.doAutoMidGray;
    p->doAutoWhite = pars.doAutoWhite;
    p->blackClipFraction = kBlackClipFraction;
    p->midGrayFraction = kMidGrayFraction;
    p->whiteClipFraction = kWhiteClipFraction;
    for (int c = 0; c < 3; ++c) {
        p->blackPoint[c] = 0.0f;
        p->midGray[c] = 0.5f;
        p->whitePoint[c] = 1.0f;
    }
    p->autoBlackAmount = pars.autoBlackAmount;
    p->autoMidGrayAmount = pars.autoMidGrayAmount;
    p->autoWhiteAmount = pars.autoWhiteAmount;
    p->brightness = pars.brightness;
    p->contrast = pars.contrast;
    p->colorCount = 0;
    p->colors = nullptr;
    p->currentColor = 0;
}

bool IsUsableBin(const MemoryColorBin& bin) {
    if (bin.haveDef != 1) return false;
    for (const MemorySample& s : bin.samplesBin)
        if (s.count > 0) return true;
    return false;
}

void MeanSampleColours(const CompileParams& p, int32_t bytesPerSample, SampleColours* out) {
    *out = SampleColours{};
    const double codeMax = bytesPerSample == 2 ? 65535.0 : 255.0;
    for (int32_t i = 0; i < p.colorCount && i < kMemoryColorBins; ++i) {
        for (int32_t s = 0; s < kSamplesPerBin; ++s) {
            const MemorySample& m = p.colors[i].samples[s];
            if (m.count <= 0) continue;
            const double scale = 1.0 / (double(m.count) * codeMax);
            out->rgb[i][s][0] = float(m.sumR * scale);
            out->rgb[i][s][1] = float(m.sumG * scale);
            out->rgb[i][s][2] = float(m.sumB * scale);
            out->present[i][s] = true;
        }
    }
}
