// The filtering pass: the compiled transform applied to the whole filter
// rectangle, strip by strip through the host's advanceState, with noise
// removal before it and the sharpen after it, blended with the selection.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"

// Rows of overlap between strips: enough to keep every row the noise removal
// and the sharpen still hold back inside the current strip.
int32_t StripMargin(const FilterSettings& filters, uint8_t filterStage);

// kUiOk, or the library status of the failure; the host result is stored.
int32_t FilterImage(EditState* edit);
