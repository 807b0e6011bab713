#include "host/preview_read.h"

#include <algorithm>
#include <cstring>

#include "engine/reduced_view.h"
#include "host/host_rects.h"
#include "host/module_state.h"
#include "host/preview_request.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

void ZoomEnded(EditState* e) {
    e->zoomed = 0;
    e->zoomView = IPImage{};
    e->zoomMask = IPImage{};
}

// The host's rectangles restated, without asking the host, as what its
// buffers now hold: w x h at the corner.
void RestateHostAreas(int32_t top, int32_t left, int32_t w, int32_t h) {
    const PassRect produced = {top, left, top + h, left + w};
    SetInRect(ToHostRect(produced));
    if (Host_HasMask()) SetMaskRect(ToHostRect(produced));
    SetOutRect(ToHostRect(PassRect{0, 0, 0, 0}));
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
            for (int32_t k = 0; k < 3; ++k) *p++ = ViewSampleByte(src, k, x, y);
            if (mask) *p++ = ViewSampleByte(e->maskView, 0, x, y);
        }
    return kUiOk;
}

// One bit per preview pixel for the selected ones: the mask above 128 and,
// with a fourth plane, the transparency above 128. kUiErrGeneral (alerted) when
// no pixel is selected.
int32_t BuildSelection(EditState* e) {
    const IPImage& src = e->sourceView;
    if (!ViewHasSelection(src, e->maskView)) return kUiOk;
    const int32_t rowBytes = SelectionRowBytes(src.width);
    e->selectionBits = static_cast<uint8_t*>(Ui_MallocArray(size_t(rowBytes), size_t(src.height)));
    if (e->selectionBits == nullptr) return kUiErrMemory;
    const int64_t selected = MarkSelectedPixels(src, e->maskView, e->selectionBits);
    e->selection = SelectionMask{src.width, src.height, rowBytes, e->selectionBits};
    if (selected > 0) return kUiOk;
    char text[256];
    Ui_ResToCString(gUiState, kStrSelectionEmpty, text, sizeof text);
    Ui_Alert_StopOne(gUiState, text, nullptr, 0);
    return kUiErrGeneral;
}

// The whole filter rectangle from the host, every step-th pixel, reduced in
// the host's buffers to fit the box: the source and mask views then show it,
// its colour samples at 16 bits converted. *alerted tells a failure the
// scaler has alerted from one not yet shown.
int32_t ReadHostReduced(EditState* e, int32_t previewWidth, int32_t previewHeight, bool* alerted) {
    const PassRect filter = ToPassRect(GetFilterRect());
    // The filter rectangle, in which the editor's dialogs place their
    // windows of the image.
    e->filterRect = filter;
    e->width = filter.right - filter.left;
    e->height = filter.bottom - filter.top;
    ReducedRead read;
    UI_TRY(PlanReducedRead(filter, previewWidth, previewHeight, &read));
    e->boxWidth = read.boxWidth;
    e->boxHeight = read.boxHeight;
    Ui_Debug_Logf(gDiagnostics, "reduced read: factor %d, step %d, box %d x %d", int(read.factor),
                  int(read.step), int(read.boxWidth), int(read.boxHeight));
    e->sourceView = IPImage{};
    e->maskView = IPImage{};
    UI_TRY(RequestHostArea(read.area, read.step));
    IPImage source = HostImageView(read.area);
    IPImage mask = HostMaskView(read.area);
    const int32_t reduced = ReduceIntoBox(read, &source, &mask);
    if (reduced != kUiOk) {
        Ui_Alert_ReportErrorf(gUiState, reduced, kStrCtxScalingImage, nullptr);
        *alerted = true;
        return reduced;
    }
    if (read.factor != 1)
        RestateHostAreas(read.area.top, read.area.left, source.width, source.height);
    FinishReducedView(&source);
    e->sourceView = source;
    e->maskView = mask;
    const int64_t fw = int64_t(filter.right) - filter.left;
    const int64_t fh = int64_t(filter.bottom) - filter.top;
    e->previewReduced = source.width != fw || source.height != fh ? uint8_t(1) : uint8_t(0);
    return kUiOk;
}

// The editor keeps the transparency of the reduced image at 8 bits, which
// zooming out puts back into the host's buffer.
int32_t KeepTransparency(EditState* e) {
    const IPImage& src = e->sourceView;
    if (src.planeCount < 4 || src.bytesPerSample != 1) return kUiOk;
    e->previewAlpha = static_cast<uint8_t*>(Ui_MallocArray(size_t(src.width), size_t(src.height)));
    if (e->previewAlpha == nullptr) return kUiErrMemory;
    uint8_t* a = e->previewAlpha;
    for (int32_t y = 0; y < src.height; ++y)
        for (int32_t x = 0; x < src.width; ++x) *a++ = ViewSampleByte(src, 3, x, y);
    return kUiOk;
}

int32_t ReadInto(EditState* e, int32_t previewWidth, int32_t previewHeight, bool editor,
                 bool* alerted) {
    UI_TRY(ReadHostReduced(e, previewWidth, previewHeight, alerted));
    UI_TRY(BuildPreview(e));
    if (editor) {
        Ui_Debug_Log(gDiagnostics, "get image4");
        UI_TRY(KeepTransparency(e));
    }
    return BuildSelection(e);
}

// The reduced read, for the editor or not. Every failure but a cancel is
// alerted; everything read is released on failure.
int32_t ReadReduced(EditState* edit, int32_t previewWidth, int32_t previewHeight, bool editor) {
    if (edit == nullptr) return kUiErrArg;
    FreePreviewImages(edit);
    Ui_Debug_Log(gDiagnostics, "ReadReducedImage...");
    bool alerted = false;
    const int32_t status = ReadInto(edit, previewWidth, previewHeight, editor, &alerted);
    // Memory short, or a rectangle without area: not yet shown.
    if ((status == kUiErrMemory || status == kUiErrArg) && !alerted)
        Ui_Alert_ReportErrorf(gUiState, status, kStrCtxReadingImage, nullptr, edit->title);
    if (status != kUiOk) FreePreviewImages(edit);
    Ui_Debug_Logf(gDiagnostics, "...ReadReducedImage %d (%d x %d)", int(status),
                  int(edit->sourceView.width), int(edit->sourceView.height));
    return status;
}

}  // namespace

int32_t ReadReducedImage(EditState* edit, int32_t previewWidth, int32_t previewHeight) {
    return ReadReduced(edit, previewWidth, previewHeight, false);
}

int32_t ReadEditorImage(EditState* e, int32_t previewWidth, int32_t previewHeight) {
    if (e == nullptr) return kUiErrArg;
    const bool zoomed = e->zoomed != 0;
    const int32_t cx = e->zoomCenterX, cy = e->zoomCenterY;
    UI_TRY(ReadReduced(e, previewWidth, previewHeight, true));
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
    ConvertColour16(&e->zoomView);
    e->zoomed = 1;
    e->zoomCenterX = int32_t(left + w / 2);
    e->zoomCenterY = int32_t(top + h / 2);
    Ui_Debug_Logf(gDiagnostics, "zoom window %d,%d %d,%d", int(window.left), int(window.top),
                  int(window.right), int(window.bottom));
    return kUiOk;
}

int32_t ZoomOut(EditState* e) {
    if (e == nullptr) return kUiErrArg;
    if (e->zoomed == 0) return kUiOk;
    ZoomEnded(e);
    // 16-bit samples are not kept: the reduced image is read again.
    if (gFilterRecord->depth == 16) {
        bool alerted = false;
        return ReadHostReduced(e, e->boxWidth, e->boxHeight, &alerted);
    }
    // 8 bits: the preview (and the kept transparency) back into the host's
    // buffers, which hold the larger zoom window, restated as the preview.
    const int32_t w = e->sourceView.width, h = e->sourceView.height;
    const PassRect filter = ToPassRect(GetFilterRect());
    RestateHostAreas(filter.top, filter.left, w, h);
    const PassRect area = {filter.top, filter.left, filter.top + h, filter.left + w};
    IPImage source = HostImageView(area);
    IPImage mask = HostMaskView(area);
    const uint8_t* p = e->preview;
    const uint8_t* a = e->previewAlpha;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int64_t at = int64_t(y) * source.rowStride + int64_t(x) * source.sampleStride;
            for (int32_t k = 0; k < 3; ++k) static_cast<uint8_t*>(source.planes[k])[at] = *p++;
            if (e->previewChannels == 4) {
                if (mask.kind == kIPImageMask)
                    static_cast<uint8_t*>(mask.planes[0])[int64_t(y) * mask.rowStride + x] = *p;
                ++p;
            }
            if (a != nullptr) static_cast<uint8_t*>(source.planes[3])[at] = *a++;
        }
    e->sourceView = source;
    e->maskView = mask;
    return kUiOk;
}

int32_t RepeatCurrentRead(EditState* e) {
    if (e == nullptr) return kUiErrArg;
    if (e->zoomed != 0) return ReadZoomWindow(e, e->zoomCenterX, e->zoomCenterY, false);
    if (e->sourceView.width < 1) return kUiOk;
    bool alerted = false;
    return ReadHostReduced(e, e->boxWidth, e->boxHeight, &alerted);
}

void FreePreviewImages(EditState* edit) {
    if (edit == nullptr) return;
    Ui_Free(edit->preview);
    Ui_Free(edit->previewAlpha);
    Ui_Free(edit->selectionBits);
    edit->preview = edit->previewAlpha = edit->selectionBits = nullptr;
    edit->previewChannels = 0;
    edit->sourceView = IPImage{};
    edit->maskView = IPImage{};
    edit->selection = SelectionMask{};
    ZoomEnded(edit);
}
