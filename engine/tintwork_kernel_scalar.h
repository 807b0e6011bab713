// The portable kernel loops, one instantiation per case of the dispatch
// table (see tintwork_kernels8.cpp and tintwork_kernels16.cpp). Private to
// the kernel files.
//
// Each loop reads all channels of a pixel before writing any, so a run may be
// transformed in place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/tintwork_internal.h"

// Full unrolling of the short fixed loops over channels and vertices, which
// the compilers otherwise keep as loops over arrays in memory.
#if defined(__clang__)
#define TW_UNROLL _Pragma("unroll")
#elif defined(__GNUC__)
#define TW_UNROLL _Pragma("GCC unroll 8")
#else
#define TW_UNROLL
#endif

namespace twk {

constexpr uint32_t kFractionOne = 32768;  // fraction15: 1.0

// Table-only shapes: out_k = direct_k[in_k], or direct_k[in_0] with one input.
template <typename I, typename O, bool ONE_INPUT, int NOUT>
void TableLoop(const Tintwork* tw, uint32_t count, const TwRun& in, const TwRun& out) {
    const I* src[NOUT];
    O* dst[NOUT];
    const O* table[NOUT];
    TW_UNROLL
    for (int k = 0; k < NOUT; ++k) {
        src[k] = static_cast<const I*>(in.channel[ONE_INPUT ? 0 : k]);
        dst[k] = static_cast<O*>(out.channel[k]);
        table[k] = static_cast<const O*>(tw->direct[k]);
    }
    const size_t istep = size_t(in.step), ostep = size_t(out.step);
    for (uint32_t i = 0; i < count; ++i) {
        I v[NOUT];
        TW_UNROLL
        for (int k = 0; k < NOUT; ++k) v[k] = src[k][i * istep];
        TW_UNROLL
        for (int k = 0; k < NOUT; ++k) dst[k][i * ostep] = table[k][v[k]];
    }
}

template <typename I, typename O, bool ONE_INPUT>
void TableKernel(const Tintwork* tw, uint32_t count, const TwRun& in, const TwRun& out) {
    switch (tw->outputChannels) {
        case 4:
            return TableLoop<I, O, ONE_INPUT, 4>(tw, count, in, out);
        case 3:
            return TableLoop<I, O, ONE_INPUT, 3>(tw, count, in, out);
        default:
            return TableLoop<I, O, ONE_INPUT, 1>(tw, count, in, out);
    }
}

// The comparison pattern of the fractions: bit p set when f_i >= f_j for the
// p-th pair i < j, pairs in the order (0,1), (0,2), (0,3), (1,2), (1,3), (2,3).
template <int NIN>
inline uint32_t FractionPattern(const uint32_t* f) {
    uint32_t pattern = 0, bit = 0;
    TW_UNROLL
    for (int i = 0; i < NIN; ++i) {
        TW_UNROLL
        for (int j = i + 1; j < NIN; ++j) pattern |= uint32_t(f[i] >= f[j]) << bit++;
    }
    return pattern;
}

// The fractions in decreasing order, by a sorting network. Each exchange
// takes the smaller value as the sum less the larger: written as a min and a
// max, compilers turn the pair into a conditional jump, which noisy images
// mispredict half the time.
template <int NIN>
inline void SortDescending(const uint32_t* f, uint32_t* s) {
    const auto exchange = [](uint32_t& a, uint32_t& b) {
        const uint32_t hi = std::max(a, b);
        b = a + b - hi;
        a = hi;
    };
    TW_UNROLL
    for (int c = 0; c < NIN; ++c) s[c] = f[c];
    if (NIN == 3) {
        exchange(s[0], s[1]);
        exchange(s[1], s[2]);
        exchange(s[0], s[1]);
    } else {
        exchange(s[0], s[1]);
        exchange(s[2], s[3]);
        exchange(s[0], s[2]);
        exchange(s[1], s[3]);
        exchange(s[1], s[2]);
    }
}

// Simplex interpolation over a grid of 3 or 4 inputs. For each pixel: the
// base corner and fractions from the input tables; the simplex from the
// pattern of fraction comparisons; weights 32768 - f_a, f_a - f_b, ..., f_min
// (they sum to 32768); out_k = table_k[(Σ w·P[k] + rounding) >> shift].
template <typename G, typename I, typename O, int NIN, int NOUT>
void GridLoop(const Tintwork* tw, uint32_t count, const TwRun& in, const TwRun& out) {
    const G* grid = static_cast<const G*>(tw->grid);
    const I* src[NIN];
    const uint32_t* offsets[NIN];
    const uint16_t* fractions[NIN];
    const uint8_t* nodeMap[NIN];
    TW_UNROLL
    for (int c = 0; c < NIN; ++c) {
        src[c] = static_cast<const I*>(in.channel[c]);
        offsets[c] = tw->inputChannel[c].offsetTable;
        fractions[c] = tw->inputChannel[c].fraction;
        nodeMap[c] = tw->inputChannel[c].nodeMap;
    }
    O* dst[NOUT];
    const O* lookup[NOUT];
    TW_UNROLL
    for (int k = 0; k < NOUT; ++k) {
        dst[k] = static_cast<O*>(out.channel[k]);
        lookup[k] = static_cast<const O*>(tw->outputLookup[k]);
    }
    const uint32_t rounding = uint32_t(tw->rounding);
    const int shift = tw->shift;
    const int32_t far = tw->farCorner;
    const size_t istep = size_t(in.step), ostep = size_t(out.step);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t base = 0, f[NIN];
        TW_UNROLL
        for (int c = 0; c < NIN; ++c) {
            const uint32_t v = src[c][i * istep];
            base += sizeof(I) == 1 ? offsets[c][v] : offsets[c][nodeMap[c][v]];
            f[c] = fractions[c][v];
        }
        const int32_t* inner = tw->simplexOffset[FractionPattern<NIN>(f)];
        uint32_t s[NIN];
        SortDescending<NIN>(f, s);
        uint32_t w[NIN + 1];
        const G* p[NIN + 1];
        w[0] = kFractionOne - s[0];
        p[0] = grid + base;
        TW_UNROLL
        for (int r = 1; r < NIN; ++r) {
            w[r] = s[r - 1] - s[r];
            p[r] = grid + base + inner[r - 1];
        }
        w[NIN] = s[NIN - 1];
        p[NIN] = grid + base + far;
        TW_UNROLL
        for (int k = 0; k < NOUT; ++k) {
            uint32_t sum = rounding;
            TW_UNROLL
            for (int r = 0; r <= NIN; ++r) sum += w[r] * p[r][k];
            const uint32_t v = sum >> shift;
            dst[k][i * ostep] = lookup[k] != nullptr ? lookup[k][v] : static_cast<O>(v);
        }
    }
}

template <typename G, typename I, typename O, int NIN>
void GridKernel(const Tintwork* tw, uint32_t count, const TwRun& in, const TwRun& out) {
    switch (tw->outputChannels) {
        case 4:
            return GridLoop<G, I, O, NIN, 4>(tw, count, in, out);
        case 3:
            return GridLoop<G, I, O, NIN, 3>(tw, count, in, out);
        default:  // only the first output is written below 3 outputs
            return GridLoop<G, I, O, NIN, 1>(tw, count, in, out);
    }
}

}  // namespace twk
