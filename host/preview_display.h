// Showing 8-bit images in the editor's dialogs through the host's
// displayPixels.
#pragma once

#include <cstdint>

#include "editor/preview_reads.h"

// Shows the part `source` of image with its top left at (dstRow, dstCol) of
// the platform context. Without displayPixels nothing is drawn (kUiOk);
// kUiErrArg for an image or part that does not fit; kUiErrGeneral when the host
// fails.
int32_t ShowImage(const DisplayImage& image, const PassRect& source, int32_t dstRow, int32_t dstCol,
                  void* platformContext);

// The table of the editor's reads and display, filled with this layer's
// functions.
const PreviewReads* HostPreviewReads();
