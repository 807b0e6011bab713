// The noise engine's kernels on AVX-512, sixteen lanes per vector: the median
// of small masks and the luminance–chrominance rows, step for step those of
// noise_median_lanes.h and luma_chroma_lanes.h (whose comments explain them),
// written with the processor's mask registers: compilers lower comparisons of
// sixteen-lane vectors of the vector extension one lane at a time.
#include <immintrin.h>

#include <array>
#include <climits>
#include <cstddef>
#include <utility>

#include "engine/lanes.h"
#include "engine/luma_chroma_lanes.h"
#include "engine/noise_kernels.h"
#include "engine/noise_median_lanes.h"

// GCC 12's 512-bit conversion intrinsics start from a deliberately undefined
// vector, which its flow analysis reports as possibly uninitialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {

LANES_AVX512 LANES_INLINE __m512i Load(const int32_t* p) {
    return _mm512_loadu_si512(p);
}
LANES_AVX512 LANES_INLINE __m512i Load(const uint8_t* p) {
    return _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
LANES_AVX512 LANES_INLINE __m512i Load(const uint16_t* p) {
    return _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
}
// Lanes already clamped to the sample range.
LANES_AVX512 LANES_INLINE void Store(uint8_t* p, __m512i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm512_cvtepi32_epi8(v));
}
LANES_AVX512 LANES_INLINE void Store(uint16_t* p, __m512i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvtepi32_epi16(v));
}

// ---- Luminance and chrominance ---------------------------------------------

// Pixels x .. x + 15 of three planes, or of one interleaved row at rgb[0].
template <bool kInterleaved, typename T>
LANES_AVX512 LANES_INLINE void LoadRgb(const T* const rgb[3], uint32_t x, __m512i* r, __m512i* g,
                                       __m512i* b) {
    using luma_chroma_lanes::Deinterleave;
    if constexpr (kInterleaved) {
        const T* p = rgb[0] + 3 * size_t(x);
        const I32x16 a = I32x16(Load(p)), c = I32x16(Load(p + 16)), e = I32x16(Load(p + 32));
        *r = __m512i(Deinterleave<I32x16, 0>(a, c, e));
        *g = __m512i(Deinterleave<I32x16, 1>(a, c, e));
        *b = __m512i(Deinterleave<I32x16, 2>(a, c, e));
    } else {
        *r = Load(rgb[0] + x);
        *g = Load(rgb[1] + x);
        *b = Load(rgb[2] + x);
    }
}
template <bool kInterleaved, typename T>
LANES_AVX512 LANES_INLINE void StoreRgb(T* const rgb[3], uint32_t x, __m512i r, __m512i g,
                                        __m512i b) {
    using luma_chroma_lanes::Interleave;
    if constexpr (kInterleaved) {
        T* p = rgb[0] + 3 * size_t(x);
        const I32x16 rv = I32x16(r), gv = I32x16(g), bv = I32x16(b);
        Store(p, __m512i(Interleave<I32x16, 0>(rv, gv, bv)));
        Store(p + 16, __m512i(Interleave<I32x16, 1>(rv, gv, bv)));
        Store(p + 32, __m512i(Interleave<I32x16, 2>(rv, gv, bv)));
    } else {
        Store(rgb[0] + x, r);
        Store(rgb[1] + x, g);
        Store(rgb[2] + x, b);
    }
}

template <bool kInterleaved, typename T>
LANES_AVX512 LANES_INLINE uint32_t FromRgbRow(const T* const rgb[3], uint32_t count,
                                              int32_t* const yuv[3]) {
    auto times = [](int32_t c, __m512i a)
                     LANES_AVX512 { return _mm512_mullo_epi32(_mm512_set1_epi32(c), a); };
    uint32_t x = 0;
    for (; x + 16 <= count; x += 16) {
        __m512i r, g, b;
        LoadRgb<kInterleaved>(rgb, x, &r, &g, &b);
        const __m512i y =
            _mm512_add_epi32(_mm512_add_epi32(times(4899, r), times(9617, g)), times(1868, b));
        const __m512i u =
            _mm512_sub_epi32(_mm512_sub_epi32(times(7160, b), times(4735, g)), times(2425, r));
        const __m512i v =
            _mm512_sub_epi32(_mm512_sub_epi32(times(10076, r), times(8438, g)), times(1638, b));
        _mm512_storeu_si512(yuv[0] + x, y);
        _mm512_storeu_si512(yuv[1] + x, u);
        _mm512_storeu_si512(yuv[2] + x, v);
    }
    return x;
}
template <typename T>
LANES_AVX512 uint32_t FromRgbAvx512(const T* const rgb[3], uint32_t count, int32_t* const yuv[3],
                                    bool interleaved) {
    return interleaved ? FromRgbRow<true>(rgb, count, yuv) : FromRgbRow<false>(rgb, count, yuv);
}

// N − b·D of ChannelOf in luma_chroma_lanes.h for the even lanes (the low
// halves of the 64-bit lanes) of rest = y − 16384·b, u and v.
LANES_AVX512 LANES_INLINE __m512i Remainder(__m512i rest, __m512i u, __m512i v, int32_t cu,
                                            int32_t cv) {
    constexpr int64_t kDen = int64_t(16384) * 34086005;
    const __m512i a = _mm512_mul_epi32(rest, _mm512_set1_epi32(34086005));
    const __m512i b = _mm512_mul_epi32(u, _mm512_set1_epi32(cu));
    const __m512i c = _mm512_mul_epi32(v, _mm512_set1_epi32(cv));
    return _mm512_add_epi64(_mm512_add_epi64(a, b),
                            _mm512_add_epi64(c, _mm512_set1_epi64(kDen / 2)));
}

LANES_AVX512 LANES_INLINE __m512i ChannelOf(__m512i y, __m512i u, __m512i v, __m512 yf, __m512 uf,
                                            __m512 vf, int32_t cu, int32_t cv, int32_t top) {
    constexpr double kDen = 16384.0 * 34086005.0;
    const __m512 a = _mm512_add_ps(
        _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(yf, _mm512_set1_ps(1.0f / 16384)),
                                    _mm512_mul_ps(uf, _mm512_set1_ps(float(cu / kDen)))),
                      _mm512_mul_ps(vf, _mm512_set1_ps(float(cv / kDen)))),
        _mm512_set1_ps(0.5f));
    __m512i b = _mm512_cvt_roundps_epi32(a, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    b = _mm512_min_epi32(_mm512_max_epi32(b, _mm512_set1_epi32(-1)), _mm512_set1_epi32(top + 1));
    const __m512i rest = _mm512_sub_epi32(y, _mm512_slli_epi32(b, 14));
    const __m512i even = Remainder(rest, u, v, cu, cv);
    const __m512i odd = Remainder(_mm512_srli_epi64(rest, 32), _mm512_srli_epi64(u, 32),
                                  _mm512_srli_epi64(v, 32), cu, cv);
    // The high halves of the remainders, in their lanes: their signs.
    const __m512i high = _mm512_mask_blend_epi32(0xAAAA, _mm512_srli_epi64(even, 32), odd);
    const __m512i q = _mm512_add_epi32(b, _mm512_srai_epi32(high, 31));
    return _mm512_min_epi32(_mm512_max_epi32(q, _mm512_setzero_si512()), _mm512_set1_epi32(top));
}

template <bool kInterleaved, typename T>
LANES_AVX512 LANES_INLINE uint32_t ToRgbRow(const int32_t* const yuv[3], uint32_t count,
                                            T* const rgb[3]) {
    constexpr int32_t kTop = T(~T(0));
    uint32_t x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m512i y = Load(yuv[0] + x), u = Load(yuv[1] + x), v = Load(yuv[2] + x);
        const __m512 yf = _mm512_cvtepi32_ps(y), uf = _mm512_cvtepi32_ps(u),
                     vf = _mm512_cvtepi32_ps(v);
        StoreRgb<kInterleaved>(rgb, x, ChannelOf(y, u, v, yf, uf, vf, -4769, 38851350, kTop),
                               ChannelOf(y, u, v, yf, uf, vf, -13423265, -19803370, kTop),
                               ChannelOf(y, u, v, yf, uf, vf, 69119327, 62230, kTop));
    }
    return x;
}
template <typename T>
LANES_AVX512 uint32_t ToRgbAvx512(const int32_t* const yuv[3], uint32_t count, T* const rgb[3],
                                  bool interleaved) {
    return interleaved ? ToRgbRow<true>(yuv, count, rgb) : ToRgbRow<false>(yuv, count, rgb);
}

// ---- Median of small masks ----------------------------------------------------

template <uint8_t kUse>
LANES_AVX512 LANES_INLINE void Exchange(__m512i& lo, __m512i& hi) {
    const __m512i a = lo;
    if constexpr ((kUse & noise_lanes::kUseMin) != 0) lo = _mm512_min_epi32(a, hi);
    if constexpr ((kUse & noise_lanes::kUseMax) != 0) hi = _mm512_max_epi32(a, hi);
}

// A value outside the threshold goes below everything while fewer than
// lowCount have gone there, else above everything.
LANES_AVX512 LANES_INLINE void MoveOutside(__m512i& value, __mmask16 within, __m512i lowCount,
                                           __m512i& outside) {
    const __mmask16 below = _mm512_cmplt_epi32_mask(outside, lowCount);
    const __m512i end =
        _mm512_mask_blend_epi32(below, _mm512_set1_epi32(INT32_MAX), _mm512_set1_epi32(INT32_MIN));
    value = _mm512_mask_blend_epi32(within, end, value);
    outside = _mm512_mask_add_epi32(outside, _knot_mask16(within), outside, _mm512_set1_epi32(1));
}

template <uint32_t M, size_t... I, size_t... S>
LANES_AVX512 LANES_INLINE void MedianOfSmallMaskAt(const MedianRow& row, uint32_t x,
                                                   std::index_sequence<I...>,
                                                   std::index_sequence<S...>) {
    const __m512i v = Load(row.centre + x);
    const __m512i t = _mm512_set1_epi32(row.threshold), negT = _mm512_set1_epi32(-row.threshold);
    __m512i values[M] = {Load(row.cells[I] + x)...};
    __mmask16 within[M];
    __m512i n = _mm512_setzero_si512(), sum = _mm512_setzero_si512();
    // No overflow in the differences: values of a channel span less than 2^31.
    ((within[I] = _mm512_mask_cmple_epi32_mask(
          _mm512_cmpge_epi32_mask(_mm512_sub_epi32(values[I], v), negT),
          _mm512_sub_epi32(values[I], v), t),
      n = _mm512_mask_add_epi32(n, within[I], n, _mm512_set1_epi32(1)),
      sum = _mm512_mask_add_epi32(sum, within[I], sum, values[I])),
     ...);
    const __m512i lowCount =
        _mm512_sub_epi32(_mm512_set1_epi32(int32_t(M / 2)), _mm512_srai_epi32(n, 1));
    __m512i outside = _mm512_setzero_si512();
    (MoveOutside(values[I], within[I], lowCount, outside), ...);
    constexpr const auto& steps = noise_lanes::MiddleNetwork<M>::kSteps;
    (Exchange<steps[S].use>(values[steps[S].lo], values[steps[S].hi]), ...);
    // Two candidates: the floor of their mean (their sum stays below 2^31).
    const __mmask16 two = _mm512_cmpeq_epi32_mask(n, _mm512_set1_epi32(2));
    _mm512_storeu_si512(row.out + x,
                        _mm512_mask_blend_epi32(two, values[M / 2], _mm512_srai_epi32(sum, 1)));
}

template <uint32_t M>
LANES_AVX512 void SmallMaskAvx512(const MedianRow& row, const MedianScratch&) {
    for (uint32_t x = 0; x < row.width; x += 16) {
        MedianOfSmallMaskAt<M>(row, x, std::make_index_sequence<M>(),
                               std::make_index_sequence<noise_lanes::MiddleNetwork<M>::kCount>());
    }
}
template <size_t... M>
constexpr std::array<MedianFn, sizeof...(M)> SmallMaskTable(std::index_sequence<M...>) {
    return {{SmallMaskAvx512<M + 1>...}};
}

}  // namespace

const NoiseRowKernels kNoiseRowsAvx512 = {FromRgbAvx512<uint8_t>, FromRgbAvx512<uint16_t>,
                                          ToRgbAvx512<uint8_t>, ToRgbAvx512<uint16_t>};

MedianFn Median_SmallMaskAvx512(uint32_t cellCount) {
    static constexpr auto kSmall =
        SmallMaskTable(std::make_index_sequence<noise_lanes::kSmallMask>());
    return kSmall[cellCount - 1];
}
