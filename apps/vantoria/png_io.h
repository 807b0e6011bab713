// PNG files for the batch command: 8- and 16-bit, grey or colour, with or
// without alpha (grey and palette images are read as RGB), with the embedded
// ICC profile kept.
#pragma once

#include <string>

#include "apps/vantoria/image_buffer.h"

// Returns an empty string on success, else what went wrong.
std::string ReadPng(const std::string& path, ImageBuffer* image);
// Writes to a temporary file beside path and renames it over path only when complete.
std::string WritePng(const std::string& path, const ImageBuffer& image);
