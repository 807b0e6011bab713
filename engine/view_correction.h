// From an analysed view to a compiled correction: the one routine that the
// plug-in's replay, the editor and the batch command's own account of a
// correction run after their reads. It compiles the settings against the view
// and its selection, and returns the transform with what the analyses found
// on the view: the points per channel, and the pooled mean of each memory
// colour's samples with its target. It touches no host and no module state.
#pragma once

#include <cstdint>

#include "engine/compile_edit_tw.h"
#include "engine/edit_pars.h"

// One memory colour's samples pooled: their mean colour, 0 .. 1 of the view's
// code range, and how many pixels they hold (0: the bin has no sample); with
// the mean as Lab under the 5000 K white and the colour's ideal at its
// lightness, the target the correction pulls it toward (both 0 when the
// working space gives no Lab).
struct ColourSampleMean {
    double rgb[3];
    double pixels;
    double lab[3];
    double targetLab[3];
};

struct ViewCorrection {
    TWHandle* transform;                       // owned; FreeViewCorrection releases it
    ToneLevels levels;                         // the points per channel the compile used
    ColourSampleMean means[kMemoryColorBins];  // by bin of the settings
};

// Compiles source (the settings, the view, its selection, the log level and
// the library state for the error alert) for outputDepth (1 or 2) into
// *result. An existing result->transform is released first, as MakeEditTW
// releases its slot. kUiOk, or the compiler's error, which it has reported
// (result->transform null then).
int32_t CompileViewCorrection(const EditTWSource* source, int32_t outputDepth,
                              ViewCorrection* result);

// Releases the transform; nothing for null.
void FreeViewCorrection(ViewCorrection* result);
