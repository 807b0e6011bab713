// The reduced whole-image read: the filter rectangle as the host delivers it
// every few pixels, reduced by the plug-in's scaler in the host's own buffer
// to fit the preview box, with the 8-bit preview and the selection bitmap
// built from it. The editor shows it; a replay without the editor analyses
// it. The source and mask views show the host's buffers, so they hold only
// until the host is next asked for anything.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"

// Reads the whole filter rectangle into edit (source view, mask view, 8-bit
// preview, selection bitmap), reduced to fit previewWidth x previewHeight.
// Every failure but the user's cancel (kUiErrCancelled) is alerted here: the
// host's (kUiErrGeneral), the scaler's, an empty selection (kUiErrGeneral), and
// memory short (kUiErrMemory) or a preview or filter rectangle without area
// (kUiErrArg) as "reading image file". Anything read before is released first,
// and everything on failure.
int32_t ReadReducedImage(EditState* edit, int32_t previewWidth, int32_t previewHeight);

// The editor's read of the whole image: the reduced read, and when the
// editor was zoomed and the new preview is still reduced, the zoom window
// read again at its centre (else the zoom ends).
int32_t ReadEditorImage(EditState* edit, int32_t previewWidth, int32_t previewHeight);

// The 1:1 read of the editor's zoom, only while the preview is reduced: a
// window of the preview box's size at full resolution, centred on the point
// (preview coordinates when inPreview, else image coordinates) and shifted,
// not shrunk, to lie inside the filter rectangle. The zoom views then show
// the host's buffers. kUiOk at once when the preview is not reduced.
int32_t ReadZoomWindow(EditState* edit, int32_t x, int32_t y, bool inPreview);

// Back from the zoom to the whole reduced image in the host's buffers: at 8
// bits the preview (and the kept transparency) copied back into them, at 16
// bits the reduced image read again. kUiOk at once when not zoomed.
int32_t ZoomOut(EditState* edit);

// Repeats the editor's current read after another read has refilled the
// host's buffers: the zoom window at its centre, or the reduced image (the
// views only; the preview and the selection stay).
int32_t RepeatCurrentRead(EditState* edit);

// Releases the images of the reads; the views then show nothing.
void FreePreviewImages(EditState* edit);
