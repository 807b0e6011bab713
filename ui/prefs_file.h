// The preferences file: a small binary file of tagged entries, each a
// big-endian header (tag u16, value type u16, count u32) and count values.
// The library writes a version entry first and an end entry last; every
// other tag belongs to the program, which reads and writes its entries
// through callbacks.
#pragma once

#include <cstdint>

#include "ui/file_layer.h"

struct UiState;

// Value types and their sizes in the file.
enum UiPrefsType : uint16_t {
    kUiPrefsBytes = 0,    // 1 byte, as it is
    kUiPrefsInt16 = 1,    // 2 bytes, big-endian
    kUiPrefsInt32 = 2,    // 4 bytes, big-endian
    kUiPrefsNumber = 3,   // 4 bytes, portable number, binary mantissa
    kUiPrefsDecimal = 4,  // 4 bytes, portable number, decimal mantissa
};
constexpr uint16_t kUiPrefsTagVersion = 0;
constexpr uint16_t kUiPrefsTagEnd = 1;
constexpr uint32_t kUiPrefsHeaderBytes = 8;
// The kind code the plug-in gives its preferences file.
constexpr int32_t kUiPrefsFileKind = 130;

// Size in the file of one value of a type; 0 for an unknown type.
uint32_t Ui_Prefs_ValueSize(uint32_t type);

// Writes one entry. values are in memory order: bytes, int16_t, int32_t, or
// float for both number types; they may be null when count is 0.
int32_t Ui_Prefs_WriteEntry(FLFile* file, uint16_t tag, uint16_t type, uint32_t count,
                            const void* values);

// Reads one entry. The values come back in a new Ui_Malloc block in memory
// order (see Ui_Prefs_WriteEntry), null when count is 0; the caller frees it.
// With values null they are skipped. An unknown type, or values larger than
// the rest of the file, is kUiErrFormat before anything is allocated; a file
// that ends inside the header is kUiErrRead. tag, type and count are set as far
// as they were read.
int32_t Ui___Prefs_ReadEntry(FLFile* file, uint16_t* tag, uint16_t* type, uint32_t* count,
                             void** values);

// The program's side. The write callback writes its entries with
// Ui_Prefs_WriteEntry; the read callback receives every entry read (the
// version and end entries included) and stops the reading with a non-zero
// result, which becomes the result of the reading.
typedef int32_t (*UiPrefsWriteCallback)(UiState* state, FLFile* file, void* context);
typedef int32_t (*UiPrefsReadCallback)(UiState* state, uint16_t tag, uint16_t type, uint32_t count,
                                       const void* values, void* context);

// Writes a fresh file: version, the program's entries, end. The bytes go to
// a temporary file in the same folder that replaces the old file only when
// all of it was written and closed; on any failure the old file stays as it
// was and the error is returned.
int32_t Ui_Prefs_WriteAll(UiState* state, const char* path, int32_t fileKind,
                          UiPrefsWriteCallback write, void* context);

// Reads the file entry by entry. A file that does not exist is replaced by a
// file of the program's current settings (the result is that of the write);
// a file that exists but cannot be opened is kUiErrOpen and is left alone.
int32_t Ui_Prefs_ReadAll(UiState* state, const char* path, int32_t fileKind,
                         UiPrefsReadCallback read, UiPrefsWriteCallback write, void* context);
