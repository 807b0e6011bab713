// CIE measurement files: every measurement line is read and handed to the
// fit; a failed import leaves the slot as it was, a successful one leaves a
// definition within its ranges.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "editor/memory_colour_file.h"
#include "fuzz/text_input.h"
#include "ui/allocator.h"
#include "ui/status.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 16) return 0;  // the fit's work grows with the count
    const uint32_t liveBefore = Ui_Mem_Stats().nMallocs;
    MemoryColorBin before;
    std::memset(&before, 0x5A, sizeof before);
    before.haveDef = 0;
    MemoryColorBin slot = before;
    int32_t skipped = -1;
    FuzzTextInput input(data, size);
    if (ImportCieMeasurementsFrom(&input.file, &slot, &skipped) == kUiOk) {
        if (slot.haveDef != 1 || skipped < 0) std::abort();
        if (!FuzzFcnInRange(slot.fcn)) std::abort();
    } else if (std::memcmp(&slot, &before, sizeof slot) != 0) {
        std::abort();
    }
    input.Close();
    if (Ui_Mem_Stats().nMallocs != liveBefore) std::abort();
    return 0;
}
