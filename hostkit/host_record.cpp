// The host's FilterRecord over an in-memory image, and the callbacks it
// offers: handles, buffers, properties, progress and abort.
#include <cstdlib>
#include <cstring>

#include "hostkit/hostkit_internal.h"

// A Handle points at the block's first field, the master pointer.
struct HKHandle {
    char* data;
    int32_t size;
    int32_t locks;
    HKHandle* next;
};

struct HKBuffer {
    char* data;
    int32_t size;
    int32_t locks;
    HKBuffer* next;
};

namespace {

// Larger than the newest record (608 bytes); the tail stays zero.
constexpr size_t kRecordBytes = 1024;

HKHost* gActive = nullptr;

template <typename T>
T* Find(T* list, const void* p) {
    for (T* b = list; b != nullptr; b = b->next)
        if (b == p) return b;
    return nullptr;
}

template <typename T>
bool Unlink(T** list, T* b) {
    for (T** link = list; *link != nullptr; link = &(*link)->next)
        if (*link == b) {
            *link = b->next;
            return true;
        }
    return false;
}

// ---- Handle procs --------------------------------------------------------------------

Handle NewHandle(int32_t size) {
    if (gActive == nullptr || size < 0) return nullptr;
    ++gActive->newHandleCalls;
    if (gActive->options.failNewHandle > 0 &&
        gActive->newHandleCalls >= gActive->options.failNewHandle)
        return nullptr;
    HKHandle* h = static_cast<HKHandle*>(std::calloc(1, sizeof(HKHandle)));
    char* data = static_cast<char*>(std::calloc(1, size_t(size) + 1));
    if (h == nullptr || data == nullptr) {
        std::free(h);
        std::free(data);
        return nullptr;
    }
    if (gActive->options.dirtyHandles) std::memset(data, 0xA5, size_t(size));
    h->data = data;
    h->size = size;
    h->next = gActive->handles;
    gActive->handles = h;
    ++gActive->liveHandles;
    return reinterpret_cast<Handle>(h);
}

HKHandle* LiveHandle(Handle h) {
    return gActive != nullptr ? Find(gActive->handles, h) : nullptr;
}

void DisposeHandle(Handle h) {
    HKHandle* b = LiveHandle(h);
    if (b == nullptr || !Unlink(&gActive->handles, b)) return;
    --gActive->liveHandles;
    std::free(b->data);
    std::free(b);
}

int32_t GetHandleSize(Handle h) {
    HKHandle* b = LiveHandle(h);
    return b != nullptr ? b->size : 0;
}

OSErr SetHandleSize(Handle h, int32_t size) {
    HKHandle* b = LiveHandle(h);
    if (b == nullptr || size < 0) return nilHandleErr;
    char* data = static_cast<char*>(std::realloc(b->data, size_t(size) + 1));
    if (data == nullptr) return memFullErr;
    if (size > b->size) std::memset(data + b->size, 0, size_t(size - b->size));
    b->data = data;
    b->size = size;
    return noErr;
}

Ptr LockHandle(Handle h, Boolean) {
    HKHandle* b = LiveHandle(h);
    if (b == nullptr) return nullptr;
    ++b->locks;
    return b->data;
}

void UnlockHandle(Handle h) {
    HKHandle* b = LiveHandle(h);
    if (b != nullptr && b->locks > 0)
        --b->locks;
    else if (gActive != nullptr)
        ++gActive->unbalancedUnlocks;
}

void RecoverSpace(int32_t) {}

// ---- Buffer procs -----------------------------------------------------------------------

OSErr AllocateBuffer(int32_t size, BufferID* id) {
    if (id == nullptr) return paramErr;
    *id = nullptr;
    if (gActive == nullptr || size < 0) return paramErr;
    if (size > gActive->options.maxSpace) return memFullErr;
    HKBuffer* b = static_cast<HKBuffer*>(std::calloc(1, sizeof(HKBuffer)));
    char* data = static_cast<char*>(std::malloc(size_t(size) + 1));
    if (b == nullptr || data == nullptr) {
        std::free(b);
        std::free(data);
        return memFullErr;
    }
    b->data = data;
    b->size = size;
    b->next = gActive->buffers;
    gActive->buffers = b;
    ++gActive->liveBuffers;
    *id = b;
    return noErr;
}

Ptr LockBuffer(BufferID id, Boolean) {
    HKBuffer* b = gActive != nullptr ? Find(gActive->buffers, id) : nullptr;
    if (b == nullptr) return nullptr;
    ++b->locks;
    return b->data;
}

void UnlockBuffer(BufferID id) {
    HKBuffer* b = gActive != nullptr ? Find(gActive->buffers, id) : nullptr;
    if (b != nullptr && b->locks > 0) --b->locks;
}

void FreeBuffer(BufferID id) {
    HKBuffer* b = gActive != nullptr ? Find(gActive->buffers, id) : nullptr;
    if (b == nullptr || !Unlink(&gActive->buffers, b)) return;
    --gActive->liveBuffers;
    std::free(b->data);
    std::free(b);
}

int32_t BufferSpace() {
    return gActive != nullptr ? gActive->options.maxSpace : 0;
}

// ---- Properties, progress, abort -------------------------------------------------------

// The title travels as a handle of bare bytes: no length, no terminator.
OSErr GetProperty(PIType signature, PIType key, int32_t, intptr_t* simple, Handle* complex) {
    if (gActive == nullptr || signature != kPhotoshopSignature) return errPlugInPropertyUndefined;
    if (key == propTitle && gActive->options.title != nullptr && complex != nullptr) {
        const int32_t n = int32_t(std::strlen(gActive->options.title));
        Handle h = NewHandle(n);
        if (h == nullptr) return memFullErr;
        std::memcpy(*h, gActive->options.title, size_t(n));
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
}

Boolean TestAbort() {
    if (gActive == nullptr) return 0;
    ++gActive->abortPolls;
    return gActive->options.abortAfter > 0 && gActive->abortPolls >= gActive->options.abortAfter;
}

OSErr AdvanceState() {
    return gActive != nullptr ? HK_Advance(gActive) : paramErr;
}

int16_t Clamp16(int32_t v) {
    return int16_t(v > 32767 ? 32767 : v);
}

}  // namespace

HKOptions HK_DefaultOptions() {
    HKOptions o;
    o.bigDocument = true;
    o.handleProcs = true;
    o.bufferProcs = true;
    o.window = 0;
    o.maxSpace = 1 << 30;
    o.hostSig = PIFourCC("VNkt");
    o.title = "Untitled";
    o.abortAfter = 0;
    o.maxContinues = 100000;
    o.dirtyHandles = false;
    o.failNewHandle = 0;
    return o;
}

int32_t HK_Host_Init(HKHost* host, const HKImage* image, const HKMask* mask,
                     const HKOptions* options) {
    std::memset(host, 0, sizeof *host);
    if (image == nullptr || image->pixels == nullptr || image->width < 1 || image->height < 1 ||
        (image->planes != 3 && image->planes != 4) || (image->depth != 8 && image->depth != 16) ||
        int64_t(image->rowBytes) < int64_t(image->width) * image->planes * (image->depth / 8))
        return -1;
    if (mask != nullptr && mask->data != nullptr && mask->rowBytes < image->width) return -1;
    host->record = static_cast<FilterRecord*>(std::calloc(1, kRecordBytes));
    if (host->record == nullptr) return -3;
    host->options = options != nullptr ? *options : HK_DefaultOptions();
    host->image = *image;
    if (mask != nullptr && mask->data != nullptr) host->mask = *mask;
    gActive = host;

    host->platform.hwnd = host->options.window;
    host->handleProcs = HandleProcs{kCurrentHandleProcsVersion,
                                    kCurrentHandleProcsCount,
                                    NewHandle,
                                    DisposeHandle,
                                    GetHandleSize,
                                    SetHandleSize,
                                    LockHandle,
                                    UnlockHandle,
                                    RecoverSpace,
                                    DisposeHandle};
    host->bufferProcs = BufferProcs{kCurrentBufferProcsVersion,
                                    5,
                                    AllocateBuffer,
                                    LockBuffer,
                                    UnlockBuffer,
                                    FreeBuffer,
                                    BufferSpace,
                                    nullptr,
                                    nullptr,
                                    nullptr};
    host->propertyProcs = PropertyProcs{kCurrentPropertyProcsVersion, kCurrentPropertyProcsCount,
                                        GetProperty, SetProperty};

    FilterRecord* r = host->record;
    const int32_t w = image->width, h = image->height;
    const bool selection = host->mask.data != nullptr;
    const bool transparency = image->planes == 4;
    r->abortProc = TestAbort;
    r->progressProc = Progress;
    r->imageSize = Point{Clamp16(h), Clamp16(w)};
    r->wholeSize = r->imageSize;
    r->planes = int16_t(image->planes);
    r->filterRect = Rect{0, 0, Clamp16(h), Clamp16(w)};
    r->background = RGBColor{65535, 65535, 65535};
    r->foreground = RGBColor{0, 0, 0};
    r->maxSpace = host->options.maxSpace;
    r->maxSpace64 = host->options.maxSpace;
    r->isFloating = 0;
    r->haveMask = selection ? 1 : 0;
    r->autoMask = selection ? 1 : 0;
    std::memset(r->backColor, 255, sizeof r->backColor);
    r->hostSig = host->options.hostSig;
    r->imageMode = image->depth == 16 ? plugInModeRGB48 : plugInModeRGBColor;
    r->imageHRes = r->imageVRes = 72 << 16;
    r->platformData = &host->platform;
    r->bufferProcs = host->options.bufferProcs ? &host->bufferProcs : nullptr;
    r->handleProcs = host->options.handleProcs ? &host->handleProcs : nullptr;
    r->advanceState = AdvanceState;
    r->filterCase = int16_t(transparency ? (selection ? filterCaseEditableTransparencyWithSelection
                                                      : filterCaseEditableTransparencyNoSelection)
                                         : (selection ? filterCaseFlatImageWithSelection
                                                      : filterCaseFlatImageNoSelection));
    r->dummyPlaneValue = -1;
    r->supportsPadding = 1;
    r->inputPadding = r->outputPadding = r->maskPadding = plugInWantsErrorOnBoundsException;
    r->samplingSupport = hostSupportsIntegralSampling;
    r->inputRate = r->maskRate = 1 << 16;
    r->inLayerPlanes = r->outLayerPlanes = 3;
    r->inTransparencyMask = r->outTransparencyMask = transparency ? 1 : 0;
    r->propertyProcs = &host->propertyProcs;
    r->depth = image->depth;
    if (host->options.bigDocument) {
        BigDocumentStruct& big = host->bigDocument;
        big.imageSize32 = VPoint{h, w};
        big.wholeSize32 = big.imageSize32;
        big.filterRect32 = VRect{0, 0, h, w};
        r->bigDocumentData = &big;
    }
    return 0;
}

void HK_Host_Free(HKHost* host) {
    if (host->record != nullptr) HK_ReleaseAreas(host);
    while (host->handles != nullptr) {
        HKHandle* b = host->handles;
        host->handles = b->next;
        std::free(b->data);
        std::free(b);
    }
    while (host->buffers != nullptr) {
        HKBuffer* b = host->buffers;
        host->buffers = b->next;
        std::free(b->data);
        std::free(b);
    }
    std::free(host->record);
    host->record = nullptr;
    host->liveHandles = host->liveBuffers = 0;
    if (gActive == host) gActive = nullptr;
}

int32_t HK_HandleLockCount(const HKHost* host, Handle h) {
    const HKHandle* b = Find(host->handles, h);
    return b != nullptr ? b->locks : -1;
}

int16_t HK_Call(HKHost* host, HKEntryProc entry, int16_t selector) {
    gActive = host;
    int16_t result = 0;
    if (selector == filterSelectorAbout) {
        AboutRecord about;
        std::memset(&about, 0, sizeof about);
        about.platformData = &host->platform;
        entry(selector, &about, &host->data, &result);
    } else {
        entry(selector, host->record, &host->data, &result);
    }
    return result;
}
