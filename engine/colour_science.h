// Colour science primitives: CIE XYZ, xyY, L*a*b*, L*u*v* and LCh, lightness,
// the daylight white of a colour temperature, chromatic adaptation.
//
// Colours are f32 triples: XYZ relative to a white of Y = 1, xyY, Lab (L 0 ..
// 100), Luv, LCh (h in degrees, 0 <= h < 360). Every conversion reads its input
// triple before it writes the output, so the two may be the same array.
// Statuses: kUiOk done, kUiErrArg bad argument or impossible case,
// kUiErrGeneral an input out of range while the check mode is strict.
#pragma once

#include <cstdint>

#include "engine/engine_switches.h"

// ---- Range checks ----------------------------------------------------------

// The check mode is one of the engine's switches (engine/engine_switches.h).
// Each check acts by the current mode; in clamp mode it repairs in place.
int32_t CheckLab(float lab[3]);
int32_t CheckLightness(float luv[3]);  // the L of a Luv triple
int32_t CheckColorTemperature(float* kelvin);
int32_t CheckxyY(float xyY[3]);
int32_t CheckXYZ(float xyz[3]);

constexpr double kLabEpsilon = 216.0 / 24389.0;  // 0.008856451679035631
constexpr double kLabKappa = 24389.0 / 27.0;     // 903.2962962962963
constexpr float kMinColorTemperature = 4000.0f;
constexpr float kMaxColorTemperature = 25000.0f;

// ---- Elementary functions --------------------------------------------------

// sign(x) · |x|^p: a negative base keeps its sign instead of failing.
float SignedPow(float x, float p);

// CIE lightness from relative luminance and back; both are odd functions.
float YToLightness(float y);
float LightnessToY(float lightness);

// ---- Conversions -----------------------------------------------------------

int32_t LabToLCh(const float lab[3], float lch[3]);
int32_t LChToLab(const float lch[3], float lab[3]);
int32_t XYZToLab(const float xyz[3], float lab[3], const float white[3]);
int32_t LabToXYZ(const float lab[3], float xyz[3], const float white[3]);
int32_t LuvToXYZ(const float luv[3], float xyz[3], const float white[3]);
int32_t xyYToXYZ(const float xyY[3], float xyz[3]);

// ---- Daylight and the forms that take a colour temperature (kelvin) -------

// CIE daylight chromaticity as (x, y, 1).
int32_t DaylightChromaticity(float kelvin, float xyY[3]);
// XYZ of the daylight white, Y = 1.
int32_t DaylightXYZ(float kelvin, float xyz[3]);

int32_t XYZToLabAtTemperature(const float xyz[3], float lab[3], float kelvin);
int32_t LabToXYZAtTemperature(const float lab[3], float xyz[3], float kelvin);
int32_t LuvToXYZAtTemperature(const float luv[3], float xyz[3], float kelvin);
int32_t xyYToLabAtTemperature(const float xyY[3], float lab[3], float kelvin);
// Luv and Lab both relative to the 6500 K daylight white.
int32_t LuvToLab(const float luv[3], float lab[3]);

// ---- Chromatic adaptation ----------------------------------------------------

enum AdaptMethod : int32_t {
    kAdaptVonKriesXYZ = 0,   // scaling of X, Y and Z themselves
    kAdaptBradford = 1,      // scaling in the Bradford cone space
    kAdaptVonKriesCone = 2,  // scaling in the von Kries cone space
};

// Adapts xyz seen under sourceWhite to its corresponding colour under
// destWhite. kUiErrArg for an unknown method or a white with a zero response.
int32_t AdaptXYZ(const float xyz[3], float out[3], const float sourceWhite[3],
                 const float destWhite[3], int32_t method);
