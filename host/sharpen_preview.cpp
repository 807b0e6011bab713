#include "host/sharpen_preview.h"

#include <algorithm>
#include <cstring>

#include "engine/image_scale.h"
#include "engine/noise_mask.h"
#include "host/host_rects.h"
#include "host/module_state.h"
#include "host/preview_read.h"
#include "host/preview_request.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

int32_t AllocateWindow(SharpenWindow* w, bool transparency, bool mask) {
    const size_t pixels = size_t(w->width) * size_t(w->height);
    for (void*& plane : w->colour) {
        plane = Ui_MallocArray(pixels, size_t(w->bytesPerSample));
        if (plane == nullptr) return kUiErrMemory;
    }
    if (transparency &&
        (w->transparency = static_cast<uint8_t*>(Ui_Malloc(uint32_t(pixels)))) == nullptr)
        return kUiErrMemory;
    if (mask && (w->mask = static_cast<uint8_t*>(Ui_Malloc(uint32_t(pixels)))) == nullptr)
        return kUiErrMemory;
    return kUiOk;
}

// Copies the host's buffer (holding `got`) into the window, each window pixel
// from the nearest pixel of `got`.
void CopyWindow(const PassRect& got, SharpenWindow* w) {
    const FilterRecord* f = gFilterRecord;
    const int32_t bytes = w->bytesPerSample, planes = f->planes;
    const uint8_t* in = static_cast<const uint8_t*>(f->inData);
    const uint8_t* mask = static_cast<const uint8_t*>(f->maskData);
    for (int32_t y = 0; y < w->height; ++y) {
        const int32_t sy = Clamp(w->area.top - w->margin + y, got.top, got.bottom - 1) - got.top;
        for (int32_t x = 0; x < w->width; ++x) {
            const int32_t sx =
                Clamp(w->area.left - w->margin + x, got.left, got.right - 1) - got.left;
            const uint8_t* px = in + int64_t(sy) * f->inRowBytes + int64_t(sx) * planes * bytes;
            const size_t at = size_t(y) * size_t(w->width) + size_t(x);
            for (int32_t c = 0; c < 3; ++c)
                std::memcpy(static_cast<uint8_t*>(w->colour[c]) + at * size_t(bytes),
                            px + c * bytes, size_t(bytes));
            if (w->transparency != nullptr) {
                uint16_t v = px[3 * bytes];
                if (bytes == 2) std::memcpy(&v, px + 3 * bytes, 2);
                w->transparency[at] = bytes == 2 ? HostSampleByte16(v) : uint8_t(v);
            }
            if (w->mask != nullptr) w->mask[at] = mask[int64_t(sy) * f->maskRowBytes + sx];
        }
    }
}

}  // namespace

int32_t GetPrevImage(EditState* edit, const PassRect& area, int32_t margin, SharpenWindow* w) {
    Ui_Debug_Log(gDiagnostics, "GetPrevImage...");
    *w = SharpenWindow{};
    const PassRect filter = ToPassRect(GetFilterRect());
    if (edit == nullptr || margin < 0 || margin > kNoiseMaxRadius || area.top < filter.top ||
        area.left < filter.left || area.bottom > filter.bottom || area.right > filter.right ||
        area.bottom <= area.top || area.right <= area.left)
        return kUiErrArg;
    w->area = area;
    w->margin = margin;
    w->width = area.right - area.left + 2 * margin;
    w->height = area.bottom - area.top + 2 * margin;
    w->bytesPerSample = gFilterRecord->depth == 16 ? 2 : 1;
    int32_t status = AllocateWindow(w, gFilterRecord->planes > 3, Host_HasMask());
    // The host record, with its 32-bit rectangles, is put back after the
    // request. An older host's record ends at the short size, which holds
    // every field a request changes: nothing past it is read or written.
    uint8_t saved[kFilterRecordShortSize];
    std::memcpy(saved, gFilterRecord, sizeof saved);
    BigDocumentStruct* big = gFilterRecord->bigDocumentData;
    const BigDocumentStruct savedBig = big != nullptr ? *big : BigDocumentStruct{};
    if (status == kUiOk) {
        const PassRect got = {std::max(filter.top, area.top - margin),
                              std::max(filter.left, area.left - margin),
                              std::min(filter.bottom, area.bottom + margin),
                              std::min(filter.right, area.right + margin)};
        status = RequestHostArea(got, 1);
        if (status == kUiOk) {
            IPImage view = HostImageView(got);
            ConvertColour16(&view);
            CopyWindow(got, w);
        }
    }
    // The host takes the window back first, so that the record put back
    // describes nothing it still lends. It has refilled or released the
    // buffers the saved record shows: the editor's views need theirs again.
    if (status == kUiOk) status = ReleaseHostAreas();
    std::memcpy(gFilterRecord, saved, sizeof saved);
    if (big != nullptr) *big = savedBig;
    const int32_t repeated = RepeatCurrentRead(edit);
    if (status == kUiOk) status = repeated;
    if (status != kUiOk) FreeSharpenWindow(w);
    Ui_Debug_Log(gDiagnostics, "...GetPrevImage");
    return status;
}

void FreeSharpenWindow(SharpenWindow* w) {
    if (w == nullptr) return;
    for (void*& plane : w->colour) {
        Ui_Free(plane);
        plane = nullptr;
    }
    Ui_Free(w->transparency);
    Ui_Free(w->mask);
    w->transparency = w->mask = nullptr;
}

int32_t SetUpNavPrevImages(const EditState* edit, int32_t navW, int32_t navH, NavigatorImage* nav) {
    Ui_Debug_Log(gDiagnostics, "SetUpNavPrevImages...");
    *nav = NavigatorImage{};
    if (edit == nullptr || edit->preview == nullptr || edit->transform == nullptr || navW < 2 ||
        navH < 2)
        return kUiErrArg;
    const int32_t channels = edit->previewChannels;
    const int32_t w = edit->sourceView.width, h = edit->sourceView.height;
    // The preview as a view, then reduced to the navigator's size.
    IPImage src = {};
    src.kind = kIPImageColour;
    src.planeCount = channels;
    src.bytesPerSample = 1;
    src.width = w;
    src.height = h;
    src.resolution = 72.0f;
    src.sampleStride = channels;
    src.rowStride = channels * w;
    for (int32_t k = 0; k < channels; ++k) src.planes[k] = edit->preview + k;
    nav->pixels =
        static_cast<uint8_t*>(Ui_MallocArray(size_t(navW) * size_t(navH), size_t(channels)));
    if (nav->pixels == nullptr) return kUiErrMemory;
    IPImage dst = src;
    dst.width = navW;
    dst.height = navH;
    dst.rowStride = channels * navW;
    for (int32_t k = 0; k < channels; ++k) dst.planes[k] = nav->pixels + k;
    int32_t producedW = 0, producedH = 0;
    int32_t status =
        IPScaleImageDown2(&src, kIPScaleTent, &dst, &producedW, &producedH, nullptr, nullptr);
    if (status == kUiOk && (producedW != navW || producedH != navH)) status = kUiErrGeneral;
    const Tintwork* tw = edit->transform->tintwork;
    // Samples reach the transform at its input depth: 8-bit values times 257
    // for a 16-bit transform.
    const uint32_t count = uint32_t(navW) * uint32_t(navH);
    if (status == kUiOk && tw->inputDepth == 1) {
        const TwRun run = TwInterleaved8(nav->pixels, channels);
        status = ApplyTintwork(tw, count, &run, &run);
    } else if (status == kUiOk) {
        uint16_t* wide = static_cast<uint16_t*>(Ui_MallocArray(count, 3 * sizeof(uint16_t)));
        if (wide == nullptr) status = kUiErrMemory;
        for (uint32_t i = 0; wide != nullptr && i < count * 3; ++i)
            wide[i] = uint16_t(nav->pixels[i / 3 * uint32_t(channels) + i % 3] * 257u);
        if (wide != nullptr) {
            const TwRun run = TwInterleaved16(wide, 3);
            status = ApplyTintwork(tw, count, &run, &run);
            for (uint32_t i = 0; status == kUiOk && i < count * 3; ++i)
                nav->pixels[i / 3 * uint32_t(channels) + i % 3] = uint8_t((wide[i] + 128) / 257);
            Ui_Free(wide);
        }
    }
    if (status != kUiOk) {
        FreeNavPrevImages(nav);
        return status;
    }
    nav->channels = channels;
    nav->width = navW;
    nav->height = navH;
    Ui_Debug_Log(gDiagnostics, "...SetUpNavPrevImages");
    return kUiOk;
}

void FreeNavPrevImages(NavigatorImage* nav) {
    if (nav == nullptr) return;
    Ui_Free(nav->pixels);
    *nav = NavigatorImage{};
}
