// The masks of the noise filter and the random numbers that shape and turn
// the random sparse disc. A mask is a 33 × 33 byte grid, row by row with a
// row stride of 33; the mask of radius r uses its top-left (2r + 1) square
// with the centre at (r, r), and a non-zero cell belongs to it.
#pragma once

#include <cstdint>

constexpr int32_t kNoiseMaxRadius = 16;
// The random disc needs room for more than its centre: a radius of 0 or at
// least this.
constexpr int32_t kNoiseMinDiscRadius = 3;
constexpr int32_t kMaskSide = 2 * kNoiseMaxRadius + 1;  // 33
constexpr int32_t kMaskCells = kMaskSide * kMaskSide;   // 1089

enum NoiseShape : uint32_t {
    kNoiseSquare = 0,
    kNoiseDisc = 1,
    kNoiseDiamond = 2,
    kNoiseCross = 3,
    kNoiseRandomDisc = 4,  // a sparse random subset of the disc, turned after every row
    kNoiseRays = 5,        // no mask: eight rays from the centre
};

// The minimal standard generator: state ← state × 16807 mod (2^31 − 1),
// computed by Schrage's method.
constexpr uint32_t kNoiseSeed = 1928274;

struct NoiseRandom {
    int32_t state;
};

int32_t NoiseRandom_Next(NoiseRandom* random);
// A value in [0, m): (next >> 11) mod m.
uint32_t NoiseRandom_Below(NoiseRandom* random, uint32_t m);

// Fills the mask of a radius (0 .. 16) and shape (0 .. 4); a radius of 0 gives
// the centre cell alone. The random disc draws from random.
void NoiseMask_Build(uint8_t mask[kMaskCells], int32_t radius, uint32_t shape, NoiseRandom* random);

// Replaces the (2r + 1) square by one of its seven symmetries (0 .. 6):
// transpose, quarter turn clockwise, mirror left–right, quarter turn
// anticlockwise, mirror top–bottom, transpose on the other diagonal, half turn.
void NoiseMask_Reorient(uint8_t mask[kMaskCells], int32_t radius, uint32_t symmetry);
