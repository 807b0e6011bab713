// Every persisted setting of the settings record, declared once. The two
// persisted blocks, the 2032-byte base block and the 56-byte sharpen / noise
// block, each have a table; a row names a setting as the log lines and the
// scripts name it and gives its kind, where it lives in memory and in the
// block, its valid range, its default, and how reading validates and repairs
// it. The defaults, the validation with its repairs and log lines, and both
// cell encodings' writers and readers are derived from these tables; anything
// else that lists, edits or carries settings reads them too.
//
// Arrays are single rows with a count; records repeated inside the record
// (the working space, the memory-colour bins, their samples) are group rows
// whose own table describes one record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "engine/edit_pars.h"

enum EditParKind : uint8_t {
    kParFlag,   // u8, 0 or 1; its cell holds a number, true when above 0.5
    kParFloat,  // f32
    kParInt,    // i32; its cell holds a number, truncated toward zero on reading
    kParText,   // char[count], raw bytes in the block; the last is forced to 0 on reading
    kParGroup,  // count records described by the row's group table
};

// Where a value comes from: the record's default, or where a run in reset
// mode and the setup dialog's Restore Defaults start.
enum EditParDefaultRule : uint8_t {
    kDefaultSame,           // start only: the default
    kDefaultValue,          // every element: value
    kDefaultList,           // element i: list[i]
    kDefaultText,           // the text, the rest of the field zero
    kDefaultDaylightWhite,  // XYZ of the daylight white of kDefaultWhiteKelvin
    kDefaultRecords,        // each record zeroed, then its rows' defaults
    kDefaultMemoryColors,   // as kDefaultRecords (empty bins), the first bins predefined
};

struct EditParDefault {
    EditParDefaultRule rule;
    float value;
    const float* list;
    const char* text;
};

// How reading validates a row.
enum EditParCheck : uint8_t {
    kCheckNone,   // not validated
    kCheckRange,  // each element within [low, high] (not a number never is)
    kCheckGate,   // as kCheckRange; a value of 0 leaves the rest of its record unchecked
    kCheckEach,   // group: each record checked by its table's rows in their order
    kCheckWhole,  // group: a record fails as a whole when any checked element of it does
};

// What a failed check does, after its log line.
enum EditParRepair : uint8_t {
    kRepairNone,
    kRepairDefault,    // the failing element takes its default; checking goes on
    kRepairRecord,     // checking of the record stops; its group row's repair applies
    kRepairEmptyBin,   // group of bins: haveDef 0, the name cleared, every sample count 0
    kRepairResetBase,  // the whole base part takes its defaults; checking ends
};

// How reading treats a float after decoding it.
enum EditParRounding : uint8_t {
    kRoundNone,
    kRoundFourDecimals,  // half away from zero, as the working space keeps its primaries
};

struct EditParTable;

struct EditParRow {
    const char* name;  // as the log lines name it; a group's rows are named below it
    EditParKind kind;
    uint16_t offset;       // element 0 in the record that holds the row
    uint8_t count;         // elements (1 for a single value; a text's bytes)
    uint16_t stride;       // bytes between elements in memory
    uint16_t cell;         // element 0's cells, from the first cell of the holding record
    float low, high;       // valid range, both ends included
    EditParDefault value;  // the default: SetDefaultEditPars and kRepairDefault
    EditParDefault start;  // where a run in reset mode and Restore Defaults start
    EditParCheck check = kCheckNone;
    uint8_t order = 0;  // validation order within the table, from 1
    EditParRepair repair = kRepairNone;
    // The repair's log line: the indices of the enclosing arrays of records,
    // then the failing value, or for kCheckWhole every checked value of the
    // record in table order; %d conversions print their argument truncated.
    const char* log = nullptr;
    const EditParTable* group = nullptr;
    EditParRounding rounding = kRoundNone;
};

struct EditParTable {
    const EditParRow* rows;
    uint32_t count;
    uint32_t recordBytes;  // one record in memory
    uint32_t cellBytes;    // one record in the block
};

// The base block (2032 bytes: the working space, the tonal range, brightness
// and contrast, ten memory-colour bins) and the sharpen / noise block (56
// bytes), both laid out over EditPars.
extern const EditParTable kEditParsBaseTable;
extern const EditParTable kEditParsExtensionTable;

// Bytes one element of the row takes in the block (a text's elements are
// its bytes), so the row takes count times as many.
uint32_t EditParCellStride(const EditParRow& row);

// The row of a setting by its name; names inside groups follow the group's
// name and a point ("refRGB.gamma", "customBinColors.fcn.baseHue",
// "customBinColors.samplesBin.count"). Null when there is no such setting.
const EditParRow* FindEditPar(const char* name);

// The address of element i of a row in the record at base.
inline void* EditParElement(const EditParRow& row, void* base, uint32_t i) {
    return static_cast<uint8_t*>(base) + row.offset + size_t(i) * row.stride;
}
inline const void* EditParElement(const EditParRow& row, const void* base, uint32_t i) {
    return static_cast<const uint8_t*>(base) + row.offset + size_t(i) * row.stride;
}

// Element i of a flag, float or integer row in the record at base, as a
// number.
double EditParNumber(const EditParRow& row, const void* base, uint32_t i);

// Offset, count and element size of a field, for the tables.
template <class T>
constexpr uint8_t EditParCount() {
    return uint8_t(std::is_array_v<T> ? std::extent_v<T> : 1);
}
#define EDIT_PAR_AT(Record, field)                                      \
    uint16_t(offsetof(Record, field)),                                  \
        EditParCount<decltype(static_cast<Record*>(nullptr)->field)>(), \
        uint16_t(sizeof(std::remove_extent_t<decltype(static_cast<Record*>(nullptr)->field)>))
