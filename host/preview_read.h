// The reduced whole-image read: the filter rectangle as the host delivers it
// every few pixels, reduced by the plug-in's scaler to fit the preview box,
// with the 8-bit preview and the selection bitmap built from it. The editor
// shows it; a replay without the editor analyses it.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"

// Reads the whole filter rectangle into edit (source view, mask view, 8-bit
// preview, selection bitmap), reduced to fit previewWidth x previewHeight.
// The host's failures, the scaler's and an empty selection are alerted here;
// -3 (memory short) and -1 (a preview or filter rectangle without area) are
// left to the caller. Anything read before is released first.
int32_t ReadReducedImage(EditState* edit, int32_t previewWidth, int32_t previewHeight);

// Releases the images of the reads; the views then show nothing.
void FreePreviewImages(EditState* edit);
