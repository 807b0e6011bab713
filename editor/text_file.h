// Helpers shared by the editor's plain-text files (custom settings, memory
// colours, CIE measurements): formatted lines out, whole lines in, and the
// line capacities of each kind.
#pragma once

#include <cstdint>

#include "ui/file_layer.h"

// Line buffers by file kind: at most capacity - 2 bytes of a line are taken.
constexpr uint32_t kSettingsLineCapacity = 1024;  // custom settings
constexpr uint32_t kSectionLineCapacity = 512;    // its sharpen / noise section
constexpr uint32_t kShortLineCapacity = 80;       // memory colour, measurements

// Formats one line with the C conventions ("%f" gives six decimals) and
// writes it: kUiOk, kUiErrArg when it does not fit 1024 bytes, or the write
// error.
int32_t TextFile_WriteLine(FLFile* file, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Opens a disk file for reading: kUiOk or the open error (kUiErrOpen).
int32_t TextFile_OpenRead(FLFile* file, const char* path);

// Writes a whole file through the safe replacement: write(file, context)
// fills a temporary file beside path, which replaces path only after every
// line was written, flushed and closed. Any failure leaves the old file.
int32_t TextFile_WriteReplacing(const char* path, int32_t (*write)(FLFile*, const void*),
                                const void* context);

// Reads one line (FLReadLine): kUiOk, kUiErrFormat when the file has ended (a
// short file is a format fault), or the read error.
int32_t TextFile_ReadLine(FLFile* file, char* line, uint32_t capacity, uint32_t* length);

// Reads a line that must yield exactly `expected` values with sscanf's
// format (the values go to the pointers that follow): kUiOk, the read error, or
// kUiErrFormat when the file has ended or fewer values were found.
int32_t TextFile_ScanLine(FLFile* file, uint32_t capacity, int32_t expected, const char* format,
                          ...);

// True when every value is a finite number.
bool TextFile_AllFinite(const float* values, int32_t count);
