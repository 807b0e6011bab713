#include "apps/vantoria/image_io.h"

#include <cctype>
#include <cstdio>

#include "apps/vantoria/png_io.h"

namespace {

enum class Format { kUnknown, kPng, kTiff, kJpeg };

Format FormatOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return Format::kUnknown;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "png") return Format::kPng;
    if (ext == "tif" || ext == "tiff") return Format::kTiff;
    if (ext == "jpg" || ext == "jpeg") return Format::kJpeg;
    return Format::kUnknown;
}

std::string Unknown(const std::string& path) {
    return path + ": unknown file type (use .png, .tif, .tiff, .jpg or .jpeg)";
}

}  // namespace

std::string ImageFileTypeError(const std::string& path) {
    return FormatOf(path) == Format::kUnknown ? Unknown(path) : std::string();
}

std::string ImageFileFitError(const std::string& path, const ImageBuffer& image) {
    return FormatOf(path) == Format::kJpeg ? JpegFitError(path, image) : std::string();
}

std::string ReadImageFile(const std::string& path, ImageBuffer* image) {
    switch (FormatOf(path)) {
        case Format::kPng:
            return ReadPng(path, image);
        case Format::kTiff:
            return ReadTiff(path, image);
        case Format::kJpeg:
            return ReadJpeg(path, image);
        default:
            return Unknown(path);
    }
}

std::string WriteImageFile(const std::string& path, const ImageBuffer& image) {
    switch (FormatOf(path)) {
        case Format::kPng:
            return WritePng(path, image);
        case Format::kTiff:
            return WriteTiff(path, image);
        case Format::kJpeg:
            return WriteJpeg(path, image);
        default:
            return Unknown(path);
    }
}
