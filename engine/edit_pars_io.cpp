// The persisted images of the settings record, laid out by the settings
// tables: every numeric field one 4-byte cell (flags and integers stored as
// numbers too), in a fixed order that is not the in-memory layout; the bin
// name is 20 raw bytes at the end of its bin. The cells are portable numbers
// or big-endian IEEE singles.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/edit_pars.h"
#include "engine/edit_pars_table.h"
#include "engine/working_space.h"
#include "ui/portable_number.h"
#include "ui/status.h"

namespace {

struct CellCodec {
    float (*get)(const uint8_t* cell);
    void (*put)(float value, uint8_t* cell);
};
float GetPortable(const uint8_t* cell) {
    return Ui_DecodeNumber(cell, kUiNumberBinary);
}
void PutPortable(float value, uint8_t* cell) {
    Ui_EncodeNumber(value, kUiNumberBinary, cell);
}
const CellCodec kPortable = {GetPortable, PutPortable};
const CellCodec kIeee = {Ui_GetBEFloat, Ui_PutBEFloat};

// Toward zero, held within the 32-bit range; not a number gives 0.
int32_t TruncateToInt32(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return int32_t(v);
}

// Writes the cells of every row of table for the record at base, the
// record's first cell at out.
void PutTable(const EditParTable& table, const void* base, const CellCodec& codec, uint8_t* out) {
    for (uint32_t r = 0; r < table.count; ++r) {
        const EditParRow& row = table.rows[r];
        uint8_t* cells = out + row.cell;
        const uint32_t step = EditParCellStride(row);
        if (row.kind == kParText) {
            // The text up to its terminator; the rest of the field is zero.
            const char* text = static_cast<const char*>(EditParElement(row, base, 0));
            const void* end = std::memchr(text, 0, row.count);
            const size_t n = end ? size_t(static_cast<const char*>(end) - text) : row.count;
            std::memset(cells, 0, row.count);
            std::memcpy(cells, text, n);
            continue;
        }
        for (uint32_t i = 0; i < row.count; ++i, cells += step) {
            const void* at = EditParElement(row, base, i);
            float v;
            if (row.kind == kParGroup) {
                PutTable(*row.group, at, codec, cells);
                continue;
            } else if (row.kind == kParFlag) {
                v = *static_cast<const uint8_t*>(at);
            } else if (row.kind == kParInt) {
                int32_t k;
                std::memcpy(&k, at, 4);
                v = float(k);
            } else {
                std::memcpy(&v, at, 4);
            }
            codec.put(v, cells);
        }
    }
}

void GetTable(const EditParTable& table, const uint8_t* in, const CellCodec& codec, void* base) {
    for (uint32_t r = 0; r < table.count; ++r) {
        const EditParRow& row = table.rows[r];
        const uint8_t* cells = in + row.cell;
        const uint32_t step = EditParCellStride(row);
        if (row.kind == kParText) {
            char* text = static_cast<char*>(EditParElement(row, base, 0));
            std::memcpy(text, cells, row.count);
            text[row.count - 1] = 0;
            continue;
        }
        for (uint32_t i = 0; i < row.count; ++i, cells += step) {
            void* at = EditParElement(row, base, i);
            if (row.kind == kParGroup) {
                GetTable(*row.group, cells, codec, at);
                continue;
            }
            float v = codec.get(cells);
            if (row.kind == kParFlag) {
                *static_cast<uint8_t*>(at) = v > 0.5f ? 1 : 0;
            } else if (row.kind == kParInt) {
                const int32_t k = TruncateToInt32(v);
                std::memcpy(at, &k, 4);
            } else {
                if (row.rounding == kRoundFourDecimals) v = RoundToFourDecimals(v);
                std::memcpy(at, &v, 4);
            }
        }
    }
}

int32_t ReadBase(const uint8_t* cells, uint32_t length, EditPars* pars, const CellCodec& codec) {
    if (cells == nullptr || pars == nullptr) return kUiErrArg;
    // Anything not decoded keeps its default.
    UI_TRY(SetDefaultEditParsBase(pars, kDefaultPredefinedBins));
    if (length != kEditParsBytes) return kUiErrFormat;
    GetTable(kEditParsBaseTable, cells, codec, pars);
    return ValidateEditPars(pars);
}

int32_t WriteBase(const EditPars* pars, uint8_t* cells, uint32_t capacity, const CellCodec& codec) {
    if (pars == nullptr || cells == nullptr || capacity < kEditParsBytes) return kUiErrArg;
    PutTable(kEditParsBaseTable, pars, codec, cells);
    return kUiOk;
}

}  // namespace

int32_t ReadEditPars(const uint8_t* cells, uint32_t length, EditPars* pars) {
    return ReadBase(cells, length, pars, kPortable);
}

int32_t ReadEditParsBigEndian(const uint8_t* cells, uint32_t length, EditPars* pars) {
    return ReadBase(cells, length, pars, kIeee);
}

int32_t ReadEditParsExtension(const uint8_t* cells, uint32_t length, EditPars* pars) {
    if (cells == nullptr || pars == nullptr) return kUiErrArg;
    if (length != kEditParsExtensionBytes) return kUiErrFormat;
    GetTable(kEditParsExtensionTable, cells, kPortable, pars);
    return kUiOk;
}

int32_t WriteEditPars(const EditPars* pars, uint8_t* cells, uint32_t capacity) {
    return WriteBase(pars, cells, capacity, kPortable);
}

int32_t WriteEditParsBigEndian(const EditPars* pars, uint8_t* cells, uint32_t capacity) {
    return WriteBase(pars, cells, capacity, kIeee);
}

int32_t WriteEditParsExtension(const EditPars* pars, uint8_t* cells, uint32_t capacity) {
    if (pars == nullptr || cells == nullptr || capacity < kEditParsExtensionBytes) return kUiErrArg;
    PutTable(kEditParsExtensionTable, pars, kPortable, cells);
    return kUiOk;
}
