#include "engine/apply_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/sharpen.h"
#include "tests/tintwork_fixture.h"
#include "ui/allocator.h"

namespace {

constexpr uint32_t kWidth = 23, kHeight = 9;

// Rows as the sink saw them, widened to 16 bits, with their user values.
struct Collected {
    std::vector<std::vector<uint16_t>> rows;
    std::vector<uint64_t> users;
    std::vector<RowDesc> descs;
    int32_t failAt = -1;  // row index at which the sink answers -5
};

int32_t Collect(void* context, const RowDesc* row) {
    Collected* c = static_cast<Collected*>(context);
    if (int32_t(c->rows.size()) == c->failAt) return kUiErrRead;
    const size_t n = size_t(row->width) * row->channels;
    std::vector<uint16_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = row->data8 != nullptr ? row->data8[i] : row->data16[i];
    c->rows.push_back(v);
    c->users.push_back(row->user);
    c->descs.push_back(*row);
    return kUiOk;
}

// A photo-like test image: gradients and a pattern, planar or interleaved.
std::vector<uint16_t> Image(int depth, uint32_t channels) {
    std::vector<uint16_t> px(size_t(kWidth) * kHeight * channels);
    TwTestRandom rnd(4);
    for (size_t i = 0; i < px.size(); ++i) {
        const uint32_t v = (i * 37 + rnd.Below(60)) % 256;
        px[i] = uint16_t(depth == 2 ? v * 257 + rnd.Below(200) : v);
    }
    return px;
}

struct Feed {
    std::vector<uint8_t> p8;
    std::vector<uint16_t> p16;
    RowDesc Row(uint32_t y, uint32_t channels, uint32_t order, int planar) {
        const size_t at = size_t(y) * kWidth * channels;
        return RowDesc{kWidth,
                       channels,
                       1,
                       uint32_t(planar),
                       order,
                       p8.empty() ? nullptr : &p8[at],
                       p16.empty() ? nullptr : &p16[at],
                       1000 + y};
    }
};

Feed MakeFeed(const std::vector<uint16_t>& image, int depth) {
    Feed f;
    if (depth == 2) {
        f.p16 = image;
    } else {
        f.p8.assign(image.begin(), image.end());
    }
    return f;
}

Tintwork* BuildRgb(int gridDepth, int inputs = 3, int outputs = 3) {
    Tintwork* tw = nullptr;
    const uint32_t max = gridDepth == 2 ? 65535 : 255;
    EXPECT_EQ(TwBuild(&tw, inputs, outputs, gridDepth, {TwEvenNodes(9, max)},
                      [max](const uint32_t* idx, int k) {
                          return uint32_t(max - (idx[0] * 29 + idx[1] * 7 + idx[2] * 3 + k * 11) %
                                                    (max / 2));
                      }),
              kUiOk);
    return tw;
}

ApplyDriverParams Params(const std::vector<uint8_t>* stream, int inDepth, int outDepth,
                         int32_t strength, int32_t placement, Collected* sink) {
    ApplyDriverParams p = {};
    p.stream = stream != nullptr ? stream->data() : nullptr;
    p.streamSize = stream != nullptr ? uint32_t(stream->size()) : 0;
    p.inMin = p.outMin = 0;
    p.inMax = inDepth == 2 ? 65535 : 255;
    p.outMax = outDepth == 2 ? 65535 : 255;
    p.sharpenStrength = strength;
    p.sharpenSelector = -1;
    p.placement = placement;
    p.width = kWidth;
    p.height = kHeight;
    p.inputDepth = inDepth;
    p.outputDepth = outDepth;
    p.sink = Collect;
    p.sinkContext = sink;
    p.planar = 1;
    p.order = kRowOrderIdentity3;
    return p;
}

// Runs every row of the feed through a driver.
int32_t RunDriver(const ApplyDriverParams& p, Feed& feed, uint32_t channels,
                  int32_t* mode = nullptr) {
    ApplyDriver* d = nullptr;
    UI_TRY(OpenApplyDriver(&p, &d));
    if (mode != nullptr) *mode = ApplyDriverMode(d);
    int32_t status = kUiOk;
    for (uint32_t y = 0; y < p.height && status == kUiOk; ++y) {
        const RowDesc row = feed.Row(y, channels, p.order, p.planar);
        status = ApplyDriverRow(d, &row);
    }
    CloseApplyDriver(d);
    return status;
}

// The reference: the same Tintwork, depths and ranges set by hand.
Tintwork* Prepared(const Tintwork* source, int inDepth, int outDepth) {
    std::vector<uint8_t> bytes = TwStreamOf(source);
    Tintwork* tw = nullptr;
    EXPECT_EQ(ReadTintworkStream(bytes.data(), uint32_t(bytes.size()), &tw), kUiOk);
    EXPECT_EQ(SetDepth(tw, kTwSideInput, inDepth), kUiOk);
    EXPECT_EQ(SetDepth(tw, kTwSideOutput, outDepth), kUiOk);
    return tw;
}

std::vector<uint16_t> TransformPlanar(const Tintwork* tw, const std::vector<uint16_t>& row) {
    const uint32_t inCh = uint32_t(tw->inputChannels), outCh = uint32_t(tw->outputChannels);
    std::vector<uint8_t> in8(row.begin(), row.end()), out8(size_t(kWidth) * outCh);
    std::vector<uint16_t> in16 = row, out16(size_t(kWidth) * outCh);
    const TwRun in = tw->inputDepth == 2 ? TwPlanar16(in16.data(), int32_t(inCh), kWidth)
                                         : TwPlanar8(in8.data(), int32_t(inCh), kWidth);
    const TwRun out = tw->outputDepth == 2 ? TwPlanar16(out16.data(), int32_t(outCh), kWidth)
                                           : TwPlanar8(out8.data(), int32_t(outCh), kWidth);
    EXPECT_EQ(ApplyTintwork(tw, kWidth, &in, &out), kUiOk);
    if (tw->outputDepth == 2) return out16;
    return std::vector<uint16_t>(out8.begin(), out8.end());
}

// The sharpen alone over rows already in memory.
std::vector<std::vector<uint16_t>> Sharpened(const std::vector<std::vector<uint16_t>>& rows,
                                             int depth, uint32_t channels, int32_t strength) {
    Collected out;
    SharpenParams sp = {strength,
                        -1,
                        kWidth,
                        uint32_t(rows.size()),
                        channels,
                        1,
                        1,
                        kRowOrderIdentity3,
                        uint32_t(depth),
                        0,
                        depth == 2 ? 65535 : 255,
                        Collect,
                        &out};
    SharpenWindow* w = nullptr;
    EXPECT_EQ(sharpenOpen(&w, &sp), kUiOk);
    for (uint32_t y = 0; y < rows.size(); ++y) {
        std::vector<uint8_t> r8(rows[y].begin(), rows[y].end());
        std::vector<uint16_t> r16 = rows[y];
        RowDesc row{kWidth,
                    channels,
                    1,
                    1,
                    kRowOrderIdentity3,
                    depth == 1 ? r8.data() : nullptr,
                    depth == 2 ? r16.data() : nullptr,
                    y};
        EXPECT_EQ(sharpenPutRow(w, &row), kUiOk);
    }
    sharpenClose(&w);
    return out.rows;
}

std::vector<std::vector<uint16_t>> RowsOf(const std::vector<uint16_t>& image, uint32_t channels) {
    std::vector<std::vector<uint16_t>> rows;
    for (uint32_t y = 0; y < kHeight; ++y) {
        const auto at = image.begin() + ptrdiff_t(y) * kWidth * channels;
        rows.emplace_back(at, at + ptrdiff_t(kWidth) * channels);
    }
    return rows;
}

TEST(ApplyDriver, ModeFollowsStreamSharpenAndPlacement) {
    Tintwork* rgb = BuildRgb(1);
    const std::vector<uint8_t> stream = TwStreamOf(rgb);
    Tintwork* grey = nullptr;  // one input, three outputs: fewer inputs than outputs
    ASSERT_EQ(TwBuild(&grey, 1, 3, 1, {TwEvenNodes(2, 255)},
                      [](const uint32_t* idx, int k) { return (idx[0] + k) % 256; }),
              kUiOk);
    const std::vector<uint8_t> greyStream = TwStreamOf(grey);
    struct Row {
        const std::vector<uint8_t>* stream;
        int32_t strength;
        uint32_t height;
        int32_t placement;
        int32_t mode;
    };
    const Row rows[] = {
        {nullptr, 0, 9, 2, kApplyCopy},
        {nullptr, 6, 9, 2, kApplySharpen},
        {nullptr, 6, 4, 2, kApplyCopy},  // 4 rows: the sharpen is inactive
        {&stream, 0, 9, 2, kApplyTransform},
        {&stream, 6, 4, 1, kApplyTransform},
        {&stream, 6, 9, 0, kApplyTransformSharpen},
        {&stream, 6, 9, 1, kApplySharpenTransform},
        {&stream, 6, 9, 2, kApplyTransformSharpen},  // RGB to RGB: after
        {&greyStream, 6, 9, 2, kApplySharpenTransform},
    };
    for (const Row& r : rows) {
        Collected sink;
        ApplyDriverParams p = Params(r.stream, 1, 1, r.strength, r.placement, &sink);
        p.height = r.height;
        if (r.stream == &greyStream) p.order = 0;
        ApplyDriver* d = nullptr;
        ASSERT_EQ(OpenApplyDriver(&p, &d), kUiOk);
        EXPECT_EQ(ApplyDriverMode(d), r.mode) << r.strength << " " << r.placement;
        CloseApplyDriver(d);
    }
    DestroyTintwork(grey);
    DestroyTintwork(rgb);
}

// Modes 1, 3 and 4 give exactly what the Tintwork and the sharpen give when
// run one after the other by hand, for every depth pair; rows arrive in
// order with their user values.
TEST(ApplyDriver, TransformAndSharpenInEitherOrderMatchTheStagesByHand) {
    for (int gridDepth = 1; gridDepth <= 2; ++gridDepth) {
        Tintwork* tw = BuildRgb(gridDepth);
        const std::vector<uint8_t> stream = TwStreamOf(tw);
        for (int inDepth = 1; inDepth <= 2; ++inDepth) {
            for (int outDepth = 1; outDepth <= 2; ++outDepth) {
                Tintwork* ref = Prepared(tw, inDepth, outDepth);
                const std::vector<uint16_t> image = Image(inDepth, 3);
                const auto inRows = RowsOf(image, 3);
                std::vector<std::vector<uint16_t>> transformed;
                for (const auto& row : inRows) transformed.push_back(TransformPlanar(ref, row));
                const auto after = Sharpened(transformed, outDepth, 3, 6);
                std::vector<std::vector<uint16_t>> before;
                for (const auto& row : Sharpened(inRows, inDepth, 3, 6)) {
                    before.push_back(TransformPlanar(ref, row));
                }
                const struct {
                    int32_t strength, placement, mode;
                    const std::vector<std::vector<uint16_t>>* expect;
                } cases[] = {{0, 0, kApplyTransform, &transformed},
                             {6, 0, kApplyTransformSharpen, &after},
                             {6, 1, kApplySharpenTransform, &before}};
                for (const auto& c : cases) {
                    SCOPED_TRACE(testing::Message() << "grid " << gridDepth << " depths " << inDepth
                                                    << "/" << outDepth << " mode " << c.mode);
                    Collected sink;
                    Feed feed = MakeFeed(image, inDepth);
                    int32_t mode = -1;
                    ASSERT_EQ(RunDriver(Params(&stream, inDepth, outDepth, c.strength, c.placement,
                                               &sink),
                                        feed, 3, &mode),
                              kUiOk);
                    EXPECT_EQ(mode, c.mode);
                    EXPECT_EQ(sink.rows, *c.expect);
                    ASSERT_EQ(sink.users.size(), kHeight);
                    for (uint32_t y = 0; y < kHeight; ++y) EXPECT_EQ(sink.users[y], 1000 + y);
                    EXPECT_EQ(sink.descs[0].order, kRowOrderIdentity3);
                    EXPECT_EQ(sink.descs[0].planar, 1u);
                    EXPECT_TRUE(outDepth == 2 ? sink.descs[0].data16 != nullptr
                                              : sink.descs[0].data8 != nullptr);
                }
                DestroyTintwork(ref);
            }
        }
        DestroyTintwork(tw);
    }
}

// Without a transform: copy through the depth conversion table, or sharpen
// the converted rows.
TEST(ApplyDriver, CopyAndSharpenConvertTheDepth) {
    const std::vector<uint16_t> image8 = Image(1, 3), image16 = Image(2, 3);
    {
        Collected sink;
        Feed feed = MakeFeed(image8, 1);
        ASSERT_EQ(RunDriver(Params(nullptr, 1, 2, 0, 2, &sink), feed, 3), kUiOk);
        ASSERT_EQ(sink.rows.size(), kHeight);
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (size_t i = 0; i < sink.rows[y].size(); ++i) {
                ASSERT_EQ(sink.rows[y][i], image8[y * kWidth * 3 + i] * 257);  // exact 8 to 16
            }
        }
    }
    {
        Collected sink;
        Feed feed = MakeFeed(image16, 2);
        ApplyDriverParams p = Params(nullptr, 2, 1, 0, 2, &sink);
        p.inMin = 1000;  // a partial input range: clamped, then stretched
        p.inMax = 60000;
        ASSERT_EQ(RunDriver(p, feed, 3), kUiOk);
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (size_t i = 0; i < sink.rows[y].size(); ++i) {
                const int64_t v =
                    std::min<int64_t>(std::max<int64_t>(image16[y * kWidth * 3 + i], 1000), 60000);
                ASSERT_EQ(sink.rows[y][i], ((v - 1000) * 255 + 29500) / 59000);
            }
        }
    }
    {
        Collected sink;
        Feed feed = MakeFeed(image8, 1);
        int32_t mode = -1;
        ASSERT_EQ(RunDriver(Params(nullptr, 1, 2, 6, 2, &sink), feed, 3, &mode), kUiOk);
        EXPECT_EQ(mode, kApplySharpen);
        std::vector<std::vector<uint16_t>> wide;
        for (const auto& row : RowsOf(image8, 3)) {
            std::vector<uint16_t> w(row);
            for (uint16_t& v : w) v = uint16_t(v * 257);
            wide.push_back(w);
        }
        EXPECT_EQ(sink.rows, Sharpened(wide, 2, 3, 6));
    }
}

TEST(ApplyDriver, RefusesBadParametersAndRows) {
    Tintwork* tw = BuildRgb(1);
    const std::vector<uint8_t> stream = TwStreamOf(tw);
    DestroyTintwork(tw);
    Collected sink;
    const ApplyDriverParams good = Params(&stream, 1, 1, 6, 2, &sink);
    struct Edit {
        void (*apply)(ApplyDriverParams&);
        int32_t expect;
    };
    const Edit edits[] = {
        {[](ApplyDriverParams& p) { p.sharpenStrength = 25; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.sharpenStrength = -1; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.sharpenSelector = 4; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.placement = 3; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.width = 0; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.height = 0; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.sink = nullptr; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.planar = 2; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.outputDepth = 3; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.streamSize = kApplyDriverMaxStream + 1; }, kUiErrArg},
        {[](ApplyDriverParams& p) { p.streamSize = 100; }, kUiErrFormat},
        {[](ApplyDriverParams& p) { p.inMax = 0; }, kUiErrArg},  // an empty range
        {[](ApplyDriverParams& p) {
             p.stream = nullptr;
             p.outMax = p.outMin;
         },
         kUiErrArg},
    };
    for (const Edit& e : edits) {
        ApplyDriverParams p = good;
        e.apply(p);
        ApplyDriver* d = reinterpret_cast<ApplyDriver*>(1);
        EXPECT_EQ(OpenApplyDriver(&p, &d), e.expect);
        EXPECT_EQ(d, nullptr);
    }
    ApplyDriver* d = nullptr;
    ASSERT_EQ(OpenApplyDriver(&good, &d), kUiOk);
    Feed feed = MakeFeed(Image(1, 4), 1);
    RowDesc row = feed.Row(0, 3, kRowOrderIdentity3, 1);
    RowDesc bad = row;
    bad.width = kWidth + 1;
    EXPECT_EQ(ApplyDriverRow(d, &bad), kUiErrArg);
    bad = row;
    bad.channels = 4;
    bad.order = kRowOrderIdentity4;
    EXPECT_EQ(ApplyDriverRow(d, &bad), kUiErrArg);
    bad = row;
    bad.order = 0x18;  // 0, 2, 1: not the transform's order
    EXPECT_EQ(ApplyDriverRow(d, &bad), kUiErrArg);
    bad = row;
    bad.planar = 0;
    EXPECT_EQ(ApplyDriverRow(d, &bad), kUiErrArg);
    uint16_t wide[kWidth * 3] = {};
    bad = row;
    bad.data8 = nullptr;
    bad.data16 = wide;  // 16-bit samples to an 8-bit driver
    EXPECT_EQ(ApplyDriverRow(d, &bad), kUiErrArg);
    for (uint32_t y = 0; y < kHeight; ++y) ASSERT_EQ(ApplyDriverRow(d, &row), kUiOk);
    EXPECT_EQ(ApplyDriverRow(d, &row), kUiErrArg);  // past the last row
    EXPECT_EQ(sink.rows.size(), kHeight);
    CloseApplyDriver(d);
    CloseApplyDriver(nullptr);
}

TEST(ApplyDriver, SinkErrorStopsTheRow) {
    Tintwork* tw = BuildRgb(1);
    const std::vector<uint8_t> stream = TwStreamOf(tw);
    DestroyTintwork(tw);
    for (int32_t strength : {0, 6}) {
        Collected sink;
        sink.failAt = 3;
        Feed feed = MakeFeed(Image(1, 3), 1);
        EXPECT_EQ(RunDriver(Params(&stream, 1, 1, strength, 2, &sink), feed, 3), kUiErrRead);
        EXPECT_EQ(sink.rows.size(), 3u);
    }
}

// Writing the stream and opening the driver under allocation failures, in
// each mode with a transform: -3 and nothing left.
TEST(ApplyDriver, AllocationFailuresReleaseEverything) {
    Tintwork* tw = BuildRgb(2);
    for (int32_t placement : {0, 1}) {
        for (int32_t strength : {0, 6}) {
            for (bool persistent : {false, true}) {
                for (uint32_t n = 1;; ++n) {
                    const uint32_t blocks = Ui_Mem_Stats().nMallocs;
                    Ui_Mem_InjectFailure(n, persistent);
                    uint32_t size = 0;
                    TintworkStreamSize(tw, &size);
                    uint8_t* bytes = static_cast<uint8_t*>(Ui_Malloc(size));
                    int32_t status = bytes == nullptr ? kUiErrMemory : kUiOk;
                    TwStream s{bytes, size, 0};
                    if (status == kUiOk) status = WriteTintworkStream(tw, &s);
                    Collected sink;
                    ApplyDriverParams p = Params(nullptr, 2, 1, strength, placement, &sink);
                    p.stream = bytes;
                    p.streamSize = size;
                    ApplyDriver* d = nullptr;
                    if (status == kUiOk) status = OpenApplyDriver(&p, &d);
                    const bool reached = Ui_Mem_RequestCount() >= n;
                    Ui_Mem_InjectFailure(0, false);
                    if (status == kUiOk) {
                        Feed feed = MakeFeed(Image(2, 3), 2);
                        for (uint32_t y = 0; y < kHeight; ++y) {
                            const RowDesc row = feed.Row(y, 3, kRowOrderIdentity3, 1);
                            ASSERT_EQ(ApplyDriverRow(d, &row), kUiOk);
                        }
                        EXPECT_EQ(sink.rows.size(), kHeight);
                    } else {
                        EXPECT_EQ(status, kUiErrMemory) << n;
                        EXPECT_EQ(d, nullptr);
                    }
                    CloseApplyDriver(d);
                    Ui_Free(bytes);
                    EXPECT_EQ(Ui_Mem_Stats().nMallocs, blocks) << n;
                    if (!reached) {
                        EXPECT_EQ(status, kUiOk);
                        break;
                    }
                }
            }
        }
    }
    DestroyTintwork(tw);
}

TEST(MaskedWriteBack, BlendsBySelectionMask) {
    uint8_t source[4 * 3] = {10, 20, 30, 10, 20, 30, 10, 20, 30, 200, 100, 0};
    uint8_t fixed[4 * 3] = {250, 240, 230, 250, 240, 230, 250, 240, 230, 0, 0, 255};
    const uint8_t mask[4] = {0, 255, 128, 64};
    uint8_t out[4 * 3 + 1];
    out[12] = 42;
    TwRun s = TwInterleaved8(source, 3), c = TwInterleaved8(fixed, 3), o = TwInterleaved8(out, 3);
    uint32_t rows = 0;
    ASSERT_EQ(MaskedWriteBack(4, 3, &s, &c, mask, &o, &rows), kUiOk);
    EXPECT_EQ(rows, 1u);
    const uint8_t expect[12] = {10,
                                20,
                                30,
                                250,
                                240,
                                230,
                                (10 * 127 + 250 * 128 + 128) >> 8,
                                (20 * 127 + 240 * 128 + 128) >> 8,
                                (30 * 127 + 230 * 128 + 128) >> 8,
                                (200 * 191 + 128) >> 8,
                                (100 * 191 + 128) >> 8,
                                (255 * 64 + 128) >> 8};
    EXPECT_EQ(0, std::memcmp(out, expect, 12));
    EXPECT_EQ(out[12], 42);

    uint16_t s16[3] = {1000, 2000, 65535}, c16[3] = {65535, 0, 0}, o16[3];
    const uint8_t m1[1] = {200};
    TwRun a = TwInterleaved16(s16, 3), b = TwInterleaved16(c16, 3), r = TwInterleaved16(o16, 3);
    ASSERT_EQ(MaskedWriteBack(1, 3, &a, &b, m1, &r, nullptr), kUiOk);
    EXPECT_EQ(o16[0], (1000u * 55 + 65535u * 200 + 128) >> 8);
    EXPECT_EQ(o16[2], (65535u * 55 + 128) >> 8);
    EXPECT_EQ(MaskedWriteBack(1, 3, &a, &c, m1, &r, nullptr), kUiErrArg);  // depths differ
}

// Blends whose sum src × (255 - m) + fix × m lies exactly half way between two
// multiples of 256 round up; just below half way they round down. Worked by hand.
TEST(MaskedWriteBack, RoundsHalfWayUp) {
    struct Case {
        uint16_t src, fix;
        uint8_t mask;
        uint16_t expected;
    };
    const Case cases8[] = {
        {0, 1, 128, 1},      // 1 × 128 = 128: 0.5 → 1
        {0, 1, 127, 0},      // 1 × 127 = 127: 0.496 → 0
        {1, 0, 127, 1},      // 1 × 128 = 128 → 1
        {0, 50, 64, 13},     // 50 × 64 = 3200 = 12.5 × 256 → 13
        {0, 255, 128, 128},  // 255 × 128 = 32640 = 127.5 × 256 → 128
        {255, 0, 127, 128},  // 255 × 128 = 32640 → 128
    };
    const Case cases16[] = {
        {0, 1, 128, 1},
        {0, 65535, 128, 32768},  // 65535 × 128 = 8388480 = 32767.5 × 256 → 32768
        {65535, 0, 127, 32768},  // 65535 × 128 → 32768
        // 32768 × 127 + 257 × 128 = 4161536 + 32896 = 4194432 = 16384.5 × 256 → 16385
        {32768, 257, 128, 16385},
    };
    for (const Case& c : cases8) {
        uint8_t src = uint8_t(c.src), fix = uint8_t(c.fix), out = 0;
        TwRun s = TwInterleaved8(&src, 1), k = TwInterleaved8(&fix, 1), o = TwInterleaved8(&out, 1);
        ASSERT_EQ(MaskedWriteBack(1, 1, &s, &k, &c.mask, &o, nullptr), kUiOk);
        EXPECT_EQ(int(out), c.expected)
            << "8-bit " << c.src << " " << c.fix << " mask " << int(c.mask);
    }
    for (const Case& c : cases16) {
        uint16_t src = c.src, fix = c.fix, out = 0;
        TwRun s = TwInterleaved16(&src, 1), k = TwInterleaved16(&fix, 1),
              o = TwInterleaved16(&out, 1);
        ASSERT_EQ(MaskedWriteBack(1, 1, &s, &k, &c.mask, &o, nullptr), kUiOk);
        EXPECT_EQ(out, c.expected) << "16-bit " << c.src << " " << c.fix << " mask " << int(c.mask);
    }
}

}  // namespace
