// The batch command's TIFF and JPEG files: round trips of every supported
// kind with the embedded profile, the kinds refused, damaged files, and
// writes that leave nothing behind when they fail.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <lcms2.h>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "apps/vantoria/image_io.h"
#include "apps/vantoria/png_io.h"
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

Bytes Profile(size_t size) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = uint8_t(i * 7 + 3);
    return b;
}

class BatchImageIo : public ::testing::Test {
  protected:
    void SetUp() override { folder_ = MakeTempFolder("imageio"); }
    std::string Path(const std::string& name) const { return folder_ + name; }
    std::string folder_;
};

TEST_F(BatchImageIo, TiffRoundTrips) {
    for (int32_t depth : {8, 16})
        for (int32_t planes : {3, 4})
            for (size_t profile : {size_t(0), size_t(3144)}) {
                SCOPED_TRACE(testing::Message()
                             << depth << " bits, " << planes << " planes, profile " << profile);
                ImageBuffer image = Sample(67, 41, planes, depth);
                image.iccProfile = Profile(profile);
                const std::string path = Path("round.tif");
                ASSERT_EQ(WriteTiff(path, image), "");
                EXPECT_FALSE(FileExists(path + ".part"));
                ImageBuffer back;
                ASSERT_EQ(ReadImageFile(path, &back), "");
                EXPECT_EQ(back.width, 67);
                EXPECT_EQ(back.height, 41);
                EXPECT_EQ(back.planes, planes);
                EXPECT_EQ(back.depth, depth);
                EXPECT_EQ(back.pixels, image.pixels);
                EXPECT_EQ(back.iccProfile, image.iccProfile);
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

// TIFF files written elsewhere: several strips and LZW are read (and written
// again as LZW); kinds the command does not handle are refused with an empty
// image.
TEST_F(BatchImageIo, ForeignTiffs) {
    struct Case {
        const char* name;
        uint16_t photometric, samples, bits;
        bool tiled;
        bool readable;
    };
    const Case cases[] = {
        {"rgb lzw strips", PHOTOMETRIC_RGB, 3, 8, false, true},
        {"grey", PHOTOMETRIC_MINISBLACK, 1, 8, false, false},
        {"cmyk", PHOTOMETRIC_SEPARATED, 4, 8, false, false},
        {"32 bits", PHOTOMETRIC_RGB, 3, 32, false, false},
        {"tiled", PHOTOMETRIC_RGB, 3, 8, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("foreign.tif");
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 32u);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 32u);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, c.bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, c.samples);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, c.photometric);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        const size_t rowBytes = size_t(32) * c.samples * c.bits / 8;
        std::vector<uint8_t> data(rowBytes * 32);
        for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i / 3);
        if (c.tiled) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16u);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, 16u);
            std::vector<uint8_t> tile(16 * 16 * 3, 7);
            for (uint32_t t = 0; t < 4; ++t) TIFFWriteEncodedTile(tif, t, tile.data(), tile.size());
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 5u);
            for (uint32_t y = 0; y < 32; ++y) TIFFWriteScanline(tif, &data[rowBytes * y], y, 0);
        }
        TIFFClose(tif);
        ImageBuffer image;
        const std::string error = ReadTiff(path, &image);
        EXPECT_EQ(error.empty(), c.readable) << error;
        if (c.readable) {
            EXPECT_EQ(image.pixels, data);
            // Written again, the file keeps the compression it was read with.
            const std::string again = Path("again.tif");
            ASSERT_EQ(WriteTiff(again, image), "");
            TIFF* written = TIFFOpen(again.c_str(), "r");
            ASSERT_NE(written, nullptr);
            uint16_t compression = 0;
            TIFFGetField(written, TIFFTAG_COMPRESSION, &compression);
            TIFFClose(written);
            EXPECT_EQ(compression, COMPRESSION_LZW);
        } else {
            EXPECT_TRUE(image.pixels.empty());
        }
    }
}

TEST_F(BatchImageIo, JpegRoundTripKeepsTheProfile) {
    // A profile longer than one marker segment holds.
    for (size_t profile : {size_t(0), size_t(70000)}) {
        ImageBuffer image = Sample(96, 64, 3, 8);
        image.iccProfile = Profile(profile);
        const std::string path = Path("round.JPG");
        ASSERT_EQ(WriteImageFile(path, image), "");
        ImageBuffer back;
        ASSERT_EQ(ReadImageFile(path, &back), "");
        ASSERT_EQ(back.width, 96);
        ASSERT_EQ(back.height, 64);
        ASSERT_EQ(back.planes, 3);
        ASSERT_EQ(back.depth, 8);
        EXPECT_EQ(back.iccProfile, image.iccProfile);
        double total = 0;
        int worst = 0;
        for (size_t i = 0; i < image.pixels.size(); ++i) {
            const int d = std::abs(int(back.pixels[i]) - int(image.pixels[i]));
            total += d;
            worst = d > worst ? d : worst;
        }
        EXPECT_LT(total / double(image.pixels.size()), 1.0);
        EXPECT_LE(worst, 6);
    }

    // A grey JPEG reads as RGB.
    const std::string grey = Path("grey.jpeg");
    std::FILE* f = std::fopen(grey.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, f);
    info.image_width = 8;
    info.image_height = 8;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    uint8_t row[8];
    std::memset(row, 100, sizeof row);
    for (int y = 0; y < 8; ++y) {
        JSAMPROW r = row;
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(f);
    ImageBuffer image;
    ASSERT_EQ(ReadJpeg(grey, &image), "");
    EXPECT_EQ(image.planes, 3);
    EXPECT_EQ(image.pixels[0], image.pixels[2]);
    EXPECT_NEAR(image.pixels[1], 100, 1);
}

// A real profile goes from a PNG file through a TIFF and a JPEG file and
// comes back byte for byte.
TEST_F(BatchImageIo, ProfileTravelsBetweenFormats) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    ASSERT_NE(srgb, nullptr);
    cmsUInt32Number size = 0;
    ASSERT_TRUE(cmsSaveProfileToMem(srgb, nullptr, &size));
    Bytes profile(size);
    ASSERT_TRUE(cmsSaveProfileToMem(srgb, profile.data(), &size));
    cmsCloseProfile(srgb);

    ImageBuffer image = Sample(24, 16, 3, 8);
    image.iccProfile = profile;
    ImageBuffer back;
    for (const char* name : {"a.png", "b.tif", "c.jpg", "d.png"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(WriteImageFile(Path(name), image), "");
        ASSERT_EQ(ReadImageFile(Path(name), &back), "");
        EXPECT_EQ(back.iccProfile, profile);
        image = back;
    }
    // A PNG without a profile reads without one, whatever the buffer held.
    ImageBuffer plain = Sample(4, 4, 3, 8);
    ASSERT_EQ(WritePng(Path("plain.png"), plain), "");
    ASSERT_EQ(ReadPng(Path("plain.png"), &back), "");
    EXPECT_TRUE(back.iccProfile.empty());
}

// Refused writes and damaged or mistyped files: a message, an empty image,
// and the files on disk as they were.
TEST_F(BatchImageIo, FailuresLeaveFilesAlone) {
    const std::string existing = Path("existing.jpg");
    ASSERT_EQ(WriteJpeg(existing, Sample(16, 16, 3, 8)), "");
    Bytes before;
    ASSERT_TRUE(ReadWholeFile(existing, &before));
    EXPECT_NE(WriteJpeg(existing, Sample(16, 16, 3, 16)), "");
    EXPECT_NE(WriteJpeg(existing, Sample(16, 16, 4, 8)), "");
    EXPECT_NE(WriteImageFile(Path("missing-folder/out.tif"), Sample(4, 4, 3, 8)), "");
    EXPECT_NE(WriteImageFile(Path("out.bmp"), Sample(4, 4, 3, 8)), "");
    Bytes after;
    ASSERT_TRUE(ReadWholeFile(existing, &after));
    EXPECT_EQ(after, before);
    EXPECT_FALSE(FileExists(existing + ".part"));
    EXPECT_FALSE(FileExists(Path("out.bmp")));

    // Cut files, a PNG under a TIFF name, a missing file.
    const std::string tif = Path("whole.tif");
    ASSERT_EQ(WriteTiff(tif, Sample(40, 40, 3, 16)), "");
    Bytes tiffBytes;
    ASSERT_TRUE(ReadWholeFile(tif, &tiffBytes));
    const std::string png = Path("image.png");
    ASSERT_EQ(WritePng(png, Sample(8, 8, 3, 8)), "");
    Bytes pngBytes;
    ASSERT_TRUE(ReadWholeFile(png, &pngBytes));
    struct Case {
        std::string name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"cut.jpg", Bytes(before.begin(), before.begin() + long(before.size() / 2))},
        {"cut.tif", Bytes(tiffBytes.begin(), tiffBytes.begin() + 200)},
        {"png.tif", pngBytes},
        {"png.jpg", pngBytes},
        {"empty.jpg", Bytes()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteWholeFile(Path(c.name), c.bytes));
        ImageBuffer image = Sample(4, 4, 3, 8);
        EXPECT_NE(ReadImageFile(Path(c.name), &image), "");
        EXPECT_TRUE(image.pixels.empty());
    }
    ImageBuffer image;
    EXPECT_NE(ReadImageFile(Path("nothing.tif"), &image), "");
}

}  // namespace
