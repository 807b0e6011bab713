// Memory for whole images and the areas the host lends: large blocks come
// straight from the system, asking for large pages where it has them, so
// that touching a 100 MB image costs a few hundred page faults rather than
// tens of thousands.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "hostkit/hostkit_internal.h"

#if !defined(_WIN32)
#include <sys/mman.h>
#endif

namespace {

// Every block starts with this header; the caller's bytes follow it.
struct LargeHeader {
    size_t mapped;  // bytes mapped from the system (0: from malloc)
    size_t bytes;   // the caller's bytes the block holds
    size_t pad[6];  // keeps the caller's bytes 64-byte aligned
};

constexpr size_t kLargeBlock = size_t(4) << 20;
constexpr size_t kLargePage = size_t(2) << 20;

}  // namespace

void* HK_AllocLarge(size_t bytes) {
    if (bytes > SIZE_MAX - sizeof(LargeHeader) - kLargePage) return nullptr;
    const size_t total = bytes + sizeof(LargeHeader);
    LargeHeader* header = nullptr;
#if !defined(_WIN32)
    if (total >= kLargeBlock) {
        const size_t mapped = (total + kLargePage - 1) / kLargePage * kLargePage;
        void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return nullptr;
#if defined(MADV_HUGEPAGE)
        madvise(p, mapped, MADV_HUGEPAGE);  // a hint: without large pages all still works
#endif
        header = static_cast<LargeHeader*>(p);
        header->mapped = mapped;
        header->bytes = mapped - sizeof(LargeHeader);
        return header + 1;
    }
#endif
    header = static_cast<LargeHeader*>(std::malloc(total));
    if (header == nullptr) return nullptr;
    header->mapped = 0;
    header->bytes = bytes;
    return header + 1;
}

void HK_FreeLarge(void* block) {
    if (block == nullptr) return;
    LargeHeader* header = static_cast<LargeHeader*>(block) - 1;
#if !defined(_WIN32)
    if (header->mapped != 0) {
        munmap(header, header->mapped);
        return;
    }
#endif
    std::free(header);
}

size_t HK_LargeBytes(const void* block) {
    return block != nullptr ? (static_cast<const LargeHeader*>(block) - 1)->bytes : 0;
}
