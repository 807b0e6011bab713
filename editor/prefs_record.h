// The settings record that mirrors the preferences file and that scripting
// records and replays: how the editor starts, the previous and the custom
// settings, the custom settings' name and folder, the display options and
// the sharpen / noise defaults of a reset run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "editor/filter_settings.h"
#include "engine/edit_pars.h"

enum StartMode : uint32_t {
    kStartPrevious = 0,  // "Previous Settings"
    kStartCustom = 1,    // "Custom Settings"
    kStartReset = 2,     // "Reset"
};
constexpr uint32_t kStartModeCount = 3;

// Texts of the record: zero-terminated in this many bytes.
constexpr size_t kPrefsTextBytes = 256;

struct PrefsRecord {
    uint32_t startMode;
    EditPars previous;  // the settings of the last correction applied
    EditPars custom;    // the settings loaded with "Load Custom Settings..."
    char settingsName[kPrefsTextBytes];
    char customFolder[kPrefsTextBytes];  // folder of the last custom settings file
    uint8_t useLargestWindow;
    int32_t windowValue1;  // kept in the file, not otherwise used
    int32_t windowValue2;
    uint8_t showSampledRegion;
    SharpenSettings sharpenDefaults;  // given to the working settings of a reset run
    NoiseSettings noiseDefaults;
};

// Every field at its default: start mode Reset, both settings records reset
// with the two predefined memory colours, texts empty, options off.
int32_t SetDefaultPrefsRecord(PrefsRecord* prefs);
