#include "engine/view_correction.h"

#include "ui/status.h"

namespace {

// The pooled mean of a bin's samples; full is the view's code maximum.
ColourSampleMean PooledMean(const MemoryColorBin& bin, double full) {
    double sum[3] = {0, 0, 0};
    double count = 0;
    for (const MemorySample& s : bin.samplesBin) {
        if (s.count <= 0) continue;
        sum[0] += s.sumR;
        sum[1] += s.sumG;
        sum[2] += s.sumB;
        count += s.count;
    }
    ColourSampleMean mean = {{0, 0, 0}, count};
    if (count > 0)
        for (int32_t k = 0; k < 3; ++k) mean.rgb[k] = sum[k] / count / full;
    return mean;
}

}  // namespace

int32_t CompileViewCorrection(const EditTWSource* source, int32_t outputDepth,
                              ViewCorrection* result) {
    if (source == nullptr || result == nullptr) return kUiErrArg;
    UI_TRY(MakeEditTWLevels(source, outputDepth, &result->transform, &result->levels));
    const IPImage& view = source->views[source->zoomed ? 1 : 0];
    const double full = view.bytesPerSample == 2 ? 65535.0 : 255.0;
    for (int32_t b = 0; b < kMemoryColorBins; ++b)
        result->means[b] = PooledMean(source->editPars.customBinColors[b], full);
    return kUiOk;
}

void FreeViewCorrection(ViewCorrection* result) {
    if (result == nullptr) return;
    FreeEditTW(result->transform);
    result->transform = nullptr;
}
