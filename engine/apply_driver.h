// The transform application driver: runs image rows through a Tintwork read
// back from its stream form and the 5 × 5 sharpen, in the order the
// placement asks for, and hands each finished row to a row sink. Also the
// masked write-back of the filtering pass.
//
// Modes, fixed when the driver is opened:
//   0 copy (converting the depth), 1 transform, 2 sharpen (converting the
//   depth first), 3 transform then sharpen, 4 sharpen then transform.
// Rows leave in the order they came, the sharpen delaying them by two rows.
#pragma once

#include <cstdint>

#include "engine/row_desc.h"
#include "engine/tintwork.h"

constexpr uint32_t kApplyDriverMaxStream = 265000;  // bytes of a Tintwork stream

enum ApplyMode : int32_t {
    kApplyCopy = 0,
    kApplyTransform = 1,
    kApplySharpen = 2,
    kApplyTransformSharpen = 3,
    kApplySharpenTransform = 4,
};

enum ApplyPlacement : int32_t {
    kPlaceAfterTransform = 0,
    kPlaceBeforeTransform = 1,
    kPlaceAutomatic = 2,  // before for lightness-first input or fewer inputs than outputs
};

struct ApplyDriverParams {
    const uint8_t* stream;  // a Tintwork's stream form, or null: no transform
    uint32_t streamSize;    // bytes at stream, at most kApplyDriverMaxStream
    // Code ranges given to every input and output channel of the transform;
    // without one they define the depth conversion.
    uint32_t inMin, inMax, outMin, outMax;
    int32_t sharpenStrength;  // 0 .. 24; 0 is off
    int32_t sharpenSelector;  // -1 .. 3
    int32_t placement;        // ApplyPlacement
    uint32_t width, height;
    int32_t inputDepth, outputDepth;  // 1: 8-bit samples, 2: 16-bit
    RowSink sink;
    void* sinkContext;
    int32_t planar;  // 1: rows in and out are planar; 0: interleaved
    // Channel order of the incoming rows. Without a transform it also gives
    // their channel count: 36 three channels, 228 four, anything else one.
    uint32_t order;
};

struct ApplyDriver;

// The transform's stream form, as the driver reads it, in a new block of
// kApplyDriverMaxStream bytes: *stream (released with Ui_Free) and *size.
// kUiErrMemory, or the writer's error (nothing kept).
int32_t WriteDriverStream(const Tintwork* tw, uint8_t** stream, uint32_t* size);

// Validates (kUiErrArg), reads the stream (kUiErrFormat when malformed), sets
// the Tintwork's depths and ranges, and allocates the buffers (kUiErrMemory;
// nothing kept). On failure *out stays null.
int32_t OpenApplyDriver(const ApplyDriverParams* params, ApplyDriver** out);
// Takes the next row: its width, channel count, order, layout and depth must
// be those of the opened driver (kUiErrArg otherwise, and after the last row).
// Returns the first non-zero status of the sink or a stage, or kUiOk.
int32_t ApplyDriverRow(ApplyDriver* driver, const RowDesc* row);
int32_t ApplyDriverMode(const ApplyDriver* driver);
// Destroys the Tintwork and frees every buffer; null is allowed.
void CloseApplyDriver(ApplyDriver* driver);

// Masked write-back of a row: each output sample is the source sample
// blended with the corrected one by the pixel's mask byte m: m = 0 keeps the
// source, 255 takes the corrected value, otherwise
// (source × (255 - m) + corrected × m + 128) >> 8. All three runs have the
// same depth (kUiErrArg otherwise); *rowsWritten, when given, counts the rows.
int32_t MaskedWriteBack(uint32_t count, int32_t channels, const TwRun* source,
                        const TwRun* corrected, const uint8_t* mask, const TwRun* out,
                        uint32_t* rowsWritten);
