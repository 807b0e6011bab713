// Memory colours: the colour function that describes the ideal look of a
// colour the user knows (greys, skin, foliage, sky), the pull of a sampled
// colour toward that ideal, eyedropper regions grown in an image view and
// binned into samples by lightness, the fits of a colour function from a
// picked colour, from clicked regions and from CIE measurements, and the
// swatches that show a colour function.
//
// All memory-colour work is done under the CIE daylight white of 5000 K;
// working-space colours are adapted to it and back with the Bradford method.
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"
#include "engine/ip_image.h"
#include "engine/matrix.h"
#include "engine/working_space.h"

constexpr float kMemoryColorKelvin = 5000.0f;

// ---- The colour function and the target of a colour -------------------------

// The LCh of fcn at CIE lightness L: chroma maxChroma·0.04·L·(1 − L/100) (the
// parabola through 0 at L = 0 and L = 100 with its top, maxChroma, at 50; a
// lightness outside 0 .. 100 gives chroma 0), hue baseHue + (L − 50)·dHdL
// brought into [0, 360). lch may not be null: -1.
int32_t ColorFunctionLCh(float lightness, const MemoryColorFcn& fcn, float lch[3]);

// The colour that rgb (encoded working-space RGB in [0, 1]) is pulled to: the
// ideal of fcn at the lightness of rgb, as encoded RGB clamped to [0, 1].
// toXYZ and toRGB are the working space's matrices (MakeRGBToXYZ and
// MakeXYZToRGB of ref). *lightness (may be null) receives the L* of rgb under
// the 5000 K white, by which the caller bins the colour. -1 for a missing
// argument or a matrix that is not 3 × 3.
int32_t MemoryColorTarget(const MemoryColorFcn& fcn, const float rgb[3], const RefRGB& ref,
                          const Matrix* toXYZ, const Matrix* toRGB, float target[3],
                          float* lightness);
