// The compiler on real photographs (Debian python3-skimage's astronaut,
// coffee and chelsea): a colour cast made here is corrected from eyedropper
// samples of a neutral and a skin region, measured as CIEDE2000 distances to
// the memory colours' ideals; automatic black and white points stretch a
// low-contrast copy back toward the original's range. A missing photograph
// fails the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/colour_science.h"
#include "engine/compile_edit_tw.h"
#include "engine/edit_pars.h"
#include "engine/memory_colour.h"
#include "engine/working_space.h"
#include "tests/support/correct_image.h"
#include "tests/support/edit_pars_samples.h"
#include "tests/support/interleaved_view.h"
#include "tests/support/png_read.h"
#include "ui/status.h"

namespace {

struct Rect {
    int32_t x0, y0, x1, y1;
};

// astronaut.png: the grey backdrop right of the head, and the face.
constexpr Rect kBackdrop = {300, 20, 350, 120};
constexpr Rect kFace = {200, 115, 250, 145};

InterleavedImage Photo(const char* name) {
    InterleavedImage im;
    std::string error;
    EXPECT_TRUE(LoadPhoto(name, &im, &error)) << error;
    return im;
}

InterleavedImage ToSixteenBits(const InterleavedImage& im) {
    InterleavedImage out(im.width, im.height, 2);
    for (size_t i = 0; i < im.s8.size(); ++i) out.s16[i] = uint16_t(im.s8[i] * 257);
    return out;
}

// Every channel scaled in code values (a cast of the kind a wrong white
// balance gives), clamped.
void ApplyCast(InterleavedImage* im, const float gain[3]) {
    const double max = im->depth == 1 ? 255.0 : 65535.0;
    for (int32_t y = 0; y < im->height; ++y)
        for (int32_t x = 0; x < im->width; ++x)
            for (int c = 0; c < 3; ++c)
                im->Set(x, y, c,
                        uint32_t(std::min(max, std::round(im->Get(x, y, c) * double(gain[c])))));
}

// An eyedropper's samples of a rectangle: code-value sums per lightness band.
void SampleRect(const InterleavedImage& im, const Rect& r, MemoryColorBin* bin) {
    const double twiceMax = im.depth == 1 ? 510.0 : 131070.0;
    for (int32_t y = r.y0; y < r.y1; ++y)
        for (int32_t x = r.x0; x < r.x1; ++x) {
            const uint32_t R = im.Get(x, y, 0), G = im.Get(x, y, 1), B = im.Get(x, y, 2);
            const uint32_t hi = std::max(R, std::max(G, B)), lo = std::min(R, std::min(G, B));
            const int band = std::min(9, int((hi + lo) / twiceMax * 10.0));
            MemorySample& s = bin->samplesBin[band];
            s.sumR += float(R);
            s.sumG += float(G);
            s.sumB += float(B);
            ++s.count;
        }
}

void MeanOf(const InterleavedImage& im, const Rect& r, float rgb[3]) {
    double sum[3] = {};
    for (int32_t y = r.y0; y < r.y1; ++y)
        for (int32_t x = r.x0; x < r.x1; ++x)
            for (int c = 0; c < 3; ++c) sum[c] += im.Get(x, y, c);
    const double n = double(r.x1 - r.x0) * (r.y1 - r.y0) * (im.depth == 1 ? 255.0 : 65535.0);
    for (int c = 0; c < 3; ++c) rgb[c] = float(sum[c] / n);
}

// Lab under the 5000 K white of an encoded colour of the default working
// space, and the distance to the memory colour's ideal at its lightness.
double DeltaEToIdeal(const float rgb[3], const MemoryColorFcn& fcn) {
    RefRGB ref;
    EXPECT_EQ(DefaultRefRGB(&ref), kUiOk);
    Matrix* toXYZ = nullptr;
    EXPECT_EQ(MakeRGBToXYZ(ref.primaries, ref.xyzWhite, &toXYZ), kUiOk);
    float linear[3], xyz[3], adapted[3], d50[3], lab[3], lch[3], ideal[3];
    for (int c = 0; c < 3; ++c) linear[c] = EncodedToLinear(rgb[c], ref.gamma);
    ApplyMatrix(toXYZ, linear, xyz);
    MatrixFree(toXYZ);
    DaylightXYZ(5000.0f, d50);
    AdaptXYZ(xyz, adapted, ref.xyzWhite, d50, kAdaptBradford);
    XYZToLabAtTemperature(adapted, lab, 5000.0f);
    ColorFunctionLCh(lab[0], fcn, lch);
    LChToLab(lch, ideal);
    return DeltaE2000(lab, ideal);
}

// Lightness percentiles (of (max + min) / 2, in [0, 1]) at lo and hi.
void LightnessRange(const InterleavedImage& im, double lo, double hi, double* low, double* high) {
    std::vector<double> l;
    const double max = im.depth == 1 ? 255.0 : 65535.0;
    for (int32_t y = 0; y < im.height; ++y)
        for (int32_t x = 0; x < im.width; ++x) {
            const uint32_t R = im.Get(x, y, 0), G = im.Get(x, y, 1), B = im.Get(x, y, 2);
            l.push_back((std::max(R, std::max(G, B)) + std::min(R, std::min(G, B))) / (2.0 * max));
        }
    std::sort(l.begin(), l.end());
    *low = l[size_t(lo * (l.size() - 1))];
    *high = l[size_t(hi * (l.size() - 1))];
}

struct Compiled {
    TWHandle handle{};
    ~Compiled() { DestroyTintwork(handle.tintwork); }
};

}  // namespace

TEST(CompilerPhoto, DeltaE2000MatchesAPublishedPair) {
    // Sharma, Wu and Dalal's test data, pair 1.
    const float a[3] = {50.0f, 2.6772f, -79.7751f}, b[3] = {50.0f, 0.0f, -82.7485f};
    EXPECT_NEAR(DeltaE2000(a, b), 2.0425, 1e-4);
}

TEST(CompilerPhoto, MemoryColoursPullSampledRegionsTowardTheirIdeals) {
    // A cool cast (red down, blue up) on astronaut, 8- and 16-bit; samples of
    // the backdrop go to "Neutrals" (bin 0), of the face to "Skin" (bin 1).
    // The grey balance bins both colours together by lightness, so with both
    // sampled the backdrop is pulled less than with the neutrals alone.
    const float cast[3] = {0.88f, 1.0f, 1.12f};
    struct Case {
        int depth;
        bool sampleSkin;
        double neutralShare, skinShare;  // largest after / before allowed
    } cases[] = {
        {1, false, 0.35, 1.0}, {2, false, 0.35, 1.0}, {1, true, 0.8, 0.4}, {2, true, 0.8, 0.4}};
    InterleavedImage original = Photo("astronaut.png");
    ASSERT_FALSE(original.s8.empty());
    for (const Case& k : cases) {
        InterleavedImage im = k.depth == 1 ? original : ToSixteenBits(original);
        ApplyCast(&im, cast);
        EditPars pars = DefaultPars();
        SampleRect(im, kBackdrop, &pars.customBinColors[0]);
        if (k.sampleSkin) SampleRect(im, kFace, &pars.customBinColors[1]);

        IPImage view = im.View();
        Compiled c;
        ASSERT_EQ(CompileEditTW(&pars, &view, nullptr, &c.handle), kUiOk);
        InterleavedImage corrected;
        ASSERT_EQ(CorrectThroughDriver(c.handle.tintwork, im, &corrected), kUiOk);

        struct Region {
            const char* name;
            Rect rect;
            int bin;
            double share;
        } regions[] = {{"neutral backdrop", kBackdrop, 0, k.neutralShare},
                       {"skin", kFace, 1, k.skinShare}};
        for (const Region& r : regions) {
            float before[3], after[3];
            MeanOf(im, r.rect, before);
            MeanOf(corrected, r.rect, after);
            const MemoryColorFcn& fcn = pars.customBinColors[r.bin].fcn;
            const double dBefore = DeltaEToIdeal(before, fcn), dAfter = DeltaEToIdeal(after, fcn);
            std::printf("%d-bit, %s sampled, %s: CIEDE2000 to the ideal %.2f before, %.2f after\n",
                        k.depth * 8, k.sampleSkin ? "neutrals and skin" : "neutrals only", r.name,
                        dBefore, dAfter);
            EXPECT_GT(dBefore, 3.0) << r.name;  // the cast is plainly visible
            EXPECT_LT(dAfter, r.share * dBefore) << r.name << ", skin sampled " << k.sampleSkin;
        }
    }
}

TEST(CompilerPhoto, AutomaticBlackAndWhitePointsStretchALowContrastCopy) {
    struct Case {
        const char* photo;
        int depth;
    } cases[] = {{"coffee.png", 1}, {"chelsea.png", 2}, {"astronaut.png", 1}};
    for (const Case& k : cases) {
        InterleavedImage original = Photo(k.photo);
        ASSERT_FALSE(original.s8.empty()) << k.photo;
        if (k.depth == 2) original = ToSixteenBits(original);
        // Half the contrast around a raised black: v / 2 + a quarter.
        InterleavedImage flat = original;
        const uint32_t quarter = k.depth == 1 ? 64 : 16384;
        for (size_t i = 0; i < flat.s8.size(); ++i) flat.s8[i] = uint8_t(flat.s8[i] / 2 + quarter);
        for (size_t i = 0; i < flat.s16.size(); ++i)
            flat.s16[i] = uint16_t(flat.s16[i] / 2 + quarter);

        EditPars pars = DefaultPars();
        pars.doAutoBlack = pars.doAutoWhite = 1;
        pars.autoBlackAmount = pars.autoWhiteAmount = 1.0f;
        IPImage view = flat.View();
        Compiled c;
        ASSERT_EQ(CompileEditTW(&pars, &view, nullptr, &c.handle), kUiOk);
        InterleavedImage stretched;
        ASSERT_EQ(CorrectImage(c.handle.tintwork, flat, &stretched), kUiOk);

        double oLow, oHigh, fLow, fHigh, sLow, sHigh;
        LightnessRange(original, 0.01, 0.99, &oLow, &oHigh);
        LightnessRange(flat, 0.01, 0.99, &fLow, &fHigh);
        LightnessRange(stretched, 0.01, 0.99, &sLow, &sHigh);
        std::printf(
            "%s %d-bit: 1-99 %% lightness range original %.3f (%.3f..%.3f), "
            "low-contrast %.3f, stretched %.3f (%.3f..%.3f)\n",
            k.photo, k.depth * 8, oHigh - oLow, oLow, oHigh, fHigh - fLow, sHigh - sLow, sLow,
            sHigh);
        // At least three quarters of the lost range comes back.
        const double lost = (oHigh - oLow) - (fHigh - fLow);
        EXPECT_GT(sHigh - sLow, (fHigh - fLow) + 0.75 * lost) << k.photo;
        EXPECT_LT(sLow, fLow) << k.photo;
        EXPECT_GT(sHigh, fHigh) << k.photo;
    }
}
