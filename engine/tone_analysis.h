// Tone analysis: per RGB channel the black point, white point and mid-grey
// that the levels step of the tone curve uses, measured from a 101-bin
// lightness histogram of the image view and the mean colours of its darkest
// and lightest 1 %. The amounts blend between a neutral result and the full
// automatic one.
//
// Lightness of a pixel: (max(R, G, B) + min(R, G, B)) / 2 as a percentage of
// the code range. Pixels with any channel clipped (at the code maximum, or
// at 65534 in a 16-bit view converted from the host's range) are ignored
// throughout.
#pragma once

#include <cstdint>

#include "engine/compile_params.h"
#include "engine/ip_image.h"

constexpr int32_t kToneHistogramBins = 101;  // bin p: lightness p %

// Builds the histogram over the pixels the mask selects (all without a mask)
// and sets p's blackPoint, midGray and whitePoint through ComputeAutoLevels.
// kUiOk at once when no automatic switch is on; kUiErrArg for a missing
// argument, a view that fails CheckImageView or a mask that does not cover it;
// kUiErrMemory when the histogram cannot be had (the points unchanged).
int32_t AnalyzeTones(CompileParams* p, const IPImage* view, const SelectionMask* mask);

// The points from a histogram of `total` counted pixels. The mean colours of
// the extremes come from a second pass over every counted pixel of the view,
// selected or not. A channel whose chord or black-to-white span is flat keeps
// its neutral points (0, 0.5, 1). kUiErrArg for a missing argument or a bad
// view.
int32_t ComputeAutoLevels(CompileParams* p, const uint32_t* histogram, uint32_t total,
                          const IPImage* view);
