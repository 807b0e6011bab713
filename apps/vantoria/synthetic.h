// A synthetic photograph-like test image (gradients and a skin-toned disc),
// for runs without an input file.
#pragma once

#include "apps/vantoria/image_buffer.h"

void MakeSyntheticImage(int32_t width, int32_t height, int32_t depth, ImageBuffer* image);
