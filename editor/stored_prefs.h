// The plug-in's entries of the preferences file: one entry per field of the
// settings record, each with its tag, value type and count. The callbacks
// below are handed to the preferences library (Ui_Prefs_ReadAll and
// Ui_Prefs_WriteAll) with the PrefsRecord as their context.
#pragma once

#include <cstdint>

#include "editor/prefs_record.h"
#include "ui/prefs_file.h"

// Tags of the entries.
enum StoredPrefTag : uint16_t {
    kPrefStartMode = 50,
    kPrefUseLargestWindow = 51,
    kPrefWindowValue1 = 52,
    kPrefWindowValue2 = 53,
    kPrefSettingsName = 54,
    kPrefCustomFolder = 55,
    kPrefCustomBigEndian = 56,  // older files: IEEE cells, read only
    kPrefPreviousBigEndian = 57,
    kPrefShowSampledRegion = 58,
    kPrefCustom = 59,
    kPrefPrevious = 60,
    kPrefCustomExtension = 61,
    kPrefPreviousExtension = 62,
};

// Stores one entry into the record. An entry whose type or count does not
// fit its tag is reported as a data format error ("reading preference %d")
// and left out; a value out of range is replaced by its default and reported
// ("reading preference %d, using default value"); repaired settings fields
// are logged by the settings reader. Tags outside 50 to 62 are skipped.
// Returns kUiOk in all these cases, so reading goes on with the next entry.
int32_t ReadStoredPref(UiState* state, uint16_t tag, uint16_t type, uint32_t count,
                       const void* values, void* prefsRecord);

// Writes the entries in the order 55, 54, 51, 52, 53, 59, 61, 60, 62, 50, 58.
int32_t WriteStoredPrefs(UiState* state, FLFile* file, void* prefsRecord);
