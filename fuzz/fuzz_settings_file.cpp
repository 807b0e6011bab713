// Custom settings files: the input is read as the record and then as the
// sharpen / noise section. A failed read leaves the target as it was; a
// successful one leaves a record that passes the checks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "editor/settings_file.h"
#include "fuzz/text_input.h"
#include "ui/allocator.h"
#include "ui/status.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 20) return 0;  // the memory kinds hold at least a byte
    const uint32_t liveBefore = Ui_Mem_Stats().nMallocs;
    EditPars before;
    if (SetDefaultEditPars(&before, kDefaultPredefinedBins) != kUiOk) std::abort();
    before.sharpenStrength = 12345;
    EditPars target = before;
    FuzzTextInput input(data, size);
    if (ReadCustomSettingsFrom(&input.file, &target, kDefaultPredefinedBins) == kUiOk) {
        if (CheckEditPars(&target) != kUiOk) std::abort();
        if (target.sharpenStrength != before.sharpenStrength) std::abort();
    } else if (std::memcmp(&target, &before, sizeof target) != 0) {
        std::abort();
    }
    const EditPars afterBase = target;
    input.Rewind();
    if (ReadSharpenNoiseSectionFrom(&input.file, &target) == kUiOk) {
        if (target.doSharpen > 1 || target.doRemoveNoise > 1 || target.noiseFlag > 1) std::abort();
    } else if (std::memcmp(&target, &afterBase, sizeof target) != 0) {
        std::abort();
    }
    input.Close();
    if (Ui_Mem_Stats().nMallocs != liveBefore) std::abort();
    return 0;
}
