// The Tintwork: a compiled, table-driven mapping from input code values to
// output code values (up to four channels each side, 8- or 16-bit data), its
// builders, its pixel kernels and its stream form.
//
// Life of a Tintwork: CreateTintwork, SetInputNodes for each input, then
// SetGridNode for every node in increasing index; writing the last node
// finishes it. Only a finished Tintwork passes CheckTintwork and may be
// applied. SetDepth and SetRange may follow at any time and rebuild the
// derived tables.
#pragma once

#include <cstdint>

#include "engine/colour_space.h"

constexpr int32_t kTwMaxChannels = 4;
constexpr uint32_t kTwMaxNodes = 256;

// kind: how the grid nodes are placed along each input.
enum TwKind : int32_t {
    kTwKindUniform0 = 0,  // generated nodes (2, 3, 5, 9 or 17, evenly spaced)
    kTwKindUniform1 = 1,  // the same, also for the lightness-first spaces
    kTwKindExplicit = 2,  // the caller's node list per input
};

enum TwSide : int32_t { kTwSideInput = 0, kTwSideOutput = 1 };

struct TWInput {
    uint32_t rangeMin;  // input code values (8- or 16-bit by inputDepth)
    uint32_t rangeMax;
    uint32_t nodeCount;
    uint16_t nodes[kTwMaxNodes];  // grid code values, strictly increasing
    uint32_t stride;              // grid values between neighbouring nodes
    uint8_t* nodeMap;             // 65536: interval of each 16-bit input value
    uint32_t* offsetTable;        // 256: grid offset by 8-bit value or by interval
    uint16_t* fraction;           // 256 or 65536: fraction15 inside the interval, 0..32768
    uint32_t* located;            // 256 or 65536: interval << 16 | fraction, for the
                                  // vector kernels (one fetch per value, not two)
};

struct TWOutput {
    uint32_t rangeMin;  // output code values
    uint32_t rangeMax;
    uint8_t* table8;    // 256 entries, 8-bit output
    uint16_t* table16;  // 65536 entries, 16-bit output with a range short of 0..65535
};

struct TwKernelEntry;

struct Tintwork {
    int32_t kind;
    int32_t inputChannels;
    int32_t outputChannels;
    int32_t inputSpace;
    int32_t outputSpace;
    int32_t hasGrid;
    int32_t gridDepth;    // 1: u8 grid values, 2: u16
    int32_t inputDepth;   // 1: 8-bit input code values, 2: 16-bit
    int32_t outputDepth;  // 1: 8-bit output, 2: 16-bit
    int32_t shift;        // applied to the weighted sum of grid values
    int32_t rounding;     // added before the shift
    TWInput inputChannel[kTwMaxChannels];
    TWOutput outputChannel[kTwMaxChannels];
    // Grid values node-interleaved (outputChannels per node); without a grid or
    // with one input, one full table per output channel, channel-planar.
    void* grid;
    uint32_t gridValues;  // values held by grid

    // Derived when the object is finished.
    int32_t finished;
    // The table-only cases: per output channel, the output code for each input
    // code value (256 or 65536 entries, u8 or u16 by the output depth).
    void* direct[kTwMaxChannels];
    // Offsets of the inner simplex vertices from the base corner, by the
    // pattern of fraction comparisons (8 patterns for 3 inputs, 64 for 4).
    int32_t simplexOffset[64][3];
    int32_t farCorner;  // offset of the cell's far corner: sum of the strides
    // Per output channel, the table the kernels apply: null when the output
    // table is the identity (full range) or absent.
    const void* outputLookup[kTwMaxChannels];
    const TwKernelEntry* kernel;
};

// A run of samples handed to ApplyTintwork: one pointer per channel at one
// depth, pixels `step` samples apart. The depth must be the Tintwork's input
// (or output) depth, so an 8-bit sample meant for a 16-bit Tintwork is given
// as value × 257 (TwApplyPixel8 does that for single pixels).
struct TwRun {
    int32_t depth;  // 1: uint8_t samples, 2: uint16_t samples
    int32_t step;   // samples between neighbouring pixels of one channel
    void* channel[kTwMaxChannels];
};

TwRun TwInterleaved8(uint8_t* pixels, int32_t channels);
TwRun TwInterleaved16(uint16_t* pixels, int32_t channels);
// Planar: channel c is a run of `count` samples starting at c × planeStride.
TwRun TwPlanar8(uint8_t* pixels, int32_t channels, uint32_t planeStride);
TwRun TwPlanar16(uint16_t* pixels, int32_t channels, uint32_t planeStride);

int32_t CreateTintwork(Tintwork** out, int32_t inputChannels, int32_t outputChannels,
                       int32_t inputSpace, int32_t outputSpace, int32_t hasGrid, int32_t kind,
                       int32_t gridDepth);
int32_t SetInputNodes(Tintwork* tw, int32_t channel, uint32_t count, const uint16_t* nodes);
// values: outputChannels grid values (uint8_t or uint16_t by gridDepth).
int32_t SetGridNode(Tintwork* tw, uint32_t nodeIndex, const void* values);
int32_t SetDepth(Tintwork* tw, int32_t side, int32_t depth);
int32_t SetRange(Tintwork* tw, int32_t side, int32_t channel, uint32_t min, uint32_t max);
int32_t CheckTintwork(const Tintwork* tw);
void DestroyTintwork(Tintwork* tw);

// Applies the transform to count pixels, on the kernel path in force
// (engine/engine_switches.h). kUiErrArg for a missing or unfinished object, a
// run whose depth is not the Tintwork's, or a missing channel pointer.
int32_t ApplyTintwork(const Tintwork* tw, uint32_t count, const TwRun* inputs,
                      const TwRun* outputs);
// One pixel given as 8-bit code values, whatever the input depth (scaled to
// 16 bits when the Tintwork takes 16-bit input); out receives the output code
// values at the output depth.
int32_t TwApplyPixel8(const Tintwork* tw, const uint8_t* in, uint16_t* out);

// The stream form: a 128-byte header, the node lists (explicit nodes only),
// the grid, all big-endian and scrambled with a fixed generator.
struct TwStream {
    uint8_t* data;
    uint32_t capacity;
    uint32_t length;  // bytes written
};
constexpr uint32_t kTwStreamHeaderBytes = 128;
// Byte offsets in the header.
enum TwStreamHeaderField : uint32_t {
    kTwHeaderMagic0 = 0,        // 19
    kTwHeaderMagic1 = 1,        // 0x35
    kTwHeaderInputs = 2,        // inputChannels
    kTwHeaderOutputs = 3,       // outputChannels
    kTwHeaderNodes = 4,         // 4 .. 7, one per input channel (see the writer)
    kTwHeaderKind = 8,          // TwKind
    kTwHeaderInputSpace = 9,    // TwSpace; left 0 for kind 0
    kTwHeaderOutputSpace = 10,  // TwSpace; left 0 for kind 0
    kTwHeaderHasGrid = 11,      // explicit nodes only
    kTwHeaderWide = 12,         // 1 when grid values are 16-bit
    kTwHeaderWideCopy = 13,     // the same again
    kTwHeaderReserved = 14,     // 14 .. 127: zero
};

// Bytes the stream form of tw takes; kUiErrArg for an unfinished object.
int32_t TintworkStreamSize(const Tintwork* tw, uint32_t* size);
// Appends the stream form at stream->length; kUiErrWrite when it does not fit.
int32_t WriteTintworkStream(const Tintwork* tw, TwStream* stream);
// Rebuilds a finished Tintwork (depths 1/1) from a stream; kUiErrFormat for a
// malformed stream, which is never read past size. Bytes after the grid are
// ignored.
int32_t ReadTintworkStream(const uint8_t* data, uint32_t size, Tintwork** out);
// The scrambling of the stream form: XOR with the fixed generator sequence
// from the first byte; applying it twice restores the bytes.
void TwScrambleStream(uint8_t* data, uint32_t size);
