// The conversions of engine/luma_chroma.h over rows, a lane vector at a time,
// with the same results sample for sample, for the AVX2 and AVX-512 paths
// (eight and sixteen lanes). Private to the noise engine's files
// (engine/noise.cpp, engine/noise_avx512.cpp).
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/lanes.h"

namespace luma_chroma_lanes {

// Channel c of the N pixels held interleaved in a, b and e (N lanes each):
// first the lanes a and b reach, then those kept and the rest from e.
template <typename V, int kC, size_t... L>
LANES_INLINE V DeinterleaveOf(V a, V b, V e, std::index_sequence<L...>) {
    constexpr int kN = kLanesOf<V>;
    const V t =
        V(__builtin_shufflevector(a, b, (3 * int(L) + kC < 2 * kN ? 3 * int(L) + kC : 0)...));
    return V(__builtin_shufflevector(
        t, e, (3 * int(L) + kC < 2 * kN ? int(L) : 3 * int(L) + kC - kN)...));
}
// The other way: interleaved block k (lanes kN .. kN + N − 1 of r, g, b
// interleaved), from r and g first, then from that and b.
template <typename V, int kK, size_t... L>
LANES_INLINE V InterleaveOf(V r, V g, V b, std::index_sequence<L...>) {
    constexpr int kN = kLanesOf<V>;
    const V t = V(__builtin_shufflevector(
        r, g, ((kK * kN + int(L)) % 3 == 1 ? kN : 0) + (kK * kN + int(L)) / 3 ...));
    return V(__builtin_shufflevector(
        t, b, ((kK * kN + int(L)) % 3 == 2 ? kN + (kK * kN + int(L)) / 3 : int(L))...));
}

template <typename V, int kC>
LANES_INLINE V Deinterleave(V a, V b, V e) {
    return DeinterleaveOf<V, kC>(a, b, e, std::make_index_sequence<kLanesOf<V>>());
}
template <typename V, int kK>
LANES_INLINE V Interleave(V r, V g, V b) {
    return InterleaveOf<V, kK>(r, g, b, std::make_index_sequence<kLanesOf<V>>());
}

// Pixels x .. x + N − 1 of three planes, or of one interleaved row at rgb[0].
// Vectors cross into and out of these by address: the paths' functions call
// them, and a vector passed by value between functions of different targets
// would change the calling convention.
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
LANES_INLINE void StoreRgb(T* const rgb[3], uint32_t x, const V& r, const V& g, const V& b) {
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
// |y|, |u|, |v| < 2^30 (every value the filter's window or median gives), in
// the target of its path: the row loops that call it live in that path's
// file, since a function of the default target cannot take it inline.
//
// The exact result is q = floor(N / D) with N = 34086005·y + cu·u + cv·v +
// D / 2 and D = 16384·34086005. Single precision estimates N / D as
// a = y / 16384 + (cu / D)·u + (cv / D)·v + 1/2 to within 0.16: y / 16384 is
// below 2^16, the other terms below 2^17.1 and every partial sum below 2^17.6,
// and each conversion, coefficient, product and sum adds at most 2^−23 of
// its size, whatever the rounding mode. Rounding a to the nearest integer b
// leaves N / D within b ± 0.66, so q is b or b − 1, and it is b − 1 exactly
// when N − b·D = 34086005·(y − 16384·b) + cu·u + cv·v + D / 2 is negative,
// which 64-bit lanes compute exactly (the sum stays below 2^58). b is first
// held to [−1, top + 1]: a true q outside that range lies beyond the clamp
// on the same side, and y − 16384·b stays inside 32 bits. The 64-bit lanes
// take the even 32-bit lanes, then the odd ones shifted down; the signs of
// the remainders are the signs of their high halves.
constexpr double kInverseDen = 16384.0 * 34086005.0;
constexpr int64_t kInverseHalf = int64_t(16384) * 34086005 / 2;

LANES_AVX2 LANES_INLINE __m256i RemainderOfEven(__m256i rest, __m256i u, __m256i v, int32_t cu,
                                                int32_t cv) {
    const __m256i a = _mm256_mul_epi32(rest, _mm256_set1_epi32(34086005));
    const __m256i b = _mm256_mul_epi32(u, _mm256_set1_epi32(cu));
    const __m256i c = _mm256_mul_epi32(v, _mm256_set1_epi32(cv));
    return _mm256_add_epi64(_mm256_add_epi64(a, b),
                            _mm256_add_epi64(c, _mm256_set1_epi64x(kInverseHalf)));
}
LANES_AVX2 LANES_INLINE I32x8 ChannelOf(I32x8 y8, I32x8 u8, I32x8 v8, int32_t cu, int32_t cv,
                                        int32_t top) {
    const __m256i y = __m256i(y8), u = __m256i(u8), v = __m256i(v8);
    const __m256 a = _mm256_add_ps(
        _mm256_add_ps(
            _mm256_add_ps(
                _mm256_mul_ps(_mm256_cvtepi32_ps(y), _mm256_set1_ps(1.0f / 16384)),
                _mm256_mul_ps(_mm256_cvtepi32_ps(u), _mm256_set1_ps(float(cu / kInverseDen)))),
            _mm256_mul_ps(_mm256_cvtepi32_ps(v), _mm256_set1_ps(float(cv / kInverseDen)))),
        _mm256_set1_ps(0.5f));
    __m256i b =
        _mm256_cvttps_epi32(_mm256_round_ps(a, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
    b = _mm256_min_epi32(_mm256_max_epi32(b, _mm256_set1_epi32(-1)), _mm256_set1_epi32(top + 1));
    const __m256i rest = _mm256_sub_epi32(y, _mm256_slli_epi32(b, 14));
    const __m256i even = RemainderOfEven(rest, u, v, cu, cv);
    const __m256i odd = RemainderOfEven(_mm256_srli_epi64(rest, 32), _mm256_srli_epi64(u, 32),
                                        _mm256_srli_epi64(v, 32), cu, cv);
    const __m256i high = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
    const __m256i q = _mm256_add_epi32(b, _mm256_srai_epi32(high, 31));
    return I32x8(
        _mm256_min_epi32(_mm256_max_epi32(q, _mm256_setzero_si256()), _mm256_set1_epi32(top)));
}

LANES_AVX512 LANES_INLINE __m512i RemainderOfEven(__m512i rest, __m512i u, __m512i v, int32_t cu,
                                                  int32_t cv) {
    const __m512i a = _mm512_mul_epi32(rest, _mm512_set1_epi32(34086005));
    const __m512i b = _mm512_mul_epi32(u, _mm512_set1_epi32(cu));
    const __m512i c = _mm512_mul_epi32(v, _mm512_set1_epi32(cv));
    return _mm512_add_epi64(_mm512_add_epi64(a, b),
                            _mm512_add_epi64(c, _mm512_set1_epi64(kInverseHalf)));
}
LANES_AVX512 LANES_INLINE I32x16 ChannelOf(I32x16 y16, I32x16 u16, I32x16 v16, int32_t cu,
                                           int32_t cv, int32_t top) {
    const __m512i y = __m512i(y16), u = __m512i(u16), v = __m512i(v16);
    const __m512 a = _mm512_add_ps(
        _mm512_add_ps(
            _mm512_add_ps(
                _mm512_mul_ps(_mm512_cvtepi32_ps(y), _mm512_set1_ps(1.0f / 16384)),
                _mm512_mul_ps(_mm512_cvtepi32_ps(u), _mm512_set1_ps(float(cu / kInverseDen)))),
            _mm512_mul_ps(_mm512_cvtepi32_ps(v), _mm512_set1_ps(float(cv / kInverseDen)))),
        _mm512_set1_ps(0.5f));
    __m512i b = _mm512_cvt_roundps_epi32(a, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    b = _mm512_min_epi32(_mm512_max_epi32(b, _mm512_set1_epi32(-1)), _mm512_set1_epi32(top + 1));
    const __m512i rest = _mm512_sub_epi32(y, _mm512_slli_epi32(b, 14));
    const __m512i even = RemainderOfEven(rest, u, v, cu, cv);
    const __m512i odd = RemainderOfEven(_mm512_srli_epi64(rest, 32), _mm512_srli_epi64(u, 32),
                                        _mm512_srli_epi64(v, 32), cu, cv);
    const __m512i high = _mm512_mask_blend_epi32(0xAAAA, _mm512_srli_epi64(even, 32), odd);
    const __m512i q = _mm512_add_epi32(b, _mm512_srai_epi32(high, 31));
    return I32x16(
        _mm512_min_epi32(_mm512_max_epi32(q, _mm512_setzero_si512()), _mm512_set1_epi32(top)));
}

}  // namespace luma_chroma_lanes
