#include "apps/vantoria/png_io.h"
#include "apps/vantoria/file_replacement.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// libpng's warnings (for example about a known-incorrect embedded profile)
// do not stop a read; the batch command keeps its output to its own lines.
void IgnoreWarning(png_structp, png_const_charp) {}

// An error ends the read or write through the jump; the command says what
// failed in its own words, so libpng's text is not printed.
void QuietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

constexpr uint32_t kMaxSide = 100000;
constexpr uint64_t kMaxBytes = uint64_t(1) << 32;

// The libpng part of reading, apart so that its error jump crosses no C++
// object with a destructor. Returns false on a damaged or unsupported file.
bool DecodePng(std::FILE* f, ImageBuffer* image) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, IgnoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, f);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_read_info(png, info);
    png_charp profileName = nullptr;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    int compression = 0;
    if (png_get_iCCP(png, info, &profileName, &compression, &profile, &profileSize) != 0 &&
        profile != nullptr)
        image->iccProfile.assign(profile, profile + profileSize);
    png_set_expand(png);  // palette and low-depth grey to 8 bits, transparency to alpha
    png_set_gray_to_rgb(png);
    png_set_swap(png);  // 16-bit samples in the host's (little-endian) order
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const uint32_t width = png_get_image_width(png, info);
    const uint32_t height = png_get_image_height(png, info);
    const int channels = png_get_channels(png, info);
    const int depth = png_get_bit_depth(png, info);
    const uint64_t rowBytes = uint64_t(width) * uint64_t(channels) * uint64_t(depth / 8);
    if ((channels != 3 && channels != 4) || (depth != 8 && depth != 16) ||
        rowBytes != png_get_rowbytes(png, info) || rowBytes * height > kMaxBytes) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    image->width = int32_t(width);
    image->height = int32_t(height);
    image->planes = channels;
    image->depth = depth;
    image->pixels.resize(size_t(rowBytes * height));
    for (int pass = 0; pass < passes; ++pass)
        for (uint32_t y = 0; y < height; ++y)
            png_read_row(png, &image->pixels[size_t(rowBytes * y)], nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// The libpng part of writing, apart for the same reason. 16-bit rows go back
// to the file's scale through table into row, one at a time; 8-bit rows are
// written as they stand.
bool EncodePng(std::FILE* f, const ImageBuffer& image, const uint16_t* table, uint8_t* row) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, IgnoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, uint32_t(image.width), uint32_t(image.height), image.depth,
                 image.planes == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // A profile that libpng finds unusable is left out with a warning.
    png_set_benign_errors(png, 1);
    if (!image.iccProfile.empty())
        png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, image.iccProfile.data(),
                     png_uint_32(image.iccProfile.size()));
    png_write_info(png, info);
    png_set_swap(png);
    const size_t rowBytes = size_t(image.RowBytes());
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* pixels = image.pixels.data() + size_t(y) * rowBytes;
        if (table != nullptr) {
            std::memcpy(row, pixels, rowBytes);
            ConvertSamples16(row, rowBytes / 2, table);
            pixels = row;
        }
        png_write_row(png, pixels);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::string ReadPng(const std::string& path, ImageBuffer* image) {
    *image = ImageBuffer();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "cannot open " + path + ": " + std::strerror(errno);
    uint8_t signature[8];
    const bool isPng = std::fread(signature, 1, 8, f) == 8 && png_sig_cmp(signature, 0, 8) == 0;
    const bool ok = isPng && DecodePng(f, image);
    std::fclose(f);
    if (!isPng) return path + " is not a PNG file";
    if (!ok) {
        *image = ImageBuffer();
        return path + " is damaged or of an unsupported kind";
    }
    Convert16(image, ToInterface16);
    return std::string();
}

std::string WritePng(const std::string& path, const ImageBuffer& image) {
    const bool wide = image.depth == 16;
    const std::vector<uint16_t> table = wide ? Table16(FromInterface16) : std::vector<uint16_t>();
    std::vector<uint8_t> row(wide ? size_t(image.RowBytes()) : 0);
    const std::string temporary = path + ".part";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr) return "cannot create " + temporary + ": " + std::strerror(errno);
    const bool encoded = EncodePng(f, image, wide ? table.data() : nullptr, row.data());
    const bool closed = std::fclose(f) == 0;
    if (!FinishReplacement(temporary, path, encoded && closed)) return "cannot write " + path;
    return std::string();
}
