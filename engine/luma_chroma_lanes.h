// The conversions of engine/luma_chroma.h over rows, a lane vector at a time,
// with the same results sample for sample. Private to the noise engine's
// files (engine/noise.cpp, engine/noise_avx512.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/lanes.h"

namespace luma_chroma_lanes {

// Lanes that pick channel c of the pixels of a vector from three vectors of
// interleaved samples a, b, e (N lanes each): First picks from a and b, as
// far as they reach; Second keeps those and takes the rest from e.
template <typename V, int kC, size_t... L>
constexpr V FirstPick(std::index_sequence<L...>) {
    constexpr int kN = kLanesOf<V>;
    return V{(3 * int(L) + kC < 2 * kN ? 3 * int(L) + kC : 0)...};
}
template <typename V, int kC, size_t... L>
constexpr V SecondPick(std::index_sequence<L...>) {
    constexpr int kN = kLanesOf<V>;
    return V{(3 * int(L) + kC < 2 * kN ? int(L) : 3 * int(L) + kC - kN)...};
}
// The other way: lanes that make interleaved block k (lanes kN .. kN + N − 1
// of r, g, b interleaved) from r and g first, then from that and b.
template <typename V, int kK, size_t... L>
constexpr V FirstPlace(std::index_sequence<L...>) {
    constexpr int kN = kLanesOf<V>;
    return V{((kK * kN + int(L)) % 3 == 1 ? kN : 0) + (kK * kN + int(L)) / 3 ...};
}
template <typename V, int kK, size_t... L>
constexpr V SecondPlace(std::index_sequence<L...>) {
    constexpr int kN = kLanesOf<V>;
    return V{((kK * kN + int(L)) % 3 == 2 ? kN + (kK * kN + int(L)) / 3 : int(L))...};
}

template <typename V, int kC>
LANES_INLINE V Deinterleave(V a, V b, V e) {
    constexpr auto kL = std::make_index_sequence<kLanesOf<V>>();
    return __builtin_shuffle(__builtin_shuffle(a, b, FirstPick<V, kC>(kL)), e,
                             SecondPick<V, kC>(kL));
}
template <typename V, int kK>
LANES_INLINE V Interleave(V r, V g, V b) {
    constexpr auto kL = std::make_index_sequence<kLanesOf<V>>();
    return __builtin_shuffle(__builtin_shuffle(r, g, FirstPlace<V, kK>(kL)), b,
                             SecondPlace<V, kK>(kL));
}

// Pixels x .. x + N − 1 of three planes, or of one interleaved row at rgb[0].
template <typename V, bool kInterleaved, typename T>
LANES_INLINE void LoadRgb(const T* const rgb[3], uint32_t x, V* r, V* g, V* b) {
    if constexpr (kInterleaved) {
        constexpr uint32_t kN = kLanesOf<V>;
        const T* p = rgb[0] + 3 * size_t(x);
        const V a = LoadV<V>(p), c = LoadV<V>(p + kN), e = LoadV<V>(p + 2 * kN);
        *r = Deinterleave<V, 0>(a, c, e);
        *g = Deinterleave<V, 1>(a, c, e);
        *b = Deinterleave<V, 2>(a, c, e);
    } else {
        *r = LoadV<V>(rgb[0] + x);
        *g = LoadV<V>(rgb[1] + x);
        *b = LoadV<V>(rgb[2] + x);
    }
}
template <typename V, bool kInterleaved, typename T>
LANES_INLINE void StoreRgb(T* const rgb[3], uint32_t x, V r, V g, V b) {
    if constexpr (kInterleaved) {
        constexpr uint32_t kN = kLanesOf<V>;
        T* p = rgb[0] + 3 * size_t(x);
        StoreV(p, Interleave<V, 0>(r, g, b));
        StoreV(p + kN, Interleave<V, 1>(r, g, b));
        StoreV(p + 2 * kN, Interleave<V, 2>(r, g, b));
    } else {
        StoreV(rgb[0] + x, r);
        StoreV(rgb[1] + x, g);
        StoreV(rgb[2] + x, b);
    }
}

// Y, U, V of the pixels 0 .. count − 1 of three planes or of one interleaved
// row (at rgb[0]); returns how many it did (whole vectors only), the caller
// does the rest.
template <typename V, bool kInterleaved, typename T>
LANES_INLINE uint32_t FromRgbRowOf(const T* const rgb[3], uint32_t count, int32_t* const yuv[3]) {
    constexpr uint32_t kN = kLanesOf<V>;
    int32_t *y = yuv[0], *u = yuv[1], *v = yuv[2];
    uint32_t x = 0;
    for (; x + kN <= count; x += kN) {
        V rx, gx, bx;
        LoadRgb<V, kInterleaved>(rgb, x, &rx, &gx, &bx);
        StoreV(y + x, 4899 * rx + 9617 * gx + 1868 * bx);
        StoreV(u + x, 7160 * bx - 4735 * gx - 2425 * rx);
        StoreV(v + x, 10076 * rx - 8438 * gx - 1638 * bx);
    }
    return x;
}
template <typename V, typename T>
LANES_INLINE uint32_t FromRgbRow(const T* const rgb[3], uint32_t count, int32_t* const yuv[3],
                                 bool interleaved) {
    return interleaved ? FromRgbRowOf<V, true>(rgb, count, yuv)
                       : FromRgbRowOf<V, false>(rgb, count, yuv);
}

// One channel of LumaChroma_Red, _Green or _Blue, clamped to [0, top], for
// |y|, |u|, |v| < 2^30 (every value the filter's window or median gives).
//
// The exact result is q = floor(N / D) with N = 34086005·y + cu·u + cv·v +
// D / 2 and D = 16384·34086005. Single precision estimates N / D as
// a = y / 16384 + (cu / D)·u + (cv / D)·v + 1/2 to within 0.08: y / 16384 is
// below 2^16, the other terms below 2^17.1 and every partial sum below 2^17.6,
// and each conversion, coefficient, product and sum adds at most 2^−24 of
// its size. Rounding a to the integer b leaves N / D within b ± 0.58, so q is
// b or b − 1, and it is b − 1 exactly when N − b·D =
// 34086005·(y − 16384·b) + cu·u + cv·v + D / 2 is negative, which 64-bit
// lanes compute exactly (the sum stays below 2^58). b is first held to
// [−1, top + 1]: a true q outside that range lies beyond the clamp on the
// same side, and y − 16384·b stays inside 32 bits.
template <typename V>
LANES_INLINE V ChannelOf(V y, V u, V v, int32_t cu, int32_t cv, int32_t top) {
    typedef typename LaneKin<kLanesOf<V>>::F32 F;
    typedef typename LaneKin<kLanesOf<V>>::I64 W;
    constexpr int64_t kDen = int64_t(16384) * 34086005;
    // Added and taken away again, 1.5 × 2^23 rounds a float below 2^22 to an
    // integer.
    constexpr float kRound = 12582912.0f;
    const F a = __builtin_convertvector(y, F) * (1.0f / 16384) +
                __builtin_convertvector(u, F) * float(double(cu) / double(kDen)) +
                __builtin_convertvector(v, F) * float(double(cv) / double(kDen)) + 0.5f;
    V b = __builtin_convertvector((a + kRound) - kRound, V);
    b = MinV(MaxV(b, SplatV<V>(-1)), SplatV<V>(top + 1));
    const W e = __builtin_convertvector(y - (b << 14), W) * 34086005 +
                __builtin_convertvector(u, W) * int64_t(cu) +
                __builtin_convertvector(v, W) * int64_t(cv) + kDen / 2;
    const V q = b + __builtin_convertvector(e < 0, V);
    return MinV(MaxV(q, SplatV<V>(0)), SplatV<V>(top));
}

// R, G, B of the pixels 0 .. count − 1 from Y, U, V, clamped to T's range,
// into three planes or one interleaved row (at rgb[0]); returns how many it
// did (whole vectors only).
template <typename V, bool kInterleaved, typename T>
LANES_INLINE uint32_t ToRgbRowOf(const int32_t* const yuv[3], uint32_t count, T* const rgb[3]) {
    constexpr uint32_t kN = kLanesOf<V>;
    constexpr int32_t kTop = T(~T(0));
    const int32_t *y = yuv[0], *u = yuv[1], *v = yuv[2];
    uint32_t x = 0;
    for (; x + kN <= count; x += kN) {
        const V yx = LoadV<V>(y + x), ux = LoadV<V>(u + x), vx = LoadV<V>(v + x);
        StoreRgb<V, kInterleaved>(rgb, x, ChannelOf(yx, ux, vx, -4769, 38851350, kTop),
                                  ChannelOf(yx, ux, vx, -13423265, -19803370, kTop),
                                  ChannelOf(yx, ux, vx, 69119327, 62230, kTop));
    }
    return x;
}
template <typename V, typename T>
LANES_INLINE uint32_t ToRgbRow(const int32_t* const yuv[3], uint32_t count, T* const rgb[3],
                               bool interleaved) {
    return interleaved ? ToRgbRowOf<V, true>(yuv, count, rgb)
                       : ToRgbRowOf<V, false>(yuv, count, rgb);
}

}  // namespace luma_chroma_lanes
