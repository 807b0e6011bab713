// The reduced view of a filter area that a preview box shows: how the area is
// asked for (the box limited to the area, the reduction factor, the host's
// subsampling step, the area in subsampled coordinates), how what the host
// delivers becomes the view the editor shows and the analyses measure (the
// scaler's reduction into the box, 16-bit samples taken from the host's
// range), and the selection bitmap of that view. The plug-in's reads and the
// batch command's own account of a correction build the view through these
// same functions.
#pragma once

#include <cstdint>

#include "engine/ip_image.h"
#include "engine/pass_rect.h"

struct ReducedRead {
    int32_t boxWidth;  // the preview box, each side limited to the filter area's
    int32_t boxHeight;
    int32_t factor;  // PreviewReductionFactor of the box
    int32_t step;    // the host's subsampling step, PreviewSubsampling(factor)
    PassRect area;   // the filter area with each edge divided by step; at least 1 x 1
};

// How the filter area is read for a preview box of previewWidth x
// previewHeight. kUiErrArg when the area or the box has no area.
int32_t PlanReducedRead(const PassRect& filter, int32_t previewWidth, int32_t previewHeight,
                        ReducedRead* read);

// Reduces the delivered source view (and the mask view, kind kIPImageMask,
// when there is one) into the box where they lie, with the scaler in its
// tent mode, when the factor is not 1; the views then show the produced
// size. kUiOk, or the scaler's error.
int32_t ReduceIntoBox(const ReducedRead& read, IPImage* source, IPImage* mask);

// 16-bit samples from the host's 0 .. 32768 to 0 .. 65534: each above 32767
// taken as 32767, then doubled. Only the three colour planes of the view are
// converted; a transparency plane keeps the host's values. The view is
// marked as of the host's range (65534 its clipped value).
void ConvertColour16(IPImage* view);

// The last step of every reduced read: the colour samples of the reduced
// view taken from the host's range (16 bits).
void FinishReducedView(IPImage* source);

// A host 16-bit sample as a byte: the high byte of its converted value (so
// 32768 gives 255 and 16384 gives 128).
inline uint8_t HostSampleByte16(uint16_t s) {
    return uint8_t(uint32_t(s > 32767 ? 32767 : s) * 2u >> 8);
}

// Sample k of pixel (x, y) as a byte: the high byte of a converted 16-bit
// sample. The colour planes are converted already; a transparency sample
// still has the host's range and is taken as it would be converted.
uint8_t ViewSampleByte(const IPImage& view, int32_t k, int32_t x, int32_t y);

// Bytes per row of the selection bitmap of a view w pixels wide.
inline int32_t SelectionRowBytes(int32_t width) {
    return (width + 7) / 8;
}

// True when the view has a selection: a mask view, or a fourth plane.
bool ViewHasSelection(const IPImage& source, const IPImage& mask);

// Sets one bit per selected pixel of source in bits (SelectionRowBytes x
// height bytes, cleared here): the mask above 128 when there is a mask view,
// and, with a fourth plane, the transparency above 128. Returns how many
// pixels are selected.
int64_t MarkSelectedPixels(const IPImage& source, const IPImage& mask, uint8_t* bits);
