// The noise engine's kernels on AVX-512, sixteen lanes per vector: the
// luminance–chrominance rows of luma_chroma_lanes.h, and the median of small
// masks step for step as in noise_median_lanes.h (whose comments explain it),
// written with the processor's mask registers: compilers lower comparisons of
// sixteen-lane vectors of the vector extension one lane at a time.
#include <immintrin.h>

#include <array>
#include <climits>
#include <cstddef>
#include <cstring>
#include <utility>

#include "engine/lanes.h"
#include "engine/luma_chroma.h"
#include "engine/luma_chroma_lanes.h"
#include "engine/noise_kernels.h"
#include "engine/noise_median_lanes.h"

namespace {

LANES_AVX512 LANES_INLINE __m512i Load(const int32_t* p) {
    return _mm512_loadu_si512(p);
}
// ---- Luminance and chrominance ---------------------------------------------

template <typename T>
LANES_AVX512 uint32_t FromRgbAvx512(const T* const rgb[3], uint32_t count, int32_t* const yuv[3],
                                    bool interleaved) {
    return luma_chroma_lanes::FromRgbRow<I32x16>(rgb, count, yuv, interleaved);
}
// As ToRgbRowAvx2 in noise.cpp, sixteen pixels at a time.
template <bool kInterleaved, typename T>
LANES_AVX512 LANES_INLINE uint32_t ToRgbRow(const int32_t* const yuv[3], uint32_t count,
                                            T* const rgb[3]) {
    using luma_chroma_lanes::ChannelOf;
    constexpr int32_t kTop = T(~T(0));
    uint32_t x = 0;
    for (; x + 16 <= count; x += 16) {
        I32x16 y, u, v;
        std::memcpy(&y, yuv[0] + x, sizeof(y));
        std::memcpy(&u, yuv[1] + x, sizeof(u));
        std::memcpy(&v, yuv[2] + x, sizeof(v));
        const I32x16 r = ChannelOf(y, u, v, kLumaChromaRed[0], kLumaChromaRed[1], kTop);
        const I32x16 g = ChannelOf(y, u, v, kLumaChromaGreen[0], kLumaChromaGreen[1], kTop);
        const I32x16 b = ChannelOf(y, u, v, kLumaChromaBlue[0], kLumaChromaBlue[1], kTop);
        luma_chroma_lanes::StoreRgb<I32x16, kInterleaved>(rgb, x, r, g, b);
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
