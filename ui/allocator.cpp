#include "ui/allocator.h"

#include <cstdlib>
#include <cstring>

#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kHeadBytes = 16;
constexpr char kHeadFire[4] = {'f', 'i', 'r', 'e'};
constexpr char kHeadWall[4] = {'w', 'a', 'l', 'l'};
constexpr char kTrailer[8] = {'F', 'I', 'R', 'E', 'W', 'A', 'L', 'L'};

UiMemStats gStats = {0, 0, 0, 0};

uint32_t gFailAt = 0;
bool gFailPersistent = false;
uint32_t gRequests = 0;

void PutBE32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

uint32_t GetBE32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Heap layer: a request of 0 bytes asks for 1.
void* HeapAlloc(uint32_t bytes) {
    ++gRequests;
    if (gFailAt != 0 && (gRequests == gFailAt || (gFailPersistent && gRequests > gFailAt)))
        return nullptr;
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (p != nullptr) ++gStats.nMallocs;
    return p;
}

void HeapRelease(void* p) {
    if (p == nullptr) return;
    std::free(p);
    --gStats.nMallocs;
}

// Logs "remaining = " characters: each expected character as found, '*' where it differs.
void LogGuardChars(const unsigned char* found, const char* expected, int n) {
    for (int i = 0; i < n; ++i) {
        char line[2] = {found[i] == static_cast<unsigned char>(expected[i]) ? expected[i] : '*', 0};
        Ui_Debug_Log(1, line);
    }
}

}  // namespace

void* Ui_Malloc(uint32_t size) {
    if (size > 0xFFFFFFFFu - kUiMemGuardBytes) return nullptr;
    const uint32_t total = size + kUiMemGuardBytes;
    // Demand is counted before the heap is asked, so a failed request still
    // shows in the high-water mark.
    gStats.total += total;
    if (gStats.total > gStats.maxTotal) gStats.maxTotal = gStats.total;
    unsigned char* block = static_cast<unsigned char*>(HeapAlloc(total));
    if (block == nullptr) {
        gStats.total -= total;
        return nullptr;
    }
    std::memcpy(block, kHeadFire, 4);
    PutBE32(block + 4, total);
    PutBE32(block + 8, gStats.serial);
    std::memcpy(block + 12, kHeadWall, 4);
    ++gStats.serial;
    std::memcpy(block + kHeadBytes + size, kTrailer, 8);
    return block + kHeadBytes;
}

void* Ui_MallocArray(size_t count, size_t size) {
    if (size != 0 && count > (0xFFFFFFFFu - kUiMemGuardBytes) / size) return nullptr;
    return Ui_Malloc(static_cast<uint32_t>(count * size));
}

int32_t Ui_MemCheck(void* p) {
    if (p == nullptr) return kUiErrArg;
    const unsigned char* block = static_cast<const unsigned char*>(p) - kHeadBytes;
    const uint32_t total = GetBE32(block + 4);
    const uint32_t serial = GetBE32(block + 8);
    int reasons = 0;
    if (total > gStats.total) reasons += 4;
    const bool headOk =
        std::memcmp(block, kHeadFire, 4) == 0 && std::memcmp(block + 12, kHeadWall, 4) == 0;
    if (!headOk) reasons += 1;
    // Every block holds at least its guards: a smaller size is damage too.
    if (total < kUiMemGuardBytes) reasons += 8;
    // With a damaged head or an impossible size the trailer cannot be found.
    const bool sizeOk = (reasons & (4 | 8)) == 0;
    const unsigned char* trailer = block + (sizeOk ? total - 8 : 0);
    if (headOk && sizeOk && std::memcmp(trailer, kTrailer, 8) != 0) reasons += 2;
    if (reasons == 0) return kUiOk;

    char line[160];
    Ui_Debug_Log(1, "Firewall Error:");
    if (reasons & 1) {
        Ui_Sprintf(line, sizeof line,
                   "Start firewall destroyed, size = %ld, id = %ld, remaining = ", long(total),
                   long(serial));
        Ui_Debug_Log(1, line);
        LogGuardChars(block, kHeadFire, 4);
        LogGuardChars(block + 12, kHeadWall, 4);
    }
    if (reasons & 2) {
        Ui_Sprintf(line, sizeof line,
                   "End firewall destroyed, size = %ld, id = %ld, remaining = ", long(total),
                   long(serial));
        Ui_Debug_Log(1, line);
        LogGuardChars(trailer, kTrailer, 8);
    }
    if (reasons & 4) {
        Ui_Sprintf(line, sizeof line, "Freeing too much, size = %ld, total = %ld", long(total),
                   long(gStats.total));
        Ui_Debug_Log(1, line);
    }
    if (reasons & 8) {
        Ui_Sprintf(line, sizeof line, "Size below the guards, size = %ld, id = %ld", long(total),
                   long(serial));
        Ui_Debug_Log(1, line);
    }
    Ui_Debug_Alert(1, "Firewall failure!");
    return kUiErrGeneral;
}

int32_t Ui_Free(void* p) {
    if (p == nullptr) return kUiOk;
    Ui_MemCheck(p);  // reported, but the block is released all the same
    unsigned char* block = static_cast<unsigned char*>(p) - kHeadBytes;
    // A damaged size is not taken off the running total: one larger than
    // everything live would wrap it.
    const uint32_t total = GetBE32(block + 4);
    if (total >= kUiMemGuardBytes && total <= gStats.total) gStats.total -= total;
    HeapRelease(block);
    return kUiOk;
}

UiMemStats Ui_Mem_Stats() {
    return gStats;
}

void Ui_Mem_InjectFailure(uint32_t n, bool persistent) {
    gFailAt = n;
    gFailPersistent = persistent;
    gRequests = 0;
}

uint32_t Ui_Mem_RequestCount() {
    return gRequests;
}
