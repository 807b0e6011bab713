// Preferences file entries: the input is a preferences file held in memory,
// read entry by entry as the library reads the file, values kept and skipped
// in turn, until the first error or the end entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ui/allocator.h"
#include "ui/file_layer.h"
#include "ui/prefs_file.h"
#include "ui/status.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 20) return 0;
    const uint32_t liveBefore = Ui_Mem_Stats().nMallocs;
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size));
    std::memcpy(copy, data, size);
    FLSpec spec;
    FL_MemorySpec(&spec, kFLSpecMemoryBlock, copy, uint32_t(size));
    FLFile file;
    if (FLOpen(&file, &spec, kFLRead) != kUiOk) std::abort();
    for (bool keep = true;; keep = !keep) {
        uint32_t before = 0;
        FLGetPos(&file, &before);
        uint16_t tag, type;
        uint32_t count;
        void* values = nullptr;
        const int32_t status =
            Ui___Prefs_ReadEntry(&file, &tag, &type, &count, keep ? &values : nullptr);
        if (status != kUiOk) {
            if (values != nullptr) std::abort();  // nothing handed out on failure
            break;
        }
        // The entry lay within the file, and its values were all there.
        uint32_t after = 0;
        FLGetPos(&file, &after);
        const uint64_t expected = uint64_t(before) + 8 + uint64_t(count) * Ui_Prefs_ValueSize(type);
        if (after != expected || after > size) std::abort();
        if (keep && count > 0 && values == nullptr) std::abort();
        Ui_Free(values);
        if (tag == kUiPrefsTagEnd) break;
    }
    FLClose(&file);
    std::free(copy);
    if (Ui_Mem_Stats().nMallocs != liveBefore) std::abort();
    return 0;
}
