// The record in which image rows travel between the filtering pass, the noise
// engine and the transform application driver.
#pragma once

#include <cstdint>

#include "engine/colour_space.h"

// Channel order: two bits per channel, channel c's source index at bits 2c.
constexpr uint32_t kRowOrderIdentity3 = 36;   // 0, 1, 2
constexpr uint32_t kRowOrderIdentity4 = 228;  // 0, 1, 2, 3

struct RowDesc {
    uint32_t width;
    uint32_t channels;
    uint32_t colorKind;  // TwSpace
    uint32_t planar;     // non-zero: channel c starts at c × width; else interleaved
    uint32_t order;
    uint8_t* data8;  // exactly one of the two is set; data8 is tested first
    uint16_t* data16;
    uint64_t user;  // carried through unchanged
};

// Receives finished rows, in order; a non-zero status stops the producer.
typedef int32_t (*RowSink)(void* context, const RowDesc* row);
