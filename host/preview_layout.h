// The editor window's preview, measured without showing the window: the
// smallest and largest preview the editor can show, and the memory its
// memory-colour swatches take.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"

// Document size the largest window is fitted to (the filter rectangle).
struct PreviewDocument {
    int32_t width;
    int32_t height;
};

// min: the preview item of the editor dialog at its designed size, inset by
// one pixel. max: the same, or, with useLargestWindow, the preview item of
// the dialog laid out over the screen's work area. swatchNeeds: bitmap bytes
// of the three swatch areas (left at 0 when the work area cannot be read).
// Returns kUiOk, or kUiErrGeneral when the dialog could not be measured (the
// rectangles are then left as they were).
int32_t GetMinMaxPrev(uint8_t useLargestWindow, const PreviewDocument& document, PassRect* min,
                      PassRect* max, uint32_t* swatchNeeds, uint8_t diagnostics);

// Bytes of a 24-bit bitmap of the rectangle: rows of whole 4-byte words, plus
// a 72-byte header.
uint32_t SwatchBitmapBytes(const PassRect& r);
