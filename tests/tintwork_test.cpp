#include "engine/tintwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine_switches.h"
#include "tests/support/kernel_paths.h"
#include "tests/tintwork_fixture.h"
#include "ui/allocator.h"

namespace {

struct TwDeleter {
    void operator()(Tintwork* tw) const { DestroyTintwork(tw); }
};
using TwPtr = std::unique_ptr<Tintwork, TwDeleter>;

// A mild colour twist with some noise, so that neighbouring nodes differ.
TwNodeValue Twist(const Tintwork* shape, int inputs, int gridDepth, uint32_t seed) {
    const double max = gridDepth == 2 ? 65535.0 : 255.0;
    const bool tableOnly = !shape->hasGrid || inputs == 1;
    return [=](const uint32_t* idx, int k) {
        double x[4] = {};
        for (int c = 0; c < inputs; ++c) {
            x[c] = tableOnly ? idx[0] / max : shape->inputChannel[c].nodes[idx[c]] / max;
        }
        const int a = k % inputs, b = (k + 1) % inputs, c = (k + 2) % inputs;
        double v = 0.08 + 0.8 * (0.7 * x[a] + 0.2 * x[b] + 0.1 * x[c]) +
                   0.04 * std::sin(9.0 * x[a] + 3.0 * x[b] + k);
        uint32_t h = seed;
        for (int i = 0; i < inputs; ++i) h = h * 2654435761u + idx[i] + 977u * k;
        v += ((h >> 8) % 1000) / 1000.0 * 0.02 - 0.01;
        return uint32_t(std::lround(std::min(1.0, std::max(0.0, v)) * max));
    };
}

// Builds with the twist; the node lists need the object first, so the
// values read them back from a first build of the same shape.
TwPtr BuildTwist(int inputs, int outputs, int gridDepth, const std::vector<uint16_t>& nodes,
                 int hasGrid = 1, uint32_t seed = 7) {
    Tintwork* probe = nullptr;
    EXPECT_EQ(CreateTintwork(&probe, inputs, outputs, TwSpaceFor(inputs), TwSpaceFor(outputs),
                             hasGrid, kTwKindExplicit, gridDepth),
              kUiOk);
    for (int c = 0; c < inputs; ++c) SetInputNodes(probe, c, uint32_t(nodes.size()), nodes.data());
    Tintwork* tw = nullptr;
    EXPECT_EQ(TwBuild(&tw, inputs, outputs, gridDepth, {nodes},
                      Twist(probe, inputs, gridDepth, seed), hasGrid),
              kUiOk);
    DestroyTintwork(probe);
    return TwPtr(tw);
}

// Irregular node positions, so the interval search is really exercised.
std::vector<uint16_t> IrregularNodes(int gridDepth) {
    std::vector<uint16_t> n8 = {0, 30, 64, 100, 160, 200, 255};
    if (gridDepth == 1) return n8;
    std::vector<uint16_t> n16;
    for (uint16_t v : n8) n16.push_back(uint16_t(v == 255 ? 65535 : v * 257 + 77));
    n16[0] = 0;
    return n16;
}

// ---- the floating-point reference ----------------------------------------

double RefPosition(uint32_t v, const TWInput& in, int depth) {
    double t;
    if (depth == 2) {
        t = (double(v) - in.rangeMin) * 65535.0 / (double(in.rangeMax) - in.rangeMin);
    } else {
        const double lo = in.rangeMin * 257.0, hi = in.rangeMax * 257.0;
        t = lo + (hi - lo) * v / 255.0;
    }
    return std::min(65535.0, std::max(0.0, t));
}

double GridAt(const Tintwork* tw, size_t index) {
    return tw->gridDepth == 2 ? static_cast<const uint16_t*>(tw->grid)[index]
                              : static_cast<const uint8_t*>(tw->grid)[index];
}

// The interpolated value of output k in grid units.
double RefGridValue(const Tintwork* tw, const double* t, int k) {
    const bool tableOnly = !tw->hasGrid || tw->inputChannels == 1;
    if (tableOnly) {
        const double L = tw->gridDepth == 2 ? 65536 : 256;
        const double p = t[tw->hasGrid ? 0 : k] / 65535.0 * (L - 1);
        const size_t j = std::min(size_t(p), size_t(L) - 2);
        const double f = p - j;
        const size_t at = size_t(k) * size_t(L) + j;
        return (1 - f) * GridAt(tw, at) + f * GridAt(tw, at + 1);
    }
    const int n = tw->inputChannels;
    size_t base = 0;
    double f[4];
    int order[4];
    for (int c = 0; c < n; ++c) {
        const TWInput& in = tw->inputChannel[c];
        const double scale = tw->gridDepth == 2 ? 1.0 : 257.0;
        uint32_t j = 0;
        while (j + 2 < in.nodeCount && in.nodes[j + 1] * scale <= t[c]) ++j;
        const double lo = in.nodes[j] * scale, hi = in.nodes[j + 1] * scale;
        f[c] = (t[c] - lo) / (hi - lo);
        base += size_t(j) * in.stride;
        order[c] = c;
    }
    for (int a = 1; a < n; ++a) {  // by decreasing fraction
        for (int b = a; b > 0 && f[order[b]] > f[order[b - 1]]; --b)
            std::swap(order[b], order[b - 1]);
    }
    double value = (1 - f[order[0]]) * GridAt(tw, base + k);
    size_t at = base;
    for (int r = 0; r < n; ++r) {
        at += tw->inputChannel[order[r]].stride;
        const double w = r + 1 < n ? f[order[r]] - f[order[r + 1]] : f[order[r]];
        value += w * GridAt(tw, at + k);
    }
    return value;
}

// The output code value the kernel should give, before its rounding.
double RefOutput(const Tintwork* tw, const uint32_t* in, int k) {
    double t[4];
    for (int c = 0; c < tw->inputChannels; ++c) {
        t[c] = RefPosition(in[c], tw->inputChannel[c], tw->inputDepth);
    }
    double x = RefGridValue(tw, t, k);
    if (tw->gridDepth == 1 && tw->outputDepth == 2) x *= 256;  // 255 gives 65280
    if (tw->gridDepth == 2 && tw->outputDepth == 1) x = std::floor(x / 256);
    const TWOutput& o = tw->outputChannel[k];
    const double max = tw->outputDepth == 2 ? 65535.0 : 255.0;
    return o.rangeMin + (double(o.rangeMax) - o.rangeMin) * x / max;
}

// The largest difference between two nodes of one cell, in output codes.
double CellSpread(const Tintwork* tw) {
    double spread = 0;
    if (!tw->hasGrid || tw->inputChannels == 1) {
        const uint32_t length = tw->gridDepth == 2 ? 65536 : 256;
        for (uint32_t i = 0; i + 1 < tw->gridValues; ++i) {
            if ((i + 1) % length == 0) continue;
            spread = std::max(spread, std::fabs(GridAt(tw, i + 1) - GridAt(tw, i)));
        }
    } else {
        for (int c = 0; c < tw->inputChannels; ++c) {
            const uint32_t s = tw->inputChannel[c].stride;
            for (uint32_t i = 0; i + s < tw->gridValues; ++i) {
                spread = std::max(spread, std::fabs(GridAt(tw, i + s) - GridAt(tw, i)));
            }
        }
        spread *= tw->inputChannels;
    }
    if (tw->gridDepth == 1 && tw->outputDepth == 2) spread *= 256;
    if (tw->gridDepth == 2 && tw->outputDepth == 1) spread /= 256;
    return spread;
}

// ---- running kernels ---------------------------------------------------------

struct Pixels {
    int depth;
    int channels;
    std::vector<uint8_t> p8;
    std::vector<uint16_t> p16;
    uint32_t At(size_t i, int c) const {
        return depth == 2 ? p16[i * channels + c] : p8[i * channels + c];
    }
    TwRun Run() {
        return depth == 2 ? TwInterleaved16(p16.data(), channels)
                          : TwInterleaved8(p8.data(), channels);
    }
};

Pixels MakePixels(int depth, int channels, size_t count) {
    Pixels p{depth, channels, {}, {}};
    if (depth == 2)
        p.p16.assign(count * channels, 0);
    else
        p.p8.assign(count * channels, 0);
    return p;
}

// Inputs that really vary: every value on each channel in turn, then random
// pixels, then values around every node.
Pixels VaryingInputs(const Tintwork* tw, uint32_t randomCount) {
    const int n = tw->inputChannels, depth = tw->inputDepth;
    const uint32_t max = depth == 2 ? 65535 : 255;
    std::vector<uint32_t> values;
    TwTestRandom rnd(11);
    const uint32_t sweep = depth == 2 ? 4099 : 256;
    for (uint32_t i = 0; i < sweep; ++i) {
        for (int c = 0; c < n; ++c) {
            const uint32_t at = (i * (2 * c + 1) + 37 * c) % sweep;
            values.push_back(at == sweep - 1 ? max : at * (max / (sweep - 1)));
        }
    }
    for (uint32_t i = 0; i < randomCount * n; ++i) values.push_back(rnd.Below(max + 1));
    Pixels p = MakePixels(depth, n, values.size() / n);
    for (size_t i = 0; i < values.size(); ++i) {
        if (depth == 2)
            p.p16[i] = uint16_t(values[i]);
        else
            p.p8[i] = uint8_t(values[i]);
    }
    return p;
}

Pixels Apply(const Tintwork* tw, Pixels& in) {
    const size_t count = in.depth == 2 ? in.p16.size() / in.channels : in.p8.size() / in.channels;
    Pixels out = MakePixels(tw->outputDepth, tw->outputChannels, count);
    const TwRun src = in.Run(), dst = out.Run();
    EXPECT_EQ(ApplyTintwork(tw, uint32_t(count), &src, &dst), kUiOk);
    return out;
}

struct KernelCase {
    int inputs, outputs, hasGrid, gridDepth, inputDepth, outputDepth;
    bool partialRanges;
};

std::vector<KernelCase> AllKernelCases() {
    std::vector<KernelCase> cases;
    const int shapes[][3] = {{3, 3, 0}, {1, 3, 1}, {1, 1, 1}, {3, 3, 1},
                             {3, 4, 1}, {4, 3, 1}, {4, 1, 1}};
    for (const auto& s : shapes) {
        for (int g = 1; g <= 2; ++g) {
            for (int i = 1; i <= 2; ++i) {
                for (int o = 1; o <= 2; ++o) {
                    cases.push_back({s[0], s[1], s[2], g, i, o, false});
                }
            }
        }
    }
    cases.push_back({3, 3, 1, 1, 1, 1, true});
    cases.push_back({3, 3, 1, 2, 2, 2, true});
    cases.push_back({3, 3, 1, 1, 2, 1, true});
    cases.push_back({3, 3, 0, 2, 1, 2, true});
    return cases;
}

std::string Describe(const KernelCase& c) {
    return "in " + std::to_string(c.inputs) + " out " + std::to_string(c.outputs) + " grid " +
           std::to_string(c.hasGrid) + " depths " + std::to_string(c.gridDepth) + "/" +
           std::to_string(c.inputDepth) + "/" + std::to_string(c.outputDepth) +
           (c.partialRanges ? " ranges" : "");
}

TwPtr BuildCase(const KernelCase& c) {
    const std::vector<uint16_t> nodes = c.inputs == 4
                                            ? TwEvenNodes(5, c.gridDepth == 2 ? 65535 : 255)
                                            : IrregularNodes(c.gridDepth);
    TwPtr tw = BuildTwist(c.inputs, c.outputs, c.gridDepth, nodes, c.hasGrid);
    EXPECT_EQ(SetDepth(tw.get(), kTwSideInput, c.inputDepth), kUiOk);
    EXPECT_EQ(SetDepth(tw.get(), kTwSideOutput, c.outputDepth), kUiOk);
    if (c.partialRanges) {
        const uint32_t in = c.inputDepth == 2 ? 65535 : 255, out = c.outputDepth == 2 ? 65535 : 255;
        EXPECT_EQ(SetRange(tw.get(), kTwSideInput, 0, in / 10, in - in / 8), kUiOk);
        EXPECT_EQ(SetRange(tw.get(), kTwSideInput, 1, in - 3, 2), kUiOk);  // inverted
        EXPECT_EQ(SetRange(tw.get(), kTwSideOutput, 0, out / 16, out - out / 12), kUiOk);
        EXPECT_EQ(SetRange(tw.get(), kTwSideOutput, 2, out, 0), kUiOk);
    }
    EXPECT_EQ(CheckTintwork(tw.get()), kUiOk);
    return tw;
}

// ---- tests -------------------------------------------------------------------

TEST(TintworkKernels, EveryCaseFollowsTheFloatingPointReference) {
    KernelPathScope restore;
    for (const KernelCase& c : AllKernelCases()) {
        SCOPED_TRACE(Describe(c));
        TwPtr tw = BuildCase(c);
        ASSERT_TRUE(tw);
        Pixels in = VaryingInputs(tw.get(), 3000);
        // Fractions are rounded to 1/32768. With a partial range the input
        // position itself is rounded to a 16-bit unit, which moves a full
        // 16-bit table by up to half a step.
        const double spread = CellSpread(tw.get());
        const bool fineTable = (!c.hasGrid || c.inputs == 1) && c.gridDepth == 2;
        const double tolerance =
            1.0 + 2.0 * spread / 32768.0 + (c.partialRanges && fineTable ? spread / 2 : 0.0);
        for (int32_t path : KernelPathsToCheck()) {
            ASSERT_EQ(SetKernelPath(path), kUiOk);
            Pixels out = Apply(tw.get(), in);
            const size_t count =
                in.depth == 2 ? in.p16.size() / in.channels : in.p8.size() / in.channels;
            double worst = 0;
            for (size_t i = 0; i < count; ++i) {
                uint32_t px[4];
                for (int ch = 0; ch < c.inputs; ++ch) px[ch] = in.At(i, ch);
                const int written = c.outputs >= 3 ? c.outputs : 1;
                for (int k = 0; k < written; ++k) {
                    const double diff = std::fabs(out.At(i, k) - RefOutput(tw.get(), px, k));
                    worst = std::max(worst, diff);
                    if (diff > tolerance) {
                        ADD_FAILURE() << "pixel " << i << " channel " << k << ": " << out.At(i, k)
                                      << " vs " << RefOutput(tw.get(), px, k) << " path " << path;
                        return;
                    }
                }
            }
            EXPECT_LE(worst, tolerance);
        }
    }
    if (const char* why = VectorOrAvx512PathUnchecked()) GTEST_SKIP() << why;
}

TEST(TintworkKernels, VectorAndScalarPathsAreBitIdentical) {
    if (const char* why = PathsCannotBeCompared()) GTEST_SKIP() << why;
    KernelPathScope restore;
    for (const KernelCase& c : AllKernelCases()) {
        SCOPED_TRACE(Describe(c));
        TwPtr tw = BuildCase(c);
        Pixels in = VaryingInputs(tw.get(), 5000);
        ASSERT_EQ(SetKernelPath(kKernelPathPortable), kUiOk);
        Pixels scalar = Apply(tw.get(), in);
        for (int32_t path : KernelPathsToCheck()) {
            SCOPED_TRACE(path);
            ASSERT_EQ(SetKernelPath(path), kUiOk);
            Pixels vector = Apply(tw.get(), in);
            EXPECT_EQ(scalar.p8, vector.p8);
            EXPECT_EQ(scalar.p16, vector.p16);
        }
    }
    if (const char* why = VectorOrAvx512PathUnchecked()) GTEST_SKIP() << why;
}

// The vector kernels read each input value's interval and fraction from one
// packed table. Every value of every input, 8- and 16-bit, on every path,
// must give what the portable loops give from the node map, offset and
// fraction tables, over evenly and unevenly spaced nodes and a partial range.
TEST(TintworkKernels, EveryInputValueOfEveryInputAgreesOnEveryPath) {
    KernelPathScope restore;
    struct NodeCase {
        int inputs, gridDepth;
        std::vector<uint16_t> nodes;
        bool partialRange;  // of input 1
    };
    std::vector<NodeCase> cases;
    for (uint32_t n : {2u, 3u, 5u, 17u, 33u, 64u, 256u}) {
        cases.push_back({3, 2, TwEvenNodes(n, 65535), false});
        cases.push_back({3, 1, TwEvenNodes(n, 255), false});
    }
    cases.push_back({4, 2, TwEvenNodes(9, 65535), false});
    cases.push_back({4, 1, TwEvenNodes(17, 255), false});
    cases.push_back({3, 2, TwEvenNodes(33, 65535), true});
    cases.push_back({3, 2, IrregularNodes(2), false});
    cases.push_back({3, 1, IrregularNodes(1), false});
    cases.push_back({4, 2, IrregularNodes(2), true});

    for (const NodeCase& c : cases) {
        // Random grid values: neighbouring nodes differ widely, so a
        // fraction one off moves the output.
        TwTestRandom values(uint64_t(c.nodes.size()) * 31 + c.gridDepth);
        const uint32_t gridMax = c.gridDepth == 2 ? 65535 : 255;
        Tintwork* raw = nullptr;
        ASSERT_EQ(TwBuild(&raw, c.inputs, 3, c.gridDepth, {c.nodes},
                          [&](const uint32_t*, int) { return values.Below(gridMax + 1); }),
                  kUiOk);
        TwPtr tw(raw);
        ASSERT_EQ(SetDepth(tw.get(), kTwSideOutput, 2), kUiOk);
        for (int depth : {2, 1}) {
            SCOPED_TRACE("inputs " + std::to_string(c.inputs) + " grid depth " +
                         std::to_string(c.gridDepth) + " nodes " + std::to_string(c.nodes.size()) +
                         " input depth " + std::to_string(depth) +
                         (c.partialRange ? " range" : ""));
            ASSERT_EQ(SetDepth(tw.get(), kTwSideInput, depth), kUiOk);
            const uint32_t max = depth == 2 ? 65535 : 255;
            if (c.partialRange) {
                ASSERT_EQ(SetRange(tw.get(), kTwSideInput, 1, max / 200, max - max / 80), kUiOk);
            }
            for (int ch = 0; ch < c.inputs; ++ch) {
                const TWInput& input = tw->inputChannel[ch];
                uint32_t differ = 0;
                for (uint32_t v = 0; v <= max; ++v) {
                    const uint32_t interval =
                        depth == 2 ? input.nodeMap[v] : input.offsetTable[v] / input.stride;
                    differ += input.located[v] != (interval << 16 | input.fraction[v]);
                }
                EXPECT_EQ(differ, 0u) << "input " << ch;
            }
            // Every input takes all its values (odd multipliers permute
            // them), the other inputs vary meanwhile.
            const uint32_t multiplier[4] = {1, 40503, 30011, 52489};
            Pixels in = MakePixels(depth, c.inputs, 65536);
            for (uint32_t v = 0; v < 65536; ++v) {
                for (int ch = 0; ch < c.inputs; ++ch) {
                    const uint32_t value = (v * multiplier[ch] + 977u * ch) & 0xFFFF;
                    const size_t at = size_t(v) * c.inputs + ch;
                    if (depth == 2) {
                        in.p16[at] = uint16_t(value);
                    } else {
                        in.p8[at] = uint8_t(value);
                    }
                }
            }
            // The first path checked is the portable one, which reads the
            // node map, offset and fraction tables.
            std::vector<Pixels> results;
            for (int32_t path : KernelPathsToCheck()) {
                ASSERT_EQ(SetKernelPath(path), kUiOk);
                results.push_back(Apply(tw.get(), in));
            }
            for (const Pixels& got : results) EXPECT_EQ(got.p16, results.front().p16);
        }
    }
    if (const char* why = VectorOrAvx512PathUnchecked()) GTEST_SKIP() << why;
}

// Short runs (every tail length, up to a few groups of the widest loops),
// planar and padded layouts, and in place, with samples of type T on both
// sides: each gives what the Tintwork gives one pixel at a time and leaves
// samples between pixels alone.
template <typename T>
void CheckLayoutsTailsAndInPlace(const Tintwork* tw) {
    constexpr uint32_t kLongest = 72;
    const auto interleaved = [](T* p, int channels) {
        return sizeof(T) == 2 ? TwInterleaved16(reinterpret_cast<uint16_t*>(p), channels)
                              : TwInterleaved8(reinterpret_cast<uint8_t*>(p), channels);
    };
    const auto planar = [](T* p, uint32_t stride) {
        return sizeof(T) == 2 ? TwPlanar16(reinterpret_cast<uint16_t*>(p), 3, stride)
                              : TwPlanar8(reinterpret_cast<uint8_t*>(p), 3, stride);
    };
    TwTestRandom rnd(5);
    std::vector<T> source(3 * kLongest);
    for (T& v : source) v = T(rnd.Next());
    // One pixel at a time: no run long enough for any vector loop.
    std::vector<T> single(3 * kLongest);
    for (uint32_t i = 0; i < kLongest; ++i) {
        TwRun in = interleaved(&source[3 * i], 3), out = interleaved(&single[3 * i], 3);
        ASSERT_EQ(ApplyTintwork(tw, 1, &in, &out), kUiOk);
    }
    const T sentinel = T(42);
    for (uint32_t count = 0; count <= kLongest; ++count) {
        SCOPED_TRACE(count);
        // One spare sample each, so that even empty runs have storage.
        std::vector<T> packed(source.begin(), source.begin() + 3 * count);
        packed.push_back(sentinel);
        std::vector<T> expect(single.begin(), single.begin() + 3 * count);
        expect.push_back(sentinel);
        // Interleaved in place.
        TwRun run = interleaved(packed.data(), 3);
        ASSERT_EQ(ApplyTintwork(tw, count, &run, &run), kUiOk);
        EXPECT_EQ(packed, expect);
        // Four samples per pixel: the fourth is a sentinel left alone.
        std::vector<T> rgba(4 * count + 4, sentinel);
        for (uint32_t i = 0; i < count; ++i) {
            std::memcpy(&rgba[4 * i], &source[3 * i], 3 * sizeof(T));
        }
        TwRun padded = interleaved(rgba.data(), 4);
        ASSERT_EQ(ApplyTintwork(tw, count, &padded, &padded), kUiOk);
        for (uint32_t i = 0; i < count; ++i) {
            EXPECT_EQ(0, std::memcmp(&rgba[4 * i], &expect[3 * i], 3 * sizeof(T)));
            EXPECT_EQ(rgba[4 * i + 3], sentinel);
        }
        EXPECT_EQ(rgba[4 * count], sentinel);
        // Planar in, planar out.
        std::vector<T> planes(3 * count + 1), result(3 * count + 1, sentinel);
        for (uint32_t i = 0; i < count; ++i) {
            for (int k = 0; k < 3; ++k) planes[k * count + i] = source[3 * i + k];
        }
        TwRun pin = planar(planes.data(), count), pout = planar(result.data(), count);
        ASSERT_EQ(ApplyTintwork(tw, count, &pin, &pout), kUiOk);
        for (uint32_t i = 0; i < count; ++i) {
            for (int k = 0; k < 3; ++k) EXPECT_EQ(result[k * count + i], expect[3 * i + k]);
        }
        EXPECT_EQ(result[3 * count], sentinel);
    }
}

TEST(TintworkKernels, LayoutsTailsAndInPlaceAgreeOnEveryPath) {
    KernelPathScope restore;
    TwPtr tw8 = BuildTwist(3, 3, 1, TwEvenNodes(33, 255));
    TwPtr tw16 = BuildTwist(3, 3, 2, TwEvenNodes(33, 65535));
    ASSERT_EQ(SetDepth(tw16.get(), kTwSideInput, 2), kUiOk);
    ASSERT_EQ(SetDepth(tw16.get(), kTwSideOutput, 2), kUiOk);
    for (int32_t path : KernelPathsToCheck()) {
        SCOPED_TRACE(path);
        ASSERT_EQ(SetKernelPath(path), kUiOk);
        CheckLayoutsTailsAndInPlace<uint8_t>(tw8.get());
        CheckLayoutsTailsAndInPlace<uint16_t>(tw16.get());
    }
    if (const char* why = VectorOrAvx512PathUnchecked()) GTEST_SKIP() << why;
}

// A grid whose nodes hold distinct values, to see exactly which node answers.
TwPtr NodeIndexGrid(int gridDepth, uint32_t scale) {
    Tintwork* tw = nullptr;
    EXPECT_EQ(TwBuild(&tw, 3, 3, gridDepth, {TwEvenNodes(5, gridDepth == 2 ? 65535 : 255)},
                      [scale](const uint32_t* idx, int k) {
                          return (idx[0] + 5 * idx[1] + 25 * idx[2] + 100 * k) * scale %
                                 (scale == 1 ? 256 : 65536);
                      }),
              kUiOk);
    return TwPtr(tw);
}

// The kernel path switch: each selection gives the path in force the
// processor allows, a path the processor lacks or an unknown one is refused
// and leaves the choice alone.
TEST(TintworkKernels, KernelPathSelection) {
    KernelPathScope restore;
    const int32_t widest = CpuHasAvx512Path()   ? kKernelPathAvx512
                           : CpuHasVectorPath() ? kKernelPathVector
                                                : kKernelPathPortable;
    struct Case {
        int32_t path;
        bool available;
        int32_t inForce;
    };
    const Case cases[] = {
        {kKernelPathBest, true, widest},
        {kKernelPathPortable, true, kKernelPathPortable},
        {kKernelPathVector, CpuHasVectorPath(), kKernelPathVector},
        {kKernelPathAvx512, CpuHasAvx512Path(), kKernelPathAvx512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_EQ(SetKernelPath(kKernelPathPortable), kUiOk);
        EXPECT_EQ(SetKernelPath(c.path), c.available ? kUiOk : kUiErrUnsupported);
        EXPECT_EQ(GetKernelPath(), c.available ? c.path : kKernelPathPortable);
        EXPECT_EQ(KernelPathInForce(), c.available ? c.inForce : kKernelPathPortable);
    }
    ASSERT_EQ(SetKernelPath(kKernelPathPortable), kUiOk);
    for (int32_t unknown : {-1, kKernelPathAvx512 + 1}) {
        EXPECT_EQ(SetKernelPath(unknown), kUiErrArg);
        EXPECT_EQ(GetKernelPath(), kKernelPathPortable);
    }
}

TEST(TintworkEdges, Input255LandsExactlyOnTheLastNode) {
    TwPtr tw = NodeIndexGrid(1, 1);
    const uint8_t in[][3] = {{255, 255, 255}, {255, 0, 255}, {0, 255, 0}, {255, 0, 0}};
    for (const auto& px : in) {
        uint16_t out[3];
        ASSERT_EQ(TwApplyPixel8(tw.get(), px, out), kUiOk);
        const uint32_t node = (px[0] ? 4 : 0) + 5 * (px[1] ? 4 : 0) + 25 * (px[2] ? 4 : 0);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(out[k], (node + 100 * k) % 256);
    }
    EXPECT_EQ(tw->inputChannel[0].fraction[255], 32768);
    EXPECT_EQ(tw->inputChannel[0].offsetTable[255], 3u * 3);  // interval N - 2 = 3
}

TEST(TintworkEdges, EightBitGridToSixteenBitOutputScalesBy256) {
    Tintwork* raw = nullptr;
    ASSERT_EQ(TwBuild(&raw, 3, 3, 1, {TwEvenNodes(3, 255)},
                      [](const uint32_t*, int k) { return k == 0   ? 255u
                                                          : k == 1 ? 128u
                                                                   : 0u; }),
              kUiOk);
    TwPtr tw(raw);
    ASSERT_EQ(SetDepth(tw.get(), kTwSideOutput, 2), kUiOk);
    EXPECT_EQ(tw->shift, 7);
    EXPECT_EQ(tw->rounding, 127);
    const uint8_t px[3] = {17, 200, 93};
    uint16_t out[3];
    ASSERT_EQ(TwApplyPixel8(tw.get(), px, out), kUiOk);
    EXPECT_EQ(out[0], 65280);
    EXPECT_EQ(out[1], 128 * 256);
    EXPECT_EQ(out[2], 0);
}

TEST(TintworkEdges, SixteenBitGridToEightBitOutputTruncates) {
    Tintwork* raw = nullptr;
    // 0x01FF would round to 2; truncated it is 1. 0xFFFF gives 255.
    ASSERT_EQ(TwBuild(&raw, 3, 3, 2, {TwEvenNodes(2, 65535)},
                      [](const uint32_t*, int k) {
                          return k == 0 ? 0x01FFu : k == 1 ? 0xFFFFu : 0x80FFu;
                      }),
              kUiOk);
    TwPtr tw(raw);
    EXPECT_EQ(tw->shift, 23);
    EXPECT_EQ(tw->rounding, 0);
    const uint8_t px[3] = {40, 90, 250};
    uint16_t out[3];
    ASSERT_EQ(TwApplyPixel8(tw.get(), px, out), kUiOk);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 255);
    EXPECT_EQ(out[2], 0x80);
}

// With f0 = f1 either tetrahedron may be taken: the integer result computed
// by hand along both vertex orders is the same, and the kernel gives it.
TEST(TintworkEdges, EqualFractionsGiveTheSameResultEitherWay) {
    KernelPathScope restore;
    TwPtr tw = BuildTwist(3, 3, 1, TwEvenNodes(9, 255));
    const Tintwork* t = tw.get();
    for (int32_t path : KernelPathsToCheck()) {
        ASSERT_EQ(SetKernelPath(path), kUiOk);
        for (uint32_t a = 0; a < 256; a += 5) {
            const uint8_t b = uint8_t(255 - a / 3);
            const uint8_t px[3] = {uint8_t(a), uint8_t(a), b};
            uint32_t f[3], base = 0;
            for (int c = 0; c < 3; ++c) {
                f[c] = t->inputChannel[c].fraction[px[c]];
                base += t->inputChannel[c].offsetTable[px[c]];
            }
            ASSERT_EQ(f[0], f[1]);
            const uint8_t* g = static_cast<const uint8_t*>(t->grid);
            const uint32_t s[3] = {t->inputChannel[0].stride, t->inputChannel[1].stride,
                                   t->inputChannel[2].stride};
            auto byOrder = [&](int x, int y, int z, int k) {
                const uint32_t fx = f[x], fy = f[y], fz = f[z];
                const uint32_t sum = (32768 - fx) * g[base + k] + (fx - fy) * g[base + s[x] + k] +
                                     (fy - fz) * g[base + s[x] + s[y] + k] +
                                     fz * g[base + s[0] + s[1] + s[2] + k] + 16384;
                return sum >> 15;
            };
            // Sort the pair (0, 1) against the third input, both ways round.
            const bool thirdFirst = f[2] > f[0];
            uint16_t out[3];
            ASSERT_EQ(TwApplyPixel8(t, px, out), kUiOk);
            for (int k = 0; k < 3; ++k) {
                const uint32_t one = thirdFirst ? byOrder(2, 0, 1, k) : byOrder(0, 1, 2, k);
                const uint32_t other = thirdFirst ? byOrder(2, 1, 0, k) : byOrder(1, 0, 2, k);
                EXPECT_EQ(one, other);
                EXPECT_EQ(out[k], one);
            }
        }
    }
    if (const char* why = VectorOrAvx512PathUnchecked()) GTEST_SKIP() << why;
}

TEST(TintworkEdges, RunOfZeroPixelsWritesNothing) {
    TwPtr tw = BuildTwist(3, 3, 1, TwEvenNodes(5, 255));
    uint8_t in[3] = {1, 2, 3}, out[3] = {42, 42, 42};
    TwRun src = TwInterleaved8(in, 3), dst = TwInterleaved8(out, 3);
    EXPECT_EQ(ApplyTintwork(tw.get(), 0, &src, &dst), kUiOk);
    EXPECT_EQ(out[0], 42);
    EXPECT_EQ(out[2], 42);
    // Samples at the wrong depth are refused rather than misread.
    uint16_t wide[3] = {};
    TwRun src16 = TwInterleaved16(wide, 3);
    EXPECT_EQ(ApplyTintwork(tw.get(), 1, &src16, &dst), kUiErrArg);
    EXPECT_EQ(ApplyTintwork(nullptr, 0, &src, &dst), kUiErrArg);
}

// 8-bit samples on a 16-bit Tintwork: TwApplyPixel8 scales them by 257, so
// the answer matches the 8-bit Tintwork's within a code value.
TEST(TintworkEdges, EightBitSamplesOnSixteenBitInput) {
    TwPtr narrow = BuildTwist(3, 3, 1, TwEvenNodes(17, 255));
    TwPtr wide = BuildTwist(3, 3, 1, TwEvenNodes(17, 255));
    ASSERT_EQ(SetDepth(wide.get(), kTwSideInput, 2), kUiOk);
    TwTestRandom rnd(3);
    for (int i = 0; i < 500; ++i) {
        const uint8_t px[3] = {uint8_t(rnd.Next()), uint8_t(rnd.Next()), uint8_t(rnd.Next())};
        uint16_t a[3], b[3];
        ASSERT_EQ(TwApplyPixel8(narrow.get(), px, a), kUiOk);
        ASSERT_EQ(TwApplyPixel8(wide.get(), px, b), kUiOk);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(a[k], b[k]);
    }
}

TEST(TintworkBuilders, CreateRefusesWithTheRightCodes) {
    struct Row {
        int in, out, inSpace, outSpace, grid, kind, depth;
        int32_t expect;
    };
    const Row rows[] = {
        {3, 3, 1, 1, 2, 2, 1, kUiErrArg},          // hasGrid not 0/1
        {3, 3, 1, 1, 1, 3, 1, kUiErrArg},          // kind
        {3, 4, 1, 4, 0, 2, 1, kUiErrArg},          // no grid, different counts
        {3, 3, 1, 7, 0, 2, 1, kUiErrArg},          // no grid, different spaces
        {1, 3, 5, 1, 1, 1, 1, kUiErrUnsupported},  // kind 1 with grey
        {3, 3, 1, 1, 0, 1, 1, kUiErrUnsupported},  // kind 1 without grid
        {3, 3, 7, 1, 1, 0, 1, kUiErrUnsupported},  // kind 0 with space 7
        {3, 3, 1, 1, 1, 0, 2, kUiErrArg},          // kind 0 with a 16-bit grid
        {3, 3, 1, 1, 1, 2, 3, kUiErrArg},          // grid depth
        {3, 3, 4, 1, 1, 2, 1, kUiErrArg},          // space 4 with 3 channels
        {3, 3, 2, 1, 1, 2, 1, kUiErrArg},          // unknown space
        {5, 3, 1, 1, 1, 2, 1, kUiErrArg},          // channel count
        {3, 3, 1, 1, 1, 2, 2, kUiOk},
        {1, 4, 5, 4, 1, 2, 1, kUiOk},
    };
    for (const Row& r : rows) {
        Tintwork* tw = reinterpret_cast<Tintwork*>(1);
        const int32_t status =
            CreateTintwork(&tw, r.in, r.out, r.inSpace, r.outSpace, r.grid, r.kind, r.depth);
        EXPECT_EQ(status, r.expect) << r.in << " " << r.out << " kind " << r.kind;
        if (status != kUiOk) {
            EXPECT_EQ(tw, nullptr);
        }
        DestroyTintwork(tw);
    }
    EXPECT_EQ(CreateTintwork(nullptr, 3, 3, 1, 1, 1, 2, 1), kUiErrArg);
}

TEST(TintworkBuilders, NodesGridDepthAndRangeRefusals) {
    Tintwork* tw = nullptr;
    ASSERT_EQ(CreateTintwork(&tw, 3, 3, 1, 1, 1, kTwKindUniform0, 1), kUiOk);
    TwPtr uniform(tw);
    EXPECT_EQ(SetInputNodes(tw, 0, 4, nullptr), kUiErrUnsupported);
    EXPECT_EQ(SetInputNodes(tw, 0, 9, nullptr), kUiOk);
    EXPECT_EQ(tw->inputChannel[0].nodes[1], 32);
    EXPECT_EQ(tw->inputChannel[0].nodes[8], 255);
    EXPECT_EQ(SetInputNodes(tw, 1, 5, nullptr), kUiErrUnsupported);  // must match 9
    EXPECT_EQ(SetInputNodes(tw, 3, 9, nullptr), kUiErrArg);
    EXPECT_EQ(SetRange(tw, kTwSideInput, 1, 0, 100), kUiErrGeneral);  // no nodes yet
    const uint8_t values[3] = {};
    EXPECT_EQ(SetGridNode(tw, 0, values), kUiErrArg);  // inputs 1 and 2 lack nodes

    ASSERT_EQ(CreateTintwork(&tw, 3, 3, 1, 1, 1, kTwKindExplicit, 2), kUiOk);
    TwPtr explicitNodes(tw);
    const uint16_t good[] = {0, 1000, 65535}, badFirst[] = {1, 1000, 65535},
                   badLast[] = {0, 1000, 65534}, notRising[] = {0, 1000, 1000, 65535};
    EXPECT_EQ(SetInputNodes(tw, 0, 3, badFirst), kUiErrArg);
    EXPECT_EQ(SetInputNodes(tw, 0, 3, badLast), kUiErrArg);
    EXPECT_EQ(SetInputNodes(tw, 0, 4, notRising), kUiErrArg);
    EXPECT_EQ(SetInputNodes(tw, 0, 1, good), kUiErrArg);
    EXPECT_EQ(SetInputNodes(tw, 0, 257, good), kUiErrArg);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(SetInputNodes(tw, c, 3, good), kUiOk);
    EXPECT_EQ(SetGridNode(tw, 27, values), kUiErrArg);
    EXPECT_EQ(SetDepth(tw, 2, 1), kUiErrArg);
    EXPECT_EQ(SetDepth(tw, kTwSideInput, 3), kUiErrArg);
    EXPECT_EQ(SetRange(tw, kTwSideInput, 0, 5, 5), kUiErrArg);
    EXPECT_EQ(SetRange(tw, kTwSideOutput, 3, 0, 5), kUiErrArg);
    EXPECT_EQ(CheckTintwork(tw), kUiErrArg);  // not finished
    const uint16_t wide[3] = {1, 2, 3};
    for (uint32_t n = 0; n < 27; ++n) ASSERT_EQ(SetGridNode(tw, n, wide), kUiOk);
    EXPECT_EQ(CheckTintwork(tw), kUiOk);
    EXPECT_EQ(SetInputNodes(tw, 0, 3, good), kUiErrArg);  // the grid is laid out
    tw->inputChannel[1].nodes[1] = 0;
    EXPECT_EQ(CheckTintwork(tw), kUiErrArg);
    EXPECT_EQ(CheckTintwork(nullptr), kUiErrArg);
}

TEST(TintworkBuilders, RangesMapInputsAndOutputs) {
    TwPtr tw = BuildTwist(3, 3, 1, TwEvenNodes(17, 255));
    // Output tables: 8-bit identity for the full range, scaled otherwise.
    EXPECT_EQ(tw->outputLookup[0], nullptr);
    ASSERT_EQ(SetRange(tw.get(), kTwSideOutput, 0, 16, 235), kUiOk);
    EXPECT_EQ(tw->outputChannel[0].table8[0], 16);
    EXPECT_EQ(tw->outputChannel[0].table8[255], 235);
    ASSERT_EQ(SetDepth(tw.get(), kTwSideOutput, 2), kUiOk);
    EXPECT_EQ(tw->outputChannel[0].table16, nullptr);  // full range: no table
    ASSERT_EQ(SetRange(tw.get(), kTwSideOutput, 1, 0, 32768), kUiOk);
    EXPECT_EQ(tw->outputChannel[1].table16[65535], 32768);
    EXPECT_EQ(tw->outputChannel[1].table16[1], 1);  // 0.5 rounds up
    // Input range of 16-bit input: lo..hi stretched over the grid.
    ASSERT_EQ(SetDepth(tw.get(), kTwSideInput, 2), kUiOk);
    ASSERT_EQ(SetRange(tw.get(), kTwSideInput, 2, 1000, 2000), kUiOk);
    EXPECT_EQ(tw->inputChannel[2].fraction[1000], 0);
    EXPECT_EQ(tw->inputChannel[2].nodeMap[999], 0);
    EXPECT_EQ(tw->inputChannel[2].fraction[2000], 32768);
    EXPECT_EQ(tw->inputChannel[2].nodeMap[2000], 15);
    EXPECT_EQ(CheckTintwork(tw.get()), kUiOk);
}

// Allocation failures while building, re-depthing and ranging: -3, nothing
// leaked, and a finished object left exactly as it was.
TEST(TintworkBuilders, AllocationFailuresReleaseEverything) {
    for (bool persistent : {false, true}) {
        for (uint32_t n = 1;; ++n) {
            SCOPED_TRACE(n);
            const uint32_t blocks = Ui_Mem_Stats().nMallocs;
            Ui_Mem_InjectFailure(n, persistent);
            Tintwork* tw = nullptr;
            int32_t status = TwBuild(&tw, 3, 3, 2, {IrregularNodes(2)},
                                     [](const uint32_t* i, int k) { return i[k] * 999u; });
            if (status == kUiOk) status = SetDepth(tw, kTwSideInput, 2);
            if (status == kUiOk) status = SetRange(tw, kTwSideOutput, 1, 5, 60000);
            const bool reached = Ui_Mem_RequestCount() >= n;
            Ui_Mem_InjectFailure(0, false);
            if (status != kUiOk) {
                EXPECT_EQ(status, kUiErrMemory);
                // A finished object is untouched by the failed change.
                if (tw != nullptr) {
                    EXPECT_EQ(CheckTintwork(tw), kUiOk);
                }
            }
            DestroyTintwork(tw);
            EXPECT_EQ(Ui_Mem_Stats().nMallocs, blocks);
            if (!reached) {
                EXPECT_EQ(status, kUiOk);
                break;
            }
        }
    }
}

TEST(TintworkBuilders, FailedDepthChangeKeepsTheOldTables) {
    TwPtr tw = BuildTwist(3, 3, 1, IrregularNodes(1));
    Pixels in = VaryingInputs(tw.get(), 200);
    Pixels before = Apply(tw.get(), in);
    Ui_Mem_InjectFailure(2, false);
    EXPECT_EQ(SetDepth(tw.get(), kTwSideInput, 2), kUiErrMemory);
    Ui_Mem_InjectFailure(0, false);
    EXPECT_EQ(tw->inputDepth, 1);
    Pixels after = Apply(tw.get(), in);
    EXPECT_EQ(before.p8, after.p8);
}

}  // namespace
