// The plug-in's stored preference entries: the input is a preferences file
// held in memory, read entry by entry into a settings record as the library
// reads the file. Whatever the bytes, the record obeys its rules (start mode
// 0 to 2, options 0 or 1, texts terminated), and the record written out and
// read again gives the same file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "editor/stored_prefs.h"
#include "ui/allocator.h"
#include "ui/file_layer.h"
#include "ui/prefs_file.h"
#include "ui/status.h"

namespace {

// Reads entries until the first error or the end entry, as the library does.
void ReadEntries(uint8_t* bytes, uint32_t size, PrefsRecord* prefs) {
    FLSpec spec;
    FL_MemorySpec(&spec, 'm', bytes, size);
    FLFile file;
    if (FLOpen(&file, &spec, kFLRead) != kUiOk) std::abort();
    for (;;) {
        uint16_t tag, type;
        uint32_t count;
        void* values = nullptr;
        if (Ui___Prefs_ReadEntry(&file, &tag, &type, &count, &values) != kUiOk) break;
        const int32_t status = ReadStoredPref(nullptr, tag, type, count, values, prefs);
        Ui_Free(values);
        if (status != kUiOk) std::abort();  // a bad entry never stops the reading
        if (tag == kUiPrefsTagEnd) break;
    }
    FLClose(&file);
}

std::vector<uint8_t> Entries(PrefsRecord* prefs) {
    std::vector<uint8_t> bytes(64 * 1024);
    FLSpec spec;
    FL_MemorySpec(&spec, 'b', bytes.data(), uint32_t(bytes.size()));
    FLFile file;
    if (FLOpen(&file, &spec, kFLWrite) != kUiOk) std::abort();
    if (WriteStoredPrefs(nullptr, &file, prefs) != kUiOk) std::abort();
    uint32_t length = 0;
    FLGetPos(&file, &length);
    FLClose(&file);
    bytes.resize(length);
    return bytes;
}

bool Terminated(const char* text) {
    return std::memchr(text, 0, kPrefsTextBytes) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 20) return 0;
    const uint32_t liveBefore = Ui_Mem_Stats().nMallocs;
    std::vector<uint8_t> input(data, data + size);
    PrefsRecord prefs;
    if (SetDefaultPrefsRecord(&prefs) != kUiOk) std::abort();
    ReadEntries(input.data(), uint32_t(size), &prefs);
    if (prefs.startMode >= kStartModeCount || prefs.useLargestWindow > 1 ||
        prefs.showSampledRegion > 1 || !Terminated(prefs.settingsName) ||
        !Terminated(prefs.customFolder))
        std::abort();

    std::vector<uint8_t> first = Entries(&prefs);
    PrefsRecord again;
    if (SetDefaultPrefsRecord(&again) != kUiOk) std::abort();
    ReadEntries(first.data(), uint32_t(first.size()), &again);
    if (Entries(&again) != first) std::abort();
    if (Ui_Mem_Stats().nMallocs != liveBefore) std::abort();
    return 0;
}
