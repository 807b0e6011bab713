// The noise filter: a thresholded median over a two-dimensional mask, run on
// a stream of image rows. Each channel has a radius (0 leaves it untouched)
// and a threshold; a pixel's value becomes the median of the values under the
// mask that lie within the threshold of it. With the luminance–chrominance
// switch the three channels are filtered as Y, U and V (engine/luma_chroma.h).
//
// Rows go in from top to bottom; every row comes out exactly once, in order,
// R rows behind the input (R the largest radius); the rows beyond the image's
// edges are copies of its first and last row, the columns beyond its sides
// copies of the edge samples. A row handed to the sink is valid during the
// sink call only. Memory grows with the width and the radius, never with the
// height.
#pragma once

#include <cstdint>

#include "engine/row_desc.h"

struct NoiseParams {
    uint32_t width;         // pixels per row
    uint32_t height;        // rows of the image or rectangle
    uint32_t colorKind;     // TwSpace: RGB or Lab, three channels; CMYK four; grey one
    uint8_t lumaChroma;     // 1: filter in Y, U, V (three channels only); other values: off
    int32_t channels;       // 1 .. 4
    int32_t radius[4];      // 0 .. 16 per channel; the random disc needs 0 or 3 .. 16
    int32_t threshold[4];   // 0 or more per channel, in 8-bit sample units
    uint32_t maskShape;     // 0 square, 1 disc, 2 diamond, 3 cross, 4 random disc, 5 eight rays
    uint32_t planarOutput;  // non-zero: the rows passed on are planar, else interleaved
    uint32_t order;         // kRowOrderIdentity3 for RGB and Lab, kRowOrderIdentity4 for CMYK
    uint32_t outputDepth;   // 1: 8-bit rows out; anything else: 16-bit
    RowSink sink;
    void* sinkContext;
};

struct Mask2dState;

// Validates (kUiErrArg), allocates (kUiErrMemory) and builds the masks; on
// failure *out stays null and nothing is kept.
int32_t mask2dOpen(Mask2dState** out, const NoiseParams* params);

// Consumes one row (the opened width; 8-bit samples when data8 is set, else
// 16-bit; its own planar flag; three channels when filtering in Y, U, V) and
// passes on every row it finishes. Each row passed on carries the user value
// of the row just consumed. Returns the first non-zero status of the sink,
// kUiErrArg for a bad row or a row beyond the height, else kUiOk.
int32_t mask2dPutRow(Mask2dState* state, const RowDesc* row);

// Releases everything and sets *state to null; kUiErrArg when state is null.
int32_t mask2dClose(Mask2dState** state);
