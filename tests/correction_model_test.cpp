// The batch command's own account of a correction against the plug-in's:
// the model's transform applied to a photograph gives exactly the pixels of
// the plug-in's replay, whether the preview is read whole, scaled, or
// subsampled by the host and scaled, at 8 and 16 bits; and the report and
// exports stand on it.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "apps/vantoria/batch_run.h"
#include "apps/vantoria/correction_model.h"
#include "apps/vantoria/image_io.h"
#include "engine/preview_plan.h"
#include "engine/tintwork.h"
#include "host/plugin_main.h"
#include "tests/support/png_read.h"
#include "tests/support/test_support.h"

namespace {

// The photograph enlarged by nearest neighbour to w x h.
ImageBuffer Enlarged(const ImageBuffer& photo, int32_t w, int32_t h) {
    ImageBuffer im = photo;
    im.width = w;
    im.height = h;
    im.pixels.resize(size_t(im.RowBytes()) * size_t(h));
    const size_t pixel = size_t(photo.planes) * size_t(photo.depth / 8);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int32_t sx = int32_t(int64_t(x) * photo.width / w);
            const int32_t sy = int32_t(int64_t(y) * photo.height / h);
            std::memcpy(&im.pixels[(size_t(y) * size_t(w) + size_t(x)) * pixel],
                        &photo.pixels[(size_t(sy) * size_t(photo.width) + size_t(sx)) * pixel],
                        pixel);
        }
    return im;
}

BatchSettings Settings(bool skin) {
    BatchSettings s = {};
    SetDefaultEditPars(&s.pars, kDefaultPredefinedBins);
    s.pars.doAutoBlack = s.pars.doAutoWhite = s.pars.doAutoMidGray = 1;
    s.pars.autoBlackAmount = s.pars.autoWhiteAmount = s.pars.autoMidGrayAmount = 1;
    s.pars.brightness = 0.6f;
    if (skin) {
        // Samples as the eyedropper takes them: one band of skin-like pixels.
        MemorySample& m = s.pars.customBinColors[1].samplesBin[5];
        m = MemorySample{140.0f * 50, 105.0f * 50, 80.0f * 50, 50};
    }
    s.spaceName = "default";
    return s;
}

class CorrectionModelTest : public ::testing::Test {
  protected:
    ImageBuffer photo;
    void SetUp() override {
        ASSERT_EQ(ReadImageFile(PhotoFolder() + "astronaut.png", &photo), "")
            << "scripts/fetch-photos.sh fetches the photographs";
    }
};

// The photograph at 16 bits in the interface's scale (0..32768).
ImageBuffer Deepened(const ImageBuffer& photo) {
    ImageBuffer im = photo;
    im.depth = 16;
    im.pixels.resize(photo.pixels.size() * 2);
    for (size_t i = 0; i < photo.pixels.size(); ++i) {
        const uint16_t v = ToInterface16(uint16_t(photo.pixels[i] * 257));
        std::memcpy(&im.pixels[2 * i], &v, 2);
    }
    return im;
}

// The model's Tintwork applied to every pixel as the filtering pass applies
// it: 16-bit samples from the interface's range to 0..65534 and back.
ImageBuffer AppliedAsThePassDoes(const ImageBuffer& image, const Tintwork* tw) {
    ImageBuffer out = image;
    const uint32_t count = uint32_t(image.width) * uint32_t(image.height);
    if (image.depth == 8) {
        ImageBuffer source = image;
        const TwRun src = TwInterleaved8(source.pixels.data(), 3);
        const TwRun dst = TwInterleaved8(out.pixels.data(), 3);
        EXPECT_EQ(ApplyTintwork(tw, count, &src, &dst), 0);
        return out;
    }
    std::vector<uint16_t> in(size_t(count) * 3), result(size_t(count) * 3);
    std::memcpy(in.data(), image.pixels.data(), image.pixels.size());
    for (uint16_t& v : in) v = uint16_t((v > 32767 ? 32767 : v) * 2);
    const TwRun src = TwInterleaved16(in.data(), 3);
    const TwRun dst = TwInterleaved16(result.data(), 3);
    EXPECT_EQ(ApplyTintwork(tw, count, &src, &dst), 0);
    for (uint16_t& v : result) v = uint16_t(v >> 1);
    std::memcpy(out.pixels.data(), result.data(), out.pixels.size());
    return out;
}

// The model's Tintwork on every pixel is the plug-in's output, for every way
// the preview is read: whole (factor 1), reduced by the scaler alone
// (factors 2 and 3), subsampled by the host and scaled (factor 6), with a
// selection, and at 16 bits.
TEST_F(CorrectionModelTest, TheModelsTransformIsThePluginsCorrection) {
    struct Case {
        const char* name;
        int32_t width, height;
        bool deep, skin, mask;
        int32_t factor;
    };
    const Case cases[] = {
        {"read whole", 512, 512, false, false, false, 1},
        {"halved by the scaler", 1100, 1000, false, true, false, 2},
        {"scaled", 1400, 1300, false, true, false, 3},
        {"subsampled and scaled", 2900, 2600, false, true, true, 6},
        {"16 bits read whole", 512, 512, true, true, false, 1},
        {"16 bits scaled, a selection", 1400, 1300, true, true, true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageBuffer image = Enlarged(c.deep ? Deepened(photo) : photo, c.width, c.height);
        std::vector<uint8_t> mask;
        if (c.mask)
            for (int32_t y = 0; y < c.height; ++y)
                for (int32_t x = 0; x < c.width; ++x) mask.push_back(x < c.width * 2 / 3 ? 255 : 0);
        const uint8_t* selection = c.mask ? mask.data() : nullptr;
        const BatchSettings settings = Settings(c.skin);

        CorrectionModel model;
        ASSERT_EQ(BuildCorrectionModel(image, selection, settings.pars, &model), "");
        EXPECT_EQ(
            PreviewReductionFactor(c.width, c.height, model.previewWidth, model.previewHeight),
            c.factor);
        EXPECT_LE(model.readWidth, model.previewWidth);
        EXPECT_LE(model.readHeight, model.previewHeight);
        ImageBuffer expected = AppliedAsThePassDoes(image, model.corrected.transform->tintwork);
        FreeCorrectionModel(&model);
        const size_t pixel = size_t(image.planes) * size_t(image.depth / 8);
        if (c.mask)
            for (size_t i = 0; i < mask.size(); ++i)
                if (mask[i] == 0)
                    std::memcpy(&expected.pixels[i * pixel], &image.pixels[i * pixel], pixel);

        ImageBuffer corrected = image;
        BatchRun run = {false, false, false, 0};
        ASSERT_EQ(RunCorrection(PluginMain, settings, "photo", selection, &corrected, &run), "");
        size_t differing = 0;
        for (size_t i = 0; i < corrected.pixels.size(); ++i)
            differing += corrected.pixels[i] != expected.pixels[i];
        EXPECT_EQ(differing, 0u);
        EXPECT_NE(corrected.pixels, image.pixels);
    }
}

// A stand-in plug-in that inverts the image in strips of four rows: in
// order, with two strips swapped, or failing half way.
enum class Strips { kInOrder, kSwapped, kFailing };
Strips gStrips = Strips::kInOrder;

void InvertingEntry(int16_t selector, void* block, intptr_t*, int16_t* result) {
    *result = noErr;
    if (selector != filterSelectorStart) return;
    FilterRecord* r = static_cast<FilterRecord*>(block);
    const int16_t height = r->filterRect.bottom, width = r->filterRect.right;
    std::vector<int16_t> tops;
    for (int16_t top = 0; top < height; top = int16_t(top + 4)) tops.push_back(top);
    if (gStrips == Strips::kSwapped) std::swap(tops[1], tops[2]);
    r->outLoPlane = 0;
    r->outHiPlane = int16_t(r->planes - 1);
    for (size_t k = 0; k < tops.size(); ++k) {
        if (gStrips == Strips::kFailing && k == tops.size() / 2) {
            *result = filterBadParameters;
            return;
        }
        const int16_t bottom = int16_t(std::min<int>(tops[k] + 4, height));
        r->outRect = Rect{tops[k], 0, bottom, width};
        if (r->advanceState() != noErr) {
            *result = paramErr;
            return;
        }
        for (int32_t y = 0; y < bottom - tops[k]; ++y) {
            uint8_t* row = static_cast<uint8_t*>(r->outData) + y * r->outRowBytes;
            for (int32_t i = 0; i < width * r->planes * r->depth / 8; ++i)
                row[i] = uint8_t(255 - row[i]);
        }
    }
    r->outRect = Rect{0, 0, 0, 0};
}

// The output is encoded while the plug-in works, each row once it is
// finished, into the same file a write after the run makes; rows out of
// order give that up (the caller writes after the run), and a failed run
// leaves no file behind.
TEST(BatchWriteTest, TheOutputIsEncodedAsThePluginFinishesRows) {
    const std::string dir = MakeTempFolder("streamed");
    for (int32_t depth : {8, 16}) {
        ImageBuffer image;
        image.width = 23;
        image.height = 18;
        image.planes = 3;
        image.depth = depth;
        image.pixels.resize(size_t(image.RowBytes()) * size_t(image.height));
        for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint8_t(i * 7 / 3);
        ImageBuffer inverted = image;
        for (uint8_t& v : inverted.pixels) v = uint8_t(255 - v);
        const std::string expected = dir + "expected.tif";
        ASSERT_EQ(WriteImageFile(expected, inverted), "");
        for (Strips strips : {Strips::kInOrder, Strips::kSwapped, Strips::kFailing}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, strips " << int(strips));
            gStrips = strips;
            const std::string path = dir + "out.tif";
            std::remove(path.c_str());
            ImageBuffer corrected = image;
            BatchRun run = {false, false, false, 0};
            BatchWrite write = {path.c_str(), false, 0, std::string()};
            const std::string error = RunCorrection(InvertingEntry, Settings(false), "strips",
                                                    nullptr, &corrected, &run, &write);
            EXPECT_EQ(error.empty(), strips != Strips::kFailing) << error;
            EXPECT_EQ(write.streamed, strips == Strips::kInOrder);
            EXPECT_EQ(write.error, "");
            EXPECT_EQ(FileExists(path + ".part"), strips == Strips::kInOrder);
            if (strips != Strips::kFailing) {
                EXPECT_EQ(corrected.pixels, inverted.pixels);
            }
            if (strips != Strips::kInOrder) continue;
            ASSERT_EQ(FinishImageFile(path, corrected, true), "");
            EXPECT_FALSE(FileExists(path + ".part"));
            std::vector<uint8_t> written, wanted;
            ASSERT_TRUE(ReadWholeFile(path, &written) && ReadWholeFile(expected, &wanted));
            EXPECT_EQ(written, wanted);
        }
    }
}

TEST_F(CorrectionModelTest, TheReportSaysWhatTheCorrectionDid) {
    const std::string dir = MakeTempFolder("report");
    const BatchSettings settings = Settings(true);
    const StageTimes times = {0.1, 0, 0.2, 0.3};
    ASSERT_EQ(WriteCorrectionReport(dir + "r.json", photo, nullptr, settings.pars, times), "");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(dir + "r.json", &bytes));
    const std::string json(bytes.begin(), bytes.end());
    for (const char* key :
         {"\"doAutoBlack\": 1", "\"brightness\": 0.6", "\"levels\"", "\"black\": [",
          "\"name\": \"Skin\"", "\"deltaE2000\"", "\"plugin\": 0.2", "\"reductionFactor\": 1"})
        EXPECT_NE(json.find(key), std::string::npos) << key;
    // The skin sample moves towards its ideal.
    const size_t at = json.find("\"before\": ");
    ASSERT_NE(at, std::string::npos);
    const double before = std::atof(json.c_str() + at + 10);
    const double after = std::atof(json.c_str() + json.find("\"after\": ") + 9);
    EXPECT_LT(after, before);
    // A folder that does not exist: one line, no file.
    EXPECT_NE(WriteCorrectionReport(dir + "none/r.json", photo, nullptr, settings.pars, times), "");
    EXPECT_FALSE(FileExists(dir + "none/r.json"));
}

// The exported profile, read by an independent engine, turns device grey
// into neutral Lab that rises with the input.
TEST_F(CorrectionModelTest, AnotherEngineReadsTheExportedProfile) {
    const std::string dir = MakeTempFolder("export");
    BatchSettings settings = Settings(false);
    settings.pars.doAutoBlack = settings.pars.doAutoWhite = settings.pars.doAutoMidGray = 0;
    ASSERT_EQ(ExportCorrectionIcc(dir + "c.icc", photo, nullptr, settings.pars), "");
    cmsHPROFILE profile = cmsOpenProfileFromFile((dir + "c.icc").c_str(), "r");
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(cmsGetDeviceClass(profile), cmsSigInputClass);
    EXPECT_EQ(cmsGetColorSpace(profile), cmsSigRgbData);
    EXPECT_TRUE(cmsIsTag(profile, cmsSigAToB0Tag));
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM t =
        cmsCreateTransform(profile, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_PERCEPTUAL, 0);
    ASSERT_NE(t, nullptr);
    double last = -1;
    for (int v : {32, 96, 160, 224}) {
        const uint8_t rgb[3] = {uint8_t(v), uint8_t(v), uint8_t(v)};
        cmsCIELab out;
        cmsDoTransform(t, rgb, &out, 1);
        EXPECT_GT(out.L, last) << v;
        EXPECT_NEAR(out.a, 0, 1.0) << v;
        EXPECT_NEAR(out.b, 0, 1.0) << v;
        last = out.L;
    }
    cmsDeleteTransform(t);
    cmsCloseProfile(lab);
    cmsCloseProfile(profile);
    EXPECT_NE(ExportCorrectionIcc(dir + "none/c.icc", photo, nullptr, settings.pars), "");
    EXPECT_FALSE(FileExists(dir + "none/c.icc"));
}

// Another program applies our .cube to the photograph and finds the plug-in's
// correction, within the interpolation between the 33 nodes.
TEST_F(CorrectionModelTest, FfmpegAppliesTheCubeAsThePluginCorrects) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed (scripts/setup.sh test installs it)";
    const std::string dir = MakeTempFolder("cube");
    BatchSettings settings = Settings(true);
    settings.pars.doAutoBlack = settings.pars.doAutoWhite = settings.pars.doAutoMidGray = 0;
    settings.pars.brightness = 0.65f;
    settings.pars.contrast = 0.6f;
    ASSERT_EQ(ExportCorrectionCube(dir + "c.cube", photo, nullptr, settings.pars), "");
    const std::string line = "ffmpeg -loglevel error -y -i " + PhotoFolder() +
                             "astronaut.png -vf lut3d=file=" + dir +
                             "c.cube:interp=tetrahedral -pix_fmt rgb24 " + dir + "ffmpeg.png";
    ASSERT_EQ(std::system(line.c_str()), 0);
    ImageBuffer theirs, ours = photo;
    ASSERT_EQ(ReadImageFile(dir + "ffmpeg.png", &theirs), "");
    BatchRun run = {false, false, false, 0};
    ASSERT_EQ(RunCorrection(PluginMain, settings, "photo", nullptr, &ours, &run), "");
    ASSERT_EQ(theirs.pixels.size(), ours.pixels.size());
    int largest = 0;
    double sum = 0;
    for (size_t i = 0; i < ours.pixels.size(); ++i) {
        const int d = std::abs(int(theirs.pixels[i]) - int(ours.pixels[i]));
        largest = std::max(largest, d);
        sum += d;
    }
    EXPECT_LE(largest, 2);
    std::printf("ffmpeg lut3d against the plug-in: max %d, mean %.3f levels\n", largest,
                sum / double(ours.pixels.size()));
}

}  // namespace
