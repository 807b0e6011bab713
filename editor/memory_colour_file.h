// The editor's small text files about memory colours: one definition on one
// line (save and load), and CIE measurements turned into a definition
// (import).
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"
#include "ui/file_layer.h"

struct UiState;

// Writes bin's definition as one line (hue, chroma rounded half away from
// zero, dHdL with one decimal, the name); the samples are not written.
// kUiErrArg when the bin holds no definition; else kUiOk or the write error,
// the old file kept on failure.
int32_t WriteMemoryColor(const MemoryColorBin* bin, const char* path);
int32_t WriteMemoryColorTo(FLFile* file, const MemoryColorBin* bin);

// Reads a definition line into bin: hue clamped to 0 .. 360, chroma to
// 0 .. 100, dHdL to -1 .. 1, the name (at most 19 characters); the samples
// stay. kUiErrFormat for a line with fewer than four fields before the name,
// values that do not read, or a flag other than 1; bin is then unchanged.
int32_t ReadMemoryColor(MemoryColorBin* bin, const char* path);
int32_t ReadMemoryColorFrom(FLFile* file, MemoryColorBin* bin);

// Reads a CIE measurement file (a colour space name, then one triple per
// line) and fits bin's colour function to it; *skipped receives the number of
// measurements that could not be used. kUiErrFormat for an unknown name, no
// measurements or a line that does not hold three numbers; kUiErrArg when no
// measurement is usable; kUiErrMemory when memory is short. bin changes only on
// success.
// Skipped measurements are told to the user in a note (with a library state).
int32_t ImportCieMeasurements(UiState* state, MemoryColorBin* bin, const char* path,
                              int32_t* skipped);
int32_t ImportCieMeasurementsFrom(FLFile* file, MemoryColorBin* bin, int32_t* skipped);

// The colour space number (0 .. 7) named by a measurement file's first line
// (without its line feed): the first name that begins with it; kUiErrFormat for
// none.
int32_t MeasurementTypeOfHeader(const char* header, int32_t* type);
