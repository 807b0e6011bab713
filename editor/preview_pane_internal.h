// What the preview pane's files share: where the image lies in the pane,
// the view that shows, and the zoom outline.
#pragma once

#include <cstdint>

#include "editor/editor_internal.h"
#include "ui/dialog.h"

// The pane (item 4) and the image centred in it, in dialog client pixels.
struct PaneGeometry {
    UiRect pane;
    UiRect image;  // empty when no view shows
};

// The view that shows: the 1:1 window while zoomed, else the fitted view.
const IPImage& Pane_ShownView(const EditState* edit);
// The pane's rectangle and the centred image's. kUiOk or the framework's error.
int32_t Pane_Geometry(void* dialog, PaneGeometry* g);
bool Pane_Contains(const UiRect& r, int32_t x, int32_t y);

// Draws the zoom outline (inverting) centred on (x, y) inside the image, or
// removes the one on screen when x < 0.
void Pane_Outline(void* dialog, const PaneGeometry& g, int32_t x, int32_t y);

// The selection of the 1:1 view for the analyses, rebuilt from the zoom mask
// (and a fourth plane) after the zoom view changed; released when not zoomed.
int32_t Pane_UpdateZoomSelection(EditState* edit);
void Pane_FreeZoomSelection(PaneState* pane);

// The enlargement of the dialog for "Use Largest Possible Window".
int32_t Pane_Enlarge(void* dialog);
