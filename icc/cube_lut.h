// The correction as a three-dimensional lookup table in the ".cube" text
// form: a TITLE line, LUT_3D_SIZE 33, the domain, then one line of red,
// green and blue (0..1, the working space's encoded RGB) per node, red
// varying fastest.
#pragma once

#include <cstdint>

#include "engine/tintwork.h"

constexpr int32_t kCubeLutPoints = 33;

// The corrected colour of node (r, g, b), each index 0 .. points - 1: the node
// colour taken to 8-bit code values, through the Tintwork, scaled to 0..1.
int32_t CubeLutNode(const Tintwork* tw, int32_t points, const int32_t index[3], double out[3]);

// Writes the file through the file layer's safe replacement: a failure
// leaves no partial file and a former file of that name intact. The title's
// quotes and control characters become spaces.
int32_t WriteCubeLut(const Tintwork* tw, const char* title, const char* path);
