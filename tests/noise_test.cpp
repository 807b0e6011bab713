#include "engine/noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/engine_switches.h"
#include "engine/luma_chroma.h"
#include "engine/noise_kernels.h"
#include "engine/noise_mask.h"
#include "engine/noise_median.h"
#include "engine/sort_network.h"
#include "tests/support/kernel_paths.h"
#include "tests/support/row_image.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

using Image = RowImage;

// Smooth areas with noise, flat patches (ties and two-candidate cases) and
// some extremes.
Image PhotoLike(uint32_t width, uint32_t height, uint32_t channels, int32_t maxSample,
                uint32_t seed) {
    Image im(width, height, channels);
    std::mt19937 rng(seed);
    const int32_t noise = std::max(1, maxSample / 24);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            for (uint32_t c = 0; c < channels; ++c) {
                int32_t v = int32_t((x * 7 + y * 5 + c * 40) % 97) * maxSample / 96;
                const uint32_t r = rng();
                if ((x / 4 + y / 3) % 5 == 0) {
                    v = maxSample / 2 + int32_t(r % 3);  // nearly flat patch
                } else if (r % 17 == 0) {
                    v = (r >> 8) % 2 ? maxSample : 0;
                } else {
                    v += int32_t((r >> 8) % uint32_t(2 * noise + 1)) - noise;
                }
                im.at(x, y, c) = std::clamp(v, 0, maxSample);
            }
        }
    }
    return im;
}

// The filter as the rules state it, over a whole image held in memory: every
// window value looked up with its row and column clamped to the image.
struct Reference {
    const Image& in;
    const NoiseParams& p;
    std::vector<std::vector<int32_t>> plane;  // per channel, window values

    int32_t At(uint32_t c, int64_t x, int64_t y) const {
        x = std::clamp<int64_t>(x, 0, in.width - 1);
        y = std::clamp<int64_t>(y, 0, in.height - 1);
        return plane[c][size_t(y) * in.width + size_t(x)];
    }

    Reference(const Image& image, const NoiseParams& params) : in(image), p(params) {
        plane.assign(in.channels, std::vector<int32_t>(size_t(in.width) * in.height));
        for (size_t i = 0; i < size_t(in.width) * in.height; ++i) {
            const int32_t* px = &in.s[i * in.channels];
            if (p.lumaChroma == 1) {
                const LumaChroma yuv = LumaChroma_FromRgb(px[0], px[1], px[2]);
                plane[0][i] = yuv.y, plane[1][i] = yuv.u, plane[2][i] = yuv.v;
            } else {
                for (uint32_t c = 0; c < in.channels; ++c) plane[c][i] = px[c] * 16384;
            }
        }
    }

    int32_t Filtered(uint32_t c, uint32_t x, uint32_t y, const uint8_t* mask) const {
        const int32_t r = p.radius[c];
        const int32_t v = At(c, x, y);
        if (r == 0) return v;
        const int64_t t = int64_t(p.threshold[c]) * 16384 * (p.outputDepth == 1 ? 1 : 257);
        auto within = [&](int32_t a) { return a >= v - t && a <= v + t; };
        std::vector<int32_t> candidates;
        if (p.maskShape == kNoiseRays) {
            candidates.push_back(v);
            const int dirs[8][2] = {{1, 0},  {1, -1}, {0, -1}, {-1, -1},
                                    {-1, 0}, {-1, 1}, {0, 1},  {1, 1}};
            for (const auto& d : dirs) {
                for (int32_t step = 1; step <= r; ++step) {
                    const int32_t a = At(c, int64_t(x) + step * d[0], int64_t(y) + step * d[1]);
                    if (!within(a)) break;
                    candidates.push_back(a);
                }
            }
        } else {
            for (int32_t i = 0; i <= 2 * r; ++i) {
                for (int32_t j = 0; j <= 2 * r; ++j) {
                    if (mask[i * kMaskSide + j] == 0) continue;
                    const int32_t a = At(c, int64_t(x) + j - r, int64_t(y) + i - r);
                    if (within(a)) candidates.push_back(a);
                }
            }
        }
        const size_t n = candidates.size();
        if (n == 1) return candidates[0];
        if (n == 2) return (candidates[0] + candidates[1]) >> 1;
        std::sort(candidates.begin(), candidates.end());
        return candidates[n / 2];
    }

    // Output row y is emitted while input row min(y + R, height − 1) is
    // consumed, with the masks as turned after every earlier input row.
    Image Run(std::vector<uint64_t>* users) const {
        int32_t big = 0;
        for (uint32_t c = 0; c < in.channels; ++c) big = std::max(big, p.radius[c]);
        std::vector<std::vector<uint8_t>> masks(in.channels, std::vector<uint8_t>(kMaskCells));
        NoiseRandom random{int32_t(kNoiseSeed)};
        for (uint32_t c = 0; c < in.channels; ++c) {
            if (p.radius[c] > 0 && p.maskShape != kNoiseRays) {
                NoiseMask_Build(masks[c].data(), p.radius[c], p.maskShape, &random);
            }
        }
        const int32_t maxSample = p.outputDepth == 1 ? 255 : 65535;
        Image out(in.width, in.height, in.channels);
        uint32_t turned = 0;
        for (uint32_t y = 0; y < in.height; ++y) {
            const uint32_t call = std::min<uint32_t>(y + uint32_t(big), in.height - 1);
            for (; turned < call && p.maskShape == kNoiseRandomDisc; ++turned) {
                for (uint32_t c = 0; c < in.channels; ++c) {
                    if (p.radius[c] == 0) continue;
                    NoiseMask_Reorient(masks[c].data(), p.radius[c], NoiseRandom_Below(&random, 7));
                }
            }
            users->push_back(5000 + call);
            for (uint32_t x = 0; x < in.width; ++x) {
                int32_t m[4];
                for (uint32_t c = 0; c < in.channels; ++c)
                    m[c] = Filtered(c, x, y, masks[c].data());
                for (uint32_t c = 0; c < in.channels; ++c) {
                    int32_t v;
                    if (p.lumaChroma == 1) {
                        v = c == 0   ? LumaChroma_Red(m[0], m[1], m[2])
                            : c == 1 ? LumaChroma_Green(m[0], m[1], m[2])
                                     : LumaChroma_Blue(m[0], m[1], m[2]);
                    } else {
                        v = (m[c] + 8192) >> 14;
                    }
                    out.at(x, y, c) = std::clamp(v, 0, maxSample);
                }
            }
        }
        return out;
    }
};

// The rows collected, and how many had come out when each input row returned.
struct Collector : RowCollector {
    std::vector<uint32_t> rowsAfterCall;
};

NoiseParams Params(uint32_t width, uint32_t height, uint32_t channels, Collector* col) {
    NoiseParams p{};
    p.width = width;
    p.height = height;
    p.channels = int32_t(channels);
    p.colorKind = channels == 3 ? 1 : (channels == 4 ? 4 : 5);
    p.order = channels == 4 ? kRowOrderIdentity4 : kRowOrderIdentity3;
    p.outputDepth = 1;
    p.maskShape = kNoiseSquare;
    p.sink = RowCollector::Sink;
    p.sinkContext = col;
    return p;
}

// Streams an image through the engine (8-bit rows when inDepth is 1).
int32_t RunNoise(const Image& in, const NoiseParams& p, uint32_t inDepth, bool planarIn,
                 Collector* col) {
    col->Reset(in);
    col->rowsAfterCall.clear();
    Mask2dState* s = nullptr;
    int32_t status = mask2dOpen(&s, &p);
    if (status != 0) return status;
    const size_t samples = size_t(in.width) * in.channels;
    std::vector<uint8_t> row8(samples);
    std::vector<uint16_t> row16(samples);
    for (uint32_t y = 0; y < in.height && status == 0; ++y) {
        CopyRowOut(in, y, planarIn, row8.data(), row16.data());
        RowDesc row{in.width,
                    in.channels,
                    p.colorKind,
                    planarIn ? 1u : 0u,
                    p.order,
                    inDepth == 1 ? row8.data() : nullptr,
                    inDepth == 1 ? nullptr : row16.data(),
                    5000 + y};
        status = mask2dPutRow(s, &row);
        col->rowsAfterCall.push_back(uint32_t(col->users.size()));
    }
    EXPECT_EQ(mask2dClose(&s), 0);
    EXPECT_EQ(s, nullptr);
    return status;
}

// Runs engine and reference and compares samples and user values.
void ExpectMatchesReference(const Image& in, const NoiseParams& p, uint32_t inDepth, bool planarIn,
                            const std::string& what) {
    Collector col;
    NoiseParams q = p;
    q.sinkContext = &col;
    ASSERT_EQ(RunNoise(in, q, inDepth, planarIn, &col), 0) << what;
    std::vector<uint64_t> users;
    const Image want = Reference(in, q).Run(&users);
    ASSERT_EQ(col.image.s, want.s) << what;
    ASSERT_EQ(col.users, users) << what;
}

TEST(NoiseMask, GeneratorIsTheMinimalStandard) {
    NoiseRandom random{1};
    int32_t v = 0;
    for (int i = 0; i < 10000; ++i) v = NoiseRandom_Next(&random);
    EXPECT_EQ(v, 1043618065);  // the published check value of the generator
    NoiseRandom seeded{int32_t(kNoiseSeed)};
    const int32_t first = NoiseRandom_Next(&seeded);
    EXPECT_EQ(first, int32_t(int64_t(kNoiseSeed) * 16807 % 2147483647));
    NoiseRandom again{int32_t(kNoiseSeed)};
    EXPECT_EQ(NoiseRandom_Below(&again, 7), (uint32_t(first) >> 11) % 7);
}

TEST(NoiseMask, ShapesOfRadiusTwo) {
    // Rows of the 5 × 5 square, '#' in the mask.
    const struct {
        uint32_t shape;
        const char* rows;
    } cases[] = {
        {kNoiseSquare, "##### ##### ##### ##### #####"},
        {kNoiseDisc, "..#.. .###. ##### .###. ..#.."},
        {kNoiseDiamond, "..#.. .###. ##### .###. ..#.."},
        {kNoiseCross, "..#.. ..#.. ##### ..#.. ..#.."},
    };
    for (const auto& cs : cases) {
        uint8_t mask[kMaskCells];
        NoiseMask_Build(mask, 2, cs.shape, nullptr);
        std::string got;
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 5; ++x) got += mask[y * kMaskSide + x] ? '#' : '.';
            if (y < 4) got += ' ';
        }
        EXPECT_EQ(got, cs.rows) << "shape " << cs.shape;
        int32_t outside = 0;
        for (int i = 0; i < kMaskCells; ++i)
            outside += (i % kMaskSide > 4 || i / kMaskSide > 4) && mask[i];
        EXPECT_EQ(outside, 0);
    }
    for (uint32_t shape = 0; shape <= kNoiseRandomDisc; ++shape) {
        uint8_t mask[kMaskCells];
        NoiseRandom random{int32_t(kNoiseSeed)};
        NoiseMask_Build(mask, 0, shape, &random);
        EXPECT_EQ(std::count(mask, mask + kMaskCells, 1), 1);
        EXPECT_EQ(mask[0], 1);
    }
}

TEST(NoiseMask, RandomDiscIsSparseInsideTheDiscAndRepeatable) {
    for (int32_t r = 3; r <= kNoiseMaxRadius; ++r) {
        uint8_t mask[kMaskCells], again[kMaskCells];
        NoiseRandom random{int32_t(kNoiseSeed)}, random2{int32_t(kNoiseSeed)};
        NoiseMask_Build(mask, r, kNoiseRandomDisc, &random);
        NoiseMask_Build(again, r, kNoiseRandomDisc, &random2);
        EXPECT_EQ(std::vector<uint8_t>(mask, mask + kMaskCells),
                  std::vector<uint8_t>(again, again + kMaskCells));
        EXPECT_TRUE(mask[r * kMaskSide + r]) << "the centre is always chosen";
        std::vector<std::pair<int, int>> chosen;
        for (int i = 0; i < kMaskCells; ++i) {
            if (mask[i]) chosen.emplace_back(i / kMaskSide - r, i % kMaskSide - r);
        }
        for (size_t a = 0; a < chosen.size(); ++a) {
            const auto [ya, xa] = chosen[a];
            EXPECT_LE(xa * xa + ya * ya, r * r);
            for (size_t b = a + 1; b < chosen.size(); ++b) {
                const int dy = std::abs(ya - chosen[b].first), dx = std::abs(xa - chosen[b].second);
                EXPECT_FALSE(dx <= 2 && dy <= 2 && !(dx == 2 && dy == 2))
                    << "radius " << r << ": cells " << ya << "," << xa << " and " << chosen[b].first
                    << "," << chosen[b].second << " too close";
            }
        }
        // Maximal: every disc cell is chosen or near a chosen one.
        for (int y = -r; y <= r; ++y) {
            for (int x = -r; x <= r; ++x) {
                if (x * x + y * y > r * r) continue;
                bool covered = false;
                for (const auto& [cy, cx] : chosen) {
                    const int dy = std::abs(cy - y), dx = std::abs(cx - x);
                    covered = covered || (dx <= 2 && dy <= 2 && !(dx == 2 && dy == 2));
                }
                EXPECT_TRUE(covered) << "radius " << r << " cell " << x << "," << y;
            }
        }
    }
}

TEST(NoiseMask, SevenSymmetries) {
    // Cell (row 0, column 1) of a 3 × 3 square goes where each symmetry says.
    const int where[7][2] = {{1, 0}, {1, 2}, {0, 1}, {1, 0}, {2, 1}, {1, 2}, {2, 1}};
    for (uint32_t sym = 0; sym < 7; ++sym) {
        uint8_t mask[kMaskCells] = {};
        mask[0 * kMaskSide + 1] = 1;
        mask[1 * kMaskSide + 1] = 1;
        NoiseMask_Reorient(mask, 1, sym);
        EXPECT_EQ(mask[where[sym][0] * kMaskSide + where[sym][1]], 1) << sym;
        EXPECT_EQ(mask[1 * kMaskSide + 1], 1);
        EXPECT_EQ(std::count(mask, mask + kMaskCells, 1), 2);
    }
    // Turning clockwise then anticlockwise, or a half turn twice, restores the mask.
    uint8_t mask[kMaskCells];
    NoiseRandom random{int32_t(kNoiseSeed)};
    NoiseMask_Build(mask, 9, kNoiseRandomDisc, &random);
    const std::vector<uint8_t> before(mask, mask + kMaskCells);
    NoiseMask_Reorient(mask, 9, 1);
    EXPECT_NE(std::vector<uint8_t>(mask, mask + kMaskCells), before);
    NoiseMask_Reorient(mask, 9, 3);
    EXPECT_EQ(std::vector<uint8_t>(mask, mask + kMaskCells), before);
    NoiseMask_Reorient(mask, 9, 6);
    NoiseMask_Reorient(mask, 9, 6);
    EXPECT_EQ(std::vector<uint8_t>(mask, mask + kMaskCells), before);
}

TEST(SortNetwork, SortsEveryInput) {
    // Zero–one principle: a network that sorts every 0/1 input sorts everything.
    for (uint32_t n = 1; n <= 18; ++n) {
        std::vector<SortStep> steps(SortNetwork_Build(n, nullptr));
        SortNetwork_Build(n, steps.data());
        for (uint32_t bits = 0; bits < (1u << n); ++bits) {
            uint32_t v = bits;
            for (const SortStep& s : steps) {
                if (((v >> s.lo) & 1) > ((v >> s.hi) & 1)) v ^= (1u << s.lo) | (1u << s.hi);
            }
            const uint32_t ones = uint32_t(__builtin_popcount(v));
            ASSERT_EQ(v, ones == 0 ? 0 : ((1u << ones) - 1) << (n - ones)) << n;
        }
    }
    std::mt19937 rng(5);
    for (uint32_t n : {21u, 75u, 129u, 1089u}) {
        std::vector<SortStep> steps(SortNetwork_Build(n, nullptr));
        SortNetwork_Build(n, steps.data());
        for (int round = 0; round < 5; ++round) {
            std::vector<int32_t> v(n);
            for (auto& x : v) x = int32_t(rng() % 50);
            std::vector<int32_t> want = v;
            std::sort(want.begin(), want.end());
            for (const SortStep& s : steps) {
                if (v[s.lo] > v[s.hi]) std::swap(v[s.lo], v[s.hi]);
            }
            ASSERT_EQ(v, want) << n;
        }
    }
}

// The thresholded median of one pixel as the engine first computed it: all
// values under the mask sorted, the candidate of rank n / 2 read at rank
// L + n / 2 (L the values below the threshold), two candidates averaged.
int32_t SortedMedian(std::vector<int32_t> values, int32_t v, int32_t t) {
    int32_t below = 0, n = 0;
    for (int32_t a : values) {
        below += a - v < -t;
        n += a - v >= -t && a - v <= t;
    }
    std::sort(values.begin(), values.end());
    const int32_t upper = values[size_t(below + n / 2)];
    const int32_t lower = values[size_t(below + (n - 1) / 2)];
    return n == 2 ? (lower + upper) >> 1 : upper;
}

TEST(NoiseMedian, SelectionMatchesTheFullSortForEveryCellCount) {
    // Each lane of a row gets its own case: random spreads around the
    // threshold, ties, a lone candidate, exactly two, every value a
    // candidate, and values at the ends of the window's range, for the
    // thresholds of both output depths.
    constexpr uint32_t kWidth = 64;
    constexpr int32_t kTop = (1 << 30) - 1;  // window values stay inside ±2^30
    std::mt19937 rng(77);
    KernelPathScope restore;
    for (int32_t path : KernelPathsToCheck()) {
        ASSERT_EQ(SetKernelPath(path), kUiOk);
        for (uint32_t m = 1; m <= 40; ++m) {
            for (int32_t threshold : {0, 16, 255, 100000}) {
                for (int32_t scale : {16384, 257 * 16384}) {
                    const int32_t t =
                        int32_t(std::min<int64_t>(int64_t(threshold) * scale, 0x7FFFFFFF));
                    std::vector<std::vector<int32_t>> rows(m, std::vector<int32_t>(kWidth + 8));
                    const uint32_t centreCell = m / 3;
                    for (uint32_t x = 0; x < kWidth; ++x) {
                        const int32_t v = int32_t(rng() % (2u * kTop)) - kTop;
                        const uint32_t kind = x % 8;
                        uint32_t inside = 1 + rng() % m;
                        for (uint32_t k = 0; k < m; ++k) {
                            int64_t a = v;
                            const int64_t spread = 3 * int64_t(t) + 4;
                            if (kind == 0 || kind == 1) {  // around the threshold
                                a = v + int64_t(rng() % uint64_t(2 * spread + 1)) - spread;
                            } else if (kind == 2) {  // ties on a few levels
                                a = v + int32_t(rng() % 3) - 1;
                            } else if (kind == 3 || kind == 4) {  // `inside` candidates
                                const int64_t off = k < inside ? int64_t(rng() % (uint64_t(t) + 1))
                                                               : int64_t(t) + 1 + rng() % 1000;
                                a = rng() % 2 ? v + off : v - off;
                            } else if (kind == 5) {  // the ends of the range
                                a = rng() % 2 ? kTop : -kTop;
                            } else if (kind == 6) {  // exactly two candidates
                                inside = 2;
                                const int64_t out = int64_t(t) + 1 + rng() % 9;
                                a = k == 0 ? v + int64_t(rng() % (uint64_t(t) / 2 + 1))
                                           : v + (rng() % 2 ? out : -out);
                            } else {  // every value a candidate
                                a = v + int64_t(rng() % (uint64_t(t) + 1)) - t / 2;
                            }
                            rows[k][x] = int32_t(std::clamp<int64_t>(a, -kTop, kTop));
                        }
                        rows[centreCell][x] = v;
                    }
                    std::vector<const int32_t*> cells(m);
                    for (uint32_t k = 0; k < m; ++k) cells[k] = rows[k].data();
                    std::vector<int32_t> out(kWidth);
                    std::vector<int32_t> lanes(8 * size_t(m + 1));
                    std::vector<SortStep> steps(SortNetwork_Build(m, nullptr) + 1);
                    SortNetwork_Build(m, steps.data());
                    const MedianRow row{
                        rows[centreCell].data(), cells.data(), m, 0, t, kWidth, out.data()};
                    Median_Choose(false, m)(row, MedianScratch{lanes.data(), steps.data(),
                                                               SortNetwork_Build(m, nullptr)});
                    for (uint32_t x = 0; x < kWidth; ++x) {
                        std::vector<int32_t> values(m);
                        for (uint32_t k = 0; k < m; ++k) values[k] = rows[k][x];
                        ASSERT_EQ(out[x], SortedMedian(values, rows[centreCell][x], t))
                            << "cells " << m << " column " << x << " threshold " << t << " path "
                            << path;
                    }
                }
            }
        }
    }
    if (const char* why = VectorOrAvx512PathUnchecked()) GTEST_SKIP() << why;
}

TEST(LumaChroma, InverseIsExactForEverySample) {
    for (int32_t r = 0; r < 256; ++r) {
        for (int32_t g = 0; g < 256; ++g) {
            for (int32_t b = 0; b < 256; ++b) {
                const LumaChroma yuv = LumaChroma_FromRgb(r, g, b);
                if (LumaChroma_Red(yuv.y, yuv.u, yuv.v) != r ||
                    LumaChroma_Green(yuv.y, yuv.u, yuv.v) != g ||
                    LumaChroma_Blue(yuv.y, yuv.u, yuv.v) != b) {
                    FAIL() << r << " " << g << " " << b;
                }
            }
        }
    }
    // 16-bit: the corners, steps of 257 + 1 across the cube and random samples.
    std::vector<int32_t> levels;
    for (int32_t v = 0; v < 65536; v += 258) levels.push_back(v);
    levels.push_back(65535);
    std::mt19937 rng(9);
    auto check = [](int32_t r, int32_t g, int32_t b) {
        const LumaChroma yuv = LumaChroma_FromRgb(r, g, b);
        return LumaChroma_Red(yuv.y, yuv.u, yuv.v) == r &&
               LumaChroma_Green(yuv.y, yuv.u, yuv.v) == g &&
               LumaChroma_Blue(yuv.y, yuv.u, yuv.v) == b;
    };
    for (int32_t r : levels) {
        for (int32_t g : levels) {
            for (int32_t b : levels) ASSERT_TRUE(check(r, g, b)) << r << " " << g << " " << b;
        }
    }
    for (int i = 0; i < 2000000; ++i) {
        const int32_t r = int32_t(rng() & 0xFFFF), g = int32_t(rng() & 0xFFFF),
                      b = int32_t(rng() & 0xFFFF);
        ASSERT_TRUE(check(r, g, b)) << r << " " << g << " " << b;
    }
}

TEST(LumaChroma, FilteredValuesRoundToNearest) {
    // Moving Y by 8192 (half a sample) moves every channel by half a sample:
    // halves round up.
    const LumaChroma grey = LumaChroma_FromRgb(100, 100, 100);
    EXPECT_EQ(LumaChroma_Red(grey.y + 8191, grey.u, grey.v), 100);
    EXPECT_EQ(LumaChroma_Red(grey.y + 8192, grey.u, grey.v), 101);
    EXPECT_EQ(LumaChroma_Blue(grey.y - 8192, grey.u, grey.v), 100);
    EXPECT_EQ(LumaChroma_Blue(grey.y - 8193, grey.u, grey.v), 99);
}

// The row kernels of every path against the conversions of luma_chroma.h,
// planar and interleaved: every 8-bit colour forward and back, every 16-bit
// value of each channel, filtered values over the whole window range, and
// the values on either side of every rounding boundary of the inverse.
TEST(LumaChroma, RowKernelsMatchThePixelConversions) {
    KernelPathScope restore;
    std::mt19937 rng(31);
    // Forward: rgb samples of n pixels, then back from the Y, U, V given.
    auto forward = [](const NoiseRowKernels& k, const auto& rgb, bool interleaved) {
        using T = typename std::decay_t<decltype(rgb)>::value_type;
        const uint32_t n = uint32_t(rgb.size() / 3);
        std::vector<T> planes(rgb.size());
        for (uint32_t x = 0; x < n; ++x) {
            for (uint32_t c = 0; c < 3; ++c) planes[c * n + x] = rgb[3 * x + c];
        }
        std::vector<int32_t> out(3 * size_t(n));
        int32_t* const yuv[3] = {out.data(), out.data() + n, out.data() + 2 * n};
        const T* const in[3] = {interleaved ? rgb.data() : planes.data(), planes.data() + n,
                                planes.data() + 2 * n};
        uint32_t done = 0;
        if constexpr (sizeof(T) == 1) {
            done = k.fromRgb8(in, n, yuv, interleaved);
        } else {
            done = k.fromRgb16(in, n, yuv, interleaved);
        }
        for (uint32_t x = 0; x < done; ++x) {
            const LumaChroma want = LumaChroma_FromRgb(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]);
            if (yuv[0][x] != want.y || yuv[1][x] != want.u || yuv[2][x] != want.v) return x;
        }
        return done <= n ? ~0u : done;
    };
    // Back: R, G, B of the y, u, v given against the clamped pixel functions.
    auto back = [](const NoiseRowKernels& k, const std::vector<int32_t>& y,
                   const std::vector<int32_t>& u, const std::vector<int32_t>& v, uint32_t depth,
                   bool interleaved) {
        const uint32_t n = uint32_t(y.size());
        const int32_t top = depth == 1 ? 255 : 65535;
        const int32_t* const in[3] = {y.data(), u.data(), v.data()};
        std::vector<uint8_t> out8(3 * size_t(n));
        std::vector<uint16_t> out16(3 * size_t(n));
        auto at = [&](uint32_t x, uint32_t c) -> int32_t {
            const size_t i = interleaved ? 3 * size_t(x) + c : c * size_t(n) + x;
            return depth == 1 ? out8[i] : out16[i];
        };
        uint32_t done = 0;
        if (depth == 1) {
            uint8_t* const rgb[3] = {out8.data(), out8.data() + (interleaved ? 1 : n),
                                     out8.data() + (interleaved ? 2 : 2 * n)};
            done = k.toRgb8(in, n, rgb, interleaved);
        } else {
            uint16_t* const rgb[3] = {out16.data(), out16.data() + (interleaved ? 1 : n),
                                      out16.data() + (interleaved ? 2 : 2 * n)};
            done = k.toRgb16(in, n, rgb, interleaved);
        }
        if (done > n) return done;
        for (uint32_t x = 0; x < done; ++x) {
            const int32_t want[3] = {LumaChroma_Red(y[x], u[x], v[x]),
                                     LumaChroma_Green(y[x], u[x], v[x]),
                                     LumaChroma_Blue(y[x], u[x], v[x])};
            for (uint32_t c = 0; c < 3; ++c) {
                if (at(x, c) != std::clamp(want[c], 0, top)) return x;
            }
        }
        return ~0u;
    };
    // The ends of the window's values: Y of samples 0 .. 65535, U and V of
    // their extreme mixes.
    constexpr int32_t kTopY = 65535 * 16384;
    constexpr int32_t kLowU = -(4735 + 2425) * 65535, kHighU = 7160 * 65535;
    constexpr int32_t kLowV = -(8438 + 1638) * 65535, kHighV = 10076 * 65535;
    constexpr int64_t kDen = int64_t(16384) * 34086005;
    const int64_t coeff[3][2] = {{-4769, 38851350}, {-13423265, -19803370}, {69119327, 62230}};
    for (int32_t path : KernelPathsToCheck()) {
        ASSERT_EQ(SetKernelPath(path), kUiOk);
        const NoiseRowKernels& k = *NoiseRowKernels_Choose();
        for (bool interleaved : {false, true}) {
            const std::string what =
                "path " + std::to_string(path) + " interleaved " + std::to_string(interleaved);
            // Every 8-bit colour, a red level at a time (65536 + 5 pixels, so
            // that the last vector is partial).
            for (int32_t r = 0; r < 256; ++r) {
                std::vector<uint8_t> rgb(3 * size_t(65536 + 5));
                for (uint32_t i = 0; i < 65536 + 5; ++i) {
                    rgb[3 * i] = uint8_t(r), rgb[3 * i + 1] = uint8_t(i >> 8),
                            rgb[3 * i + 2] = uint8_t(i);
                }
                ASSERT_EQ(forward(k, rgb, interleaved), ~0u) << what << " red " << r;
                std::vector<int32_t> y, u, v;
                for (uint32_t i = 0; i < 65536 + 5; ++i) {
                    const LumaChroma c =
                        LumaChroma_FromRgb(r, int32_t(i >> 8) & 255, int32_t(i) & 255);
                    y.push_back(c.y), u.push_back(c.u), v.push_back(c.v);
                }
                ASSERT_EQ(back(k, y, u, v, 1, interleaved), ~0u) << what << " red " << r;
            }
            // Every 16-bit value of each channel beside random others.
            for (uint32_t c = 0; c < 3; ++c) {
                std::vector<uint16_t> rgb(3 * size_t(65536));
                std::vector<int32_t> y, u, v;
                for (uint32_t i = 0; i < 65536; ++i) {
                    for (uint32_t j = 0; j < 3; ++j) rgb[3 * i + j] = uint16_t(rng());
                    rgb[3 * i + c] = uint16_t(i);
                    const LumaChroma w =
                        LumaChroma_FromRgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
                    y.push_back(w.y), u.push_back(w.u), v.push_back(w.v);
                }
                ASSERT_EQ(forward(k, rgb, interleaved), ~0u) << what << " channel " << c;
                ASSERT_EQ(back(k, y, u, v, 2, interleaved), ~0u) << what << " channel " << c;
            }
            // Filtered values anywhere in the window's range, and Y on either
            // side of each channel's rounding boundaries: N = q·D exactly.
            for (uint32_t depth = 1; depth <= 2; ++depth) {
                const int64_t top = depth == 1 ? 255 : 65535;
                std::vector<int32_t> y, u, v;
                for (int i = 0; i < 200000; ++i) {
                    const int32_t uu = kLowU + int32_t(rng() % uint32_t(kHighU - kLowU + 1));
                    const int32_t vv = kLowV + int32_t(rng() % uint32_t(kHighV - kLowV + 1));
                    y.push_back(int32_t(rng() % uint32_t(kTopY + 1))), u.push_back(uu),
                        v.push_back(vv);
                    const auto& cf = coeff[i % 3];
                    const int64_t q = int64_t(rng() % uint32_t(top + 3)) - 1;
                    // 34086005·y = q·D − D / 2 − cu·u − cv·v, rounded down.
                    const int64_t num = q * kDen - kDen / 2 - cf[0] * uu - cf[1] * vv;
                    const int64_t y0 = num >= 0 ? num / 34086005 : -((-num + 34086004) / 34086005);
                    for (int64_t d = -1; d <= 2; ++d) {
                        if (y0 + d < 0 || y0 + d > kTopY) continue;
                        y.push_back(int32_t(y0 + d)), u.push_back(uu), v.push_back(vv);
                    }
                }
                for (int32_t yy : {0, kTopY}) {
                    for (int32_t uu : {kLowU, 0, kHighU}) {
                        for (int32_t vv : {kLowV, 0, kHighV}) {
                            y.push_back(yy), u.push_back(uu), v.push_back(vv);
                        }
                    }
                }
                ASSERT_EQ(back(k, y, u, v, depth, interleaved), ~0u) << what << " depth " << depth;
            }
        }
    }
    if (const char* why = VectorOrAvx512PathUnchecked()) GTEST_SKIP() << why;
}

TEST(Noise, MatchesThePlainRulesOverVariedInputs) {
    struct Case {
        uint32_t shape;
        int32_t radius[4];
        int32_t threshold[4];
        uint32_t channels;
        bool lumaChroma;
    };
    const Case cases[] = {
        {kNoiseRandomDisc, {0, 8, 4, 0}, {0, 16, 16, 0}, 3, true},  // the plug-in's defaults
        {kNoiseRandomDisc, {3, 0, 16, 0}, {30, 0, 5, 0}, 3, false},
        {kNoiseSquare, {1, 2, 0, 3}, {10, 255, 0, 4}, 4, false},
        {kNoiseDisc, {4, 4, 4, 0}, {8, 20, 40, 0}, 3, true},
        {kNoiseDiamond, {5, 0, 2, 0}, {12, 0, 100000, 0}, 3, false},
        {kNoiseCross, {6, 0, 0, 0}, {20, 0, 0, 0}, 1, false},
        {kNoiseRays, {3, 1, 7, 0}, {16, 3, 60, 0}, 3, true},
        {kNoiseRays, {2, 2, 2, 2}, {0, 9, 20, 255}, 4, false},
        {kNoiseSquare, {16, 0, 0, 0}, {40, 0, 0, 0}, 1, false},
    };
    const uint32_t sizes[][2] = {{37, 23}, {9, 40}, {17, 5}};
    uint32_t seed = 1;
    KernelPathScope restore;
    for (int32_t path : KernelPathsToCheck()) {
        ASSERT_EQ(SetKernelPath(path), kUiOk);
        for (const Case& cs : cases) {
            for (uint32_t depth = 1; depth <= 2; ++depth) {
                for (const auto& size : sizes) {
                    const bool planarIn = seed % 2 == 0, planarOut = seed % 3 == 0;
                    Collector unused;
                    NoiseParams p = Params(size[0], size[1], cs.channels, &unused);
                    p.maskShape = cs.shape;
                    p.lumaChroma = cs.lumaChroma ? 1 : 0;
                    p.planarOutput = planarOut ? 1 : 0;
                    p.outputDepth = depth;
                    std::copy(cs.radius, cs.radius + 4, p.radius);
                    std::copy(cs.threshold, cs.threshold + 4, p.threshold);
                    const Image in =
                        PhotoLike(size[0], size[1], cs.channels, depth == 1 ? 255 : 65535, seed++);
                    ExpectMatchesReference(
                        in, p, depth, planarIn,
                        "shape " + std::to_string(cs.shape) + " depth " + std::to_string(depth) +
                            " size " + std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                            " path " + std::to_string(path));
                }
            }
        }
    }
    if (const char* why = VectorOrAvx512PathUnchecked()) GTEST_SKIP() << why;
}

TEST(Noise, EightBitRowsIntoSixteenBitOutput) {
    // The window holds samples × 2^14 whatever the input depth; the output
    // depth scales the thresholds by 257.
    Collector unused;
    NoiseParams p = Params(20, 12, 3, &unused);
    p.maskShape = kNoiseDisc;
    p.radius[1] = 3;
    p.threshold[1] = 2;
    p.outputDepth = 2;
    ExpectMatchesReference(PhotoLike(20, 12, 3, 255, 4), p, 1, true, "8 in, 16 out");
}

TEST(Noise, AllRadiiZeroPassesEveryRowOnAtOnceUnchanged) {
    for (uint32_t depth = 1; depth <= 2; ++depth) {
        for (bool lumaChroma : {false, true}) {
            Collector col;
            NoiseParams p = Params(31, 6, 3, &col);
            p.lumaChroma = lumaChroma ? 1 : 0;
            p.outputDepth = depth;
            p.threshold[1] = 16;
            const Image in = PhotoLike(31, 6, 3, depth == 1 ? 255 : 65535, 3);
            ASSERT_EQ(RunNoise(in, p, depth, true, &col), 0);
            EXPECT_EQ(col.image.s, in.s);
            EXPECT_EQ(col.rowsAfterCall, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
        }
    }
}

// One channel, a cross of radius 1 (the centre and four neighbours) and
// threshold 2 on a flat field of 100 with a few pixels set.
struct Spot {
    uint32_t x, y;
    int32_t value;
};
int32_t CrossCentre(std::initializer_list<Spot> spots, uint32_t depth, int32_t threshold,
                    int32_t flat) {
    Collector col;
    NoiseParams p = Params(5, 5, 1, &col);
    p.maskShape = kNoiseCross;
    p.radius[0] = 1;
    p.threshold[0] = threshold;
    p.outputDepth = depth;
    Image in(5, 5, 1, flat);
    for (const Spot& s : spots) in.at(s.x, s.y, 0) = s.value;
    EXPECT_EQ(RunNoise(in, p, depth, true, &col), 0);
    return col.image.at(2, 2, 0);
}

TEST(Noise, FewCandidates) {
    // No neighbour within the threshold: the pixel keeps its value.
    EXPECT_EQ(CrossCentre({{2, 2, 50}}, 1, 2, 100), 50);
    // Exactly one: the floor of the mean of the two in window units, which
    // the output rounds: (50 + 52) / 2 and (1000 + 1003) / 2 = 1001.5 → 1002.
    EXPECT_EQ(CrossCentre({{2, 2, 50}, {3, 2, 52}}, 1, 2, 100), 51);
    EXPECT_EQ(CrossCentre({{2, 2, 1000}, {2, 3, 1003}}, 2, 1, 30000), 1002);
    // Two neighbours: three candidates, the middle one.
    EXPECT_EQ(CrossCentre({{2, 2, 50}, {2, 1, 52}, {1, 2, 51}}, 1, 2, 100), 51);
}

TEST(Noise, ThresholdsScaleBy257ForSixteenBitOutput) {
    // A centre that differs from its flat neighbours by d is smoothed away
    // when d is within the threshold, kept otherwise.
    EXPECT_EQ(CrossCentre({{2, 2, 110}}, 1, 10, 100), 100);
    EXPECT_EQ(CrossCentre({{2, 2, 111}}, 1, 10, 100), 111);
    EXPECT_EQ(CrossCentre({{2, 2, 30000 + 2570}}, 2, 10, 30000), 30000);
    EXPECT_EQ(CrossCentre({{2, 2, 30000 + 2571}}, 2, 10, 30000), 30000 + 2571);
}

TEST(Noise, ThresholdZeroKeepsEveryPixel) {
    for (uint32_t shape = 0; shape <= kNoiseRays; ++shape) {
        Collector col;
        NoiseParams p = Params(23, 19, 3, &col);
        p.maskShape = shape;
        for (int c = 0; c < 3; ++c) p.radius[c] = 3 + c;
        const Image in = PhotoLike(23, 19, 3, 255, 8 + shape);
        ASSERT_EQ(RunNoise(in, p, 1, false, &col), 0);
        EXPECT_EQ(col.image.s, in.s) << "shape " << shape;
    }
}

TEST(Noise, EdgeRowsAndColumnsAreRepeated) {
    // A bright 2 × 2 block in the top-left corner under a 5 × 5 median: with
    // the edges repeated, 16 of the corner pixel's 25 values are bright.
    Collector col;
    NoiseParams p = Params(6, 6, 1, &col);
    p.radius[0] = 2;
    p.threshold[0] = 255;
    Image in(6, 6, 1);
    for (uint32_t y = 0; y < 2; ++y) {
        for (uint32_t x = 0; x < 2; ++x) in.at(x, y, 0) = 200;
    }
    ASSERT_EQ(RunNoise(in, p, 1, true, &col), 0);
    EXPECT_EQ(col.image.at(0, 0, 0), 200);  // only 4 of 25 without the repeats
    EXPECT_EQ(col.image.at(1, 1, 0), 0);    // 9 of 25 bright
    // The same block in the bottom-right corner.
    std::reverse(in.s.begin(), in.s.end());
    ASSERT_EQ(RunNoise(in, p, 1, true, &col), 0);
    EXPECT_EQ(col.image.at(5, 5, 0), 200);
    EXPECT_EQ(col.image.at(4, 4, 0), 0);
}

TEST(Noise, RandomDiscRadiusTwoRefusedRadiusThreeRepeatable) {
    Collector col;
    NoiseParams p = Params(40, 30, 3, &col);
    p.maskShape = kNoiseRandomDisc;
    p.lumaChroma = 1;
    p.threshold[1] = p.threshold[2] = 255;
    for (int32_t r : {1, 2}) {
        p.radius[1] = r;
        Mask2dState* s = reinterpret_cast<Mask2dState*>(&col);
        EXPECT_EQ(mask2dOpen(&s, &p), -1) << r;
        EXPECT_EQ(s, nullptr);
    }
    p.radius[1] = 3;
    p.radius[2] = 5;
    const Image in = PhotoLike(40, 30, 3, 255, 12);
    ASSERT_EQ(RunNoise(in, p, 1, true, &col), 0);
    const std::vector<int32_t> first = col.image.s;
    ASSERT_EQ(RunNoise(in, p, 1, true, &col), 0);
    EXPECT_EQ(col.image.s, first);
    EXPECT_NE(first, in.s);
}

TEST(Noise, ImagesShorterThanTheWindow) {
    for (uint32_t height : {1u, 2u, 5u, 8u, 9u, 12u}) {
        Collector unused;
        NoiseParams p = Params(14, height, 3, &unused);
        p.maskShape = kNoiseRandomDisc;
        p.lumaChroma = 1;
        p.radius[1] = 8;
        p.radius[2] = 4;
        p.threshold[1] = p.threshold[2] = 16;
        const Image in = PhotoLike(14, height, 3, 255, height);
        ExpectMatchesReference(in, p, 1, true, "height " + std::to_string(height));
        Collector col;
        p.sinkContext = &col;
        ASSERT_EQ(RunNoise(in, p, 1, true, &col), 0);
        ASSERT_EQ(col.users.size(), height);
        // Nothing comes out before the last row unless the image is taller than R.
        for (uint32_t y = 0; y + 1 < height; ++y) {
            EXPECT_EQ(col.rowsAfterCall[y], y >= 8 ? y - 7 : 0) << height << " " << y;
        }
    }
}

TEST(Noise, RefusesBadSettings) {
    Collector col;
    const NoiseParams good = Params(8, 8, 3, &col);
    std::vector<NoiseParams> bad(16, good);
    bad[0].channels = 0;
    bad[1].channels = 5;
    bad[2].colorKind = 2;
    bad[3].order = kRowOrderIdentity4;  // kind 1 needs the order of three channels
    bad[4].colorKind = 4;               // kind 4 needs four channels
    bad[5].colorKind = 5;               // kind 5 needs one channel
    bad[6].radius[0] = 17;              // more than the 33 × 33 masks hold
    bad[7].radius[2] = -1;
    bad[8].maskShape = 6;
    bad[9].threshold[1] = -1;
    bad[10].sink = nullptr;
    bad[11].width = 0;
    bad[12].height = 0;
    bad[13].channels = 1, bad[13].colorKind = 5, bad[13].lumaChroma = 1;
    bad[14].colorKind = 7, bad[14].order = 0;
    bad[15].maskShape = kNoiseRandomDisc, bad[15].radius[0] = 1;
    for (size_t i = 0; i < bad.size(); ++i) {
        Mask2dState* s = reinterpret_cast<Mask2dState*>(&col);
        EXPECT_EQ(mask2dOpen(&s, &bad[i]), -1) << i;
        EXPECT_EQ(s, nullptr);
    }
    Mask2dState* s = nullptr;
    EXPECT_EQ(mask2dOpen(nullptr, &good), -1);
    EXPECT_EQ(mask2dOpen(&s, nullptr), -1);
    EXPECT_EQ(mask2dClose(nullptr), -1);
    EXPECT_EQ(mask2dClose(&s), 0);

    NoiseParams ok = good;
    ok.radius[0] = 16;  // the largest radius is fine
    ok.height = 2;
    ASSERT_EQ(mask2dOpen(&s, &ok), 0);
    col.Reset(Image(8, 2, 3));
    std::vector<uint8_t> row(24);
    const RowDesc wrongWidth{7, 3, 1, 0, 36, row.data(), nullptr, 0};
    const RowDesc noSamples{8, 3, 1, 0, 36, nullptr, nullptr, 0};
    const RowDesc fine{8, 3, 1, 0, 36, row.data(), nullptr, 0};
    EXPECT_EQ(mask2dPutRow(s, &wrongWidth), -1);
    EXPECT_EQ(mask2dPutRow(s, &noSamples), -1);
    EXPECT_EQ(mask2dPutRow(s, nullptr), -1);
    EXPECT_EQ(mask2dPutRow(nullptr, &fine), -1);
    EXPECT_EQ(mask2dPutRow(s, &fine), 0);
    EXPECT_EQ(mask2dPutRow(s, &fine), 0);
    EXPECT_EQ(mask2dPutRow(s, &fine), -1);  // past the height
    EXPECT_EQ(col.users.size(), 2u);
    mask2dClose(&s);
}

TEST(Noise, SinkStatusEndsTheRowCall) {
    for (uint32_t failAt : {0u, 4u, 9u}) {
        Collector col;
        col.failAtRow = failAt;
        NoiseParams p = Params(12, 10, 3, &col);
        p.radius[0] = 2;
        p.threshold[0] = 9;
        EXPECT_EQ(RunNoise(PhotoLike(12, 10, 3, 255, 1), p, 1, false, &col), -6);
        EXPECT_EQ(col.users.size(), failAt);
    }
}

TEST(Noise, MemoryDoesNotGrowWithTheHeight) {
    Collector col;
    uint32_t bytes[2] = {};
    for (int i = 0; i < 2; ++i) {
        NoiseParams p = Params(500, i == 0 ? 20 : 2000000, 3, &col);
        p.maskShape = kNoiseRandomDisc, p.lumaChroma = 1;
        p.radius[1] = 8, p.radius[2] = 4;
        const uint32_t before = Ui_Mem_Stats().total;
        Mask2dState* s = nullptr;
        ASSERT_EQ(mask2dOpen(&s, &p), 0);
        bytes[i] = Ui_Mem_Stats().total - before;
        mask2dClose(&s);
    }
    EXPECT_EQ(bytes[0], bytes[1]);
    EXPECT_LT(bytes[0], 500u * 256 + 16384);  // about 222 bytes a column
}

TEST(Noise, OpenUnderAllocationFailures) {
    Collector col;
    std::vector<NoiseParams> configs(3, Params(64, 16, 3, &col));
    configs[0].maskShape = kNoiseRandomDisc, configs[0].lumaChroma = 1;
    configs[0].radius[1] = 8, configs[0].radius[2] = 4;
    configs[1].maskShape = kNoiseRays, configs[1].radius[0] = 3;
    configs[2].radius[0] = 0;  // no filtering channel at all
    for (const NoiseParams& p : configs) {
        ExpectOpenReportsEveryAllocationFailure<Mask2dState>(
            [&](Mask2dState** s) { return mask2dOpen(s, &p); }, mask2dClose);
    }
}

}  // namespace
