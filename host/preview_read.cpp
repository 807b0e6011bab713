#include "host/preview_read.h"

#include <algorithm>
#include <cstring>

#include "engine/image_scale.h"
#include "host/host_rects.h"
#include "host/memory_plan.h"
#include "host/module_state.h"
#include "host/preview_request.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr int32_t kSelectedAbove = 128;

int32_t Smaller(int64_t a, int64_t b) {
    return int32_t(a < b ? a : b);
}

// A view of new interleaved memory of w x h with the planes of like.
int32_t NewView(const IPImage& like, int32_t w, int32_t h, uint8_t** memory, IPImage* view) {
    const int32_t bytes = like.bytesPerSample;
    uint8_t* p = static_cast<uint8_t*>(
        Ui_MallocArray(size_t(w) * size_t(h), size_t(like.planeCount) * size_t(bytes)));
    if (p == nullptr) return kUiErrMemory;
    *memory = p;
    *view = like;
    view->width = w;
    view->height = h;
    view->sampleStride = like.planeCount;
    view->rowStride = w * like.planeCount;
    for (int32_t k = 0; k < like.planeCount; ++k) view->planes[k] = p + k * bytes;
    return kUiOk;
}

// Reduces src into new memory that fits the box; the scaler's failure is
// alerted. The scaler wants a box of at least 2 x 2 and never enlarges, so a
// box side of 1 is widened for it only.
int32_t ScaleIntoBox(const IPImage& src, int32_t boxW, int32_t boxH, uint8_t** memory, IPImage* out,
                     bool* alerted) {
    const int32_t w = boxW < 2 ? 2 : boxW, h = boxH < 2 ? 2 : boxH;
    int32_t status = NewView(src, w, h, memory, out);
    if (status != kUiOk) return status;
    int32_t producedW = 0, producedH = 0;
    status = IPScaleImageDown2(&src, kIPScaleTent, out, &producedW, &producedH, nullptr, nullptr);
    if (status != kUiOk) {
        Ui_Alert_ReportErrorf(gUiState, status, kStrCtxScalingImage, nullptr);
        *alerted = true;
        return status;
    }
    out->width = producedW;
    out->height = producedH;
    return kUiOk;
}

// Sample k of pixel (x, y) as a byte: the high byte of a converted 16-bit
// sample. The colour planes are converted already; a transparency sample
// still has the host's range and is taken as it would be converted.
uint8_t ByteAt(const IPImage& v, int32_t k, int32_t x, int32_t y) {
    const int64_t at = int64_t(y) * v.rowStride + int64_t(x) * v.sampleStride;
    if (v.bytesPerSample == 1) return static_cast<const uint8_t*>(v.planes[k])[at];
    const uint16_t s = static_cast<const uint16_t*>(v.planes[k])[at];
    return k < 3 ? uint8_t(s >> 8) : HostSampleByte16(s);
}

// The 8-bit preview: the colour samples, then the mask byte when there is one.
int32_t BuildPreview(EditState* e) {
    const IPImage& src = e->sourceView;
    const bool mask = e->maskView.kind == kIPImageMask;
    e->previewChannels = mask ? 4 : 3;
    e->preview = static_cast<uint8_t*>(
        Ui_MallocArray(size_t(src.width) * size_t(src.height), size_t(e->previewChannels)));
    if (e->preview == nullptr) return kUiErrMemory;
    uint8_t* p = e->preview;
    for (int32_t y = 0; y < src.height; ++y)
        for (int32_t x = 0; x < src.width; ++x) {
            for (int32_t k = 0; k < 3; ++k) *p++ = ByteAt(src, k, x, y);
            if (mask) *p++ = ByteAt(e->maskView, 0, x, y);
        }
    return kUiOk;
}

// One bit per preview pixel for the selected ones: the mask above 128 and,
// with a fourth plane, the transparency above 128. -2 (alerted) when no pixel
// is selected.
int32_t BuildSelection(EditState* e) {
    const IPImage& src = e->sourceView;
    const bool mask = e->maskView.kind == kIPImageMask;
    const bool transparency = src.planeCount > 3;
    if (!mask && !transparency) return kUiOk;
    const int32_t rowBytes = (src.width + 7) / 8;
    e->selectionBits = static_cast<uint8_t*>(Ui_MallocArray(size_t(rowBytes), size_t(src.height)));
    if (e->selectionBits == nullptr) return kUiErrMemory;
    std::memset(e->selectionBits, 0, size_t(rowBytes) * size_t(src.height));
    int64_t selected = 0;
    for (int32_t y = 0; y < src.height; ++y)
        for (int32_t x = 0; x < src.width; ++x) {
            if (mask && ByteAt(e->maskView, 0, x, y) <= kSelectedAbove) continue;
            if (transparency && ByteAt(src, 3, x, y) <= kSelectedAbove) continue;
            e->selectionBits[int64_t(y) * rowBytes + (x >> 3)] |= uint8_t(1u << (x & 7));
            ++selected;
        }
    e->selection = SelectionMask{src.width, src.height, rowBytes, e->selectionBits};
    if (selected > 0) return kUiOk;
    char text[256];
    Ui_ResToCString(gUiState, kStrSelectionEmpty, text, sizeof text);
    Ui_Alert_StopOne(gUiState, text, nullptr, 0);
    return kUiErrGeneral;
}

// *alerted tells a failure the scaler's alert has shown from one not shown.
int32_t ReadInto(EditState* e, int32_t previewWidth, int32_t previewHeight, bool* alerted) {
    const PassRect filter = ToPassRect(GetFilterRect());
    const int64_t fw = int64_t(filter.right) - filter.left;
    const int64_t fh = int64_t(filter.bottom) - filter.top;
    if (fw < 1 || fh < 1 || previewWidth < 1 || previewHeight < 1) return kUiErrArg;
    e->boxWidth = Smaller(previewWidth, fw);
    e->boxHeight = Smaller(previewHeight, fh);
    const int32_t factor = PreviewReductionFactor(fw, fh, e->boxWidth, e->boxHeight);
    const int32_t step = PreviewSubsampling(factor);
    // Each edge divided by the step; at least one pixel each way.
    PassRect area = {filter.top / step, filter.left / step, filter.bottom / step,
                     filter.right / step};
    if (area.bottom <= area.top) area.bottom = area.top + 1;
    if (area.right <= area.left) area.right = area.left + 1;
    Ui_Debug_Logf(gDiagnostics, "reduced read: factor %d, step %d, box %d x %d", int(factor),
                  int(step), int(e->boxWidth), int(e->boxHeight));
    int32_t status = RequestHostArea(area, step);
    if (status != kUiOk) return status;

    e->sourceView = HostImageView(area);
    e->maskView = HostMaskView(area);
    if (factor != 1) {
        IPImage scaled;
        status = ScaleIntoBox(e->sourceView, e->boxWidth, e->boxHeight, &e->readPixels, &scaled,
                              alerted);
        if (status != kUiOk) return status;
        if (e->maskView.kind == kIPImageMask) {
            IPImage mask;
            status =
                ScaleIntoBox(e->maskView, e->boxWidth, e->boxHeight, &e->readMask, &mask, alerted);
            if (status != kUiOk) return status;
            e->maskView = mask;
        }
        e->sourceView = scaled;
        // The host's rectangles now describe what the views show.
        const PassRect produced = {area.top, area.left, area.top + scaled.height,
                                   area.left + scaled.width};
        SetInRect(ToHostRect(produced));
        if (Host_HasMask()) SetMaskRect(ToHostRect(produced));
        SetOutRect(ToHostRect(PassRect{0, 0, 0, 0}));
    }
    ConvertColour16(e->sourceView);
    e->previewReduced =
        e->sourceView.width != fw || e->sourceView.height != fh ? uint8_t(1) : uint8_t(0);
    status = BuildPreview(e);
    if (status != kUiOk) return status;
    return BuildSelection(e);
}

}  // namespace

int32_t ReadReducedImage(EditState* edit, int32_t previewWidth, int32_t previewHeight) {
    if (edit == nullptr) return kUiErrArg;
    FreePreviewImages(edit);
    Ui_Debug_Log(gDiagnostics, "ReadReducedImage...");
    bool alerted = false;
    const int32_t status = ReadInto(edit, previewWidth, previewHeight, &alerted);
    // Memory short, or a rectangle without area: not yet shown.
    if ((status == kUiErrMemory || status == kUiErrArg) && !alerted)
        Ui_Alert_ReportErrorf(gUiState, status, kStrCtxReadingImage, nullptr, edit->title);
    if (status != kUiOk) FreePreviewImages(edit);
    Ui_Debug_Logf(gDiagnostics, "...ReadReducedImage %d (%d x %d)", int(status),
                  int(edit->sourceView.width), int(edit->sourceView.height));
    return status;
}

int32_t ReadEditorImage(EditState* e, int32_t previewWidth, int32_t previewHeight) {
    if (e == nullptr) return kUiErrArg;
    const bool zoomed = e->zoomed != 0;
    const int32_t cx = e->zoomCenterX, cy = e->zoomCenterY;
    const int32_t status = ReadReducedImage(e, previewWidth, previewHeight);
    if (status != kUiOk) return status;
    Ui_Debug_Log(gDiagnostics, "get image4");
    return zoomed && e->previewReduced != 0 ? ReadZoomWindow(e, cx, cy, false) : kUiOk;
}

int32_t ReadZoomWindow(EditState* e, int32_t x, int32_t y, bool inPreview) {
    if (e == nullptr) return kUiErrArg;
    if (e->previewReduced == 0 || e->sourceView.width < 1) return kUiOk;
    const PassRect filter = ToPassRect(GetFilterRect());
    const int64_t fw = int64_t(filter.right) - filter.left;
    const int64_t fh = int64_t(filter.bottom) - filter.top;
    int64_t cx = x, cy = y;
    if (inPreview) {  // the point scaled to the image, rounded
        cx = filter.left + (int64_t(x) * fw + e->sourceView.width / 2) / e->sourceView.width;
        cy = filter.top + (int64_t(y) * fh + e->sourceView.height / 2) / e->sourceView.height;
    }
    const int64_t w = e->boxWidth, h = e->boxHeight;
    int64_t left = cx - w / 2, top = cy - h / 2;
    left = std::max<int64_t>(filter.left, std::min<int64_t>(left, filter.right - w));
    top = std::max<int64_t>(filter.top, std::min<int64_t>(top, filter.bottom - h));
    const PassRect window = {int32_t(top), int32_t(left), int32_t(top + h), int32_t(left + w)};
    const int32_t status = RequestHostArea(window, 1);
    if (status != kUiOk) return status;
    e->zoomView = HostImageView(window);
    e->zoomMask = HostMaskView(window);
    ConvertColour16(e->zoomView);
    e->zoomed = 1;
    e->zoomCenterX = int32_t(left + w / 2);
    e->zoomCenterY = int32_t(top + h / 2);
    Ui_Debug_Logf(gDiagnostics, "zoom window %d,%d %d,%d", int(window.left), int(window.top),
                  int(window.right), int(window.bottom));
    return kUiOk;
}

void ZoomOut(EditState* e) {
    if (e == nullptr) return;
    e->zoomed = 0;
    e->zoomView = IPImage{};
    e->zoomMask = IPImage{};
}

int32_t RepeatCurrentRead(EditState* e) {
    if (e == nullptr) return kUiErrArg;
    if (e->zoomed != 0) return ReadZoomWindow(e, e->zoomCenterX, e->zoomCenterY, false);
    // A reduced image lives in the plug-in's memory; one read at the preview's
    // size is shown by the host's buffers and must be read again.
    if (e->readPixels != nullptr || e->sourceView.width < 1) return kUiOk;
    return ReadReducedImage(e, e->boxWidth, e->boxHeight);
}

void FreePreviewImages(EditState* edit) {
    if (edit == nullptr) return;
    Ui_Free(edit->readPixels);
    Ui_Free(edit->readMask);
    Ui_Free(edit->preview);
    Ui_Free(edit->selectionBits);
    edit->readPixels = edit->readMask = edit->preview = edit->selectionBits = nullptr;
    edit->previewChannels = 0;
    edit->sourceView = IPImage{};
    edit->maskView = IPImage{};
    edit->selection = SelectionMask{};
    ZoomOut(edit);
}
