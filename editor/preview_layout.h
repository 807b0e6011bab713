// The editor window's preview, measured without showing the window: the
// smallest and largest preview the editor can show, and the memory its
// memory-colour swatches take.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"
#include "engine/preview_plan.h"

// Document size the largest window is fitted to (the filter rectangle).
struct PreviewDocument {
    int32_t width;
    int32_t height;
};

// The growth of the preview pane once the dialog grows by *dx, *dy (each at
// least 0): the document fitted into the grown image area (paneWidth x
// paneHeight: the pane inside its one-pixel border) scaled down, never up,
// leaves the rest of the room unused, which is taken back; the results are
// at least 0.
void FitPaneGrowth(int32_t paneWidth, int32_t paneHeight, const PreviewDocument& doc, int32_t* dx,
                   int32_t* dy);

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

// What prepare plans the editor's preview for: the host's allowance, the
// document's depth and planes, the filter rectangle, and the stored
// preference for the largest window.
struct PreviewPlanRequest {
    int32_t available;  // FilterRecord.maxSpace
    int32_t depth;
    int32_t planes;
    PassRect filter;
    uint8_t useLargestWindow;
};

// The preview box prepare chooses: the editor's preview measured
// (GetMinMaxPrev) and the start stage's memory planned for it (PlanMemory),
// with their log lines at the given level. *maxPreview receives the largest
// preview, from which the editor window is sized. kUiOk, or kUiErrMemory when even the
// smallest preview does not fit.
int32_t PlanEditorPreview(const PreviewPlanRequest& request, MemoryPlan* plan, PassRect* maxPreview,
                          uint8_t diagnostics);
