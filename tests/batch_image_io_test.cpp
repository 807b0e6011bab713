// The batch command's image files: every format read and written at the
// depths and planes it holds, the tags of each format kept into every other
// (read back by exiftool), TIFF layouts of other programs (extra samples of
// each meaning among them), and refused or damaged files that leave nothing
// behind.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "apps/vantoria/image_io.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A smooth image with a sharp edge, samples in the interface scale.
ImageBuffer Sample(int32_t width, int32_t height, int32_t planes, int32_t depth) {
    ImageBuffer im;
    im.width = width;
    im.height = height;
    im.planes = planes;
    im.depth = depth;
    im.pixels.resize(size_t(im.RowBytes()) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t c = 0; c < planes; ++c) {
                const double v = c == 3 ? (x < width / 2 ? 1.0 : 0.25)
                                        : (0.2 + 0.6 * (x + c * y) / double(width + 3 * height));
                const size_t i =
                    (size_t(y) * size_t(width) + size_t(x)) * size_t(planes) + size_t(c);
                if (depth == 8) {
                    im.pixels[i] = uint8_t(v * 255 + 0.5);
                } else {
                    const uint16_t s = uint16_t(v * 32768 + 0.5);
                    std::memcpy(&im.pixels[i * 2], &s, 2);
                }
            }
    return im;
}

Bytes SrgbProfile() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(srgb, nullptr, &size);
    Bytes profile(size);
    cmsSaveProfileToMem(srgb, profile.data(), &size);
    cmsCloseProfile(srgb);
    return profile;
}

// The largest difference between two buffers' samples (both 8 or both 16-bit).
int WorstDifference(const ImageBuffer& a, const ImageBuffer& b) {
    int worst = 0;
    const size_t bytes = size_t(a.depth / 8), count = a.pixels.size() / bytes;
    for (size_t i = 0; i < count; ++i) {
        uint16_t u = a.pixels[i], v = b.pixels[i];
        if (bytes == 2) {
            std::memcpy(&u, &a.pixels[i * 2], 2);
            std::memcpy(&v, &b.pixels[i * 2], 2);
        }
        worst = std::max(worst, std::abs(int(u) - int(v)));
    }
    return worst;
}

// The formats: an extension, whether the samples come back exactly, the
// depth and alpha it holds, and which of the tags below it carries.
enum Carries : unsigned {
    kIcc = 1,
    kExif = 2,
    kOrientation = 4,
    kXmp = 8,
    kIptc = 16,
    kPngText = 32,
};
struct FileFormat {
    const char* ext;
    bool lossless, deep, alpha;
    unsigned carries;
};
const FileFormat kFileFormats[] = {
    {"tif", true, true, true, kIcc | kExif | kOrientation | kXmp | kIptc},
    {"png", true, true, true, kIcc | kExif | kOrientation | kXmp | kPngText},
    {"jpg", false, false, false, kIcc | kExif | kOrientation | kXmp | kIptc},
    {"webp", false, false, true, kIcc | kExif | kOrientation | kXmp},
    {"heic", false, false, true, kIcc | kExif},
    {"avif", false, false, true, kIcc | kExif},
    {"jxl", true, true, true, 0},
};

// exiftool's names of the tags a photographer's file carries, by kind.
struct Tag {
    Carries kind;
    const char* name;   // as exiftool reads it
    const char* value;  // as exiftool writes it
};
const Tag kTags[] = {
    {kExif, "EXIF:Artist", "Ann Example"},
    {kExif, "EXIF:Copyright", "(c) Ann Example"},
    {kExif, "EXIF:ImageDescription", "A portrait"},
    {kExif, "EXIF:Software", "Camera firmware 1.0"},
    {kExif, "EXIF:Make", "Camera Maker"},
    {kExif, "EXIF:Model", "X1"},
    {kExif, "EXIF:DateTimeOriginal", "2024:01:02 03:04:05"},
    {kExif, "EXIF:GPSLatitude", "51.5"},
    {kOrientation, "EXIF:Orientation#", "6"},
    {kXmp, "XMP-dc:Creator", "Ann Example"},
    {kXmp, "XMP-dc:Rights", "All rights reserved"},
    {kIptc, "IPTC:By-line", "Ann Example"},
    {kIptc, "IPTC:CopyrightNotice", "(c) Ann Example"},
    {kPngText, "PNG:Title", "A portrait"},
    {kPngText, "PNG:ModifyDate", "2024:01:02 03:04:05"},
    {kIcc, "ICC_Profile:ProfileDescription", nullptr},
};

bool HaveExiftool() {
    return std::system("exiftool -ver >/dev/null 2>&1") == 0;
}

// exiftool's lines for the tags of the given kinds, as "name: value".
std::string Tags(const std::string& path, unsigned kinds, const std::string& folder) {
    std::string line = "exiftool -S -n";
    for (const Tag& t : kTags)
        if (t.kind & kinds) line += std::string(" '-") + t.name + "'";
    const std::string said = folder + "tags.txt";
    line += " '" + path + "' >" + said + " 2>/dev/null";
    if (std::system(line.c_str()) != 0) return "exiftool failed on " + path;
    Bytes text;
    ReadWholeFile(said, &text);
    return std::string(text.begin(), text.end());
}

class BatchImageIo : public ::testing::Test {
  protected:
    void SetUp() override { folder_ = MakeTempFolder("imageio"); }
    std::string Path(const std::string& name) const { return folder_ + name; }
    std::string folder_;
};

// Each format at each depth and plane count: written and read back with the
// profile (exactly where the format is lossless), or refused before
// anything is written.
TEST_F(BatchImageIo, EveryFormatRoundTripsWhatItHolds) {
    for (const FileFormat& f : kFileFormats)
        for (int32_t depth : {8, 16})
            for (int32_t planes : {3, 4}) {
                SCOPED_TRACE(testing::Message() << f.ext << " " << depth << " bits, " << planes);
                ImageBuffer image = Sample(67, 41, planes, depth);
                image.iccProfile = SrgbProfile();
                const std::string path = Path(std::string("round.") + f.ext);
                std::remove(path.c_str());
                const bool fits = (depth == 8 || f.deep) && (planes == 3 || f.alpha);
                EXPECT_EQ(ImageFileFitError(path, image).empty(), fits);
                const std::string error = WriteImageFile(path, image);
                EXPECT_FALSE(FileExists(path + ".part"));
                if (!fits) {
                    EXPECT_NE(error, "");
                    EXPECT_FALSE(FileExists(path));
                    continue;
                }
                ASSERT_EQ(error, "");
                ImageBuffer back;
                ASSERT_EQ(ReadImageFile(path, &back), "");
                EXPECT_EQ(back.width, 67);
                EXPECT_EQ(back.height, 41);
                EXPECT_EQ(back.planes, planes);
                EXPECT_EQ(back.depth, depth);
                EXPECT_EQ(back.iccProfile, image.iccProfile);
                if (f.lossless)
                    EXPECT_EQ(back.pixels, image.pixels);
                else
                    EXPECT_LE(WorstDifference(back, image), depth == 8 ? 12 : 12 * 128);
            }

    // In the file, 16-bit samples use the whole 0 .. 65535 range.
    ImageBuffer white = Sample(2, 1, 3, 16);
    const uint16_t top = 32768;
    for (size_t i = 0; i < white.pixels.size(); i += 2) std::memcpy(&white.pixels[i], &top, 2);
    const std::string path = Path("white.tiff");
    ASSERT_EQ(WriteImageFile(path, white), "");
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint16_t row[6] = {};
    ASSERT_GE(TIFFReadScanline(tif, row, 0, 0), 0);
    TIFFClose(tif);
    for (uint16_t v : row) EXPECT_EQ(v, 65535);
}

// The row conversions between the file's 16-bit samples and the
// interface's are the rounded divisions, for every value.
TEST(BatchSamples16, ChangeScaleAsTheRoundedDivisions) {
    for (uint32_t v = 0; v < 65536; ++v) {
        ASSERT_EQ(ToInterface16(uint16_t(v)), (v * 32768 + 32767) / 65535) << v;
        const uint32_t s = v > 32768 ? 32768 : v;
        ASSERT_EQ(FromInterface16(uint16_t(v)), (s * 65535 + 16384) / 32768) << v;
    }
}

// A photographer's tags, written by exiftool into a file of each format,
// come back the same from a file of every format that carries them.
TEST_F(BatchImageIo, TagsTravelBetweenEveryFormat) {
    ASSERT_TRUE(HaveExiftool()) << "exiftool (libimage-exiftool-perl) reads the tags back";
    for (const FileFormat& in : kFileFormats) {
        const std::string source = Path(std::string("tagged.") + in.ext);
        ImageBuffer image = Sample(48, 32, 3, 8);
        image.iccProfile = SrgbProfile();
        ASSERT_EQ(WriteImageFile(source, image), "") << in.ext;
        std::string line = "exiftool -q -q -m -overwrite_original";
        for (const Tag& t : kTags)
            if ((t.kind & in.carries) && t.value != nullptr)
                line += std::string(" '-") + t.name + "=" + t.value + "'";
        line += " '" + source + "' >/dev/null 2>&1";
        if (in.carries & ~unsigned(kIcc)) {
            ASSERT_EQ(std::system(line.c_str()), 0) << in.ext;
        }
        ImageBuffer read;
        ASSERT_EQ(ReadImageFile(source, &read), "") << in.ext;
        for (const FileFormat& out : kFileFormats) {
            SCOPED_TRACE(std::string(in.ext) + " to " + out.ext);
            const std::string result = Path(std::string("out.") + out.ext);
            ASSERT_EQ(WriteImageFile(result, read), "");
            const unsigned kept = in.carries & out.carries;
            if (kept == 0) continue;  // JPEG XL: its profile is checked by the round trip
            const std::string expected = Tags(source, kept, folder_);
            EXPECT_NE(expected.find("ProfileDescription"), std::string::npos);
            EXPECT_EQ(Tags(result, kept, folder_), expected);
        }
    }
}

// A TIFF written with libtiff as other programs write them.
struct ForeignTiff {
    uint16_t photometric, samples, bits;
    int32_t extraKind;  // -1: no ExtraSamples tag
    bool tiled;
};

std::vector<uint16_t> TiffSamples(size_t count) {
    std::vector<uint16_t> v(count);
    for (size_t i = 0; i < count; ++i) v[i] = uint16_t(i * 97);
    return v;
}

// Writes a 32 x 32 file of c's kind whose samples are data (8-bit: their
// low bytes).
bool WriteForeignTiff(const std::string& path, const ForeignTiff& c,
                      const std::vector<uint16_t>& data) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 32u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 32u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, c.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, c.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, c.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    if (c.extraKind >= 0) {
        const uint16_t kind[1] = {uint16_t(c.extraKind)};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), kind);
    }
    const size_t rowSamples = size_t(32) * c.samples;
    std::vector<uint8_t> bytes(rowSamples * 32 * c.bits / 8);
    for (size_t i = 0; i < rowSamples * 32; ++i) {
        if (c.bits == 8) bytes[i] = uint8_t(data[i]);
        if (c.bits == 16) std::memcpy(&bytes[i * 2], &data[i], 2);
        if (c.bits == 32) bytes[i * 4] = uint8_t(data[i]);
    }
    bool ok = true;
    if (c.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16u);
        std::vector<uint8_t> tile(16 * 16 * c.samples * c.bits / 8, 7);
        for (uint32_t t = 0; t < 4; ++t)
            ok &= TIFFWriteEncodedTile(tif, t, tile.data(), tmsize_t(tile.size())) >= 0;
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 5u);
        const size_t rowBytes = bytes.size() / 32;
        for (uint32_t y = 0; y < 32; ++y)
            ok &= TIFFWriteScanline(tif, &bytes[rowBytes * y], y, 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

uint16_t ExtraKindOf(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    uint16_t count = 0, kind = 99;
    uint16_t* kinds = nullptr;
    if (tif != nullptr && TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) && count == 1)
        kind = kinds[0];
    if (tif != nullptr) TIFFClose(tif);
    return kind;
}

// RGB in strips or tiles is read (and written again with its compression);
// grey, CMYK and 32-bit samples are refused with an empty image.
TEST_F(BatchImageIo, ForeignTiffs) {
    const struct {
        const char* name;
        ForeignTiff tiff;
        bool readable;
    } cases[] = {
        {"rgb lzw strips", {PHOTOMETRIC_RGB, 3, 8, -1, false}, true},
        {"tiled", {PHOTOMETRIC_RGB, 3, 8, -1, true}, true},
        {"grey", {PHOTOMETRIC_MINISBLACK, 1, 8, -1, false}, false},
        {"cmyk", {PHOTOMETRIC_SEPARATED, 4, 8, -1, false}, false},
        {"32 bits", {PHOTOMETRIC_RGB, 3, 32, -1, false}, false},
        {"two extra samples", {PHOTOMETRIC_RGB, 5, 8, -1, false}, false},
    };
    const std::vector<uint16_t> data = TiffSamples(32 * 32 * 5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("foreign.tif");
        ASSERT_TRUE(WriteForeignTiff(path, c.tiff, data) || !c.readable);
        ImageBuffer image;
        const std::string error = ReadImageFile(path, &image);
        EXPECT_EQ(error.empty(), c.readable) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        if (!c.readable) {
            EXPECT_TRUE(image.pixels.empty());
            continue;
        }
        for (size_t i = 0; !c.tiff.tiled && i < image.pixels.size(); ++i)
            ASSERT_EQ(image.pixels[i], uint8_t(data[i])) << i;
        const std::string again = Path("again.tif");
        ASSERT_EQ(WriteImageFile(again, image), "");
        TIFF* written = TIFFOpen(again.c_str(), "r");
        ASSERT_NE(written, nullptr);
        uint16_t compression = 0;
        TIFFGetField(written, TIFFTAG_COMPRESSION, &compression);
        TIFFClose(written);
        EXPECT_EQ(compression, COMPRESSION_LZW);
    }
}

// Associated alpha: the colours are divided by it when read and multiplied
// back when written, and the file keeps saying so.
TEST_F(BatchImageIo, AssociatedAlphaIsDividedOutAndBackIn) {
    std::vector<uint16_t> data(32 * 32 * 4);
    for (size_t p = 0; p < 32 * 32; ++p) {
        const uint32_t alpha = uint32_t(p % 32) * 2048 + 1000, colour[3] = {60000, 30000, 9000};
        for (int c = 0; c < 3; ++c) data[p * 4 + size_t(c)] = uint16_t(colour[c] * alpha / 65535);
        data[p * 4 + 3] = uint16_t(alpha);
    }
    const std::string path = Path("associated.tif"), again = Path("again.tif");
    ASSERT_TRUE(
        WriteForeignTiff(path, {PHOTOMETRIC_RGB, 4, 16, EXTRASAMPLE_ASSOCALPHA, false}, data));
    ImageBuffer image;
    ASSERT_EQ(ReadImageFile(path, &image), "");
    ASSERT_EQ(image.planes, 4);
    EXPECT_TRUE(image.associatedAlpha);
    // Unassociated in the buffer: every pixel has the same colour.
    for (size_t p = 0; p < 32 * 32; ++p) {
        uint16_t red;
        std::memcpy(&red, &image.pixels[p * 8], 2);
        ASSERT_NEAR(FromInterface16(red), 60000, 70) << p;
    }
    ASSERT_EQ(WriteImageFile(again, image), "");
    EXPECT_EQ(ExtraKindOf(again), EXTRASAMPLE_ASSOCALPHA);
    TIFF* tif = TIFFOpen(again.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    std::vector<uint16_t> row(32 * 4);
    for (uint32_t y = 0; y < 32; ++y) {
        ASSERT_GE(TIFFReadScanline(tif, row.data(), y, 0), 0);
        for (size_t i = 0; i < row.size(); ++i)
            ASSERT_NEAR(row[i], data[y * 128 + i], 3) << y << " " << i;
    }
    TIFFClose(tif);
}

// An extra sample of unspecified meaning is no alpha: it stays out of the
// image the plug-in sees and comes back untouched, declared as before; a
// format that cannot hold it is refused.
TEST_F(BatchImageIo, AnUnspecifiedExtraSamplePassesThrough) {
    for (uint16_t bits : {8, 16}) {
        SCOPED_TRACE(bits);
        const std::vector<uint16_t> data = TiffSamples(32 * 32 * 4);
        const std::string path = Path("extra.tif"), again = Path("again.tif");
        ASSERT_TRUE(WriteForeignTiff(
            path, {PHOTOMETRIC_RGB, 4, bits, EXTRASAMPLE_UNSPECIFIED, false}, data));
        ImageBuffer image;
        ASSERT_EQ(ReadImageFile(path, &image), "");
        EXPECT_EQ(image.planes, 3);
        ASSERT_EQ(image.extraSamples.size(), size_t(32 * 32 * bits / 8));
        EXPECT_NE(ImageFileFitError(Path("out.png"), image), "");
        ASSERT_EQ(WriteImageFile(again, image), "");
        EXPECT_EQ(ExtraKindOf(again), EXTRASAMPLE_UNSPECIFIED);
        TIFF* tif = TIFFOpen(again.c_str(), "r");
        ASSERT_NE(tif, nullptr);
        std::vector<uint8_t> row(32 * 4 * bits / 8);
        for (uint32_t y = 0; y < 32; ++y) {
            ASSERT_GE(TIFFReadScanline(tif, row.data(), y, 0), 0);
            for (size_t i = 0; i < 32 * 4; ++i) {
                uint16_t v = row[i];
                if (bits == 16) std::memcpy(&v, &row[i * 2], 2);
                const uint16_t want =
                    bits == 8 ? uint16_t(data[y * 128 + i] & 255) : data[y * 128 + i];
                // 16-bit colours pass through the interface's scale, within
                // a level; the extra sample does not.
                ASSERT_NEAR(v, want, i % 4 == 3 || bits == 8 ? 0 : 1) << y << " " << i;
            }
        }
        TIFFClose(tif);
    }
}

// Refused writes and mistyped or missing files: a message, an empty image,
// and the files on disk as they were.
TEST_F(BatchImageIo, FailuresLeaveFilesAlone) {
    const std::string existing = Path("existing.jpg");
    ASSERT_EQ(WriteImageFile(existing, Sample(16, 16, 3, 8)), "");
    Bytes before;
    ASSERT_TRUE(ReadWholeFile(existing, &before));
    EXPECT_NE(WriteImageFile(existing, Sample(16, 16, 3, 16)), "");
    EXPECT_NE(WriteImageFile(existing, Sample(16, 16, 4, 8)), "");
    EXPECT_NE(WriteImageFile(Path("missing-folder/out.tif"), Sample(4, 4, 3, 8)), "");
    EXPECT_NE(WriteImageFile(Path("out.bmp"), Sample(4, 4, 3, 8)), "");
    Bytes after;
    ASSERT_TRUE(ReadWholeFile(existing, &after));
    EXPECT_EQ(after, before);
    EXPECT_FALSE(FileExists(existing + ".part"));
    EXPECT_FALSE(FileExists(Path("out.bmp")));

    const std::string png = Path("image.png");
    ASSERT_EQ(WriteImageFile(png, Sample(8, 8, 3, 8)), "");
    Bytes pngBytes;
    ASSERT_TRUE(ReadWholeFile(png, &pngBytes));
    for (const char* name : {"png.tif", "png.jpg", "png.webp", "empty.jpg"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(
            WriteWholeFile(Path(name), std::string(name) == "empty.jpg" ? Bytes() : pngBytes));
        ImageBuffer image = Sample(4, 4, 3, 8);
        EXPECT_NE(ReadImageFile(Path(name), &image), "");
        EXPECT_TRUE(image.pixels.empty());
    }
    ImageBuffer image;
    EXPECT_NE(ReadImageFile(Path("nothing.tif"), &image), "");

    // A TIFF without its strips' byte counts, which libtiff only warns about
    // (and guesses): the entry renamed to a private tag, which alone would
    // be no damage.
    const std::string tif = Path("counts.tif");
    ASSERT_EQ(WriteImageFile(tif, Sample(16, 16, 3, 8)), "");
    Bytes bytes;
    ASSERT_TRUE(ReadWholeFile(tif, &bytes));
    ASSERT_EQ(bytes[0], 'I');  // little-endian, as libvips writes on this machine
    const auto get16 = [&](size_t at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); };
    const size_t directory = size_t(bytes[4] | bytes[5] << 8 | bytes[6] << 16 | bytes[7] << 24);
    bool renamed = false;
    for (size_t i = 0; i < get16(directory); ++i) {
        const size_t entry = directory + 2 + 12 * i;
        if (get16(entry) != TIFFTAG_STRIPBYTECOUNTS) continue;
        bytes[entry] = 0xE8;  // 65000
        bytes[entry + 1] = 0xFD;
        renamed = true;
    }
    ASSERT_TRUE(renamed);
    ASSERT_TRUE(WriteWholeFile(tif, bytes));
    EXPECT_NE(ReadImageFile(tif, &image), "");
    EXPECT_TRUE(image.pixels.empty());
}

}  // namespace
