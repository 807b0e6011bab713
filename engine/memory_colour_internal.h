// Helpers shared by the memory-colour files: the path between encoded
// working-space RGB and XYZ under the 5000 K reference white.
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"
#include "engine/matrix.h"
#include "engine/working_space.h"

// Encoded RGB → linear (power gamma) → XYZ (toXYZ) → adapted from the working
// white to the 5000 K white (Bradford).
int32_t WorkingRGBToReferenceXYZ(const float rgb[3], const RefRGB& ref, const Matrix* toXYZ,
                                 float xyz[3]);

// XYZ under the 5000 K white → adapted to the working white (Bradford) →
// linear working RGB (toRGB), not clamped.
int32_t ReferenceXYZToLinearRGB(const float xyz[3], const RefRGB& ref, const Matrix* toRGB,
                                float linear[3]);

// Encoded RGB → the LCh under the 5000 K white.
int32_t WorkingRGBToReferenceLCh(const float rgb[3], const RefRGB& ref, const Matrix* toXYZ,
                                 float lch[3]);

// The ideal of fcn at lightness L as XYZ under the 5000 K white.
int32_t ColorFunctionXYZ(float lightness, const MemoryColorFcn& fcn, float xyz[3]);

bool IsRGBMatrix(const Matrix* m);

// An angle in degrees brought into [0, 360).
float WrapDegrees(double degrees);

// The working space's matrices for the memory-colour operations that build
// their own: kUiErrMemory when they cannot be had, whether for memory or for
// singular primaries.
int32_t MakeWorkingToXYZ(const RefRGB& ref, Matrix** out);
int32_t MakeWorkingFromXYZ(const RefRGB& ref, Matrix** out);
