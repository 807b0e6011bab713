#include "engine/sharpen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "engine/engine_switches.h"
#include "engine/lanes.h"
#include "engine/trunc_div.h"
#include "tests/support/kernel_paths.h"
#include "tests/support/row_image.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

using Image = RowImage;

Image NoisyImage(uint32_t width, uint32_t height, uint32_t channels, int32_t maxSample,
                 uint32_t seed) {
    Image im(width, height, channels);
    std::mt19937 rng(seed);
    for (auto& v : im.s) {
        const uint32_t r = rng();
        // Mostly mid-tones with noise, some extremes so that clamping is hit.
        if (r % 11 == 0) {
            v = (r >> 8) % 2 ? maxSample : 0;
        } else {
            v = int32_t((r >> 8) % uint32_t(maxSample + 1));
        }
    }
    return im;
}

// The filter as the rules state it, over a whole image held in memory.
Image ReferenceSharpen(const Image& in, const SharpenParams& p) {
    Image out = in;
    if (p.strength == 0 || in.height <= 4) return out;
    const int32_t s = p.strength, d = 25 - s, h = d / 2;
    const bool eight = p.depth == 1;
    const int32_t k = eight ? (s * 32768 + 12) / 25 : (s * 1024 + 12) / 25;
    auto clamp = [&](int32_t v) { return v < p.lo ? p.lo : (v > p.hi ? p.hi : v); };
    const bool kind78 = p.colorKind == 7 || p.colorKind == 8;
    for (uint32_t y = 2; y + 2 < in.height; ++y) {
        for (uint32_t x = 2; x + 2 < in.width; ++x) {
            int32_t box[4] = {}, sharp[4] = {};
            for (uint32_t c = 0; c < in.channels; ++c) {
                for (int dy = -2; dy <= 2; ++dy) {
                    for (int dx = -2; dx <= 2; ++dx) box[c] += in.at(x + dx, y + dy, c);
                }
                const int32_t blur = eight ? (box[c] * k + 16384) >> 15 : (box[c] * k + 512) >> 10;
                sharp[c] = (25 * in.at(x, y, c) - blur + h) / d;
            }
            for (uint32_t c = 0; c < in.channels; ++c) {
                const int32_t centre = in.at(x, y, c);
                int32_t v;
                if (kind78 && c > 0 && !eight) {
                    continue;  // kept as it is, not even clamped
                } else if (kind78) {
                    v = c == 0 ? sharp[0] : (box[c] + 12) / 25;
                } else if (p.selector >= 0) {
                    v = centre + sharp[p.selector] - in.at(x, y, uint32_t(p.selector));
                } else {
                    v = sharp[c];
                }
                out.at(x, y, c) = clamp(v);
            }
        }
    }
    return out;
}

using Collector = RowCollector;

SharpenParams Params(uint32_t width, uint32_t height, uint32_t channels, int32_t strength,
                     uint32_t depth, bool planar, Collector* col) {
    SharpenParams p{};
    p.strength = strength;
    p.selector = -1;
    p.width = width;
    p.height = height;
    p.channels = channels;
    p.colorKind = channels == 4 ? 4 : (channels == 1 ? 5 : 1);
    p.planar = planar ? 1 : 0;
    p.order = channels == 4 ? kRowOrderIdentity4 : kRowOrderIdentity3;
    p.depth = depth;
    p.lo = 0;
    p.hi = depth == 1 ? 255 : 65535;
    p.sink = RowCollector::Sink;
    p.sinkContext = col;
    return p;
}

// Runs the filter over an image, one row at a time; the rows the sink
// received are in col->image. direct: write each row into the window's own
// storage instead of handing over a separate row.
int32_t RunSharpen(const Image& in, const SharpenParams& p, Collector* col, bool direct = false) {
    col->Reset(in);
    SharpenWindow* w = nullptr;
    int32_t status = sharpenOpen(&w, &p);
    if (status != 0) return status;
    const size_t samples = size_t(in.width) * in.channels;
    std::vector<uint8_t> row8(samples);
    std::vector<uint16_t> row16(samples);
    for (uint32_t y = 0; y < in.height && status == 0; ++y) {
        void* target = direct ? sharpenNextRowBuffer(w) : nullptr;
        uint8_t* d8 =
            p.depth == 1 ? (target ? static_cast<uint8_t*>(target) : row8.data()) : nullptr;
        uint16_t* d16 =
            p.depth == 2 ? (target ? static_cast<uint16_t*>(target) : row16.data()) : nullptr;
        CopyRowOut(in, y, p.planar != 0, d8, d16);
        RowDesc row{in.width, in.channels, p.colorKind, p.planar, p.order, d8, d16, 1000 + y};
        status = sharpenPutRow(w, &row);
    }
    EXPECT_EQ(sharpenClose(&w), 0);
    EXPECT_EQ(w, nullptr);
    return status;
}

LANES_AVX512 void DivideBy16Lanes(const TruncDiv& div, const int32_t* n, int32_t* q) {
    _mm512_storeu_si512(q, div.Apply16(_mm512_loadu_si512(n)));
}

// Every numerator the 16-bit sharpen can form (|25·x − blur + h| < 2^21) by
// every divisor it can use, in each form of the division.
TEST(Sharpen, TruncatingDivisionMatchesTheOperator) {
    const bool avx512 = CpuHasAvx512Path();
    for (uint32_t d = 1; d <= 25; ++d) {
        const TruncDiv div = TruncDiv::For(d);
        for (int32_t n = -(1 << 21); n <= (1 << 21); n += 16) {
            int32_t in[16], out[16], out16[16];
            for (int l = 0; l < 16; ++l) in[l] = n + l;
            Store8(out, div.Apply(Load8(in)));
            Store8(out + 8, div.Apply(Load8(in + 8)));
            if (avx512) DivideBy16Lanes(div, in, out16);
            for (int l = 0; l < 16; ++l) {
                const int32_t want = in[l] / int32_t(d);
                if (div.Apply(in[l]) != want || out[l] != want || (avx512 && out16[l] != want)) {
                    FAIL() << in[l] << " / " << d;
                }
            }
        }
    }
    if (!avx512) GTEST_SKIP() << "sixteen-lane division unchecked: this processor lacks AVX-512";
}

// Every numerator the 8-bit sharpen can form (|25·x − blur + h| < 2^13) by
// every divisor it can use, in each form of the division.
LANES_AVX2 void DivideBy16Lanes(const TruncDivSmall& div, const int16_t* n, int16_t* q) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(n));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), div.Apply16(v));
}

TEST(Sharpen, SmallTruncatingDivisionMatchesTheOperator) {
    const bool avx2 = CpuHasVectorPath();
    for (uint32_t d = 1; d <= 25; ++d) {
        const TruncDivSmall div = TruncDivSmall::For(d);
        for (int32_t n = 1 - (1 << 13); n < (1 << 13); n += 16) {
            int16_t in16[16], out16[16];
            int32_t in[16], out[16];
            for (int l = 0; l < 16; ++l) in[l] = in16[l] = int16_t(std::min(n + l, (1 << 13) - 1));
            Store8(out, div.Apply(Load8(in)));
            Store8(out + 8, div.Apply(Load8(in + 8)));
            if (avx2) DivideBy16Lanes(div, in16, out16);
            for (int l = 0; l < 16; ++l) {
                const int32_t want = in[l] / int32_t(d);
                if (div.Apply(in[l]) != want || out[l] != want || (avx2 && out16[l] != want)) {
                    FAIL() << in[l] << " / " << d;
                }
            }
        }
    }
    if (!avx2) GTEST_SKIP() << "sixteen-lane division unchecked: this processor lacks AVX2";
}

TEST(Sharpen, MatchesTheRulesOnNoisyImages) {
    struct Case {
        uint32_t channels;
        uint32_t kind;
        int32_t selector;
    };
    const Case cases[] = {{3, 1, -1}, {3, 1, 1},  {4, 4, 0}, {4, 4, 3},
                          {1, 5, -1}, {3, 7, -1}, {3, 8, 2}, {3, 1, 0}};
    const uint32_t sizes[][2] = {{5, 5}, {9, 7}, {33, 17}, {6, 12}};
    KernelPathScope restore;
    uint32_t seed = 1;
    const std::vector<int32_t> paths = KernelPathsToCheck();  // the portable path first
    for (uint32_t run = 0; run < 2 * paths.size(); ++run) {
        const uint32_t depth = 1 + run % 2;
        ASSERT_EQ(SetKernelPath(paths[run / 2]), kUiOk);
        for (const Case& cs : cases) {
            for (int32_t strength : {1, 6, 13, 24}) {
                for (const auto& size : sizes) {
                    for (bool planar : {false, true}) {
                        Collector col;
                        SharpenParams p =
                            Params(size[0], size[1], cs.channels, strength, depth, planar, &col);
                        p.colorKind = cs.kind;
                        p.selector = cs.selector;
                        if (strength == 13) {  // a narrower output range
                            p.lo = depth == 1 ? 16 : 4096;
                            p.hi = depth == 1 ? 235 : 60160;
                        }
                        const Image in = NoisyImage(size[0], size[1], cs.channels,
                                                    depth == 1 ? 255 : 65535, seed++);
                        ASSERT_EQ(RunSharpen(in, p, &col, planar), 0);
                        const Image want = ReferenceSharpen(in, p);
                        ASSERT_EQ(col.image.s, want.s)
                            << "run " << run << " kind " << cs.kind << " selector " << cs.selector
                            << " strength " << strength << " size " << size[0] << "x" << size[1]
                            << " planar " << planar;
                        ASSERT_EQ(col.users.size(), size[1]);
                        for (uint32_t y = 0; y < size[1]; ++y) EXPECT_EQ(col.users[y], 1000 + y);
                    }
                }
            }
        }
    }
    if (const char* why = VectorPathUnchecked()) GTEST_SKIP() << why;
}

TEST(Sharpen, StrengthZeroAndShortImagesPassRowsOnAtOnce) {
    struct Case {
        int32_t strength;
        uint32_t height;
    };
    for (const Case cs : {Case{0, 20}, Case{24, 4}, Case{24, 1}}) {
        Collector col;
        const SharpenParams p = Params(12, cs.height, 3, cs.strength, 1, false, &col);
        EXPECT_FALSE(sharpenIsActive(cs.strength, cs.height));
        const Image in = NoisyImage(12, cs.height, 3, 255, 7);
        col.Reset(in);
        SharpenWindow* w = nullptr;
        ASSERT_EQ(sharpenOpen(&w, &p), 0);
        EXPECT_EQ(sharpenNextRowBuffer(w), nullptr);
        std::vector<uint8_t> row(36);
        for (uint32_t y = 0; y < cs.height; ++y) {
            for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(in.s[y * 36 + i]);
            RowDesc d{12, 3, 1, 0, kRowOrderIdentity3, row.data(), nullptr, y};
            ASSERT_EQ(sharpenPutRow(w, &d), 0);
            EXPECT_EQ(col.users.size(), y + 1) << "row " << y << " not passed on at once";
        }
        EXPECT_EQ(col.image.s, in.s);
        sharpenClose(&w);
    }
}

TEST(Sharpen, FiveRowsSharpenOnlyTheMiddleRowInsideTheBorder) {
    for (uint32_t depth = 1; depth <= 2; ++depth) {
        Collector col;
        const SharpenParams p = Params(9, 5, 3, 12, depth, false, &col);
        const Image in = NoisyImage(9, 5, 3, depth == 1 ? 255 : 65535, 3 + depth);
        ASSERT_EQ(RunSharpen(in, p, &col), 0);
        uint32_t changed = 0;
        for (uint32_t y = 0; y < 5; ++y) {
            for (uint32_t x = 0; x < 9; ++x) {
                for (uint32_t c = 0; c < 3; ++c) {
                    const bool inner = y == 2 && x >= 2 && x <= 6;
                    if (!inner) {
                        EXPECT_EQ(col.image.at(x, y, c), in.at(x, y, c)) << x << "," << y;
                    }
                    changed += col.image.at(x, y, c) != in.at(x, y, c);
                }
            }
        }
        EXPECT_GT(changed, 0u);
    }
}

// Strength 24 on 8-bit data: k = 31457, d = 1, h = 0, so the centre of a 5 × 5
// image becomes 25·x − ((B·31457 + 16384) >> 15), about x + 24·(x − mean).
TEST(Sharpen, StrengthTwentyFourFormula) {
    struct Case {
        int32_t surround, centre, want;
    };
    const Case cases[] = {
        {100, 104, 196},  // B = 2504: 2600 − 2404
        {100, 96, 4},     // B = 2496: 2400 − 2396
        {100, 100, 100},  // flat stays flat
        {100, 110, 255},  // 2750 − 2410 = 340, clamped
        {100, 90, 0},     // 2250 − 2391 < 0, clamped
        {0, 1, 24},       // B = 1: 25 − 1
        {255, 254, 231},  // B = 6374: 6350 − 6119
    };
    for (const Case& cs : cases) {
        Collector col;
        const SharpenParams p = Params(5, 5, 1, 24, 1, true, &col);
        Image in(5, 5, 1, cs.surround);
        in.at(2, 2, 0) = cs.centre;
        ASSERT_EQ(RunSharpen(in, p, &col), 0);
        EXPECT_EQ(col.image.at(2, 2, 0), cs.want) << cs.surround << " " << cs.centre;
    }
}

TEST(Sharpen, RefusesBadSettingsAndRows) {
    Collector col;
    const SharpenParams good = Params(8, 8, 3, 6, 1, false, &col);
    SharpenParams bad[8];
    for (auto& b : bad) b = good;
    bad[0].strength = 25;
    bad[1].strength = -1;
    bad[2].selector = -2;
    bad[3].selector = 3;  // names a fourth channel of three
    bad[4].depth = 3;
    bad[5].sink = nullptr;
    bad[6].hi = 256;
    bad[7].width = 0;
    for (const SharpenParams& b : bad) {
        SharpenWindow* w = reinterpret_cast<SharpenWindow*>(&col);
        EXPECT_EQ(sharpenOpen(&w, &b), -1);
        EXPECT_EQ(w, nullptr);
    }
    EXPECT_EQ(sharpenOpen(nullptr, &good), -1);
    EXPECT_EQ(sharpenClose(nullptr), -1);

    SharpenWindow* w = nullptr;
    ASSERT_EQ(sharpenOpen(&w, &good), 0);
    col.Reset(Image(8, 8, 3));
    std::vector<uint8_t> row8(24);
    std::vector<uint16_t> row16(24);
    const RowDesc wrong[] = {
        {7, 3, 1, 0, 36, row8.data(), nullptr, 0},   // width
        {8, 4, 1, 0, 36, row8.data(), nullptr, 0},   // channels
        {8, 3, 1, 1, 36, row8.data(), nullptr, 0},   // layout
        {8, 3, 1, 0, 36, nullptr, row16.data(), 0},  // depth
        {8, 3, 1, 0, 36, nullptr, nullptr, 0},       // no samples
    };
    for (const RowDesc& r : wrong) EXPECT_EQ(sharpenPutRow(w, &r), -1);
    EXPECT_EQ(sharpenPutRow(w, nullptr), -1);
    const RowDesc ok{8, 3, 1, 0, 36, row8.data(), nullptr, 0};
    for (int y = 0; y < 8; ++y) ASSERT_EQ(sharpenPutRow(w, &ok), 0);
    EXPECT_EQ(sharpenPutRow(w, &ok), -1);  // past the last row
    EXPECT_EQ(col.users.size(), 8u);
    sharpenClose(&w);
}

TEST(Sharpen, SinkStatusStopsTheRow) {
    for (uint32_t failAt : {0u, 3u, 8u}) {  // passed through, sharpened, last row
        Collector col;
        col.failAtRow = failAt;
        col.failStatus = -6;
        const SharpenParams p = Params(10, 9, 3, 6, 2, true, &col);
        const Image in = NoisyImage(10, 9, 3, 65535, 11);
        EXPECT_EQ(RunSharpen(in, p, &col), -6);
        EXPECT_EQ(col.users.size(), failAt);
    }
}

TEST(Sharpen, MemoryDoesNotGrowWithTheHeight) {
    Collector col;
    uint32_t bytes[2] = {};
    for (int i = 0; i < 2; ++i) {
        const SharpenParams p = Params(500, i == 0 ? 20 : 2000000, 3, 6, 2, false, &col);
        const uint32_t before = Ui_Mem_Stats().total;
        SharpenWindow* w = nullptr;
        ASSERT_EQ(sharpenOpen(&w, &p), 0);
        bytes[i] = Ui_Mem_Stats().total - before;
        sharpenClose(&w);
    }
    EXPECT_EQ(bytes[0], bytes[1]);
}

TEST(Sharpen, OpenUnderAllocationFailures) {
    Collector col;
    for (int32_t selector : {-1, 0}) {
        SharpenParams p = Params(64, 16, 3, 6, 1, false, &col);
        p.selector = selector;
        ExpectOpenReportsEveryAllocationFailure<SharpenWindow>(
            [&](SharpenWindow** w) { return sharpenOpen(w, &p); }, sharpenClose);
    }
}

}  // namespace
