// The images of the sharpen / noise dialog: the full-resolution window under
// its preview, with a margin for the filters' reach, and the small navigator
// image of the whole picture with the current correction.
#pragma once

#include <cstdint>

#include "editor/filter_setup_geometry.h"
#include "editor/preview_reads.h"

// Reads `area` (image coordinates, inside the filter rectangle) at full
// resolution with the margin, repeating the nearest edge pixel where the
// margin lies outside the filter rectangle. The host's request settings are
// put back afterwards and the editor's current read is repeated, since the
// host has refilled its buffers. kUiOk, kUiErrMemory, or the read's error
// (alerted).
int32_t GetPrevImage(EditState* edit, const PassRect& area, int32_t margin, SharpenWindow* window);
void FreeSharpenWindow(SharpenWindow* window);

// The navigator: the preview reduced to navW x navH and corrected by the
// edit state's transform, 8-bit, 3 channels or 4 with the selection.
// kUiErrGeneral when the scaler cannot make exactly that size, kUiErrMemory
// when memory is short.
int32_t SetUpNavPrevImages(const EditState* edit, int32_t navW, int32_t navH,
                           NavigatorImage* navigator);
void FreeNavPrevImages(NavigatorImage* navigator);
