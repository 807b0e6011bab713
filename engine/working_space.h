// The RGB working space: a pure power-law transfer function, a white point and
// three primaries; its linear-RGB <-> XYZ matrices; and the comparison that
// tells whether saved settings were made for the same space.
#pragma once

#include <cstdint>

#include "engine/matrix.h"

// The working space as it is stored at the head of the settings record.
struct RefRGB {
    float gamma;         // transfer exponent: linear = encoded^gamma
    float xyzWhite[3];   // XYZ of the white, Y normally 1
    float primaries[6];  // CIE xy of red, green, blue: x_r, y_r, x_g, y_g, x_b, y_b
};

constexpr float kDefaultGamma = 2.2f;
constexpr float kDefaultPrimaries[6] = {0.64f, 0.33f, 0.30f, 0.60f, 0.15f, 0.06f};
constexpr float kDefaultWhiteKelvin = 6500.0f;  // the white is that daylight's XYZ

// Gamma range that the working-space check accepts.
constexpr float kMinWorkingGamma = 0.1f;
constexpr float kMaxWorkingGamma = 10.0f;

// The default space: gamma 2.2, the primaries above, the 6500 K daylight white.
int32_t DefaultRefRGB(RefRGB* ref);

// Round half away from zero to four decimals: primaries are kept this way.
float RoundToFourDecimals(float v);
void RoundPrimaries(float primaries[6]);

// RGB matrices are 3 × 3, row k the XYZ of primary k at full intensity, so that
// XYZ = r·row0 + g·row1 + b·row2. The builders allocate the matrix; the caller
// releases it with MatrixFree. They fail (*out null) with kUiErrArg when a
// primary has y = 0 or the primaries are collinear or a value is not finite,
// and kUiErrMemory when memory is short.
int32_t MakeRGBToXYZ(const float primaries[6], const float white[3], Matrix** out);
int32_t MakeXYZToRGB(const float primaries[6], const float white[3], Matrix** out);

// out_j = sum over k of in_k · m[k][j]; in and out may be the same array.
// kUiErrArg unless m is 3 × 3.
int32_t ApplyMatrix(const Matrix* m, const float in[3], float out[3]);

// The transfer function; negative values keep their sign.
float EncodedToLinear(float encoded, float gamma);
float LinearToEncoded(float linear, float gamma);

// Usable working space: gamma within [0.1, 10] and both matrices buildable.
// kUiOk, kUiErrGeneral when it is not usable, kUiErrMemory when memory is short, kUiErrArg for
// null.
int32_t CheckWorkingSpace(const RefRGB* ref);

// True when a and b describe the same space: gammas, whites and primaries within
// 1e-5, the primaries of both rounded to four decimals first. The first
// difference found is written to the diagnostics log (always: a mismatch is
// worth a line whether or not diagnostics are on).
bool RefRgbMatch(RefRGB a, RefRGB b);

// A working space as a host describes it (its monitor record): gamma and the
// x, y chromaticities of the red, green and blue primaries and of the white,
// each 16.16 fixed. Gamma 0: none given.
struct FixedWorkingSpace {
    int32_t gamma;
    int32_t primaries[6];  // red x, y, green x, y, blue x, y
    int32_t white[2];
};

// The space of such a description into ref, or the default space when none is
// given, primaries rounded as the settings keep them; the values are logged
// at the given level.
void RefRGBFromFixed(const FixedWorkingSpace& space, RefRGB* ref, uint8_t diagnostics);
