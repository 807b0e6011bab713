// A preview for the editor's tests: the reduced read shows a fixed 8-bit RGB
// picture (gFakePreview, set by the test) as the source view; the 1:1, the
// sharpen and the navigator reads are not supported, the display succeeds.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"
#include "editor/preview_reads.h"
#include "ui/status.h"

struct FakePreviewPicture {
    const uint8_t* pixels;  // interleaved RGB, rows of 3 x width bytes
    int32_t width;
    int32_t height;
};
inline FakePreviewPicture gFakePreview = {};

inline int32_t FakePreviewReadReduced(EditState* edit, int32_t, int32_t) {
    IPImage& v = edit->sourceView;
    v = IPImage{};
    v.kind = kIPImageColour;
    v.planeCount = 3;
    v.bytesPerSample = 1;
    v.width = gFakePreview.width;
    v.height = gFakePreview.height;
    v.resolution = 72.0f;
    v.sampleStride = 3;
    v.rowStride = gFakePreview.width * 3;
    uint8_t* base = const_cast<uint8_t*>(gFakePreview.pixels);
    for (int32_t c = 0; c < 3; ++c) v.planes[c] = base + c;
    return kUiOk;
}

inline const PreviewReads kFakePreviewReads = {
    FakePreviewReadReduced,
    [](EditState*, int32_t, int32_t, bool) -> int32_t { return kUiErrUnsupported; },
    [](EditState*) -> int32_t { return kUiOk; },
    [](EditState*, const PassRect&, int32_t, SharpenWindow*) -> int32_t {
        return kUiErrUnsupported;
    },
    [](SharpenWindow*) {},
    [](const EditState*, int32_t, int32_t, NavigatorImage*) -> int32_t {
        return kUiErrUnsupported;
    },
    [](NavigatorImage*) {},
    [](const DisplayImage&, const PassRect&, int32_t, int32_t, void*) -> int32_t { return kUiOk; },
};
