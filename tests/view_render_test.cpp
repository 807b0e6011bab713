// The render of a view for the screen: its own pixels, the pixels through the
// editor's transform, and the filtering pass's chain with sharpen and noise
// removal.
#include "engine/view_render.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/apply_driver.h"
#include "engine/compile_edit_tw.h"
#include "engine/noise.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/compiled_correction.h"
#include "tests/tintwork_fixture.h"
#include "ui/allocator.h"

namespace {

struct Format {
    int32_t depth;
    int32_t planes;
};
const Format kFormats[] = {{1, 3}, {1, 4}, {2, 3}, {2, 4}};

// A textured image whose 16-bit samples are 8-bit codes times 257, with a
// varying fourth plane.
InterleavedImage Textured(int32_t w, int32_t h, const Format& f) {
    InterleavedImage im(w, h, f.depth, f.planes);
    const InterleavedImage base = CorrectionGradient(w, h, 1);
    const uint32_t scale = f.depth == 2 ? 257u : 1u;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t grain = ((x * 7 + y * 13) % 5) * 9;
            for (int32_t c = 0; c < 3; ++c)
                im.Set(x, y, c, (base.Get(x, y, c) + grain) % 256 * scale);
            if (f.planes == 4) im.Set(x, y, 3, uint32_t((x * 37 + y) % 256) * scale);
        }
    return im;
}

struct Corrected {
    CompiledCorrection cc;
    explicit Corrected(int32_t depth) {
        CompileCorrection(false, depth, &cc);
        EXPECT_EQ(TWHandleSetDepth(&cc.handle, kTwSideOutput, 1), kUiOk);
    }
};

std::vector<uint8_t> Render(IPImage view, const Tintwork* tw, const ViewRenderFilters* f,
                            int32_t* status) {
    std::vector<uint8_t> out(size_t(view.width) * view.height * ViewRenderChannels(view), 0);
    *status = RenderView(view, tw, f, out.data());
    return out;
}

TEST(ViewRender, OwnPixelsAndTransformPerPixel) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(testing::Message() << "depth " << f.depth << " planes " << f.planes);
        InterleavedImage im = Textured(23, 9, f);
        Corrected corr(f.depth);
        const int32_t ch = f.planes;
        int32_t status = 0;
        const std::vector<uint8_t> own = Render(im.View(), nullptr, nullptr, &status);
        ASSERT_EQ(status, kUiOk);
        const std::vector<uint8_t> fixed = Render(im.View(), corr.cc.tw(), nullptr, &status);
        ASSERT_EQ(status, kUiOk);
        const uint32_t shift = f.depth == 2 ? 8 : 0;
        for (int32_t y = 0; y < im.height; ++y)
            for (int32_t x = 0; x < im.width; ++x) {
                const size_t at = (size_t(y) * im.width + x) * ch;
                uint8_t in[3];
                for (int32_t c = 0; c < 3; ++c) {
                    in[c] = uint8_t(im.Get(x, y, c) >> shift);
                    ASSERT_EQ(own[at + c], in[c]) << x << "," << y;
                }
                uint16_t want[4] = {};
                ASSERT_EQ(TwApplyPixel8(corr.cc.tw(), in, want), kUiOk);
                for (int32_t c = 0; c < 3; ++c) ASSERT_EQ(fixed[at + c], want[c]) << x << "," << y;
                if (ch == 4) {
                    ASSERT_EQ(own[at + 3], uint8_t(im.Get(x, y, 3) >> shift));
                    ASSERT_EQ(fixed[at + 3], own[at + 3]);
                }
            }
    }
}

// The filtering pass's stages run one after another over the whole image:
// the noise removal into a buffer, then the transform and the sharpen of the
// application driver, whose rows keep their high byte.
struct Collected {
    std::vector<uint8_t> s8;
    std::vector<uint16_t> s16;
};
int32_t Collect(void* context, const RowDesc* row) {
    Collected* c = static_cast<Collected*>(context);
    const size_t n = size_t(row->width) * 3;
    if (row->data8 != nullptr) c->s8.insert(c->s8.end(), row->data8, row->data8 + n);
    if (row->data8 == nullptr) c->s16.insert(c->s16.end(), row->data16, row->data16 + n);
    return kUiOk;
}

std::vector<uint8_t> PassReference(InterleavedImage& im, const Tintwork* tw,
                                   const ViewRenderFilters& f) {
    const int32_t w = im.width, h = im.height, d = im.depth;
    InterleavedImage rgb(w, h, d);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int32_t c = 0; c < 3; ++c) rgb.Set(x, y, c, im.Get(x, y, c));
    auto rowOf = [&](int32_t y, Collected* from) {
        RowDesc row = {uint32_t(w), 3, kTwSpaceRgb, 0, kRowOrderIdentity3, nullptr, nullptr, 0};
        const size_t at = size_t(y) * w * 3;
        if (d == 1)
            row.data8 = from ? from->s8.data() + at : rgb.s8.data() + at;
        else
            row.data16 = from ? from->s16.data() + at : rgb.s16.data() + at;
        return row;
    };
    Collected denoised;
    if (f.removeNoise == 1) {
        NoiseParams n = f.noise;
        n.width = uint32_t(w);
        n.height = uint32_t(h);
        n.colorKind = kTwSpaceRgb;
        n.channels = 3;
        n.order = kRowOrderIdentity3;
        n.outputDepth = uint32_t(d);
        n.sink = Collect;
        n.sinkContext = &denoised;
        Mask2dState* noise = nullptr;
        EXPECT_EQ(mask2dOpen(&noise, &n), kUiOk);
        for (int32_t y = 0; y < h; ++y) {
            const RowDesc row = rowOf(y, nullptr);
            EXPECT_EQ(mask2dPutRow(noise, &row), kUiOk);
        }
        mask2dClose(&noise);
    }
    const std::vector<uint8_t> stream = TwStreamOf(tw);
    Collected out;
    ApplyDriverParams p = {};
    p.stream = stream.data();
    p.streamSize = uint32_t(stream.size());
    p.inMax = p.outMax = d == 2 ? 65535u : 255u;
    p.sharpenStrength = f.sharpenStrength;
    p.sharpenSelector = f.sharpenSelector;
    p.placement = kPlaceAutomatic;
    p.width = uint32_t(w);
    p.height = uint32_t(h);
    p.inputDepth = p.outputDepth = d;
    p.sink = Collect;
    p.sinkContext = &out;
    p.order = kRowOrderIdentity3;
    ApplyDriver* driver = nullptr;
    EXPECT_EQ(OpenApplyDriver(&p, &driver), kUiOk);
    for (int32_t y = 0; y < h; ++y) {
        const RowDesc row = rowOf(y, f.removeNoise == 1 ? &denoised : nullptr);
        EXPECT_EQ(ApplyDriverRow(driver, &row), kUiOk);
    }
    CloseApplyDriver(driver);
    std::vector<uint8_t> bytes(size_t(w) * h * 3);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = d == 1 ? out.s8.at(i) : uint8_t(out.s16.at(i) >> 8);
    return bytes;
}

TEST(ViewRender, FiltersMatchThePassChain) {
    ViewRenderFilters sharpen = {};
    sharpen.sharpenStrength = 12;
    sharpen.sharpenSelector = -1;
    ViewRenderFilters both = sharpen;
    both.removeNoise = 1;
    both.noise.lumaChroma = 1;
    both.noise.radius[0] = 1;
    both.noise.radius[1] = both.noise.radius[2] = 2;
    both.noise.threshold[0] = both.noise.threshold[1] = both.noise.threshold[2] = 40;
    ViewRenderFilters noiseOnly = both;
    noiseOnly.sharpenStrength = 0;
    for (const Format& f : kFormats)
        for (const ViewRenderFilters* filters : {&sharpen, &both, &noiseOnly}) {
            SCOPED_TRACE(testing::Message() << "depth " << f.depth << " planes " << f.planes
                                            << " sharpen " << filters->sharpenStrength);
            InterleavedImage im = Textured(31, 17, f);
            Corrected corr(f.depth);
            int32_t status = 0;
            const std::vector<uint8_t> got = Render(im.View(), corr.cc.tw(), filters, &status);
            ASSERT_EQ(status, kUiOk);
            const std::vector<uint8_t> plain = Render(im.View(), corr.cc.tw(), nullptr, &status);
            // The reference runs the transform at the view's depth, as the pass does.
            ASSERT_EQ(TWHandleSetDepth(&corr.cc.handle, kTwSideOutput, f.depth), kUiOk);
            const std::vector<uint8_t> want = PassReference(im, corr.cc.tw(), *filters);
            size_t differs = 0;
            for (size_t i = 0; i < want.size(); ++i) {
                const size_t at = i / 3 * size_t(f.planes) + i % 3;
                ASSERT_EQ(got[at], want[i]) << "sample " << i;
                differs += got[at] != plain[at];
            }
            EXPECT_GT(differs, 0u) << "the filters changed nothing";
            for (size_t p = 0; f.planes == 4 && p < size_t(im.width) * im.height; ++p)
                ASSERT_EQ(got[p * 4 + 3], plain[p * 4 + 3]);
        }
}

TEST(ViewRender, RefusesAMismatchAndReleasesOnEveryPath) {
    const Format f = {2, 4};
    InterleavedImage im = Textured(19, 11, f);
    Corrected corr(2);
    int32_t status = 0;
    // A transform for 8-bit input does not fit a 16-bit view.
    Corrected narrow(1);
    Render(im.View(), narrow.cc.tw(), nullptr, &status);
    EXPECT_EQ(status, kUiErrArg);
    ViewRenderFilters both = {};
    both.sharpenStrength = 5;
    both.sharpenSelector = -1;
    both.removeNoise = 1;
    both.noise.radius[0] = both.noise.radius[1] = both.noise.radius[2] = 1;
    both.noise.threshold[0] = both.noise.threshold[1] = both.noise.threshold[2] = 20;
    std::vector<uint8_t> out(size_t(im.width) * im.height * 4);
    RunAllocationFailureLoop(
        [&] { return RenderView(im.View(), corr.cc.tw(), &both, out.data()); });
}

}  // namespace
