#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h expects the standard types to be declared first.
#include <jpeglib.h>

#include "apps/vantoria/file_replacement.h"
#include "apps/vantoria/image_io.h"

namespace {

constexpr uint32_t kMaxSide = 65500;  // the format's own limit
constexpr int kQuality = 95;

// libjpeg's fatal errors jump back to the caller instead of exiting.
struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void FailJump(j_common_ptr common) {
    std::longjmp(reinterpret_cast<ErrorJump*>(common->err)->jump, 1);
}

void NoMessage(j_common_ptr) {}

// The libjpeg part of reading, apart so that its error jump crosses no C++
// object with a destructor. The profile comes back in a malloc block.
bool DecodeJpeg(std::FILE* f, ImageBuffer* image, uint8_t** profile, unsigned* profileSize) {
    jpeg_decompress_struct info;
    ErrorJump error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = FailJump;
    error.manager.output_message = NoMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, f);
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);  // ICC profile chunks
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK ||
        info.image_width > kMaxSide || info.image_height > kMaxSide) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;  // grey and YCbCr alike
    jpeg_read_icc_profile(&info, profile, profileSize);
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    image->width = int32_t(info.output_width);
    image->height = int32_t(info.output_height);
    image->planes = 3;
    image->depth = 8;
    const size_t rowBytes = size_t(image->RowBytes());
    image->pixels.resize(rowBytes * size_t(image->height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &image->pixels[rowBytes * info.output_scanline];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool EncodeJpeg(std::FILE* f, const ImageBuffer& image) {
    jpeg_compress_struct info;
    ErrorJump error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = FailJump;
    error.manager.output_message = NoMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, f);
    info.image_width = JDIMENSION(image.width);
    info.image_height = JDIMENSION(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    if (!image.iccProfile.empty())
        jpeg_write_icc_profile(&info, image.iccProfile.data(), unsigned(image.iccProfile.size()));
    const size_t rowBytes = size_t(image.RowBytes());
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&image.pixels[rowBytes * info.next_scanline]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

std::string ReadJpeg(const std::string& path, ImageBuffer* image) {
    *image = ImageBuffer();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "cannot open " + path;
    uint8_t* profile = nullptr;
    unsigned profileSize = 0;
    const bool ok = DecodeJpeg(f, image, &profile, &profileSize);
    std::fclose(f);
    if (ok && profile != nullptr) image->iccProfile.assign(profile, profile + profileSize);
    std::free(profile);
    if (!ok) {
        *image = ImageBuffer();
        return path + " is damaged or of an unsupported kind (RGB or grey JPEG)";
    }
    return std::string();
}

std::string JpegFitError(const std::string& path, const ImageBuffer& image) {
    if (image.depth != 8 || image.planes != 3 || image.width <= 0 || image.height <= 0 ||
        uint32_t(image.width) > kMaxSide || uint32_t(image.height) > kMaxSide ||
        image.pixels.size() != size_t(image.RowBytes()) * size_t(image.height))
        return "cannot write " + path + ": JPEG files hold 8-bit RGB without alpha";
    return std::string();
}

std::string WriteJpeg(const std::string& path, const ImageBuffer& image) {
    const std::string unfit = JpegFitError(path, image);
    if (!unfit.empty()) return unfit;
    const std::string temporary = path + ".part";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr) return "cannot create " + temporary;
    const bool encoded = EncodeJpeg(f, image);
    const bool closed = std::fclose(f) == 0;
    if (!FinishReplacement(temporary, path, encoded && closed)) return "cannot write " + path;
    return std::string();
}
