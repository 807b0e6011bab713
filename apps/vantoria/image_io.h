// Image files of the batch command, through libvips: TIFF, PNG, JPEG, WebP,
// HEIC/AVIF and JPEG XL, chosen by the file name's extension. A file is read
// whole and refused when its decoder reports any damage; what the command
// does not change (EXIF, XMP, IPTC, the ICC profile, orientation, resolution,
// text tags) is written back with the pixels. Each function returns an empty
// string on success, else one line saying what went wrong; writers write a
// temporary file beside the target and rename it over the target only when
// complete.
#pragma once

#include <string>
#include <vector>

#include "apps/vantoria/image_buffer.h"

// By extension (case ignored): .tif / .tiff, .png, .jpg / .jpeg, .webp,
// .heic / .heif, .avif, .jxl. RGB files of 8 or 16 bits with or without
// alpha (palette files are read as RGB); grey, CMYK and other kinds are
// refused.
std::string ReadImageFile(const std::string& path, ImageBuffer* image);
std::string WriteImageFile(const std::string& path, const ImageBuffer& image);

// Writing in two steps, so that a file can be encoded while its rows are
// still being made. EncodeImageFile writes the temporary file beside path
// from pixels (a block of the image's layout; the image gives everything
// else), taking each row only once gate has it ready (null: all are), and
// leaves nothing behind when it fails. FinishImageFile completes that file
// (the tags libvips does not write) and renames it over path, or with keep
// false deletes it.
struct RowGate;
std::string EncodeImageFile(const std::string& path, const ImageBuffer& image,
                            const uint8_t* pixels, RowGate* gate);
std::string FinishImageFile(const std::string& path, const ImageBuffer& image, bool keep);
// Empty when the name has one of those extensions, else what is wrong with it.
std::string ImageFileTypeError(const std::string& path);
// Empty when a file of path's type can hold the image (its depth, alpha and
// extra sample), else why not.
std::string ImageFileFitError(const std::string& path, const ImageBuffer& image);

// A selection of width x height from the first channel of an image file of
// any kind (grey too), 16-bit samples by their high byte; 255 selected.
std::string ReadMaskFile(const std::string& path, int32_t width, int32_t height,
                         std::vector<uint8_t>* mask);
