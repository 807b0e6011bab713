// The fuzz input as a file of the file layer: a private copy in a memory
// block; and the range check of what the memory colour readers produce.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/edit_pars.h"
#include "ui/file_layer.h"
#include "ui/status.h"

struct FuzzTextInput {
    uint8_t* copy;
    FLFile file;

    FuzzTextInput(const uint8_t* data, size_t size) {
        copy = static_cast<uint8_t*>(std::malloc(size + 1));
        if (size > 0) std::memcpy(copy, data, size);
        FLSpec spec;
        FL_MemorySpec(&spec, 'm', copy, uint32_t(size));
        if (FLOpen(&file, &spec, kFLRead) != kUiOk) std::abort();
    }
    void Rewind() {
        if (FLSeek(&file, 0, kFLFromStart) != kUiOk) std::abort();
    }
    void Close() {
        FLClose(&file);
        std::free(copy);
        copy = nullptr;
    }
};

// True when a colour function read from a file lies within its ranges.
inline bool FuzzFcnInRange(const MemoryColorFcn& f) {
    return f.baseHue >= 0 && f.baseHue <= 360 && f.maxChroma >= 0 && f.maxChroma <= 100 &&
           f.dHdL >= -1 && f.dHdL <= 1;
}
