// Shared body of the two settings-block fuzz targets: the input is a base
// block followed by the sharpen / noise block. Whatever the bytes, a read
// gives a record that obeys every field rule, and that record written and read
// again comes back unchanged and valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/edit_pars.h"
#include "ui/status.h"

struct EditParsCells {
    int32_t (*read)(const uint8_t*, uint32_t, EditPars*);
    int32_t (*write)(const EditPars*, uint8_t*, uint32_t);
};

inline void CheckEditParsRoundTrip(const EditParsCells& cells, const uint8_t* data, size_t size) {
    EditPars pars;
    if (SetDefaultEditPars(&pars, kDefaultPredefinedBins) != kUiOk) std::abort();
    int32_t status = cells.read(data, uint32_t(size > UINT32_MAX ? UINT32_MAX : size), &pars);
    if (size != kEditParsBytes) {
        if (status != kUiErrFormat) std::abort();
        if (size < kEditParsBytes) return;
        status = cells.read(data, kEditParsBytes, &pars);
    }
    if (status != kUiOk && status != kUiErrUnsupported) std::abort();
    if (size >= kEditParsBytes + kEditParsExtensionBytes &&
        ReadEditParsExtension(data + kEditParsBytes, kEditParsExtensionBytes, &pars) != kUiOk)
        std::abort();
    // Repaired or not, no field rule is broken (the working space may still
    // be unusable: that is CheckEditPars' kUiErrGeneral).
    if (CheckEditPars(&pars) == kUiErrArg) std::abort();

    uint8_t first[kEditParsBytes], second[kEditParsBytes];
    uint8_t ext1[kEditParsExtensionBytes], ext2[kEditParsExtensionBytes];
    if (cells.write(&pars, first, sizeof first) != kUiOk) std::abort();
    if (WriteEditParsExtension(&pars, ext1, sizeof ext1) != kUiOk) std::abort();
    EditPars again;
    if (SetDefaultEditPars(&again, kDefaultPredefinedBins) != kUiOk) std::abort();
    if (cells.read(first, sizeof first, &again) != kUiOk) std::abort();
    if (ReadEditParsExtension(ext1, sizeof ext1, &again) != kUiOk) std::abort();
    if (cells.write(&again, second, sizeof second) != kUiOk) std::abort();
    if (WriteEditParsExtension(&again, ext2, sizeof ext2) != kUiOk) std::abort();
    if (std::memcmp(first, second, sizeof first) != 0) std::abort();
    if (std::memcmp(ext1, ext2, sizeof ext1) != 0) std::abort();
}
