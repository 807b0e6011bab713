// An image view made ready for the screen: its pixels, corrected or not, as
// an 8-bit interleaved map of three channels (red, green, blue), or four
// when the view has a fourth plane, whose high byte (the transparency) is
// carried as the fourth channel. Rows are channels x width bytes apart.
#pragma once

#include <cstdint>

#include "engine/ip_image.h"
#include "engine/noise.h"
#include "engine/tintwork.h"

// The sharpen and the noise removal of the filtering pass, as the render
// runs them: noise removal, then the transform, then the sharpen.
struct ViewRenderFilters {
    int32_t sharpenStrength;  // 0: no sharpen
    int32_t sharpenSelector;  // -1 .. 3
    uint8_t removeNoise;      // 1: run the noise removal
    // The noise engine's settings: the switch, radii, thresholds and mask
    // shape; the size, the colour layout, the depth and the row sink are the
    // render's own.
    NoiseParams noise;
};

// Channels of the map a view renders into: 4 with a fourth plane, else 3.
int32_t ViewRenderChannels(const IPImage& view);

// Renders view (colour, 8- or 16-bit, 3 or 4 planes) into out (channels as
// ViewRenderChannels, width x height pixels): the colour channels through
// tw, which takes the view's depth and gives 8-bit output, or the view's own
// pixels for tw null (the high byte of a 16-bit sample). With filters (null
// or all off: none), the chain of the filtering pass at the view's depth
// (noise removal, tw when there is one, sharpen), whose results keep their
// high byte. kUiErrArg for a bad view
// or a transform that does not fit it, kUiErrMemory, or a stage's error;
// every buffer is released on every path.
int32_t RenderView(const IPImage& view, const Tintwork* tw, const ViewRenderFilters* filters,
                   uint8_t* out);

// The map in bands of rows: the render fills pixels (rows x width x
// channels bytes) and hands it to flush (may be null) each time it is full
// and after the last row; flush's error stops the render.
struct ViewRenderBand {
    uint8_t* pixels;
    int32_t rows;  // at least 1
    int32_t (*flush)(void* context, int32_t top, int32_t count, const uint8_t* pixels);
    void* context;
};

// RenderView in bands, so that a large view needs no map of its whole size.
int32_t RenderViewBands(const IPImage& view, const Tintwork* tw, const ViewRenderFilters* filters,
                        const ViewRenderBand* band);

// True when filters asks for a stage.
bool ViewRenderFiltersOn(const ViewRenderFilters* filters);
