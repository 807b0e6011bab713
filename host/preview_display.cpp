#include "host/preview_display.h"

#include "host/module_state.h"
#include "host/preview_read.h"
#include "host/preview_request.h"
#include "host/sharpen_preview.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

constexpr int32_t kPixelMapVersion = 1;
constexpr int32_t kSimpleMask = 0;

}  // namespace

int32_t ShowImage(const DisplayImage& image, const PassRect& source, int32_t dstRow, int32_t dstCol,
                  void* platformContext) {
    if (image.pixels == nullptr || (image.channels != 3 && image.channels != 4) || source.top < 0 ||
        source.left < 0 || source.bottom > image.height || source.right > image.width ||
        source.bottom <= source.top || source.right <= source.left)
        return kUiErrArg;
    if (gFilterRecord == nullptr || gFilterRecord->displayPixels == nullptr) return kUiOk;
    PSPixelMap map = {};
    map.version = kPixelMapVersion;
    map.bounds = VRect{0, 0, image.height, image.width};
    map.imageMode = plugInModeRGBColor;
    map.rowBytes = image.channels * image.width;
    map.colBytes = image.channels;
    map.planeBytes = 1;
    map.baseAddr = const_cast<uint8_t*>(image.pixels);
    PSPixelMask mask = {};
    if (image.channels == 4) {
        mask.maskData = const_cast<uint8_t*>(image.pixels) + 3;
        mask.rowBytes = map.rowBytes;
        mask.colBytes = map.colBytes;
        mask.maskDescription = kSimpleMask;
        map.masks = &mask;
    }
    const VRect rect = ToHostRect(source);
    const OSErr code = gFilterRecord->displayPixels(&map, &rect, dstRow, dstCol, platformContext);
    if (code == noErr) return kUiOk;
    Ui_Debug_Logf(gDiagnostics, "displayPixels: %d", int(code));
    return kUiErrGeneral;
}

const PreviewReads* HostPreviewReads() {
    static const PreviewReads kReads = {ReadEditorImage,   ReadZoomWindow,    ZoomOut,
                                        GetPrevImage,      FreeSharpenWindow, SetUpNavPrevImages,
                                        FreeNavPrevImages, ShowImage};
    return &kReads;
}
