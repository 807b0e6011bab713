// The guarded allocator: every buffer of the plug-in comes from Ui_Malloc and
// goes back through Ui_Free. Each block carries 16 bytes of head ("fire",
// total length, serial, "wall") and 8 bytes of trailer ("FIREWALL") so that
// writes past either end are caught when the block is released.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kUiMemGuardBytes = 24;

void* Ui_Malloc(uint32_t size);
int32_t Ui_Free(void* p);  // null is allowed; always kUiOk
int32_t Ui_MemCheck(void* p);

// count × size with overflow and 32-bit limit checks; null when it cannot be had.
void* Ui_MallocArray(size_t count, size_t size);

// Module-wide counters, never reset while the module is loaded.
struct UiMemStats {
    uint32_t total;     // bytes of live blocks, guards included
    uint32_t maxTotal;  // high-water mark of total (ul_maxTotal)
    uint32_t nMallocs;  // live blocks (ul_nMallocs)
    uint32_t serial;    // id of the next block
};
UiMemStats Ui_Mem_Stats();

// Failure injection for tests: the Nth heap request from now fails (1-based);
// with persistent set, every later request fails too. n = 0 switches it off.
void Ui_Mem_InjectFailure(uint32_t n, bool persistent);
// Requests counted since the last Ui_Mem_InjectFailure call.
uint32_t Ui_Mem_RequestCount();

// Frees a Ui_Malloc block when the scope ends unless released.
template <typename T>
struct UiOwned {
    T* p = nullptr;
    UiOwned() = default;
    explicit UiOwned(T* q) : p(q) {}
    UiOwned(const UiOwned&) = delete;
    UiOwned& operator=(const UiOwned&) = delete;
    ~UiOwned() { Ui_Free(p); }
    T* get() const { return p; }
    T* release() {
        T* q = p;
        p = nullptr;
        return q;
    }
    T& operator[](size_t i) const { return p[i]; }
    explicit operator bool() const { return p != nullptr; }
};
