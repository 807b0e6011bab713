// The batch command as a user runs it: PNG, TIFF and JPEG files through the
// plug-in, refusals and errors that leave every file as it was.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <sys/wait.h>
#include <tiffio.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "apps/vantoria/image_io.h"
#include "apps/vantoria/png_io.h"
#include "tests/support/test_support.h"

namespace {

// The command sits beside the plug-in module; builds without apps have none.
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
        if (Command().empty()) GTEST_SKIP() << "this build has no batch command";
        dir = MakeTempFolder("batch");
    }
};

TEST_F(BatchCommandTest, NeutralSettingsLeavePngUnchangedAtBothDepths) {
    for (const char* spec : {"31x17", "31x17x16"}) {
        const std::string first = dir + "first.png", second = dir + "second.png";
        ASSERT_EQ(RunCommand(std::string("--synthetic ") + spec + " " + first), 0) << spec;
        ASSERT_EQ(RunCommand("--neutral " + first + " " + second), 0) << spec;
        std::vector<uint8_t> a, b;
        ASSERT_TRUE(ReadWholeFile(first, &a));
        ASSERT_TRUE(ReadWholeFile(second, &b));
        EXPECT_GT(a.size(), 8u);
        EXPECT_EQ(a, b) << spec << ": neutral settings change no pixel";
    }
}

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
        {dir + "damaged.png " + out, 1},
        {dir + "text.png " + out, 1},
        {dir + "missing.png " + out, 1},
        {"--plugin " + dir + "nothing.so " + photo + " " + out, 1},
        {"", 2},
        {photo, 2},
        {"--synthetic 0x5 " + out, 2},
        {"--synthetic 5x5x12 " + out, 2},
        {"--bogus " + photo + " " + out, 2},
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

// With neutral settings the plug-in leaves pixels alone, so what comes back
// is what the files can carry: the alpha plane and 8-bit samples
// unchanged, the profile byte for byte, whichever format is written.
TEST_F(BatchCommandTest, RgbaPngKeepsAlphaAndProfileInEveryFormat) {
    ImageBuffer rgba = Gradient8(37, 23, 4);
    rgba.iccProfile = SrgbProfile();
    ASSERT_EQ(WritePng(dir + "in.png", rgba), "");
    for (const char* name : {"out.png", "out.tif"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(RunCommand("--neutral " + dir + "in.png " + dir + name), 0);
        ImageBuffer back;
        ASSERT_EQ(ReadImageFile(dir + name, &back), "");
        EXPECT_EQ(back.planes, 4);
        EXPECT_EQ(back.depth, 8);
        EXPECT_EQ(back.pixels, rgba.pixels);
        EXPECT_EQ(back.iccProfile, rgba.iccProfile);
    }
}

// The interface holds 16-bit samples as 0..32768, so a file's 65536 levels
// pass through 32769: every sample comes back within one level, and the same
// again once it has been through the command. The filtering pass takes
// colour samples of 32768 as 32767, so white (65534 and 65535 in the file)
// comes back as 65533; the alpha plane passes through untouched, white too.
TEST_F(BatchCommandTest, SixteenBitTiffKeepsDepthAlphaAndProfile) {
    const std::vector<uint8_t> profile = SrgbProfile();
    ASSERT_TRUE(WriteEveryValueTiff(dir + "in.tif", profile));
    ASSERT_EQ(RunCommand("--neutral " + dir + "in.tif " + dir + "out.tif"), 0);
    ASSERT_EQ(RunCommand("--neutral " + dir + "out.tif " + dir + "again.tif"), 0);
    ASSERT_EQ(RunCommand("--neutral " + dir + "in.tif " + dir + "out.png"), 0);
    ImageBuffer out, again, png;
    ASSERT_EQ(ReadTiff(dir + "out.tif", &out), "");
    ASSERT_EQ(ReadTiff(dir + "again.tif", &again), "");
    ASSERT_EQ(ReadPng(dir + "out.png", &png), "");
    EXPECT_EQ(again.pixels, out.pixels);
    EXPECT_EQ(png.pixels, out.pixels);
    EXPECT_EQ(png.depth, 16);
    EXPECT_EQ(out.iccProfile, profile);
    EXPECT_EQ(png.iccProfile, profile);
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

TEST_F(BatchCommandTest, JpegInPngOut) {
    ImageBuffer rgb = Gradient8(40, 30, 3);
    rgb.iccProfile = SrgbProfile();
    ASSERT_EQ(WriteJpeg(dir + "in.jpg", rgb), "");
    ImageBuffer decoded, back;
    ASSERT_EQ(ReadJpeg(dir + "in.jpg", &decoded), "");
    ASSERT_EQ(RunCommand("--neutral " + dir + "in.jpg " + dir + "out.png"), 0);
    ASSERT_EQ(ReadPng(dir + "out.png", &back), "");
    EXPECT_EQ(back.planes, 3);
    EXPECT_EQ(back.depth, 8);
    EXPECT_EQ(back.pixels, decoded.pixels);
    EXPECT_EQ(back.iccProfile, rgb.iccProfile);
}

// Each failure says so in one line of its own and leaves no file behind.
TEST_F(BatchCommandTest, FailuresSayWhyInOneLine) {
    const std::string png = dir + "in.png", rgba = dir + "rgba.png", tif = dir + "in.tif";
    ASSERT_EQ(WritePng(png, Gradient8(8, 8, 3)), "");
    ASSERT_EQ(WritePng(rgba, Gradient8(8, 8, 4)), "");
    ASSERT_EQ(WriteTiff(tif, Gradient8(64, 64, 3)), "");
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

}  // namespace
