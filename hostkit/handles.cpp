// The host's handle and buffer procs, and the relocation of the plug-in's
// blocks between calls that some hosts perform.
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

template <typename T>
void FreeList(T** list) {
    while (*list != nullptr) {
        T* b = *list;
        *list = b->next;
        std::free(b->data);
        std::free(b);
    }
}

Handle MakeHandle(HKHost* host, int32_t size, uint8_t fill) {
    if (host == nullptr || size < 0) return nullptr;
    HKHandle* h = static_cast<HKHandle*>(std::calloc(1, sizeof(HKHandle)));
    char* data = static_cast<char*>(std::calloc(1, size_t(size) + 1));
    if (h == nullptr || data == nullptr) {
        std::free(h);
        std::free(data);
        return nullptr;
    }
    std::memset(data, fill, size_t(size));
    h->data = data;
    h->size = size;
    h->next = host->handles;
    host->handles = h;
    ++host->liveHandles;
    return reinterpret_cast<Handle>(h);
}

HKHandle* LiveHandle(Handle h) {
    HKHost* host = HK_Active();
    return host != nullptr ? Find(host->handles, h) : nullptr;
}

// ---- Handle procs --------------------------------------------------------------------

Handle NewHandle(int32_t size) {
    HKHost* host = HK_Active();
    if (host == nullptr) return nullptr;
    ++host->newHandleCalls;
    if (host->options.failNewHandle > 0 && host->newHandleCalls >= host->options.failNewHandle)
        return nullptr;
    return MakeHandle(host, size, host->options.dirtyHandles ? 0xA5 : 0);
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
    else if (HK_Active() != nullptr)
        ++HK_Active()->unbalancedUnlocks;
}

void RecoverSpace(int32_t) {}

// ---- Buffer procs -----------------------------------------------------------------------

OSErr AllocateBuffer(int32_t size, BufferID* id) {
    HKHost* host = HK_Active();
    if (id == nullptr) return paramErr;
    *id = nullptr;
    if (host == nullptr || size < 0) return paramErr;
    if (size > host->options.maxSpace) return memFullErr;
    HKBuffer* b = static_cast<HKBuffer*>(std::calloc(1, sizeof(HKBuffer)));
    char* data = static_cast<char*>(std::malloc(size_t(size) + 1));
    if (b == nullptr || data == nullptr) {
        std::free(b);
        std::free(data);
        return memFullErr;
    }
    b->data = data;
    b->size = size;
    b->next = host->buffers;
    host->buffers = b;
    ++host->liveBuffers;
    *id = b;
    return noErr;
}

HKBuffer* LiveBuffer(BufferID id) {
    HKHost* host = HK_Active();
    return host != nullptr ? Find(host->buffers, id) : nullptr;
}

Ptr LockBuffer(BufferID id, Boolean) {
    HKBuffer* b = LiveBuffer(id);
    if (b == nullptr) return nullptr;
    ++b->locks;
    return b->data;
}

void UnlockBuffer(BufferID id) {
    HKBuffer* b = LiveBuffer(id);
    if (b != nullptr && b->locks > 0) --b->locks;
}

void FreeBuffer(BufferID id) {
    HKBuffer* b = LiveBuffer(id);
    if (b == nullptr || !Unlink(&HK_Active()->buffers, b)) return;
    --HK_Active()->liveBuffers;
    std::free(b->data);
    std::free(b);
}

int32_t BufferSpace() {
    return HK_Active() != nullptr ? HK_Active()->options.maxSpace : 0;
}

// A copy of an unlocked live handle's contents in a new handle, the old one
// disposed of; anything else stays as it is.
Handle Relocated(HKHost* host, Handle h) {
    HKHandle* b = Find(host->handles, h);
    if (b == nullptr || b->locks != 0) return h;
    Handle moved = MakeHandle(host, b->size, 0);
    if (moved == nullptr) return h;
    std::memcpy(*moved, b->data, size_t(b->size));
    HK_DisposeHandle(h);
    return moved;
}

}  // namespace

Handle HK_NewHostHandle(const void* bytes, int32_t size) {
    Handle h = MakeHandle(HK_Active(), size, 0);
    if (h != nullptr && bytes != nullptr && size > 0) std::memcpy(*h, bytes, size_t(size));
    return h;
}

const char* HK_HandleBytes(Handle h, int32_t* size) {
    HKHandle* b = LiveHandle(h);
    if (size != nullptr) *size = b != nullptr ? b->size : 0;
    return b != nullptr ? b->data : nullptr;
}

void HK_DisposeHandle(Handle h) {
    HKHandle* b = LiveHandle(h);
    if (b == nullptr || !Unlink(&HK_Active()->handles, b)) return;
    --HK_Active()->liveHandles;
    std::free(b->data);
    std::free(b);
}

void HK_FreeAllHandles(HKHost* host) {
    FreeList(&host->handles);
    FreeList(&host->buffers);
    host->liveHandles = host->liveBuffers = 0;
}

void HK_InstallHandleProcs(HKHost* host) {
    host->handleProcs = HandleProcs{kCurrentHandleProcsVersion,
                                    kCurrentHandleProcsCount,
                                    NewHandle,
                                    HK_DisposeHandle,
                                    GetHandleSize,
                                    SetHandleSize,
                                    LockHandle,
                                    UnlockHandle,
                                    RecoverSpace,
                                    HK_DisposeHandle};
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
}

void HK_RelocateBlocks(HKHost* host) {
    host->record->parameters = Relocated(host, host->record->parameters);
    host->data = reinterpret_cast<intptr_t>(Relocated(host, reinterpret_cast<Handle>(host->data)));
}

int32_t HK_HandleLockCount(const HKHost* host, Handle h) {
    const HKHandle* b = Find(host->handles, h);
    return b != nullptr ? b->locks : -1;
}
