// Profiles as the reader meets them: header, tag table and every tag type.
// Seeds in fuzz/corpus/icc_profile/ are profiles the writer wrote.
#include <cstddef>
#include <cstdint>

#include "icc/icc_profile.h"
#include "tests/support/icc_read.h"
#include "ui/allocator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    const uint32_t before = Ui_Mem_Stats().nMallocs;
    IccProfile* profile = nullptr;
    IccReadProfile(data, uint32_t(size), &profile);
    IccFreeProfile(&profile);
    if (Ui_Mem_Stats().nMallocs != before) __builtin_trap();
    return 0;
}
