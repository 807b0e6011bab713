// Eight 32-bit integer lanes, written with the compiler's vector extension so
// that one source serves every instruction set: the portable build lowers a
// lane vector to two 128-bit registers, and functions marked LANES_AVX2 use
// one 256-bit register. Hot loops are written once as always-inline templates
// and instantiated in a portable and an AVX2 function; the engine's kernel
// path (engine/engine_switches.h) picks one when a filter is opened.
#pragma once

#include <cstdint>
#include <cstring>

// Every function here is inlined, so no vector crosses a call and the warning
// about the calling convention of 32-byte vectors does not apply.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

#define LANES_INLINE __attribute__((always_inline)) inline
#define LANES_AVX2 __attribute__((target("avx2")))

typedef int32_t I32x8 __attribute__((vector_size(32)));
typedef uint32_t U32x8 __attribute__((vector_size(32)));
typedef uint64_t U64x8 __attribute__((vector_size(64)));
typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef uint8_t U8x8 __attribute__((vector_size(8)));

constexpr int kLanes = 8;

LANES_INLINE I32x8 Splat8(int32_t v) {
    return I32x8{} + v;
}

// Loads and stores of eight consecutive samples, any alignment. The narrowing
// stores expect lanes already clamped to the sample range.
LANES_INLINE I32x8 Load8(const int32_t* p) {
    I32x8 v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}
// Bytes widen and narrow through 16-bit lanes: compilers lower that path to
// the packed widening and packing instructions, the direct one lane by lane.
LANES_INLINE I32x8 Load8(const uint8_t* p) {
    U8x8 v;
    std::memcpy(&v, p, sizeof(v));
    return __builtin_convertvector(__builtin_convertvector(v, U16x8), I32x8);
}
LANES_INLINE I32x8 Load8(const uint16_t* p) {
    U16x8 v;
    std::memcpy(&v, p, sizeof(v));
    return __builtin_convertvector(v, I32x8);
}
LANES_INLINE void Store8(int32_t* p, I32x8 v) {
    std::memcpy(p, &v, sizeof(v));
}
LANES_INLINE void Store8(uint8_t* p, I32x8 v) {
    const U8x8 narrow = __builtin_convertvector(__builtin_convertvector(v, U16x8), U8x8);
    std::memcpy(p, &narrow, sizeof(narrow));
}
LANES_INLINE void Store8(uint16_t* p, I32x8 v) {
    const U16x8 narrow = __builtin_convertvector(v, U16x8);
    std::memcpy(p, &narrow, sizeof(narrow));
}

LANES_INLINE I32x8 Min8(I32x8 a, I32x8 b) {
    return a < b ? a : b;
}
LANES_INLINE I32x8 Max8(I32x8 a, I32x8 b) {
    return a < b ? b : a;
}
LANES_INLINE I32x8 Clamp8(I32x8 v, I32x8 lo, I32x8 hi) {
    return Min8(Max8(v, lo), hi);
}
