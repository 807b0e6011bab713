#include "engine/view_correction.h"

#include "engine/working_lab.h"
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
    ColourSampleMean mean = {{0, 0, 0}, count, {0, 0, 0}, {0, 0, 0}};
    if (count > 0)
        for (int32_t k = 0; k < 3; ++k) mean.rgb[k] = sum[k] / count / full;
    return mean;
}

// The mean as Lab and the colour's ideal at its lightness.
void PlaceOnIdeal(const WorkingLab& space, const MemoryColorFcn& fcn, ColourSampleMean* mean) {
    EncodedToLab(space, mean->rgb, mean->lab);
    MemoryColourIdealLab(fcn, mean->lab[0], mean->targetLab);
}

}  // namespace

int32_t CompileViewCorrection(const EditTWSource* source, int32_t outputDepth,
                              ViewCorrection* result) {
    if (source == nullptr || result == nullptr) return kUiErrArg;
    UI_TRY(MakeEditTWLevels(source, outputDepth, &result->transform, &result->levels));
    const IPImage& view = source->views[source->zoomed ? 1 : 0];
    const double full = view.bytesPerSample == 2 ? 65535.0 : 255.0;
    WorkingLab space;
    const bool lab = InitWorkingLab(source->editPars.refRGB, &space) == kUiOk;
    for (int32_t b = 0; b < kMemoryColorBins; ++b) {
        const MemoryColorBin& bin = source->editPars.customBinColors[b];
        result->means[b] = PooledMean(bin, full);
        if (lab && result->means[b].pixels > 0) PlaceOnIdeal(space, bin.fcn, &result->means[b]);
    }
    return kUiOk;
}

void FreeViewCorrection(ViewCorrection* result) {
    if (result == nullptr) return;
    FreeEditTW(result->transform);
    result->transform = nullptr;
}
