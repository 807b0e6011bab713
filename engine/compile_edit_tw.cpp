#include "engine/compile_edit_tw.h"

#include <cmath>
#include <cstring>

#include "engine/compile_params.h"
#include "engine/compile_stages.h"
#include "engine/image_view_check.h"
#include "engine/tone_analysis.h"
#include "engine/working_space.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

struct MatrixGuard {
    Matrix* m = nullptr;
    ~MatrixGuard() { MatrixFree(m); }
};

// The usable bins, in bin order, with their samples; colors stays null
// without any.
int32_t CollectColours(const EditPars& pars, CompileParams* p, UiOwned<CompileColor>* owner) {
    int32_t count = 0;
    for (const MemoryColorBin& bin : pars.customBinColors) count += IsUsableBin(bin) ? 1 : 0;
    if (count == 0) return kUiOk;
    owner->p = static_cast<CompileColor*>(Ui_MallocArray(size_t(count), sizeof(CompileColor)));
    if (!*owner) return kUiErrMemory;
    int32_t i = 0;
    for (const MemoryColorBin& bin : pars.customBinColors) {
        if (!IsUsableBin(bin)) continue;
        CompileColor& c = owner->p[i++];
        c.fcn = bin.fcn;
        c.pointCount = 0;
        c.points = nullptr;
        c.sampleCount = kSamplesPerBin;
        std::memcpy(c.samples, bin.samplesBin, sizeof c.samples);
    }
    p->colors = owner->p;
    p->colorCount = count;
    return kUiOk;
}

bool UsableGamma(float gamma) {
    return gamma >= kMinWorkingGamma && gamma <= kMaxWorkingGamma;
}

}  // namespace

int32_t CompileEditTW(const EditPars* pars, const IPImage* view, const SelectionMask* mask,
                      TWHandle* handle) {
    return CompileEditTWLevels(pars, view, mask, handle, nullptr);
}

int32_t CompileEditTWLevels(const EditPars* pars, const IPImage* view, const SelectionMask* mask,
                            TWHandle* handle, ToneLevels* levels) {
    if (pars == nullptr || handle == nullptr || handle->tintwork != nullptr) return kUiErrArg;
    if (CheckImageView(view) != kUiOk || CheckSelectionMask(mask, view) != kUiOk) return kUiErrArg;
    if (!UsableGamma(pars->refRGB.gamma)) return kUiErrArg;

    CompileParams p;
    InitCompileParams(&p, *pars);
    UiOwned<CompileColor> colours;
    UI_TRY(CollectColours(*pars, &p, &colours));

    // A working space whose matrices cannot be built counts as memory short.
    MatrixGuard toXYZ, toRGB;
    if (MakeRGBToXYZ(p.refRGB.primaries, p.refRGB.xyzWhite, &toXYZ.m) != kUiOk ||
        MakeXYZToRGB(p.refRGB.primaries, p.refRGB.xyzWhite, &toRGB.m) != kUiOk) {
        return kUiErrMemory;
    }
    UiOwned<float> grey(
        static_cast<float*>(Ui_MallocArray(3 * size_t(kGreyBalanceEntries), sizeof(float))));
    if (!grey) return kUiErrMemory;
    float* const tables[3] = {grey.get(), grey.get() + kGreyBalanceEntries,
                              grey.get() + 2 * kGreyBalanceEntries};
    MatrixGuard colourMatrix;
    UI_TRY(MatrixAlloc(3, 3, &colourMatrix.m));

    if (p.doAutoBlack || p.doAutoWhite || p.doAutoMidGray) UI_TRY(AnalyzeTones(&p, view, mask));
    SampleColours samples;
    MeanSampleColours(p, view->bytesPerSample, &samples);
    UI_TRY(BuildGreyBalance(p, samples, toXYZ.m, toRGB.m, tables));
    UI_TRY(FitColourMatrix(p, samples, tables, toXYZ.m, toRGB.m, colourMatrix.m));

    Tintwork* tw = nullptr;
    UI_TRY(BuildCorrectionTintwork(p, view->bytesPerSample, tables, colourMatrix.m, &tw));
    handle->inputChannels = tw->inputChannels;
    handle->outputChannels = tw->outputChannels;
    handle->inputSpace = tw->inputSpace;
    handle->outputSpace = tw->outputSpace;
    handle->gridDepth = tw->gridDepth;
    handle->inputDepth = tw->inputDepth;
    handle->outputDepth = tw->outputDepth;
    handle->tintwork = tw;
    if (levels != nullptr) {
        std::memcpy(levels->blackPoint, p.blackPoint, sizeof levels->blackPoint);
        std::memcpy(levels->midGray, p.midGray, sizeof levels->midGray);
        std::memcpy(levels->whitePoint, p.whitePoint, sizeof levels->whitePoint);
    }
    return kUiOk;
}

int32_t TWHandleSetDepth(TWHandle* handle, int32_t side, int32_t depth) {
    if (handle == nullptr || handle->tintwork == nullptr) return kUiErrArg;
    UI_TRY(SetDepth(handle->tintwork, side, depth));
    handle->inputDepth = handle->tintwork->inputDepth;
    handle->outputDepth = handle->tintwork->outputDepth;
    return kUiOk;
}

void FreeEditTW(TWHandle* handle) {
    if (handle == nullptr) return;
    DestroyTintwork(handle->tintwork);
    Ui_Free(handle);
}

int32_t MakeEditTW(const EditTWSource* source, int32_t outputDepth, TWHandle** slot) {
    return MakeEditTWLevels(source, outputDepth, slot, nullptr);
}

int32_t MakeEditTWLevels(const EditTWSource* source, int32_t outputDepth, TWHandle** slot,
                         ToneLevels* levels) {
    if (source == nullptr || slot == nullptr) return kUiErrArg;
    const uint8_t log = source->diagnostics;
    Ui_Debug_Log(log, "MakeEditTW...");
    if (*slot != nullptr) {
        Ui_Debug_Log(log, "MakeEditTW: TWLFree...");
        FreeEditTW(*slot);
        *slot = nullptr;
        Ui_Debug_Log(log, "...done");
    }
    int32_t status = outputDepth == 1 || outputDepth == 2 ? kUiOk : kUiErrArg;
    UiOwned<TWHandle> handle;
    if (status == kUiOk) {
        handle.p = static_cast<TWHandle*>(Ui_Malloc(sizeof(TWHandle)));
        if (!handle) status = kUiErrMemory;
    }
    if (status == kUiOk) {
        std::memset(handle.get(), 0, sizeof(TWHandle));
        const IPImage* view = &source->views[source->zoomed ? 1 : 0];
        status =
            CompileEditTWLevels(&source->editPars, view, source->selection, handle.get(), levels);
    }
    if (status == kUiOk) status = TWHandleSetDepth(handle.get(), kTwSideOutput, outputDepth);
    if (status != kUiOk) {
        if (handle) DestroyTintwork(handle.p->tintwork);
        Ui_Alert_ReportErrorf(source->ui, status, kStrCtxCreatingTintwork, nullptr);
        return status;
    }
    *slot = handle.release();
    Ui_Debug_Log(log, "MakeEditTW done");
    return kUiOk;
}

void FreeEditStateTW(const EditTWSource* source, TWHandle** slot) {
    if (slot == nullptr || *slot == nullptr) return;
    const uint8_t log = source != nullptr ? source->diagnostics : 0;
    Ui_Debug_Log(log, "FreeEditPars: TWLFreeTW...");
    FreeEditTW(*slot);
    *slot = nullptr;
    Ui_Debug_Log(log, "...done");
    Ui_Debug_Log(log, "FreeEditPars done");
}
