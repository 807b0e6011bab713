// Reducing an image view to fit a box (the preview scaler) and enlarging a
// window of one by whole pixel blocks (the zoom of the sharpen / noise
// preview). Both work on every plane of IPImage views of 8- or 16-bit samples.
#pragma once

#include <cstdint>

#include "engine/ip_image.h"

enum IPScaleMode : int32_t {
    kIPScaleNearest = 0,  // nearest sample
    kIPScaleTent = 1,     // tent filter as wide as the step
};

// Called after each output row with the fraction of the rows done (0 .. 1);
// a non-zero return stops the scaler, which returns that value.
typedef int32_t (*IPScaleProgress)(double fractionDone, void* context);

// The size that src (ws × hs, each at least 1) takes in a box of wb × hb: the
// largest size of the source's shape that fits the box, each side at least 1
// and never more than the source's. kUiErrArg for a side below 1.
int32_t IPScaleFit(int32_t ws, int32_t hs, int32_t wb, int32_t hb, int32_t* wout, int32_t* hout);

// Reduces src into dst, whose width and height give the box (each at least 2)
// and whose planes receive the result from their top left; the produced size
// goes to *outWidth and *outHeight. Both views have the same kind, plane count
// and bytes per sample (1 or 2). The step between output samples, 16.16 fixed,
// is the smaller of the two axes' steps and serves both. kUiOk; kUiErrArg for
// bad arguments (a source side of 0 included) or differing sample widths;
// kUiErrMemory when memory is short; or the progress callback's non-zero
// return.
// dst may lie over src's own samples with src's strides (a reduction in
// place): an output row is written only after every source row at or above
// it has been consumed.
int32_t IPScaleImageDown2(const IPImage* src, int32_t mode, IPImage* dst, int32_t* outWidth,
                          int32_t* outHeight, IPScaleProgress progress, void* context);

// Fills dst with src enlarged zoom times (each source pixel a zoom × zoom
// block), the window placed by fx and fy (0 .. 1: 0 the left or top, 1 the
// right or bottom end of what does not fit). Destination pixels beyond the
// enlarged source are left alone. kUiErrArg for views that differ in kind,
// plane count or sample width, missing or shared plane pointers, sizes or
// strides below 1, zoom below 1, or fractions outside 0 .. 1.
int32_t IPZoomReplicate(const IPImage* src, IPImage* dst, int32_t zoom, float fx, float fy);
