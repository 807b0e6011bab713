// The AVX-512 form of the grid kernels: sixteen neighbouring pixels at a time
// in 32-bit lanes (8-bit input: groups of 32, whose intervals and fractions
// are looked up in registers), the same integer arithmetic as the portable
// loops and so the same results. Needs AVX-512 F, BW and VL only; chosen at
// run time by the engine's kernel path (engine/engine_switches.h). The pixels
// after the last whole group take the AVX2 loop. Private to the kernel files.
#pragma once

#include "engine/tintwork_kernel_avx2.h"

// GCC 12's AVX-512 headers start some intrinsics from a deliberately
// undefined register, which its uninitialized-value warning reports once the
// intrinsic is inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#if TW_HAVE_AVX2
#define TW_HAVE_AVX512 1
#define TW_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vl")))
#define TW_AVX512_INLINE_LAMBDA \
    __attribute__((always_inline, target("avx2,avx512f,avx512bw,avx512vl")))
#define TW_AVX512_INLINE \
    __attribute__((always_inline, target("avx2,avx512f,avx512bw,avx512vl"))) inline
#else
#define TW_HAVE_AVX512 0
#endif

#if TW_HAVE_AVX512
namespace twk {

// Fetches 32 bits at base[index] for each of 16 lanes and keeps the low
// sizeof(T) bytes (tables are padded, as for GatherValues).
template <typename T>
TW_AVX512_INLINE __m512i GatherValues16(const T* base, __m512i index) {
    const __m512i raw = _mm512_i32gather_epi32(index, base, int(sizeof(T)));
    if (sizeof(T) == 4) return raw;
    return _mm512_and_si512(raw, _mm512_set1_epi32(sizeof(T) == 1 ? 0xFF : 0xFFFF));
}

// Word indices for the 16-bit permutes that take 16 packed three-channel
// pixels (48 samples as words: 32 in one register, 16 in the next) apart into
// channels, and put three channels back together.
struct WideMasks {
    alignas(64) uint16_t pick[3][32];   // lane l of channel c: sample 3l + c
    alignas(64) uint16_t merge[2][32];  // samples 0..31 and 32..47 from (c0 | c1 << 16, c2)
    alignas(64) uint32_t even[16];      // dwords 0 2 4 .. of two registers of qwords
    alignas(64) uint32_t odd[16];       // dwords 1 3 5 ..
    // 32 pixels, 96 samples in three registers of 32 words: lane l of
    // channel c is sample 3l + c, taken from the first two registers, or
    // (lanes in fromThird) from the last two.
    alignas(64) uint16_t pick32[3][32];
    uint32_t fromThird[3];
};

constexpr WideMasks MakeWideMasks() {
    WideMasks m{};
    for (int c = 0; c < 3; ++c) {
        for (int l = 0; l < 16; ++l) m.pick[c][l] = uint16_t(3 * l + c);
    }
    for (int j = 0; j < 48; ++j) {
        const int pixel = j / 3, c = j % 3;
        // Word 2p + c of the first register for channels 0 and 1, word 2p of
        // the second (index 32 + 2p) for channel 2.
        m.merge[j / 32][j % 32] = uint16_t(c < 2 ? 2 * pixel + c : 32 + 2 * pixel);
    }
    for (int c = 0; c < 3; ++c) {
        for (int l = 0; l < 32; ++l) {
            const int sample = 3 * l + c;
            m.pick32[c][l] =
                uint16_t(sample < 64 ? sample : sample - 32);  // word 32 + (sample - 64)
            if (sample >= 64) m.fromThird[c] |= 1u << l;
        }
    }
    for (int l = 0; l < 16; ++l) {
        m.even[l] = uint32_t(2 * l);
        m.odd[l] = uint32_t(2 * l + 1);
    }
    return m;
}

inline constexpr WideMasks kWideMasks = MakeWideMasks();

TW_AVX512_INLINE __m512i LoadWide(const void* m) {
    return _mm512_load_si512(m);
}

// 16 pixels of packed RGB samples (48 or 96 bytes, nothing read past them)
// into one vector per channel.
TW_AVX512_INLINE void LoadPacked3x16(const uint8_t* p, __m512i* channel) {
    const __m512i a = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
    const __m512i b = _mm512_castsi256_si512(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32))));
    TW_UNROLL
    for (int c = 0; c < 3; ++c) {
        const __m512i v = _mm512_permutex2var_epi16(a, LoadWide(kWideMasks.pick[c]), b);
        channel[c] = _mm512_cvtepu16_epi32(_mm512_castsi512_si256(v));
    }
}

TW_AVX512_INLINE void LoadPacked3x16(const uint16_t* p, __m512i* channel) {
    const __m512i a = _mm512_loadu_si512(p);
    const __m512i b =
        _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)));
    TW_UNROLL
    for (int c = 0; c < 3; ++c) {
        const __m512i v = _mm512_permutex2var_epi16(a, LoadWide(kWideMasks.pick[c]), b);
        channel[c] = _mm512_cvtepu16_epi32(_mm512_castsi512_si256(v));
    }
}

// One vector per channel (lanes within the sample range) back into 16 pixels
// of packed RGB samples.
TW_AVX512_INLINE void MergePacked3x16(const __m512i* channel, __m512i* first, __m512i* last) {
    const __m512i low = _mm512_or_si512(channel[0], _mm512_slli_epi32(channel[1], 16));
    *first = _mm512_permutex2var_epi16(low, LoadWide(kWideMasks.merge[0]), channel[2]);
    *last = _mm512_permutex2var_epi16(low, LoadWide(kWideMasks.merge[1]), channel[2]);
}

TW_AVX512_INLINE void StorePacked3x16(uint8_t* p, const __m512i* channel) {
    __m512i first, last;
    MergePacked3x16(channel, &first, &last);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvtepi16_epi8(first));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32),
                     _mm256_cvtepi16_epi8(_mm512_castsi512_si256(last)));
}

TW_AVX512_INLINE void StorePacked3x16(uint16_t* p, const __m512i* channel) {
    __m512i first, last;
    MergePacked3x16(channel, &first, &last);
    _mm512_storeu_si512(p, first);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 32), _mm512_castsi512_si256(last));
}

// The 32-bit words of the grid values at the vertices, two per vertex when
// its values take more than four bytes (fetched as 64-bit words, eight lanes
// to a fetch).
template <typename G, int WORDS>
TW_AVX512_INLINE void FetchVertex16(const G* grid, __m512i vertex, __m512i* words) {
    if (WORDS == 1) {
        words[0] = _mm512_i32gather_epi32(vertex, grid, int(sizeof(G)));
        return;
    }
    const __m512i a = _mm512_i32gather_epi64(_mm512_castsi512_si256(vertex), grid, int(sizeof(G)));
    const __m512i b =
        _mm512_i32gather_epi64(_mm512_extracti64x4_epi64(vertex, 1), grid, int(sizeof(G)));
    words[0] = _mm512_permutex2var_epi32(a, LoadWide(kWideMasks.even), b);
    words[1] = _mm512_permutex2var_epi32(a, LoadWide(kWideMasks.odd), b);
}

template <typename G>
TW_AVX512_INLINE __m512i VertexChannel16(const __m512i* words, int k) {
    const int byte = k * int(sizeof(G));
    const int shift = (byte % 4) * 8;
    const __m512i moved = _mm512_srli_epi32(words[byte / 4], unsigned(shift));
    if (shift + 8 * int(sizeof(G)) == 32) return moved;
    return _mm512_and_si512(moved, _mm512_set1_epi32(sizeof(G) == 1 ? 0xFF : 0xFFFF));
}

// Larger value first.
TW_AVX512_INLINE void Exchange16(__m512i& x, __m512i& y) {
    const __m512i hi = _mm512_max_epi32(x, y);
    y = _mm512_min_epi32(x, y);
    x = hi;
}

// 8-bit input: each input's interval and fraction tables as 16-bit words,
// looked up 32 values at a time in registers instead of fetched from memory
// (a fetch per lane costs far more than the eight permutes of a lookup).
struct WordTables {
    alignas(64) uint16_t interval[kTwMaxChannels][256];
    alignas(64) uint16_t fraction[kTwMaxChannels][256];
};

TW_AVX512_INLINE void MakeWordTables(const Tintwork* tw, int inputs, WordTables* t) {
    for (int c = 0; c < inputs; ++c) {
        for (int v = 0; v < 256; v += 16) {
            const __m512i at = _mm512_loadu_si512(tw->inputChannel[c].located + v);
            _mm256_store_si256(reinterpret_cast<__m256i*>(&t->interval[c][v]),
                               _mm512_cvtepi32_epi16(_mm512_srli_epi32(at, 16)));
            _mm256_store_si256(reinterpret_cast<__m256i*>(&t->fraction[c][v]),
                               _mm512_cvtepi32_epi16(at));
        }
    }
}

// The low (h = 0) or high 256 bits.
TW_AVX512_INLINE __m256i HalfOf(__m512i v, int h) {
    return h == 0 ? _mm512_castsi512_si256(v) : _mm512_extracti64x4_epi64(v, 1);
}

// table[index] for 32 word lanes, index 0..255.
TW_AVX512_INLINE __m512i Lookup256(const uint16_t* table, __m512i index) {
    __m512i quarter[4];
    TW_UNROLL
    for (int q = 0; q < 4; ++q) {
        quarter[q] = _mm512_permutex2var_epi16(LoadWide(table + 64 * q), index,
                                               LoadWide(table + 64 * q + 32));
    }
    const __mmask32 bit6 = _mm512_test_epi16_mask(index, _mm512_set1_epi16(64));
    const __mmask32 bit7 = _mm512_test_epi16_mask(index, _mm512_set1_epi16(128));
    return _mm512_mask_blend_epi16(bit7, _mm512_mask_blend_epi16(bit6, quarter[0], quarter[1]),
                                   _mm512_mask_blend_epi16(bit6, quarter[2], quarter[3]));
}

// 32 pixels of packed 8-bit RGB (96 bytes) into one vector of 32 words per
// channel.
TW_AVX512_INLINE void LoadPacked3x32(const uint8_t* p, __m512i* channel) {
    __m512i r[3];
    TW_UNROLL
    for (int q = 0; q < 3; ++q) {
        r[q] =
            _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * q)));
    }
    TW_UNROLL
    for (int c = 0; c < 3; ++c) {
        const __m512i low = _mm512_permutex2var_epi16(r[0], LoadWide(kWideMasks.pick32[c]), r[1]);
        const __m512i high = _mm512_permutex2var_epi16(r[1], LoadWide(kWideMasks.pick32[c]), r[2]);
        channel[c] = _mm512_mask_blend_epi16(kWideMasks.fromThird[c], low, high);
    }
}

// The loop-invariant state of a grid loop.
template <typename G, typename O, int NIN, int NOUT>
struct WideGrid {
    static constexpr int kPatterns = NIN == 3 ? 16 : 64;
    const G* grid;
    const O* lookup[NOUT];
    uint32_t stride[NIN];
    int32_t rounding, shift, far;
    // Inner vertex offsets by pattern, one table per inner vertex: 8 entries
    // (3 inputs) or 64 in four registers (4 inputs).
    alignas(64) int32_t inner[NIN - 1][kPatterns];
};

template <typename G, typename O, int NIN, int NOUT>
TW_AVX512_INLINE void InitWideGrid(const Tintwork* tw, WideGrid<G, O, NIN, NOUT>* g) {
    g->grid = static_cast<const G*>(tw->grid);
    for (int k = 0; k < NOUT; ++k) g->lookup[k] = static_cast<const O*>(tw->outputLookup[k]);
    for (int c = 0; c < NIN; ++c) g->stride[c] = tw->inputChannel[c].stride;
    g->rounding = tw->rounding;
    g->shift = tw->shift;
    g->far = tw->farCorner;
    for (int r = 0; r < NIN - 1; ++r) {
        for (int p = 0; p < g->kPatterns; ++p) {
            g->inner[r][p] = p < (NIN == 3 ? 8 : 64) ? tw->simplexOffset[p][r] : 0;
        }
    }
}

// The outputs of 16 pixels from each input's interval and fraction, as in
// GridLoop: the simplex, its weights, the weighted sum of its vertices, the
// shift and the output tables.
template <typename G, typename O, int NIN, int NOUT>
TW_AVX512_INLINE void Interpolate16(const WideGrid<G, O, NIN, NOUT>& g, const __m512i* interval,
                                    const __m512i* f, __m512i* acc) {
    constexpr int kBytes = NOUT * int(sizeof(G));
    constexpr int kWords = kBytes <= 4 ? 1 : 2;  // 32-bit words per vertex
    // The interval j is never above N - 2, so stride × j is the offset of
    // the cell.
    __m512i base = _mm512_setzero_si512();
    TW_UNROLL
    for (int c = 0; c < NIN; ++c) {
        base = _mm512_add_epi32(
            base, _mm512_mullo_epi32(interval[c], _mm512_set1_epi32(int(g.stride[c]))));
    }
    // The pattern of fraction comparisons, as in FractionPattern.
    __m512i pattern = _mm512_setzero_si512();
    int bit = 0;
    TW_UNROLL
    for (int a = 0; a < NIN; ++a) {
        TW_UNROLL
        for (int b = a + 1; b < NIN; ++b, ++bit) {
            const __mmask16 ge = _mm512_cmpge_epi32_mask(f[a], f[b]);
            pattern = _mm512_mask_or_epi32(pattern, ge, pattern, _mm512_set1_epi32(1 << bit));
        }
    }
    __m512i vertex[NIN + 1];
    vertex[0] = base;
    TW_UNROLL
    for (int r = 0; r < NIN - 1; ++r) {
        __m512i offset;
        if constexpr (NIN == 3) {
            offset = _mm512_permutexvar_epi32(pattern, LoadWide(g.inner[r]));
        } else {
            const __m512i low =
                _mm512_permutex2var_epi32(LoadWide(g.inner[r]), pattern, LoadWide(g.inner[r] + 16));
            const __m512i high = _mm512_permutex2var_epi32(LoadWide(g.inner[r] + 32), pattern,
                                                           LoadWide(g.inner[r] + 48));
            const __mmask16 upper = _mm512_test_epi32_mask(pattern, _mm512_set1_epi32(32));
            offset = _mm512_mask_blend_epi32(upper, low, high);
        }
        vertex[r + 1] = _mm512_add_epi32(base, offset);
    }
    vertex[NIN] = _mm512_add_epi32(base, _mm512_set1_epi32(g.far));

    // Fractions in decreasing order, the same network as SortDescending.
    __m512i s[NIN];
    TW_UNROLL
    for (int c = 0; c < NIN; ++c) s[c] = f[c];
    if constexpr (NIN == 3) {
        Exchange16(s[0], s[1]);
        Exchange16(s[1], s[2]);
        Exchange16(s[0], s[1]);
    } else {
        Exchange16(s[0], s[1]);
        Exchange16(s[2], s[3]);
        Exchange16(s[0], s[2]);
        Exchange16(s[1], s[3]);
        Exchange16(s[1], s[2]);
    }
    __m512i w[NIN + 1];
    w[0] = _mm512_sub_epi32(_mm512_set1_epi32(int(kFractionOne)), s[0]);
    TW_UNROLL
    for (int r = 1; r < NIN; ++r) w[r] = _mm512_sub_epi32(s[r - 1], s[r]);
    w[NIN] = s[NIN - 1];

    TW_UNROLL
    for (int k = 0; k < NOUT; ++k) acc[k] = _mm512_set1_epi32(g.rounding);
    TW_UNROLL
    for (int r = 0; r <= NIN; ++r) {
        __m512i words[kWords];
        FetchVertex16<G, kWords>(g.grid, vertex[r], words);
        TW_UNROLL
        for (int k = 0; k < NOUT; ++k) {
            const __m512i value = VertexChannel16<G>(words, k);
            acc[k] = _mm512_add_epi32(acc[k], _mm512_mullo_epi32(w[r], value));
        }
    }
    const __m128i shift = _mm_cvtsi32_si128(g.shift);
    TW_UNROLL
    for (int k = 0; k < NOUT; ++k) {
        acc[k] = _mm512_srl_epi32(acc[k], shift);
        if (g.lookup[k] != nullptr) acc[k] = GatherValues16(g.lookup[k], acc[k]);
    }
}

// The outputs of 16 pixels written at pixel i.
template <typename O, int NOUT, bool PACKED>
TW_AVX512_INLINE void StoreOutputs16(O* const* dst, size_t i, size_t ostep, const __m512i* acc) {
    if constexpr (PACKED) {
        StorePacked3x16(dst[0] + i * 3, acc);
    } else {
        alignas(64) uint32_t result[NOUT][16];
        TW_UNROLL
        for (int k = 0; k < NOUT; ++k) _mm512_store_si512(result[k], acc[k]);
        for (int l = 0; l < 16; ++l) {
            TW_UNROLL
            for (int k = 0; k < NOUT; ++k) dst[k][(i + l) * ostep] = static_cast<O>(result[k][l]);
        }
    }
}

// PACKED as for GridLoopAvx2.
template <typename G, typename I, typename O, int NIN, int NOUT, bool PACKED>
TW_AVX512 void GridLoopAvx512(const Tintwork* tw, uint32_t count, const TwRun& in,
                              const TwRun& out) {
    const size_t istep = size_t(in.step), ostep = size_t(out.step);
    const I* src[NIN];
    TW_UNROLL
    for (int c = 0; c < NIN; ++c) src[c] = static_cast<const I*>(in.channel[c]);
    O* dst[NOUT];
    TW_UNROLL
    for (int k = 0; k < NOUT; ++k) dst[k] = static_cast<O*>(out.channel[k]);
    WideGrid<G, O, NIN, NOUT> g;
    InitWideGrid(tw, &g);
    const __m512i laneStep =
        _mm512_mullo_epi32(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                           _mm512_set1_epi32(int(istep)));

    // As in GridLoopAvx2: lane-by-lane fetches stop while 3 more pixels
    // follow, a step of 0 or one too long for lane offsets takes the other
    // loops.
    const uint32_t spare = PACKED ? 0 : 3;
    const bool stepFits = istep != 0 && istep < (1u << 24);
    uint32_t i = 0;
    if constexpr (sizeof(I) == 1) {
        // 8-bit input: 32 pixels at a time, their intervals and fractions
        // looked up in registers.
        if (stepFits && 32 + spare <= count) {
            WordTables t;
            MakeWordTables(tw, NIN, &t);
            for (; i + 32 + spare <= count; i += 32) {
                __m512i sample[NIN];
                if constexpr (PACKED) {
                    LoadPacked3x32(src[0] + i * 3, sample);
                } else {
                    TW_UNROLL
                    for (int c = 0; c < NIN; ++c) {
                        const I* at = src[c] + i * istep;
                        const __m512i low = GatherValues16(at, laneStep);
                        const __m512i high = GatherValues16(at + 16 * istep, laneStep);
                        sample[c] =
                            _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_cvtepi32_epi16(low)),
                                               _mm512_cvtepi32_epi16(high), 1);
                    }
                }
                __m512i interval[NIN], fraction[NIN];
                TW_UNROLL
                for (int c = 0; c < NIN; ++c) {
                    interval[c] = Lookup256(t.interval[c], sample[c]);
                    fraction[c] = Lookup256(t.fraction[c], sample[c]);
                }
                TW_UNROLL
                for (int h = 0; h < 2; ++h) {
                    __m512i j[NIN], f[NIN], acc[NOUT];
                    TW_UNROLL
                    for (int c = 0; c < NIN; ++c) {
                        j[c] = _mm512_cvtepu16_epi32(HalfOf(interval[c], h));
                        f[c] = _mm512_cvtepu16_epi32(HalfOf(fraction[c], h));
                    }
                    Interpolate16(g, j, f, acc);
                    StoreOutputs16<O, NOUT, PACKED>(dst, i + 16 * h, ostep, acc);
                }
            }
        }
    } else {
        const uint32_t* located[NIN];
        TW_UNROLL
        for (int c = 0; c < NIN; ++c) located[c] = tw->inputChannel[c].located;
        // Interval and fraction in one fetch per input. The fetches for the
        // next 16 pixels are issued before this group's vertices, so that
        // their waits overlap.
        const auto locate = [&](uint32_t at, __m512i* located16) TW_AVX512_INLINE_LAMBDA {
            __m512i sample[NIN];
            if constexpr (PACKED) {
                LoadPacked3x16(src[0] + at * 3, sample);
            } else {
                TW_UNROLL
                for (int c = 0; c < NIN; ++c) {
                    sample[c] = GatherValues16(src[c] + at * istep, laneStep);
                }
            }
            TW_UNROLL
            for (int c = 0; c < NIN; ++c) {
                located16[c] = _mm512_i32gather_epi32(sample[c], located[c], 4);
            }
        };
        __m512i next[NIN];
        if (stepFits && 16 + spare <= count) locate(0, next);
        for (; stepFits && i + 16 + spare <= count; i += 16) {
            __m512i j[NIN], f[NIN], acc[NOUT];
            TW_UNROLL
            for (int c = 0; c < NIN; ++c) {
                j[c] = _mm512_srli_epi32(next[c], 16);
                f[c] = _mm512_and_si512(next[c], _mm512_set1_epi32(0xFFFF));
            }
            if (i + 32 + spare <= count) locate(i + 16, next);
            Interpolate16(g, j, f, acc);
            StoreOutputs16<O, NOUT, PACKED>(dst, i, ostep, acc);
        }
    }
    if (i == count) return;
    TwRun restIn = in, restOut = out;
    for (int c = 0; c < NIN; ++c) restIn.channel[c] = const_cast<I*>(src[c] + i * istep);
    for (int k = 0; k < NOUT; ++k) restOut.channel[k] = dst[k] + i * ostep;
    GridLoopAvx2<G, I, O, NIN, NOUT, PACKED>(tw, count - i, restIn, restOut);
}

template <typename G, typename I, typename O, int NIN, int NOUT, bool PACKED>
struct Avx512Loop {
    static void Run(const Tintwork* tw, uint32_t count, const TwRun& in, const TwRun& out) {
        GridLoopAvx512<G, I, O, NIN, NOUT, PACKED>(tw, count, in, out);
    }
};

}  // namespace twk
#endif

// The AVX-512 entry of a dispatch table row: null where there is none.
#if TW_HAVE_AVX512
#define TW_WIDE(...) twk::GridKernelOf<twk::Avx512Loop, __VA_ARGS__>
#else
#define TW_WIDE(...) nullptr
#endif
