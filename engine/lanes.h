// Eight 32-bit integer lanes, written with the compiler's vector extension so
// that one source serves every instruction set: the portable build lowers a
// lane vector to two 128-bit registers, and functions marked LANES_AVX2 use
// one 256-bit register. Hot loops are written once as always-inline templates
// and instantiated in a portable and an AVX2 function; the engine's kernel
// path (engine/engine_switches.h) picks one when a filter is opened. Loops
// written over any lane vector V (the ...V helpers at the end) also run
// sixteen lanes in one 512-bit register in functions marked LANES_AVX512.
#pragma once

#include <cstdint>
#include <cstring>

// Every function here is inlined, so no vector crosses a call and the warning
// about the calling convention of 32-byte vectors does not apply.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
// GCC 12's AVX-512 headers start some intrinsics from a deliberately
// undefined register, which its uninitialized-value warning reports once the
// intrinsic is inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

#define LANES_INLINE __attribute__((always_inline)) inline
#define LANES_AVX2 __attribute__((target("avx2")))
#define LANES_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vl")))

typedef int32_t I32x8 __attribute__((vector_size(32)));
typedef uint32_t U32x8 __attribute__((vector_size(32)));
typedef uint64_t U64x8 __attribute__((vector_size(64)));
typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef uint8_t U8x8 __attribute__((vector_size(8)));

constexpr int kLanes = 8;
// The most lanes of any path: row buffers leave this much room past their end.
constexpr int kMostLanes = 16;

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

// ---- Any lane vector: I32x4, I32x8 or I32x16 ----------------------------------------

typedef int32_t I32x4 __attribute__((vector_size(16)));
typedef int32_t I32x16 __attribute__((vector_size(64)));

template <typename V>
constexpr int kLanesOf = int(sizeof(V) / sizeof(int32_t));

template <typename V>
LANES_INLINE V SplatV(int32_t v) {
    return V{} + v;
}
template <typename V>
LANES_INLINE V LoadV(const int32_t* p) {
    V v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}
template <typename V>
LANES_INLINE void StoreV(int32_t* p, V v) {
    std::memcpy(p, &v, sizeof(v));
}
template <typename V>
LANES_INLINE V MinV(V a, V b) {
    return a < b ? a : b;
}
template <typename V>
LANES_INLINE V MaxV(V a, V b) {
    return a < b ? b : a;
}
// a in the lanes where mask is all ones, b where it is zero.
template <typename V>
LANES_INLINE V SelectV(V mask, V a, V b) {
    return (a & mask) | (b & ~mask);
}
// The vectors of other elements with as many lanes as V.
template <int N>
struct LaneKin;
template <>
struct LaneKin<4> {
    typedef uint8_t U8 __attribute__((vector_size(4)));
    typedef uint16_t U16 __attribute__((vector_size(8)));
    typedef uint32_t U32 __attribute__((vector_size(16)));
    typedef float F32 __attribute__((vector_size(16)));
    typedef int64_t I64 __attribute__((vector_size(32)));
};
template <>
struct LaneKin<8> {
    typedef uint8_t U8 __attribute__((vector_size(8)));
    typedef uint16_t U16 __attribute__((vector_size(16)));
    typedef uint32_t U32 __attribute__((vector_size(32)));
    typedef float F32 __attribute__((vector_size(32)));
    typedef int64_t I64 __attribute__((vector_size(64)));
};
template <>
struct LaneKin<16> {
    typedef uint8_t U8 __attribute__((vector_size(16)));
    typedef uint16_t U16 __attribute__((vector_size(32)));
    typedef uint32_t U32 __attribute__((vector_size(64)));
    typedef float F32 __attribute__((vector_size(64)));
    typedef int64_t I64 __attribute__((vector_size(128)));
};

// Samples to lanes and back, as Load8 and Store8 do for eight lanes.
template <typename V>
LANES_INLINE V LoadV(const uint8_t* p) {
    typename LaneKin<kLanesOf<V>>::U8 v;
    std::memcpy(&v, p, sizeof(v));
    const typename LaneKin<kLanesOf<V>>::U16 wide =
        __builtin_convertvector(v, typename LaneKin<kLanesOf<V>>::U16);
    return __builtin_convertvector(wide, V);
}
template <typename V>
LANES_INLINE V LoadV(const uint16_t* p) {
    typename LaneKin<kLanesOf<V>>::U16 v;
    std::memcpy(&v, p, sizeof(v));
    return __builtin_convertvector(v, V);
}
template <typename V>
LANES_INLINE void StoreV(uint8_t* p, V v) {
    const typename LaneKin<kLanesOf<V>>::U16 half =
        __builtin_convertvector(v, typename LaneKin<kLanesOf<V>>::U16);
    const typename LaneKin<kLanesOf<V>>::U8 narrow =
        __builtin_convertvector(half, typename LaneKin<kLanesOf<V>>::U8);
    std::memcpy(p, &narrow, sizeof(narrow));
}
template <typename V>
LANES_INLINE void StoreV(uint16_t* p, V v) {
    const typename LaneKin<kLanesOf<V>>::U16 narrow =
        __builtin_convertvector(v, typename LaneKin<kLanesOf<V>>::U16);
    std::memcpy(p, &narrow, sizeof(narrow));
}
