// Colours of a working space as CIELAB under the 5000 K daylight white, the
// white under which memory colours are judged and the exported profile
// speaks: the working space's RGB-to-XYZ rows adapted to that white.
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"
#include "engine/working_space.h"

struct WorkingLab {
    float gamma;
    float toXYZ[9];  // linear RGB to XYZ adapted to the 5000 K white; row k = primary k
    float white[3];  // XYZ of the 5000 K daylight white
};

// The chain of ref: kUiOk, or kUiErrMemory when its RGB-to-XYZ matrix cannot
// be built or adapted.
int32_t InitWorkingLab(const RefRGB& ref, WorkingLab* space);

// Lab of a linear working-space colour; the status of XYZToLab.
int32_t LinearToLab(const WorkingLab& space, const float linear[3], float lab[3]);

// Lab of an encoded working-space colour, 0 .. 1.
void EncodedToLab(const WorkingLab& space, const double rgb[3], double lab[3]);

// The ideal of a memory colour at CIE lightness L, as Lab: the chroma
// parabola (ColorFunctionChroma), hue baseHue + (L − 50)·dHdL degrees.
void MemoryColourIdealLab(const MemoryColorFcn& fcn, double lightness, double lab[3]);
