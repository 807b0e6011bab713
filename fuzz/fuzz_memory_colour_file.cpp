// Memory colour files: a successful read leaves a definition within its
// ranges and a terminated name of at most 19 characters, and the samples as
// they were; a failed one leaves the slot as it was.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "editor/memory_colour_file.h"
#include "fuzz/text_input.h"
#include "ui/allocator.h"
#include "ui/status.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 20) return 0;  // the memory kinds hold at least a byte
    const uint32_t liveBefore = Ui_Mem_Stats().nMallocs;
    MemoryColorBin before;
    std::memset(&before, 0x5A, sizeof before);
    before.haveDef = 0;
    MemoryColorBin slot = before;
    FuzzTextInput input(data, size);
    if (ReadMemoryColorFrom(&input.file, &slot) == kUiOk) {
        if (slot.haveDef != 1) std::abort();
        if (!FuzzFcnInRange(slot.fcn)) std::abort();
        if (std::memchr(slot.name, 0, sizeof slot.name) == nullptr) std::abort();
        if (std::memcmp(slot.samplesBin, before.samplesBin, sizeof slot.samplesBin) != 0)
            std::abort();
    } else if (std::memcmp(&slot, &before, sizeof slot) != 0) {
        std::abort();
    }
    input.Close();
    if (Ui_Mem_Stats().nMallocs != liveBefore) std::abort();
    return 0;
}
