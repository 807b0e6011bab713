// The per-channel tone curve of the compiler: levels (black point, mid-grey,
// white point), brightness and contrast by the bias function applied twice,
// and the grey-balance table of the memory colours. All values normalised to
// [0, 1].
#pragma once

#include <cstdint>

#include "engine/compile_params.h"

constexpr int32_t kGreyBalanceEntries = 100;  // table entry i stands at i / 99

// β(a, y) = (1 − 2a)·y² + 2a·y: the identity for a = 0.5, above the diagonal
// for a > 0.5.
float BiasFunction(float a, float y);
// β(a, β(a, y)).
float BiasTwice(float a, float y);

// Levels: [black, white] stretched over [0, 1], the mid level
// (white − black)·mid + black going to 0.5; clamped to [0, 1]. A span
// narrower than 1e-6 takes the limit of its branch.
float LevelsCurve(float x, float black, float white, float mid);

// Levels, brightness and contrast of channel c (0 .. 2) at x, without the
// grey balance.
float ToneCurve(const CompileParams& p, int32_t c, float x);

// The grey-balance table (kGreyBalanceEntries values) at y, interpolated
// linearly.
float GreyBalance(const float* table, float y);

// The whole curve of channel c: ToneCurve, then the grey balance when table
// is given.
float FullToneCurve(const CompileParams& p, int32_t c, float x, const float* table);
