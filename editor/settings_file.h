// The custom settings file: a whole settings record as plain text, lines of
// numbers in a fixed order, followed by a sharpen / noise section that older
// files lack. Readers fill a scratch record and copy it over the target only
// when everything was read and is valid, so a failed read changes nothing.
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"
#include "ui/file_layer.h"

struct UiState;

// Writes the record and the sharpen / noise section; the file at path is
// replaced only after a complete write (else it stays as it was). kUiOk or the
// first write error.
int32_t WriteCustomSettings(const EditPars* pars, const char* path);
int32_t WriteCustomSettingsTo(FLFile* file, const EditPars* pars);

// Reads the record (not its sharpen / noise block): the defaults with
// builtInColors predefined bins, then the file's lines, then the field and
// working-space checks. kUiOk; the open or read error (kUiErrOpen, kUiErrRead);
// kUiErrFormat when a line does not hold what it should, or the result fails
// the checks. The target's sharpen / noise block is left as it was.
int32_t ReadCustomSettings(EditPars* target, const char* path, int32_t builtInColors);
int32_t ReadCustomSettingsFrom(FLFile* file, EditPars* target, int32_t builtInColors);

// Reads the sharpen / noise section: lines are skipped up to the one that
// begins with "-----", then four lines of numbers. kUiOk; kUiErrFormat when
// the file ends first, for a line with the wrong number of values or a flag
// other than 0 or 1; the read error. The target changes only on success.
int32_t ReadSharpenNoiseSection(EditPars* target, const char* path);
int32_t ReadSharpenNoiseSectionFrom(FLFile* file, EditPars* target);

// Reads a whole file: the record as ReadCustomSettings does, then the sharpen
// / noise section that follows it. A file that ends before the section's mark
// was written before there was one: it loads, and the target's sharpen /
// noise block stays as it was. A section cut short or malformed is kUiErrFormat
// like a malformed record. The target changes only when everything was read.
int32_t ReadCustomSettingsFile(EditPars* target, const char* path, int32_t builtInColors);
int32_t ReadCustomSettingsFileFrom(FLFile* file, EditPars* target, int32_t builtInColors);

// Puts stored settings in place of the current ones. With the same working
// space the whole record is copied; otherwise the user is asked whether to
// use them anyway: yes copies everything but keeps the current working space,
// cancel changes nothing and returns kUiErrCancelled. The question (with a beep
// when beep is 1) needs the library state; without one the answer is cancel.
int32_t ApplyStoredSettings(UiState* state, const EditPars* stored, EditPars* current,
                            int32_t beep);
