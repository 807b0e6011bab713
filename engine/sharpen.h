// The 5 × 5 unsharp filter, run as a window of five rows over a stream of
// image rows. Rows go in from top to bottom, one call each; finished rows come
// out to the row sink in the same order, two rows behind the input:
//   rows 0 and 1 are passed on at once, unsharpened;
//   from row 4 on, each new row completes the window around row (index - 2),
//   which is sharpened and passed on;
//   after the last row the last two rows are passed on, unsharpened.
// With strength 0, or an image of 4 rows or fewer, every row is passed on as
// it comes, unchanged.
//
// A row handed to the sink points into the window's own storage: it is valid
// during the sink call only, and the sink must not write into it.
#pragma once

#include <cstdint>

#include "engine/row_desc.h"

constexpr int32_t kSharpenMaxStrength = 24;
// Channel selectors: each channel by itself, or channel 0 .. 3's change added
// to every channel.
constexpr int32_t kSharpenEachChannel = -1;
constexpr int32_t kSharpenMaxSelector = 3;

struct SharpenParams {
    int32_t strength;    // 0 .. 24
    int32_t selector;    // -1: each channel by itself; 0 .. 3: that channel's change to all
    uint32_t width;      // pixels per row, at least 1
    uint32_t height;     // rows of the image
    uint32_t channels;   // 1 .. 4; a selector of 0 .. 3 must name one of them
    uint32_t colorKind;  // TwSpace; lightness first: channel 0 sharpened, the others not
    uint32_t planar;     // layout of the rows in and out, as in RowDesc
    uint32_t order;      // channel order written into the rows passed on
    uint32_t depth;      // 1: 8-bit samples (data8), 2: 16-bit samples (data16)
    int32_t lo, hi;      // clamping range of the sharpened samples
    RowSink sink;
    void* sinkContext;
};

struct SharpenWindow;

// True when the filter changes anything: a strength above 0 and more than 4 rows.
bool sharpenIsActive(int32_t strength, uint32_t height);

// Validates the parameters (kUiErrArg) and allocates the five rows
// (kUiErrMemory when memory is short; nothing is kept). On failure *out stays
// null.
int32_t sharpenOpen(SharpenWindow** out, const SharpenParams* params);

// Takes the next row (width, channels, layout and depth as opened; kUiErrArg on
// a mismatch or after the last row) and passes on every row it finishes.
// Returns the first non-zero status of the sink, or kUiOk.
int32_t sharpenPutRow(SharpenWindow* window, const RowDesc* row);

// The storage the next row will occupy inside the window (width × channels
// samples of the opened depth and layout), or null when the filter is not
// active. A producer may write the next row straight into it and then hand
// sharpenPutRow a row descriptor that points there, which saves a copy.
void* sharpenNextRowBuffer(SharpenWindow* window);

// Releases everything and sets *window to null; kUiErrArg when window is null.
int32_t sharpenClose(SharpenWindow** window);
