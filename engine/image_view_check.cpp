#include "engine/image_view_check.h"

#include "ui/status.h"

int32_t CheckImageView(const IPImage* view) {
    if (view == nullptr || view->kind != kIPImageColour) return kUiErrArg;
    if (view->planeCount != 3 && view->planeCount != 4) return kUiErrArg;
    if (view->bytesPerSample != 1 && view->bytesPerSample != 2) return kUiErrArg;
    if (view->width < 0 || view->width > kIPImageMaxSide) return kUiErrArg;
    if (view->height < 0 || view->height > kIPImageMaxSide) return kUiErrArg;
    if (view->sampleStride == 0 || view->rowStride == 0) return kUiErrArg;
    for (int32_t k = 0; k < view->planeCount; ++k)
        if (view->planes[k] == nullptr) return kUiErrArg;
    return kUiOk;
}

int32_t CheckSelectionMask(const SelectionMask* mask, const IPImage* view) {
    if (mask == nullptr) return kUiOk;
    if (view == nullptr || mask->bits == nullptr) return kUiErrArg;
    if (mask->width != view->width || mask->height != view->height) return kUiErrArg;
    if (mask->rowBytes < (int64_t(mask->width) + 7) / 8) return kUiErrArg;
    return kUiOk;
}
