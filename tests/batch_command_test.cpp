// The batch command as a user runs it: PNG, TIFF and JPEG files through the
// plug-in, refusals and errors that leave every file as it was.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "apps/vantoria/image_io.h"
#include "editor/settings_file.h"
#include "editor/stored_prefs.h"
#include "tests/support/png_read.h"
#include "tests/support/prefs_samples.h"
#include "tests/support/test_support.h"
#include "ui/state.h"

namespace {

// The command sits beside the plug-in module (builds without apps register
// no batch tests that run).
std::string Command() {
    const char* plugin = std::getenv("VANTORIA_PLUGIN");
    if (plugin == nullptr) return std::string();
    std::string dir(plugin);
    dir = dir.substr(0, dir.rfind('/') + 1);
    const std::string command = dir + "vantoria";
    return FileExists(command) ? command : std::string();
}

// Runs the command; its error output goes to errors when given.
int RunCommand(const std::string& arguments, const std::string& errors = "/dev/null") {
    const std::string line = Command() + " " + arguments + " >/dev/null 2>" + errors;
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint8_t> SrgbProfile() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(srgb, nullptr, &size);
    std::vector<uint8_t> profile(size);
    cmsSaveProfileToMem(srgb, profile.data(), &size);
    cmsCloseProfile(srgb);
    return profile;
}

// 8-bit samples: gradients, and an alpha plane running from clear to opaque.
ImageBuffer Gradient8(int32_t width, int32_t height, int32_t planes) {
    ImageBuffer im;
    im.width = width;
    im.height = height;
    im.planes = planes;
    im.depth = 8;
    im.pixels.resize(size_t(im.RowBytes()) * size_t(height));
    for (size_t i = 0; i < im.pixels.size(); ++i) {
        const size_t pixel = i / size_t(planes), plane = i % size_t(planes);
        im.pixels[i] = uint8_t(plane == 3 ? pixel * 255 / (im.pixels.size() / size_t(planes))
                                          : pixel * (plane + 1) + plane * 40);
    }
    return im;
}

// A 16-bit RGBA TIFF holding every 16-bit value once in its red and alpha
// planes, written as another program would, not by the command's own writer.
uint16_t EveryValue(uint32_t x, uint32_t y, uint32_t plane) {
    const uint32_t v = y * 256 + x;
    const uint32_t values[4] = {v, 65535 - v, x * 257, v};
    return uint16_t(values[plane]);
}

bool WriteEveryValueTiff(const std::string& path, const std::vector<uint8_t>& profile) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) return false;
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 256u) &&
              TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 256u) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16) &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4) &&
              TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_ICCPROFILE, uint32_t(profile.size()), profile.data());
    std::vector<uint16_t> row(256 * 4);
    for (uint32_t y = 0; ok && y < 256; ++y) {
        for (uint32_t i = 0; i < row.size(); ++i) row[i] = EveryValue(i / 4, y, i % 4);
        ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

uint16_t Sample16(const ImageBuffer& im, size_t i) {
    uint16_t v;
    std::memcpy(&v, &im.pixels[i * 2], 2);
    return v;
}

class BatchCommandTest : public ::testing::Test {
  protected:
    std::string dir;
    void SetUp() override {
        ASSERT_FALSE(Command().empty()) << "no batch command beside the plug-in module "
                                        << "(VANTORIA_PLUGIN); build the target vantoria_batch";
        dir = MakeTempFolder("batch");
    }
};

TEST_F(BatchCommandTest, BadRequestsLeaveEveryFileAsItWas) {
    const std::string photo = dir + "photo.png", out = dir + "out.png";
    ASSERT_EQ(RunCommand("--synthetic 8x8 " + photo), 0);
    std::vector<uint8_t> original;
    ASSERT_TRUE(ReadWholeFile(photo, &original));
    std::vector<uint8_t> damaged(original.begin(), original.begin() + long(original.size() / 2));
    ASSERT_TRUE(WriteWholeFile(dir + "damaged.png", damaged));
    ASSERT_TRUE(WriteWholeFile(dir + "text.png", std::vector<uint8_t>(40, 'x')));

    const struct {
        std::string arguments;
        int exit;
    } cases[] = {
        {photo + " " + photo, 1},  // never overwrites its input
        {"--save-settings " + photo + " " + photo + " " + out, 1},
        {"--report " + photo + " " + photo + " " + out, 1},
        {"--save-settings " + photo + "/s.txt " + photo + " " + out, 1},
        {"--report " + dir + "none/r.json " + photo + " " + out, 1},
        {dir + "damaged.png " + out, 1},
        {dir + "text.png " + out, 1},
        {dir + "missing.png " + out, 1},
        {"--plugin " + dir + "nothing.so " + photo + " " + out, 1},
        {"", 2},
        {photo, 2},
        {"--synthetic 0x5 " + out, 2},
        {"--synthetic 5x5x12 " + out, 2},
        {"--bogus " + photo + " " + out, 2},
        {"--auto-black 1.5 " + photo + " " + out, 2},  // an amount is 0..1
        {"--sharpen 0 " + photo + " " + out, 2},
        {"--jobs 0 -o " + dir + " " + photo, 2},
        {"--neutral-sample 3 " + photo + " " + out, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunCommand(c.arguments), c.exit) << c.arguments;
        EXPECT_FALSE(FileExists(out)) << c.arguments;
        EXPECT_FALSE(FileExists(out + ".part")) << c.arguments;
        std::vector<uint8_t> now;
        ASSERT_TRUE(ReadWholeFile(photo, &now));
        EXPECT_EQ(now, original) << c.arguments;
    }
}

// Each failure says so in one line of its own and leaves no file behind.
TEST_F(BatchCommandTest, FailuresSayWhyInOneLine) {
    const std::string png = dir + "in.png", rgba = dir + "rgba.png", tif = dir + "in.tif";
    ASSERT_EQ(WriteImageFile(png, Gradient8(8, 8, 3)), "");
    ASSERT_EQ(WriteImageFile(rgba, Gradient8(8, 8, 4)), "");
    ASSERT_EQ(WriteImageFile(tif, Gradient8(64, 64, 3)), "");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(tif, &bytes));
    bytes.resize(bytes.size() / 2);
    ASSERT_TRUE(WriteWholeFile(dir + "cut.tif", bytes));
    ASSERT_TRUE(WriteWholeFile(dir + "text.jpg", std::vector<uint8_t>(64, 'x')));
    ASSERT_TRUE(WriteWholeFile(dir + "file.txt", std::vector<uint8_t>(4, 'x')));
    ASSERT_TRUE(WriteWholeFile(dir + "in.bmp", std::vector<uint8_t>(64, 'x')));

    const struct {
        std::string arguments, output, says;
    } cases[] = {
        {dir + "cut.tif", dir + "out.png", "TIFF"},
        {dir + "text.jpg", dir + "out.png", "damaged"},
        {dir + "in.bmp", dir + "out.png", "unknown file type"},
        {png, dir + "out.bmp", "unknown file type"},
        {png, dir + "file.txt/out.png", "Not a directory"},
        {png, dir + "no-folder/out.tif", "No such file"},
        {"--settings " + dir + "missing.txt " + png, dir + "out.png", "missing.txt"},
        {"--settings " + dir + "file.txt " + png, dir + "out.png", "settings file"},
        {"--neutral-sample 8,2 " + png, dir + "out.png", "outside the image"},
        {"--sample Foliage:1,1 --neutral " + png, dir + "out.png", "no memory colour named"},
        {"--mask " + tif + " " + png, dir + "out.png", "not the input's size"},
        {"--working-space " + dir + "file.txt " + png, dir + "out.png", "no matrix/TRC"},
        {"--memory-colours " + dir + "file.txt " + png, dir + "out.png", "memory colour file"},
        {rgba, dir + "out.jpg", "JPEG"},
        // Refused before the plug-in is loaded: no work done for nothing.
        {"--plugin " + dir + "nothing.so --synthetic 4x4x16", dir + "out.jpg", "JPEG"},
        {"--plugin " + dir + "nothing.so " + png, dir + "file.txt/out.png", "Not a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments + " " + c.output);
        const std::string errors = dir + "errors.txt";
        EXPECT_EQ(RunCommand(c.arguments + " " + c.output, errors), 1);
        std::vector<uint8_t> text;
        ASSERT_TRUE(ReadWholeFile(errors, &text));
        const std::string said(text.begin(), text.end());
        EXPECT_EQ(said.rfind("vantoria: ", 0), 0u) << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
        EXPECT_FALSE(FileExists(c.output));
        EXPECT_FALSE(FileExists(c.output + ".part"));
    }
}

// ---- Corrections of real photographs -------------------------------------------------

// A photograph of the sample folder as the command's own image.
ImageBuffer Photo(const char* name) {
    ImageBuffer im;
    EXPECT_EQ(ReadImageFile(PhotoFolder() + name, &im), "") << "scripts/fetch-photos.sh fetches it";
    return im;
}

// The mean of channel c over the image (interface scale).
double Mean(const ImageBuffer& im, int32_t c) {
    double sum = 0;
    const size_t pixels = size_t(im.width) * size_t(im.height);
    for (size_t i = 0; i < pixels; ++i)
        sum += im.depth == 8 ? im.pixels[i * size_t(im.planes) + size_t(c)]
                             : Sample16(im, i * size_t(im.planes) + size_t(c));
    return sum / double(pixels);
}

// The photograph squeezed into the middle of the range with a warm cast:
// red raised, blue lowered.
ImageBuffer Flattened(const ImageBuffer& photo, int32_t depth) {
    ImageBuffer im = photo;
    im.depth = depth;
    im.pixels.assign(size_t(im.RowBytes()) * size_t(im.height), 0);
    const double scale = depth == 8 ? 1.0 : 32768.0 / 255.0;
    for (size_t i = 0; i < size_t(photo.width) * size_t(photo.height) * 3; ++i) {
        const double cast[3] = {1.12, 1.0, 0.86};
        const double v = (64 + photo.pixels[i] * 0.5) * cast[i % 3] * scale;
        if (depth == 8) {
            im.pixels[i] = uint8_t(v + 0.5);
        } else {
            const uint16_t s = uint16_t(v + 0.5);
            std::memcpy(&im.pixels[i * 2], &s, 2);
        }
    }
    return im;
}

// A switch's value may be left out; one is taken only when the next
// argument is a number, so a file name after a switch stays a file name.
TEST_F(BatchCommandTest, SwitchesTakeAnOptionalValue) {
    const std::string in = dir + "in.png", out = dir + "out.png", said = dir + "said.txt";
    ASSERT_EQ(RunCommand("--synthetic 16x16 " + in), 0);
    const std::string sky = dir + "sky.txt", foliage = dir + "foliage.txt";
    const std::string skyColour = "1 230 40 0.0 Sky\n";
    const std::string leaves = "LCHab\n40 30 120\n55 35 125\n70 30 130\n";
    ASSERT_TRUE(WriteWholeFile(sky, std::vector<uint8_t>(skyColour.begin(), skyColour.end())));
    ASSERT_TRUE(WriteWholeFile(foliage, std::vector<uint8_t>(leaves.begin(), leaves.end())));
    const struct {
        std::string arguments, says;
    } cases[] = {
        // Memory colours from files, named by the file and by its name;
        // a sample goes into the bin of that name.
        {"--neutral --memory-colours " + sky + " --sample Sky:3,3", "memory colour 'Sky':"},
        {"--neutral --measurements " + foliage, "memory colour 'foliage'"},
        {"--neutral --skin-sample 3,3", "memory colour 'Skin':"},
        {"--neutral --auto-black 0.25 --sharpen 9 --auto-white", "autoBlackAmount=0.25"},
        {"--neutral --auto-black 0.25 --sharpen 9 --auto-white", "sharpenStrength=9"},
        {"--neutral --auto-black 0.25 --sharpen 9 --auto-white", "autoWhiteAmount=1"},
        {"--neutral --sharpen", "sharpenStrength=6"},
        {"--neutral --auto-midgrey .5", "autoMidGrayAmount=0.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string line = Command() + " " + c.arguments + " " + in + " " + out + " >" + said;
        ASSERT_EQ(std::system(line.c_str()), 0);
        std::vector<uint8_t> text;
        ASSERT_TRUE(ReadWholeFile(said, &text));
        EXPECT_NE(std::string(text.begin(), text.end()).find(c.says), std::string::npos);
    }
}

// Neutral settings leave pixels alone, so what comes back is what the files
// carry: a synthetic PNG byte for byte at both depths; a photograph as an
// 8-bit PNG and as a 16-bit TIFF that holds what the interface's 0..32768
// can carry (its levels times 128, as a file that has been through an editor
// once); the alpha plane, the profile and 8-bit samples in every format
// written; a JPEG's decoded samples. The interface holds 16-bit samples as
// 0..32768, so a file's 65536 levels pass through 32769: every sample comes
// back within one level, and the same again once it has been through the
// command. The filtering pass takes colour samples of 32768 as 32767, so
// white (65534 and 65535 in the file) comes back as 65533; the alpha plane
// passes through untouched, white too.
enum class Kept { kFileBytes, kSamples, kWithinOneLevel };

void ExpectWithinOneLevel(ImageBuffer out) {
    ASSERT_EQ(out.width, 256);
    ASSERT_EQ(out.height, 256);
    ASSERT_EQ(out.planes, 4);
    ASSERT_EQ(out.depth, 16);
    Convert16(&out, FromInterface16);  // the file's values
    size_t changed = 0;
    for (size_t i = 0; i < out.pixels.size() / 2; ++i) {
        const uint32_t plane = uint32_t(i % 4), x = uint32_t(i / 4 % 256), y = uint32_t(i / 1024);
        const int a = EveryValue(x, y, plane), b = Sample16(out, i);
        if (plane < 3 && a >= 65534) {
            ASSERT_EQ(b, 65533) << "sample " << i;
            continue;
        }
        ASSERT_LE(std::abs(a - b), 1) << "sample " << i << " of " << a;
        changed += a != b;
    }
    // Levels come back unchanged or one apart in about equal numbers.
    EXPECT_GT(changed, out.pixels.size() / 2 / 4);
    EXPECT_LT(changed, out.pixels.size() / 2 * 3 / 4);
}

TEST_F(BatchCommandTest, NeutralSettingsPassEveryKindThrough) {
    const ImageBuffer photo = Photo("astronaut.png");
    ImageBuffer wide = photo;
    wide.depth = 16;
    wide.pixels.assign(size_t(wide.RowBytes()) * size_t(wide.height), 0);
    for (size_t i = 0; i < photo.pixels.size(); ++i) {
        const uint16_t s = uint16_t(photo.pixels[i] * 128);
        std::memcpy(&wide.pixels[i * 2], &s, 2);
    }
    ASSERT_EQ(WriteImageFile(dir + "wide.tif", wide), "");
    ImageBuffer rgba = Gradient8(37, 23, 4), rgb = Gradient8(40, 30, 3);
    rgba.iccProfile = rgb.iccProfile = SrgbProfile();
    ASSERT_EQ(WriteImageFile(dir + "rgba.png", rgba), "");
    ASSERT_EQ(WriteImageFile(dir + "in.jpg", rgb), "");
    ASSERT_TRUE(WriteEveryValueTiff(dir + "every.tif", rgba.iccProfile));
    ASSERT_EQ(RunCommand("--synthetic 31x17 " + dir + "synthetic8.png"), 0);
    ASSERT_EQ(RunCommand("--synthetic 31x17x16 " + dir + "synthetic16.png"), 0);

    const struct {
        std::string in, out;
        Kept kept;
    } cases[] = {
        {dir + "synthetic8.png", dir + "s8.png", Kept::kFileBytes},
        {dir + "synthetic16.png", dir + "s16.png", Kept::kFileBytes},
        {PhotoFolder() + "astronaut.png", dir + "photo.png", Kept::kSamples},
        {dir + "wide.tif", dir + "wide-out.tif", Kept::kSamples},
        {dir + "rgba.png", dir + "rgba.png.png", Kept::kSamples},
        {dir + "rgba.png", dir + "rgba.tif", Kept::kSamples},
        {dir + "in.jpg", dir + "jpg.png", Kept::kSamples},
        {dir + "every.tif", dir + "every-out.tif", Kept::kWithinOneLevel},
        {dir + "every.tif", dir + "every-out.png", Kept::kWithinOneLevel},
        {dir + "every-out.tif", dir + "every-again.tif", Kept::kSamples},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in + " to " + c.out);
        ASSERT_EQ(RunCommand("--neutral " + c.in + " " + c.out), 0);
        if (c.kept == Kept::kFileBytes) {
            std::vector<uint8_t> a, b;
            ASSERT_TRUE(ReadWholeFile(c.in, &a));
            ASSERT_TRUE(ReadWholeFile(c.out, &b));
            EXPECT_GT(a.size(), 8u);
            EXPECT_EQ(a, b);
            continue;
        }
        ImageBuffer a, b;
        ASSERT_EQ(ReadImageFile(c.in, &a), "");
        ASSERT_EQ(ReadImageFile(c.out, &b), "");
        EXPECT_EQ(b.iccProfile, a.iccProfile);
        if (c.kept == Kept::kWithinOneLevel) {
            EXPECT_EQ(b.iccProfile, rgba.iccProfile);
            ExpectWithinOneLevel(b);
            continue;
        }
        ASSERT_EQ(b.depth, a.depth);
        ASSERT_EQ(b.planes, a.planes);
        EXPECT_EQ(b.pixels, a.pixels);
    }
}

// What the command did, saved as a settings file and loaded again, does the
// same again: the file carries every setting and the eyedropper samples.
TEST_F(BatchCommandTest, SavedSettingsReplayTheRun) {
    const std::string in = PhotoFolder() + "astronaut.png";
    const std::string settings = dir + "settings.txt";
    ASSERT_EQ(
        RunCommand(
            "--neutral --brightness 30 --contrast 20 --skin-sample 250,180 --sharpen 9 --noise "
            "--auto-midgrey --save-settings " +
            settings + " " + in + " " + dir + "first.png"),
        0);
    ASSERT_EQ(RunCommand("--settings " + settings + " " + in + " " + dir + "again.png"), 0);
    ImageBuffer first, again, original;
    ASSERT_EQ(ReadImageFile(dir + "first.png", &first), "");
    ASSERT_EQ(ReadImageFile(dir + "again.png", &again), "");
    ASSERT_EQ(ReadImageFile(in, &original), "");
    EXPECT_EQ(first.pixels, again.pixels);
    EXPECT_NE(first.pixels, original.pixels);
}

// The embedded default stretches a flattened photograph to the whole range,
// and a neutral sample on the white of the suit takes a warm cast away, at
// both depths.
TEST_F(BatchCommandTest, AutomaticLevelsAndANeutralSampleCorrectAFlatWarmPhotograph) {
    const ImageBuffer photo = Photo("astronaut.png");
    for (int32_t depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const ImageBuffer flat = Flattened(photo, depth);
        const std::string in = dir + "flat.tif";
        ASSERT_EQ(WriteImageFile(in, flat), "");
        ASSERT_EQ(RunCommand(in + " " + dir + "auto.tif"), 0);
        ImageBuffer stretched;
        ASSERT_EQ(ReadImageFile(dir + "auto.tif", &stretched), "");
        const double full = depth == 8 ? 255 : 32768;
        // The green channel's mean moves away from the middle of the range
        // less than its spread grows: compare the darkest and lightest rows.
        double lo = full, hi = 0;
        for (size_t i = 1; i < size_t(flat.width) * size_t(flat.height) * 3; i += 3) {
            const double v = depth == 8 ? stretched.pixels[i] : Sample16(stretched, i);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        EXPECT_LT(lo, full * 0.15);
        EXPECT_GT(hi, full * 0.85);

        // The suit at (170, 400) is white: with a neutral sample there the
        // red-blue difference of the whole image shrinks.
        ASSERT_EQ(RunCommand("--neutral --neutral-sample 170,400 " + in + " " + dir + "grey.tif"),
                  0);
        ImageBuffer grey;
        ASSERT_EQ(ReadImageFile(dir + "grey.tif", &grey), "");
        const double before = Mean(flat, 0) - Mean(flat, 2);
        const double after = Mean(grey, 0) - Mean(grey, 2);
        EXPECT_GT(before, full * 0.05);
        EXPECT_LT(std::abs(after), before * 0.5) << before << " -> " << after;
    }
}

// A mask limits the change: where it is black the pixels stay.
TEST_F(BatchCommandTest, AMaskLimitsTheChange) {
    const ImageBuffer flat = Flattened(Photo("astronaut.png"), 8);
    ASSERT_EQ(WriteImageFile(dir + "flat.png", flat), "");
    ImageBuffer mask = flat;
    for (int32_t y = 0; y < mask.height; ++y)
        for (int32_t x = 0; x < mask.width; ++x)
            for (int32_t c = 0; c < 3; ++c)
                mask.pixels[(size_t(y) * size_t(mask.width) + size_t(x)) * 3 + size_t(c)] =
                    x < mask.width / 2 ? 255 : 0;
    ASSERT_EQ(WriteImageFile(dir + "mask.png", mask), "");
    ASSERT_EQ(RunCommand("--mask " + dir + "mask.png " + dir + "flat.png " + dir + "out.png"), 0);
    ImageBuffer out;
    ASSERT_EQ(ReadImageFile(dir + "out.png", &out), "");
    size_t changedLeft = 0, changedRight = 0;
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x) {
            const size_t i = (size_t(y) * size_t(out.width) + size_t(x)) * 3;
            const bool changed = std::memcmp(&out.pixels[i], &flat.pixels[i], 3) != 0;
            (x < out.width / 2 ? changedLeft : changedRight) += changed;
        }
    EXPECT_GT(changedLeft, size_t(out.width) * size_t(out.height) / 4);
    EXPECT_EQ(changedRight, 0u);
}

// Two inputs of one name would share their result's name: refused before
// any work.
TEST_F(BatchCommandTest, AFolderRunRefusesInputsOfOneName) {
    ASSERT_EQ(mkdir((dir + "a").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((dir + "out").c_str(), 0700), 0);
    ASSERT_EQ(RunCommand("--synthetic 8x8 " + dir + "x.png"), 0);
    ASSERT_EQ(RunCommand("--synthetic 16x16 " + dir + "a/x.png"), 0);
    const std::string errors = dir + "errors.txt";
    EXPECT_EQ(RunCommand("-o " + dir + "out " + dir + "x.png " + dir + "a/x.png", errors), 1);
    std::vector<uint8_t> text;
    ASSERT_TRUE(ReadWholeFile(errors, &text));
    EXPECT_NE(std::string(text.begin(), text.end()).find("two inputs are named x.png"),
              std::string::npos);
    EXPECT_FALSE(FileExists(dir + "out/x.png"));
}

// Several files into a folder, two at a time, each as a single run makes it.
TEST_F(BatchCommandTest, SeveralFilesIntoAFolder) {
    const std::string folder = PhotoFolder();
    ASSERT_EQ(
        RunCommand("--neutral --brightness 20 " + folder + "astronaut.png " + dir + "single.png"),
        0);
    ASSERT_EQ(mkdir((dir + "out").c_str(), 0700), 0);
    ASSERT_EQ(RunCommand("--neutral --brightness 20 --jobs 2 -o " + dir + "out " + folder +
                         "astronaut.png " + folder + "coffee.png " + folder + "chelsea.png"),
              0);
    std::vector<uint8_t> single, inFolder;
    ASSERT_TRUE(ReadWholeFile(dir + "single.png", &single));
    ASSERT_TRUE(ReadWholeFile(dir + "out/astronaut.png", &inFolder));
    EXPECT_EQ(single, inFolder);
    EXPECT_TRUE(FileExists(dir + "out/coffee.png"));
    EXPECT_TRUE(FileExists(dir + "out/chelsea.png"));
    // A missing input fails alone; the others are written.
    EXPECT_EQ(RunCommand("-o " + dir + "out " + dir + "missing.png " + folder + "coffee.png"), 1);
}

// Ctrl-C reaches the plug-in as an abort: exit status 130, nothing written
// and an earlier result left as it was, whether it comes during the
// filtering pass or once the output is complete but not yet renamed. The
// command's test hook interrupts it at each of these points.
TEST_F(BatchCommandTest, AnInterruptStopsTheRunAndWritesNothing) {
    const std::string out = dir + "out.tif";
    const std::string settings = dir + "settings.txt";
    ASSERT_EQ(RunCommand("--synthetic 8x8 " + out), 0);
    std::vector<uint8_t> earlier;
    ASSERT_TRUE(ReadWholeFile(out, &earlier));
    for (const char* point : {"pass", "write"}) {
        SCOPED_TRACE(point);
        const std::string line = std::string("VANTORIA_TEST_INTERRUPT=") + point + " " + Command() +
                                 " --noise --save-settings " + settings +
                                 " --synthetic 300x200x16 " + out + " >/dev/null 2>&1";
        const int status = std::system(line.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 130);
        EXPECT_FALSE(FileExists(out + ".part"));
        std::vector<uint8_t> now;
        ASSERT_TRUE(ReadWholeFile(out, &now));
        EXPECT_EQ(now, earlier);
        EXPECT_FALSE(FileExists(settings));
    }
}

// An interrupt sent to a folder run alone is passed on to the runs it
// started, which write nothing; it waits for them before it ends. Each run
// interrupts the folder run during its pass (the test hook) and goes on
// unless the interrupt comes back to it.
TEST_F(BatchCommandTest, AnInterruptStopsAFolderRun) {
    const std::string a = dir + "a.png", b = dir + "b.png", out = dir + "out";
    ASSERT_EQ(RunCommand("--neutral --synthetic 300x200x16 " + a), 0);
    ASSERT_EQ(RunCommand("--neutral --synthetic 200x300x16 " + b), 0);
    ASSERT_EQ(mkdir(out.c_str(), 0700), 0);
    const std::string line = "VANTORIA_TEST_INTERRUPT=folder " + Command() +
                             " --noise --jobs 2 -o " + out + " " + a + " " + b + " >/dev/null 2>&1";
    const int status = std::system(line.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    for (const char* name : {"/a.png", "/b.png", "/a.png.part", "/b.png.part"})
        EXPECT_FALSE(FileExists(out + name)) << name;
}

// The working space comes from the input's matrix profile, else the default;
// --working-space PROFILE takes it from a profile file instead.
TEST_F(BatchCommandTest, TheWorkingSpaceOfTheEmbeddedProfile) {
    ImageBuffer rgb = Flattened(Photo("astronaut.png"), 8);
    rgb.iccProfile.clear();
    ASSERT_EQ(WriteImageFile(dir + "plain.png", rgb), "");
    rgb.iccProfile = SrgbProfile();
    ASSERT_EQ(WriteImageFile(dir + "srgb.png", rgb), "");
    ASSERT_TRUE(WriteWholeFile(dir + "srgb.icc", rgb.iccProfile));
    // A wide space: the same sample moves the colours otherwise.
    const std::string sample = "--neutral --neutral-sample 170,400 ";
    ASSERT_EQ(RunCommand(sample + dir + "srgb.png " + dir + "embedded.png"), 0);
    ASSERT_EQ(RunCommand(sample + "--working-space " + dir + "srgb.icc " + dir + "plain.png " +
                         dir + "named.png"),
              0);
    ASSERT_EQ(RunCommand(sample +
                         "--working-space 1.8,0.7347,0.2653,0.1596,0.8404,0.0366,"
                         "0.0001,0.3457,0.3585 " +
                         dir + "plain.png " + dir + "wide.png"),
              0);
    ImageBuffer embedded, named, wide;
    ASSERT_EQ(ReadImageFile(dir + "embedded.png", &embedded), "");
    ASSERT_EQ(ReadImageFile(dir + "named.png", &named), "");
    ASSERT_EQ(ReadImageFile(dir + "wide.png", &wide), "");
    EXPECT_EQ(embedded.pixels, named.pixels);
    EXPECT_NE(embedded.pixels, wide.pixels);
    for (const char* name : {"plain.png", "srgb.png"}) {
        const std::string said = dir + "said.txt";
        const std::string line = Command() + " " + dir + name + " " + dir + "out.png >" + said;
        ASSERT_EQ(std::system(line.c_str()), 0);
        std::vector<uint8_t> text;
        ASSERT_TRUE(ReadWholeFile(said, &text));
        const bool embedded =
            std::string(text.begin(), text.end()).find("input's profile") != std::string::npos;
        EXPECT_EQ(embedded, std::string(name) == "srgb.png") << name;
    }
}

// A run stores its settings as the previous ones, as a replay does; the
// user's start mode (custom here, whose settings the run does not take),
// custom settings, their name and folder stay as they were.
TEST_F(BatchCommandTest, ARunLeavesTheUsersCustomSettings) {
    const std::string config = dir + "config", folder = config + "/Quorvane/";
    ASSERT_EQ(mkdir(config.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    char name[64];
    ASSERT_EQ(Ui_ResToCString(nullptr, kStrPrefsFileName, name, sizeof name), kUiOk);
    const std::string path = folder + name;
    PrefsRecord user = ChangedPrefs();
    ASSERT_EQ(Ui_Prefs_WriteAll(nullptr, path.c_str(), kUiPrefsFileKind, WriteStoredPrefs, &user),
              kUiOk);
    const std::string line = "XDG_CONFIG_HOME=" + config + " " + Command() +
                             " --neutral --brightness 30 --synthetic 40x30 " + dir +
                             "out.png >/dev/null 2>&1";
    ASSERT_EQ(std::system(line.c_str()), 0);
    UiState* state = nullptr;
    ASSERT_EQ(Ui_State_Open(&state, nullptr, nullptr, kStrProductName, 0), kUiOk);
    PrefsRecord stored = DefaultPrefs();
    EXPECT_EQ(
        Ui_Prefs_ReadAll(state, path.c_str(), kUiPrefsFileKind, ReadStoredPref, nullptr, &stored),
        kUiOk);
    Ui_State_Close(&state);
    EXPECT_EQ(stored.startMode, uint32_t(kStartCustom));
    EXPECT_FLOAT_EQ(stored.previous.brightness, 0.65f);
    EXPECT_EQ(stored.custom.brightness, 0.25f);
    EXPECT_EQ(stored.custom.sharpenStrength, 12);
    EXPECT_STREQ(stored.settingsName, "Portraits.txt");
    EXPECT_STREQ(stored.customFolder, "/home/user/settings/");
}

// --diagnostics switches the plug-in's trace on.
TEST_F(BatchCommandTest, DiagnosticsWriteTheTrace) {
    const std::string config = dir + "config";
    const std::string line = "XDG_CONFIG_HOME=" + config + " " + Command() +
                             " --diagnostics --synthetic 40x30 " + dir + "out.png >/dev/null 2>&1";
    ASSERT_EQ(std::system(line.c_str()), 0);
    std::vector<uint8_t> trace;
    ASSERT_TRUE(ReadWholeFile(config + "/Quorvane/QuorvaneDebug.txt", &trace));
    const std::string text(trace.begin(), trace.end());
    EXPECT_NE(text.find("DoStart..."), std::string::npos);
    EXPECT_NE(text.find("ReadReducedImage..."), std::string::npos);
}

// ---- Settings files, the command line's conventions, folder runs ---------------------

// Runs a shell line; its standard output and error go to out and err.
int RunLine(const std::string& line, std::string* out, std::string* err) {
    const std::string folder = MakeTempFolder("said");
    const int status =
        std::system((line + " >" + folder + "out.txt 2>" + folder + "err.txt").c_str());
    std::vector<uint8_t> text;
    EXPECT_TRUE(ReadWholeFile(folder + "out.txt", &text));
    out->assign(text.begin(), text.end());
    EXPECT_TRUE(ReadWholeFile(folder + "err.txt", &text));
    err->assign(text.begin(), text.end());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string WrittenSettings(const EditPars& pars, const std::string& path) {
    EXPECT_EQ(WriteCustomSettings(&pars, path.c_str()), kUiOk);
    std::vector<uint8_t> text;
    EXPECT_TRUE(ReadWholeFile(path, &text));
    return std::string(text.begin(), text.end());
}

// Settings as the editor saves them: automatic levels on with the amount
// it never changes (0), a sharpen of strength 0 with a mode of its own,
// noise removal with radii 0. The command applies them as stored; only
// what the command line names changes, and --auto-white without a value
// keeps the stored amount as the editor's check box does.
TEST_F(BatchCommandTest, SettingsFilesApplyAsStored) {
    EditPars stored;
    ASSERT_EQ(SetDefaultEditPars(&stored, kDefaultPredefinedBins), kUiOk);
    stored.doAutoBlack = stored.doAutoMidGray = 1;
    stored.autoWhiteAmount = 0.3f;
    stored.doSharpen = 1;
    stored.sharpenMode = 2;
    stored.doRemoveNoise = 1;
    stored.noiseExtra = 2;
    stored.noiseThreshold[1] = stored.noiseThreshold[2] = 5;
    const std::string file = dir + "stored.txt", saved = dir + "saved.txt";
    const std::string text = WrittenSettings(stored, file);
    const struct {
        const char* options;
        void (*change)(EditPars*);
    } cases[] = {
        {"", [](EditPars*) {}},
        {"--auto-white", [](EditPars* p) { p->doAutoWhite = 1; }},
        {"--auto-black 0.5", [](EditPars* p) { p->autoBlackAmount = 0.5f; }},
        {"--no-auto-midgrey", [](EditPars* p) { p->doAutoMidGray = 0; }},
        {"--sharpen 9", [](EditPars* p) { p->sharpenStrength = 9; }},
        {"--no-noise", [](EditPars* p) { p->doRemoveNoise = 0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        std::remove(saved.c_str());
        ASSERT_EQ(RunCommand("--settings " + file + " " + c.options + " --save-settings " + saved +
                             " --synthetic 40x30 " + dir + "out.png"),
                  0);
        EditPars expected = stored;
        c.change(&expected);
        std::vector<uint8_t> back;
        ASSERT_TRUE(ReadWholeFile(saved, &back));
        EXPECT_EQ(std::string(back.begin(), back.end()),
                  WrittenSettings(expected, dir + "expected.txt"));
    }
    std::vector<uint8_t> back;
    ASSERT_TRUE(ReadWholeFile(file, &back));
    EXPECT_EQ(std::string(back.begin(), back.end()), text);
}

// A settings file that ends after its memory colours (written before there
// was a sharpen / noise section) loads with those filters off; one cut inside
// that section is refused, and nothing is written.
TEST_F(BatchCommandTest, SettingsFilesOlderThanTheFilterSection) {
    EditPars stored;
    ASSERT_EQ(SetDefaultEditPars(&stored, kDefaultPredefinedBins), kUiOk);
    stored.brightness = 0.6f;
    stored.doSharpen = 1;
    stored.sharpenStrength = 9;
    const std::string text = WrittenSettings(stored, dir + "whole.txt");
    const size_t section = text.find("-----\n");
    ASSERT_NE(section, std::string::npos);
    const std::string old = text.substr(0, section);
    const struct {
        const char* name;
        std::string text;
        int exit;
    } cases[] = {
        {"whole", text, 0},
        {"no section", old, 0},
        {"a blank line after the colours", old + "\n", 0},
        {"cut after the mark", old + "-----\n", 1},
        {"cut inside the section", text.substr(0, text.rfind('\n', text.size() - 2) + 1), 1},
    };
    const std::string file = dir + "settings.txt", saved = dir + "saved.txt";
    const std::string out = dir + "out.png";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteWholeFile(file, std::vector<uint8_t>(c.text.begin(), c.text.end())));
        std::remove(saved.c_str());
        std::remove(out.c_str());
        std::string said, errors;
        EXPECT_EQ(RunLine(Command() + " --settings " + file + " --save-settings " + saved +
                              " --synthetic 40x30 " + out,
                          &said, &errors),
                  c.exit)
            << errors;
        if (c.exit != 0) {
            EXPECT_NE(errors.find("settings file"), std::string::npos) << errors;
            EXPECT_NE(errors.find("data format"), std::string::npos) << errors;
            EXPECT_FALSE(FileExists(out));
            EXPECT_FALSE(FileExists(saved));
            continue;
        }
        std::vector<uint8_t> back;
        ASSERT_TRUE(ReadWholeFile(saved, &back));
        const std::string written(back.begin(), back.end());
        EXPECT_EQ(written.substr(0, section), old);
        // Without the section the sharpen stays off.
        EXPECT_EQ(written.find("-----\n1 "), c.text == text ? section : std::string::npos);
    }
}

// --working-space takes any path of an existing file as a profile, and the
// numbers only when there is no such file.
TEST_F(BatchCommandTest, TheWorkingSpaceOptionTakesAnyPathOfAFile) {
    ASSERT_TRUE(WriteWholeFile(dir + "srgb.icc", SrgbProfile()));
    const std::string numbers = "2.2,0.64,0.33,0.3,0.6,0.15,0.06,0.3127,0.329";
    ASSERT_TRUE(WriteWholeFile(dir + numbers, std::vector<uint8_t>(4, 'x')));
    const struct {
        std::string option;
        int exit;
        const char* says;
    } cases[] = {
        {"./srgb.icc", 0, "the working space ./srgb.icc"},
        {dir + "srgb.icc", 0, "srgb.icc"},
        {"srgb.icc", 0, "the working space srgb.icc"},
        {numbers, 1, "no matrix/TRC"},     // a file of that name
        {"./none.icc", 2, "GAMMA,rx,ry"},  // neither form
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        std::string said, errors;
        EXPECT_EQ(RunLine("cd " + dir + " && " + Command() + " --neutral --working-space " +
                              c.option + " --synthetic 8x8 out.png",
                          &said, &errors),
                  c.exit)
            << errors;
        EXPECT_NE((said + errors).find(c.says), std::string::npos) << said << errors;
    }
}

// A value outside its range, or of the wrong form, is a usage error (exit
// status 2) that says why in one line; the edges of the ranges are taken.
TEST_F(BatchCommandTest, ValuesOutOfRangeAreUsageErrors) {
    const std::string out = dir + "out.png";
    const auto space = [](const std::string& values) { return "--working-space " + values; };
    const std::string p = ",0.64,0.33,0.3,0.6,0.15,0.06,0.3127,0.329";  // after the gamma
    const struct {
        std::string options;
        int exit;
        const char* says;
    } cases[] = {
        // The limits are the settings table's, in the units of the option.
        {"--brightness 101", 2, "(-100 to 100)"},
        {"--brightness -100 --contrast 100", 0, ""},
        {"--contrast -101", 2, "(-100 to 100)"},
        {"--sharpen 25", 2, "(1 to 24)"},
        {"--sharpen 24", 0, ""},
        // Gamma 0.1..10; x and y 0..1, y above 0.
        {space("0.1" + p), 0, ""},
        {space("10" + p), 0, ""},
        {space("0.09" + p), 2, "gamma"},
        {space("10.01" + p), 2, "gamma"},
        {space("0" + p), 2, "gamma"},
        {space("nan" + p), 2, "gamma"},
        {space("2.2,1,0.33,0.3,0.6,0,0.06,0.3127,0.329"), 0, ""},
        {space("2.2,0.64,0.33,0,1,0.15,0.06,0.3127,0.329"), 0, ""},
        {space("2.2,1.01,0.33,0.3,0.6,0.15,0.06,0.3127,0.329"), 2, "x,y"},
        {space("2.2,0.64,0.33,0.3,0.6,-0.01,0.06,0.3127,0.329"), 2, "x,y"},
        {space("2.2,0.64,0,0.3,0.6,0.15,0.06,0.3127,0.329"), 2, "y above 0"},
        {space("2.2,0.64,0.33,0.3,1.01,0.15,0.06,0.3127,0.329"), 2, "x,y"},
        {space("2.2,0.64,0.33,0.3,0.6,0.15,0.06,0.3127,0"), 2, "y above 0"},
        {space("2.2,0.64,0.33"), 2, "GAMMA"},
        {space("2.2" + p + ",1"), 2, "GAMMA"},
        {space(dir + "none.icc"), 2, "No such file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        std::remove(out.c_str());
        std::string said, errors;
        EXPECT_EQ(RunLine(Command() + " --neutral " + c.options + " --synthetic 8x8 " + out, &said,
                          &errors),
                  c.exit);
        if (c.exit == 0) {
            EXPECT_EQ(errors, "");
            continue;
        }
        EXPECT_EQ(errors.rfind("vantoria: ", 0), 0u) << errors;
        EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
        EXPECT_FALSE(FileExists(out));
    }
}

// A folder run keeps each file's trace beside its result, named after it.
TEST_F(BatchCommandTest, DiagnosticsOfAFolderRunStayBesideTheResults) {
    ASSERT_EQ(RunCommand("--synthetic 40x30 " + dir + "a.png"), 0);
    ASSERT_EQ(RunCommand("--synthetic 30x40 " + dir + "b.png"), 0);
    ASSERT_EQ(mkdir((dir + "out").c_str(), 0700), 0);
    const std::string line = "XDG_CONFIG_HOME=" + dir + "config " + Command() +
                             " --diagnostics -o " + dir + "out " + dir + "a.png " + dir +
                             "b.png >/dev/null 2>&1";
    ASSERT_EQ(std::system(line.c_str()), 0);
    for (const char* name : {"a.png", "b.png"}) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> trace;
        ASSERT_TRUE(ReadWholeFile(dir + "out/" + name + ".QuorvaneDebug.txt", &trace));
        const std::string text(trace.begin(), trace.end());
        EXPECT_NE(text.find("DoStart..."), std::string::npos);
        EXPECT_TRUE(FileExists(dir + "out/" + name));
    }
    // The user's own preferences folder holds no trace of the folder run.
    EXPECT_FALSE(FileExists(dir + "config/Quorvane/QuorvaneDebug.txt"));
}

// --help and --version print to standard output and exit 0; "--" ends the
// options, so files whose names begin with "-" can be corrected.
TEST_F(BatchCommandTest, CommandLineConventions) {
    std::string said, errors;
    EXPECT_EQ(RunLine(Command() + " --help", &said, &errors), 0);
    EXPECT_EQ(said.rfind("usage: vantoria", 0), 0u) << said;
    EXPECT_NE(said.find("--working-space"), std::string::npos);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(RunLine(Command() + " --version", &said, &errors), 0);
    EXPECT_EQ(said, "vantoria 2.0\n");
    EXPECT_EQ(errors, "");

    ASSERT_EQ(mkdir((dir + "out").c_str(), 0700), 0);
    const std::string in = "cd " + dir + " && " + Command() + " ";
    EXPECT_EQ(RunLine(in + "--neutral --synthetic 8x8 -- -in.png", &said, &errors), 0) << errors;
    EXPECT_EQ(RunLine(in + "--neutral -- -in.png --help.png", &said, &errors), 0) << errors;
    EXPECT_EQ(RunLine(in + "--neutral -o out -- -in.png --help.png", &said, &errors), 0) << errors;
    for (const char* name : {"-in.png", "--help.png", "out/-in.png", "out/--help.png"})
        EXPECT_TRUE(FileExists(dir + name)) << name;
    EXPECT_EQ(RunLine(in + "--neutral -in.png x.png", &said, &errors), 2);
    EXPECT_NE(errors.find("unknown option -in.png"), std::string::npos) << errors;
}

// A folder run that cannot start a process for a file says so. As root the
// process limit binds only once the command runs as another user; it then
// runs from a copy in the test folder, which that user can reach.
TEST_F(BatchCommandTest, AFolderRunReportsAFailedStart) {
    ASSERT_EQ(RunCommand("--synthetic 8x8 " + dir + "in.png"), 0);
    ASSERT_EQ(std::system(("cp " + Command() + " " + dir + "vantoria").c_str()), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    std::string said, errors;
    const std::string line = "cd " + dir +
                             " && setpriv --reuid=54321 --regid=54321 --clear-groups "
                             "prlimit --nproc=1 ./vantoria --neutral -o . -- in.png";
    EXPECT_EQ(RunLine(line, &said, &errors), 1);
    EXPECT_NE(errors.find("vantoria: cannot start the run of in.png: "), std::string::npos)
        << errors;
}

// A file cut short in any format is refused: one line, status 1, no output,
// though some decoders only warn about it (and would fill the rest with grey).
TEST_F(BatchCommandTest, TruncatedFilesAreRefused) {
    ImageBuffer rgb = Gradient8(96, 64, 3);
    rgb.iccProfile = SrgbProfile();
    for (const char* ext : {"tif", "png", "jpg", "webp", "heic", "avif", "jxl"}) {
        const std::string whole = dir + "whole." + ext;
        ASSERT_EQ(WriteImageFile(whole, rgb), "") << ext;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(ReadWholeFile(whole, &bytes));
        for (size_t kept : {bytes.size() / 2, bytes.size() - 10}) {
            SCOPED_TRACE(std::string(ext) + " cut to " + std::to_string(kept));
            const std::string cut = dir + "cut." + ext, out = dir + "out.png";
            ASSERT_TRUE(WriteWholeFile(
                cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(kept))));
            const std::string errors = dir + "errors.txt";
            EXPECT_EQ(RunCommand(cut + " " + out, errors), 1);
            std::vector<uint8_t> text;
            ASSERT_TRUE(ReadWholeFile(errors, &text));
            const std::string said(text.begin(), text.end());
            EXPECT_EQ(said.rfind("vantoria: ", 0), 0u) << said;
            EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
            EXPECT_FALSE(FileExists(out));
            EXPECT_FALSE(FileExists(out + ".part"));
        }
    }
}

// An extra sample of unspecified meaning is no transparency: all zero, it
// would hide the whole image from the automatic points. The correction is
// the one of the colours alone, and the sample comes back untouched.
TEST_F(BatchCommandTest, AnUnspecifiedExtraSampleDoesNotMaskTheAnalysis) {
    const ImageBuffer flat = Flattened(Photo("astronaut.png"), 8);
    const std::string plain = dir + "plain.tif", extra = dir + "extra.tif";
    ASSERT_EQ(WriteImageFile(plain, flat), "");
    TIFF* tif = TIFFOpen(extra.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    const uint16_t kind[1] = {EXTRASAMPLE_UNSPECIFIED};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(flat.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(flat.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), kind);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    std::vector<uint8_t> row(size_t(flat.width) * 4);
    for (int32_t y = 0; y < flat.height; ++y) {
        for (int32_t x = 0; x < flat.width; ++x) {
            std::memcpy(&row[size_t(x) * 4],
                        &flat.pixels[(size_t(y) * size_t(flat.width) + size_t(x)) * 3], 3);
            row[size_t(x) * 4 + 3] = 0;
        }
        ASSERT_GE(TIFFWriteScanline(tif, row.data(), uint32_t(y), 0), 0);
    }
    TIFFClose(tif);
    ASSERT_EQ(RunCommand(plain + " " + dir + "plain-out.tif"), 0);
    ASSERT_EQ(RunCommand(extra + " " + dir + "extra-out.tif"), 0);
    EXPECT_EQ(RunCommand(extra + " " + dir + "extra-out.png"), 1);  // PNG would make it alpha
    ImageBuffer a, b;
    ASSERT_EQ(ReadImageFile(dir + "plain-out.tif", &a), "");
    ASSERT_EQ(ReadImageFile(dir + "extra-out.tif", &b), "");
    EXPECT_NE(a.pixels, flat.pixels);
    EXPECT_EQ(b.pixels, a.pixels);
    EXPECT_EQ(b.extraSamples, std::vector<uint8_t>(size_t(flat.width) * size_t(flat.height), 0));
}

}  // namespace
