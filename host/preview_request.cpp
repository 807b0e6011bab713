#include "host/preview_request.h"

#include "host/host_rects.h"
#include "host/module_state.h"
#include "ui/alert.h"
#include "ui/status.h"

int32_t Host_AdvanceState() {
    const OSErr code = gFilterRecord->advanceState();
    if (code == noErr) return kUiOk;
    Host_StoreResult(code);
    if (code == userCanceledErr) return kUiErrCancelled;
    Ui_Alert_ReportErrorf(gUiState, kUiErrGeneral, kStrCtxAdvancingState, nullptr);
    return kUiErrGeneral;
}

bool Host_HasMask() {
    return gFilterRecord->haveMask != 0;
}

IPImage HostImageView(const PassRect& area) {
    const FilterRecord* f = gFilterRecord;
    const int32_t bytes = f->depth == 16 ? 2 : 1;
    IPImage v = {};
    v.kind = kIPImageColour;
    v.planeCount = f->planes > 3 ? 4 : 3;
    v.bytesPerSample = bytes;
    v.width = area.right - area.left;
    v.height = area.bottom - area.top;
    v.resolution = 72.0f;
    v.sampleStride = f->planes;
    v.rowStride = f->inRowBytes / bytes;
    for (int32_t k = 0; k < v.planeCount; ++k)
        v.planes[k] = static_cast<uint8_t*>(f->inData) + k * bytes;
    return v;
}

IPImage HostMaskView(const PassRect& area) {
    const FilterRecord* f = gFilterRecord;
    IPImage v = {};
    if (!Host_HasMask() || f->maskData == nullptr) return v;
    v.kind = kIPImageMask;
    v.planeCount = 1;
    v.bytesPerSample = 1;
    v.width = area.right - area.left;
    v.height = area.bottom - area.top;
    v.resolution = 72.0f;
    v.sampleStride = 1;
    v.rowStride = f->maskRowBytes;
    v.planes[0] = f->maskData;
    return v;
}

PassRect ToPassRect(const VRect& r) {
    return PassRect{r.top, r.left, r.bottom, r.right};
}

VRect ToHostRect(const PassRect& r) {
    return VRect{r.top, r.left, r.bottom, r.right};
}

void SetHostAreas(const PassRect& area, bool mask) {
    SetInRect(ToHostRect(area));
    SetOutRect(ToHostRect(area));
    if (mask) SetMaskRect(ToHostRect(area));
}

namespace {

// A subsampled read lends no output: the host's output is never sampled, and
// a read for a preview writes nothing back.
void SetReadAreas(const PassRect& area, int32_t step) {
    SetHostAreas(area, Host_HasMask());
    if (step != 1) SetOutRect(ToHostRect(PassRect{0, 0, 0, 0}));
}

}  // namespace

int32_t ReleaseHostAreas() {
    const VRect none = {0, 0, 0, 0};
    SetOutRect(none);
    SetInRect(none);
    SetMaskRect(none);
    return Host_AdvanceState();
}

int32_t BeginHostRequest(int32_t step) {
    FilterRecord* f = gFilterRecord;
    const int32_t flushed = ReleaseHostAreas();
    if (flushed != kUiOk) return flushed;
    const Fixed rate = Fixed(step) << 16;
    f->inLoPlane = f->outLoPlane = 0;
    f->inHiPlane = f->outHiPlane = int16_t(f->planes - 1);
    f->inputRate = rate;
    f->inputPadding = f->outputPadding = kHostPaddingWhite;
    if (Host_HasMask()) {
        f->maskRate = rate;
        f->maskPadding = kHostPaddingWhite;
    }
    // The plug-in blends with the selection itself; a host that also did
    // would apply the change twice.
    f->autoMask = 0;
    return kUiOk;
}

int32_t RequestHostArea(const PassRect& area, int32_t step) {
    const int32_t begun = BeginHostRequest(step);
    if (begun != kUiOk) return begun;
    SetReadAreas(area, step);
    return Host_AdvanceState();
}
