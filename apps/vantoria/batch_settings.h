// The settings of one batch correction: the starting point (a custom
// settings file, the neutral settings or the embedded default), the changes
// of the command line, the eyedropper samples taken on the image, and the
// working space the host hands the plug-in.
#pragma once

#include <string>

#include "apps/vantoria/batch_options.h"
#include "apps/vantoria/image_buffer.h"
#include "engine/edit_pars.h"
#include "host/sdk_types.h"

struct BatchSettings {
    EditPars pars;          // every setting of the run, as the plug-in will apply it
    PlugInMonitor monitor;  // the working space as the host describes it (gamma 0: default)
    std::string spaceName;  // where the working space came from
};

// Builds the settings of a correction of image. Empty, or one line saying
// what is wrong (a file that cannot be read, a sample outside the image, ...).
std::string MakeBatchSettings(const BatchOptions& options, const ImageBuffer& image,
                              BatchSettings* settings);

// The settings that differ from the neutral ones, by name ("doAutoBlack=1
// sharpenStrength=6 ..."), and the sampled memory colours.
std::string DescribeSettings(const EditPars& pars);

// "LOW to HIGH": the settings table's limits of the setting of that name in
// the units of an option, (value - offset) * scale.
std::string EditParRange(const char* name, double scale, double offset);

// Whether an option's value, (setting - offset) * scale, lies within the
// settings table's limits of the setting of that name.
bool InEditParRange(const char* name, double scale, double offset, double value);

// Empty when --working-space names an existing file (a profile, read with
// the image) or, when there is no such file, holds the numbers within their
// ranges; else what is wrong, naming both forms.
std::string WorkingSpaceOptionError(const std::string& text);

// The editor's -100..100 of brightness and contrast around the settings'
// 0.5: (value - kEditorOffset) * kEditorScale.
constexpr double kEditorScale = 200;
constexpr double kEditorOffset = 0.5;

// The plug-in's status codes in words, for the command's one-line errors.
std::string StatusWords(int32_t status);
