// Image files of the batch command: PNG (png_io.h), TIFF and JPEG, chosen by
// the file name's extension. TIFF holds 8- or 16-bit RGB with or without
// alpha; JPEG holds 8-bit RGB. Both keep an embedded ICC profile from reading
// to writing. Each function returns an empty string on success, else what
// went wrong; writers write a temporary file beside the target and rename it
// over the target only when complete.
#pragma once

#include <string>

#include "apps/vantoria/image_buffer.h"

std::string ReadTiff(const std::string& path, ImageBuffer* image);
std::string WriteTiff(const std::string& path, const ImageBuffer& image);
std::string ReadJpeg(const std::string& path, ImageBuffer* image);
std::string WriteJpeg(const std::string& path, const ImageBuffer& image);
// Empty when WriteJpeg can hold the image, else why not.
std::string JpegFitError(const std::string& path, const ImageBuffer& image);

// By extension (case ignored): .png, .tif / .tiff, .jpg / .jpeg.
std::string ReadImageFile(const std::string& path, ImageBuffer* image);
std::string WriteImageFile(const std::string& path, const ImageBuffer& image);
// Empty when the name has one of those extensions, else what is wrong with it.
std::string ImageFileTypeError(const std::string& path);
// Empty when a file of path's type can hold the image (JPEG: 8-bit RGB only).
std::string ImageFileFitError(const std::string& path, const ImageBuffer& image);
