// Private to the Tintwork files: the kernel table and the helpers the object,
// builder, kernel and stream files share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/tintwork.h"

typedef void (*TwKernelFn)(const Tintwork* tw, uint32_t count, const TwRun& in, const TwRun& out);

// Kernel families. The table-only shapes map output k through one lookup
// table from input k (no grid) or from input 0 (a grid with one input).
enum TwShape : uint8_t {
    kTwShapeNoGrid = 0,
    kTwShapeOneInput = 1,
    kTwShapeGrid2 = 2,  // no kernel: the grid kernels need 3 or 4 inputs
    kTwShapeGrid3 = 3,
    kTwShapeGrid4 = 4,
};

// One row of the dispatch table; gridDepth 0 matches either grid depth. A
// null vector entry means the case has only the portable loop; a null
// AVX-512 entry, that the AVX-512 path runs the vector (AVX2) loop.
struct TwKernelEntry {
    uint8_t shape;
    uint8_t gridDepth;
    uint8_t inputDepth;
    uint8_t outputDepth;
    TwKernelFn scalar;
    TwKernelFn vector;
    TwKernelFn avx512;
};

extern const TwKernelEntry kTwKernels8[];  // 8-bit input
extern const size_t kTwKernels8Count;
extern const TwKernelEntry kTwKernels16[];  // 16-bit input
extern const size_t kTwKernels16Count;

TwShape TwShapeOf(const Tintwork* tw);
// First table row for the Tintwork's case; null when none fits.
const TwKernelEntry* TwFindKernel(const Tintwork* tw);

// Channels a colour-space code requires; 0 for an unknown code.
int32_t TwSpaceChannels(int32_t space);
// True for the shapes that map channels through full lookup tables.
bool TwIsTableOnly(const Tintwork* tw);
// Entries of a full table of stored data: 256 (gridDepth 1) or 65536.
uint32_t TwFullTableLength(int32_t gridDepth);
uint32_t TwGridMax(int32_t gridDepth);
uint32_t TwCodeMax(int32_t depth);
// Floor of log2(v), 0 for v <= 1.
uint32_t TwLog2(uint32_t v);

// Table sizes; every table has a few spare entries after its end so that the
// vector kernels may fetch 32 bits at its last entry.
constexpr uint32_t kTwTablePad = 4;

// Allocates the zeroed grid once every input has its nodes (kUiErrArg before).
int32_t TwAllocGrid(Tintwork* tw);
// Finishes the object once its grid holds every value: builds every derived
// table and chooses the kernel.
int32_t TwFinish(Tintwork* tw);

// Frees every derived table (not the grid).
void TwFreeDerivedTables(Tintwork* tw);
// Builds the output table of channel k for the current depth and range.
int32_t TwBuildOutputTable(Tintwork* tw, int32_t k);

// The order of the inputs by decreasing fraction for each pattern of
// fraction comparisons. Bit p of a pattern is set when f_i >= f_j for the
// p-th pair (i < j) in the order (0,1), (0,2), (0,3), (1,2), (1,3), (2,3) with
// pairs beyond the input count left out.
struct TwSimplexOrder {
    uint8_t order[64][4];
};
const TwSimplexOrder& TwSimplexOrderTable(int32_t inputs);
