// Kernels for 16-bit input code values: the rows of the dispatch table whose
// input depth is 2, one instantiation of a loop each.
#include "engine/tintwork_kernel_avx512.h"

using namespace twk::names;

// {shape, gridDepth (0: either), input depth, output depth, loop, vector loop,
//  AVX-512 loop}
const TwKernelEntry kTwKernels16[] = {
    {kTwShapeNoGrid, 0, 2, 1, twk::TableKernel<u16, u8, false>, nullptr, nullptr},
    {kTwShapeNoGrid, 0, 2, 2, twk::TableKernel<u16, u16, false>, nullptr, nullptr},
    {kTwShapeOneInput, 0, 2, 1, twk::TableKernel<u16, u8, true>, nullptr, nullptr},
    {kTwShapeOneInput, 0, 2, 2, twk::TableKernel<u16, u16, true>, nullptr, nullptr},
    {kTwShapeGrid3, 1, 2, 1, twk::GridKernel<u8, u16, u8, 3>, TW_VECTOR(u8, u16, u8, 3),
     TW_WIDE(u8, u16, u8, 3)},
    {kTwShapeGrid3, 1, 2, 2, twk::GridKernel<u8, u16, u16, 3>, TW_VECTOR(u8, u16, u16, 3),
     TW_WIDE(u8, u16, u16, 3)},
    {kTwShapeGrid3, 2, 2, 1, twk::GridKernel<u16, u16, u8, 3>, TW_VECTOR(u16, u16, u8, 3),
     TW_WIDE(u16, u16, u8, 3)},
    {kTwShapeGrid3, 2, 2, 2, twk::GridKernel<u16, u16, u16, 3>, TW_VECTOR(u16, u16, u16, 3),
     TW_WIDE(u16, u16, u16, 3)},
    {kTwShapeGrid4, 1, 2, 1, twk::GridKernel<u8, u16, u8, 4>, TW_VECTOR(u8, u16, u8, 4),
     TW_WIDE(u8, u16, u8, 4)},
    {kTwShapeGrid4, 1, 2, 2, twk::GridKernel<u8, u16, u16, 4>, TW_VECTOR(u8, u16, u16, 4),
     TW_WIDE(u8, u16, u16, 4)},
    {kTwShapeGrid4, 2, 2, 1, twk::GridKernel<u16, u16, u8, 4>, TW_VECTOR(u16, u16, u8, 4),
     TW_WIDE(u16, u16, u8, 4)},
    {kTwShapeGrid4, 2, 2, 2, twk::GridKernel<u16, u16, u16, 4>, TW_VECTOR(u16, u16, u16, 4),
     TW_WIDE(u16, u16, u16, 4)},
};
const size_t kTwKernels16Count = sizeof(kTwKernels16) / sizeof(kTwKernels16[0]);
