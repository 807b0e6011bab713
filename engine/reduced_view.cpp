#include "engine/reduced_view.h"

#include <cstring>

#include "engine/image_scale.h"
#include "engine/preview_plan.h"
#include "ui/status.h"

namespace {

constexpr int32_t kSelectedAbove = 128;

int32_t Smaller(int64_t a, int64_t b) {
    return int32_t(a < b ? a : b);
}

// Reduces view into the box where it lies: the scaler writes the produced
// image over the top left of the view's own samples, with its strides (each
// output row lies on a source row it has already consumed). The view then
// shows the produced size. The scaler wants a box of at least 2 x 2 and never
// enlarges, so a box side of 1 is widened for it only.
int32_t ScaleInPlace(IPImage* view, int32_t boxW, int32_t boxH) {
    IPImage box = *view;
    box.width = boxW < 2 ? 2 : boxW;
    box.height = boxH < 2 ? 2 : boxH;
    int32_t producedW = 0, producedH = 0;
    UI_TRY(IPScaleImageDown2(view, kIPScaleTent, &box, &producedW, &producedH, nullptr, nullptr));
    view->width = producedW;
    view->height = producedH;
    return kUiOk;
}

}  // namespace

int32_t PlanReducedRead(const PassRect& filter, int32_t previewWidth, int32_t previewHeight,
                        ReducedRead* read) {
    const int64_t fw = int64_t(filter.right) - filter.left;
    const int64_t fh = int64_t(filter.bottom) - filter.top;
    if (read == nullptr || fw < 1 || fh < 1 || previewWidth < 1 || previewHeight < 1)
        return kUiErrArg;
    read->boxWidth = Smaller(previewWidth, fw);
    read->boxHeight = Smaller(previewHeight, fh);
    read->factor = PreviewReductionFactor(fw, fh, read->boxWidth, read->boxHeight);
    const int32_t step = PreviewSubsampling(read->factor);
    read->step = step;
    // Each edge divided by the step; at least one pixel each way.
    PassRect area = {filter.top / step, filter.left / step, filter.bottom / step,
                     filter.right / step};
    if (area.bottom <= area.top) area.bottom = area.top + 1;
    if (area.right <= area.left) area.right = area.left + 1;
    read->area = area;
    return kUiOk;
}

int32_t ReduceIntoBox(const ReducedRead& read, IPImage* source, IPImage* mask) {
    if (read.factor == 1) return kUiOk;
    UI_TRY(ScaleInPlace(source, read.boxWidth, read.boxHeight));
    if (mask != nullptr && mask->kind == kIPImageMask)
        UI_TRY(ScaleInPlace(mask, read.boxWidth, read.boxHeight));
    return kUiOk;
}

void ConvertColour16(IPImage* view) {
    if (view->bytesPerSample != 2) return;
    const IPImage& v = *view;
    for (int32_t k = 0; k < 3; ++k) {
        uint16_t* plane = static_cast<uint16_t*>(v.planes[k]);
        for (int32_t y = 0; y < v.height; ++y) {
            uint16_t* s = plane + int64_t(y) * v.rowStride;
            for (int32_t x = 0; x < v.width; ++x, s += v.sampleStride)
                *s = uint16_t((*s > 32767 ? 32767 : *s) * 2);
        }
    }
    view->hostRange = 1;
}

void FinishReducedView(IPImage* source) {
    ConvertColour16(source);
}

uint8_t ViewSampleByte(const IPImage& v, int32_t k, int32_t x, int32_t y) {
    const int64_t at = int64_t(y) * v.rowStride + int64_t(x) * v.sampleStride;
    if (v.bytesPerSample == 1) return static_cast<const uint8_t*>(v.planes[k])[at];
    const uint16_t s = static_cast<const uint16_t*>(v.planes[k])[at];
    return k < 3 ? uint8_t(s >> 8) : HostSampleByte16(s);
}

bool ViewHasSelection(const IPImage& source, const IPImage& mask) {
    return mask.kind == kIPImageMask || source.planeCount > 3;
}

int64_t MarkSelectedPixels(const IPImage& src, const IPImage& maskView, uint8_t* bits) {
    const bool mask = maskView.kind == kIPImageMask;
    const bool transparency = src.planeCount > 3;
    const int32_t rowBytes = SelectionRowBytes(src.width);
    std::memset(bits, 0, size_t(rowBytes) * size_t(src.height));
    int64_t selected = 0;
    for (int32_t y = 0; y < src.height; ++y)
        for (int32_t x = 0; x < src.width; ++x) {
            if (mask && ViewSampleByte(maskView, 0, x, y) <= kSelectedAbove) continue;
            if (transparency && ViewSampleByte(src, 3, x, y) <= kSelectedAbove) continue;
            bits[int64_t(y) * rowBytes + (x >> 3)] |= uint8_t(1u << (x & 7));
            ++selected;
        }
    return selected;
}
