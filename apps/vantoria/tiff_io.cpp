#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <vector>

#include "apps/vantoria/file_replacement.h"
#include "apps/vantoria/image_io.h"

namespace {

constexpr uint32_t kMaxSide = 100000;
constexpr uint64_t kMaxBytes = uint64_t(1) << 32;

// libtiff reports to stderr by default; the batch command says what failed
// in its own words.
void Quiet(const char*, const char*, va_list) {}

void SilenceLibtiff() {
    TIFFSetErrorHandler(Quiet);
    TIFFSetWarningHandler(Quiet);
}

// Reads the pixels of an open file; false for a kind the batch command does
// not handle or a damaged file.
bool DecodeTiff(TIFF* tif, ImageBuffer* image) {
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0, photometric = 0, planar = PLANARCONFIG_CONTIG;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) ||
        !TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        return false;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    if (photometric != PHOTOMETRIC_RGB || (bits != 8 && bits != 16) ||
        (samples != 3 && samples != 4) || planar != PLANARCONFIG_CONTIG || TIFFIsTiled(tif))
        return false;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return false;
    const uint64_t rowBytes = uint64_t(width) * samples * (bits / 8);
    if (rowBytes * height > kMaxBytes || uint64_t(TIFFScanlineSize64(tif)) != rowBytes)
        return false;
    image->width = int32_t(width);
    image->height = int32_t(height);
    image->planes = samples;
    image->depth = bits;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    image->tiffCompression = compression;
    image->pixels.resize(size_t(rowBytes * height));
    for (uint32_t y = 0; y < height; ++y)
        if (TIFFReadScanline(tif, &image->pixels[size_t(rowBytes * y)], y, 0) < 0) return false;
    uint32_t profileSize = 0;
    void* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile != nullptr) {
        const uint8_t* bytes = static_cast<const uint8_t*>(profile);
        image->iccProfile.assign(bytes, bytes + profileSize);
    }
    return true;
}

// The compression the image was read with, when this library can write it;
// else deflate.
uint16_t CompressionOf(const ImageBuffer& image) {
    const uint16_t kept = uint16_t(image.tiffCompression);
    if (image.tiffCompression > 0 && TIFFIsCODECConfigured(kept) &&
        (kept == COMPRESSION_NONE || kept == COMPRESSION_LZW || kept == COMPRESSION_ADOBE_DEFLATE ||
         kept == COMPRESSION_DEFLATE || kept == COMPRESSION_PACKBITS || kept == COMPRESSION_ZSTD))
        return kept;
    return COMPRESSION_ADOBE_DEFLATE;
}

// Writes the image's rows, 16-bit samples converted back to the file's scale
// row by row.
bool EncodeTiff(TIFF* tif, const ImageBuffer& image) {
    const bool alpha = image.planes == 4;
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(image.width)) &&
              TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(image.height)) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(image.depth)) &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(image.planes)) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, CompressionOf(image)) &&
              TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (ok && alpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    }
    if (ok && !image.iccProfile.empty())
        ok = TIFFSetField(tif, TIFFTAG_ICCPROFILE, uint32_t(image.iccProfile.size()),
                          image.iccProfile.data());
    const size_t rowBytes = size_t(image.RowBytes());
    std::vector<uint8_t> row(rowBytes);
    const std::vector<uint16_t> table =
        image.depth == 16 ? Table16(FromInterface16) : std::vector<uint16_t>();
    for (int32_t y = 0; ok && y < image.height; ++y) {
        std::memcpy(row.data(), &image.pixels[size_t(y) * rowBytes], rowBytes);
        if (!table.empty()) ConvertSamples16(row.data(), rowBytes / 2, table.data());
        ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) >= 0;
    }
    return ok && TIFFFlush(tif) != 0;
}

bool Writable(const ImageBuffer& image) {
    return (image.planes == 3 || image.planes == 4) && (image.depth == 8 || image.depth == 16) &&
           image.width > 0 && image.height > 0 &&
           image.pixels.size() == size_t(image.RowBytes()) * size_t(image.height);
}

}  // namespace

std::string ReadTiff(const std::string& path, ImageBuffer* image) {
    *image = ImageBuffer();
    SilenceLibtiff();
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return "cannot open " + path + " as a TIFF file";
    const bool ok = DecodeTiff(tif, image);
    TIFFClose(tif);
    if (!ok) {
        *image = ImageBuffer();
        return path +
               " is damaged or of an unsupported kind (RGB, 8 or 16 bits, with or without "
               "alpha, in strips)";
    }
    Convert16(image, ToInterface16);
    return std::string();
}

std::string WriteTiff(const std::string& path, const ImageBuffer& image) {
    if (!Writable(image)) return "cannot write " + path + ": not an RGB image of 8 or 16 bits";
    SilenceLibtiff();
    const std::string temporary = path + ".part";
    TIFF* tif = TIFFOpen(temporary.c_str(), "w");
    if (tif == nullptr) return "cannot create " + temporary;
    const bool encoded = EncodeTiff(tif, image);
    TIFFClose(tif);
    if (!FinishReplacement(temporary, path, encoded)) return "cannot write " + path;
    return std::string();
}
