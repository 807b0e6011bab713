// The host's FilterRecord over an in-memory image, and the callbacks it
// offers directly: properties, progress, abort and advanceState.
#include <cstdlib>
#include <cstring>

#include "hostkit/hostkit_internal.h"

namespace {

constexpr int32_t kFullRecordBytes = int32_t(sizeof(FilterRecord));

HKHost* gActive = nullptr;

// ---- Properties, progress, abort -------------------------------------------------------

// The title travels as a handle of bare bytes: no length, no terminator.
OSErr GetProperty(PIType signature, PIType key, int32_t, intptr_t* simple, Handle* complex) {
    if (gActive == nullptr || signature != kPhotoshopSignature) return errPlugInPropertyUndefined;
    if (key == propTitle && gActive->options.title != nullptr && complex != nullptr) {
        const int32_t n = int32_t(std::strlen(gActive->options.title));
        Handle h = HK_NewHostHandle(gActive->options.title, n);
        if (h == nullptr) return memFullErr;
        *complex = h;
        return noErr;
    }
    if (key == propNumberOfChannels && simple != nullptr) {
        *simple = gActive->image.planes;
        return noErr;
    }
    return errPlugInPropertyUndefined;
}

OSErr SetProperty(PIType, PIType, int32_t, intptr_t, Handle) {
    return errPlugInPropertyUndefined;
}

void Progress(int32_t done, int32_t total) {
    if (gActive == nullptr) return;
    ++gActive->progressCalls;
    gActive->progressDone = done;
    gActive->progressTotal = total;
    const HKOptions& o = gActive->options;
    if (o.onProgress != nullptr) o.onProgress(done, total, o.callbackContext);
}

Boolean TestAbort() {
    if (gActive == nullptr) return 0;
    ++gActive->abortPolls;
    const HKOptions& o = gActive->options;
    if (o.wantsAbort != nullptr && o.wantsAbort(o.callbackContext)) return 1;
    return (o.abortAfter > 0 && gActive->abortPolls >= o.abortAfter) ||
           (o.abortAtRow > 0 && gActive->progressCalls > 0 &&
            gActive->progressDone >= o.abortAtRow);
}

OSErr AdvanceState() {
    return gActive != nullptr ? HK_Advance(gActive) : paramErr;
}

int16_t Clamp16(int32_t v) {
    return int16_t(v > 32767 ? 32767 : v);
}

bool ValidImage(const HKImage* image) {
    return image != nullptr && image->pixels != nullptr && image->width >= 1 &&
           image->height >= 1 && image->planes >= 3 && image->planes <= kHKMaxPlanes &&
           (image->depth == 8 || image->depth == 16) &&
           int64_t(image->rowBytes) >= int64_t(image->width) * image->planes * (image->depth / 8);
}

size_t ImageBytes(const HKImage& image) {
    return size_t(image.rowBytes) * size_t(image.height);
}

// The fields every record version has (the first 556 bytes).
void FillRecord(HKHost* host) {
    FilterRecord* r = host->record;
    const HKImage& image = host->image;
    const int32_t w = image.width, h = image.height;
    const bool selection = host->mask.data != nullptr;
    const bool transparency = image.planes >= 4;
    const HKOptions& o = host->options;
    r->abortProc = TestAbort;
    r->progressProc = Progress;
    r->imageSize = Point{Clamp16(h), Clamp16(w)};
    r->wholeSize = r->imageSize;
    r->planes = int16_t(image.planes);
    const VRect& area = o.filterRect;
    const bool whole = area.bottom <= area.top || area.right <= area.left;
    const VRect filter = whole ? VRect{0, 0, h, w} : area;
    r->filterRect = Rect{Clamp16(filter.top), Clamp16(filter.left), Clamp16(filter.bottom),
                         Clamp16(filter.right)};
    r->background = RGBColor{65535, 65535, 65535};
    r->foreground = RGBColor{0, 0, 0};
    r->maxSpace = o.maxSpace;
    r->isFloating = 0;
    r->haveMask = selection ? 1 : 0;
    r->autoMask = selection ? 1 : 0;
    std::memset(r->backColor, 255, sizeof r->backColor);
    r->hostSig = o.hostSig;
    r->imageMode = image.depth == 16 ? plugInModeRGB48 : plugInModeRGBColor;
    r->imageHRes = r->imageVRes = 72 << 16;
    r->monitor = o.monitor;
    r->platformData = &host->platform;
    r->bufferProcs = o.bufferProcs ? &host->bufferProcs : nullptr;
    r->handleProcs = o.handleProcs ? &host->handleProcs : nullptr;
    r->advanceState = o.advanceState ? AdvanceState : nullptr;
    r->filterCase = int16_t(transparency ? (selection ? filterCaseEditableTransparencyWithSelection
                                                      : filterCaseEditableTransparencyNoSelection)
                                         : (selection ? filterCaseFlatImageWithSelection
                                                      : filterCaseFlatImageNoSelection));
    r->dummyPlaneValue = -1;
    r->supportsPadding = 1;
    r->inputPadding = r->outputPadding = r->maskPadding = plugInWantsErrorOnBoundsException;
    r->samplingSupport = o.samplingSupport;
    r->inputRate = r->maskRate = o.zeroRates ? 0 : 1 << 16;
    r->inLayerPlanes = r->outLayerPlanes = 3;
    r->inTransparencyMask = r->outTransparencyMask = transparency ? 1 : 0;
    // Planes past the transparency: further channels of the document.
    r->inNonLayerPlanes = r->outNonLayerPlanes = int16_t(transparency ? image.planes - 4 : 0);
    r->propertyProcs = &host->propertyProcs;
    r->descriptorParameters = o.descriptors ? &host->descriptorParameters : nullptr;
    r->errorString = o.errorString ? &host->errorString : nullptr;
    r->depth = image.depth;
    if (o.bigDocument) {
        BigDocumentStruct& big = host->bigDocument;
        big.imageSize32 = VPoint{h, w};
        big.wholeSize32 = big.imageSize32;
        big.filterRect32 = filter;
        r->bigDocumentData = &big;
    }
    HK_InstallDisplayProcs(host);
}

}  // namespace

HKHost* HK_Active() {
    return gActive;
}

void HK_SetActive(HKHost* host) {
    gActive = host;
}

HKOptions HK_DefaultOptions() {
    HKOptions o;
    std::memset(&o, 0, sizeof o);
    o.bigDocument = true;
    o.handleProcs = true;
    o.bufferProcs = true;
    o.advanceState = true;
    o.displayPixels = true;
    o.colorServices = true;
    o.descriptors = true;
    o.errorString = true;
    o.recordBytes = kFullRecordBytes;
    o.samplingSupport = hostSupportsIntegralSampling;
    o.maxSpace = 1 << 30;
    o.hostSig = PIFourCC("VNkt");
    o.title = "Untitled";
    o.playInfo = plugInDialogDisplay;
    o.maxContinues = 100000;
    return o;
}

int32_t HK_Host_Init(HKHost* host, const HKImage* image, const HKMask* mask,
                     const HKOptions* options) {
    std::memset(host, 0, sizeof *host);
    if (!ValidImage(image)) return -1;
    if (mask != nullptr && mask->data != nullptr && mask->rowBytes < image->width) return -1;
    host->options = options != nullptr ? *options : HK_DefaultOptions();
    HKOptions& o = host->options;
    const VRect& f = o.filterRect;
    const bool whole = f.bottom <= f.top || f.right <= f.left;
    if (!whole && (f.top < 0 || f.left < 0 || f.bottom > image->height || f.right > image->width))
        return -1;
    if (o.recordBytes != int32_t(kFilterRecordShortSize)) o.recordBytes = kFullRecordBytes;
    // An older host's record ends at recordBytes: nothing past it exists.
    host->record = static_cast<FilterRecord*>(std::calloc(1, size_t(o.recordBytes)));
    host->resultOwned = o.resultBlock == nullptr;
    host->result = host->resultOwned ? static_cast<uint8_t*>(HK_AllocLarge(ImageBytes(*image)))
                                     : o.resultBlock;
    if (host->record == nullptr || host->result == nullptr) {
        HK_Host_Free(host);
        return -3;
    }
    host->image = *image;
    if (host->result != image->pixels) std::memcpy(host->result, image->pixels, ImageBytes(*image));
    host->resultCurrent = true;
    if (mask != nullptr && mask->data != nullptr) host->mask = *mask;
    gActive = host;

    host->platform.hwnd = o.window;
    HK_InstallHandleProcs(host);
    host->propertyProcs = PropertyProcs{kCurrentPropertyProcsVersion, kCurrentPropertyProcsCount,
                                        GetProperty, SetProperty};
    HK_InstallDescriptorProcs(host);
    FillRecord(host);
    if (o.recordBytes == kFullRecordBytes) host->record->maxSpace64 = o.maxSpace;
    return 0;
}

void HK_Host_Free(HKHost* host) {
    if (host->record != nullptr) HK_ReleaseAreas(host);
    HK_FreeSpares(host);
    HK_FreeLarge(host->kept);
    host->kept = nullptr;
    HK_FreeAllHandles(host);
    std::free(host->record);
    if (host->resultOwned) HK_FreeLarge(host->result);
    std::free(host->frame);
    host->record = nullptr;
    host->result = nullptr;
    host->frame = nullptr;
    if (gActive == host) gActive = nullptr;
}

void HK_CommitResult(HKHost* host) {
    if (host->result == nullptr) return;
    if (host->resultOwned) {
        std::memcpy(host->image.pixels, host->result, ImageBytes(host->image));
        host->resultCurrent = true;
        return;
    }
    uint8_t* document = host->image.pixels;
    host->image.pixels = host->result;
    host->result = document;
    host->resultCurrent = false;
}

void HK_DiscardResult(HKHost* host) {
    if (host->result == nullptr || host->resultCurrent || host->result == host->image.pixels)
        return;
    std::memcpy(host->result, host->image.pixels, ImageBytes(host->image));
    host->resultCurrent = true;
}

int16_t HK_Call(HKHost* host, HKEntryProc entry, int16_t selector) {
    gActive = host;
    int16_t result = 0;
    if (selector == filterSelectorAbout) {
        AboutRecord about;
        std::memset(&about, 0, sizeof about);
        about.platformData = &host->platform;
        entry(selector, &about, &host->data, &result);
        return result;
    }
    if (host->options.relocateHandles) HK_RelocateBlocks(host);
    host->descriptorParameters.playInfo = host->options.playInfo;
    entry(selector, host->record, &host->data, &result);
    return result;
}
