// The Tintwork object: creation with its checks, consistency check, release.
#include <cstring>

#include "engine/tintwork.h"
#include "engine/tintwork_internal.h"
#include "ui/allocator.h"
#include "ui/status.h"

int32_t TwSpaceChannels(int32_t space) {
    switch (space) {
        case kTwSpaceRgb:
        case kTwSpaceLab:
        case kTwSpaceLuv:
            return 3;
        case kTwSpaceCmyk:
            return 4;
        case kTwSpaceGrey:
            return 1;
        default:
            return 0;
    }
}

bool TwIsTableOnly(const Tintwork* tw) {
    return tw->hasGrid == 0 || tw->inputChannels == 1;
}

uint32_t TwFullTableLength(int32_t gridDepth) {
    return gridDepth == 2 ? 65536u : 256u;
}

uint32_t TwGridMax(int32_t gridDepth) {
    return gridDepth == 2 ? 65535u : 255u;
}

uint32_t TwCodeMax(int32_t depth) {
    return depth == 2 ? 65535u : 255u;
}

TwShape TwShapeOf(const Tintwork* tw) {
    if (tw->hasGrid == 0) return kTwShapeNoGrid;
    if (tw->inputChannels == 1) return kTwShapeOneInput;
    if (tw->inputChannels == 2) return kTwShapeGrid2;
    return tw->inputChannels == 4 ? kTwShapeGrid4 : kTwShapeGrid3;
}

// The rules shared by creation and the check: kUiErrArg or kUiErrUnsupported by the rule broken.
static int32_t CheckKindAndSpaces(int32_t inputChannels, int32_t outputChannels, int32_t inputSpace,
                                  int32_t outputSpace, int32_t hasGrid, int32_t kind,
                                  int32_t gridDepth) {
    if (hasGrid != 0 && hasGrid != 1) return kUiErrArg;
    if (kind < kTwKindUniform0 || kind > kTwKindExplicit) return kUiErrArg;
    if (inputChannels < 1 || inputChannels > kTwMaxChannels) return kUiErrArg;
    if (outputChannels < 1 || outputChannels > kTwMaxChannels) return kUiErrArg;
    if (!hasGrid && (inputChannels != outputChannels || inputSpace != outputSpace)) {
        return kUiErrArg;
    }
    if (kind == kTwKindUniform1 &&
        (!hasGrid || inputSpace == kTwSpaceGrey || outputSpace == kTwSpaceGrey)) {
        return kUiErrUnsupported;
    }
    if (kind == kTwKindUniform0 &&
        (!hasGrid || inputSpace == kTwSpaceGrey || outputSpace == kTwSpaceGrey ||
         TwSpaceLightnessFirst(inputSpace) || TwSpaceLightnessFirst(outputSpace))) {
        return kUiErrUnsupported;
    }
    if (kind != kTwKindExplicit && gridDepth != 1) return kUiErrArg;
    if (gridDepth != 1 && gridDepth != 2) return kUiErrArg;
    if (TwSpaceChannels(inputSpace) != inputChannels) return kUiErrArg;
    if (TwSpaceChannels(outputSpace) != outputChannels) return kUiErrArg;
    return kUiOk;
}

int32_t CreateTintwork(Tintwork** out, int32_t inputChannels, int32_t outputChannels,
                       int32_t inputSpace, int32_t outputSpace, int32_t hasGrid, int32_t kind,
                       int32_t gridDepth) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    UI_TRY(CheckKindAndSpaces(inputChannels, outputChannels, inputSpace, outputSpace, hasGrid, kind,
                              gridDepth));
    Tintwork* tw = static_cast<Tintwork*>(Ui_Malloc(sizeof(Tintwork)));
    if (tw == nullptr) return kUiErrMemory;
    std::memset(tw, 0, sizeof(*tw));
    tw->kind = kind;
    tw->inputChannels = inputChannels;
    tw->outputChannels = outputChannels;
    tw->inputSpace = inputSpace;
    tw->outputSpace = outputSpace;
    tw->hasGrid = hasGrid;
    tw->gridDepth = gridDepth;
    tw->shift = gridDepth == 2 ? 23 : 15;
    tw->rounding = gridDepth == 2 ? 4194304 : 16384;
    tw->inputDepth = 1;
    tw->outputDepth = 1;
    for (int32_t c = 0; c < kTwMaxChannels; ++c) {
        tw->inputChannel[c].nodeCount = 1;
        tw->inputChannel[c].rangeMax = 255;
        tw->outputChannel[c].rangeMax = 255;
    }
    for (int32_t k = 0; k < outputChannels; ++k) {
        const int32_t status = TwBuildOutputTable(tw, k);
        if (status != kUiOk) {
            DestroyTintwork(tw);
            return status;
        }
    }
    *out = tw;
    return kUiOk;
}

void TwFreeDerivedTables(Tintwork* tw) {
    for (int32_t c = 0; c < kTwMaxChannels; ++c) {
        TWInput& in = tw->inputChannel[c];
        Ui_Free(in.nodeMap);
        Ui_Free(in.offsetTable);
        Ui_Free(in.fraction);
        Ui_Free(in.located);
        in.nodeMap = nullptr;
        in.offsetTable = nullptr;
        in.fraction = nullptr;
        in.located = nullptr;
        TWOutput& o = tw->outputChannel[c];
        Ui_Free(o.table8);
        Ui_Free(o.table16);
        o.table8 = nullptr;
        o.table16 = nullptr;
        tw->outputLookup[c] = nullptr;
        Ui_Free(tw->direct[c]);
        tw->direct[c] = nullptr;
    }
}

void DestroyTintwork(Tintwork* tw) {
    if (tw == nullptr) return;
    TwFreeDerivedTables(tw);
    Ui_Free(tw->grid);
    Ui_Free(tw);
}

static int32_t CheckInputTables(const Tintwork* tw, const TWInput& in) {
    const uint32_t n = in.nodeCount;
    if (n < 2 || n > kTwMaxNodes) return kUiErrArg;
    if (in.fraction == nullptr || in.offsetTable == nullptr || in.located == nullptr) {
        return kUiErrArg;
    }
    if (in.nodes[0] != 0 || in.nodes[n - 1] != TwGridMax(tw->gridDepth)) return kUiErrArg;
    for (uint32_t i = 1; i < n; ++i) {
        if (in.nodes[i] <= in.nodes[i - 1]) return kUiErrArg;
    }
    if ((in.nodeMap != nullptr) != (tw->inputDepth == 2)) return kUiErrArg;
    return kUiOk;
}

int32_t CheckTintwork(const Tintwork* tw) {
    if (tw == nullptr) return kUiErrArg;
    if (CheckKindAndSpaces(tw->inputChannels, tw->outputChannels, tw->inputSpace, tw->outputSpace,
                           tw->hasGrid, tw->kind, tw->gridDepth) != kUiOk) {
        return kUiErrArg;
    }
    if (tw->inputDepth < 1 || tw->inputDepth > 2) return kUiErrArg;
    if (tw->outputDepth < 1 || tw->outputDepth > 2) return kUiErrArg;
    if (!tw->finished || tw->grid == nullptr || tw->kernel == nullptr) return kUiErrArg;
    if (TwIsTableOnly(tw)) {
        for (int32_t c = 0; c < tw->inputChannels; ++c) {
            if (tw->inputChannel[c].nodeCount != TwFullTableLength(tw->gridDepth)) {
                return kUiErrArg;
            }
        }
        for (int32_t k = 0; k < tw->outputChannels; ++k) {
            if (tw->direct[k] == nullptr) return kUiErrArg;
        }
    } else {
        for (int32_t c = 0; c < tw->inputChannels; ++c) {
            UI_TRY(CheckInputTables(tw, tw->inputChannel[c]));
        }
    }
    for (int32_t k = 0; k < tw->outputChannels; ++k) {
        const TWOutput& o = tw->outputChannel[k];
        if (tw->outputDepth == 1 && o.table8 == nullptr) return kUiErrArg;
        const bool fullRange16 = o.rangeMin == 0 && o.rangeMax == 65535;
        if (tw->outputDepth == 2 && (o.table16 != nullptr) == fullRange16) return kUiErrArg;
    }
    return kUiOk;
}
