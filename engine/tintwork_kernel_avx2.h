// The vector form of the grid kernels: eight neighbouring pixels at a time in
// 32-bit lanes (a weight of 32768 times a 16-bit grid value needs them), the
// same integer arithmetic as the portable loops and so the same results.
// Compiled for AVX2 function by function and chosen at run time by the
// engine's kernel path (engine/engine_switches.h). Private to the kernel files.
#pragma once

#include <cstring>

#include "engine/tintwork_kernel_scalar.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TW_HAVE_AVX2 1
#define TW_AVX2 __attribute__((target("avx2")))
#else
#define TW_HAVE_AVX2 0
#endif

#if TW_HAVE_AVX2
namespace twk {

// Fetches 32 bits at base[index] for each lane and keeps the low sizeof(T)
// bytes: the value of T at that index. Tables are padded so the fetch at
// the last entry stays inside the block.
template <typename T>
TW_AVX2 inline __m256i GatherValues(const T* base, __m256i index) {
    const __m256i raw =
        _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), index, int(sizeof(T)));
    if (sizeof(T) == 4) return raw;
    return _mm256_and_si256(raw, _mm256_set1_epi32(sizeof(T) == 1 ? 0xFF : 0xFFFF));
}

// Larger value first.
TW_AVX2 inline void Exchange(__m256i& x, __m256i& y) {
    const __m256i hi = _mm256_max_epi32(x, y);
    y = _mm256_min_epi32(x, y);
    x = hi;
}

// Shuffle masks that pick channel c of 8 packed three-channel pixels out of
// 16-byte pieces of the run: byte j of the mask for piece `piece` is the
// source byte for destination byte j, or 0x80 (zero) when it lies elsewhere.
struct PackedMasks {
    alignas(16) uint8_t pick8[3][2][16];   // 8-bit samples: pieces of 16 and 8 bytes
    alignas(16) uint8_t pick16[3][3][16];  // 16-bit samples: three pieces of 16 bytes
    alignas(16) uint8_t pack8[16];         // 4 pixels of r|g<<8|b<<16 words to 12 bytes
    alignas(16) uint8_t pack16[16];        // 2 pixels of (r|g<<16, b) pairs to 12 bytes
};

constexpr PackedMasks MakePackedMasks() {
    PackedMasks m{};
    for (int c = 0; c < 3; ++c) {
        for (int piece = 0; piece < 3; ++piece) {
            for (int j = 0; j < 16; ++j) {
                if (piece < 2) m.pick8[c][piece][j] = 0x80;
                m.pick16[c][piece][j] = 0x80;
            }
        }
        for (int l = 0; l < 8; ++l) {
            const int byte = c + 3 * l;  // 8-bit sample of pixel l
            m.pick8[c][byte / 16][l] = uint8_t(byte % 16);
            const int word = c + 3 * l;  // 16-bit sample of pixel l
            m.pick16[c][word / 8][2 * l] = uint8_t(2 * (word % 8));
            m.pick16[c][word / 8][2 * l + 1] = uint8_t(2 * (word % 8) + 1);
        }
    }
    for (int j = 0; j < 16; ++j) {
        m.pack8[j] = j < 12 ? uint8_t(j / 3 * 4 + j % 3) : 0x80;
        m.pack16[j] = j < 12 ? uint8_t(j / 6 * 8 + j % 6) : 0x80;
    }
    return m;
}

inline constexpr PackedMasks kPackedMasks = MakePackedMasks();

TW_AVX2 inline __m128i LoadMask(const uint8_t* m) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(m));
}

// 8 pixels of packed RGB samples (24 or 48 bytes, nothing read past them)
// into one vector per channel.
TW_AVX2 inline void LoadPacked3(const uint8_t* p, __m256i* channel) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16));
    for (int c = 0; c < 3; ++c) {
        const __m128i v = _mm_or_si128(_mm_shuffle_epi8(a, LoadMask(kPackedMasks.pick8[c][0])),
                                       _mm_shuffle_epi8(b, LoadMask(kPackedMasks.pick8[c][1])));
        channel[c] = _mm256_cvtepu8_epi32(v);
    }
}

TW_AVX2 inline void LoadPacked3(const uint16_t* p, __m256i* channel) {
    __m128i piece[3];
    for (int q = 0; q < 3; ++q)
        piece[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * q));
    for (int c = 0; c < 3; ++c) {
        __m128i v = _mm_shuffle_epi8(piece[0], LoadMask(kPackedMasks.pick16[c][0]));
        v = _mm_or_si128(v, _mm_shuffle_epi8(piece[1], LoadMask(kPackedMasks.pick16[c][1])));
        v = _mm_or_si128(v, _mm_shuffle_epi8(piece[2], LoadMask(kPackedMasks.pick16[c][2])));
        channel[c] = _mm256_cvtepu16_epi32(v);
    }
}

TW_AVX2 inline void Store12(void* p, __m128i v) {
    _mm_storel_epi64(static_cast<__m128i*>(p), v);
    const uint32_t tail = uint32_t(_mm_extract_epi32(v, 2));
    std::memcpy(static_cast<uint8_t*>(p) + 8, &tail, 4);
}

// One vector per channel back into 8 pixels of packed RGB samples.
TW_AVX2 inline void StorePacked3(uint8_t* p, const __m256i* channel) {
    const __m256i words = _mm256_or_si256(
        channel[0],
        _mm256_or_si256(_mm256_slli_epi32(channel[1], 8), _mm256_slli_epi32(channel[2], 16)));
    const __m256i mask = _mm256_broadcastsi128_si256(LoadMask(kPackedMasks.pack8));
    const __m256i packed = _mm256_shuffle_epi8(words, mask);
    Store12(p, _mm256_castsi256_si128(packed));
    Store12(p + 12, _mm256_extracti128_si256(packed, 1));
}

TW_AVX2 inline void StorePacked3(uint16_t* p, const __m256i* channel) {
    const __m256i rg = _mm256_or_si256(channel[0], _mm256_slli_epi32(channel[1], 16));
    const __m256i mask = _mm256_broadcastsi128_si256(LoadMask(kPackedMasks.pack16));
    const __m256i lo =
        _mm256_shuffle_epi8(_mm256_unpacklo_epi32(rg, channel[2]), mask);  // 0 1 | 4 5
    const __m256i hi =
        _mm256_shuffle_epi8(_mm256_unpackhi_epi32(rg, channel[2]), mask);  // 2 3 | 6 7
    Store12(p, _mm256_castsi256_si128(lo));
    Store12(p + 6, _mm256_castsi256_si128(hi));
    Store12(p + 12, _mm256_extracti128_si256(lo, 1));
    Store12(p + 18, _mm256_extracti128_si256(hi, 1));
}

// The 32-bit words of the grid values at the vertices, two per vertex when
// its values take more than four bytes (fetched as 64-bit words: four lanes
// to a fetch instead of eight).
template <typename G, int WORDS>
TW_AVX2 inline void FetchVertex(const G* grid, __m256i vertex, __m256i* words) {
    if (WORDS == 1) {
        words[0] =
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(grid), vertex, int(sizeof(G)));
        return;
    }
    const auto* base = reinterpret_cast<const long long*>(grid);
    const __m256 a = _mm256_castsi256_ps(
        _mm256_i32gather_epi64(base, _mm256_castsi256_si128(vertex), int(sizeof(G))));
    const __m256 b = _mm256_castsi256_ps(
        _mm256_i32gather_epi64(base, _mm256_extracti128_si256(vertex, 1), int(sizeof(G))));
    // Low and high words of pixels 0 1 4 5 | 2 3 6 7, put back in order.
    const __m256i lo = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i hi = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    words[0] = _mm256_permute4x64_epi64(lo, _MM_SHUFFLE(3, 1, 2, 0));
    words[1] = _mm256_permute4x64_epi64(hi, _MM_SHUFFLE(3, 1, 2, 0));
}

// Channel k of the vertices whose 32-bit words are in words[].
template <typename G>
TW_AVX2 inline __m256i VertexChannel(const __m256i* words, int k) {
    const int byte = k * int(sizeof(G));
    const int shift = (byte % 4) * 8;
    const __m256i moved = _mm256_srli_epi32(words[byte / 4], shift);
    if (shift + 8 * int(sizeof(G)) == 32) return moved;
    return _mm256_and_si256(moved, _mm256_set1_epi32(sizeof(G) == 1 ? 0xFF : 0xFFFF));
}

// PACKED: inputs and outputs are three adjacent channels with a step of 3,
// loaded and stored with shuffles; otherwise samples are fetched lane by
// lane and written one by one.
template <typename G, typename I, typename O, int NIN, int NOUT, bool PACKED>
TW_AVX2 void GridLoopAvx2(const Tintwork* tw, uint32_t count, const TwRun& in, const TwRun& out) {
    constexpr int kBytes = NOUT * int(sizeof(G));
    constexpr int kWords = kBytes <= 4 ? 1 : 2;  // 32-bit words per vertex
    const size_t istep = size_t(in.step), ostep = size_t(out.step);
    const G* grid = static_cast<const G*>(tw->grid);
    const I* src[NIN];
    TW_UNROLL
    for (int c = 0; c < NIN; ++c) src[c] = static_cast<const I*>(in.channel[c]);
    O* dst[NOUT];
    TW_UNROLL
    for (int k = 0; k < NOUT; ++k) dst[k] = static_cast<O*>(out.channel[k]);
    const O* lookup[NOUT];
    TW_UNROLL
    for (int k = 0; k < NOUT; ++k) lookup[k] = static_cast<const O*>(tw->outputLookup[k]);
    const uint32_t* located[NIN];
    __m256i stride[NIN];
    TW_UNROLL
    for (int c = 0; c < NIN; ++c) {
        located[c] = tw->inputChannel[c].located;
        stride[c] = _mm256_set1_epi32(int(tw->inputChannel[c].stride));
    }

    const __m256i laneStep = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                                _mm256_set1_epi32(int(istep)));
    const __m256i one = _mm256_set1_epi32(int(kFractionOne));
    const __m256i rounding = _mm256_set1_epi32(tw->rounding);
    const __m128i shift = _mm_cvtsi32_si128(tw->shift);
    const __m256i far = _mm256_set1_epi32(tw->farCorner);
    const int32_t* simplexFlat = &tw->simplexOffset[0][0];
    __m256i inner3[2];
    TW_UNROLL
    for (int r = 0; r < 2; ++r) {
        const int32_t(*so)[3] = tw->simplexOffset;
        inner3[r] = _mm256_setr_epi32(so[0][r], so[1][r], so[2][r], so[3][r], so[4][r], so[5][r],
                                      so[6][r], so[7][r]);
    }
    alignas(32) uint32_t result[NOUT][8];

    // Lane-by-lane fetches take 32 bits at a block's last sample, up to 3
    // bytes past it: that loop stops while 3 more pixels of the run follow.
    // A step of 0, or one too long for 32-bit lane offsets, takes the
    // portable loop.
    const uint32_t spare = PACKED ? 0 : 3;
    const bool stepFits = istep != 0 && istep < (1u << 24);
    uint32_t i = 0;
    for (; stepFits && i + 8 + spare <= count; i += 8) {
        __m256i sample[NIN];
        if constexpr (PACKED) {
            LoadPacked3(src[0] + i * 3, sample);
        } else {
            TW_UNROLL
            for (int c = 0; c < NIN; ++c) sample[c] = GatherValues(src[c] + i * istep, laneStep);
        }
        __m256i base = _mm256_setzero_si256();
        __m256i f[NIN];
        TW_UNROLL
        for (int c = 0; c < NIN; ++c) {
            // Interval and fraction in one fetch. The interval j is never
            // above N - 2, so stride × j is the offset of the cell.
            const __m256i at = GatherValues(located[c], sample[c]);
            base = _mm256_add_epi32(base, _mm256_mullo_epi32(_mm256_srli_epi32(at, 16), stride[c]));
            f[c] = _mm256_and_si256(at, _mm256_set1_epi32(0xFFFF));
        }
        // The pattern of fraction comparisons, as in FractionPattern.
        __m256i pattern = _mm256_setzero_si256();
        int bit = 0;
        TW_UNROLL
        for (int a = 0; a < NIN; ++a) {
            TW_UNROLL
            for (int b = a + 1; b < NIN; ++b, ++bit) {
                const __m256i less = _mm256_cmpgt_epi32(f[b], f[a]);
                pattern = _mm256_or_si256(pattern,
                                          _mm256_andnot_si256(less, _mm256_set1_epi32(1 << bit)));
            }
        }
        __m256i vertex[NIN + 1];
        vertex[0] = base;
        if (NIN == 3) {
            TW_UNROLL
            for (int r = 0; r < 2; ++r) {
                vertex[r + 1] =
                    _mm256_add_epi32(base, _mm256_permutevar8x32_epi32(inner3[r], pattern));
            }
        } else {
            const __m256i row = _mm256_add_epi32(pattern, _mm256_slli_epi32(pattern, 1));
            TW_UNROLL
            for (int r = 0; r < NIN - 1; ++r) {
                const __m256i at = _mm256_add_epi32(row, _mm256_set1_epi32(r));
                vertex[r + 1] = _mm256_add_epi32(base, GatherValues(simplexFlat, at));
            }
        }
        vertex[NIN] = _mm256_add_epi32(base, far);

        // Fractions in decreasing order, the same network as SortDescending.
        __m256i s[NIN];
        TW_UNROLL
        for (int c = 0; c < NIN; ++c) s[c] = f[c];
        if constexpr (NIN == 3) {
            Exchange(s[0], s[1]);
            Exchange(s[1], s[2]);
            Exchange(s[0], s[1]);
        } else {
            Exchange(s[0], s[1]);
            Exchange(s[2], s[3]);
            Exchange(s[0], s[2]);
            Exchange(s[1], s[3]);
            Exchange(s[1], s[2]);
        }
        __m256i w[NIN + 1];
        w[0] = _mm256_sub_epi32(one, s[0]);
        TW_UNROLL
        for (int r = 1; r < NIN; ++r) w[r] = _mm256_sub_epi32(s[r - 1], s[r]);
        w[NIN] = s[NIN - 1];

        __m256i acc[NOUT];
        TW_UNROLL
        for (int k = 0; k < NOUT; ++k) acc[k] = rounding;
        TW_UNROLL
        for (int r = 0; r <= NIN; ++r) {
            __m256i words[kWords];
            FetchVertex<G, kWords>(grid, vertex[r], words);
            TW_UNROLL
            for (int k = 0; k < NOUT; ++k) {
                const __m256i value = VertexChannel<G>(words, k);
                acc[k] = _mm256_add_epi32(acc[k], _mm256_mullo_epi32(w[r], value));
            }
        }
        TW_UNROLL
        for (int k = 0; k < NOUT; ++k) {
            acc[k] = _mm256_srl_epi32(acc[k], shift);
            if (lookup[k] != nullptr) acc[k] = GatherValues(lookup[k], acc[k]);
        }
        if constexpr (PACKED) {
            StorePacked3(dst[0] + i * 3, acc);
        } else {
            TW_UNROLL
            for (int k = 0; k < NOUT; ++k) {
                _mm256_store_si256(reinterpret_cast<__m256i*>(result[k]), acc[k]);
            }
            for (int l = 0; l < 8; ++l) {
                TW_UNROLL
                for (int k = 0; k < NOUT; ++k)
                    dst[k][(i + l) * ostep] = static_cast<O>(result[k][l]);
            }
        }
    }
    if (i == count) return;
    TwRun restIn = in, restOut = out;
    for (int c = 0; c < NIN; ++c) restIn.channel[c] = const_cast<I*>(src[c] + i * istep);
    for (int k = 0; k < NOUT; ++k) restOut.channel[k] = dst[k] + i * ostep;
    GridLoop<G, I, O, NIN, NOUT>(tw, count - i, restIn, restOut);
}

// Three channels side by side, three samples per pixel.
template <typename T>
inline bool IsPacked3(const TwRun& run) {
    const T* first = static_cast<const T*>(run.channel[0]);
    return run.step == 3 && run.channel[1] == first + 1 && run.channel[2] == first + 2;
}

// The loop for a run's output count and layout, LOOP<..., NOUT, PACKED>::Run:
// packed three-channel runs on both sides take the loop that shuffles whole
// pixels.
template <template <typename, typename, typename, int, int, bool> class LOOP, typename G,
          typename I, typename O, int NIN>
void GridKernelOf(const Tintwork* tw, uint32_t count, const TwRun& in, const TwRun& out) {
    switch (tw->outputChannels) {
        case 4:
            return LOOP<G, I, O, NIN, 4, false>::Run(tw, count, in, out);
        case 3:
            if constexpr (NIN == 3) {
                if (IsPacked3<I>(in) && IsPacked3<O>(out)) {
                    return LOOP<G, I, O, NIN, 3, true>::Run(tw, count, in, out);
                }
            }
            return LOOP<G, I, O, NIN, 3, false>::Run(tw, count, in, out);
        default:
            return LOOP<G, I, O, NIN, 1, false>::Run(tw, count, in, out);
    }
}

template <typename G, typename I, typename O, int NIN, int NOUT, bool PACKED>
struct Avx2Loop {
    static void Run(const Tintwork* tw, uint32_t count, const TwRun& in, const TwRun& out) {
        GridLoopAvx2<G, I, O, NIN, NOUT, PACKED>(tw, count, in, out);
    }
};

}  // namespace twk
#endif

// The vector entry of a dispatch table row: null where there is no vector path.
#if TW_HAVE_AVX2
#define TW_VECTOR(...) twk::GridKernelOf<twk::Avx2Loop, __VA_ARGS__>
#else
#define TW_VECTOR(...) nullptr
#endif

namespace twk::names {
using u8 = uint8_t;
using u16 = uint16_t;
}  // namespace twk::names
